// What the console does with the bytes the tracker sends: one read is one block, a block is
// parsed only when it is a reply, and the console shows every block in order.

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <functional>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using CD = ConnectionDialog;

/// The console's rule for long lines, as the operator reads them.
QStringList shown(const QString& text)
{
    if (text.size() < 80) return {text};
    return {text.left(80) + u'-', text.mid(79, 80)};
}

QStringList shown(const QByteArray& bytes) { return shown(QString::fromLatin1(bytes)); }

/// A console with one open link and polling off, and the tracker's end of that link.
class Rig {
public:
    explicit Rig(LinkKind kind, bool pollingOff = true) : m_kind(kind)
    {
        // Opened before the console takes the port: an open serial port refuses newcomers.
        m_slave = ::open(m_pty.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        f = std::make_unique<ConsoleFixture>(
            [this](const QString& dir) { m_pty.linkInto(dir, QStringLiteral("COM12")); });
        if (pollingOff) f->click(mainwindow::kPollingButton);
        switch (kind) {
        case LinkKind::Serial:
            f->controls().setText(CD::kComField, QStringLiteral("12"));
            f->click(CD::kComButton);
            break;
        case LinkKind::Udp:
            f->aimUdp(m_udp.port());
            f->click(CD::kUdpButton);
            // The peer answers whoever wrote to it last.
            f->app().sendCommand(QStringLiteral("HELLO"));
            m_udp.waitForDatagrams(1);
            break;
        case LinkKind::Tcp:
            f->aimTcp(m_tcp.port());
            f->click(CD::kTcpButton);
            m_tcp.waitForClient();
            break;
        case LinkKind::None:
            break;
        }
    }
    ~Rig()
    {
        f.reset();
        if (m_slave >= 0) ::close(m_slave);
    }

    bool isOpen() const { return f->app().link().kind() == m_kind && (m_kind != LinkKind::Serial || m_slave >= 0); }
    App& app() { return f->app(); }
    QStringList received() const { return f->consoleLines().mid(1); }

    /// Sends `bytes` as the tracker does: one datagram, one stream write, or one write to the
    /// serial line that is wholly queued before the console can read any of it.
    void deliver(const QByteArray& bytes)
    {
        switch (m_kind) {
        case LinkKind::Serial:
            waitFor([this] { return queuedOnLine() == 0 && f->app().link().serialQueued() == 0; }, 2000);
            m_pty.write(bytes);
            for (int i = 0; i < 2000 && queuedOnLine() < bytes.size(); ++i) QTest::qSleep(1);
            break;
        case LinkKind::Udp:
            m_udp.reply(bytes);
            break;
        case LinkKind::Tcp:
            m_tcp.send(bytes);
            break;
        case LinkKind::None:
            break;
        }
    }

    UdpPeer& udp() { return m_udp; }

    std::unique_ptr<ConsoleFixture> f;

private:
    int queuedOnLine() const
    {
        int n = 0;
        return m_slave >= 0 && ::ioctl(m_slave, FIONREAD, &n) == 0 ? n : -1;
    }

    LinkKind m_kind;
    PtyPair m_pty;
    UdpPeer m_udp;
    TcpPeer m_tcp;
    int m_slave = -1;
};

/// Runs the event loop for `ms` without sleeping in between (QTest::qWait naps 10 ms a turn).
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray pattern(int size, int offset = 0)
{
    QByteArray out;
    for (int i = 0; i < size; ++i) out += char('a' + (i + offset) % 26);
    return out;
}

}  // namespace

class ReceivePath : public QObject {
    Q_OBJECT
private slots:
    void oneBlock_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<QStringList>("fields");   // empty: not parsed
        QTest::addColumn<QStringList>("console");  // items after the banner

