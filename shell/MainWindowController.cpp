#include "MainWindowController.h"

#include "BaseWindow.h"
#include "toolkit/NSColor_TCAdditions.h"
#include "MainLeftBgView.h"
#include "TabRules.h"

#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "toolkit/Animation.h"
#include "toolkit/Coordinates.h"
#include "toolkit/ImageCache.h"
#include "toolkit/InterfaceStyle.h"
#include "toolkit/Label.h"
#include "toolkit/RightBgView.h"
#include "toolkit/TCImageButton.h"
#include "toolkit/ToolArea.h"

#include <QElapsedTimer>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>

namespace {

struct TabEntry {
    int tag;
    const char* text;
    QString icon;
    QString selectedIcon;
    int y; // from the column's bottom edge
};

const TabEntry kTabs[] = {
    {0, "文件擦除", toolkit::imageName("ic_file"), toolkit::imageName("ic_file_sel"), 474},
    {1, "磁盘擦除", toolkit::imageName("ic_wipe_hdd"), toolkit::imageName("ic_wipe_hdd_sel"), 438},
    {2, "剩余空间擦除", toolkit::imageName("ic_wipe_free"), toolkit::imageName("ic_wipe_free_sel"), 402},
    {3, "磁盘工具", toolkit::imageName("ic_repair"), toolkit::imageName("ic_repair_sel"), 320},
    {4, "软件卸载", toolkit::imageName("ic_uninstall"), toolkit::imageName("ic_uninstall_sel"), 284},
    {5, "浏览器清理", toolkit::imageName("ic_internet"), toolkit::imageName("ic_internet_sel"), 248},
};

// The system's ease-in timing curve.
QEasingCurve easeIn()
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(1.0, 1.0), QPointF(1.0, 1.0));
    return curve;
}

} // namespace

MainWindowController::MainWindowController(ToolScreenFactory* factory, QObject* parent)
    : QObject(parent)
{
    ToolScreenFactory own;
    awakeFromNib(factory ? *factory : own);
}

MainWindowController::~MainWindowController()
{
    lifeline_.cut();
    finishRunningSlide();
    // The screens go before the window that holds their views.
    fileEraserVC.reset();
    wipeDiskVC.reset();
    uninstallVC.reset();
    internetVC.reset();
    repairDiskVC.reset();
    delete window_;
}

void MainWindowController::buildWindow()
{
    window_ = new BaseWindow(QSize(kWindowWidth, kWindowHeight));
    window_->setWindowTitle(QStringLiteral("Nullvane"));
    window_->setWindowIcon(toolkit::ImageCache::iconNamed(QStringLiteral("app_logo")));
    QWidget* content = window_->contentView();

    leftView = new MainLeftBgView(content);
    leftView->setGeometry(0, 0, kColumnWidth, kWindowHeight);
    rightView = new RightBgView(content);
    rightView->setGeometry(kColumnWidth, 0, toolkit::kToolWidth, toolkit::kToolHeight);
    // The two views cover the whole window with opaque colour: the window's
    // own rounded background beneath them need not be painted.
    rightView->setAttribute(Qt::WA_OpaquePaintEvent);

    tabBarView = new TabBarView(leftView);
    tabBarView->setGeometry(16, 12, 170, 18);

    menuButton_ = new TCImageButton(QRect(194, 10, 22, 22), leftView);
    menuButton_->setButtonEnabled(true);
    menuButton_->setImageFromFileNormalName(QStringLiteral("ic_menu"), QStringLiteral("ic_menu_hover"),
                                            QStringLiteral("ic_menu_hover"), QStringLiteral("ic_menu"));
    menuButton_->setToolTip(QStringLiteral("菜单"));
    applicationMenu_ = new QMenu(window_);
    applicationMenu_->setFont(toolkit::regularFont(13));
    connect(menuButton_, &QAbstractButton::clicked, this, [this] {
        applicationMenu_->popup(menuButton_->mapToGlobal(QPoint(0, menuButton_->height() + 4)));
    });

    // The column's other texts: the two groups of tabs and the product.
    toolkit::makeLabel(leftView, QRect(24, 52, 180, 18), QStringLiteral("数据擦除"),
                       toolkit::lightFont(11), toolkit::whiteAlpha(0.35f));
    toolkit::makeLabel(leftView, QRect(24, 206, 180, 18), QStringLiteral("实用工具"),
                       toolkit::lightFont(11), toolkit::whiteAlpha(0.35f));
    auto* logo = new QLabel(leftView);
    logo->setGeometry(24, 532, 24, 24);
    logo->setPixmap(toolkit::ImageCache::pixmapNamed(QStringLiteral("app_logo"), QSizeF(24, 24),
                                                     window_->devicePixelRatioF()));
    logo->setScaledContents(true);
    logo->setAttribute(Qt::WA_TransparentForMouseEvents);
    toolkit::makeLabel(leftView, QRect(56, 535, 150, 18), QStringLiteral("Nullvane"),
                       toolkit::boldFont(13), toolkit::whiteAlpha(0.8f));

    FileEraserBaseView = makeContainer(true);
    wipeHddBaseView = makeContainer(false);
    diskReparBaseView = makeContainer(false);
    uninstallBaseView = makeContainer(false);
    interBaseView = makeContainer(false);
}

