#pragma once
// The simulator's command line.

#include <QString>
#include <QStringList>
#include <QtGlobal>

struct SimOptions {
    quint16 udpPort = 8000;
    quint16 tcpPort = 8004;
    bool pty = true;
    QString ptyLink;
    bool log = false;
    QString replayPath;            ///< empty: the model answers
    double pointingOffsetDeg = 0;  ///< added to the azimuth the simulated tracker aims at

    enum class Outcome { Run, Help, Version, Error };

    /// Reads `arguments` (program name first) into `options`. For Help, Version and Error,
    /// `message` holds the text to print (on standard output and standard error respectively).
    static Outcome parse(const QStringList& arguments, SimOptions& options, QString& message);
};
