#include <QTest>

#include "Poller.h"

namespace {

/// Runs `n` ticks and returns what each one sent ("" for a silent tick).
QStringList run(Poller& p, const PollContext& ctx, int n) {
    QStringList sent;
    for (int i = 0; i < n; ++i) sent << p.tick(ctx).command;
    return sent;
}

const QString D = QStringLiteral("DXYPV");
const QString S = QStringLiteral("STAT");

/// One rotation, steps 1..10, with no window open and the tracker's name known.
const QStringList kQuietRotation{D, S, D, D, "", D, S, "", D, D};

PortEntries samplePorts() {
    PortEntries ports;
    ports[1] = PortEntry{1, 0, QStringLiteral("192.168.1.10"), 14550, 1, 0, 5, 6};
    ports[2] = PortEntry{1, 2, QStringLiteral("192.168.1.50"), 9000, 0, 1, 0, 0};
    ports[5] = PortEntry{0, 1, QString(), 0, 0, 1, 2147483648LL, -1};
    return ports;
}

PortUploadList list(std::initializer_list<int> ports) {
    PortUploadList out{};
    std::copy(ports.begin(), ports.end(), out.begin());
    return out;
}

}  // namespace

class TestPoller : public QObject {
    Q_OBJECT

private slots:
    void rotationWithNoWindowOpen() {
        Poller p;
        PollContext ctx;
        const QStringList firstRotation{"", D, S, D, D, "", D, S, "", "ID", D};
        for (int i = 0; i < firstRotation.size(); ++i) {
            const PollAction a = p.tick(ctx);
            QCOMPARE(a.command, firstRotation[i]);
            QCOMPARE(a.shown, a.command);
            QVERIFY(a.rotationStep);
            QVERIFY(!a.suspendTimer2);
            QVERIFY(!a.removeTimer3);
            QCOMPARE(p.pollStep, i % 10 + 1);
        }
        QCOMPARE(run(p, ctx, 10), (QStringList{D, S, D, D, "", D, S, "", "ID", D}));
        ctx.trackerNameUnknown = false;
        QCOMPARE(run(p, ctx, 10), kQuietRotation);
        QCOMPARE(run(p, ctx, 10), kQuietRotation);
    }

    void windowSteps_data() {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("shown");
        QTest::newRow("vehicle") << 2 << 3 << "UAVGPS"
                                 << "UAVGPS";
        QTest::newRow("ethernet") << 6 << 4 << "NET CNT"
                                  << "NETCNT";
        QTest::newRow("motors") << 4 << 5 << "MOTSETUP"
                                << "MOTSETUP";
        QTest::newRow("mavlink") << 3 << 6 << "MAV STAT"
                                 << "MAV STAT";
        QTest::newRow("local gps") << 1 << 8 << "GPS"
                                   << "GPS";
    }
    void windowSteps() {
        QFETCH(int, window);
        QFETCH(int, step);
        QFETCH(QString, command);
        QFETCH(QString, shown);
        PollContext ctx;
        ctx.trackerNameUnknown = false;
        ctx.localGpsOpen = window == 1;
        ctx.vehicleOpen = window == 2;
        ctx.mavlinkOpen = window == 3;
        ctx.motorsOpen = window == 4;
        ctx.ethernetOpen = window == 6;
        Poller p;
        p.tick(ctx);
        for (int s = 1; s <= 10; ++s) {
            const PollAction a = p.tick(ctx);
            QCOMPARE(a.command, s == step ? command : kQuietRotation[s - 1]);
            QCOMPARE(a.shown, s == step ? shown : kQuietRotation[s - 1]);
            QVERIFY(a.rotationStep);
        }
    }

    void vehicleQueriesAlternateAcrossRotations() {
        Poller p;
        PollContext ctx;
        ctx.vehicleOpen = true;
        QStringList stepThree;
        p.tick(ctx);
        for (int rotation = 0; rotation < 4; ++rotation) {
            stepThree << run(p, ctx, 10)[2];
            if (rotation == 1) {
                // A rotation with the window closed does not move the alternation.
                ctx.vehicleOpen = false;
                QCOMPARE(run(p, ctx, 10)[2], D);
                ctx.vehicleOpen = true;
            }
        }
        QCOMPARE(stepThree, (QStringList{"UAVGPS", "UAVDAT", "UAVGPS", "UAVDAT"}));
    }

