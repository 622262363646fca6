#pragma once
// The console: owns the state, the link, the timers and the windows, runs the start-up
// sequence, and is the one dispatcher through which every event passes.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>

#include "AppState.h"
#include "Console.h"
#include "Controls.h"
#include "DeviceLink.h"
#include "FormWindow.h"
#include "Framing.h"
#include "Gauges.h"
#include "MessageBoxes.h"
#include "Poller.h"
#include "PortEntry.h"
#include "ReplyHandler.h"
#include "TimerBank.h"
#include "TrackerState.h"
#include "UiEvent.h"

class CaptureWriter;
class ConnectionDialog;
class DispatchStats;
class EthernetSetup;
class FlightTracking;
class TrackingView;

struct AppOptions {
    QString resourceDirectory;          ///< empty: the per-user data folder
    std::optional<LinkKind> connect;    ///< press that kind's Open button after start-up
    /// Makes the Tracking window; empty: from its module, on first use.
    std::function<TrackingView*(EventSink)> trackingView;
};

class App : public QObject {
public:
    static constexpr int kMaxReadBytes = 1001;

    explicit App(AppOptions options);
    ~App() override;

    /// The resource folder: `given`, or the per-user data folder; absolute, ending with "/".
    static QString resourceFolder(const QString& given);

    /// The start-up sequence: state, images, main window, timers, banner, gauges, dialog.
    void start();

    /// `--capture`: every command sent and block received also goes to `capture` (not owned).
    void setCapture(CaptureWriter* capture) { m_capture = capture; }

    /// The dispatcher. Events that arrive while a handler runs (a message box is up, or a
    /// handler is still busy) are dropped; data stays queued in the link until afterwards.
    void dispatch(const UiEvent& e);

    // What the dispatch tables run.
    void sendCommand(const QString& text);
    void applySetting(QStringView name);
    void stepAxis(bool xAxis, int step);
    void toggleAutoPolling();
    void drawGauges();
    /// Opens the window of menu item `menuItem` (mainwindow::MenuItem), or brings it forward
    /// when it is open already: a window never exists twice.
    void openWindow(int menuItem);
    void processReceivedChunk(QByteArrayView bytes);

    AppState& state() { return m_state; }
    TrackerState& tracker() { return m_tracker; }
    Controls& controls() { return m_controls; }
    DeviceLink& link() { return m_link; }
    TimerBank& timers() { return *m_timers; }
    Poller& poller() { return m_poller; }
    Console& console() { return *m_console; }
    MessageBoxes& boxes() { return m_boxes; }
    ConnectionDialog& connectionDialog() { return *m_dialog; }
    EthernetSetup& ethernet() { return *m_ethernet; }
    PortEntries& ports() { return m_ports; }
    FlightTracking& flight() { return *m_flight; }
    const ReplyFields& replyFields() const { return m_fields; }
    const GaugePainter& gauges() const { return m_gauges; }
    FormWindow* mainWindow() const { return m_mainWindow; }
    /// How many replies reached the parser so far.
    int repliesHandled() const { return m_repliesHandled; }

    /// The images of the link indicator: 2 while data flows, 3 when it stopped.
    const QImage& linkAliveImage() const { return m_linkAliveImage; }
    const QImage& linkLostImage() const { return m_linkLostImage; }
    const QImage& aboutImage() const { return m_aboutImage; }

private:
    /// One row of the window table: what a menu item opens and what opening it starts.
    struct WindowRow;
    static const WindowRow kWindowTable[];

    // What opening a window starts.
    void startIdentity();
    void startAudio();
    void showAboutPicture();
    /// `ApplyDefaultMotorSetup`: after the operator's Yes, the fixed default motor set-up.
    void applyDefaultMotorSetup();
    void startEthernet();

    void commitReturn();
    void controlEvent(int control);
    void mainWindowEvent(const UiEvent& e);
    void timerTick(int timer);
    void linkIndicatorTick();
    void pollTick();
    void serialPoll();
    void networkReceive();
    void trackFocus();
    void focusChanged(QWidget* now);
    void postDataEvent();
    void prepareResourceDirectory();

    AppOptions m_options;
    AppState m_state;
    TrackerState m_tracker;
    PortEntries m_ports{};
    ReplyFields m_fields;
    Controls m_controls;
    DeviceLink m_link;
    MessageBoxes m_boxes;
    Poller m_poller;
    GaugePainter m_gauges;
    std::optional<GaugeInputs> m_gaugesShown;  ///< what the gauge picture shows now
    TimerBank* m_timers = nullptr;
    std::unique_ptr<Console> m_console;
    std::unique_ptr<ConnectionDialog> m_dialog;
    std::unique_ptr<ReplyHandler> m_replies;
    std::unique_ptr<DispatchStats> m_stats;  ///< null unless ATS_DISPATCH_STATS is set
    std::unique_ptr<EthernetSetup> m_ethernet;
    std::unique_ptr<FlightTracking> m_flight;
    QPointer<FormWindow> m_mainWindow;
    EventSink m_sink;
    CaptureWriter* m_capture = nullptr;

    QImage m_linkAliveImage;  // image 2
    QImage m_linkLostImage;   // image 3
    QImage m_aboutImage;      // image 4
    QImage m_initialIndicatorImage;

    bool m_inHandler = false;
    bool m_dataEventPosted = false;
    int m_repliesHandled = 0;
    int m_failedReadShownFor = 0;  ///< the network link whose failed read showed "ERROR"
    char m_rxBuffer[kMaxReadBytes] = {};
};
