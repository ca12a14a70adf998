// The File Eraser's run: the progress and result panes, the confirmation,
// the start once the job list is made, the cancel, the end of the run and the
// way back to the empty state.
#include "FileEraserViewController.h"

#include "EndBgView.h"
#include "core/PublicUtilities.h"
#include "toolkit/Animation.h"
#include "toolkit/ITProgressBar.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/NamedImageView.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"
#include "tools/erasepanels/ResultPane.h"

#include <QPointer>
#include <QTimer>

using toolkit::kToolHeight;
using toolkit::kToolWidth;
using toolkit::makeLabel;
using toolkit::makeTextButton;

// ---------------------------------------------------------------- the panes

void FileEraserViewController::setupProgressView()
{
    progressView_ = new RightBgView(view_);
    progressView_->setGeometry(kToolWidth, 0, kToolWidth, kToolHeight);
    progressView_->hide();

    progressImageView_ = new NamedImageView(QRect((kToolWidth - 100) / 2, 76, 100, 100), progressView_);
    progressImageView_->setImageName(QStringLiteral("fileeraser_shred"));
    startLabel_ = makeLabel(progressView_, QRect(0, 196, kToolWidth, 30), QStringLiteral("正在擦除，请稍候…"),
                            toolkit::regularFont(18), toolkit::whiteAlpha(1.0f), Qt::AlignCenter);
    eraserTypeLabel_ = makeLabel(progressView_, QRect(0, 232, kToolWidth, 22), QString(), toolkit::lightFont(13),
                                 toolkit::whiteAlpha(0.6f), Qt::AlignCenter);

    eraserPathLabel_ = makeLabel(progressView_, QRect(48, 402, 634, 20), QString(), toolkit::lightFont(12),
                                 toolkit::whiteAlpha(0.6f));
    eraserPathLabel_->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    eraserRoundLabel_ = makeLabel(progressView_, QRect(48, 432, 300, 22), QString(), toolkit::lightFont(13),
                                  toolkit::whiteAlpha(0.9f));
    makeLabel(progressView_, QRect(382, 432, 220, 22), QStringLiteral("已用时间"), toolkit::lightFont(13),
              toolkit::whiteAlpha(0.6f), Qt::AlignRight | Qt::AlignVCenter);
    usedTimeLabel_ = makeLabel(progressView_, QRect(608, 432, 74, 22), QString(), toolkit::lightFont(13),
                               toolkit::whiteAlpha(0.9f), Qt::AlignRight | Qt::AlignVCenter);

    // The system places the bar at (48, 102) from the pane's bottom edge.
    progressBar_ = new ITProgressBar(QRect(48, kToolHeight - 102 - 16, 634, 16), progressView_);
    progressBar_->animateFloatValue(0.1);

    bigFileNode_ = makeLabel(progressView_, QRect(48, kToolHeight - 80, 634, 20),
                             QStringLiteral("大文件需要较长时间擦除，请耐心等待，不要关闭程序。"), toolkit::lightFont(12),
                             toolkit::whiteAlpha(0.5f));
    bigFileNode_->hide();

    cancelEraserButton_ = makeTextButton(progressView_, QRect((kToolWidth - 120) / 2, kToolHeight - 54, 120, 36),
                                         {QStringLiteral("btn_secl_normal"), QStringLiteral("btn_secl_hover"),
                                          QStringLiteral("btn_secl_hover"), QStringLiteral("btn_secl_disable")},
                                         QStringLiteral("取消"), 14);
    connect(cancelEraserButton_, &QAbstractButton::clicked, this, &FileEraserViewController::cancelEraserButtonAction);
}

void FileEraserViewController::setupEndViews()
{
    sussView_ = new EndBgView(view_);
    const erasepanels::ResultPane suss =
        erasepanels::buildResultPane(sussView_, true, QStringLiteral("所选文件和文件夹已被彻底擦除，无法再恢复。"));
    sussViewBackBut_ = suss.backButton;
    sussViewOkBut_ = suss.okButton;
    failView_ = new EndBgView(view_);
    const erasepanels::ResultPane fail =
        erasepanels::buildResultPane(failView_, false, QStringLiteral("部分项目没有被擦除，详情请查看擦除历史。"));
    failViewBackBut_ = fail.backButton;
    failViewOkBut_ = fail.okButton;
    failNode_ = fail.note;
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(sussViewBackBut_), static_cast<QAbstractButton*>(sussViewOkBut_)})
        connect(b, &QAbstractButton::clicked, this, &FileEraserViewController::sussEndBackToMainView);
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(failViewBackBut_), static_cast<QAbstractButton*>(failViewOkBut_)})
        connect(b, &QAbstractButton::clicked, this, &FileEraserViewController::failEndBackToMainView);
}

