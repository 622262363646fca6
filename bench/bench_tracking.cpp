// The tracking core's share of one pointing reply: the sample (fields read, line of sight,
// pointing error), its row in the flight record and its point in the live plots; and reading a
// record back for review, per row.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <array>

#include "FlightRecord.h"
#include "PlotSeries.h"
#include "RecordReader.h"
#include "TrackState.h"

using namespace tracking;

namespace {

/// A vehicle circling the tracker, as the tracker's fields.
struct VehicleFields {
    QString lat, lon, alt;
};

std::array<VehicleFields, 16> circle()
{
    std::array<VehicleFields, 16> out;
    for (int i = 0; i < 16; ++i)
        out[std::size_t(i)] = {QString::number(415678901 + 3000 * (i % 5) - 6000),
                               QString::number(-37654321 + 4000 * (i % 7) - 12000),
                               QString::number(100 + 13 * i) + QStringLiteral(".5")};
    return out;
}

TrackState trackerAtHome()
{
    TrackState state;
    state.onStatus(u"415678901", u"-37654321", u"100", u"12345", u"25.5");
    return state;
}

TrackSample someSample()
{
    const TrackState state = trackerAtHome();
    return state.onPointing(1796677875123, LinkTag::Udp, 123.4, 12.5, u"415700000",
                            u"-37600000", u"250.5", 255);
}

void BM_OnPointing(benchmark::State& state)
{
    const TrackState tracker = trackerAtHome();
    const auto vehicles = circle();
    std::size_t i = 0;
    qint64 t = 1796677875000;
    for (auto _ : state) {
        const VehicleFields& v = vehicles[i++ % vehicles.size()];
        TrackSample s = tracker.onPointing(t += 100, LinkTag::Udp, 123.4, 12.5, v.lat, v.lon,
                                           v.alt, 255);
        benchmark::DoNotOptimize(s);
    }
    if (!someSample().pointingErrorDeg) state.SkipWithError("no pointing error");
}
BENCHMARK(BM_OnPointing);

void BM_OnStatus(benchmark::State& state)
{
    const bool moves = state.range(0) != 0;
    TrackState tracker;
    int i = 0;
    const std::array<QString, 2> altitudes = {QStringLiteral("100"), QStringLiteral("101")};
    for (auto _ : state) {
        tracker.onStatus(u"415678901", u"-37654321", altitudes[moves ? ++i % 2 : 0], u"12345",
                         u"25.5");
        benchmark::DoNotOptimize(tracker);
    }
}
BENCHMARK(BM_OnStatus)->Arg(0)->Arg(1)->ArgName("origin_moves");

void BM_FormatRow(benchmark::State& state)
{
    const TrackSample s = someSample();
    for (auto _ : state) {
        QByteArray row = formatRow(s);
        benchmark::DoNotOptimize(row.data());
    }
    if (formatRow(s).count(',') != kRecordColumns - 1) state.SkipWithError("bad row");
}
BENCHMARK(BM_FormatRow);

void BM_PlotSeriesPush(benchmark::State& state)
{
    PlotSeries series(kLiveCapacity);
    TrackSample s = someSample();
    for (int i = 0; i < kLiveCapacity; ++i) {
        s.utcMs += 100;
        series.push(s);  // full: every push below replaces the oldest point
    }
    for (auto _ : state) {
        s.utcMs += 100;
        series.push(s);
        benchmark::DoNotOptimize(series.back());
    }
    if (series.back().repliesPerS != 11) state.SkipWithError("wrong replies per second");
}
BENCHMARK(BM_PlotSeriesPush);

/// All three, as the console does them for each reply while recording.
void BM_PerReply(benchmark::State& state)
{
    const TrackState tracker = trackerAtHome();
    const auto vehicles = circle();
    PlotSeries series(kLiveCapacity);
    QByteArray buffer;
    std::size_t i = 0;
    qint64 t = 1796677875000;
    for (auto _ : state) {
        const VehicleFields& v = vehicles[i++ % vehicles.size()];
        const TrackSample s = tracker.onPointing(t += 100, LinkTag::Udp, 123.4, 12.5, v.lat,
                                                 v.lon, v.alt, 255);
        buffer += formatRow(s);
        series.push(s);
        if (buffer.size() > (1 << 16)) buffer.resize(0);  // the writer's flush, without the disk
    }
}
BENCHMARK(BM_PerReply);

/// Reading a record back, per row.
void BM_ParseRecord(benchmark::State& state)
{
    const TrackState tracker = trackerAtHome();
    const auto vehicles = circle();
    QByteArray record = recordHeader();
    const int rows = 10000;
    for (int i = 0; i < rows; ++i) {
        const VehicleFields& v = vehicles[std::size_t(i) % vehicles.size()];
        record += formatRow(tracker.onPointing(1796677875000 + 100 * i, LinkTag::Udp, 123.4,
                                               12.5, v.lat, v.lon, v.alt, 255));
    }
    for (auto _ : state) {
        RecordReadResult r = parseRecord(record);
        benchmark::DoNotOptimize(r.samples.data());
    }
    state.SetItemsProcessed(state.iterations() * rows);
    const RecordReadResult r = parseRecord(record);
    if (r.firstBadLine != 0 || r.samples.size() != rows) state.SkipWithError("bad record");
}
BENCHMARK(BM_ParseRecord)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
