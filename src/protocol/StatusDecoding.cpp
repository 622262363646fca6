#include "StatusDecoding.h"

#include <array>

QString alarmText(qint64 alarmFlags) {
    static constexpr std::array<const char16_t*, 7> kWords = {u"Link|", u"BATH|", u"BATL|", u"TEL|",
                                                              u"FS|",   u"VCCL|", u"VCCH"};
    QString text;
    for (std::size_t bit = 0; bit < kWords.size(); ++bit) {
        if (alarmFlags & (qint64(1) << bit)) text += QStringView(kWords[bit]);
    }
    return text;
}

CalibrationDisplay decodeCalibration(int state) {
    switch (state) {
        case 1:
            return {true, QStringLiteral("Calibrating"), Rgb{255, 188, 0}, true, true};
        case 2:
            // Stays as visible as it is: the poller hides it after a while.
            return {true, QStringLiteral("OK"), Rgb{39, 255, 0}, false, false};
        case 3:
            return {true, QStringLiteral("ERROR"), Rgb{255, 0, 0}, true, false};
        case 4:
            return {true, QStringLiteral("Not calibrated"), Rgb{149, 149, 149}, true, false};
        default:
            return {};
    }
}

std::optional<FixDisplay> decodeFixType(QStringView field) {
    struct Row {
        const char16_t* code;
        const char16_t* text;
        Rgb background;
    };
    static constexpr std::array<Row, 7> kRows = {{
        {u"0", u"Invalid fix", colour::kBad},
        {u"1", u"Autonomous GPS", colour::kGood},
        {u"2", u"Differential", colour::kGood},
        {u"3", u"PPS", colour::kGood},
        {u"4", u"RTK", colour::kGood},
        {u"5", u"Floating RTK", colour::kGood},
        {u"6", u"Own Estimate", colour::kGood},
    }};
    for (const Row& row : kRows) {
        if (field == QStringView(row.code))
            return FixDisplay{QString::fromUtf16(row.text), row.background};
    }
    return std::nullopt;
}

std::optional<Rgb> gpsRawRateColour(qint64 rate) {
    if (rate < 0) return std::nullopt;
    if (rate == 0) return colour::kBad;
    if (rate == 1) return Rgb{255, 169, 0};
    return colour::kGood;
}

Rgb mavlinkRateColour(qint64 rate) {
    if (rate <= 0) return colour::kBad;
    if (rate == 1) return Rgb{255, 141, 0};
    return colour::kGood;
}
