#include "Gauges.h"

#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "Numbers.h"
#include "StatusDecoding.h"

namespace {

const QColor kRim(48, 176, 210);
const QColor kFace(39, 64, 74);
const QColor kCross(6, 160, 22);
const QColor kScale(52, 190, 227);
const QColor kTitle = kRim;
const QColor kNeedle(123, 241, 236);
const QColor kTip(199, 199, 199);
const QColor kTipAlarm(255, 0, 0);
const QColor kDotOff(80, 80, 80);
const QColor kDotOn(80, 255, 80);
const QColor kAxisReadout(255, 255, 255);
const QColor kBackground(128, 128, 128);
const QColor kReadoutText(123, 241, 236);
const QColor kWarningText(255, 255, 255);
const QColor kVoltageHighBox(255, 0, 0);
const QColor kVoltageLowBox(8, 0, 255);
const QColor kColdText(0, 241, 255);

constexpr int kRimRadius = 57;
constexpr int kFaceRadius = 55;
constexpr int kNeedleLength = 55;
constexpr int kTipRadius = 53;
constexpr int kMarkerRadius = 45;
constexpr int kDotRadius = 3;

constexpr QPoint kVoltageAt{220, 131};
constexpr QPoint kTemperatureAt{220, 115};
constexpr QRect kReadoutClear{220, 111, 50, 60};

/// Cosine of a whole number of degrees. Where it is rational (0, 1/2 or 1 in size) the value
/// is exact, so that a coordinate whose exact value is a half stays a half and rounds to the
/// even neighbour; computed, cos 120 degrees is a hair above -1/2 and would decide the side.
double cosDeg(int deg) {
    const int d = (deg % 360 + 360) % 360;
    switch (d) {
        case 0: return 1.0;
        case 60: case 300: return 0.5;
        case 90: case 270: return 0.0;
        case 120: case 240: return -0.5;
        case 180: return -1.0;
        default: return std::cos(d * std::numbers::pi / 180.0);
    }
}
double sinDeg(int deg) {
    return cosDeg(90 - deg % 360);
}

void fillDisc(QPainter& p, QPoint c, int r, const QColor& colour) {
    for (int dy = -r; dy <= r; ++dy) {
        const int h = gauge::discHalfWidth(r, dy);
        if (h >= 0) p.fillRect(c.x() - h, c.y() + dy, 2 * h + 1, 1, colour);
    }
}

QRect discRect(QPoint c, int r) {
    return QRect(c.x() - r, c.y() - r, 2 * r + 1, 2 * r + 1);
}

const QColor& dotColour(qint64 trackerFlags, qint64 bit) {
    return (trackerFlags & bit) != 0 ? kDotOn : kDotOff;
}

const QColor& tipColour(qint64 trackerFlags) {
    return (trackerFlags & flags::kGaugeAlarm) != 0 ? kTipAlarm : kTip;
}

QPolygon needlePixels(QPoint c, int angleDeg) {
    QPolygon pixels;
    for (int k = -1; k <= 1; ++k)
        pixels += gauge::linePixels(QPoint(c.x() + k, c.y()), gauge::needleEnd(c, angleDeg, k));
    return pixels;
}

void drawNeedle(QPainter& p, QPoint c, int angleDeg) {
    p.setPen(QPen(kNeedle, 1));
    p.drawPoints(needlePixels(c, angleDeg));
}

QRect needleBounds(QPoint c, int angleDeg) {
    QRect r = discRect(gauge::needleTip(c, angleDeg), kDotRadius);
    for (int k = -1; k <= 1; ++k) {
        // Both ends included whichever way the needle points (QRect::normalized() would drop
        // the row or column of one end).
        const QPoint start(c.x() + k, c.y());
        const QPoint end = gauge::needleEnd(c, angleDeg, k);
        r |= QRect(QPoint(std::min(start.x(), end.x()), std::min(start.y(), end.y())),
                   QPoint(std::max(start.x(), end.x()), std::max(start.y(), end.y())));
    }
    return r;
}

}  // namespace

