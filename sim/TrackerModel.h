#pragma once
// The simulated MERLAN tracker: its settings, its simulated sensors and telemetry, answering one
// command text at a time. Time comes in from outside (milliseconds of any monotonic clock), so
// the same commands at the same times always give the same replies.
//
// A simulated vehicle flies a circuit by itself (SimulatedFlight); the operator's object
// ("GPSOBJ") takes its place for good. With every command it handles, the tracker aims its
// antenna at the vehicle's reported position from its own, so that the pointing error seen
// from outside is the drive's lag and the rounding of the replies.

#include "AxisDrive.h"
#include "LineOfSight.h"
#include "SimulatedFlight.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QByteArrayView>
#include <QtGlobal>
#include <array>
#include <optional>

class TrackerModel {
public:
    /// Longest reply text. With the serial end marker added it still stays below the 255 bytes
    /// that the console takes from one read.
    static constexpr int kMaxReplyLength = 248;
    static constexpr int kPortCount = 8;
    static constexpr int kFirstPort = 8000;
    static constexpr qint64 kCalibrationMs = 3000;
    /// The local GPS reports no fix ("V") for this long after power-on.
    static constexpr qint64 kGpsAcquireMs = 10000;
    /// After "DX" or "DY" the axis stays where it was sent for this long, then tracks again.
    static constexpr qint64 kManualHoldMs = 30000;

    enum CalibrationState {
        Calibrating = 1,
        CalibrationOk = 2,
        CalibrationError = 3,
        NotCalibrated = 4
    };

    /// `azimuthOffsetDeg` is added to every azimuth the tracker aims at (not to manual moves).
    explicit TrackerModel(qint64 startMs = 0, double azimuthOffsetDeg = 0);

    /// Answers one command (no prefix, no terminator; surrounding blanks and line ends are
    /// ignored). `portRow` 0..7 names the Ethernet port the command came in on, so that its
    /// counters move; any other value (the serial line) counts nowhere.
    QByteArray handle(QByteArrayView command, qint64 nowMs, int portRow = -1);

    /// Axis positions in tenths of a degree, as "DXYPV" reports them.
    int azimuthTenths(qint64 nowMs) const;
    int elevationTenths(qint64 nowMs) const;
    int calibrationState(int axis, qint64 nowMs) const;

private:
    struct Port {
        int state = 0;
        int type = 0;
        QByteArray ipDest = "0.0.0.0";
        qint64 portDest = 0;
        int echo = 0;
        int prop = 0;
        qint64 cntRx = 0;
        qint64 cntTx = 0;
    };
    struct Calibration {
        bool running = false;
        qint64 sinceMs = 0;
        int forced = 0;  ///< a state set by "SIM CAL"; 0 when the timeline applies
    };
    struct Position {
        qint64 lat = 0;  ///< 1e-7 degree
        qint64 lon = 0;
        qint64 alt = 0;  ///< metres
    };

    QByteArray dispatch(const QByteArrayList& w, QByteArrayView text, qint64 now);
    QByteArray pointing(qint64 now) const;
    QByteArray status(qint64 now) const;
    QByteArray identity() const;
    QByteArray net(const QByteArrayList& w, QByteArrayView text);
    QByteArray portReply(int row) const;
    QByteArray uploadPort(const QByteArrayList& w, QByteArrayView text);
    QByteArray mav(const QByteArrayList& w, QByteArrayView text);
    QByteArray motors(const QByteArrayList& w, QByteArrayView text, qint64 now);
    QByteArray audio(const QByteArrayList& w, QByteArrayView text);
    QByteArray vehicleGps(qint64 now) const;
    QByteArray vehicleData(qint64 now) const;
    QByteArray localGps(qint64 now) const;
    QByteArray moveAxis(const QByteArrayList& w, QByteArrayView text, qint64 now);
    QByteArray offset(const QByteArrayList& w, QByteArrayView text);
    QByteArray position(const QByteArrayList& w, QByteArrayView text);
    QByteArray switchOrLimit(const QByteArrayList& w, QByteArrayView t, qint64 now);
    QByteArray simHook(const QByteArrayList& w, QByteArrayView text);

    struct Aim {
        double azimuthDeg;
        double elevationDeg;
    };

    void advance(qint64 now);
    std::optional<Aim> aimAt(qint64 now) const;
    void aim(qint64 now);
    int flags(qint64 now) const;
    int alarms() const;
    int temperature(qint64 now) const;
    qint64 supplyMillivolts(qint64 now) const;
    Position vehicleAt(qint64 now) const;
    std::optional<tracking::LineOfSight> sightAt(qint64 now) const;
    qint64 distanceAt(qint64 now) const;

    qint64 m_startMs;
    qint64 m_lastMs;
    double m_azimuthOffset;
    AxisDrive m_x;
    AxisDrive m_y;
    /// When each axis was last moved by hand; empty while it tracks.
    std::array<std::optional<qint64>, 2> m_manualSince;
    std::array<Calibration, 2> m_calibration;

    qint64 m_offsetX = 0;  ///< tenths
    qint64 m_offsetY = 0;
    qint64 m_distMin = 10;
    bool m_mavlink = false;
    bool m_gcs = false;
    qint64 m_gcsSinceMs = 0;
    qint64 m_homeType = 0;
    Position m_origin{flight::kSiteLat, flight::kSiteLon, flight::kSiteAlt};
    bool m_hasObject = false;
    Position m_object;
    qint64 m_fanOn = 35;
    qint64 m_heatOn = 5;
    qint64 m_forcedAlarms = 0;

    QByteArray m_name = "MERLAN_SIM";
    QByteArray m_ip = "192.168.1.224";
    QByteArray m_submask = "255.255.255.0";
    QByteArray m_gateway = "192.168.1.1";
    std::array<Port, kPortCount> m_ports;

    /// MAVLink reception time since the last statistics reset, and in total.
    qint64 m_mavMs = 0;
    qint64 m_telemetryMs = 0;

    /// PROP X, PROP Y, AMX, AMY, AMINX, AMINY, AMAXX, AMAXY: what the default command sets.
    std::array<qint64, 8> m_motor{6, 6, 10, 10, 25, 12, 150, 140};
    qint64 m_volume = 70;
    qint64 m_tone = 4;
};
