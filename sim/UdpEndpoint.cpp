#include "UdpEndpoint.h"

#include "LocalPeers.h"
#include "Responder.h"

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>

namespace {
/// Datagrams taken in one go. What is left stays readable, so the socket announces it again at
/// the next turn of the event loop.
constexpr int kBurst = 64;
}  // namespace

UdpEndpoint::UdpEndpoint(Responder& responder, const LocalPeers& peers, QObject* parent)
    : QObject(parent), m_responder(responder), m_peers(peers), m_socket(new QUdpSocket(this)) {
    connect(m_socket, &QUdpSocket::readyRead, this, &UdpEndpoint::readPending);
}

bool UdpEndpoint::listen(quint16 port, QString* error) {
    if (m_socket->bind(QHostAddress(QHostAddress::LocalHost), port)) return true;
    if (error) *error = m_socket->errorString();
    return false;
}

quint16 UdpEndpoint::port() const {
    return m_socket->localPort();
}

void UdpEndpoint::readPending() {
    // Reading is left to readyRead alone: a datagram taken from anywhere else can leave Qt
    // announcing one that is gone, and then it never announces another.
    for (int i = 0; i < kBurst && m_socket->hasPendingDatagrams(); ++i) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        if (!datagram.isValid() || !m_peers.accepts(datagram.senderAddress())) continue;
        const QByteArray data = datagram.data();
        const QByteArray reply = m_responder.answer(SimLink::Udp, data, data);
        if (!reply.isEmpty())
            m_socket->writeDatagram(reply, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}
