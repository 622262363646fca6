// The gauge picture read back pixel by pixel, and the geometry behind it.

#include <QtTest>

#include <cmath>
#include <limits>

#include "Gauges.h"

Q_DECLARE_METATYPE(GaugeInputs)

namespace {

constexpr QRgb kRim = 0x30b0d2;     // 48,176,210
constexpr QRgb kFace = 0x27404a;    // 39,64,74
constexpr QRgb kCross = 0x06a016;   // 6,160,22
constexpr QRgb kNeedle = 0x7bf1ec;  // 123,241,236
constexpr QRgb kTipGrey = 0xc7c7c7;
constexpr QRgb kRed = 0xff0000;
constexpr QRgb kDotOff = 0x505050;
constexpr QRgb kDotOn = 0x50ff50;
constexpr QRgb kWhite = 0xffffff;
constexpr QRgb kGrey = 0x808080;
constexpr QRgb kBlue = 0x0800ff;  // 8,0,255
constexpr QRgb kCold = 0x00f1ff;  // 0,241,255

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();

QRgb rgbAt(const QImage& img, int x, int y) {
    return img.pixel(x, y) & 0xffffff;
}
QRgb rgbAt(const QImage& img, QPoint p) {
    return rgbAt(img, p.x(), p.y());
}

/// Bounding box of the pixels of exactly `colour` inside `area` (null when there are none).
QRect pixelsOf(const QImage& img, QRect area, QRgb colour) {
    QRect box;
    area &= img.rect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (rgbAt(img, x, y) == colour) box |= QRect(x, y, 1, 1);
    return box;
}

/// The pixels within `reach` of `c` that hold `colour`, as offsets from `c`.
QSet<QPoint> patternAround(const QImage& img, QPoint c, int reach, QRgb colour) {
    QSet<QPoint> out;
    for (int dy = -reach; dy <= reach; ++dy)
        for (int dx = -reach; dx <= reach; ++dx)
            if (rgbAt(img, c.x() + dx, c.y() + dy) == colour) out.insert(QPoint(dx, dy));
    return out;
}

QSet<QPoint> discPattern(int r) {
    QSet<QPoint> out;
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (dx * dx + dy * dy <= r * r + r) out.insert(QPoint(dx, dy));
    return out;
}

GaugeInputs angles(float az, float el, qint64 flags = 0) {
    GaugeInputs in;
    in.azimuthDeg = az;
    in.elevationDeg = el;
    in.trackerFlags = flags;
    return in;
}

QString degreeText(const char* s) {
    return QString::fromUtf8(s);
}

}  // namespace

class TestGauges : public QObject {
    Q_OBJECT

private slots:
    void needleGeometry_data();
    void needleGeometry();
    void markerDots();
    void discRows_data();
    void discRows();
    void linePixels_data();
    void linePixels();
    void readoutTexts_data();
    void readoutTexts();
    void voltageStyles_data();
    void voltageStyles();

    void staticPicture();
    void needlePixels_data();
    void needlePixels();
    void tipIsSymmetricDisc_data();
    void tipIsSymmetricDisc();
    void flagColours_data();
    void flagColours();
    void axisReadoutPlacement_data();
    void axisReadoutPlacement();
    void voltageReadout_data();
    void voltageReadout();
    void temperatureReadout_data();
    void temperatureReadout();

    void cachedMatchesUncached_data();
    void cachedMatchesUncached();
    void cachedSequenceLeavesNothingBehind();
    void heldCopySurvivesNextDraw();
    void trackingSweepMatchesUncached();
};

