#pragma once
// Which device "COM" + p names. On Windows it is the native port of that name. Elsewhere a
// file "COM" + p in the resource directory wins (usually a symbolic link to the real device,
// such as /dev/ttyUSB0); otherwise COM n for n >= 1 is the conventional /dev/ttyS(n-1).

#include <QString>

QString serialPortPath(const QString& comField, const QString& resourceDirectory);
