#pragma once
// The console's widget style: Fusion, except that the panel of a one-line field (its base and
// its antialiased frame) is drawn once and then copied. Fusion strokes that frame as a path on
// every repaint, and the console repaints fields many times a second with the same frame, so
// each outcome is kept with what it was drawn on and put back pixel for pixel whenever the same
// panel is drawn on the same background again.

#include <QByteArray>
#include <QIcon>
#include <QImage>
#include <QProxyStyle>
#include <vector>

class PanelStyle : public QProxyStyle {
public:
    /// Wraps `base` (taking it over); null means the application's default style.
    explicit PanelStyle(QStyle* base = nullptr);

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    /// The menu bar's extension arrows: the base style's pictures, read as PNG directly.
    QIcon standardIcon(StandardPixmap sp, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;

    /// Panels copied from the cache, and panels drawn (and kept when they could be).
    int panelsReused() const { return m_reused; }
    int panelsDrawn() const { return m_drawn; }

    /// The pixels kept stay below this many bytes; the panels used least recently go first.
    static constexpr qsizetype kMaxCacheBytes = 160 * 1024;

private:
    struct Entry {
        QByteArray key;
        QImage pixels;
        quint64 lastUse = 0;
    };
    void store(QByteArray key, QImage pixels) const;

    mutable std::vector<Entry> m_entries;
    mutable qsizetype m_bytes = 0;
    mutable quint64 m_clock = 0;
    mutable int m_reused = 0;
    mutable int m_drawn = 0;
};
