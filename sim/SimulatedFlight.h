#pragma once
// The simulated vehicle's flight: an elliptical circuit south-east of the tracker's usual site,
// high on the way in, low on the way out. A pure function of the time since the
// simulator started, so that the same times always give the same positions.

#include <QtGlobal>

namespace flight {

/// The tracker's position when the simulator starts; the circuit is laid out around it.
constexpr qint64 kSiteLat = 415600000;  ///< 1e-7 degree
constexpr qint64 kSiteLon = -37600000;
constexpr qint64 kSiteAlt = 640;  ///< metres
/// One lap; the flight repeats exactly after it.
constexpr qint64 kPeriodMs = 280000;

struct Fix {
    qint64 lat = 0;  ///< 1e-7 degree
    qint64 lon = 0;
    qint64 alt = 0;  ///< metres
    double groundSpeedMps = 0;
    double courseDeg = 0;  ///< 0 <= course < 360
};

/// Where the vehicle is `sinceStartMs` after the start (any value, negative too).
Fix at(qint64 sinceStartMs);

}  // namespace flight
