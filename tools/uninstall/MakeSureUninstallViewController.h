#pragma once
// The confirmation before a removal: one group per chosen item (the item
// itself, then the related files found for it) as a two-level tree with tick
// boxes, "取消" and "卸载". "卸载" closes the dialog and, half a second later,
// hands the ticked items to a deletion executor and shows the progress
// dialog; the screen is told once every item has reported and the user has
// closed the progress dialog.

#include "AsMDeleteExecutor.h"
#include "ConfirmationTicks.h"
#include "UninstallProgressViewController.h"
#include "UninstallTally.h"

#include "toolkit/StatusAttachedWindow.h"

#include <QAbstractItemModel>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class CustemOutlineView;
class TextImageButton;

class MakeSureUninstallVCDelegate {
public:
    virtual ~MakeSureUninstallVCDelegate() = default;
    // The run has ended and its dialogs are closed: the screen updates its lists.
    virtual void completeCleanRelatedFiles() {}
};

// The tree over the groups: roots are groups, their children every member
// (the chosen item first). Columns by identifier: "CheckBox", "Name", "Size".
class ConfirmationTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { CheckBoxColumn, NameColumn, SizeColumn, ColumnCount };

    explicit ConfirmationTreeModel(const ConfirmationTicks& ticks, QObject* parent = nullptr);

    static QString identifier(int column);
    // The group of a group row, -1 for a member row.
    int groupOf(const QModelIndex& index) const;
    // The member of a member row, null for a group row.
    AMAppItemPtr memberOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The groups or ticks changed.
    void reloadData();
    // Ticks changed; the rows stay.
    void ticksChanged();

private:
    const ConfirmationTicks& ticks_;
};

class MakeSureUninstallViewController : public QObject,
                                        public AsMDeleteExecutorDelegate,
                                        public UninstallProgressDelegate {
    Q_OBJECT
public:
    static constexpr int kWidth = 600;
    static constexpr int kHeight = 440;
    static constexpr int kRemoveDelayMs = 500;

    // `groups` as the related-file search gave them.
    explicit MakeSureUninstallViewController(const QList<AMAppItemList>& groups, QObject* parent = nullptr);
    ~MakeSureUninstallViewController() override;

    QWidget* view() const { return view_; }

    // Not owned.
    void setDelegate(MakeSureUninstallVCDelegate* delegate) { delegate_ = delegate; }
    // The hosting window; the closing actions do nothing while it is unset.
    void setSuperDelegate(StatusAttachedWindow* window) { superDelegate_ = window; }
    // The window the progress dialog hangs under.
    void setMainWindow(QWidget* window) { mainWindow_ = window; }

    const QList<AMAppItemList>& allRelaltedFiles() const { return ticks_.groups(); }
    const ConfirmationTicks& ticks() const { return ticks_; }
    const AMAppItemList& selectDeletePath() const { return ticks_.selectDeletePath(); }
    // The items handed to the executor in the current run.
    const AMAppItemList& selectedRelatedFiles() const { return selectedRelatedFiles_; }
    const UninstallTally& tally() const { return tally_; }
    // "卸载" was pressed and the screen has not been told of the end yet.
    bool isRunning() const { return confirmed_; }
    // Items of the current run reported removed / failed.
    const AMAppItemList& removedItems() const { return removed_; }
    const AMAppItemList& failedItems() const { return failed_; }

    // --- the tree ---
    // A tick box was used in `index`'s row.
    void selectRemoveLanguage(const QModelIndex& index);
    // A double click: the row's item opens or closes.
    void openOrClose(const QModelIndex& index);
    AMAppItemPtr selectCell() const { return selectCell_; }

    // --- buttons ---
    void clickedDeleteBtn();
    void clickedCancelBtn();
    void closeWindow();

    // --- the run ---
    void doRemove();
    void showProgress();
    void deleteRelatedFile(const AMAppItemPtr& item) override;
    void deleteRelatedFileFail(const AMAppItemPtr& item) override;
    void uninstallEnd() override;

    // Tests: the wait before the run (0.5 s), and a look at the progress
    // dialog right before it runs.
    void setRemoveDelayMs(int ms) { removeDelayMs_ = ms; }
    void setProgressHook(std::function<void(UninstallProgressViewController*)> hook) { progressHook_ = std::move(hook); }

    CustemOutlineView* outlineView() const { return outlineView_; }
    ConfirmationTreeModel* treeModel() const { return model_; }
    TextImageButton* cancelButton() const { return cancelButton_; }
    TextImageButton* uninstallButton() const { return uninstallButton_; }
    UninstallProgressViewController* progressVC() const { return uninstallPVC_.get(); }
    AsMDeleteExecutor* deleteExecutor() const { return deleteExecutor_.get(); }

private:
    void loadView();
    void outcome(const AMAppItemPtr& item, bool removed);
    void finishIfDone();

    ConfirmationTicks ticks_;
    AMAppItemList selectedRelatedFiles_;
    AMAppItemList removed_;
    AMAppItemList failed_;
    AMAppItemPtr selectCell_;
    UninstallTally tally_;
    std::unique_ptr<AsMDeleteExecutor> deleteExecutor_;
    std::unique_ptr<UninstallProgressViewController> uninstallPVC_;
    bool confirmed_ = false;
    bool running_ = false;
    bool endAsked_ = false;
    int removeDelayMs_ = kRemoveDelayMs;
    std::function<void(UninstallProgressViewController*)> progressHook_;

    QPointer<QWidget> view_;
    CustemOutlineView* outlineView_ = nullptr;
    ConfirmationTreeModel* model_ = nullptr;
    TextImageButton* cancelButton_ = nullptr;
    TextImageButton* uninstallButton_ = nullptr;
    QPointer<StatusAttachedWindow> superDelegate_;
    QPointer<QWidget> mainWindow_;
    MakeSureUninstallVCDelegate* delegate_ = nullptr;
};
