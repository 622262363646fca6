#include "PanelStyle.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QPaintEngine>
#include <QPainter>
#include <QStyleOption>
#include <QWidget>
#include <cmath>
#include <cstring>

namespace {

/// Where a panel lands: the raster image the painter writes into and the panel's rectangle
/// there. Only a plain case qualifies: a 32-bit image at scale 1, a whole-pixel shift, no
/// clipping of the painter's own, full opacity, ordinary blending.
struct Target {
    const QImage* image = nullptr;
    QRect rect;
    bool wholeRectPainted = false;  ///< the paint event repaints every pixel of `rect`
};

Target targetOf(const QPainter* p, const QRect& rect)
{
    Target t;
    QPaintEngine* engine = p->paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || rect.isEmpty()) return t;
    QPaintDevice* device = engine->paintDevice();
    if (!device || device->devType() != QInternal::Image) return t;
    const auto* image = static_cast<const QImage*>(device);
    if (image->depth() != 32 || image->devicePixelRatio() != 1.0) return t;
    const QTransform tr = p->deviceTransform();
    if (tr.type() > QTransform::TxTranslate || tr.dx() != std::floor(tr.dx()) || tr.dy() != std::floor(tr.dy()))
        return t;
    if (p->hasClipping() || p->opacity() != 1.0 || p->compositionMode() != QPainter::CompositionMode_SourceOver)
        return t;
    const QRect onDevice = rect.translated(int(tr.dx()), int(tr.dy()));
    if (!image->rect().contains(onDevice)) return t;
    const QRegion clip = engine->systemClip();
    t.image = image;
    t.rect = onDevice;
    t.wholeRectPainted = clip.isEmpty() || QRegion(onDevice).subtracted(clip).isEmpty();
    return t;
}

/// The one colour of every pixel of `r`, if they all have the same.
bool uniformColour(const QImage& image, const QRect& r, QRgb* colour)
{
    const QRgb* first = reinterpret_cast<const QRgb*>(image.constScanLine(r.top())) + r.left();
    for (int x = 1; x < r.width(); ++x)
        if (first[x] != first[0]) return false;
    const size_t rowBytes = size_t(r.width()) * sizeof(QRgb);
    for (int y = r.top() + 1; y <= r.bottom(); ++y)
        if (std::memcmp(reinterpret_cast<const QRgb*>(image.constScanLine(y)) + r.left(), first, rowBytes) != 0)
            return false;
    *colour = first[0];
    return true;
}

template <typename T>
void put(QByteArray& key, const T& value)
{
    key.append(reinterpret_cast<const char*>(&value), sizeof value);
}

/// Everything the panel's pixels depend on: the element, the option, the colours, the painter's
/// hints, the widget's class, the target format and the colour beneath.
QByteArray panelKey(QStyle::PrimitiveElement element, const QStyleOption& o, const QPainter& p,
                    const QWidget* widget, QImage::Format format, QRgb beneath)
{
    QByteArray key;
    key.reserve(256);
    put(key, int(element));
    put(key, o.rect.width());
    put(key, o.rect.height());
    put(key, int(o.state));
    put(key, int(o.direction));
    put(key, int(p.renderHints()));
    put(key, int(format));
    put(key, beneath);
    put(key, widget ? widget->metaObject() : nullptr);
    if (const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(&o)) {
        put(key, frame->lineWidth);
        put(key, frame->midLineWidth);
        put(key, int(frame->features));
        put(key, int(frame->frameShape));
    }
    const QPalette::ColorGroup group = o.palette.currentColorGroup();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const QBrush& b = o.palette.brush(group, QPalette::ColorRole(role));
        put(key, int(b.style()));
        put(key, b.color().rgba64());
    }
    return key;
}

}  // namespace

PanelStyle::PanelStyle(QStyle* base) : QProxyStyle(base) {}

QIcon PanelStyle::standardIcon(StandardPixmap sp, const QStyleOption* option, const QWidget* widget) const
{
    // Every menu bar asks for these when it is made. The base style names its picture files
    // without a format, and finding out which reads them loads every image plugin, to stay in
    // memory for nothing; the same files read as PNG make the same icon.
    const bool rtl = option ? option->direction == Qt::RightToLeft : QGuiApplication::isRightToLeft();
    QStringList sizes;
    QString stem;
    if (sp == SP_ToolBarHorizontalExtensionButton) {
        stem = rtl ? QStringLiteral("toolbar-ext-h-rtl-") : QStringLiteral("toolbar-ext-h-");
        sizes = {QStringLiteral("8"), QStringLiteral("16"), QStringLiteral("32")};
    } else if (sp == SP_ToolBarVerticalExtensionButton) {
        stem = QStringLiteral("toolbar-ext-v-");
        sizes = {QStringLiteral("5"), QStringLiteral("10"), QStringLiteral("20")};
    } else {
        return QProxyStyle::standardIcon(sp, option, widget);
    }
    QIcon icon;
    for (const QString& size : sizes) {
        QImageReader png(QStringLiteral(":/qt-project.org/styles/commonstyle/images/") + stem + size +
                             QStringLiteral(".png"),
                         "png");
        png.setAutoDetectImageFormat(false);
        QImage image;
        if (!png.read(&image)) return QProxyStyle::standardIcon(sp, option, widget);
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

void PanelStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                               const QWidget* widget) const
{
    if (element != PE_PanelLineEdit || !option || !painter) {
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    // Solid brushes only: a gradient or texture may be anchored to the window, not the panel.
    const QPalette::ColorGroup group = option->palette.currentColorGroup();
    bool solid = true;
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const Qt::BrushStyle s = option->palette.brush(group, QPalette::ColorRole(role)).style();
        solid = solid && (s == Qt::SolidPattern || s == Qt::NoBrush);
    }
    const Target t = solid ? targetOf(painter, option->rect) : Target{};
    QRgb beneath = 0;
    if (!t.image || !uniformColour(*t.image, t.rect, &beneath)) {
        ++m_drawn;
        QProxyStyle::drawPrimitive(element, option, painter, widget);
        return;
    }
    const QByteArray key = panelKey(element, *option, *painter, widget, t.image->format(), beneath);
    for (Entry& e : m_entries) {
        if (e.key != key) continue;
        e.lastUse = ++m_clock;
        ++m_reused;
        painter->save();
        painter->setCompositionMode(QPainter::CompositionMode_Source);
        painter->drawImage(option->rect.topLeft(), e.pixels);
        painter->restore();
        return;
    }
    ++m_drawn;
    QProxyStyle::drawPrimitive(element, option, painter, widget);
    if (t.wholeRectPainted) store(key, t.image->copy(t.rect));
}

void PanelStyle::store(QByteArray key, QImage pixels) const
{
    const qsizetype bytes = pixels.sizeInBytes();
    if (bytes > kMaxCacheBytes / 4) return;  // a panel that large is drawn each time
    while (!m_entries.empty() && m_bytes + bytes > kMaxCacheBytes) {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it)
            if (it->lastUse < oldest->lastUse) oldest = it;
        m_bytes -= oldest->pixels.sizeInBytes();
        m_entries.erase(oldest);
    }
    m_bytes += bytes;
    m_entries.push_back(Entry{std::move(key), std::move(pixels), ++m_clock});
}
