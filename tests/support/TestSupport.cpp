#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QNetworkDatagram>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include "ConnectionDialog.h"
#include "TrackingWindow.h"

namespace testsupport {

bool waitFor(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qSleep(1);
    }
    return true;
}

void writeSettings(const QString& resourceDir, const QStringList& lines)
{
    QFile f(resourceDir + QStringLiteral("SETUP_TAVO_MERLAN.txt"));
    if (!f.open(QIODevice::WriteOnly)) return;
    for (const QString& l : lines) f.write(l.toUtf8() + "\r\n");
}

QByteArray readFileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

ConsoleFixture::ConsoleFixture(std::function<void(const QString&)> prepare, std::optional<LinkKind> connect)
{
    if (prepare) prepare(resourceDir());
    AppOptions options;
    options.resourceDirectory = m_dir.path();
    options.connect = connect;
    // The Tracking window built in, instead of loaded from the module beside the console.
    options.trackingView = [](EventSink sink) { return new TrackingWindow(std::move(sink)); };
    m_app = std::make_unique<App>(std::move(options));
    m_app->start();
}

ConsoleFixture::~ConsoleFixture()
{
    m_app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ConsoleFixture::aimUdp(quint16 remotePort)
{
    controls().setText(ConnectionDialog::kUdpIp, QStringLiteral("127.0.0.1"));
    controls().setText(ConnectionDialog::kUdpLocal, QString::number(freeUdpPort()));
    controls().setText(ConnectionDialog::kUdpRemote, QString::number(remotePort));
}

void ConsoleFixture::aimTcp(quint16 remotePort)
{
    controls().setText(ConnectionDialog::kTcpIp, QStringLiteral("127.0.0.1"));
    controls().setText(ConnectionDialog::kTcpLocal, QStringLiteral("0"));
    controls().setText(ConnectionDialog::kTcpRemote, QString::number(remotePort));
}

static void activate(QWidget* w)
{
    QWidget* window = w->window();
    window->activateWindow();
    QApplication::setActiveWindow(window);
}

void ConsoleFixture::click(int control)
{
    QWidget* w = controls().widget(control);
    if (!w) return;
    activate(w);
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
    } else {
        QTest::mouseClick(w, Qt::LeftButton);
    }
}

void ConsoleFixture::focus(int control)
{
    QWidget* w = controls().widget(control);
    if (!w) return;
    activate(w);
    w->setFocus(Qt::MouseFocusReason);
    waitFor([w] { return QApplication::focusWidget() == w; }, 2000);
}

void ConsoleFixture::type(int control, const QString& text)
{
    focus(control);
    if (auto* edit = qobject_cast<QLineEdit*>(controls().widget(control))) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
}

void ConsoleFixture::pressReturn(int control)
{
    focus(control);
    QWidget* w = QApplication::focusWidget();
    if (w) QTest::keyClick(w, Qt::Key_Return);
}

void ConsoleFixture::choose(int control, int item)
{
    auto* combo = qobject_cast<QComboBox*>(controls().widget(control));
    if (!combo) return;
    focus(control);
    combo->setCurrentIndex(item);
    emit combo->activated(item);  // what a selection in the open list reports
}

BoxAnswerer::BoxAnswerer() : m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &BoxAnswerer::poll);
    m_timer->start(10);
}

BoxAnswerer::~BoxAnswerer()
{
    // A box nobody answered would block the next test: close it.
    for (int i = 0; i < 50; ++i) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) break;
        box->done(QMessageBox::No);
        QCoreApplication::processEvents();
    }
}

void BoxAnswerer::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || box->property("ats-seen").toBool()) return;
    if (m_answers.isEmpty()) return;
    box->setProperty("ats-seen", true);
    m_seen << Seen{box->windowTitle(), box->text()};
    const QMessageBox::StandardButton answer = m_answers.takeFirst();
    if (QAbstractButton* b = box->button(answer)) b->click();
    else box->done(answer);
}

bool BoxAnswerer::waitSeen(int count, int timeoutMs)
{
    return waitFor([this, count] { return m_seen.size() >= count; }, timeoutMs);
}

UdpPeer::UdpPeer(quint16 port) { m_socket.bind(QHostAddress::LocalHost, port); }

const QList<QByteArray>& UdpPeer::datagrams()
{
    while (m_socket.hasPendingDatagrams()) {
        const QNetworkDatagram d = m_socket.receiveDatagram(65536);
        if (!d.isValid()) break;
        m_senderAddress = d.senderAddress();
        m_senderPort = quint16(d.senderPort());
        m_datagrams << d.data();
    }
    return m_datagrams;
}

bool UdpPeer::waitForDatagrams(int count, int timeoutMs)
{
    return waitFor([this, count] { return datagrams().size() >= count; }, timeoutMs);
}

void UdpPeer::reply(const QByteArray& bytes)
{
    datagrams();
    m_socket.writeDatagram(bytes, m_senderAddress, m_senderPort);
}

TcpPeer::TcpPeer() { m_server.listen(QHostAddress::LocalHost, 0); }

