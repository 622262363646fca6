// The line of sight against GeographicLib's own command-line tools (data/geometry-table.txt),
// the pointing error, and how the tracker's fields become positions and samples.

#include <QFile>
#include <QTest>
#include <cmath>
#include <limits>

#include "LineOfSight.h"
#include "TrackState.h"

using namespace tracking;

namespace {

/// "41.5678901" as the tracker sends it: "415678901".
QString fieldOf(double degrees) { return QString::number(std::llround(degrees * 1e7)); }

}  // namespace

class TestTrackingGeometry : public QObject {
    Q_OBJECT

private slots:
    void referenceTable_data()
    {
        QTest::addColumn<QStringList>("origin");
        QTest::addColumn<QStringList>("vehicle");
        QTest::addColumn<QList<double>>("expected");  // east north up ground az el slant
        QFile file(QStringLiteral(ATS_TEST_DATA "/geometry-table.txt"));
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        int rows = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromUtf8(file.readLine()).trimmed();
            if (line.isEmpty() || line.startsWith(u'#')) continue;
            const QStringList w = line.split(u' ', Qt::SkipEmptyParts);
            QCOMPARE(w.size(), 14);
            QList<double> expected;
            for (int i = 7; i < 14; ++i) expected << w[i].toDouble();
            QTest::newRow(qPrintable(w[0])) << w.mid(1, 3) << w.mid(4, 3) << expected;
            ++rows;
        }
        QCOMPARE(rows, 14);
    }
    void referenceTable()
    {
        QFETCH(QStringList, origin);
        QFETCH(QStringList, vehicle);
        QFETCH(QList<double>, expected);
        // Through the tracker's fields, as the console meets them.
        TrackState state;
        state.onStatus(fieldOf(origin[0].toDouble()), fieldOf(origin[1].toDouble()), origin[2],
                       u"12000", u"20");
        const TrackSample s =
            state.onPointing(0, LinkTag::Udp, 0, 0, fieldOf(vehicle[0].toDouble()),
                             fieldOf(vehicle[1].toDouble()), vehicle[2], 0);
        QVERIFY(s.los);
        const LineOfSight& los = *s.los;
        QVERIFY(std::abs(los.eastM - expected[0]) < 1e-5);
        QVERIFY(std::abs(los.northM - expected[1]) < 1e-5);
        QVERIFY(std::abs(los.upM - expected[2]) < 1e-5);
        QVERIFY(std::abs(los.groundRangeM - expected[3]) < 1e-6);
        QVERIFY(std::abs(los.slantRangeM - expected[6]) < 1e-5);
        QCOMPARE(los.hasDirection, expected[6] > 0);
        QCOMPARE(bool(s.pointingErrorDeg), los.hasDirection);
        if (!los.hasDirection) return;
        if (std::hypot(expected[0], expected[1]) > 1e-3)  // straight up has no azimuth
            QVERIFY2(std::abs(los.azimuthDeg - expected[4]) < 1e-7,
                     qPrintable(QString::number(los.azimuthDeg, 'f', 9)));
        QVERIFY(los.azimuthDeg >= 0 && los.azimuthDeg < 360);
        QVERIFY(std::abs(los.elevationDeg - expected[5]) < 1e-7);
        QVERIFY(std::abs(*s.pointingErrorDeg - angleBetweenDeg(0, 0, los.azimuthDeg,
                                                               los.elevationDeg)) < 1e-12);
    }

    void unusablePositions_data()
    {
        QTest::addColumn<double>("lat");
        QTest::addColumn<double>("lon");
        QTest::addColumn<double>("height");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double inf = std::numeric_limits<double>::infinity();
        QTest::newRow("latitude past 90") << 90.0000001 << 0.0 << 0.0;
        QTest::newRow("longitude past -180") << 10.0 << -180.0000001 << 0.0;
        QTest::newRow("NaN latitude") << nan << 0.0 << 0.0;
        QTest::newRow("infinite longitude") << 10.0 << inf << 0.0;
        QTest::newRow("infinite height") << 10.0 << 10.0 << -inf;
        QTest::newRow("height past 10,000 km") << 10.0 << 10.0 << 1.0000001e7;
    }
    void unusablePositions()
    {
        QFETCH(double, lat);
        QFETCH(double, lon);
        QFETCH(double, height);
        const GeoPoint good{45, 7, 300};
        QVERIFY(lineOfSight(good, GeoPoint{45.01, 7, 300}));
        QVERIFY(!lineOfSight(good, GeoPoint{lat, lon, height}));
        QVERIFY(!lineOfSight(GeoPoint{lat, lon, height}, good));
    }

    void pointingError_data()
    {
        QTest::addColumn<QList<double>>("directions");  // az1 el1 az2 el2
        QTest::addColumn<double>("expected");
        QTest::newRow("across north") << QList<double>{359, 0, 1, 0} << 2.0;
        QTest::newRow("over the zenith") << QList<double>{0, 89, 180, 89} << 2.0;
        QTest::newRow("same") << QList<double>{123.4, 5.6, 123.4, 5.6} << 0.0;
        QTest::newRow("zenith, any azimuth") << QList<double>{0, 90, 123, 90} << 0.0;
        QTest::newRow("opposite") << QList<double>{0, 0, 180, 0} << 180.0;
        QTest::newRow("elevation only") << QList<double>{90, 0, 90, 45} << 45.0;
        QTest::newRow("az 90 apart at el 45") << QList<double>{0, 45, 90, 45} << 60.0;
        QTest::newRow("a microdegree") << QList<double>{10, 20, 10, 20.000001} << 1e-6;
        QTest::newRow("azimuth 360 is 0") << QList<double>{360, 10, 0, 10} << 0.0;
    }
    void pointingError()
    {
        QFETCH(QList<double>, directions);
        QFETCH(double, expected);
        const double got =
            angleBetweenDeg(directions[0], directions[1], directions[2], directions[3]);
        QVERIFY2(std::abs(got - expected) < 1e-9, qPrintable(QString::number(got, 'g', 17)));
    }

    void positionFields_data()
    {
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QString>("lon");
        QTest::addColumn<QString>("alt");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("latDeg");
        QTest::addColumn<double>("heightM");
        QTest::newRow("plain") << "415678901"
                               << "-37654321"
                               << "120" << true << 41.5678901 << 120.0;
        QTest::newRow("blanks and line end")
            << "  415678901\r\n" << "\t-37654321 " << " 120.5\r" << true << 41.5678901 << 120.5;
        QTest::newRow("explicit plus") << "+5" << "5" << "-0.25" << true << 5e-7 << -0.25;
        QTest::newRow("height .5 and 5.") << "1" << "1" << ".5" << true << 1e-7 << 0.5;
        QTest::newRow("south pole") << "-900000000" << "1800000000" << "0" << true << -90.0 << 0.0;
        QTest::newRow("latitude zero alone") << "0" << "10" << "0" << true << 0.0 << 0.0;
        QTest::newRow("0,0 is no position yet") << "0" << "-0" << "100" << false << 0.0 << 0.0;
        QTest::newRow("latitude past 90") << "900000001" << "0" << "0" << false << 0.0 << 0.0;
        QTest::newRow("longitude past 180") << "1" << "-1800000001" << "0" << false << 0.0 << 0.0;
        QTest::newRow("past 64 bits") << "99999999999999999999999" << "1" << "0" << false << 0.0
                                      << 0.0;
        QTest::newRow("decimal latitude") << "41.5" << "1" << "0" << false << 0.0 << 0.0;
        QTest::newRow("digits then garbage") << "12x" << "1" << "0" << false << 0.0 << 0.0;
        QTest::newRow("blank inside") << "12 34" << "1" << "0" << false << 0.0 << 0.0;
        QTest::newRow("sign alone") << "-" << "1" << "0" << false << 0.0 << 0.0;
        QTest::newRow("missing longitude") << "1" << "" << "0" << false << 0.0 << 0.0;
        QTest::newRow("missing height") << "1" << "1" << "" << false << 0.0 << 0.0;
        QTest::newRow("height NaN") << "1" << "1" << "NaN" << false << 0.0 << 0.0;
        QTest::newRow("height exponent") << "1" << "1" << "1e3" << false << 0.0 << 0.0;
        QTest::newRow("height decimal comma") << "1" << "1" << "12,5" << false << 0.0 << 0.0;
        QTest::newRow("height two points") << "1" << "1" << "1.2.3" << false << 0.0 << 0.0;
        QTest::newRow("height point alone") << "1" << "1" << "." << false << 0.0 << 0.0;
        QTest::newRow("height past 10,000 km") << "1" << "1" << "10000000.5" << false << 0.0 << 0.0;
    }
    void positionFields()
    {
        QFETCH(QString, lat);
        QFETCH(QString, lon);
        QFETCH(QString, alt);
        QFETCH(bool, valid);
        const std::optional<GeoPoint> p = positionFromFields(lat, lon, alt);
        QCOMPARE(bool(p), valid);
        if (!p) return;
        QFETCH(double, latDeg);
        QFETCH(double, heightM);
        QCOMPARE(p->latDeg, latDeg);
        QCOMPARE(p->heightM, heightM);
    }

    void samples()
    {
        TrackState state;
        // No origin yet: the vehicle, but no geometry.
        TrackSample s = state.onPointing(5, LinkTag::Com, 10, 20, u"415678901", u"-37654321",
                                         u"150", 7);
        QVERIFY(s.vehicle && !s.origin && !s.los && !s.pointingErrorDeg);
        QVERIFY(!s.supplyV && !s.temperatureC);
        QCOMPARE(s.trackerFlags, 7);

        state.onStatus(u"415678901", u"-37654321", u"100", u"12345", u"-5.5");
        QCOMPARE(state.supplyV().value_or(0), 12.345);
        QCOMPARE(state.temperatureC().value_or(0), -5.5);
        s = state.onPointing(5, LinkTag::Com, 10, 20, u"415678901", u"-37654321", u"150", 7);
        QVERIFY(s.los && s.los->hasDirection && s.pointingErrorDeg);
        QVERIFY(std::abs(s.los->elevationDeg - 90.0) < 1e-6);
        QVERIFY(std::abs(*s.pointingErrorDeg - 70.0) < 1e-9);
        QCOMPARE(s.supplyV.value_or(0), 12.345);

        // On the tracker: a line of sight without direction, hence no pointing error.
        s = state.onPointing(5, LinkTag::Com, 10, 20, u"415678901", u"-37654321", u"100", 7);
        QVERIFY(s.los && !s.los->hasDirection && !s.pointingErrorDeg);
        QCOMPARE(s.los->slantRangeM, 0.0);

        // The origin moves 100 m up: the geometry follows it. Unreadable readings are unknown.
        state.onStatus(u"415678901", u"-37654321", u"200", u"", u"warm");
        QVERIFY(!state.supplyV() && !state.temperatureC());
        s = state.onPointing(5, LinkTag::Com, 10, 20, u"415678901", u"-37654321", u"100", 7);
        QVERIFY(std::abs(s.los->upM + 100) < 1e-6);
        QVERIFY(std::abs(s.los->elevationDeg + 90.0) < 1e-6);

        // Garbage origin: no geometry. Out-of-range antenna angles are limited; NaN is no angle.
        state.onStatus(u"0", u"0", u"0", u"1e9", u"99999999999");
        QVERIFY(!state.origin() && !state.supplyV() && !state.temperatureC());
        s = state.onPointing(5, LinkTag::None, std::numeric_limits<double>::quiet_NaN(), -1e300,
                             u"415678901", u"-37654321", u"100", 7);
        QVERIFY(!s.los && !s.antennaAzDeg && !s.antennaElDeg && !s.pointingErrorDeg);
        s = state.onPointing(0, LinkTag::None, 400, -1e300, u"", u"", u"", 0);
        QCOMPARE(s.antennaAzDeg.value_or(0), 360.0);
        QCOMPARE(s.antennaElDeg.value_or(0), -90.0);
    }
};

QTEST_APPLESS_MAIN(TestTrackingGeometry)
#include "tst_tracking_geometry.moc"
