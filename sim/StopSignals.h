#pragma once
// SIGINT and SIGTERM delivered through the event loop (a signalfd), so that the simulator
// leaves by the normal path and removes what it created.

#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject {
    Q_OBJECT
public:
    /// Blocks SIGINT and SIGTERM for the calling thread and every thread it starts later; call
    /// it first thing in main().
    static void blockInProcess();

    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    bool isValid() const { return m_fd >= 0; }

signals:
    void stopRequested(int signalNumber);

private:
    void readSignal();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
