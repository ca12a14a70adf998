#pragma once
// The confirmation before an erase run: the chosen erasure standard, which
// the user may change through the standards drop-down, "继续" and "取消".

#include "tools/erasepanels/FormatLTypeViewController.h"

#include <QAbstractButton>
#include <QObject>
#include <QPointer>

#include "toolkit/StatusAttachedWindow.h"

class DropDownHost;
class QLabel;
class TextImageButton;

class MakeSureFileEraserVCDelegate {
public:
    virtual ~MakeSureFileEraserVCDelegate() = default;
    // The user confirmed.
    virtual void makeSureToEraserSelectFiles() {}
};

// The box that shows the chosen standard and opens the drop-down.
class StandardMenuButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StandardMenuButton(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class MakeSureFileEraserViewControoler : public QObject, public FormatLTypeVCDelegate {
    Q_OBJECT
public:
    explicit MakeSureFileEraserViewControoler(QObject* parent = nullptr);
    ~MakeSureFileEraserViewControoler() override;

    QWidget* view() const;

    void setDelegate(MakeSureFileEraserVCDelegate* delegate) { delegate_ = delegate; }
    // The hosting window; the closing actions do nothing while it is unset.
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    // Opens the standards drop-down unless it is open already.
    void openMenuAction();
    void closeMattachedWindow();
    bool isPopSortWin() const;
    FormatLTypeViewController* formatTypeVC() const;
    QWidget* sortAttachedWindow() const;

    // FormatLTypeVCDelegate
    void selectFormatbyType(int index) override;
    void mouseEixtView(bool exited) override;

    void okButtonAction();
    void noButtonAction();
    void closeWindow();

    TextImageButton* okButton() const { return okButton_; }
    TextImageButton* noButton() const { return noButton_; }
    QLabel* formatTypeText() const { return formatTypeText_; }
    StandardMenuButton* menuButton() const { return menuButton_; }

private:
    void loadView();

    QPointer<QWidget> view_;
    TextImageButton* okButton_ = nullptr;
    TextImageButton* noButton_ = nullptr;
    QLabel* formatTypeText_ = nullptr;
    StandardMenuButton* menuButton_ = nullptr;
    DropDownHost* dropDown_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    MakeSureFileEraserVCDelegate* delegate_ = nullptr;
};
