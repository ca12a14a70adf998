// The free-space fill measured on loop volumes the benchmark makes itself
// (root only). Figures are printed, never judged here.
//
// Speed: one fill pass beside its plain-tool counterpart on the same empty
// 1 GiB ext4 volume (loop device with direct I/O): `dd if=/dev/zero bs=4M
// oflag=direct` until the volume is full, then the file removed and the file
// system synced, as the pass removes its files and syncs. Three turns each;
// the medians and their ratio are printed (the aim: at most 1.10).
//
// Thoroughness: a 256 MiB ext4 volume (4 KiB blocks) and an exFAT volume,
// each holding four deleted marker files; after one pass the bytes of the
// markers still on the raw device are printed (the aim, as root: 0).

#include "TestSupport.h"
#include "tests/tools/wipedisk/FillTestSupport.h"

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

VolumeObjPtr recordOf(const nvtest::LoopDevice& loop, const QString& mountPoint)
{
    auto volume = std::make_shared<VolumeObj>();
    const auto space = platform::fileSystemSpace(mountPoint);
    volume->setVolumeName(QStringLiteral("BENCH"));
    volume->setVolumeMountPoint(mountPoint);
    volume->setVolRootDir(loop.device());
    volume->setVolumeFreeSizeNum(space.freeBytes);
    volume->setVolumeTotalSizeNum(space.totalBytes);
    return volume;
}

// Runs one pass; answers its seconds up to the pass report, -1 on failure.
double onePass(const VolumeObjPtr& volume)
{
    FreeSpaceFillEngine engine;
    PassClock clock;
    engine.setDelegate(&clock);
    engine.setSelectEraserType(FreeSpaceFillEngine::kWipeFreeSpace);
    engine.setSelectVolumeObj(volume);
    QElapsedTimer t;
    t.start();
    engine.doFreeSpaceAction();
    if (!nvtest::pumpUntil([&] { return clock.reported; }, 600000))
        return -1;
    const double seconds = t.nsecsElapsed() / 1e9;
    nvtest::pumpUntil([&] { return clock.ended; }, 10000);
    return engine.errorString().isEmpty() ? seconds : -1;
}

} // namespace

TEST(FillBench, OnePassBesideDdWithDirectIo)
{
    nvtest::LoopDevice loop(1LL << 30, true);
    NEED_LOOP(loop);
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
                                  QStringLiteral("bs=4M"), QStringLiteral("oflag=direct")});
        ddBytes = QFile(target).size();
        ASSERT_TRUE(platform::removeItem(target));
        platform::syncFileSystemAt(mountPoint);
        ddSeconds.push_back(t.nsecsElapsed() / 1e9);

        fillBytes = platform::writableFreeBytes(mountPoint);
        const double seconds = onePass(recordOf(loop, mountPoint));
        ASSERT_GT(seconds, 0);
        fillSeconds.push_back(seconds);
    }

    const double ddMedian = median(ddSeconds);
    const double fillMedian = median(fillSeconds);
    std::printf("dd oflag=direct: %.3f s for %.1f MiB (%.1f MiB/s)\n", ddMedian, ddBytes / 1048576.0,
                ddBytes / 1048576.0 / ddMedian);
    std::printf("fill pass:       %.3f s for %.1f MiB (%.1f MiB/s)\n", fillMedian, fillBytes / 1048576.0,
                fillBytes / 1048576.0 / fillMedian);
    std::printf("ratio fill / dd: %.3f (aim: at most 1.10)\n", fillMedian / ddMedian);
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}

class FillRemnant : public ::testing::TestWithParam<const char*> {};

INSTANTIATE_TEST_SUITE_P(Volumes, FillRemnant, ::testing::Values("ext4", "exfat"));

TEST_P(FillRemnant, DeletedBytesLeftAfterOnePass)
{
    const QString fs = QString::fromLatin1(GetParam());
    nvtest::LoopDevice loop(256LL << 20);
    NEED_LOOP(loop);
    const QStringList mkfs = fs == QLatin1String("ext4")
                                 ? QStringList{QStringLiteral("-b"), QStringLiteral("4096"), QStringLiteral("-E"),
                                               QStringLiteral("nodiscard")}
                                 : QStringList{};
    if (!loop.format(fs, mkfs))
        GTEST_SKIP() << "cannot make " << GetParam() << " here";
    const QString mountPoint = loop.mount(fs);
    if (mountPoint.isEmpty())
        GTEST_SKIP() << "cannot mount " << GetParam() << " here";
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);

    // Four deleted files of a marker each, of different sizes.
    const QList<qint64> sizes{64LL << 10, 1LL << 20, 5LL << 20, 24LL << 20};
    const QList<QByteArray> markers = filltest::plantDeletedMarkers(mountPoint, sizes);
    qint64 planted = 0;
    for (int i = 0; i < sizes.size(); ++i)
        planted += sizes[i] / markers[i].size() * markers[i].size();
    platform::syncFileSystemAt(mountPoint);
    const qint64 freeBefore = platform::fileSystemSpace(mountPoint).freeBytesRoot;

    ASSERT_GT(onePass(recordOf(loop, mountPoint)), 0);
    ASSERT_TRUE(loop.unmount());
    qint64 left = 0;
    for (const QByteArray& marker : markers)
        left += filltest::countOccurrences(loop.image(), marker) * marker.size();
    std::printf("%s, 256 MiB, %.1f MiB free: %lld of %lld bytes of deleted data left unwritten (aim as root: 0)\n",
                GetParam(), freeBefore / 1048576.0, static_cast<long long>(left), static_cast<long long>(planted));
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}
