#pragma once
// The numbered fonts. Sizes are given in points of a 96-dpi screen and set in pixels, so that
// the fixed layouts keep their proportions whatever the screen reports.

#include <QFont>

namespace fonts {

inline constexpr int kGauge = 34;  ///< "Arial" 10: text in the gauge picture
inline constexpr int kSmall = 100; ///< "Arial" 8

inline int pointsToPixels(int points) { return (points * 96 + 36) / 72; }

/// Fonts 0..8 are the windows' headings ("Arial" 20 bold); 34 and 100 as above. Any other
/// number gives the controls' default font.
QFont font(int number);
/// The font of ordinary controls.
QFont controlFont();

}  // namespace fonts
