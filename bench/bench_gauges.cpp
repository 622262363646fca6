// Cost of one gauge picture: with the reused background and drawn from scratch.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include "Gauges.h"

namespace {

GaugeInputs inputsFor(int i) {
    GaugeInputs in;
    in.azimuthDeg = float(i % 3600) / 10.0f;
    in.elevationDeg = float(i % 1800) / 10.0f - 90.0f;
    in.supplyVoltageText = (i & 1) ? QStringLiteral("12.3V") : QStringLiteral("16.9V");
    in.temperatureText = QStringLiteral("T:25\u00BAc");
    in.trackerFlags = i & 0x3f;
    return in;
}

void BM_DrawCached(benchmark::State& state) {
    GaugePainter painter;
    int i = 0;
    for (auto _ : state) {
        const QImage& img = painter.draw(inputsFor(i += 7));
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_DrawCached);

void BM_DrawUncached(benchmark::State& state) {
    GaugePainter painter;
    int i = 0;
    for (auto _ : state) {
        QImage img = painter.drawUncached(inputsFor(i += 7));
        benchmark::DoNotOptimize(img.constBits());
    }
}
BENCHMARK(BM_DrawUncached);

}  // namespace

int main(int argc, char** argv) {
    // Text needs a GUI application; the offscreen platform keeps the run headless.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
