#include "ToolArea.h"

#include "Animation.h"

#include <QEasingCurve>
#include <QPoint>
#include <QPointer>
#include <QWidget>

namespace toolkit {

void slideIn(QWidget* pane, std::function<void()> finished)
{
    pane->move(kToolWidth, 0);
    pane->show();
    pane->raise();
    animateProperty(pane, "pos", QPoint(0, 0), kSlideMs, QEasingCurve::InOutQuad, std::move(finished));
}

void slideOut(QWidget* pane, int x, std::function<void()> finished)
{
    QPointer<QWidget> guard(pane);
    animateProperty(pane, "pos", QPoint(x, 0), kSlideMs, QEasingCurve::InOutQuad,
                    [guard, finished = std::move(finished)] {
                        if (guard)
                            guard->hide();
                        if (finished)
                            finished();
                    });
}

} // namespace toolkit
