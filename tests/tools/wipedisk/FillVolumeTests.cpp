// Whole fill passes on loop volumes the tests make themselves (root only).

#include "FillTestSupport.h"

#include "platform/Defaults.h"
#include "platform/FillFile.h"
#include "platform/MountTable.h"
#include "platform/Process.h"
#include "platform/SecureRandom.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using filltest::RecordingDelegate;
using Engine = FreeSpaceFillEngine;

namespace {

const QString kFolderFail = QStringLiteral("硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。");

// A freshly made, mounted volume; "" from prepare() when it is ready.
struct TestVolume {
    explicit TestVolume(qint64 bytes) : loop(bytes) {}

    QString prepare(const QString& fsType = QStringLiteral("ext4"))
    {
        if (!loop.valid())
            return loop.skipReason();
        if (fsType == QLatin1String("ext4")) {
            // No discard: the test looks for leftovers on the raw image.
            if (!loop.format(QStringLiteral("ext4"), {QStringLiteral("-E"), QStringLiteral("nodiscard")}))
                return QStringLiteral("mkfs.ext4 failed");
        } else {
            if (platform::findProgram(QStringLiteral("mkfs.") + fsType).isEmpty())
                return QStringLiteral("mkfs.%1 is not installed").arg(fsType);
            if (!loop.format(fsType))
                return QStringLiteral("mkfs.%1 failed").arg(fsType);
        }
        mountPoint = loop.mount(fsType);
        if (mountPoint.isEmpty())
            return QStringLiteral("this machine cannot mount %1 (no driver and no FUSE tool)").arg(fsType);
        return {};
    }

    // The record the volume scan would make of it.
    VolumeObjPtr record(const QString& type = QStringLiteral("ext4")) const
    {
        auto v = std::make_shared<VolumeObj>();
        const auto space = platform::fileSystemSpace(mountPoint);
        v->setVolumeName(QStringLiteral("FILLTEST"));
        v->setVolumeType(type);
        v->setVolumeMountPoint(mountPoint);
        v->setVolRootDir(loop.device());
        v->setVolumePath(loop.device());
        v->setVolumeFreeSizeNum(space.freeBytes);
        v->setVolumeTotalSizeNum(space.totalBytes);
        v->setIsWritable(true);
        return v;
    }

    QString fillFolder() const { return Engine::fillFolderFor(mountPoint); }

    nvtest::LoopDevice loop;
    QString mountPoint;
};

#define PREPARE_OR_SKIP(vol, ...)                                   \
    do {                                                            \
        const QString why = (vol).prepare(__VA_ARGS__);             \
        if (!why.isEmpty())                                         \
            GTEST_SKIP() << why.toStdString();                      \
    } while (0)

// A file full of a marker, written to the medium and deleted again: its
// blocks hold the marker until something overwrites them.
QByteArray plantDeletedMarker(const QString& mountPoint)
{
    quint8 random[16];
    platform::secureRandomBytes(random, sizeof random);
    const QByteArray marker = QByteArray("NVFILL-MARK-") + QByteArray(reinterpret_cast<const char*>(random), 16).toHex();
    QByteArray content;
    while (content.size() < (4 << 20))
        content += marker;
    const QString path = mountPoint + QStringLiteral("/secret.bin");
    EXPECT_TRUE(nvtest::writeFile(path, content));
    platform::syncFileSystemAt(mountPoint);
    EXPECT_TRUE(QFile::remove(path));
    platform::syncFileSystemAt(mountPoint);
    return marker;
}

void setPasses(int passes) { platform::defaults::setInteger(QStringLiteral("EraserTimes"), passes); }

bool waitForComplite(const RecordingDelegate& delegate, int timeoutMs = 120000)
{
    return nvtest::pumpUntil([&] { return delegate.complite > 0; }, timeoutMs);
}

QStringList hiddenFillFoldersUnder(const QString& root)
{
    QStringList found;
    QDirIterator it(root, {QStringLiteral(".VOVU*")}, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

} // namespace

class OnePass : public ::testing::TestWithParam<std::pair<qint64, qint64>> {};

// Size of the volume, and the full files its free space makes.
INSTANTIATE_TEST_SUITE_P(Sizes, OnePass,
                         ::testing::Values(std::make_pair<qint64, qint64>(64LL << 20, 0),
                                           std::make_pair<qint64, qint64>(300LL << 20, 2)),
                         [](const auto& info) { return QStringLiteral("n%1").arg(info.param.second).toStdString(); });

TEST_P(OnePass, LeavesTheFreeSpaceAsItWasAndDeletedDataUnreadable)
{
    TestVolume vol(GetParam().first);
    PREPARE_OR_SKIP(vol);
    const QByteArray marker = plantDeletedMarker(vol.mountPoint);
    ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker)) << "the deleted file's blocks still hold it";

