#include "ConnectionDialog.h"

#include <array>

#include "Controls.h"
#include "DeviceLink.h"
#include "FormBuilder.h"
#include "FormWindow.h"
#include "MessageBoxes.h"
#include "Numbers.h"
#include "SerialPortName.h"
#include "SettingsFile.h"
#include "TimerBank.h"

namespace {

using K = RowKind;

constexpr ControlRow kRows[] = {
    {166, K::Text, 150, 10, 210, 30, "Device connect", kLabel, {}, "", 5},
    {167, K::Text, 30, 170, 10, 20, "IP", kLabel},
    {168, K::Field, 50, 170, 100, 20, "192.168.1.224", kLabel},
    {169, K::Text, 160, 170, 60, 20, "Local Port ", kLabel},
    {170, K::Field, 230, 170, 40, 20, "9000", kLabel},
    {171, K::Text, 280, 170, 50, 20, "SAT Port ", kLabel},
    {172, K::Field, 340, 170, 40, 20, "8000", kLabel},
    {173, K::Button, 390, 170, 70, 20, "Open UDP"},
    {174, K::Text, 30, 250, 10, 20, "IP", kLabel},
    {175, K::Field, 50, 250, 100, 20, "192.168.1.224", kLabel},
    {176, K::Text, 160, 250, 60, 20, "Local Port ", kLabel},
    {177, K::Field, 230, 250, 40, 20, "9004", kLabel},
    {178, K::Text, 280, 250, 50, 20, "SAT Port ", kLabel},
    {179, K::Field, 340, 250, 40, 20, "8004", kLabel},
    {180, K::Button, 390, 250, 70, 20, "Open TCP"},
    {181, K::Text, 30, 90, 30, 20, "Com:", kLabel},
    {182, K::Field, 70, 90, 20, 20, "", kLabel},
    {183, K::Button, 390, 90, 70, 20, "Open Com"},
    {184, K::Frame, 20, 70, 450, 50},
    {185, K::Frame, 20, 150, 450, 50},
    {186, K::Frame, 20, 230, 450, 50},
    {187, K::Text, 20, 55, 30, 15, "COM", kLabel},
    {188, K::Text, 20, 135, 30, 15, "UDP", kLabel},
    {189, K::Text, 20, 215, 30, 15, "TCP", kLabel},
    {190, K::Text, 100, 90, 80, 20, "@PC>25", kLabel},
};

/// The settings file's lines 2..9 and the dialog field each one fills.
constexpr int kSettingsFields[] = {182, 190, 168, 170, 172, 175, 177, 179};

constexpr int kLinkLabel = 57;

}  // namespace

/// One row of the dialog: its fields, button texts and messages.
struct LinkRow {
    LinkKind kind;
    std::array<int, 3> fields;
    int fieldCount;
    int button;
    const char* openText;
    const char* closeText;
    const char* linkLabel;
    const char* failure;
};

namespace {

constexpr LinkRow kSerialRow{LinkKind::Serial, {182}, 1, 183, "Open Com", "Close Com", "Com",
                             "Can't open the port"};
constexpr LinkRow kUdpRow{LinkKind::Udp, {168, 170, 172}, 3, 173, "Open UDP", "Close UDP", "UDP",
                          "There was a problem initiating UDP connection"};
constexpr LinkRow kTcpRow{LinkKind::Tcp, {175, 177, 179}, 3, 180, "Open TCP", "Close TCP", "TCP",
                          "There was a problem initiating TCP connection"};

const LinkRow* rowOf(LinkKind kind)
{
    switch (kind) {
    case LinkKind::Serial:
        return &kSerialRow;
    case LinkKind::Udp:
        return &kUdpRow;
    case LinkKind::Tcp:
        return &kTcpRow;
    default:
        return nullptr;
    }
}

QString latin1(const char* s) { return QString::fromLatin1(s); }

}  // namespace

ConnectionDialog::ConnectionDialog(Controls& controls, DeviceLink& link, MessageBoxes& boxes,
                                   TimerBank& timers, const QString& resourceDirectory,
                                   EventSink sink)
    : m_controls(controls),
      m_link(link),
      m_boxes(boxes),
      m_timers(timers),
      m_resourceDirectory(resourceDirectory),
      m_sink(std::move(sink))
{
}

QString ConnectionDialog::settingsPath() const { return settingsfile::path(m_resourceDirectory); }

bool ConnectionDialog::isOpen() const { return m_controls.windowOpen(kWindow); }

void ConnectionDialog::open(QWidget* parent)
{
    m_controls.destroyWindow(kWindow);
    auto* w = new FormWindow(kWindow, QStringLiteral("COM"), QSize(490, 300), m_sink, parent);
    m_controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, m_controls, m_sink);
    loadSettings();
    if (const LinkRow* row = rowOf(m_link.kind())) {
        setRowColour(*row, colour::kLinkOpen);
        m_controls.setText(row->button, latin1(row->closeText));
    }
    w->centre();
    w->show();
    w->activateWindow();
}

