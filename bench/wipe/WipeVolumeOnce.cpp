// One Wipe Volume run (reformat, shred, one fill pass over the whole volume)
// of the mounted volume on the device named on the command line. Exits 0 when
// the run ended successfully. For timing the whole process from outside.

#include "bench/PrivateConfig.h"
#include "platform/Defaults.h"
#include "tools/wipedisk/WipeDiskRun.h"
#include "tools/wipedisk/WipeVolumeScan.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    // The pass count set below is a user default: not the user's own.
    const bench::PrivateConfig config;
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: wipe_volume_once /dev/DEVICE\n");
        return 2;
    }
    const VolumeObjPtr volume = wipescan::volumeFromFacts(wipescan::getDisjInfo(args[1]));
    if (!volume || volume->volumeMountPoint().isEmpty()) {
        std::fprintf(stderr, "%s is not a mounted volume\n", qPrintable(args[1]));
        return 2;
    }
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    WipeDiskRun run;
    int status = 1;
    QObject::connect(&run, &WipeDiskRun::runEnded, &app, [&](bool success, bool) {
        status = success ? 0 : 1;
        app.quit();
    });
    run.setSelectVolumeObj(volume);
    run.makeSureToWipeSelectVolume();
    app.exec();
    return status;
}
