#include "LocalPeers.h"

#include <QNetworkInterface>

LocalPeers::LocalPeers(QList<QHostAddress> ownAddresses) : m_own(std::move(ownAddresses)) {}

LocalPeers LocalPeers::ofThisHost() {
    return LocalPeers(QNetworkInterface::allAddresses());
}

bool LocalPeers::accepts(const QHostAddress& peer) const {
    if (peer.isNull()) return false;
    if (peer.isLoopback()) return true;
    for (const QHostAddress& own : m_own)
        if (own.isEqual(peer, QHostAddress::ConvertV4MappedToIPv4)) return true;
    return false;
}
