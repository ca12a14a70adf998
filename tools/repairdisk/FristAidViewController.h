#pragma once
// The question before First Aid: "在'%@'上运行急救？", with Cancel, Verify
// (a check that changes nothing) and Run (a repair).

#include "toolkit/StatusAttachedWindow.h"

#include <QObject>
#include <QPointer>

class QLabel;
class TextImageButton;

class FristAidVCDelegate {
public:
    virtual ~FristAidVCDelegate() = default;
    virtual void checkDiskAction() {}
    virtual void repairDiskAction() {}
};

class FristAidViewController : public QObject {
    Q_OBJECT
public:
    explicit FristAidViewController(QObject* parent = nullptr);
    ~FristAidViewController() override;

    QWidget* view() const { return view_; }
    void setDelegate(FristAidVCDelegate* delegate) { delegate_ = delegate; }
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    void changeAidDiskName(const QString& name);
    void checkButAction();
    void repaireButAction();
    void closeWindow();

    QLabel* topLabel() const { return topLabel_; }
    TextImageButton* cancelBut() const { return cancelBut_; }
    TextImageButton* checkBut() const { return checkBut_; }
    TextImageButton* repairBut() const { return repairBut_; }

private:
    void loadView();

    QPointer<QWidget> view_;
    QLabel* topLabel_ = nullptr;
    TextImageButton* cancelBut_ = nullptr;
    TextImageButton* checkBut_ = nullptr;
    TextImageButton* repairBut_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    FristAidVCDelegate* delegate_ = nullptr;
};
