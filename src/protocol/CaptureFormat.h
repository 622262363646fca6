#pragma once
// The traffic capture file: one line per command sent or block received,
//
//     2026-12-08T09:16:40.123Z tx udp DXYPV
//     2026-12-08T09:16:40.131Z rx udp < DXYPV 1234 -56 OK
//
// the time (UTC, milliseconds), the direction (tx: to the tracker, rx: from it), the link
// (com, udp, tcp) and, after one blank, the bytes exactly as they crossed the link. Printable
// ASCII stays as it is; "\" becomes "\\", CR, LF and TAB become \r \n \t and every other byte
// \xHH, and so does a blank that ends the bytes (so that no editor can drop it). Lines that
// start with "#" are comments.

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>
#include <optional>

namespace capture {

enum class Direction { Sent, Received };
enum class Link { Serial, Udp, Tcp };

struct Record {
    qint64 msSinceEpoch = 0;
    Direction direction = Direction::Sent;
    Link link = Link::Udp;
    QByteArray bytes;

    friend bool operator==(const Record&, const Record&) = default;
};

/// The first line of every capture the console starts.
inline constexpr QByteArrayView kHeader = "# antenna-tracker-studio capture, format 1";

QByteArray escape(QByteArrayView bytes);
/// Undoes `escape`; nothing for an unknown or cut-off escape or a byte outside printable ASCII.
std::optional<QByteArray> unescape(QByteArrayView text);

/// One record as a line, without the line end.
QByteArray formatLine(const Record& record);
/// One line (a trailing CR or LF is ignored) as a record; nothing for comments, blank lines and
/// anything malformed.
std::optional<Record> parseLine(QByteArrayView line);

}  // namespace capture
