#include "FlightTracking.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QWidget>
#include <utility>

#include "FlightRecord.h"
#include "MessageBoxes.h"
#include "RecordReader.h"
#include "TimerBank.h"
#include "TrackState.h"

namespace {

constexpr int kFlushPeriodMs = 1000;
constexpr int kMaxNameTries = 100;
constexpr char kRecord[] = "Record";
constexpr char kTracking[] = "Tracking";

tracking::LinkTag tagOf(LinkKind k)
{
    switch (k) {
        case LinkKind::Serial:
            return tracking::LinkTag::Com;
        case LinkKind::Udp:
            return tracking::LinkTag::Udp;
        case LinkKind::Tcp:
            return tracking::LinkTag::Tcp;
        case LinkKind::None:
            break;
    }
    return tracking::LinkTag::None;
}

QString utcText(double t)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(t * 1000.0), Qt::UTC)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace

FlightTracking::FlightTracking(Context ctx) : m(std::move(ctx)) {}

FlightTracking::~FlightTracking()
{
    delete m_viewWidget.data();
}

void FlightTracking::onReply(const ReplyFields& f, const TrackerState& tracker, LinkKind link)
{
    const QString& keyword = f[1];
    // Another link may reach another tracker: its position and readings come with its replies.
    if (link != m_lastLink) {
        m_lastLink = link;
        m_state.clear();
    }
    if (keyword == u"STAT") {
        m_state.onStatus(f[7], f[8], f[9], f[15], f[16]);
        return;
    }
    if (!m_collecting || keyword != u"DXYPV") return;
    const tracking::TrackSample sample =
        m_state.onPointing(QDateTime::currentMSecsSinceEpoch(), tagOf(link), tracker.azimuthDeg,
                           tracker.elevationDeg, f[4], f[5], f[6], tracker.trackerFlags);
    m_live.push(sample);
    if (m_writer) m_writer->append(sample);
    if (m_view && !m_review) m_view->seriesGrew();
}

void FlightTracking::ensureCollecting()
{
    m_collecting = true;
}

void FlightTracking::openWindow()
{
    ensureCollecting();
    if (m_viewWidget) {
        m_viewWidget->show();
        m_viewWidget->raise();
        m_viewWidget->activateWindow();
        return;
    }
    m_view = m.createView ? m.createView(m.sink) : nullptr;
    if (!m_view) {
        tell(kTracking,
             QStringLiteral("The Tracking window cannot be shown: its module is missing."));
        return;
    }
    m_viewWidget = m_view->widget();
    m_view->setRecordsFolder(m.recordsFolder);
    if (m_review)
        m_view->showSeries(m_review.get(), true, QString());
    else
        m_view->showSeries(&m_live, false, QString());
    updateRecordStatus();
    m_viewWidget->show();
    m_viewWidget->activateWindow();
}

void FlightTracking::closeWindow()
{
    if (!m_viewWidget) return;
    // The close request comes from inside the window's own handler: it goes once that is done.
    m_viewWidget->hide();
    m_viewWidget->deleteLater();
    m_viewWidget = nullptr;
    m_view = nullptr;
    m_review.reset();  // opened again, the window follows the flight
}

void FlightTracking::handleEvent(const UiEvent& e)
{
    if (e.kind == UiEvent::Kind::Close) {
        closeWindow();
        return;
    }
    if (e.kind != UiEvent::Kind::Control || !m_view) return;
    switch (e.number) {
        case TrackingView::kRecord:
            toggleRecord();
            break;
        case TrackingView::kOpenRecord:
            review(m_view->chosenPath());
            break;
        case TrackingView::kLive:
            showLive();
            break;
        case TrackingView::kSavePicture: {
            QString error;
            const QString path = m_view->chosenPath();
            if (!m_view->savePicture(path, &error))
                tell(kTracking, QStringLiteral("The picture %1 could not be saved: %2.")
                                    .arg(QDir::toNativeSeparators(path), error));
            break;
        }
        default:
            break;
    }
}

void FlightTracking::toggleRecord()
{
    if (!m.timers) return;
    if (m_writer)
        stopRecording(QString());
    else
        startNewRecord();
}

