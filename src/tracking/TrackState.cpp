#include "TrackState.h"

#include <cmath>

namespace tracking {

namespace {

double limitedAngle(double v, double lo, double hi)
{
    if (v < lo) return lo;
    if (v > hi) return hi;
    return v + 0.0;  // no negative zero
}

bool samePoint(const GeoPoint& a, const GeoPoint& b)
{
    return a.latDeg == b.latDeg && a.lonDeg == b.lonDeg && a.heightM == b.heightM;
}

std::optional<double> reading(std::optional<double> v, double divisor, double limit)
{
    if (!v) return std::nullopt;
    const double scaled = *v / divisor;
    if (!(std::abs(scaled) <= limit)) return std::nullopt;
    return scaled + 0.0;
}

}  // namespace

void TrackState::onStatus(QStringView lat1e7, QStringView lon1e7, QStringView altM,
                          QStringView supplyMillivolts, QStringView temperatureC)
{
    const std::optional<GeoPoint> origin = positionFromFields(lat1e7, lon1e7, altM);
    if (!origin) {
        m_observer.reset();
    } else if (!m_observer || !samePoint(m_observer->origin(), *origin)) {
        m_observer.emplace(*origin);
    }
    m_supplyV = reading(decimalFromField(supplyMillivolts), 1000.0, kMaxSupplyV);
    m_temperatureC = reading(decimalFromField(temperatureC), 1.0, kMaxTemperatureC);
}

TrackSample TrackState::onPointing(qint64 utcMs, LinkTag link, double azDeg, double elDeg,
                                   QStringView lat1e7, QStringView lon1e7, QStringView altM,
                                   qint64 flags) const
{
    TrackSample s;
    s.utcMs = utcMs;
    s.link = link;
    // "NaN" is a number to the reply reader, but no direction: the antenna is then unknown.
    if (!std::isnan(azDeg) && !std::isnan(elDeg)) {
        s.antennaAzDeg = limitedAngle(azDeg, 0.0, 360.0);
        s.antennaElDeg = limitedAngle(elDeg, -90.0, 90.0);
    }
    s.vehicle = positionFromFields(lat1e7, lon1e7, altM);
    if (m_observer) s.origin = m_observer->origin();
    if (m_observer && s.vehicle) s.los = m_observer->sight(*s.vehicle);
    if (s.los && s.los->hasDirection && s.antennaAzDeg)
        s.pointingErrorDeg = angleBetweenDeg(*s.antennaAzDeg, *s.antennaElDeg, s.los->azimuthDeg,
                                             s.los->elevationDeg);
    s.trackerFlags = flags;
    s.supplyV = m_supplyV;
    s.temperatureC = m_temperatureC;
    return s;
}

std::optional<GeoPoint> TrackState::origin() const
{
    if (!m_observer) return std::nullopt;
    return m_observer->origin();
}

void TrackState::clear()
{
    m_observer.reset();
    m_supplyV.reset();
    m_temperatureC.reset();
}

}  // namespace tracking
