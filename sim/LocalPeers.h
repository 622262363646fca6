#pragma once
// Which peers the simulator answers: loopback only. The console reaches a tracker on this
// computer from a loopback address, so nothing else ever needs an answer.

#include <QHostAddress>

class LocalPeers {
public:
    bool accepts(const QHostAddress& peer) const;
};
