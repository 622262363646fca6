#include "TrackingWindow.h"

#include <qcustomplot.h>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>
#include <optional>

#include "PlotSeries.h"

namespace {

constexpr int kTickMs = 500;  ///< readouts twice a second, the views at most once
constexpr double kSkyRim = 100.0;   ///< the sky view shows down to 10 degrees below the horizon
constexpr double kMinPlanRangeM = 100.0;
const QColor kAntennaColour(20, 90, 220);
const QColor kSightColour(220, 30, 30);
const QColor kTrailColour(120, 120, 120);
const QColor kRingColour(190, 190, 190);

using tracking::PlotPoint;

bool has(const PlotPoint& p, quint8 flag)
{
    return (p.has & flag) != 0;
}

/// A direction in the sky view: elevation 90 at the centre, 0 on the rim, north up.
QPointF skyPosition(double azimuthDeg, double elevationDeg)
{
    const double r = std::min(90.0 - elevationDeg, kSkyRim);
    const double a = azimuthDeg * std::numbers::pi / 180.0;
    return {r * std::sin(a), r * std::cos(a)};
}

QString degreesText(double v, int decimals)
{
    return QString::number(v, 'f', decimals) + u'\u00B0';
}
QString metresText(double v)
{
    return QString::number(v, 'f', 0) + QStringLiteral(" m");
}

/// 1, 2 or 5 times a power of ten, so that about three rings fit in `extent`.
double niceStep(double extent)
{
    const double raw = extent / 3.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * power >= raw) return m * power;
    return 10.0 * power;
}

void setCircle(QCPCurve* curve, double radius)
{
    QVector<double> t, x, y;
    for (int i = 0; i <= 72; ++i) {
        const double a = i * 5.0 * std::numbers::pi / 180.0;
        t << i;
        x << radius * std::sin(a);
        y << radius * std::cos(a);
    }
    curve->setData(t, x, y, true);
}

/// A paint device that keeps nothing: what is drawn on it costs the geometry only.
class NowhereEngine final : public QPaintEngine {
public:
    NowhereEngine() : QPaintEngine(AllFeatures) {}
    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState&) override {}
    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}
    void drawPath(const QPainterPath&) override {}
    void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
    void drawPolygon(const QPoint*, int, PolygonDrawMode) override {}
    void drawLines(const QLineF*, int) override {}
    void drawLines(const QLine*, int) override {}
    void drawRects(const QRectF*, int) override {}
    void drawRects(const QRect*, int) override {}
    void drawPoints(const QPointF*, int) override {}
    void drawPoints(const QPoint*, int) override {}
    void drawEllipse(const QRectF&) override {}
    void drawEllipse(const QRect&) override {}
    void drawTextItem(const QPointF&, const QTextItem&) override {}
    Type type() const override { return User; }
};

class Nowhere final : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth:
        case PdmHeight:
        case PdmWidthMM:
        case PdmHeightMM: return 1;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmNumColors: return std::numeric_limits<int>::max();
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    mutable NowhereEngine m_engine;
};

/// QCustomPlot's own replots (after a resize, a drag or a zoom) draw into this instead of a
/// picture the size of the plot.
class NoPicture final : public QCPAbstractPaintBuffer {
public:
    NoPicture() : QCPAbstractPaintBuffer(QSize(1, 1), 1.0) {}
    QCPPainter* startPainting() override { return new QCPPainter(&m_nowhere); }
    void draw(QCPPainter*) const override {}
    void clear(const QColor&) override {}

protected:
    void reallocateBuffer() override {}

private:
    Nowhere m_nowhere;
};

/// A plot drawn straight into the window when it is painted. QCustomPlot otherwise keeps a
/// picture of every plot to paint from, 2 MB for this window's three at its first size, and
/// these plots are painted only after they changed anyway. A change is shown with update().
class WindowPlot final : public QCustomPlot {
public:
    explicit WindowPlot(QWidget* parent) : QCustomPlot(parent)
    {
        mPaintBuffers.clear();
        mPaintBuffers.append(QSharedPointer<QCPAbstractPaintBuffer>(new NoPicture));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QCPPainter painter(this);
        if (!painter.isActive()) return;
        if (painter.paintEngine()->type() == QPaintEngine::Pdf) {
            // A saved PDF: lines of the screen's width and where they are, not hairlines snapped
            // to whole pixels.
            painter.setMode(QCPPainter::pmVectorized);
            painter.setMode(QCPPainter::pmNonCosmetic);
            painter.setMode(QCPPainter::pmNoCaching);
        }
        if (mBackgroundBrush.style() != Qt::NoBrush) painter.fillRect(mViewport, mBackgroundBrush);
        draw(&painter);
    }
};

