// The pure protocol code on arbitrary input (no header: the bytes are the text): the receive filter
// and word splitter against a second, literal implementation, and the number rules and coordinates
// against the properties their callers rely on. Any mismatch aborts with both sides printed.

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "Coordinates.h"
#include "Framing.h"
#include "Numbers.h"
#include "Invariant.h"
#include "ReferenceFraming.h"

namespace {


QString shown(const QString& s) {
    return QString::fromLatin1(s.toUtf8().toPercentEncoding(" .-+:<>@$%"));
}

QString fromRef(const std::string& s) {
    return QString::fromLatin1(s.data(), qsizetype(s.size()));
}

void checkFraming(const QByteArray& bytes) {
    for (const bool serial : {false, true}) {
        const FramedBlock got = frameBlock(bytes, serial);
        const reference::Framed want = reference::frame(bytes.toStdString(), serial);
        const QString ctx =
            shown(QString::fromLatin1(bytes)) + (serial ? " (serial)" : " (network)");
        CHECK(got.parse == want.parse, ctx);
        CHECK(got.markUnparsed == want.markUnparsed, ctx);
        CHECK(!(got.parse && got.markUnparsed), ctx);
        CHECK(got.consoleText == fromRef(want.console), ctx + " console " + shown(got.consoleText));
        if (got.parse) {
            CHECK(got.reply == fromRef(want.reply), ctx + " reply " + shown(got.reply));
            CHECK(got.reply.size() < kMaxReplyLength, ctx);
            CHECK(got.reply.contains(QLatin1String("OK")), ctx);
        }
    }
}

void checkSplit(const QString& text, QChar separator) {
    ReplyFields got;
    got.f[5] = QStringLiteral("left over");  // every entry must be cleared by the split
    splitReplyFields(text, separator, got);
    const reference::Fields want =
        reference::split(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                             std::size_t(text.size())),
                         char16_t(separator.unicode()));
    for (int k = 0; k < ReplyFields::kCount; ++k) {
        const QString w = QString::fromUtf16(want.f[k].data(), qsizetype(want.f[k].size()));
        CHECK(got[k] == w, QStringLiteral("entry %1 of %2: %3 instead of %4")
                               .arg(k)
                               .arg(shown(text), shown(got[k]), shown(w)));
        CHECK(separator == QChar(u'\0') || !got[k].contains(separator), shown(text));
    }
    CHECK(got[0].isEmpty(), shown(text));
}

/// The integer rule, written out on its own: blanks and tabs, a sign, "$" or "%", digits.
qint64 referenceReadInt(const QString& t) {
    qsizetype i = 0;
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
    int base = 10;
    if (i < t.size() && t[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < t.size() && t[i] == u'%') {
        base = 2;
        ++i;
    }
    __int128 v = 0;
    const __int128 cap = __int128(std::numeric_limits<qint64>::max()) + 1;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        int d = 99;
        if (c >= u'0' && c <= u'9')
            d = c - u'0';
        else if (c >= u'a' && c <= u'f')
            d = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F')
            d = c - u'A' + 10;
        if (d >= base) break;
        v = v * base + d;
        if (v > cap) v = cap;
    }
    if (negative) v = -v;
    if (v > std::numeric_limits<qint64>::max()) return std::numeric_limits<qint64>::max();
    if (v < std::numeric_limits<qint64>::min()) return std::numeric_limits<qint64>::min();
    return qint64(v);
}

/// `word` (any case) from `at` on, followed by nothing but blanks: "NaN5" is no NaN.
bool isWholeWord(const QString& t, qsizetype at, QLatin1String word) {
    const QStringView rest = QStringView(t).sliced(at);
    if (!rest.startsWith(word, Qt::CaseInsensitive)) return false;
    for (QChar c : rest.sliced(word.size()))
        if (c != u' ' && c != u'\t') return false;
    return true;
}

