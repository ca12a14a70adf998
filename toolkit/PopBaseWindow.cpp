#include "PopBaseWindow.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QWindow>

PopBaseWindow::PopBaseWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
}

PopBaseWindow::~PopBaseWindow() = default;

void PopBaseWindow::closeEvent(QCloseEvent* event)
{
    windowWillClose();
    QWidget::closeEvent(event);
}

// Movable by its background: presses that no child took move the window.
void PopBaseWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (QWindow* handle = windowHandle(); handle && handle->startSystemMove()) {
        event->accept();
        return;
    }
    dragging_ = true;
    dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void PopBaseWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (dragging_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

void PopBaseWindow::mouseReleaseEvent(QMouseEvent* event)
{
    dragging_ = false;
    QWidget::mouseReleaseEvent(event);
}
