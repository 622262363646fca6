#pragma once
// The tracker's UDP command port on 127.0.0.1: one reply datagram to the sender of each
// command datagram.

#include <QObject>
#include <QString>

class LocalPeers;
class QUdpSocket;
class Responder;

class UdpEndpoint : public QObject {
    Q_OBJECT
public:
    UdpEndpoint(Responder& responder, const LocalPeers& peers, QObject* parent = nullptr);

    /// Binds 127.0.0.1:`port` (0 lets the system choose); false with `error` set on failure.
    bool listen(quint16 port, QString* error);
    quint16 port() const;

private:
    void readPending();

    Responder& m_responder;
    const LocalPeers& m_peers;
    QUdpSocket* m_socket;
};
