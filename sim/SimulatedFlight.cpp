#include "SimulatedFlight.h"

#include "Numbers.h"

#include <GeographicLib/LocalCartesian.hpp>
#include <cmath>
#include <numbers>

namespace flight {

namespace {

constexpr double kPi = std::numbers::pi;
/// The ellipse: its centre lies this far from the site along the bearing, its long axis points
/// at the site. Seen from the site it spans about 95..175 degrees of azimuth and 330 m to
/// 2.45 km of range.
constexpr double kBearingDeg = 135.0;
constexpr double kCentreM = 1350.0;
constexpr double kAlongM = 1100.0;
constexpr double kAcrossM = 680.0;
/// Height above the site: 50..400 m, highest half-way in, lowest half-way out.
constexpr double kMeanHeightM = 225.0;
constexpr double kHeightSwingM = 175.0;
/// The start: farthest out, low in the sky (where a tracker spends most of a flight), so that
/// a fixed azimuth offset first shows as nearly the same pointing error; the closest pass,
/// 40 degrees up, comes 140 s later.
constexpr double kStartAngle = 0.0;

const GeographicLib::LocalCartesian& siteFrame() {
    static const GeographicLib::LocalCartesian frame(double(kSiteLat) * 1e-7,
                                                     double(kSiteLon) * 1e-7, double(kSiteAlt));
    return frame;
}

}  // namespace

Fix at(qint64 sinceStartMs) {
    // The remainder keeps the phase exact however large the clock gets.
    qint64 phaseMs = sinceStartMs % kPeriodMs;
    if (phaseMs < 0) phaseMs += kPeriodMs;
    const double rate = 2.0 * kPi / (double(kPeriodMs) / 1000.0);  // radians a second
    const double angle = kStartAngle + rate * double(phaseMs) / 1000.0;
    const double bearing = kBearingDeg * kPi / 180.0;
    // Unit vectors (east, north): out from the site, and across.
    const double outE = std::sin(bearing), outN = std::cos(bearing);
    const double acrossE = std::cos(bearing), acrossN = -std::sin(bearing);

    const double along = kCentreM + kAlongM * std::cos(angle);
    const double across = kAcrossM * std::sin(angle);
    const double east = along * outE + across * acrossE;
    const double north = along * outN + across * acrossN;
    const double alongSpeed = -kAlongM * rate * std::sin(angle);
    const double acrossSpeed = kAcrossM * rate * std::cos(angle);
    const double speedE = alongSpeed * outE + acrossSpeed * acrossE;
    const double speedN = alongSpeed * outN + acrossSpeed * acrossN;

    double lat = 0, lon = 0, h = 0;
    siteFrame().Reverse(east, north, 0.0, lat, lon, h);
    double course = std::atan2(speedE, speedN) * 180.0 / kPi;
    if (course < 0) course += 360.0;
    Fix fix;
    fix.lat = num::roundHalfEven(lat * 1e7);
    fix.lon = num::roundHalfEven(lon * 1e7);
    fix.alt = kSiteAlt + num::roundHalfEven(kMeanHeightM + kHeightSwingM * std::sin(angle));
    fix.groundSpeedMps = std::hypot(speedE, speedN);
    fix.courseDeg = course >= 360.0 ? 0.0 : course;
    return fix;
}

}  // namespace flight
