#include "TrackerModel.h"

#include "Numbers.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr qint64 kInt32Max = 2147483647;
constexpr qint64 kLatLimit = 900000000;
constexpr qint64 kLonLimit = 1800000000;
constexpr double kSlewDegPerS = 30.0;
constexpr double kElevationMinDeg = -46.0;
constexpr double kElevationMaxDeg = 87.0;
/// Longest operator text the tracker keeps (names, destination addresses).
constexpr qsizetype kMaxWord = 32;
/// Accumulated clocks stop here, far beyond any run, so that every count stays small.
constexpr qint64 kClockCeilingMs = 10'000'000'000'000;

constexpr qint64 kMavPacketsPerS = 18;
constexpr qint64 kGpsRawPerS = 5;
constexpr qint64 kHomeEveryMs = 10000;
constexpr qint64 kFullBandwidthPerS = 50;
constexpr qint64 kMotorStep = 16;

QByteArray text(qint64 v) {
    return num::writeInt(v).toLatin1();
}
qint64 readInt(QByteArrayView w) {
    return num::readInt(QString::fromLatin1(w));
}
double readDecimal(QByteArrayView w) {
    return num::readDecimal(QString::fromLatin1(w));
}

qint64 tenths(double deg, qint64 limit) {
    return std::clamp<qint64>(num::roundHalfEven(deg * 10.0), -limit, limit);
}

bool printable(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 0x21 && u <= 0x7E) || u >= 0xA0;
}

/// Operator text as the tracker stores it: one word of visible characters, bounded.
QByteArray storedWord(QByteArrayView in) {
    QByteArray out = in.first(std::min(in.size(), kMaxWord)).toByteArray();
    for (char& c : out)
        if (!printable(c)) c = '_';
    return out;
}

QByteArrayList splitWords(QByteArrayView t) {
    QByteArrayList words;
    qsizetype i = 0;
    while (i < t.size()) {
        while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
        const qsizetype start = i;
        while (i < t.size() && t[i] != ' ' && t[i] != '\t') ++i;
        if (i > start) words.append(t.sliced(start, i - start).toByteArray());
    }
    return words;
}

/// "a.b.c.d" with each part 0..255, written back without leading zeros; empty when invalid.
QByteArray dottedQuad(QByteArrayView t) {
    const QByteArrayList parts = t.toByteArray().split('.');
    if (parts.size() != 4) return {};
    QByteArrayList out;
    for (const QByteArray& p : parts) {
        if (p.isEmpty() || p.size() > 3) return {};
        for (char c : p)
            if (c < '0' || c > '9') return {};
        const qint64 v = readInt(p);
        if (v > 255) return {};
        out.append(text(v));
    }
    return out.join('.');
}

QByteArray okReply(const QByteArrayList& words) {
    return "< " + words.join(' ') + " OK";
}

/// What the tracker says to a text it cannot take: the text itself, but never with "OK" in it,
/// so that the console shows it unparsed.
QByteArray errorReply(QByteArrayView command) {
    if (command.isEmpty()) return "< ERROR";
    QByteArray echo = command.toByteArray();
    for (char& c : echo)
        if (!printable(c) && c != ' ') c = '?';
    echo.replace("OK", "Ok");
    echo.truncate(TrackerModel::kMaxReplyLength - 8);
    return "< " + echo + " ERROR";
}

double wave(qint64 sinceStartMs, qint64 periodMs) {
    qint64 phase = sinceStartMs % periodMs;
    if (phase < 0) phase += periodMs;
    return std::sin(2.0 * std::numbers::pi * double(phase) / double(periodMs));
}

tracking::GeoPoint geoPoint(qint64 lat, qint64 lon, qint64 alt) {
    return {double(lat) * 1e-7, double(lon) * 1e-7, double(alt)};
}

/// An azimuth within 0 <= az < 360.
double wrapped(double deg) {
    double r = std::fmod(deg, 360.0);
    if (r < 0) r += 360.0;
    return r >= 360.0 ? 0.0 : r;
}

}  // namespace