void TestGauges::needleGeometry_data() {
    QTest::addColumn<bool>("azimuth");
    QTest::addColumn<float>("deg");
    QTest::addColumn<int>("angle");
    QTest::addColumn<QPoint>("endLeft");
    QTest::addColumn<QPoint>("endMiddle");
    QTest::addColumn<QPoint>("endRight");
    QTest::addColumn<QPoint>("tip");

    QTest::newRow("az 0 straight up") << true << 0.0f << -90 << QPoint(139, 20) << QPoint(140, 20)
                                      << QPoint(141, 20) << QPoint(140, 22);
    QTest::newRow("az 90 right") << true << 90.0f << 0 << QPoint(194, 75) << QPoint(195, 75)
                                 << QPoint(196, 75) << QPoint(193, 75);
    QTest::newRow("az 180 down") << true << 180.0f << 90 << QPoint(139, 130) << QPoint(140, 130)
                                 << QPoint(141, 130) << QPoint(140, 128);
    QTest::newRow("az 359.9 up") << true << 359.9f << 270 << QPoint(139, 20) << QPoint(140, 20)
                                 << QPoint(141, 20) << QPoint(140, 22);
    QTest::newRow("az 360 up") << true << 360.0f << 270 << QPoint(139, 20) << QPoint(140, 20)
                               << QPoint(141, 20) << QPoint(140, 22);
    // 166.5 and 168.5 go to the even neighbour, 167.5 up to 168.
    QTest::newRow("az 30 halves") << true << 30.0f << -60 << QPoint(166, 27) << QPoint(168, 27)
                                  << QPoint(168, 27) << QPoint(166, 29);
    QTest::newRow("az 0.5 rounds to -90") << true << 0.5f << -90 << QPoint(139, 20)
                                          << QPoint(140, 20) << QPoint(141, 20) << QPoint(140, 22);
    QTest::newRow("az NaN is angle 0") << true << kNaN << 0 << QPoint(194, 75) << QPoint(195, 75)
                                       << QPoint(196, 75) << QPoint(193, 75);
    // Exact halves go to the even side whatever the floating-point error of cos and sin:
    // 112.5 becomes 112 (and the tip's 113.5 becomes 114), 47.5 becomes 48.
    QTest::newRow("az 210") << true << 210.0f << 120 << QPoint(112, 123) << QPoint(112, 123)
                            << QPoint(114, 123) << QPoint(114, 121);
    QTest::newRow("az 300") << true << 300.0f << 210 << QPoint(91, 48) << QPoint(92, 48)
                            << QPoint(93, 48) << QPoint(94, 48);
    // 47.5 becomes 48, the tip's 48.5 becomes 48 as well.
    QTest::newRow("el 30") << false << 30.0f << -30 << QPoint(345, 48) << QPoint(346, 48)
                           << QPoint(347, 48) << QPoint(344, 48);
    QTest::newRow("el 0 right") << false << 0.0f << 0 << QPoint(352, 75) << QPoint(353, 75)
                                << QPoint(354, 75) << QPoint(351, 75);
    QTest::newRow("el 90 up") << false << 90.0f << -90 << QPoint(297, 20) << QPoint(298, 20)
                              << QPoint(299, 20) << QPoint(298, 22);
    QTest::newRow("el -90 down") << false << -90.0f << 90 << QPoint(297, 130) << QPoint(298, 130)
                                 << QPoint(299, 130) << QPoint(298, 128);
    QTest::newRow("el 2.5 rounds to -2") << false << 2.5f << -2 << QPoint(352, 73)
                                         << QPoint(353, 73) << QPoint(354, 73) << QPoint(351, 73);
    QTest::newRow("el NaN is angle 0") << false << kNaN << 0 << QPoint(352, 75) << QPoint(353, 75)
                                       << QPoint(354, 75) << QPoint(351, 75);
}

void TestGauges::needleGeometry() {
    QFETCH(bool, azimuth);
    QFETCH(float, deg);
    QFETCH(int, angle);
    QFETCH(QPoint, endLeft);
    QFETCH(QPoint, endMiddle);
    QFETCH(QPoint, endRight);
    QFETCH(QPoint, tip);

    const QPoint c = azimuth ? gauge::kAzimuthCentre : gauge::kElevationCentre;
    const int a = azimuth ? gauge::azimuthNeedleAngle(deg) : gauge::elevationNeedleAngle(deg);
    QCOMPARE(a, angle);
    QCOMPARE(gauge::needleEnd(c, a, -1), endLeft);
    QCOMPARE(gauge::needleEnd(c, a, 0), endMiddle);
    QCOMPARE(gauge::needleEnd(c, a, 1), endRight);
    QCOMPARE(gauge::needleTip(c, a), tip);
}