        const int serial = int(LinkKind::Serial), udp = int(LinkKind::Udp), tcp = int(LinkKind::Tcp);
        const QStringList ab12{"AB", "1", "2", "OK"};
        QTest::newRow("serial, marker first") << serial << QByteArray("@25<PC< AB 1 2 OK") << ab12
                                              << QStringList{"< AB 1 2 OK"};
        QTest::newRow("serial, marker last") << serial << serialReply("AB 1 2 OK") << ab12
                                             << QStringList{"< AB 1 2 OK"};
        QTest::newRow("serial, marker twice") << serial << QByteArray("< AB @25<PC1 OK@25<PC")
                                              << QStringList{"AB", "1", "OK"} << QStringList{"< AB 1 OK"};
        QTest::newRow("serial, no marker") << serial << QByteArray("< AB 1 2 OK") << QStringList()
                                           << QStringList{" <", "< AB 1 2 OK"};
        QTest::newRow("serial, the marker alone") << serial << QByteArray("@25<PC") << QStringList()
                                                  << QStringList{" <"};
        QTest::newRow("serial, the prefix is not the marker") << serial << QByteArray("< AB 1 OK@PC>25")
                                                              << QStringList() << QStringList{" <", "< AB 1 OK@PC>25"};
        QTest::newRow("serial, zero byte before the marker") << serial << QByteArray("< AB OK\0@25<PC", 14)
                                                             << QStringList() << QStringList{" <", "< AB OK"};
        QTest::newRow("udp, reply") << udp << networkReply("AB 1 2 OK") << ab12 << QStringList{"< AB 1 2 OK"};
        QTest::newRow("udp, serial marker kept") << udp << serialReply("AB 1 OK")
                                                 << QStringList{"AB", "1", "OK@25<PC"} << QStringList{"< AB 1 OK@25<PC"};
        QTest::newRow("udp, without OK") << udp << networkReply("AB 1 2") << QStringList()
                                         << QStringList{" <", "< AB 1 2"};
        QTest::newRow("udp, without < ") << udp << QByteArray("AB 1 2 OK") << QStringList()
                                         << QStringList{" <", "AB 1 2 OK"};
        QTest::newRow("udp, markers anywhere") << udp << QByteArray("OK < AB") << QStringList{"OK", "AB"}
                                               << QStringList{"OK < AB"};
        QTest::newRow("udp, every < removed") << udp << QByteArray("<< AB < 5 OK")
                                              << QStringList{"<AB", "5", "OK"} << QStringList{"<< AB < 5 OK"};
        QTest::newRow("udp, line end stays in the word") << udp << networkReply("AB 1 OK\r\n")
                                                         << QStringList{"AB", "1", "OK\r\n"}
                                                         << QStringList{"< AB 1 OK\r\n"};
        QTest::newRow("udp, runs of blanks") << udp << QByteArray("<   AB  1   OK ")
                                             << QStringList{"AB", "1", "OK"} << QStringList{"<   AB  1   OK "};
        QTest::newRow("udp, latin-1") << udp << networkReply("AB 20\xba OK")
                                      << QStringList{"AB", QStringLiteral("20\u00ba"), "OK"}
                                      << QStringList{QStringLiteral("< AB 20\u00ba OK")};
        QTest::newRow("udp, zero byte ends the text") << udp << QByteArray("< AB 1 OK\0ZZZ", 13)
                                                      << QStringList{"AB", "1", "OK"} << QStringList{"< AB 1 OK"};
        QTest::newRow("udp, OK after a zero byte") << udp << QByteArray("< AB 1\0 OK", 10) << QStringList()
                                                   << QStringList{" <", "< AB 1"};
        QTest::newRow("udp, zero byte first") << udp << QByteArray("\0< AB OK", 8) << QStringList()
                                              << QStringList{" <"};

        QStringList thirty;
        QByteArray words;
        for (int i = 1; i <= 32; ++i) words += ' ' + QByteArray::number(i);
        for (int i = 1; i <= 30; ++i) thirty << QString::number(i);
        QTest::newRow("udp, words after the 30th dropped")
            << udp << QByteArray("<" + words + " OK") << thirty << shown(QByteArray("<" + words + " OK"));

