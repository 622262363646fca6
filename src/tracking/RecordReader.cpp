#include "RecordReader.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <charconv>
#include <cstring>
#include <optional>

#include "FlightRecord.h"

namespace tracking {

namespace {

/// Longer cells are no cells of this format.
constexpr qsizetype kMaxCellBytes = 32;
/// Farther than any two usable positions are apart.
constexpr double kMaxRangeM = 1e8;

enum Column {
    kTime, kLink, kAntennaAz, kAntennaEl, kVehicleLat, kVehicleLon, kVehicleAlt, kOriginLat,
    kOriginLon, kOriginAlt, kLosAz, kLosEl, kSlant, kGround, kError, kFlags, kSupply, kTemperature
};

enum class Cell { Empty, Bad, Value };

bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// "-"?, digits, and when `decimals` > 0 "." and exactly that many digits, within lo..hi.
Cell fixedCell(QByteArrayView c, int decimals, double lo, double hi, double* out)
{
    if (c.isEmpty()) return Cell::Empty;
    if (c.size() > kMaxCellBytes) return Cell::Bad;
    qsizetype i = c.front() == '-' ? 1 : 0;
    const qsizetype digits = i;
    while (i < c.size() && isDigit(c[i])) ++i;
    if (i == digits) return Cell::Bad;
    if (decimals > 0) {
        if (c.size() - i != decimals + 1 || c[i] != '.') return Cell::Bad;
        for (++i; i < c.size(); ++i)
            if (!isDigit(c[i])) return Cell::Bad;
    } else if (i != c.size()) {
        return Cell::Bad;
    }
    double v = 0;
    const auto [end, ec] =
        std::from_chars(c.data(), c.data() + c.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != c.data() + c.size() || !(v >= lo && v <= hi)) return Cell::Bad;
    *out = v + 0.0;  // no negative zero
    return Cell::Value;
}

class RowReader {
public:
    explicit RowReader(std::optional<Observer>& observer) : m_observer(observer) {}

    /// The sample on `line`, or empty with the reason in `why`.
    std::optional<TrackSample> read(QByteArrayView line, QString* why);

private:
    bool split(QByteArrayView line, QString* why);
    /// A cell the row can go without: false (with `why`) when it is there but bad.
    bool optionalCell(Column c, int decimals, double lo, double hi, std::optional<double>* out,
                      QString* why) const;
    bool position(Column first, const char* which, std::optional<GeoPoint>* out,
                  QString* why) const;

    std::optional<Observer>& m_observer;
    std::array<QByteArrayView, kRecordColumns> m_cells;
};

QString columnProblem(Column c, const char* what)
{
    return QStringLiteral("%1 %2.").arg(QLatin1String(recordColumnName(c)), QLatin1String(what));
}

bool RowReader::split(QByteArrayView line, QString* why)
{
    if (line.isEmpty()) {
        *why = QStringLiteral("empty line.");
        return false;
    }
    int fields = 0;
    qsizetype from = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i < line.size() && line[i] != ',') continue;
        if (fields < kRecordColumns) m_cells[std::size_t(fields)] = line.sliced(from, i - from);
        ++fields;
        from = i + 1;
    }
    if (fields == kRecordColumns) return true;
    *why = QStringLiteral("%1 %2, %3 expected.")
               .arg(fields)
               .arg(fields == 1 ? QLatin1String("field") : QLatin1String("fields"))
               .arg(kRecordColumns);
    return false;
}

bool RowReader::optionalCell(Column c, int decimals, double lo, double hi,
                             std::optional<double>* out, QString* why) const
{
    double v = 0;
    switch (fixedCell(m_cells[c], decimals, lo, hi, &v)) {
    case Cell::Empty:
        out->reset();
        return true;
    case Cell::Value:
        *out = v;
        return true;
    case Cell::Bad:
        break;
    }
    *why = columnProblem(c, "is not valid");
    return false;
}

