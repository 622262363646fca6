#include "ReplayScript.h"

#include "CaptureFormat.h"
#include "Framing.h"
#include "SerialFraming.h"

#include <QFile>

bool ReplayScript::load(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    read(file.readAll());
    return true;
}

void ReplayScript::read(QByteArrayView text) {
    // The reply that received blocks extend: its command and its place in that queue.
    QByteArray currentCommand;
    qsizetype currentIndex = -1;
    int lineNumber = 0;
    while (!text.isEmpty()) {
        const qsizetype end = text.indexOf('\n');
        const QByteArrayView line = end < 0 ? text : text.first(end);
        text = end < 0 ? QByteArrayView() : text.sliced(end + 1);
        ++lineNumber;
        const std::optional<capture::Record> r = capture::parseLine(line);
        if (!r) {
            const QByteArrayView t = line.trimmed();
            if (!t.isEmpty() && !t.startsWith('#')) {
                if (m_skipped++ == 0) m_firstSkipped = lineNumber;
            }
            continue;
        }
        const bool serial = r->link == capture::Link::Serial;
        if (r->direction == capture::Direction::Received) {
            if (currentIndex >= 0) m_queues[currentCommand].replies[currentIndex].bytes += r->bytes;
            continue;
        }
        QByteArray command = r->bytes;
        if (serial) {
            const QList<serialframe::SerialCommand> parts = serialframe::splitRead(r->bytes);
            command = parts.isEmpty() ? QByteArray() : parts.first().command;
        }
        currentCommand = command.trimmed();
        Queue& queue = m_queues[currentCommand];
        queue.replies.append({{}, serial});
        currentIndex = queue.replies.size() - 1;
    }
}

QByteArray ReplayScript::answer(QByteArrayView command, bool serialLink) {
    const auto it = m_queues.find(command.trimmed().toByteArray());
    if (it == m_queues.end() || it->replies.isEmpty()) return {};
    Queue& queue = *it;
    const Reply& reply = queue.replies[std::min(queue.next, queue.replies.size() - 1)];
    if (queue.next < queue.replies.size()) ++queue.next;
    if (reply.bytes.isEmpty() || reply.serial == serialLink) return reply.bytes;
    if (serialLink) return reply.bytes + kSerialEndMarker.toByteArray();
    return reply.bytes.endsWith(kSerialEndMarker)
               ? reply.bytes.first(reply.bytes.size() - kSerialEndMarker.size())
               : reply.bytes;
}
