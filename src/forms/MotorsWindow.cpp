#include "MotorsWindow.h"

#include "FormBuilder.h"

namespace motorswindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {133, K::Text, 190, 10, 130, 30, "MOTORS", kLabel, {}, "", 4},
    {134, K::Text, 20, 70, 60, 20, "POS MX", kLabel},    {135, K::Field, 90, 70, 150, 20, "", kFieldColour},
    {136, K::Text, 280, 70, 60, 20, "POS MY", kLabel},   {137, K::Field, 350, 70, 150, 20, "", kFieldColour},
    {138, K::Text, 20, 100, 60, 20, "POS X", kLabel},    {139, K::Field, 90, 100, 150, 20, "", kFieldColour},
    {140, K::Text, 280, 100, 60, 20, "POS Y", kLabel},   {141, K::Field, 350, 100, 150, 20, "", kFieldColour},
    {142, K::Text, 20, 130, 60, 20, "PROP X", kLabel},   {143, K::Field, 90, 130, 150, 20, "", kFieldColour},
    {144, K::Text, 280, 130, 60, 20, "PROP Y", kLabel},  {145, K::Field, 350, 130, 150, 20, "", kFieldColour},
    {146, K::Text, 20, 160, 60, 20, "AMX", kLabel},      {147, K::Field, 90, 160, 150, 20, "", kFieldColour},
    {148, K::Text, 280, 160, 60, 20, "AMY", kLabel},     {149, K::Field, 350, 160, 150, 20, "", kFieldColour},
    {150, K::Text, 20, 190, 60, 20, "AMINX", kLabel},    {151, K::Field, 90, 190, 150, 20, "", kFieldColour},
    {152, K::Text, 280, 190, 60, 20, "AMINY", kLabel},   {153, K::Field, 350, 190, 150, 20, "", kFieldColour},
    {154, K::Text, 20, 220, 60, 20, "AMAXX", kLabel},    {155, K::Field, 90, 220, 150, 20, "", kFieldColour},
    {156, K::Text, 280, 220, 60, 20, "AMAXY", kLabel},   {157, K::Field, 350, 220, 150, 20, "", kFieldColour},
    {158, K::Text, 20, 250, 60, 20, "MAXPOSX", kLabel},  {159, K::Field, 90, 250, 150, 20, "", kFieldColour},
    {160, K::Text, 280, 250, 60, 20, "MAXPOSY", kLabel}, {161, K::Field, 350, 250, 150, 20, "", kFieldColour},
    {164, K::Text, 20, 280, 60, 20, "MSTEP", kLabel},    {165, K::Field, 90, 280, 150, 20, "", kFieldColour},
    {162, K::Text, 280, 280, 60, 20, "MINPOSY", kLabel}, {163, K::Field, 350, 280, 150, 20, "", kFieldColour},
    {kConfDefault, K::Button, 410, 310, 90, 20, "CONF DEFAULT"},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("MOTORS"), QSize(520, 350), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace motorswindow
