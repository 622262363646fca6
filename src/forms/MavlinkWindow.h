#pragma once
// Window 3, "MAVLINK": the tracker's MAVLink reception counters from its "MAV STAT" reply, and
// the button that resets them. The two lost-sequence rows exist hidden and are still filled.

#include "FormWindow.h"

class Controls;

namespace mavlinkwindow {
inline constexpr int kWindow = 3;
inline constexpr int kPacketsPerSecond = 115;
inline constexpr int kGpsRate = 122, kHomeCount = 126;
inline constexpr int kInitButton = 120;

/// Builds window 3 as a child window of `parent`; the caller centres and shows it.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace mavlinkwindow
