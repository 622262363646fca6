#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkDatagram>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QUdpSocket>

#include "LineOfSight.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <functional>

namespace {

constexpr int kTimeoutMs = 10000;

/// One running tracker-sim, started on system-chosen ports so that tests can run side by side.
class Sim {
public:
    explicit Sim(QStringList extra = {}) {
        m_process.setProgram(QStringLiteral(ATS_SIM_PATH));
        m_process.setArguments(QStringList{"--udp-port", "0", "--tcp-port", "0"} + extra);
        m_process.start();
    }
    ~Sim() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(kTimeoutMs)) m_process.kill();
            m_process.waitForFinished(kTimeoutMs);
        }
    }

    /// Reads the start-up lines up to "ready"; false on a time-out or an early exit.
    bool waitReady() {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < kTimeoutMs) {
            while (m_process.canReadLine()) {
                const QByteArray line = m_process.readLine().trimmed();
                m_startLines << line;
                if (line == "ready") return true;
                if (line.startsWith("pty ")) m_ptyPath = QString::fromLocal8Bit(line.mid(4));
                if (line.startsWith("udp 127.0.0.1:")) m_udpPort = quint16(line.mid(14).toUInt());
                if (line.startsWith("tcp 127.0.0.1:")) m_tcpPort = quint16(line.mid(14).toUInt());
            }
            if (m_process.state() == QProcess::NotRunning) return false;
            m_process.waitForReadyRead(100);
        }
        return false;
    }

    /// The next line of output (the command log), or empty on a time-out.
    QByteArray nextLine() {
        QElapsedTimer clock;
        clock.start();
        while (!m_process.canReadLine() && clock.elapsed() < kTimeoutMs)
            m_process.waitForReadyRead(100);
        return m_process.canReadLine() ? m_process.readLine() : QByteArray();
    }

    QProcess& process() { return m_process; }
    QList<QByteArray> startLines() const { return m_startLines; }
    QString ptyPath() const { return m_ptyPath; }
    quint16 udpPort() const { return m_udpPort; }
    quint16 tcpPort() const { return m_tcpPort; }

private:
    QProcess m_process;
    QList<QByteArray> m_startLines;
    QString m_ptyPath;
    quint16 m_udpPort = 0;
    quint16 m_tcpPort = 0;
};

/// Reads from `fd` until `enough` says so or the time runs out.
QByteArray readFd(int fd, const std::function<bool(const QByteArray&)>& enough) {
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (!enough(got) && clock.elapsed() < kTimeoutMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            got.append(buffer, qsizetype(n));
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    return got;
}

bool writeFd(int fd, QByteArrayView bytes) {
    return ::write(fd, bytes.data(), std::size_t(bytes.size())) == ssize_t(bytes.size());
}

QByteArray udpExchange(QUdpSocket& socket, quint16 port, const QByteArray& command) {
    socket.writeDatagram(command, QHostAddress::LocalHost, port);
    QElapsedTimer clock;
    clock.start();
    while (!socket.hasPendingDatagrams() && clock.elapsed() < kTimeoutMs)
        socket.waitForReadyRead(100);
    return socket.hasPendingDatagrams() ? socket.receiveDatagram().data() : QByteArray("<none>");
}

}  // namespace

