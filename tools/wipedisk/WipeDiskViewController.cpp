#include "WipeDiskViewController.h"

#include "WipeVolumeTable.h"

#include "core/EULinkUrl.h"
#include "core/WatchMountUnmount.h"
#include "platform/Log.h"
#include "platform/gui/Workspace.h"
#include "tools/erasepanels/NTFSViewController.h"
#include "tools/erasepanels/PanelHosting.h"
#include "toolkit/LoadingSpinner.h"
#include "toolkit/Animation.h"
#include "toolkit/CustomTableView.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/RFOverlayScrollView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/StepProgressViewVC.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QLabel>

using toolkit::kToolHeight;
using toolkit::kToolWidth;

namespace {

const QStringList kMainSkin{QStringLiteral("btn_main"), QStringLiteral("btn_main_press"), QStringLiteral("btn_main_press"),
                            QStringLiteral("btn_main_disable")};

} // namespace

WipeDiskViewController::WipeDiskViewController(std::unique_ptr<WipeFill> fill, QObject* parent)
    : QObject(parent), run_(std::move(fill))
{
    loadView();
    connectRun();
    connect(&scanner_, &WipeVolumeScanner::scanStarted, this, [this] {
        // The rows on screen stay, and stay to be clicked, until the new ones
        // come: on a machine that mounts often the list would otherwise be
        // empty whenever the user reaches for it. Nothing is wiped until the
        // scan tells what is there.
        loadPro_->startAnimation();
        wipeButton_->setButtonEnabled(false);
    });
    connect(&scanner_, &WipeVolumeScanner::scanFinished, this, [this](const QList<VolumeObjPtr>& volumes) {
        loadPro_->stopAnimation();
        list_.setAllVolumeArr(volumes);
        if (!run_.isBegin()) {
            // The choice stays with the volume, also one chosen while the
            // scan ran, not with its row.
            wipeButton_->setButtonEnabled(list_.retakeChoice());
            parTableView_->setRowNum(list_.selectIndex());
        }
        reloadTable();
    });
}

WipeDiskViewController::~WipeDiskViewController()
{
    for (const auto token : std::as_const(observers_))
        platform::NotificationCenter::defaultCenter().removeObserver(token);
    makeSureWipeDiskVC_.reset();
    historyVC_.reset();
    setEraserLevelVC_.reset();
    stepProVC_.reset();
    delete view_.data();
}

QWidget* WipeDiskViewController::mainWindow() const
{
    return view_ ? view_->window() : nullptr;
}

QWidget* WipeDiskViewController::loadPro() const
{
    return loadPro_;
}

// ---------------------------------------------------------------- set-up

void WipeDiskViewController::loadView()
{
    view_ = new RightBgView;
    view_->resize(kToolWidth, kToolHeight);
    setupMainView();

    diskPane_ = wipepanes::buildProgressPane(view_, wiperun::kWipeVolume);
    freePane_ = wipepanes::buildProgressPane(view_, wiperun::kWipeFreeSpace);
    connect(diskPane_.cancelButton, &QAbstractButton::clicked, this, &WipeDiskViewController::cancelWipeDiskButtonAction);
    connect(freePane_.cancelButton, &QAbstractButton::clicked, this,
            &WipeDiskViewController::cancelWipeFreeSpaceButtonAction);

    sussPane_ = wipepanes::buildEndPane(view_, true);
    failPane_ = wipepanes::buildEndPane(view_, false);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(sussPane_.backButton), static_cast<QAbstractButton*>(sussPane_.okButton)})
        connect(b, &QAbstractButton::clicked, this, &WipeDiskViewController::sussEndBackToMainView);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(failPane_.backButton), static_cast<QAbstractButton*>(failPane_.okButton)})
        connect(b, &QAbstractButton::clicked, this, &WipeDiskViewController::failEndBackToMainView);

    setupToolbar();
    setEraserLevelView_ = new RightBgView(view_);
    setEraserLevelView_->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    setEraserLevelView_->hide();
    historyView_ = new RightBgView(view_);
    historyView_->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    historyView_->hide();
    changeHistoryButtonState();
}

