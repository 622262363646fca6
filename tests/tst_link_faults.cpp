// Link faults on every kind of link, against real peers: a serial far side that hangs up and
// comes back, a UDP tracker that goes away (port unreachable) and returns, a TCP tracker that
// closes, resets or disappears. No spinning, no storm of boxes, and polling resumes by itself.
// Also the arming of the fatal error report by failed and good network reads.

#include <QEventLoop>
#include <QTcpServer>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/socket.h>

#include "ConnectionDialog.h"
#include "FatalErrorReport.h"
#include "MainWindow.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

using CD = ConnectionDialog;

/// CPU time this process spends in `ms` of running its event loop undisturbed.
double cpuMsDuring(int ms)
{
    auto now = [] {
        rusage r{};
        getrusage(RUSAGE_SELF, &r);
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
    };
    const double before = now();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return now() - before;
}

int errorBoxes(const BoxAnswerer& boxes)
{
    int n = 0;
    for (const auto& s : boxes.seen()) n += s.title == u"ERROR" && s.text == u"*";
    return n;
}

}  // namespace

class LinkFaults : public QObject {
    Q_OBJECT
private slots:
    // The far side of the pseudo-terminal closes: the console neither spins nor reports, the
    // dialog still shows the link open, and once a device is there again under the same name
    // polling reaches it and its replies are read.
    void serialFarSideClosedAndReopened()
    {
        auto pty = std::make_unique<PtyPair>();
        BoxAnswerer boxes;
        ConsoleFixture f;
        QVERIFY(pty->linkInto(f.resourceDir(), QStringLiteral("COM7")));
        f.type(CD::kComField, QStringLiteral("7"));
        f.click(CD::kComButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Serial);
        QVERIFY(pty->readAtLeast(6).startsWith("@PC>25 "));

        pty.reset();
        const double cpu = cpuMsDuring(1500);
        QVERIFY2(cpu < 400, qPrintable(QStringLiteral("%1 ms of CPU in 1.5 s").arg(cpu)));
        QVERIFY(boxes.seen().isEmpty());
        QCOMPARE(f.app().link().kind(), LinkKind::Serial);
        QCOMPARE(f.controls().text(CD::kComButton), QStringLiteral("Close Com"));

        PtyPair back;
        QVERIFY(back.linkInto(f.resourceDir(), QStringLiteral("COM7")));
        QVERIFY(back.readAtLeast(6, 5000).startsWith("@PC>25 "));
        const int before = f.app().repliesHandled();
        back.write(serialReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return f.app().repliesHandled() > before; }));

        // Closing it by hand still closes it.
        f.click(CD::kComButton);
        QCOMPARE(f.app().link().kind(), LinkKind::None);
        QCOMPARE(f.controls().text(CD::kComButton), QStringLiteral("Open Com"));
    }

    // Port unreachable makes every read fail while the tracker is gone: one "ERROR" box for
    // the whole outage, the fatal error report armed; the tracker back on its port, polling
    // and reading go on and the report is disarmed; the next outage shows the box again.
    void udpTrackerGoneAndBack()
    {
        auto peer = std::make_unique<UdpPeer>();
        const quint16 port = peer->port();
        BoxAnswerer boxes;
        for (int i = 0; i < 5; ++i) boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        QVERIFY(!fatalreport::isArmed());
        f.aimUdp(port);
        f.click(CD::kUdpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
        QVERIFY(peer->waitForDatagrams(1));
        peer->reply(networkReply("AB 1 OK"));
        QVERIFY(waitFor([&] { return f.app().repliesHandled() == 1; }));
        QVERIFY(!fatalreport::isArmed());

        for (int outage = 1; outage <= 2; ++outage) {
            peer.reset();
            QVERIFY(boxes.waitSeen(outage, 5000));
            QVERIFY(fatalreport::isArmed());
            const double cpu = cpuMsDuring(1500);
            QVERIFY2(cpu < 400, qPrintable(QString::number(cpu)));
            QCOMPARE(errorBoxes(boxes), outage);
            QCOMPARE(boxes.seen().size(), outage);

            peer = std::make_unique<UdpPeer>(port);
            QVERIFY(peer->waitForDatagrams(2, 3000));
            const int before = f.app().repliesHandled();
            peer->reply(networkReply("AB 2 OK"));
            QVERIFY(waitFor([&] { return f.app().repliesHandled() > before; }));
            QVERIFY(!fatalreport::isArmed());
        }
        QCOMPARE(f.app().link().kind(), LinkKind::Udp);
    }

    void tcpTrackerHangsUp_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("closes") << "close";
        QTest::newRow("resets") << "reset";
        QTest::newRow("stops listening a while") << "gone";
    }

    // The tracker ends the connection: nothing was announced to read, so no box and the
    // report stays disarmed; no spinning while it stays away, then the console connects again
    // by itself and polling goes on.
    void tcpTrackerHangsUp()
    {
        QFETCH(QString, how);
        auto server = std::make_unique<QTcpServer>();
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        const quint16 port = server->serverPort();
        BoxAnswerer boxes;
        boxes.answer(QMessageBox::Ok);
        ConsoleFixture f;
        f.aimTcp(port);
        f.click(CD::kTcpButton);
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
        QVERIFY(waitFor([&] { return server->hasPendingConnections(); }));
        QTcpSocket* client = server->nextPendingConnection();

        if (how == u"reset") {
            const linger hard{1, 0};
            ::setsockopt(int(client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        }
        if (how == u"close") client->disconnectFromHost();
        else client->abort();
        if (how == u"gone") server.reset();

        const double cpu = cpuMsDuring(2500);
        QVERIFY2(cpu < 500, qPrintable(QString::number(cpu)));
        QVERIFY(boxes.seen().isEmpty());
        QVERIFY(!fatalreport::isArmed());
        QCOMPARE(f.app().link().kind(), LinkKind::Tcp);
        QCOMPARE(f.controls().text(CD::kTcpButton), QStringLiteral("Close TCP"));

        if (!server) {
            server = std::make_unique<QTcpServer>();
            QVERIFY(server->listen(QHostAddress::LocalHost, port));
        }
        QVERIFY(waitFor([&] { return server->hasPendingConnections(); }, 5000));
        QTcpSocket* again = server->nextPendingConnection();
        QVERIFY(waitFor([&] { return again->bytesAvailable() > 0; }, 3000));
        const int before = f.app().repliesHandled();
        again->write(networkReply("AB 3 OK"));
        QVERIFY(waitFor([&] { return f.app().repliesHandled() > before; }));
        QVERIFY(boxes.seen().isEmpty());
    }
};

QTEST_MAIN(LinkFaults)
#include "tst_link_faults.moc"
