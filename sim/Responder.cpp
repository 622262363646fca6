#include "Responder.h"

#include "LineOutput.h"
#include "ReplayScript.h"
#include "SerialFraming.h"

namespace {

QByteArrayView linkName(SimLink link) {
    switch (link) {
        case SimLink::Udp:
            return "udp";
        case SimLink::Tcp:
            return "tcp";
        case SimLink::Pty:
            return "pty";
    }
    return "?";
}

/// The tracker's Ethernet port rows the network links stand for (8000 UDP, 8004 TCP), so that
/// their counters move with the traffic.
int portRow(SimLink link) {
    switch (link) {
        case SimLink::Udp:
            return 0;
        case SimLink::Tcp:
            return 4;
        case SimLink::Pty:
            return -1;
    }
    return -1;
}

}  // namespace

Responder::Responder(LineOutput* log, ReplayScript* replay, double pointingOffsetDeg)
    : m_log(log), m_replay(replay), m_model(0, pointingOffsetDeg) {
    m_clock.start();
}

QByteArray Responder::answer(SimLink link, QByteArrayView raw, QByteArrayView command) {
    if (m_log) m_log->received(linkName(link), raw);
    if (m_replay) return m_replay->answer(command, link == SimLink::Pty);
    const QByteArray reply = m_model.handle(command, m_clock.elapsed(), portRow(link));
    return link == SimLink::Pty ? serialframe::frameReply(reply) : reply;
}