void WipeDiskViewController::setupMainView()
{
    mainView_ = new RightBgView(view_);
    mainView_->setGeometry(0, 0, kToolWidth, kToolHeight);
    wipeHardNodeView_ = wipepanes::buildNodeView(mainView_, wiperun::kWipeVolume, {});
    wipeFreeSpaceNodeView_ = wipepanes::buildNodeView(mainView_, wiperun::kWipeFreeSpace, [this] { getmoreButton(); });
    wipeFreeSpaceNodeView_->hide();

    auto* scroller = new RFOverlayScrollView(QRect(0, 112, kToolWidth, 360), mainView_);
    parTableView_ = new CustomTableView;
    model_ = new WipeVolumeTableModel(list_, this);
    // A click on a row's radio button chooses the row as a click on the row does.
    installWipeVolumeCells(parTableView_, model_, list_, [this](int row) {
        tableViewShouldSelectRow(row);
        selectVolumeButton(row);
    });
    connect(parTableView_, &QAbstractItemView::pressed, this, [this](const QModelIndex& index) {
        if (index.column() != WipeVolumeTableModel::CheckBoxColumn)
            tableViewShouldSelectRow(index.row());
    });
    scroller->setDocumentView(parTableView_);

    loadPro_ = new LoadingSpinner(mainView_);
    loadPro_->setGeometry((kToolWidth - 40) / 2, 112 + 160, 40, 40);

    wipeButton_ = toolkit::makeTextButton(mainView_, QRect((kToolWidth - 180) / 2, 500, 180, 46), kMainSkin,
                                          QStringLiteral("立即擦除"), 16);
    wipeButton_->setButtonEnabled(false);
    connect(wipeButton_, &QAbstractButton::clicked, this, &WipeDiskViewController::wipeButtonAction);
}

void WipeDiskViewController::setupToolbar()
{
    const erasepanels::EraseToolbar bar = erasepanels::buildEraseToolbar(view_);
    toolbar_ = bar.bar;
    historyButton_ = bar.historyButton;
    setButton_ = bar.setButton;
    aboutButton_ = bar.aboutButton;
    connect(historyButton_, &QAbstractButton::clicked, this, &WipeDiskViewController::historyButtonAction);
    connect(setButton_, &QAbstractButton::clicked, this, &WipeDiskViewController::setButtonAction);
    connect(aboutButton_, &QAbstractButton::clicked, this, &WipeDiskViewController::aboutButtonAction);
}

void WipeDiskViewController::connectRun()
{
    connect(&run_, &WipeDiskRun::stepChanged, this, [this](int step) {
        if (stepProVC_)
            stepProVC_->runProgressStep(step);
    });
    connect(&run_, &WipeDiskRun::elapsedChanged, this,
            [this](const QString& text) { paneOf(run_.selectEraserType()).clockLabel->setText(text); });
    connect(&run_, &WipeDiskRun::wipeDiskCancelEnabled, this, [this] { diskPane_.cancelButton->setButtonEnabled(true); });
    connect(&run_, &WipeDiskRun::roundChanged, this, [this](int mode, double bar, const QString& text, bool animated) {
        const WipeProgressPane& p = paneOf(mode);
        p.roundLabel->setText(text);
        if (animated)
            p.bar->animateFloatValue(bar);
        else
            p.bar->setFloatValue(bar);
    });
    connect(&run_, &WipeDiskRun::tabsLocked, this, [this](bool locked) {
        if (superDelegate_)
            superDelegate_->canChangeType(!locked);
    });
    connect(&run_, &WipeDiskRun::rescanRequested, this, &WipeDiskViewController::getallVolumes);
    connect(&run_, &WipeDiskRun::runEnded, this, &WipeDiskViewController::showEndEraser);
}

void WipeDiskViewController::loadBaseView()
{
    if (loaded_)
        return;
    loaded_ = true;
    list_.clear();
    getallVolumes();
    changeHistoryButtonState();
    watchMu_ = makeMountRelay();
    // The screen follows mounts and unmounts for its whole life, runs included.
    auto& center = platform::NotificationCenter::defaultCenter();
    const QPointer<WipeDiskViewController> self(this);
    for (const QString& name : {MCVolumeMountNotification, MCVolumeUnmountNotification})
        observers_ << center.addObserver(name, [self](const platform::Notification&) {
            if (self)
                self->getallVolumes();
        });
}

