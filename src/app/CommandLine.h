#pragma once
// The console's command line. It is read before any window exists, so that --help,
// --version and --list-ports answer without a display.

#include <QString>
#include <QStringList>

#include "App.h"

struct CommandLine {
    AppOptions app;
    QString capturePath;  ///< empty: no capture
    QString recordPath;   ///< empty: no flight record from start-up
    QString reviewPath;   ///< a flight record to show on its own, without the console
    QString faultTest;    ///< tests only: the fault to raise after start-up

    enum class Outcome { Run, Help, Version, ListPorts, Error };

    /// Reads `arguments` (program name first), passing over the window system's own options
    /// (-platform, -style, …) that QApplication takes. For Help and Version, `message` is the
    /// text to print on standard output; for Error, on standard error.
    static Outcome parse(const QStringList& arguments, CommandLine& out, QString& message);
};
