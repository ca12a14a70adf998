// How long the main thread stops between a click on the uninstaller's trash
// icon (or "卸载" with every row ticked) and the confirmation: the search
// for the application's related files and their sizes.
//
//   uninstallstallbench [cache files]      (3,000 per application by default)
//
// A dozen applications, each with a settings folder (50 files), a cache
// (the given number of files in 30 folders), a data folder (500 files) and a
// preferences file. Target: at most 100 ms.

#include "StallProbe.h"
#include "StallSandbox.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"
#include "toolkit/ApplicationLook.h"
#include "tools/uninstall/UninstallViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace {

const QStringList kNames{QStringLiteral("Atlas"),   QStringLiteral("Beacon"), QStringLiteral("Cobalt"),
                         QStringLiteral("Drift"),   QStringLiteral("Ember"),  QStringLiteral("Fjord"),
                         QStringLiteral("Granite"), QStringLiteral("Harbor"), QStringLiteral("Iris"),
                         QStringLiteral("Juniper"), QStringLiteral("Kestrel"), QStringLiteral("Lumen")};

void files(const QString& folder, int count, int perFolder, int bytes)
{
    for (int i = 0; i < count; ++i)
        bench::writeBenchFile(QStringLiteral("%1/part-%2/entry-%3").arg(folder).arg(i / perFolder).arg(i),
                              QByteArray(bytes, 'x'));
}

void makeApplications(int cacheFiles)
{
    for (const QString& name : kNames) {
        const QString id = QStringLiteral("org.example.") + name.toLower();
        const QString bundle = platform::mapLocation(QStringLiteral("/Applications/%1.app").arg(name));
        QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"));
        bench::writeBenchFile(bundle + QStringLiteral("/Contents/MacOS/") + name, QByteArray(200000, 'p'));
        platform::plist::writeFile(bundle + QStringLiteral("/Contents/Info.plist"),
                                   QVariantMap{{QStringLiteral("CFBundleName"), name},
                                               {QStringLiteral("CFBundleIdentifier"), id},
                                               {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("3.2")}});
        files(platform::mapLocation(QStringLiteral("~/.config/") + name), 50, 50, 300);
        files(platform::mapLocation(QStringLiteral("~/.cache/") + name), cacheFiles, std::max(1, cacheFiles / 30), 2048);
        files(platform::mapLocation(QStringLiteral("~/.local/share/") + name), 500, 100, 1024);
        bench::writeBenchFile(platform::mapLocation(QStringLiteral("~/Library/Preferences/%1.plist").arg(id)), "<plist/>");
    }
}

// Runs `open` (which shows the confirmation modally) and answers how long the
// main thread stopped at most until the confirmation showed; it is then
// cancelled.
double stallUntilConfirmation(const std::function<void()>& open)
{
    bench::StallProbe probe;
    bool shown = false;
    double stall = -1;
    QTimer watch;
    probe.start();
    bench::pressWhenShown(watch, QStringLiteral("取消"), 2, [&] {
        probe.runUntil([] { return true; }, 0);
        stall = probe.longestStallMs();
        shown = true;
    });
    open();
    // Where the dialog opens later than the click, it is waited for here.
    bench::StallProbe rest;
    rest.start();
    if (!rest.runUntil([&] { return shown && !bench::runningDialog(); }, 120000)) {
        std::printf("the confirmation never showed\n");
        std::exit(1);
    }
    return std::max(stall, rest.longestStallMs());
}

} // namespace

int main(int argc, char** argv)
{
    bench::StallSandbox sandbox;
    QApplication app(argc, argv);
    toolkit::setUpApplicationLook();
    const int cacheFiles = argc > 1 ? std::atoi(argv[1]) : 3000;
    makeApplications(cacheFiles);

    QWidget window;
    UninstallViewController screen;
    bench::showInToolWindow(window, screen.view());
    bench::StallProbe scan;
    scan.start();
    if (!scan.runUntil([&] { return !screen.engine().isScan() && screen.list().rowCount() >= kNames.size(); }, 60000)) {
        std::printf("the applications were not found\n");
        return 1;
    }

    double worst = 0;
    for (int row = 0; row < 3; ++row)
        worst = std::max(worst, stallUntilConfirmation([&] { screen.oneAppRemove(row); }));
    bench::reportStall("uninstaller trash icon, one application", worst);

    screen.selectAllButtonAction();
    bench::reportStall(QStringLiteral("uninstaller 卸载, %1 applications").arg(kNames.size()).toUtf8().constData(),
                       stallUntilConfirmation([&] { screen.uninstallAppButtonAction(); }));
    return bench::stallExitCode();
}