void TestGauges::markerDots() {
    QCOMPARE(gauge::elevationMarkerA(gauge::kElevationCentre), QPoint(302, 30));
    QCOMPARE(gauge::elevationMarkerB(gauge::kElevationCentre), QPoint(330, 107));

    // Out-of-range angles saturate and still give points on the dial.
    QCOMPARE(gauge::azimuthNeedleAngle(kInf), kIntMax);
    QCOMPARE(gauge::azimuthNeedleAngle(-kInf), kIntMin);
    QCOMPARE(gauge::elevationNeedleAngle(kInf), kIntMin);
    QCOMPARE(gauge::elevationNeedleAngle(std::numeric_limits<float>::max()), kIntMin);
    for (int a : {kIntMax, kIntMin}) {
        const QPoint end = gauge::needleEnd(gauge::kAzimuthCentre, a, 1);
        QVERIFY(qAbs(end.x() - 141) <= 55 && qAbs(end.y() - 75) <= 55);
    }
}

void TestGauges::discRows_data() {
    QTest::addColumn<int>("radius");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("half");

    QTest::newRow("r3 centre row") << 3 << 0 << 3;
    QTest::newRow("r3 row 1") << 3 << 1 << 3;
    QTest::newRow("r3 row -2") << 3 << -2 << 2;
    QTest::newRow("r3 top row") << 3 << -3 << 1;
    QTest::newRow("r3 outside") << 3 << 4 << -1;
    QTest::newRow("r57 centre") << 57 << 0 << 57;
    QTest::newRow("r57 bottom") << 57 << 57 << 7;
    QTest::newRow("r55 top") << 55 << -55 << 7;
    QTest::newRow("r0 single pixel") << 0 << 0 << 0;
    QTest::newRow("negative radius") << -1 << 0 << -1;
    QTest::newRow("huge radius") << kIntMax << 0 << -1;
    QTest::newRow("huge row") << 3 << kIntMin << -1;
}

void TestGauges::discRows() {
    QFETCH(int, radius);
    QFETCH(int, dy);
    QFETCH(int, half);
    QCOMPARE(gauge::discHalfWidth(radius, dy), half);
    if (half >= 0 && radius < 100) QCOMPARE(gauge::discHalfWidth(radius, -dy), half);
}

void TestGauges::linePixels_data() {
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<int>("count");

    QTest::newRow("single point") << QPoint(5, 5) << QPoint(5, 5) << 1;
    QTest::newRow("horizontal") << QPoint(140, 75) << QPoint(195, 75) << 56;
    QTest::newRow("vertical up") << QPoint(140, 75) << QPoint(140, 20) << 56;
    QTest::newRow("diagonal") << QPoint(0, 0) << QPoint(-10, 10) << 11;
    QTest::newRow("needle at 30") << QPoint(139, 75) << QPoint(166, 27) << 49;
    QTest::newRow("shallow") << QPoint(297, 75) << QPoint(345, 48) << 49;
    QTest::newRow("too long") << QPoint(kIntMin, 0) << QPoint(kIntMax, 0) << 0;
}

void TestGauges::linePixels() {
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(int, count);

    const QPolygon px = gauge::linePixels(from, to);
    QCOMPARE(px.size(), count);
    if (count == 0) return;
    QCOMPARE(px.first(), from);
    QCOMPARE(px.last(), to);
    for (int i = 1; i < px.size(); ++i) {
        const QPoint step = px[i] - px[i - 1];
        QVERIFY2(qAbs(step.x()) <= 1 && qAbs(step.y()) <= 1 && step != QPoint(),
                 qPrintable(QStringLiteral("gap at %1").arg(i)));
    }
}

void TestGauges::readoutTexts_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("value");

    QTest::newRow("voltage") << "V"
                             << "16.8V" << 16.8f;
    QTest::newRow("voltage initial") << "V"
                                     << "0.0V" << 0.0f;
    QTest::newRow("voltage empty") << "V"
                                   << "" << 0.0f;
    QTest::newRow("voltage unit only") << "V"
                                       << "V" << 0.0f;
    QTest::newRow("voltage garbage") << "V"
                                     << "abcV" << 0.0f;
    QTest::newRow("temperature") << "T" << degreeText("T:25ºc") << 25.0f;
    QTest::newRow("temperature negative") << "T" << degreeText("T:-12.5ºc") << -12.5f;
    QTest::newRow("temperature initial") << "T" << degreeText("T:0ºc") << 0.0f;
    QTest::newRow("temperature no value") << "T" << degreeText("T:ºc") << 0.0f;
    QTest::newRow("temperature short") << "T"
                                       << "T:" << 0.0f;
    QTest::newRow("temperature empty") << "T"
                                       << "" << 0.0f;
}

