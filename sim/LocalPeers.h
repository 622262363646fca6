#pragma once
// Which peers the simulator answers: loopback, and this host's own addresses, because a
// program bound to the host's LAN address that talks to 127.0.0.1 still arrives from that
// address. Nothing from elsewhere can reach a socket bound to 127.0.0.1 anyway; this keeps it so.

#include <QHostAddress>
#include <QList>

class LocalPeers {
public:
    explicit LocalPeers(QList<QHostAddress> ownAddresses = {});
    static LocalPeers ofThisHost();

    bool accepts(const QHostAddress& peer) const;

private:
    QList<QHostAddress> m_own;
};