    const auto before = platform::fileSystemSpace(vol.mountPoint);
    const VolumeObjPtr record = vol.record();
    const qint64 budget = std::max<qint64>(record->volumeFreeSizeNum(), platform::writableFreeBytes(vol.mountPoint));
    ASSERT_EQ(Engine::fillLayoutFor(budget).roundCount, GetParam().second) << "volume size gives the intended n";

    setPasses(1);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectEraserType(Engine::kWipeFreeSpace);
    engine.setSelectVolumeObj(record);
    platform::LogCapture log;
    engine.doFreeSpaceAction();
    ASSERT_TRUE(waitForComplite(delegate));
    nvtest::pump(50);

    EXPECT_EQ(engine.errorString(), QString());
    EXPECT_EQ(delegate.complite, 1);
    ASSERT_EQ(delegate.passReports().size(), 1);
    EXPECT_EQ(delegate.passReports().first().mode, Engine::kWipeFreeSpace);
    EXPECT_EQ(delegate.passReports().first().text, QStringLiteral("已擦除 100%, 1/1 次"));
    EXPECT_DOUBLE_EQ(delegate.passReports().first().barValue, 1.0);
    EXPECT_EQ(delegate.offMainThreadCalls, 0);
    // n full files, not n - 1.
    EXPECT_EQ(filltest::countLines(log, QStringLiteral("1---------------------: %1").arg(GetParam().second)),
              GetParam().second);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(engine.wipeScanPathStr(), QString());
    EXPECT_EQ(engine.progressUpdateTimer(), nullptr);

    const auto after = platform::fileSystemSpace(vol.mountPoint);
    EXPECT_EQ(after.freeBytesRoot, before.freeBytesRoot);
    EXPECT_EQ(after.freeBytes, before.freeBytes);

    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), marker)) << "the fill overwrote every free block";
}

// On this platform the pages of a deleted file are dropped without ever being
// written: a full file that is deleted at once must already be on the medium.
TEST(FillVolume, AFullFileIsOnTheMediumBeforeItIsDeleted)
{
    TestVolume vol(300LL << 20);
    PREPARE_OR_SKIP(vol);
    const QByteArray marker = plantDeletedMarker(vol.mountPoint);
    ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker));

    Engine engine;
    const QString folder = vol.fillFolder();
    ASSERT_TRUE(platform::makeFillFolder(folder));
    engine.createDydFile(folder, 1);
    ASSERT_EQ(QFileInfo(Engine::fullFilePath(folder, 1)).size(), Engine::kFullFileHeader + Engine::kFullFileZeros);
    ASSERT_TRUE(platform::removeTree(folder));
    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), marker));
}

TEST(FillVolume, ThreePassesAreReportedInOrderThenHandedOverOnce)
{
    TestVolume vol(64LL << 20);
    PREPARE_OR_SKIP(vol);
    setPasses(3);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectEraserType(Engine::kWipeVolume);
    engine.setSelectVolumeObj(vol.record());
    engine.doFreeSpaceAction();
    ASSERT_TRUE(waitForComplite(delegate));
    nvtest::pump(300);

    EXPECT_EQ(engine.errorString(), QString());
    const auto reports = delegate.passReports();
    ASSERT_EQ(reports.size(), 3);
    EXPECT_EQ(reports[0].text, QStringLiteral("已擦除 100%, 1/3 次"));
    EXPECT_EQ(reports[1].text, QStringLiteral("已擦除 100%, 2/3 次"));
    EXPECT_EQ(reports[2].text, QStringLiteral("已擦除 100%, 3/3 次"));
    for (const auto& r : reports)
        EXPECT_EQ(r.mode, Engine::kWipeVolume);
    EXPECT_EQ(delegate.complite, 1);
    // Delayed blocks ride on coarse timers, which may fire up to 5 % early.
    EXPECT_GE(delegate.compliteAtMs - reports[2].atMs, Engine::kCompliteDelayMs * 95 / 100);
    EXPECT_EQ(engine.iRoundTimes(), 3);
    EXPECT_EQ(delegate.steps, QList<int>{2});
    EXPECT_EQ(delegate.cancelEnabled, 1);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
}

