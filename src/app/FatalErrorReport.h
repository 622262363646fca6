#pragma once
// The fatal error report: while armed, a fault (SIGSEGV, SIGBUS, SIGFPE, SIGILL, also when sent
// with kill()) ends the console with one "Error" box that describes the fault, its position
// and the registers, and exit code 0. Disarmed, a fault gets the default handling.
//
// The handler only formats the report into static memory and re-executes the program in a
// report-only mode; that fresh process looks up the source position in the program's debug
// information (addr2line), shows the box through the ordinary message box path and exits 0.

#include <QString>

namespace fatalreport {

/// The hidden first argument of the report-only mode.
inline constexpr char kReportOption[] = "--fatal-error-report";

/// Call first in main(): the report can only be shown by a program that knows the report-only
/// mode. Without it, arming is tracked but faults keep the default handling.
void install(const char* programName);

void arm();
void disarm();
bool isArmed();

/// True when `argv` asks for the report-only mode.
bool isReportMode(int argc, char** argv);
/// The report-only mode: shows the box and returns the exit code (0).
int runReport(int argc, char** argv);

/// The report's text from its two halves and the position in the program (hexadecimal, "-"
/// when the fault lay outside the program): the source line and file go between the halves.
QString completeReport(const QString& head, const QString& tail, const QString& address);

struct SourcePosition {
    QString line = QStringLiteral("0");
    QString file = QStringLiteral("?");
};
/// The position in addr2line's answer for one address: "file:line", "file:line (discriminator
/// n)", "file:?" or "??:0" when the program has no debug information there. The file name is
/// everything before the last colon, blanks included.
SourcePosition sourcePosition(const QString& answer);

}  // namespace fatalreport