TrackerModel::TrackerModel(qint64 startMs, double azimuthOffsetDeg)
    : m_startMs(startMs),
      m_lastMs(startMs),
      m_azimuthOffset(std::isfinite(azimuthOffsetDeg) ? wrapped(azimuthOffsetDeg) : 0.0),
      m_x(0.0, 360.0, 0.0, kSlewDegPerS),
      m_y(kElevationMinDeg, kElevationMaxDeg, 0.0, kSlewDegPerS) {
    // The antenna is on the vehicle from the start.
    if (const std::optional<Aim> a = aimAt(startMs)) {
        m_x = AxisDrive(0.0, 360.0, a->azimuthDeg, kSlewDegPerS);
        m_y = AxisDrive(kElevationMinDeg, kElevationMaxDeg, a->elevationDeg, kSlewDegPerS);
    }
    m_ports[0] = {1, 0, "0.0.0.0", 9000, 0, 0, 0, 0};
    m_ports[1] = {1, 0, "192.168.1.10", 14550, 0, 1, 0, 0};
    m_ports[4] = {1, 1, "0.0.0.0", 9004, 0, 0, 0, 0};
}

QByteArray TrackerModel::handle(QByteArrayView command, qint64 nowMs, int portRow) {
    advance(nowMs);
    QByteArrayView t = command.trimmed();
    if (t.endsWith(",G")) t = t.chopped(2).trimmed();

    const bool counted = portRow >= 0 && portRow < kPortCount;
    if (counted) {
        Port& p = m_ports[std::size_t(portRow)];
        p.cntRx = std::min(p.cntRx + 1, kInt32Max);
    }
    QByteArray reply = dispatch(splitWords(t), t, nowMs);
    if (reply.size() > kMaxReplyLength) reply = errorReply(t);
    aim(nowMs);
    if (counted) {
        Port& p = m_ports[std::size_t(portRow)];
        p.cntTx = std::min(p.cntTx + 1, kInt32Max);
    }
    return reply;
}

QByteArray TrackerModel::dispatch(const QByteArrayList& w, QByteArrayView t, qint64 now) {
    if (w.isEmpty()) return errorReply(t);
    const QByteArray& key = w[0];
    if (key == "DXYPV") return pointing(now);
    if (key == "STAT") return status(now);
    if (key == "ID") return identity();
    if (key == "IP8") return okReply({"IP8"});
    if (key == "NAME") {
        if (w.size() > 1) m_name = storedWord(w.mid(1).join('_'));
        return okReply({"NAME", m_name});
    }
    if (key == "SERIAL") return okReply({"SERIAL", "MRL24-0042"});
    if (key == "VBAT") return okReply({"VBAT", "3012"});
    if (key == "VCC") return okReply({"VCC", text(supplyMillivolts(now))});
    if (key == "CPUVOLT") return okReply({"CPUVOLT", "3.31"});
    if (key == "TEMP") return okReply({"TEMP", text(temperature(now))});
    if (key == "NET") return net(w, t);
    if (key == "UAVGPS") return vehicleGps(now);
    if (key == "UAVDAT") return vehicleData(now);
    if (key == "GPS") return localGps(now);
    if (key == "MAV") return mav(w, t);
    if (key == "MOTSETUP") return motors(w, t, now);
    if (key == "AUDIO") return audio(w, t);
    if (key == "CALIBRX" || key == "CALIBRY") {
        m_calibration[key == "CALIBRX" ? 0 : 1] = {true, now, 0};
        return okReply({key});
    }
    if (key == "DX" || key == "DY") return moveAxis(w, t, now);
    if (key == "OFFSET") return offset(w, t);
    if (key == "GPSOBJ" || key == "ORG") return position(w, t);
    if (key == "HOME" || key == "MAVLINK" || key == "GCS" || key == "DISTMIN" || key == "FAN" ||
        key == "HEAT")
        return switchOrLimit(w, t, now);
    if (key == "SIM") return simHook(w, t);
    return errorReply(t);
}

