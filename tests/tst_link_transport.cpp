// The link at the transport level: the exact bytes each kind of link puts on the wire, the
// echo, and how opening a network link succeeds or fails.

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QScopeGuard>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

Q_DECLARE_METATYPE(LinkKind)

namespace {

using CD = ConnectionDialog;

const QByteArray kSerialKeepAlive = "@PC>25 IP8";

/// A console with polling switched off and one link of `kind` open to a real loopback peer
/// or the test's end of a pseudo-terminal.
class Rig {
public:
    explicit Rig(LinkKind kind) : m_kind(kind) {}

    bool open() {
        f.click(mainwindow::kPollingButton);
        if (f.controls().text(mainwindow::kPollingButton) != u"OFF") return false;
        switch (m_kind) {
            case LinkKind::Serial:
                if (!pty.isValid() || !pty.linkInto(f.resourceDir(), QStringLiteral("COM7")))
                    return false;
                f.type(CD::kComField, QStringLiteral("7"));
                f.click(CD::kComButton);
                break;
            case LinkKind::Udp:
                f.aimUdp(udp.port());
                f.click(CD::kUdpButton);
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

    /// Everything the peer got so far, keep-alives taken out (they may go out at any tick
    /// while polling is off). UDP datagrams come back joined by "|".
    QByteArray received() {
        switch (m_kind) {
            case LinkKind::Serial:
                m_serial += pty.readAtLeast(0, 0);
                return QByteArray(m_serial).replace(kSerialKeepAlive, "");
            case LinkKind::Udp: {
                QList<QByteArray> d = udp.datagrams();
                d.removeAll("IP8");
                return d.join('|');
            }
            case LinkKind::Tcp:
                return QByteArray(tcp.received()).replace("IP8", "");
            case LinkKind::None:
                break;
        }
        return {};
    }

    bool waitReceived(const QByteArray& expected, int timeoutMs = kTimeoutMs) {
        return waitFor([&] { return received() == expected; }, timeoutMs);
    }

    /// Return in the command entry with `text` typed there.
    void sendTyped(const QString& text) {
        f.type(mainwindow::kCommandEntry, text);
        f.pressReturn(mainwindow::kCommandEntry);
    }

    UdpPeer udp;
    TcpPeer tcp;
    PtyPair pty;
    ConsoleFixture f;

private:
    LinkKind m_kind;
    QByteArray m_serial;
};

QByteArray onWire(LinkKind kind, const QByteArray& text) {
    return kind == LinkKind::Serial ? "@PC>25 " + text : text;
}

/// Two commands as the peer sees them one after the other.
QByteArray joined(LinkKind kind, const QByteArray& first, const QByteArray& second) {
    if (kind == LinkKind::Udp) return first + '|' + second;
    return onWire(kind, first) + onWire(kind, second);
}

QStringList settingsLines(const QString& path) {
    QStringList lines = QString::fromUtf8(readFileBytes(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

class LinkTransport : public QObject {
    Q_OBJECT
private slots:
    void commandFraming_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("bytes");
        const struct {
            const char* name;
            QString typed;
            QByteArray bytes;
        } texts[] = {
            {"word", QStringLiteral("STAT"), "STAT"},
            {"blanks kept", QStringLiteral(" NET  PORT 8001 "), " NET  PORT 8001 "},
            {"empty", QString(), QByteArray()},
            {"latin-1", QStringLiteral("T:20\u00BAc"),
             "T:20\xBA"
             "c"},
        };
        const struct {
            const char* name;
            LinkKind kind;
        } kinds[] = {{"serial", LinkKind::Serial}, {"udp", LinkKind::Udp}, {"tcp", LinkKind::Tcp}};
        for (const auto& k : kinds)
            for (const auto& t : texts)
                QTest::addRow("%s %s", k.name, t.name) << k.kind << t.typed << t.bytes;
    }

    // One command, then a second one: the peer sees exactly the two framed texts back to back,
    // so nothing (no terminator, no length) went out after the first.
    void commandFraming() {
        QFETCH(LinkKind, kind);
        QFETCH(QString, typed);
        QFETCH(QByteArray, bytes);
        Rig rig(kind);
        QVERIFY(rig.open());
        rig.sendTyped(typed);
        QCOMPARE(rig.f.controls().text(mainwindow::kCommandEntry), typed);
        rig.sendTyped(QStringLiteral("Z"));
        const QByteArray expected = joined(kind, bytes, "Z");
        rig.waitReceived(expected, 3000);
        QCOMPARE(rig.received(), expected);
    }

    void serialPrefixIsSentWithOneBlank() {
        Rig rig(LinkKind::Serial);
        QVERIFY(rig.open());
        rig.f.app().sendCommand(QStringLiteral("STAT"));
        QVERIFY(rig.waitReceived("@PC>25 STAT"));
        QCOMPARE(rig.received().size(), 11);
    }

    void udpSendsOneDatagramPerCommand() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        for (const char* c : {"STAT", "DXYPV", "NET PORT 8001"})
            rig.f.app().sendCommand(QString::fromLatin1(c));
        QVERIFY(rig.waitReceived("STAT|DXYPV|NET PORT 8001"));
    }

    void echo_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<bool>("echo");
        QTest::newRow("no link, echo on") << LinkKind::None << true;
        QTest::newRow("no link, echo off") << LinkKind::None << false;
        QTest::newRow("serial, echo on") << LinkKind::Serial << true;
        QTest::newRow("udp, echo off") << LinkKind::Udp << false;
    }

    // The console shows the text as the operator wrote it, never the serial prefix, and it
    // shows it whether or not anything could be sent.
    void echo() {
        QFETCH(LinkKind, kind);
        QFETCH(bool, echo);
        Rig rig(kind);
        if (kind != LinkKind::None)
            QVERIFY(rig.open());
        else
            rig.f.click(mainwindow::kPollingButton);
        if (echo) rig.f.click(49);
        QCOMPARE(rig.f.app().state().echoCommands, echo);
        QCOMPARE(rig.f.controls().isChecked(49), echo);

        const QStringList before = rig.f.consoleLines();
        rig.f.app().sendCommand(QStringLiteral("STAT"));
        QStringList expected = before;
        if (echo) expected << QStringLiteral("STAT");
        QCOMPARE(rig.f.consoleLines(), expected);
        if (kind != LinkKind::None) QVERIFY(rig.waitReceived(onWire(kind, "STAT")));
    }

    void nothingGoesOutWithoutLink_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::newRow("serial closed") << LinkKind::Serial;
        QTest::newRow("udp closed") << LinkKind::Udp;
        QTest::newRow("tcp closed") << LinkKind::Tcp;
    }

    void nothingGoesOutWithoutLink() {
        QFETCH(LinkKind, kind);
        Rig rig(kind);
        QVERIFY(rig.open());
        const int button = kind == LinkKind::Serial ? CD::kComButton
                           : kind == LinkKind::Udp  ? CD::kUdpButton
                                                    : CD::kTcpButton;
        rig.f.click(button);
        QCOMPARE(rig.f.app().link().kind(), LinkKind::None);
        rig.f.click(49);  // the echo still happens
        rig.f.app().sendCommand(QStringLiteral("STAT"));
        QCOMPARE(rig.f.consoleLines().last(), QStringLiteral("STAT"));
        // Bytes written before the close (a keep-alive, whole or cut short) may still land late
        // on a busy machine; none of them is the command given after it.
        QVERIFY(!waitFor([&] { return rig.received().contains("STAT"); }, 300));
    }

    void remotePortOutOfRange_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<QString>("remote");
        QTest::newRow("udp 0") << LinkKind::Udp << "0";
        QTest::newRow("udp 65535") << LinkKind::Udp << "65535";
        QTest::newRow("udp not a number") << LinkKind::Udp << "abc";
        QTest::newRow("udp 70000") << LinkKind::Udp << "70000";
        QTest::newRow("tcp 0") << LinkKind::Tcp << "0";
        QTest::newRow("tcp 65535") << LinkKind::Tcp << "65535";
    }

