#pragma once
// The window of a drop-down list: a borderless tool window owned by the
// window it is attached to, placed like the dialog window but with its own
// defaults (no shadow, no arrow, an opaque body with a 1-point border). It
// has no modal run and closing it touches none.
//
// Hosts normally use DropDownHost, which creates, times and closes it.

#include "AttachedWindowCore.h"

#include <QWidget>

// Optional observer; the hook does nothing unless overridden.
class MAAttachedWindowDelegate {
public:
    virtual ~MAAttachedWindowDelegate() = default;
    virtual void closeMattachedWindow() {}
};

class MAAttachedWindow : public QWidget, public toolkit::AttachedWindowBase {
    Q_OBJECT
public:
    // The window, or null when `view` is null. `point` is in `window`'s base
    // coordinates (origin at its bottom-left). `alpha` is accepted for the
    // callers' sake and not used: the body is opaque.
    static MAAttachedWindow* initWithView(QWidget* view, const QPointF& point, QWidget* window, int side,
                                          float distance, float alpha);
    ~MAAttachedWindow() override;

    // The colours, the numeric settings and the frames: AttachedWindowBase.

    // Tells the observer, when there is one, that the window should close.
    void closeMattachedWindow();

    void performClose();
    bool canBecomeKeyWindow() const { return true; }
    bool canBecomeMainWindow() const { return false; }

    MAAttachedWindowDelegate* mattachedWDelegate() const { return delegate_; }
    void setMattachedWDelegate(MAAttachedWindowDelegate* delegate) { delegate_ = delegate; }

    QWidget* parentWindow() const { return core_.parentWindow(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    explicit MAAttachedWindow(QWidget* parent);

    MAAttachedWindowDelegate* delegate_ = nullptr;
};
