#pragma once
// The number rules of the tracker protocol. Every number read from a reply or from an
// operator's field, and every number written into a command or a display, goes through here.

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <cmath>

namespace num {

/// Leading blanks and tabs, an optional sign, then decimal digits up to the first non-digit
/// ("$" introduces hexadecimal digits, "%" binary ones). No digits read as 0; a magnitude past
/// 64 bits saturates at the nearest limit.
qint64 readInt(QStringView text);

/// Optional sign, digits, optional "." and fraction; "." is the point in every locale.
/// "+Infinity", "-Infinity" and "NaN" (any case) read as those values; anything else that is no
/// number reads as 0. Values past a float's range read as infinity of their sign.
float readDecimal(QStringView text);

/// Shortest decimal text, "-" for negatives.
QString writeInt(qint64 value);

/// Fixed-point text with exactly `decimals` digits after "." (nearest); the special values are
/// written "+Infinity", "-Infinity", "NaN".
QString writeFixed(double value, int decimals);

/// The nearest whole number, halves to even, as an int: NaN gives 0, values past the range of
/// int saturate. Every float that becomes a pixel, an angle or a step target goes through here.
int roundHalfEven(double value);

/// a - b without overflow: saturates at the limits of 64 bits.
qint64 saturatingSub(qint64 a, qint64 b);

/// v limited to lo..hi.
inline float clampAngle(float v, float lo, float hi)
{
    // A NaN angle is no position: it reads as 0, as a text that is no number does.
    if (std::isnan(v)) return 0.0f > hi ? hi : (0.0f < lo ? lo : 0.0f);
    if (v > hi) return hi;
    if (v < lo) return lo;
    return v;
}

}  // namespace num
