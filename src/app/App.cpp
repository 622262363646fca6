#include "App.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QStandardPaths>
#include <QMetaObject>

#include "AboutWindow.h"
#include "AudioWindow.h"
#include "CaptureWriter.h"
#include "ConnectionDialog.h"
#include "DeviceWindow.h"
#include "EthernetWindow.h"
#include "FatalErrorReport.h"
#include "FlightTracking.h"
#include "FormWindow.h"
#include "ImageView.h"
#include "LineList.h"
#include "LocalGpsWindow.h"
#include "MainWindow.h"
#include "MavlinkWindow.h"
#include "MotorsWindow.h"
#include "Numbers.h"
#include "SettingCommands.h"
#include "TestHooks.h"
#include "TrackingModule.h"
#include "VehicleWindow.h"
#include "Version.h"

namespace {

constexpr int kPollPeriodMs = 100;
constexpr int kSerialPollMs = 20;
constexpr int kLinkAliveLimit = 30;
constexpr int kKeepAliveAfter = 20;
constexpr qsizetype kMaxBlock = 255;
const char* const kIconFiles[] = {"OK_04w.png", "Action-cancel-icon.png"};

/// What Return does in the focused control.
struct Commit {
    int control;
    const char* setting;  ///< nullptr: send the command entry's text as typed
};
constexpr Commit kCommits[] = {
    {0, nullptr},          {15, "DX"},           {16, "DY"},          {17, "OFFSET"},
    {32, "OFFSET"},        {23, "GPSOBJ"},       {25, "GPSOBJ"},      {26, "GPSOBJ"},
    {22, "ORG"},           {24, "ORG"},          {27, "ORG"},         {18, "DISTMIN"},
    {19, "FAN"},           {20, "HEAT"},         {193, "NET IP"},     {195, "NET SUBMASK"},
    {197, "NET GATEWAY"},  {205, "AUDIO VOL"},   {211, "AUDIO TONE"}, {224, "NAME"},
};

/// Clicks that name a setting, and whether they need an open link.
struct Click {
    int control;
    const char* setting;
    bool needsLink;
};
constexpr Click kClicks[] = {
    {29, "MAVLINK", true},       {47, "GCS", true},           {120, "MAV STATINIT", false},
    {207, "AUDIO BEEP", false},  {208, "AUDIO CLICK", false}, {52, "CALIBRX", false},
    {53, "CALIBRY", false},
};

/// Reads a picture. The icons are PNG files: read as such, no image format plugin is loaded
/// (each would stay in memory for the whole run); a file in another format still loads.
void loadImage(QImage& image, const QString& path)
{
    QImageReader png(path, "png");
    png.setAutoDetectImageFormat(false);  // otherwise every plugin is asked first
    if (png.read(&image)) return;
    image.load(path);
}

}  // namespace

/// Builds a detail window's controls as a child window of `parent`.
using WindowOpener = FormWindow* (*)(Controls& controls, const EventSink& sink, QWidget* parent);

struct App::WindowRow {
    int menuItem;            ///< mainwindow::MenuItem
    int window;
    WindowOpener open;
    void (App::*starts)();   ///< what opening starts (the window's one-shot queries), or nullptr
    bool returnKey;          ///< Return commits the focused field (menu event 13)
};

// The menu's windows. The connection dialog ("Communications") keeps its own opener.
const App::WindowRow App::kWindowTable[] = {
    {mainwindow::Motors, motorswindow::kWindow, motorswindow::open, nullptr, false},
    {mainwindow::Mavlink, mavlinkwindow::kWindow, mavlinkwindow::open, nullptr, false},
    {mainwindow::Vehicle, vehiclewindow::kWindow, vehiclewindow::open, nullptr, false},
    {mainwindow::Gps, localgpswindow::kWindow, localgpswindow::open, nullptr, false},
    {mainwindow::EthernetConfig, ethernetwindow::kWindow, ethernetwindow::open, &App::startEthernet, true},
    {mainwindow::Audio, audiowindow::kWindow, audiowindow::open, &App::startAudio, true},
    {mainwindow::Device, devicewindow::kWindow, devicewindow::open, &App::startIdentity, true},
    {mainwindow::About, aboutwindow::kWindow, aboutwindow::open, &App::showAboutPicture, false},
};

