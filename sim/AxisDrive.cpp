#include "AxisDrive.h"

#include "Numbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

AxisDrive::AxisDrive(double minDeg, double maxDeg, AxisWander wander, double slewDegPerS)
    : m_min(std::min(minDeg, maxDeg)),
      m_max(std::max(minDeg, maxDeg)),
      m_wander(wander),
      m_slew(std::isfinite(slewDegPerS) ? std::max(slewDegPerS, 0.0) : 0.0) {
    m_wander.periodMs = std::max<qint64>(m_wander.periodMs, 1);
    m_target = limit(m_wander.baseDeg);
}

double AxisDrive::limit(double deg) const {
    if (std::isnan(deg)) return m_min;
    return std::clamp(deg, m_min, m_max);
}

double AxisDrive::wanderAt(qint64 nowMs) const {
    if (m_wander.kind == AxisWander::Kind::Rotate) {
        const double span = m_max - m_min;
        if (span <= 0) return m_min;
        double p = std::fmod(
            m_wander.baseDeg - m_min + m_wander.rateDegPerS * double(nowMs) / 1000.0, span);
        if (!std::isfinite(p)) return m_min;
        if (p < 0) p += span;
        return limit(m_min + p);
    }
    // The remainder keeps the phase exact however large the clock gets.
    qint64 phaseMs = nowMs % m_wander.periodMs;
    if (phaseMs < 0) phaseMs += m_wander.periodMs;
    const double phase = 2.0 * std::numbers::pi * double(phaseMs) / double(m_wander.periodMs);
    return limit(m_wander.baseDeg + m_wander.amplitudeDeg * std::sin(phase));
}

double AxisDrive::positionAt(qint64 nowMs) const {
    if (m_wandering) return wanderAt(nowMs);
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
    m_wandering = false;
}
