#pragma once
// The one link to the tracker: a serial port, a UDP socket or a TCP connection. It moves bytes
// only; framing and replies are the receive path's business.

#include <QByteArray>
#include <QObject>
#include <QString>

class QAbstractSocket;
class QSerialPort;

enum class LinkKind : int { None = 0, Serial = 1, Udp = 2, Tcp = 3 };

class DeviceLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kTcpConnectTimeoutMs = 5000;
    static constexpr int kSerialQueueBytes = 1024;

    explicit DeviceLink(QObject* parent = nullptr);
    ~DeviceLink() override;

    /// The kind of the open link; the connection dialog sets it as links open and close.
    LinkKind kind() const { return m_kind; }
    void setKind(LinkKind kind) { m_kind = kind; }

    /// Put before every serial command, followed by one blank.
    QString serialPrefix;

    bool openSerial(const QString& portPath);  ///< 115200 baud, 8N1, no handshake
    void closeSerial();
    bool serialOpen() const;
    qint64 serialQueued() const;
    QByteArray readSerial(qint64 maxBytes);

    /// Opens a UDP or TCP connection to address:remotePort from localPort (0: any). The remote
    /// port must be 1..65534. TCP waits at most 5 s for the connection.
    bool openNetwork(LinkKind kind, const QString& address, qint64 remotePort, qint64 localPort);
    void closeNetwork();
    bool hasNetworkConnection() const { return m_socket != nullptr; }
    /// Without waiting: a datagram (UDP) or bytes (TCP) are there to read.
    bool networkDataPending() const;
    /// One read: a datagram (cut to `maxBytes`) or what the stream holds, up to `maxBytes`.
    /// 0 or less when nothing could be read.
    qint64 readNetwork(char* buffer, qint64 maxBytes);

    /// `SendCommand`'s transport step: the text as 8-bit text in one write, no terminator;
    /// over serial behind the prefix and one blank. Nothing goes out without an open link.
    /// Returns the bytes handed to the link (empty when nothing went out).
    QByteArray send(const QString& text);

    /// The computer's first IPv4 address other than 127.0.0.1, or "0.0.0.0" when it has none.
    static QString localAddress();

signals:
    /// The network connection has something to read (or a read notification to re-arm).
    void networkActivity();

private:
    LinkKind m_kind = LinkKind::None;
    QSerialPort* m_serial = nullptr;
    QAbstractSocket* m_socket = nullptr;
};
