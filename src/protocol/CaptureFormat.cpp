#include "CaptureFormat.h"

#include <QDateTime>

namespace capture {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

QByteArrayView directionName(Direction d) { return d == Direction::Sent ? "tx" : "rx"; }

QByteArrayView linkName(Link link)
{
    switch (link) {
    case Link::Serial:
        return "com";
    case Link::Udp:
        return "udp";
    case Link::Tcp:
        return "tcp";
    }
    return "?";
}

}  // namespace

QByteArray escape(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 8);
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const auto u = static_cast<unsigned char>(c);
        const bool lastBlank = c == ' ' && i == bytes.size() - 1;
        if (c == '\\') out += "\\\\";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (u >= 0x20 && u < 0x7F && !lastBlank) out += c;
        else {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

std::optional<QByteArray> unescape(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F) return std::nullopt;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\': out += '\\'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'x': {
            if (i + 2 >= text.size()) return std::nullopt;
            const int hi = hexValue(text[i + 1]);
            const int lo = hexValue(text[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += char(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

QByteArray formatLine(const Record& record)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(record.msSinceEpoch, Qt::UTC);
    QByteArray line = time.toString(Qt::ISODateWithMs).toLatin1();
    line += ' ';
    line += directionName(record.direction);
    line += ' ';
    line += linkName(record.link);
    line += ' ';
    line += escape(record.bytes);
    return line;
}

std::optional<Record> parseLine(QByteArrayView line)
{
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r')) line.chop(1);
    if (line.isEmpty() || line.front() == '#') return std::nullopt;
    // Time, direction and link, each followed by exactly one blank; the rest is the bytes.
    QByteArrayView fields[3];
    for (QByteArrayView& field : fields) {
        const qsizetype blank = line.indexOf(' ');
        if (blank <= 0) return std::nullopt;
        field = line.first(blank);
        line = line.sliced(blank + 1);
    }
    Record r;
    const QDateTime time = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
    if (!time.isValid()) return std::nullopt;
    r.msSinceEpoch = time.toMSecsSinceEpoch();
    if (fields[1] == "tx") r.direction = Direction::Sent;
    else if (fields[1] == "rx") r.direction = Direction::Received;
    else return std::nullopt;
    if (fields[2] == "com") r.link = Link::Serial;
    else if (fields[2] == "udp") r.link = Link::Udp;
    else if (fields[2] == "tcp") r.link = Link::Tcp;
    else return std::nullopt;
    std::optional<QByteArray> bytes = unescape(line);
    if (!bytes) return std::nullopt;
    r.bytes = std::move(*bytes);
    return r;
}

}  // namespace capture
