#pragma once
// Window 1, "Local GPS ": the tracker's own GPS receiver as it reports it. The fields start empty
// and are filled by the "GPS" reply while the window is open.

#include "FormWindow.h"

class Controls;

namespace localgpswindow {
inline constexpr int kWindow = 1;
inline constexpr int kStatus = 68;
inline constexpr int kLatitude = 69, kLongitude = 70;

/// Builds window 1 as a child window of `parent`; the caller centres and shows it.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace localgpswindow
