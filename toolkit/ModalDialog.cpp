#include "ModalDialog.h"

#include "Coordinates.h"
#include "StatusAttachedWindow.h"

#include <QWidget>

namespace toolkit {

QPointF dialogAttachPoint(const QWidget* mainWindow, double dx)
{
    QRectF frame;
    if (mainWindow)
        frame = systemFrameOfWindow(mainWindow);
    return QPointF(frame.x() + frame.width() * 0.5 + dx, frame.y());
}

StatusAttachedWindow* attachDialog(QWidget* view, const QPointF& point, int side, float distance)
{
    StatusAttachedWindow* window = StatusAttachedWindow::initWithView(view, point, nullptr, side, distance);
    if (window)
        window->center();
    return window;
}

void runDialog(QWidget* view, QWidget* mainWindow, const std::function<void(StatusAttachedWindow*)>& bind, double dx,
               int side, float distance)
{
    StatusAttachedWindow* window = attachDialog(view, dialogAttachPoint(mainWindow, dx), side, distance);
    if (!window)
        return;
    if (bind)
        bind(window);
    window->runModal();
}

} // namespace toolkit