void TestGauges::readoutTexts() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(float, value);
    QCOMPARE(kind == "V" ? gauge::voltageValue(text) : gauge::temperatureValue(text), value);
}

void TestGauges::voltageStyles_data() {
    QTest::addColumn<float>("volts");
    QTest::addColumn<bool>("box");
    QTest::addColumn<QRgb>("boxColour");
    QTest::addColumn<QRgb>("textColour");

    QTest::newRow("16.8 normal") << 16.8f << false << QRgb(0) << kNeedle;
    QTest::newRow("16.81 high") << 16.81f << true << kRed << kWhite;
    QTest::newRow("14.0 normal") << 14.0f << false << QRgb(0) << kNeedle;
    QTest::newRow("13.99 low") << 13.99f << true << kBlue << kWhite;
    QTest::newRow("infinity high") << kInf << true << kRed << kWhite;
    QTest::newRow("minus infinity low") << -kInf << true << kBlue << kWhite;
    QTest::newRow("NaN normal") << kNaN << false << QRgb(0) << kNeedle;
}

void TestGauges::voltageStyles() {
    QFETCH(float, volts);
    QFETCH(bool, box);
    QFETCH(QRgb, boxColour);
    QFETCH(QRgb, textColour);

    const gauge::ReadoutStyle s = gauge::voltageStyle(volts);
    QCOMPARE(s.box, box);
    if (box) QCOMPARE(s.boxColour.rgb() & 0xffffff, boxColour);
    QCOMPARE(s.textColour.rgb() & 0xffffff, textColour);
}

void TestGauges::staticPicture() {
    GaugePainter g;
    const QImage& img = g.draw(GaugeInputs());
    QCOMPARE(img.size(), QSize(410, 150));

    // Azimuth dial: two pixels of rim left of the cross bar, face inside, grey outside.
    QCOMPARE(rgbAt(img, 82, 75), kGrey);
    QCOMPARE(rgbAt(img, 83, 75), kRim);
    QCOMPARE(rgbAt(img, 84, 75), kRim);
    QCOMPARE(rgbAt(img, 85, 75), kCross);
    QCOMPARE(rgbAt(img, 85, 74), kCross);
    QCOMPARE(rgbAt(img, 85, 73), kFace);
    QCOMPARE(rgbAt(img, 140, 17), kGrey);
    QCOMPARE(rgbAt(img, 140, 18), kRim);
    QCOMPARE(rgbAt(img, 140, 132), kRim);
    QCOMPARE(rgbAt(img, 140, 133), kGrey);
    // The vertical bar is one row longer at the bottom and reaches into the rim there.
    QCOMPARE(rgbAt(img, 139, 131), kCross);
    QCOMPARE(rgbAt(img, 141, 131), kRim);
    QCOMPARE(rgbAt(img, 141, 130), kFace);
    QCOMPARE(rgbAt(img, 100, 100), kFace);

    // Elevation dial: the left half is masked, the bars run along the centre column and row.
    QCOMPARE(rgbAt(img, 297, 100), kGrey);
    QCOMPARE(rgbAt(img, 260, 100), kGrey);
    QCOMPARE(rgbAt(img, 298, 100), kCross);
    QCOMPARE(rgbAt(img, 299, 100), kCross);
    QCOMPARE(rgbAt(img, 300, 100), kFace);
    QCOMPARE(rgbAt(img, 330, 76), kCross);
    QCOMPARE(rgbAt(img, 330, 77), kFace);
    QCOMPARE(rgbAt(img, 355, 80), kRim);
    QCOMPARE(rgbAt(img, 298, 18), kRim);

    // Corners and the gap between the dials stay the picture background.
    for (const QPoint p : {QPoint(0, 0), QPoint(409, 149), QPoint(215, 40), QPoint(409, 0)})
        QCOMPARE(rgbAt(img, p), kGrey);
    // Scale letters and titles leave pixels of their colours where they are drawn.
    QVERIFY(!pixelsOf(img, QRect(135, 2, 14, 15), 0x34bee3).isNull());    // "N"
    QVERIFY(!pixelsOf(img, QRect(90, 75, 60, 15), kRim).isNull());        // "Azimuth"
    QVERIFY(!pixelsOf(img, QRect(288, 132, 25, 16), 0x34bee3).isNull());  // "-90"
}

