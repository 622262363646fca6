#pragma once
// The azimuth and elevation dials with the supply voltage and temperature readout, drawn into
// the 410 x 150 gauge picture. Shapes are drawn without anti-aliasing so that every pixel
// position the geometry computes holds.

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QtGlobal>

/// What the gauges show, read from the tracker state at the moment of drawing.
struct GaugeInputs {
    float azimuthDeg = 0;
    float elevationDeg = 0;
    QString supplyVoltageText = QStringLiteral("0.0V");
    QString temperatureText = QStringLiteral("T:0\u00BAc");
    qint64 trackerFlags = 0;  ///< bits 0, 1, 2 and 5 are drawn
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
}  // namespace gauge

class GaugePainter {
public:
    GaugePainter();

    /// Draws the whole picture for `in` and returns it. The static parts of the dials are
    /// drawn once and reused; the result is the same, pixel for pixel, as drawing everything.
    const QImage& draw(const GaugeInputs& in);

    /// Everything drawn from scratch, without the reused background (for comparison).
    QImage drawUncached(const GaugeInputs& in) const;

    const QImage& image() const { return m_image; }

private:
    QImage m_background;
    QImage m_image;
    QFont m_font;
};
