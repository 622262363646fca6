// The main loop: Return without a link, focus tracking, the link indicator and keep-alive on
// timer 5, modal boxes suspending the loop, the echo box, the ON/OFF switch, window closes.

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

QMessageBox* openBox() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }

/// What the console did while a modal box was up.
struct Suspension {
    bool sawBox = false;
    QString title, text;
    int datagramsBefore = 0, datagramsAfter = 0;
    int aliveTicksBefore = 0, aliveTicksAfter = 0;
    int keepAliveBefore = 0, keepAliveAfter = 0;
    int repliesBefore = 0, repliesAfter = 0;
};

/// Watches from inside the box's own event loop: notes the state when the box appears, lets
/// the peer send `meanwhile`, keeps the box up for `holdMs`, notes the state again and answers.
class BoxWatcher {
public:
    BoxWatcher(UdpConsole& c, QByteArray meanwhile, QMessageBox::StandardButton answer, int holdMs = 600)
        : m_c(c), m_meanwhile(std::move(meanwhile)), m_answer(answer), m_holdMs(holdMs)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start(10);
    }
    bool done() const { return m_done; }
    const Suspension& result() const { return m_s; }

private:
    void poll()
    {
        QMessageBox* box = openBox();
        if (!box || m_done) return;
        App& app = m_c.app();
        if (!m_s.sawBox) {
            m_s.sawBox = true;
            m_s.title = box->windowTitle();
            m_s.text = box->text();
            m_s.datagramsBefore = int(m_c.peer().datagrams().size());
            m_s.aliveTicksBefore = app.state().linkAliveTicks;
            m_s.keepAliveBefore = app.state().keepAliveTicks;
            m_s.repliesBefore = app.repliesHandled();
            if (!m_meanwhile.isEmpty()) m_c.peer().reply(m_meanwhile);
            m_clock.start();
            return;
        }
        if (m_clock.elapsed() < m_holdMs) return;
        m_s.datagramsAfter = int(m_c.peer().datagrams().size());
        m_s.aliveTicksAfter = app.state().linkAliveTicks;
        m_s.keepAliveAfter = app.state().keepAliveTicks;
        m_s.repliesAfter = app.repliesHandled();
        m_done = true;
        if (QAbstractButton* b = box->button(m_answer)) b->click();
        else box->done(m_answer);
    }

    UdpConsole& m_c;
    QByteArray m_meanwhile;
    QMessageBox::StandardButton m_answer;
    int m_holdMs;
    QTimer m_timer;
    QElapsedTimer m_clock;
    Suspension m_s;
    bool m_done = false;
};

void verifySuspended(const Suspension& s)
{
    QVERIFY(s.sawBox);
    QCOMPARE(s.datagramsAfter, s.datagramsBefore);
    QCOMPARE(s.aliveTicksAfter, s.aliveTicksBefore);
    QCOMPARE(s.keepAliveAfter, s.keepAliveBefore);
    QCOMPARE(s.repliesAfter, s.repliesBefore);
}

}  // namespace

class MainLoopTest : public QObject {
    Q_OBJECT
private slots:
    void returnWithoutLinkDoesNothing_data()
    {
        QTest::addColumn<int>("control");
        for (int c : {0, 15, 16, 17, 32, 18, 19, 20, 22, 24, 27, 23, 25, 26, 1, 34, 168})
            QTest::addRow("focus %d", c) << c;
    }

    void returnWithoutLinkDoesNothing()
    {
        QFETCH(int, control);
        ConsoleFixture f;
        f.click(49);  // echo on: anything sent, even without a link, would reach the console
        f.choose(mainwindow::kHomeCombo, 1);  // "Manual", so that the origin fields would commit
        for (int field : {0, 15, 16, 17, 32, 18, 19, 20, 22, 24, 27, 23, 25, 26})
            f.type(field, QStringLiteral("12"));
        f.type(0, QStringLiteral("STAT"));
        const QStringList before = f.consoleLines();
        f.pressReturn(control);
        QCOMPARE(f.controls().focusedControl(), control);
        QTest::qWait(50);
        QCOMPARE(f.consoleLines(), before);
        QCOMPARE(f.controls().text(0), QStringLiteral("STAT"));
        QVERIFY(f.app().timers().isActive(2));
    }

