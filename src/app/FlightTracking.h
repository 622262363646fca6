#pragma once
// The flight as the console follows it: the tracker's status and pointing replies become track
// samples; while the Tracking window has been used they feed the series it draws, and while a
// record runs, the flight record. Also a record's review, with or without a live console.
// Until the window is first opened or a record starts, a pointing reply costs one comparison.

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "DeviceLink.h"
#include "Framing.h"
#include "PlotSeries.h"
#include "TrackState.h"
#include "TrackerState.h"
#include "TrackingView.h"

class MessageBoxes;
class TimerBank;
namespace tracking {
class RecordWriter;
}

class FlightTracking {
public:
    struct Context {
        MessageBoxes& boxes;
        TimerBank* timers;      ///< null for a review of its own: nothing is recorded then
        QString recordsFolder;  ///< where "Record" writes, ending with a separator
        std::function<TrackingView*(EventSink)> createView;  ///< null when it cannot be shown
        EventSink sink;                ///< the window's events go here (the dispatcher)
        QWidget* boxParent = nullptr;  ///< the window boxes sit on while the view is closed
    };

    explicit FlightTracking(Context ctx);
    ~FlightTracking();

    /// After the reply handler: a status reply ("STAT") or a pointing reply ("DXYPV").
    void onReply(const ReplyFields& f, const TrackerState& tracker, LinkKind link);

    /// "Tracking" in the menu: opens the window, or brings it forward.
    void openWindow();
    /// An event of the Tracking window.
    void handleEvent(const UiEvent& e);
    /// The once-a-second timer: the record's rows go to the file. It runs even while a message
    /// box suspends everything else, so that rows never wait on an operator's answer.
    void flush();
    /// The record's rows so far go to the file now, before something that may hold the loop
    /// (opening a TCP link waits up to 5 s); a failure is told at the next flush().
    void writeBuffered();

    /// `--record`: records from now into the file `writer` created.
    void startRecording(std::unique_ptr<tracking::RecordWriter> writer);
    /// Shows the record at `path` in the window; a bad line is reported in a "Record" box.
    void review(const QString& path);

    bool recording() const { return m_writer != nullptr; }
    const tracking::PlotSeries& liveSeries() const { return m_live; }
    TrackingView* view() const { return m_view; }
    const tracking::TrackState& state() const { return m_state; }

private:
    void ensureCollecting();
    void toggleRecord();
    void startNewRecord();
    void stopRecording(const QString& problem);
    void tellUntold();
    void closeWindow();
    void showLive();
    void updateRecordStatus();
    void tell(const char* title, const QString& text);

    Context m;
    tracking::TrackState m_state;
    tracking::PlotSeries m_live{tracking::kLiveCapacity};
    std::unique_ptr<tracking::PlotSeries> m_review;
    QString m_reviewTitle;
    std::unique_ptr<tracking::RecordWriter> m_writer;
    QString m_lastRecord;  ///< the file of the record that ran last
    QString m_untold;      ///< why the record stopped, not yet told (another box was up)
    LinkKind m_lastLink = LinkKind::None;
    qint64 m_lastRows = 0;
    bool m_collecting = false;
    TrackingView* m_view = nullptr;
    QPointer<QWidget> m_viewWidget;
};
