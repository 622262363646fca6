#pragma once
// The registry of numbered controls: every window registers its controls here when it is
// built and leaves when it closes. Handlers address controls by number only.

#include <QHash>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <array>

#include "ControlAccess.h"

enum class ControlKind { Text, Field, Button, Check, Combo, List, Image, Frame, Grid, ScrollBar };

class Controls final : public ControlAccess {
public:
    static constexpr int kMaxControl = 600;
    static constexpr int kMaxWindow = 10;

    void addWindow(int window, QWidget* widget);
    void add(int control, int window, ControlKind kind, QWidget* widget);
    /// Forgets the window and every control it registered (the window is closing).
    void removeWindow(int window);
    /// Closes window `window`: its controls leave at once, the widgets are deleted soon after.
    void destroyWindow(int window);

    QWidget* window(int window) const;
    QWidget* widget(int control) const;
    ControlKind kind(int control) const;
    /// The control number of `w` or of the nearest registered ancestor; -1 for none.
    int numberOf(const QWidget* w) const;
    /// The control that has keyboard focus now, -1 when none of ours has it.
    int focusedControl() const;

    Rgb background(int control) const;
    Rgb textColour(int control) const;
    bool isShown(int control) const;  ///< not hidden by the console (its window may be closed)
    void setTextColour(int control, Rgb colour);
    /// Shows `image` in an image control; the image must outlive its use there.
    void setImage(int control, const QImage* image);
    const QImage* image(int control) const;

    // ControlAccess
    bool windowOpen(int window) const override;
    QString text(int control) const override;
    void setText(int control, const QString& text) override;
    void setBackground(int control, Rgb colour) override;
    void setVisible(int control, bool visible) override;
    bool isChecked(int control) const override;
    void setChecked(int control, bool checked) override;
    int selectedItem(int control) const override;
    void selectItem(int control, int item) override;

private:
    struct Entry {
        QPointer<QWidget> widget;
        int window = -1;
        ControlKind kind = ControlKind::Text;
    };
    const Entry* entry(int control) const;

    std::array<Entry, kMaxControl> m_controls{};
    std::array<QPointer<QWidget>, kMaxWindow> m_windows{};
    QHash<const QWidget*, int> m_numbers;
};