/// A plot of our look: the controls' font (its glyphs are cached already), no antialiasing
/// for data (cheaper, and crisp at 1 px), tick labels drawn rather than kept as pictures.
QCustomPlot* newPlot(QWidget* parent)
{
    auto* plot = new WindowPlot(parent);
    plot->setNotAntialiasedElements(QCP::aePlottables | QCP::aeGrid | QCP::aeAxes);
    plot->setPlottingHint(QCP::phCacheLabels, false);
    // QCustomPlot's own replots (a drag, a zoom) are painted with the rest of the window.
    plot->setPlottingHint(QCP::phImmediateRefresh, false);
    // One paint buffer (of no picture) is enough: the selection overlay is not used.
    if (QCPLayer* overlay = plot->layer(QStringLiteral("overlay")))
        overlay->setMode(QCPLayer::lmLogical);
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    plot->setMinimumSize(120, 80);
    return plot;
}

QCPGraph* marker(QCustomPlot* plot, QCPScatterStyle::ScatterShape shape, const QColor& c)
{
    QCPGraph* g = plot->addGraph();
    g->setLineStyle(QCPGraph::lsNone);
    g->setScatterStyle(QCPScatterStyle(shape, QPen(c, 2), Qt::NoBrush, 11));
    return g;
}

/// Keeps one unit on both axes the same length: the axis with room to spare is widened.
void squareAxes(QCustomPlot* plot, double centreX, double centreY, double halfExtent)
{
    const QRect r = plot->axisRect()->rect();
    const double w = std::max(r.width(), 1), h = std::max(r.height(), 1);
    const double hx = w >= h ? halfExtent * w / h : halfExtent;
    const double hy = w >= h ? halfExtent : halfExtent * h / w;
    plot->xAxis->setRange(centreX - hx, centreX + hx);
    plot->yAxis->setRange(centreY - hy, centreY + hy);
}

}  // namespace

TrackingWindow::TrackingWindow(EventSink sink) : m_sink(std::move(sink))
{
    setWindowTitle(QStringLiteral("Tracking"));
    setWindowFlag(Qt::Window);
    resize(900, 600);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    layout->addWidget(buildToolbar());

    m_pictureArea = new QWidget(this);
    m_pictureArea->setAutoFillBackground(true);
    auto* area = new QVBoxLayout(m_pictureArea);
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(2);
    area->addWidget(buildReadouts());
    auto* plots = new QGridLayout;
    plots->setSpacing(2);
    buildSky();
    buildPlan();
    buildStrips();
    plots->addWidget(m_sky, 0, 0, 2, 1);
    plots->addWidget(m_plan, 2, 0, 2, 1);
    plots->addWidget(m_stripsPlot, 0, 1, 4, 1);
    plots->setColumnStretch(0, 2);
    plots->setColumnStretch(1, 3);
    area->addLayout(plots, 1);
    layout->addWidget(m_pictureArea, 1);

    m_timer = new QTimer(this);
    m_timer->setInterval(kTickMs);
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (++m_tick % dataEveryTicks() == 0)
            refreshData();
        else if (m_liveDirty)
            refreshLive();
    });
}

TrackingWindow::~TrackingWindow() = default;

QWidget* TrackingWindow::buildToolbar()
{
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(QStringLiteral("Span"), bar));
    m_span = new QComboBox(bar);
    for (const int s : kSpans) m_span->addItem(QStringLiteral("%1 min").arg(s / 60));
    m_span->setCurrentIndex(0);
    connect(m_span, &QComboBox::activated, this, [this] {
        m_follow = true;
        refreshData();
    });
    row->addWidget(m_span);

    m_record = new QPushButton(QStringLiteral("Record"), bar);
    m_record->setCheckable(true);
    connect(m_record, &QPushButton::clicked, this, [this](bool checked) {
        m_record->setChecked(!checked);  // the application says whether a record runs
        m_sink({UiEvent::Kind::Control, kWindow, kRecord});
    });
    row->addWidget(m_record);
    auto* open = new QPushButton(QStringLiteral("Open record\u2026"), bar);
    connect(open, &QPushButton::clicked, this, [this] { chooseFile(false); });
    row->addWidget(open);
    m_live = new QPushButton(QStringLiteral("Live"), bar);
    m_live->hide();
    connect(m_live, &QPushButton::clicked, this, [this] {
        m_sink({UiEvent::Kind::Control, kWindow, kLive});
    });
    row->addWidget(m_live);
    auto* save = new QPushButton(QStringLiteral("Save picture\u2026"), bar);
    connect(save, &QPushButton::clicked, this, [this] { chooseFile(true); });
    row->addWidget(save);
    m_status = new QLabel(bar);
    row->addWidget(m_status, 1);
    return bar;
}