    void stepOutsideTheRotationRestartsIt() {
        Poller p;
        PollContext ctx;
        ctx.trackerNameUnknown = false;
        for (const int bad : {-3, 11, 1000}) {
            p.pollStep = bad;
            const PollAction a = p.tick(ctx);
            QVERIFY(a.command.isEmpty());
            QVERIFY(a.rotationStep);
            QCOMPARE(p.pollStep, 1);
            QCOMPARE(run(p, ctx, 10), kQuietRotation);
        }
    }

    void identitySequenceComesFirst() {
        Poller p;
        PollContext ctx;
        ctx.autoPollingOff = true;
        p.requestPortTable();
        p.requestIdentity();
        for (const char* expected : {"ID", "SERIAL", "NAME", "VBAT", "VCC", "CPUVOLT", "TEMP"}) {
            const PollAction a = p.tick(ctx);
            QCOMPARE(a.command, QString::fromLatin1(expected));
            QCOMPARE(a.shown, a.command);
            QVERIFY(!a.rotationStep);
            QVERIFY(!a.suspendTimer2);
        }
        QVERIFY(!p.identityQueryPending);
        QCOMPARE(p.identityQueryStep, 0);
        QCOMPARE(p.tick(ctx).command, QStringLiteral("NET PORT 8000"));
        QCOMPARE(p.pollStep, 0);
    }

    void precedenceOfTheSequences() {
        Poller p;
        PollContext ctx;
        const PortEntries ports = samplePorts();
        ctx.ports = &ports;
        p.requestAudio();
        p.requestPortTable();
        p.requestAddresses();
        p.requestPortUpload(list({8001}));
        p.requestIdentity();
        QStringList expected{
            "ID",  "SERIAL",  "NAME",        "VBAT",
            "VCC", "CPUVOLT", "TEMP",        "NET PORT 8001 1 0 192.168.1.10 14550 1 0 5 6",
            "",    "NET IP",  "NET SUBMASK", "NET GATEWAY"};
        for (int i = 0; i < 8; ++i) expected << QStringLiteral("NET PORT %1").arg(8000 + i);
        expected << "AUDIO VOL"
                 << "AUDIO TONE"
                 << "" << D << S;
        QCOMPARE(run(p, ctx, int(expected.size())), expected);
        QVERIFY(!p.identityQueryPending && !p.portUploadPending && !p.addressQueryPending &&
                !p.portQueryPending && !p.audioQueryPending);
    }

    void aSequenceRaisedMidwayWaitsForTheOneRunning() {
        Poller p;
        PollContext ctx;
        p.requestAudio();
        QCOMPARE(p.tick(ctx).command, QStringLiteral("AUDIO VOL"));
        p.requestAddresses();
        QCOMPARE(run(p, ctx, 4),
                 (QStringList{"NET IP", "NET SUBMASK", "NET GATEWAY", "AUDIO TONE"}));
    }

    void addressSteps() {
        Poller p;
        PollContext ctx;
        p.requestAddresses();
        const QStringList expected{"NET IP", "NET SUBMASK", "NET GATEWAY"};
        for (int i = 0; i < 3; ++i) {
            const PollAction a = p.tick(ctx);
            QCOMPARE(a.command, expected[i]);
            QCOMPARE(a.shown, expected[i]);
            QVERIFY(a.suspendTimer2);
            QVERIFY(!a.rotationStep);
            QVERIFY(!a.removeTimer3);
            QCOMPARE(p.addressQueryPending, i < 2);
        }
        QCOMPARE(p.addressQueryStep, 1);
        QVERIFY(p.tick(ctx).rotationStep);

        p.requestAddresses();
        p.addressQueryStep = 7;
        QCOMPARE(run(p, ctx, 3), expected);
    }

