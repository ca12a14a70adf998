#include "AppDelegate.h"

#include "AboutViewController.h"
#include "BaseWindow.h"
#include "MainWindowController.h"
#include "UpdateManifest.h"
#include "UpdateViewController.h"
#include "ZZLanguage.h"

#include "core/CommUti.h"
#include "core/EULinkUrl.h"
#include "core/PublicUtilities.h"
#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/gui/Language.h"
#include "platform/gui/SingleInstance.h"
#include "platform/gui/Workspace.h"
#include "toolkit/ModalDialog.h"
#include "toolkit/StatusAttachedWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QScreen>
#include <QUrl>

AppDelegate::AppDelegate(QObject* parent)
    : QObject(parent)
{
}

AppDelegate::~AppDelegate()
{
    lifeline_.cut();
    // Dialogs before the main window they were opened over.
    updateVC_.reset();
    aboutWC_.reset();
    mainWin_.reset();
}

void AppDelegate::awakeFromNib()
{
    if (platform::defaults::integerForKey(QStringLiteral("EraserTimes")) == 0) {
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 0);
    }
    CommUti::writRegularFont(QString::fromLatin1(kRegularFont));
    CommUti::writLightFont(QString::fromLatin1(kLightFont));
    CommUti::writBoldFont(QString::fromLatin1(kBoldFont));
}

bool AppDelegate::checkAppDuplicateAndBringToFrontWithBundle(const QString& bundleIdentifier)
{
    instance_ = std::make_unique<platform::SingleInstance>(bundleIdentifier);
    switch (instance_->claim()) {
    case platform::SingleInstance::Outcome::Primary:
        connect(instance_.get(), &platform::SingleInstance::raiseRequested, this, [this] {
            if (mainWin_)
                mainWin_->bringToFront();
        });
        return false;
    case platform::SingleInstance::Outcome::OtherRunning:
        platform::log(QStringLiteral("another copy of Nullvane runs; it was asked to come to the front"));
        return true;
    case platform::SingleInstance::Outcome::Undecided:
        platform::log(QStringLiteral("another copy of Nullvane holds the lock but does not answer"));
        return true;
    }
    return true;
}

bool AppDelegate::applicationDidFinishLaunching()
{
    if (checkAppDuplicateAndBringToFrontWithBundle(QString::fromLatin1(kBundleIdentifier)))
        return false;

    const QStringList languages{QStringLiteral("zh-Hans")};
    platform::defaults::setValue(QStringLiteral("AppleLanguages"), languages);
    platform::log(QStringLiteral("main set lanague to = (%1)").arg(languages.join(QStringLiteral(", "))));
    ZZSetLanguage(QStringLiteral("zh-Hans"));

    platform::setToolTipDelay(300);

    if (!mainWin_) {
        mainWin_ = std::make_unique<MainWindowController>(factory_);
        fillApplicationMenu();
        connect(mainWin_->window(), &BaseWindow::windowWillClose, this, [this] {
            cleanUpForQuit();
            emit quitRequested(0);
        });
    }
    BaseWindow* window = mainWin_->window();
    window->show();
    if (QScreen* screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    window->raise();
    window->activateWindow();
    window->contentView()->update();

    toCheckUpdate();
    return true;
}

void AppDelegate::fillApplicationMenu()
{
    QMenu* menu = mainWin_->applicationMenu();
    // Dialogs run their own modal loop: start them once the menu has closed.
    auto add = [&](const QString& title, void (AppDelegate::*action)()) {
        QAction* item = menu->addAction(title);
        connect(item, &QAction::triggered, this, action, Qt::QueuedConnection);
        return item;
    };
    add(QStringLiteral("关于 Nullvane"), &AppDelegate::aboutAction);
    add(QStringLiteral("检查更新…"), &AppDelegate::checkUpdateAction);
    menu->addSeparator();
    add(QStringLiteral("用户指南"), &AppDelegate::userGuideMenuAction);
    add(QStringLiteral("技术支持"), &AppDelegate::supportCenterAction);
    add(QStringLiteral("在线帮助"), &AppDelegate::onlineHelp);
    add(QStringLiteral("无法识别的磁盘"), &AppDelegate::FixUnrecognizedDriveMenu);
    menu->addSeparator();
    QAction* quit = add(QStringLiteral("退出 Nullvane"), &AppDelegate::exitApp);
    quit->setShortcut(QKeySequence::Quit);
    quit->setShortcutContext(Qt::ApplicationShortcut);
    mainWin_->window()->addAction(quit);
}

void AppDelegate::toCheckUpdate()
{
    const Lifeline::Handle self = lifeline_.handle();
    platform::dispatch::global(platform::dispatch::Priority::Background, [this, self] {
        const VersionDiff diff = compareManifest(fetchManifest(), localVersionCheck());
        if (!diff.haveUpdate || !self.alive())
            return;
        if (!PublicUtilities::isCanBeUseNetWork())
            return;
        self.post([this] { checkUpdateAction(); });
    });
}

template <typename Controller>
void AppDelegate::showDialog(std::unique_ptr<Controller>& slot)
{
    // A dialog of this kind already open stays; releasing it in the middle of
    // its own modal run would pull the floor from under it.
    if (slot && slot->superDelegate) {
        slot->superDelegate->raise();
        slot->superDelegate->activateWindow();
        return;
    }
    slot.reset();
    slot = std::make_unique<Controller>();
    StatusAttachedWindow* window =
        toolkit::attachDialog(slot->view(), toolkit::dialogAttachPoint(mainWin_ ? mainWin_->window() : nullptr, -3));
    if (!window)
        return;
    slot->superDelegate = window;
    if (runsModally_)
        window->runModal();
    else
        window->show();
}

void AppDelegate::aboutAction()
{
    showDialog(aboutWC_);
}

void AppDelegate::checkUpdateAction()
{
    showDialog(updateVC_);
}

void AppDelegate::openNamedLink(const QString& key)
{
    const QString link = EULinkUrl::GetUrl(key);
    if (!link.isEmpty())
        platform::workspace::openUrl(QUrl(link));
}

void AppDelegate::userGuideMenuAction()
{
    openNamedLink(QStringLiteral("UserGuide"));
}

void AppDelegate::supportCenterAction()
{
    openNamedLink(QStringLiteral("SupportTeam"));
}

void AppDelegate::onlineHelp()
{
    openNamedLink(QStringLiteral("OnlineHelp"));
}

void AppDelegate::FixUnrecognizedDriveMenu()
{
    const QString page = EULinkUrl::sitePage(QStringLiteral("/support/faq.html"));
    if (!page.isEmpty())
        platform::workspace::openUrl(QUrl(page));
}

void AppDelegate::cleanUpForQuit()
{
    // The title bar's close button has the main window clean up by itself.
    if (cleanedUp_ || (mainWin_ && mainWin_->hasCleanedUp()))
        return;
    cleanedUp_ = true;
    if (mainWin_)
        mainWin_->removeFolderInWipeVolumes();
}

void AppDelegate::exitApp()
{
    cleanUpForQuit();
    emit quitRequested(0);
}

void AppDelegate::applicationWillTerminate()
{
    cleanUpForQuit();
    if (mainWin_)
        mainWin_->window()->hide();
    if (instance_)
        instance_->release();
}
