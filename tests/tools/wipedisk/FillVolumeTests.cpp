// Whole fill passes on loop volumes the tests make themselves (root only).

#include "FillTestSupport.h"

#include "platform/Defaults.h"
#include "platform/FillFile.h"
#include "platform/MountTable.h"
#include "platform/Process.h"
#include "platform/Removal.h"
#include "platform/SecureRandom.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>

using Engine = FreeSpaceFillEngine;

using filltest::FillRun;
using filltest::TestVolume;
using filltest::kFolderFail;
using filltest::plantDeletedMarker;

class OnePass : public ::testing::TestWithParam<std::pair<qint64, qint64>> {};

// Volume size, and the full files its free space makes.
INSTANTIATE_TEST_SUITE_P(Sizes, OnePass, ::testing::Values(std::pair<qint64, qint64>(64LL << 20, 0), std::pair<qint64, qint64>(300LL << 20, 2)),
                         [](const auto& info) { return "n" + std::to_string(info.param.second); });

TEST_P(OnePass, LeavesTheFreeSpaceAsItWasAndDeletedDataUnreadable)
{
    TestVolume vol(GetParam().first);
    SKIP_FOR(vol.why);
    const QByteArray marker = plantDeletedMarker(vol.mountPoint);
    ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker)) << "the deleted file's blocks still hold it";
    const auto before = platform::fileSystemSpace(vol.mountPoint);
    ASSERT_EQ(Engine::fillLayoutFor(platform::writableFreeBytes(vol.mountPoint)).roundCount, GetParam().second);

    FillRun run(vol.record(), 1);
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_EQ(run.delegate.complite, 1);
    ASSERT_EQ(run.delegate.passReports().size(), 1);
    EXPECT_EQ(run.delegate.passReports()[0].text, QStringLiteral("已擦除 100%, 1/1 次"));
    EXPECT_DOUBLE_EQ(run.delegate.passReports()[0].barValue, 1.0);
    const QString fullFileLine = QStringLiteral("1---------------------: %1").arg(GetParam().second);
    EXPECT_EQ(filltest::countLines(run.log, fullFileLine), GetParam().second) << "n full files, not n - 1";
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(platform::fileSystemSpace(vol.mountPoint).freeBytesRoot, before.freeBytesRoot);
    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), marker));
}

// Every pass the setting asks for is written, also above the five passes the
// file erasure stops at: each fills the volume (a 64 MiB volume takes one
// file a pass), is reported in order, and the run is handed over once.
TEST(FillVolume, SevenPassesAreWrittenAndReportedInOrderThenHandedOverOnce)
{
    constexpr int kPasses = 7;
    for (const int mode : {Engine::kWipeVolume, Engine::kWipeFreeSpace}) {
        SCOPED_TRACE(mode);
        TestVolume vol(64LL << 20);
        SKIP_FOR(vol.why);
        std::atomic<int> files{0};
        FillRun run(vol.record(), kPasses, mode, [&](const QString&, int) { ++files; });
        ASSERT_TRUE(run.waitForEnd());
        nvtest::pump(300);
        EXPECT_EQ(run.engine.errorString(), QString());
        EXPECT_EQ(files.load(), kPasses) << "fill files written to the medium";
        const auto reports = run.delegate.passReports();
        ASSERT_EQ(reports.size(), kPasses);
        for (int i = 0; i < kPasses; ++i) {
            EXPECT_EQ(reports[i].text, Engine::passReportText(i + 1, kPasses));
            EXPECT_EQ(reports[i].mode, mode);
        }
        EXPECT_EQ(run.delegate.complite, 1);
        // Delayed blocks ride on coarse timers, which may fire up to 5 % early.
        EXPECT_GE(run.delegate.compliteAtMs - reports[kPasses - 1].atMs, Engine::kCompliteDelayMs * 95 / 100);
        EXPECT_EQ(run.engine.iRoundTimes(), kPasses);
        EXPECT_EQ(run.delegate.steps, QList<int>{2});
        EXPECT_EQ(run.delegate.cancelEnabled, 1);
        EXPECT_EQ(run.delegate.offMainThreadCalls, 0);
    }
}

TEST(FillVolume, CancelDuringAFullFileStopsTheWriterAndLeavesNothing)
{
    TestVolume vol(300LL << 20);
    SKIP_FOR(vol.why);
    const auto before = platform::fileSystemSpace(vol.mountPoint);
    // Cancel as soon as the first full file grows, as a user's click would.
    FillRun run(vol.record(), 3);
    const QString first = Engine::fullFilePath(vol.fillFolder(), 1);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return QFileInfo(first).size() > Engine::kFullFileHeader; }, 20000));
    run.engine.setIsCancelEraser(true);
    QElapsedTimer sinceCancel;
    sinceCancel.start();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !run.engine.isRunning(); }, 20000));
    EXPECT_LT(sinceCancel.elapsed(), 2000) << "the writer stopped within a moment of the cancel";
    ASSERT_TRUE(run.waitForEnd(10000));
    EXPECT_TRUE(run.log.contains(QStringLiteral("Operation canceled before completion."))) << "stopped inside the file";
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(run.delegate.passReports().size(), 1) << "the cancelled pass is reported, no pass follows";
    EXPECT_EQ(run.delegate.complite, 1);
    EXPECT_EQ(platform::fileSystemSpace(vol.mountPoint).freeBytesRoot, before.freeBytesRoot);
}