TEST(FillVolume, CancelDuringAFullFileStopsTheWriterAndLeavesNothing)
{
    TestVolume vol(300LL << 20);
    PREPARE_OR_SKIP(vol);
    const auto before = platform::fileSystemSpace(vol.mountPoint);
    setPasses(3);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectEraserType(Engine::kWipeFreeSpace);
    engine.setSelectVolumeObj(vol.record());
    platform::LogCapture log;

    // Cancel as the first full file starts to grow, as a user's click would.
    const QString firstFile = Engine::fullFilePath(vol.fillFolder(), 1);
    std::atomic<bool> stop{false};
    std::atomic<qint64> sizeAtCancel{-1};
    QElapsedTimer sinceCancel;
    std::thread watcher([&] {
        while (!stop) {
            const qint64 size = QFileInfo(firstFile).size();
            if (size > Engine::kFullFileHeader) {
                sinceCancel.start();
                engine.setIsCancelEraser(true);
                sizeAtCancel = size;
                return;
            }
            QThread::usleep(200);
        }
    });
    engine.doFreeSpaceAction();
    const bool stopped = nvtest::pumpUntil([&] { return sizeAtCancel >= 0 && !engine.isRunning(); }, 60000);
    const qint64 stopMs = sizeAtCancel >= 0 ? sinceCancel.elapsed() : -1;
    stop = true;
    watcher.join();
    ASSERT_TRUE(stopped);
    ASSERT_TRUE(waitForComplite(delegate, 10000));
    nvtest::pump(100);

    EXPECT_LT(sizeAtCancel, Engine::kFullFileHeader + Engine::kFullFileZeros);
    EXPECT_TRUE(log.contains(QStringLiteral("Operation canceled before completion."))) << "stopped inside the file";
    EXPECT_LT(filltest::countLines(log, QStringLiteral("---------------------: 2")), 2);
    EXPECT_LT(stopMs, 2000) << "the writer stopped within a moment of the cancel";
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(engine.wipeScanPathStr(), QString());
    ASSERT_EQ(delegate.passReports().size(), 1) << "the cancelled pass is still reported, and no pass follows";
    EXPECT_EQ(delegate.complite, 1);
    EXPECT_EQ(engine.iRoundTimes(), 1);
    const auto after = platform::fileSystemSpace(vol.mountPoint);
    EXPECT_EQ(after.freeBytesRoot, before.freeBytesRoot);
}

TEST(FillVolume, QuitDuringAPassStopsTheWriterFirstThenRemovesTheFolder)
{
    TestVolume vol(300LL << 20);
    PREPARE_OR_SKIP(vol);
    const auto before = platform::fileSystemSpace(vol.mountPoint);
    setPasses(1);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectVolumeObj(vol.record());
    engine.doFreeSpaceAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !engine.wipeScanPathStr().isEmpty(); }, 20000));

    engine.endAppRemoveFolder();
    EXPECT_FALSE(engine.isRunning());
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(engine.wipeScanPathStr(), QString());
    platform::syncFileSystemAt(vol.mountPoint);
    EXPECT_EQ(platform::fileSystemSpace(vol.mountPoint).freeBytesRoot, before.freeBytesRoot);
}

