#include "SettingCommands.h"

#include "ControlAccess.h"
#include "Coordinates.h"
#include "Numbers.h"

namespace {

QString intText(const ControlAccess& c, int control) {
    return num::writeInt(num::readInt(c.text(control)));
}

QString stateText(const ControlAccess& c, int control) {
    return c.isChecked(control) ? QStringLiteral("1") : QStringLiteral("0");
}

/// The same text sent and shown.
SettingCommand plain(QString command) {
    SettingCommand s;
    s.shown = command;
    s.command = std::move(command);
    return s;
}

/// "HOME", "MAVLINK", "GPSOBJ", "ORG": the command line shows two blanks after the name.
SettingCommand twoBlankShown(QStringView name, const QString& rest) {
    SettingCommand s;
    s.command = name.toString() + QLatin1Char(' ') + rest;
    s.shown = name.toString() + QLatin1String("  ") + rest;
    return s;
}

QString position(const ControlAccess& c, int lat, int lon, int alt) {
    return parseCoordinate(c.text(lat)) + QLatin1Char(' ') + parseCoordinate(c.text(lon)) +
           QLatin1Char(' ') + c.text(alt);
}

}  // namespace

SettingCommand buildSettingCommand(QStringView name, const ControlAccess& c, int homeMode) {
    const QString g = QStringLiteral(",G");

    if (name == u"DX" || name == u"DY") {
        const int control = name == u"DX" ? 15 : 16;
        SettingCommand s;
        s.command = name.toString() + QLatin1Char(' ') + c.text(control);
        s.shown = name.toString() + QLatin1Char(' ') + intText(c, control);
        return s;
    }
    if (name == u"OFFSET") {
        SettingCommand s;
        s.command = QStringLiteral("OFFSET ") + c.text(17) + QLatin1Char(' ') + c.text(32);
        s.shown = QStringLiteral("OFFSET ") + intText(c, 17) + QLatin1Char(' ') + intText(c, 32);
        return s;
    }
    if (name == u"HOME") return twoBlankShown(name, num::writeInt(homeMode) + g);
    if (name == u"MAVLINK") return twoBlankShown(name, stateText(c, 29) + g);
    if (name == u"GPSOBJ") return twoBlankShown(name, position(c, 23, 25, 26));
    if (name == u"ORG") return twoBlankShown(name, position(c, 22, 24, 27));
    if (name == u"DISTMIN") return plain(QStringLiteral("DISTMIN ") + c.text(18) + g);
    if (name == u"FAN") return plain(QStringLiteral("FAN ") + c.text(19) + g);
    if (name == u"HEAT") return plain(QStringLiteral("HEAT ") + c.text(20) + g);
    if (name == u"GCS") return plain(QStringLiteral("GCS ") + stateText(c, 47) + g);
    if (name == u"AUDIO VOL") return plain(QStringLiteral("AUDIO VOL ") + c.text(205));
    if (name == u"AUDIO TONE") return plain(QStringLiteral("AUDIO TONE ") + c.text(211));
    if (name == u"NAME") return plain(QStringLiteral("NAME ") + c.text(224));
    if (name == u"MAV STATINIT" || name == u"AUDIO BEEP" || name == u"AUDIO CLICK" ||
        name == u"CALIBRX" || name == u"CALIBRY")
        return plain(name.toString());

    if (name == u"NET IP") {
        SettingCommand s = plain(QStringLiteral("NET IP ") + c.text(193));
        s.warning = QStringLiteral(
            "Do you want to change the IP of the device? It will stop working until you set the "
            "new IP in the device connection form. If you forget the IP, use broadcast "
            "xxx.xxx.xxx.255 temporarily.");
        return s;
    }
    if (name == u"NET SUBMASK") {
        SettingCommand s;
        s.shown = QStringLiteral("NET SUBMASK ") + c.text(195);
        s.command = s.shown + g;
        s.warning = QStringLiteral(
            "Do you want to change the SUBMASK of the device? It will stop working until you set "
            "the new SUBMASK in the device connection form.");
        return s;
    }
    if (name == u"NET GATEWAY") {
        SettingCommand s = plain(QStringLiteral("NET GATEWAY ") + c.text(197));
        s.warning = QStringLiteral(
            "Do you want to change the GATEWAY of the device? It may stop working until you "
            "configure the new GATEWAY in the device connection form.");
        return s;
    }
    return {};
}

int stepAxisTarget(float position, int step, int minimum, int maximum) {
    // The sum is taken in float, as the position is held; halves then go to even.
    const float sum = position + float(step);
    const int n = num::roundHalfEven(double(sum));
    if (step > 0 && n > maximum) return maximum;
    if (step < 0 && n < minimum) return minimum;
    return n;
}
