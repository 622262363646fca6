#include "SerialPortName.h"

#include <QFileInfo>

QString serialPortPath(const QString& comField, const QString& resourceDirectory)
{
    const QString name = QStringLiteral("COM") + comField;
#ifdef Q_OS_WIN
    Q_UNUSED(resourceDirectory);
    return name;
#else
    const QString mapped = resourceDirectory + name;
    if (!comField.isEmpty() && !comField.contains(u'/') && QFileInfo::exists(mapped)) return mapped;
    bool isNumber = !comField.isEmpty();
    for (const QChar c : comField) isNumber = isNumber && c >= u'0' && c <= u'9';
    if (isNumber && comField.size() <= 6) {
        const int n = comField.toInt();
        if (n >= 1) return QStringLiteral("/dev/ttyS") + QString::number(n - 1);
    }
    // Not a port this system has: opening it fails and is reported like any other failure.
    return name;
#endif
}
