// Nullvane: the display stays awake while it runs, one copy per user, the
// main window, and clean-up on every way out.
#include "AppDelegate.h"
#include "MyNSApplication.h"

#include "platform/DiskutilProgram.h"
#include "platform/Dispatch.h"
#include "platform/FillLeftovers.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/TerminationSignals.h"
#include "platform/gui/DisplaySleep.h"
#include "platform/gui/Language.h"
#include "toolkit/ApplicationLook.h"

#include <memory>
#include <unistd.h>

namespace {

std::unique_ptr<platform::DisplaySleepInhibitor> assertion;

void PreventSleep()
{
    assertion = std::make_unique<platform::DisplaySleepInhibitor>(QStringLiteral("Nullvane"),
                                                                  QStringLiteral("PreventUserIdleDisplaySleep"));
    if (assertion->isHeld())
        platform::log(QStringLiteral("prevent sleep!"));
}

} // namespace

int main(int argc, char** argv)
{
    platform::preferPlaceableWindows();
    platform::preferChineseDates();
    MyNSApplication app(argc, argv);
    toolkit::setUpApplicationLook();
    QCoreApplication::setOrganizationName(QStringLiteral("Corvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Nullvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("com.corvel.nullvane"));
    PreventSleep();
    // Where the helpers were found says at once whether an install is whole.
    platform::log(QStringLiteral("disk utility: ") + platform::diskutilProgram());
    // What a free-space fill that was killed left on its volume (ext4's
    // reserve lent, the fill folder) is put right, away from the window.
    platform::dispatch::global(platform::dispatch::Priority::Background, [] { platform::settleKilledFills(); });

    int status = 0;
    {
        AppDelegate delegate;
        QObject::connect(&delegate, &AppDelegate::quitRequested, &app, [](int code) { QCoreApplication::exit(code); });
        QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
        platform::onTerminationRequest([] { QCoreApplication::quit(); });
        delegate.awakeFromNib();
        if (delegate.applicationDidFinishLaunching())
            status = app.exec();
        assertion.reset();

        // Work still on the worker threads (a download, a tool run that would
        // not stop) must not meet the objects being torn down.
        if (!platform::dispatch::waitForGlobalQueues(2000)) {
            platform::log(QStringLiteral("quit: background work still running; ending without tear-down"));
            platform::removePrivateTempFolder();
            ::_exit(status);
        }
        platform::removePrivateTempFolder();
    }
    return status;
}
