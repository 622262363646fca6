#include "MainWindow.h"

#include <QComboBox>
#include <QMenuBar>

#include "FormBuilder.h"

namespace mainwindow {
namespace {

using K = RowKind;
constexpr Rgb kRed{255, 0, 0};

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {0, K::Field, 10, 540, 340, 20, "", kFieldColour, colour::kBlack,
     "Display automatic commands or manual command entry if OFF commands"},
    {1, K::List, 0, 0, 570, 530, "", colour::kConsoleBack, colour::kGood, "command console"},
    {2, K::Image, 590, 70, 410, 150},
    {3, K::Text, 610, 230, 60, 20, "DX", kLabel},
    {4, K::Text, 820, 230, 60, 20, "DY", kLabel},
    {5, K::Text, 610, 260, 60, 20, "OFFSET X", kLabel},
    {6, K::Text, 820, 360, 60, 20, "DISTMIN", kLabel},
    {7, K::Text, 610, 420, 60, 20, "MAVLINK", kLabel, {}, "MAVLINK protocol active"},
    {8, K::Text, 820, 420, 60, 20, "HOME", kLabel, {},
     "Home MERLAN type selection. The MERLAN operating mode changes with this value"},
    {9, K::Text, 610, 390, 60, 20, "FAN", kLabel},
    {10, K::Text, 820, 390, 60, 20, "HEAT", kLabel},
    {11, K::Text, 610, 540, 60, 20, "MSG", kLabel},
    {12, K::Text, 610, 450, 60, 20, "ORG.   ", kLabel, {},
     "Information can only be entered if the home is in manual"},
    {13, K::Text, 610, 480, 60, 20, "VEHICLE      ", kLabel},
    {14, K::Text, 920, 480, 30, 20, "ALT", kLabel, {}, "Vehicle GPS Position Altitude in meters"},
    {15, K::Field, 700, 230, 70, 20, "", kFieldColour, {},
     "Manually move the X axis in degrees. For example: 25 or 345 or -25 or 30.5. Do not move "
     "with mavlink active or if the Vehicle is sending telemetry"},
    {16, K::Field, 910, 230, 70, 20, "", kFieldColour, {},
     "Manually move the Y axis in degrees. For example: 44 or -30.6. Min -46. Max 87. Do not "
     "move with mavlink active or if the Vehicle is sending telemetry"},
    {17, K::Field, 680, 260, 110, 20, "", kFieldColour, {},
     "X-Axis Offset. use only if necessary or if you were unable to orient correctly 0º north"},
    {18, K::Field, 890, 360, 110, 20, "", kFieldColour, {},
     "Minimum distance from the vehicle at which the tracker will not turn"},
    {19, K::Field, 680, 390, 80, 20, "", kFieldColour, {},
     "Temperature in degrees Celsius to activate the fan"},
    {20, K::Field, 890, 390, 80, 20, "", kFieldColour, {},
     "Temperature in degrees Celsius to activate heating"},
    {21, K::FieldReadOnly, 680, 540, 320, 20, "", kFieldColour, {}, "MERLAN alarm messages"},
    {22, K::Field, 680, 450, 110, 20, "", kFieldColour, {},
     "Origin tracker position value. local GPS latitude. Decimal degrees compatible with Google "
     "Earth and Mavlink."},
    {23, K::Field, 680, 480, 110, 20, "", kFieldColour, {},
     "Vehicle Position. GPS latitude. Decimal degrees compatible with Google Earth and Mavlink."},
    {24, K::Field, 800, 450, 110, 20, "", kFieldColour, {},
     "Origin tracker position value. Local GPS longitude. Decimal degrees compatible with Google "
     "Earth and Mavlink."},
    {25, K::Field, 800, 480, 110, 20, "", kFieldColour, {},
     "Vehicle Position. GPS longitude. Decimal degrees compatible with Google Earth and Mavlink."},
    {26, K::Field, 960, 480, 40, 20, "", kFieldColour, {}, "Vehicle GPS Position Altitude in meters"},
    {27, K::Field, 960, 450, 40, 20, "", kFieldColour, {}, "Local GPS Position Altitude in meters"},
    {28, K::Text, 920, 450, 30, 20, "ALT", kLabel, {}, "Local GPS Position Altitude in meters"},
    {29, K::Check, 680, 423, 13, 13, "", {}, {}, "MAVLINK protocol active"},
    {30, K::Text, 590, 10, 160, 30, "???", kLabel, {}, "", 0},
    {31, K::Text, 820, 260, 60, 20, "OFFSET Y", kLabel},
    {32, K::Field, 890, 260, 110, 20, "", kFieldColour, {},
     "Y-Axis Offset. Use if you need to balance the 0º position of the antennas."},
    {33, K::Combo, 890, 420, 107, 20, "", {}, {},
     "Home MERLAN type selection. The MERLAN operating mode changes with this value"},
    {34, K::Button, 360, 540, 30, 20, "ON", {}, {}, "Activate or stop commands"},
    {35, K::TextBordered, 770, 390, 20, 20, "", kFieldColour, {}, "Active fan indicator"},
    {36, K::TextBordered, 980, 390, 20, 20, "", kFieldColour, {}, "Active heater indicator"},
    {37, K::Text, 610, 360, 60, 20, "DIST", kLabel},
    {38, K::FieldReadOnly, 680, 360, 110, 20, "", kFieldColour, {},
     "Distance from the MERLAN to the vehicle in meters"},
    {39, K::Text, 920, 510, 30, 20, "ALTR", kLabel, {}, "MERLAN - vehicle. Relative height in meters"},
    {40, K::Field, 960, 510, 40, 20, "", kFieldColour, {}, "MERLAN - vehicle. Relative height in meters"},
    {41, K::TextBordered, 770, 420, 20, 20, "", kRed, {}, "MavLink packet reception indicator"},
    {42, K::Button, 770, 230, 20, 20, "+", {}, {}, "Manually move in +1 degree steps on the X axis."},
    {43, K::Button, 680, 230, 20, 20, "-", {}, {}, "Manually move in -1 degree steps on the X axis."},
    {44, K::Button, 980, 230, 20, 20, "+", {}, {}, "Manually move in +1 degree steps on the Y axis."},
    {45, K::Button, 890, 230, 20, 20, "-", {}, {}, "Manually move in -1 degree steps on the Y axis."},
    {46, K::Text, 610, 510, 60, 20, "GCS       ", kLabel, {},
     "Ground Control System Activation. KORA5 is connected or not"},
    {47, K::Check, 680, 513, 13, 13, "", {}, {},
     "Ground Control System Activation. KORA5 is connected or not"},
    {48, K::TextBordered, 770, 510, 20, 20, "", kRed, {}, "Ground Control System detected."},
    {49, K::Check, 480, 543, 13, 13, "", {}, {}, "Echo on/off commands"},
    {50, K::Text, 500, 542, 70, 15, "ECHO CMD", kLabel, {}, "Echo on/off commands"},
    {51, K::Image, 990, 10, 18, 18},
    {52, K::Button, 680, 290, 110, 20, "Calibration X", {}, {}, "X-axis recalibration."},
    {53, K::Button, 890, 290, 110, 20, "Calibration Y", {}, {}, "Y-axis recalibration."},
    {54, K::TextCentred, 730, 420, 30, 20, "0", kRed, {}, "MavLink GPS_RAW packets per second"},
    {55, K::FieldReadOnly, 680, 320, 110, 20, "", kFieldColour},
    {56, K::FieldReadOnly, 890, 320, 110, 20, "", kFieldColour},
    {57, K::Text, 410, 540, 60, 20, "", kLabel},
    {58, K::Text, 700, 420, 25, 20, "GPS", kLabel},
};

constexpr const char* kHomeItems[] = {"No Home", "Manual", "MAV", "GPS", "GPS fix"};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("TAVO Studio V1.70 MERLAN_V2"), QSize(1024, 600), sink);
    QMenuBar* bar = w->addMenuBar();
    QMenu* menu = bar->addMenu(QStringLiteral("Menu"));
    const struct {
        const char* text;
        int item;
    } items[] = {{"Motors", Motors},   {"Mavlink", Mavlink},         {"Vehicle", Vehicle},
                 {"GPS", Gps},         {"Ethernet Config", EthernetConfig},
                 {"Communications", Communications},                 {"Audio", Audio},
                 {"Device", Device}};
    for (const auto& i : items) {
        QAction* a = menu->addAction(QString::fromLatin1(i.text));
        QObject::connect(a, &QAction::triggered, w, [sink, n = i.item] { sink({UiEvent::Kind::Menu, kWindow, n}); });
    }
    menu->addSeparator();
    QAction* tracking = menu->addAction(QStringLiteral("Tracking"));
    QObject::connect(tracking, &QAction::triggered, w, [sink] {
        sink({UiEvent::Kind::Menu, kWindow, Tracking});
    });
    QAction* about = bar->addMenu(QStringLiteral("About"))->addAction(QStringLiteral("About"));
    QObject::connect(about, &QAction::triggered, w, [sink] { sink({UiEvent::Kind::Menu, kWindow, About}); });

    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    auto* home = static_cast<QComboBox*>(controls.widget(kHomeCombo));
    for (const char* item : kHomeItems) home->addItem(QString::fromLatin1(item));
    home->setCurrentIndex(-1);  // nothing selected until the tracker reports its home type
    w->addReturnShortcut(kMenuReturn);
    return w;
}

}  // namespace mainwindow
