#include "BaseWindow.h"

#include "toolkit/TabBarView.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QWindow>

BaseWindow::BaseWindow(const QSize& size, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setFixedSize(size);
    contentView_ = new QWidget(this);
    contentView_->setObjectName(QLatin1String(TabBarView::kContentViewName));
    contentView_->setGeometry(rect());
}

void BaseWindow::closeEvent(QCloseEvent* event)
{
    event->accept();
    emit windowWillClose();
}

void BaseWindow::setLayerBackgroundColor(const QColor& color)
{
    layerBackgroundColor_ = color;
    update();
}

void BaseWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(rect()), 8, 8);
    painter.fillPath(rounded, layerBackgroundColor_);
}

void BaseWindow::resizeEvent(QResizeEvent* event)
{
    contentView_->setGeometry(rect());
    // A shape mask works with or without a compositing window manager.
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(rect()), 8, 8);
    setMask(QRegion(rounded.toFillPolygon().toPolygon()));
    QWidget::resizeEvent(event);
}

void BaseWindow::mousePressEvent(QMouseEvent* event)
{
    // Presses that no child took land here: the background moves the window.
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (windowHandle() && windowHandle()->startSystemMove())
        return;
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void BaseWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - dragOffset_);
    QWidget::mouseMoveEvent(event);
}

void BaseWindow::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}