App::App(AppOptions options) : m_options(std::move(options))
{
    m_timers = new TimerBank([this](int n) { dispatch({UiEvent::Kind::Timer, mainwindow::kWindow, n}); }, this);
    connect(&m_link, &DeviceLink::networkActivity, this, [this] { dispatch({UiEvent::Kind::Data, -1, 0}); });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) { focusChanged(now); });
    m_stats = DispatchStats::fromEnvironment([this] { return m_boxes.shown(); });
    testhooks::answerBoxesFromEnvironment(m_boxes);
}

App::~App()
{
    m_flight.reset();  // the record's last rows go to the file; the Tracking window closes
    m_timers->remove(TimerBank::kSerialPoll);
    m_timers->remove(TimerBank::kPolling);
    m_timers->remove(TimerBank::kOneShotReads);
    m_timers->remove(TimerBank::kLinkIndicator);
    m_link.closeSerial();
    m_link.closeNetwork();
    for (int w = Controls::kMaxWindow - 1; w >= 0; --w) {
        QWidget* window = m_controls.window(w);
        m_controls.removeWindow(w);
        if (w == mainwindow::kWindow) delete window;
    }
}

QString App::resourceFolder(const QString& given)
{
    QString dir = given;
    if (dir.isEmpty()) dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    dir = QDir::cleanPath(QDir(dir).absolutePath());
    if (!dir.endsWith(u'/')) dir += u'/';
    return dir;
}

void App::prepareResourceDirectory()
{
    const QString dir = resourceFolder(m_options.resourceDirectory);
    QDir().mkpath(dir);
    m_state.resourceDirectory = dir;
    // A fresh installation gets the bundled icons; the operator's own files are never replaced.
    for (const char* name : kIconFiles) {
        const QString target = dir + QLatin1String(name);
        if (!QFile::exists(target) && QFile::copy(QStringLiteral(":/") + QLatin1String(name), target))
            QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    }
}

void App::start()
{
    prepareResourceDirectory();
    const QString& dir = m_state.resourceDirectory;
    loadImage(m_linkAliveImage, dir + QLatin1String(kIconFiles[0]));
    loadImage(m_linkLostImage, dir + QLatin1String(kIconFiles[1]));
    loadImage(m_aboutImage, QStringLiteral(":/about.png"));
    loadImage(m_initialIndicatorImage, dir + QLatin1String(kIconFiles[1]));

    m_sink = [this](const UiEvent& e) { dispatch(e); };
    const EventSink& sink = m_sink;
    m_mainWindow = mainwindow::open(m_controls, sink);
    m_mainWindow->centre();
    m_boxes.setParent(m_mainWindow);
    m_console = std::make_unique<Console>(static_cast<LineList*>(m_controls.widget(mainwindow::kConsole)));
    m_controls.setImage(mainwindow::kLinkIndicator, &m_initialIndicatorImage);
    m_dialog = std::make_unique<ConnectionDialog>(m_controls, m_link, m_boxes, *m_timers,
                                                  m_state.resourceDirectory, sink);
    m_ethernet = std::make_unique<EthernetSetup>(
        EthernetSetup::Context{m_controls, m_poller, m_ports, m_tracker, m_boxes});
    m_replies = std::make_unique<ReplyHandler>(ReplyContext{
        m_tracker, m_controls, m_poller, m_ports, m_state.lastFocusedGadget, [this] { drawGauges(); },
        [this](int row, int column, const QString& text) { m_ethernet->setPortCell(row, column, text); }});
    m_flight = std::make_unique<FlightTracking>(FlightTracking::Context{
        m_boxes, m_timers, m_state.resourceDirectory + QStringLiteral("records/"),
        m_options.trackingView
            ? m_options.trackingView
            : [](EventSink s) { return trackingmodule::createView(std::move(s)); },
        sink, m_mainWindow});
    m_mainWindow->show();

    m_timers->add(TimerBank::kPolling, kPollPeriodMs);
    m_timers->add(TimerBank::kLinkIndicator, kPollPeriodMs);
    m_console->append(QString::fromLatin1(kVersionBanner));
    drawGauges();
    m_dialog->open(m_mainWindow);

    if (m_options.connect) {
        switch (*m_options.connect) {
        case LinkKind::Serial:
            dispatch({UiEvent::Kind::Control, ConnectionDialog::kWindow, ConnectionDialog::kComButton});
            break;
        case LinkKind::Udp:
            dispatch({UiEvent::Kind::Control, ConnectionDialog::kWindow, ConnectionDialog::kUdpButton});
            break;
        case LinkKind::Tcp:
            dispatch({UiEvent::Kind::Control, ConnectionDialog::kWindow, ConnectionDialog::kTcpButton});
            break;
        case LinkKind::None:
            break;
        }
    }
    testhooks::openWindowsFromEnvironment(m_sink);
}