void TestGauges::needlePixels_data() {
    QTest::addColumn<bool>("azimuth");
    QTest::addColumn<float>("deg");

    QTest::newRow("az 0") << true << 0.0f;
    QTest::newRow("az 90") << true << 90.0f;
    QTest::newRow("az 30") << true << 30.0f;
    QTest::newRow("az 200") << true << 200.0f;
    QTest::newRow("az 359.9") << true << 359.9f;
    QTest::newRow("el 30") << false << 30.0f;
    QTest::newRow("el 90") << false << 90.0f;
    QTest::newRow("el -90") << false << -90.0f;
    QTest::newRow("el -45") << false << -45.0f;
}

void TestGauges::needlePixels() {
    QFETCH(bool, azimuth);
    QFETCH(float, deg);

    GaugePainter g;
    const QImage& img = g.draw(azimuth ? angles(deg, 0) : angles(0, deg));
    const QPoint c = azimuth ? gauge::kAzimuthCentre : gauge::kElevationCentre;
    const int a = azimuth ? gauge::azimuthNeedleAngle(deg) : gauge::elevationNeedleAngle(deg);
    const QPoint tip = gauge::needleTip(c, a);
    // The readout text and the dots are drawn over the needle; leave their areas out.
    const QRect readout =
        azimuth ? QRect(c.x() - 40, c.y() - 20, 60, 16) : QRect(c.x() + 10, c.y() - 20, 60, 16);
    const QList<QPoint> dots =
        azimuth ? QList<QPoint>{QPoint(c.x(), c.y() - 45)}
                : QList<QPoint>{gauge::elevationMarkerA(c), gauge::elevationMarkerB(c)};
    auto hidden = [&](QPoint p) {
        if (readout.contains(p)) return true;
        for (const QPoint d : dots)
            if ((p - d).manhattanLength() <= 6) return true;
        const QPoint t = p - tip;
        return t.x() * t.x() + t.y() * t.y() <= 12;
    };

    int checked = 0;
    for (int k = -1; k <= 1; ++k) {
        for (const QPoint p :
             gauge::linePixels(QPoint(c.x() + k, c.y()), gauge::needleEnd(c, a, k))) {
            if (hidden(p)) continue;
            QVERIFY2(rgbAt(img, p) == kNeedle,
                     qPrintable(QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y())));
            ++checked;
        }
    }
    QVERIFY(checked > 30);
    // Just beyond the tip lies the rim or the face, never the needle.
    const QPoint beyond = gauge::dialPoint(c, 57, a);
    QVERIFY(rgbAt(img, beyond) != kNeedle);
}

void TestGauges::tipIsSymmetricDisc_data() {
    QTest::addColumn<float>("el");
    QTest::addColumn<qint64>("flags");
    QTest::addColumn<QPoint>("centre");
    QTest::addColumn<QRgb>("colour");

    QTest::newRow("el 30 tip") << 30.0f << qint64(0) << QPoint(344, 48) << kTipGrey;
    QTest::newRow("el 30 tip alarm") << 30.0f << qint64(32) << QPoint(344, 48) << kRed;
    QTest::newRow("el 0 tip") << 0.0f << qint64(0) << QPoint(351, 75) << kTipGrey;
    QTest::newRow("north dot") << 0.0f << qint64(1) << QPoint(140, 30) << kDotOn;
    QTest::newRow("lower elevation dot") << 0.0f << qint64(0) << QPoint(330, 107) << kDotOff;
}

void TestGauges::tipIsSymmetricDisc() {
    QFETCH(float, el);
    QFETCH(qint64, flags);
    QFETCH(QPoint, centre);
    QFETCH(QRgb, colour);

    GaugePainter g;
    const QImage& img = g.draw(angles(0, el, flags));
    QCOMPARE(patternAround(img, centre, 5, colour), discPattern(3));
}

