#include "MessageBoxes.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

/// Every box lets the operator select and copy its text, with the mouse or Ctrl+A, Ctrl+C.
void makeSelectable(QMessageBox& box)
{
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Tests of a console running as a separate process: print each box and take its default
    // answer once it is up.
    if (!qEnvironmentVariableIsSet("ATS_TEST_ANSWER_BOXES")) return;
    QTimer::singleShot(0, &box, [&box] {
        std::printf("BOX %s\x1f%s\x1e\n", box.windowTitle().toUtf8().constData(), box.text().toUtf8().constData());
        std::fflush(stdout);
        box.done(box.defaultButton() ? box.standardButton(box.defaultButton()) : QMessageBox::Ok);
    });
}

}  // namespace

bool MessageBoxes::askYesNo(const QString& title, const QString& text)
{
    if (m_open) return false;
    m_open = true;
    ++m_shown;
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setDefaultButton(QMessageBox::No);
    makeSelectable(box);
    const bool yes = box.exec() == QMessageBox::Yes;
    m_open = false;
    return yes;
}

void MessageBoxes::tell(const QString& title, const QString& text, QWidget* over)
{
    if (m_open) return;
    m_open = true;
    ++m_shown;
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok, over ? over : m_parent.data());
    makeSelectable(box);
    box.exec();
    m_open = false;
}
