#pragma once
// One axis of the tracker: given a target it slews there at a fixed rate and holds.

#include <QtGlobal>

class AxisDrive {
public:
    /// Every position stays within [minDeg, maxDeg]; the axis starts at rest at `startDeg`.
    AxisDrive(double minDeg, double maxDeg, double startDeg, double slewDegPerS);

    double positionAt(qint64 nowMs) const;

    /// Starts a slew from wherever the axis is at `nowMs`. The target is limited to the range;
    /// NaN leaves the axis as it is.
    void moveTo(double targetDeg, qint64 nowMs);

    double targetDeg() const { return m_target; }

private:
    double limit(double deg) const;

    double m_min;
    double m_max;
    double m_slew;
    qint64 m_slewStartMs = 0;
    double m_slewFrom = 0;
    double m_target = 0;
};
