#pragma once
// Everything the tracker last reported that the console keeps. Written only by the reply
// handlers; values that are only displayed are kept as the received text.

#include <QString>
#include <QtGlobal>

enum class CalibrationState : int { None = 0, Calibrating = 1, Ok = 2, Error = 3, NotCalibrated = 4 };

struct TrackerState {
    float azimuthDeg = 0;    ///< X axis, degrees, 0..360
    float elevationDeg = 0;  ///< Y axis, degrees, -90..90
    QString vehicleLat, vehicleLon, vehicleAlt;
    qint64 trackerFlags = 0;
    int calibrationStateX = 0;  ///< raw 0..15; see CalibrationState
    int calibrationStateY = 0;

    QString offsetX, offsetY;
    QString distMin;
    bool mavlinkEnabled = false;
    int homeType = 0;
    QString orgLat, orgLon, orgAlt;
    QString fanOnTemp, heatOnTemp;
    bool fanActive = false;
    bool heaterActive = false;
    qint64 alarmFlags = 0;
    QString supplyVoltageText = QStringLiteral("0.0V");
    QString temperatureText = QStringLiteral("T:0\u00BAc");
    QString distance;
    qint64 gpsRawRate = 0;

    QString deviceIp, deviceSubmask, deviceGateway;
    QString productName, firmwareVersion, ip8Text, macAddress, deviceName;
};
