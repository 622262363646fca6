#include "ImageView.h"

#include <QPaintEvent>
#include <QPainter>

void ImageView::setImage(const QImage* image)
{
    if (image == m_image) return;
    m_image = image;
    // An opaque picture that covers the whole control hides what lies beneath it, so the
    // window need not paint its background there first.
    setAttribute(Qt::WA_OpaquePaintEvent, image && !image->isNull() && !image->hasAlphaChannel() &&
                                              image->width() >= width() && image->height() >= height());
    update();
}

void ImageView::paintEvent(QPaintEvent* event)
{
    if (!m_image || m_image->isNull()) return;
    QPainter p(this);
    for (const QRect& r : event->region()) p.drawImage(r.topLeft(), *m_image, r);
}
