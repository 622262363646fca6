// tracker-sim: a stand-in for the MERLAN tracker that the console, its tests and the demo talk
// to over UDP, TCP and a pseudo-terminal, all on this host only.

#include "LineOutput.h"
#include "LocalPeers.h"
#include "PtyEndpoint.h"
#include "ReplayScript.h"
#include "Responder.h"
#include "SimOptions.h"
#include "StopSignals.h"
#include "TcpEndpoint.h"
#include "UdpEndpoint.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

int failed(const QString& what, const QString& error) {
    std::fprintf(stderr, "tracker-sim: %s: %s\n", qPrintable(what), qPrintable(error));
    return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any thread exists, so that every thread leaves the stop signals to the event loop.
    StopSignals::blockInProcess();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tracker-sim"));

    SimOptions options;
    QString message;
    switch (SimOptions::parse(QCoreApplication::arguments(), options, message)) {
        case SimOptions::Outcome::Help:
        case SimOptions::Outcome::Version:
            std::fputs(qPrintable(message), stdout);
            return 0;
        case SimOptions::Outcome::Error:
            std::fprintf(stderr, "tracker-sim: %s\n", qPrintable(message));
            return 2;
        case SimOptions::Outcome::Run:
            break;
    }

    LineOutput out(stdout);
    ReplayScript replay;
    if (!options.replayPath.isEmpty()) {
        QString error;
        if (!replay.load(options.replayPath, &error)) return failed(options.replayPath, error);
        if (replay.skippedLines() > 0)
            std::fprintf(
                stderr, "tracker-sim: %s: %d lines are not capture records (first: line %d)\n",
                qPrintable(options.replayPath), replay.skippedLines(), replay.firstSkippedLine());
    }
    Responder responder(options.log ? &out : nullptr,
                        options.replayPath.isEmpty() ? nullptr : &replay,
                        options.pointingOffsetDeg);
    const LocalPeers peers;
    StopSignals stop;
    if (!stop.isValid()) return failed(QStringLiteral("signals"), QStringLiteral("no signalfd"));
    QObject::connect(&stop, &StopSignals::stopRequested, &app, &QCoreApplication::quit);

    PtyEndpoint pty(responder);
    UdpEndpoint udp(responder, peers);
    TcpEndpoint tcp(responder, peers);
    QString error;
    if (options.pty) {
        if (!pty.open(options.ptyLink, &error)) return failed(QStringLiteral("pty"), error);
        out.write("pty " + pty.slavePath().toLocal8Bit());
    }
    if (!udp.listen(options.udpPort, &error)) return failed(QStringLiteral("udp"), error);
    out.write("udp 127.0.0.1:" + QByteArray::number(udp.port()));
    if (!tcp.listen(options.tcpPort, &error)) return failed(QStringLiteral("tcp"), error);
    out.write("tcp 127.0.0.1:" + QByteArray::number(tcp.port()));
    out.write("ready");
    return QCoreApplication::exec();
}
