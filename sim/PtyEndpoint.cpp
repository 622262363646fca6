#include "PtyEndpoint.h"

#include "Responder.h"
#include "SerialFraming.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

namespace {

QString systemError(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

}  // namespace

PtyEndpoint::PtyEndpoint(Responder& responder, QObject* parent)
    : QObject(parent), m_responder(responder) {}

PtyEndpoint::~PtyEndpoint() {
    close();
}

bool PtyEndpoint::open(const QString& linkPath, QString* error) {
    auto fail = [&](const QString& message) {
        if (error) *error = message;
        close();
        return false;
    };
    if (openpty(&m_master, &m_slave, nullptr, nullptr, nullptr) != 0)
        return fail(systemError("openpty"));
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    termios mode{};
    if (tcgetattr(m_slave, &mode) != 0) return fail(systemError("tcgetattr"));
    cfmakeraw(&mode);
    cfsetispeed(&mode, B115200);
    cfsetospeed(&mode, B115200);
    if (tcsetattr(m_slave, TCSANOW, &mode) != 0) return fail(systemError("tcsetattr"));

    char name[PATH_MAX] = {};
    if (ttyname_r(m_slave, name, sizeof name) != 0) return fail(systemError("ttyname_r"));
    m_slavePath = QString::fromLocal8Bit(name);

    if (!linkPath.isEmpty()) {
        const QByteArray link = QFile::encodeName(linkPath);
        struct stat old {};
        if (lstat(link.constData(), &old) == 0) {
            if (!S_ISLNK(old.st_mode))
                return fail(QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath));
            if (unlink(link.constData()) != 0) return fail(systemError("unlink"));
        }
        if (symlink(name, link.constData()) != 0) return fail(systemError("symlink"));
        m_linkPath = linkPath;
    }

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyEndpoint::readMaster);
    return true;
}

void PtyEndpoint::readMaster() {
    char buffer[4096];
    const ssize_t n = ::read(m_master, buffer, sizeof buffer);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (n <= 0) {
        // Cannot happen while the slave is held open; stop listening rather than spin.
        m_notifier->setEnabled(false);
        return;
    }
    for (const serialframe::SerialCommand& c :
         serialframe::splitRead(QByteArrayView(buffer, qsizetype(n))))
        writeMaster(m_responder.answer(SimLink::Pty, c.raw, c.command));
}

void PtyEndpoint::writeMaster(const QByteArray& bytes) {
    // The reader polls; a reply that does not fit into the line's buffer now is dropped, as a
    // serial line would lose it.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, std::size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += n;
    }
}

void PtyEndpoint::close() {
    delete m_notifier;
    m_notifier = nullptr;
    if (!m_linkPath.isEmpty()) {
        // Only our own link goes: someone may have pointed the path elsewhere meanwhile.
        const QByteArray link = QFile::encodeName(m_linkPath);
        char target[PATH_MAX] = {};
        const ssize_t n = readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QString::fromLocal8Bit(target, int(n)) == m_slavePath)
            unlink(link.constData());
        m_linkPath.clear();
    }
    if (m_master >= 0) ::close(m_master);
    if (m_slave >= 0) ::close(m_slave);
    m_master = m_slave = -1;
}
