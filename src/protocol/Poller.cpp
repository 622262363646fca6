#include "Poller.h"

#include "Numbers.h"

namespace {

PollAction send(QString command) {
    PollAction a;
    a.shown = command;
    a.command = std::move(command);
    return a;
}

/// While an axis reports OK its field stays up for 30 ticks, then it is hidden and the count
/// starts over.
bool countCalibrationOk(int state, int& ticks) {
    if (state != 2 || ticks >= 31) return false;
    if (++ticks != 30) return false;
    ticks = 0;
    return true;
}

/// The port entry row is the fourth digit of the port number's text (8003 -> 3); a missing or
/// non-digit fourth character reads as 0, like any integer reading.
int portRow(int port) {
    const QString digits = QString::number(port);
    return digits.size() > 3 ? int(num::readInt(QStringView(digits).sliced(3, 1))) : 0;
}

}  // namespace

PollAction Poller::tick(const PollContext& ctx) {
    const bool hideY = countCalibrationOk(ctx.calibrationStateY, calibOkTicksY);
    const bool hideX = countCalibrationOk(ctx.calibrationStateX, calibOkTicksX);

    PollAction a;
    if (identityQueryPending)
        a = identityStep();
    else if (portUploadPending)
        a = portUploadStep(ctx);
    else if (addressQueryPending)
        a = addressStep();
    else if (portQueryPending)
        a = portTableStep(ctx);
    else if (audioQueryPending)
        a = audioStep();
    else
        a = rotationStep(ctx);
    a.hideCalibrationX = hideX;
    a.hideCalibrationY = hideY;
    return a;
}

void Poller::requestPortUpload(const PortUploadList& ports) {
    portUploadList = ports;
    portUploadPending = true;
}

PollAction Poller::identityStep() {
    static constexpr std::array<const char*, 7> kCommands = {"ID",  "SERIAL",  "NAME", "VBAT",
                                                             "VCC", "CPUVOLT", "TEMP"};
    if (identityQueryStep < 0 || identityQueryStep >= int(kCommands.size())) {
        // Not a step of the sequence: end it rather than guess where it was.
        identityQueryStep = 0;
        identityQueryPending = false;
        return {};
    }
    PollAction a = send(QString::fromLatin1(kCommands[std::size_t(identityQueryStep)]));
    if (++identityQueryStep >= int(kCommands.size())) {
        identityQueryStep = 0;
        identityQueryPending = false;
    }
    return a;
}

PollAction Poller::portUploadStep(const PollContext& ctx) {
    // Every listed port is sent, all ten entries included: a port listed after the eighth is
    // an edit the operator saved like the others.
    const bool atEntry = portUploadIndex >= 0 && portUploadIndex < int(portUploadList.size()) &&
                         portUploadList[std::size_t(portUploadIndex)] != 0;
    if (!atEntry) {
        portUploadPending = false;
        portUploadIndex = 0;
        portUploadList.fill(0);
        return {};
    }

    const int port = portUploadList[std::size_t(portUploadIndex)];
    ++portUploadIndex;
    const int row = portRow(port);
    // A port number whose row lies outside the table (8008, 8009, ...) uses its tick and
    // sends nothing.
    if (ctx.ports == nullptr || row < 0 || row >= kPortCount) return {};

    const PortEntry& e = (*ctx.ports)[std::size_t(row)];
    const QChar b = QLatin1Char(' ');
    return send(QStringLiteral("NET PORT ") + num::writeInt(port) + b + num::writeInt(e.state) + b +
                num::writeInt(e.type) + b + e.ipDest + b + num::writeInt(e.portDest) + b +
                num::writeInt(e.echo) + b + num::writeInt(e.prop) + b + num::writeInt(e.cntRx) + b +
                num::writeInt(e.cntTx));
}

PollAction Poller::addressStep() {
    PollAction a;
    switch (addressQueryStep) {
        case 2:
            a = send(QStringLiteral("NET SUBMASK"));
            addressQueryStep = 3;
            break;
        case 3:
            a = send(QStringLiteral("NET GATEWAY"));
            addressQueryStep = 1;
            addressQueryPending = false;
            break;
        default:  // 1, or anything that is no step: start from the address
            a = send(QStringLiteral("NET IP"));
            addressQueryStep = 2;
            break;
    }
    a.suspendTimer2 = true;
    return a;
}

PollAction Poller::portTableStep(const PollContext& ctx) {
    if (portQueryIndex < 0 || portQueryIndex >= kPortCount) portQueryIndex = 0;
    PollAction a = send(QStringLiteral("NET PORT ") + num::writeInt(8000 + portQueryIndex));
    a.suspendTimer2 = true;
    if (++portQueryIndex >= kPortCount) {
        portQueryIndex = 0;
        portQueryPending = false;
        a.removeTimer3 = ctx.autoPollingOff;
    }
    return a;
}

PollAction Poller::audioStep() {
    if (audioQueryStep == 0) {
        audioQueryStep = 1;
        return send(QStringLiteral("AUDIO VOL"));
    }
    audioQueryStep = 0;
    audioQueryPending = false;
    return send(QStringLiteral("AUDIO TONE"));
}

PollAction Poller::rotationStep(const PollContext& ctx) {
    const QString dxypv = QStringLiteral("DXYPV");
    PollAction a;
    switch (pollStep) {
        case 1:
        case 10:
            a = send(dxypv);
            break;
        case 2:
        case 7:
            a = send(QStringLiteral("STAT"));
            break;
        case 3:
            if (!ctx.vehicleOpen) {
                a = send(dxypv);
            } else {
                a = send(nextVehicleQueryIsGps ? QStringLiteral("UAVGPS")
                                               : QStringLiteral("UAVDAT"));
                nextVehicleQueryIsGps = !nextVehicleQueryIsGps;
            }
            break;
        case 4:
            if (ctx.ethernetOpen) {
                a = send(QStringLiteral("NET CNT"));
                a.shown = QStringLiteral("NETCNT");
            } else {
                a = send(dxypv);
            }
            break;
        case 5:
            if (ctx.motorsOpen) a = send(QStringLiteral("MOTSETUP"));
            break;
        case 6:
            a = send(ctx.mavlinkOpen ? QStringLiteral("MAV STAT") : dxypv);
            break;
        case 8:
            if (ctx.localGpsOpen) a = send(QStringLiteral("GPS"));
            break;
        case 9:
            a = send(ctx.trackerNameUnknown ? QStringLiteral("ID") : dxypv);
            break;
        default:  // 0 before the first tick; anything else restarts the rotation silently
            break;
    }
    pollStep = pollStep >= 1 && pollStep <= 9 ? pollStep + 1 : 1;
    a.rotationStep = true;
    return a;
}
