#include "DeviceLink.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QSerialPort>
#include <QTcpSocket>
#include <QPointer>
#include <QUdpSocket>

#include <sys/socket.h>
#include <cerrno>
#include <utility>

namespace {

/// The tracker's address: a dotted IPv4 address, or a host name looked up for IPv4.
QHostAddress resolveIpv4(const QString& text)
{
    QHostAddress a;
    if (a.setAddress(text.trimmed())) return a.protocol() == QAbstractSocket::IPv4Protocol ? a : QHostAddress();
    if (text.trimmed().isEmpty()) return {};
    const QHostInfo info = QHostInfo::fromName(text.trimmed());
    for (const QHostAddress& candidate : info.addresses())
        if (candidate.protocol() == QAbstractSocket::IPv4Protocol) return candidate;
    return {};
}

}  // namespace

DeviceLink::DeviceLink(QObject* parent) : QObject(parent) {}

DeviceLink::~DeviceLink()
{
    closeNetwork();
    closeSerial();
}

bool DeviceLink::openSerial(const QString& portPath)
{
    closeSerial();
    m_serial = new QSerialPort(this);
    m_serial->setPortName(portPath);
    m_serial->setReadBufferSize(kSerialQueueBytes);
    if (!configureSerial()) {
        delete m_serial;
        m_serial = nullptr;
        return false;
    }
    // Once the far side hangs up, every read fails at once and the port's notifier would fire
    // without end: close the device then, and reopen it when it comes back (recover()).
    connect(m_serial, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ReadError || e == QSerialPort::ResourceError) serialFailed();
    });
    return true;
}

bool DeviceLink::configureSerial()
{
    if (m_serial->open(QIODevice::ReadWrite) && m_serial->setBaudRate(QSerialPort::Baud115200) &&
        m_serial->setDataBits(QSerialPort::Data8) && m_serial->setParity(QSerialPort::NoParity) &&
        m_serial->setStopBits(QSerialPort::OneStop) && m_serial->setFlowControl(QSerialPort::NoFlowControl))
        return true;
    m_serial->close();
    return false;
}

void DeviceLink::serialFailed()
{
    // Not from inside the port's own notifier: it is deleted when the port closes.
    QMetaObject::invokeMethod(this, [this, port = QPointer<QSerialPort>(m_serial)] {
        if (!port || port != m_serial || !port->isOpen()) return;
        port->close();
        m_lastAttempt.start();
    }, Qt::QueuedConnection);
}

void DeviceLink::closeSerial()
{
    if (!m_serial) return;
    m_serial->disconnect(this);
    m_serial->close();
    delete m_serial;
    m_serial = nullptr;
}

qint64 DeviceLink::serialQueued() const { return m_serial && m_serial->isOpen() ? m_serial->bytesAvailable() : 0; }

QByteArray DeviceLink::readSerial(qint64 maxBytes)
{
    return m_serial && m_serial->isOpen() ? m_serial->read(maxBytes) : QByteArray();
}

void DeviceLink::recover()
{
    const bool due = !m_lastAttempt.isValid() || m_lastAttempt.elapsed() >= kRecoverPeriodMs;
    if (m_serial && !m_serial->isOpen() && due) {
        m_lastAttempt.start();
        configureSerial();
    }
    auto* tcp = qobject_cast<QTcpSocket*>(m_socket);
    if (!tcp) return;
    if (tcp->state() == QAbstractSocket::UnconnectedState && due) {
        m_lastAttempt.start();
        if (tcp->bind(m_local, m_localPort, QAbstractSocket::ReuseAddressHint))
            tcp->connectToHost(m_remote, m_remotePort);
    } else if (tcp->state() != QAbstractSocket::ConnectedState &&
               m_lastAttempt.elapsed() >= kTcpConnectTimeoutMs) {
        tcp->abort();  // a tracker that listens but never answers: try again later
    }
}