class TestSimProcess : public QObject {
    Q_OBJECT

private slots:
    void startupLines() {
        Sim sim;
        QVERIFY(sim.waitReady());
        const QList<QByteArray> lines = sim.startLines();
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("pty /dev/"));
        QVERIFY(lines[1].startsWith("udp 127.0.0.1:"));
        QVERIFY(lines[2].startsWith("tcp 127.0.0.1:"));
        QVERIFY(sim.udpPort() != 0 && sim.tcpPort() != 0);
        QVERIFY(QFileInfo(sim.ptyPath()).exists());
    }

    void udpOneDatagramEach_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<bool>("ok");
        QTest::newRow("DXYPV") << QByteArray("DXYPV") << QByteArray("< DXYPV ") << true;
        QTest::newRow("STAT") << QByteArray("STAT") << QByteArray("< STAT ") << true;
        QTest::newRow("NET PORT 8004")
            << QByteArray("NET PORT 8004") << QByteArray("< NET PORT 8004 1 1 ") << true;
        QTest::newRow("HOME 2,G") << QByteArray("HOME 2,G") << QByteArray("< HOME 2 OK") << true;
        QTest::newRow("unknown") << QByteArray("HELLO") << QByteArray("< HELLO ERROR") << false;
    }

    void udpOneDatagramEach() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, start);
        QFETCH(bool, ok);
        Sim sim;
        QVERIFY(sim.waitReady());
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, 0));
        const QByteArray reply = udpExchange(client, sim.udpPort(), command);
        QVERIFY2(reply.startsWith(start), reply.constData());
        QCOMPARE(reply.endsWith(" OK"), ok);
        QVERIFY(!reply.contains('\n') && !reply.contains('\r'));
        QVERIFY(reply.size() < 255);
        // Exactly one datagram came back.
        QSignalSpy more(&client, &QUdpSocket::readyRead);
        QVERIFY(!more.wait(300));
        QVERIFY(!client.hasPendingDatagrams());
    }

    void udpRepliesToEachSender() {
        Sim sim;
        QVERIFY(sim.waitReady());
        QUdpSocket a;
        QUdpSocket b;
        QVERIFY(a.bind(QHostAddress::LocalHost, 0));
        QVERIFY(b.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0));
        QCOMPARE(udpExchange(a, sim.udpPort(), "NAME ALPHA"), QByteArray("< NAME ALPHA OK"));
        // One tracker behind every link: b sees what a set.
        QCOMPARE(udpExchange(b, sim.udpPort(), "NAME"), QByteArray("< NAME ALPHA OK"));
        QVERIFY(!a.hasPendingDatagrams());
    }

    void udpKeepsAnswering() {
        Sim sim({"--no-pty"});
        QVERIFY(sim.waitReady());
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, 0));
        // Back to back, as a fast poller would: every command gets its answer.
        const QList<QByteArray> commands{"DXYPV", "STAT", "MOTSETUP", "NET CNT", "UAVGPS"};
        for (int i = 0; i < 3000; ++i) {
            const QByteArray& c = commands[i % commands.size()];
            const QByteArray reply = udpExchange(client, sim.udpPort(), c);
            QVERIFY2(reply.startsWith("< " + c + ' '), qPrintable(QString::number(i)));
        }
        // A burst larger than one read turn: the rest is announced again and answered.
        for (int i = 0; i < 200; ++i)
            client.writeDatagram("IP8", QHostAddress::LocalHost, sim.udpPort());
        int answered = 0;
        QElapsedTimer clock;
        clock.start();
        while (answered < 200 && clock.elapsed() < kTimeoutMs) {
            if (!client.hasPendingDatagrams()) client.waitForReadyRead(100);
            while (client.hasPendingDatagrams())
                answered += client.receiveDatagram().data() == "< IP8 OK";
        }
        QCOMPARE(answered, 200);
    }

    void tcpOneWriteEach() {
        Sim sim;
        QVERIFY(sim.waitReady());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, sim.tcpPort());
        QVERIFY(client.waitForConnected(kTimeoutMs));
        const QList<QByteArray> commands{"ID", "DX 30.5", "OFFSET 12.3 -0.5", "NET CNT"};
        const QList<QByteArray> starts{"< ID MERLAN ", "< DX 305 OK", "< OFFSET 123 -5 OK",
                                       "< NET CNT "};
        for (qsizetype i = 0; i < commands.size(); ++i) {
            client.write(commands[i]);
            QByteArray reply;
            QElapsedTimer clock;
            clock.start();
            while (!reply.endsWith(" OK") && clock.elapsed() < kTimeoutMs) {
                client.waitForReadyRead(100);
                reply += client.readAll();
            }
            QVERIFY2(reply.startsWith(starts[i]) && reply.endsWith(" OK"), reply.constData());
        }
        // The TCP port's counters moved with the four commands (row 8004, fields 11 and 12).
        client.write("NET CNT");
        QTRY_VERIFY_WITH_TIMEOUT(client.bytesAvailable() > 0, kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(client.peek(300).endsWith(" OK"), kTimeoutMs);
        const QList<QByteArray> w = client.readAll().split(' ');
        QCOMPARE(w.value(11), QByteArray("5"));
        QCOMPARE(w.value(12), QByteArray("4"));
    }

    void ptyFraming() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("ttyMERLAN"));
        Sim sim({"--pty-link", link});
        QVERIFY(sim.waitReady());
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());

        // Open, talk, close and open again: the line survives the application's close.
        for (int round = 0; round < 2; ++round) {
            const int fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY);
            QVERIFY(fd >= 0);
            QVERIFY(writeFd(fd, "@PC>25 STAT"));
            const QByteArray one =
                readFd(fd, [](const QByteArray& b) { return b.endsWith("@25<PC"); });
            QVERIFY2(one.startsWith("< STAT ") && one.endsWith(" OK@25<PC"), one.constData());
            QCOMPARE(one.count("@25<PC"), 1);
            QVERIFY(one.size() <= 255);

            QVERIFY(writeFd(fd, "@PC>25 DXYPV@PC>25 BOGUS"));
            const QByteArray two =
                readFd(fd, [](const QByteArray& b) { return b.count("@25<PC") == 2; });
            QVERIFY2(two.startsWith("< DXYPV ") && two.contains(" OK@25<PC< BOGUS ERROR@25<PC"),
                     two.constData());
            QVERIFY(two.endsWith("@25<PC"));
            ::close(fd);
        }

        sim.process().terminate();
        QVERIFY(sim.process().waitForFinished(kTimeoutMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    }

    void ptyLinkReplacesOldLinkOnly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString link = dir.filePath(QStringLiteral("old"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), link));
        {
            Sim sim({"--pty-link", link});
            QVERIFY(sim.waitReady());
            QCOMPARE(QFileInfo(link).symLinkTarget(), sim.ptyPath());
        }
        const QString file = dir.filePath(QStringLiteral("file"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        Sim refused({"--pty-link", file});
        QVERIFY(!refused.waitReady());
        QTRY_COMPARE_WITH_TIMEOUT(refused.process().state(), QProcess::NotRunning, kTimeoutMs);
        QVERIFY(refused.process().exitCode() != 0);
        QVERIFY(QFileInfo(file).isFile());
    }

    void logLines() {
        Sim sim({"--no-pty", "--log"});
        QVERIFY(sim.waitReady());
        QCOMPARE(sim.startLines().size(), 3);
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, 0));
        udpExchange(client, sim.udpPort(), "DXYPV");
        QCOMPARE(sim.nextLine(), QByteArray("udp 5 DXYPV\n"));
        udpExchange(client, sim.udpPort(), QByteArray("A\r\n\0", 4));
        QCOMPARE(sim.nextLine(), QByteArray("udp 4 A\\r\\n\\x00\n"));
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("success");
        QTest::newRow("help") << QStringList{"--help"} << true;
        QTest::newRow("bad port") << QStringList{"--udp-port", "70000"} << false;
        QTest::newRow("port text") << QStringList{"--tcp-port", "x"} << false;
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << false;
        QTest::newRow("link without pty")
            << QStringList{"--no-pty", "--pty-link", "/tmp/x"} << false;
        QTest::newRow("offset text") << QStringList{"--pointing-offset", "5x"} << false;
        QTest::newRow("offset NaN") << QStringList{"--pointing-offset", "nan"} << false;
        QTest::newRow("offset infinite") << QStringList{"--pointing-offset", "-inf"} << false;
        QTest::newRow("offset missing") << QStringList{"--pointing-offset"} << false;
    }

    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, success);
        QProcess p;
        p.start(QStringLiteral(ATS_SIM_PATH), arguments);
        QVERIFY(p.waitForFinished(kTimeoutMs));
        QCOMPARE(p.exitCode() == 0, success);
        if (success) QVERIFY(p.readAllStandardOutput().contains("--pty-link"));
    }

    void pointingOffset() {
        // The antenna's azimuth against the line of sight from the replies' own positions. The
        // antenna re-aims with each command; a slow exchange may catch it behind the vehicle.
        Sim sim({"--no-pty", "--pointing-offset", "-7.5"});
        QVERIFY(sim.waitReady());
        QUdpSocket client;
        QVERIFY(client.bind(QHostAddress::LocalHost, 0));
        const QList<QByteArray> s = udpExchange(client, sim.udpPort(), "STAT").split(' ');
        QVERIFY(s.size() > 10);
        double difference = 0;
        for (int attempt = 0; attempt < 20 && std::abs(difference + 7.5) >= 0.5; ++attempt) {
            const QList<QByteArray> p = udpExchange(client, sim.udpPort(), "DXYPV").split(' ');
            QVERIFY(p.size() > 7);
            const auto sight = tracking::lineOfSight(
                {s[7].toDouble() * 1e-7, s[8].toDouble() * 1e-7, s[9].toDouble()},
                {p[4].toDouble() * 1e-7, p[5].toDouble() * 1e-7, p[6].toDouble()});
            QVERIFY(sight && sight->hasDirection);
            difference = std::remainder(p[2].toDouble() / 10.0 - sight->azimuthDeg, 360.0);
        }
        QVERIFY2(std::abs(difference + 7.5) < 0.5, qPrintable(QString::number(difference)));
    }

    void stopsOnSigint() {
        Sim sim({"--no-pty"});
        QVERIFY(sim.waitReady());
        QVERIFY(::kill(pid_t(sim.process().processId()), SIGINT) == 0);
        QVERIFY(sim.process().waitForFinished(kTimeoutMs));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_sim_process.moc"