    void portTableRead_data() {
        QTest::addColumn<bool>("autoPollingOff");
        QTest::newRow("polling on") << false;
        QTest::newRow("polling off") << true;
    }
    void portTableRead() {
        QFETCH(bool, autoPollingOff);
        Poller p;
        PollContext ctx;
        ctx.autoPollingOff = autoPollingOff;
        p.requestPortTable();
        for (int i = 0; i < 8; ++i) {
            const PollAction a = p.tick(ctx);
            QCOMPARE(a.command, QStringLiteral("NET PORT %1").arg(8000 + i));
            QCOMPARE(a.shown, a.command);
            QVERIFY(a.suspendTimer2);
            QVERIFY(!a.rotationStep);
            QCOMPARE(a.removeTimer3, i == 7 && autoPollingOff);
            QCOMPARE(p.portQueryPending, i < 7);
        }
        QCOMPARE(p.portQueryIndex, 0);
        const PollAction after = p.tick(ctx);
        QVERIFY(after.rotationStep);
        QVERIFY(!after.removeTimer3);

        // An index that is no port of the table starts the read from the first port.
        p.requestPortTable();
        p.portQueryIndex = 42;
        QCOMPARE(p.tick(ctx).command, QStringLiteral("NET PORT 8000"));
    }

    void portUpload() {
        Poller p;
        PollContext ctx;
        ctx.trackerNameUnknown = false;
        const PortEntries ports = samplePorts();
        ctx.ports = &ports;
        const std::array<int, 10> wanted = list({8002, 8005, 0, 8001});
        p.requestPortUpload(wanted);
        QVERIFY(p.portUploadPending);
        QCOMPARE(p.portUploadList, wanted);

        PollAction a = p.tick(ctx);
        QCOMPARE(a.command, QStringLiteral("NET PORT 8002 1 2 192.168.1.50 9000 0 1 0 0"));
        QCOMPARE(a.shown, a.command);
        QVERIFY(!a.rotationStep);
        a = p.tick(ctx);
        QCOMPARE(a.command, QStringLiteral("NET PORT 8005 0 1  0 0 1 2147483648 -1"));
        a = p.tick(ctx);
        QVERIFY(a.command.isEmpty());
        QVERIFY(a.shown.isEmpty());
        QVERIFY(!a.rotationStep);
        QVERIFY(!p.portUploadPending);
        QCOMPARE(p.portUploadIndex, 0);
        QCOMPARE(p.portUploadList, (std::array<int, 10>{}));
        a = p.tick(ctx);
        QVERIFY(a.rotationStep);
        QCOMPARE(run(p, ctx, 10), kQuietRotation);
    }

    // A full list is sent to its tenth entry: the ninth and tenth are saved edits too.
    void portUploadSendsAllTenEntries() {
        Poller p;
        PollContext ctx;
        const PortEntries ports = samplePorts();
        ctx.ports = &ports;
        const std::array<int, 10> ten = {8000, 8001, 8002, 8003, 8004,
                                         8005, 8006, 8007, 8001, 8002};
        p.requestPortUpload(ten);
        QStringList sent = run(p, ctx, 11);
        QCOMPARE(sent.last(), QString());
        sent.removeLast();
        for (int i = 0; i < 10; ++i)
            QVERIFY2(sent[i].startsWith(QStringLiteral("NET PORT %1 ").arg(ten[std::size_t(i)])),
                     qPrintable(sent[i]));
        QVERIFY(!p.portUploadPending);
        QCOMPARE(p.portUploadList, (std::array<int, 10>{}));
    }

