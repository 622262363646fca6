#pragma once
// The tracker's serial line as a pseudo-terminal. The application opens the slave side like a
// serial port; the simulator keeps its own descriptor of the slave open, so that the master
// never sees a hang-up when the application closes and reopens it.

#include <QObject>
#include <QString>

class QSocketNotifier;
class Responder;

class PtyEndpoint : public QObject {
    Q_OBJECT
public:
    explicit PtyEndpoint(Responder& responder, QObject* parent = nullptr);
    ~PtyEndpoint() override;

    /// Creates the pty in raw mode; with a `linkPath`, also a symbolic link there to the slave,
    /// replacing an old symbolic link (never any other file). False with `error` on failure.
    bool open(const QString& linkPath, QString* error);
    QString slavePath() const { return m_slavePath; }

private:
    void readMaster();
    void writeMaster(const QByteArray& bytes);
    void close();

    Responder& m_responder;
    int m_master = -1;
    int m_slave = -1;
    QSocketNotifier* m_notifier = nullptr;
    QString m_slavePath;
    QString m_linkPath;
};
