#pragma once
// One pointing reply as the console saw it: where the antenna points, where the vehicle and the
// tracker are, what follows from that, and the tracker's last supply and temperature readings.
// Unknown is an empty optional, never NaN.

#include <QLatin1String>
#include <QStringView>
#include <QtGlobal>
#include <optional>

#include "LineOfSight.h"

namespace tracking {

/// The link the reply came over.
enum class LinkTag : quint8 { None, Com, Udp, Tcp };

/// "", "com", "udp", "tcp".
QLatin1String linkText(LinkTag link);

struct TrackSample {
    qint64 utcMs = 0;  ///< when the reply arrived, milliseconds since the epoch, UTC
    LinkTag link = LinkTag::None;
    std::optional<double> antennaAzDeg;  ///< 0..360; both or neither: empty when the tracker
    std::optional<double> antennaElDeg;  ///< -90..90  sent no number for an angle
    std::optional<GeoPoint> vehicle;
    std::optional<GeoPoint> origin;           ///< the tracker
    std::optional<LineOfSight> los;           ///< when both positions are known
    std::optional<double> pointingErrorDeg;   ///< when the line of sight has a direction
    qint64 trackerFlags = 0;
    std::optional<double> supplyV;
    std::optional<double> temperatureC;
};

/// Readings past these magnitudes are no readings (they would not fit a record's line).
inline constexpr double kMaxSupplyV = 1e6;
inline constexpr double kMaxTemperatureC = 1e6;

/// A position from the tracker's fields: latitude and longitude as signed decimal integers in
/// units of 1e-7 degree, the height as a decimal number of metres ("." is the point in every
/// locale). Leading blanks are allowed, and blanks, CR and LF after the number; nothing else.
/// Empty when any field is missing or malformed, the latitude is past ±90 or the longitude past
/// ±180 degrees, the height past ±10,000 km, or when latitude and longitude are both exactly 0:
/// that is how MAVLink says "no position yet", and the tracker passes it on.
std::optional<GeoPoint> positionFromFields(QStringView lat1e7, QStringView lon1e7,
                                           QStringView altM);

/// A decimal number as positionFromFields reads the height: optional sign, digits with at most
/// one ".", at least one digit; blanks around it as there. Empty for anything else.
std::optional<double> decimalFromField(QStringView text);

}  // namespace tracking
