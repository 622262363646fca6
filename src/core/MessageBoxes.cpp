#include "MessageBoxes.h"

#include <QMessageBox>

bool MessageBoxes::askYesNo(const QString& title, const QString& text)
{
    if (m_open) return false;
    m_open = true;
    ++m_shown;
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    const bool yes = box.exec() == QMessageBox::Yes;
    m_open = false;
    return yes;
}

void MessageBoxes::tell(const QString& title, const QString& text)
{
    if (m_open) return;
    m_open = true;
    ++m_shown;
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, m_parent);
    box.exec();
    m_open = false;
}