QString DeviceLink::localAddress()
{
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && a != QHostAddress(QHostAddress::LocalHost))
            return a.toString();
    }
    return QStringLiteral("0.0.0.0");
}

bool DeviceLink::openNetwork(LinkKind kind, const QString& address, qint64 remotePort, qint64 localPort)
{
    closeNetwork();
    if (kind != LinkKind::Udp && kind != LinkKind::Tcp) return false;
    if (remotePort < 1 || remotePort > 65534) return false;
    if (localPort < 0 || localPort > 65535) return false;
    const QHostAddress remote = resolveIpv4(address);
    if (remote.isNull()) return false;
    // A tracker on this computer is reached from loopback; any other from the LAN address.
    const QHostAddress local = remote.isLoopback() ? QHostAddress(QHostAddress::LocalHost)
                                                   : QHostAddress(localAddress());

    QAbstractSocket* socket = nullptr;
    if (kind == LinkKind::Udp) socket = new QUdpSocket(this);
    else socket = new QTcpSocket(this);
    // The tracker is reached directly, never through a proxy the desktop may be configured with.
    socket->setProxy(QNetworkProxy::NoProxy);
    // A UDP port already in use must fail; a TCP port left in TIME_WAIT by our last link may
    // be taken again.
    const auto share = kind == LinkKind::Udp ? QAbstractSocket::DontShareAddress
                                             : QAbstractSocket::ReuseAddressHint;
    bool ok = socket->bind(local, quint16(localPort), share);
    if (ok) {
        socket->connectToHost(remote, quint16(remotePort));
        ok = socket->state() == QAbstractSocket::ConnectedState ||
             socket->waitForConnected(kTcpConnectTimeoutMs);
    }
    if (!ok) {
        socket->abort();
        delete socket;
        return false;
    }
    connect(socket, &QIODevice::readyRead, this, &DeviceLink::networkActivity);
    // The tracker hung up or reset the connection. That is no failed read (nothing was
    // announced to read) and shows nothing; recover() connects again a second later.
    connect(socket, &QAbstractSocket::disconnected, this, [this] { m_lastAttempt.start(); });
    m_socket = socket;
    m_readFailed = false;
    ++m_networkOpenCount;
    m_local = local;
    m_remote = remote;
    m_localPort = quint16(localPort);
    m_remotePort = quint16(remotePort);
    m_lastAttempt.invalidate();
    return true;
}

void DeviceLink::closeNetwork()
{
    m_readFailed = false;
    if (!m_socket) return;
    QAbstractSocket* s = m_socket;
    m_socket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

bool DeviceLink::networkDataPending()
{
    if (!m_socket) return false;
    if (m_readFailed) return true;
    if (qobject_cast<QUdpSocket*>(m_socket)) {
        // A peek, so that an error the socket holds (port unreachable) is seen as a failed read.
        char c;
        const ssize_t n = ::recv(int(m_socket->socketDescriptor()), &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) m_readFailed = true;
        return n >= 0 || m_readFailed;
    }
    return m_socket->bytesAvailable() > 0;
}

qint64 DeviceLink::readNetwork(char* buffer, qint64 maxBytes)
{
    if (!m_socket) return -1;
    if (auto* udp = qobject_cast<QUdpSocket*>(m_socket)) {
        if (std::exchange(m_readFailed, false)) return -1;
        return udp->readDatagram(buffer, maxBytes);
    }
    return m_socket->read(buffer, maxBytes);
}

QByteArray DeviceLink::send(const QString& text)
{
    QByteArray bytes;
    switch (m_kind) {
    case LinkKind::None:
        break;
    case LinkKind::Serial:
        if (m_serial && m_serial->isOpen()) {
            bytes = (serialPrefix + u' ' + text).toLatin1();
            m_serial->write(bytes);
            m_serial->flush();
        }
        break;
    case LinkKind::Udp:
    case LinkKind::Tcp:
        if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState) {
            bytes = text.toLatin1();
            m_socket->write(bytes);
            m_socket->flush();
        }
        break;
    }
    return bytes;
}