int TrackerModel::azimuthTenths(qint64 nowMs) const {
    return int(std::clamp<qint64>(num::roundHalfEven(m_x.positionAt(nowMs) * 10.0), 0, 3600));
}

int TrackerModel::elevationTenths(qint64 nowMs) const {
    return int(std::clamp<qint64>(num::roundHalfEven(m_y.positionAt(nowMs) * 10.0), -900, 900));
}

int TrackerModel::calibrationState(int axis, qint64 nowMs) const {
    const Calibration& c = m_calibration[axis == 0 ? 0 : 1];
    if (c.forced != 0) return c.forced;
    if (c.running && num::saturatingSub(nowMs, c.sinceMs) < kCalibrationMs) return Calibrating;
    return CalibrationOk;
}

int TrackerModel::flags(qint64 now) const {
    const int az = azimuthTenths(now);
    const int el = elevationTenths(now);
    int f = 64;  // the FRAM always answers
    if (az <= 20 || az >= 3580) f |= 1;
    if (el >= 850) f |= 2;
    if (el <= -450) f |= 4;
    if (m_gcs) {
        f |= 8;
        qint64 phase = num::saturatingSub(now, m_gcsSinceMs) % 10000;
        if (phase < 0) phase += 10000;
        if (phase < 7000) f |= 16;
    }
    if (alarms() != 0) f |= 32;
    if (m_mavlink) f |= 128;
    return f;
}

int TrackerModel::alarms() const {
    return int(m_forcedAlarms & 127);
}

int TrackerModel::temperature(qint64 now) const {
    return num::roundHalfEven(28.0 + 9.0 * wave(num::saturatingSub(now, m_startMs), 300000));
}

qint64 TrackerModel::supplyMillivolts(qint64 now) const {
    return 15200 + num::roundHalfEven(60.0 * wave(num::saturatingSub(now, m_startMs), 37000));
}

TrackerModel::Position TrackerModel::vehicleAt(qint64 now) const {
    if (m_hasObject) return m_object;
    const flight::Fix f = flight::at(num::saturatingSub(now, m_startMs));
    return {f.lat, f.lon, f.alt};
}

std::optional<tracking::LineOfSight> TrackerModel::sightAt(qint64 now) const {
    // From the positions as the replies give them, so that the antenna and the line of sight
    // seen from outside agree to the drive's lag.
    const Position v = vehicleAt(now);
    return tracking::lineOfSight(geoPoint(m_origin.lat, m_origin.lon, m_origin.alt),
                                 geoPoint(v.lat, v.lon, v.alt));
}

qint64 TrackerModel::distanceAt(qint64 now) const {
    const std::optional<tracking::LineOfSight> s = sightAt(now);
    return s ? num::roundHalfEven(s->slantRangeM) : 0;
}

std::optional<TrackerModel::Aim> TrackerModel::aimAt(qint64 now) const {
    const std::optional<tracking::LineOfSight> s = sightAt(now);
    if (!s || !s->hasDirection) return std::nullopt;
    return Aim{wrapped(s->azimuthDeg + m_azimuthOffset), s->elevationDeg};
}

void TrackerModel::aim(qint64 now) {
    const std::optional<Aim> a = aimAt(now);
    if (!a) return;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        std::optional<qint64>& since = m_manualSince[axis];
        if (since && num::saturatingSub(now, *since) < kManualHoldMs) continue;
        since.reset();
        if (axis == 0)
            m_x.moveTo(a->azimuthDeg, now);
        else
            m_y.moveTo(a->elevationDeg, now);
    }
}

void TrackerModel::advance(qint64 now) {
    const qint64 dt = std::clamp<qint64>(num::saturatingSub(now, m_lastMs), 0, kClockCeilingMs);
    m_lastMs = now;
    if (!m_mavlink || dt == 0) return;
    m_mavMs = std::min(m_mavMs + dt, kClockCeilingMs);
    const qint64 before = m_telemetryMs * kMavPacketsPerS / 1000;
    m_telemetryMs = std::min(m_telemetryMs + dt, kClockCeilingMs);
    const qint64 packets = m_telemetryMs * kMavPacketsPerS / 1000 - before;
    // Telemetry arrives on the ports that are switched on for MAVLink.
    for (Port& p : m_ports)
        if (p.state == 1 && p.prop == 1) p.cntRx = std::min(p.cntRx + packets, kInt32Max);
}

