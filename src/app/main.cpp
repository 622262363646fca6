// Antenna Tracker Studio: the operator's console of the MERLAN antenna tracker.

#include <QApplication>
#include <QFileInfo>
#include <QStyleFactory>
#include <csignal>
#include <cstdio>
#include <memory>

#include "App.h"
#include "CaptureWriter.h"
#include "CommandLine.h"
#include "FatalErrorReport.h"
#include "FlightRecord.h"
#include "FlightTracking.h"
#include "Fonts.h"
#include "MessageBoxes.h"
#include "PanelStyle.h"
#include "SerialPortList.h"
#include "TerminationSignals.h"
#include "TestHooks.h"
#include "TrackingModule.h"
#include "Version.h"

namespace {

void setNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("antenna-tracker-studio"));
    // "V1.70 8-11-24" gives "1.70".
    QCoreApplication::setApplicationVersion(
        QString::fromLatin1(kVersionBanner).section(u' ', 0, 0).mid(1));
}

/// What the command line asks for that is not the console itself: the exit code for help,
/// version, the port list and errors; nothing when the console should start.
std::optional<int> answer(CommandLine& line)
{
    QString message;
    switch (CommandLine::parse(QCoreApplication::arguments(), line, message)) {
    case CommandLine::Outcome::Help:
    case CommandLine::Outcome::Version:
        std::fputs(qPrintable(message), stdout);
        return 0;
    case CommandLine::Outcome::ListPorts: {
        std::fputs(qPrintable(describeSerialPorts(findSerialPorts(),
                                                  App::resourceFolder(line.app.resourceDirectory))),
                   stdout);
        return 0;
    }
    case CommandLine::Outcome::Error:
        std::fprintf(stderr, "antenna-tracker-studio: %s\n", qPrintable(message));
        return 2;
    case CommandLine::Outcome::Run:
        return std::nullopt;
    }
    return std::nullopt;
}

/// `--record` cannot be done: why, and the exit code.
int refuseRecord(const QString& why)
{
    std::fprintf(stderr, "antenna-tracker-studio: --record: %s\n", qPrintable(why));
    return 2;
}

/// `--review`: the Tracking window alone, showing a record; closing it ends the program.
int runReview(const CommandLine& line)
{
    MessageBoxes boxes;
    testhooks::answerBoxesFromEnvironment(boxes);
    FlightTracking* flight = nullptr;
    const EventSink sink = [&flight](const UiEvent& e) {
        if (e.kind == UiEvent::Kind::Close)
            QCoreApplication::exit(0);
        else if (flight)
            flight->handleEvent(e);
    };
    QString error;
    FlightTracking review(FlightTracking::Context{
        boxes, nullptr,
        App::resourceFolder(line.app.resourceDirectory) + QStringLiteral("records/"),
        [&error](EventSink s) { return trackingmodule::createView(std::move(s), &error); }, sink,
        nullptr});
    flight = &review;
    review.review(line.reviewPath);
    if (!review.view()) {
        std::fprintf(stderr, "antenna-tracker-studio: the Tracking window cannot be shown: %s\n",
                     qPrintable(error));
        return 1;
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv)
{
    fatalreport::install(argv[0]);
    if (fatalreport::isReportMode(argc, argv)) return fatalreport::runReport(argc, argv);

    // A file size limit reached by the flight record fails the write; it does not end the console.
    std::signal(SIGXFSZ, SIG_IGN);

    // Help, version, the port list and a record file that exists already answer without
    // touching the window system.
    {
        QCoreApplication probe(argc, argv);
        setNames();
        CommandLine line;
        if (const std::optional<int> code = answer(line)) return *code;
        const QFileInfo record(line.recordPath);
        if (!line.recordPath.isEmpty() && (record.exists() || record.isSymLink()))
            return refuseRecord(QStringLiteral("%1 already exists; a file is never overwritten.")
                                    .arg(line.recordPath));
    }

    // The console repaints a few small fields ten times a second. Through X shared memory every
    // repaint of an area flushed just before first waits for the X server (a round trip and a
    // wake-up per frame); sending those few pixels with the request itself costs less.
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM")) qputenv("QT_XCB_NO_MITSHM", "1");
    // The menu bar belongs in the window, where the operator expects it; asking the desktop for a
    // global menu would also open a session-bus connection with its own thread at start-up.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
    QApplication qtApp(argc, argv);
    setNames();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavo.AntennaTrackerStudio"));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setStyle(new PanelStyle(QStyleFactory::create(QStringLiteral("Fusion"))));
    QApplication::setFont(fonts::controlFont());

    CommandLine line;
    if (const std::optional<int> code = answer(line)) return *code;
    if (!line.reviewPath.isEmpty()) return runReview(line);
    std::unique_ptr<CaptureWriter> capture;
    if (!line.capturePath.isEmpty()) {
        capture = std::make_unique<CaptureWriter>();
        QString error;
        if (!capture->open(line.capturePath, &error)) {
            std::fprintf(stderr, "antenna-tracker-studio: capture file %s: %s\n",
                         qPrintable(line.capturePath), qPrintable(error));
            return 2;
        }
    }

    // Made last, so that no start that fails leaves a record behind.
    std::unique_ptr<tracking::RecordWriter> record;
    if (!line.recordPath.isEmpty()) {
        QString error;
        record = tracking::RecordWriter::create(line.recordPath, &error);
        if (!record) return refuseRecord(error);
    }

    App app(std::move(line.app));
    app.setCapture(capture.get());
    TerminationSignals onTermination([&app] { app.dispatch({UiEvent::Kind::Close, 0, 0}); });
    app.start();
    if (record) app.flight().startRecording(std::move(record));
    if (!line.faultTest.isEmpty()) testhooks::scheduleFault(line.faultTest);
    QApplication::exec();
    return 0;
}
