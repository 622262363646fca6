// The plots' series: the ring's bound and order, the replies-per-second count and the largest
// pointing error over a span.

#include <QTest>

#include "PlotSeries.h"

using namespace tracking;

namespace {

PlotPoint at(double t, float error = -1)
{
    PlotPoint p;
    p.t = t;
    if (error >= 0) {
        p.errorDeg = error;
        p.has = kHasError;
    }
    return p;
}

}  // namespace

class TestTrackingPlot : public QObject {
    Q_OBJECT

private slots:
    void ringKeepsTheNewest()
    {
        PlotSeries s(3);
        QCOMPARE(s.capacity(), 3);
        for (int i = 1; i <= 7; ++i) s.push(at(i));
        QCOMPARE(s.size(), 3);
        QCOMPARE(s[0].t, 5.0);
        QCOMPARE(s[1].t, 6.0);
        QCOMPARE(s[2].t, 7.0);
        QCOMPARE(s[3].t, 0.0);  // out of range: a default point
        QCOMPARE(s[-1].t, 0.0);
        s.clear();
        QCOMPARE(s.size(), 0);
        s.push(at(9));
        QCOMPARE(s[0].t, 9.0);

        PlotSeries all(0);
        for (int i = 0; i < 20000; ++i) all.push(at(i));
        QCOMPARE(all.size(), 20000);
        QCOMPARE(all[0].t, 0.0);
        QCOMPARE(all[19999].t, 19999.0);
    }

    void repliesPerSecond_data()
    {
        QTest::addColumn<qsizetype>("capacity");
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<QList<float>>("expected");
        QTest::newRow("the second ending at each point, inclusive")
            << qsizetype(0) << QList<double>{0, 0.5, 1.0, 1.0, 2.0, 2.05, 5}
            << QList<float>{1, 2, 3, 4, 3, 2, 1};
        QTest::newRow("10 Hz") << qsizetype(kLiveCapacity)
                               << QList<double>{0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9,
                                                1.0, 1.1}
                               << QList<float>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 11};
        QTest::newRow("clock set back") << qsizetype(0) << QList<double>{10, 10.5, 3, 3.2}
                                        << QList<float>{1, 2, 1, 2};
        QTest::newRow("more in a second than the ring holds")
            << qsizetype(2) << QList<double>{1, 1.1, 1.2, 1.3} << QList<float>{1, 2, 2, 2};
        // A real clock's times, where a second is a few units in the last place.
        QTest::newRow("epoch times")
            << qsizetype(100) << QList<double>{1796677875.1, 1796677875.9, 1796677876.1,
                                               1796677877.0, 1796677877.1}
            << QList<float>{1, 2, 3, 2, 3};
    }
    void repliesPerSecond()
    {
        QFETCH(qsizetype, capacity);
        QFETCH(QList<double>, times);
        QFETCH(QList<float>, expected);
        PlotSeries s(capacity);
        QList<float> got;
        for (const double t : times) {
            s.push(at(t));
            got << s.back().repliesPerS;
        }
        QCOMPARE(got, expected);
    }

    void samplesToPoints()
    {
        TrackSample sample;
        sample.utcMs = 1'796'677'875'123;
        sample.antennaAzDeg = 10;  // an azimuth alone is no direction
        QCOMPARE(toPlotPoint(sample).t, 1796677875.123);
        QCOMPARE(toPlotPoint(sample).has, 0);
        sample.antennaElDeg = 5;
        sample.vehicle = GeoPoint{45, 7, 1300};
        QCOMPARE(toPlotPoint(sample).has, kHasVehicle | kHasAntenna);

        sample.origin = GeoPoint{45, 7, 300};
        sample.los = lineOfSight(*sample.origin, *sample.vehicle);
        sample.pointingErrorDeg = 80;
        const PlotPoint p = toPlotPoint(sample);
        QCOMPARE(p.has, kHasVehicle | kHasGeometry | kHasDirection | kHasError | kHasAntenna);
        QCOMPARE(p.heightM, 1000.0f);
        QCOMPARE(p.losEl, 90.0f);
        QCOMPARE(p.errorDeg, 80.0f);
        QCOMPARE(p.antennaAz, 10.0f);
    }

    void largestErrorOverASpan()
    {
        PlotSeries s(0);
        QVERIFY(!maxErrorSince(s, 0).any);
        s.push(at(1, 5));
        s.push(at(2));
        s.push(at(3, 0.5));
        s.push(at(4, 2));
        s.push(at(5));
        QCOMPARE(maxErrorSince(s, 0).maxErrorDeg, 5.0);
        QCOMPARE(maxErrorSince(s, 3).maxErrorDeg, 2.0);
        QVERIFY(!maxErrorSince(s, 4.5).any);
        QCOMPARE(maxErrorBetween(s, 2, 3).maxErrorDeg, 0.5);
        QVERIFY(maxErrorBetween(s, 2, 3).any);
    }
};

QTEST_APPLESS_MAIN(TestTrackingPlot)
#include "tst_tracking_plot.moc"