void TestGauges::flagColours_data() {
    QTest::addColumn<qint64>("flags");
    QTest::addColumn<QRgb>("north");
    QTest::addColumn<QRgb>("upper");
    QTest::addColumn<QRgb>("lower");
    QTest::addColumn<QRgb>("tips");

    QTest::newRow("none") << qint64(0) << kDotOff << kDotOff << kDotOff << kTipGrey;
    QTest::newRow("1 north") << qint64(1) << kDotOn << kDotOff << kDotOff << kTipGrey;
    QTest::newRow("2 upper") << qint64(2) << kDotOff << kDotOn << kDotOff << kTipGrey;
    QTest::newRow("6 both elevation") << qint64(6) << kDotOff << kDotOn << kDotOn << kTipGrey;
    QTest::newRow("32 alarm") << qint64(32) << kDotOff << kDotOff << kDotOff << kRed;
    QTest::newRow("39 all") << qint64(39) << kDotOn << kDotOn << kDotOn << kRed;
    QTest::newRow("other bits only")
        << qint64(8 | 16 | 64 | 128 | 256) << kDotOff << kDotOff << kDotOff << kTipGrey;
    QTest::newRow("negative word") << qint64(-1) << kDotOn << kDotOn << kDotOn << kRed;
}

void TestGauges::flagColours() {
    QFETCH(qint64, flags);
    QFETCH(QRgb, north);
    QFETCH(QRgb, upper);
    QFETCH(QRgb, lower);
    QFETCH(QRgb, tips);

    GaugePainter g;
    const QImage& img = g.draw(angles(30, 30, flags));
    QCOMPARE(rgbAt(img, 140, 30), north);
    QCOMPARE(rgbAt(img, 302, 30), upper);
    QCOMPARE(rgbAt(img, 330, 107), lower);
    QCOMPARE(rgbAt(img, gauge::needleTip(gauge::kAzimuthCentre, -60)), tips);
    QCOMPARE(rgbAt(img, 344, 48), tips);
}

void TestGauges::axisReadoutPlacement_data() {
    QTest::addColumn<bool>("azimuth");
    QTest::addColumn<float>("deg");
    QTest::addColumn<QString>("text");

    QTest::newRow("az 123.4") << true << 123.4f << degreeText("123.4º");
    QTest::newRow("az 0") << true << 0.0f << degreeText("0.0º");
    QTest::newRow("az NaN") << true << kNaN << degreeText("NaNº");
    QTest::newRow("el -90") << false << -90.0f << degreeText("-90.0º");
    QTest::newRow("el 45.5") << false << 45.5f << degreeText("45.5º");
}

void TestGauges::axisReadoutPlacement() {
    QFETCH(bool, azimuth);
    QFETCH(float, deg);
    QFETCH(QString, text);

    QCOMPARE(gauge::angleReadout(deg), text);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    const QFontMetrics fm(font);
    // Point the needle away from the readout so that only the text is white there.
    GaugePainter g;
    const QImage& img = g.draw(azimuth ? angles(deg, 0) : angles(180, deg));
    const QPoint at = azimuth ? QPoint(100, 55) : QPoint(308, 55);
    const QRect cell(at, QSize(fm.horizontalAdvance(text), fm.height()));

    const QRect dial = azimuth ? QRect(83, 18, 115, 115) : QRect(298, 18, 58, 115);
    const QRect white = pixelsOf(img, dial, kWhite);
    QVERIFY(!white.isNull());
    QVERIFY2(cell.adjusted(-1, 0, 1, 0).contains(white),
             qPrintable(QStringLiteral("ink %1,%2 %3x%4")
                            .arg(white.x())
                            .arg(white.y())
                            .arg(white.width())
                            .arg(white.height())));
    // The ink begins at the left of the cell and digits stand above the baseline.
    QVERIFY(white.left() <= at.x() + 2);
    QVERIFY(white.right() >= cell.right() - 6);
    QVERIFY(white.top() >= at.y() + 1);
    QVERIFY(white.bottom() <= at.y() + fm.ascent());
}

