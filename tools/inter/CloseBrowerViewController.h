#pragma once
// The question before browsers are closed: "取消" leaves them running,
// "关闭" closes the dialog and then tells the delegate. Main thread only.

#include "NoticeDialog.h"

class TextImageButton;

class CloseBrowerVCDelegate {
public:
    virtual ~CloseBrowerVCDelegate() = default;
    // The user agreed to close the running browsers.
    virtual void closeBrowerButtonAction() {}
};

class CloseBrowerViewController : public NoticeDialog {
    Q_OBJECT
public:
    explicit CloseBrowerViewController(QObject* parent = nullptr);

    void setDelegate(CloseBrowerVCDelegate* delegate) { delegate_ = delegate; }   // not owned

    void cancelButtonAction();
    void closeButtonAction();

    TextImageButton* cancelButton() const { return cancelButton_; }
    TextImageButton* closeButton() const { return closeButton_; }

private:
    TextImageButton* cancelButton_ = nullptr;
    TextImageButton* closeButton_ = nullptr;
    CloseBrowerVCDelegate* delegate_ = nullptr;
};
