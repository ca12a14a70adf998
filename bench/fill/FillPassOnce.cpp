// One free-space fill pass over the mounted volume of the device named on the
// command line, through the fill engine as Wipe Free Space runs it. Exits 0
// when the pass ended without an error. For timing the whole process from
// outside: fill_pass_once /dev/loopN

#include "bench/PrivateConfig.h"
#include "platform/Defaults.h"
#include "platform/FuseMounts.h"
#include "platform/MountTable.h"
#include "tools/wipedisk/FreeSpaceFillEngine.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

// Ends the program at the pass report: the hand-over to the screen that
// follows 2 s later is no part of the fill's own time.
class QuitAtReport : public FreeSpaceFillDelegate {
public:
    explicit QuitAtReport(QCoreApplication& app) : app_(app) {}
    void showWipeFreeSpaceRound(double, const QString&, bool animated) override
    {
        if (animated)
            app_.quit();
    }
    void showComplite() override { app_.quit(); }

private:
    QCoreApplication& app_;
};

} // namespace

int main(int argc, char** argv)
{
    // The pass count set below is a user default: not the user's own.
    const bench::PrivateConfig config;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: fill_pass_once /dev/DEVICE\n");
        return 2;
    }
    const QString kernelName = platform::kernelNameOf(args[1]);
    QString mountPoint;
    for (const platform::MountEntry& e : platform::readBlockMountTable())
        if (!kernelName.isEmpty() && platform::kernelNameOf(e.device) == kernelName)
            mountPoint = e.mountPoint;
    if (mountPoint.isEmpty()) {
        std::fprintf(stderr, "%s is not a mounted volume\n", qPrintable(args[1]));
        return 2;
    }
    const platform::SpaceInfo space = platform::fileSystemSpace(mountPoint);
    auto volume = std::make_shared<VolumeObj>();
    volume->setVolumeName(QStringLiteral("BENCH"));
    volume->setVolumeMountPoint(mountPoint);
    volume->setVolRootDir(args[1]);
    volume->setVolumeFreeSizeNum(space.freeBytes);
    volume->setVolumeTotalSizeNum(space.totalBytes);

    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    FreeSpaceFillEngine engine;
    QuitAtReport delegate(app);
    engine.setDelegate(&delegate);
    engine.setSelectEraserType(FreeSpaceFillEngine::kWipeFreeSpace);
    engine.setSelectVolumeObj(volume);
    engine.doFreeSpaceAction();
    app.exec();
    engine.waitForFill(FreeSpaceFillEngine::kQuitWaitMs);
    engine.setDelegate(nullptr);
    return engine.errorString().isEmpty() ? 0 : 1;
}
