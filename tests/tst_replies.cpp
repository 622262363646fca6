// Replies as they reach a running console: what each one stores and what the main window shows
// afterwards (texts, colours, visibility, check state, list item), the refresh rule for a group
// the operator is editing, and the replies that must change nothing.

#include <QTest>

#include "Gauges.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

const QByteArray kStatus =
    "STAT 123 -5 40 1 2 415678901 -37654321 650 45 5 1 0 3 15200 31 1234 2";

/// The main window's controls that the pointing and status replies write.
const int kWindowZeroFields[] = {17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 30, 32, 38, 40, 54, 55, 56};

}  // namespace

Q_DECLARE_METATYPE(Rgb)

class Replies : public QObject {
    Q_OBJECT
private slots:
    void pointingAngles_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<float>("azimuth");
        QTest::addColumn<float>("elevation");
        QTest::newRow("in range") << QByteArray("1234 255") << 123.4f << 25.5f;
        QTest::newRow("past both limits") << QByteArray("3605 -1000") << 360.0f << -90.0f;
        QTest::newRow("below zero, above 90") << QByteArray("-1 901") << 0.0f << 90.0f;
        QTest::newRow("garbled") << QByteArray("12x4 abc") << 1.2f << 0.0f;
        QTest::newRow("NaN and infinity") << QByteArray("NaN +Infinity") << 0.0f << 90.0f;
        QTest::newRow("infinity and NaN") << QByteArray("-infinity nan") << 0.0f << 0.0f;
        QTest::newRow("not a special form") << QByteArray("inf -inf") << 0.0f << 0.0f;
        QTest::newRow("missing") << QByteArray("") << 0.0f << 0.0f;
    }

    void pointingAngles()
    {
        QFETCH(QByteArray, fields);
        QFETCH(float, azimuth);
        QFETCH(float, elevation);
        UdpConsole c(false);
        c.feed("DXYPV " + fields + " OK");
        QCOMPARE(c.app().repliesHandled(), 1);
        QCOMPARE(c.app().tracker().azimuthDeg, azimuth);
        QCOMPARE(c.app().tracker().elevationDeg, elevation);
    }

    void pointingVehicleAndFlags()
    {
        UdpConsole c(false);
        Controls& w = c.controls();
        c.feed("DXYPV 1234 255 415678901 -37654321 120 152 33 OK");  // flags 128+16+8
        QCOMPARE(w.text(23), QStringLiteral("41.5678901\u00BA"));
        QCOMPARE(w.text(25), QStringLiteral("-3.7654321\u00BA"));
        QCOMPARE(w.text(26), QStringLiteral("120"));
        for (int n : {23, 25, 26}) QCOMPARE(w.background(n), colour::kField);
        QCOMPARE(w.background(41), colour::kGood);
        QVERIFY(w.isChecked(47));
        QVERIFY(w.isShown(48));
        QCOMPARE(w.background(48), colour::kGood);
        // F8 33: X state 1 (Calibrating), Y state 2 (OK).
        QCOMPARE(w.text(55), QStringLiteral("Calibrating"));
        QCOMPARE(w.background(55), (Rgb{255, 188, 0}));
        QCOMPARE(w.text(56), QStringLiteral("OK"));
        QCOMPARE(w.background(56), (Rgb{39, 255, 0}));

        // Bits above 7 are ignored; a clear bit 3 unchecks the operator's box and hides 48.
        c.feed("DXYPV 1234 255 415678901 -37654321 120 256 67 OK");
        QCOMPARE(w.background(41), colour::kBad);
        QVERIFY(!w.isChecked(47));
        QVERIFY(!w.isShown(48));
        QCOMPARE(w.text(55), QStringLiteral("ERROR"));
        QCOMPARE(w.text(56), QStringLiteral("Not calibrated"));
        // States 0 and 5..15 leave the display as it was.
        c.feed("DXYPV 1234 255 1 1 1 0 95 OK");
        QCOMPARE(w.text(55), QStringLiteral("ERROR"));
        QCOMPARE(w.text(56), QStringLiteral("Not calibrated"));
    }

    // The vehicle group held by the operator keeps its texts and turns yellow; the state is
    // updated all the same, and the group takes the reply once the focus has gone elsewhere.
    void pointingRefreshRule_data()
    {
        QTest::addColumn<int>("focused");
        QTest::addColumn<bool>("held");
        QTest::newRow("latitude") << 23 << true;
        QTest::newRow("longitude") << 25 << true;
        QTest::newRow("altitude") << 26 << true;
        QTest::newRow("origin latitude, another group") << 22 << false;
        QTest::newRow("command entry") << 0 << false;
    }

    void pointingRefreshRule()
    {
        QFETCH(int, focused);
        QFETCH(bool, held);
        UdpConsole c(false);
        Controls& w = c.controls();
        for (int n : {23, 25, 26}) w.setText(n, QStringLiteral("typed"));
        c.app().state().lastFocusedGadget = focused;
        c.feed("DXYPV 0 0 5 -1234567 77 0 0 OK");
        QCOMPARE(c.app().tracker().vehicleLat, QStringLiteral("0.0000005\u00BA"));
        QCOMPARE(c.app().tracker().vehicleLon, QStringLiteral("-0.1234567\u00BA"));
        for (int n : {23, 25, 26}) {
            QCOMPARE(w.text(n) == u"typed", held);
            QCOMPARE(w.background(n), held ? colour::kEditing : colour::kField);
        }
        c.app().state().lastFocusedGadget = 0;
        c.feed("DXYPV 0 0 5 -1234567 77 0 0 OK");
        QCOMPARE(w.text(26), QStringLiteral("77"));
        QCOMPARE(w.background(26), colour::kField);
    }

    // The gauges are drawn before the reply's own flags are stored: the dots and needle tips
    // show the previous pointing reply's flags.
    void gaugesShowThePreviousFlags()
    {
        UdpConsole c(false);
        c.feed("DXYPV 900 450 0 0 0 39 0 OK");  // azimuth lamp, both elevation lamps, alarm
        GaugePainter reference;
        GaugeInputs in;
        in.azimuthDeg = 90;
        in.elevationDeg = 45;
        in.trackerFlags = 0;
        QCOMPARE(*c.controls().image(mainwindow::kGauges), reference.draw(in));
        c.feed("DXYPV 1800 -300 0 0 0 0 0 OK");
        in.azimuthDeg = 180;
        in.elevationDeg = -30;
        in.trackerFlags = 39;
        QCOMPARE(*c.controls().image(mainwindow::kGauges), reference.draw(in));
    }

    void statusWhole()
    {
        UdpConsole c(false);
        Controls& w = c.controls();
        const TrackerState& t = c.app().tracker();
        w.setText(26, QStringLiteral("700"));  // vehicle altitude for the relative height
        c.feed(kStatus + " OK");
        QCOMPARE(w.text(17), QStringLiteral("12.3"));
        QCOMPARE(w.text(32), QStringLiteral("-.5"));
        QCOMPARE(w.text(18), QStringLiteral("40"));
        QVERIFY(t.mavlinkEnabled);
        QVERIFY(w.isChecked(29));
        QVERIFY(w.isShown(54));
        QVERIFY(w.isShown(41));
        QCOMPARE(w.selectedItem(mainwindow::kHomeCombo), 2);
        QCOMPARE(w.text(22), QStringLiteral("41.5678901\u00BA"));
        QCOMPARE(w.text(24), QStringLiteral("-3.7654321\u00BA"));
        QCOMPARE(w.text(27), QStringLiteral("650"));
        QCOMPARE(w.text(19), QStringLiteral("45"));
        QCOMPARE(w.text(20), QStringLiteral("5"));
        QCOMPARE(w.background(35), colour::kActive);
        QCOMPARE(w.background(36), colour::kField);
        QCOMPARE(w.text(21), QStringLiteral("Link|BATH|"));
        QCOMPARE(t.supplyVoltageText, QStringLiteral("15.2V"));
        QCOMPARE(t.temperatureText, QStringLiteral("T:31\u00BAc"));
        QCOMPARE(w.text(38), QStringLiteral("1234"));
        QCOMPARE(w.text(40), QStringLiteral("50"));
        QCOMPARE(w.text(54), QStringLiteral("2"));
        QCOMPARE(w.background(54), colour::kGood);
    }

    // Four words: F4 is "OK" and everything after reads as empty or 0.
    void statusShort()
    {
        UdpConsole c(false);
        Controls& w = c.controls();
        c.feed(kStatus + " OK");
        c.feed("STAT 1 2 OK");
        QCOMPARE(w.text(17), QStringLiteral(".1"));
        QCOMPARE(w.text(32), QStringLiteral(".2"));
        QCOMPARE(w.text(18), QStringLiteral("OK"));
        QVERIFY(!c.app().tracker().mavlinkEnabled);
        QVERIFY(!w.isChecked(29));
        QVERIFY(!w.isShown(54));
        QVERIFY(!w.isShown(41));
        QCOMPARE(w.selectedItem(mainwindow::kHomeCombo), 0);
        QCOMPARE(w.text(27), QString());
        QCOMPARE(w.text(21), QString());
        QCOMPARE(w.background(35), colour::kField);
        QCOMPARE(c.app().tracker().supplyVoltageText, QStringLiteral("0.0V"));
        QCOMPARE(c.app().tracker().temperatureText, QStringLiteral("T:\u00BAc"));
        QCOMPARE(w.text(54), QStringLiteral("0"));
        QCOMPARE(w.background(54), colour::kBad);
    }

    void alarmText_data()
    {
        QTest::addColumn<QByteArray>("flags");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << QByteArray("0") << "";
        QTest::newRow("all seven") << QByteArray("127") << "Link|BATH|BATL|TEL|FS|VCCL|VCCH";
        QTest::newRow("bits above 6 ignored") << QByteArray("448") << "VCCH";
        QTest::newRow("hex form") << QByteArray("$18") << "TEL|FS|";
        QTest::newRow("garbled") << QByteArray("x") << "";
    }

    void alarmText()
    {
        QFETCH(QByteArray, flags);
        QFETCH(QString, text);
        UdpConsole c(false);
        c.feed("STAT 0 0 0 0 0 0 0 0 0 0 0 0 " + flags + " 0 0 0 0 OK");
        QCOMPARE(c.controls().text(21), text);
    }

    void gpsRateLight_data()
    {
        QTest::addColumn<QByteArray>("rate");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Rgb>("background");
        QTest::newRow("0") << QByteArray("0") << "0" << colour::kBad;
        QTest::newRow("1") << QByteArray("1") << "1" << Rgb{255, 169, 0};
        QTest::newRow("2") << QByteArray("2") << "2" << colour::kGood;
        QTest::newRow("many") << QByteArray("250") << "250" << colour::kGood;
        // Below zero nothing changes: the light keeps the previous reply's state.
        QTest::newRow("negative") << QByteArray("-1") << "1" << Rgb{255, 169, 0};
    }

    void gpsRateLight()
    {
        QFETCH(QByteArray, rate);
        QFETCH(QString, text);
        QFETCH(Rgb, background);
        UdpConsole c(false);
        const QByteArray head = "STAT 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 ";
        c.feed(head + "1 OK");
        c.feed(head + rate + " OK");
        QCOMPARE(c.controls().text(54), text);
        QCOMPARE(c.controls().background(54), background);
    }

    // Focus in the origin group keeps its texts (yellow) but not the relative height, which
    // follows the new altitude.
    void statusWhileEditingTheOrigin_data()
    {
        QTest::addColumn<int>("focused");
        QTest::addColumn<QList<int>>("held");
        QTest::newRow("origin latitude") << 22 << QList<int>{22, 24, 27};
        QTest::newRow("origin altitude") << 27 << QList<int>{22, 24, 27};
        QTest::newRow("offset Y") << 32 << QList<int>{17, 32};
        QTest::newRow("distance minimum") << 18 << QList<int>{18};
        QTest::newRow("fan") << 19 << QList<int>{19};
        QTest::newRow("heater") << 20 << QList<int>{20};
        QTest::newRow("nothing held") << 15 << QList<int>{};
    }

    void statusWhileEditingTheOrigin()
    {
        QFETCH(int, focused);
        QFETCH(QList<int>, held);
        UdpConsole c(false);
        Controls& w = c.controls();
        const int groups[] = {17, 32, 18, 19, 20, 22, 24, 27};
        for (int n : groups) w.setText(n, QStringLiteral("typed"));
        w.setText(26, QStringLiteral("1000"));
        c.app().state().lastFocusedGadget = focused;
        c.feed(kStatus + " OK");
        for (int n : groups) {
            QCOMPARE(w.text(n) == u"typed", held.contains(n));
            QCOMPARE(w.background(n), held.contains(n) ? colour::kEditing : colour::kField);
        }
        QCOMPARE(c.app().tracker().orgAlt, QStringLiteral("650"));
        QCOMPARE(w.text(40), QStringLiteral("350"));
    }

    void relativeHeightSaturates()
    {
        UdpConsole c(false);
        c.controls().setText(26, QStringLiteral("9223372036854775807"));
        c.feed("STAT 0 0 0 0 0 0 0 -5 OK");
        QCOMPARE(c.controls().text(40), QStringLiteral("9223372036854775807"));
        c.controls().setText(26, QStringLiteral("-9223372036854775807"));
        c.feed("STAT 0 0 0 0 0 0 0 99999999999999999999 OK");
        QCOMPARE(c.controls().text(40), QStringLiteral("-9223372036854775808"));
    }

    void identityAndName()
    {
        UdpConsole c(false);
        const TrackerState& t = c.app().tracker();
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QStringLiteral("???"));
        c.feed("ID MERLAN 2.07 x 192.168.1.8 00:11:22:33:44:55 Tower OK");
        QCOMPARE(t.productName, QStringLiteral("MERLAN"));
        QCOMPARE(t.firmwareVersion, QStringLiteral("2.07"));
        QCOMPARE(t.ip8Text, QStringLiteral("192.168.1.8"));
        QCOMPARE(t.macAddress, QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(t.deviceName, QStringLiteral("Tower"));
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QStringLiteral("Tower"));
        // NAME changes the label but not the stored name.
        c.feed("NAME Mast OK");
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QStringLiteral("Mast"));
        QCOMPARE(t.deviceName, QStringLiteral("Tower"));
        // A short ID empties the label (which also ends the ID queries).
        c.feed("ID MERLAN OK");
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QString());
    }

    void networkAddressesAreStored()
    {
        UdpConsole c(false);
        c.feed("NET IP 192.168.1.9 OK");
        c.feed("NET SUBMASK 255.255.255.0 OK");
        c.feed("NET GATEWAY 192.168.1.1 OK");
        QCOMPARE(c.app().tracker().deviceIp, QStringLiteral("192.168.1.9"));
        QCOMPARE(c.app().tracker().deviceSubmask, QStringLiteral("255.255.255.0"));
        QCOMPARE(c.app().tracker().deviceGateway, QStringLiteral("192.168.1.1"));
    }

    void portEntry_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("row");
        QTest::newRow("row 3") << QByteArray("NET PORT 8003 1 2 192.168.1.50 9000 0 1 10 20 OK") << 3;
        QTest::newRow("values past their range") << QByteArray("NET PORT 8007 5 9 h 9000 4 3 10 20 OK")
                                                 << 7;
        QTest::newRow("no digit reads as row 0") << QByteArray("NET PORT 800x 1 2 a 1 0 1 10 20 OK") << 0;
        QTest::newRow("row 8 touches nothing") << QByteArray("NET PORT 8008 1 2 a 1 0 1 10 20 OK") << -1;
        QTest::newRow("row 9 touches nothing") << QByteArray("NET PORT 8009 1 2 a 1 0 1 10 20 OK") << -1;
    }

    void portEntry()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, row);
        UdpConsole c(false);
        c.feed(reply);
        const PortEntries& ports = c.app().ports();
        for (int i = 0; i < kPortCount; ++i) {
            const PortEntry& e = ports[size_t(i)];
            if (i != row) {
                QCOMPARE(e.ipDest, QString());
                QCOMPARE(e.cntRx, 0);
                continue;
            }
            QCOMPARE(e.state, 1);
            QCOMPARE(e.type, 2);
            QCOMPARE(e.portDest, reply.contains("9000") ? 9000 : 1);
            QCOMPARE(e.echo, row == 7 ? 1 : 0);
            QCOMPARE(e.prop, 1);
            QCOMPARE(e.cntRx, 10);
            QCOMPARE(e.cntTx, 20);
        }
        if (row == 3) QCOMPARE(ports[3].ipDest, QStringLiteral("192.168.1.50"));
    }

    // Keywords compare exactly; the windows these replies belong to are closed, and unknown
    // second keywords are ignored: the main window stays as it was.
    void repliesThatChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("lower case") << QByteArray("dxypv 1234 255 1 1 1 255 17 OK");
        QTest::newRow("unknown keyword") << QByteArray("FOO 1 2 3 OK");
        QTest::newRow("MAV STAT, window closed") << QByteArray("MAV STAT 1 2 3 4 5 6 7 8 9 OK");
        QTest::newRow("MAV other") << QByteArray("MAV XYZ 1 OK");
        QTest::newRow("AUDIO VOL, window closed") << QByteArray("AUDIO VOL 5 OK");
        QTest::newRow("GPS, window closed") << QByteArray("GPS A 1 2 3 4 5 6 7 OK");
        QTest::newRow("UAVGPS, window closed") << QByteArray("UAVGPS 1 2 3 4 5 6 7 8 9 1 1 1 OK");
        QTest::newRow("UAVDAT, window closed") << QByteArray("UAVDAT 1 2 3 4 5 OK");
        QTest::newRow("MOTSETUP, window closed") << QByteArray("MOTSETUP 1 2 3 OK");
        QTest::newRow("NET other") << QByteArray("NET MAC 1 OK");
        QTest::newRow("NET CNT") << QByteArray("NET CNT 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 OK");
        QTest::newRow("device replies") << QByteArray("VBAT 12000 OK");
        QTest::newRow("keyword only") << QByteArray("STATUS OK");
    }

    void repliesThatChangeNothing()
    {
        QFETCH(QByteArray, reply);
        UdpConsole c(false);
        QStringList before;
        for (int n : kWindowZeroFields) before << c.controls().text(n);
        const float azimuth = c.app().tracker().azimuthDeg;
        c.feed(reply);
        QCOMPARE(c.app().repliesHandled(), 1);
        QStringList after;
        for (int n : kWindowZeroFields) after << c.controls().text(n);
        QCOMPARE(after, before);
        QCOMPARE(c.app().tracker().azimuthDeg, azimuth);
        for (const PortEntry& e : c.app().ports()) QCOMPARE(e.cntRx, 0);
    }
};

QTEST_MAIN(Replies)
#include "tst_replies.moc"
