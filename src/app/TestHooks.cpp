#include "TestHooks.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>

#include "FatalErrorReport.h"
#include "MainWindow.h"
#include "MessageBoxes.h"

#include <algorithm>

#include <csignal>
#include <cstdio>
#include <ctime>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_reportFds[2] = {-1, -1};  // the handler may only write to a descriptor

void onReportSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_reportFds[0], &byte, 1);
}

qint64 threadCpuNs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

const char* kindName(UiEvent::Kind k)
{
    switch (k) {
    case UiEvent::Kind::Menu:
        return "menu";
    case UiEvent::Kind::Control:
        return "control";
    case UiEvent::Kind::Timer:
        return "timer";
    case UiEvent::Kind::Close:
        return "close";
    case UiEvent::Kind::Data:
        return "data";
    }
    return "?";
}

}  // namespace

namespace testhooks {

void scheduleFault(const QString& kind)
{
    QTimer::singleShot(0, [kind] {
        if (kind.startsWith(u"disarmed-")) {
            raiseFault(kind.mid(9));
        } else {
            fatalreport::arm();
            raiseFault(kind);
        }
        qCritical("--fault-test: no such fault");
        QCoreApplication::exit(2);
    });
}

void raiseFault(const QString& kind)
{
#if defined(__x86_64__)
    // Registers 1..8 in the report's order (RAX, RBX, RCX, RDX, RBP, RSI, RDI, RSP), then the
    // faulting instruction. The handler runs on its own stack, so RSP may hold anything.
    if (kind == u"segv") {
        asm volatile("mov $16, %%rax; mov $2, %%rbx; mov $3, %%rcx; mov $4, %%rdx; mov $5, %%rbp; mov $6, %%rsi; mov $7, %%rdi; mov $8, %%rsp; movb $1, (%%rax)" ::: "memory");  // FAULT segv
    } else if (kind == u"fpe") {
        asm volatile("mov $1, %%rax; mov $2, %%rbx; mov $0, %%rcx; mov $0, %%rdx; mov $5, %%rbp; mov $6, %%rsi; mov $7, %%rdi; mov $8, %%rsp; divq %%rcx" ::: "memory");  // FAULT fpe
    } else if (kind == u"ill") {
        asm volatile("mov $1, %%rax; mov $2, %%rbx; mov $3, %%rcx; mov $4, %%rdx; mov $5, %%rbp; mov $6, %%rsi; mov $7, %%rdi; mov $8, %%rsp; ud2" ::: "memory");  // FAULT ill
    }
#endif
    if (kind == u"bus") {
        // A mapping longer than its file: touching the part past the end is a bus error.
        FILE* f = std::tmpfile();
        if (f) {
            void* p = ::mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fileno(f), 0);
            if (p != MAP_FAILED) *static_cast<volatile char*>(p) = 1;
        }
    }
    if (kind == u"kill-segv") ::kill(::getpid(), SIGSEGV);
    if (kind == u"segv" || kind == u"bus") {
        volatile int* nowhere = nullptr;
        *nowhere = 1;
    }
}


void answerBoxesFromEnvironment(MessageBoxes& boxes)
{
    if (!qEnvironmentVariableIsSet("ATS_TEST_ANSWER_BOXES")) return;
    boxes.setOnShow([](QMessageBox& box) {
        QTimer::singleShot(0, &box, [&box] {
            std::printf("BOX %s\x1f%s\x1e\n", box.windowTitle().toUtf8().constData(),
                        box.text().toUtf8().constData());
            std::fflush(stdout);
            box.done(box.defaultButton() ? box.standardButton(box.defaultButton()) : QMessageBox::Ok);
        });
    });
}

