// The pure parts of the receive path alone: the framing filter, the word splitter and the
// number rules, without widgets.

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QString>
#include <vector>

#include "Coordinates.h"
#include "Framing.h"
#include "Numbers.h"

namespace {

const QByteArray kPointing = "< DXYPV 1234 255 415678901 -37654321 120 200 34 OK";
const QByteArray kStatus =
    "< STAT 123 -5 25 1 2 415678901 -37654321 100 45 5 1 0 3 12345 25 1500 4 OK";

void BM_FrameBlockNetwork(benchmark::State& state) {
    for (auto _ : state) {
        FramedBlock b = frameBlock(kPointing, false);
        benchmark::DoNotOptimize(b.reply.constData());
    }
    if (!frameBlock(kPointing, false).parse)
        state.SkipWithError("the pointing reply was not framed");
}
BENCHMARK(BM_FrameBlockNetwork);

void BM_FrameBlockSerial(benchmark::State& state) {
    const QByteArray serial = kPointing + "@25<PC";
    for (auto _ : state) {
        FramedBlock b = frameBlock(serial, true);
        benchmark::DoNotOptimize(b.reply.constData());
    }
    if (!frameBlock(serial, true).parse) state.SkipWithError("the serial reply was not framed");
}
BENCHMARK(BM_FrameBlockSerial);

void BM_FrameAndSplit(benchmark::State& state) {
    const QByteArray& block = state.range(0) == 0 ? kPointing : kStatus;
    const int words = state.range(0) == 0 ? 9 : 19;
    ReplyFields fields;
    for (auto _ : state) {
        const FramedBlock b = frameBlock(block, false);
        splitReplyFields(b.reply, u' ', fields);
        benchmark::DoNotOptimize(fields[1].constData());
    }
    if (fields[words] != u"OK" || !fields[words + 1].isEmpty())
        state.SkipWithError("the reply split into the wrong words");
}
BENCHMARK(BM_FrameAndSplit)->Arg(0)->Arg(1)->ArgName("status");

void BM_SplitReplyFields(benchmark::State& state) {
    const QString reply = QString::fromLatin1(kPointing).remove(QLatin1String("< "));
    ReplyFields fields;
    for (auto _ : state) {
        splitReplyFields(reply, u' ', fields);
        benchmark::DoNotOptimize(fields[1].constData());
    }
    if (fields[2] != u"1234") state.SkipWithError("F2 is not 1234");
}
BENCHMARK(BM_SplitReplyFields);

std::vector<QString> integerTexts() {
    return {QStringLiteral("1234"),
            QStringLiteral("-37654321"),
            QStringLiteral("415678901"),
            QStringLiteral("12.7"),
            QString(),
            QStringLiteral("  +42x"),
            QStringLiteral("200")};
}

void BM_ReadInt(benchmark::State& state) {
    const std::vector<QString> texts = integerTexts();
    qint64 sum = 0;
    for (auto _ : state) {
        for (const QString& t : texts) sum += num::readInt(t);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * qint64(texts.size()));
    if (num::readInt(u"12.7") != 12 || num::readInt(u"-37654321") != -37654321)
        state.SkipWithError("readInt reads wrongly");
}
BENCHMARK(BM_ReadInt);

void BM_ReadDecimal(benchmark::State& state) {
    const std::vector<QString> texts = {QStringLiteral("1234"), QStringLiteral("-1000"),
                                        QStringLiteral("12.5"), QStringLiteral("12345"),
                                        QStringLiteral("NaN"),  QStringLiteral("-0.25"),
                                        QStringLiteral("abc")};
    float sum = 0;
    for (auto _ : state) {
        for (const QString& t : texts) sum += num::readDecimal(t);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * qint64(texts.size()));
    if (num::readDecimal(u"12.5") != 12.5f) state.SkipWithError("readDecimal reads wrongly");
}
BENCHMARK(BM_ReadDecimal);

void BM_WriteFixed(benchmark::State& state) {
    const int decimals = int(state.range(0));
    double v = 0.0;
    for (auto _ : state) {
        QString s = num::writeFixed(v, decimals);
        benchmark::DoNotOptimize(s.constData());
        v += 12.345;
        if (v > 400.0) v = 0.0;
    }
    if (num::writeFixed(12.34, 1) != u"12.3") state.SkipWithError("writeFixed writes wrongly");
}
BENCHMARK(BM_WriteFixed)->Arg(1)->Arg(3)->ArgName("decimals");

void BM_WriteInt(benchmark::State& state) {
    qint64 v = -37654321;
    for (auto _ : state) {
        QString s = num::writeInt(v);
        benchmark::DoNotOptimize(s.constData());
        v += 7919;
    }
}
BENCHMARK(BM_WriteInt);

void BM_FormatCoordinate(benchmark::State& state) {
    const std::vector<QString> texts = {QStringLiteral("415678901"), QStringLiteral("-37654321"),
                                        QStringLiteral("-1234567"), QStringLiteral("5")};
    for (auto _ : state) {
        for (const QString& t : texts) {
            QString s = formatCoordinate(t);
            benchmark::DoNotOptimize(s.constData());
        }
    }
    state.SetItemsProcessed(state.iterations() * qint64(texts.size()));
    if (formatCoordinate(u"-1234567") != QStringLiteral("-0.1234567\u00BA"))
        state.SkipWithError("formatCoordinate writes wrongly");
}
BENCHMARK(BM_FormatCoordinate);

void BM_ParseCoordinate(benchmark::State& state) {
    const QString text = QStringLiteral("41.5678901\u00BA");
    for (auto _ : state) {
        QString s = parseCoordinate(text);
        benchmark::DoNotOptimize(s.constData());
    }
    if (parseCoordinate(text) != u"415678901") state.SkipWithError("parseCoordinate reads wrongly");
}
BENCHMARK(BM_ParseCoordinate);

}  // namespace

BENCHMARK_MAIN();