QWidget* MainWindowController::makeContainer(bool visibleAtStart)
{
    auto* container = new QWidget(rightView);
    // The others wait above the tool area, where a slide brings them in from.
    const QRectF system(0, visibleAtStart ? 0 : toolkit::kToolHeight, toolkit::kToolWidth, toolkit::kToolHeight);
    container->setGeometry(toolkit::flipRect(system, toolkit::kToolHeight).toRect());
    return container;
}

void MainWindowController::awakeFromNib(ToolScreenFactory& factory)
{
    buildWindow();
    tabBarView->setDelegate(this);
    tabBarView->setMinAction(true);
    indexSelectView_ = 0;
    window_->setLayerBackgroundColor(VE_CGColorCreate(Qt::white));

    addFileEraserView(factory);
    addWipeDiskView(factory);
    addUninstallView(factory);
    addInternetView(factory);
    addRepairDiskVC(factory);

    allBaseViewArr = {FileEraserBaseView, wipeHddBaseView, diskReparBaseView, uninstallBaseView, interBaseView};
    addTypeButton();
}

void MainWindowController::hostView(ToolScreen& tool, QWidget* container)
{
    QWidget* view = tool.view();
    if (!view)
        return;
    view->setParent(container);
    view->setGeometry(container->rect());
    view->show();
}

void MainWindowController::addFileEraserView(ToolScreenFactory& factory)
{
    fileEraserVC = factory.makeFileEraser();
    hostView(*fileEraserVC, FileEraserBaseView);
    fileEraserVC->setSuperDelegate(this);
}

void MainWindowController::addWipeDiskView(ToolScreenFactory& factory)
{
    wipeDiskVC = factory.makeWipeDisk();
    hostView(*wipeDiskVC, wipeHddBaseView);
    wipeDiskVC->setSuperDelegate(this);
    wipeDiskVC->loadBaseView();
}

void MainWindowController::addUninstallView(ToolScreenFactory& factory)
{
    uninstallVC = factory.makeUninstall();
    hostView(*uninstallVC, uninstallBaseView);
}

void MainWindowController::addInternetView(ToolScreenFactory& factory)
{
    internetVC = factory.makeInternet();
    hostView(*internetVC, interBaseView);
}

void MainWindowController::addRepairDiskVC(ToolScreenFactory& factory)
{
    repairDiskVC = factory.makeRepairDisk();
    hostView(*repairDiskVC, diskReparBaseView);
    const Lifeline::Handle self = lifeline_.handle();
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, self] {
        self.runWhileAlive([this] { getallVolumesForRepair(); });
    });
}

void MainWindowController::getallVolumesForRepair()
{
    if (repairDiskVC)
        repairDiskVC->getallVolumes();
}

void MainWindowController::addTypeButton()
{
    allTypeButArr.clear();
    for (const TabEntry& tab : kTabs) {
        const QRect frame = toolkit::flipRect(QRectF(8, tab.y, 214, 28), kWindowHeight).toRect();
        allTypeButArr << createTypeButtonWithName(QString::fromUtf8(tab.text), tab.icon, tab.selectedIcon, tab.tag,
                                                  frame);
    }
    eraseFile = allTypeButArr[0];
    wipeHardDevice = allTypeButArr[1];
    wipeFreeSpace = allTypeButArr[2];
    diskReper = allTypeButArr[3];
    uninstall = allTypeButArr[4];
    internetCleanup = allTypeButArr[5];
    eraseFile->buttonClick(true);
}

