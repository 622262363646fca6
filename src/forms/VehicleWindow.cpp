#include "VehicleWindow.h"

#include "FormBuilder.h"

namespace vehiclewindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {76, K::Text, 80, 10, 110, 30, "Vehicle", kLabel, {}, "", 2},
    {77, K::Text, 20, 70, 60, 20, "FIX", kLabel},
    {78, K::Text, 20, 100, 60, 20, "LA", kLabel},
    {79, K::Text, 20, 130, 60, 20, "LO", kLabel},
    {80, K::Text, 20, 160, 60, 20, "ALT", kLabel},
    {81, K::Text, 20, 190, 60, 20, "VEL", kLabel},
    {82, K::Text, 20, 220, 60, 20, "CUR", kLabel},
    {83, K::Text, 20, 250, 60, 20, "SAT", kLabel},
    {84, K::Text, 20, 310, 60, 20, "VDop", kLabel},
    {85, K::Text, 20, 280, 60, 20, "HDop", kLabel},
    {86, K::FieldReadOnly, 100, 70, 150, 20, "", kFieldColour},
    {87, K::Field, 100, 100, 150, 20, "", kFieldColour},
    {88, K::Field, 100, 130, 150, 20, "", kFieldColour},
    {89, K::Field, 100, 160, 150, 20, "", kFieldColour},
    {90, K::Field, 100, 190, 150, 20, "", kFieldColour},
    {91, K::Field, 100, 220, 150, 20, "", kFieldColour},
    {92, K::Field, 100, 250, 150, 20, "", kFieldColour},
    {93, K::Field, 100, 280, 150, 20, "", kFieldColour},
    {94, K::Field, 100, 310, 150, 20, "", kFieldColour},
    {95, K::Text, 20, 340, 60, 20, "CPos", kLabel},
    {96, K::Field, 100, 340, 150, 20, "", kFieldColour},
    {97, K::Text, 20, 370, 60, 20, "CHome", kLabel},
    {98, K::Field, 100, 370, 150, 20, "", kFieldColour},
    {99, K::Text, 20, 400, 60, 20, "CDes", kLabel},
    {100, K::Field, 100, 400, 150, 20, "", kFieldColour},
    {101, K::Text, 20, 430, 60, 20, "DIST", kLabel},
    {102, K::Field, 100, 430, 150, 20, "", kFieldColour},
    {103, K::Text, 20, 460, 60, 20, "ROUT", kLabel},
    {104, K::Field, 100, 460, 150, 20, "", kFieldColour},
    {105, K::Text, 20, 490, 60, 20, "ALTR", kLabel},
    {106, K::Field, 100, 490, 150, 20, "", kFieldColour},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("Vehicle "), QSize(270, 530), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace vehiclewindow