void App::dispatch(const UiEvent& e)
{
    // A box may also come up outside a dispatch (a setting applied directly); it suspends the
    // loop all the same.
    // The record's writes are the one exception: they touch neither the link nor a window.
    if (e.kind == UiEvent::Kind::Timer && e.number == TimerBank::kRecordFlush) {
        m_flight->flush();
        return;
    }
    if (m_inHandler || m_boxes.isOpen()) return;
    // What the operator does may open a link, and a TCP connection holds the loop while it is
    // made: the record's rows do not wait on it.
    if (e.kind == UiEvent::Kind::Control || e.kind == UiEvent::Kind::Menu)
        m_flight->writeBuffered();
    m_inHandler = true;
    if (m_stats) m_stats->begin();
    const bool dataArrived = m_link.hasNetworkConnection() && m_link.networkDataPending();

    switch (e.kind) {
    case UiEvent::Kind::Menu:
        if (e.number == kMenuReturn || e.number == kMenuGridReturn) commitReturn();
        break;
    case UiEvent::Kind::Control:
        // The Tracking window numbers its few controls on its own; the rest share one table.
        if (e.window == TrackingView::kWindow) break;
        trackFocus();
        if (e.number > 0) controlEvent(e.number);
        break;
    case UiEvent::Kind::Timer:
        timerTick(e.number);
        break;
    case UiEvent::Kind::Close:
        if (e.window > 0 && e.window < Controls::kMaxWindow) m_controls.destroyWindow(e.window);
        break;
    case UiEvent::Kind::Data:
        break;
    }
    if (dataArrived && m_link.hasNetworkConnection()) networkReceive();

    if (e.window == mainwindow::kWindow) mainWindowEvent(e);
    else if (e.window == ConnectionDialog::kWindow) m_dialog->handleEvent(e);
    else if (e.window == motorswindow::kWindow && e.kind == UiEvent::Kind::Control &&
             e.number == motorswindow::kConfDefault)
        applyDefaultMotorSetup();
    else if (e.window == ethernetwindow::kWindow) m_ethernet->handleEvent(e);
    else if (e.window == TrackingView::kWindow) m_flight->handleEvent(e);

    m_inHandler = false;
    if (m_stats) m_stats->end(e);
    if (e.kind == UiEvent::Kind::Close && e.window == mainwindow::kWindow) {
        QCoreApplication::exit(0);  // quit() would first ask every window to close
        return;
    }
    // One read per turn of the loop: what is still queued is read in a later turn.
    if (m_link.hasNetworkConnection() && m_link.networkDataPending()) postDataEvent();
}

void App::postDataEvent()
{
    if (m_dataEventPosted) return;
    m_dataEventPosted = true;
    // A posted call, not a zero timer: no timer to register and kill for every reply.
    QMetaObject::invokeMethod(this, [this] {
        m_dataEventPosted = false;
        dispatch({UiEvent::Kind::Data, -1, 0});
    }, Qt::QueuedConnection);
}

void App::trackFocus()
{
    const int focused = m_controls.focusedControl();
    if (focused != -1 && focused != m_state.lastFocusedGadget) m_state.lastFocusedGadget = focused;
}