std::shared_ptr<QObject> WipeDiskViewController::makeMountRelay()
{
    return WatchMountUnmount::shared();
}

void WipeDiskViewController::changeFormatOrFreeSpaceView(int tag)
{
    selectEraserType_ = tag == 1 ? wiperun::kWipeVolume : wiperun::kWipeFreeSpace;
    run_.setSelectEraserType(selectEraserType_);
    wipeHardNodeView_->setVisible(selectEraserType_ == wiperun::kWipeVolume);
    wipeFreeSpaceNodeView_->setVisible(selectEraserType_ == wiperun::kWipeFreeSpace);
    mainView_->show();
    for (QWidget* pane : {failPane_.pane, sussPane_.pane, historyView_, setEraserLevelView_})
        if (pane->isVisible())
            toolkit::slideOut(pane);
}

void WipeDiskViewController::getallVolumes()
{
    scanner_.getallVolumes();
}

void WipeDiskViewController::endAppRemoveFolder()
{
    run_.endAppRemoveFolder();
}

bool WipeDiskViewController::stopRunningWork(int timeoutMs)
{
    return run_.stopRunningWork(timeoutMs);
}

// ---------------------------------------------------------------- the list

void WipeDiskViewController::reloadTable()
{
    model_->reloadData();
    parTableView_->viewport()->update();
}

bool WipeDiskViewController::tableViewShouldSelectRow(int row)
{
    parTableView_->setRowNum(row);
    // During a scan the row is chosen all the same; the scan's end finds its
    // volume again and only then allows the wipe.
    wipeButton_->setButtonEnabled(list_.shouldSelectRow(row) && !scanner_.isScanV());
    reloadTable();
    return true;
}

void WipeDiskViewController::selectVolumeButton(int clickedRow)
{
    const bool enabled = list_.selectVolumeButton(clickedRow) && !scanner_.isScanV();
    wipeButton_->setButtonEnabled(enabled);
    if (clickedRow >= 0) {
        parTableView_->setRowNum(clickedRow);
        reloadTable();
    }
}

// ---------------------------------------------------------------- the run

void WipeDiskViewController::runModalDialog(QWidget* view, const std::function<void(StatusAttachedWindow*)>& bind)
{
    // Attached under the main window's horizontal centre, 3 points to the left.
    toolkit::runDialog(view, mainWindow(), bind, -3);
}

void WipeDiskViewController::wipeButtonAction()
{
    // Only a volume the last scan lists, and none while a scan runs: the rows
    // on screen then are an earlier scan's, and may name a device that went.
    const VolumeObjPtr v = list_.selectVolumeObj();
    if (!v || !list_.isChoiceListed() || scanner_.isScanV() || run_.isRunning())
        return;
    if (selectEraserType_ == wiperun::kWipeVolume) {
        if (v->volumeMountPoint() == QLatin1String("/"))
            showSystemEraserWindow();
        else
            doEraserPartiltion();
        return;
    }
    if (selectEraserType_ == wiperun::kWipeFreeSpace) {
        if (v->volumeType().contains(QLatin1String("ntfs")) || v->volumeType().contains(QLatin1String("NTFS")))
            showNTFSWindow();
        else
            doFreeAction();
        return;
    }
    platform::log(QStringLiteral("no select type"));
}

void WipeDiskViewController::showSystemEraserWindow()
{
    SystemEraserViewController notice;
    notice.setUrlOpener([this](const QUrl& url) { openUrl(url); });
    runModalDialog(notice.view(), [&notice](StatusAttachedWindow* w) { notice.setSuperDelegate(w); });
}

void WipeDiskViewController::showNTFSWindow()
{
    NTFSViewController notice;
    notice.setUrlOpener([this](const QUrl& url) { openUrl(url); });
    runModalDialog(notice.view(), [&notice](StatusAttachedWindow* w) { notice.setSuperDelegate(w); });
}

