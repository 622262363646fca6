#pragma once
// Window 7, "AUDIO": the tracker's volume and tone (Return sends the focused one) and its two
// test sounds.

#include "FormWindow.h"

class Controls;

namespace audiowindow {
inline constexpr int kWindow = 7;
inline constexpr int kBeep = 207, kClick = 208, kVolume = 205, kTone = 211;

/// Builds window 7 centred on `parent`; the fields start empty.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace audiowindow
