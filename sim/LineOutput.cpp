#include "LineOutput.h"

void LineOutput::write(QByteArrayView line) {
    std::fwrite(line.data(), 1, std::size_t(line.size()), m_stream);
    std::fputc('\n', m_stream);
    std::fflush(m_stream);
}

void LineOutput::received(QByteArrayView kind, QByteArrayView bytes) {
    write(receivedLine(kind, bytes));
}

QByteArray LineOutput::escaped(QByteArrayView bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (u >= 0x20 && u < 0x7F)
            out += c;
        else {
            out += "\\x";
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

QByteArray LineOutput::receivedLine(QByteArrayView kind, QByteArrayView bytes) {
    return kind.toByteArray() + ' ' + QByteArray::number(bytes.size()) + ' ' + escaped(bytes);
}
