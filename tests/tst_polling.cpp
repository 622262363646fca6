// Polling on the real 100 ms timer against a loopback peer: the rotation's order and spacing,
// the command line showing each command, the end of the "ID" query, the one-shot sequences,
// timer 3 with polling off, and the serial receive timer restarted after each rotation step.

#include <QTest>
#include <QTimer>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

/// A command as it went out: its text, the tick of the timer that sent it (1 is the first tick
/// after the collection began) and what control 0 showed right then.
struct Seen {
    QByteArray command;
    int tick;
    QString shown;
};

/// The bank's own timer `number`: it creates them in number order, 1 to 5.
QTimer* bankTimer(App& app, int number)
{
    return app.timers().findChildren<QTimer*>().at(number - 1);
}

/// Collects the commands (keep-alive left out) that ticks of timer `timer` send, until `count`
/// went out. Each is read right after the console's own handler for the tick: loopback delivers
/// a datagram before the write returns.
QList<Seen> collect(UdpConsole& c, int count, int timer = TimerBank::kPolling)
{
    QList<Seen> seen;
    int ticks = 0;
    QObject context;
    QObject::connect(bankTimer(c.app(), timer), &QTimer::timeout, &context, [&] {
        ++ticks;
        const QList<QByteArray> all = c.sent();
        while (seen.size() < all.size())
            seen << Seen{all[seen.size()], ticks, c.controls().text(mainwindow::kCommandEntry)};
    });
    waitFor([&] { return seen.size() >= count; });
    return seen;
}

QList<QByteArray> commands(const QList<Seen>& seen)
{
    QList<QByteArray> out;
    for (const Seen& s : seen) out << s.command;
    return out;
}

QByteArray joined(const QList<QByteArray>& list) { return list.join(' '); }

/// Stops a timer whenever the timer it watches is about to tick.
class StopBeforeTick : public QObject {
public:
    explicit StopBeforeTick(QTimer* stopped) : m_stopped(stopped) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Timer) m_stopped->stop();
        return false;
    }

private:
    QTimer* m_stopped;
};

}  // namespace

class PollingTest : public QObject {
    Q_OBJECT
private slots:
    void rotationOrderAndSpacing()
    {
        UdpConsole c(true, {});
        QVERIFY(c.isLinked());
        const QList<Seen> seen = collect(c, 13);
        QCOMPARE(seen.size(), 13);
        // Step 0 is silent, 5 and 8 are silent without their windows, 9 asks "ID" while the
        // tracker is unnamed.
        const QList<QByteArray> expected = {"DXYPV", "STAT", "DXYPV", "DXYPV", "DXYPV", "STAT", "ID",
                                            "DXYPV", "DXYPV", "STAT", "DXYPV", "DXYPV", "DXYPV"};
        QCOMPARE(commands(seen), expected);
        // Ticks of 100 ms apart: 1 between sent commands, 2 across each silent tick. The first
        // tick after opening is silent.
        QCOMPARE(c.app().timers().period(TimerBank::kPolling), 100);
        QCOMPARE(seen[0].tick, 2);
        const int ticksApart[] = {1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 2};
        for (int i = 1; i < seen.size(); ++i)
            QVERIFY2(seen[i].tick - seen[i - 1].tick == ticksApart[i - 1],
                     qPrintable(QStringLiteral("gap %1").arg(i)));
        for (const Seen& s : seen) QCOMPARE(s.shown, QString::fromLatin1(s.command));
        // Not echoed while ECHO CMD is off.
        QVERIFY(!c.fixture().consoleLines().contains(QStringLiteral("DXYPV")));
    }

