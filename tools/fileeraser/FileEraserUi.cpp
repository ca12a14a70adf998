#include "FileEraserUi.h"

#include "toolkit/Animation.h"
#include "toolkit/Coordinates.h"
#include "toolkit/StatusAttachedWindow.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

namespace fileeraserui {

QLabel* makeLabel(QWidget* parent, const QRect& frame, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment)
{
    auto* label = new QLabel(parent);
    label->setGeometry(frame);
    label->setTextFormat(Qt::PlainText);
    // Inside a button a label would otherwise take the button's text colour.
    label->setForegroundRole(QPalette::WindowText);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setText(text);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    setLabelColor(label, color);
    return label;
}

void setLabelColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

void slideIn(QWidget* pane, std::function<void()> finished)
{
    pane->move(kToolWidth, 0);
    pane->show();
    pane->raise();
    toolkit::animateProperty(pane, "pos", QPoint(0, 0), kSlideMs, QEasingCurve::InOutQuad, std::move(finished));
}

void slideOut(QWidget* pane, int x, std::function<void()> finished)
{
    QPointer<QWidget> guard(pane);
    toolkit::animateProperty(pane, "pos", QPoint(x, 0), kSlideMs, QEasingCurve::InOutQuad,
                             [guard, finished = std::move(finished)] {
                                 if (guard)
                                     guard->hide();
                                 if (finished)
                                     finished();
                             });
}

QPointF dialogAttachPoint(QWidget* mainWindow)
{
    const QRectF frame = toolkit::systemFrameOfWindow(mainWindow);
    return QPointF(frame.x() + frame.width() * 0.5, frame.y());
}

void runDialog(QWidget* view, QWidget* mainWindow, const std::function<void(StatusAttachedWindow*)>& bind)
{
    StatusAttachedWindow* window =
        StatusAttachedWindow::initWithView(view, dialogAttachPoint(mainWindow), nullptr, 1, 5.0f);
    if (!window)
        return;
    if (bind)
        bind(window);
    window->center();
    window->runModal();
}

QPointF windowBasePoint(const QWidget* widget, const QPointF& localQtPoint)
{
    const QWidget* window = widget->window();
    const QPointF inWindow = widget->mapTo(window, localQtPoint);
    return QPointF(inWindow.x(), window->height() - inWindow.y());
}

} // namespace fileeraserui

#include <QPainter>

namespace fileeraserui {

PointerTrackingView::PointerTrackingView(QWidget* parent) : QWidget(parent) {}

void PointerTrackingView::paintEvent(QPaintEvent*)
{
    // The drop-down window paints the list's background.
}

void PointerTrackingView::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    if (onEntered)
        onEntered();
}

void PointerTrackingView::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (onExited)
        onExited();
}

} // namespace fileeraserui
