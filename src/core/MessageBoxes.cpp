#include "MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>


namespace {

/// Every box lets the operator select and copy its text, with the mouse or Ctrl+A, Ctrl+C.
void makeSelectable(QMessageBox& box)
{
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

}  // namespace

void MessageBoxes::prepare(QMessageBox& box)
{
    makeSelectable(box);
    if (m_onShow) m_onShow(box);
}

bool MessageBoxes::askYesNo(const QString& title, const QString& text)
{
    if (m_open) return false;
    m_open = true;
    ++m_shown;
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    prepare(box);
    const bool yes = box.exec() == QMessageBox::Yes;
    m_open = false;
    return yes;
}

void MessageBoxes::tell(const QString& title, const QString& text, QWidget* over)
{
    if (m_open) return;
    m_open = true;
    ++m_shown;
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok,
                    over ? over : m_parent.data());
    prepare(box);
    box.exec();
    m_open = false;
}