    void focusTracking()
    {
        ConsoleFixture f;
        QCOMPARE(f.app().state().lastFocusedGadget, 0);
        f.focus(23);
        QTRY_COMPARE_WITH_TIMEOUT(f.app().state().lastFocusedGadget, 23, 2000);
        f.type(17, QStringLiteral("5"));
        QCOMPARE(f.app().state().lastFocusedGadget, 17);
        f.click(42);  // a button takes the focus with the click
        QCOMPARE(f.app().state().lastFocusedGadget, 42);
        f.click(0);
        QCOMPARE(f.app().state().lastFocusedGadget, 0);
        f.click(ConnectionDialog::kUdpIp);  // numbers are unique across windows
        QCOMPARE(f.app().state().lastFocusedGadget, ConnectionDialog::kUdpIp);
        f.focus(22);
        QCOMPARE(f.app().state().lastFocusedGadget, 22);

        // A control event while none of ours has the focus keeps the last real control.
        QApplication::focusWidget()->clearFocus();
        QCOMPARE(f.controls().focusedControl(), -1);
        f.app().dispatch({UiEvent::Kind::Control, mainwindow::kWindow, 57});
        QCOMPARE(f.app().state().lastFocusedGadget, 22);
    }

    void tabOntoAnyControlIsTrackedNotClicked_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("onto");
        // Tab goes in reading order: 20 ends the FAN line, 29 starts the MAVLINK line, ...
        QTest::newRow("check box 29") << 20 << 29;
        QTest::newRow("home list 33") << 29 << 33;
        QTest::newRow("ON button 34") << 0 << 34;
        QTest::newRow("check box 47") << 26 << 47;
    }

    void tabOntoAnyControlIsTrackedNotClicked()
    {
        QFETCH(int, from);
        QFETCH(int, onto);
        UdpConsole c(false);
        c.fixture().click(49);  // echo on
        c.fixture().choose(mainwindow::kHomeCombo, 2);
        QVERIFY(c.waitForSent(1));  // "HOME 2"
        const QStringList lines = c.fixture().consoleLines();
        c.fixture().focus(from);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(c.controls().focusedControl(), onto);
        QCOMPARE(c.app().state().lastFocusedGadget, onto);
        // Focus is no click: nothing sent, no box toggled, polling still off.
        QTest::qWait(150);
        QCOMPARE(c.fixture().consoleLines(), lines);
        QCOMPARE(c.sent().size(), 1);
        QVERIFY(c.app().state().autoPollingOff);
        QCOMPARE(c.app().state().homeMode, 2);
    }

    void linkIndicatorAndItsReturn()
    {
        QElapsedTimer sinceStart;
        sinceStart.start();
        UdpConsole c;  // polling on, the peer never answers
        QVERIFY(c.isLinked());
        const QImage* alive = &c.app().linkAliveImage();
        const QImage* lost = &c.app().linkLostImage();
        QVERIFY(!alive->isNull());
        QVERIFY(!lost->isNull());
        QVERIFY(*alive != *lost);
        // Before the first tick: the cancel icon.
        QVERIFY(c.controls().image(51));
        QCOMPARE(*c.controls().image(51), *lost);

        int lastAliveTick = -1;
        int firstLostTick = -1;
        qint64 lostAt = -1;
        QVERIFY(waitFor(
            [&] {
                const QImage* shown = c.controls().image(51);
                const int ticks = c.app().state().linkAliveTicks;
                if (shown == alive) lastAliveTick = std::max(lastAliveTick, ticks);
                if (shown == lost && lastAliveTick > 0 && firstLostTick < 0) {
                    firstLostTick = ticks;
                    lostAt = sinceStart.elapsed();
                }
                return firstLostTick >= 0;
            },
            6000));
        QCOMPARE(lastAliveTick, 30);
        QCOMPARE(firstLostTick, 31);
        // Ticks of 100 ms: 31 of them never pass sooner (a busy machine may make them later).
        QCOMPARE(c.app().timers().period(TimerBank::kLinkIndicator), 100);
        QVERIFY2(lostAt >= 2900, qPrintable(QString::number(lostAt)));

        // One block resets the count; the next tick shows image 2 again.
        QVERIFY(c.peer().waitForDatagrams(1));
        QVERIFY(c.reply("DXYPV 10 20 OK"));
        const int ticksAfterBlock = c.app().state().linkAliveTicks;
        QVERIFY(ticksAfterBlock <= 1);
        if (ticksAfterBlock == 0) QCOMPARE(c.controls().image(51), lost);
        QVERIFY(waitFor([&] { return c.controls().image(51) == alive; }, 1000));
        QVERIFY(c.app().state().linkAliveTicks <= 2);

        // The keep-alive counter has long passed 20: switching polling off sends "IP8" at
        // the very next tick, and the polling commands stop.
        QVERIFY(c.app().state().keepAliveTicks > 20);
        c.peer().clear();
        const int ticksAtClick = c.app().state().linkAliveTicks;
        c.fixture().click(mainwindow::kPollingButton);
        QVERIFY(c.peer().waitForDatagrams(1));
        QCOMPARE(c.app().state().linkAliveTicks, ticksAtClick + 1);
        QCOMPARE(c.peer().datagrams(), QList<QByteArray>{"IP8"});
        QTest::qWait(400);
        QCOMPARE(c.peer().datagrams(), QList<QByteArray>{"IP8"});
    }

    void keepAliveWhilePollingIsOff()
    {
        UdpConsole c(false);  // polling off before the link opened
        QVERIFY(c.isLinked());
        QList<qint64> arrivals;
        QList<int> counterAtArrival, tickAtArrival;
        QElapsedTimer clock;
        clock.start();
        auto collect = [&](int total) {
            return waitFor(
                [&] {
                    while (arrivals.size() < c.peer().datagrams().size()) {
                        arrivals << clock.elapsed();
                        counterAtArrival << c.app().state().keepAliveTicks;
                        tickAtArrival << c.app().state().linkAliveTicks;
                    }
                    return arrivals.size() >= total;
                },
                5000);
        };
        QVERIFY(collect(2));
        QVERIFY(!c.fixture().consoleLines().contains(QStringLiteral("IP8")));
        c.fixture().click(49);  // echo on
        QVERIFY(collect(3));
        for (const QByteArray& d : c.peer().datagrams()) QCOMPARE(d, QByteArray("IP8"));
        // The counter passes 20 at the 11th tick after the start; after that every 11 ticks of
        // 100 ms, never sooner than 1.1 s apart (a busy machine may make them later).
        QCOMPARE(tickAtArrival[0], 11);
        for (int i = 1; i < arrivals.size(); ++i) {
            QCOMPARE(tickAtArrival[i] - tickAtArrival[i - 1], 11);
            const qint64 gap = arrivals[i] - arrivals[i - 1];
            QVERIFY2(gap >= 1000, qPrintable(QStringLiteral("gap %1: %2").arg(i).arg(gap)));
        }
        for (int counter : counterAtArrival) QCOMPARE(counter, 0);
        // Echoed only while ECHO CMD is on: only the last went to the console.
        QCOMPARE(c.fixture().consoleLines().count(QStringLiteral("IP8")), 1);

        // The answers to the keep-alive stay out of the console while polling is off.
        const int lines = int(c.fixture().consoleLines().size());
        QVERIFY(c.reply("IP8 1 OK"));
        QCOMPARE(c.fixture().consoleLines().size(), lines);
        QVERIFY(c.reply("STAT 1 OK"));
        QCOMPARE(c.fixture().consoleLines().last(), QStringLiteral("< STAT 1 OK"));
    }

    void errorBoxSuspendsTheLoop()
    {
        UdpConsole c;
        QVERIFY(c.peer().waitForDatagrams(1));
        BoxWatcher watcher(c, networkReply("DXYPV 1000 450 0 0 0 0 0 OK"), QMessageBox::Ok);
        c.peer().reply(QByteArray());  // an empty datagram: the read returns nothing
        QVERIFY(waitFor([&] { return watcher.done(); }));
        const Suspension& s = watcher.result();
        verifySuspended(s);
        QCOMPARE(s.title, QStringLiteral("ERROR"));
        QCOMPARE(s.text, QStringLiteral("*"));
        // What arrived meanwhile is read afterwards, and polling goes on.
        QVERIFY(waitFor([&] { return c.app().repliesHandled() > s.repliesBefore; }, 2000));
        QCOMPARE(c.app().tracker().azimuthDeg, 100.0f);
        QVERIFY(c.peer().waitForDatagrams(s.datagramsAfter + 2, 2000));
    }

    void warningBoxSuspendsTheLoop()
    {
        UdpConsole c;
        QVERIFY(c.peer().waitForDatagrams(1));
        BoxWatcher watcher(c, networkReply("DXYPV 2000 100 0 0 0 0 0 OK"), QMessageBox::No);
        c.app().applySetting(u"NET IP");  // returns once the box is answered
        QVERIFY(watcher.done());
        const Suspension& s = watcher.result();
        verifySuspended(s);
        QCOMPARE(s.title, QStringLiteral("Warning"));
        QVERIFY(s.text.startsWith(QStringLiteral("Do you want to change the IP of the device?")));
        QVERIFY(waitFor([&] { return c.app().repliesHandled() > s.repliesBefore; }, 2000));
        QCOMPARE(c.app().tracker().azimuthDeg, 200.0f);
        QVERIFY(c.peer().waitForDatagrams(s.datagramsAfter + 2, 2000));
        for (const QByteArray& d : c.peer().datagrams()) QVERIFY(!d.startsWith("NET IP"));
    }

    void echoBoxFollowsTheFlag_data()
    {
        QTest::addColumn<bool>("boxChecked");
        QTest::addColumn<bool>("echo");
        QTest::newRow("both clear") << false << false;
        QTest::newRow("both set") << true << true;
        QTest::newRow("box set, flag clear") << true << false;
        QTest::newRow("box clear, flag set") << false << true;
    }

    void echoBoxFollowsTheFlag()
    {
        QFETCH(bool, boxChecked);
        QFETCH(bool, echo);
        ConsoleFixture f;
        f.controls().setChecked(49, boxChecked);
        f.app().state().echoCommands = echo;
        f.click(49);
        QCOMPARE(f.app().state().echoCommands, !echo);
        QCOMPARE(f.controls().isChecked(49), !echo);
        f.click(49);
        QCOMPARE(f.app().state().echoCommands, echo);
        QCOMPARE(f.controls().isChecked(49), echo);
    }

    void onOffSwitch()
    {
        ConsoleFixture f;
        QCOMPARE(f.controls().text(mainwindow::kPollingButton), QStringLiteral("ON"));
        QVERIFY(f.app().timers().isActive(2));
        f.click(mainwindow::kPollingButton);
        QCOMPARE(f.controls().text(mainwindow::kPollingButton), QStringLiteral("OFF"));
        QVERIFY(!f.app().timers().isActive(2));
        QVERIFY(f.app().state().autoPollingOff);
        f.click(mainwindow::kPollingButton);
        QCOMPARE(f.controls().text(mainwindow::kPollingButton), QStringLiteral("ON"));
        QVERIFY(f.app().timers().isActive(2));
        QCOMPARE(f.app().timers().period(2), 100);
        QVERIFY(!f.app().state().autoPollingOff);
        QVERIFY(f.app().timers().isActive(5));
    }

    void closingAFormWindowKeepsTheProgram()
    {
        ConsoleFixture f;
        QVERIFY(f.controls().windowOpen(ConnectionDialog::kWindow));
        QWidget* dialog = f.controls().window(ConnectionDialog::kWindow);
        QPointer<QWidget> udpButton = f.controls().widget(ConnectionDialog::kUdpButton);
        QEventLoop loop;
        QTimer::singleShot(50, dialog, [dialog] { dialog->close(); });
        QTimer::singleShot(500, &loop, [&loop] { loop.exit(99); });
        const int ticks = f.app().state().linkAliveTicks;
        QCOMPARE(loop.exec(), 99);
        QVERIFY(!f.controls().windowOpen(ConnectionDialog::kWindow));
        QVERIFY(!f.controls().widget(ConnectionDialog::kUdpButton));
        QTRY_VERIFY_WITH_TIMEOUT(udpButton.isNull(), 2000);
        QVERIFY(f.app().state().linkAliveTicks > ticks);  // the loop still runs
        QVERIFY(f.app().mainWindow()->isVisible());

        // The menu opens it afresh.
        auto* bar = f.app().mainWindow()->findChild<QMenuBar*>();
        QVERIFY(bar);
        QAction* communications = nullptr;
        for (QAction* a : bar->actions().first()->menu()->actions())
            if (a->text() == u"Communications") communications = a;
        QVERIFY(communications);
        communications->trigger();
        QVERIFY(f.controls().windowOpen(ConnectionDialog::kWindow));
        QCOMPARE(f.controls().text(ConnectionDialog::kUdpButton), QStringLiteral("Open UDP"));
    }

    // Must stay the last test: once the loop was told to end, Qt starts no nested loop again.
    void closingTheMainWindowEndsTheLoop()
    {
        UdpConsole c;
        QVERIFY(c.isLinked());
        QEventLoop loop;
        QTimer::singleShot(50, c.app().mainWindow(), [&c] { c.app().mainWindow()->close(); });
        QTimer::singleShot(3000, &loop, [&loop] { loop.exit(99); });
        QCOMPARE(loop.exec(), 0);
    }
};

QTEST_MAIN(MainLoopTest)
#include "tst_main_loop.moc"
