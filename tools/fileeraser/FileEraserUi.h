#pragma once
// Small pieces every File Eraser view is built from: plain-text labels, the
// panes' slide, and the modal dialog convention.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRect>
#include <QString>
#include <functional>

class QLabel;
class QWidget;
class StatusAttachedWindow;

namespace fileeraserui {

// The tool area every screen and side panel fills.
constexpr int kToolWidth = 730;
constexpr int kToolHeight = 580;
// How long a pane takes to slide in or out.
constexpr int kSlideMs = 500;

// A label that shows its text as plain text, never as markup.
QLabel* makeLabel(QWidget* parent, const QRect& frame, const QString& text, const QFont& font, const QColor& color,
                  Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);

// Sets a label's text colour.
void setLabelColor(QLabel* label, const QColor& color);

// A pane comes in by being placed at x = 730, shown and moved to (0, 0); it
// goes out by moving to (x, 0) and being hidden at the end.
void slideIn(QWidget* pane, std::function<void()> finished = {});
void slideOut(QWidget* pane, int x = kToolWidth, std::function<void()> finished = {});

// Where a dialog is attached: the bottom edge of `mainWindow`, at its
// horizontal centre, in screen coordinates with the origin at the bottom
// left.
QPointF dialogAttachPoint(QWidget* mainWindow);

// Shows `view` in a StatusAttachedWindow attached under `mainWindow` (side 1,
// distance 5), centred, and runs it modally; `bind` hands the window to the
// dialog's controller first. Returns once the dialog has closed.
void runDialog(QWidget* view, QWidget* mainWindow, const std::function<void(StatusAttachedWindow*)>& bind);

// A point of `widget` in the base coordinates of its window (origin at the
// window's bottom-left corner).
QPointF windowBasePoint(const QWidget* widget, const QPointF& localQtPoint);

} // namespace fileeraserui

#include <QWidget>

namespace fileeraserui {

// A view that reports the pointer entering and leaving it (the drop-down
// lists' own tracking area).
class PointerTrackingView : public QWidget {
    Q_OBJECT
public:
    explicit PointerTrackingView(QWidget* parent = nullptr);
    std::function<void()> onEntered;
    std::function<void()> onExited;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
};

} // namespace fileeraserui
