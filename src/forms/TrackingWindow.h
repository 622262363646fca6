#pragma once
// The Tracking window: is the antenna on target, and how did the flight go. A sky view (the
// antenna's direction and the line of sight), a plan view (the vehicle's track and the pointing
// ray), four strip charts (pointing error, slant range, height, replies per second) and the
// readouts, all drawn from one series of plot points that the application owns.

#include <QWidget>
#include <array>

#include "TrackingView.h"

class QCPAxisRect;
class QCPCurve;
class QCPGraph;
class QCPItemLine;
class QComboBox;
class QCustomPlot;
class QLabel;
class QPushButton;
class QTimer;

class TrackingWindow final : public QWidget, public TrackingView {
public:
    enum Readout {
        kLosAzimuth,
        kLosElevation,
        kSlantRange,
        kGroundRange,
        kError,
        kMaxError,
        kReadouts
    };
    enum Strip { kErrorStrip, kSlantStrip, kHeightStrip, kRateStrip, kStrips };
    /// Spans the operator picks, seconds.
    static constexpr std::array<int, 3> kSpans{60, 300, 900};

    explicit TrackingWindow(EventSink sink);
    ~TrackingWindow() override;

    // TrackingView
    QWidget* widget() override { return this; }
    void showSeries(const tracking::PlotSeries* series, bool review, const QString& title) override;
    void seriesGrew() override;
    void setRecordStatus(const QString& text, bool recording, bool canRecord) override;
    void setRecordsFolder(const QString& folder) override { m_folder = folder; }
    QString chosenPath() const override { return m_chosenPath; }
    bool savePicture(const QString& path, QString* error) override;

    // What the window shows, for its tests.
    QString readout(Readout r) const;
    QString recordStatus() const;
    QCustomPlot* skyPlot() const { return m_sky; }
    QCustomPlot* planPlot() const { return m_plan; }
    QCustomPlot* stripsPlot() const { return m_stripsPlot; }
    /// Points in strip chart `s` and in the sky and plan trails.
    int stripPoints(Strip s) const;
    int trailPoints() const;
    /// The shown time span, seconds since the epoch.
    double spanStart() const;
    double spanEnd() const;
    void selectSpan(int index);
    /// Applies what arrived since the last refresh at once (the timers do it at their pace).
    void refreshNow();
    /// The two paces of the live view. Markers and readouts: the newest point, twice a second;
    /// a view is drawn again only when a marker moved by a pixel, at most once a second.
    void refreshLive();
    /// Trails, strip charts and ranges from every point: once a second over the one-minute
    /// span, every 2 s over five minutes, every 5 s over fifteen (a queued replot).
    void refreshData();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct StripChart {
        QCPAxisRect* rect = nullptr;
        QCPGraph* graph = nullptr;
    };

    QWidget* buildToolbar();
    QWidget* buildReadouts();
    void buildSky();
    void buildPlan();
    void buildStrips();
    void chooseFile(bool save);

    void fitPlan();
    void setStripRange(double from, double to);
    void stripRangeChangedByOperator(int strip);
    double spanSeconds() const;
    int dataEveryTicks() const;
    double newestTime() const;
    bool following() const { return !m_review && m_follow; }

    EventSink m_sink;
    const tracking::PlotSeries* m_series = nullptr;
    bool m_review = false;
    bool m_follow = true;      ///< the strips show the span up to the newest point
    bool m_planFollow = true;  ///< the plan view fits the track
    bool m_settingRanges = false;
    bool m_liveDirty = false;
    int m_tick = 0;
    QString m_folder;
    QString m_chosenPath;

    QComboBox* m_span = nullptr;
    QPushButton* m_record = nullptr;
    QPushButton* m_live = nullptr;
    QLabel* m_status = nullptr;
    std::array<QLabel*, kReadouts> m_readouts{};
    QWidget* m_pictureArea = nullptr;

    QCustomPlot* m_sky = nullptr;
    QCPCurve* m_skyTrail = nullptr;
    QCPGraph* m_skyAntenna = nullptr;
    QCPGraph* m_skySight = nullptr;
    /// What a view last drew of its markers (their pixels), and the first tick it may draw again.
    struct ViewState {
        std::array<QPoint, 2> markers{};
        int nextTick = 0;
    };
    ViewState m_skyShown;

    QCustomPlot* m_plan = nullptr;
    QCPCurve* m_planTrail = nullptr;
    QCPGraph* m_planVehicle = nullptr;
    QCPItemLine* m_planRay = nullptr;
    ViewState m_planShown;
    std::array<QCPCurve*, 4> m_rings{};
    double m_ringStep = 0;

    QCustomPlot* m_stripsPlot = nullptr;
    std::array<StripChart, kStrips> m_strips{};
    QTimer* m_timer = nullptr;
};
