#include "Controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "ImageView.h"
#include "LineList.h"

namespace {

QColor toQColor(Rgb c) { return QColor(c.r, c.g, c.b); }
Rgb toRgb(const QColor& c) { return Rgb{std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue())}; }

/// The palette role that paints a control's background.
QPalette::ColorRole backgroundRole(ControlKind k)
{
    switch (k) {
    case ControlKind::Field:
    case ControlKind::List:
        return QPalette::Base;
    case ControlKind::Button:
    case ControlKind::Combo:
        return QPalette::Button;
    default:
        return QPalette::Window;
    }
}

QPalette::ColorRole textRole(ControlKind k)
{
    switch (k) {
    case ControlKind::Field:
    case ControlKind::List:
        return QPalette::Text;
    case ControlKind::Button:
    case ControlKind::Combo:
        return QPalette::ButtonText;
    default:
        return QPalette::WindowText;
    }
}

}  // namespace

const Controls::Entry* Controls::entry(int control) const
{
    if (control < 0 || control >= kMaxControl) return nullptr;
    const Entry& e = m_controls[std::size_t(control)];
    return e.widget ? &e : nullptr;
}

void Controls::addWindow(int window, QWidget* widget)
{
    if (window < 0 || window >= kMaxWindow) return;
    m_windows[std::size_t(window)] = widget;
}

void Controls::add(int control, int window, ControlKind kind, QWidget* widget)
{
    if (control < 0 || control >= kMaxControl || !widget) return;
    Entry& e = m_controls[std::size_t(control)];
    if (e.widget) m_numbers.remove(e.widget);
    e = Entry{widget, window, kind};
    m_numbers.insert(widget, control);
}

void Controls::removeWindow(int window)
{
    for (int n = 0; n < kMaxControl; ++n) {
        Entry& e = m_controls[std::size_t(n)];
        if (e.window != window) continue;
        if (e.widget) m_numbers.remove(e.widget);
        e = Entry{};
    }
    if (window >= 0 && window < kMaxWindow) m_windows[std::size_t(window)] = nullptr;
}

void Controls::destroyWindow(int window)
{
    QWidget* w = this->window(window);
    removeWindow(window);
    if (!w) return;
    w->hide();
    w->deleteLater();
}

QWidget* Controls::window(int window) const
{
    if (window < 0 || window >= kMaxWindow) return nullptr;
    return m_windows[std::size_t(window)];
}

QWidget* Controls::widget(int control) const
{
    const Entry* e = entry(control);
    return e ? e->widget.data() : nullptr;
}

ControlKind Controls::kind(int control) const
{
    const Entry* e = entry(control);
    return e ? e->kind : ControlKind::Text;
}

int Controls::numberOf(const QWidget* w) const
{
    for (; w; w = w->isWindow() ? nullptr : w->parentWidget()) {
        const auto it = m_numbers.constFind(w);
        if (it != m_numbers.constEnd()) return *it;
    }
    return -1;
}

int Controls::focusedControl() const { return numberOf(QApplication::focusWidget()); }

bool Controls::windowOpen(int window) const { return this->window(window) != nullptr; }

QString Controls::text(int control) const
{
    const Entry* e = entry(control);
    if (!e) return {};
    QWidget* w = e->widget;
    switch (e->kind) {
    case ControlKind::Field:
        return static_cast<QLineEdit*>(w)->text();
    case ControlKind::Text:
        return static_cast<QLabel*>(w)->text();
    case ControlKind::Button:
    case ControlKind::Check:
        return static_cast<QAbstractButton*>(w)->text();
    case ControlKind::Combo:
        return static_cast<QComboBox*>(w)->currentText();
    case ControlKind::List: {
        const auto* list = static_cast<LineList*>(w);
        return list->line(list->currentRow());
    }
    default:
        return {};
    }
}

void Controls::setText(int control, const QString& text)
{
    const Entry* e = entry(control);
    if (!e) return;
    QWidget* w = e->widget;
    switch (e->kind) {
    case ControlKind::Field: {
        auto* f = static_cast<QLineEdit*>(w);
        if (f->text() != text) f->setText(text);
        break;
    }
    case ControlKind::Text:
        static_cast<QLabel*>(w)->setText(text);  // unchanged text is a no-op in QLabel
        break;
    case ControlKind::Button:
    case ControlKind::Check: {
        auto* b = static_cast<QAbstractButton*>(w);
        if (b->text() != text) b->setText(text);
        break;
    }
    default:
        break;
    }
}

Rgb Controls::background(int control) const
{
    const Entry* e = entry(control);
    if (!e) return {};
    return toRgb(e->widget->palette().color(backgroundRole(e->kind)));
}

Rgb Controls::textColour(int control) const
{
    const Entry* e = entry(control);
    if (!e) return {};
    return toRgb(e->widget->palette().color(textRole(e->kind)));
}

void Controls::setBackground(int control, Rgb colour)
{
    const Entry* e = entry(control);
    if (!e) return;
    QWidget* w = e->widget;
    const QPalette::ColorRole role = backgroundRole(e->kind);
    if (e->kind == ControlKind::Text) w->setAutoFillBackground(true);
    const QColor c = toQColor(colour);
    if (w->palette().color(role) == c) return;
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

void Controls::setTextColour(int control, Rgb colour)
{
    const Entry* e = entry(control);
    if (!e) return;
    QWidget* w = e->widget;
    const QPalette::ColorRole role = textRole(e->kind);
    const QColor c = toQColor(colour);
    if (w->palette().color(role) == c) return;
    QPalette p = w->palette();
    p.setColor(role, c);
    w->setPalette(p);
}

bool Controls::isShown(int control) const
{
    const Entry* e = entry(control);
    return e && !e->widget->isHidden();
}

void Controls::setVisible(int control, bool visible)
{
    const Entry* e = entry(control);
    if (e && e->widget->isHidden() == visible) e->widget->setVisible(visible);
}

bool Controls::isChecked(int control) const
{
    const Entry* e = entry(control);
    return e && e->kind == ControlKind::Check && static_cast<QAbstractButton*>(e->widget.data())->isChecked();
}

void Controls::setChecked(int control, bool checked)
{
    const Entry* e = entry(control);
    if (e && e->kind == ControlKind::Check) static_cast<QAbstractButton*>(e->widget.data())->setChecked(checked);
}

int Controls::selectedItem(int control) const
{
    const Entry* e = entry(control);
    if (!e) return -1;
    if (e->kind == ControlKind::Combo) return static_cast<QComboBox*>(e->widget.data())->currentIndex();
    if (e->kind == ControlKind::List) return static_cast<LineList*>(e->widget.data())->currentRow();
    return -1;
}

void Controls::selectItem(int control, int item)
{
    const Entry* e = entry(control);
    if (!e) return;
    if (e->kind == ControlKind::Combo) {
        auto* combo = static_cast<QComboBox*>(e->widget.data());
        combo->setCurrentIndex(item >= 0 && item < combo->count() ? item : -1);
    } else if (e->kind == ControlKind::List) {
        static_cast<LineList*>(e->widget.data())->setCurrentRow(item);
    }
}

void Controls::setImage(int control, const QImage* image)
{
    const Entry* e = entry(control);
    if (e && e->kind == ControlKind::Image) static_cast<ImageView*>(e->widget.data())->setImage(image);
}

const QImage* Controls::image(int control) const
{
    const Entry* e = entry(control);
    return e && e->kind == ControlKind::Image ? static_cast<ImageView*>(e->widget.data())->image() : nullptr;
}
