// Antenna Tracker Studio: the operator's console of the MERLAN antenna tracker.

#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>

#include <QTimer>

#include "App.h"
#include "FatalErrorReport.h"
#include "FaultTrigger.h"
#include "Fonts.h"
#include "TerminationSignals.h"

int main(int argc, char** argv)
{
    fatalreport::install(argv[0]);
    if (fatalreport::isReportMode(argc, argv)) return fatalreport::runReport(argc, argv);

    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("antenna-tracker-studio"));
    QApplication::setApplicationVersion(QStringLiteral("1.70"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setFont(fonts::controlFont());

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Operator's console of the MERLAN antenna tracker."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption resourceDir(QStringLiteral("resource-dir"),
                                         QStringLiteral("Folder of the icons and the settings file."),
                                         QStringLiteral("DIR"));
    const QCommandLineOption connect(QStringLiteral("connect"),
                                     QStringLiteral("Open this link after start-up: com, udp or tcp."),
                                     QStringLiteral("KIND"));
    // Tests only: fault right after start-up, with the fatal error report armed unless the
    // kind starts with "disarmed-".
    QCommandLineOption faultTest(QStringLiteral("fault-test"), QString(), QStringLiteral("KIND"));
    faultTest.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(resourceDir);
    parser.addOption(connect);
    parser.addOption(faultTest);
    parser.process(qtApp);

    AppOptions options;
    options.resourceDirectory = parser.value(resourceDir);
    if (parser.isSet(connect)) {
        const QString kind = parser.value(connect).toLower();
        if (kind == u"com") options.connect = LinkKind::Serial;
        else if (kind == u"udp") options.connect = LinkKind::Udp;
        else if (kind == u"tcp") options.connect = LinkKind::Tcp;
        else {
            qCritical("--connect takes com, udp or tcp");
            return 2;
        }
    }

    App app(std::move(options));
    TerminationSignals onTermination([&app] { app.dispatch({UiEvent::Kind::Close, 0, 0}); });
    app.start();
    if (parser.isSet(faultTest)) {
        QTimer::singleShot(0, [kind = parser.value(faultTest)] {
            if (kind.startsWith(u"disarmed-")) {
                faulttrigger::trigger(kind.mid(9));
            } else {
                fatalreport::arm();
                faulttrigger::trigger(kind);
            }
            qCritical("--fault-test: no such fault");
            QCoreApplication::exit(2);
        });
    }
    QApplication::exec();
    return 0;
}