    void identityEndsTheIdQuery_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("deviceName");
        QTest::newRow("ID") << QByteArray("ID MERLAN 2.14 HW3 192.168.1.224 00:1E:C0:5A:7B:21 Tracker1 OK")
                            << "Tracker1" << "Tracker1";
        QTest::newRow("NAME") << QByteArray("NAME Antenna OK") << "Antenna" << "";
        QTest::newRow("short ID") << QByteArray("ID MERLAN OK") << "" << "";
    }

    void identityEndsTheIdQuery()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, name);
        QFETCH(QString, deviceName);
        UdpConsole c;
        QVERIFY(c.peer().waitForDatagrams(1));
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), QStringLiteral("???"));
        QVERIFY(c.reply(reply));
        QCOMPARE(c.controls().text(mainwindow::kNameLabel), name);
        QCOMPARE(c.app().tracker().deviceName, deviceName);
        c.peer().datagrams();
        c.peer().clear();
        // A whole rotation and a bit: step 9 now asks "DXYPV".
        QVERIFY(c.peer().waitForDatagrams(9));
        for (const QByteArray& d : c.peer().datagrams())
            QVERIFY2(d == "DXYPV" || d == "STAT", joined(c.peer().datagrams()).constData());
        QVERIFY(c.peer().datagrams().count("DXYPV") >= 6);
    }

    void oneShotSequencesGoFirst_data()
    {
        QTest::addColumn<QString>("sequence");
        QTest::addColumn<QList<QByteArray>>("expected");
        QTest::newRow("identity") << "identity"
                                  << QList<QByteArray>{"ID", "SERIAL", "NAME", "VBAT", "VCC", "CPUVOLT", "TEMP"};
        QTest::newRow("addresses") << "addresses" << QList<QByteArray>{"NET IP", "NET SUBMASK", "NET GATEWAY"};
        QTest::newRow("port table") << "ports"
                                    << QList<QByteArray>{"NET PORT 8000", "NET PORT 8001", "NET PORT 8002",
                                                         "NET PORT 8003", "NET PORT 8004", "NET PORT 8005",
                                                         "NET PORT 8006", "NET PORT 8007"};
        QTest::newRow("audio") << "audio" << QList<QByteArray>{"AUDIO VOL", "AUDIO TONE"};
        // Raised together, the identity sequence runs before the port table read.
        QTest::newRow("identity, then ports")
            << "identity+ports"
            << QList<QByteArray>{"ID",            "SERIAL",        "NAME",          "VBAT",
                                 "VCC",           "CPUVOLT",       "TEMP",          "NET PORT 8000",
                                 "NET PORT 8001", "NET PORT 8002", "NET PORT 8003", "NET PORT 8004",
                                 "NET PORT 8005", "NET PORT 8006", "NET PORT 8007"};
    }

    void oneShotSequencesGoFirst()
    {
        QFETCH(QString, sequence);
        QFETCH(QList<QByteArray>, expected);
        UdpConsole c;
        // Name the tracker so that the rotation is all "DXYPV" and "STAT".
        QVERIFY(c.peer().waitForDatagrams(1));
        QVERIFY(c.reply("NAME T OK"));
        QVERIFY(c.peer().waitForDatagrams(3));
        c.peer().datagrams();  // loopback delivers at once: nothing older is left in flight
        c.peer().clear();
        Poller& p = c.app().poller();
        const int stepBefore = p.pollStep;
        if (sequence.contains(u"identity")) p.requestIdentity();
        if (sequence.contains(u"addresses")) p.requestAddresses();
        if (sequence.contains(u"ports")) p.requestPortTable();
        if (sequence.contains(u"audio")) p.requestAudio();
        const QList<Seen> seen = collect(c, int(expected.size()) + 1);
        QCOMPARE(seen.size(), expected.size() + 1);
        const QList<QByteArray> got = commands(seen);
        QCOMPARE(got.mid(0, expected.size()), expected);
        for (const Seen& s : seen) QCOMPARE(s.shown, QString::fromLatin1(s.command));
        // The rotation resumes at the step it had reached (5 and 8 are silent).
        static const char* const kRotation[] = {"", "DXYPV", "STAT", "DXYPV", "DXYPV", "",
                                                "DXYPV", "STAT", "", "DXYPV", "DXYPV"};
        int step = stepBefore;
        while (!*kRotation[step]) step = step % 10 + 1;
        QCOMPARE(got.last(), QByteArray(kRotation[step]));
        QVERIFY(!p.identityQueryPending && !p.addressQueryPending && !p.portQueryPending &&
                !p.audioQueryPending);
        QVERIFY(c.app().timers().isActive(2));
    }

    void portTableOnTimer3WhilePollingIsOff()
    {
        UdpConsole c(false);
        QVERIFY(c.isLinked());
        // What the Ethernet window does when it opens with polling off.
        c.app().poller().requestPortTable();
        c.app().timers().add(3, 100);
        const QList<Seen> seen = collect(c, 8, TimerBank::kOneShotReads);
        QList<QByteArray> expected;
        for (int p = 8000; p <= 8007; ++p) expected << "NET PORT " + QByteArray::number(p);
        QCOMPARE(commands(seen), expected);
        for (int i = 0; i < seen.size(); ++i) QCOMPARE(seen[i].tick, i + 1);  // one every tick
        QTRY_VERIFY_WITH_TIMEOUT(!c.app().timers().isActive(3), kTimeoutMs);
        QVERIFY(!c.app().timers().isActive(2));
        QCOMPARE(c.controls().text(0), QStringLiteral("NET PORT 8007"));
        // Then nothing but the keep-alive.
        QTest::qWait(600);
        QCOMPARE(c.sent(), expected);
    }

    void serialReceiveTimerFollowsEachRotationStep()
    {
        PtyPair pty;
        QVERIFY(pty.isValid());
        ConsoleFixture f([&pty](const QString& dir) { pty.linkInto(dir, QStringLiteral("COM7")); });
        f.controls().setText(ConnectionDialog::kComField, QStringLiteral("7"));

        QCOMPARE(f.app().timers().findChildren<QTimer*>().size(), TimerBank::kRecordFlush);  // 1 to 6, in order
        QTimer* serialTimer = bankTimer(f.app(), 1);
        QTimer* pollTimer = bankTimer(f.app(), 2);
        QVERIFY(pollTimer->isActive());
        QCOMPARE(pollTimer->interval(), 100);

        f.click(ConnectionDialog::kComButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Serial);
        QCOMPARE(f.app().timers().period(1), 20);
        const QByteArray out = pty.readAtLeast(int(QByteArray("@PC>25 DXYPV@PC>25 STAT").size()));
        QVERIFY2(out.startsWith("@PC>25 DXYPV@PC>25 STAT"), out.constData());

        // From now on timer 1 is stopped just before each polling tick (a filter on timer 2 sees
        // the tick first); right after the console's own handler for the tick it runs again,
        // its whole period to go.
        StopBeforeTick stopper(serialTimer);
        pollTimer->installEventFilter(&stopper);
        QList<int> remaining;
        QObject::connect(pollTimer, &QTimer::timeout, &stopper, [&] {
            remaining << (serialTimer->isActive() ? serialTimer->remainingTime() : -1);
        });
        QVERIFY(waitFor([&] { return remaining.size() >= 8; }));
        pollTimer->removeEventFilter(&stopper);
        for (int ms : remaining)
            QVERIFY2(ms >= 15, qPrintable(QStringLiteral("%1 ms to go").arg(ms)));
        QCOMPARE(serialTimer->interval(), 20);

        // A serial reply is read by that timer and parsed.
        pty.write(serialReply("DXYPV 1234 255 0 0 0 0 0 OK"));
        QTRY_COMPARE_WITH_TIMEOUT(f.app().tracker().azimuthDeg, 123.4f, kTimeoutMs);
        QCOMPARE(f.app().tracker().elevationDeg, 25.5f);
    }
};

QTEST_MAIN(PollingTest)
#include "tst_polling.moc"
