#pragma once
// The azimuth and elevation dials with the supply voltage and temperature readout, drawn into
// the 410 x 150 gauge picture. Shapes and text are drawn without anti-aliasing so that every
// pixel position the geometry computes holds and every drawn pixel has its part's colour.

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <array>
#include <vector>

class QPainter;

/// What the gauges show, read from the tracker state at the moment of drawing.
struct GaugeInputs {
    float azimuthDeg = 0;
    float elevationDeg = 0;
    QString supplyVoltageText = QStringLiteral("0.0V");
    QString temperatureText = QStringLiteral("T:0\u00BAc");
    qint64 trackerFlags = 0;  ///< bits 0, 1, 2 and 5 are drawn
    friend bool operator==(const GaugeInputs&, const GaugeInputs&) = default;
};

namespace gauge {
inline constexpr int kWidth = 410;
inline constexpr int kHeight = 150;
inline constexpr QPoint kAzimuthCentre{140, 75};
inline constexpr QPoint kElevationCentre{298, 75};

/// The whole-degree needle angle on screen (clockwise from the right-hand horizontal).
int azimuthNeedleAngle(float azimuthDeg);
int elevationNeedleAngle(float elevationDeg);
/// End of the needle line k (-1, 0, +1) from (cx + k, cy), and the needle tip's centre.
QPoint needleEnd(QPoint centre, int angleDeg, int k);
QPoint needleTip(QPoint centre, int angleDeg);
/// The point at `radius` and screen angle `angleDeg` from `centre`, each coordinate rounded.
QPoint dialPoint(QPoint centre, int radius, int angleDeg);
/// The elevation dial's marker dots at +85 and -45 degrees of elevation.
QPoint elevationMarkerA(QPoint centre);
QPoint elevationMarkerB(QPoint centre);

/// A filled circle of radius r covers, in the row dy below its centre, the pixels whose
/// horizontal distance from the centre is at most this (dx² + dy² <= r² + r); -1 for rows it
/// does not reach. The disc is therefore symmetric about its centre pixel.
int discHalfWidth(int radius, int dy);
/// Every pixel of the line from `from` to `to`, both ends included, in order. Lines longer
/// than 65536 pixels in either direction give no pixels.
QPolygon linePixels(QPoint from, QPoint to);

/// An axis readout: the angle with one decimal and "º".
QString angleReadout(float deg);
/// The supply voltage of a text such as "12.3V" (its last character dropped); 0 if unreadable.
float voltageValue(QStringView text);
/// The temperature of a text such as "T:25ºc" ("T:" and "ºc" dropped); 0 if unreadable.
float temperatureValue(QStringView text);

struct ReadoutStyle {
    bool box = false;  ///< a 50 x 20 box behind the text
    QColor boxColour;
    QColor textColour;
};
/// Red box above 16.8 V, blue box below 14.0 V, plain text otherwise.
ReadoutStyle voltageStyle(float volts);
QColor temperatureColour(float celsius);
}  // namespace gauge

class GaugePainter {
public:
    GaugePainter();

    /// Draws the whole picture for `in` and returns it. The static parts of the dials are
    /// drawn once; each new picture only puts them back where the last moving parts were and
    /// draws the new ones. The result is the same, pixel for pixel, as drawing everything.
    const QImage& draw(const GaugeInputs& in);

    /// Everything drawn from scratch, without the reused background (for comparison).
    QImage drawUncached(const GaugeInputs& in) const;

    const QImage& image() const { return m_image; }
    /// Where the last draw() may have changed the picture: only there need it be shown again.
    const QRegion& changed() const { return m_changed; }

private:
    void paintAll(QImage& target, const GaugeInputs& in) const;
    void paintAzimuthStatic(QPainter& p) const;
    /// The moving parts of a dial; with `needleDrawn` the needle is already in the picture.
    void paintAzimuthMoving(QPainter& p, const GaugeInputs& in, bool needleDrawn = false) const;
    void paintElevationStatic(QPainter& p) const;
    void paintElevationMoving(QPainter& p, const GaugeInputs& in, bool needleDrawn = false) const;
    /// Writes a needle's pixels straight into the picture, as the painter would draw them.
    void writeNeedle(const QPolygon& pixels);
    /// Puts the static picture back inside `r`, and at each of `points`.
    void restoreBackground(QRect r);
    void restoreBackground(const QPolygon& points);
    void paintReadoutClear(QPainter& p) const;
    void paintReadout(QPainter& p, const GaugeInputs& in) const;
    void text(QPainter& p, int x, int y, const QString& s, const QColor& colour) const;
    QRect textRect(int x, int y, const QString& s) const;
    /// A rectangle holding every pixel of an angle readout at (x, y): from the glyphs'
    /// measures when the text is made of the readout's characters, else measured whole.
    QRect readoutTextRect(int x, int y, const QString& s) const;
    QRect azimuthMovingBounds(const GaugeInputs& in) const;
    QRect elevationMovingBounds(const GaugeInputs& in) const;
    QRect readoutBounds(const GaugeInputs& in);

    QFont m_font;
    QFontMetrics m_metrics;
    int m_ascent = 0;
    QRect m_elevationStaticBounds;
    QRect m_readoutClearBounds;
    /// The static picture; 8 bits a pixel when its few colours allow (it stays in memory).
    QImage m_background;
    QImage m_image;
    /// Where the picture may differ from the static one: the last moving parts, as rectangles
    /// and the needles' pixels.
    std::vector<QRect> m_dirty;
    QPolygon m_dirtyPixels;
    std::array<QRect, 2> m_needleAreas{};
    QRegion m_changed;
    /// Measures of the readout characters ("0" to "9", ".", "-", "º"): ink and advance.
    struct Glyph {
        QChar c;
        QRect ink;
        int advance = 0;
    };
    std::array<Glyph, 13> m_glyphs{};
    /// The readout texts last measured and their rectangle.
    QString m_measuredVoltage;
    QString m_measuredTemperature;
    QRect m_measuredReadout;
    /// The readout as last drawn on the static picture, within m_measuredReadout; null when
    /// it has to be drawn again.
    QImage m_readoutPixels;
};
