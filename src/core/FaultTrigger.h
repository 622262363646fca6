#pragma once
// Faults on request, for the tests of the fatal error report (the hidden --fault-test option).

#include <QString>

namespace faulttrigger {

/// "segv", "fpe", "ill", "bus" fault with known register values where the processor allows;
/// "kill-segv" sends SIGSEGV to the console itself. Returns only for an unknown kind.
void trigger(const QString& kind);

}  // namespace faulttrigger
