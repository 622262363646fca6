#pragma once
// A picture control: paints an image owned elsewhere at its top-left corner, unscaled.

#include <QImage>
#include <QWidget>

class ImageView : public QWidget {
public:
    using QWidget::QWidget;

    /// Shows `image` (or nothing for nullptr) and repaints; the image must stay alive.
    void setImage(const QImage* image);
    const QImage* image() const { return m_image; }
    /// The image changed in place: paint it again, or only the part of it in `area`.
    void refresh() { update(); }
    void refresh(const QRegion& area) { update(area); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QImage* m_image = nullptr;
};