void ConnectionDialog::handleEvent(const UiEvent& e)
{
    if (e.kind != UiEvent::Kind::Control) return;
    if (e.number == kComButton) toggleSerialLink();
    else if (e.number == kUdpButton) toggleUdpLink();
    else if (e.number == kTcpButton) toggleTcpLink();
}

void ConnectionDialog::setRowColour(const LinkRow& row, Rgb colour)
{
    for (int i = 0; i < row.fieldCount; ++i) m_controls.setBackground(row.fields[std::size_t(i)], colour);
}

bool ConnectionDialog::confirmAndClose(const LinkRow& other)
{
    if (!m_boxes.askYesNo(QStringLiteral("Warning"), QStringLiteral("Do you want to change port type?")))
        return false;
    if (other.kind == LinkKind::Serial) m_link.closeSerial();
    else m_link.closeNetwork();
    m_controls.setText(other.button, latin1(other.openText));
    setRowColour(other, colour::kLinkIdle);
    return true;
}

void ConnectionDialog::toggleSerialLink()
{
    const QString p = m_controls.text(kComField);
    const LinkKind kind = m_link.kind();
    if ((kind == LinkKind::Udp || kind == LinkKind::Tcp) && !confirmAndClose(*rowOf(kind))) return;
    if (m_link.serialOpen()) {
        m_link.setKind(LinkKind::None);
        m_link.closeSerial();
        setRowColour(kSerialRow, colour::kLinkIdle);
        m_controls.setText(kComButton, latin1(kSerialRow.openText));
        saveSettings();
        return;
    }
    if (m_link.openSerial(serialPortPath(p, m_resourceDirectory))) {
        m_link.setKind(LinkKind::Serial);
        m_controls.setText(kLinkLabel, latin1(kSerialRow.linkLabel));
        setRowColour(kSerialRow, colour::kLinkOpen);
        m_controls.setText(kComButton, latin1(kSerialRow.closeText));
        m_timers.add(TimerBank::kSerialPoll, 20);
        m_link.serialPrefix = m_controls.text(kPrefixLabel);
    } else {
        m_link.setKind(LinkKind::None);
        m_boxes.tell(QStringLiteral("Error"), latin1(kSerialRow.failure));
        setRowColour(kSerialRow, colour::kLinkFailed);
    }
}

void ConnectionDialog::toggleUdpLink() { toggleNetworkLink(kUdpRow, kTcpRow); }
void ConnectionDialog::toggleTcpLink() { toggleNetworkLink(kTcpRow, kUdpRow); }

void ConnectionDialog::toggleNetworkLink(const LinkRow& own, const LinkRow& other)
{
    const LinkKind kind = m_link.kind();
    if (kind != own.kind) {
        if (kind == LinkKind::Serial && !confirmAndClose(kSerialRow)) return;
        if (kind == other.kind && !confirmAndClose(other)) return;
        const QString address = m_controls.text(own.fields[0]);
        const qint64 localPort = num::readInt(m_controls.text(own.fields[1]));
        const qint64 remotePort = num::readInt(m_controls.text(own.fields[2]));
        const bool ok = m_link.openNetwork(own.kind, address, remotePort, localPort);
        setRowColour(own, ok ? colour::kLinkOpen : colour::kLinkFailed);
        if (ok) {
            m_controls.setText(own.button, latin1(own.closeText));
            m_controls.setText(kLinkLabel, latin1(own.linkLabel));
            m_link.setKind(own.kind);
        } else {
            m_boxes.tell(QStringLiteral("Error"), latin1(own.failure));
            m_link.setKind(LinkKind::None);
        }
    } else {
        m_link.setKind(LinkKind::None);
        m_link.closeNetwork();
        m_controls.setText(own.button, latin1(own.openText));
        setRowColour(own, colour::kLinkIdle);
    }
    saveSettings();
}

void ConnectionDialog::loadSettings()
{
    const auto lines = settingsfile::load(settingsPath());
    m_link.serialPrefix = lines ? (*lines)[2] : QString();
    if (!lines || !isOpen()) return;
    for (int i = 1; i < settingsfile::kLines; ++i) {
        const QString& line = (*lines)[std::size_t(i)];
        if (!line.isEmpty()) m_controls.setText(kSettingsFields[i - 1], line);
    }
}

void ConnectionDialog::saveSettings()
{
    // The file holds what the dialog shows; without the dialog there is nothing to write.
    if (!isOpen()) return;
    settingsfile::Lines lines;
    lines[0] = QString::number(int(m_link.kind()));
    for (int i = 1; i < settingsfile::kLines; ++i) lines[std::size_t(i)] = m_controls.text(kSettingsFields[i - 1]);
    settingsfile::save(settingsPath(), lines);
}
