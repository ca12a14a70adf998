#pragma once
// A faint rounded panel (white at alpha 0.16, corner radius 4) that can tell
// a delegate when the pointer enters or leaves it.

#include <QWidget>

class BaseWbgViewDelegate {
public:
    virtual ~BaseWbgViewDelegate() = default;
    // NO when the pointer entered the panel, YES when it left.
    virtual void dropMouseEixtView(bool exited) { (void)exited; }
};

class BaseWbgView : public QWidget {
    Q_OBJECT
public:
    explicit BaseWbgView(QWidget* parent = nullptr);

    // Not owned; without one the panel only draws.
    BaseWbgViewDelegate* delegate() const { return delegate_; }
    void setDelegate(BaseWbgViewDelegate* delegate) { delegate_ = delegate; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    BaseWbgViewDelegate* delegate_ = nullptr;
};
