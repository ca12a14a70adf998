#include "InternetViewController.h"

#include "APFSScanViewController.h"
#include "FullDiskAccessViewController.h"
#include "core/PublicUtilities.h"
#include "platform/Dispatch.h"
#include "InterLog.h"
#include "platform/Privacy.h"
#include "toolkit/ImageCache.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/StatusAttachedWindow.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/TextImageButton.h"
#include "toolkit/ToolArea.h"

#include <QFileInfo>
#include <QLabel>
#include <QScrollArea>
#include <QSet>
#include <unistd.h>

InternetViewController::InternetViewController(QObject* parent) : QObject(parent)
{
    view_ = new RightBgView;
    view_->resize(toolkit::kToolWidth, toolkit::kToolHeight);
    panes_ = buildInternetPanes(view_);
    engine_.delegate = this;
    processes_ = &platform::systemProcesses();
    closer_ = new BrowserCloser(*processes_, this);

    panes_.leftTableView->setDataSource(this);
    panes_.rightTableView->setDataSource(this);
    connect(panes_.scanButton, &QAbstractButton::clicked, this, &InternetViewController::checkOpenBrower);
    connect(panes_.cleanButton, &QAbstractButton::clicked, this, &InternetViewController::cleanButtonAction);
    connect(panes_.backHomeButton, &QAbstractButton::clicked, this, &InternetViewController::backHomeButtonAction);
    connect(panes_.cleanEndBack, &QAbstractButton::clicked, this, &InternetViewController::cleanEndBackHomeButtonAction);
    connect(panes_.cleanEndOkBut, &QAbstractButton::clicked, this, &InternetViewController::cleanEndBackHomeButtonAction);
}

InternetViewController::~InternetViewController()
{
    engine_.delegate = nullptr;
    delete closeBroVC_;
    delete apfsScanVC_;
    // The view belongs to the main window's container once shown there.
    if (view_ && !view_->parent())
        delete view_.data();
}

QWidget* InternetViewController::view()
{
    return view_;
}

bool InternetViewController::stopRunningWork(int timeoutMs)
{
    // The scan's worker only reads; its result is dropped once this screen
    // is gone. Wait for it so nothing reads while the program ends.
    return platform::dispatch::waitForGlobalQueues(timeoutMs);
}

void InternetViewController::setProcessList(platform::ProcessList* list)
{
    processes_ = list ? list : &platform::systemProcesses();
    delete closer_;
    closer_ = new BrowserCloser(*processes_, this);
}

InternetViewController::Panel InternetViewController::currentPanel() const
{
    if (!panes_.cleanEndView->isHidden())
        return Panel::End;
    if (!panes_.detailBGView->isHidden())
        return Panel::Result;
    if (!panes_.loadAnView->isHidden())
        return Panel::Loading;
    return Panel::Start;
}

void InternetViewController::showDialog(QWidget* dialogView, const std::function<void(StatusAttachedWindow*)>& bind)
{
    // Attached at the main window's bottom edge, 3 left of its middle.
    StatusAttachedWindow* window =
        toolkit::attachDialog(dialogView, toolkit::dialogAttachPoint(view_ ? view_->window() : nullptr, -3.0));
    if (!window)
        return;
    if (bind)
        bind(window);
    window->runModal();
}

// --- Scan ----------------------------------------------------------------------

void InternetViewController::checkOpenBrower()
{
    allOpenId_.clear();
    isClose_ = false;
    for (const RunningBrowser& running : runningBrowsers(*processes_)) {
        if (countsAtScan(running))
            allOpenId_.append(running.process);
    }
    if (allOpenId_.isEmpty()) {
        getBrowserArr();
        return;
    }
    if (!closeBroVC_) {
        closeBroVC_ = new CloseBrowerViewController;
        closeBroVC_->setDelegate(this);
    }
    showDialog(closeBroVC_->view(), [this](StatusAttachedWindow* w) { closeBroVC_->setSuperDelegate(w); });
    if (!isClose_)
        return;   // the start panel stays
    setBusy(true);
    doAction([this](const QList<platform::RunningProcess>&) {
        setBusy(false);
        getBrowserArr();
    });
}

int InternetViewController::getAuthorizationStatus() const
{
    const int status = accessCheck_ ? accessCheck_() : int(platform::browserDataAccess());
    interlog::info(QStringLiteral("paths : %1").arg(status));
    return status;
}

