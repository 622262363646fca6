#pragma once
// Every modal message box of the console goes through here. While one is up the dispatcher
// runs nothing else, and a second box is never stacked on the first.

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>

class QMessageBox;

class MessageBoxes {
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    /// Runs on every box just before it shows.
    void setOnShow(std::function<void(QMessageBox&)> onShow) { m_onShow = std::move(onShow); }

    /// A Yes/No question; true for Yes. With a box already up, the answer is No.
    bool askYesNo(const QString& title, const QString& text);
    /// An OK box, over `over` when given, else over the parent.
    void tell(const QString& title, const QString& text, QWidget* over = nullptr);
    bool isOpen() const { return m_open; }
    /// How many boxes have been shown so far.
    int shown() const { return m_shown; }

private:
    void prepare(QMessageBox& box);

    QPointer<QWidget> m_parent;
    std::function<void(QMessageBox&)> m_onShow;
    bool m_open = false;
    int m_shown = 0;
};