namespace gauge {

int azimuthNeedleAngle(float azimuthDeg) {
    return num::roundHalfEven(double(azimuthDeg) - 90.0);
}

int elevationNeedleAngle(float elevationDeg) {
    return num::roundHalfEven(-double(elevationDeg));
}

QPoint needleEnd(QPoint centre, int angleDeg, int k) {
    return QPoint(num::roundHalfEven(centre.x() + k + kNeedleLength * cosDeg(angleDeg)),
                  num::roundHalfEven(centre.y() + kNeedleLength * sinDeg(angleDeg)));
}

QPoint needleTip(QPoint centre, int angleDeg) {
    return dialPoint(centre, kTipRadius, angleDeg);
}

QPoint dialPoint(QPoint centre, int radius, int angleDeg) {
    return QPoint(num::roundHalfEven(centre.x() + radius * cosDeg(angleDeg)),
                  num::roundHalfEven(centre.y() + radius * sinDeg(angleDeg)));
}

QPoint elevationMarkerA(QPoint centre) {
    return dialPoint(centre, kMarkerRadius, -85);
}

QPoint elevationMarkerB(QPoint centre) {
    return dialPoint(centre, kMarkerRadius, 45);
}

int discHalfWidth(int radius, int dy) {
    if (radius < 0 || radius > 30000 || dy < -radius || dy > radius) return -1;
    const qint64 limit = qint64(radius) * radius + radius - qint64(dy) * dy;
    qint64 h = qint64(std::sqrt(double(limit)));
    while (h * h > limit) --h;
    while ((h + 1) * (h + 1) <= limit) ++h;
    return int(h);
}

QPolygon linePixels(QPoint from, QPoint to) {
    constexpr qint64 kMaxSpan = 65536;
    qint64 x = from.x();
    qint64 y = from.y();
    const qint64 dx = std::llabs(qint64(to.x()) - x);
    const qint64 dy = -std::llabs(qint64(to.y()) - y);
    if (dx > kMaxSpan || -dy > kMaxSpan) return {};
    const int sx = from.x() < to.x() ? 1 : -1;
    const int sy = from.y() < to.y() ? 1 : -1;
    QPolygon out;
    out.reserve(int(std::max(dx, -dy)) + 1);
    qint64 err = dx + dy;
    while (true) {
        out.append(QPoint(int(x), int(y)));
        if (x == to.x() && y == to.y()) break;
        const qint64 e2 = 2 * err;
        if (e2 >= dy) err += dy, x += sx;
        if (e2 <= dx) err += dx, y += sy;
    }
    return out;
}

QString angleReadout(float deg) {
    return num::writeFixed(double(deg), 1) + QChar(0x00BA);
}

float voltageValue(QStringView text) {
    return num::readDecimal(text.first(std::max<qsizetype>(0, text.size() - 1)));
}

float temperatureValue(QStringView text) {
    if (text.size() <= 4) return 0.0f;
    return num::readDecimal(text.sliced(2, text.size() - 4));
}

ReadoutStyle voltageStyle(float volts) {
    if (volts > 16.8f) return {true, kVoltageHighBox, kWarningText};
    if (volts < 14.0f) return {true, kVoltageLowBox, kWarningText};
    return {false, QColor(), kReadoutText};
}

QColor temperatureColour(float celsius) {
    return celsius < 5.0f ? kColdText : kReadoutText;
}

}  // namespace gauge