bool TcpPeer::waitForClient(int timeoutMs)
{
    return waitFor(
        [this] {
            if (!m_client && m_server.hasPendingConnections()) m_client = m_server.nextPendingConnection();
            return m_client != nullptr;
        },
        timeoutMs);
}

const QByteArray& TcpPeer::received()
{
    if (!m_client && m_server.hasPendingConnections()) m_client = m_server.nextPendingConnection();
    if (m_client) m_received += m_client->readAll();
    return m_received;
}

bool TcpPeer::waitForBytes(int count, int timeoutMs)
{
    return waitFor([this, count] { return received().size() >= count; }, timeoutMs);
}

void TcpPeer::send(const QByteArray& bytes)
{
    if (!m_client) return;
    m_client->write(bytes);
    m_client->flush();
}

PtyPair::PtyPair()
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    termios t{};
    if (::tcgetattr(m_slave, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(m_slave, TCSANOW, &t);
    }
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair()
{
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
}

bool PtyPair::linkInto(const QString& resourceDir, const QString& name) const
{
    const QString link = resourceDir + name;
    QFile::remove(link);
    return QFile::link(m_slavePath, link);
}

QByteArray PtyPair::readAtLeast(int count, int timeoutMs)
{
    QByteArray out;
    waitFor(
        [&] {
            char buf[4096];
            for (int i = 0; i < 64; ++i) {
                const ssize_t n = ::read(m_master, buf, sizeof buf);
                if (n <= 0) break;
                out.append(buf, n);
            }
            return out.size() >= count;
        },
        timeoutMs);
    return out;
}

void PtyPair::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    for (int i = 0; i < 1000 && done < bytes.size(); ++i) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) done += n;
        else {
            pollfd p{m_master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

SimProcess::SimProcess(QStringList extra)
{
    m_process.setProgram(QStringLiteral(ATS_SIM_PATH));
    m_process.setArguments(QStringList{"--udp-port", "0", "--tcp-port", "0", "--log"} + extra);
    m_process.start();
    QElapsedTimer clock;
    clock.start();
    while (!m_ready && clock.elapsed() < kTimeoutMs && m_process.state() != QProcess::NotRunning) {
        m_process.waitForReadyRead(100);
        readLines();
    }
}

SimProcess::~SimProcess()
{
    if (m_process.state() == QProcess::NotRunning) return;
    m_process.terminate();
    if (!m_process.waitForFinished(kTimeoutMs)) m_process.kill();
    m_process.waitForFinished(kTimeoutMs);
}

void SimProcess::readLines()
{
    while (m_process.canReadLine()) {
        const QByteArray line = m_process.readLine().trimmed();
        if (!m_ready) {
            if (line == "ready") m_ready = true;
            else if (line.startsWith("pty ")) m_ptyPath = QString::fromLocal8Bit(line.mid(4));
            else if (line.startsWith("udp 127.0.0.1:")) m_udpPort = quint16(line.mid(14).toUInt());
            else if (line.startsWith("tcp 127.0.0.1:")) m_tcpPort = quint16(line.mid(14).toUInt());
            continue;
        }
        // "<link> <count> <bytes>"
        const qsizetype a = line.indexOf(' ');
        const qsizetype b = a < 0 ? -1 : line.indexOf(' ', a + 1);
        m_commands << QString::fromLatin1(b < 0 ? QByteArray() : line.mid(b + 1));
    }
}

QStringList SimProcess::commands()
{
    readLines();
    return m_commands;
}

bool SimProcess::waitForCommand(const QString& command, int timeoutMs)
{
    return waitFor([&] { return commands().contains(command); }, timeoutMs);
}

QByteArray networkReply(const QByteArray& text) { return "< " + text; }
QByteArray serialReply(const QByteArray& text) { return "< " + text + "@25<PC"; }

quint16 freeUdpPort()
{
    QUdpSocket s;
    s.bind(QHostAddress::LocalHost, 0);
    return s.localPort();
}

quint16 freeTcpPort()
{
    QTcpServer s;
    s.listen(QHostAddress::LocalHost, 0);
    return s.serverPort();
}

}  // namespace testsupport

namespace testsupport {

UdpConsole::UdpConsole(bool pollingOn, std::function<void(const QString&)> prepare)
    : m_fixture(std::move(prepare))
{
    if (!pollingOn) m_fixture.click(34);
    m_fixture.aimUdp(m_peer.port());
    m_fixture.click(ConnectionDialog::kUdpButton);
}

QList<QByteArray> UdpConsole::sent()
{
    QList<QByteArray> out;
    for (const QByteArray& d : m_peer.datagrams())
        if (d != "IP8") out << d;
    return out;
}

bool UdpConsole::waitForSent(int count, int timeoutMs)
{
    return waitFor([this, count] { return sent().size() >= count; }, timeoutMs);
}

void UdpConsole::feed(const QByteArray& text)
{
    app().processReceivedChunk(networkReply(text));
}

bool UdpConsole::reply(const QByteArray& text, int timeoutMs)
{
    const int before = app().repliesHandled();
    m_peer.reply(networkReply(text));
    return waitFor([this, before] { return app().repliesHandled() > before; }, timeoutMs);
}

}  // namespace testsupport
