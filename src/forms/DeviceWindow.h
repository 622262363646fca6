#pragma once
// Window 8, "DEVICE": the tracker's identity, supplies, temperature and memory indicator. The
// name field is editable; Return in it renames the tracker.

#include "DeviceControls.h"
#include "FormWindow.h"

class Controls;

namespace devicewindow {

/// Builds window 8 centred on `parent`; the fields start empty.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace devicewindow
