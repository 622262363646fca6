#pragma once
// `--list-ports`: the serial ports of this computer, their stable names and the command that
// makes one COM n for the console (the naming rule of SerialPortName.h).

#include <QList>
#include <QString>
#include <QStringList>

struct SerialPortFacts {
    QString path;         ///< the device, such as /dev/ttyUSB0
    QString description;  ///< what the system says of it; may be empty
    QStringList stableNames;  ///< entries of /dev/serial/by-id that point to it
};

/// The ports Qt finds, with their stable names from `byIdDir`, and any port that only an entry
/// of `byIdDir` names.
QList<SerialPortFacts> findSerialPorts(const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));

/// The listing: per port its description, stable names and either the COM number it already
/// answers to or the command that links it as the lowest free one. `resourceDirectory` ends
/// with a separator.
QString describeSerialPorts(const QList<SerialPortFacts>& ports, const QString& resourceDirectory);
