#include "CommandLine.h"

#include <QCommandLineParser>

#include "Version.h"

namespace {

/// The window system's own options, which QApplication takes out of the command line: with a
/// value, and without.
const QStringList kGuiOptionsWithValue = {
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowtitle"),
    QStringLiteral("qwindowicon"), QStringLiteral("session"), QStringLiteral("style"),
    QStringLiteral("stylesheet"), QStringLiteral("display"), QStringLiteral("geometry"),
    QStringLiteral("title"), QStringLiteral("name"), QStringLiteral("visual"),
};
const QStringList kGuiFlags = {
    QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("sync"),
    QStringLiteral("nograb"), QStringLiteral("dograb"), QStringLiteral("cmap"),
};

/// The arguments without the window system's options, as QApplication would leave them.
QStringList withoutGuiOptions(const QStringList& arguments)
{
    QStringList out;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        QString name = a;
        if (i == 0 || !name.startsWith(u'-')) {
            out << a;
            continue;
        }
        name.remove(0, name.startsWith(QStringLiteral("--")) ? 2 : 1);
        const qsizetype eq = name.indexOf(u'=');
        if (eq >= 0 && kGuiOptionsWithValue.contains(name.left(eq))) continue;
        if (kGuiFlags.contains(name)) continue;
        if (kGuiOptionsWithValue.contains(name)) {
            ++i;  // and its value
            continue;
        }
        out << a;
    }
    return out;
}

}  // namespace

CommandLine::Outcome CommandLine::parse(const QStringList& arguments, CommandLine& out,
                                        QString& message)
{
    QCommandLineParser parser;
    // "-platform xcb" is one option of the window system's, not seven short ones.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Operator's console of the MERLAN antenna tracker."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption resourceDir(QStringLiteral("resource-dir"),
                                         QStringLiteral("Folder of the icons and the settings file."),
                                         QStringLiteral("DIR"));
    const QCommandLineOption connect(QStringLiteral("connect"),
                                     QStringLiteral("Open this link after start-up: com, udp or tcp."),
                                     QStringLiteral("KIND"));
    const QCommandLineOption capture(
        QStringLiteral("capture"),
        QStringLiteral("Append every command sent and every block received to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption listPorts(
        QStringLiteral("list-ports"),
        QStringLiteral("List this computer's serial ports and how to link one as COM n, then exit."));
    const QCommandLineOption record(
        QStringLiteral("record"),
        QStringLiteral("Record the flight from start-up into FILE, a new file (an existing one is "
                       "never overwritten)."),
        QStringLiteral("FILE"));
    const QCommandLineOption review(
        QStringLiteral("review"),
        QStringLiteral("Show the flight record FILE in the Tracking window, without a link."),
        QStringLiteral("FILE"));
    // Tests only: fault right after start-up, with the fatal error report armed unless the
    // kind starts with "disarmed-".
    QCommandLineOption faultTest(QStringLiteral("fault-test"), QString(), QStringLiteral("KIND"));
    faultTest.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions(
        {help, version, resourceDir, connect, capture, record, review, listPorts, faultTest});

    if (!parser.parse(withoutGuiOptions(arguments))) {
        message = parser.errorText();
        return Outcome::Error;
    }
    if (parser.isSet(help)) {
        message = parser.helpText();
        return Outcome::Help;
    }
    if (parser.isSet(version)) {
        message = QStringLiteral("antenna-tracker-studio %1\n").arg(QLatin1String(kVersionBanner));
        return Outcome::Version;
    }
    out.app.resourceDirectory = parser.value(resourceDir);
    if (parser.isSet(connect)) {
        const QString kind = parser.value(connect).toLower();
        if (kind == u"com") out.app.connect = LinkKind::Serial;
        else if (kind == u"udp") out.app.connect = LinkKind::Udp;
        else if (kind == u"tcp") out.app.connect = LinkKind::Tcp;
        else {
            message = QStringLiteral("--connect takes com, udp or tcp");
            return Outcome::Error;
        }
    }
    if (parser.isSet(capture)) {
        out.capturePath = parser.value(capture);
        if (out.capturePath.isEmpty()) {
            message = QStringLiteral("--capture needs a file name");
            return Outcome::Error;
        }
    }
    out.recordPath = parser.value(record);
    out.reviewPath = parser.value(review);
    if ((parser.isSet(record) && out.recordPath.isEmpty()) ||
        (parser.isSet(review) && out.reviewPath.isEmpty())) {
        message = QStringLiteral("--record and --review need a file name");
        return Outcome::Error;
    }
    if (parser.isSet(record) && parser.isSet(review)) {
        message =
            QStringLiteral("--review shows a record without a link: it does not go with --record");
        return Outcome::Error;
    }
    out.faultTest = parser.value(faultTest);
    if (parser.isSet(listPorts)) return Outcome::ListPorts;
    return Outcome::Run;
}
