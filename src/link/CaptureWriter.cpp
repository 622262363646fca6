#include "CaptureWriter.h"

#include <QDateTime>
#include <cstdio>

bool CaptureWriter::open(const QString& path, QString* error)
{
    m_file.setFileName(path);
    // Unbuffered: every line goes to the system in one write as soon as it is made.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        if (error) *error = m_file.errorString();
        return false;
    }
    const QByteArray header = capture::kHeader.toByteArray() + '\n';
    if (m_file.write(header) != header.size()) {
        if (error) *error = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}

void CaptureWriter::record(capture::Direction direction, LinkKind kind, QByteArrayView bytes)
{
    if (!m_file.isOpen() || bytes.isEmpty()) return;
    capture::Record r;
    switch (kind) {
    case LinkKind::None:
        return;
    case LinkKind::Serial:
        r.link = capture::Link::Serial;
        break;
    case LinkKind::Udp:
        r.link = capture::Link::Udp;
        break;
    case LinkKind::Tcp:
        r.link = capture::Link::Tcp;
        break;
    }
    r.msSinceEpoch = QDateTime::currentMSecsSinceEpoch();
    r.direction = direction;
    r.bytes = bytes.toByteArray();
    const QByteArray line = capture::formatLine(r) + '\n';
    if (m_file.write(line) != line.size()) {
        std::fprintf(stderr, "antenna-tracker-studio: capture stopped: %s\n",
                     qPrintable(m_file.errorString()));
        m_file.close();
    }
}
