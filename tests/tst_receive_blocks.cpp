// The receive path: each read is one block; what the console shows of it, which blocks are
// parsed into reply fields, and that reading keeps up with heavy traffic.

#include <QSet>
#include <QTest>
#include <QTimer>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

Q_DECLARE_METATYPE(LinkKind)

namespace {

using CD = ConnectionDialog;

/// A console with polling switched off and one link of `kind` open to a real peer.
class Rig {
public:
    explicit Rig(LinkKind kind) : m_kind(kind) {}

    bool open() {
        f.click(mainwindow::kPollingButton);
        if (!f.app().state().autoPollingOff) return false;
        switch (m_kind) {
            case LinkKind::Serial:
                if (!pty.isValid() || !pty.linkInto(f.resourceDir(), QStringLiteral("COM3")))
                    return false;
                f.type(CD::kComField, QStringLiteral("3"));
                f.click(CD::kComButton);
                break;
            case LinkKind::Udp:
                f.aimUdp(udp.port());
                f.click(CD::kUdpButton);
                // The peer answers whoever wrote to it last.
                f.app().sendCommand(QStringLiteral("HELLO"));
                if (!udp.waitForDatagrams(1)) return false;
                break;
            case LinkKind::Tcp:
                f.aimTcp(tcp.port());
                f.click(CD::kTcpButton);
                if (!tcp.waitForClient()) return false;
                break;
            case LinkKind::None:
                return false;
        }
        return f.app().link().kind() == m_kind;
    }

    void deliver(const QByteArray& bytes) {
        switch (m_kind) {
            case LinkKind::Serial:
                pty.write(bytes);
                break;
            case LinkKind::Udp:
                udp.reply(bytes);
                break;
            case LinkKind::Tcp:
                tcp.send(bytes);
                break;
            case LinkKind::None:
                break;
        }
    }

    /// A parsable reply in this link's framing.
    QByteArray reply(const QByteArray& text) const {
        return m_kind == LinkKind::Serial ? serialReply(text) : networkReply(text);
    }

    /// Console lines after the first `from`.
    QStringList linesSince(int from) const { return f.consoleLines().mid(from); }

    UdpPeer udp;
    TcpPeer tcp;
    PtyPair pty;
    ConsoleFixture f;

private:
    LinkKind m_kind;
};

/// How the console shows a text: as it is, or wrapped once at 80 characters.
QStringList shown(const QString& text) {
    if (text.size() < 80) return {text};
    return {text.left(80) + u'-', text.mid(79, 80)};
}

QStringList fieldsOf(const ReplyFields& f) {
    QStringList out;
    for (int i = 1; i < ReplyFields::kCount; ++i) out << f[i];
    return out;
}

QStringList padded(QStringList words) {
    while (words.size() < ReplyFields::kCount - 1) words << QString();
    return words;
}

}  // namespace

class ReceiveBlocks : public QObject {
    Q_OBJECT
private slots:
    void blocks_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("parsed");
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QStringList>("console");

        const auto S = LinkKind::Serial;
        const auto U = LinkKind::Udp;
        const auto T = LinkKind::Tcp;
        const QStringList none;
        const QStringList ab12{"AB", "1", "2", "OK"};
        const QString abText = QStringLiteral("< AB 1 2 OK");

