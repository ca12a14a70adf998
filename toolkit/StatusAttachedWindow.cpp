#include "StatusAttachedWindow.h"

#include "InterfaceStyle.h"
#include "core/PublicUtilities.h"

#include <QApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScreen>
#include <QWindow>

using toolkit::AttachedStyle;
using toolkit::colorOf;

namespace {

QColor dialogFill()
{
    // Older systems had no blur behind the window and needed a nearly opaque body.
    const float alpha = PublicUtilities::getSystemVersion() < 1009 ? 0.98f : 0.6f;
    return colorOf(50, 50, 62, alpha);
}

} // namespace

StatusAttachedWindow::StatusAttachedWindow()
    : PopBaseWindow(nullptr),
      AttachedWindowBase(this, AttachedStyle::dialogDefaults(), dialogFill(), colorOf(0, 0, 0, 0.34f))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowOpacity(0.99);
    setHasShadow(true);
    if (PublicUtilities::getSystemVersion() >= 1010)
        setWindowBackgroundBlurRadius(400);
}

StatusAttachedWindow* StatusAttachedWindow::initWithView(QWidget* view, const QPointF& point, QWidget* window,
                                                         int side, float distance)
{
    if (!view)
        return nullptr;
    auto* w = new StatusAttachedWindow;
    w->resize(view->size());
    w->core_.attach(view, point, window, side, distance);
    w->setMouseTracking(true);
    w->setAttribute(Qt::WA_Hover);
    if (w->delegate_)
        w->delegate_->mouseInWindow(false);
    return w;
}

StatusAttachedWindow::~StatusAttachedWindow()
{
    if (loop_)
        loop_->exit();
}

void StatusAttachedWindow::runModal()
{
    if (closed_ || loop_)
        return;
    QPointer<StatusAttachedWindow> self(this);
    setWindowModality(Qt::ApplicationModal);
    // Without a parent window, keep the dialog above the window that opened it.
    if (!core_.parentWindow()) {
        if (QWidget* active = QApplication::activeWindow(); active && active != this) {
            winId();
            if (windowHandle() && active->windowHandle())
                windowHandle()->setTransientParent(active->windowHandle());
        }
    }
    show();
    raise();
    activateWindow();

    QEventLoop loop;
    loop_ = &loop;
    loop.exec(QEventLoop::DialogExec);
    if (self)
        self->loop_ = nullptr;
}

void StatusAttachedWindow::windowWillClose()
{
    closed_ = true;
    if (loop_)
        loop_->exit();
}

bool StatusAttachedWindow::close()
{
    windowWillClose();
    return QWidget::close();
}

void StatusAttachedWindow::center()
{
    const QScreen* s = screen();
    if (QWidget* parent = core_.parentWindow())
        s = parent->screen();
    else if (QWidget* active = QApplication::activeWindow(); active && active != this)
        s = active->screen();
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
}

void StatusAttachedWindow::performClose()
{
    if (QWidget* parent = core_.parentWindow())
        parent->close();
    else
        close();
}

void StatusAttachedWindow::closeMattachedWindow()
{
    if (delegate_)
        delegate_->isHiddenWindow();
}

void StatusAttachedWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    core_.paint(painter);
}

void StatusAttachedWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The size the window was given by its own placement arrives again when
    // it is first shown; placing it anew then would undo center().
    if (event->size() == core_.widgetSize())
        return;
    core_.redisplay();
}

void StatusAttachedWindow::mousePressEvent(QMouseEvent* event)
{
    // The shadow is no part of the window to take hold of.
    if (!core_.bodyRect().contains(event->position().toPoint())) {
        event->ignore();
        return;
    }
    PopBaseWindow::mousePressEvent(event);
}

bool StatusAttachedWindow::event(QEvent* event)
{
    // Hover events reach the window wherever the pointer is in it, over its
    // view too; the shadow's band around the body is not the content.
    switch (event->type()) {
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
        setPointerInside(core_.bodyRect().contains(static_cast<QHoverEvent*>(event)->position().toPoint()));
        break;
    case QEvent::HoverLeave: setPointerInside(false); break;
    default: break;
    }
    return PopBaseWindow::event(event);
}

void StatusAttachedWindow::setPointerInside(bool inside)
{
    if (inside == pointerInside_)
        return;
    pointerInside_ = inside;
    if (delegate_)
        delegate_->mouseInWindow(inside);
}

void StatusAttachedWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && lostActivation(isActiveWindow()))
        closeMattachedWindow();
}
