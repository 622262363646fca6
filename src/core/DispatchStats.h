#pragma once
// How long the dispatcher's handlers take, for long runs and benchmarks. Off unless the
// environment variable ATS_DISPATCH_STATS is set; then every dispatch is timed (wall clock, and
// the thread's own CPU time, which a busy machine does not inflate), the slowest is kept, and a
// summary goes to standard error at exit and on each SIGUSR1.

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

#include "UiEvent.h"

class DispatchStats : public QObject {
public:
    /// A recorder when ATS_DISPATCH_STATS is set, otherwise null.
    static std::unique_ptr<DispatchStats> fromEnvironment(std::function<int()> boxesShown);
    ~DispatchStats() override;

    void begin();
    void end(const UiEvent& e);
    /// The summary line: dispatches, the slowest with its event, those over 16 ms, boxes, and
    /// the slowest since the previous summary.
    QString summary() const;
    /// The summary, then a new interval starts.
    QString report();
    qint64 slowestNs() const { return m_slowestNs; }
    qint64 slowestCpuNs() const { return m_slowestCpuNs; }

private:
    explicit DispatchStats(std::function<int()> boxesShown);

    std::function<int()> m_boxesShown;
    QElapsedTimer m_timer;
    QElapsedTimer m_since;
    qint64 m_cpuStartNs = 0;
    qint64 m_slowestCpuNs = 0;
    qint64 m_count = 0;
    qint64 m_over16ms = 0;
    qint64 m_slowestNs = 0;
    qint64 m_slowestAtMs = 0;
    UiEvent m_slowest{UiEvent::Kind::Data, -1, 0};
    qint64 m_intervalSlowestNs = 0;
    qint64 m_intervalSlowestCpuNs = 0;
};
