#include "AboutWindow.h"

#include <QLabel>

#include "FormBuilder.h"
#include "Version.h"

namespace aboutwindow {
namespace {

using K = RowKind;

// Number, kind, x, y, w, h, caption, background, text colour, tooltip, font.
constexpr ControlRow kRows[] = {
    {236, K::Image, 0, 0, 384, 158},
    {235, K::Text, 80, 180, 220, 110, "", kLabel},  // the text follows the version banner
};

QString aboutText()
{
    return QStringLiteral("TAVO Studio MERLAN\n") + QLatin1String(kVersionBanner) +
           QStringLiteral("\n\nAntenna Tracker Studio team\n"
                          "Operator console for the MERLAN antenna tracker");
}

}  // namespace

FormWindow* open(Controls& controls, const EventSink& sink, QWidget* parent)
{
    auto* w = new FormWindow(kWindow, QStringLiteral("About"), QSize(384, 300), sink, parent);
    controls.addWindow(kWindow, w);
    buildControls(w->client(), kWindow, kRows, controls, sink);
    auto* text = static_cast<QLabel*>(controls.widget(kText));
    text->setText(aboutText());
    text->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    text->setWordWrap(true);
    return w;
}

}  // namespace aboutwindow