    // No attempt is made: the row turns red, the failure box appears, the file is saved.
    void remotePortOutOfRange() {
        QFETCH(LinkKind, kind);
        QFETCH(QString, remote);
        const bool udp = kind == LinkKind::Udp;
        // Something listens on 65535 so that an attempt would be seen.
        QTcpServer listener;
        const bool listening =
            !udp && remote == u"65535" && listener.listen(QHostAddress::LocalHost, 65535);

        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        if (udp)
            f.aimUdp(1);
        else
            f.aimTcp(1);
        const int remoteField = udp ? CD::kUdpRemote : CD::kTcpRemote;
        f.controls().setText(remoteField, remote);
        f.click(udp ? CD::kUdpButton : CD::kTcpButton);

        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Error"));
        QCOMPARE(boxes.seen().first().text,
                 udp ? QStringLiteral("There was a problem initiating UDP connection")
                     : QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QVERIFY(!f.app().link().hasNetworkConnection());
        const int first = udp ? CD::kUdpIp : CD::kTcpIp;
        for (int c : {first, first + 2, first + 4})
            QCOMPARE(f.controls().background(c), colour::kLinkFailed);
        QCOMPARE(f.controls().text(udp ? CD::kUdpButton : CD::kTcpButton),
                 udp ? QStringLiteral("Open UDP") : QStringLiteral("Open TCP"));
        const QStringList lines = settingsLines(f.settingsPath());
        QCOMPARE(lines.size(), 9);
        QCOMPARE(lines[0], QStringLiteral("0"));
        QCOMPARE(lines[udp ? 5 : 8], remote);
        if (listening) QVERIFY(!waitFor([&] { return listener.hasPendingConnections(); }, 300));
    }

    void remotePortInRange_data() {
        QTest::addColumn<QString>("remote");
        QTest::newRow("1") << "1";
        QTest::newRow("65534") << "65534";
    }

    // UDP needs nobody at the other end to open.
    void remotePortInRange() {
        QFETCH(QString, remote);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimUdp(1);
        f.controls().setText(CD::kUdpRemote, remote);
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        QVERIFY(boxes.seen().isEmpty());
    }

    void udpLocalPortInUse_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("mode");
        QTest::newRow("loopback, default")
            << "127.0.0.1" << int(QAbstractSocket::DefaultForPlatform);
        QTest::newRow("loopback, shared")
            << "127.0.0.1"
            << int(QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
        QTest::newRow("any address, default")
            << "0.0.0.0" << int(QAbstractSocket::DefaultForPlatform);
    }

    void udpLocalPortInUse() {
        QFETCH(QString, address);
        QFETCH(int, mode);
        QUdpSocket blocker;
        QVERIFY(blocker.bind(QHostAddress(address), 0, QAbstractSocket::BindMode(mode)));
        UdpPeer peer;
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimUdp(peer.port());
        f.controls().setText(CD::kUdpLocal, QString::number(blocker.localPort()));
        f.click(CD::kUdpButton);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().text,
                 QStringLiteral("There was a problem initiating UDP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(f.controls().background(CD::kUdpLocal), colour::kLinkFailed);
    }

    void tcpLocalPortInUse() {
        TcpPeer peer;
        QTcpServer other;
        QVERIFY(other.listen(QHostAddress::LocalHost, 0));
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimTcp(peer.port());
        f.controls().setText(CD::kTcpLocal, QString::number(other.serverPort()));
        f.click(CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().text,
                 QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
    }

    // Closing and opening again from the same local port works at once.
    void tcpReopensFromSameLocalPort() {
        TcpPeer peer;
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimTcp(peer.port());
        const quint16 local = freeTcpPort();
        f.controls().setText(CD::kTcpLocal, QString::number(local));
        f.click(CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
        QVERIFY(peer.waitForClient());
        QCOMPARE(peer.client()->peerPort(), local);
        f.click(CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        TcpPeer second;
        f.controls().setText(CD::kTcpRemote, QString::number(second.port()));
        f.click(CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
        QVERIFY(second.waitForClient());
        QCOMPARE(second.client()->peerPort(), local);
        QVERIFY(boxes.seen().isEmpty());
    }

    void tcpRefusedFailsQuickly() {
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimTcp(freeTcpPort());
        QElapsedTimer clock;
        clock.start();
        f.click(CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        // Refused at once: well before the 5 s an unanswered attempt waits.
        QVERIFY2(clock.elapsed() < 4500, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Error"));
        QCOMPARE(boxes.seen().first().text,
                 QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        for (int c : {CD::kTcpIp, CD::kTcpLocal, CD::kTcpRemote})
            QCOMPARE(f.controls().background(c), colour::kLinkFailed);
    }

    // A listener that never accepts and whose accept queue is full drops the connection
    // request: the attempt gives up after the 5 s time-out.
    void tcpUnansweredGivesUpAfterFiveSeconds() {
        const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
        QVERIFY(listener >= 0);
        const auto closeListener = qScopeGuard([listener] { ::close(listener); });
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        QCOMPARE(::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        QCOMPARE(::listen(listener, 0), 0);
        socklen_t len = sizeof addr;
        QCOMPARE(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
        const quint16 port = ntohs(addr.sin_port);

        QTcpSocket filler;
        filler.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(filler.waitForConnected(2000));
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(500)) QSKIP("this kernel answers beyond the listen backlog");
        probe.abort();

        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimTcp(port);
        QElapsedTimer clock;
        clock.start();
        f.click(CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 4500 && elapsed < 8000, qPrintable(QString::number(elapsed)));
        QCOMPARE(boxes.seen().first().text,
                 QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(f.controls().background(CD::kTcpIp), colour::kLinkFailed);
    }

    void badAddress_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::addColumn<QString>("address");
        QTest::newRow("udp empty") << LinkKind::Udp << "";
        QTest::newRow("udp ipv6") << LinkKind::Udp << "::1";
        QTest::newRow("tcp empty") << LinkKind::Tcp << "";
        QTest::newRow("tcp ipv6") << LinkKind::Tcp << "::1";
    }

    void badAddress() {
        QFETCH(LinkKind, kind);
        QFETCH(QString, address);
        const bool udp = kind == LinkKind::Udp;
        TcpPeer tcp;
        UdpPeer peer;
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        if (udp)
            f.aimUdp(peer.port());
        else
            f.aimTcp(tcp.port());
        f.controls().setText(udp ? CD::kUdpIp : CD::kTcpIp, address);
        f.click(udp ? CD::kUdpButton : CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(f.controls().background(udp ? CD::kUdpIp : CD::kTcpIp), colour::kLinkFailed);
    }

    void hostName_data() {
        QTest::addColumn<LinkKind>("kind");
        QTest::newRow("udp") << LinkKind::Udp;
        QTest::newRow("tcp") << LinkKind::Tcp;
    }

    void hostName() {
        QFETCH(LinkKind, kind);
        Rig rig(kind);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        rig.f.click(mainwindow::kPollingButton);
        if (kind == LinkKind::Udp)
            rig.f.aimUdp(rig.udp.port());
        else
            rig.f.aimTcp(rig.tcp.port());
        rig.f.controls().setText(kind == LinkKind::Udp ? CD::kUdpIp : CD::kTcpIp,
                                 QStringLiteral("localhost"));
        rig.f.click(kind == LinkKind::Udp ? CD::kUdpButton : CD::kTcpButton);
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(rig.f.app().link().kind(), kind);
        if (kind == LinkKind::Tcp) QVERIFY(rig.tcp.waitForClient());
        rig.f.app().sendCommand(QStringLiteral("STAT"));
        QVERIFY(rig.waitReceived("STAT"));
    }

    void localEndIsLoopback() {
        QUdpSocket udpPeer;
        QVERIFY(udpPeer.bind(QHostAddress::LocalHost, 0));
        TcpPeer tcpPeer;
        ConsoleFixture f;
        f.aimUdp(udpPeer.localPort());
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        f.app().sendCommand(QStringLiteral("STAT"));
        QVERIFY(waitFor([&] { return udpPeer.hasPendingDatagrams(); }));
        const QNetworkDatagram d = udpPeer.receiveDatagram();
        QVERIFY(d.senderAddress().isLoopback());
        QCOMPARE(d.senderPort(), f.controls().text(CD::kUdpLocal).toInt());

        f.aimTcp(tcpPeer.port());
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Yes);
        f.click(CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
        QVERIFY(tcpPeer.waitForClient());
        QVERIFY(tcpPeer.client()->peerAddress().isLoopback());
    }

    // The UDP link is connected to the tracker's address and port: a datagram from any other
    // sender never reaches the console.
    void udpTakesRepliesOnlyFromTracker() {
        Rig rig(LinkKind::Udp);
        QVERIFY(rig.open());
        rig.f.app().sendCommand(QStringLiteral("STAT"));
        QVERIFY(rig.udp.waitForDatagrams(1));
        const quint16 consolePort = quint16(rig.f.controls().text(CD::kUdpLocal).toUInt());

        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
        stranger.writeDatagram(networkReply("AB 1 OK"), QHostAddress::LocalHost, consolePort);
        stranger.waitForBytesWritten(1000);
        rig.udp.reply(networkReply("CD 2 OK"));
        QVERIFY(waitFor([&] { return rig.f.app().repliesHandled() >= 1; }));
        QVERIFY(!waitFor([&] { return rig.f.app().repliesHandled() > 1; }, 300));
        QCOMPARE(rig.f.app().replyFields()[1], QStringLiteral("CD"));
        QVERIFY(!rig.f.consoleLines().contains(QStringLiteral("< AB 1 OK")));
    }

    // A tracker that hangs up a TCP link leaves it open and silent: polling goes on into the
    // closed connection without a message box.
    void tcpHangUpShowsNothing() {
        TcpPeer peer;
        ConsoleFixture f;
        f.aimTcp(peer.port());
        f.click(CD::kTcpButton);
        QVERIFY(peer.waitForClient());
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        peer.client()->disconnectFromHost();
        const int ticks = f.app().state().keepAliveTicks;
        QVERIFY(waitFor([&] { return f.app().state().keepAliveTicks >= ticks + 3; }));
        QVERIFY(boxes.seen().isEmpty());
        f.app().sendCommand(QStringLiteral("STAT"));
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
    }
};

QTEST_MAIN(LinkTransport)
#include "tst_link_transport.moc"
