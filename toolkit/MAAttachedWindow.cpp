#include "MAAttachedWindow.h"

#include "InterfaceStyle.h"

#include <QEvent>
#include <QPainter>

using toolkit::AttachedStyle;
using toolkit::colorOf;

MAAttachedWindow::MAAttachedWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint),
      AttachedWindowBase(this, AttachedStyle::dropDownDefaults(), colorOf(50, 50, 57, 1.0f), colorOf(33, 33, 43, 1.0f))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAutoFillBackground(false);
}

MAAttachedWindow* MAAttachedWindow::initWithView(QWidget* view, const QPointF& point, QWidget* window, int side,
                                                 float distance, float alpha)
{
    Q_UNUSED(alpha);
    if (!view)
        return nullptr;
    auto* w = new MAAttachedWindow(window ? window->window() : nullptr);
    w->resize(view->size());
    w->core_.attach(view, point, window ? window->window() : nullptr, side, distance);
    return w;
}

MAAttachedWindow::~MAAttachedWindow() = default;

void MAAttachedWindow::closeMattachedWindow()
{
    if (delegate_)
        delegate_->closeMattachedWindow();
}

void MAAttachedWindow::performClose()
{
    if (QWidget* parent = core_.parentWindow())
        parent->close();
    else
        close();
}

void MAAttachedWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    core_.paint(painter);
}

void MAAttachedWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    core_.redisplay();
}

void MAAttachedWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && lostActivation(isActiveWindow()))
        closeMattachedWindow();
}