        const QByteArray longest = networkReply("AB OK " + QByteArray(254 - 8, 'x'));
        QTest::newRow("udp, 254 characters parsed") << udp << longest
                                                    << QStringList{"AB", "OK", QString(246, u'x')} << shown(longest);
        const QByteArray tooLong = longest + 'x';
        QTest::newRow("udp, 255 characters neither parsed nor marked")
            << udp << tooLong << QStringList() << shown(tooLong);
        const QByteArray serialLong = "< AB OK " + QByteArray(255 - 8 - 6, 'y') + "@25<PC";
        QTest::newRow("serial, 255 bytes with the marker parsed")
            << serial << serialLong << QStringList{"AB", "OK", QString(241, u'y')}
            << shown(serialLong.chopped(6));
        const QByteArray serialTooLong = "< AB OK " + QByteArray(255 - 8, 'y');
        QTest::newRow("serial, 255 bytes without the marker marked")
            << serial << serialTooLong << QStringList() << (QStringList{" <"} + shown(serialTooLong));

        QTest::newRow("tcp, reply") << tcp << networkReply("AB 1 2 OK") << ab12 << QStringList{"< AB 1 2 OK"};
        QTest::newRow("tcp, not a reply") << tcp << QByteArray("AB 1 2 OK") << QStringList()
                                          << QStringList{" <", "AB 1 2 OK"};
    }

    void oneBlock()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, block);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, console);
        Rig r{LinkKind(kind)};
        QVERIFY(r.isOpen());
        r.deliver(block);
        QVERIFY2(waitFor([&] { return r.received() == console; }, 3000), qPrintable(r.received().join(u'|')));
        QTest::qWait(60);  // a second poll must not find anything more
        QCOMPARE(r.received(), console);
        QCOMPARE(r.app().repliesHandled(), fields.isEmpty() ? 0 : 1);
        if (fields.isEmpty()) return;
        QCOMPARE(r.app().replyFields()[0], QString());
        for (int i = 1; i < ReplyFields::kCount; ++i)
            QCOMPARE(r.app().replyFields()[i], fields.value(i - 1));
    }

    void serialReadsAtMost255BytesAPoll_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("console");
        QTest::addColumn<int>("replies");

        const QByteArray plain = pattern(300);
        QTest::newRow("300 plain bytes") << plain
                                         << QStringList{" <"} + shown(plain.left(255)) + QStringList{" <"} +
                                                shown(plain.mid(255))
                                         << 0;
        // Only the tail is a reply: it is parsed only because the first read stops at 255.
        const QByteArray tail = "< AB 7 OK " + QByteArray(29, '-') + "@25<PC";
        const QByteArray head = pattern(255);
        QTest::newRow("a reply in the last 45") << head + tail
                                                << QStringList{" <"} + shown(head) + shown(tail.chopped(6)) << 1;
    }

    void serialReadsAtMost255BytesAPoll()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, console);
        QFETCH(int, replies);
        QCOMPARE(bytes.size(), 300);
        Rig r{LinkKind::Serial};
        QVERIFY(r.isOpen());
        r.deliver(bytes);
        QVERIFY2(waitFor([&] { return r.received() == console; }, 3000), qPrintable(r.received().join(u'|')));
        QCOMPARE(r.app().repliesHandled(), replies);
        if (replies) QCOMPARE(r.app().replyFields()[2], QStringLiteral("7"));
    }

    void aReplySplitOverTwoReadsIsTwoBlocks_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("serial") << int(LinkKind::Serial);
        QTest::newRow("udp") << int(LinkKind::Udp);
    }

    void aReplySplitOverTwoReadsIsTwoBlocks()
    {
        QFETCH(int, kind);
        const bool serial = kind == int(LinkKind::Serial);
        Rig r{LinkKind(kind)};
        QVERIFY(r.isOpen());
        r.deliver("< AB 1");
        QVERIFY(waitFor([&] { return r.received().size() == 2; }, 3000));
        r.deliver(serial ? " OK@25<PC" : " OK");
        QVERIFY(waitFor([&] { return r.received().size() == 4; }, 3000));
        QCOMPARE(r.received(), (QStringList{" <", "< AB 1", " <", " OK"}));
        QCOMPARE(r.app().repliesHandled(), 0);
    }

    void consoleKeepsTheOrderOfBlocks()
    {
        Rig r{LinkKind::Udp};
        QVERIFY(r.isOpen());
        const QByteArray blocks[] = {"garbage", networkReply("AB 1 OK"), networkReply("CD 2"),
                                     networkReply("EF 3 OK")};
        for (const QByteArray& b : blocks) r.deliver(b);
        const QStringList expected{" <", "garbage", "< AB 1 OK", " <", "< CD 2", "< EF 3 OK"};
        QVERIFY2(waitFor([&] { return r.received().size() >= expected.size(); }, 3000),
                 qPrintable(r.received().join(u'|')));
        QCOMPARE(r.received(), expected);
        QCOMPARE(r.app().repliesHandled(), 2);
        QCOMPARE(r.app().replyFields()[1], QStringLiteral("EF"));
    }

    void keepAliveAnswersAreHiddenWhilePollingIsOff_data()
    {
        QTest::addColumn<bool>("pollingOff");
        QTest::addColumn<QByteArrayList>("blocks");
        QTest::addColumn<QStringList>("console");
        const QByteArray ip8 = networkReply("IP8 OK");
        const QByteArray fence = networkReply("ZZ OK");
        QTest::newRow("IP8 hidden") << true << QByteArrayList{ip8, fence} << QStringList{"< ZZ OK"};
        QTest::newRow("IP8 shown while polling runs") << false << QByteArrayList{ip8, fence}
                                                      << QStringList{"< IP8 OK", "< ZZ OK"};
        QTest::newRow("other replies shown") << true << QByteArrayList{networkReply("AB OK"), fence}
                                             << QStringList{"< AB OK", "< ZZ OK"};
        QTest::newRow("unparsed block after IP8 shown")
            << true << QByteArrayList{ip8, "stray", fence} << QStringList{" <", "stray", "< ZZ OK"};
        QTest::newRow("IP8 without OK shown") << true << QByteArrayList{networkReply("IP8 1"), fence}
                                              << QStringList{" <", "< IP8 1", "< ZZ OK"};
        QTest::newRow("IP8 as a later word shown") << true << QByteArrayList{networkReply("AB IP8 OK"), fence}
                                                   << QStringList{"< AB IP8 OK", "< ZZ OK"};
    }

    void keepAliveAnswersAreHiddenWhilePollingIsOff()
    {
        QFETCH(bool, pollingOff);
        QFETCH(QByteArrayList, blocks);
        QFETCH(QStringList, console);
        Rig r{LinkKind::Udp, pollingOff};
        QVERIFY(r.isOpen());
        QCOMPARE(r.app().state().autoPollingOff, pollingOff);
        for (const QByteArray& b : blocks) r.deliver(b);
        QVERIFY(waitFor([&] { return r.app().replyFields()[1] == u"ZZ"; }, 3000));
        QCOMPARE(r.received(), console);
    }

    void everyBlockResetsTheLinkAliveCounter_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("block");
        QTest::newRow("serial reply") << int(LinkKind::Serial) << serialReply("AB OK");
        QTest::newRow("serial, no marker") << int(LinkKind::Serial) << QByteArray("noise");
        QTest::newRow("udp reply") << int(LinkKind::Udp) << networkReply("AB OK");
        QTest::newRow("udp, zero byte only") << int(LinkKind::Udp) << QByteArray(1, '\0');
        QTest::newRow("tcp, unparsed") << int(LinkKind::Tcp) << QByteArray("noise");
    }

    void everyBlockResetsTheLinkAliveCounter()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, block);
        Rig r{LinkKind(kind)};
        QVERIFY(r.isOpen());
        QVERIFY(waitFor([&] { return r.app().state().linkAliveTicks >= 4; }, 3000));
        const qsizetype before = r.received().size();
        r.deliver(block);
        QVERIFY(waitFor([&] { return r.received().size() > before; }, 3000));
        QVERIFY2(r.app().state().linkAliveTicks <= 2, qPrintable(QString::number(r.app().state().linkAliveTicks)));
    }

    void anEmptyDatagramIsAFailedRead()
    {
        Rig r{LinkKind::Udp};
        QVERIFY(r.isOpen());
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        r.deliver(QByteArray());
        QVERIFY(boxes.waitSeen(1, 3000));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("ERROR"));
        QCOMPARE(boxes.seen().first().text, QStringLiteral("*"));
        QVERIFY(r.received().isEmpty());
        // The link still works afterwards.
        r.deliver(networkReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return r.app().repliesHandled() == 1; }, 3000));
        QCOMPARE(boxes.seen().size(), 1);
    }

    void oversizedDatagramsUseTheirStartOnly_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("256") << 256;
        QTest::newRow("1001") << 1001;
        QTest::newRow("2000") << 2000;
        QTest::newRow("largest datagram") << 65507;
    }

    void oversizedDatagramsUseTheirStartOnly()
    {
        QFETCH(int, size);
        Rig r{LinkKind::Udp};
        QVERIFY(r.isOpen());
        // A reply whose "OK" lies beyond byte 255 is not a reply.
        const QByteArray big = "< AB " + pattern(size - 5 - 3) + " OK";
        QCOMPARE(big.size(), size);
        r.deliver(big);
        r.deliver(networkReply("CD 2 OK"));
        const QStringList expected = shown(big.left(255)) + QStringList{"< CD 2 OK"};
        QVERIFY2(waitFor([&] { return r.received().size() >= expected.size(); }, 3000),
                 qPrintable(r.received().join(u'|')));
        QCOMPARE(r.received(), expected);
        QCOMPARE(r.app().repliesHandled(), 1);
        QCOMPARE(r.app().replyFields()[1], QStringLiteral("CD"));
    }

    void tcpStreamIsReadAtMost1001BytesAtATime()
    {
        Rig r{LinkKind::Tcp};
        QVERIFY(r.isOpen());
        const QByteArray stream = pattern(1500);
        r.deliver(stream);
        const QStringList expected = shown(stream.left(255)) + shown(stream.mid(1001, 255));
        QVERIFY2(waitFor([&] { return r.received().size() >= expected.size(); }, 3000),
                 qPrintable(r.received().join(u'|')));
        QTest::qWait(60);
        QCOMPARE(r.received(), expected);
    }

    void aBurstIsReadOneDatagramATurn()
    {
        Rig r{LinkKind::Udp};
        QVERIFY(r.isOpen());
        constexpr int kBurst = 200;
        for (int i = 0; i < kBurst; ++i) r.deliver(networkReply("AB " + QByteArray::number(i) + " OK"));

        // A chain of posted calls, one per turn of the loop, watches how many replies each
        // turn takes in.
        QObject watcher;
        int turns = 0, maxPerTurn = 0, last = 0;
        bool running = true;
        std::function<void()> turn = [&] {
            const int now = r.app().repliesHandled();
            maxPerTurn = std::max(maxPerTurn, now - last);
            last = now;
            ++turns;
            if (running) QTimer::singleShot(0, &watcher, turn);
        };
        QTimer::singleShot(0, &watcher, turn);
        const bool all = waitFor([&] { return r.app().repliesHandled() >= kBurst; }, 10000);
        running = false;
        QVERIFY2(all, qPrintable(QString::number(r.app().repliesHandled())));
        QTest::qWait(50);
        QCOMPARE(r.app().repliesHandled(), kBurst);
        qInfo("burst: %d turns, at most %d replies a turn", turns, maxPerTurn);
        QVERIFY2(maxPerTurn <= 8, qPrintable(QStringLiteral("%1 replies in one turn").arg(maxPerTurn)));
        QVERIFY(turns >= kBurst / 3);
        QCOMPARE(r.app().replyFields()[2], QString::number(kBurst - 1));
        const QStringList lines = r.received();
        for (qsizetype i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], QStringLiteral("< AB %1 OK").arg(kBurst - lines.size() + i));
    }

    void sustainedTrafficNeverStalls()
    {
        Rig r{LinkKind::Udp, false};
        QVERIFY(r.isOpen());
        // Focus moves between two fields are control events: each of them reads a datagram too,
        // outside Qt's own read notification.
        QWidget* a = r.f->controls().widget(15);
        QWidget* b = r.f->controls().widget(16);
        r.f->focus(15);
        QObject context;
        int sent = 0;
        QTimer sender;
        QObject::connect(&sender, &QTimer::timeout, &context, [&] {
            for (int i = 0; i < 3; ++i) r.deliver(networkReply("AB " + QByteArray::number(sent++) + " OK"));
        });
        QTimer mover;
        QObject::connect(&mover, &QTimer::timeout, &context, [&] {
            (a->hasFocus() ? b : a)->setFocus(Qt::OtherFocusReason);
        });
        sender.start(3);
        mover.start(7);
        // Checkpoints of 250 ms until more than 1000 replies went out, however long a busy
        // machine takes for them: every checkpoint must have taken some in.
        int last = 0;
        for (int checkpoint = 0; checkpoint < 8 || (sent <= 1000 && checkpoint < 200);
             ++checkpoint) {
            runFor(250);
            const int now = r.app().repliesHandled();
            QVERIFY2(now > last, qPrintable(QStringLiteral("stalled at %1 of %2").arg(now).arg(sent)));
            last = now;
        }
        sender.stop();
        mover.stop();
        QVERIFY2(waitFor([&] { return r.app().repliesHandled() >= sent; }),
                 qPrintable(QStringLiteral("%1 of %2").arg(r.app().repliesHandled()).arg(sent)));
        qInfo("sustained: %d replies", sent);
        QCOMPARE(r.app().repliesHandled(), sent);
        QVERIFY2(sent > 1000, qPrintable(QString::number(sent)));
    }

    void readingResumesAfterAMessageBox()
    {
        Rig r{LinkKind::Udp};
        QVERIFY(r.isOpen());
        BoxAnswerer boxes;
        int handledWhenShown = -1, handledWhenAnswered = -1, polls = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
            if (!QApplication::activeModalWidget() || handledWhenAnswered >= 0) return;
            if (handledWhenShown < 0) handledWhenShown = r.app().repliesHandled();
            if (++polls == 5) {
                handledWhenAnswered = r.app().repliesHandled();
                boxes.answer(QMessageBox::Ok);
            }
        });
        watch.start(10);
        r.deliver(QByteArray());  // the failed read's box
        for (int i = 0; i < 20; ++i) r.deliver(networkReply("AB " + QByteArray::number(i) + " OK"));
        QVERIFY(boxes.waitSeen(1, 5000));
        QVERIFY(waitFor([&] { return r.app().repliesHandled() >= 20; }, 5000));
        QCOMPARE(handledWhenShown, handledWhenAnswered);
        QCOMPARE(handledWhenShown, 0);
        // And Qt keeps announcing later datagrams.
        QTest::qWait(150);
        r.deliver(networkReply("CD OK"));
        QVERIFY(waitFor([&] { return r.app().replyFields()[1] == u"CD"; }, 3000));
        QCOMPARE(r.app().repliesHandled(), 21);
    }

    void theSimulatorKeepsAnswering_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("serial") << int(LinkKind::Serial);
        QTest::newRow("udp") << int(LinkKind::Udp);
        QTest::newRow("tcp") << int(LinkKind::Tcp);
    }

    void theSimulatorKeepsAnswering()
    {
        QFETCH(int, kind);
        SimProcess sim;
        QVERIFY(sim.isReady());
        ConsoleFixture f([&](const QString& dir) { QFile::link(sim.ptyPath(), dir + QStringLiteral("COM9")); });
        switch (LinkKind(kind)) {
        case LinkKind::Serial:
            f.controls().setText(CD::kComField, QStringLiteral("9"));
            f.click(CD::kComButton);
            break;
        case LinkKind::Udp:
            f.aimUdp(sim.udpPort());
            f.click(CD::kUdpButton);
            break;
        default:
            f.aimTcp(sim.tcpPort());
            f.click(CD::kTcpButton);
            break;
        }
        QCOMPARE(f.app().link().kind(), LinkKind(kind));
        int last = 0;
        for (int checkpoint = 0; checkpoint < 3; ++checkpoint) {
            QVERIFY2(waitFor([&] { return f.app().repliesHandled() > last; }),
                     qPrintable(QStringLiteral("no reply after %1").arg(last)));
            QTest::qWait(200);
            last = f.app().repliesHandled();
        }
        QVERIFY(last >= 3);
    }
};

QTEST_MAIN(ReceivePath)
#include "tst_receive_path.moc"
