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
    // YES when the pointer enters the window's content, NO when it leaves.
    virtual void mouseInWindow(bool inside) { Q_UNUSED(inside); }
    // The window stopped being the active window.
    virtual void isHiddenWindow() {}
};

class StatusAttachedWindow : public PopBaseWindow {
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

    void setPoint(const QPointF& point, int side) { core_.setPoint(point, side); }

    QBrush windowBackgroundColor() const { return core_.backgroundBrush(); }
    void setBackgroundColor(const QColor& color) { core_.setBackgroundColor(color); }
    void setBackgroundImage(const QImage& image) { core_.setBackgroundImage(image); }
    QColor borderColor() const { return core_.borderColor(); }
    void setBorderColor(const QColor& color) { core_.setBorderColor(color); }

    float borderWidth() const { return core_.style().borderWidth; }
    float viewMargin() const { return core_.style().viewMargin; }
    float arrowBaseWidth() const { return core_.style().arrowBaseWidth; }
    float arrowHeight() const { return core_.style().arrowHeight; }
    bool hasArrow() const { return core_.style().hasArrow; }
    float cornerRadius() const { return core_.style().cornerRadius; }
    bool drawsRoundCornerBesideArrow() const { return core_.style().drawsRoundCornerBesideArrow; }
    void setBorderWidth(float value) { core_.setBorderWidth(value); }
    void setViewMargin(float value) { core_.setViewMargin(value); }
    void setArrowBaseWidth(float value) { core_.setArrowBaseWidth(value); }
    void setArrowHeight(float value) { core_.setArrowHeight(value); }
    void setHasArrow(bool value) { core_.setHasArrow(value); }
    void setCornerRadius(float value) { core_.setCornerRadius(value); }
    void setDrawsRoundCornerBesideArrow(bool value) { core_.setDrawsRoundCornerBesideArrow(value); }

    // The window server's blur is not available here: the radius is kept and
    // the window is drawn unblurred with the same colours.
    void setWindowBackgroundBlurRadius(int radius) { blurRadius_ = radius; }
    int windowBackgroundBlurRadius() const { return blurRadius_; }

    // Hands the close request to the parent window when there is one.
    void performClose();

    bool canBecomeKeyWindow() const override { return true; }
    bool canBecomeMainWindow() const override { return false; }
    bool isExcludedFromWindowsMenu() const { return true; }

    StatusAttachedWindowDelegate* mattachedWDelegate() const { return delegate_; }
    void setMattachedWDelegate(StatusAttachedWindowDelegate* delegate) { delegate_ = delegate; }

    // Results of the last geometry pass, in system coordinates.
    QRectF viewFrame() const { return core_.viewFrame(); }
    QRectF windowFrame() const { return core_.windowFrame(); }
    int side() const { return core_.side(); }
    QWidget* view() const { return core_.view(); }

    // The side-resolution the window does at creation for side 12.
    int bestSideForAutomaticPosition() const { return core_.bestSideForAutomaticPosition(); }

    // Sent when the window stops being the active window.
    void closeMattachedWindow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    StatusAttachedWindow();

    toolkit::AttachedWindowCore core_;
    QEventLoop* loop_ = nullptr;   // the running modal loop (it lives on runModal's stack)
    bool closed_ = false;
    bool wasActive_ = false;
    int blurRadius_ = 0;
    StatusAttachedWindowDelegate* delegate_ = nullptr;
};
