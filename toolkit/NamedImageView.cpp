#include "NamedImageView.h"

#include <QPainter>

NamedImageView::NamedImageView(QWidget* parent) : QWidget(parent) {}

NamedImageView::NamedImageView(const QRect& frame, QWidget* parent) : QWidget(parent)
{
    setGeometry(frame);
}

void NamedImageView::setImageName(const QString& name)
{
    image_ = toolkit::ImageCache::imageNamed(name);
    update();
}

void NamedImageView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    image_.draw(p, QRectF(rect()));
}
