#pragma once
// Every dialog is a StatusAttachedWindow hanging under the main window's
// bottom edge, centred on its screen and run modally.

#include <QPointF>
#include <functional>

class QWidget;
class StatusAttachedWindow;

namespace toolkit {

// Where a dialog is attached: the bottom edge of `mainWindow`, at its
// horizontal centre moved by `dx`, in screen coordinates with the origin at
// the bottom left. A null window gives the screen's origin.
QPointF dialogAttachPoint(const QWidget* mainWindow, double dx = 0);

// Puts `view` in a StatusAttachedWindow attached at `point` on `side` at
// `distance` from it (StatusAttachedWindow::initWithView) and centres it; null
// when `view` is null. The caller runs or shows it.
StatusAttachedWindow* attachDialog(QWidget* view, const QPointF& point, int side = 1, float distance = 5.0f);

// Shows `view` attached under `mainWindow` (its centre moved by `dx`; `side`
// and `distance` as for attachDialog) and runs it modally; `bind` hands the
// window to the dialog's controller first. Returns once the dialog has closed.
void runDialog(QWidget* view, QWidget* mainWindow, const std::function<void(StatusAttachedWindow*)>& bind,
               double dx = 0, int side = 1, float distance = 5.0f);

} // namespace toolkit
