#include "LocalGpsWindow.h"

#include "FormBuilder.h"

namespace localgpswindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {59, K::Text, 50, 10, 160, 30, "Local  GPS", kLabel, {}, "", 1},
    {60, K::Text, 20, 70, 60, 20, "STATUS", kLabel},
    {61, K::Text, 20, 100, 60, 20, "LA", kLabel},
    {62, K::Text, 20, 130, 60, 20, "LO", kLabel},
    {63, K::Text, 20, 160, 60, 20, "ALT", kLabel},
    {64, K::Text, 20, 190, 60, 20, "VEL", kLabel},
    {65, K::Text, 20, 220, 60, 20, "CUR", kLabel},
    {66, K::Text, 20, 250, 60, 20, "SAT", kLabel},
    {67, K::Text, 20, 280, 60, 20, "HDop", kLabel},
    {68, K::Field, 100, 70, 30, 20, "", kFieldColour},
    {69, K::Field, 100, 100, 150, 20, "", kFieldColour},
    {70, K::Field, 100, 130, 150, 20, "", kFieldColour},
    {71, K::Field, 100, 160, 150, 20, "", kFieldColour},
    {72, K::Field, 100, 190, 150, 20, "", kFieldColour},
    {73, K::Field, 100, 220, 150, 20, "", kFieldColour},
    {74, K::Field, 100, 250, 150, 20, "", kFieldColour},
    {75, K::Field, 100, 280, 150, 20, "", kFieldColour},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("Local GPS "), QSize(270, 320), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace localgpswindow