TEST(FillVolume, AVolumeThatIsGoneIsRefusedAndNothingIsWrittenElsewhere)
{
    TestVolume vol(64LL << 20);
    PREPARE_OR_SKIP(vol);
    const VolumeObjPtr record = vol.record();
    const QString mountPoint = vol.mountPoint;
    ASSERT_TRUE(vol.loop.unmount());
    ASSERT_TRUE(QFileInfo(mountPoint).isDir()) << "the empty mount point stays behind";

    setPasses(2);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectVolumeObj(record);
    engine.doFreeSpaceAction();
    ASSERT_TRUE(waitForComplite(delegate, 20000));
    nvtest::pump(100);

    EXPECT_EQ(engine.errorString(), kFolderFail);
    EXPECT_TRUE(delegate.passReports().isEmpty());
    EXPECT_EQ(delegate.complite, 1);
    EXPECT_TRUE(QDir(mountPoint).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    EXPECT_TRUE(hiddenFillFoldersUnder(QDir::tempPath()).isEmpty()) << hiddenFillFoldersUnder(QDir::tempPath());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/.VOVU")));
}

TEST(FillVolume, AnotherVolumeAtTheSameMountPointIsRefused)
{
    TestVolume first(64LL << 20);
    PREPARE_OR_SKIP(first);
    const VolumeObjPtr record = first.record();
    const QString mountPoint = first.mountPoint;
    ASSERT_TRUE(first.loop.unmount());

    nvtest::LoopDevice other(64LL << 20);
    ASSERT_TRUE(other.valid());
    ASSERT_TRUE(other.format(QStringLiteral("ext4")));
    const auto r = platform::runProcess(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("ext4"), other.device(), mountPoint});
    ASSERT_TRUE(r.succeeded()) << r.standardError.toStdString();

    setPasses(1);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectVolumeObj(record);
    engine.doFreeSpaceAction();
    const bool ended = waitForComplite(delegate, 20000);
    const bool wrote = QFileInfo::exists(Engine::fillFolderFor(mountPoint));
    platform::runProcess(QStringLiteral("umount"), {mountPoint});
    ASSERT_TRUE(ended);
    EXPECT_FALSE(wrote);
    EXPECT_EQ(engine.errorString(), kFolderFail);
    EXPECT_TRUE(delegate.passReports().isEmpty());
}

TEST(FillVolume, AFolderThatCannotBeRemovedFailsTheRunInsteadOfWaitingForEver)
{
    TestVolume vol(64LL << 20);
    PREPARE_OR_SKIP(vol);
    // A fill folder left by an earlier run, holding a file nobody may delete.
    const QString stuck = vol.fillFolder() + QStringLiteral("/stuck");
    ASSERT_TRUE(nvtest::writeFile(stuck, "x"));
    const auto chattr = platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), stuck});
    if (!chattr.succeeded())
        GTEST_SKIP() << "chattr +i is not available here";

    setPasses(2);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectVolumeObj(vol.record());
    platform::LogCapture log;
    engine.doFreeSpaceAction();
    const bool ended = waitForComplite(delegate, 60000);
    platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("-i"), stuck});
    ASSERT_TRUE(ended);
    nvtest::pump(100);

    EXPECT_EQ(engine.errorString(), kFolderFail);
    EXPECT_EQ(filltest::countLines(log, QStringLiteral("Remove folder fail")), Engine::kRemoveAttempts);
    EXPECT_TRUE(delegate.passReports().isEmpty());
    EXPECT_EQ(delegate.complite, 1);
    EXPECT_EQ(engine.iRoundTimes(), 1) << "no second pass after the failure";
    // The folder is still named, so the quit clean-up tries again.
    EXPECT_EQ(engine.wipeScanPathStr(), vol.fillFolder());
    EXPECT_FALSE(QFileInfo::exists(Engine::fullFilePath(vol.fillFolder(), 1)));
    engine.endAppRemoveFolder();
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
}

TEST(FillVolume, ASecondStartWhileRunningIsIgnored)
{
    TestVolume vol(300LL << 20);
    PREPARE_OR_SKIP(vol);
    setPasses(1);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectVolumeObj(vol.record());
    platform::LogCapture log;
    engine.doFreeSpaceAction();
    engine.doFreeSpaceAction();
    ASSERT_TRUE(waitForComplite(delegate));
    nvtest::pump(2500);
    EXPECT_TRUE(log.contains(QStringLiteral("A free-space fill is already running")));
    EXPECT_EQ(delegate.passReports().size(), 1);
    EXPECT_EQ(delegate.complite, 1);
    EXPECT_EQ(engine.errorString(), QString());
}

TEST(FillVolume, ExFatThroughFuse)
{
    TestVolume vol(64LL << 20);
    PREPARE_OR_SKIP(vol, QStringLiteral("exfat"));
    const QByteArray marker = plantDeletedMarker(vol.mountPoint);
    ASSERT_TRUE(nvtest::fileContains(vol.loop.image(), marker));
    const auto before = platform::fileSystemSpace(vol.mountPoint);

    setPasses(1);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.setSelectVolumeObj(vol.record(QStringLiteral("ExFAT")));
    engine.doFreeSpaceAction();
    ASSERT_TRUE(waitForComplite(delegate));

    EXPECT_EQ(engine.errorString(), QString());
    EXPECT_EQ(delegate.passReports().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(vol.fillFolder()));
    EXPECT_EQ(platform::fileSystemSpace(vol.mountPoint).freeBytes, before.freeBytes);
    ASSERT_TRUE(vol.loop.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), marker));
}
