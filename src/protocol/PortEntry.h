#pragma once
// One of the tracker's eight Ethernet port records (ports 8000..8007, rows 0..7).

#include <QString>
#include <QtGlobal>
#include <array>

struct PortEntry {
    int state = 0;     ///< 0 off, 1 on
    int type = 0;      ///< 0..2
    QString ipDest;    ///< as the tracker or the operator wrote it
    qint64 portDest = 0;
    int echo = 0;      ///< 0 or 1
    int prop = 0;      ///< 0 or 1
    qint64 cntRx = 0;
    qint64 cntTx = 0;
};

inline constexpr int kPortCount = 8;
using PortEntries = std::array<PortEntry, kPortCount>;
