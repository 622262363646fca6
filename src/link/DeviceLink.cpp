#include "DeviceLink.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QNetworkProxy>
#include <QSerialPort>
#include <QTcpSocket>
#include <QUdpSocket>

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
    auto* port = new QSerialPort(this);
    port->setPortName(portPath);
    port->setReadBufferSize(kSerialQueueBytes);
    if (!port->open(QIODevice::ReadWrite) || !port->setBaudRate(QSerialPort::Baud115200) ||
        !port->setDataBits(QSerialPort::Data8) || !port->setParity(QSerialPort::NoParity) ||
        !port->setStopBits(QSerialPort::OneStop) || !port->setFlowControl(QSerialPort::NoFlowControl)) {
        delete port;
        return false;
    }
    m_serial = port;
    return true;
}

void DeviceLink::closeSerial()
{
    if (!m_serial) return;
    m_serial->close();
    delete m_serial;
    m_serial = nullptr;
}

bool DeviceLink::serialOpen() const { return m_serial && m_serial->isOpen(); }

qint64 DeviceLink::serialQueued() const { return serialOpen() ? m_serial->bytesAvailable() : 0; }

QByteArray DeviceLink::readSerial(qint64 maxBytes)
{
    return serialOpen() ? m_serial->read(maxBytes) : QByteArray();
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
    m_socket = socket;
    return true;
}

void DeviceLink::closeNetwork()
{
    if (!m_socket) return;
    QAbstractSocket* s = m_socket;
    m_socket = nullptr;
    s->disconnect(this);
    s->abort();
    s->deleteLater();
}

bool DeviceLink::networkDataPending() const
{
    if (!m_socket) return false;
    if (auto* udp = qobject_cast<QUdpSocket*>(m_socket)) return udp->hasPendingDatagrams();
    return m_socket->bytesAvailable() > 0;
}

qint64 DeviceLink::readNetwork(char* buffer, qint64 maxBytes)
{
    if (!m_socket) return -1;
    if (auto* udp = qobject_cast<QUdpSocket*>(m_socket)) return udp->readDatagram(buffer, maxBytes);
    return m_socket->read(buffer, maxBytes);
}

void DeviceLink::send(const QString& text)
{
    switch (m_kind) {
    case LinkKind::None:
        return;
    case LinkKind::Serial:
        if (serialOpen()) {
            m_serial->write((serialPrefix + u' ' + text).toLatin1());
            m_serial->flush();
        }
        return;
    case LinkKind::Udp:
    case LinkKind::Tcp:
        if (m_socket) {
            m_socket->write(text.toLatin1());
            m_socket->flush();
        }
        return;
    }
}
