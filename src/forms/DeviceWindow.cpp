#include "DeviceWindow.h"

#include "FormBuilder.h"

namespace devicewindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {212, K::Text, 80, 10, 110, 30, "DEVICE", kLabel, {}, "", 8},
    {213, K::Text, 20, 70, 60, 20, "Product", kLabel},
    {214, K::Text, 20, 100, 60, 20, "Serial", kLabel},
    {215, K::Text, 20, 130, 60, 20, "Name", kLabel},
    {216, K::Text, 20, 160, 60, 20, "IP8", kLabel},
    {217, K::Text, 20, 190, 60, 20, "VBAT", kLabel},
    {218, K::Text, 20, 220, 60, 20, "VCC", kLabel},
    {219, K::Text, 20, 250, 60, 20, "VCPU", kLabel},
    {220, K::Text, 20, 310, 60, 20, "APP", kLabel},
    {221, K::Text, 20, 280, 60, 20, "TEMP", kLabel},
    {222, K::FieldReadOnly, 100, 70, 150, 20, "", kFieldColour},
    {223, K::Field, 100, 100, 150, 20, "", kFieldColour},
    {224, K::Field, 100, 130, 150, 20, "", kFieldColour},
    {225, K::Field, 100, 160, 150, 20, "", kFieldColour},
    {226, K::Field, 100, 190, 150, 20, "", kFieldColour},
    {227, K::Field, 100, 220, 150, 20, "", kFieldColour},
    {228, K::Field, 100, 250, 150, 20, "", kFieldColour},
    {229, K::Field, 100, 280, 150, 20, "", kFieldColour},
    {230, K::Field, 100, 310, 150, 20, "", kFieldColour},
    {231, K::Text, 20, 340, 60, 20, "MAC", kLabel},
    {232, K::Field, 100, 340, 150, 20, "", kFieldColour},
    {233, K::Text, 20, 370, 60, 20, "FRAM", kLabel},
    {234, K::Field, 100, 370, 20, 20, "", kFieldColour},
};

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("DEVICE"), QSize(270, 420), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    return w;
}

}  // namespace devicewindow
