#pragma once
// The confirmation before a File Eraser run: the chosen erasure standard,
// which the user may change through the standards drop-down, "继续" and
// "取消".

#include "tools/erasepanels/StandardConfirmViewController.h"

class MakeSureFileEraserVCDelegate {
public:
    virtual ~MakeSureFileEraserVCDelegate() = default;
    // The user confirmed.
    virtual void makeSureToEraserSelectFiles() {}
};

class MakeSureFileEraserViewControoler : public StandardConfirmViewController {
    Q_OBJECT
public:
    explicit MakeSureFileEraserViewControoler(QObject* parent = nullptr);

    void setDelegate(MakeSureFileEraserVCDelegate* delegate) { delegate_ = delegate; }

protected:
    void confirmed() override;

private:
    MakeSureFileEraserVCDelegate* delegate_ = nullptr;
};
