#pragma once
// The console's view of the flight: the tracker's position and its last supply and temperature
// readings from the status reply, and from each pointing reply a TrackSample.

#include <QStringView>
#include <optional>

#include "LineOfSight.h"
#include "TrackSample.h"

namespace tracking {

class TrackState {
public:
    /// A status reply's origin (1e-7 degree integers and metres, as positionFromFields reads
    /// them), supply voltage in millivolts and temperature in degrees C. A field that is empty
    /// or no number makes that value unknown until the next status reply.
    void onStatus(QStringView lat1e7, QStringView lon1e7, QStringView altM,
                  QStringView supplyMillivolts, QStringView temperatureC);

    /// The sample of a pointing reply. The antenna's angles are limited to 0..360 and -90..90
    /// (a NaN angle: no antenna direction); the geometry is there only when both the origin and the
    /// vehicle are known, the pointing error only when the line of sight has a direction.
    TrackSample onPointing(qint64 utcMs, LinkTag link, double azDeg, double elDeg,
                           QStringView lat1e7, QStringView lon1e7, QStringView altM,
                           qint64 flags) const;

    std::optional<GeoPoint> origin() const;
    std::optional<double> supplyV() const { return m_supplyV; }
    std::optional<double> temperatureC() const { return m_temperatureC; }

    /// Forgets the origin and the readings (another tracker, another link).
    void clear();

private:
    std::optional<Observer> m_observer;  ///< set up at the origin, rebuilt only when it moves
    std::optional<double> m_supplyV;
    std::optional<double> m_temperatureC;
};

}  // namespace tracking
