// Cost of the port table's drawing: a full redraw of the eight ports, and one committed cell
// painted alone (what an operator's Return costs).

#include <benchmark/benchmark.h>

#include <QApplication>

#include "CellGrid.h"
#include "Controls.h"
#include "EthernetWindow.h"
#include "MessageBoxes.h"
#include "Poller.h"
#include "TrackerState.h"

namespace {

/// Window 6 with its port table filled as the tracker fills it, two cells marked.
struct PortTable {
    Controls controls;
    Poller poller;
    PortEntries ports{};
    TrackerState tracker;
    MessageBoxes boxes;
    EthernetSetup setup{{controls, poller, ports, tracker, boxes}};
    FormWindow* window = nullptr;
    CellGrid* grid = nullptr;

    PortTable() {
        const EventSink sink = [](const UiEvent&) {};
        window = ethernetwindow::open(controls, sink, nullptr);
        setup.start(sink, QStringLiteral("192.168.1.20"));
        grid = setup.grid();
        for (int r = 0; r < kPortCount; ++r) {
            const QString texts[] = {"1",
                                     QString::number(r % 3),
                                     QStringLiteral("192.168.1.%1").arg(50 + r),
                                     QString::number(9000 + r),
                                     "1",
                                     "0",
                                     QString::number(123456 + r),
                                     QString::number(654321 + r)};
            for (int c = 0; c < 8; ++c) grid->setCell(r, c + 2, texts[c]);
        }
        grid->model().setMark(3, ethernetwindow::State, true);
        grid->model().setMark(5, ethernetwindow::IpDest, true);
        grid->redraw();
    }
    ~PortTable() { delete window; }
};

void BM_PortTableRedraw(benchmark::State& state) {
    PortTable t;
    for (auto _ : state) {
        t.grid->redraw();
        benchmark::DoNotOptimize(t.grid->image().constBits());
    }
    if (t.grid->model().shownText(1, ethernetwindow::Type) != u"TCP_Server")
        state.SkipWithError("table not filled");
}
BENCHMARK(BM_PortTableRedraw);

void BM_PortTableCellRepaint(benchmark::State& state) {
    PortTable t;
    int i = 0;
    for (auto _ : state) {
        const int row = i++ % kPortCount;
        t.grid->model().setMark(row, ethernetwindow::IpDest, true);
        t.grid->setCell(row, ethernetwindow::IpDest, QStringLiteral("10.0.0.%1").arg(row), true);
        benchmark::DoNotOptimize(t.grid->image().constBits());
    }
}
BENCHMARK(BM_PortTableCellRepaint);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
