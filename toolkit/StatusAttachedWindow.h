#pragma once
// The window every dialog is shown in: borderless, translucent, rounded,
// placed around its view relative to an attach point and a side, and run
// modally. Closing it ends its own modal run only.
//
// The opener's convention:
//   auto* window = StatusAttachedWindow::initWithView(vc->view(), point, nullptr, 1, 5.0f);
//   vc->superDelegate = window;   // a QPointer: it clears itself once the window is gone
//   window->center();
//   window->runModal();           // returns after the dialog closed
// The dialog closes itself with superDelegate->close(). The window shows the
// view but does not own it (see AttachedWindowCore).

#include "AttachedWindowCore.h"
#include "PopBaseWindow.h"

#include <QPointer>

class QEventLoop;

// Optional observer; each hook does nothing unless overridden.
class StatusAttachedWindowDelegate {
public:
    virtual ~StatusAttachedWindowDelegate() = default;
    // YES when the pointer enters the window's content (its body, not the
    // shadow around it), NO when it leaves.
    virtual void mouseInWindow(bool inside) { Q_UNUSED(inside); }
    // The window stopped being the active window.
    virtual void isHiddenWindow() {}
};

class StatusAttachedWindow : public PopBaseWindow, public toolkit::AttachedWindowBase {
    Q_OBJECT
public:
    // The window, or null when `view` is null. `point` is in `window`'s base
    // coordinates (origin at its bottom-left) when `window` is given, else in
    // screen coordinates (origin at the bottom-left of the primary screen).
    static StatusAttachedWindow* initWithView(QWidget* view, const QPointF& point, QWidget* window, int side,
                                              float distance);
    ~StatusAttachedWindow() override;

    // Shows the window application-modal and returns once it has closed. A
    // window closed before the run returns at once.
    void runModal();
    bool isRunningModal() const { return loop_ != nullptr; }

    // Ends this window's modal run (if any), closes the window and releases
    // it. Closing again does nothing more.
    bool close();
    // Ends this window's modal run; harmless when none runs.
    void windowWillClose() override;

    // Centres the window on its screen.
    void center();

    // The colours, the numeric settings, the frames and the shadow:
    // AttachedWindowBase.

    // The blur behind the window: the toolkit blurs a picture of our own
    // windows behind it and draws it under the fill (see Backdrop.h).
    void setWindowBackgroundBlurRadius(int radius) { core_.setBlurRadius(radius); }
    int windowBackgroundBlurRadius() const { return core_.blurRadius(); }

    // Hands the close request to the parent window when there is one.
    void performClose();

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }

    StatusAttachedWindowDelegate* mattachedWDelegate() const { return delegate_; }
    void setMattachedWDelegate(StatusAttachedWindowDelegate* delegate) { delegate_ = delegate; }

    // The side-resolution the window does at creation for side 12.
    int bestSideForAutomaticPosition() const { return core_.bestSideForAutomaticPosition(); }

    // Sent when the window stops being the active window.
    void closeMattachedWindow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    StatusAttachedWindow();

    QEventLoop* loop_ = nullptr;   // the running modal loop (it lives on runModal's stack)
    bool closed_ = false;
    StatusAttachedWindowDelegate* delegate_ = nullptr;
    bool pointerInside_ = false;

    void setPointerInside(bool inside);
};
