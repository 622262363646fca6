#pragma once
// Window 5, "Device connect": one row per link kind with its parameters and Open/Close button.
// Only one link is open at a time; switching kinds asks first, closes the old link, then
// opens the new one. Row colours: green open, red failed, grey idle.

#include <QString>

#include "UiEvent.h"

class Controls;
class DeviceLink;
class MessageBoxes;
class TimerBank;
class QWidget;
struct LinkRow;
struct Rgb;

class ConnectionDialog {
public:
    static constexpr int kWindow = 5;
    static constexpr int kComField = 182, kComButton = 183, kPrefixLabel = 190;
    static constexpr int kUdpIp = 168, kUdpLocal = 170, kUdpRemote = 172, kUdpButton = 173;
    static constexpr int kTcpIp = 175, kTcpLocal = 177, kTcpRemote = 179, kTcpButton = 180;

    ConnectionDialog(Controls& controls, DeviceLink& link, MessageBoxes& boxes, TimerBank& timers,
                     const QString& resourceDirectory, EventSink sink);

    /// `OpenConnectionDialog`: (re)creates the window over `parent`, loads the settings file
    /// into it and shows the open link.
    void open(QWidget* parent);
    bool isOpen() const;

    /// The window's own events: its three buttons.
    void handleEvent(const UiEvent& e);

    void toggleSerialLink();
    void toggleUdpLink();
    void toggleTcpLink();

    QString settingsPath() const;

private:
    void toggleNetworkLink(const LinkRow& own, const LinkRow& other);
    /// Closes the open link of another kind once the operator agreed; false on No.
    bool confirmAndClose(const LinkRow& other);
    void setRowColour(const LinkRow& row, Rgb colour);
    void loadSettings();
    void saveSettings();

    Controls& m_controls;
    DeviceLink& m_link;
    MessageBoxes& m_boxes;
    TimerBank& m_timers;
    const QString& m_resourceDirectory;
    EventSink m_sink;
};
