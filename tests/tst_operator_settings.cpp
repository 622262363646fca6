// What the operator changes in the main window reaches the tracker: Return in a field, a click
// on a check box or button, a selection in the home list, over a real UDP link. Each case checks
// the exact bytes on the wire and the command line's text.

#include <QElapsedTimer>
#include <QTest>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using Texts = QList<QPair<int, QString>>;

}  // namespace

Q_DECLARE_METATYPE(Texts)

class OperatorSettings : public QObject {
    Q_OBJECT
private slots:
    void withoutLinkNothingIsSent()
    {
        UdpPeer peer;
        ConsoleFixture f;
        f.aimUdp(peer.port());
        f.type(0, QStringLiteral("STAT"));
        f.pressReturn(0);
        f.type(15, QStringLiteral("100"));
        f.pressReturn(15);
        f.click(29);
        QVERIFY(!waitFor([&] { return !peer.datagrams().isEmpty(); }, 200));
        // The box keeps the operator's click until a status reply says otherwise.
        QVERIFY(f.controls().isChecked(29));
    }

    void commandEntrySendsItsTextUnchanged_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("word") << "STAT";
        QTest::newRow("blanks kept") << " NET  PORT 8001 ";
        QTest::newRow("empty") << "";
    }

    void commandEntrySendsItsTextUnchanged()
    {
        QFETCH(QString, typed);
        UdpConsole c(false);
        c.fixture().type(0, typed);
        c.fixture().pressReturn(0);
        QVERIFY(c.waitForSent(1));
        QCOMPARE(c.sent().first(), typed.toLatin1());
        QCOMPARE(c.controls().text(0), typed);
    }

    void returnInAField_data()
    {
        QTest::addColumn<Texts>("texts");
        QTest::addColumn<int>("field");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("DX") << Texts{{15, "123.7"}} << 15 << QByteArray("DX 123.7") << "DX 123";
        QTest::newRow("DY negative") << Texts{{16, "-30.6"}} << 16 << QByteArray("DY -30.6")
                                     << "DY -30";
        QTest::newRow("DY no number") << Texts{{16, "up"}} << 16 << QByteArray("DY up") << "DY 0";
        QTest::newRow("OFFSET from 17") << Texts{{17, "12.5"}, {32, "-3"}} << 17
                                        << QByteArray("OFFSET 12.5 -3") << "OFFSET 12 -3";
        QTest::newRow("OFFSET from 32") << Texts{{17, "1"}, {32, "2"}} << 32
                                        << QByteArray("OFFSET 1 2") << "OFFSET 1 2";
        QTest::newRow("DISTMIN") << Texts{{18, "50"}} << 18 << QByteArray("DISTMIN 50,G")
                                 << "DISTMIN 50,G";
        QTest::newRow("FAN") << Texts{{19, "45"}} << 19 << QByteArray("FAN 45,G") << "FAN 45,G";
        QTest::newRow("HEAT") << Texts{{20, "-5"}} << 20 << QByteArray("HEAT -5,G") << "HEAT -5,G";
        const Texts vehicle{{23, "41.5678901\u00BA"}, {25, "-3.7654321\u00BA"}, {26, "120"}};
        for (int field : {23, 25, 26})
            QTest::addRow("GPSOBJ from %d", field)
                << vehicle << field << QByteArray("GPSOBJ 415678901 -37654321 120")
                << "GPSOBJ  415678901 -37654321 120";
        QTest::newRow("GPSOBJ short fractions")
            << Texts{{23, "41.5"}, {25, "-0.1234567\u00BA"}, {26, ""}} << 23
            << QByteArray("GPSOBJ 415000000 -1234567 ") << "GPSOBJ  415000000 -1234567 ";
    }

    void returnInAField()
    {
        QFETCH(Texts, texts);
        QFETCH(int, field);
        QFETCH(QByteArray, sent);
        QFETCH(QString, shown);
        UdpConsole c(false);
        for (const auto& [control, text] : texts) c.controls().setText(control, text);
        c.fixture().pressReturn(field);
        QVERIFY(c.waitForSent(1));
        QCOMPARE(c.sent(), QList<QByteArray>{sent});
        QCOMPARE(c.controls().text(0), shown);
        // The field keeps what the operator typed.
        for (const auto& [control, text] : texts) QCOMPARE(c.controls().text(control), text);
    }

    // "ORG" goes out only while the home list shows "Manual".
    void originNeedsManualHome_data()
    {
        QTest::addColumn<int>("home");
        QTest::addColumn<int>("field");
        QTest::addColumn<bool>("sent");
        for (int home = 0; home <= 4; ++home)
            for (int field : {22, 24, 27})
                QTest::addRow("home %d, field %d", home, field) << home << field << (home == 1);
    }

    void originNeedsManualHome()
    {
        QFETCH(int, home);
        QFETCH(int, field);
        QFETCH(bool, sent);
        UdpConsole c(false);
        c.fixture().choose(mainwindow::kHomeCombo, home);
        const QByteArray homeCommand = "HOME " + QByteArray::number(home) + ",G";
        QVERIFY(c.waitForSent(1));
        QCOMPARE(c.sent(), QList<QByteArray>{homeCommand});
        QCOMPARE(c.controls().text(0), "HOME  " + QString::number(home) + ",G");

        c.controls().setText(22, QStringLiteral("40.1"));
        c.controls().setText(24, QStringLiteral("-3.25"));
        c.controls().setText(27, QStringLiteral("650"));
        c.fixture().pressReturn(field);
        if (sent) {
            QVERIFY(c.waitForSent(2));
            QCOMPARE(c.sent().last(), QByteArray("ORG 401000000 -32500000 650"));
            QCOMPARE(c.controls().text(0), QStringLiteral("ORG  401000000 -32500000 650"));
        } else {
            QVERIFY(!c.waitForSent(2, 200));
        }
    }

    void clicks_data()
    {
        QTest::addColumn<int>("control");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("shown");
        // Both check boxes start unchecked: a click checks them.
        QTest::newRow("MAVLINK") << 29 << QByteArray("MAVLINK 1,G") << "MAVLINK  1,G";
        QTest::newRow("GCS") << 47 << QByteArray("GCS 1,G") << "GCS 1,G";
        QTest::newRow("Calibration X") << 52 << QByteArray("CALIBRX") << "CALIBRX";
        QTest::newRow("Calibration Y") << 53 << QByteArray("CALIBRY") << "CALIBRY";
    }

    void clicks()
    {
        QFETCH(int, control);
        QFETCH(QByteArray, sent);
        QFETCH(QString, shown);
        UdpConsole c(false);
        c.fixture().click(control);
        QVERIFY(c.waitForSent(1));
        QCOMPARE(c.sent(), QList<QByteArray>{sent});
        QCOMPARE(c.controls().text(0), shown);
        if (control == 29 || control == 47) {
            c.fixture().click(control);
            QVERIFY(c.waitForSent(2));
            QVERIFY(c.sent().last().contains(" 0,G"));
        }
    }

    // The calibration buttons need no link: without one they only write the command line.
    void calibrationWithoutLinkOnlyShowsTheCommand()
    {
        ConsoleFixture f;
        f.click(52);
        QCOMPARE(f.controls().text(0), QStringLiteral("CALIBRX"));
    }

    // A step starts from the last reported position, rounds halves to even and stops at the
    // axis limits; the target also goes into the axis field.
    void axisSteps_data()
    {
        QTest::addColumn<QByteArray>("pointing");
        QTest::addColumn<int>("button");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("field");
        QTest::newRow("X+ from 12.5") << QByteArray("125 0") << 42 << QByteArray("DX 14") << 15;
        QTest::newRow("X+ from 11.5") << QByteArray("115 0") << 42 << QByteArray("DX 12") << 15;
        QTest::newRow("X+ at 359.6") << QByteArray("3596 0") << 42 << QByteArray("DX 360") << 15;
        QTest::newRow("X- at 0.4") << QByteArray("4 0") << 43 << QByteArray("DX 0") << 15;
        QTest::newRow("Y+ at 89.7") << QByteArray("0 897") << 44 << QByteArray("DY 90") << 16;
        QTest::newRow("Y- at -89.5") << QByteArray("0 -895") << 45 << QByteArray("DY -90") << 16;
        QTest::newRow("Y- at 10.0") << QByteArray("0 100") << 45 << QByteArray("DY 9") << 16;
    }

    void axisSteps()
    {
        QFETCH(QByteArray, pointing);
        QFETCH(int, button);
        QFETCH(QByteArray, sent);
        QFETCH(int, field);
        UdpConsole c(false);
        c.feed("DXYPV " + pointing + " 0 0 0 0 0 OK");
        c.fixture().click(button);
        // Twice before the next pointing reply: the same target again.
        c.fixture().click(button);
        QVERIFY(c.waitForSent(2));
        QCOMPARE(c.sent(), (QList<QByteArray>{sent, sent}));
        QCOMPARE(c.controls().text(0), QString::fromLatin1(sent));
        QCOMPARE(c.controls().text(field), QString::fromLatin1(sent.mid(3)));
    }

    // Every setting takes the polling timer down and puts it back: the next poll comes a full
    // period after the setting, not at the old rhythm.
    void settingRestartsThePollingTimer()
    {
        UdpConsole c(true);
        QVERIFY(c.waitForSent(3));
        // Just after a poll: without the restart the next one would be due within 100 ms.
        const qsizetype before = c.sent().size();
        QVERIFY(c.waitForSent(int(before) + 1));
        QTest::qWait(40);
        c.controls().setText(18, QStringLiteral("7"));
        QElapsedTimer clock;
        c.fixture().pressReturn(18);
        clock.start();
        QVERIFY(waitFor([&] { return c.sent().contains("DISTMIN 7,G"); }));
        const qsizetype settingAt = c.sent().indexOf("DISTMIN 7,G");
        QVERIFY(waitFor([&] { return c.sent().size() > settingAt + 1; }));
        QVERIFY2(clock.elapsed() >= 90, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(c.app().timers().isActive(TimerBank::kPolling));
        QCOMPARE(c.app().timers().period(TimerBank::kPolling), 100);
    }

    // With polling off a setting leaves the timer off.
    void settingKeepsPollingOff()
    {
        UdpConsole c(false);
        QVERIFY(!c.app().timers().isActive(TimerBank::kPolling));
        c.fixture().click(53);
        QVERIFY(c.waitForSent(1));
        QVERIFY(!c.app().timers().isActive(TimerBank::kPolling));
        QVERIFY(!c.waitForSent(2, 300));
    }

    // The network address settings ask first; only Yes sends, and SUBMASK's ",G" stays off the
    // command line.
    void networkWarnings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("warning");
        const QString ip = QStringLiteral("Do you want to change the IP of the device?");
        const QString mask = QStringLiteral("Do you want to change the SUBMASK of the device?");
        const QString gateway = QStringLiteral("Do you want to change the GATEWAY of the device?");
        for (bool yes : {true, false}) {
            const char* answer = yes ? "Yes" : "No";
            QTest::addRow("NET IP, %s", answer) << "NET IP" << yes << QByteArray("NET IP ")
                                                << "NET IP " << ip;
            QTest::addRow("NET SUBMASK, %s", answer) << "NET SUBMASK" << yes
                                                     << QByteArray("NET SUBMASK ,G")
                                                     << "NET SUBMASK " << mask;
            QTest::addRow("NET GATEWAY, %s", answer) << "NET GATEWAY" << yes
                                                     << QByteArray("NET GATEWAY ")
                                                     << "NET GATEWAY " << gateway;
        }
    }

    void networkWarnings()
    {
        QFETCH(QString, name);
        QFETCH(bool, yes);
        QFETCH(QByteArray, sent);
        QFETCH(QString, shown);
        QFETCH(QString, warning);
        UdpConsole c(false);
        c.controls().setText(0, QStringLiteral("before"));
        BoxAnswerer boxes;
        boxes.answer(yes ? QMessageBox::Yes : QMessageBox::No);
        c.app().applySetting(name);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Warning"));
        QVERIFY(boxes.seen().first().text.startsWith(warning));
        if (yes) {
            QVERIFY(c.waitForSent(1));
            QCOMPARE(c.sent(), QList<QByteArray>{sent});
            QCOMPARE(c.controls().text(0), shown);
        } else {
            QVERIFY(!c.waitForSent(1, 200));
            QCOMPARE(c.controls().text(0), QStringLiteral("before"));
        }
    }

    void unknownSettingSendsNothing()
    {
        UdpConsole c(false);
        c.controls().setText(0, QStringLiteral("kept"));
        c.app().applySetting(u"DISTMAX");
        c.app().applySetting(u"");
        QVERIFY(!c.waitForSent(1, 200));
        QCOMPARE(c.controls().text(0), QStringLiteral("kept"));
    }
};

QTEST_MAIN(OperatorSettings)
#include "tst_operator_settings.moc"