void App::focusChanged(QWidget* now)
{
    const int control = m_controls.numberOf(now);
    if (control < 0) return;
    // Any control that takes the focus (Tab onto a box, a button or a list included) is the
    // one the operator works in now. Only for a field is that also an action on it: focusing
    // a box or a list must not act as its click.
    if (m_controls.kind(control) != ControlKind::Field) {
        if (!m_inHandler && !m_boxes.isOpen()) m_state.lastFocusedGadget = control;
        return;
    }
    const QWidget* window = now->window();
    int windowNumber = -1;
    for (int w = 0; w < Controls::kMaxWindow; ++w)
        if (m_controls.window(w) == window) windowNumber = w;
    dispatch({UiEvent::Kind::Control, windowNumber, control});
}

void App::commitReturn()
{
    if (m_link.kind() == LinkKind::None) return;
    const int focused = m_controls.focusedControl();
    for (const Commit& c : kCommits) {
        if (c.control != focused) continue;
        if (!c.setting) {
            sendCommand(m_controls.text(mainwindow::kCommandEntry));
        } else if (QLatin1String(c.setting) == QLatin1String("ORG")) {
            if (m_controls.selectedItem(mainwindow::kHomeCombo) == 1) applySetting(u"ORG");
        } else {
            applySetting(QString::fromLatin1(c.setting));
        }
        return;
    }
}

void App::controlEvent(int control)
{
    if (control == mainwindow::kHomeCombo) {
        const int item = m_controls.selectedItem(mainwindow::kHomeCombo);
        if (item == -1) return;
        m_state.homeMode = item;
        if (m_link.kind() != LinkKind::None) applySetting(u"HOME");
        return;
    }
    if (control == 49) {
        m_state.echoCommands = !m_state.echoCommands;
        m_controls.setChecked(49, m_state.echoCommands);
        return;
    }
    for (const Click& c : kClicks) {
        if (c.control != control) continue;
        if (!c.needsLink || m_link.kind() != LinkKind::None) applySetting(QString::fromLatin1(c.setting));
        return;
    }
}

void App::mainWindowEvent(const UiEvent& e)
{
    if (e.kind == UiEvent::Kind::Menu) {
        if (e.number == mainwindow::Communications) m_dialog->open(m_mainWindow);
        else if (e.number == mainwindow::Tracking) m_flight->openWindow();
        else openWindow(e.number);
        return;
    }
    if (e.kind != UiEvent::Kind::Control) return;
    switch (e.number) {
    case mainwindow::kPollingButton:
        toggleAutoPolling();
        break;
    case 42:
        stepAxis(true, +1);
        break;
    case 43:
        stepAxis(true, -1);
        break;
    case 44:
        stepAxis(false, +1);
        break;
    case 45:
        stepAxis(false, -1);
        break;
    default:
        break;
    }
}

void App::openWindow(int menuItem)
{
    for (const WindowRow& row : kWindowTable) {
        if (row.menuItem != menuItem) continue;
        if (QWidget* open = m_controls.window(row.window)) {
            open->show();
            open->raise();
            open->activateWindow();
            return;
        }
        FormWindow* w = row.open(m_controls, m_sink, m_mainWindow);
        if (row.returnKey) w->addReturnShortcut(kMenuReturn);
        if (row.starts) (this->*row.starts)();
        w->centre();
        // The keyboard focus rests on the window, not on its first control: a control focused
        // by itself would count as the operator's and release a field group he is editing.
        w->setFocus();
        w->show();
        w->activateWindow();
        return;
    }
}

void App::startIdentity()
{
    // The stored identity shows at once; the sequence then asks the tracker again.
    m_controls.setText(devicewindow::kName, m_tracker.deviceName);
    m_controls.setText(devicewindow::kProduct, m_tracker.productName);
    m_controls.setText(devicewindow::kFirmware, m_tracker.firmwareVersion);
    m_controls.setText(devicewindow::kIp8, m_tracker.ip8Text);
    m_controls.setText(devicewindow::kMac, m_tracker.macAddress);
    m_poller.requestIdentity();
}

void App::startAudio() { m_poller.requestAudio(); }