void WipeDiskViewController::doEraserPartiltion()
{
    // The run takes the volume chosen now: a mount or unmount while the
    // confirmation is open rescans the list, and what the list holds then is
    // no say in what "继续" wipes.
    const VolumeObjPtr v = list_.selectVolumeObj();
    if (!v || run_.isRunning())
        return;
    run_.setSelectVolumeObj(v);
    diskPane_.cancelButton->setButtonEnabled(false);
    diskPane_.pane->move(kToolWidth, 0);
    diskPane_.pane->show();
    makeSureWipeDiskVC_ = std::make_unique<MakeSureWipeDiskViewController>();
    makeSureWipeDiskVC_->setDelegate(this);
    MakeSureWipeDiskViewController* dialog = makeSureWipeDiskVC_.get();
    runModalDialog(dialog->view(), [dialog](StatusAttachedWindow* w) { dialog->setSuperDelegate(w); });
}

void WipeDiskViewController::replaceStepIndicator(const WipeProgressPane& pane, int mode)
{
    stepProVC_ = std::make_unique<StepProgressViewVC>();
    QWidget* steps = stepProVC_->view();
    steps->setParent(pane.pane);
    // (0, 390) from the pane's bottom edge.
    steps->setGeometry(0, kToolHeight - 390 - StepProgressViewVC::kHeight, StepProgressViewVC::kWidth,
                       StepProgressViewVC::kHeight);
    steps->show();
    const QStringList captions = wiperun::stepCaptions(mode);
    stepProVC_->setLabelString_lebel_1(captions.at(0), captions.at(1), captions.at(2));
    stepProVC_->runProgressStep(1);
}

void WipeDiskViewController::fillRunLabels(const WipeProgressPane& pane)
{
    pane.typeLabel->setText(run_.standard().label);
    pane.diskNameLabel->setText(run_.selectVolumeObj() ? run_.selectVolumeObj()->volumeName() : QString());
    pane.cancelLabel->hide();
}

void WipeDiskViewController::makeSureToWipeSelectVolume()
{
    if (!run_.selectVolumeObj() || run_.isRunning())
        return;
    replaceStepIndicator(diskPane_, wiperun::kWipeVolume);
    run_.makeSureToWipeSelectVolume();
    // The name the run goes by (an unnamed exFAT volume has its new one now).
    fillRunLabels(diskPane_);
    QPointer<QWidget> mainView(mainView_);
    toolkit::slideIn(diskPane_.pane, [mainView] {
        if (mainView)
            mainView->hide();
    });
    toolbar_->raise();
    setEndView(false);
}

void WipeDiskViewController::doFreeAction()
{
    // As for Wipe Volume: the run holds the volume chosen at the press.
    const VolumeObjPtr v = list_.selectVolumeObj();
    if (!v)
        return;
    replaceStepIndicator(freePane_, wiperun::kWipeFreeSpace);
    run_.setSelectVolumeObj(v);
    run_.prepareFreeSpace();
    freePane_.cancelButton->setButtonEnabled(true);
    freePane_.pane->move(kToolWidth, 0);
    freePane_.pane->show();

    MakeSureWipeFreeSpaceViewController dialog;
    dialog.setDelegate(this);
    runModalDialog(dialog.view(), [&dialog](StatusAttachedWindow* w) { dialog.setSuperDelegate(w); });
}

void WipeDiskViewController::makeSureToWipeFreeSpaceSelectVolume()
{
    if (run_.isRunning())
        return;
    run_.makeSureToWipeFreeSpaceSelectVolume();
    // With the standard the run took from the confirmation.
    fillRunLabels(freePane_);
    QPointer<QWidget> mainView(mainView_);
    toolkit::slideIn(freePane_.pane, [mainView] {
        if (mainView)
            mainView->hide();
    });
    toolbar_->raise();
}

void WipeDiskViewController::cancelWipeDiskButtonAction()
{
    diskPane_.cancelLabel->show();
    diskPane_.cancelButton->setButtonEnabled(false);
    run_.cancelEraser();
}

