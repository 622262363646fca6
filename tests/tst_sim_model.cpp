#include <QHostAddress>
#include <QRandomGenerator>
#include <QTest>

#include "AxisDrive.h"
#include "Framing.h"
#include "LineOfSight.h"
#include "LineOutput.h"
#include "LocalPeers.h"
#include "SerialFraming.h"
#include "SimulatedFlight.h"
#include "TrackerModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

/// The reply's words as the console splits them; empty when the console would not parse it.
QStringList words(const QByteArray& reply) {
    const FramedBlock block = frameBlock(reply, false);
    if (!block.parse) return {};
    ReplyFields fields;
    splitReplyFields(block.reply, u' ', fields);
    QStringList out;
    for (int i = 1; i < ReplyFields::kCount && !fields[i].isEmpty(); ++i) out << fields[i];
    return out;
}

/// Field Fn of a reply (F1 is the keyword), or a marker that cannot be a field.
QString field(const QByteArray& reply, int n) {
    const QStringList w = words(reply);
    return n >= 1 && n <= w.size() ? w[n - 1] : QStringLiteral("<missing>");
}

qint64 intField(const QByteArray& reply, int n) {
    return field(reply, n).toLongLong();
}

tracking::GeoPoint geoField(const QByteArray& reply, int latField) {
    return {double(intField(reply, latField)) * 1e-7, double(intField(reply, latField + 1)) * 1e-7,
            double(intField(reply, latField + 2))};
}

/// What the console sees at `t`: the antenna's direction and the line of sight from the
/// tracker's reported position to the vehicle's.
struct Seen {
    double azimuthDeg;
    double elevationDeg;
    tracking::GeoPoint vehicle;
    tracking::LineOfSight sight;  ///< no direction when the replies give none
};

Seen seenAt(TrackerModel& model, qint64 t) {
    const QByteArray p = model.handle("DXYPV", t);
    const QByteArray s = model.handle("STAT", t);
    return {
        double(intField(p, 2)) / 10.0, double(intField(p, 3)) / 10.0, geoField(p, 4),
        tracking::lineOfSight(geoField(s, 7), geoField(p, 4)).value_or(tracking::LineOfSight{})};
}

/// Antenna azimuth minus line-of-sight azimuth, -180..180.
double azimuthDifference(const Seen& seen) {
    return std::remainder(seen.azimuthDeg - seen.sight.azimuthDeg, 360.0);
}

double median(QList<double> v) {
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0.0 : v[v.size() / 2];
}

const QList<QByteArray> kQueries = {
    "DXYPV",         "STAT",      "ID",     "NAME",   "SERIAL",      "VBAT",        "VCC",
    "CPUVOLT",       "TEMP",      "IP8",    "NET IP", "NET SUBMASK", "NET GATEWAY", "NET PORT 8000",
    "NET PORT 8007", "NET CNT",   "UAVGPS", "UAVDAT", "GPS",         "MAV STAT",    "MOTSETUP",
    "AUDIO VOL",     "AUDIO TONE"};

}  // namespace

