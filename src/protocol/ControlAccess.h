#pragma once
// The numbered controls as the protocol code sees them: reply handlers, the poller and the
// setting commands read and write controls by number and never touch a widget. A control or
// window that does not exist reads as empty (text "", unchecked, item -1) and ignores writes.

#include <QString>

#include "Rgb.h"

class ControlAccess {
public:
    virtual ~ControlAccess() = default;

    virtual bool windowOpen(int window) const = 0;
    virtual QString text(int control) const = 0;
    virtual void setText(int control, const QString& text) = 0;
    virtual void setBackground(int control, Rgb colour) = 0;
    virtual void setVisible(int control, bool visible) = 0;
    virtual bool isChecked(int control) const = 0;
    virtual void setChecked(int control, bool checked) = 0;
    virtual int selectedItem(int control) const = 0;
    virtual void selectItem(int control, int item) = 0;
};
