#include "ReplyHandler.h"

#include <limits>

#include "ControlAccess.h"
#include "Coordinates.h"
#include "DeviceControls.h"
#include "Numbers.h"
#include "Poller.h"
#include "StatusDecoding.h"

namespace {

// Window numbers the handlers test.
constexpr int kLocalGpsWindow = 1;
constexpr int kVehicleWindow = 2;
constexpr int kMavlinkWindow = 3;
constexpr int kMotorsWindow = 4;
constexpr int kEthernetWindow = 6;
constexpr int kAudioWindow = 7;

int toInt(qint64 v)
{
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return int(v);
}

/// Tenths of a degree shown with the point before the last digit: "123" -> "12.3", "-5" -> "-.5".
QString tenthsText(const QString& t)
{
    if (t.isEmpty()) return QStringLiteral(".");
    return t.left(t.size() - 1) + u'.' + t.right(1);
}

QString withUnitDivided(const QString& t, float divisor, int decimals)
{
    return num::writeFixed(double(num::readDecimal(t) / divisor), decimals);
}

}  // namespace

void ReplyHandler::refreshGroup(std::initializer_list<GroupItem> group)
{
    bool held = false;
    for (const GroupItem& g : group) held = held || g.control == m.lastFocusedGadget;
    for (const GroupItem& g : group) {
        if (!held) m.controls.setText(g.control, g.text);
        m.controls.setBackground(g.control, held ? colour::kEditing : colour::kField);
    }
}

void ReplyHandler::handle(const ReplyFields& f)
{
    const QString& k = f[1];
    const QString& k2 = f[2];
    const ControlAccess& c = m.controls;
    if (k == u"DXYPV") {
        pointing(f);
    } else if (k == u"STAT") {
        status(f);
    } else if (k == u"ID") {
        identity(f);
    } else if (k == u"GPS") {
        if (c.windowOpen(kLocalGpsWindow)) localGps(f);
    } else if (k == u"MAV") {
        if (k2 == u"STAT" && c.windowOpen(kMavlinkWindow)) mavlinkStatistics(f);
    } else if (k == u"UAVGPS") {
        if (c.windowOpen(kVehicleWindow)) vehiclePosition(f);
    } else if (k == u"MOTSETUP") {
        if (c.windowOpen(kMotorsWindow)) motorSetup(f);
    } else if (k == u"UAVDAT") {
        if (c.windowOpen(kVehicleWindow)) vehicleData(f);
    } else if (k == u"NET") {
        if (k2 == u"IP" || k2 == u"SUBMASK" || k2 == u"GATEWAY") networkAddress(f);
        else if (k2 == u"PORT") portEntry(f);
        else if (k2 == u"CNT") portCounters(f);
    } else if (k == u"AUDIO") {
        if (c.windowOpen(kAudioWindow)) audio(f);
    } else if (k == u"SERIAL" || k == u"NAME" || k == u"VBAT" || k == u"VCC" || k == u"CPUVOLT" ||
               k == u"TEMP") {
        device(f);
    }
}

void ReplyHandler::pointing(const ReplyFields& f)
{
    TrackerState& t = m.tracker;
    ControlAccess& c = m.controls;
    t.azimuthDeg = num::clampAngle(num::readDecimal(f[2]) / 10.0f, 0.0f, 360.0f);
    t.elevationDeg = num::clampAngle(num::readDecimal(f[3]) / 10.0f, -90.0f, 90.0f);
    // The gauges draw the flags of the previous pointing reply: they are stored after this.
    if (m.drawGauges) m.drawGauges();

    t.vehicleLat = formatCoordinate(f[4]);
    t.vehicleLon = formatCoordinate(f[5]);
    t.vehicleAlt = f[6];
    refreshGroup({{23, t.vehicleLat}, {25, t.vehicleLon}, {26, t.vehicleAlt}});

    const qint64 bits = num::readInt(f[7]);
    t.trackerFlags = bits & flags::kGaugeBits;
    if (c.windowOpen(devicewindow::kWindow))
        c.setBackground(devicewindow::kFram, goodBad(bits & flags::kFramOk));
    const Rgb receiving = goodBad(bits & flags::kMavlinkReceiving);
    c.setBackground(41, receiving);
    if (c.windowOpen(kMavlinkWindow)) c.setBackground(115, receiving);
    const bool gcsEnabled = bits & flags::kGcsEnabled;
    c.setChecked(47, gcsEnabled);
    c.setVisible(48, gcsEnabled);
    c.setBackground(48, goodBad(bits & flags::kGcsDetected));

    const qint64 packed = num::readInt(f[8]);
    t.calibrationStateY = calibrationY(packed);
    t.calibrationStateX = calibrationX(packed);
    const struct {
        int state;
        int control;
        void (Poller::*reset)();
    } axes[] = {{t.calibrationStateY, 56, &Poller::resetCalibrationCountY},
                {t.calibrationStateX, 55, &Poller::resetCalibrationCountX}};
    for (const auto& axis : axes) {
        const CalibrationDisplay d = decodeCalibration(axis.state);
        if (!d.changes) continue;
        c.setText(axis.control, d.text);
        c.setBackground(axis.control, d.background);
        if (d.show) c.setVisible(axis.control, true);
        if (d.resetOkCounter) (m.poller.*axis.reset)();
    }
}

