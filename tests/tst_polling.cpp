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

/// A datagram as it arrived: its text, when, and what control 0 showed at that moment.
struct Seen {
    QByteArray command;
    qint64 at;
    QString shown;
};

/// Collects the peer's datagrams (keep-alive included) until `count` arrived.
QList<Seen> collect(UdpConsole& c, int count, const QElapsedTimer& clock, int timeoutMs = 5000)
{
    QList<Seen> seen;
    waitFor(
        [&] {
            const QList<QByteArray>& all = c.peer().datagrams();
            while (seen.size() < all.size())
                seen << Seen{all[seen.size()], clock.elapsed(), c.controls().text(mainwindow::kCommandEntry)};
            return seen.size() >= count;
        },
        timeoutMs);
    return seen;
}

QList<QByteArray> commands(const QList<Seen>& seen)
{
    QList<QByteArray> out;
    for (const Seen& s : seen) out << s.command;
    return out;
}

QByteArray joined(const QList<QByteArray>& list) { return list.join(' '); }

}  // namespace

class PollingTest : public QObject {
    Q_OBJECT
private slots:
    void rotationOrderAndSpacing()
    {
        UdpConsole c(true, {});
        QVERIFY(c.isLinked());
        QElapsedTimer clock;
        clock.start();
        const QList<Seen> seen = collect(c, 13, clock);
        QCOMPARE(seen.size(), 13);
        // Step 0 is silent, 5 and 8 are silent without their windows, 9 asks "ID" while the
        // tracker is unnamed.
        const QList<QByteArray> expected = {"DXYPV", "STAT", "DXYPV", "DXYPV", "DXYPV", "STAT", "ID",
                                            "DXYPV", "DXYPV", "STAT", "DXYPV", "DXYPV", "DXYPV"};
        QCOMPARE(commands(seen), expected);
        // Ticks apart: 1 between sent commands, 2 across each silent tick.
        const int ticksApart[] = {1, 1, 1, 2, 1, 2, 1, 1, 1, 1, 1, 2};
        for (int i = 1; i < seen.size(); ++i) {
            const qint64 gap = seen[i].at - seen[i - 1].at;
            const int expectMs = 100 * ticksApart[i - 1];
            QVERIFY2(gap > expectMs - 45 && gap < expectMs + 45,
                     qPrintable(QStringLiteral("gap %1: %2 ms, expected %3").arg(i).arg(gap).arg(expectMs)));
        }
        // The first tick after opening is silent: the first command comes one to two ticks later.
        QVERIFY2(seen[0].at < 260, qPrintable(QString::number(seen[0].at)));
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
        QVERIFY(c.peer().waitForDatagrams(9, 3000));
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
        QElapsedTimer clock;
        clock.start();
        const QList<Seen> seen = collect(c, int(expected.size()) + 1, clock);
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
        QElapsedTimer clock;
        clock.start();
        QVERIFY(c.waitForSent(8, 3000));
        QList<QByteArray> expected;
        for (int p = 8000; p <= 8007; ++p) expected << "NET PORT " + QByteArray::number(p);
        QCOMPARE(c.sent(), expected);
        QVERIFY2(clock.elapsed() < 1300, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(!c.app().timers().isActive(3), 500);
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

        // Timer 1's ticks and timer 2's ticks, as the console's own timers report them. The
        // bank creates its timers in number order: 1, 2, 3, 4, 5.
        const QList<QTimer*> all = f.app().timers().findChildren<QTimer*>();
        QCOMPARE(all.size(), 5);
        QTimer* serialTimer = all.at(0);
        QTimer* pollTimer = all.at(1);
        QVERIFY(pollTimer->isActive());
        QCOMPARE(pollTimer->interval(), 100);

        QElapsedTimer clock;
        clock.start();
        QList<qint64> pollTicks, serialTicks;
        QObject::connect(pollTimer, &QTimer::timeout, pollTimer, [&] { pollTicks << clock.elapsed(); });
        QObject::connect(serialTimer, &QTimer::timeout, serialTimer, [&] { serialTicks << clock.elapsed(); });
        // Open the link 8 ms after a polling tick, so that an unrestarted 20 ms timer would
        // tick 8 ms after every polling tick.
        bool opened = false;
        QObject::connect(pollTimer, &QTimer::timeout, pollTimer, [&] {
            if (opened) return;
            opened = true;
            QTimer::singleShot(8, Qt::PreciseTimer, pollTimer, [&] { f.click(ConnectionDialog::kComButton); });
        });
        QVERIFY(waitFor([&] { return f.app().link().kind() == LinkKind::Serial; }, 2000));
        QCOMPARE(f.app().timers().period(1), 20);

        const QByteArray out = pty.readAtLeast(int(QByteArray("@PC>25 DXYPV@PC>25 STAT").size()), 3000);
        QVERIFY2(out.startsWith("@PC>25 DXYPV@PC>25 STAT"), out.constData());
        const int firstTick = int(pollTicks.size());
        QVERIFY(waitFor([&] { return pollTicks.size() >= firstTick + 8; }, 3000));
        QVERIFY(waitFor([&] { return !serialTicks.isEmpty() && serialTicks.last() > pollTicks.last(); }, 500));
        int checked = 0;
        for (int i = firstTick; i < pollTicks.size(); ++i) {
            const qint64 t = pollTicks[i];
            const auto next = std::find_if(serialTicks.begin(), serialTicks.end(), [t](qint64 s) { return s >= t; });
            if (next == serialTicks.end()) continue;
            QVERIFY2(*next - t >= 14 && *next - t <= 35,
                     qPrintable(QStringLiteral("poll tick at %1, serial tick %2 ms later").arg(t).arg(*next - t)));
            ++checked;
        }
        QVERIFY(checked >= 6);

        // A serial reply is read by that timer and parsed.
        pty.write(serialReply("DXYPV 1234 255 0 0 0 0 0 OK"));
        QTRY_COMPARE_WITH_TIMEOUT(f.app().tracker().azimuthDeg, 123.4f, 2000);
        QCOMPARE(f.app().tracker().elevationDeg, 25.5f);
    }
};

QTEST_MAIN(PollingTest)
#include "tst_polling.moc"
