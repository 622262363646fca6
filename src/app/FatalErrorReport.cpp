#include "FatalErrorReport.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStyleFactory>

#include <csignal>
#include <cstdint>
#include <cstring>
#include <link.h>
#include <ucontext.h>
#include <unistd.h>

#include "Fonts.h"
#include "MessageBoxes.h"
#include "TestHooks.h"

extern char** environ;

namespace fatalreport {
namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
constexpr std::int32_t kAccessViolation = std::int32_t(0xC0000005u);

// Everything the handler touches is set up before it can run.
const char* g_programName = nullptr;
bool g_armed = false;
bool g_handlerInstalled = false;
std::uintptr_t g_loadBias = 0;     // the program's addresses in memory minus those in its file
std::uintptr_t g_textBegin = 0;    // the program's executable code in memory
std::uintptr_t g_textEnd = 0;
alignas(16) char g_altStack[64 * 1024];
char g_head[2048];
char g_tail[1024];
char g_address[32];
char g_option[] = "--fatal-error-report";

/// Appends to a fixed buffer without allocating; always leaves it terminated.
struct Writer {
    char* out;
    std::size_t cap;
    std::size_t len = 0;
    void text(const char* s) {
        while (*s && len + 1 < cap) out[len++] = *s++;
        out[len] = '\0';
    }
    void number(std::int64_t v) {
        char digits[24];
        int n = 0;
        std::uint64_t m = v < 0 ? 0 - std::uint64_t(v) : std::uint64_t(v);
        do digits[n++] = char('0' + m % 10); while ((m /= 10) != 0);
        if (v < 0) digits[n++] = '-';
        char s[24];
        for (int i = 0; i < n; ++i) s[i] = digits[n - 1 - i];
        s[n] = '\0';
        text(s);
    }
    void hex(std::uint64_t v) {
        char s[20];
        int n = 0;
        s[n++] = '0';
        s[n++] = 'x';
        for (int shift = 60; shift >= 0; shift -= 4) s[n++] = "0123456789abcdef"[(v >> shift) & 15];
        s[n] = '\0';
        text(s);
    }
};

struct Fault {
    std::int32_t code;
    const char* description;
};

/// The fault's code as the report gives it, and its description.
Fault describe(int signal, int siCode)
{
    switch (signal) {
    case SIGSEGV:
        return {kAccessViolation, "Invalid memory access"};
    case SIGBUS:
        if (siCode == BUS_ADRALN) return {std::int32_t(0x80000002u), "Misaligned memory access"};
        return {std::int32_t(0xC0000006u), "Memory that could not be paged in"};
    case SIGFPE:
        switch (siCode) {
        case FPE_INTDIV: return {std::int32_t(0xC0000094u), "Integer division by zero"};
        case FPE_INTOVF: return {std::int32_t(0xC0000095u), "Integer overflow"};
        case FPE_FLTDIV: return {std::int32_t(0xC000008Eu), "Floating-point division by zero"};
        case FPE_FLTOVF: return {std::int32_t(0xC0000091u), "Floating-point overflow"};
        case FPE_FLTUND: return {std::int32_t(0xC0000093u), "Floating-point underflow"};
        case FPE_FLTRES: return {std::int32_t(0xC000008Fu), "Floating-point inexact result"};
        case FPE_FLTSUB: return {std::int32_t(0xC000008Cu), "Array bounds exceeded"};
        default: return {std::int32_t(0xC0000090u), "Invalid arithmetic operation"};
        }
    default:
        if (siCode == ILL_PRVOPC || siCode == ILL_PRVREG)
            return {std::int32_t(0xC0000096u), "Privileged instruction"};
        return {std::int32_t(0xC000001Du), "Illegal instruction"};
    }
}

void onFault(int signal, siginfo_t* info, void* context)
{
    const auto* uc = static_cast<const ucontext_t*>(context);
    const Fault f = describe(signal, info->si_code);
    const bool sent = info->si_code <= 0;  // kill(), tgkill(), sigqueue()
#if defined(__x86_64__)
    const greg_t* r = uc->uc_mcontext.gregs;
    const std::int64_t pc = r[REG_RIP];
    const std::int64_t regs[] = {r[REG_RAX], r[REG_RBX], r[REG_RCX], r[REG_RDX],
                                 r[REG_RBP], r[REG_RSI], r[REG_RDI], r[REG_RSP]};
#else
    (void)uc;
    const std::int64_t pc = 0;
    const std::int64_t regs[8] = {};
#endif
    Writer h{g_head, sizeof g_head};
    h.text("A program error was detected:\r\rError Message:   ");
    h.text(f.description);
    if (sent) {
        h.text(" (signal sent by process ");
        h.number(info->si_pid);
        h.text(")");
    }
    h.text("\rError Code:      ");
    h.number(f.code);
    h.text("\rCode Address:    ");
    h.number(pc);
    h.text("\r");
    if (f.code == kAccessViolation) {
        h.text("Target Address:  ");
        h.number(sent ? 0 : std::int64_t(reinterpret_cast<std::uintptr_t>(info->si_addr)));
        h.text("\r");
    }

    static const char* const names[] = {"RAX = ", "RBX = ", "RCX = ", "RDX = ",
                                        "RBP = ", "RSI = ", "RDI = ", "RSP = "};
    Writer t{g_tail, sizeof g_tail};
    t.text("\rRegister content:\r");
    for (int i = 0; i < 8; ++i) {
        t.text(names[i]);
        t.number(regs[i]);
        t.text("\r");
    }
    t.text("Display of registers R8-R15 skipped.\r");

    Writer a{g_address, sizeof g_address};
    const auto upc = std::uintptr_t(pc);
    if (upc >= g_textBegin && upc < g_textEnd) a.hex(upc - g_loadBias);
    else a.text("-");

    char* argv[] = {const_cast<char*>(g_programName), g_option, g_head, g_tail, g_address, nullptr};
    ::execve("/proc/self/exe", argv, environ);
    // The report cannot be shown: die by the signal as if disarmed.
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

int findProgram(dl_phdr_info* info, std::size_t, void*)
{
    // The first object is the program itself.
    g_loadBias = info->dlpi_addr;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& p = info->dlpi_phdr[i];
        if (p.p_type != PT_LOAD || !(p.p_flags & PF_X)) continue;
        const std::uintptr_t begin = info->dlpi_addr + p.p_vaddr;
        if (g_textBegin == 0 || begin < g_textBegin) g_textBegin = begin;
        if (begin + p.p_memsz > g_textEnd) g_textEnd = begin + p.p_memsz;
    }
    return 1;
}

void installHandler()
{
    if (g_handlerInstalled || !g_programName) return;
    g_handlerInstalled = true;
    dl_iterate_phdr(findProgram, nullptr);
    stack_t ss{};
    ss.ss_sp = g_altStack;
    ss.ss_size = sizeof g_altStack;
    ::sigaltstack(&ss, nullptr);  // a stack overflow must not keep the report from running
}

}  // namespace