void ReplyHandler::status(const ReplyFields& f)
{
    TrackerState& t = m.tracker;
    ControlAccess& c = m.controls;

    t.offsetX = tenthsText(f[2]);
    t.offsetY = tenthsText(f[3]);
    refreshGroup({{17, t.offsetX}, {32, t.offsetY}});
    t.distMin = f[4];
    refreshGroup({{18, t.distMin}});

    t.mavlinkEnabled = num::readInt(f[5]) == 1;
    c.setChecked(29, t.mavlinkEnabled);
    c.setVisible(54, t.mavlinkEnabled);
    c.setVisible(41, t.mavlinkEnabled);

    t.homeType = toInt(num::readInt(f[6]));
    c.selectItem(33, t.homeType);

    t.orgLat = formatCoordinate(f[7]);
    t.orgLon = formatCoordinate(f[8]);
    t.orgAlt = f[9];
    refreshGroup({{22, t.orgLat}, {24, t.orgLon}, {27, t.orgAlt}});
    t.fanOnTemp = f[10];
    refreshGroup({{19, t.fanOnTemp}});
    t.heatOnTemp = f[11];
    refreshGroup({{20, t.heatOnTemp}});

    t.fanActive = num::readInt(f[12]) != 0;
    t.heaterActive = num::readInt(f[13]) != 0;
    c.setBackground(35, activeLight(t.fanActive));
    c.setBackground(36, activeLight(t.heaterActive));

    t.alarmFlags = num::readInt(f[14]);
    c.setText(21, alarmText(t.alarmFlags));

    // Stored only: the gauges show them at the next pointing reply.
    t.supplyVoltageText = withUnitDivided(f[15], 1000.0f, 1) + u'V';
    t.temperatureText = QStringLiteral("T:") + f[16] + QStringLiteral("\u00BAc");
    if (c.windowOpen(devicewindow::kWindow))
        c.setText(devicewindow::kTemperature, t.temperatureText);

    t.distance = f[17];
    c.setText(38, t.distance);

    const qint64 relative = num::saturatingSub(num::readInt(c.text(26)), num::readInt(f[9]));
    c.setText(40, num::writeInt(relative));

    t.gpsRawRate = num::readInt(f[18]);
    if (const auto light = gpsRawRateColour(t.gpsRawRate)) {
        c.setText(54, num::writeInt(t.gpsRawRate));
        c.setBackground(54, *light);
    }
}

void ReplyHandler::identity(const ReplyFields& f)
{
    TrackerState& t = m.tracker;
    ControlAccess& c = m.controls;
    t.productName = f[2];
    t.firmwareVersion = f[3];
    t.ip8Text = f[5];
    t.macAddress = f[6];
    t.deviceName = f[7];
    c.setText(30, f[7]);
    if (c.windowOpen(devicewindow::kWindow)) {
        c.setText(devicewindow::kName, t.deviceName);
        c.setText(devicewindow::kProduct, t.productName);
        c.setText(devicewindow::kFirmware, t.firmwareVersion);
        c.setText(devicewindow::kIp8, t.ip8Text);
        c.setText(devicewindow::kMac, t.macAddress);
    }
}

void ReplyHandler::device(const ReplyFields& f)
{
    ControlAccess& c = m.controls;
    const QString& k = f[1];
    if (k == u"NAME") {
        // Only the identity reply changes the stored name.
        c.setText(devicewindow::kName, f[2]);
        c.setText(30, f[2]);
        return;
    }
    if (!c.windowOpen(devicewindow::kWindow)) return;
    if (k == u"SERIAL") c.setText(devicewindow::kSerial, f[2]);
    else if (k == u"VBAT") c.setText(devicewindow::kBattery, withUnitDivided(f[2], 1000.0f, 3));
    else if (k == u"VCC") c.setText(devicewindow::kSupply, withUnitDivided(f[2], 1000.0f, 3));
    else if (k == u"CPUVOLT") c.setText(devicewindow::kCpuVolt, f[2]);
    else if (k == u"TEMP") c.setText(devicewindow::kTemperature, f[2]);
}

