#include "FormBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <vector>

#include "Fonts.h"
#include "ImageView.h"
#include "LineList.h"

ControlKind controlKind(RowKind kind)
{
    switch (kind) {
    case RowKind::Text:
    case RowKind::TextBordered:
    case RowKind::TextCentred:
        return ControlKind::Text;
    case RowKind::Field:
    case RowKind::FieldReadOnly:
        return ControlKind::Field;
    case RowKind::Button:
        return ControlKind::Button;
    case RowKind::Check:
        return ControlKind::Check;
    case RowKind::Combo:
        return ControlKind::Combo;
    case RowKind::List:
        return ControlKind::List;
    case RowKind::Image:
        return ControlKind::Image;
    case RowKind::Frame:
        return ControlKind::Frame;
    }
    return ControlKind::Text;
}

namespace {

QWidget* makeWidget(const ControlRow& row, QWidget* parent, const EventSink& sink, int window)
{
    const QString caption = QString::fromUtf8(row.caption);
    auto control = [sink, window, n = row.number] { sink({UiEvent::Kind::Control, window, n}); };
    switch (row.kind) {
    case RowKind::Text:
    case RowKind::TextBordered:
    case RowKind::TextCentred: {
        auto* label = new QLabel(caption, parent);
        label->setTextFormat(Qt::PlainText);
        if (row.kind == RowKind::TextBordered) label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (row.kind == RowKind::TextCentred) label->setAlignment(Qt::AlignCenter);
        return label;
    }
    case RowKind::Field:
    case RowKind::FieldReadOnly: {
        auto* field = new QLineEdit(caption, parent);
        field->setReadOnly(row.kind == RowKind::FieldReadOnly);
        QObject::connect(field, &QLineEdit::textEdited, field, control);
        return field;
    }
    case RowKind::Button: {
        auto* button = new QPushButton(caption, parent);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::StrongFocus);  // reached with Tab on every platform
        QObject::connect(button, &QPushButton::clicked, button, control);
        return button;
    }
    case RowKind::Check: {
        auto* box = new QCheckBox(parent);
        box->setFocusPolicy(Qt::StrongFocus);
        QObject::connect(box, &QCheckBox::clicked, box, control);
        return box;
    }
    case RowKind::Combo: {
        auto* combo = new QComboBox(parent);
        QObject::connect(combo, &QComboBox::activated, combo, control);
        return combo;
    }
    case RowKind::List: {
        auto* list = new LineList(parent);
        QObject::connect(list, &LineList::rowClicked, list, control);
        return list;
    }
    case RowKind::Image:
        return new ImageView(parent);
    case RowKind::Frame: {
        // A frame only draws a border around other rows: it stays beneath them and lets
        // clicks through to the fields it surrounds.
        auto* frame = new QFrame(parent);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setAttribute(Qt::WA_TransparentForMouseEvents);
        return frame;
    }
    }
    return nullptr;
}

/// Rows whose tops are this close read as one line (a check box beside a field).
constexpr int kLineTolerance = 10;

/// The keyboard's order: Tab walks the window as it is read, line by line from the top and
/// left to right within a line, whatever order the table creates the controls in. The focus
/// a window opens with stays on the table's first control that takes focus.
void chainInReadingOrder(std::span<const ControlRow> rows, const std::vector<QWidget*>& widgets)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (widgets[i] && (widgets[i]->focusPolicy() & Qt::TabFocus)) order.push_back(i);
    if (order.empty()) return;
    const std::size_t first = order.front();

    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return rows[a].y < rows[b].y; });
    for (auto line = order.begin(); line != order.end();) {
        const int top = rows[*line].y;
        const auto end = std::find_if(line, order.end(), [&](std::size_t i) { return rows[i].y - top >= kLineTolerance; });
        std::stable_sort(line, end, [&](std::size_t a, std::size_t b) { return rows[a].x < rows[b].x; });
        line = end;
    }
    for (std::size_t k = 1; k < order.size(); ++k) QWidget::setTabOrder(widgets[order[k - 1]], widgets[order[k]]);
    widgets[first]->setFocus(Qt::OtherFocusReason);
}

}  // namespace

void buildControls(QWidget* parent, int window, std::span<const ControlRow> rows, Controls& controls,
                   const EventSink& sink)
{
    std::vector<QWidget*> widgets;
    widgets.reserve(rows.size());
    for (const ControlRow& row : rows) {
        QWidget* w = makeWidget(row, parent, sink, window);
        widgets.push_back(w);
        w->setGeometry(row.x, row.y, row.w, row.h);
        w->setFont(fonts::font(row.font));
        if (*row.tooltip) w->setToolTip(QString::fromUtf8(row.tooltip));
        if (row.kind == RowKind::Frame) w->lower();
        if (row.hidden) w->hide();  // explicitly, so showing the window does not show it
        controls.add(row.number, window, controlKind(row.kind), w);
        if (row.background) controls.setBackground(row.number, *row.background);
        if (row.text) controls.setTextColour(row.number, *row.text);
    }
    chainInReadingOrder(rows, widgets);
}