    void portUploadRowsOutsideTheTable() {
        Poller p;
        PollContext ctx;
        PortEntries ports = samplePorts();
        ports[0] = PortEntry{1, 1, QStringLiteral("10.0.0.1"), 80, 1, 1, 3, 4};
        ctx.ports = &ports;
        // 8009 and 8008 have no row; 800 and -8003 have no digit as their fourth character and
        // use row 0, like the integer reading of the port replies.
        p.requestPortUpload(list({8009, 800, -8003, 8008, 8002}));
        QCOMPARE(run(p, ctx, 6), (QStringList{"", "NET PORT 800 1 1 10.0.0.1 80 1 1 3 4",
                                              "NET PORT -8003 1 1 10.0.0.1 80 1 1 3 4", "",
                                              "NET PORT 8002 1 2 192.168.1.50 9000 0 1 0 0", ""}));
        QVERIFY(!p.portUploadPending);

        // Without the table nothing can be read: each entry takes its tick silently.
        ctx.ports = nullptr;
        p.requestPortUpload(list({8001, 8002}));
        QCOMPARE(run(p, ctx, 3), (QStringList{"", "", ""}));
        QVERIFY(!p.portUploadPending);

        // An index outside the list ends the upload.
        ctx.ports = &ports;
        p.requestPortUpload(list({8001}));
        p.portUploadIndex = -1;
        QCOMPARE(p.tick(ctx).command, QString());
        QVERIFY(!p.portUploadPending);
        QCOMPARE(p.portUploadIndex, 0);
    }

    void calibrationOkHides_data() {
        QTest::addColumn<int>("stateX");
        QTest::addColumn<int>("stateY");
        QTest::newRow("Y only") << 0 << 2;
        QTest::newRow("X only") << 2 << 3;
        QTest::newRow("both") << 2 << 2;
        QTest::newRow("neither") << 1 << 4;
    }
    void calibrationOkHides() {
        QFETCH(int, stateX);
        QFETCH(int, stateY);
        Poller p;
        PollContext ctx;
        ctx.calibrationStateX = stateX;
        ctx.calibrationStateY = stateY;
        // The count runs on every tick, one-shot sequences included.
        p.requestPortTable();
        p.requestIdentity();
        for (int tick = 1; tick <= 90; ++tick) {
            const PollAction a = p.tick(ctx);
            const bool due = tick % 30 == 0;
            QCOMPARE(a.hideCalibrationX, due && stateX == 2);
            QCOMPARE(a.hideCalibrationY, due && stateY == 2);
            QCOMPARE(p.calibOkTicksX, stateX == 2 ? tick % 30 : 0);
            QCOMPARE(p.calibOkTicksY, stateY == 2 ? tick % 30 : 0);
        }
    }

    void calibrationCounterResetAndLimit() {
        Poller p;
        PollContext ctx;
        ctx.calibrationStateY = 2;
        run(p, ctx, 20);
        QCOMPARE(p.calibOkTicksY, 20);
        // A state other than OK holds the count where it is.
        ctx.calibrationStateY = 3;
        run(p, ctx, 5);
        QCOMPARE(p.calibOkTicksY, 20);
        p.resetCalibrationCountY();
        ctx.calibrationStateY = 2;
        for (int i = 1; i < 30; ++i) QVERIFY(!p.tick(ctx).hideCalibrationY);
        QVERIFY(p.tick(ctx).hideCalibrationY);

        // A count at 31 or beyond no longer counts and never hides.
        p.calibOkTicksX = 31;
        ctx.calibrationStateX = 2;
        for (int i = 0; i < 40; ++i) QVERIFY(!p.tick(ctx).hideCalibrationX);
        QCOMPARE(p.calibOkTicksX, 31);
        p.resetCalibrationCountX();
        QCOMPARE(p.calibOkTicksX, 0);
    }

    void audioSteps() {
        Poller p;
        PollContext ctx;
        p.requestAudio();
        const PollAction vol = p.tick(ctx);
        QCOMPARE(vol.command, QStringLiteral("AUDIO VOL"));
        QVERIFY(!vol.suspendTimer2 && !vol.rotationStep);
        QVERIFY(p.audioQueryPending);
        QCOMPARE(p.tick(ctx).command, QStringLiteral("AUDIO TONE"));
        QVERIFY(!p.audioQueryPending);
        QCOMPARE(p.audioQueryStep, 0);
    }

    void identityStepOutsideTheSequenceEndsIt() {
        Poller p;
        PollContext ctx;
        p.requestIdentity();
        p.identityQueryStep = 9;
        QVERIFY(p.tick(ctx).command.isEmpty());
        QVERIFY(!p.identityQueryPending);
        QCOMPARE(p.identityQueryStep, 0);
    }
};

QTEST_APPLESS_MAIN(TestPoller)
#include "tst_protocol_poller.moc"