void ReplyHandler::localGps(const ReplyFields& f)
{
    ControlAccess& c = m.controls;
    c.setText(68, f[2]);
    c.setBackground(68, activeLight(f[2] == u"A"));
    c.setText(69, formatCoordinate(f[3]));
    c.setText(70, formatCoordinate(f[4]));
    for (int i = 0; i < 5; ++i) c.setText(71 + i, f[5 + i]);
}

void ReplyHandler::mavlinkStatistics(const ReplyFields& f)
{
    ControlAccess& c = m.controls;
    c.setText(109, f[3] + u'%');
    c.setText(111, f[4] + u'%');
    c.setText(113, f[5]);
    c.setText(115, f[6]);
    c.setText(117, f[7]);
    c.setText(119, f[8]);
    c.setText(124, f[9]);
    for (const auto& [control, field] : {std::pair{122, 10}, std::pair{126, 11}}) {
        c.setBackground(control, mavlinkRateColour(num::readInt(f[field])));
        c.setText(control, f[field]);
    }
    c.setText(130, f[12]);
    c.setText(128, f[13]);
    c.setText(132, f[14]);
}

void ReplyHandler::vehiclePosition(const ReplyFields& f)
{
    ControlAccess& c = m.controls;
    c.setText(96, f[2]);
    c.setText(98, f[3]);
    c.setText(100, f[4]);
    c.setText(87, formatCoordinate(f[5]));
    c.setText(88, formatCoordinate(f[6]));
    for (int i = 0; i < 4; ++i) c.setText(89 + i, f[7 + i]);
    if (const auto fix = decodeFixType(f[11])) {
        c.setText(86, fix->text);
        c.setBackground(86, fix->background);
    }
    c.setText(93, f[12]);
    c.setText(94, f[13]);
}

void ReplyHandler::motorSetup(const ReplyFields& f)
{
    for (int i = 0; i < 16; ++i) m.controls.setText(135 + 2 * i, f[2 + i]);
}

void ReplyHandler::vehicleData(const ReplyFields& f)
{
    ControlAccess& c = m.controls;
    c.setText(102, f[2]);
    const qint64 relative = num::saturatingSub(num::readInt(f[3]), num::readInt(c.text(27)));
    c.setText(106, num::writeInt(relative));
    c.setText(104, f[6]);
}

void ReplyHandler::networkAddress(const ReplyFields& f)
{
    TrackerState& t = m.tracker;
    const QString& k2 = f[2];
    QString* stored = &t.deviceIp;
    int control = 193;
    if (k2 == u"SUBMASK") stored = &t.deviceSubmask, control = 195;
    else if (k2 == u"GATEWAY") stored = &t.deviceGateway, control = 197;
    *stored = f[3];
    if (m.controls.windowOpen(kEthernetWindow)) m.controls.setText(control, f[3]);
}

void ReplyHandler::portEntry(const ReplyFields& f)
{
    // The row is the port number's fourth digit: 8003 is row 3. A missing digit reads as 0.
    const qint64 row = num::readInt(f[3].mid(3, 1));
    if (row < 0 || row >= kPortCount) return;
    PortEntry& e = m.ports[std::size_t(row)];
    e.state = toInt(std::min<qint64>(num::readInt(f[4]), 1));
    e.type = toInt(std::min<qint64>(num::readInt(f[5]), 2));
    e.ipDest = f[6];
    e.portDest = num::readInt(f[7]);
    e.echo = toInt(std::min<qint64>(num::readInt(f[8]), 1));
    e.prop = num::readInt(f[9]) > 0 ? 1 : 0;
    e.cntRx = num::readInt(f[10]);
    e.cntTx = num::readInt(f[11]);

    if (!m.controls.windowOpen(kEthernetWindow) || !m.setPortCell) return;
    const int r = int(row);
    m.setPortCell(r, 2, num::writeInt(e.state));
    m.setPortCell(r, 3, num::writeInt(e.type));
    m.setPortCell(r, 4, e.ipDest);
    m.setPortCell(r, 5, num::writeInt(e.portDest));
    m.setPortCell(r, 6, num::writeInt(e.prop));
    m.setPortCell(r, 7, num::writeInt(e.echo));
    m.setPortCell(r, 8, num::writeInt(e.cntRx));
    m.setPortCell(r, 9, num::writeInt(e.cntTx));
}

void ReplyHandler::portCounters(const ReplyFields& f)
{
    // Open or closed, the port table keeps the counters: a window opened again shows them
    // until the next reply.
    if (!m.setPortCell) return;
    for (int row = 0; row < kPortCount; ++row) {
        m.setPortCell(row, 8, f[3 + 2 * row]);
        m.setPortCell(row, 9, f[4 + 2 * row]);
    }
}

void ReplyHandler::audio(const ReplyFields& f)
{
    if (f[2] == u"VOL") m.controls.setText(205, f[3]);
    else if (f[2] == u"TONE") m.controls.setText(211, f[3]);
}
