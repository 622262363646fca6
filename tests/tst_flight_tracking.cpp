// The Tracking window against a tracker on loopback: its place in the menu, the line of sight and
// pointing error worked out from the tracker's own replies, a record made with "Record" and read
// back in a review, records that cannot be read whole, and a record whose writes fail.

#include <sys/resource.h>
#include <QImage>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <csignal>

#include "FlightRecord.h"
#include "FlightTracking.h"
#include "LineOfSight.h"
#include "MainWindow.h"
#include "TestSupport.h"
#include "TrackingWindow.h"

using namespace testsupport;

namespace {

const QByteArray kStatus = "STAT 0 0 10 0 0 415600000 -37600000 640 35 5 0 0 0 15211 28 872 0 OK";
const QByteArray kPointing = "DXYPV 1234 255 415678901 -37654321 1120 0 34 OK";

TrackingWindow* trackingWindow(App& app)
{
    return dynamic_cast<TrackingWindow*>(app.flight().view());
}

TrackingWindow* openTracking(UdpConsole& c)
{
    c.app().dispatch({UiEvent::Kind::Menu, mainwindow::kWindow, mainwindow::Tracking});
    return trackingWindow(c.app());
}

QPushButton* button(QWidget* w, const QString& text)
{
    for (QPushButton* b : w->findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

QString degrees(double v, int decimals)
{
    return QString::number(v, 'f', decimals) + u'\u00B0';
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

class FlightTrackingTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGXFSZ, SIG_IGN); }

    // The menu's last item opens the window; a second choice brings the same one forward.
    void menuOpensOneWindow()
    {
        UdpConsole c;
        auto* bar = c.app().mainWindow()->findChild<QMenuBar*>();
        QVERIFY(bar);
        QMenu* menu = bar->actions().first()->menu();
        menu->actions().last()->trigger();
        TrackingWindow* w = trackingWindow(c.app());
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), QStringLiteral("Tracking"));
        QVERIFY(waitFor([w] { return w->isVisible(); }));
        menu->actions().last()->trigger();
        QCOMPARE(trackingWindow(c.app()), w);
        const QWidgetList tops = QApplication::topLevelWidgets();
        QCOMPARE(std::count_if(
                     tops.begin(), tops.end(),
                     [](QWidget* t) { return t->windowTitle() == u"Tracking" && t->isVisible(); }),
                 1);
    }

    // Nothing is shown until both positions are known; then the geometry of the tracker's own
    // origin and vehicle, and the great-circle pointing error.
    void readoutsFollowTheTracker()
    {
        UdpConsole c;
        QVERIFY(c.waitForSent(1));
        TrackingWindow* w = openTracking(c);
        QVERIFY(c.reply(kPointing));
        w->refreshNow();
        for (int r = 0; r < TrackingWindow::kReadouts; ++r)
            QCOMPARE(w->readout(TrackingWindow::Readout(r)), QString());
        QCOMPARE(w->stripPoints(TrackingWindow::kErrorStrip), 1);

        QVERIFY(c.reply(kStatus));
        QVERIFY(c.reply(kPointing));
        const auto los = tracking::lineOfSight({41.56, -3.76, 640}, {41.5678901, -3.7654321, 1120});
        QVERIFY(los && los->hasDirection);
        const double error =
            tracking::angleBetweenDeg(123.4, 25.5, los->azimuthDeg, los->elevationDeg);
        QVERIFY(waitFor([&] { return !w->readout(TrackingWindow::kError).isEmpty(); }));
        QCOMPARE(w->readout(TrackingWindow::kLosAzimuth), degrees(los->azimuthDeg, 1));
        QCOMPARE(w->readout(TrackingWindow::kLosElevation), degrees(los->elevationDeg, 1));
        QCOMPARE(w->readout(TrackingWindow::kSlantRange),
                 QString::number(los->slantRangeM, 'f', 0) + " m");
        QCOMPARE(w->readout(TrackingWindow::kGroundRange),
                 QString::number(los->groundRangeM, 'f', 0) + " m");
        QCOMPARE(w->readout(TrackingWindow::kError), degrees(error, 2));
        QCOMPARE(w->readout(TrackingWindow::kMaxError), degrees(error, 2));
        w->refreshNow();
        QCOMPARE(w->trailPoints(), 1);

        // The saved pictures hold the plots as drawn: the red line-of-sight markers of both
        // views in the PNG, and a PDF of the same.
        const QString png = c.fixture().resourceDir() + QStringLiteral("views.png");
        const QString pdf = c.fixture().resourceDir() + QStringLiteral("views.pdf");
        QString why;
        QVERIFY2(w->savePicture(png, &why) && w->savePicture(pdf, &why), qPrintable(why));
        const QImage shot(png);
        QVERIFY(!shot.isNull());
        int red = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                red += shot.pixelColor(x, y) == QColor(220, 30, 30);
        QVERIFY2(red >= 40, qPrintable(QString::number(red)));
        QVERIFY(readFileBytes(pdf).startsWith("%PDF-"));
    }

    // "Record" writes one row per pointing reply into the records folder; the same rows come
    // back in a review, and "Live" returns to the flight.
    void recordAndReview()
    {
        UdpConsole c;
        QVERIFY(c.waitForSent(1));
        TrackingWindow* w = openTracking(c);
        QPushButton* record = button(w, QStringLiteral("Record"));
        QVERIFY(record);
        QTest::mouseClick(record, Qt::LeftButton);
        QVERIFY(c.app().flight().recording());
        QVERIFY(record->isChecked());
        QVERIFY(c.reply(kStatus));
        for (int i = 0; i < 5; ++i) QVERIFY(c.reply(kPointing));
        QTest::mouseClick(record, Qt::LeftButton);
        QVERIFY(!c.app().flight().recording());
        QVERIFY(w->recordStatus().endsWith(u": 5 rows"));

        const QDir records(c.fixture().resourceDir() + QStringLiteral("records"));
        const QStringList files = records.entryList({QStringLiteral("flight-*.csv")});
        QCOMPARE(files.size(), 1);
        const QString path = records.filePath(files.first());
        const QByteArray bytes = readFileBytes(path);
        QVERIFY(bytes.startsWith(tracking::recordHeader()));
        QCOMPARE(bytes.count('\n'), 6);
        QVERIFY(bytes.contains(
            ",udp,123.4000,25.5000,41.5678901,-3.7654321,1120.00,41.5600000,-3.7600000,640.00,"));

        w->refreshNow();
        const QString liveError = w->readout(TrackingWindow::kError);
        c.app().flight().review(path);
        QCOMPARE(w->stripPoints(TrackingWindow::kErrorStrip), 5);
        QVERIFY(
            w->recordStatus().startsWith(QStringLiteral("Record %1: 5 rows").arg(files.first())));
        QCOMPARE(w->readout(TrackingWindow::kError), liveError);
        QVERIFY(w->spanStart() <= c.app().flight().liveSeries()[0].t + 0.001);

        QVERIFY(c.reply(kPointing));  // the live flight goes on meanwhile
        c.app().dispatch({UiEvent::Kind::Control, TrackingView::kWindow, TrackingView::kLive});
        QVERIFY(w->recordStatus().startsWith(u"Recorded "));
        QCOMPARE(w->stripPoints(TrackingWindow::kErrorStrip), 6);
    }

    // A record that cannot be read whole: a "Record" box names the first bad line, the rows
    // that read are shown, nothing is written.
    void unreadableRecords_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("named");
        QTest::addColumn<int>("rowsShown");
        const QByteArray row = "2026-12-08T21:11:15.123Z,udp,123.4000,25.5000,,,,,,,,,,,,0,,\n";
        QTest::newRow("short row")
            << (tracking::recordHeader() + row + "2026-12-08T21:11:15.223Z,udp,1\n" + row)
            << "Line 3" << 2;
        QTest::newRow("bad time") << (tracking::recordHeader() + row + row + row.mid(1)) << "Line 4"
                                  << 2;
        QTest::newRow("not a record") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) << "Line 1" << 0;
        QTest::newRow("cut in a row")
            << (tracking::recordHeader() + row + row.left(30)) << "Line 3" << 1;
    }
    void unreadableRecords()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, named);
        QFETCH(int, rowsShown);
        UdpConsole c;
        const QString path = c.fixture().resourceDir() + QStringLiteral("bad.csv");
        writeFile(path, body);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        c.app().flight().review(path);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Record"));
        QVERIFY2(boxes.seen().first().text.contains(named), qPrintable(boxes.seen().first().text));
        TrackingWindow* w = trackingWindow(c.app());
        QVERIFY(w);
        QCOMPARE(w->stripPoints(TrackingWindow::kErrorStrip), rowsShown);
        QCOMPARE(readFileBytes(path), body);
    }

    // A write that fails (here the file size limit) stops the record with a box; the file ends
    // with a whole row and the console goes on polling.
    void writeFailureStopsTheRecord()
    {
        UdpConsole c;
        QVERIFY(c.waitForSent(1));
        TrackingWindow* w = openTracking(c);
        QTest::mouseClick(button(w, QStringLiteral("Record")), Qt::LeftButton);
        QVERIFY(c.app().flight().recording());
        QVERIFY(c.reply(kStatus));
        rlimit before{};
        getrlimit(RLIMIT_FSIZE, &before);
        rlimit small = before;
        small.rlim_cur = 600;  // the header and about two rows
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        for (int i = 0; i < 10; ++i) QVERIFY(c.reply(kPointing));
        const bool told = boxes.waitSeen(1);
        setrlimit(RLIMIT_FSIZE, &before);
        QVERIFY(told);
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Record"));
        QVERIFY(boxes.seen().first().text.contains(u"stopped"));
        QVERIFY(!c.app().flight().recording());
        const QDir records(c.fixture().resourceDir() + QStringLiteral("records"));
        const QByteArray bytes =
            readFileBytes(records.filePath(records.entryList({"*.csv"}).first()));
        QVERIFY(bytes.size() <= 600 && bytes.endsWith('\n'));
        const int sent = c.sent().size();
        QVERIFY(c.waitForSent(sent + 2));
    }
};

QTEST_MAIN(FlightTrackingTest)
#include "tst_flight_tracking.moc"