void App::showAboutPicture() { m_controls.setImage(aboutwindow::kPicture, &m_aboutImage); }

void App::applyDefaultMotorSetup()
{
    if (!m_boxes.askYesNo(QStringLiteral("WARNING"), QStringLiteral("Do you want to set the default configuration")))
        return;
    // Sent whatever the link: without one nothing goes out, but the command line shows it.
    const QString command = QString::fromLatin1(motorswindow::kDefaultCommand);
    sendCommand(command);
    m_controls.setText(mainwindow::kCommandEntry, command);
}

void App::startEthernet()
{
    m_ethernet->start(m_sink, DeviceLink::localAddress());
    // With polling off the port table is still read, on timer 3.
    if (m_state.autoPollingOff) m_timers->add(TimerBank::kOneShotReads, kPollPeriodMs);
}

void App::timerTick(int timer)
{
    switch (timer) {
    case TimerBank::kSerialPoll:
        if (m_link.kind() == LinkKind::Serial) serialPoll();
        break;
    case TimerBank::kPolling:
    case TimerBank::kOneShotReads:
        if (m_link.kind() != LinkKind::None) pollTick();
        break;
    case TimerBank::kLinkIndicator:
        linkIndicatorTick();
        break;
    default:
        break;
    }
}

void App::linkIndicatorTick()
{
    m_link.recover();
    ++m_state.linkAliveTicks;
    ++m_state.keepAliveTicks;
    m_controls.setImage(mainwindow::kLinkIndicator,
                        m_state.linkAliveTicks <= kLinkAliveLimit ? &m_linkAliveImage : &m_linkLostImage);
    if (!m_state.autoPollingOff) return;
    if (m_state.keepAliveTicks > kKeepAliveAfter) {
        sendCommand(QStringLiteral("IP8"));
        m_state.keepAliveTicks = 0;
    } else {
        ++m_state.keepAliveTicks;
    }
}

void App::pollTick()
{
    PollContext ctx;
    ctx.localGpsOpen = m_controls.windowOpen(1);
    ctx.vehicleOpen = m_controls.windowOpen(2);
    ctx.mavlinkOpen = m_controls.windowOpen(3);
    ctx.motorsOpen = m_controls.windowOpen(4);
    ctx.ethernetOpen = m_controls.windowOpen(6);
    ctx.trackerNameUnknown = m_controls.text(mainwindow::kNameLabel) == u"???";
    ctx.calibrationStateX = m_tracker.calibrationStateX;
    ctx.calibrationStateY = m_tracker.calibrationStateY;
    ctx.autoPollingOff = m_state.autoPollingOff;
    ctx.ports = &m_ports;

    const PollAction a = m_poller.tick(ctx);
    if (a.hideCalibrationY) m_controls.setVisible(56, false);
    if (a.hideCalibrationX) m_controls.setVisible(55, false);
    if (a.suspendTimer2) m_timers->remove(TimerBank::kPolling);
    if (!a.command.isEmpty()) {
        sendCommand(a.command);
        m_controls.setText(mainwindow::kCommandEntry, a.shown);
    }
    if (a.suspendTimer2 && !m_state.autoPollingOff) m_timers->add(TimerBank::kPolling, kPollPeriodMs);
    if (a.removeTimer3) m_timers->remove(TimerBank::kOneShotReads);
    if (a.rotationStep && m_link.kind() == LinkKind::Serial) m_timers->add(TimerBank::kSerialPoll, kSerialPollMs);
}

void App::sendCommand(const QString& text)
{
    const QByteArray sent = m_link.send(text);
    if (m_capture) m_capture->record(capture::Direction::Sent, m_link.kind(), sent);
    if (m_state.echoCommands) m_console->append(text);
}

void App::applySetting(QStringView name)
{
    m_timers->remove(TimerBank::kPolling);
    const SettingCommand cmd = buildSettingCommand(name, m_controls, m_state.homeMode);
    if (!cmd.command.isEmpty() &&
        (cmd.warning.isEmpty() || m_boxes.askYesNo(QStringLiteral("Warning"), cmd.warning))) {
        sendCommand(cmd.command);
        m_controls.setText(mainwindow::kCommandEntry, cmd.shown);
    }
    if (!m_state.autoPollingOff) m_timers->add(TimerBank::kPolling, kPollPeriodMs);
}

