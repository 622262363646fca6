#include "LineOfSight.h"

#include <GeographicLib/Geodesic.hpp>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace tracking {

namespace {

constexpr double kMaxHeightM = 1e7;
/// Closer than this, the vehicle is on the tracker and has no direction.
constexpr double kNoDirectionM = 1e-3;

double degrees(double rad) { return rad * 180.0 / std::numbers::pi; }
double radians(double deg) { return deg * std::numbers::pi / 180.0; }

}  // namespace

bool usable(const GeoPoint& p)
{
    return std::isfinite(p.latDeg) && std::isfinite(p.lonDeg) && std::isfinite(p.heightM) &&
           std::abs(p.latDeg) <= 90 && std::abs(p.lonDeg) <= 180 &&
           std::abs(p.heightM) <= kMaxHeightM;
}

Observer::Observer(const GeoPoint& origin) : m_origin(origin), m_valid(usable(origin))
{
    if (m_valid) m_frame.Reset(origin.latDeg, origin.lonDeg, origin.heightM);
}

std::optional<LineOfSight> Observer::sight(const GeoPoint& vehicle) const
{
    if (!m_valid || !usable(vehicle)) return std::nullopt;
    LineOfSight s;
    m_frame.Forward(vehicle.latDeg, vehicle.lonDeg, vehicle.heightM, s.eastM, s.northM, s.upM);
    const double horizontal = std::hypot(s.eastM, s.northM);
    s.slantRangeM = std::hypot(horizontal, s.upM);
    GeographicLib::Geodesic::WGS84().Inverse(m_origin.latDeg, m_origin.lonDeg, vehicle.latDeg,
                                             vehicle.lonDeg, s.groundRangeM);
    s.hasDirection = s.slantRangeM >= kNoDirectionM;
    if (s.hasDirection) {
        // + 0.0 turns the -0.0 of atan2(-0.0, ...) into 0.0; 360 comes from rounding up a tiny
        // negative angle.
        s.azimuthDeg = degrees(std::atan2(s.eastM, s.northM)) + 0.0;
        if (s.azimuthDeg < 0) s.azimuthDeg += 360.0;
        if (s.azimuthDeg >= 360.0) s.azimuthDeg = 0.0;
        s.elevationDeg = degrees(std::atan2(s.upM, horizontal)) + 0.0;
    }
    return s;
}

std::optional<LineOfSight> lineOfSight(const GeoPoint& origin, const GeoPoint& vehicle)
{
    return Observer(origin).sight(vehicle);
}

double angleBetweenDeg(double azimuth1Deg, double elevation1Deg, double azimuth2Deg,
                       double elevation2Deg)
{
    const auto unit = [](double az, double el, double v[3]) {
        const double a = radians(az), e = radians(el);
        v[0] = std::cos(e) * std::sin(a);
        v[1] = std::cos(e) * std::cos(a);
        v[2] = std::sin(e);
    };
    double u[3], w[3];
    unit(azimuth1Deg, elevation1Deg, u);
    unit(azimuth2Deg, elevation2Deg, w);
    // atan2 of the cross and dot products stays exact for small and near-opposite angles.
    const double cross = std::hypot(u[1] * w[2] - u[2] * w[1], u[2] * w[0] - u[0] * w[2],
                                    u[0] * w[1] - u[1] * w[0]);
    const double dot = u[0] * w[0] + u[1] * w[1] + u[2] * w[2];
    return std::clamp(degrees(std::atan2(cross, dot)), 0.0, 180.0);
}

}  // namespace tracking
