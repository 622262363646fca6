#pragma once
// What the console carries only for its tests, benchmarks and long runs, kept together here so
// that none of it hides among the operator's code. Each hook is off unless asked for:
//   --fault-test KIND     (hidden option) raise a processor fault right after start-up;
//   ATS_OPEN_WINDOWS      open menu windows after start-up, as if chosen from the menu;
//   ATS_DISPATCH_STATS    time every dispatch and report the slowest on standard error;
//   ATS_TEST_ANSWER_BOXES print every message box and take its default answer.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

#include "UiEvent.h"

class MessageBoxes;

namespace testhooks {

/// `--fault-test`: right after start-up, raise the fault `kind` ("segv", "fpe", "ill", "bus",
/// "kill-segv") with the fatal error report armed, or disarmed when the kind starts with
/// "disarmed-". An unknown kind ends the console with code 2.
void scheduleFault(const QString& kind);

/// The fault itself: "segv", "fpe", "ill", "bus" with known register values where the processor
/// allows; "kill-segv" sends SIGSEGV to the console itself. Returns only for an unknown kind.
void raiseFault(const QString& kind);

/// ATS_TEST_ANSWER_BOXES: for tests of a console running as a process of its own, each box is
/// printed ("BOX title\x1ftext\x1e") and answered with its default button once it is up.
void answerBoxesFromEnvironment(MessageBoxes& boxes);

/// ATS_OPEN_WINDOWS names menu items (some of motors, mavlink, vehicle, gps, ethernet, audio,
/// device, about, tracking; "all" for every one but tracking), each dispatched as its menu event.
void openWindowsFromEnvironment(const std::function<void(const UiEvent&)>& dispatch);

}  // namespace testhooks

/// ATS_DISPATCH_STATS: how long the dispatcher's handlers take. Every dispatch is timed (wall
/// clock, and the thread's own CPU time, which a busy machine does not inflate), the slowest is
/// kept, and a summary goes to standard error at exit and on each SIGUSR1.
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
