#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalFds[2] = {-1, -1};  // the handler may only write to a descriptor

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalFds[0], &byte, 1);
}
}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> callback, QObject* parent)
    : QObject(parent)
{
    if (g_signalFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalFds) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [callback] {
        char buf[16];
        [[maybe_unused]] const ssize_t n = ::read(g_signalFds[1], buf, sizeof buf);
        callback();
    });
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
}

TerminationSignals::~TerminationSignals()
{
    for (const int s : {SIGTERM, SIGINT, SIGHUP}) std::signal(s, SIG_DFL);
    for (int& fd : g_signalFds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}
