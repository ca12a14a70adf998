#pragma once
// The App Uninstaller tab: one list at a time (applications, widgets or
// plug-ins) that the user searches, sorts and ticks, and removes either all
// ticked rows ("卸载") or one row (its trash icon) after the confirmation.
//
// The walks live in UninstallEngine, the rows, ticks and counters in
// UninstallList; this controller wires them to the views.

#include "CustemSegmentVC.h"
#include "CustemTextField.h"
#include "MakeSureUninstallViewController.h"
#include "UninstallEngine.h"
#include "UninstallList.h"

#include "toolkit/SortControl.h"
#include "toolkit/ToolScreen.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class CustomTableView;
class DropDownHost;
class NamedImageView;
class QLabel;
class SearchBgView;
class TCImageButton;
class TextImageButton;
class UninstallTableModel;

class UninstallViewController : public QObject,
                                public ToolScreen,
                                public UninstallEngine::Listener,
                                public CustemSegmentVCDelegate,
                                public CustemTextFieldDelegate,
                                public MakeSureUninstallVCDelegate {
    Q_OBJECT
public:
    // Builds the view and starts the first scan.
    explicit UninstallViewController(QObject* parent = nullptr);
    ~UninstallViewController() override;

    // --- ToolScreen ---
    QWidget* view() override { return view_; }
    // At quit: drops a related-file search on its way and waits for the
    // workers.
    bool stopRunningWork(int timeoutMs) override;

    // --- the engine's reports ---
    void applicationAdded(const AMAppItemPtr& item) override;
    void selectionCleared(int kind) override;
    void scanFinished() override;
    void refreshFinished(int kind) override;
    void sizeMeasured(const AMAppItemPtr& item) override;

    // --- kinds, search, sort ---
    void segmentSelectWithIndex(int kind) override;
    void beginToEnditForTextField() override;
    void controlTextDidChange();
    void controlTextDidEndEditing();
    void closeSearchButton();
    void tableViewDidClickTableColumn(int column);
    void sortButtonAction();
    void closeMattachedWindow();
    void mouseEixtView(bool exited);
    void selectSortbyType(int sortType, int sortAD);

    // --- ticks and counters ---
    void clickButtonAction(int row);
    void selectAllButtonAction();
    void changeSelectAllButtonState();
    void refButtonAction();
    // A row was chosen (or -1: none).
    void shouldSelectRow(int row);

    // --- removal ---
    // Both find the groups on a worker; the confirmation opens when they
    // arrive (engine().isSearching() meanwhile).
    void uninstallAppButtonAction();
    void oneAppRemove(int row);
    void showSelectListWindiwWith(const QList<AMAppItemList>& groups);
    void completeCleanRelatedFiles() override;
    // A confirmation's run is still reporting.
    bool removalPending() const;

    // Tests: called with each confirmation right before it runs.
    void setConfirmationHook(std::function<void(MakeSureUninstallViewController*)> hook)
    {
        confirmationHook_ = std::move(hook);
    }

    UninstallEngine& engine() { return engine_; }
    const UninstallList& list() const { return list_; }
    int appsType() const { return list_.appsType(); }
    int selectRow() const { return selectRow_; }
    bool isUninsatllOne() const { return isUninsatllOne_; }
    int sortType() const { return sortControl_->sortType(); }
    int sortAD() const { return sortControl_->sortAD(); }
    int sortColumn() const { return aTableColumn_; }
    MakeSureUninstallViewController* makeSureUninstallVC() const { return makeSureUninstallVC_.get(); }
    FileEraserSortVC* fileEraserSortVC() const;
    DropDownHost* sortDropDown() const { return sortControl_->dropDown(); }

    // --- outlets ---
    CustomTableView* listViewTabel() const { return listViewTabel_; }
    UninstallTableModel* tableModel() const { return model_; }
    CustemTextField* searchTextFiled() const { return searchTextFiled_; }
    SearchBgView* searchBg() const { return searchBg_; }
    TCImageButton* closeSearchButtonView() const { return closeSearchButton_; }
    TCImageButton* sortButton() const { return sortControl_->button(); }
    QLabel* sortTitleLabel() const { return sortControl_->titleLabel(); }
    NamedImageView* searchBarIcon() const { return searchBarIcon_; }
    TextImageButton* refButton() const { return refButton_; }
    TextImageButton* uninstallButton() const { return uninstallButton_; }
    TextImageButton* selectAllBut() const { return selectAllBut_; }
    CustemSegmentVC* typeSegment() const { return typeSegment_.get(); }
    QLabel* selectCountLabel() const { return selectCountLabel_; }

private:
    void loadView();
    void setupTopBar();
    void setupTable();
    void setupBottomBar();
    void reloadTable();
    void retitleHeader();
    void applySortIndicator();
    void scanStarted();
    void findGroupsAndConfirm(const AMAppItemList& items);
    QWidget* mainWindow() const;

    UninstallEngine engine_;
    UninstallList list_;
    int selectRow_ = 0;
    bool isUninsatllOne_ = false;
    int aTableColumn_ = -1;
    bool sortIndicatorAscending_ = false;
    // What the confirmation that runs now was opened for.
    AMAppItemList handledItems_;
    int handledKind_ = 0;
    std::unique_ptr<MakeSureUninstallViewController> makeSureUninstallVC_;
    std::function<void(MakeSureUninstallViewController*)> confirmationHook_;
    SortControl* sortControl_ = nullptr;

    QPointer<QWidget> view_;
    std::unique_ptr<CustemSegmentVC> typeSegment_;
    CustomTableView* listViewTabel_ = nullptr;
    UninstallTableModel* model_ = nullptr;
    SearchBgView* searchBg_ = nullptr;
    CustemTextField* searchTextFiled_ = nullptr;
    TCImageButton* closeSearchButton_ = nullptr;
    NamedImageView* searchBarIcon_ = nullptr;
    TextImageButton* refButton_ = nullptr;
    TextImageButton* uninstallButton_ = nullptr;
    TextImageButton* selectAllBut_ = nullptr;
    QLabel* selectCountLabel_ = nullptr;
};
