#pragma once
// Window 4, "MOTORS": the sixteen values of the tracker's motor set-up, shown as reported,
// and "CONF DEFAULT", which sends the fixed default configuration after a question.

#include "FormWindow.h"

class Controls;

namespace motorswindow {
inline constexpr int kWindow = 4;
/// "CONF DEFAULT" has no number of its own in the motors range: it takes one of the
/// automatically numbered controls, above the cell grids.
inline constexpr int kConfDefault = 580;
inline constexpr const char* kDefaultCommand = "MOTSETUP 8 8 8 8 20 10 165 165";

/// Builds window 4 centred on `parent`; the fields start empty.
FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent);
}  // namespace motorswindow
