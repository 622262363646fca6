#include "Numbers.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace num {
namespace {

constexpr qint64 kMax = std::numeric_limits<qint64>::max();
constexpr qint64 kMin = std::numeric_limits<qint64>::min();

qsizetype skipBlanks(QStringView t, qsizetype i)
{
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    return i;
}

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    int v = -1;
    if (u >= u'0' && u <= u'9') v = u - u'0';
    else if (u >= u'a' && u <= u'f') v = u - u'a' + 10;
    else if (u >= u'A' && u <= u'F') v = u - u'A' + 10;
    return v < base ? v : -1;
}

/// `word` (any case) from `at` to the end of the text, blanks after it aside: "NaN5" or
/// "nano" are no such word.
bool isWholeWord(QStringView t, qsizetype at, QStringView word)
{
    return t.size() - at >= word.size() &&
           t.sliced(at, word.size()).compare(word, Qt::CaseInsensitive) == 0 &&
           skipBlanks(t, at + word.size()) == t.size();
}

}  // namespace

qint64 readInt(QStringView t)
{
    qsizetype i = skipBlanks(t, 0);
    bool negative = false;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
    int base = 10;
    if (i < t.size() && t[i] == u'$') base = 16, ++i;
    else if (i < t.size() && t[i] == u'%') base = 2, ++i;

    // Accumulate the magnitude as unsigned so that the most negative value is reachable.
    const quint64 limit = negative ? quint64(kMax) + 1 : quint64(kMax);
    quint64 magnitude = 0;
    bool saturated = false;
    for (; i < t.size(); ++i) {
        const int d = digitValue(t[i], base);
        if (d < 0) break;
        if (saturated) continue;
        if (magnitude > (limit - quint64(d)) / quint64(base)) {
            saturated = true;
            magnitude = limit;
        } else {
            magnitude = magnitude * quint64(base) + quint64(d);
        }
    }
    if (!negative) return qint64(magnitude);
    return magnitude == quint64(kMax) + 1 ? kMin : -qint64(magnitude);
}

float readDecimal(QStringView t)
{
    qsizetype i = skipBlanks(t, 0);
    if (isWholeWord(t, i, u"+infinity")) return std::numeric_limits<float>::infinity();
    if (isWholeWord(t, i, u"-infinity")) return -std::numeric_limits<float>::infinity();
    if (isWholeWord(t, i, u"nan")) return std::numeric_limits<float>::quiet_NaN();

    std::string s;
    s.reserve(32);
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) {
        if (t[i] == u'-') s.push_back('-');
        ++i;
    }
    bool anyDigit = false;
    bool nonZeroWhole = false;
    for (; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
        s.push_back(char(t[i].unicode()));
        anyDigit = true;
        nonZeroWhole = nonZeroWhole || t[i] != u'0';
    }
    if (i < t.size() && t[i] == u'.') {
        s.push_back('.');
        for (++i; i < t.size() && t[i].isDigit() && t[i].unicode() < 128; ++i) {
            s.push_back(char(t[i].unicode()));
            anyDigit = true;
        }
    }
    if (!anyDigit) return 0.0f;

    // Straight to float: going through double first would round twice and could miss the
    // nearest float.
    float f = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), f);
    (void)ptr;
    const bool negative = s.front() == '-';
    if (ec == std::errc::result_out_of_range) {
        const float inf = std::numeric_limits<float>::infinity();
        if (nonZeroWhole) return negative ? -inf : inf;
        return negative ? -0.0f : 0.0f;
    }
    if (ec != std::errc()) return 0.0f;
    return f;
}

QString writeInt(qint64 value) { return QString::number(value); }

QString writeFixed(double value, int decimals)
{
    if (std::isnan(value)) return QStringLiteral("NaN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("+Infinity") : QStringLiteral("-Infinity");
    if (decimals < 0) decimals = 0;
    if (decimals > 30) decimals = 30;
    char buf[360];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) return QStringLiteral("0");
    return QString::fromLatin1(buf, end - buf);
}

int roundHalfEven(double value)
{
    if (std::isnan(value)) return 0;
    const double r = std::nearbyint(value);
    if (r >= double(std::numeric_limits<int>::max())) return std::numeric_limits<int>::max();
    if (r <= double(std::numeric_limits<int>::min())) return std::numeric_limits<int>::min();
    return int(r);
}

qint64 saturatingSub(qint64 a, qint64 b)
{
    qint64 r = 0;
    if (!__builtin_sub_overflow(a, b, &r)) return r;
    return b < 0 ? kMax : kMin;
}

}  // namespace num
