#include "FlightRecord.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

namespace tracking {

namespace {

constexpr std::array<const char*, kRecordColumns> kColumnNames = {
    "time_utc",        "link",           "antenna_az_deg",  "antenna_el_deg",
    "vehicle_lat_deg", "vehicle_lon_deg", "vehicle_alt_m",  "origin_lat_deg",
    "origin_lon_deg",  "origin_alt_m",   "los_az_deg",      "los_el_deg",
    "slant_range_m",   "ground_range_m", "pointing_error_deg", "tracker_flags",
    "supply_v",        "temperature_c"};

/// The buffer is handed to the system at this size even before the caller's flush.
constexpr qsizetype kFlushBytes = 1 << 20;

constexpr qint64 kMsPerDay = 86'400'000;

/// Days since 1970-01-01 of a date in the proleptic Gregorian calendar (H. Hinnant's algorithm).
constexpr qint64 daysFromCivil(qint64 y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

constexpr qint64 kFirstMs = daysFromCivil(0, 1, 1) * kMsPerDay;
constexpr qint64 kLastMs = daysFromCivil(9999, 12, 31) * kMsPerDay + kMsPerDay - 1;

struct UtcParts {
    unsigned year, month, day, hour, minute, second, ms;
};

UtcParts utcParts(qint64 utcMs)
{
    const qint64 t = std::clamp(utcMs, kFirstMs, kLastMs);
    qint64 z = t / kMsPerDay;
    qint64 msOfDay = t % kMsPerDay;
    if (msOfDay < 0) {
        msOfDay += kMsPerDay;
        --z;
    }
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned month = mp < 10 ? mp + 3 : mp - 9;
    const auto ms = unsigned(msOfDay);
    return {unsigned(qint64(yoe) + era * 400 + (month <= 2)), month, doy - (153 * mp + 2) / 5 + 1,
            ms / 3'600'000, ms / 60'000 % 60, ms / 1000 % 60, ms % 1000};
}

void appendDigits(QByteArray& out, unsigned v, int width)
{
    char b[10];
    for (int i = width - 1; i >= 0; --i, v /= 10) b[i] = char('0' + v % 10);
    out.append(b, width);
}

void appendUtc(QByteArray& out, qint64 utcMs)
{
    const UtcParts p = utcParts(utcMs);
    appendDigits(out, p.year, 4);
    out += '-';
    appendDigits(out, p.month, 2);
    out += '-';
    appendDigits(out, p.day, 2);
    out += 'T';
    appendDigits(out, p.hour, 2);
    out += ':';
    appendDigits(out, p.minute, 2);
    out += ':';
    appendDigits(out, p.second, 2);
    out += '.';
    appendDigits(out, p.ms, 3);
    out += 'Z';
}

/// `v` with `decimals` digits after the point, "-0.00" written as "0.00"; nothing when `v` is not
/// finite or too long for a cell.
void appendFixed(QByteArray& out, double v, int decimals)
{
    if (!std::isfinite(v)) return;
    char b[48];
    const auto [end, ec] = std::to_chars(b, b + sizeof b, v, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return;
    const char* begin = b;
    if (*begin == '-' && std::all_of(b + 1, end, [](char c) { return c == '0' || c == '.'; }))
        ++begin;
    out.append(begin, end - begin);
}

void appendOptional(QByteArray& out, const std::optional<double>& v, int decimals)
{
    if (v) appendFixed(out, *v, decimals);
    out += ',';
}

void appendPosition(QByteArray& out, const std::optional<GeoPoint>& p)
{
    if (p) {
        appendFixed(out, p->latDeg, 7);
        out += ',';
        appendFixed(out, p->lonDeg, 7);
        out += ',';
        appendFixed(out, p->heightM, 2);
        out += ',';
    } else {
        out += ",,,";
    }
}

void appendRow(QByteArray& out, const TrackSample& s)
{
    appendUtc(out, s.utcMs);
    out += ',';
    out += linkText(s.link);
    out += ',';
    appendOptional(out, s.antennaAzDeg, 4);
    appendOptional(out, s.antennaElDeg, 4);
    appendPosition(out, s.vehicle);
    appendPosition(out, s.origin);
    if (s.los) {
        if (s.los->hasDirection) {
            appendFixed(out, s.los->azimuthDeg, 4);
            out += ',';
            appendFixed(out, s.los->elevationDeg, 4);
            out += ',';
        } else {
            out += ",,";
        }
        appendFixed(out, s.los->slantRangeM, 2);
        out += ',';
        appendFixed(out, s.los->groundRangeM, 2);
        out += ',';
    } else {
        out += ",,,,";
    }
    appendOptional(out, s.pointingErrorDeg, 4);
    char b[24];
    const auto flags = std::to_chars(b, b + sizeof b, s.trackerFlags);
    out.append(b, flags.ptr - b);
    out += ',';
    appendOptional(out, s.supplyV, 3);
    if (s.temperatureC) appendFixed(out, *s.temperatureC, 1);
    out += '\n';
}

QString systemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

/// Writes all of `bytes`, retrying after partial writes and interruptions. On failure, the errno
/// value; `written` is what reached the file either way.
int writeAll(int fd, QByteArrayView bytes, qsizetype* written)
{
    *written = 0;
    while (*written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + *written, size_t(bytes.size() - *written));
        if (n > 0) {
            *written += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return n < 0 ? errno : EIO;  // a regular file that takes nothing is broken
        }
    }
    return 0;
}

}  // namespace

QByteArray recordHeader()
{
    QByteArray h;
    for (int i = 0; i < kRecordColumns; ++i) {
        if (i) h += ',';
        h += kColumnNames[std::size_t(i)];
    }
    return h + '\n';
}

QByteArrayView recordColumnName(int column)
{
    if (column < 0 || column >= kRecordColumns) return {};
    return QByteArrayView(kColumnNames[std::size_t(column)]);
}

QByteArray formatRow(const TrackSample& sample)
{
    QByteArray row;
    row.reserve(256);
    appendRow(row, sample);
    return row;
}

QByteArray formatUtc(qint64 utcMs)
{
    QByteArray out;
    out.reserve(24);
    appendUtc(out, utcMs);
    return out;
}

std::optional<qint64> parseUtc(QByteArrayView text)
{
    static constexpr char kPattern[] = "dddd-dd-ddTdd:dd:dd.dddZ";
    if (text.size() != qsizetype(sizeof kPattern - 1)) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char want = kPattern[i], c = text[i];
        if (want == 'd' ? (c < '0' || c > '9') : c != want) return std::nullopt;
    }
    const auto number = [&](qsizetype from, qsizetype n) {
        unsigned v = 0;
        for (qsizetype i = from; i < from + n; ++i) v = v * 10 + unsigned(text[i] - '0');
        return v;
    };
    const unsigned year = number(0, 4), month = number(5, 2), day = number(8, 2);
    const unsigned hour = number(11, 2), minute = number(14, 2), second = number(17, 2);
    const unsigned ms = number(20, 3);
    if (month < 1 || month > 12 || day < 1 || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (day > kDays[month - 1] + (month == 2 && leap)) return std::nullopt;
    return daysFromCivil(year, month, day) * kMsPerDay + qint64(hour) * 3'600'000 +
           qint64(minute) * 60'000 + qint64(second) * 1000 + ms;
}

std::unique_ptr<RecordWriter> RecordWriter::create(const QString& path, QString* error)
{
    const QByteArray name = QFile::encodeName(path);
    // O_EXCL: an existing file, or a link to one, is never opened, let alone overwritten.
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int e = errno;
        if (error)
            *error = e == EEXIST
                         ? QStringLiteral("%1 already exists.").arg(path)
                         : QStringLiteral("Cannot create %1: %2.").arg(path, systemError(e));
        return nullptr;
    }
    const QByteArray header = recordHeader();
    qsizetype written = 0;
    if (const int e = writeAll(fd, header, &written)) {
        // The file is ours, made a moment ago: a record without its header is no record.
        ::close(fd);
        ::unlink(name.constData());
        if (error) *error = QStringLiteral("Cannot write %1: %2.").arg(path, systemError(e));
        return nullptr;
    }
    return std::unique_ptr<RecordWriter>(new RecordWriter(fd, path, header.size()));
}

RecordWriter::RecordWriter(int fd, const QString& path, qint64 size)
    : m_fd(fd), m_path(path), m_fileBytes(size)
{
}

RecordWriter::~RecordWriter()
{
    flush();
    ::close(m_fd);
}

bool RecordWriter::append(const TrackSample& sample)
{
    if (failed()) return false;
    appendRow(m_buffer, sample);
    ++m_bufferedRows;
    return m_buffer.size() < kFlushBytes || flush();
}

bool RecordWriter::flush()
{
    if (failed()) return false;
    // Writes into a file that was deleted (or whose folder was) still succeed, into a file no
    // one can open: a record that cannot be found afterwards has failed.
    struct stat st {};
    if (::fstat(m_fd, &st) == 0 && st.st_nlink == 0) {
        m_error = QStringLiteral("Cannot write %1: the file has been deleted.").arg(m_path);
        m_failed = true;
        m_fileRows = 0;
        m_buffer.resize(0);
        m_bufferedRows = 0;
        return false;
    }
    if (m_buffer.isEmpty()) return true;
    qsizetype written = 0;
    const int e = writeAll(m_fd, m_buffer, &written);
    if (e == 0) {
        m_fileBytes += m_buffer.size();
        m_fileRows += m_bufferedRows;
    } else {
        // Keep the whole rows that reached the file and cut off the part of the next one.
        const QByteArrayView done = QByteArrayView(m_buffer).first(written);
        const qsizetype whole = done.lastIndexOf('\n') + 1;
        m_fileRows += std::count(done.begin(), done.begin() + whole, '\n');
        m_fileBytes += whole;
        QString text = QStringLiteral("Cannot write %1: %2.").arg(m_path, systemError(e));
        if (whole != written && ::ftruncate(m_fd, m_fileBytes) != 0)
            text +=
                QStringLiteral(" The last row could not be cut off: %1.").arg(systemError(errno));
        m_error = text;
        m_failed = true;
    }
    m_buffer.resize(0);
    m_bufferedRows = 0;
    return e == 0;
}

QString RecordWriter::defaultFileName(qint64 utcMs)
{
    const UtcParts p = utcParts(utcMs);
    QByteArray name = "flight-";
    appendDigits(name, p.year, 4);
    appendDigits(name, p.month, 2);
    appendDigits(name, p.day, 2);
    name += '-';
    appendDigits(name, p.hour, 2);
    appendDigits(name, p.minute, 2);
    appendDigits(name, p.second, 2);
    return QString::fromLatin1(name + ".csv");
}

}  // namespace tracking
