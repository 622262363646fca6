#pragma once
// Window 2, "Vehicle ": the vehicle's GPS and navigation data as the tracker reports them. The
// fields start empty and are filled by the "UAVGPS" and "UAVDAT" replies while it is open.

#include "FormWindow.h"

class Controls;

namespace vehiclewindow {
inline constexpr int kWindow = 2;
inline constexpr int kFix = 86;
inline constexpr int kLatitude = 87, kLongitude = 88;
inline constexpr int kDistance = 102, kRelativeHeight = 106;

/// Builds window 2 as a child window of `parent`; the caller centres and shows it.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace vehiclewindow