GaugePainter::GaugePainter()
    : m_font(QStringLiteral("Arial")),
      m_metrics(m_font),
      m_background(gauge::kWidth, gauge::kHeight, QImage::Format_RGB32),
      m_image(gauge::kWidth, gauge::kHeight, QImage::Format_RGB32) {
    // Pixels, not points: the picture is fixed-size and must not grow with the screen's DPI.
    m_font.setPixelSize(13);
    // Solid glyphs: every text pixel takes the text's own colour, whatever lies beneath.
    m_font.setStyleStrategy(QFont::StyleStrategy(QFont::NoAntialias | QFont::PreferNoShaping));
    m_metrics = QFontMetrics(m_font, &m_background);
    m_ascent = m_metrics.ascent();

    const QPoint c = gauge::kElevationCentre;
    m_elevationStaticBounds = QRect(c.x() - 58, c.y() - 58, 58, 120) | discRect(c, kRimRadius) |
                              QRect(c.x(), c.y() - 55, 2, 112) | QRect(c.x(), c.y(), 57, 2) |
                              textRect(c.x() - 5, c.y() - 73, QStringLiteral("90")) |
                              textRect(c.x() - 10, c.y() + 57, QStringLiteral("-90")) |
                              textRect(c.x() + 58, c.y() - 8, QStringLiteral("0")) |
                              textRect(c.x() + 8, c.y(), QStringLiteral("Elev."));
    m_readoutClearBounds = kReadoutClear;

    m_background.fill(kBackground);
    QPainter p(&m_background);
    p.setFont(m_font);
    paintAzimuthStatic(p);
    paintElevationStatic(p);
    paintReadoutClear(p);
    p.end();
    m_image = m_background.copy();
    // The static picture has a handful of colours: kept as indices into them it takes a
    // quarter of the memory. Only an exact round trip is kept.
    const QImage indexed = m_background.convertToFormat(QImage::Format_Indexed8, Qt::AvoidDither);
    if (indexed.format() == QImage::Format_Indexed8 && indexed.convertToFormat(QImage::Format_RGB32) == m_background)
        m_background = indexed;

    const QStringView readoutChars = u"0123456789.-\u00BA";
    for (std::size_t i = 0; i < m_glyphs.size(); ++i) {
        const QChar c = readoutChars.at(qsizetype(i));
        m_glyphs[i] = {c, m_metrics.boundingRect(c), m_metrics.horizontalAdvance(c)};
    }
}

