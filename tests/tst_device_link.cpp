// The link as the tracker sees it: the bytes every command puts on the wire over serial, UDP
// and TCP, and which network links open and which fail.

#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTcpServer>
#include <QTest>
#include <QUdpSocket>

#include "ConnectionDialog.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using CD = ConnectionDialog;

/// Long enough for a stray write to arrive over loopback or the pty.
constexpr int kQuietMs = 150;
constexpr char kSerialKeepAlive[] = "@PC>25 IP8";

/// With polling off the console still sends "IP8" about once a second; it is not the
/// command under test.
QByteArray withoutKeepAlive(QByteArray bytes, const QByteArray& keepAlive)
{
    return bytes.replace(keepAlive, QByteArray());
}

QList<QByteArray> withoutKeepAlive(const QList<QByteArray>& datagrams)
{
    QList<QByteArray> out;
    for (const QByteArray& d : datagrams)
        if (d != "IP8") out << d;
    return out;
}

bool udpPortFree(quint16 port)
{
    QUdpSocket s;
    return s.bind(QHostAddress::LocalHost, port, QAbstractSocket::DontShareAddress);
}

/// Opens the serial link through "COM12", a name linked to `pty` in the resource folder.
void openSerial(ConsoleFixture& f)
{
    f.type(CD::kComField, QStringLiteral("12"));
    f.click(CD::kComButton);
}

QByteArray settingsLine(const QByteArray& file, int line)
{
    const QList<QByteArray> lines = file.split('\n');
    return line - 1 < lines.size() ? lines[line - 1].chopped(lines[line - 1].endsWith('\r')) : QByteArray();
}

void commandRows()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("word") << "STAT" << QByteArray("STAT");
    QTest::newRow("empty") << "" << QByteArray();
    QTest::newRow("blanks kept") << " NET  PORT 8001 " << QByteArray(" NET  PORT 8001 ");
    QTest::newRow("setting with ,G") << "HOME 2,G" << QByteArray("HOME 2,G");
    QTest::newRow("latin-1 degree sign") << QStringLiteral("T:20\u00bac") << QByteArray("T:20\xba" "c");
    QTest::newRow("longer than a reply") << QString(600, u'A') << QByteArray(600, 'A');
}

}  // namespace