        QTest::newRow("serial, marker first")
            << S << QByteArray("@25<PC< AB 1 2 OK") << true << ab12 << QStringList{abText};
        QTest::newRow("serial, marker last")
            << S << QByteArray("< AB 1 2 OK@25<PC") << true << ab12 << QStringList{abText};
        QTest::newRow("serial, every marker removed")
            << S << QByteArray("< AB 1@25<PC 2 OK@25<PC") << true << ab12 << QStringList{abText};
        QTest::newRow("serial, no marker")
            << S << QByteArray("< AB 1 2 OK") << false << none << QStringList{" <", abText};
        QTest::newRow("serial, no OK")
            << S << QByteArray("@25<PC< AB 1 2") << false << none << QStringList{" <", "< AB 1 2"};
        QTest::newRow("serial, zero byte cuts the marker off")
            << S << QByteArray("< AB 1 2 OK\0@25<PC", 18) << false << none
            << QStringList{" <", abText};
        QTest::newRow("udp") << U << QByteArray("< AB 1 2 OK") << true << ab12
                             << QStringList{abText};
        QTest::newRow("tcp") << T << QByteArray("< AB 1 2 OK") << true << ab12
                             << QStringList{abText};
        QTest::newRow("udp, serial marker kept")
            << U << QByteArray("< AB 1 OK@25<PC") << true << QStringList{"AB", "1", "OK@25<PC"}
            << QStringList{"< AB 1 OK@25<PC"};
        QTest::newRow("udp, no OK")
            << U << QByteArray("< AB 1 2") << false << none << QStringList{" <", "< AB 1 2"};
        QTest::newRow("tcp, no OK")
            << T << QByteArray("< AB 1 2") << false << none << QStringList{" <", "< AB 1 2"};
        QTest::newRow("udp, no reply marker")
            << U << QByteArray("AB 1 2 OK") << false << none << QStringList{" <", "AB 1 2 OK"};
        QTest::newRow("udp, markers anywhere")
            << U << QByteArray("X OK < Y") << true << QStringList{"X", "OK", "Y"}
            << QStringList{"X OK < Y"};
        QTest::newRow("udp, line ends stay in words")
            << U << QByteArray("< AB 1\r\nOK") << true << QStringList{"AB", "1\r\nOK"}
            << QStringList{"< AB 1\r\nOK"};
        QTest::newRow("udp, zero byte ends the text")
            << U << QByteArray("< AB 1 OK\0 CD 2", 15) << true << QStringList{"AB", "1", "OK"}
            << QStringList{"< AB 1 OK"};
        QTest::newRow("udp, zero byte first")
            << U << QByteArray("\0< AB 1 OK", 10) << false << none << QStringList{" <"};
        QTest::newRow("udp, latin-1")
            << U << QByteArray("< T 20\xBA OK") << true << QStringList{"T", "20\u00BA", "OK"}
            << QStringList{"< T 20\u00BA OK"};

        // The length limit: below 255 characters a reply is parsed; at 255 or more it is
        // neither parsed nor marked.
        const QByteArray head = "< AB 1 OK ";
        const QByteArray b254 = head + QByteArray(254 - head.size(), 'x');
        QTest::newRow("udp, 254 bytes")
            << U << b254 << true << QStringList{"AB", "1", "OK", QString(244, u'x')}
            << shown(QString::fromLatin1(b254));
        const QByteArray b255 = head + QByteArray(255 - head.size(), 'x');
        QTest::newRow("udp, 255 bytes")
            << U << b255 << false << none << shown(QString::fromLatin1(b255));
        // Over serial the limit applies to the text without the marker.
        const QByteArray s255 = head + QByteArray(255 - head.size() - 6, 'x') + "@25<PC";
        QTest::newRow("serial, 255 bytes with marker")
            << S << s255 << true << QStringList{"AB", "1", "OK", QString(239, u'x')}
            << shown(QString::fromLatin1(s255.chopped(6)));

