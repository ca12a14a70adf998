#pragma once
// The tool area behind the Wipe Volume and Wipe Free Space tabs, in two
// modes. Its panes: the volume list with the Wipe button, the progress pane of
// each mode with its step indicator, clock and cancel button, the success and
// failure panes; the erase history and the pass-count panel slide over them
// from the right.
//
// The scan and the choice of a row live in WipeVolumeScanner and
// WipeVolumeList, the run in WipeDiskRun; this controller wires them to the
// views. Main thread only.

#include "WipeConfirmations.h"
#include "WipeDiskPanes.h"
#include "WipeDiskRun.h"
#include "WipeVolumeScan.h"

#include "platform/NotificationCenter.h"
#include "tools/erasepanels/HistoryViewController.h"
#include "tools/erasepanels/SetEraserLevelVC.h"
#include "toolkit/ToolScreen.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <functional>
#include <memory>

class CustomTableView;
class LoadingSpinner;
class StepProgressViewVC;
class WipeVolumeTableModel;

class WipeDiskViewController : public QObject,
                               public WipeDiskToolScreen,
                               public HistoryVCDelegate,
                               public SetEraserLevelVCDelegate,
                               public MakeSureWipeDiskVCDelegate,
                               public MakeSureWipeFreeSpaceVCDelegate {
    Q_OBJECT
public:
    // `fill` null: the real free-space fill.
    explicit WipeDiskViewController(std::unique_ptr<WipeFill> fill = nullptr, QObject* parent = nullptr);
    ~WipeDiskViewController() override;

    // --- WipeDiskToolScreen ---
    QWidget* view() override { return view_; }
    void setSuperDelegate(MainWindowHost* host) override { superDelegate_ = host; }
    MainWindowHost* superDelegate() const { return superDelegate_; }
    bool stopRunningWork(int timeoutMs) override;
    void loadBaseView() override;
    void changeFormatOrFreeSpaceView(int tag) override;
    void getallVolumes() override;
    void endAppRemoveFolder() override;

    int selectEraserType() const { return selectEraserType_; }

    // --- the list ---
    const WipeVolumeList& volumeList() const { return list_; }
    VolumeObjPtr selectVolumeObj() const { return list_.selectVolumeObj(); }
    // The table asks to select a row (a click on the row).
    bool tableViewShouldSelectRow(int row);
    // A row's radio button was clicked (-1: no row clicked).
    void selectVolumeButton(int clickedRow);
    WipeVolumeScanner& scanner() { return scanner_; }

    // --- the run ---
    void wipeButtonAction();
    void doEraserPartiltion();
    void doFreeAction();
    void showNTFSWindow();
    void showSystemEraserWindow();
    void makeSureToWipeSelectVolume() override;
    void makeSureToWipeFreeSpaceSelectVolume() override;
    void cancelWipeDiskButtonAction();
    void cancelWipeFreeSpaceButtonAction();
    void sussEndBackToMainView();
    void failEndBackToMainView();
    WipeDiskRun& run() { return run_; }

    // --- side panels and links ---
    void setButtonAction();
    void closeSetEraserLevelView() override;
    void historyButtonAction();
    void closeHistoryView() override;
    void changeHistoryButtonState();
    void aboutButtonAction();
    void getmoreButton();
    HistoryViewController* historyVC() const { return historyVC_.get(); }
    SetEraserLevelVC* setEraserLevelVC() const { return setEraserLevelVC_.get(); }

    // Opens addresses; tests watch what would be opened.
    void setUrlOpener(std::function<void(const QUrl&)> opener) { openUrl_ = std::move(opener); }

    // --- outlets ---
    QWidget* mainView() const { return mainView_; }
    QWidget* wipeHardNodeView() const { return wipeHardNodeView_; }
    QWidget* wipeFreeSpaceNodeView() const { return wipeFreeSpaceNodeView_; }
    const WipeProgressPane& wipeDiskProgress() const { return diskPane_; }
    const WipeProgressPane& wipeFreeSpaceProgressView() const { return freePane_; }
    const WipeEndPane& wipeSussView() const { return sussPane_; }
    const WipeEndPane& wipeFailView() const { return failPane_; }
    QWidget* setEraserLevelView() const { return setEraserLevelView_; }
    QWidget* historyView() const { return historyView_; }
    CustomTableView* parTableView() const { return parTableView_; }
    TextImageButton* wipeButton() const { return wipeButton_; }
    TCImageButton* historyButton() const { return historyButton_; }
    TCImageButton* setButton() const { return setButton_; }
    TCImageButton* aboutButton() const { return aboutButton_; }
    QWidget* loadPro() const;
    StepProgressViewVC* stepProVC() const { return stepProVC_.get(); }

protected:
    // The relay of the system's mounts and unmounts the screen holds, the
    // one all screens share; tests that must not hear the machine's own
    // mounts take none.
    virtual std::shared_ptr<QObject> makeMountRelay();

private:
    void loadView();
    void setupMainView();
    void setupToolbar();
    void connectRun();
    void reloadTable();
    void replaceStepIndicator(const WipeProgressPane& pane, int mode);
    void fillRunLabels(const WipeProgressPane& pane);
    void showEndEraser(bool success, bool cancelled);
    void endBackToMainView(QWidget* pane);
    void setEndView(bool hidden);
    void runModalDialog(QWidget* view, const std::function<void(StatusAttachedWindow*)>& bind);
    void openUrl(const QUrl& url);
    const WipeProgressPane& paneOf(int mode) const { return mode == wiperun::kWipeVolume ? diskPane_ : freePane_; }
    QWidget* mainWindow() const;

    WipeVolumeList list_;
    WipeVolumeScanner scanner_;
    WipeDiskRun run_;
    int selectEraserType_ = wiperun::kWipeVolume;
    MainWindowHost* superDelegate_ = nullptr;
    std::shared_ptr<QObject> watchMu_;
    QList<platform::NotificationCenter::Token> observers_;
    bool loaded_ = false;

    std::unique_ptr<MakeSureWipeDiskViewController> makeSureWipeDiskVC_;
    std::unique_ptr<StepProgressViewVC> stepProVC_;
    std::unique_ptr<HistoryViewController> historyVC_;
    std::unique_ptr<SetEraserLevelVC> setEraserLevelVC_;
    std::function<void(const QUrl&)> openUrl_;

    QPointer<QWidget> view_;
    QWidget* mainView_ = nullptr;
    QWidget* wipeHardNodeView_ = nullptr;
    QWidget* wipeFreeSpaceNodeView_ = nullptr;
    WipeProgressPane diskPane_;
    WipeProgressPane freePane_;
    WipeEndPane sussPane_;
    WipeEndPane failPane_;
    QWidget* setEraserLevelView_ = nullptr;
    QWidget* historyView_ = nullptr;
    QWidget* toolbar_ = nullptr;
    CustomTableView* parTableView_ = nullptr;
    WipeVolumeTableModel* model_ = nullptr;
    LoadingSpinner* loadPro_ = nullptr;
    TextImageButton* wipeButton_ = nullptr;
    TCImageButton* historyButton_ = nullptr;
    TCImageButton* setButton_ = nullptr;
    TCImageButton* aboutButton_ = nullptr;
};
