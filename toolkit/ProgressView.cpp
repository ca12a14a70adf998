#include "ProgressView.h"

#include "Coordinates.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <cmath>

ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {}

void ProgressBar::paintEvent(QPaintEvent*)
{
    if (width() <= 0)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, width(), height());
    QLinearGradient gradient(r.topLeft(), r.topRight());
    gradient.setColorAt(0, QColor(31, 167, 242));
    gradient.setColorAt(1, QColor(10, 103, 230));
    QPainterPath path;
    path.addRoundedRect(r, 4, 4);
    p.fillPath(path, gradient);
}

ProgressView::ProgressView(QWidget* parent) : QWidget(parent), bar_(new ProgressBar(this))
{
    barFrame_ = QRectF(0, 0, 0, kBarHeight);
    placeBar();
}

ProgressView::ProgressView(const QRect& frame, QWidget* parent) : ProgressView(parent)
{
    setGeometry(frame);
}

void ProgressView::changeProgressValue(float percentage)
{
    const double full = width();
    double w = std::isnan(percentage) ? 0.0 : full * percentage / 100.0;
    if (w > full - 1)
        w = full;
    if (w < 0)
        w = 0;
    barFrame_ = QRectF(0, 0, w, kBarHeight);
    placeBar();
    bar_->update();
    update();
}

void ProgressView::placeBar()
{
    // The bar sits on the view's bottom edge (origin bottom-left); a view
    // lower than the bar shows its bottom part.
    bar_->setGeometry(toolkit::flipRect(barFrame_, height()).toRect());
}

void ProgressView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The bar follows width changes in proportion (flexible width and right margin).
    const int oldWidth = event->oldSize().width();
    if (oldWidth > 0 && event->size().width() != oldWidth)
        barFrame_.setWidth(barFrame_.width() * event->size().width() / oldWidth);
    placeBar();
}

void ProgressView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(toolkit::flipRect(QRectF(0, 0, width(), kBarHeight), height()), 4, 4);
    p.fillPath(path, QColor(32, 32, 39));
}
