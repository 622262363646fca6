#pragma once
// SIGTERM, SIGINT and SIGHUP close the main window like the operator would, so that a console
// stopped from a terminal or a script shuts down in order and exits with code 0.

#include <QObject>
#include <functional>

class TerminationSignals : public QObject {
public:
    /// `onSignal` runs on the event loop, never inside the signal handler.
    explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TerminationSignals() override;
};
