// The flight record's reader on arbitrary bytes, with the default limits and with limits small
// enough for the input to pass them: every line it keeps is one that reads on its own, a record
// without a bad line keeps every line, the reported line exists, and every sample it gives is
// free of NaN and written back as a row that reads as the same row.

#include <QByteArray>
#include <QList>
#include <QString>
#include <cmath>
#include <cstdint>

#include "FlightRecord.h"
#include "Invariant.h"
#include "RecordReader.h"

using namespace tracking;

namespace {

QString shown(QByteArrayView b) { return QString::fromLatin1(b.toByteArray().toPercentEncoding()); }

bool finite(const std::optional<GeoPoint>& p)
{
    return !p || (std::isfinite(p->latDeg) && std::isfinite(p->lonDeg) && std::isfinite(p->heightM));
}

bool finite(const std::optional<double>& v) { return !v || std::isfinite(*v); }

void checkSample(const TrackSample& s, const QString& ctx)
{
    CHECK(bool(s.antennaAzDeg) == bool(s.antennaElDeg), ctx);
    CHECK(!s.antennaAzDeg || (std::isfinite(*s.antennaAzDeg) && std::isfinite(*s.antennaElDeg)), ctx);
    CHECK(finite(s.vehicle) && finite(s.origin), ctx);
    CHECK(finite(s.pointingErrorDeg) && finite(s.supplyV) && finite(s.temperatureC), ctx);
    CHECK(bool(s.los) == (s.vehicle && s.origin), ctx);
    if (s.los) {
        const LineOfSight& l = *s.los;
        for (const double v : {l.eastM, l.northM, l.upM, l.slantRangeM, l.groundRangeM,
                               l.azimuthDeg, l.elevationDeg})
            CHECK(std::isfinite(v), ctx);
    }
    CHECK(bool(s.pointingErrorDeg) == (s.los && s.los->hasDirection), ctx);

    const QByteArray row = formatRow(s);
    CHECK(row.size() <= kMaxRecordLineBytes, ctx + " written as " + shown(row));
    const RecordReadResult again = parseRecord(recordHeader() + row);
    CHECK(again.firstBadLine == 0 && again.samples.size() == 1, ctx + " written as " + shown(row));
    CHECK(formatRow(again.samples[0]) == row, ctx + " written as " + shown(row));
}

/// Lines as the record counts them: one per LF, and one for bytes after the last LF.
qsizetype lineCount(QByteArrayView bytes)
{
    const qsizetype lf = bytes.count('\n');
    return lf + (!bytes.isEmpty() && !bytes.endsWith('\n') ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype lines = lineCount(bytes);
    const RecordLimits small{qsizetype(size) * 2 / 3, 2};

    for (const bool limited : {false, true}) {
        const RecordLimits limits = limited ? small : RecordLimits{};
        const RecordReadResult r = parseRecord(bytes, limits);
        const QString ctx = shown(bytes) + QStringLiteral(" read with limits %1 bytes, %2 rows")
                                               .arg(limits.maxBytes)
                                               .arg(limits.maxRows);
        CHECK(qsizetype(r.samples.size()) <= std::max<qsizetype>(lines - 1, 0), ctx);
        CHECK(qsizetype(r.samples.size()) <= limits.maxRows, ctx);
        CHECK(r.firstBadLine >= 0 && r.firstBadLine <= std::max<qsizetype>(lines, 1), ctx);
        CHECK(r.problem.isEmpty() == (r.firstBadLine == 0), ctx + " says " + r.problem);
        CHECK(!r.truncated || r.firstBadLine != 0, ctx);
        const bool pastLimit = qsizetype(size) > limits.maxBytes || lines - 1 > limits.maxRows;
        CHECK(!r.truncated || pastLimit, ctx);
        if (r.firstBadLine != 1) CHECK(r.truncated == pastLimit, ctx);
        if (r.firstBadLine == 0) CHECK(qsizetype(r.samples.size()) == lines - 1, ctx);
        for (const TrackSample& s : r.samples) checkSample(s, ctx);

        if (!limited && r.firstBadLine != 1) {
            // Line by line, the long way: each line after the header alone under the header.
            QList<QByteArray> split = bytes.toByteArray().split('\n');
            if (bytes.endsWith('\n')) split.removeLast();
            std::size_t good = 0;
            for (qsizetype i = 1; i < split.size(); ++i)
                good += parseRecord(recordHeader() + split[i] + '\n').samples.size();
            CHECK(r.samples.size() == good, ctx);
        }
    }
    return 0;
}
