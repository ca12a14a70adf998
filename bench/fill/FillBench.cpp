// How long one free-space fill pass takes compared with dd filling the same
// empty volume: `dd if=/dev/zero bs=4M conv=fsync` until the volume is full.
//
// The volume is a 1 GiB ext4 file system on a loop device with direct I/O,
// made by the benchmark itself (root only). dd and the fill take turns, three
// times each, on the same volume; the medians are compared. The aim: the
// fill's pass (files written and flushed, folder removed, file system synced)
// takes at most 1.15 times as long as dd.

#include "TestSupport.h"

#include "platform/Defaults.h"
#include "platform/FillFile.h"
#include "platform/Log.h"
#include "platform/MountTable.h"
#include "platform/Process.h"
#include "platform/Removal.h"
#include "tools/wipedisk/FreeSpaceFillEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr double kTarget = 1.15;

class PassClock : public FreeSpaceFillDelegate {
public:
    void showWipeFreeSpaceRound(double, const QString&, bool animated) override
    {
        if (animated)
            reported = true;
    }
    void showComplite() override { ended = true; }
    bool reported = false;
    bool ended = false;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

TEST(FillBench, OnePassBesideDd)
{
    nvtest::LoopDevice loop(1LL << 30, true);
    if (!loop.valid())
        GTEST_SKIP() << loop.skipReason().toStdString();
    ASSERT_TRUE(loop.format(QStringLiteral("ext4"), {QStringLiteral("-E"), QStringLiteral("nodiscard")}));
    const QString mountPoint = loop.mount();
    ASSERT_FALSE(mountPoint.isEmpty());
    const QString dd = platform::findProgram(QStringLiteral("dd"));
    ASSERT_FALSE(dd.isEmpty());
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);

    std::vector<double> ddSeconds, fillSeconds;
    qint64 ddBytes = 0, fillBytes = 0;
    for (int round = 0; round < 3; ++round) {
        const QString target = mountPoint + QStringLiteral("/dd.fill");
        QElapsedTimer t;
        t.start();
        platform::runProcess(dd, {QStringLiteral("if=/dev/zero"), QStringLiteral("of=") + target,
                                  QStringLiteral("bs=4M"), QStringLiteral("conv=fsync")});
        ddSeconds.push_back(t.nsecsElapsed() / 1e9);
        ddBytes = QFile(target).size();
        ASSERT_TRUE(platform::removeItem(target));
        platform::syncFileSystemAt(mountPoint);

        auto volume = std::make_shared<VolumeObj>();
        const auto space = platform::fileSystemSpace(mountPoint);
        volume->setVolumeName(QStringLiteral("BENCH"));
        volume->setVolumeType(QStringLiteral("ext4"));
        volume->setVolumeMountPoint(mountPoint);
        volume->setVolRootDir(loop.device());
        volume->setVolumeFreeSizeNum(space.freeBytes);
        volume->setVolumeTotalSizeNum(space.totalBytes);
        fillBytes = platform::writableFreeBytes(mountPoint);

        FreeSpaceFillEngine engine;
        PassClock clock;
        engine.setDelegate(&clock);
        engine.setSelectEraserType(FreeSpaceFillEngine::kWipeFreeSpace);
        engine.setSelectVolumeObj(volume);
        platform::LogCapture log;
        t.restart();
        engine.doFreeSpaceAction();
        ASSERT_TRUE(nvtest::pumpUntil([&] { return clock.reported; }, 600000));
        fillSeconds.push_back(t.nsecsElapsed() / 1e9);
        ASSERT_TRUE(nvtest::pumpUntil([&] { return clock.ended; }, 10000));
        ASSERT_EQ(engine.errorString(), QString());
        // The pass really ran the volume full, as dd does.
        EXPECT_TRUE(log.contains(QStringLiteral("Disk full while writing")));
    }

    const double ddMedian = median(ddSeconds);
    const double fillMedian = median(fillSeconds);
    const double ratio = fillMedian / ddMedian;
    std::printf("dd:   %.3f s for %.1f MiB (%.1f MiB/s)\n", ddMedian, ddBytes / 1048576.0, ddBytes / 1048576.0 / ddMedian);
    std::printf("fill: %.3f s for %.1f MiB (%.1f MiB/s)\n", fillMedian, fillBytes / 1048576.0,
                fillBytes / 1048576.0 / fillMedian);
    std::printf("ratio fill / dd: %.3f (target at most %.2f)\n", ratio, kTarget);
    EXPECT_LE(ratio, kTarget);
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}
