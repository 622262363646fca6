#include "Coordinates.h"

#include "Numbers.h"

namespace {

constexpr qsizetype kFractionDigits = 7;
constexpr QChar kDegreeSign = QChar(0x00BA);

}  // namespace

QString formatCoordinate(QStringView text) {
    const qint64 n = num::readInt(text);
    // The magnitude as unsigned, so that the most negative 64-bit value has one too.
    const quint64 magnitude = n < 0 ? quint64(0) - quint64(n) : quint64(n);
    QString digits = QString::number(magnitude);
    if (digits.size() <= kFractionDigits)
        digits.prepend(QString(kFractionDigits + 1 - digits.size(), u'0'));

    QString out;
    out.reserve(digits.size() + 3);
    if (n < 0) out += u'-';
    out += QStringView(digits).first(digits.size() - kFractionDigits);
    out += u'.';
    out += QStringView(digits).last(kFractionDigits);
    out += kDegreeSign;
    return out;
}

QString parseCoordinate(QStringView text) {
    QString t = text.toString();
    t.remove(kDegreeSign);
    const qsizetype point = t.indexOf(u'.');
    QString joined = point < 0 ? t : t.first(point);
    QString fraction = point < 0 ? QString() : t.sliced(point + 1);
    if (fraction.size() > kFractionDigits) fraction.truncate(kFractionDigits);
    joined += fraction;
    joined += QString(kFractionDigits - fraction.size(), u'0');
    return num::writeInt(num::readInt(joined));
}
