#pragma once
// Helpers for the console's tests: a started console in a private folder, real loopback
// peers, a real pseudo-terminal, the simulator as a process, and answers to message boxes.
// Every wait has a time-out.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMessageBox>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <functional>
#include <memory>
#include <optional>

#include "App.h"

namespace testsupport {

inline constexpr int kTimeoutMs = 10000;

/// Runs the event loop until `condition` holds or `timeoutMs` passes; returns the condition.
bool waitFor(const std::function<bool()>& condition, int timeoutMs = kTimeoutMs);

/// The nine lines of a settings file, written with CR LF.
void writeSettings(const QString& resourceDir, const QStringList& lines);
/// The file's raw bytes; empty when it does not exist.
QByteArray readFileBytes(const QString& path);

/// A console started in a private resource folder. `prepare` runs before start-up (to place
/// a settings file, for instance).
class ConsoleFixture {
public:
    explicit ConsoleFixture(std::function<void(const QString& resourceDir)> prepare = {},
                            std::optional<LinkKind> connect = std::nullopt);
    ~ConsoleFixture();

    App& app() { return *m_app; }
    Controls& controls() { return m_app->controls(); }
    /// Ends with a separator.
    QString resourceDir() const { return m_dir.path() + u'/'; }
    QString settingsPath() const { return resourceDir() + QStringLiteral("SETUP_TAVO_MERLAN.txt"); }

    /// The UDP row of the dialog aimed at 127.0.0.1:`remotePort` from a free local port.
    void aimUdp(quint16 remotePort);
    void aimTcp(quint16 remotePort);

    /// A real click on control `control` (its window is activated first).
    void click(int control);
    /// Moves the keyboard focus into control `control` through its window.
    void focus(int control);
    /// Focus, then the text typed key by key as an operator would (textEdited fires).
    void type(int control, const QString& text);
    /// Return pressed in control `control` (focus moves there first).
    void pressReturn(int control);
    /// The operator chooses item `item` in a combo box (`activated` fires).
    void choose(int control, int item);

    /// Console lines, banner first.
    QStringList consoleLines() const { return m_app->console().lines(); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<App> m_app;
};

/// Answers message boxes as they appear, in order, and remembers what they said. A box with
/// no answer queued stays up until the test's wait times out (and is then closed with its
/// escape button, so that a failing test does not hang).
class BoxAnswerer : public QObject {
public:
    struct Seen {
        QString title;
        QString text;
    };
    BoxAnswerer();
    ~BoxAnswerer() override;

    void answer(QMessageBox::StandardButton button) { m_answers << button; }
    const QList<Seen>& seen() const { return m_seen; }
    bool waitSeen(int count, int timeoutMs = kTimeoutMs);

private:
    void poll();
    QList<QMessageBox::StandardButton> m_answers;
    QList<Seen> m_seen;
    QTimer* m_timer;
};

/// A UDP peer on 127.0.0.1 that records every datagram and can answer its sender.
class UdpPeer {
public:
    /// Bound to `port` on 127.0.0.1 (0: a free one).
    explicit UdpPeer(quint16 port = 0);
    quint16 port() const { return m_socket.localPort(); }
    /// Reads what has arrived and returns all datagrams so far.
    const QList<QByteArray>& datagrams();
    bool waitForDatagrams(int count, int timeoutMs = kTimeoutMs);
    /// Sends `bytes` as one datagram to the last sender.
    void reply(const QByteArray& bytes);
    /// Forgets every datagram, those still waiting in the socket included.
    void clear()
    {
        datagrams();
        m_datagrams.clear();
    }

private:
    QUdpSocket m_socket;
    QList<QByteArray> m_datagrams;
    QHostAddress m_senderAddress;
    quint16 m_senderPort = 0;
};

/// A TCP server on 127.0.0.1 with at most one client.
class TcpPeer {
public:
    TcpPeer();
    quint16 port() const { return m_server.serverPort(); }
    bool waitForClient(int timeoutMs = kTimeoutMs);
    /// Reads what has arrived and returns every byte received so far.
    const QByteArray& received();
    bool waitForBytes(int count, int timeoutMs = kTimeoutMs);
    void send(const QByteArray& bytes);
    QTcpSocket* client() const { return m_client; }

private:
    QTcpServer m_server;
    QTcpSocket* m_client = nullptr;
    QByteArray m_received;
};

/// A pseudo-terminal: the console opens `slavePath()` as its serial port, the test reads and
/// writes the master side. `linkInto(dir, "COM7")` makes the name the console maps to it.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    bool isValid() const { return m_master >= 0; }
    QString slavePath() const { return m_slavePath; }
    bool linkInto(const QString& resourceDir, const QString& name) const;
    /// What the console wrote so far (waits until at least `count` bytes or the time-out).
    QByteArray readAtLeast(int count, int timeoutMs = kTimeoutMs);
    void write(const QByteArray& bytes);

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

/// The tracker simulator as a process on system-chosen loopback ports, logging what it gets.
class SimProcess {
public:
    explicit SimProcess(QStringList extraArguments = {});
    ~SimProcess();
    bool isReady() const { return m_ready; }
    quint16 udpPort() const { return m_udpPort; }
    quint16 tcpPort() const { return m_tcpPort; }
    QString ptyPath() const { return m_ptyPath; }
    /// The commands logged so far, as the simulator escapes them ("udp 5 DXYPV" -> "DXYPV").
    QStringList commands();
    bool waitForCommand(const QString& command, int timeoutMs = kTimeoutMs);

private:
    void readLines();
    QProcess m_process;
    bool m_ready = false;
    quint16 m_udpPort = 0;
    quint16 m_tcpPort = 0;
    QString m_ptyPath;
    QStringList m_commands;
};

/// A reply as the tracker frames it: "< " + text (network) or "< " + text + "@25<PC" (serial).
QByteArray networkReply(const QByteArray& text);
QByteArray serialReply(const QByteArray& text);

/// A loopback port that nothing listens on right now.
quint16 freeUdpPort();
quint16 freeTcpPort();

}  // namespace testsupport

namespace testsupport {

/// A console whose UDP link is open to a UdpPeer on loopback. With `pollingOn` false the
/// ON/OFF button is clicked before the link opens, so nothing goes out but the keep-alive and
/// what the test makes the console send.
class UdpConsole {
public:
    explicit UdpConsole(bool pollingOn = true, std::function<void(const QString&)> prepare = {});

    ConsoleFixture& fixture() { return m_fixture; }
    App& app() { return m_fixture.app(); }
    Controls& controls() { return m_fixture.controls(); }
    UdpPeer& peer() { return m_peer; }
    bool isLinked() { return app().link().kind() == LinkKind::Udp; }

    /// Every datagram the peer received so far except the keep-alive "IP8".
    QList<QByteArray> sent();
    bool waitForSent(int count, int timeoutMs = kTimeoutMs);
    /// One block handed to the receive path as the network read delivers it ("< " + text).
    void feed(const QByteArray& text);
    /// The peer sends "< " + text as one datagram to the console; waits until it was parsed.
    /// The peer must have heard from the console first (any command).
    bool reply(const QByteArray& text, int timeoutMs = kTimeoutMs);

private:
    UdpPeer m_peer;
    ConsoleFixture m_fixture;
};

}  // namespace testsupport
