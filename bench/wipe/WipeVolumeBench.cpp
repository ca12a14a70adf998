// How long Wipe Volume of a 1 GiB ext4 volume takes beside its plain-tool
// counterpart: mkfs.ext4, then dd writing zeros with direct I/O to the end of
// the device. Two twin loop devices with direct I/O (root only), three turns
// each; the medians and their ratio are printed (the aim: at most 1.2).

#include "TestSupport.h"

#include "platform/Defaults.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "tools/wipedisk/WipeDiskRun.h"
#include "tools/wipedisk/WipeVolumeScan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

platform::ProcessResult diskutil(const QStringList& args)
{
    return platform::runProcess(QCoreApplication::applicationDirPath() + QStringLiteral("/diskutil"), args);
}

} // namespace

TEST(WipeVolumeBench, BesideMkfsAndDd)
{
    nvtest::LoopDevice wiped(1LL << 30, true);
    nvtest::LoopDevice plain(1LL << 30, true);
    NEED_LOOP(wiped);
    NEED_LOOP(plain);
    const QString base = platform::mapLocation(QStringLiteral("/media")) + QStringLiteral("/bench");
    qputenv("NULLVANE_MOUNT_BASE", QFile::encodeName(base));
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    ASSERT_TRUE(wiped.format(QStringLiteral("ext4"), {QStringLiteral("-L"), QStringLiteral("BENCH")}));
    ASSERT_TRUE(diskutil({QStringLiteral("mount"), wiped.device()}).succeeded());
    const QString mkfs = platform::findProgram(QStringLiteral("mkfs.ext4"));
    const QString dd = platform::findProgram(QStringLiteral("dd"));

    std::vector<double> wipeSeconds, pairSeconds;
    for (int turn = 0; turn < 3; ++turn) {
        const VolumeObjPtr volume = wipescan::volumeFromFacts(wipescan::getDisjInfo(wiped.device()));
        ASSERT_TRUE(volume);
        WipeDiskRun run;
        bool ended = false, success = false;
        QObject::connect(&run, &WipeDiskRun::runEnded, [&](bool s, bool) { ended = true, success = s; });
        QElapsedTimer t;
        t.start();
        run.setSelectVolumeObj(volume);
        run.makeSureToWipeSelectVolume();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return ended; }, 600000));
        // The end of the run waits 2 s after the last pass report by design;
        // that wait is no work and is left out.
        wipeSeconds.push_back(t.nsecsElapsed() / 1e9 - 2.0);
        ASSERT_TRUE(success) << run.errorString().toStdString();

        t.restart();
        ASSERT_TRUE(platform::runProcess(mkfs, {QStringLiteral("-F"), QStringLiteral("-q"), plain.device()}).succeeded());
        platform::runProcess(dd, {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + plain.device(),
                                  QStringLiteral("bs=4M"), QStringLiteral("oflag=direct")});
        pairSeconds.push_back(t.nsecsElapsed() / 1e9);
    }
    diskutil({QStringLiteral("unmount"), wiped.device()});
    const double w = median(wipeSeconds);
    const double p = median(pairSeconds);
    std::printf("Wipe Volume:       %.3f s (median of 3)\n", w);
    std::printf("mkfs.ext4 + dd:    %.3f s (median of 3)\n", p);
    std::printf("ratio wipe / pair: %.3f (aim: at most 1.2)\n", w / p);
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}