QByteArray TrackerModel::pointing(qint64 now) const {
    const Position v = vehicleAt(now);
    const int calibration = (calibrationState(1, now) << 4) | calibrationState(0, now);
    return okReply({"DXYPV", text(azimuthTenths(now)), text(elevationTenths(now)), text(v.lat),
                    text(v.lon), text(v.alt), text(flags(now)), text(calibration)});
}

QByteArray TrackerModel::status(qint64 now) const {
    const int temp = temperature(now);
    return okReply({"STAT", text(m_offsetX), text(m_offsetY), text(m_distMin), text(m_mavlink),
                    text(m_homeType), text(m_origin.lat), text(m_origin.lon), text(m_origin.alt),
                    text(m_fanOn), text(m_heatOn), text(temp >= m_fanOn), text(temp <= m_heatOn),
                    text(alarms()), text(supplyMillivolts(now)), text(temp), text(distanceAt(now)),
                    text(m_mavlink ? kGpsRawPerS : 0)});
}

QByteArray TrackerModel::identity() const {
    return okReply({"ID", "MERLAN", "2.14", "HW3", m_ip, "00:1E:C0:5A:7B:21", m_name});
}

QByteArray TrackerModel::net(const QByteArrayList& w, QByteArrayView t) {
    if (w.size() < 2) return errorReply(t);
    const QByteArray& sub = w[1];
    if (sub == "IP" || sub == "SUBMASK" || sub == "GATEWAY") {
        QByteArray& stored = sub == "IP" ? m_ip : sub == "SUBMASK" ? m_submask : m_gateway;
        // An address the tracker cannot use is refused; the reply shows what it kept.
        if (w.size() > 2) {
            const QByteArray address = dottedQuad(w[2]);
            if (!address.isEmpty()) stored = address;
        }
        return okReply({"NET", sub, stored});
    }
    if (sub == "PORT") {
        if (w.size() < 3) return errorReply(t);
        const qint64 row = readInt(w[2]) - kFirstPort;
        if (row < 0 || row >= kPortCount) return errorReply(t);
        if (w.size() == 3) return portReply(int(row));
        return uploadPort(w, t);
    }
    if (sub == "CNT") {
        QByteArrayList words{"NET", "CNT"};
        for (const Port& p : m_ports) words << text(p.cntRx) << text(p.cntTx);
        return okReply(words);
    }
    return errorReply(t);
}

QByteArray TrackerModel::portReply(int row) const {
    const Port& p = m_ports[std::size_t(row)];
    return okReply({"NET", "PORT", text(kFirstPort + row), text(p.state), text(p.type), p.ipDest,
                    text(p.portDest), text(p.echo), text(p.prop), text(p.cntRx), text(p.cntTx)});
}

QByteArray TrackerModel::uploadPort(const QByteArrayList& w, QByteArrayView t) {
    // NET PORT n state type ipdest portdest echo prop cntrx cnttx
    if (w.size() < 11) return errorReply(t);
    const int row = int(readInt(w[2]) - kFirstPort);
    Port& p = m_ports[std::size_t(row)];
    p.state = int(std::clamp<qint64>(readInt(w[3]), 0, 1));
    p.type = int(std::clamp<qint64>(readInt(w[4]), 0, 2));
    p.ipDest = storedWord(w[5]);
    p.portDest = std::clamp<qint64>(readInt(w[6]), 0, 65535);
    p.echo = int(std::clamp<qint64>(readInt(w[7]), 0, 1));
    p.prop = readInt(w[8]) > 0 ? 1 : 0;
    p.cntRx = std::clamp<qint64>(readInt(w[9]), 0, kInt32Max);
    p.cntTx = std::clamp<qint64>(readInt(w[10]), 0, kInt32Max);
    return portReply(row);
}

