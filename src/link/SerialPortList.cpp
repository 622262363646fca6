#include "SerialPortList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QSet>

#include "SerialPortName.h"

namespace {

QString canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

/// Quoted for a POSIX shell.
QString quoted(const QString& text)
{
    QString out = text;
    out.replace(u'\'', QStringLiteral("'\\''"));
    return u'\'' + out + u'\'';
}

}  // namespace

QList<SerialPortFacts> findSerialPorts(const QString& byIdDir)
{
    QList<SerialPortFacts> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QStringList about;
        for (const QString& s : {info.description(), info.manufacturer()})
            if (!s.isEmpty() && !about.contains(s)) about << s;
        if (!info.serialNumber().isEmpty()) about << QStringLiteral("serial ") + info.serialNumber();
        ports.append({info.systemLocation(), about.join(QStringLiteral(", ")), {}});
    }
    const QFileInfoList entries =
        QDir(byIdDir).entryInfoList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString target = canonical(entry.absoluteFilePath());
        auto it = std::find_if(ports.begin(), ports.end(),
                               [&](const SerialPortFacts& p) { return canonical(p.path) == target; });
        if (it == ports.end()) {
            ports.append({target, {}, {}});
            it = ports.end() - 1;
        }
        it->stableNames << entry.absoluteFilePath();
    }
    return ports;
}

QString describeSerialPorts(const QList<SerialPortFacts>& ports, const QString& resourceDirectory)
{
    if (ports.isEmpty()) return QStringLiteral("No serial ports found.\n");

    // The numbers the console already maps, and the devices they stand for.
    QSet<int> taken;
    const QRegularExpression comName(QStringLiteral("^COM([1-9][0-9]{0,5})$"));
    const QDir dir(resourceDirectory);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QRegularExpressionMatch m = comName.match(name);
        if (m.hasMatch()) taken.insert(m.captured(1).toInt());
    }
    QSet<QString> listed;
    for (const SerialPortFacts& p : ports) listed.insert(canonical(p.path));
    // COM n without a file of its own is /dev/ttyS(n-1): not free while that port exists.
    for (int n = 1; n <= 999; ++n)
        if (listed.contains(canonical(serialPortPath(QString::number(n), QStringLiteral("/nonexistent/")))))
            taken.insert(n);

    QString out;
    for (const SerialPortFacts& p : ports) {
        out += p.path;
        if (!p.description.isEmpty()) out += QStringLiteral("  (") + p.description + u')';
        out += u'\n';
        for (const QString& s : p.stableNames) out += QStringLiteral("  stable name: ") + s + u'\n';

        int current = 0;
        for (int n = 1; n <= 999 && !current; ++n)
            if (canonical(serialPortPath(QString::number(n), resourceDirectory)) == canonical(p.path))
                current = n;
        if (current) {
            out += QStringLiteral("  is COM %1\n").arg(current);
            continue;
        }
        int n = 1;
        while (taken.contains(n)) ++n;
        taken.insert(n);
        const QString target = p.stableNames.isEmpty() ? p.path : p.stableNames.first();
        QString command;
        if (!QFileInfo(resourceDirectory).isDir())
            command = QStringLiteral("mkdir -p %1 && ").arg(quoted(resourceDirectory));
        command += QStringLiteral("ln -s %1 %2").arg(quoted(target), quoted(resourceDirectory + QStringLiteral("COM%1").arg(n)));
        out += QStringLiteral("  link as COM %1: ").arg(n) + command + u'\n';
    }
    return out;
}
