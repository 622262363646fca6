#pragma once
// A numbered window of fixed client size: its controls are children of `client()`, placed by
// pixel. Closing it only reports a close event; the dispatcher decides what happens.

#include <QWidget>

#include "UiEvent.h"

class QMenuBar;

class FormWindow : public QWidget {
public:
    /// A main window when `parent` is null, otherwise a window of `parent` centred on it.
    FormWindow(int number, const QString& title, QSize clientSize, EventSink sink,
               QWidget* parent = nullptr);

    int number() const { return m_number; }
    QWidget* client() const { return m_client; }
    QMenuBar* addMenuBar();
    /// Return (and Enter) raise menu event `menuNumber` of this window.
    void addReturnShortcut(int menuNumber = kMenuReturn);
    /// Places the window: centred on its parent, or on the screen for a main window.
    void centre();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    int m_number;
    EventSink m_sink;
    QWidget* m_client;
};