void WipeDiskViewController::cancelWipeFreeSpaceButtonAction()
{
    freePane_.cancelLabel->show();
    freePane_.cancelButton->setButtonEnabled(false);
    run_.cancelEraser();
}

void WipeDiskViewController::showEndEraser(bool success, bool cancelled)
{
    const int mode = run_.selectEraserType();
    QWidget* progress = paneOf(mode).pane;
    const WipeEndPane& end = success ? sussPane_ : failPane_;
    if (success)
        sussPane_.message->setText(mode == wiperun::kWipeFreeSpace ? QStringLiteral("剩余磁盘空间擦除完成。")
                                                                  : QStringLiteral("该磁盘或设备上的所有数据均被成功擦除。"));
    else {
        // The note says why when the user can do something about it: a
        // cancel, a password that was refused, another volume where the
        // chosen one was.
        const QString note = run_.failureNote();
        failPane_.note->setText(cancelled || note.isEmpty() ? wipepanes::kCancelNote : note);
        failPane_.note->setVisible(cancelled || !note.isEmpty());
    }
    end.pane->show();
    QPointer<QWidget> done(progress);
    toolkit::slideIn(end.pane, [done] {
        if (done)
            done->hide();
    });
    toolbar_->raise();
    changeHistoryButtonState();
    for (const WipeProgressPane* p : {&diskPane_, &freePane_}) {
        p->bar->setFloatValue(0);
        p->roundLabel->setText(QStringLiteral(" "));
    }
}

void WipeDiskViewController::setEndView(bool hidden)
{
    for (QWidget* pane : {sussPane_.pane, failPane_.pane}) {
        pane->move(kToolWidth, 0);
        pane->setHidden(hidden);
    }
}

void WipeDiskViewController::endBackToMainView(QWidget* pane)
{
    list_.clear();
    reloadTable();
    mainView_->show();
    QPointer<QWidget> guard(pane);
    toolkit::animateProperty(pane, "pos", QPoint(kToolWidth - 1, 0), toolkit::kSlideMs, QEasingCurve::InOutQuad, [guard] {
        if (!guard)
            return;
        guard->move(kToolWidth, 0);
        guard->hide();
    });
    // The volume the run worked on stays chosen while the rescan lists it,
    // with the facts the run left in its record (a reformatted volume is a
    // new file system).
    list_.setSelectVolumeObj(run_.selectVolumeObj());
    getallVolumes();
}

void WipeDiskViewController::sussEndBackToMainView()
{
    endBackToMainView(sussPane_.pane);
}

void WipeDiskViewController::failEndBackToMainView()
{
    endBackToMainView(failPane_.pane);
}

// ---------------------------------------------------------------- side panels

void WipeDiskViewController::changeHistoryButtonState()
{
    erasepanels::changeHistoryButtonState(historyButton_, QStringLiteral("WipeVolumeHistory"));
}

void WipeDiskViewController::historyButtonAction()
{
    historyVC_ = erasepanels::openHistoryPanel(historyView_, this, QStringLiteral("WipeVolume"), historyButton_,
                                               QStringLiteral("WipeVolumeHistory"));
}

void WipeDiskViewController::closeHistoryView()
{
    toolkit::slideOut(historyView_);
}

void WipeDiskViewController::setButtonAction()
{
    setEraserLevelVC_ = erasepanels::openPassCountPanel(setEraserLevelView_, this);
}

void WipeDiskViewController::closeSetEraserLevelView()
{
    toolkit::slideOut(setEraserLevelView_);
}

void WipeDiskViewController::openUrl(const QUrl& url)
{
    if (url.isEmpty() || !url.isValid())
        return;
    if (openUrl_)
        openUrl_(url);
    else
        platform::workspace::openUrl(url);
}

void WipeDiskViewController::aboutButtonAction()
{
    openUrl(QUrl(EULinkUrl::GetUrl(QStringLiteral("SupportTeam"))));
}

void WipeDiskViewController::getmoreButton()
{
    openUrl(QUrl(EULinkUrl::sitePage(QStringLiteral("/articles/wipe-free-space.html"))));
}