class TestSimModel : public QObject {
    Q_OBJECT

private slots:
    void queryLayout_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QStringList>("head");  // the first words, exactly
        QTest::addColumn<int>("wordCount");     // with the final OK
        QTest::newRow("DXYPV") << QByteArray("DXYPV") << QStringList{"DXYPV"} << 9;
        QTest::newRow("STAT") << QByteArray("STAT") << QStringList{"STAT"} << 19;
        QTest::newRow("ID") << QByteArray("ID")
                            << QStringList{"ID", "MERLAN", "2.14", "HW3", "192.168.1.224"} << 8;
        QTest::newRow("NAME") << QByteArray("NAME") << QStringList{"NAME", "MERLAN_SIM"} << 3;
        QTest::newRow("SERIAL") << QByteArray("SERIAL") << QStringList{"SERIAL"} << 3;
        QTest::newRow("VBAT") << QByteArray("VBAT") << QStringList{"VBAT", "3012"} << 3;
        QTest::newRow("CPUVOLT") << QByteArray("CPUVOLT") << QStringList{"CPUVOLT", "3.31"} << 3;
        QTest::newRow("IP8") << QByteArray("IP8") << QStringList{"IP8", "OK"} << 2;
        QTest::newRow("NET IP") << QByteArray("NET IP") << QStringList{"NET", "IP", "192.168.1.224"}
                                << 4;
        QTest::newRow("NET SUBMASK")
            << QByteArray("NET SUBMASK") << QStringList{"NET", "SUBMASK", "255.255.255.0"} << 4;
        QTest::newRow("NET GATEWAY")
            << QByteArray("NET GATEWAY") << QStringList{"NET", "GATEWAY", "192.168.1.1"} << 4;
        QTest::newRow("NET PORT 8001")
            << QByteArray("NET PORT 8001")
            << QStringList{"NET", "PORT", "8001", "1", "0", "192.168.1.10", "14550", "0", "1"}
            << 12;
        QTest::newRow("NET CNT") << QByteArray("NET CNT") << QStringList{"NET", "CNT"} << 19;
        QTest::newRow("UAVGPS") << QByteArray("UAVGPS") << QStringList{"UAVGPS"} << 14;
        QTest::newRow("UAVDAT") << QByteArray("UAVDAT") << QStringList{"UAVDAT"} << 7;
        QTest::newRow("GPS") << QByteArray("GPS") << QStringList{"GPS", "V"} << 10;
        QTest::newRow("MAV STAT") << QByteArray("MAV STAT") << QStringList{"MAV", "STAT"} << 15;
        QTest::newRow("MOTSETUP") << QByteArray("MOTSETUP") << QStringList{"MOTSETUP"} << 18;
        QTest::newRow("AUDIO VOL")
            << QByteArray("AUDIO VOL") << QStringList{"AUDIO", "VOL", "70"} << 4;
        QTest::newRow("AUDIO TONE")
            << QByteArray("AUDIO TONE") << QStringList{"AUDIO", "TONE", "4"} << 4;
        QTest::newRow("surrounding blanks and CR LF")
            << QByteArray("  STAT\r\n") << QStringList{"STAT"} << 19;
    }

    void queryLayout() {
        QFETCH(QByteArray, command);
        QFETCH(QStringList, head);
        QFETCH(int, wordCount);
        TrackerModel model;
        const QByteArray reply = model.handle(command, 1000);
        QVERIFY2(reply.startsWith("< ") && reply.endsWith(" OK"), reply.constData());
        QVERIFY(!reply.contains("  "));
        const QStringList w = words(reply);
        QCOMPARE(w.size(), wordCount);
        QCOMPARE(w.mid(0, head.size()), head);
        QCOMPARE(w.last(), QStringLiteral("OK"));
    }

    void pointingAndStatusRanges() {
        TrackerModel model;
        // A few minutes of wandering: every field stays in the range the console expects.
        for (qint64 t = 0; t <= 400000; t += 997) {
            const QByteArray p = model.handle("DXYPV", t);
            QVERIFY(intField(p, 2) >= 0 && intField(p, 2) <= 3600);
            QVERIFY(intField(p, 3) >= -900 && intField(p, 3) <= 900);
            QVERIFY(std::abs(intField(p, 4)) <= 900000000);
            QVERIFY(std::abs(intField(p, 5)) <= 1800000000);
            QVERIFY(intField(p, 7) >= 0 && intField(p, 7) <= 255);
            const qint64 cal = intField(p, 8);
            QVERIFY((cal & 15) >= 1 && (cal & 15) <= 4 && (cal >> 4) >= 1 && (cal >> 4) <= 4);

            const QByteArray s = model.handle("STAT", t);
            QCOMPARE(field(s, 5), QStringLiteral("0"));
            QVERIFY(intField(s, 6) >= 0 && intField(s, 6) <= 4);
            QVERIFY(intField(s, 14) >= 0 && intField(s, 14) < 128);
            QVERIFY(intField(s, 15) >= 14000 && intField(s, 15) <= 16800);
            const qint64 temp = intField(s, 16);
            QCOMPARE(intField(s, 12), qint64(temp >= intField(s, 10)));
            QCOMPARE(intField(s, 13), qint64(temp <= intField(s, 11)));
        }
    }

    void settingChangesLaterReplies_data() {
        QTest::addColumn<QList<QByteArray>>("settings");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("n");
        QTest::addColumn<QString>("expected");
        using L = QList<QByteArray>;
        QTest::newRow("offset x") << L{"OFFSET 12.3 -0.5"} << QByteArray("STAT") << 2 << "123";
        QTest::newRow("offset y") << L{"OFFSET 12.3 -0.5"} << QByteArray("STAT") << 3 << "-5";
        QTest::newRow("offset y kept when missing")
            << L{"OFFSET 1 2", "OFFSET 7"} << QByteArray("STAT") << 3 << "20";
        QTest::newRow("offset not a number") << L{"OFFSET abc 1"} << QByteArray("STAT") << 2 << "0";
        QTest::newRow("distmin") << L{"DISTMIN 50,G"} << QByteArray("STAT") << 4 << "50";
        QTest::newRow("mavlink on") << L{"MAVLINK 1,G"} << QByteArray("STAT") << 5 << "1";
        QTest::newRow("mavlink gps raw") << L{"MAVLINK 1,G"} << QByteArray("STAT") << 18 << "5";
        QTest::newRow("mavlink off again")
            << L{"MAVLINK 1,G", "MAVLINK 0,G"} << QByteArray("STAT") << 18 << "0";
        QTest::newRow("home") << L{"HOME 3,G"} << QByteArray("STAT") << 6 << "3";
        QTest::newRow("home clamped") << L{"HOME 9,G"} << QByteArray("STAT") << 6 << "4";
        QTest::newRow("org lat") << L{"ORG 415678901 -37654321 700"} << QByteArray("STAT") << 7
                                 << "415678901";
        QTest::newRow("org lon") << L{"ORG 415678901 -37654321 700"} << QByteArray("STAT") << 8
                                 << "-37654321";
        QTest::newRow("org alt") << L{"ORG 415678901 -37654321 700"} << QByteArray("STAT") << 9
                                 << "700";
        QTest::newRow("org moves the local gps")
            << L{"ORG 415678901 -37654321 700"} << QByteArray("GPS") << 3 << "415678901";
        QTest::newRow("fan") << L{"FAN 20,G"} << QByteArray("STAT") << 10 << "20";
        QTest::newRow("fan on") << L{"FAN -40,G"} << QByteArray("STAT") << 12 << "1";
        QTest::newRow("heat") << L{"HEAT 30,G"} << QByteArray("STAT") << 11 << "30";
        QTest::newRow("heater on") << L{"HEAT 100,G"} << QByteArray("STAT") << 13 << "1";
        QTest::newRow("alarm hook") << L{"SIM ALARM 5"} << QByteArray("STAT") << 14 << "5";
        QTest::newRow("alarm shows on the needles")
            << L{"SIM ALARM 64"} << QByteArray("DXYPV") << 7 << "96";
        QTest::newRow("calibration hook")
            << L{"SIM CAL 3 4"} << QByteArray("DXYPV") << 8 << QString::number(0x43);
        QTest::newRow("name in id") << L{"NAME NEWNAME"} << QByteArray("ID") << 7 << "NEWNAME";
        QTest::newRow("name with blanks is one word")
            << L{"NAME my  tracker"} << QByteArray("NAME") << 2 << "my_tracker";
        QTest::newRow("net ip") << L{"NET IP 10.0.0.5"} << QByteArray("NET IP") << 3 << "10.0.0.5";
        QTest::newRow("net ip in id")
            << L{"NET IP 10.0.0.5"} << QByteArray("ID") << 5 << "10.0.0.5";
        QTest::newRow("net ip refused")
            << L{"NET IP 999.1.1.1"} << QByteArray("NET IP") << 3 << "192.168.1.224";
        QTest::newRow("net ip leading zeros")
            << L{"NET IP 010.000.001.002"} << QByteArray("NET IP") << 3 << "10.0.1.2";
        QTest::newRow("net submask with ,G")
            << L{"NET SUBMASK 255.255.0.0,G"} << QByteArray("NET SUBMASK") << 3 << "255.255.0.0";
        QTest::newRow("net gateway")
            << L{"NET GATEWAY 10.0.0.1"} << QByteArray("NET GATEWAY") << 3 << "10.0.0.1";
        QTest::newRow("audio vol") << L{"AUDIO VOL 7"} << QByteArray("AUDIO VOL") << 3 << "7";
        QTest::newRow("audio tone clamped")
            << L{"AUDIO TONE 99"} << QByteArray("AUDIO TONE") << 3 << "20";
        QTest::newRow("motor defaults amaxy")
            << L{"MOTSETUP 8 8 8 8 20 10 165 165"} << QByteArray("MOTSETUP") << 13 << "165";
        QTest::newRow("motor defaults prop x")
            << L{"MOTSETUP 8 8 8 8 20 10 165 165"} << QByteArray("MOTSETUP") << 6 << "8";
        QTest::newRow("gcs enabled and detected")
            << L{"GCS 1,G"} << QByteArray("DXYPV") << 7 << QString::number(64 | 8 | 16);
        QTest::newRow("gpsobj is the vehicle")
            << L{"GPSOBJ 415700000 -37600000 700"} << QByteArray("DXYPV") << 4 << "415700000";
        QTest::newRow("gpsobj distance")  // 0.01 degree of latitude at 41.56 N on WGS84
            << L{"GPSOBJ 415700000 -37600000 640"} << QByteArray("STAT") << 17 << "1111";
        QTest::newRow("gpsobj in uavdat")
            << L{"GPSOBJ 415700000 -37600000 700"} << QByteArray("UAVDAT") << 3 << "700";
        QTest::newRow("mav statinit")
            << L{"MAVLINK 1,G", "MAV STATINIT"} << QByteArray("MAV STAT") << 5 << "0";
    }

    void settingChangesLaterReplies() {
        QFETCH(QList<QByteArray>, settings);
        QFETCH(QByteArray, query);
        QFETCH(int, n);
        QFETCH(QString, expected);
        TrackerModel model;
        for (const QByteArray& s : settings) {
            const QByteArray r = model.handle(s, 20000);
            QVERIFY2(r.endsWith(" OK"), r.constData());
        }
        QCOMPARE(field(model.handle(query, 20000), n), expected);
    }

    void portUploadAndCounters() {
        TrackerModel model;
        const QByteArray up = model.handle("NET PORT 8003 1 2 192.168.1.50 9000 0 1 10 20", 1000);
        QCOMPARE(words(up), (QStringList{"NET", "PORT", "8003", "1", "2", "192.168.1.50", "9000",
                                         "0", "1", "10", "20", "OK"}));
        QCOMPARE(words(model.handle("NET PORT 8003", 1000)), words(up));
        // Out-of-range values are limited as the port table knows them.
        QCOMPARE(words(model.handle("NET PORT 8005 7 9 x 99999 5 3 -4 12", 1000)),
                 (QStringList{"NET", "PORT", "8005", "1", "2", "x", "65535", "1", "1", "0", "12",
                              "OK"}));
        const QByteArray cnt = model.handle("NET CNT", 1000);
        QCOMPARE(field(cnt, 3 + 2 * 3), QStringLiteral("10"));
        QCOMPARE(field(cnt, 4 + 2 * 3), QStringLiteral("20"));

        // Commands coming in on a port count there: received before the reply, sent after it.
        model.handle("DXYPV", 1000, 4);
        const QByteArray counted = model.handle("NET CNT", 1000, 4);
        QCOMPARE(field(counted, 3 + 2 * 4), QStringLiteral("2"));
        QCOMPARE(field(counted, 4 + 2 * 4), QStringLiteral("1"));
    }

    void telemetryCounters() {
        TrackerModel model;
        model.handle("MAVLINK 1,G", 0);
        const QByteArray stat = model.handle("MAV STAT", 10000);
        QCOMPARE(field(stat, 5), QStringLiteral("180"));  // 18 packets a second
        QCOMPARE(field(stat, 6), QStringLiteral("18"));
        QCOMPARE(field(stat, 9), QStringLiteral("50"));
        QCOMPARE(field(stat, 10), QStringLiteral("5"));
        QCOMPARE(field(stat, 11), QStringLiteral("1"));
        QCOMPARE(field(model.handle("UAVGPS", 10000), 11), QStringLiteral("1"));
        // The MAVLink port 8001 received the same telemetry.
        QCOMPARE(field(model.handle("NET CNT", 10000), 3 + 2 * 1), QStringLiteral("180"));
        model.handle("MAVLINK 0,G", 10000);
        const QByteArray stopped = model.handle("MAV STAT", 20000);
        QCOMPARE(field(stopped, 5), QStringLiteral("180"));
        QCOMPARE(field(stopped, 6), QStringLiteral("0"));
        QCOMPARE(field(model.handle("UAVGPS", 20000), 11), QStringLiteral("0"));
    }

    void axisMotion_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("targetTenths");
        QTest::newRow("DX 30.5") << QByteArray("DX 30.5") << 2 << 305;
        QTest::newRow("DX 345") << QByteArray("DX 345") << 2 << 3450;
        QTest::newRow("DX -25 is 335") << QByteArray("DX -25") << 2 << 3350;
        QTest::newRow("DX 360 stays") << QByteArray("DX 360") << 2 << 3600;
        QTest::newRow("DX 725 wraps") << QByteArray("DX 725") << 2 << 50;
        QTest::newRow("DY -30.6") << QByteArray("DY -30.6") << 3 << -306;
        QTest::newRow("DY above the stop") << QByteArray("DY 89") << 3 << 870;
        QTest::newRow("DY below the stop") << QByteArray("DY -60") << 3 << -460;
        QTest::newRow("DY text reads as 0") << QByteArray("DY abc") << 3 << 0;
    }

    void axisMotion() {
        QFETCH(QByteArray, command);
        QFETCH(int, field);
        QFETCH(int, targetTenths);
        TrackerModel model;
        const qint64 t0 = 7000;
        const qint64 start = intField(model.handle("DXYPV", t0), field);
        QCOMPARE(intField(model.handle(command, t0), 2), qint64(targetTenths));

        // 30 degrees a second toward the target, never past it, then it holds.
        const qint64 half = intField(model.handle("DXYPV", t0 + 500), field);
        const qint64 expectedHalf = std::abs(targetTenths - start) <= 150
                                        ? targetTenths
                                        : start + (targetTenths > start ? 150 : -150);
        QVERIFY2(std::abs(half - expectedHalf) <= 1,
                 qPrintable(QStringLiteral("%1 from %2").arg(half).arg(start)));
        // It holds there through the polling, while the other axis goes on tracking.
        const qint64 arrival = t0 + std::abs(targetTenths - start) * 100 / 30 + 10;
        const int other = field == 2 ? 3 : 2;
        QSet<qint64> otherAxis;
        for (qint64 t = arrival; t < t0 + TrackerModel::kManualHoldMs; t += 100) {
            const QByteArray p = model.handle("DXYPV", t);
            QCOMPARE(intField(p, field), qint64(targetTenths));
            otherAxis << intField(p, other);
        }
        QVERIFY(otherAxis.size() > 10);
        // Then it tracks again.
        const qint64 resumed = t0 + TrackerModel::kManualHoldMs + 10000;
        for (qint64 t = t0 + TrackerModel::kManualHoldMs; t < resumed; t += 100)
            model.handle("STAT", t);
        const Seen seen = seenAt(model, resumed);
        QVERIFY(tracking::angleBetweenDeg(seen.azimuthDeg, seen.elevationDeg, seen.sight.azimuthDeg,
                                          seen.sight.elevationDeg) < 0.5);
    }

    void antennaFollowsTheVehicle_data() {
        QTest::addColumn<double>("offset");
        QTest::addColumn<QList<QByteArray>>("settings");
        using L = QList<QByteArray>;
        QTest::newRow("on the flight") << 0.0 << L{};
        QTest::newRow("offset 5") << 5.0 << L{};
        QTest::newRow("offset -2.5") << -2.5 << L{};
        QTest::newRow("offset -200 wraps") << -200.0 << L{};
        QTest::newRow("tracker moved") << 0.0 << L{"ORG 415678901 -37654321 700"};
        QTest::newRow("operator's object, offset") << 5.0 << L{"GPSOBJ 415650000 -37500000 900"};
    }

    void antennaFollowsTheVehicle() {
        QFETCH(double, offset);
        QFETCH(QList<QByteArray>, settings);
        TrackerModel model(0, offset);
        for (const QByteArray& s : settings) model.handle(s, 1000);
        // A minute of 10 Hz polling once the drive has caught up: the antenna is off the line
        // of sight by the offset in azimuth and by the drive's lag and the rounding otherwise.
        QList<double> errors;
        QList<double> azimuthOffsets;
        for (qint64 t = 1000; t <= 71000; t += 100) {
            const Seen seen = seenAt(model, t);
            QVERIFY(seen.sight.hasDirection);
            if (t < 11000) continue;
            const double aimAz = seen.sight.azimuthDeg + offset;
            errors << tracking::angleBetweenDeg(seen.azimuthDeg, seen.elevationDeg, aimAz,
                                                seen.sight.elevationDeg);
            azimuthOffsets << azimuthDifference(seen);
        }
        const double maxError = *std::max_element(errors.cbegin(), errors.cend());
        QVERIFY2(maxError < 0.5, qPrintable(QString::number(maxError)));
        QVERIFY2(std::abs(median(azimuthOffsets) - std::remainder(offset, 360.0)) < 0.15,
                 qPrintable(QString::number(median(azimuthOffsets))));
    }

    void flightEnvelope() {
        // Two laps: the same path each time, within its sector and ranges, the reported speed
        // and course those of the positions' movement.
        TrackerModel model;
        double minSlant = 1e9, maxSlant = 0, minHeight = 1e9, maxHeight = -1e9;
        QList<tracking::GeoPoint> path{seenAt(model, 0).vehicle};
        for (qint64 t = 1000; t <= 2 * flight::kPeriodMs; t += 1000) {
            const Seen seen = seenAt(model, t);
            const tracking::LineOfSight& s = seen.sight;
            QVERIFY(s.azimuthDeg > 90 && s.azimuthDeg < 180);
            minSlant = std::min(minSlant, s.slantRangeM);
            maxSlant = std::max(maxSlant, s.slantRangeM);
            const double height = seen.vehicle.heightM - double(flight::kSiteAlt);
            minHeight = std::min(minHeight, height);
            maxHeight = std::max(maxHeight, height);
            QVERIFY(std::abs(double(intField(model.handle("UAVDAT", t), 2)) - s.slantRangeM) <= 1);

            const QByteArray gps = model.handle("UAVGPS", t);
            const tracking::LineOfSight step = *tracking::lineOfSight(path.last(), seen.vehicle);
            const double speed = double(intField(gps, 8));
            QVERIFY2(speed >= 15 && speed <= 25, gps.constData());
            QVERIFY2(std::abs(speed - step.groundRangeM) < 1.5, gps.constData());
            QVERIFY2(std::abs(std::remainder(double(intField(gps, 9)) - step.azimuthDeg, 360)) < 3,
                     gps.constData());
            path << seen.vehicle;
            if (t > flight::kPeriodMs) {
                const tracking::GeoPoint& lap = path[path.size() - 1 - flight::kPeriodMs / 1000];
                QCOMPARE(seen.vehicle.latDeg, lap.latDeg);
                QCOMPARE(seen.vehicle.lonDeg, lap.lonDeg);
                QCOMPARE(seen.vehicle.heightM, lap.heightM);
            }
        }
        QVERIFY(minSlant >= 300 && minSlant < 400 && maxSlant > 2300 && maxSlant <= 2500);
        QVERIFY(minHeight >= 50 && minHeight < 60 && maxHeight > 390 && maxHeight <= 400);
    }

    void gpsObjectTurnsTheAntenna() {
        TrackerModel model;
        // Due east of the origin at its altitude: azimuth 90, elevation 0.
        model.handle("GPSOBJ 415600000 -37500000 640", 1000);
        const QByteArray p = model.handle("DXYPV", 60000);
        QVERIFY2(std::abs(intField(p, 2) - 900) <= 1, p.constData());
        QVERIFY2(std::abs(intField(p, 3)) <= 1, p.constData());
        QCOMPARE(field(p, 5), QStringLiteral("-37500000"));
    }

    void calibrationTimeline_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("during");
        QTest::newRow("X") << QByteArray("CALIBRX") << 0x21;
        QTest::newRow("Y") << QByteArray("CALIBRY") << 0x12;
    }

    void calibrationTimeline() {
        QFETCH(QByteArray, command);
        QFETCH(int, during);
        TrackerModel model;
        QCOMPARE(intField(model.handle("DXYPV", 5000), 8), 0x22);
        QCOMPARE(words(model.handle(command, 5000)),
                 (QStringList{QString::fromLatin1(command), "OK"}));
        QCOMPARE(intField(model.handle("DXYPV", 5000), 8), qint64(during));
        QCOMPARE(intField(model.handle("DXYPV", 5000 + TrackerModel::kCalibrationMs - 1), 8),
                 qint64(during));
        QCOMPARE(intField(model.handle("DXYPV", 5000 + TrackerModel::kCalibrationMs), 8), 0x22);
        // A second calibration starts the timeline over.
        model.handle(command, 20000);
        QCOMPARE(intField(model.handle("DXYPV", 21000), 8), qint64(during));
    }

    void localGpsAcquires() {
        TrackerModel model(1000);
        QCOMPARE(field(model.handle("GPS", 1000 + TrackerModel::kGpsAcquireMs - 1), 2),
                 QStringLiteral("V"));
        QCOMPARE(field(model.handle("GPS", 1000 + TrackerModel::kGpsAcquireMs), 2),
                 QStringLiteral("A"));
    }

    void temperatureDriftsSlowly() {
        TrackerModel model;
        qint64 previous = intField(model.handle("TEMP", 0), 2);
        qint64 lo = previous;
        qint64 hi = previous;
        for (qint64 t = 5000; t <= 300000; t += 5000) {
            const qint64 temp = intField(model.handle("TEMP", t), 2);
            QVERIFY(std::abs(temp - previous) <= 1);
            QCOMPARE(intField(model.handle("STAT", t), 16), temp);
            lo = std::min(lo, temp);
            hi = std::max(hi, temp);
            previous = temp;
        }
        QVERIFY(hi - lo >= 10);
    }

    void unknownHasNoOk_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::newRow("unknown word") << QByteArray("HELLO");
        QTest::newRow("word with OK") << QByteArray("LOOKUP BOOK OK");
        QTest::newRow("keywords are case-sensitive") << QByteArray("dxypv");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("blanks") << QByteArray("   ");
        QTest::newRow("NET alone") << QByteArray("NET");
        QTest::newRow("NET FOO") << QByteArray("NET FOO");
        QTest::newRow("NET PORT without number") << QByteArray("NET PORT");
        QTest::newRow("NET PORT 8008") << QByteArray("NET PORT 8008");
        QTest::newRow("NET PORT 7999") << QByteArray("NET PORT 7999");
        QTest::newRow("short upload") << QByteArray("NET PORT 8001 1 0");
        QTest::newRow("MAV other") << QByteArray("MAV STATS");
        QTest::newRow("AUDIO alone") << QByteArray("AUDIO");
        QTest::newRow("AUDIO other") << QByteArray("AUDIO LOUD");
        QTest::newRow("MOTSETUP two values") << QByteArray("MOTSETUP 1 2");
        QTest::newRow("DX without value") << QByteArray("DX");
        QTest::newRow("DX NaN") << QByteArray("DX NaN");
        QTest::newRow("DY infinity") << QByteArray("DY +Infinity");
        QTest::newRow("ORG without longitude") << QByteArray("ORG 1");
        QTest::newRow("HOME without value") << QByteArray("HOME,G");
        QTest::newRow("zero byte") << QByteArray("ST\0AT", 5);
    }

    void unknownHasNoOk() {
        QFETCH(QByteArray, command);
        TrackerModel model;
        const QByteArray reply = model.handle(command, 0);
        QVERIFY2(reply.startsWith("< ") && reply.endsWith("ERROR"), reply.constData());
        QVERIFY2(!reply.contains("OK"), reply.constData());
        QVERIFY(!reply.contains('\0'));
        QVERIFY(frameBlock(reply, false).markUnparsed);
        QVERIFY(frameBlock(serialframe::frameReply(reply), true).markUnparsed);
    }

    void replyLengthBound_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<qint64>("now");
        const QByteArray longWord(5000, 'K');
        QByteArray binary;
        for (int i = 0; i < 256; ++i) binary.append(char(i));
        QTest::newRow("long unknown") << longWord << qint64(0);
        QTest::newRow("long name") << "NAME " + longWord << qint64(0);
        QTest::newRow("many name words") << "NAME " + QByteArray("ab ").repeated(400) << qint64(0);
        QTest::newRow("long ipdest")
            << "NET PORT 8000 1 1 " + longWord + " 1 1 1 99999999999999 99999999999999"
            << qint64(0);
        QTest::newRow("huge org")
            << QByteArray("ORG 999999999999999999999999 -999999999999999999999999 9e99")
            << qint64(0);
        QTest::newRow("huge gpsobj")
            << QByteArray("GPSOBJ -999999999999999999999999 999999999999999999999999 -9e99")
            << qint64(0);
        QTest::newRow("huge offset") << QByteArray("OFFSET 1e30 -1e30") << qint64(0);
        QTest::newRow("huge distmin") << QByteArray("DISTMIN 99999999999999999999,G") << qint64(0);
        QTest::newRow("huge motors")
            << QByteArray("MOTSETUP ").append(QByteArray("-99999999999999999999 ").repeated(8))
            << qint64(0);
        QTest::newRow("binary") << binary << qint64(0);
        QTest::newRow("binary name") << "NAME " + binary << qint64(0);
        QTest::newRow("mavlink at the end of time")
            << QByteArray("MAVLINK 1,G") << std::numeric_limits<qint64>::max();
        QTest::newRow("calibrate at the start of time")
            << QByteArray("CALIBRX") << std::numeric_limits<qint64>::min();
        QTest::newRow("gcs at the end of time")
            << QByteArray("GCS 1,G") << std::numeric_limits<qint64>::max();
    }

    void replyLengthBound() {
        QFETCH(QByteArray, command);
        QFETCH(qint64, now);
        TrackerModel model;
        QVERIFY(model.handle(command, now).size() <= TrackerModel::kMaxReplyLength);
        // Whatever got stored, every later reply stays parsable on every link.
        const qint64 times[] = {now, 0, std::numeric_limits<qint64>::max(),
                                std::numeric_limits<qint64>::min()};
        for (qint64 t : times) {
            for (const QByteArray& q : kQueries) {
                const QByteArray reply = model.handle(q, t, 0);
                QVERIFY2(reply.size() <= TrackerModel::kMaxReplyLength, reply.constData());
                QVERIFY2(frameBlock(reply, false).parse, reply.constData());
                QVERIFY2(frameBlock(serialframe::frameReply(reply), true).parse, reply.constData());
            }
        }
    }

    void garbledCommandsStayBounded() {
        // Real commands with bytes flipped, cut and repeated, on a jumping clock.
        const QList<QByteArray> seeds =
            kQueries + QList<QByteArray>{"NET PORT 8003 1 2 192.168.1.50 9000 0 1 10 20",
                                         "OFFSET 12.3 -0.5",
                                         "DX 30.5",
                                         "GPSOBJ 415700000 -37600000 700",
                                         "ORG 1 2 3",
                                         "NAME x",
                                         "MOTSETUP 8 8 8 8 20 10 165 165",
                                         "MAVLINK 1,G",
                                         "GCS 1,G",
                                         "SIM CAL 1 1",
                                         "AUDIO VOL 3",
                                         "NET IP 1.2.3.4"};
        QRandomGenerator random(20240607);
        TrackerModel model;
        qint64 now = 0;
        for (int i = 0; i < 20000; ++i) {
            QByteArray c = seeds[random.bounded(int(seeds.size()))];
            const int edits = random.bounded(4);
            for (int e = 0; e < edits && !c.isEmpty(); ++e) {
                const int at = random.bounded(int(c.size()));
                switch (random.bounded(3)) {
                    case 0:
                        c[at] = char(random.bounded(256));
                        break;
                    case 1:
                        c.truncate(at);
                        break;
                    default:
                        c.insert(at, c.mid(at).repeated(random.bounded(1, 40)));
                        break;
                }
            }
            now += random.bounded(-1000, 60000);
            const QByteArray reply = model.handle(c, now, random.bounded(-1, 9));
            QVERIFY2(reply.size() <= TrackerModel::kMaxReplyLength, c.toHex().constData());
            QVERIFY(reply.startsWith("< "));
            QVERIFY(!reply.contains('\0'));
        }
    }

    void serialSplit_data() {
        QTest::addColumn<QByteArray>("read");
        QTest::addColumn<QList<QByteArray>>("commands");
        QTest::addColumn<QList<QByteArray>>("raws");
        using L = QList<QByteArray>;
        QTest::newRow("one") << QByteArray("@PC>25 STAT") << L{"STAT"} << L{"@PC>25 STAT"};
        QTest::newRow("two in one read")
            << QByteArray("@PC>25 STAT@PC>25 NET PORT 8001") << L{"STAT", "NET PORT 8001"}
            << L{"@PC>25 STAT", "@PC>25 NET PORT 8001"};
        QTest::newRow("other address")
            << QByteArray("@PC>7 DXYPV") << L{"DXYPV"} << L{"@PC>7 DXYPV"};
        QTest::newRow("only the first blank goes")
            << QByteArray("@PC>25  NAME x") << L{" NAME x"} << L{"@PC>25  NAME x"};
        QTest::newRow("prefix without blank") << QByteArray("@PC>25") << L{""} << L{"@PC>25"};
        QTest::newRow("no prefix") << QByteArray("STAT") << L{"STAT"} << L{"STAT"};
        QTest::newRow("text before the prefix")
            << QByteArray("xx@PC>25 ID") << L{"xx", "ID"} << L{"xx", "@PC>25 ID"};
        QTest::newRow("line end before the prefix")
            << QByteArray("\r\n@PC>25 ID") << L{"ID"} << L{"@PC>25 ID"};
        QTest::newRow("empty read") << QByteArray() << L{} << L{};
    }

    void serialSplit() {
        QFETCH(QByteArray, read);
        QFETCH(QList<QByteArray>, commands);
        QFETCH(QList<QByteArray>, raws);
        const QList<serialframe::SerialCommand> out = serialframe::splitRead(read);
        QList<QByteArray> gotCommands;
        QList<QByteArray> gotRaws;
        for (const serialframe::SerialCommand& c : out) {
            gotCommands << c.command;
            gotRaws << c.raw;
        }
        QCOMPARE(gotCommands, commands);
        QCOMPARE(gotRaws, raws);
    }

    void serialReplyIsParsedByTheConsole() {
        TrackerModel model;
        const QByteArray framed = serialframe::frameReply(model.handle("DXYPV", 0));
        QVERIFY(framed.endsWith("@25<PC"));
        const FramedBlock block = frameBlock(framed, true);
        QVERIFY(block.parse);
        QVERIFY(!block.consoleText.contains(QLatin1String("@25<PC")));
    }

    void logLine_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << QByteArray("DXYPV") << QByteArray("udp 5 DXYPV");
        QTest::newRow("line ends") << QByteArray("A\r\n\t") << QByteArray("udp 4 A\\r\\n\\t");
        QTest::newRow("backslash") << QByteArray("a\\b") << QByteArray("udp 3 a\\\\b");
        QTest::newRow("zero and high bytes")
            << QByteArray("\0\x7f\xba", 3) << QByteArray("udp 3 \\x00\\x7F\\xBA");
        QTest::newRow("empty") << QByteArray() << QByteArray("udp 0 ");
    }

    void logLine() {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, line);
        QCOMPARE(LineOutput::receivedLine("udp", bytes), line);
    }

    void localPeers_data() {
        QTest::addColumn<QString>("peer");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("127.0.0.1") << "127.0.0.1" << true;
        QTest::newRow("127.5.6.7") << "127.5.6.7" << true;
        QTest::newRow("::1") << "::1" << true;
        QTest::newRow("mapped loopback") << "::ffff:127.0.0.1" << true;
        QTest::newRow("LAN address") << "192.0.2.44" << false;
        QTest::newRow("mapped LAN address") << "::ffff:192.0.2.44" << false;
        QTest::newRow("not quite loopback") << "128.0.0.1" << false;
        QTest::newRow("null") << "" << false;
    }

    void localPeers() {
        QFETCH(QString, peer);
        QFETCH(bool, accepted);
        const LocalPeers peers;
        QCOMPARE(peers.accepts(QHostAddress(peer)), accepted);
    }

    void axisDriveEdges() {
        AxisDrive az(0, 360, 350, 30);
        for (qint64 t : {std::numeric_limits<qint64>::min(), qint64(-12345),
                         std::numeric_limits<qint64>::max()})
            QCOMPARE(az.positionAt(t), 350.0);
        az.moveTo(20, 1000);                  // the long way round: the axis has stops
        QCOMPARE(az.positionAt(500), 350.0);  // before the command: still where it started
        QCOMPARE(az.positionAt(1500), 335.0);
        QCOMPARE(az.positionAt(std::numeric_limits<qint64>::max()), 20.0);
        az.moveTo(std::nan(""), 2000);
        QCOMPARE(az.targetDeg(), 20.0);
        az.moveTo(400, 2000);
        QCOMPARE(az.targetDeg(), 360.0);

        AxisDrive el(-46, 87, 110, 30);  // limited to the stop
        QCOMPARE(el.positionAt(0), 87.0);
        el.moveTo(-1e300, 0);
        QCOMPARE(el.positionAt(std::numeric_limits<qint64>::max()), -46.0);
    }
};

QTEST_GUILESS_MAIN(TestSimModel)
#include "tst_sim_model.moc"