// ---------------------------------------------------------------- the run

void FileEraserViewController::eraserNowButtonAction()
{
    if (list_.tickedCount() == 0 || run_.isRunning())
        return;
    progressView_->move(kToolWidth, 0);
    progressView_->show();
    progressView_->raise();
    MakeSureFileEraserViewControoler dialog;
    dialog.setDelegate(this);
    toolkit::runDialog(dialog.view(), mainWindow(),
                            [&dialog](StatusAttachedWindow* window) { dialog.setSuperDelegate(window); });
}

void FileEraserViewController::makeSureToEraserSelectFiles()
{
    bigFileNode_->hide();
    doEraserSelectFiles();
    for (QWidget* pane : {static_cast<QWidget*>(sussView_), static_cast<QWidget*>(failView_)}) {
        pane->move(kToolWidth, 0);
        pane->show();
    }
}

void FileEraserViewController::doEraserSelectFiles()
{
    eraserRoundLabel_->clear();
    eraserPathLabel_->clear();
    usedTimeLabel_->clear();
    cancelEraserButton_->setButtonEnabled(true);
    progressBar_->setFloatValue(0.1);
    progressView_->raise();
    // What was confirmed; a count saved from now on is the next run's.
    runStandard_ = PublicUtilities::getEraserStandard();
    QPointer<FileEraserViewController> self(this);
    toolkit::animateProperty(progressView_, "pos", QPoint(0, 0), toolkit::kSlideMs, QEasingCurve::InOutQuad, [self] {
        if (!self)
            return;
        self->listView_->hide();
        self->listView_->move(kToolWidth, 0);
        self->eraserTypeLabel_->setText(self->runStandard_.label);
    });
    deleteErrorArr_.clear();
    cancelPending_ = false;
    QTimer::singleShot(500, this, &FileEraserViewController::beginRemove);
}

void FileEraserViewController::beginRemove()
{
    if (run_.isRunning())
        return;
    // The tabs are locked from here on; the job list is made on a worker and
    // the queue starts with it when it arrives.
    if (superDelegate_)
        superDelegate_->canChangeType(false);
    run_.startFrom(list_, runStandard_);
    // "取消" was pressed while the pane slid in: the run ends before anything
    // is erased.
    if (cancelPending_)
        run_.cancelShred();
}

void FileEraserViewController::cancelEraserButtonAction()
{
    cancelEraserButton_->setButtonEnabled(false);
    if (run_.isRunning())
        run_.cancelShred();
    else
        cancelPending_ = true;
}

void FileEraserViewController::showEndView(const FileObjList& doneList)
{
    Q_UNUSED(doneList);
    if (superDelegate_)
        superDelegate_->canChangeType(true);

    const eraserun::RunEnd end = run_.completeRun(list_.valueArr());
    EndBgView* pane = end.showFailure ? failView_ : sussView_;
    failNode_->hide();
    if (end.cancelled) {
        failNode_->setText(eraserun::kCancelNote);
        failNode_->show();
    }
    pane->raise();
    QPointer<QWidget> progress(progressView_);
    toolkit::animateProperty(pane, "pos", QPoint(0, 0), toolkit::kSlideMs, QEasingCurve::InOutQuad, [progress] {
        if (!progress)
            return;
        progress->hide();
        progress->move(kToolWidth, 0);
    });

    deleteErrorArr_ = end.marked;
    changeHistoryButtonState();
    list_.replaceAll(end.remaining);
    reloadTable();
}

void FileEraserViewController::endBackToMainView(QWidget* pane)
{
    list_.clear();
    reloadTable();
    mainView_->move(0, 0);
    mainView_->show();
    QPointer<QWidget> guard(pane);
    toolkit::animateProperty(pane, "pos", QPoint(kToolWidth - 1, 0), toolkit::kSlideMs, QEasingCurve::InOutQuad,
                             [guard] {
                                 if (!guard)
                                     return;
                                 guard->move(kToolWidth, 0);
                                 guard->hide();
                             });
    changeSelectAllButtonState();
}

void FileEraserViewController::failEndBackToMainView()
{
    endBackToMainView(failView_);
}

void FileEraserViewController::sussEndBackToMainView()
{
    endBackToMainView(sussView_);
}

bool FileEraserViewController::stopRunningWork(int timeoutMs)
{
    // A run about to start after the pane's slide starts cancelled.
    cancelPending_ = true;
    if (!run_.isRunning())
        return true;
    run_.cancelShred();
    return run_.waitForWorker(timeoutMs);
}