QWidget* TrackingWindow::buildReadouts()
{
    static constexpr const char* kCaptions[kReadouts] = {"LOS azimuth",    "LOS elevation",
                                                         "Slant range",    "Ground range",
                                                         "Pointing error", "Max error"};
    auto* box = new QWidget(m_pictureArea);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(2, 0, 2, 0);
    for (int r = 0; r < kReadouts; ++r) {
        auto* caption = new QLabel(QString::fromLatin1(kCaptions[r]), box);
        caption->setToolTip(r == kMaxError
                                ? QStringLiteral("Largest pointing error over the span shown")
                                : QString());
        m_readouts[r] = new QLabel(box);
        // A fixed size: a new reading repaints its label and never lays out the window again.
        m_readouts[r]->setFixedSize(64, caption->sizeHint().height());
        QFont bold = m_readouts[r]->font();
        bold.setBold(true);
        m_readouts[r]->setFont(bold);
        row->addWidget(caption);
        row->addWidget(m_readouts[r]);
        row->addSpacing(8);
    }
    row->addStretch(1);
    return box;
}

void TrackingWindow::buildSky()
{
    m_sky = newPlot(m_pictureArea);
    for (QCPAxis* axis : {m_sky->xAxis, m_sky->yAxis}) axis->setVisible(false);
    m_sky->axisRect()->setAutoMargins(QCP::msNone);
    m_sky->axisRect()->setMargins(QMargins(2, 2, 2, 2));
    for (const double el : {0.0, 30.0, 60.0}) {
        auto* ring = new QCPCurve(m_sky->xAxis, m_sky->yAxis);
        ring->setPen(QPen(kRingColour));
        setCircle(ring, 90.0 - el);
        auto* label = new QCPItemText(m_sky);
        label->position->setCoords(2, 90.0 - el - 4);
        label->setText(degreesText(el, 0));
        label->setColor(Qt::gray);
    }
    for (int az = 0; az < 360; az += 30) {
        auto* spoke = new QCPItemLine(m_sky);
        spoke->start->setCoords(0, 0);
        const QPointF end = skyPosition(az, 0);
        spoke->end->setCoords(end.x(), end.y());
        spoke->setPen(QPen(kRingColour, 1, Qt::DotLine));
    }
    const char* names[] = {"N", "E", "S", "W"};
    for (int i = 0; i < 4; ++i) {
        auto* label = new QCPItemText(m_sky);
        const QPointF at = skyPosition(i * 90.0, -5.0);
        label->position->setCoords(at.x(), at.y());
        label->setText(QString::fromLatin1(names[i]));
    }
    m_skyTrail = new QCPCurve(m_sky->xAxis, m_sky->yAxis);
    m_skyTrail->setPen(QPen(kTrailColour));
    m_skyAntenna = marker(m_sky, QCPScatterStyle::ssCircle, kAntennaColour);
    m_skySight = marker(m_sky, QCPScatterStyle::ssCross, kSightColour);
    m_skyAntenna->setName(QStringLiteral("Antenna"));
    m_skySight->setName(QStringLiteral("Line of sight"));
    m_sky->legend->setVisible(true);
    m_sky->legend->clearItems();
    m_skyAntenna->addToLegend();
    m_skySight->addToLegend();
    m_sky->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignLeft);
    connect(m_sky, &QCustomPlot::mouseDoubleClick, this, [this] {
        squareAxes(m_sky, 0, 0, kSkyRim);
        m_sky->update();
    });
    m_sky->installEventFilter(this);
}

