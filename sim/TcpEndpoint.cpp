#include "TcpEndpoint.h"

#include "LocalPeers.h"
#include "Responder.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

TcpEndpoint::TcpEndpoint(Responder& responder, const LocalPeers& peers, QObject* parent)
    : QObject(parent), m_responder(responder), m_peers(peers), m_server(new QTcpServer(this)) {
    connect(m_server, &QTcpServer::newConnection, this, &TcpEndpoint::acceptPending);
}

bool TcpEndpoint::listen(quint16 port, QString* error) {
    if (m_server->listen(QHostAddress(QHostAddress::LocalHost), port)) return true;
    if (error) *error = m_server->errorString();
    return false;
}

quint16 TcpEndpoint::port() const {
    return m_server->serverPort();
}

void TcpEndpoint::acceptPending() {
    while (QTcpSocket* client = m_server->nextPendingConnection()) {
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        if (!m_peers.accepts(client->peerAddress())) {
            client->abort();
            client->deleteLater();
            continue;
        }
        connect(client, &QTcpSocket::readyRead, this, [this, client] { readClient(client); });
    }
}

void TcpEndpoint::readClient(QTcpSocket* client) {
    const QByteArray data = client->readAll();
    if (data.isEmpty()) return;
    client->write(m_responder.answer(SimLink::Tcp, data, data));
}
