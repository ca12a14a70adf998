#pragma once
// The confirmation before an erase run, shared by the File Eraser and the disk
// wipe: a title, an explanation, the chosen erasure standard (which the user
// may change through the standards drop-down), "继续" and "取消". Each tool's
// confirmation says its own texts and tells its own delegate of "继续".

#include "FormatLTypeViewController.h"

#include "toolkit/StatusAttachedWindow.h"

#include <QAbstractButton>
#include <QObject>
#include <QPointF>
#include <QPointer>

class DropDownHost;
class QLabel;
class TextImageButton;

// The box that shows the chosen standard and opens the drop-down.
class StandardMenuButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit StandardMenuButton(QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class StandardConfirmViewController : public QObject, public FormatLTypeVCDelegate {
    Q_OBJECT
public:
    // `menuAnchor`: where the drop-down hangs from, measured from the dialog
    // view's origin (bottom-left).
    StandardConfirmViewController(const QString& title, const QString& message, const QPointF& menuAnchor,
                                  QObject* parent = nullptr);
    ~StandardConfirmViewController() override;

    QWidget* view() const;

    // The hosting window; the closing actions do nothing while it is unset.
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    StatusAttachedWindow* superDelegate() const { return superDelegate_; }

    // Shows the label of the standard whose index text is `text` ("0" … "7");
    // any other text shows the first standard's.
    void setLevelStr(const QString& text);

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

protected:
    // "继续" was pressed; the dialog closes right after.
    virtual void confirmed() {}

private:
    void loadView(const QString& title, const QString& message);

    QPointF menuAnchor_;
    QPointer<QWidget> view_;
    TextImageButton* okButton_ = nullptr;
    TextImageButton* noButton_ = nullptr;
    QLabel* formatTypeText_ = nullptr;
    StandardMenuButton* menuButton_ = nullptr;
    DropDownHost* dropDown_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
};