void openWindowsFromEnvironment(const std::function<void(const UiEvent&)>& dispatch)
{
    const QString wanted = qEnvironmentVariable("ATS_OPEN_WINDOWS").toLower();
    if (wanted.isEmpty()) return;
    const QStringList names = wanted.split(u',', Qt::SkipEmptyParts);
    const struct {
        const char* name;
        int item;
    } items[] = {{"motors", mainwindow::Motors},           {"mavlink", mainwindow::Mavlink},
                 {"vehicle", mainwindow::Vehicle},         {"gps", mainwindow::Gps},
                 {"ethernet", mainwindow::EthernetConfig}, {"audio", mainwindow::Audio},
                 {"device", mainwindow::Device},           {"about", mainwindow::About},
                 {"tracking", mainwindow::Tracking}};
    for (const auto& i : items)
        if ((names.contains(u"all") && i.item != mainwindow::Tracking) ||
            names.contains(QLatin1String(i.name)))
            dispatch({UiEvent::Kind::Menu, mainwindow::kWindow, i.item});
}

}  // namespace testhooks

std::unique_ptr<DispatchStats> DispatchStats::fromEnvironment(std::function<int()> boxesShown)
{
    if (qEnvironmentVariableIsEmpty("ATS_DISPATCH_STATS")) return nullptr;
    return std::unique_ptr<DispatchStats>(new DispatchStats(std::move(boxesShown)));
}

DispatchStats::DispatchStats(std::function<int()> boxesShown) : m_boxesShown(std::move(boxesShown))
{
    m_since.start();
    if (g_reportFds[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_reportFds) != 0) return;
    auto* notifier = new QSocketNotifier(g_reportFds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char buf[16];
        [[maybe_unused]] const ssize_t n = ::read(g_reportFds[1], buf, sizeof buf);
        std::fprintf(stderr, "%s\n", qPrintable(report()));
        std::fflush(stderr);
    });
    struct sigaction sa {};
    sa.sa_handler = onReportSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &sa, nullptr);
}

DispatchStats::~DispatchStats()
{
    std::fprintf(stderr, "%s\n", qPrintable(summary()));
    std::signal(SIGUSR1, SIG_DFL);
    for (int& fd : g_reportFds) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

void DispatchStats::begin()
{
    m_cpuStartNs = threadCpuNs();
    m_timer.start();
}

void DispatchStats::end(const UiEvent& e)
{
    const qint64 ns = m_timer.nsecsElapsed();
    const qint64 cpuNs = threadCpuNs() - m_cpuStartNs;
    m_slowestCpuNs = std::max(m_slowestCpuNs, cpuNs);
    m_intervalSlowestCpuNs = std::max(m_intervalSlowestCpuNs, cpuNs);
    m_intervalSlowestNs = std::max(m_intervalSlowestNs, ns);
    ++m_count;
    if (ns > 16'000'000) ++m_over16ms;
    if (ns <= m_slowestNs) return;
    m_slowestNs = ns;
    m_slowestAtMs = m_since.elapsed();
    m_slowest = e;
}

QString DispatchStats::summary() const
{
    return QStringLiteral("dispatch stats: %1 dispatches in %2 s; slowest %3 ms (%4 %5 of window %6, at %7 s); "
                          "%8 over 16 ms; most CPU in one %10 ms; message boxes shown: %9; "
                          "since the last report: slowest %11 ms, most CPU %12 ms")
        .arg(m_count)
        .arg(double(m_since.elapsed()) / 1000.0, 0, 'f', 1)
        .arg(double(m_slowestNs) / 1e6, 0, 'f', 3)
        .arg(QLatin1String(kindName(m_slowest.kind)))
        .arg(m_slowest.number)
        .arg(m_slowest.window)
        .arg(double(m_slowestAtMs) / 1000.0, 0, 'f', 1)
        .arg(m_over16ms)
        .arg(m_boxesShown ? m_boxesShown() : 0)
        .arg(double(m_slowestCpuNs) / 1e6, 0, 'f', 3)
        .arg(double(m_intervalSlowestNs) / 1e6, 0, 'f', 3)
        .arg(double(m_intervalSlowestCpuNs) / 1e6, 0, 'f', 3);
}

QString DispatchStats::report()
{
    const QString line = summary();
    m_intervalSlowestNs = 0;
    m_intervalSlowestCpuNs = 0;
    return line;
}
