#include "SimOptions.h"

#include <QCommandLineParser>
#include <cmath>

#include "Version.h"

namespace {

bool readPort(const QString& text, quint16& port) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value > 65535) return false;
    port = quint16(value);
    return true;
}

}  // namespace

SimOptions::Outcome SimOptions::parse(const QStringList& arguments, SimOptions& options,
                                      QString& message) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated MERLAN antenna tracker on 127.0.0.1 (UDP, TCP) and a pty."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version."));
    const QCommandLineOption udp(QStringLiteral("udp-port"),
                                 QStringLiteral("UDP command port, 0 to let the system choose."),
                                 QStringLiteral("N"), QStringLiteral("8000"));
    const QCommandLineOption tcp(QStringLiteral("tcp-port"),
                                 QStringLiteral("TCP command port, 0 to let the system choose."),
                                 QStringLiteral("N"), QStringLiteral("8004"));
    const QCommandLineOption link(QStringLiteral("pty-link"),
                                  QStringLiteral("Also make a symbolic link to the pty at PATH."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption noPty(QStringLiteral("no-pty"),
                                   QStringLiteral("Do not create the serial pty."));
    const QCommandLineOption log(QStringLiteral("log"),
                                 QStringLiteral("Print every received command."));
    const QCommandLineOption replay(
        QStringLiteral("replay"),
        QStringLiteral("Answer from a capture of the console (--capture) instead of the model."),
        QStringLiteral("FILE"));
    const QCommandLineOption offset(
        QStringLiteral("pointing-offset"),
        QStringLiteral("Aim the antenna DEG degrees of azimuth off the vehicle (default 0)."),
        QStringLiteral("DEG"), QStringLiteral("0"));
    parser.addOptions({help, version, udp, tcp, link, noPty, log, replay, offset});

    if (!parser.parse(arguments)) {
        message = parser.errorText();
        return Outcome::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return Outcome::Help;
    }
    if (parser.isSet(version)) {
        message = QStringLiteral("tracker-sim %1\n").arg(QLatin1String(kVersionBanner));
        return Outcome::Version;
    }
    if (!parser.positionalArguments().isEmpty()) {
        message = QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments()[0]);
        return Outcome::Error;
    }
    if (!readPort(parser.value(udp), options.udpPort)) {
        message = QStringLiteral("Bad UDP port: %1").arg(parser.value(udp));
        return Outcome::Error;
    }
    if (!readPort(parser.value(tcp), options.tcpPort)) {
        message = QStringLiteral("Bad TCP port: %1").arg(parser.value(tcp));
        return Outcome::Error;
    }
    bool offsetOk = false;
    options.pointingOffsetDeg = parser.value(offset).toDouble(&offsetOk);
    if (!offsetOk || !std::isfinite(options.pointingOffsetDeg)) {
        message = QStringLiteral("Bad pointing offset: %1").arg(parser.value(offset));
        return Outcome::Error;
    }
    options.pty = !parser.isSet(noPty);
    options.ptyLink = parser.value(link);
    options.log = parser.isSet(log);
    options.replayPath = parser.value(replay);
    if (parser.isSet(replay) && options.replayPath.isEmpty()) {
        message = QStringLiteral("--replay needs a file name");
        return Outcome::Error;
    }
    if (!options.pty && !options.ptyLink.isEmpty()) {
        message = QStringLiteral("--pty-link needs the pty; drop --no-pty");
        return Outcome::Error;
    }
    return Outcome::Run;
}
