#pragma once
// The File Eraser tab. Its panes: the empty state with the drop area and
// "添加", the list of chosen files and folders, the progress of a run, the
// success and failure panes; the erase history and the pass-count panel
// slide over them from the right.
//
// The list, the flattening and the end-of-run rules live in FileEraserList
// and FileEraserRun; this controller wires them to the views: the list pane
// in FileEraserViewController.cpp, the run's panes in FileEraserRunPanes.cpp,
// the toolbar and side panels in FileEraserSidePanels.cpp.

#include "FileEraserList.h"
#include "FileEraserRun.h"
#include "toolkit/SortControl.h"
#include "tools/erasepanels/HistoryViewController.h"
#include "MakeSureFileEraserViewControoler.h"
#include "tools/erasepanels/SetEraserLevelVC.h"

#include "toolkit/CustomTableView.h"
#include "toolkit/DragView.h"
#include "toolkit/ToolScreen.h"

#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <functional>
#include <memory>

class DropDownHost;
class EndBgView;
class FileEraserTableModel;
class FilePickerPanel;
class ITProgressBar;
class NamedImageView;

class TCImageButton;
class TextIconImageBtton;
class TextImageButton;

class FileEraserViewController : public QObject,
                                 public ToolScreen,
                                 public DragViewDelegate,
                                 public CustomTableViewDelegate,
                                 public HistoryVCDelegate,
                                 public SetEraserLevelVCDelegate,
                                 public MakeSureFileEraserVCDelegate {
    Q_OBJECT
public:
    explicit FileEraserViewController(QObject* parent = nullptr);
    ~FileEraserViewController() override;

    // --- ToolScreen ---
    QWidget* view() override { return view_; }
    void setSuperDelegate(MainWindowHost* host) override { superDelegate_ = host; }
    MainWindowHost* superDelegate() const { return superDelegate_; }
    bool stopRunningWork(int timeoutMs) override;

    // --- adding ---
    // Opens the picker; what it returns with "添加" is added.
    void selectFileButtonAction() override;
    // Both drop areas hand their paths here.
    void viewDragAction(const QStringList& paths) override;
    // Adds chosen or dropped paths and refreshes the screen.
    void addChosenPaths(const QStringList& paths);
    // Whether a path lies on NTFS (refused with the notice).
    bool isOnNtfs(const QString& path) const;
    void showNTFSWindow();
    FileObjPtr buildFileObj(const QString& path, bool isDir) const;
    static QString byteToSizeWithByte(quint64 bytes) { return FileEraserList::byteToSizeWithByte(bytes); }

    // --- the list ---
    const FileEraserList& valueArr() const { return list_; }
    int returnSelectAllState();
    void changeSelectAllButtonState();
    void setAllSelectOrNoSelect();
    void selectListButton(int row);
    void emptyListButtonAction();
    void backButtonAction();
    void reloadTable();

    // Right click on the list.
    void listRightMouseDown(QMouseEvent* event) override;
    void openFinderWhenClickItems(const FileObjPtr& item);
    void showInFinderWhenClickItems(const FileObjPtr& item);
    // The "search" cell: reveals the selected row's item.
    void openFileButton();
    QMenu* contextMenu() const { return menu_; }

    // --- sorting ---
    void sortButtonAction();
    void closeMattachedWindow();
    void mouseEixtView(bool exited);
    void selectSortbyType(int sortType, int sortAD);
    int sortType() const { return sortControl_->sortType(); }
    int sortAD() const { return sortControl_->sortAD(); }
    DropDownHost* sortDropDown() const { return sortControl_->dropDown(); }
    FileEraserSortVC* fileEraserSortVC() const;

    // --- side panels ---
    void historyButtonAction();
    void closeHistoryView() override;
    void setButtonAction();
    void closeSetEraserLevelView() override;
    void changeHistoryButtonState();
    void aboutButtonAction();
    HistoryViewController* historyVC() const { return historyVC_.get(); }
    SetEraserLevelVC* setEraserLevelVC() const { return setEraserLevelVC_.get(); }

    // --- the run ---
    void eraserNowButtonAction();
    void makeSureToEraserSelectFiles() override;
    void doEraserSelectFiles();
    void beginRemove();
    void cancelEraserButtonAction();
    void showEndView(const FileObjList& doneList);
    void failEndBackToMainView();
    void sussEndBackToMainView();
    FileEraserRun& run() { return run_; }
    const FileObjList& deleteErrorArr() const { return deleteErrorArr_; }

    // --- where the outside world is reached; tests replace these ---
    void setNtfsTest(std::function<bool(const QString&)> test) { ntfsTest_ = std::move(test); }
    void setFileOpener(std::function<bool(const QString&)> opener) { openFile_ = std::move(opener); }
    void setFileRevealer(std::function<bool(const QString&)> revealer) { revealFile_ = std::move(revealer); }
    void setUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }
    // Called with the picker right before it runs (tests drive it from here).
    void setPickerHook(std::function<void(FilePickerPanel*)> hook) { pickerHook_ = std::move(hook); }
    QRect rectNew() const { return rectNew_; }

    // --- outlets ---
    QWidget* mainView() const { return mainView_; }
    QWidget* listView() const { return listView_; }
    QWidget* progressView() const { return progressView_; }
    EndBgView* sussView() const { return sussView_; }
    EndBgView* failView() const { return failView_; }
    QWidget* historyView() const { return historyView_; }
    QWidget* setEraserLevelView() const { return setEraserLevelView_; }
    DragView* drayView() const { return drayView_; }
    DragView* listDragView() const { return listDragView_; }
    CustomTableView* valueTableView() const { return valueTableView_; }
    FileEraserTableModel* tableModel() const { return model_; }
    TextImageButton* mainAddButton() const { return mainAddButton_; }
    TextImageButton* emptyButton() const { return emptyButton_; }
    TextIconImageBtton* listAddButton() const { return listAddButton_; }
    TCImageButton* sortButton() const { return sortControl_->button(); }
    QLabel* sortTitleLabel() const { return sortControl_->titleLabel(); }
    TextImageButton* eraserFileButton() const { return eraserFileButton_; }
    TextImageButton* selectAllButton() const { return selectAllButton_; }
    QLabel* selectCountLabel() const { return selectCountLabel_; }
    TCImageButton* backButton() const { return backButton_; }
    TCImageButton* historyButton() const { return historyButton_; }
    TCImageButton* setButton() const { return setButton_; }
    TCImageButton* aboutButton() const { return aboutButton_; }
    TextImageButton* cancelEraserButton() const { return cancelEraserButton_; }
    QLabel* usedTimeLabel() const { return usedTimeLabel_; }
    QLabel* eraserPathLabel() const { return eraserPathLabel_; }
    QLabel* eraserTypeLabel() const { return eraserTypeLabel_; }
    QLabel* eraserRoundLabel() const { return eraserRoundLabel_; }
    QLabel* bigFileNode() const { return bigFileNode_; }
    QLabel* startLabel() const { return startLabel_; }
    QLabel* failNode() const { return failNode_; }
    ITProgressBar* progressBar() const { return progressBar_; }
    NamedImageView* progressImageView() const { return progressImageView_; }
    TCImageButton* sussViewBackBut() const { return sussViewBackBut_; }
    TextImageButton* sussViewOkBut() const { return sussViewOkBut_; }
    TCImageButton* failViewBackBut() const { return failViewBackBut_; }
    TextImageButton* failViewOkBut() const { return failViewOkBut_; }