void install(const char* programName) { g_programName = programName; }

void arm()
{
    if (g_armed) return;
    g_armed = true;
    installHandler();
    if (!g_handlerInstalled) return;
    struct sigaction sa {};
    sa.sa_sigaction = onFault;
    // A second fault inside the handler must not run it again over the half-built report.
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) sigaddset(&sa.sa_mask, s);
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    for (int s : kSignals) sigaction(s, &sa, nullptr);
}

void disarm()
{
    if (!g_armed) return;
    g_armed = false;
    if (!g_handlerInstalled) return;
    for (int s : kSignals) std::signal(s, SIG_DFL);
}

bool isArmed() { return g_armed; }

bool isReportMode(int argc, char** argv)
{
    return argc == 5 && std::strcmp(argv[1], kReportOption) == 0;
}

SourcePosition sourcePosition(const QString& answer)
{
    static const QRegularExpression kPosition(
        QStringLiteral("^(.+):(\\d+|\\?)(?: \\(discriminator \\d+\\))?$"));
    const QRegularExpressionMatch m = kPosition.match(answer.section(u'\n', 0, 0));
    if (!m.hasMatch() || m.captured(1).startsWith(QLatin1String("??"))) return {};
    return {QString::number(m.captured(2).toInt()), QDir::cleanPath(m.captured(1))};
}

QString completeReport(const QString& head, const QString& tail, const QString& address)
{
    SourcePosition at;
    bool ok = false;
    address.toULongLong(&ok, 16);
    if (ok) {
        // The report runs in the faulted process itself (exec keeps its id), so its /proc entry
        // is the program that ran, even when the file on disk has been replaced since.
        const QString program =
            QStringLiteral("/proc/%1/exe").arg(QCoreApplication::applicationPid());
        QProcess p;
        p.start(QStringLiteral("addr2line"), {QStringLiteral("-e"), program, address});
        if (p.waitForFinished(5000) && p.exitCode() == 0)
            at = sourcePosition(QString::fromLocal8Bit(p.readAllStandardOutput()));
    }
    return head + QStringLiteral("Sourcecode line: ") + at.line + u'\r' +
           QStringLiteral("Sourcecode file: ") + at.file + u'\r' + tail;
}

int runReport(int argc, char** argv)
{
    // The fault's signal was blocked while the handler ran, and the block outlives exec().
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("antenna-tracker-studio"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(fonts::controlFont());
    const QString text = completeReport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                                        QString::fromLatin1(argv[4]));
    MessageBoxes boxes;
    testhooks::answerBoxesFromEnvironment(boxes);
    boxes.tell(QStringLiteral("Error"), text);
    return 0;
}

}  // namespace fatalreport
