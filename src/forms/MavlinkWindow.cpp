#include "MavlinkWindow.h"

#include "FormBuilder.h"

namespace mavlinkwindow {
namespace {

using K = RowKind;
constexpr bool kHidden = true;

// Top to bottom, each label before its value field.
// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font, hidden.
constexpr ControlRow kRows[] = {
    {107, K::Text, 80, 10, 130, 30, "MAVLINK", kLabel, {}, "", 3},
    {108, K::Text, 20, 70, 80, 20, "PACKETS OK", kLabel},
    {109, K::Field, 110, 70, 150, 20, "", kFieldColour, {},
     "% Packages Ok regarding Overflow and CRC errors"},
    {110, K::Text, 20, 100, 85, 20, "BANDWIDTH", kLabel},
    {111, K::Field, 110, 100, 150, 20, "", kFieldColour, {}, "BandWidth Packets. 100%=50pSeg"},
    {131, K::Text, 20, 130, 87, 20, "PORTS PACKETS", kLabel},
    {132, K::Field, 110, 130, 150, 20, "", kFieldColour, {},
     "Mav packets received on Ethertnet ports. Sometimes in a single packet in the port there "
     "can be several Mavlink packets or only half a packet"},
    {112, K::Text, 20, 160, 80, 20, "RX P. MAV", kLabel},
    {113, K::Field, 110, 160, 150, 20, "", kFieldColour, {}, "MavLink Packets Received Ok"},
    {114, K::Text, 20, 190, 80, 20, "RX PACKET/S", kLabel},
    {115, K::Field, 110, 190, 150, 20, "", kFieldColour, {},
     "MavLink packets received Ok, per second. Optimum max. 20"},
    {125, K::Text, 20, 220, 80, 20, "RX GPS", kLabel},
    {124, K::Field, 110, 220, 150, 20, "", kFieldColour, {},
     "MavLink GPS_RAW_INT Packets ($18) Received Ok"},
    {121, K::Text, 20, 250, 80, 20, "RX GPS/S", kLabel},
    {122, K::Field, 110, 250, 150, 20, "", kFieldColour, {},
     "MavLink GPS_RAW_INT Packets ($18) Received Ok, per second"},
    {123, K::Text, 20, 280, 80, 20, "RX HOME", kLabel},
    {126, K::Field, 110, 280, 150, 20, "", kFieldColour, {},
     "MavLink HOME_POSITION ($F2) packets received"},
    {116, K::Text, 20, 310, 80, 20, "LOST SEQ P ", kLabel, {}, "", -1, kHidden},
    {117, K::Field, 110, 310, 150, 20, "", kFieldColour, {}, "", -1, kHidden},
    {118, K::Text, 20, 340, 80, 20, "LOST SEQ P/S ", kLabel, {}, "", -1, kHidden},
    {119, K::Field, 110, 340, 150, 20, "", kFieldColour, {}, "", -1, kHidden},
    {129, K::Text, 20, 370, 80, 20, "OVERFLOW", kLabel},
    {130, K::Field, 110, 370, 150, 20, "", kFieldColour, {}, "Mavlink overflow buffer errors"},
    {127, K::Text, 20, 400, 80, 20, "CRC ERR", kLabel},
    {128, K::Field, 110, 400, 150, 20, "", kFieldColour, {}, "CRC errors Mavlink packets"},
    {120, K::Button, 20, 430, 240, 30, "Init", {}, {},
     "Initializes Mavlink packet statistical counters"},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("MAVLINK"), QSize(280, 470), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace mavlinkwindow