QByteArray TrackerModel::mav(const QByteArrayList& w, QByteArrayView t) {
    if (w.size() < 2) return errorReply(t);
    if (w[1] == "STATINIT") {
        m_mavMs = 0;
        return okReply({"MAV", "STATINIT"});
    }
    if (w[1] != "STAT") return errorReply(t);
    const qint64 rx = m_mavMs * kMavPacketsPerS / 1000;
    const qint64 crc = rx / 2000;
    const qint64 overflow = 0;
    const qint64 okPercent = rx > 0 ? rx * 100 / (rx + crc + overflow) : 0;
    const qint64 rate = m_mavlink ? kMavPacketsPerS : 0;
    return okReply({"MAV", "STAT", text(okPercent), text(rate * 100 / kFullBandwidthPerS), text(rx),
                    text(rate), text(rx / 300), text(0), text(m_mavMs * kGpsRawPerS / 1000),
                    text(m_mavlink ? kGpsRawPerS : 0), text(m_mavMs / kHomeEveryMs), text(overflow),
                    text(crc), text(rx + rx / 8)});
}

QByteArray TrackerModel::motors(const QByteArrayList& w, QByteArrayView t, qint64 now) {
    if (w.size() != 1 && w.size() != 1 + qsizetype(m_motor.size())) return errorReply(t);
    if (w.size() > 1)
        for (std::size_t i = 0; i < m_motor.size(); ++i)
            m_motor[i] = std::clamp<qint64>(readInt(w[qsizetype(i) + 1]), 0, 99999);
    const qint64 x = azimuthTenths(now);
    const qint64 y = elevationTenths(now);
    QByteArrayList words{"MOTSETUP", text(x * kMotorStep / 2), text(y * kMotorStep / 2), text(x),
                         text(y)};
    for (qint64 v : m_motor) words << text(v);
    words << text(3600) << text(qint64(kElevationMaxDeg * 10))
          << text(qint64(kElevationMinDeg * 10)) << text(kMotorStep);
    return okReply(words);
}

QByteArray TrackerModel::audio(const QByteArrayList& w, QByteArrayView t) {
    if (w.size() < 2) return errorReply(t);
    const QByteArray& sub = w[1];
    if (sub == "VOL" || sub == "TONE") {
        qint64& stored = sub == "VOL" ? m_volume : m_tone;
        if (w.size() > 2) stored = std::clamp<qint64>(readInt(w[2]), 0, sub == "VOL" ? 100 : 20);
        return okReply({"AUDIO", sub, text(stored)});
    }
    if (sub == "BEEP" || sub == "CLICK") return okReply({"AUDIO", sub});
    return errorReply(t);
}

QByteArray TrackerModel::vehicleGps(qint64 now) const {
    const Position v = vehicleAt(now);
    qint64 speed = 0;
    qint64 course = 0;
    if (!m_hasObject) {
        const flight::Fix f = flight::at(num::saturatingSub(now, m_startMs));
        speed = num::roundHalfEven(f.groundSpeedMps);
        course = num::roundHalfEven(f.courseDeg);
    }
    return okReply({"UAVGPS", text(m_mavMs * kGpsRawPerS / 1000), text(m_mavMs / kHomeEveryMs),
                    text(0), text(v.lat), text(v.lon), text(v.alt), text(speed), text(course % 360),
                    text(m_mavlink ? 14 : 0), m_mavlink ? "1" : "0", "0.8", "1.2"});
}

QByteArray TrackerModel::vehicleData(qint64 now) const {
    return okReply({"UAVDAT", text(distanceAt(now)), text(vehicleAt(now).alt), "0", "0", "0"});
}

QByteArray TrackerModel::localGps(qint64 now) const {
    const bool fix = num::saturatingSub(now, m_startMs) >= kGpsAcquireMs;
    return okReply({"GPS", fix ? "A" : "V", text(m_origin.lat), text(m_origin.lon),
                    text(m_origin.alt), "0", "0", text(fix ? 9 : 2), fix ? "1.1" : "9.9"});
}