void InternetViewController::getBrowserArr()
{
    if (getAuthorizationStatus() != 2 && PublicUtilities::getSystemVersion() >= 1014) {
        auto* notice = new FullDiskAccessViewController;
        showDialog(notice->view(), [notice](StatusAttachedWindow* w) { notice->setSuperDelegate(w); });
        delete notice;
    }
    panes_.scanNodeView->hide();
    panes_.loadAnView->show();
    panes_.loadBgView->show();
    panes_.loadAnView->raise();
    engine_.getBrowserArr([this] { onScanned(); });
}

void InternetViewController::onScanned()
{
    panes_.detailBGView->raise();
    toolkit::slideIn(panes_.detailBGView, [this] {
        panes_.loadBgView->hide();
        panes_.loadAnView->hide();
    });
    broSelectIndex_ = 0;
    panes_.leftTableView->setRowNum(0);
    panes_.rightTableView->setRowNum(-1);
    reloadLists();
    changeDetail();
    engine_.changeCleanButtonState();
    emit scanFinished();
}

// --- Lists -------------------------------------------------------------------------

BrowerObjPtr InternetViewController::browserAt(int row) const
{
    return row >= 0 && row < engine_.browserArr.size() ? engine_.browserArr.at(row) : nullptr;
}

BrowerObjPtr InternetViewController::itemAt(int row) const
{
    const BrowerObjPtr browser = browserAt(broSelectIndex_);
    return browser && row >= 0 && row < browser->chrArr.size() ? browser->chrArr.at(row) : nullptr;
}

int InternetViewController::numberOfRowsInTableView(BroTableView* tableView)
{
    if (tableView == panes_.leftTableView)
        return int(engine_.browserArr.size());
    const BrowerObjPtr browser = browserAt(broSelectIndex_);
    return browser ? int(browser->chrArr.size()) : 0;
}

void InternetViewController::willDisplayCell(BroTableView* tableView, const QString& column, int row,
                                             BrowerImageAndTextCell* text, BrowerButtonCell* button)
{
    const bool left = tableView == panes_.leftTableView;
    const BrowerObjPtr node = left ? browserAt(row) : itemAt(row);
    if (!node)
        return;
    if (button) {
        button->setBroObj(node);
        button->setImage(toolkit::ImageCache::iconNamed(BrowerButtonCell::imageNameForState(node->isSelect)));
        return;
    }
    if (!text)
        return;
    if (column == QLatin1String("FName")) {
        text->setImage(node->iconImage, 32);
        text->setIconSize(32, 32);
        QString name = node->name;
        text->setTitle(name.replace(QLatin1String(".app"), QLatin1String(" ")), 160, false, false);
    } else if (column == QLatin1String("SName")) {
        const double natural = toolkit::imageNamed(node->iconName).size().width();
        text->setImage(node->iconImage, natural);
        text->setIconSize(16, 16);
        text->setTitle(labelWithKey(node->name), 240, false, false);
    } else if (column == QLatin1String("SSize")) {
        text->setTitle(node->size, 100, true, true);
    }
}

bool InternetViewController::shouldSelectRow(BroTableView* tableView, int row)
{
    tableView->setRowNum(row);
    if (tableView == panes_.leftTableView) {
        broSelectIndex_ = row;
        panes_.rightTableView->setRowNum(-1);
        reloadLists();
    }
    changeDetail();
    return true;
}

void InternetViewController::selectBrower(BroTableView* tableView)
{
    const int row = tableView->clickedRow();
    const BrowerObjPtr node = tableView == panes_.leftTableView ? browserAt(row) : itemAt(row);
    if (node)
        engine_.selectBrower(node);   // reloads both lists and sets the clean button
}

void InternetViewController::changeDetail()
{
    const BrowerObjPtr browser = browserAt(broSelectIndex_);
    panes_.nameLabel->setText(browser ? browser->name : QStringLiteral("没有找到浏览器"));
}

void InternetViewController::reloadLists()
{
    panes_.leftTableView->reloadData();
    panes_.rightTableView->reloadData();
}

void InternetViewController::reloadItemList()
{
    panes_.rightTableView->reloadData();
}

void InternetViewController::setCleanButtonEnabled(bool enabled)
{
    panes_.cleanButton->setButtonEnabled(enabled);
}

// --- Clean -------------------------------------------------------------------------

void InternetViewController::closeBrowerButtonAction()
{
    isClose_ = true;
}

void InternetViewController::setBusy(bool busy)
{
    // While closed browsers are waited for, nothing else may start.
    panes_.scanButton->setButtonEnabled(!busy);
    panes_.backHomeButton->setButtonEnabled(!busy);
    if (busy)
        panes_.cleanButton->setButtonEnabled(false);
}