private:
    void loadView();
    void setupMainView();
    void setupListView();
    void setupToolbar();
    void setupProgressView();
    void setupEndViews();
    void refreshAfterAdd();
    void showAlert(const QString& message);
    void endBackToMainView(QWidget* pane);
    void updateCountLabel(const FileEraserList::CountText& text);
    QWidget* mainWindow() const;

    FileEraserList list_;
    FileObjList deleteErrorArr_;
    int aSelectAllState_ = 0;
    QRect rectNew_;
    QString newPathStr_;
    MainWindowHost* superDelegate_ = nullptr;

    FileEraserRun run_;
    // "取消" came before the run started (the pane was still sliding in).
    bool cancelPending_ = false;
    // The standard confirmed with "继续": the run to come goes by it.
    ErasureRunStandard runStandard_;
    std::unique_ptr<HistoryViewController> historyVC_;
    std::unique_ptr<SetEraserLevelVC> setEraserLevelVC_;
    QPointer<QMenu> menu_;

    std::function<bool(const QString&)> ntfsTest_;
    std::function<bool(const QString&)> openFile_;
    std::function<bool(const QString&)> revealFile_;
    std::function<void(const QUrl&)> openUrl_;
    std::function<void(FilePickerPanel*)> pickerHook_;

    QPointer<QWidget> view_;
    QWidget* mainView_ = nullptr;
    QWidget* listView_ = nullptr;
    QWidget* toolbar_ = nullptr;
    QWidget* progressView_ = nullptr;
    EndBgView* sussView_ = nullptr;
    EndBgView* failView_ = nullptr;
    QWidget* historyView_ = nullptr;
    QWidget* setEraserLevelView_ = nullptr;
    DragView* drayView_ = nullptr;
    DragView* listDragView_ = nullptr;
    CustomTableView* valueTableView_ = nullptr;
    FileEraserTableModel* model_ = nullptr;
    TextImageButton* mainAddButton_ = nullptr;
    TextImageButton* emptyButton_ = nullptr;
    TextIconImageBtton* listAddButton_ = nullptr;
    SortControl* sortControl_ = nullptr;
    TextImageButton* eraserFileButton_ = nullptr;
    TextImageButton* selectAllButton_ = nullptr;
    QLabel* selectCountLabel_ = nullptr;
    TCImageButton* backButton_ = nullptr;
    TCImageButton* historyButton_ = nullptr;
    TCImageButton* setButton_ = nullptr;
    TCImageButton* aboutButton_ = nullptr;
    TextImageButton* cancelEraserButton_ = nullptr;
    QLabel* usedTimeLabel_ = nullptr;
    QLabel* eraserPathLabel_ = nullptr;
    QLabel* eraserTypeLabel_ = nullptr;
    QLabel* eraserRoundLabel_ = nullptr;
    QLabel* bigFileNode_ = nullptr;
    QLabel* startLabel_ = nullptr;
    QLabel* failNode_ = nullptr;
    ITProgressBar* progressBar_ = nullptr;
    NamedImageView* progressImageView_ = nullptr;
    TCImageButton* sussViewBackBut_ = nullptr;
    TextImageButton* sussViewOkBut_ = nullptr;
    TCImageButton* failViewBackBut_ = nullptr;
    TextImageButton* failViewOkBut_ = nullptr;
};
