#include "Fonts.h"

namespace fonts {
namespace {
QFont arial(int points, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pointsToPixels(points));
    f.setBold(bold);
    // The console's texts are Latin letters, digits and signs: no shaping beyond the glyph
    // lookup, which spares the text layout of every field changed ten times a second.
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}
}  // namespace

QFont font(int number)
{
    if (number >= 0 && number <= 8) return arial(20, true);
    if (number == kGauge) return arial(10);
    if (number == kSmall) return arial(8);
    return controlFont();
}

QFont controlFont() { return arial(9); }

}  // namespace fonts
