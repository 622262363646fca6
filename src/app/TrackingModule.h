#pragma once
// The Tracking window's module: loaded the first time the window is opened, so that the plotting
// library is neither loaded nor linked while the operator does not use it.

#include <functional>

#include "TrackingView.h"

namespace trackingmodule {

/// Creates the window from the module installed beside the console (or, in the build tree,
/// beside the program). Null when the module cannot be loaded; `error` then says why.
TrackingView* createView(EventSink sink, QString* error = nullptr);

}  // namespace trackingmodule