TEST(FillVolume, QuitDuringAPassStopsTheWriterFirstThenRemovesTheFolder)
{
    TestVolume vol(300LL << 20);
    SKIP_FOR(vol.why);
    const auto before = platform::fileSystemSpace(vol.mountPoint);
    FillRun run(vol.record(), 1);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !run.engine.wipeScanPathStr().isEmpty(); }, 20000));
    run.engine.endAppRemoveFolder();
    EXPECT_FALSE(run.engine.isRunning());
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    platform::syncFileSystemAt(vol.mountPoint);
    EXPECT_EQ(platform::fileSystemSpace(vol.mountPoint).freeBytesRoot, before.freeBytesRoot);
}

// Another volume at the record's mount point, then nothing mounted there at
// all: each run writes nothing anywhere; every pass is reported and the run
// ends as failed.
TEST(FillVolume, AVolumeThatIsGoneIsRefusedAndNothingIsWrittenElsewhere)
{
    TestVolume vol(64LL << 20);
    SKIP_FOR(vol.why);
    const VolumeObjPtr record = vol.record();
    const QString mountPoint = vol.mountPoint;
    ASSERT_TRUE(vol.loop.unmount());
    nvtest::LoopDevice other(64LL << 20);
    ASSERT_TRUE(other.valid() && other.format(QStringLiteral("ext4")));
    ASSERT_TRUE(platform::runProcess(QStringLiteral("mount"), {other.device(), mountPoint}).succeeded());

    for (const bool replaced : {true, false}) {
        FillRun run(record, 2);
        const bool ended = run.waitForEnd(20000);
        const bool untouched = !QFileInfo::exists(Engine::fillFolderFor(mountPoint));
        if (replaced)
            platform::runProcess(QStringLiteral("umount"), {mountPoint});
        ASSERT_TRUE(ended);
        EXPECT_TRUE(untouched) << replaced;
        EXPECT_EQ(run.engine.errorString(), kFolderFail);
        EXPECT_EQ(filltest::countLines(run.log, QStringLiteral("Create finder fail")), 2);
        ASSERT_EQ(run.delegate.passReports().size(), 2) << "a pass without its folder is still reported";
        EXPECT_EQ(run.delegate.passReports()[1].text, Engine::passReportText(2, 2));
        EXPECT_EQ(run.delegate.complite, 1);
    }
    EXPECT_TRUE(QDir(mountPoint).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QDirIterator it(QDir::tempPath(), {QStringLiteral(".VOVU*")}, QDir::AllEntries | QDir::Hidden, QDirIterator::Subdirectories);
    EXPECT_FALSE(it.hasNext()) << "nothing went into the temporary folder";
}

// Another volume mounted where the fill folder goes is no fill folder of this
// volume: nothing is written to it or removed from it, and the run fails as
// one whose folder cannot be made.
TEST(FillVolume, AnotherVolumeMountedOnTheFillFolderIsNeverFilled)
{
    TestVolume vol(64LL << 20);
    SKIP_FOR(vol.why);
    nvtest::LoopDevice other(64LL << 20);
    ASSERT_TRUE(other.valid() && other.format(QStringLiteral("ext4")));
    ASSERT_TRUE(QDir().mkpath(vol.fillFolder()));
    ASSERT_TRUE(platform::runProcess(QStringLiteral("mount"), {other.device(), vol.fillFolder()}).succeeded());
    const auto otherBefore = platform::fileSystemSpace(vol.fillFolder());

    FillRun run(vol.record(), 2);
    const bool ended = run.waitForEnd(60000);
    platform::syncFileSystemAt(vol.fillFolder());
    const QStringList entries = QDir(vol.fillFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const auto otherAfter = platform::fileSystemSpace(vol.fillFolder());
    const bool stillMounted = platform::mountEntryAt(vol.fillFolder()).has_value();
    platform::runProcess(QStringLiteral("umount"), {vol.fillFolder()});
    ASSERT_TRUE(ended);

    EXPECT_TRUE(stillMounted);
    EXPECT_EQ(entries, QStringList{QStringLiteral("lost+found")});
    EXPECT_EQ(otherAfter.freeBytesRoot, otherBefore.freeBytesRoot) << "nothing was written to the other volume";
    EXPECT_EQ(run.engine.errorString(), kFolderFail);
    EXPECT_TRUE(run.log.contains(QStringLiteral("Create finder fail")));
    EXPECT_EQ(run.delegate.complite, 1);
}

// The chosen volume is lazily unmounted in the middle of a pass and another
// volume is mounted at the same folder. The fill goes on only through the
// handle it holds on its own volume: nothing is written to the other one, and
// the ".VOVU" folder the other volume has of its own, with a user's file in
// it, stays as it was.
TEST(FillVolume, ARemountDuringAPassNeverReachesTheVolumeMountedInItsPlace)
{
    TestVolume vol(300LL << 20);
    SKIP_FOR(vol.why);
    nvtest::LoopDevice other(64LL << 20);
    ASSERT_TRUE(other.valid() && other.format(QStringLiteral("ext4")));
    const QString otherPoint = other.mount();
    ASSERT_FALSE(otherPoint.isEmpty());
    ASSERT_TRUE(nvtest::writeFile(Engine::fillFolderFor(otherPoint) + QStringLiteral("/user.txt"), "a user's own file"));
    ASSERT_TRUE(other.unmount());

    const QString point = vol.mountPoint;
    const QString userFile = vol.fillFolder() + QStringLiteral("/user.txt");
    FillRun run(vol.record(), 2);
    const QString first = Engine::fullFilePath(vol.fillFolder(), 1);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return QFileInfo(first).size() > Engine::kFullFileHeader; }, 20000));
    ASSERT_TRUE(platform::runProcess(QStringLiteral("umount"), {QStringLiteral("-l"), point}).succeeded());
    ASSERT_TRUE(platform::runProcess(QStringLiteral("mount"), {other.device(), point}).succeeded());
    const auto otherBefore = platform::fileSystemSpace(point);

    const bool ended = run.waitForEnd(60000);
    platform::syncFileSystemAt(point);
    const QStringList entries = QDir(vol.fillFolder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    QByteArray contents;
    {
        QFile kept(userFile);
        if (kept.open(QIODevice::ReadOnly))
            contents = kept.readAll();
    }
    const auto otherAfter = platform::fileSystemSpace(point);
    ASSERT_TRUE(platform::runProcess(QStringLiteral("umount"), {point}).succeeded());
    ASSERT_TRUE(ended);

    EXPECT_EQ(entries, QStringList{QStringLiteral("user.txt")});
    EXPECT_EQ(contents, QByteArray("a user's own file"));
    EXPECT_EQ(otherAfter.freeBytesRoot, otherBefore.freeBytesRoot) << "nothing was written to the other volume";
    EXPECT_EQ(run.engine.errorString(), kFolderFail);
    EXPECT_TRUE(run.log.contains(QStringLiteral("The volume is gone")));
    EXPECT_TRUE(run.engine.wipeScanPathStr().isEmpty());

    // The chosen volume, let go and mounted again: its fill folder went too.
    const QString again = nvtest::freshFolder(QStringLiteral("again"));
    ASSERT_TRUE(nvtest::pumpUntil(
        [&] { return platform::runProcess(QStringLiteral("mount"), {vol.loop.device(), again}).succeeded(); }, 10000));
    EXPECT_FALSE(QFileInfo::exists(Engine::fillFolderFor(again)));
    platform::runProcess(QStringLiteral("umount"), {again});
}