bool RowReader::position(Column first, const char* which, std::optional<GeoPoint>* out,
                         QString* why) const
{
    std::optional<double> lat, lon, alt;
    if (!optionalCell(first, 7, -90, 90, &lat, why) ||
        !optionalCell(Column(first + 1), 7, -180, 180, &lon, why) ||
        !optionalCell(Column(first + 2), 2, -1e7, 1e7, &alt, why))
        return false;
    if (lat && lon && alt) {
        *out = GeoPoint{*lat, *lon, *alt};
    } else if (lat || lon || alt) {
        *why = QStringLiteral("the %1 position is incomplete.").arg(QLatin1String(which));
        return false;
    }
    return true;
}

std::optional<TrackSample> RowReader::read(QByteArrayView line, QString* why)
{
    if (!split(line, why)) return std::nullopt;
    TrackSample s;

    const std::optional<qint64> time = parseUtc(m_cells[kTime]);
    if (!time) {
        *why = columnProblem(kTime, m_cells[kTime].isEmpty() ? "is missing" : "is not valid");
        return std::nullopt;
    }
    s.utcMs = *time;

    const QByteArrayView link = m_cells[kLink];
    if (link == "com") {
        s.link = LinkTag::Com;
    } else if (link == "udp") {
        s.link = LinkTag::Udp;
    } else if (link == "tcp") {
        s.link = LinkTag::Tcp;
    } else if (!link.isEmpty()) {
        *why = columnProblem(kLink, "is not valid");
        return std::nullopt;
    }

    std::optional<double> losAz, losEl, slant, ground;
    if (!optionalCell(kAntennaAz, 4, 0, 360, &s.antennaAzDeg, why) ||
        !optionalCell(kAntennaEl, 4, -90, 90, &s.antennaElDeg, why) ||
        !position(kVehicleLat, "vehicle", &s.vehicle, why) ||
        !position(kOriginLat, "origin", &s.origin, why) ||
        !optionalCell(kLosAz, 4, 0, 360, &losAz, why) ||
        !optionalCell(kLosEl, 4, -90, 90, &losEl, why) ||
        !optionalCell(kSlant, 2, 0, kMaxRangeM, &slant, why) ||
        !optionalCell(kGround, 2, 0, kMaxRangeM, &ground, why) ||
        !optionalCell(kError, 4, 0, 180, &s.pointingErrorDeg, why) ||
        !optionalCell(kSupply, 3, -kMaxSupplyV, kMaxSupplyV, &s.supplyV, why) ||
        !optionalCell(kTemperature, 1, -kMaxTemperatureC, kMaxTemperatureC, &s.temperatureC, why))
        return std::nullopt;

    const QByteArrayView flags = m_cells[kFlags];
    const auto [flagsEnd, flagsError] =
        std::from_chars(flags.data(), flags.data() + flags.size(), s.trackerFlags);
    if (flags.isEmpty() || flagsError != std::errc() || flagsEnd != flags.data() + flags.size()) {
        *why = columnProblem(kFlags, flags.isEmpty() ? "is missing" : "is not valid");
        return std::nullopt;
    }

    // The cells of the line of sight are there exactly when the record's writer had them.
    const bool geometry = s.vehicle && s.origin;
    if (bool(slant) != geometry || bool(ground) != geometry || bool(losAz) != bool(losEl) ||
        (losAz && !geometry)) {
        *why = QStringLiteral("the line of sight does not match the positions.");
        return std::nullopt;
    }
    if (bool(s.antennaAzDeg) != bool(s.antennaElDeg)) {
        *why = QStringLiteral("the antenna's azimuth and elevation do not go together.");
        return std::nullopt;
    }
    if (bool(s.pointingErrorDeg) != (losAz && s.antennaAzDeg)) {
        *why = QStringLiteral("the pointing error does not match the line of sight.");
        return std::nullopt;
    }
    if (geometry) {
        const GeoPoint& o = *s.origin;
        if (!m_observer || m_observer->origin().latDeg != o.latDeg ||
            m_observer->origin().lonDeg != o.lonDeg || m_observer->origin().heightM != o.heightM)
            m_observer.emplace(o);
        LineOfSight los = m_observer->sight(*s.vehicle).value_or(LineOfSight{});
        los.slantRangeM = *slant;
        los.groundRangeM = *ground;
        los.hasDirection = bool(losAz);
        los.azimuthDeg = losAz.value_or(0.0);
        los.elevationDeg = losEl.value_or(0.0);
        s.los = los;
    }
    return s;
}

}  // namespace

