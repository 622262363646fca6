// The Tracking window's share of a reply, on Qt's offscreen platform: the markers and readouts
// it refreshes five times a second, and the trails, strip charts and ranges it refreshes once a
// second, over a live series filled to its 15 minutes.

#include <benchmark/benchmark.h>
#include <qcustomplot.h>
#include <QApplication>

#include "PlotSeries.h"
#include "TrackingWindow.h"

namespace {

/// A flight's worth of points: one every 100 ms, circling at a few hundred metres.
tracking::PlotSeries filledSeries(qsizetype points)
{
    tracking::PlotSeries series;
    for (qsizetype i = 0; i < points; ++i) {
        tracking::PlotPoint p;
        p.t = 1.8e9 + double(i) * 0.1;
        p.antennaAz = float(std::fmod(double(i) * 0.05, 360.0));
        p.antennaEl = 20;
        p.losAz = p.antennaAz + 0.4f;
        p.losEl = 20.2f;
        p.slantM = 800 + float(i % 500);
        p.groundM = p.slantM * 0.94f;
        p.errorDeg = 0.4f;
        p.heightM = 270;
        p.eastM = p.groundM * std::sin(p.losAz * 0.01745f);
        p.northM = p.groundM * std::cos(p.losAz * 0.01745f);
        p.has = tracking::kHasVehicle | tracking::kHasGeometry | tracking::kHasDirection |
                tracking::kHasError;
        series.push(p);
    }
    return series;
}

/// Every plot painted at once, as the window paints them after a change.
void paintAll(TrackingWindow& w)
{
    for (QCustomPlot* p : {w.skyPlot(), w.planPlot(), w.stripsPlot()}) p->repaint();
}

void BM_MarkersAndReadouts(benchmark::State& state)
{
    const tracking::PlotSeries series = filledSeries(tracking::kLiveCapacity);
    TrackingWindow w([](const UiEvent&) {});
    w.show();
    w.showSeries(&series, false, QString());
    for (auto _ : state) w.refreshLive();
}
BENCHMARK(BM_MarkersAndReadouts)->Unit(benchmark::kMicrosecond);

/// Trails, strips and ranges from the whole series, and every plot drawn: the once-a-second
/// refresh. The argument is the span in seconds.
void BM_DataRefresh(benchmark::State& state)
{
    const tracking::PlotSeries series = filledSeries(tracking::kLiveCapacity);
    TrackingWindow w([](const UiEvent&) {});
    w.show();
    w.showSeries(&series, false, QString());
    w.selectSpan(state.range(0) == 60 ? 0 : state.range(0) == 300 ? 1 : 2);
    for (auto _ : state) {
        w.refreshData();
        paintAll(w);
    }
}
BENCHMARK(BM_DataRefresh)->Arg(60)->Arg(900)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