TEST(FillVolume, AFolderThatCannotBeRemovedFailsTheRunInsteadOfWaitingForEver)
{
    TestVolume vol(64LL << 20);
    SKIP_FOR(vol.why);
    // A fill folder left by an earlier run, holding a file nobody may delete.
    const QString stuck = vol.fillFolder() + QStringLiteral("/stuck");
    ASSERT_TRUE(nvtest::writeFile(stuck, "x"));
    if (!platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), stuck}).succeeded())
        GTEST_SKIP() << "chattr +i is not available here";
    FillRun run(vol.record(), 2);
    const bool ended = run.waitForEnd(60000);
    platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("-i"), stuck});
    ASSERT_TRUE(ended);

    EXPECT_EQ(run.engine.errorString(), kFolderFail);
    EXPECT_EQ(filltest::countLines(run.log, QStringLiteral("Remove folder fail")), Engine::kRemoveAttempts);
    EXPECT_TRUE(run.delegate.passReports().isEmpty());
    EXPECT_EQ(run.delegate.complite, 1);
    EXPECT_EQ(run.engine.iRoundTimes(), 1) << "no second pass after the failure";
    // Still named, so the quit clean-up tries again.
    EXPECT_EQ(run.engine.wipeScanPathStr(), vol.fillFolder());
    run.engine.endAppRemoveFolder();
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
}

TEST(FillVolume, ExFatThroughFuse)
{
    TestVolume vol(64LL << 20, QStringLiteral("exfat"));
    SKIP_FOR(vol.why);
    const QByteArray marker = plantDeletedMarker(vol.mountPoint);
    ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker));
    const auto before = platform::fileSystemSpace(vol.mountPoint);
    FillRun run(vol.record(), 1);
    ASSERT_TRUE(run.waitForEnd());
    EXPECT_EQ(run.engine.errorString(), QString());
    EXPECT_EQ(run.delegate.passReports().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(platform::fileSystemSpace(vol.mountPoint).freeBytes, before.freeBytes);
    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), marker));
}
