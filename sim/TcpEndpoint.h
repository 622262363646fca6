#pragma once
// The tracker's TCP command port on 127.0.0.1: any number of clients, one reply write per read.

#include <QObject>
#include <QString>

class LocalPeers;
class QTcpServer;
class QTcpSocket;
class Responder;

class TcpEndpoint : public QObject {
    Q_OBJECT
public:
    TcpEndpoint(Responder& responder, const LocalPeers& peers, QObject* parent = nullptr);

    /// Listens on 127.0.0.1:`port` (0 lets the system choose); false with `error` on failure.
    bool listen(quint16 port, QString* error);
    quint16 port() const;

private:
    void acceptPending();
    void readClient(QTcpSocket* client);

    Responder& m_responder;
    const LocalPeers& m_peers;
    QTcpServer* m_server;
};