const QImage& GaugePainter::draw(const GaugeInputs& in) {
    // The moving parts of a dial are drawn before the static parts of what follows it. Reusing
    // the background is exact only while they stay clear of those later static parts; an angle
    // or readout far outside the axis limits takes the full drawing instead.
    const QRect azimuthMoving = azimuthMovingBounds(in);
    const QRect elevationMoving = elevationMovingBounds(in);
    const bool reusable = !azimuthMoving.intersects(m_elevationStaticBounds) &&
                          !azimuthMoving.intersects(m_readoutClearBounds) &&
                          !elevationMoving.intersects(m_readoutClearBounds);
    if (!reusable) {
        paintAll(m_image, in);
        m_dirty = {m_image.rect()};
        m_dirtyPixels.clear();
        m_needleAreas = {};
        m_changed = m_image.rect();
        return m_image;
    }
    // What changed, as one rectangle a dial: a couple of rectangles cost less to repaint and to
    // send to the screen than the many small ones they cover.
    std::array<QRect, 2> changed{};
    const auto note = [&changed](const QRect& r) {
        const int middle = (gauge::kAzimuthCentre.x() + gauge::kElevationCentre.x()) / 2;
        changed[r.center().x() < middle ? 0 : 1] |= r;
    };
    // Both the parts of the last picture and those of the new one.
    const auto noteMovingParts = [&] {
        for (const QRect& r : m_dirty) note(r);
        for (const QRect& r : m_needleAreas) note(r);
    };
    noteMovingParts();
    for (const QRect& r : m_dirty) restoreBackground(r);
    restoreBackground(m_dirtyPixels);
    const QPoint az = gauge::kAzimuthCentre;
    const QPoint el = gauge::kElevationCentre;
    const int azAngle = gauge::azimuthNeedleAngle(in.azimuthDeg);
    const int elAngle = gauge::elevationNeedleAngle(in.elevationDeg);
    QPolygon needles = needlePixels(az, azAngle);
    needles += needlePixels(el, elAngle);
    // The needles go in first as plain pixels; that is the painter's order too as long as the
    // azimuth's other moving parts stay clear of the elevation's.
    const bool needlesFirst = !azimuthMoving.intersects(elevationMoving);
    if (needlesFirst) writeNeedle(needles);
    // The readout changes a few times a minute: drawn once, then copied while nothing else
    // reaches into its area.
    const QRect readout = readoutBounds(in) & m_image.rect();
    const bool readoutApart = !readout.intersects(azimuthMoving) && !readout.intersects(elevationMoving);
    QPainter p(&m_image);
    p.setFont(m_font);
    paintAzimuthMoving(p, in, needlesFirst);
    paintElevationMoving(p, in, needlesFirst);
    if (readoutApart && !m_readoutPixels.isNull()) {
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(readout.topLeft(), m_readoutPixels);
    } else {
        paintReadout(p, in);
    }
    p.end();
    if (readoutApart && m_readoutPixels.isNull()) m_readoutPixels = m_image.copy(readout);
    // What the moving parts covered, besides the needles: the tips, the readouts, the lamps.
    const QString azText = gauge::angleReadout(in.azimuthDeg);
    const QString elText = gauge::angleReadout(in.elevationDeg);
    m_dirty = {discRect(gauge::needleTip(az, azAngle), kDotRadius),
               readoutTextRect(az.x() - 40, az.y() - 20, azText),
               discRect(QPoint(az.x(), az.y() - kMarkerRadius), kDotRadius),
               discRect(gauge::needleTip(el, elAngle), kDotRadius),
               readoutTextRect(el.x() + 10, el.y() - 20, elText),
               discRect(gauge::elevationMarkerA(el), kDotRadius),
               discRect(gauge::elevationMarkerB(el), kDotRadius),
               readoutBounds(in)};
    m_dirtyPixels = std::move(needles);
    m_needleAreas = {needleBounds(az, azAngle), needleBounds(el, elAngle)};
    noteMovingParts();
    m_changed = QRegion(changed[0] & m_image.rect()) + (changed[1] & m_image.rect());
    return m_image;
}

void GaugePainter::writeNeedle(const QPolygon& pixels) {
    const QRgb colour = kNeedle.rgb();
    const QRect area = m_image.rect();
    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    for (const QPoint& pt : pixels)
        if (area.contains(pt)) reinterpret_cast<QRgb*>(bits + pt.y() * stride)[pt.x()] = colour;
}

void GaugePainter::restoreBackground(const QPolygon& points) {
    if (points.isEmpty()) return;
    const QRect area = m_image.rect();
    uchar* bits = m_image.bits();
    const qsizetype stride = m_image.bytesPerLine();
    const bool indexed = m_background.format() == QImage::Format_Indexed8;
    const QList<QRgb> table = indexed ? m_background.colorTable() : QList<QRgb>();
    for (const QPoint& pt : points) {
        if (!area.contains(pt)) continue;
        const uchar* line = m_background.constScanLine(pt.y());
        reinterpret_cast<QRgb*>(bits + pt.y() * stride)[pt.x()] =
            indexed ? table.at(line[pt.x()]) : reinterpret_cast<const QRgb*>(line)[pt.x()];
    }
}

void GaugePainter::restoreBackground(QRect r) {
    r &= m_image.rect();
    if (r.isEmpty()) return;
    const bool indexed = m_background.format() == QImage::Format_Indexed8;
    const QList<QRgb> colours = indexed ? m_background.colorTable() : QList<QRgb>();
    const QRgb* table = colours.constData();
    for (int y = r.top(); y <= r.bottom(); ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(m_image.scanLine(y)) + r.left();
        if (!indexed) {
            std::memcpy(out, reinterpret_cast<const QRgb*>(m_background.constScanLine(y)) + r.left(),
                        size_t(r.width()) * sizeof(QRgb));
            continue;
        }
        const uchar* in = m_background.constScanLine(y) + r.left();
        for (int x = 0; x < r.width(); ++x) out[x] = table[in[x]];
    }
}

