#pragma once
// The polling engine: one command at most per tick of the polling timer. One-shot sequences
// (identity, port upload, addresses, port table, audio) take precedence over the ten-step
// rotation. The poller only decides; the caller sends, writes the command line and drives the
// timers as the returned action says.

#include <QString>
#include <array>

#include "PortEntry.h"
#include "PortUploadList.h"

/// What the poller needs to know about the rest of the console at a tick.
struct PollContext {
    bool localGpsOpen = false;   ///< window 1
    bool vehicleOpen = false;    ///< window 2
    bool mavlinkOpen = false;    ///< window 3
    bool motorsOpen = false;     ///< window 4
    bool ethernetOpen = false;   ///< window 6
    bool trackerNameUnknown = true;  ///< control 30 still shows "???"
    int calibrationStateX = 0;
    int calibrationStateY = 0;
    bool autoPollingOff = false;
    const PortEntries* ports = nullptr;  ///< read by the port upload
};

/// What the caller does for one tick, in this order: hide 56, hide 55; if `suspendTimer2`,
/// remove timer 2; send `command` (when not empty) and write `shown` into control 0; if
/// `suspendTimer2` and polling is on, add timer 2 again; if `removeTimer3`, remove timer 3; if
/// `rotationStep` on a serial link, restart timer 1.
struct PollAction {
    QString command;
    QString shown;
    bool hideCalibrationX = false;  ///< control 55
    bool hideCalibrationY = false;  ///< control 56
    bool suspendTimer2 = false;
    bool removeTimer3 = false;
    bool rotationStep = false;
};

class Poller {
public:
    PollAction tick(const PollContext& ctx);

    /// The pointing reply resets an axis' OK counter while the axis reports "Calibrating".
    void resetCalibrationCountX() { calibOkTicksX = 0; }
    void resetCalibrationCountY() { calibOkTicksY = 0; }

    // Raised by the windows that start a sequence; cleared only by the sequence itself.
    void requestIdentity() { identityQueryPending = true; }
    void requestAddresses() { addressQueryPending = true; }
    void requestPortTable() { portQueryPending = true; }
    void requestAudio() { audioQueryPending = true; }
    /// Up to ten port numbers (8000..8007) to upload; a 0 ends the list.
    void requestPortUpload(const PortUploadList& ports);

    // State, visible for the windows that show progress and for tests.
    int pollStep = 0;
    bool nextVehicleQueryIsGps = true;
    int calibOkTicksX = 0;
    int calibOkTicksY = 0;
    bool identityQueryPending = false;
    int identityQueryStep = 0;
    bool portUploadPending = false;
    int portUploadIndex = 0;
    PortUploadList portUploadList{};
    bool addressQueryPending = false;
    int addressQueryStep = 1;
    bool portQueryPending = false;
    int portQueryIndex = 0;
    bool audioQueryPending = false;
    int audioQueryStep = 0;

private:
    PollAction identityStep();
    PollAction portUploadStep(const PollContext& ctx);
    PollAction addressStep();
    PollAction portTableStep(const PollContext& ctx);
    PollAction audioStep();
    PollAction rotationStep(const PollContext& ctx);
};