void TrackingWindow::buildPlan()
{
    m_plan = newPlot(m_pictureArea);
    m_plan->xAxis->setLabel(QStringLiteral("east (m)"));
    m_plan->yAxis->setLabel(QStringLiteral("north (m)"));
    for (QCPCurve*& ring : m_rings) {
        ring = new QCPCurve(m_plan->xAxis, m_plan->yAxis);
        ring->setPen(QPen(kRingColour));
    }
    m_planTrail = new QCPCurve(m_plan->xAxis, m_plan->yAxis);
    m_planTrail->setPen(QPen(kTrailColour));
    auto* origin = m_plan->addGraph();
    origin->setLineStyle(QCPGraph::lsNone);
    origin->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssTriangle, QPen(Qt::black), Qt::NoBrush, 9));
    origin->setData({0.0}, {0.0});
    m_planVehicle = marker(m_plan, QCPScatterStyle::ssCross, kSightColour);
    m_planRay = new QCPItemLine(m_plan);
    m_planRay->setPen(QPen(kAntennaColour, 2));
    m_planRay->setVisible(false);
    const auto operatorMoved = [this](QMouseEvent* e) {
        if (e->buttons() != Qt::NoButton) m_planFollow = false;
    };
    connect(m_plan, &QCustomPlot::mouseMove, this, operatorMoved);
    connect(m_plan, &QCustomPlot::mouseWheel, this, [this] { m_planFollow = false; });
    connect(m_plan, &QCustomPlot::mouseDoubleClick, this, [this] {
        m_planFollow = true;
        fitPlan();
        m_plan->update();
    });
    m_plan->installEventFilter(this);
}

void TrackingWindow::buildStrips()
{
    // One plot of four charts stacked on one time axis: one picture to draw and to send to the
    // screen, and the time labels once, under the last chart.
    static constexpr const char* kTitles[kStrips] = {"error (\u00B0)", "slant (m)", "height (m)",
                                                     "replies/s"};
    QSharedPointer<QCPAxisTickerDateTime> ticker(new QCPAxisTickerDateTime);
    ticker->setDateTimeFormat(QStringLiteral("hh:mm:ss"));
    ticker->setDateTimeSpec(Qt::UTC);
    m_stripsPlot = newPlot(m_pictureArea);
    m_stripsPlot->plotLayout()->clear();
    m_stripsPlot->plotLayout()->setRowSpacing(0);
    auto* margins = new QCPMarginGroup(m_stripsPlot);
    for (int s = 0; s < kStrips; ++s) {
        StripChart& c = m_strips[s];
        c.rect = new QCPAxisRect(m_stripsPlot);
        m_stripsPlot->plotLayout()->addElement(s, 0, c.rect);
        c.rect->setMarginGroup(QCP::msLeft | QCP::msRight, margins);
        c.rect->setRangeDrag(Qt::Horizontal);
        c.rect->setRangeZoom(Qt::Horizontal);
        QCPAxis* time = c.rect->axis(QCPAxis::atBottom);
        time->setTicker(ticker);
        time->setTickLabels(s == kRateStrip);
        c.rect->axis(QCPAxis::atLeft)->setLabel(QString::fromUtf8(kTitles[s]));
        for (QCPAxis* a : c.rect->axes()) a->grid()->setLayer(QStringLiteral("grid"));
        c.graph = m_stripsPlot->addGraph(time, c.rect->axis(QCPAxis::atLeft));
        c.graph->setPen(QPen(s == kErrorStrip ? kSightColour : kAntennaColour));
        connect(time, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this,
                [this, s] { stripRangeChangedByOperator(s); });
    }
    connect(m_stripsPlot, &QCustomPlot::mouseDoubleClick, this, [this] {
        m_follow = true;
        refreshData();
    });
    m_strips[kRateStrip].rect->axis(QCPAxis::atBottom)->setLabel(QStringLiteral("UTC"));
    m_strips[kRateStrip].graph->setLineStyle(QCPGraph::lsStepLeft);
}

void TrackingWindow::showSeries(const tracking::PlotSeries* series, bool review,
                                const QString& title)
{
    m_series = series;
    m_review = review;
    m_follow = true;
    m_planFollow = true;
    const int wholeItem = int(kSpans.size());
    if (review && m_span->count() == wholeItem) m_span->addItem(QStringLiteral("Whole record"));
    if (!review && m_span->count() > wholeItem) m_span->removeItem(wholeItem);
    if (review) m_span->setCurrentIndex(wholeItem);
    m_span->setEnabled(!review);
    if (!title.isEmpty()) m_status->setText(title);
    refreshNow();
    squareAxes(m_sky, 0, 0, kSkyRim);
    if (review)
        m_timer->stop();
    else
        m_timer->start();
}

