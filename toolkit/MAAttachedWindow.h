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

class MAAttachedWindow : public QWidget {
    Q_OBJECT
public:
    // The window, or null when `view` is null. `point` is in `window`'s base
    // coordinates (origin at its bottom-left). `alpha` is accepted for the
    // callers' sake and not used: the body is opaque.
    static MAAttachedWindow* initWithView(QWidget* view, const QPointF& point, QWidget* window, int side,
                                          float distance, float alpha);
    ~MAAttachedWindow() override;

    // Tells the observer, when there is one, that the window should close.
    void closeMattachedWindow();

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

    void performClose();
    bool canBecomeKeyWindow() const { return true; }
    bool canBecomeMainWindow() const { return false; }
    bool isExcludedFromWindowsMenu() const { return true; }

    MAAttachedWindowDelegate* mattachedWDelegate() const { return delegate_; }
    void setMattachedWDelegate(MAAttachedWindowDelegate* delegate) { delegate_ = delegate; }

    QRectF viewFrame() const { return core_.viewFrame(); }
    QRectF windowFrame() const { return core_.windowFrame(); }
    int side() const { return core_.side(); }
    QWidget* view() const { return core_.view(); }
    QWidget* parentWindow() const { return core_.parentWindow(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    explicit MAAttachedWindow(QWidget* parent);

    toolkit::AttachedWindowCore core_;
    bool wasActive_ = false;
    MAAttachedWindowDelegate* delegate_ = nullptr;
};
