#include "Coordinates.h"

#include <QVarLengthArray>
#include <algorithm>
#include <charconv>

#include "Numbers.h"

namespace {

constexpr qsizetype kFractionDigits = 7;
constexpr QChar kDegreeSign = QChar(0x00BA);

}  // namespace

QString formatCoordinate(QStringView text) {
    const qint64 n = num::readInt(text);
    // The magnitude as unsigned, so that the most negative 64-bit value has one too.
    const quint64 magnitude = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    char digits[24];
    qsizetype count = std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits;
    const qsizetype zeros = std::max<qsizetype>(0, kFractionDigits + 1 - count);

    QString out(qsizetype(n < 0) + zeros + count + 2, Qt::Uninitialized);
    QChar* o = out.data();
    if (n < 0) *o++ = u'-';
    for (qsizetype i = 0; i < zeros + count; ++i) {
        if (i == zeros + count - kFractionDigits) *o++ = u'.';
        *o++ = QChar(i < zeros ? '0' : digits[i - zeros]);
    }
    *o = kDegreeSign;
    return out;
}

QString parseCoordinate(QStringView text) {
    // The text without degree signs; after the first point at most seven digits are kept, and
    // zeros make them seven: the point moves seven places to the right.
    QVarLengthArray<QChar, 128> joined;
    qsizetype fraction = -1;  // characters kept after the point; -1 before it
    for (const QChar c : text) {
        if (c == kDegreeSign) continue;
        if (fraction < 0 && c == u'.') {
            fraction = 0;
            continue;
        }
        if (fraction >= 0) {
            if (fraction == kFractionDigits) continue;
            ++fraction;
        }
        joined.append(c);
    }
    for (qsizetype i = std::max<qsizetype>(fraction, 0); i < kFractionDigits; ++i) joined.append(u'0');
    return num::writeInt(num::readInt(QStringView(joined.constData(), joined.size())));
}