void TrackingWindow::seriesGrew()
{
    m_liveDirty = true;
}

void TrackingWindow::setRecordStatus(const QString& text, bool recording, bool canRecord)
{
    m_status->setText(text);
    m_record->setChecked(recording);
    m_record->setEnabled(canRecord);
    m_live->setVisible(m_review && canRecord);
}

QString TrackingWindow::readout(Readout r) const
{
    return m_readouts[r]->text();
}
QString TrackingWindow::recordStatus() const
{
    return m_status->text();
}
int TrackingWindow::stripPoints(Strip s) const
{
    return m_strips[s].graph->dataCount();
}
int TrackingWindow::trailPoints() const
{
    return m_planTrail->dataCount();
}
double TrackingWindow::spanStart() const
{
    return m_strips[0].rect->axis(QCPAxis::atBottom)->range().lower;
}
double TrackingWindow::spanEnd() const
{
    return m_strips[0].rect->axis(QCPAxis::atBottom)->range().upper;
}

void TrackingWindow::selectSpan(int index)
{
    m_span->setCurrentIndex(index);
    m_follow = true;
    refreshData();
}

double TrackingWindow::spanSeconds() const
{
    const int i = m_span->currentIndex();
    return i >= 0 && i < int(kSpans.size()) ? kSpans[size_t(i)] : kSpans.back();
}

double TrackingWindow::newestTime() const
{
    if (m_series && !m_series->isEmpty()) return m_series->back().t;
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0;
}

void TrackingWindow::refreshNow()
{
    refreshData();
    for (QCustomPlot* p : {m_sky, m_plan, m_stripsPlot}) p->update();
}

void TrackingWindow::refreshLive()
{
    m_liveDirty = false;
    std::array<QString, kReadouts> texts;
    m_skyAntenna->data()->clear();
    m_skySight->data()->clear();
    m_planVehicle->data()->clear();
    m_planRay->setVisible(false);
    if (m_series && !m_series->isEmpty()) {
        const PlotPoint& p = m_series->back();
        const bool antenna = has(p, tracking::kHasAntenna);
        if (antenna) {
            const QPointF at = skyPosition(p.antennaAz, p.antennaEl);
            m_skyAntenna->addData(at.x(), at.y());
        }
        if (has(p, tracking::kHasDirection)) {
            texts[kLosAzimuth] = degreesText(p.losAz, 1);
            texts[kLosElevation] = degreesText(p.losEl, 1);
            const QPointF sight = skyPosition(p.losAz, p.losEl);
            m_skySight->addData(sight.x(), sight.y());
        }
        if (has(p, tracking::kHasGeometry)) {
            texts[kSlantRange] = metresText(p.slantM);
            texts[kGroundRange] = metresText(p.groundM);
            m_planVehicle->addData(p.eastM, p.northM);
        }
        if (has(p, tracking::kHasError)) texts[kError] = degreesText(p.errorDeg, 2);
        // The pointing ray reaches past the vehicle, or across the view without one.
        const double reach = std::max({double(p.groundM) * 1.2, m_ringStep * 4, kMinPlanRangeM});
        const double a = p.antennaAz * std::numbers::pi / 180.0;
        m_planRay->start->setCoords(0, 0);
        m_planRay->end->setCoords(reach * std::sin(a), reach * std::cos(a));
        m_planRay->setVisible(antenna);
        const double from = following() ? p.t - spanSeconds() : spanStart();
        const double to = following() ? p.t : spanEnd();
        const tracking::SpanStats worst = tracking::maxErrorBetween(*m_series, from, to);
        if (worst.any) texts[kMaxError] = degreesText(worst.maxErrorDeg, 2);
    }
    for (int r = 0; r < kReadouts; ++r) m_readouts[r]->setText(texts[r]);  // the same text: no paint

    // The views are drawn again only when a marker moved by a pixel (an antenna that follows a
    // vehicle a kilometre away moves a pixel or two a second), and at most every other tick.
    const auto pixels = [](const QCPGraph* g) {
        if (g->data()->isEmpty()) return QPoint(-1, -1);
        const QCPGraphData& d = *g->data()->constBegin();
        return QPoint(int(std::lround(g->keyAxis()->coordToPixel(d.key))),
                      int(std::lround(g->valueAxis()->coordToPixel(d.value))));
    };
    const std::array<QPoint, 2> sky{pixels(m_skyAntenna), pixels(m_skySight)};
    const std::array<QPoint, 2> plan{
        pixels(m_planVehicle),
        m_planRay->visible() ? m_planRay->end->pixelPosition().toPoint() : QPoint(-1, -1)};
    const auto follow = [this](QCustomPlot* view, const std::array<QPoint, 2>& now, ViewState& shown) {
        if (now == shown.markers) return;
        if (m_tick < shown.nextTick) {
            m_liveDirty = true;  // drawn at a later tick
            return;
        }
        shown.markers = now;
        shown.nextTick = m_tick + 2;
        view->update();
    };
    follow(m_sky, sky, m_skyShown);
    follow(m_plan, plan, m_planShown);
}