void checkDecimal(const QString& t) {
    const float got = num::readDecimal(t);
    qsizetype i = 0;
    while (i < t.size() && (t[i] == u' ' || t[i] == u'\t')) ++i;
    const QString ctx = shown(t) + " read as " + QString::number(double(got), 'g', 9);
    if (isWholeWord(t, i, QLatin1String("nan"))) {
        CHECK(std::isnan(got), ctx);
        return;
    }
    CHECK(!std::isnan(got), ctx);
    if (isWholeWord(t, i, QLatin1String("+infinity"))) {
        CHECK(got == std::numeric_limits<float>::infinity(), ctx);
        return;
    }
    if (isWholeWord(t, i, QLatin1String("-infinity"))) {
        CHECK(got == -std::numeric_limits<float>::infinity(), ctx);
        return;
    }
    // The longest prefix of the form [sign] digits [. digits], read by the C library.
    std::string s;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) s += char(t[i++].unicode());
    bool digits = false;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') s += char(t[i++].unicode()), digits = true;
    if (i < t.size() && t[i] == u'.') {
        s += '.';
        ++i;
        while (i < t.size() && t[i] >= u'0' && t[i] <= u'9')
            s += char(t[i++].unicode()), digits = true;
    }
    if (!digits) {
        CHECK(got == 0.0f, ctx);
        return;
    }
    errno = 0;
    const float want = std::strtof(s.c_str(), nullptr);
    const bool range = errno == ERANGE;
    if (range && !std::isinf(want)) {
        // Below the smallest float: either the nearest subnormal or a zero of the right sign.
        CHECK(got == want || got == 0.0f, ctx + " C library " + QString::number(double(want)));
        CHECK(std::signbit(got) == std::signbit(want), ctx);
        return;
    }
    CHECK(got == want, ctx + " C library " + QString::number(double(want), 'g', 9));
    CHECK(std::signbit(got) == std::signbit(want), ctx);
}

void checkWriteFixed(double v, int decimals) {
    const QString s = num::writeFixed(v, decimals);
    const QString ctx = QString::number(v, 'g', 17) + " with " + QString::number(decimals) +
                        " decimals: " + shown(s);
    if (std::isnan(v)) {
        CHECK(s == u"NaN", ctx);
        return;
    }
    if (std::isinf(v)) {
        CHECK(s == QLatin1String(v > 0 ? "+Infinity" : "-Infinity"), ctx);
        return;
    }
    const int d = std::clamp(decimals, 0, 30);
    const qsizetype point = s.indexOf(u'.');
    if (d == 0)
        CHECK(point < 0, ctx);
    else
        CHECK(point >= 0 && s.size() - point - 1 == d, ctx);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        CHECK((c >= u'0' && c <= u'9') || i == point || (i == 0 && c == u'-'), ctx);
    }
    const double back = std::strtod(s.toLatin1().constData(), nullptr);
    const double tolerance = 0.5 * std::pow(10.0, -d) * (1 + 1e-9) + std::fabs(v) * 0x1p-52;
    CHECK(std::fabs(back - v) <= tolerance, ctx);
}

void checkFloatRoundTrip(float f) {
    if (!std::isfinite(f) || (f != 0.0f && std::fabs(f) < 1e-18f)) return;
    // Thirty decimals hold every float of this magnitude closely enough to read it back.
    const QString s = num::writeFixed(double(f), 30);
    const float back = num::readDecimal(s);
    CHECK(back == f, QString::number(double(f), 'g', 9) + " came back as " +
                         QString::number(double(back), 'g', 9) + " via " + s);
}

void checkIntegers(qint64 a, qint64 b, double d) {
    const QString w = num::writeInt(a);
    CHECK(w.toStdString() == std::to_string(a), w);
    CHECK(num::readInt(w) == a, w);
    CHECK(num::readDecimal(w) == float(a), w);

    const __int128 diff = __int128(a) - __int128(b);
    const qint64 want =
        diff > std::numeric_limits<qint64>::max()   ? std::numeric_limits<qint64>::max()
        : diff < std::numeric_limits<qint64>::min() ? std::numeric_limits<qint64>::min()
                                                    : qint64(diff);
    CHECK(num::saturatingSub(a, b) == want, w + " - " + num::writeInt(b));

    const int r = num::roundHalfEven(d);
    const QString ctx = QString::number(d, 'g', 17) + " rounded to " + QString::number(r);
    if (std::isnan(d)) {
        CHECK(r == 0, ctx);
    } else if (std::nearbyint(d) >= double(std::numeric_limits<int>::max())) {
        CHECK(r == std::numeric_limits<int>::max(), ctx);
    } else if (std::nearbyint(d) <= double(std::numeric_limits<int>::min())) {
        CHECK(r == std::numeric_limits<int>::min(), ctx);
    } else {
        CHECK(double(r) == std::nearbyint(d), ctx);
        CHECK(std::fabs(double(r) - d) <= 0.5, ctx);
        if (std::fabs(double(r) - d) == 0.5) CHECK(r % 2 == 0, ctx);
    }

    const float fd = float(d);
    const float c = num::clampAngle(fd, -90.0f, 90.0f);
    if (std::isnan(fd))
        CHECK(c == 0.0f, ctx);  // a NaN angle reads as 0, inside both axes' limits
    else
        CHECK(c >= -90.0f && c <= 90.0f && (c == fd || fd < -90.0f || fd > 90.0f), ctx);
}

