#pragma once
// Lines on the simulator's standard output, each flushed at once so that a test or a script
// reading the pipe sees it without delay.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdio>

class LineOutput {
public:
    explicit LineOutput(std::FILE* stream) : m_stream(stream) {}

    void write(QByteArrayView line);
    /// One received command: the link kind, the byte count and the bytes, escaped.
    void received(QByteArrayView kind, QByteArrayView bytes);

    /// Printable ASCII stays as it is, "\" doubles, CR, LF and TAB become \r \n \t and every
    /// other byte \xNN, so that one command always stays on one line.
    static QByteArray escaped(QByteArrayView bytes);
    static QByteArray receivedLine(QByteArrayView kind, QByteArrayView bytes);

private:
    std::FILE* m_stream;
};
