#pragma once
// A holder for standard window buttons in a window without a title bar: the
// buttons inside it show their symbols while the pointer is over the holder,
// not only over the one button. Draws nothing of its own.
//
// Main thread only. The buttons are the holder's children or not owned.

#include "StandardWindowButton.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

class CustomWindowButtonView : public QWidget, public WindowButtonGroupHolder {
    Q_OBJECT
public:
    explicit CustomWindowButtonView(QWidget* parent = nullptr);
    ~CustomWindowButtonView() override;

    bool mouseInside() const { return mouseInside_; }
    void setMouseInside(bool inside) { mouseInside_ = inside; }

    QAbstractButton* closeButton() const { return closeButton_; }
    QAbstractButton* minitButton() const { return minitButton_; }
    QAbstractButton* zoomButton() const { return zoomButton_; }
    void setCloseButton(QAbstractButton* b) { closeButton_ = b; }
    void setMinitButton(QAbstractButton* b) { minitButton_ = b; }
    void setZoomButton(QAbstractButton* b) { zoomButton_ = b; }

    bool mouseInGroup(const StandardWindowButton*) const override { return mouseInside_; }
    void setNeedsDisplayForStandardWindowButtons(bool now = false);

    void applicationWillBecomeActive();
    void applicationDidResignActive();
    void windowActiveChanged();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    bool mouseInside_ = false;
    QPointer<QAbstractButton> closeButton_, minitButton_, zoomButton_;
    QMetaObject::Connection stateConnection_, focusConnection_;
};
