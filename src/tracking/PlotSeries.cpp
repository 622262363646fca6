#include "PlotSeries.h"

#include <algorithm>

namespace tracking {

PlotPoint toPlotPoint(const TrackSample& s)
{
    PlotPoint p;
    p.t = double(s.utcMs) / 1000.0;
    if (s.antennaAzDeg && s.antennaElDeg) {
        p.has |= kHasAntenna;
        p.antennaAz = float(*s.antennaAzDeg);
        p.antennaEl = float(*s.antennaElDeg);
    }
    if (s.vehicle) p.has |= kHasVehicle;
    if (s.los && s.vehicle && s.origin) {
        p.has |= kHasGeometry;
        p.slantM = float(s.los->slantRangeM);
        p.groundM = float(s.los->groundRangeM);
        p.heightM = float(s.vehicle->heightM - s.origin->heightM);
        p.eastM = float(s.los->eastM);
        p.northM = float(s.los->northM);
        if (s.los->hasDirection) {
            p.has |= kHasDirection;
            p.losAz = float(s.los->azimuthDeg);
            p.losEl = float(s.los->elevationDeg);
        }
    }
    if (s.pointingErrorDeg) {
        p.has |= kHasError;
        p.errorDeg = float(*s.pointingErrorDeg);
    }
    return p;
}

PlotSeries::PlotSeries(qsizetype capacity) : m_capacity(std::max<qsizetype>(capacity, 0)) {}

void PlotSeries::push(PlotPoint point)
{
    const quint64 n = m_pushed;
    const bool grows = m_capacity == 0 || size() < m_capacity;

    // Count the points of the last second among those held once this one is in.
    if (n > 0 && point.t < back().t) m_windowStart = n;
    const quint64 held = m_points.size() + (grows ? 1 : 0);
    m_windowStart = std::max<quint64>(m_windowStart, n + 1 - held);
    // Times are whole milliseconds: half a millisecond of slack absorbs the rounding of t.
    const double from = point.t - 1.0005;
    while (m_windowStart < n && logical(m_windowStart).t < from) ++m_windowStart;
    point.repliesPerS = float(n - m_windowStart + 1);

    if (grows) {
        // Grow by doubling, but never past the capacity.
        if (m_points.size() == m_points.capacity() && m_capacity > 0)
            m_points.reserve(std::min(std::max<std::size_t>(2 * m_points.size(), 64),
                                      std::size_t(m_capacity)));
        m_points.push_back(point);
    } else {
        m_points[m_oldest] = point;
        m_oldest = (m_oldest + 1) % m_points.size();
    }
    ++m_pushed;
}

const PlotPoint& PlotSeries::logical(quint64 n) const
{
    return (*this)[qsizetype(n - (m_pushed - m_points.size()))];
}

const PlotPoint& PlotSeries::operator[](qsizetype i) const
{
    static const PlotPoint none;
    if (i < 0 || i >= size()) return none;
    return m_points[(m_oldest + std::size_t(i)) % m_points.size()];
}

void PlotSeries::clear()
{
    std::vector<PlotPoint>().swap(m_points);
    m_oldest = 0;
    m_pushed = 0;
    m_windowStart = 0;
}

SpanStats maxErrorSince(const PlotSeries& series, double fromT)
{
    return maxErrorBetween(series, fromT, std::numeric_limits<double>::infinity());
}

SpanStats maxErrorBetween(const PlotSeries& series, double fromT, double toT)
{
    SpanStats stats;
    for (qsizetype i = 0; i < series.size(); ++i) {
        const PlotPoint& p = series[i];
        if (!(p.has & kHasError) || p.t < fromT || p.t > toT) continue;
        stats.maxErrorDeg = stats.any ? std::max(stats.maxErrorDeg, double(p.errorDeg))
                                      : double(p.errorDeg);
        stats.any = true;
    }
    return stats;
}

}  // namespace tracking
