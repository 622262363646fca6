#include "SerialFraming.h"

#include "Framing.h"

namespace serialframe {

QList<SerialCommand> splitRead(QByteArrayView bytes) {
    QList<SerialCommand> out;
    qsizetype at = bytes.indexOf(kPrefixStart);
    const QByteArrayView head = at < 0 ? bytes : bytes.first(at);
    if (!head.trimmed().isEmpty()) out.append({head.toByteArray(), head.toByteArray()});
    while (at >= 0) {
        const qsizetype next = bytes.indexOf(kPrefixStart, at + kPrefixStart.size());
        const QByteArrayView segment = next < 0 ? bytes.sliced(at) : bytes.sliced(at, next - at);
        const qsizetype blank = segment.indexOf(' ');
        out.append({segment.toByteArray(),
                    blank < 0 ? QByteArray() : segment.sliced(blank + 1).toByteArray()});
        at = next;
    }
    return out;
}

QByteArray frameReply(QByteArrayView reply) {
    QByteArray out = reply.toByteArray();
    out.append(kSerialEndMarker);
    return out;
}

}  // namespace serialframe