QImage GaugePainter::drawUncached(const GaugeInputs& in) const {
    QImage out(gauge::kWidth, gauge::kHeight, QImage::Format_RGB32);
    paintAll(out, in);
    return out;
}

void GaugePainter::paintAll(QImage& target, const GaugeInputs& in) const {
    target.fill(kBackground);
    QPainter p(&target);
    p.setFont(m_font);
    paintAzimuthStatic(p);
    paintAzimuthMoving(p, in);
    paintElevationStatic(p);
    paintElevationMoving(p, in);
    paintReadoutClear(p);
    paintReadout(p, in);
}

void GaugePainter::paintAzimuthStatic(QPainter& p) const {
    const QPoint c = gauge::kAzimuthCentre;
    const int cx = c.x();
    const int cy = c.y();
    fillDisc(p, c, kRimRadius, kRim);
    fillDisc(p, c, kFaceRadius, kFace);
    p.fillRect(cx - 1, cy - 55, 2, 112, kCross);
    p.fillRect(cx - 55, cy - 1, 112, 2, kCross);
    text(p, cx - 5, cy - 73, QStringLiteral("N"), kScale);
    text(p, cx - 5, cy + 57, QStringLiteral("S"), kScale);
    text(p, cx - 73, cy - 8, QStringLiteral("W"), kScale);
    text(p, cx + 59, cy - 8, QStringLiteral("E"), kScale);
    text(p, cx - 50, cy, QStringLiteral("Azimuth"), kTitle);
}

void GaugePainter::paintAzimuthMoving(QPainter& p, const GaugeInputs& in, bool needleDrawn) const {
    const QPoint c = gauge::kAzimuthCentre;
    const int a = gauge::azimuthNeedleAngle(in.azimuthDeg);
    if (!needleDrawn) drawNeedle(p, c, a);
    fillDisc(p, gauge::needleTip(c, a), kDotRadius, tipColour(in.trackerFlags));
    text(p, c.x() - 40, c.y() - 20, gauge::angleReadout(in.azimuthDeg), kAxisReadout);
    fillDisc(p, QPoint(c.x(), c.y() - kMarkerRadius), kDotRadius,
             dotColour(in.trackerFlags, flags::kAzimuthLamp));
}

void GaugePainter::paintElevationStatic(QPainter& p) const {
    const QPoint c = gauge::kElevationCentre;
    const int cx = c.x();
    const int cy = c.y();
    fillDisc(p, c, kRimRadius, kRim);
    fillDisc(p, c, kFaceRadius, kFace);
    p.fillRect(cx - 58, cy - 58, 58, 120, kBackground);
    p.fillRect(cx, cy - 55, 2, 112, kCross);
    p.fillRect(cx, cy, 57, 2, kCross);
    text(p, cx - 5, cy - 73, QStringLiteral("90"), kScale);
    text(p, cx - 10, cy + 57, QStringLiteral("-90"), kScale);
    text(p, cx + 58, cy - 8, QStringLiteral("0"), kScale);
    text(p, cx + 8, cy, QStringLiteral("Elev."), kTitle);
}

void GaugePainter::paintElevationMoving(QPainter& p, const GaugeInputs& in, bool needleDrawn) const {
    const QPoint c = gauge::kElevationCentre;
    const int a = gauge::elevationNeedleAngle(in.elevationDeg);
    if (!needleDrawn) drawNeedle(p, c, a);
    fillDisc(p, gauge::needleTip(c, a), kDotRadius, tipColour(in.trackerFlags));
    text(p, c.x() + 10, c.y() - 20, gauge::angleReadout(in.elevationDeg), kAxisReadout);
    fillDisc(p, gauge::elevationMarkerA(c), kDotRadius,
             dotColour(in.trackerFlags, flags::kElevationLampA));
    fillDisc(p, gauge::elevationMarkerB(c), kDotRadius,
             dotColour(in.trackerFlags, flags::kElevationLampB));
}

