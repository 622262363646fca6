#pragma once
// Codes in the tracker's replies turned into the texts, colours and visibility they give.

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <optional>

#include "Rgb.h"

namespace flags {
// Bits of the pointing reply's status word; bits above 7 mean nothing.
inline constexpr qint64 kAzimuthLamp = 1;
inline constexpr qint64 kElevationLampA = 2;
inline constexpr qint64 kElevationLampB = 4;
inline constexpr qint64 kGcsEnabled = 8;
inline constexpr qint64 kGcsDetected = 16;
inline constexpr qint64 kGaugeAlarm = 32;
inline constexpr qint64 kFramOk = 64;
inline constexpr qint64 kMavlinkReceiving = 128;
/// The bits the gauges draw from.
inline constexpr qint64 kGaugeBits = kAzimuthLamp | kElevationLampA | kElevationLampB | kGaugeAlarm;
}  // namespace flags

/// The alarm field's text: the words of the set bits 0..6 in bit order, "Link|BATH|BATL|TEL|
/// FS|VCCL|VCCH" when all are set, empty when none is.
QString alarmText(qint64 alarmFlags);

/// How one axis' calibration state shows in its field (55 for X, 56 for Y).
struct CalibrationDisplay {
    bool changes = false;       ///< false: leave the field exactly as it is
    QString text;
    Rgb background;
    bool show = false;          ///< make the field visible
    bool resetOkCounter = false;  ///< the poller's OK counter of this axis goes back to 0
};
CalibrationDisplay decodeCalibration(int state);

/// The two axis states packed in the pointing reply's calibration field.
inline int calibrationX(qint64 packed) { return int(packed & 15); }
inline int calibrationY(qint64 packed) { return int((packed & 240) / 16); }

/// The vehicle's GPS fix type (compared as text, exactly); nullopt leaves the field unchanged.
struct FixDisplay {
    QString text;
    Rgb background;
};
std::optional<FixDisplay> decodeFixType(QStringView field);

/// The GPS_RAW rate light of the main window: nullopt below 0 (nothing changes).
std::optional<Rgb> gpsRawRateColour(qint64 rate);
/// The rate lights of the MAVLink statistics panel: red at 0 and below.
Rgb mavlinkRateColour(qint64 rate);

/// Fan, heater and local GPS status lights.
inline Rgb activeLight(bool on) { return on ? colour::kActive : colour::kField; }
/// Green or red.
inline Rgb goodBad(bool good) { return good ? colour::kGood : colour::kBad; }
