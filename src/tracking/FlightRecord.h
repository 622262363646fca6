#pragma once
// The flight record: a CSV file of one row per pointing reply, UTF-8, LF line ends, one header
// line, "," between cells and "." as the decimal point in every locale. An unknown value is an
// empty cell. The columns, in order:
//
//   time_utc            2026-12-08T21:11:15.123Z (UTC, milliseconds)
//   link                com, udp, tcp or empty
//   antenna_az_deg      antenna_el_deg                                      4 decimals
//   vehicle_lat_deg     vehicle_lon_deg      origin_lat_deg  origin_lon_deg 7 decimals
//   vehicle_alt_m       origin_alt_m                                        2 decimals
//   los_az_deg          los_el_deg                                          4 decimals
//   slant_range_m       ground_range_m                                      2 decimals
//   pointing_error_deg                                                      4 decimals
//   tracker_flags                                                           integer
//   supply_v                                                                3 decimals
//   temperature_c                                                           1 decimal
//
// The line of sight's east, north and up are not recorded: they follow from the two positions.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>
#include <optional>

#include "TrackSample.h"

namespace tracking {

inline constexpr int kRecordColumns = 18;

/// The header line, with its LF.
QByteArray recordHeader();

/// The name of column 0..17 in the header; empty for any other number.
QByteArrayView recordColumnName(int column);

/// One row, with its LF. A value that is not finite or does not fit its column is written as an
/// empty cell; a negative zero is written as zero.
QByteArray formatRow(const TrackSample& sample);

/// "2026-12-08T21:11:15.123Z". Times before year 0 or after year 9999 are written as the first
/// or last millisecond of that range.
QByteArray formatUtc(qint64 utcMs);

/// The time formatUtc writes, back; empty unless the text has exactly that form and is a real
/// date and time of day.
std::optional<qint64> parseUtc(QByteArrayView text);

/// Writes a flight record. Rows are buffered and handed to the system by flush(), which the
/// caller runs on a timer; nothing waits for the disk (no fsync). The file never ends inside a
/// row: when a write fails, the file is cut back to its last whole row and the writer stops.
class RecordWriter {
public:
    /// Creates `path` (never an existing file: that is left untouched) and writes the header.
    /// Null, with the reason in `error`, when it cannot.
    static std::unique_ptr<RecordWriter> create(const QString& path, QString* error);

    /// Flushes; errors are ignored here.
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    /// Adds one row to the buffer (flushing it when it has grown large). False once the writer
    /// has failed.
    bool append(const TrackSample& sample);

    /// Writes the buffered rows. False when a write fails (the error is kept) and on every call
    /// after that.
    bool flush();

    /// Rows accepted: in the file or in the buffer. After a failure, the whole rows in the file
    /// (none once the file has been deleted).
    qint64 rows() const { return m_fileRows + m_bufferedRows; }
    QString path() const { return m_path; }
    QString errorText() const { return m_error; }
    bool failed() const { return m_failed; }

    /// "flight-20261208-211115.csv": the UTC time, to the second.
    static QString defaultFileName(qint64 utcMs);

private:
    RecordWriter(int fd, const QString& path, qint64 size);

    int m_fd = -1;
    QString m_path;
    QByteArray m_buffer;
    qint64 m_fileBytes = 0;  ///< the header and whole rows, all in the file
    qint64 m_fileRows = 0;
    qint64 m_bufferedRows = 0;
    QString m_error;
    bool m_failed = false;
};

}  // namespace tracking
