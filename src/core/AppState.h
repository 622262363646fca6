#pragma once
// The console's own flags and counters, shared by the dispatcher and the operations it runs.

#include <QString>

struct AppState {
    bool echoCommands = false;    ///< every sent command also goes to the console
    bool autoPollingOff = false;  ///< the ON/OFF button stopped the polling
    int linkAliveTicks = 0;       ///< 100 ms ticks since the last block arrived
    int keepAliveTicks = 0;
    int lastFocusedGadget = 0;    ///< the control that last had focus at a control event
    int homeMode = 0;             ///< the home list's item the operator last chose

    static constexpr int kXLimitMin = 0;
    static constexpr int kXLimitMax = 360;
    static constexpr int kYLimitMin = -90;
    static constexpr int kYLimitMax = 90;

    QString resourceDirectory;  ///< ends with a separator
};
