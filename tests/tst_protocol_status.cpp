#include <QTest>
#include <limits>

#include "StatusDecoding.h"

Q_DECLARE_METATYPE(Rgb)

namespace QTest {
template <>
char* toString(const Rgb& c) {
    return qstrdup(qPrintable(QStringLiteral("RGB(%1,%2,%3)").arg(c.r).arg(c.g).arg(c.b)));
}
}  // namespace QTest

class TestStatusDecoding : public QObject {
    Q_OBJECT

private slots:
    void alarms_data() {
        QTest::addColumn<qint64>("flags");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << qint64(0) << "";
        QTest::newRow("link") << qint64(1) << "Link|";
        QTest::newRow("link and low battery") << qint64(5) << "Link|BATL|";
        QTest::newRow("telemetry, failsafe") << qint64(24) << "TEL|FS|";
        QTest::newRow("VCC low") << qint64(32) << "VCCL|";
        QTest::newRow("VCC high alone") << qint64(64) << "VCCH";
        QTest::newRow("all") << qint64(127) << "Link|BATH|BATL|TEL|FS|VCCL|VCCH";
        QTest::newRow("bit 7 ignored") << qint64(128) << "";
        QTest::newRow("high bits ignored") << qint64(0x7FFFFFFFFFFFFF82) << "BATH|";
        QTest::newRow("negative") << qint64(-1) << "Link|BATH|BATL|TEL|FS|VCCL|VCCH";
        QTest::newRow("64-bit min") << std::numeric_limits<qint64>::min() << "";
    }
    void alarms() {
        QFETCH(qint64, flags);
        QFETCH(QString, expected);
        QCOMPARE(alarmText(flags), expected);
    }

    void calibration_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Rgb>("background");
        QTest::addColumn<bool>("show");
        QTest::addColumn<bool>("reset");
        QTest::newRow("0 none") << 0 << false << "" << Rgb{} << false << false;
        QTest::newRow("1 calibrating")
            << 1 << true << "Calibrating" << Rgb{255, 188, 0} << true << true;
        QTest::newRow("2 ok") << 2 << true << "OK" << Rgb{39, 255, 0} << false << false;
        QTest::newRow("3 error") << 3 << true << "ERROR" << Rgb{255, 0, 0} << true << false;
        QTest::newRow("4 not calibrated")
            << 4 << true << "Not calibrated" << Rgb{149, 149, 149} << true << false;
        QTest::newRow("5") << 5 << false << "" << Rgb{} << false << false;
        QTest::newRow("15") << 15 << false << "" << Rgb{} << false << false;
        QTest::newRow("-1") << -1 << false << "" << Rgb{} << false << false;
    }
    void calibration() {
        QFETCH(int, state);
        const CalibrationDisplay d = decodeCalibration(state);
        QTEST(d.changes, "changes");
        if (!d.changes) return;
        QTEST(d.text, "text");
        QTEST(d.background, "background");
        QTEST(d.show, "show");
        QTEST(d.resetOkCounter, "reset");
    }

    void calibrationFields_data() {
        QTest::addColumn<qint64>("packed");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("33: Y ok, X calibrating") << qint64(33) << 1 << 2;
        QTest::newRow("0") << qint64(0) << 0 << 0;
        QTest::newRow("0x4F") << qint64(0x4F) << 15 << 4;
        QTest::newRow("256 ignored") << qint64(256) << 0 << 0;
        QTest::newRow("-1") << qint64(-1) << 15 << 15;
    }
    void calibrationFields() {
        QFETCH(qint64, packed);
        QTEST(calibrationX(packed), "x");
        QTEST(calibrationY(packed), "y");
    }

    void fixType_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("changes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<Rgb>("background");
        const Rgb green{0, 255, 0};
        QTest::newRow("0") << "0" << true << "Invalid fix" << Rgb{255, 0, 0};
        QTest::newRow("1") << "1" << true << "Autonomous GPS" << green;
        QTest::newRow("2") << "2" << true << "Differential" << green;
        QTest::newRow("3") << "3" << true << "PPS" << green;
        QTest::newRow("4") << "4" << true << "RTK" << green;
        QTest::newRow("5") << "5" << true << "Floating RTK" << green;
        QTest::newRow("6") << "6" << true << "Own Estimate" << green;
        QTest::newRow("07") << "07" << false << "" << Rgb{};
        QTest::newRow("blank 1") << " 1" << false << "" << Rgb{};
        QTest::newRow("1 blank") << "1 " << false << "" << Rgb{};
        QTest::newRow("7") << "7" << false << "" << Rgb{};
        QTest::newRow("-0") << "-0" << false << "" << Rgb{};
        QTest::newRow("empty") << "" << false << "" << Rgb{};
    }
    void fixType() {
        QFETCH(QString, field);
        QFETCH(bool, changes);
        const std::optional<FixDisplay> d = decodeFixType(field);
        QCOMPARE(d.has_value(), changes);
        if (!d) return;
        QTEST(d->text, "text");
        QTEST(d->background, "background");
    }

    void rateLights_data() {
        QTest::addColumn<qint64>("rate");
        QTest::addColumn<bool>("gpsChanges");
        QTest::addColumn<Rgb>("gps");
        QTest::addColumn<Rgb>("mavlink");
        const Rgb red{255, 0, 0}, green{0, 255, 0};
        QTest::newRow("64-bit min") << std::numeric_limits<qint64>::min() << false << Rgb{} << red;
        QTest::newRow("-1") << qint64(-1) << false << Rgb{} << red;
        QTest::newRow("0") << qint64(0) << true << red << red;
        QTest::newRow("1") << qint64(1) << true << Rgb{255, 169, 0} << Rgb{255, 141, 0};
        QTest::newRow("2") << qint64(2) << true << green << green;
        QTest::newRow("many") << qint64(1000) << true << green << green;
    }
    void rateLights() {
        QFETCH(qint64, rate);
        QFETCH(bool, gpsChanges);
        const std::optional<Rgb> gps = gpsRawRateColour(rate);
        QCOMPARE(gps.has_value(), gpsChanges);
        if (gps) QTEST(*gps, "gps");
        QTEST(mavlinkRateColour(rate), "mavlink");
    }

    void twoStateLights() {
        QCOMPARE(activeLight(true), (Rgb{105, 250, 31}));
        QCOMPARE(activeLight(false), (Rgb{192, 192, 192}));
        QCOMPARE(goodBad(true), (Rgb{0, 255, 0}));
        QCOMPARE(goodBad(false), (Rgb{255, 0, 0}));
    }
};

QTEST_APPLESS_MAIN(TestStatusDecoding)
#include "tst_protocol_status.moc"
