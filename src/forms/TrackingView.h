#pragma once
// What the application asks of the Tracking window. The window itself lives in a module of its
// own, loaded the first time it is opened, so that the plotting library costs the console
// nothing while the window is unused: only this interface is compiled into the console.

#include <QString>
#include <memory>

#include "UiEvent.h"

class QWidget;

namespace tracking {
class PlotSeries;
}

class TrackingView {
public:
    /// Window number of the events the Tracking window reports.
    static constexpr int kWindow = 10;
    /// Its controls, as the control events report them.
    enum Control {
        kRecord = 1,   ///< "Record": start or stop a record
        kOpenRecord,   ///< a record was chosen with "Open record…" (see chosenPath)
        kLive,         ///< "Live": back from a record to the live flight
        kSavePicture,  ///< a picture file was chosen with "Save picture…" (see chosenPath)
    };

    virtual ~TrackingView() = default;

    /// The window, a top-level widget titled "Tracking"; closing it reports a close event.
    virtual QWidget* widget() = 0;

    /// Shows `series` (not owned; it outlives the view or the next call). Live: the chosen span
    /// up to the newest point, following the flight; review: the whole series.
    virtual void showSeries(const tracking::PlotSeries* series, bool review,
                            const QString& title) = 0;
    /// Points were added to the live series shown.
    virtual void seriesGrew() = 0;
    /// The record line: what is being recorded (or was, or is reviewed); whether "Record" is on,
    /// and whether it can be used at all (not without a link to record from).
    virtual void setRecordStatus(const QString& text, bool recording, bool canRecord) = 0;
    /// Where the file dialogs start: the folder of the records.
    virtual void setRecordsFolder(const QString& folder) = 0;
    /// The file the operator chose in the last file dialog.
    virtual QString chosenPath() const = 0;
    /// Writes the window's plots as a PNG or PDF picture (by the file name's suffix).
    virtual bool savePicture(const QString& path, QString* error) = 0;
};

/// The module's one entry point.
using TrackingViewFactory = TrackingView* (*)(EventSink sink);
inline constexpr char kTrackingViewFactorySymbol[] = "ats_create_tracking_view";