void GaugePainter::paintReadoutClear(QPainter& p) const {
    p.fillRect(kReadoutClear, kBackground);
}

void GaugePainter::paintReadout(QPainter& p, const GaugeInputs& in) const {
    const gauge::ReadoutStyle v = gauge::voltageStyle(gauge::voltageValue(in.supplyVoltageText));
    if (v.box) p.fillRect(kVoltageAt.x(), kVoltageAt.y(), 50, 20, v.boxColour);
    text(p, kVoltageAt.x(), kVoltageAt.y(), in.supplyVoltageText, v.textColour);
    text(p, kTemperatureAt.x(), kTemperatureAt.y(), in.temperatureText,
         gauge::temperatureColour(gauge::temperatureValue(in.temperatureText)));
}

void GaugePainter::text(QPainter& p, int x, int y, const QString& s, const QColor& colour) const {
    p.setPen(colour);
    p.drawText(x, y + m_ascent, s);
}

QRect GaugePainter::textRect(int x, int y, const QString& s) const {
    // Only the ink is painted (no background box); two pixels more for the smoothing.
    return m_metrics.boundingRect(s).translated(x, y + m_ascent).adjusted(-2, -2, 2, 2);
}

QRect GaugePainter::readoutTextRect(int x, int y, const QString& s) const {
    // Each character's ink where its advances put it, widened by a pixel a character for any
    // kerning and by the two pixels of textRect().
    QRect ink;
    int pen = 0;
    for (const QChar c : s) {
        const Glyph* g = nullptr;
        for (const Glyph& candidate : m_glyphs)
            if (candidate.c == c) g = &candidate;
        if (!g) return textRect(x, y, s);
        ink |= g->ink.translated(pen, 0);
        pen += g->advance;
    }
    if (ink.isNull()) return textRect(x, y, s);
    const int slack = 2 + int(s.size());
    return ink.translated(x, y + m_ascent).adjusted(-slack, -2, slack, 2);
}

QRect GaugePainter::readoutBounds(const GaugeInputs& in) {
    if (m_measuredReadout.isNull() || in.supplyVoltageText != m_measuredVoltage ||
        in.temperatureText != m_measuredTemperature) {
        m_measuredVoltage = in.supplyVoltageText;
        m_measuredTemperature = in.temperatureText;
        m_readoutPixels = QImage();
        m_measuredReadout = kReadoutClear | QRect(kVoltageAt.x(), kVoltageAt.y(), 50, 20) |
                            textRect(kVoltageAt.x(), kVoltageAt.y(), in.supplyVoltageText) |
                            textRect(kTemperatureAt.x(), kTemperatureAt.y(), in.temperatureText);
    }
    return m_measuredReadout;
}

QRect GaugePainter::azimuthMovingBounds(const GaugeInputs& in) const {
    const QPoint c = gauge::kAzimuthCentre;
    return needleBounds(c, gauge::azimuthNeedleAngle(in.azimuthDeg)) |
           readoutTextRect(c.x() - 40, c.y() - 20, gauge::angleReadout(in.azimuthDeg)) |
           discRect(QPoint(c.x(), c.y() - kMarkerRadius), kDotRadius);
}

QRect GaugePainter::elevationMovingBounds(const GaugeInputs& in) const {
    const QPoint c = gauge::kElevationCentre;
    return needleBounds(c, gauge::elevationNeedleAngle(in.elevationDeg)) |
           readoutTextRect(c.x() + 10, c.y() - 20, gauge::angleReadout(in.elevationDeg)) |
           discRect(gauge::elevationMarkerA(c), kDotRadius) |
           discRect(gauge::elevationMarkerB(c), kDotRadius);
}