void checkCoordinate(const QString& t) {
    const qint64 n = num::readInt(t);
    const QString s = formatCoordinate(t);
    const QString ctx = shown(t) + " formatted as " + shown(s);
    CHECK(s.endsWith(QChar(0x00BA)), ctx);
    const qsizetype point = s.indexOf(u'.');
    CHECK(point >= 1 && s.size() - point - 2 == 7, ctx);
    CHECK(s.startsWith(u'-') == (n < 0), ctx);
    const QStringView whole = QStringView(s).first(point).sliced(n < 0 ? 1 : 0);
    CHECK(!whole.isEmpty() && (whole == u"0" || whole[0] != u'0'), ctx);
    // Exactly: the magnitude's digits, padded to eight, with the point before the last seven.
    const unsigned __int128 magnitude = n < 0 ? -__int128(n) : __int128(n);
    std::string digits;
    for (unsigned __int128 m = magnitude; m > 0; m /= 10)
        digits.insert(digits.begin(), char('0' + int(m % 10)));
    while (digits.size() < 8) digits.insert(digits.begin(), '0');
    const std::string want = (n < 0 ? "-" : "") + digits.substr(0, digits.size() - 7) + "." +
                             digits.substr(digits.size() - 7);
    CHECK(s == QString::fromLatin1(want.c_str()) + QChar(0x00BA),
          ctx + " instead of " + QString::fromLatin1(want.c_str()));
    // The inverse gives the integer the text was read as.
    CHECK(parseCoordinate(s) == num::writeInt(n), ctx + " parsed back as " + parseCoordinate(s));
    // Whatever the operator types, the result is an integer text in its shortest form.
    const QString p = parseCoordinate(t);
    CHECK(num::writeInt(num::readInt(p)) == p, shown(t) + " parsed as " + shown(p));
}

template <typename T>
T take(const uint8_t* data, size_t size, size_t at) {
    T v{};
    unsigned char raw[sizeof(T)] = {};
    for (size_t i = 0; i < sizeof(T) && at + i < size; ++i) raw[i] = data[at + i];
    std::memcpy(&v, raw, sizeof(T));
    return v;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString latin1 = QString::fromLatin1(bytes);
    const QString utf8 = QString::fromUtf8(bytes);

    checkFraming(bytes);
    checkSplit(latin1, u' ');
    if (size > 0) checkSplit(latin1.sliced(1), latin1[0]);

    for (const QString* t : {&latin1, &utf8}) {
        CHECK(num::readInt(*t) == referenceReadInt(*t),
              shown(*t) + " read as " + num::writeInt(num::readInt(*t)));
        checkDecimal(*t);
        checkCoordinate(*t);
    }

    // The handlers read numbers from single words: each of the first words on its own.
    ReplyFields words;
    splitReplyFields(latin1, u' ', words);
    for (int k = 1; k <= 4 && !words[k].isEmpty(); ++k) {
        CHECK(num::readInt(words[k]) == referenceReadInt(words[k]), shown(words[k]));
        checkDecimal(words[k]);
        checkCoordinate(words[k]);
    }

    const double d = take<double>(data, size, 0);
    const int decimals = size > 8 ? int(int8_t(data[8])) : 1;
    checkWriteFixed(d, decimals);
    checkFloatRoundTrip(take<float>(data, size, 0));
    checkFloatRoundTrip(float(d));
    checkIntegers(take<qint64>(data, size, 0), take<qint64>(data, size, 8), d);
    return 0;
}
