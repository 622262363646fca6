#include "FormBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

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
        QObject::connect(button, &QPushButton::clicked, button, control);
        return button;
    }
    case RowKind::Check: {
        auto* box = new QCheckBox(parent);
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

}  // namespace

void buildControls(QWidget* parent, int window, std::span<const ControlRow> rows, Controls& controls,
                   const EventSink& sink)
{
    for (const ControlRow& row : rows) {
        QWidget* w = makeWidget(row, parent, sink, window);
        w->setGeometry(row.x, row.y, row.w, row.h);
        w->setFont(fonts::font(row.font));
        if (*row.tooltip) w->setToolTip(QString::fromUtf8(row.tooltip));
        if (row.kind == RowKind::Frame) w->lower();
        if (row.hidden) w->hide();  // explicitly, so showing the window does not show it
        controls.add(row.number, window, controlKind(row.kind), w);
        if (row.background) controls.setBackground(row.number, *row.background);
        if (row.text) controls.setTextColour(row.number, *row.text);
    }
}
