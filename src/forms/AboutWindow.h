#pragma once
// Window 9, "About": the product picture above the version banner and the maker's line.

#include "FormWindow.h"

class Controls;

namespace aboutwindow {
inline constexpr int kWindow = 9;
inline constexpr int kText = 235, kPicture = 236;

/// Builds window 9 centred on `parent`; the caller shows the picture in control 236.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace aboutwindow