void FlightTracking::startNewRecord()
{
    QDir().mkpath(m.recordsFolder);
    const QString name =
        tracking::RecordWriter::defaultFileName(QDateTime::currentMSecsSinceEpoch());
    QString error;
    for (int i = 1; i <= kMaxNameTries; ++i) {
        QString path = m.recordsFolder + name;
        if (i > 1) path.insert(path.size() - 4, QStringLiteral("-%1").arg(i));  // before ".csv"
        std::unique_ptr<tracking::RecordWriter> writer =
            tracking::RecordWriter::create(path, &error);
        if (writer) {
            startRecording(std::move(writer));
            return;
        }
        if (QFileInfo::exists(path)) continue;  // two records in one second: the next name
        break;
    }
    tell(kRecord, QStringLiteral("No record could be started. %1").arg(error));
}

void FlightTracking::startRecording(std::unique_ptr<tracking::RecordWriter> writer)
{
    ensureCollecting();
    m_writer = std::move(writer);
    m_lastRecord = m_writer->path();
    m_lastRows = 0;
    if (m.timers) m.timers->add(TimerBank::kRecordFlush, kFlushPeriodMs);
    updateRecordStatus();
}

void FlightTracking::stopRecording(const QString& problem)
{
    if (!m_writer) return;
    if (problem.isEmpty()) m_writer->flush();
    m_lastRows = m_writer->rows();
    m_writer.reset();
    m_untold = problem;
    updateRecordStatus();
    tellUntold();
}

void FlightTracking::tellUntold()
{
    // The flush timer runs on while another box is up; the problem is told once it is gone.
    if (!m_untold.isEmpty() && m.boxes.isOpen()) return;
    if (m.timers) m.timers->remove(TimerBank::kRecordFlush);
    if (m_untold.isEmpty()) return;
    const QString text = std::exchange(m_untold, QString());
    tell(kRecord, text);
}

void FlightTracking::flush()
{
    if (!m_writer) {
        tellUntold();
        return;
    }
    if (!m_writer->flush()) {
        const bool kept = m_writer->rows() > 0;
        stopRecording(
            QStringLiteral("The record %1 stopped. %2%3")
                .arg(QFileInfo(m_writer->path()).fileName(), m_writer->errorText(),
                     kept ? QStringLiteral(" The rows written before are kept.") : QString()));
        return;
    }
    updateRecordStatus();
}

void FlightTracking::writeBuffered()
{
    if (m_writer) m_writer->flush();
}

void FlightTracking::review(const QString& path)
{
    if (path.isEmpty()) return;
    const tracking::RecordReadResult result = tracking::readRecord(path);
    m_review = std::make_unique<tracking::PlotSeries>(0);
    for (const tracking::TrackSample& s : result.samples) m_review->push(s);
    const QString name = QFileInfo(path).fileName();
    m_reviewTitle = QStringLiteral("Record %1: %2 rows").arg(name).arg(m_review->size());
    if (!m_review->isEmpty())
        m_reviewTitle += QStringLiteral(", %1 to %2 UTC")
                             .arg(utcText((*m_review)[0].t), utcText(m_review->back().t));
    if (!m_viewWidget)
        openWindow();
    else
        m_view->showSeries(m_review.get(), true, QString());
    updateRecordStatus();
    if (!result.problem.isEmpty())
        tell(kRecord, QStringLiteral("%1: %2").arg(name, result.problem));
}

void FlightTracking::showLive()
{
    m_review.reset();
    if (m_view) m_view->showSeries(&m_live, false, QString());
    updateRecordStatus();
}

void FlightTracking::updateRecordStatus()
{
    if (!m_view) return;
    QString recordLine;
    if (m_writer)
        recordLine = QStringLiteral("Recording %1: %2 rows")
                         .arg(QFileInfo(m_writer->path()).fileName())
                         .arg(m_writer->rows());
    else if (!m_lastRecord.isEmpty())
        recordLine = QStringLiteral("Recorded %1: %2 rows")
                         .arg(QFileInfo(m_lastRecord).fileName())
                         .arg(m_lastRows);
    else if (m.timers)
        recordLine = QStringLiteral("Not recording");
    // A record under review says so first; one that runs meanwhile is not forgotten.
    QString text = m_review ? m_reviewTitle : recordLine;
    if (m_review && m_writer) text += QStringLiteral(" \u2014 ") + recordLine;
    m_view->setRecordStatus(text, m_writer != nullptr, m.timers != nullptr);
}

void FlightTracking::tell(const char* title, const QString& text)
{
    QWidget* over = m_viewWidget ? m_viewWidget.data() : m.boxParent;
    m.boxes.tell(QString::fromLatin1(title), text, over);
}
