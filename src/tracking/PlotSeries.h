#pragma once
// What the plots draw: a compact point per sample, and a bounded series of them (a ring that
// drops the oldest point when full). Absent values are 0 with their bit in `has` clear, never
// NaN.

#include <QtGlobal>
#include <limits>
#include <vector>

#include "TrackSample.h"

namespace tracking {

/// Bits of PlotPoint::has.
inline constexpr quint8 kHasVehicle = 1;    ///< heightM (with kHasGeometry)
inline constexpr quint8 kHasGeometry = 2;   ///< slantM, groundM, heightM, eastM, northM
inline constexpr quint8 kHasDirection = 4;  ///< losAz, losEl
inline constexpr quint8 kHasError = 8;      ///< errorDeg
inline constexpr quint8 kHasAntenna = 16;   ///< antennaAz, antennaEl

struct PlotPoint {
    double t = 0;  ///< seconds since the epoch, UTC
    float antennaAz = 0, antennaEl = 0;
    float losAz = 0, losEl = 0;
    float slantM = 0, groundM = 0, errorDeg = 0;
    float heightM = 0;  ///< the vehicle's height minus the tracker's
    float eastM = 0, northM = 0;
    float repliesPerS = 0;  ///< points pushed in the second ending at t, this one included
    quint8 has = 0;
};

/// The point of a sample; repliesPerS is left 0 (PlotSeries::push sets it).
PlotPoint toPlotPoint(const TrackSample& sample);

/// 15 minutes at 10 replies a second.
inline constexpr qsizetype kLiveCapacity = 9000;

class PlotSeries {
public:
    /// At most `capacity` points (the oldest go first); 0 keeps every point. Memory is taken as
    /// points arrive, not up front.
    explicit PlotSeries(qsizetype capacity = kLiveCapacity);

    void push(const TrackSample& sample) { push(toPlotPoint(sample)); }
    /// Adds `point` with its repliesPerS counted among the points held. A time earlier than the
    /// last one (a clock set back) starts the count again.
    void push(PlotPoint point);

    qsizetype size() const { return qsizetype(m_points.size()); }
    bool isEmpty() const { return m_points.empty(); }
    qsizetype capacity() const { return m_capacity; }
    /// Oldest first; a default point for an index out of range.
    const PlotPoint& operator[](qsizetype i) const;
    /// The newest point (a default one when empty).
    const PlotPoint& back() const { return (*this)[size() - 1]; }
    /// Drops every point and the memory they took.
    void clear();

private:
    const PlotPoint& logical(quint64 n) const;  ///< the n-th point ever pushed, if still held

    std::vector<PlotPoint> m_points;
    qsizetype m_capacity;
    std::size_t m_oldest = 0;  ///< where the oldest point is in m_points once it is full
    quint64 m_pushed = 0;
    quint64 m_windowStart = 0;  ///< the oldest point within a second of the newest
};

struct SpanStats {
    double maxErrorDeg = 0;
    bool any = false;  ///< some point in the span has a pointing error
};

/// The largest pointing error among the points at or after `fromT`.
SpanStats maxErrorSince(const PlotSeries& series, double fromT);
/// The largest pointing error among the points from `fromT` to `toT`, both included.
SpanStats maxErrorBetween(const PlotSeries& series, double fromT, double toT);

}  // namespace tracking
