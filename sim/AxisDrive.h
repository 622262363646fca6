#pragma once
// One axis of the tracker. Left alone it wanders by itself (the azimuth turns round, the
// elevation nods); once given a target it slews there at a fixed rate and holds.

#include <QtGlobal>

/// How an axis moves before anyone commands it.
struct AxisWander {
    enum class Kind { Rotate, Oscillate };
    Kind kind = Kind::Rotate;
    double baseDeg = 0;       ///< Rotate: position at time 0; Oscillate: the centre
    double rateDegPerS = 0;   ///< Rotate only
    double amplitudeDeg = 0;  ///< Oscillate only
    qint64 periodMs = 1;      ///< Oscillate only
};

class AxisDrive {
public:
    /// A rotating axis wraps within [minDeg, maxDeg); every position stays inside the range.
    AxisDrive(double minDeg, double maxDeg, AxisWander wander, double slewDegPerS);

    double positionAt(qint64 nowMs) const;

    /// Starts a slew from wherever the axis is at `nowMs`. The target is limited to the range;
    /// NaN leaves the axis as it is.
    void moveTo(double targetDeg, qint64 nowMs);

    bool wandering() const { return m_wandering; }
    double targetDeg() const { return m_target; }
    double minDeg() const { return m_min; }
    double maxDeg() const { return m_max; }

private:
    double wanderAt(qint64 nowMs) const;
    double limit(double deg) const;

    double m_min;
    double m_max;
    AxisWander m_wander;
    double m_slew;
    bool m_wandering = true;
    qint64 m_slewStartMs = 0;
    double m_slewFrom = 0;
    double m_target = 0;
};
