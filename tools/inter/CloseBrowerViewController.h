#pragma once
// The question before browsers are closed: "取消" leaves them running,
// "关闭" closes the dialog and then tells the delegate. Main thread only.

#include "toolkit/StatusAttachedWindow.h"

#include <QObject>
#include <QPointer>

class TextImageButton;

class CloseBrowerVCDelegate {
public:
    virtual ~CloseBrowerVCDelegate() = default;
    // The user agreed to close the running browsers.
    virtual void closeBrowerButtonAction() {}
};

class CloseBrowerViewController : public QObject {
    Q_OBJECT
public:
    explicit CloseBrowerViewController(QObject* parent = nullptr);
    ~CloseBrowerViewController() override;

    QWidget* view() const { return view_; }
    void setDelegate(CloseBrowerVCDelegate* delegate) { delegate_ = delegate; }   // not owned
    // The hosting window; the closing actions do nothing while it is unset.
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    void cancelButtonAction();
    void closeButtonAction();
    void closeWindow();

    TextImageButton* cancelButton() const { return cancelButton_; }
    TextImageButton* closeButton() const { return closeButton_; }

private:
    QPointer<QWidget> view_;
    TextImageButton* cancelButton_ = nullptr;
    TextImageButton* closeButton_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    CloseBrowerVCDelegate* delegate_ = nullptr;
};