void App::stepAxis(bool xAxis, int step)
{
    const float position = xAxis ? m_tracker.azimuthDeg : m_tracker.elevationDeg;
    const int target = xAxis ? stepAxisTarget(position, step, AppState::kXLimitMin, AppState::kXLimitMax)
                             : stepAxisTarget(position, step, AppState::kYLimitMin, AppState::kYLimitMax);
    const QString n = num::writeInt(target);
    const QString command = (xAxis ? QStringLiteral("DX ") : QStringLiteral("DY ")) + n;
    sendCommand(command);
    m_controls.setText(mainwindow::kCommandEntry, command);
    m_controls.setText(xAxis ? 15 : 16, n);
}

void App::toggleAutoPolling()
{
    if (!m_state.autoPollingOff) {
        m_timers->remove(TimerBank::kPolling);
        m_controls.setText(mainwindow::kPollingButton, QStringLiteral("OFF"));
        m_state.autoPollingOff = true;
    } else {
        m_timers->add(TimerBank::kPolling, kPollPeriodMs);
        m_controls.setText(mainwindow::kPollingButton, QStringLiteral("ON"));
        m_state.autoPollingOff = false;
    }
}

void App::drawGauges()
{
    GaugeInputs in;
    in.azimuthDeg = m_tracker.azimuthDeg;
    in.elevationDeg = m_tracker.elevationDeg;
    in.supplyVoltageText = m_tracker.supplyVoltageText;
    in.temperatureText = m_tracker.temperatureText;
    in.trackerFlags = m_tracker.trackerFlags;
    // The same inputs draw the same picture: a tracker standing still costs no drawing.
    if (m_gaugesShown == in) return;
    m_gaugesShown = in;
    const QImage& picture = m_gauges.draw(in);
    m_controls.setImage(mainwindow::kGauges, &picture);
    if (auto* view = static_cast<ImageView*>(m_controls.widget(mainwindow::kGauges)))
        view->refresh(m_gauges.changed());
}

void App::serialPoll()
{
    if (!m_link.serialOpen()) return;
    const qint64 queued = m_link.serialQueued();
    if (queued <= 0) return;
    const QByteArray bytes = m_link.readSerial(std::min<qint64>(queued, kMaxBlock));
    if (!bytes.isEmpty()) processReceivedChunk(bytes);
}

void App::networkReceive()
{
    const qint64 n = m_link.readNetwork(m_rxBuffer, kMaxReadBytes);
    if (n > 0) {
        m_failedReadShownFor = 0;
        processReceivedChunk(QByteArrayView(m_rxBuffer, std::min<qint64>(n, kMaxBlock)));
        fatalreport::disarm();
        return;
    }
    // One box for a run of failed reads (a tracker that went away fails every read): the next
    // one only after a good read, or on a link opened anew.
    if (m_failedReadShownFor != m_link.networkOpenCount()) {
        m_failedReadShownFor = m_link.networkOpenCount();
        m_boxes.tell(QStringLiteral("ERROR"), QStringLiteral("*"));
    }
    fatalreport::arm();
}

void App::processReceivedChunk(QByteArrayView bytes)
{
    if (m_capture) m_capture->record(capture::Direction::Received, m_link.kind(), bytes);
    m_state.linkAliveTicks = 0;
    FramedBlock block = frameBlock(bytes, m_link.kind() == LinkKind::Serial);
    if (block.parse) {
        splitReplyFields(block.reply, u' ', m_fields);
        ++m_repliesHandled;
        m_replies->handle(m_fields);
        m_flight->onReply(m_fields, m_tracker, m_link.kind());
    }
    if (block.markUnparsed) m_console->append(QStringLiteral(" <"));
    if (block.consoleText.isEmpty()) return;
    // The keep-alive's answers would flood the console while polling is off.
    if (m_state.autoPollingOff && block.parse && m_fields[1] == u"IP8") return;
    m_console->append(block.consoleText);
}