class DeviceLinkTest : public QObject {
    Q_OBJECT
private slots:
    void commandsOverSerialFollowThePrefix_data() { commandRows(); }
    void commandsOverSerialFollowThePrefix()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, wire);
        PtyPair pty;
        QVERIFY(pty.isValid());
        ConsoleFixture f([&](const QString& dir) { pty.linkInto(dir, QStringLiteral("COM12")); });
        f.click(mainwindow::kPollingButton);
        openSerial(f);
        QCOMPARE(f.app().link().kind(), LinkKind::Serial);

        f.type(mainwindow::kCommandEntry, text);
        QCOMPARE(f.controls().text(mainwindow::kCommandEntry), text);
        f.pressReturn(mainwindow::kCommandEntry);
        const QByteArray expected = "@PC>25 " + wire;
        QByteArray got = pty.readAtLeast(int(expected.size()));
        got += pty.readAtLeast(1 << 20, kQuietMs);
        QCOMPARE(withoutKeepAlive(got, kSerialKeepAlive), expected);
    }

    void commandsOverUdpAreOneDatagramEach_data() { commandRows(); }
    void commandsOverUdpAreOneDatagramEach()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, wire);
        UdpPeer peer;
        ConsoleFixture f;
        f.aimUdp(peer.port());
        f.click(mainwindow::kPollingButton);
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);

        f.type(mainwindow::kCommandEntry, text);
        f.pressReturn(mainwindow::kCommandEntry);
        f.pressReturn(mainwindow::kCommandEntry);
        QVERIFY(waitFor([&] { return withoutKeepAlive(peer.datagrams()).size() >= 2; }));
        QTest::qWait(kQuietMs);
        QCOMPARE(withoutKeepAlive(peer.datagrams()), (QList<QByteArray>{wire, wire}));
    }

    void commandsOverTcpAreTheTextAlone_data() { commandRows(); }
    void commandsOverTcpAreTheTextAlone()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, wire);
        TcpPeer peer;
        ConsoleFixture f;
        f.aimTcp(peer.port());
        f.click(mainwindow::kPollingButton);
        f.click(CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
        QVERIFY(peer.waitForClient());

        f.type(mainwindow::kCommandEntry, text);
        f.pressReturn(mainwindow::kCommandEntry);
        f.pressReturn(mainwindow::kCommandEntry);
        const QByteArray expected = wire + wire;
        waitFor([&] { return withoutKeepAlive(peer.received(), "IP8").size() >= expected.size(); });
        QTest::qWait(kQuietMs);
        QCOMPARE(withoutKeepAlive(peer.received(), "IP8"), expected);
    }

    void echoShowsTheTextWithoutPrefix_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("no link") << int(LinkKind::None);
        QTest::newRow("serial") << int(LinkKind::Serial);
        QTest::newRow("udp") << int(LinkKind::Udp);
    }

    void echoShowsTheTextWithoutPrefix()
    {
        QFETCH(int, kind);
        PtyPair pty;
        UdpPeer peer;
        ConsoleFixture f([&](const QString& dir) { pty.linkInto(dir, QStringLiteral("COM12")); });
        f.click(mainwindow::kPollingButton);
        f.aimUdp(peer.port());
        if (LinkKind(kind) == LinkKind::Serial) openSerial(f);
        if (LinkKind(kind) == LinkKind::Udp) f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind(kind));

        f.app().sendCommand(QStringLiteral("STAT"));
        QVERIFY(!f.consoleLines().contains(QStringLiteral("STAT")));
        f.click(49);
        QVERIFY(f.app().state().echoCommands);
        QVERIFY(f.controls().isChecked(49));
        f.app().sendCommand(QStringLiteral("STAT"));
        QCOMPARE(f.consoleLines().last(), QStringLiteral("STAT"));
        QCOMPARE(f.consoleLines().count(QStringLiteral("STAT")), 1);
    }

    void nothingGoesOutWithoutALink_data()
    {
        QTest::addColumn<int>("closedKind");
        QTest::newRow("never opened") << int(LinkKind::None);
        QTest::newRow("serial closed") << int(LinkKind::Serial);
        QTest::newRow("udp closed") << int(LinkKind::Udp);
        QTest::newRow("tcp closed") << int(LinkKind::Tcp);
    }

    void nothingGoesOutWithoutALink()
    {
        QFETCH(int, closedKind);
        PtyPair pty;
        UdpPeer udp;
        TcpPeer tcp;
        ConsoleFixture f([&](const QString& dir) { pty.linkInto(dir, QStringLiteral("COM12")); });
        f.click(mainwindow::kPollingButton);
        f.aimUdp(udp.port());
        f.aimTcp(tcp.port());
        const int button = closedKind == int(LinkKind::Serial) ? CD::kComButton
                           : closedKind == int(LinkKind::Udp)  ? CD::kUdpButton
                                                               : CD::kTcpButton;
        if (closedKind != int(LinkKind::None)) {
            if (closedKind == int(LinkKind::Serial)) f.type(CD::kComField, QStringLiteral("12"));
            f.click(button);
            QCOMPARE(f.app().link().kind(), LinkKind(closedKind));
            f.click(button);
        }
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QVERIFY(!f.app().link().hasNetworkConnection());
        QVERIFY(!f.app().link().serialOpen());
        pty.readAtLeast(1 << 20, 50);  // whatever went out while the link was open
        udp.datagrams();
        udp.clear();
        tcp.received();

        const qsizetype tcpBefore = tcp.received().size();
        f.type(mainwindow::kCommandEntry, QStringLiteral("STAT"));
        f.pressReturn(mainwindow::kCommandEntry);
        f.app().sendCommand(QStringLiteral("STAT"));
        QTest::qWait(kQuietMs);
        QCOMPARE(pty.readAtLeast(1, 10), QByteArray());
        QCOMPARE(udp.datagrams().size(), 0);
        QCOMPARE(tcp.received().size(), tcpBefore);
    }

    void remotePortOutsideOneTo65534IsRefused_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("port");
        for (const int kind : {int(LinkKind::Udp), int(LinkKind::Tcp)}) {
            const char* k = kind == int(LinkKind::Udp) ? "udp" : "tcp";
            for (const char* port : {"0", "65535", "65536", "99999999999", "abc", "", "-1"})
                QTest::addRow("%s port '%s'", k, port) << kind << QString::fromLatin1(port);
        }
    }

    void remotePortOutsideOneTo65534IsRefused()
    {
        QFETCH(int, kind);
        QFETCH(QString, port);
        const bool udp = kind == int(LinkKind::Udp);
        ConsoleFixture f;
        const quint16 local = udp ? freeUdpPort() : freeTcpPort();
        const int ip = udp ? CD::kUdpIp : CD::kTcpIp;
        const int localField = udp ? CD::kUdpLocal : CD::kTcpLocal;
        const int remoteField = udp ? CD::kUdpRemote : CD::kTcpRemote;
        f.controls().setText(ip, QStringLiteral("127.0.0.1"));
        f.controls().setText(localField, QString::number(local));
        f.controls().setText(remoteField, port);

        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        QElapsedTimer clock;
        clock.start();
        f.click(udp ? CD::kUdpButton : CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        QVERIFY2(clock.elapsed() < 2000, "no connection attempt is made");
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Error"));
        QCOMPARE(boxes.seen().first().text, udp ? QStringLiteral("There was a problem initiating UDP connection")
                                                : QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QVERIFY(!f.app().link().hasNetworkConnection());
        for (const int field : {ip, localField, remoteField})
            QVERIFY(f.controls().background(field) == colour::kLinkFailed);
        QCOMPARE(f.controls().text(udp ? CD::kUdpButton : CD::kTcpButton),
                 udp ? QStringLiteral("Open UDP") : QStringLiteral("Open TCP"));
        // The local port was never taken.
        if (udp) QVERIFY(udpPortFree(local));
        else {
            QTcpServer s;
            QVERIFY(s.listen(QHostAddress::LocalHost, local));
        }
        const QByteArray file = readFileBytes(f.settingsPath());
        QCOMPARE(settingsLine(file, 1), QByteArray("0"));
        QCOMPARE(settingsLine(file, udp ? 6 : 9), port.toUtf8());
    }

    void udpRemotePortLimitsAreAccepted_data()
    {
        QTest::addColumn<int>("port");
        QTest::newRow("1") << 1;
        QTest::newRow("65534") << 65534;
    }

    void udpRemotePortLimitsAreAccepted()
    {
        QFETCH(int, port);
        ConsoleFixture f;
        f.aimUdp(quint16(port));
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        QVERIFY(boxes.seen().isEmpty());
        QVERIFY(f.controls().background(CD::kUdpRemote) == colour::kLinkOpen);
    }

    void localPortInUseFails_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("anyAddress");
        QTest::addColumn<bool>("shared");
        QTest::newRow("udp, loopback taken") << int(LinkKind::Udp) << false << false;
        QTest::newRow("udp, any address taken") << int(LinkKind::Udp) << true << false;
        QTest::newRow("udp, taken by a sharing socket") << int(LinkKind::Udp) << false << true;
        QTest::newRow("tcp, a listener holds it") << int(LinkKind::Tcp) << false << false;
    }

    void localPortInUseFails()
    {
        QFETCH(int, kind);
        QFETCH(bool, anyAddress);
        QFETCH(bool, shared);
        const bool udp = kind == int(LinkKind::Udp);
        const QHostAddress at = anyAddress ? QHostAddress(QHostAddress::AnyIPv4) : QHostAddress(QHostAddress::LocalHost);
        QUdpSocket udpBlocker;
        QTcpServer tcpBlocker;
        quint16 taken = 0;
        if (udp) {
            QVERIFY(udpBlocker.bind(at, 0, shared ? QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint
                                                  : QAbstractSocket::DefaultForPlatform));
            taken = udpBlocker.localPort();
        } else {
            QVERIFY(tcpBlocker.listen(at, 0));
            taken = tcpBlocker.serverPort();
        }
        UdpPeer udpPeer;
        TcpPeer tcpPeer;
        ConsoleFixture f;
        if (udp) {
            f.aimUdp(udpPeer.port());
            f.controls().setText(CD::kUdpLocal, QString::number(taken));
        } else {
            f.aimTcp(tcpPeer.port());
            f.controls().setText(CD::kTcpLocal, QString::number(taken));
        }
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        f.click(udp ? CD::kUdpButton : CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        QCOMPARE(boxes.seen().first().text, udp ? QStringLiteral("There was a problem initiating UDP connection")
                                                : QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QVERIFY(f.controls().background(udp ? CD::kUdpLocal : CD::kTcpLocal) == colour::kLinkFailed);
    }

    void tcpWithoutListenerIsRefusedQuickly()
    {
        ConsoleFixture f;
        f.aimTcp(freeTcpPort());
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        QElapsedTimer clock;
        clock.start();
        f.click(CD::kTcpButton);
        QVERIFY(boxes.waitSeen(1));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(boxes.seen().first().title, QStringLiteral("Error"));
        QCOMPARE(boxes.seen().first().text, QStringLiteral("There was a problem initiating TCP connection"));
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QVERIFY(!f.app().link().hasNetworkConnection());
        QVERIFY(f.controls().background(CD::kTcpRemote) == colour::kLinkFailed);
    }

    void remoteAddress_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opens");
        for (const int kind : {int(LinkKind::Udp), int(LinkKind::Tcp)}) {
            const char* k = kind == int(LinkKind::Udp) ? "udp" : "tcp";
            QTest::addRow("%s dotted", k) << kind << "127.0.0.1" << true;
            QTest::addRow("%s host name", k) << kind << "localhost" << true;
            QTest::addRow("%s empty", k) << kind << "" << false;
            QTest::addRow("%s IPv6 only", k) << kind << "::1" << false;
        }
    }

    void remoteAddress()
    {
        QFETCH(int, kind);
        QFETCH(QString, address);
        QFETCH(bool, opens);
        const bool udp = kind == int(LinkKind::Udp);
        UdpPeer udpPeer;
        TcpPeer tcpPeer;
        ConsoleFixture f;
        f.click(mainwindow::kPollingButton);
        if (udp) f.aimUdp(udpPeer.port());
        else f.aimTcp(tcpPeer.port());
        f.controls().setText(udp ? CD::kUdpIp : CD::kTcpIp, address);
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        f.click(udp ? CD::kUdpButton : CD::kTcpButton);
        QCOMPARE(boxes.seen().size(), opens ? 0 : 1);
        QCOMPARE(f.app().link().kind(), opens ? LinkKind(kind) : LinkKind::None);
        if (!opens) return;
        f.app().sendCommand(QStringLiteral("STAT"));
        if (udp) {
            QVERIFY(udpPeer.waitForDatagrams(1));
            QCOMPARE(withoutKeepAlive(udpPeer.datagrams()).value(0), QByteArray("STAT"));
        } else {
            QVERIFY(tcpPeer.waitForBytes(4));
            QVERIFY(tcpPeer.received().startsWith("STAT"));
        }
    }

    void localEndOfALoopbackLink_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("udp") << int(LinkKind::Udp);
        QTest::newRow("tcp") << int(LinkKind::Tcp);
    }

    void localEndOfALoopbackLink()
    {
        QFETCH(int, kind);
        const bool udp = kind == int(LinkKind::Udp);
        QUdpSocket udpPeer;
        QVERIFY(udpPeer.bind(QHostAddress::LocalHost, 0));
        TcpPeer tcpPeer;
        ConsoleFixture f;
        f.click(mainwindow::kPollingButton);
        const quint16 local = udp ? freeUdpPort() : freeTcpPort();
        if (udp) f.aimUdp(udpPeer.localPort());
        else f.aimTcp(tcpPeer.port());
        f.controls().setText(udp ? CD::kUdpLocal : CD::kTcpLocal, QString::number(local));
        f.click(udp ? CD::kUdpButton : CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind(kind));
        f.app().sendCommand(QStringLiteral("STAT"));

        QHostAddress from;
        quint16 fromPort = 0;
        if (udp) {
            QVERIFY(waitFor([&] { return udpPeer.hasPendingDatagrams(); }));
            const QNetworkDatagram d = udpPeer.receiveDatagram();
            from = d.senderAddress();
            fromPort = quint16(d.senderPort());
        } else {
            QVERIFY(tcpPeer.waitForClient());
            from = tcpPeer.client()->peerAddress();
            fromPort = tcpPeer.client()->peerPort();
        }
        QVERIFY2(from.isLoopback(), qPrintable(from.toString()));
        QCOMPARE(fromPort, local);
    }

    void udpLinkTakesRepliesFromItsTrackerOnly()
    {
        UdpPeer peer;
        QUdpSocket stranger;
        QVERIFY(stranger.bind(QHostAddress::LocalHost, 0));
        ConsoleFixture f;
        f.click(mainwindow::kPollingButton);
        f.aimUdp(peer.port());
        const quint16 consolePort = quint16(f.controls().text(CD::kUdpLocal).toUInt());
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        f.app().sendCommand(QStringLiteral("STAT"));
        QVERIFY(peer.waitForDatagrams(1));

        stranger.writeDatagram(networkReply("XX 1 OK"), QHostAddress::LocalHost, consolePort);
        stranger.writeDatagram("stray", QHostAddress::LocalHost, consolePort);
        peer.reply(networkReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return f.app().repliesHandled() >= 1; }));
        QTest::qWait(50);
        QCOMPARE(f.app().repliesHandled(), 1);
        QCOMPARE(f.app().replyFields()[1], QStringLiteral("AB"));
        QCOMPARE(f.consoleLines().mid(1), QStringList{QStringLiteral("< AB 1 OK")});
    }

    void tcpHangUpShowsNothing()
    {
        TcpPeer peer;
        ConsoleFixture f;
        f.aimTcp(peer.port());
        f.click(CD::kTcpButton);
        QVERIFY(peer.waitForClient());
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        peer.client()->disconnectFromHost();
        // Polling keeps sending into the closed connection; nothing may break.
        const int ticks = f.app().state().keepAliveTicks;
        QVERIFY(waitFor([&] { return f.app().state().keepAliveTicks >= ticks + 3; }));
        QVERIFY(boxes.seen().isEmpty());
        f.app().sendCommand(QStringLiteral("STAT"));
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
    }
};

QTEST_MAIN(DeviceLinkTest)
#include "tst_device_link.moc"