void TestGauges::voltageReadout_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRgb>("box");
    QTest::addColumn<QRgb>("ink");

    QTest::newRow("16.8V normal") << "16.8V" << kGrey << kNeedle;
    QTest::newRow("14.0V normal") << "14.0V" << kGrey << kNeedle;
    QTest::newRow("12.3V low") << "12.3V" << kBlue << kWhite;
    QTest::newRow("16.9V high") << "16.9V" << kRed << kWhite;
    QTest::newRow("13.9V low") << "13.9V" << kBlue << kWhite;
    QTest::newRow("0.0V initial") << "0.0V" << kBlue << kWhite;
    QTest::newRow("empty text") << "" << kBlue << QRgb(0);
    QTest::newRow("unreadable") << "x9V" << kBlue << kWhite;
}

void TestGauges::voltageReadout() {
    QFETCH(QString, text);
    QFETCH(QRgb, box);
    QFETCH(QRgb, ink);

    GaugePainter g;
    GaugeInputs in;
    in.supplyVoltageText = text;
    const QImage& img = g.draw(in);
    // The box covers x 220..269 from y 131 to the bottom of the picture, nothing more.
    QCOMPARE(rgbAt(img, 269, 149), box);
    QCOMPARE(rgbAt(img, 220, 149), box);
    QCOMPARE(rgbAt(img, 269, 131), box);
    QCOMPARE(rgbAt(img, 269, 130), kGrey);
    QCOMPARE(rgbAt(img, 270, 140), kGrey);
    QCOMPARE(rgbAt(img, 219, 140), kGrey);
    if (ink == 0) {
        QCOMPARE(pixelsOf(img, QRect(220, 131, 50, 19), box), QRect(220, 131, 50, 19));
        return;
    }
    const QRect glyphs = pixelsOf(img, QRect(215, 128, 60, 22), ink);
    QVERIFY(!glyphs.isNull());
    QVERIFY(glyphs.top() > 131 && glyphs.left() >= 220 && glyphs.left() <= 223);
}

void TestGauges::temperatureReadout_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRgb>("ink");
    QTest::addColumn<QRgb>("notInk");

    QTest::newRow("T:4 cold") << degreeText("T:4ºc") << kCold << kNeedle;
    QTest::newRow("T:5 normal") << degreeText("T:5ºc") << kNeedle << kCold;
    QTest::newRow("T:4.9 cold") << degreeText("T:4.9ºc") << kCold << kNeedle;
    QTest::newRow("T:25 normal") << degreeText("T:25ºc") << kNeedle << kCold;
    QTest::newRow("T:-3 cold") << degreeText("T:-3ºc") << kCold << kNeedle;
    QTest::newRow("unreadable cold") << degreeText("T:?ºc") << kCold << kNeedle;
}

void TestGauges::temperatureReadout() {
    QFETCH(QString, text);
    QFETCH(QRgb, ink);
    QFETCH(QRgb, notInk);

    GaugePainter g;
    GaugeInputs in;
    in.temperatureText = text;
    in.supplyVoltageText = QStringLiteral("15.0V");  // plain text, no box below
    const QImage& img = g.draw(in);
    const QRect area(218, 113, 55, 18);
    const QRect glyphs = pixelsOf(img, area, ink);
    QVERIFY(!glyphs.isNull());
    QVERIFY(glyphs.left() >= 220 && glyphs.left() <= 223 && glyphs.top() > 115);
    QVERIFY(pixelsOf(img, area, notInk).isNull());
}

void TestGauges::cachedMatchesUncached_data() {
    QTest::addColumn<GaugeInputs>("in");

    auto row = [](const char* name, float az, float el, qint64 flags = 0,
                  QString volts = QStringLiteral("15.2V"),
                  QString temp = QString::fromUtf8("T:21ºc")) {
        GaugeInputs in = angles(az, el, flags);
        in.supplyVoltageText = volts;
        in.temperatureText = temp;
        QTest::newRow(name) << in;
    };
    QTest::newRow("initial") << GaugeInputs();
    row("zero", 0, 0);
    row("limits high", 360, 90, 39);
    row("limits low", 0, -90, 6);
    row("az 30 el 30", 30, 30, 32, QStringLiteral("16.9V"), QString::fromUtf8("T:4ºc"));
    row("az 300 over readout", 300, -45, 1, QStringLiteral("13.9V"));
    row("az 359.9", 359.9f, 89.9f);
    row("NaN", kNaN, kNaN, 63, QStringLiteral("NaNV"), QStringLiteral("T:NaN"));
    row("infinities", kInf, -kInf, 255);
    row("negative infinities", -kInf, kInf);
    row("huge", 1e30f, -1e30f);
    row("float max", std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest());
    row("elevation needle into the readout", 90, -135);
    row("elevation needle left", 180, 180);
    row("wide azimuth readout", -123456.7f, 0);
    row("long texts", 45, 45, 0, QStringLiteral("16.9V with a long tail of text running on"),
        QString::fromUtf8("T:4ºc and a long tail of text over the dial"));
    row("empty texts", 10, 10, 0, QString(), QString());
}

