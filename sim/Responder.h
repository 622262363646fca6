#pragma once
// Where every transport hands its commands: the one tracker model, the simulator's clock and
// the optional command log.

#include "TrackerModel.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>

class LineOutput;
class ReplayScript;

enum class SimLink { Udp, Tcp, Pty };

class Responder {
public:
    /// `log` receives one line per command when given. With `replay`, the capture answers
    /// instead of the model. `pointingOffsetDeg` goes to the model (TrackerModel).
    explicit Responder(LineOutput* log = nullptr, ReplayScript* replay = nullptr,
                       double pointingOffsetDeg = 0);

    /// The reply to one command as it leaves on `link`: over the pty with the end marker.
    /// Empty when there is nothing to send (only when replaying).
    /// `raw` is what arrived (for the log), `command` the command text inside it.
    QByteArray answer(SimLink link, QByteArrayView raw, QByteArrayView command);

private:
    LineOutput* m_log;
    ReplayScript* m_replay;
    QElapsedTimer m_clock;
    TrackerModel m_model;
};