int TrackingWindow::dataEveryTicks() const
{
    // Trails and strip charts move about a pixel per refresh: every second over one minute,
    // less often over longer spans.
    const double span = spanSeconds();
    return span <= 60 ? 2 : span <= 300 ? 4 : 10;
}

void TrackingWindow::refreshData()
{
    const qsizetype n = m_series ? m_series->size() : 0;
    const double end = newestTime();
    double from = end - spanSeconds();
    double to = end;
    if (m_review && n > 0) {
        from = (*m_series)[0].t;
        to = std::max(end, from + 1.0);
    }
    if (!following() && !m_review) {
        from = spanStart();
        to = spanEnd();
    }
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    std::array<QVector<double>, kStrips> values;
    QVector<double> keys, trailT, skyX, skyY, planX, planY;
    keys.reserve(n);
    for (auto& v : values) v.reserve(n);
    // The trails cover the span shown; the strip charts hold every point, for panning back.
    const double trailFrom =
        m_review ? -std::numeric_limits<double>::infinity() : end - spanSeconds();
    for (qsizetype i = 0; i < n; ++i) {
        const PlotPoint& p = (*m_series)[i];
        if (!keys.isEmpty() && p.t < keys.back()) continue;  // the clock went back: keep the order
        keys << p.t;
        const bool geometry = has(p, tracking::kHasGeometry);
        values[kErrorStrip] << (has(p, tracking::kHasError) ? p.errorDeg : nan);
        values[kSlantStrip] << (geometry ? p.slantM : nan);
        values[kHeightStrip] << (geometry ? p.heightM : nan);
        values[kRateStrip] << p.repliesPerS;
        if (p.t < trailFrom) continue;
        if (has(p, tracking::kHasDirection)) {
            const QPointF s = skyPosition(p.losAz, p.losEl);
            trailT << p.t;
            skyX << s.x();
            skyY << s.y();
        }
        if (geometry) {
            planX << p.eastM;
            planY << p.northM;
        }
    }
    for (int s = 0; s < kStrips; ++s) m_strips[s].graph->setData(keys, values[s], true);
    m_skyTrail->setData(trailT, skyX, skyY, true);
    QVector<double> planT(planX.size());
    std::iota(planT.begin(), planT.end(), 0.0);
    m_planTrail->setData(planT, planX, planY, true);

    setStripRange(from, to);
    if (m_planFollow) fitPlan();
    refreshLive();  // the views follow when their markers (the trails' newest points) moved
    m_stripsPlot->update();
}

void TrackingWindow::setStripRange(double from, double to)
{
    m_settingRanges = true;
    for (int s = 0; s < kStrips; ++s) {
        m_strips[s].rect->axis(QCPAxis::atBottom)->setRange(from, to);
        bool found = false;
        QCPRange r = m_strips[s].graph->getValueRange(found, QCP::sdBoth, QCPRange(from, to));
        if (!found) r = QCPRange(0, 1);
        if (s == kErrorStrip || s == kRateStrip || s == kSlantStrip) r.lower = 0;
        const double margin = std::max(r.size() * 0.08, s == kErrorStrip ? 0.05 : 1.0);
        m_strips[s].rect->axis(QCPAxis::atLeft)->setRange(r.lower == 0 ? 0 : r.lower - margin,
                                                          r.upper + margin);
    }
    m_settingRanges = false;
}

