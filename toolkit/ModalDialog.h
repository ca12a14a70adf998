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

// Puts `view` in a StatusAttachedWindow attached at `point` (side 1, distance
// 5) and centres it; null when `view` is null. The caller runs or shows it.
StatusAttachedWindow* attachDialog(QWidget* view, const QPointF& point);

// Shows `view` attached under `mainWindow` (its centre moved by `dx`) and runs
// it modally; `bind` hands the window to the dialog's controller first.
// Returns once the dialog has closed.
void runDialog(QWidget* view, QWidget* mainWindow, const std::function<void(StatusAttachedWindow*)>& bind,
               double dx = 0);

} // namespace toolkit
