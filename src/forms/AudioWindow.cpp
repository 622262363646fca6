#include "AudioWindow.h"

#include "FormBuilder.h"

namespace audiowindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {203, K::Text, 90, 10, 90, 30, "AUDIO", kLabel, {}, "", 7},
    {209, K::Text, 20, 50, 40, 15, "TESTS", kLabel},
    {206, K::Frame, 20, 60, 220, 50},
    {207, K::Button, 40, 80, 60, 20, "BEEP"},
    {208, K::Button, 160, 80, 60, 20, "CLICK"},
    {204, K::Text, 20, 120, 60, 20, "VOL", kLabel},
    {205, K::Field, 90, 120, 150, 20, "", kFieldColour},
    {210, K::Text, 20, 160, 60, 20, "TONE", kLabel},
    {211, K::Field, 90, 160, 150, 20, "", kFieldColour},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("AUDIO"), QSize(260, 200), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace audiowindow