void TrackingWindow::stripRangeChangedByOperator(int strip)
{
    if (m_settingRanges) return;
    // The operator dragged or zoomed one chart: the others show the same time, and the charts
    // stop following the flight until a span is chosen again or a chart is double-clicked.
    m_follow = false;
    const QCPRange r = m_strips[strip].rect->axis(QCPAxis::atBottom)->range();
    m_settingRanges = true;
    for (int s = 0; s < kStrips; ++s)
        if (s != strip) m_strips[s].rect->axis(QCPAxis::atBottom)->setRange(r);
    m_settingRanges = false;
    m_stripsPlot->update();
}

void TrackingWindow::fitPlan()
{
    double extent = kMinPlanRangeM;
    for (int i = 0; i < m_planTrail->dataCount(); ++i) {
        const QCPCurveData& d = *(m_planTrail->data()->at(i));
        extent = std::max({extent, std::abs(d.key), std::abs(d.value)});
    }
    extent *= 1.1;
    const double step = niceStep(extent);
    if (step != m_ringStep) {
        m_ringStep = step;
        for (size_t i = 0; i < m_rings.size(); ++i) setCircle(m_rings[i], step * double(i + 1));
    }
    squareAxes(m_plan, 0, 0, extent);
}

void TrackingWindow::chooseFile(bool save)
{
    auto* dialog = new QFileDialog(
        this, save ? QStringLiteral("Save picture") : QStringLiteral("Open record"), m_folder);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (save) {
        dialog->setAcceptMode(QFileDialog::AcceptSave);
        dialog->setNameFilters(
            {QStringLiteral("PNG picture (*.png)"), QStringLiteral("PDF document (*.pdf)")});
        dialog->setDefaultSuffix(QStringLiteral("png"));
        dialog->selectFile(
            QStringLiteral("tracking-%1.png")
                .arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss"))));
        connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
            dialog->setDefaultSuffix(filter.contains(u"pdf") ? QStringLiteral("pdf")
                                                             : QStringLiteral("png"));
        });
    } else {
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setNameFilters(
            {QStringLiteral("Flight records (*.csv)"), QStringLiteral("All files (*)")});
    }
    // Not a modal loop of its own: the console keeps polling while the operator chooses.
    connect(dialog, &QFileDialog::fileSelected, this, [this, save](const QString& path) {
        m_chosenPath = path;
        m_sink({UiEvent::Kind::Control, kWindow, save ? kSavePicture : kOpenRecord});
    });
    dialog->open();
}

bool TrackingWindow::savePicture(const QString& path, QString* error)
{
    const bool pdf = QFileInfo(path).suffix().compare(u"pdf", Qt::CaseInsensitive) == 0;
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        if (error) *error = probe.errorString();
        return false;
    }
    probe.close();
    bool ok = false;
    if (pdf) {
        QPdfWriter writer(path);
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setCreator(QStringLiteral("Antenna Tracker Studio"));
        writer.setTitle(QStringLiteral("Tracking"));
        QPainter painter;
        if (painter.begin(&writer)) {
            const QRect page = painter.viewport();
            const QSize size = m_pictureArea->size();
            const double scale = std::min(page.width() / double(size.width()),
                                          page.height() / double(size.height()));
            painter.scale(scale, scale);
            m_pictureArea->render(&painter);
            ok = painter.end();
        }
    } else {
        ok = m_pictureArea->grab().save(path, "PNG");
    }
    if (!ok && error) *error = QStringLiteral("the picture could not be written");
    return ok;
}

bool TrackingWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A resized view keeps one metre (one degree) as long across as up: the ranges are set
    // again for its new shape once its layout is done.
    if (event->type() == QEvent::Resize && (watched == m_sky || watched == m_plan)) {
        QCustomPlot* plot = static_cast<QCustomPlot*>(watched);
        QTimer::singleShot(0, plot, [this, plot] {
            if (plot == m_sky)
                squareAxes(m_sky, 0, 0, kSkyRim);
            else if (m_planFollow)
                fitPlan();
            plot->update();
        });
    }
    return QWidget::eventFilter(watched, event);
}

void TrackingWindow::closeEvent(QCloseEvent* event)
{
    // The application decides what closing means (in a review of its own, the end of the run).
    event->ignore();
    m_sink({UiEvent::Kind::Close, kWindow, 0});
}

extern "C" Q_DECL_EXPORT TrackingView* ats_create_tracking_view(EventSink sink)
{
    return new TrackingWindow(std::move(sink));
}
