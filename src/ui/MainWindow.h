#pragma once
// Window 0: the command console on the left, the gauges and the tracker's fields on the right,
// and the menu that opens the other windows.

#include "FormWindow.h"

class Controls;

namespace mainwindow {
inline constexpr int kWindow = 0;
inline constexpr int kCommandEntry = 0;
inline constexpr int kConsole = 1;
inline constexpr int kGauges = 2;
inline constexpr int kHomeCombo = 33;
inline constexpr int kPollingButton = 34;
inline constexpr int kLinkIndicator = 51;
inline constexpr int kLinkLabel = 57;
inline constexpr int kNameLabel = 30;

/// Menu numbers of the items, as the menu events report them. "Tracking" comes last in "Menu",
/// after a separator; 10 and 13 are Return's.
enum MenuItem {
    Motors = 0,
    Mavlink,
    Vehicle,
    Gps,
    EthernetConfig,
    Communications,
    Audio,
    Device,
    About,
    Tracking
};

/// Builds window 0 with its menu, every control and the home list; Return raises menu event 13.
FormWindow* open(Controls& controls, const EventSink& sink);
}  // namespace mainwindow