CustemTypeButtonView* MainWindowController::createTypeButtonWithName(const QString& name, const QString& iconImage,
                                                                     const QString& selIconImage, int tag,
                                                                     const QRect& frame)
{
    auto* tab = new CustemTypeButtonView(frame, leftView);
    tab->iconImage = toolkit::imageNamed(iconImage);
    tab->sleIconImage = toolkit::imageNamed(selIconImage);
    tab->delegate = this;
    tab->nameStr = name;
    tab->butTag = tag;
    tab->loadView();
    tab->show();
    return tab;
}

void MainWindowController::mouseClickAction(int tag)
{
    const int current = indexSelectView_;
    const TabClickPlan plan = planTabClick(current, tag);
    if (plan.ignored)
        return;
    for (CustemTypeButtonView* tab : allTypeButArr) {
        tab->buttonClick(tab->butTag == tag);
        tab->update();
    }
    if (plan.rescanWipe)
        wipeDiskVC->getallVolumes();
    if (plan.wipeMode)
        wipeDiskVC->changeFormatOrFreeSpaceView(plan.wipeMode);
    if (!plan.slide) {
        indexSelectView_ = tag;
        return;
    }
    if (plan.rescanRepair)
        repairDiskVC->getallVolumes();
    slide(allBaseViewArr.value(plan.fromContainer), allBaseViewArr.value(plan.toContainer));
    indexSelectView_ = tag;
}

void MainWindowController::finishRunningSlide()
{
    // A slide still under way ends where it was going before the next starts,
    // so no screen is left half in view.
    for (const Move& move : std::as_const(runningSlide_)) {
        if (!move.view)
            continue;
        toolkit::stopAnimation(move.view, "geometry");
        move.view->setGeometry(move.end);
    }
    runningSlide_.clear();
}

void MainWindowController::slide(QWidget* from, QWidget* to)
{
    if (!from || !to)
        return;
    finishRunningSlide();
    const QRect arriving =
        toolkit::flipRect(QRectF(0, toolkit::kToolHeight, toolkit::kToolWidth, toolkit::kToolHeight), toolkit::kToolHeight)
            .toRect();
    const QRect shown(0, 0, toolkit::kToolWidth, toolkit::kToolHeight);
    const QRect leaving =
        toolkit::flipRect(QRectF(0, -toolkit::kToolHeight, from->width(), from->height()), toolkit::kToolHeight).toRect();
    to->setGeometry(QRect(arriving.topLeft(), to->size()));
    to->raise();
    runningSlide_ = {{from, leaving}, {to, QRect(shown.topLeft(), to->size())}};
    for (const Move& move : std::as_const(runningSlide_))
        toolkit::animateProperty(move.view, "geometry", move.end, toolkit::kSlideMs, easeIn());
}

void MainWindowController::canChangeType(bool enabled)
{
    for (CustemTypeButtonView* tab : std::as_const(allTypeButArr)) {
        tab->setButtonEnden(enabled);
        tab->update();
    }
}

QList<ToolScreen*> MainWindowController::tools() const
{
    return {fileEraserVC.get(), wipeDiskVC.get(), uninstallVC.get(), internetVC.get(), repairDiskVC.get()};
}

void MainWindowController::removeFolderInWipeVolumes()
{
    // A run still writing would refill the folder as it is being removed:
    // stop it first, but never wait without end.
    QElapsedTimer clock;
    clock.start();
    for (ToolScreen* tool : tools()) {
        if (!tool)
            continue;
        const int left = std::max<qint64>(0, kQuitWaitMs - clock.elapsed());
        if (!tool->stopRunningWork(static_cast<int>(left)))
            platform::log(QStringLiteral("quit: a tool run is still going after %1 ms").arg(clock.elapsed()));
    }
    if (wipeDiskVC)
        wipeDiskVC->endAppRemoveFolder();
    cleanedUp_ = true;
}

void MainWindowController::closeWindowAction()
{
    removeFolderInWipeVolumes();
}

void MainWindowController::bringToFront()
{
    if (window_->isMinimized())
        window_->showNormal();
    if (!window_->contentView()->isVisible())
        window_->contentView()->show();
    window_->show();
    window_->raise();
    window_->activateWindow();
}
