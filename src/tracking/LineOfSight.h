#pragma once
// Where the vehicle is, seen from the tracker: the line of sight from the tracker's position to
// the vehicle's on the WGS84 ellipsoid, and how far the antenna's direction is from it. Pure
// functions over GeographicLib; heights are heights above the ellipsoid, as received.

#include <GeographicLib/LocalCartesian.hpp>
#include <optional>

namespace tracking {

struct GeoPoint {
    double latDeg = 0;   ///< -90..90
    double lonDeg = 0;   ///< -180..180
    double heightM = 0;  ///< above the ellipsoid
};

struct LineOfSight {
    double eastM = 0;  ///< the vehicle in the tracker's local east, north, up frame
    double northM = 0;
    double upM = 0;
    double slantRangeM = 0;
    double groundRangeM = 0;  ///< along the ellipsoid (the geodesic between the two points)
    bool hasDirection = false;  ///< false when the vehicle sits on the tracker (no direction)
    double azimuthDeg = 0;      ///< from true north, clockwise, 0 <= az < 360
    double elevationDeg = 0;    ///< -90..90
};

/// A point the geometry can use: latitude within ±90, longitude within ±180, a finite height
/// within ±10,000 km. Anything else is no position at all.
bool usable(const GeoPoint& p);

/// The tracker's local frame, set up once per tracker position.
class Observer {
public:
    /// An observer at an unusable position sees nothing.
    explicit Observer(const GeoPoint& origin);

    const GeoPoint& origin() const { return m_origin; }
    bool valid() const { return m_valid; }

    /// The line of sight to `vehicle`; empty when either position is unusable.
    std::optional<LineOfSight> sight(const GeoPoint& vehicle) const;

private:
    GeoPoint m_origin;
    bool m_valid = false;
    GeographicLib::LocalCartesian m_frame;
};

/// `Observer(origin).sight(vehicle)`.
std::optional<LineOfSight> lineOfSight(const GeoPoint& origin, const GeoPoint& vehicle);

/// The angle between two directions given as azimuth and elevation, in degrees, 0..180: the
/// great-circle angle, not a difference of azimuths.
double angleBetweenDeg(double azimuth1Deg, double elevation1Deg, double azimuth2Deg,
                       double elevation2Deg);

}  // namespace tracking