        // Only the first 255 bytes of a longer read count; the rest is not a second block.
        const QByteArray b300 = b255 + "< CD 2 OK" + QByteArray(300 - 255 - 9, 'y');
        QTest::newRow("udp, 300-byte datagram")
            << U << b300 << false << none << shown(QString::fromLatin1(b255));
        QTest::newRow("tcp, 300 bytes in one read")
            << T << b300 << false << none << shown(QString::fromLatin1(b255));
    }

    // After the block a sentinel reply follows once the block has been handled: the console
    // must show exactly the block's lines and then the sentinel's.
    void blocks() {
        QFETCH(LinkKind, kind);
        QFETCH(QByteArray, block);
        QFETCH(bool, parsed);
        QFETCH(QStringList, fields);
        QFETCH(QStringList, console);
        Rig rig(kind);
        QVERIFY(rig.open());
        const int from = rig.f.consoleLines().size();
        rig.deliver(block);
        waitFor([&] { return rig.linesSince(from).size() >= console.size(); }, 3000);
        QCOMPARE(rig.f.app().repliesHandled(), parsed ? 1 : 0);
        QCOMPARE(fieldsOf(rig.f.app().replyFields()), padded(fields));
        QCOMPARE(rig.f.app().replyFields()[0], QString());

        rig.deliver(rig.reply("ZZ OK"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == (parsed ? 2 : 1); }));
        QCOMPARE(rig.linesSince(from), console + QStringList{"< ZZ OK"});
    }

    // 300 queued bytes: one poll takes 255 of them, the next poll the other 45, and each is
    // judged on its own.
    void serialReadsAtMost255BytesPerPoll() {
        Rig rig(LinkKind::Serial);
        QVERIFY(rig.open());
        const QByteArray first = QByteArray(249, 'A') + "@25<PC";
        const QByteArray second = "< XY 7 OK " + QByteArray(29, 'z') + "@25<PC";
        QCOMPARE(first.size() + second.size(), 300);
        const int from = rig.f.consoleLines().size();
        rig.deliver(first + second);
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == 1; }));
        QCOMPARE(fieldsOf(rig.f.app().replyFields()), padded({"XY", "7", "OK", QString(29, u'z')}));
        const QString a(249, u'A');
        QCOMPARE(rig.linesSince(from), QStringList()
                                           << " <" << shown(a) << "< XY 7 OK " + QString(29, u'z'));
    }

    // A read that reports data but returns nothing: one "ERROR" box, and what was queued
    // behind it is read afterwards.
    void emptyDatagramShowsErrorBox() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        boxes.answer(QMessageBox::Ok);
        rig.deliver(QByteArray());
        for (int i = 0; i < 3; ++i)
            rig.deliver(networkReply("AB " + QByteArray::number(i) + " OK"));
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("ERROR"));
        QCOMPARE(boxes.seen().first().text, QStringLiteral("*"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == 3; }));
        QCOMPARE(rig.f.app().replyFields()[2], QStringLiteral("2"));
        QCOMPARE(boxes.seen().size(), 1);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::Udp);
    }

    // With polling off the keep-alive's answers stay out of the console; every other block,
    // even an unparsed one right after such an answer, is shown.
    void keepAliveAnswersHiddenWhilePollingOff() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        const int from = rig.f.consoleLines().size();
        rig.deliver(networkReply("IP8 OK"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == 1; }));
        QCOMPARE(rig.f.app().replyFields()[1], QStringLiteral("IP8"));
        rig.deliver("garbage");
        QVERIFY(waitFor([&] { return rig.linesSince(from).size() >= 2; }));
        rig.deliver(networkReply("IP8 OK"));
        rig.deliver(networkReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == 3; }));
        QCOMPARE(rig.linesSince(from), (QStringList{" <", "garbage", "< AB 1 OK"}));

        // With polling on they are shown like any other reply.
        rig.f.click(mainwindow::kPollingButton);
        QVERIFY(!rig.f.app().state().autoPollingOff);
        rig.deliver(networkReply("IP8 OK"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() == 4; }));
        QVERIFY(rig.f.consoleLines().contains(QStringLiteral("< IP8 OK")));
    }

    void everyBlockResetsLinkAliveTicks_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<QByteArray>("block");
        QTest::newRow("serial reply") << LinkKind::Serial << serialReply("AB 1 OK");
        QTest::newRow("serial, unparsed") << LinkKind::Serial << QByteArray("noise");
        QTest::newRow("udp reply") << LinkKind::Udp << networkReply("AB 1 OK");
        QTest::newRow("udp, unparsed") << LinkKind::Udp << QByteArray("noise");
        QTest::newRow("tcp, unparsed") << LinkKind::Tcp << QByteArray("noise");
    }

    void everyBlockResetsLinkAliveTicks() {
        QFETCH(LinkKind, kind);
        QFETCH(QByteArray, block);
        Rig rig(kind);
        QVERIFY(rig.open());
        AppState& s = rig.f.app().state();
        QVERIFY(waitFor([&] { return s.linkAliveTicks >= 3; }));
        const int from = rig.f.consoleLines().size();
        rig.deliver(block);
        QVERIFY(waitFor([&] { return rig.linesSince(from).size() >= 1; }));
        QVERIFY2(s.linkAliveTicks <= 1, qPrintable(QString::number(s.linkAliveTicks)));
    }

    // Past 30 ticks without data the indicator shows image 3; one block turns it back to
    // image 2 at the next tick.
    void indicatorFollowsTheBlocks() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        App& app = rig.f.app();
        app.state().linkAliveTicks = 30;
        QVERIFY(waitFor([&] { return rig.f.controls().image(51) == &app.linkLostImage(); }, 1000));
        rig.deliver(networkReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return rig.f.controls().image(51) == &app.linkAliveImage(); }, 1000));
    }

    // 200 replies in one burst: every one is read and parsed, one per event, so other events
    // keep running in between. (A turn of the loop may carry two reads: the queued follow-up
    // call and the socket's own notification; a burst read inside one handler would leave
    // the probe only a few distinct counts.)
    void burstOfDatagramsIsReadOnePerTurn() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        App& app = rig.f.app();
        QSet<int> countsSeenBetweenEvents;
        QTimer probe;
        probe.setInterval(0);
        connect(&probe, &QTimer::timeout, &probe,
                [&] { countsSeenBetweenEvents.insert(app.repliesHandled()); });
        probe.start();

        constexpr int kBurst = 200;
        for (int i = 0; i < kBurst; ++i)
            rig.deliver(networkReply("AB " + QByteArray::number(i) + " OK"));
        QVERIFY(waitFor([&] { return app.repliesHandled() == kBurst; }));
        QCOMPARE(app.replyFields()[2], QStringLiteral("199"));
        QVERIFY2(countsSeenBetweenEvents.size() > kBurst / 4,
                 qPrintable(QString::number(countsSeenBetweenEvents.size())));
        QCOMPARE(rig.f.consoleLines().last(), QStringLiteral("< AB 199 OK"));

        // The operator is still heard.
        rig.f.click(mainwindow::kPollingButton);
        QCOMPARE(rig.f.controls().text(mainwindow::kPollingButton), QStringLiteral("ON"));
    }

    // Polling on and the peer answering every command and sending more besides, for a few
    // seconds: replies keep being handled and commands keep going out in every quarter second.
    void sustainedTrafficNeverStalls() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        rig.f.click(mainwindow::kPollingButton);
        App& app = rig.f.app();
        QVERIFY(!app.state().autoPollingOff);

        const int repliesAtStart = app.repliesHandled();
        const qsizetype commandsAtStart = rig.udp.datagrams().size();
        qsizetype answered = commandsAtStart;
        int extra = 0;
        for (int window = 0; window < 10; ++window) {
            const int repliesBefore = app.repliesHandled();
            const qsizetype sentBefore = rig.udp.datagrams().size();
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 250) {
                const QList<QByteArray>& got = rig.udp.datagrams();
                for (; answered < got.size(); ++answered)
                    rig.udp.reply("< " + got[answered] + " 0 OK");
                rig.udp.reply(networkReply("EXTRA " + QByteArray::number(++extra) + " OK"));
                waitFor([] { return false; }, 2);
            }
            QVERIFY2(app.repliesHandled() > repliesBefore, qPrintable(QString::number(window)));
            QVERIFY2(rig.udp.datagrams().size() > sentBefore, qPrintable(QString::number(window)));
        }
        // None was lost on the way.
        const int sent = int(answered - commandsAtStart) + extra;
        QVERIFY(waitFor([&] { return app.repliesHandled() - repliesAtStart == sent; }));
    }
};

QTEST_MAIN(ReceiveBlocks)
#include "tst_receive_blocks.moc"
