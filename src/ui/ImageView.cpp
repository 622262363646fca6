#include "ImageView.h"

#include <QPainter>

void ImageView::setImage(const QImage* image)
{
    if (image == m_image) return;
    m_image = image;
    update();
}

void ImageView::paintEvent(QPaintEvent*)
{
    if (!m_image || m_image->isNull()) return;
    QPainter p(this);
    p.drawImage(0, 0, *m_image);
}
