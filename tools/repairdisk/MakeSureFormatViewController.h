#pragma once
// The confirmation before a format: "格式化'%@'?" and its warning, the new
// name, and the file system from the picker (a volume that keeps its type,
// NTFS or APFS, shows its own, greyed, and opens no picker). "继续" turns the
// dialog into its working pane with the spinner; the screen closes it when
// the disk utility is done.

#include "FormatTypeViewController.h"

#include "toolkit/LoadingSpinner.h"
#include "toolkit/StatusAttachedWindow.h"

#include <QObject>
#include <QPointer>

class DropDownHost;
class NamedImageView;
class QAbstractButton;
class QLabel;
class QLineEdit;
class TextImageButton;

class MakeSureFormatVCDelegate {
public:
    virtual ~MakeSureFormatVCDelegate() = default;
    virtual void makeSureToFormatSelectVolumeWithName(const QString& name, const QString& type)
    {
        Q_UNUSED(name);
        Q_UNUSED(type);
    }
};

class MakeSureFormatViewController : public QObject, public FormatTypeVCDelegate {
    Q_OBJECT
public:
    // `pickerCloseMs`: the picker's timed close (2 s; tests shorten it).
    explicit MakeSureFormatViewController(QObject* parent = nullptr, int pickerCloseMs = 2000);
    ~MakeSureFormatViewController() override;

    QWidget* view() const { return view_; }
    void setDelegate(MakeSureFormatVCDelegate* delegate) { delegate_ = delegate; }
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    void setName(const QString& name, const QString& type);
    void openMenuAction();
    void selectFormatbyType(int row) override;
    void mouseEixtView(bool exited) override;
    void closeMattachedWindow();
    void okButtonAction();
    void noButtonAction();
    void closeWindow();
    void chengTextStart();

    bool isPopSortWin() const;
    FormatTypeViewController* formatTypeVC() const;
    QWidget* sortAttachedWindow() const;

    QLabel* nameLabel() const { return nameLabel_; }
    QLabel* nodeLabel() const { return nodeLabel_; }
    QLineEdit* nameTextFiled() const { return nameTextFiled_; }
    QLabel* typeLabel() const { return typeLabel_; }
    QAbstractButton* typeSelectBut() const { return typeSelectBut_; }
    NamedImageView* openImageV() const { return openImageV_; }
    QWidget* makeSureView() const { return makeSureView_; }
    QWidget* formatView() const { return formatView_; }
    LoadingSpinner* loading() const { return loading_; }
    TextImageButton* okButton() const { return okButton_; }
    TextImageButton* noButton() const { return noButton_; }

private:
    void loadView();

    QPointer<QWidget> view_;
    QWidget* makeSureView_ = nullptr;
    QWidget* formatView_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* nodeLabel_ = nullptr;
    QLabel* workingLabel_ = nullptr;
    QLineEdit* nameTextFiled_ = nullptr;
    QLabel* typeLabel_ = nullptr;
    QAbstractButton* typeSelectBut_ = nullptr;
    NamedImageView* openImageV_ = nullptr;
    LoadingSpinner* loading_ = nullptr;
    TextImageButton* okButton_ = nullptr;
    TextImageButton* noButton_ = nullptr;
    DropDownHost* dropDown_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    MakeSureFormatVCDelegate* delegate_ = nullptr;
};