namespace {
/// True when `before` and `after` differ only at pixels inside `area`.
bool differsOnlyInside(const QImage& before, const QImage& after, const QRegion& area) {
    for (int y = 0; y < after.height(); ++y)
        for (int x = 0; x < after.width(); ++x)
            if (before.pixel(x, y) != after.pixel(x, y) && !area.contains(QPoint(x, y))) return false;
    return true;
}
}  // namespace

void TestGauges::cachedMatchesUncached() {
    QFETCH(GaugeInputs, in);
    GaugePainter g;
    const QImage expected = g.drawUncached(in);
    QCOMPARE(g.draw(in), expected);
    QCOMPARE(g.image(), expected);
}

void TestGauges::cachedSequenceLeavesNothingBehind() {
    // One painter through a run of pictures, as the reply handler uses it: each picture must
    // equal a fresh drawing of its own inputs, whatever came before.
    GaugePainter g;
    GaugePainter fresh;
    const QList<GaugeInputs> run = {
        angles(30, 30, 39), angles(1e30f, -135, 0), angles(200, -60, 32),
        angles(kNaN, 0, 6), angles(359.9f, 90, 1),  angles(0, 0, 0),
    };
    for (int i = 0; i < 3; ++i) {
        for (const GaugeInputs& in : run) {
            GaugeInputs withTexts = in;
            withTexts.supplyVoltageText = i == 1 ? QStringLiteral("17.2V") : QStringLiteral("0.0V");
            const QImage before = g.image();
            QCOMPARE(g.draw(withTexts), fresh.drawUncached(withTexts));
            if (!before.isNull()) QVERIFY(differsOnlyInside(before, g.image(), g.changed()));
        }
    }
}

void TestGauges::heldCopySurvivesNextDraw() {
    GaugePainter g;
    const QImage first = g.draw(angles(30, 30, 1));
    const QImage firstExpected = g.drawUncached(angles(30, 30, 1));
    const QImage& second = g.draw(angles(200, -60, 32));
    QCOMPARE(first, firstExpected);
    QCOMPARE(second, g.drawUncached(angles(200, -60, 32)));
    QVERIFY(first != second);
}

void TestGauges::trackingSweepMatchesUncached() {
    // A tracker turning as the simulator's does, both dials and the readout changing by small
    // steps: each picture, drawn over the last, must equal a fresh drawing of its inputs.
    GaugePainter g;
    GaugePainter fresh;
    const QStringList volts = {QStringLiteral("15.2V"), QStringLiteral("13.1V"), QStringLiteral("17.0V")};
    const QStringList temps = {QString::fromUtf8("T:28ºc"), QString::fromUtf8("T:-3ºc"), QStringLiteral("T:100")};
    for (int i = 0; i < 240; ++i) {
        GaugeInputs in = angles(float(i) * 3.7f - 90.0f, float((i * 7) % 181 - 90) + 0.3f,
                                (i / 5) % 2 ? 39 : 0);
        in.supplyVoltageText = volts[(i / 17) % volts.size()];
        in.temperatureText = temps[(i / 23) % temps.size()];
        const QImage before = g.image();
        const QImage& drawn = g.draw(in);
        if (drawn != fresh.drawUncached(in)) QFAIL(qPrintable(QStringLiteral("picture %1 differs").arg(i)));
        // Only the changed area is shown again: a change outside it would stay off the screen.
        if (i > 0 && !differsOnlyInside(before, drawn, g.changed()))
            QFAIL(qPrintable(QStringLiteral("picture %1 changed outside its changed area").arg(i)));
    }
}

QTEST_MAIN(TestGauges)
#include "tst_gauges.moc"
