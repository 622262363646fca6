#include "TrackSample.h"

#include <charconv>
#include <cmath>

namespace tracking {

namespace {

/// Past this many units of 1e-7 degree the field is no coordinate; also keeps the sum in range.
constexpr qint64 kMaxCoordinate1e7 = 1'800'000'000;
/// Longer decimal texts are garbage; the bound keeps the copy on the stack.
constexpr qsizetype kMaxDecimalChars = 48;

bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }

/// Without the leading blanks and the trailing blanks, CR and LF.
QStringView trimmed(QStringView t)
{
    while (!t.isEmpty() && isBlank(t.front())) t = t.sliced(1);
    while (!t.isEmpty() && (isBlank(t.back()) || t.back() == u'\r' || t.back() == u'\n')) t.chop(1);
    return t;
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

/// Takes a leading sign off `t`; true when it was a minus.
bool takeSign(QStringView& t)
{
    if (t.isEmpty() || (t.front() != u'-' && t.front() != u'+')) return false;
    const bool negative = t.front() == u'-';
    t = t.sliced(1);
    return negative;
}

/// A plain signed decimal integer within ±kMaxCoordinate1e7.
std::optional<qint64> coordinateField(QStringView text)
{
    QStringView t = trimmed(text);
    const bool negative = takeSign(t);
    if (t.isEmpty()) return std::nullopt;
    qint64 v = 0;
    for (const QChar c : t) {
        if (!isDigit(c)) return std::nullopt;
        v = v * 10 + (c.unicode() - u'0');
        if (v > kMaxCoordinate1e7) return std::nullopt;
    }
    return negative ? -v : v;
}

}  // namespace

QLatin1String linkText(LinkTag link)
{
    switch (link) {
    case LinkTag::Com:
        return QLatin1String("com");
    case LinkTag::Udp:
        return QLatin1String("udp");
    case LinkTag::Tcp:
        return QLatin1String("tcp");
    case LinkTag::None:
        break;
    }
    return QLatin1String("");
}

std::optional<double> decimalFromField(QStringView text)
{
    QStringView t = trimmed(text);
    const bool negative = takeSign(t);
    if (t.isEmpty() || t.size() > kMaxDecimalChars) return std::nullopt;
    char chars[kMaxDecimalChars];
    bool point = false, digit = false;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (c == u'.' && !point) {
            point = true;
        } else if (isDigit(c)) {
            digit = true;
        } else {
            return std::nullopt;
        }
        chars[i] = char(c.unicode());
    }
    if (!digit) return std::nullopt;
    double v = 0;
    const auto [end, ec] = std::from_chars(chars, chars + t.size(), v, std::chars_format::fixed);
    if (ec != std::errc() || end != chars + t.size() || !std::isfinite(v)) return std::nullopt;
    return (negative ? -v : v) + 0.0;  // + 0.0: no negative zero
}

std::optional<GeoPoint> positionFromFields(QStringView lat1e7, QStringView lon1e7,
                                           QStringView altM)
{
    const std::optional<qint64> lat = coordinateField(lat1e7);
    const std::optional<qint64> lon = coordinateField(lon1e7);
    const std::optional<double> alt = decimalFromField(altM);
    if (!lat || !lon || !alt) return std::nullopt;
    if (*lat == 0 && *lon == 0) return std::nullopt;
    const GeoPoint p{double(*lat) / 1e7, double(*lon) / 1e7, *alt};
    if (!usable(p)) return std::nullopt;
    return p;
}

}  // namespace tracking