QByteArray TrackerModel::moveAxis(const QByteArrayList& w, QByteArrayView t, qint64 now) {
    if (w.size() < 2) return errorReply(t);
    double v = readDecimal(w[1]);
    if (!std::isfinite(v)) return errorReply(t);
    const bool x = w[0] == "DX";
    // Azimuth is a circle: -25 means 335; 360 itself stays 360 so that the axis does not
    // swing all the way round from 359.6.
    if (x && (v < 0.0 || v > 360.0)) {
        v = std::fmod(v, 360.0);
        if (v < 0.0) v += 360.0;
    }
    AxisDrive& axis = x ? m_x : m_y;
    axis.moveTo(v, now);
    m_manualSince[x ? 0 : 1] = now;
    return okReply({w[0], text(tenths(axis.targetDeg(), 3600))});
}

QByteArray TrackerModel::offset(const QByteArrayList& w, QByteArrayView t) {
    if (w.size() < 2) return errorReply(t);
    m_offsetX = tenths(readDecimal(w[1]), 1800);
    if (w.size() > 2) m_offsetY = tenths(readDecimal(w[2]), 1800);
    return okReply({"OFFSET", text(m_offsetX), text(m_offsetY)});
}

QByteArray TrackerModel::position(const QByteArrayList& w, QByteArrayView t) {
    if (w.size() < 3) return errorReply(t);
    const bool object = w[0] == "GPSOBJ";
    Position& p = object ? m_object : m_origin;
    if (object && !m_hasObject) p.alt = m_origin.alt;
    p.lat = std::clamp(readInt(w[1]), -kLatLimit, kLatLimit);
    p.lon = std::clamp(readInt(w[2]), -kLonLimit, kLonLimit);
    if (w.size() > 3) p.alt = std::clamp<qint64>(readInt(w[3]), -1000, 20000);
    if (object) m_hasObject = true;
    return okReply({w[0], text(p.lat), text(p.lon), text(p.alt)});
}

QByteArray TrackerModel::switchOrLimit(const QByteArrayList& w, QByteArrayView t, qint64 now) {
    if (w.size() < 2) return errorReply(t);
    const QByteArray& key = w[0];
    const qint64 v = readInt(w[1]);
    if (key == "MAVLINK") {
        m_mavlink = v != 0;
        return okReply({key, text(m_mavlink)});
    }
    if (key == "GCS") {
        if (v != 0 && !m_gcs) m_gcsSinceMs = now;
        m_gcs = v != 0;
        return okReply({key, text(m_gcs)});
    }
    qint64& stored = key == "HOME"      ? m_homeType
                     : key == "DISTMIN" ? m_distMin
                     : key == "FAN"     ? m_fanOn
                                        : m_heatOn;
    if (key == "HOME")
        stored = std::clamp<qint64>(v, 0, 4);
    else if (key == "DISTMIN")
        stored = std::clamp<qint64>(v, 0, 100000);
    else
        stored = std::clamp<qint64>(v, -40, 125);
    return okReply({key, text(stored)});
}

QByteArray TrackerModel::simHook(const QByteArrayList& w, QByteArrayView t) {
    // Test hooks for states the simulation never reaches by itself.
    if (w.size() >= 3 && w[1] == "ALARM") {
        m_forcedAlarms = readInt(w[2]) & 127;
        return okReply({"SIM", "ALARM", text(m_forcedAlarms)});
    }
    if (w.size() >= 4 && w[1] == "CAL") {
        for (int axis = 0; axis < 2; ++axis)
            m_calibration[std::size_t(axis)].forced =
                int(std::clamp<qint64>(readInt(w[2 + axis]), 0, 15));
        return okReply(
            {"SIM", "CAL", text(m_calibration[0].forced), text(m_calibration[1].forced)});
    }
    return errorReply(t);
}
