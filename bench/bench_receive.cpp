// Cost of one received reply on the receive path a network read takes: from the block's bytes
// through framing, splitting and the handler to the updated controls and the redrawn gauges.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <memory>
#include <vector>

#include "App.h"

namespace {

/// The console the benchmarks feed; created once in main().
App* g_app = nullptr;

constexpr int kBlockVariants = 256;

struct PointingBlock {
    QByteArray bytes;
    float azimuthDeg;
    float elevationDeg;
};

/// Pointing replies whose angles sweep both axes, so every needle position and readout is drawn.
std::vector<PointingBlock> pointingBlocks(bool serial) {
    std::vector<PointingBlock> out;
    out.reserve(kBlockVariants);
    for (int i = 0; i < kBlockVariants; ++i) {
        const int azimuthTenths = (i * 1409) % 3601;
        const int elevationTenths = (i * 677) % 1801 - 900;
        QByteArray text =
            "< DXYPV " + QByteArray::number(azimuthTenths) + ' ' +
            QByteArray::number(elevationTenths) + ' ' + QByteArray::number(415678901 + i * 37) +
            ' ' + QByteArray::number(-37654321 - i * 53) + ' ' + QByteArray::number(120 + i % 9) +
            ' ' + QByteArray::number(i % 64) + ' ' + QByteArray::number(0x22) + " OK";
        if (serial) text += "@25<PC";
        out.push_back({text, float(azimuthTenths) / 10.0f, float(elevationTenths) / 10.0f});
    }
    return out;
}

std::vector<QByteArray> statusBlocks() {
    std::vector<QByteArray> out;
    out.reserve(kBlockVariants);
    for (int i = 0; i < kBlockVariants; ++i) {
        out.push_back("< STAT " + QByteArray::number(i % 50) + ' ' + QByteArray::number(-(i % 30)) +
                      " 25 " + QByteArray::number(i & 1) + ' ' + QByteArray::number(i % 5) +
                      " 415678901 -37654321 " + QByteArray::number(100 + i % 7) + " 45 5 " +
                      QByteArray::number(i & 1) + ' ' + QByteArray::number((i >> 1) & 1) + ' ' +
                      QByteArray::number(i % 16) + ' ' + QByteArray::number(12000 + i * 10) + ' ' +
                      QByteArray::number(20 + i % 10) + ' ' + QByteArray::number(1500 + i) + ' ' +
                      QByteArray::number(i % 6) + " OK");
    }
    return out;
}

/// A mismatch between what was fed and what the state shows makes the figure meaningless.
bool sameAngle(float a, float b) {
    return std::fabs(a - b) < 0.01f;
}

void runPointing(benchmark::State& state, LinkKind kind, bool paint) {
    App& app = *g_app;
    app.link().setKind(kind);
    const std::vector<PointingBlock> blocks = pointingBlocks(kind == LinkKind::Serial);
    const int before = app.repliesHandled();
    std::size_t i = 0;
    for (auto _ : state) {
        const PointingBlock& b = blocks[i++ % blocks.size()];
        app.processReceivedChunk(b.bytes);
        // The picture control's repaint is queued; flushing it puts the pixels on the screen.
        if (paint) QCoreApplication::processEvents();
        benchmark::DoNotOptimize(app.gauges().image().constBits());
    }
    const PointingBlock& last = blocks[(i - 1) % blocks.size()];
    if (app.repliesHandled() - before != int(state.iterations()))
        state.SkipWithError("not every pointing reply reached the parser");
    else if (!sameAngle(app.tracker().azimuthDeg, last.azimuthDeg) ||
             !sameAngle(app.tracker().elevationDeg, last.elevationDeg))
        state.SkipWithError("the tracker state does not show the last pointing reply");
    app.link().setKind(LinkKind::None);
}

void BM_PointingReplyNetwork(benchmark::State& state) {
    runPointing(state, LinkKind::Udp, false);
}
BENCHMARK(BM_PointingReplyNetwork);

void BM_PointingReplySerial(benchmark::State& state) {
    runPointing(state, LinkKind::Serial, false);
}
BENCHMARK(BM_PointingReplySerial);

/// The same, with the queued repaint of the window done before the next block.
void BM_PointingReplyPainted(benchmark::State& state) {
    runPointing(state, LinkKind::Udp, true);
}
BENCHMARK(BM_PointingReplyPainted);

void BM_StatusReply(benchmark::State& state) {
    App& app = *g_app;
    app.link().setKind(LinkKind::Udp);
    const std::vector<QByteArray> blocks = statusBlocks();
    const int before = app.repliesHandled();
    std::size_t i = 0;
    for (auto _ : state) {
        app.processReceivedChunk(blocks[i++ % blocks.size()]);
        benchmark::DoNotOptimize(app.tracker().alarmFlags);
    }
    const qint64 lastAlarm = qint64((i - 1) % blocks.size() % 16);
    if (app.repliesHandled() - before != int(state.iterations()))
        state.SkipWithError("not every status reply reached the parser");
    else if (app.tracker().alarmFlags != lastAlarm)
        state.SkipWithError("the tracker state does not show the last status reply");
    app.link().setKind(LinkKind::None);
}
BENCHMARK(BM_StatusReply);

/// A block that is no reply: it only reaches the console (with its " <" mark).
void BM_UnparsedBlock(benchmark::State& state) {
    App& app = *g_app;
    app.link().setKind(LinkKind::Udp);
    const QByteArray block = "DXYPV 1234 255 415678901 -37654321 120 200 34";
    const int before = app.repliesHandled();
    for (auto _ : state) app.processReceivedChunk(block);
    if (app.repliesHandled() != before) state.SkipWithError("an unframed block was parsed");
    app.link().setKind(LinkKind::None);
}
BENCHMARK(BM_UnparsedBlock);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        QFile::setPermissions(runtime.path(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    QApplication qtApp(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    QTemporaryDir resources;
    if (!resources.isValid()) return 1;
    auto app = std::make_unique<App>(AppOptions{resources.path(), std::nullopt, {}});
    app->start();
    QCoreApplication::processEvents();
    g_app = app.get();

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_app = nullptr;
    app.reset();
    return 0;
}
