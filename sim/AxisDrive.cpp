#include "AxisDrive.h"

#include "Numbers.h"

#include <algorithm>
#include <cmath>

AxisDrive::AxisDrive(double minDeg, double maxDeg, double startDeg, double slewDegPerS)
    : m_min(std::min(minDeg, maxDeg)),
      m_max(std::max(minDeg, maxDeg)),
      m_slew(std::isfinite(slewDegPerS) ? std::max(slewDegPerS, 0.0) : 0.0) {
    m_target = m_slewFrom = limit(startDeg);
}

double AxisDrive::limit(double deg) const {
    if (std::isnan(deg)) return m_min;
    return std::clamp(deg, m_min, m_max);
}

double AxisDrive::positionAt(qint64 nowMs) const {
    const qint64 elapsedMs = std::max<qint64>(num::saturatingSub(nowMs, m_slewStartMs), 0);
    const double travel = m_slew * double(elapsedMs) / 1000.0;
    const double remaining = m_target - m_slewFrom;
    if (std::abs(remaining) <= travel) return m_target;
    return limit(m_slewFrom + std::copysign(travel, remaining));
}

void AxisDrive::moveTo(double targetDeg, qint64 nowMs) {
    if (std::isnan(targetDeg)) return;
    m_slewFrom = positionAt(nowMs);
    m_slewStartMs = nowMs;
    m_target = limit(targetDeg);
}