RecordReadResult parseRecord(QByteArrayView bytes, const RecordLimits& limits)
{
    RecordReadResult r;
    const auto bad = [&r](qsizetype line, const QString& why) {
        if (r.firstBadLine != 0) return;
        r.firstBadLine = int(line);
        r.problem = QStringLiteral("Line %1: %2").arg(line).arg(why);
    };
    const auto truncate = [&r, &bad](qsizetype line, const QString& why) {
        r.truncated = true;
        const QString text = why + QStringLiteral("; only the lines before it are read.");
        if (r.firstBadLine == 0)
            bad(line, text);
        else
            r.problem += QStringLiteral(" Line %1: %2").arg(line).arg(text);
    };
    const auto size = [](qsizetype bytes) {
        return bytes % (1 << 20) == 0 && bytes > 0 ? QStringLiteral("%1 MiB").arg(bytes >> 20)
                                                   : QStringLiteral("%1 bytes").arg(bytes);
    };

    const bool cut = bytes.size() > limits.maxBytes;
    const qsizetype end = cut ? std::max<qsizetype>(limits.maxBytes, 0) : bytes.size();
    qsizetype pos = bytes.startsWith("\xEF\xBB\xBF") && end >= 3 ? 3 : 0;
    qsizetype lineNo = 0;
    const QByteArray header = recordHeader().chopped(1);
    std::optional<Observer> observer;
    RowReader rows(observer);

    while (pos < end || (lineNo == 0 && !cut)) {
        if (lineNo > limits.maxRows) {
            truncate(lineNo + 1, QStringLiteral("the record has more than %1 rows")
                                     .arg(limits.maxRows));
            return r;
        }
        const void* lf = pos < end ? std::memchr(bytes.data() + pos, '\n', size_t(end - pos))
                                   : nullptr;
        if (!lf && cut) break;  // the line goes on past the limit
        const qsizetype lineEnd = lf ? static_cast<const char*>(lf) - bytes.data() : end;
        QByteArrayView line = bytes.sliced(pos, lineEnd - pos);
        pos = lineEnd + 1;
        ++lineNo;
        if (line.endsWith('\r')) line.chop(1);

        if (lineNo == 1) {
            if (line != header) {
                bad(1, QStringLiteral("not a flight record: the first line is not its header."));
                return r;
            }
            continue;
        }
        if (line.size() > kMaxRecordLineBytes) {
            bad(lineNo, QStringLiteral("longer than %1 bytes.").arg(kMaxRecordLineBytes));
            continue;
        }
        QString why;
        if (std::optional<TrackSample> s = rows.read(line, &why))
            r.samples.push_back(*s);
        else
            bad(lineNo, why);
    }
    if (cut)
        truncate(lineNo + 1,
                 QStringLiteral("the record is longer than %1").arg(size(limits.maxBytes)));
    return r;
}

RecordReadResult readRecord(const QString& path, const RecordLimits& limits)
{
    // A pipe or a device would be waited on, or read without end: only files are records.
    if (QFileInfo info(path); info.exists() && !info.isFile()) {
        RecordReadResult r;
        r.problem = QStringLiteral("%1 is not a file.").arg(path);
        return r;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        RecordReadResult r;
        r.problem = QStringLiteral("Cannot open %1: %2.").arg(path, file.errorString());
        return r;
    }
    // One byte past the limit tells a record of exactly the limit from a longer one.
    const qint64 want = qint64(limits.maxBytes) + 1;
    QByteArray bytes;
    while (bytes.size() < want) {
        const QByteArray chunk = file.read(std::min<qint64>(want - bytes.size(), 1 << 20));
        if (chunk.isEmpty()) break;
        bytes += chunk;
    }
    if (file.error() != QFileDevice::NoError) {
        RecordReadResult r;
        r.problem = QStringLiteral("Cannot read %1: %2.").arg(path, file.errorString());
        return r;
    }
    return parseRecord(bytes, limits);
}

}  // namespace tracking
