// Antenna Tracker Studio: the operator's console of the MERLAN antenna tracker.

#include <QApplication>
#include <QCommandLineParser>
#include <QStyleFactory>

#include "App.h"
#include "Fonts.h"
#include "PanelStyle.h"
#include "TerminationSignals.h"

int main(int argc, char** argv)
{
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("antenna-tracker-studio"));
    QApplication::setApplicationVersion(QStringLiteral("1.70"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(new PanelStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
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
    parser.addOption(resourceDir);
    parser.addOption(connect);
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
    QApplication::exec();
    return 0;
}