void InternetViewController::cleanButtonAction()
{
    if (closer_->isWaiting() || engine_.isCleaning())
        return;
    allOpenId_.clear();
    pidsOfNode_.clear();
    const QList<RunningBrowser> running = runningBrowsers(*processes_);
    for (const RunningBrowser& app : running) {
        // By kind, as the scan classifies them, not by name: the menu calls
        // Firefox "Firefox Web Browser" and Chrome Beta "Google Chrome
        // (beta)", while the process only tells "firefox" or "chrome".
        const BrowserType type = browserTypeOfName(app.name);
        if (type == BrowserType::None)
            continue;
        for (const BrowerObjPtr& browser : std::as_const(engine_.browserArr)) {
            if (browserTypeOfName(browser->name) == type && browser->isSelect != 0) {
                allOpenId_.append(app.process);
                pidsOfNode_[browser.get()].append(app.process.pid);
            }
        }
    }
    if (allOpenId_.isEmpty()) {
        cleanBrowerFiles();
        return;
    }
    isClose_ = false;
    if (!closeBroVC_) {
        closeBroVC_ = new CloseBrowerViewController;
        closeBroVC_->setDelegate(this);
    }
    showDialog(closeBroVC_->view(), [this](StatusAttachedWindow* w) { closeBroVC_->setSuperDelegate(w); });
    if (!isClose_)
        return;   // nothing is cleaned; the clean button stays as it was
    setBusy(true);
    doAction([this](const QList<platform::RunningProcess>& stillRunning) {
        setBusy(false);
        cleanBrowerFiles(stillRunning);
    });
}

void InternetViewController::doAction(std::function<void(QList<platform::RunningProcess>)> done)
{
    closer_->close(allOpenId_, std::move(done));
}

void InternetViewController::cleanBrowerFiles(const QList<platform::RunningProcess>& stillRunning)
{
    QSet<qint64> running;
    for (const platform::RunningProcess& p : stillRunning)
        running.insert(p.pid);
    const QString safari = InternetEngine::userLocation(QStringLiteral("/Users/%@/Library/Safari"));
    QList<BrowerObjPtr> items;
    for (const BrowerObjPtr& browser : std::as_const(engine_.browserArr)) {
        const bool writable = !safari.isEmpty() && access(QFile::encodeName(safari).constData(), W_OK) == 0;
        if (!writable && browser->name.contains(BrowserKey::Safari)) {
            if (!apfsScanVC_)
                apfsScanVC_ = new APFSScanViewController;
            showDialog(apfsScanVC_->view(), [this](StatusAttachedWindow* w) { apfsScanVC_->setSuperDelegate(w); });
            continue;
        }
        // A browser that did not exit would write its data back: it is left
        // as measured, ticks and all.
        bool stillOpen = false;
        for (const qint64 pid : pidsOfNode_.value(browser.get()))
            stillOpen = stillOpen || running.contains(pid);
        if (stillOpen) {
            interlog::info(QStringLiteral("not cleaned, still running: %1").arg(browser->name));
            continue;
        }
        if (browser->isSelect != 0) {
            for (const BrowerObjPtr& item : std::as_const(browser->chrArr)) {
                if (item->isSelect != 0)
                    items.append(item);
            }
        }
        browser->isSelect = 0;
    }
    pidsOfNode_.clear();
    // The files and databases are worked on a worker; each item shows what
    // is left of it as it ends, and the end panel comes after the last.
    setBusy(true);
    panes_.leftTableView->reloadData();
    engine_.cleanItems(items, [this] {
        setBusy(false);
        panes_.cleanButton->setButtonEnabled(false);
        panes_.leftTableView->reloadData();
        panes_.cleanEndView->raise();
        toolkit::slideIn(panes_.cleanEndView);
        emit cleanFinished();
    });
}

// --- The ways back ---------------------------------------------------------------

void InternetViewController::backHomeButtonAction()
{
    panes_.scanNodeView->show();
    panes_.scanNodeView->raise();
    panes_.detailBGView->raise();
    panes_.loadBgView->show();
    panes_.loadAnView->hide();
    toolkit::slideOut(panes_.detailBGView);
}

void InternetViewController::cleanEndBackHomeButtonAction()
{
    panes_.detailBGView->hide();
    panes_.detailBGView->move(toolkit::kToolWidth, 0);
    panes_.scanNodeView->show();
    panes_.scanNodeView->raise();
    panes_.cleanEndView->raise();
    panes_.loadBgView->show();
    panes_.loadAnView->hide();
    QWidget* end = panes_.cleanEndView;
    toolkit::slideOut(end, toolkit::kToolWidth - 1, [end] {
        if (end)
            end->move(toolkit::kToolWidth, 0);
    });
}
