// The fill's arithmetic, texts, files and sampling, without root: files go into
// the test's own folder; nothing here writes to a volume.

#include "FillTestSupport.h"

#include "platform/Defaults.h"
#include "platform/MountTable.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>

using filltest::RecordingDelegate;
using Engine = FreeSpaceFillEngine;

namespace {

const QString kFolderFail = QStringLiteral("硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。");
const QString kNoRights = QStringLiteral("您没有文件的'读取'和'写入'权限。");

qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }

} // namespace

TEST(FillArithmetic, BudgetUnitsAndRemainder)
{
    struct Case {
        qint64 free, n, rest;
    };
    const Case cases[] = {
        {0, 0, 0},
        {-4096, 0, 0},
        {3999, 0, 3999},
        {127999999, 0, 127999999},
        {128000000, 1, 0},
        {200000000, 1, 72000000},
        {314572800, 2, 58572800},          // 300 MiB
        {1000000000000LL, 7812, 64000000}, // 1 TB
    };
    for (const Case& c : cases) {
        const Engine::FillLayout l = Engine::fillLayoutFor(c.free);
        EXPECT_EQ(l.roundCount, c.n) << c.free;
        EXPECT_EQ(l.loseCount, c.rest) << c.free;
        if (c.free > 0) { // nothing of the budget is left out
            EXPECT_EQ(l.roundCount * Engine::kBudgetUnit + l.loseCount, c.free);
        }
    }
}

TEST(FillArithmetic, FolderAndFileNames)
{
    EXPECT_EQ(Engine::fillFolderFor(QStringLiteral("/media/u/STICK")), QStringLiteral("/media/u/STICK/.VOVU"));
    EXPECT_EQ(Engine::fillFolderFor(QStringLiteral("/")), QStringLiteral("/.VOVU"));
    const QString folder = QStringLiteral("/media/u/STICK/.VOVU");
    EXPECT_EQ(Engine::fullFilePath(folder, 1), folder + QStringLiteral("/.VOVU_1"));
    EXPECT_EQ(Engine::fullFilePath(folder, 12), folder + QStringLiteral("/.VOVU_12"));
    // Full files run from 1 to n; the remainder follows them and never
    // replaces the last one.
    EXPECT_EQ(Engine::loseFilePath(folder, 0), folder + QStringLiteral("/.VOVU_1"));
    EXPECT_EQ(Engine::loseFilePath(folder, 2), folder + QStringLiteral("/.VOVU_3"));
    EXPECT_NE(Engine::loseFilePath(folder, 7812), Engine::fullFilePath(folder, 7812));
}

TEST(FillArithmetic, TextsShowOnePercentSign)
{
    EXPECT_EQ(Engine::passReportText(2, 3), QStringLiteral("已擦除 100%, 2/3 次"));
    EXPECT_EQ(Engine::passReportText(35, 35), QStringLiteral("已擦除 100%, 35/35 次"));
    EXPECT_EQ(Engine::progressText(12.5f, 1, 3), QStringLiteral("已擦除 12.50%, 1/3次"));
    EXPECT_EQ(Engine::progressText(0.0f, 2, 7), QStringLiteral("已擦除 0.00%, 2/7次"));
    EXPECT_EQ(Engine::progressText(99.999f, 1, 1), QStringLiteral("已擦除 100.00%, 1/1次"));
}

TEST(FillArithmetic, ProgressAgainstTheBase)
{
    EXPECT_FLOAT_EQ(Engine::progressFor(1000, 250), 75.0f);
    EXPECT_FLOAT_EQ(Engine::progressFor(1000, 1000), 0.0f);
    EXPECT_FLOAT_EQ(Engine::progressFor(1000, 0), 100.0f);
    EXPECT_NEAR(Engine::progressFor(314572800, 104857600), 66.6667f, 0.001f);
    // A base of nothing gives nothing, never "nan".
    EXPECT_EQ(Engine::progressFor(0, 0), 0.0f);
    EXPECT_EQ(Engine::progressFor(0, 4096), 0.0f);
    EXPECT_EQ(Engine::progressFor(-1, 0), 0.0f);
    EXPECT_EQ(Engine::progressText(Engine::progressFor(0, 0), 1, 1), QStringLiteral("已擦除 0.00%, 1/1次"));

    // The bar never shows less than 0.01.
    EXPECT_DOUBLE_EQ(Engine::barValueFor(0.0f), 0.01);
    EXPECT_DOUBLE_EQ(Engine::barValueFor(1.0f), 0.01);
    EXPECT_DOUBLE_EQ(Engine::barValueFor(-3.0f), 0.01);
    EXPECT_DOUBLE_EQ(Engine::barValueFor(50.0f), 0.5);
    EXPECT_DOUBLE_EQ(Engine::barValueFor(100.0f), 1.0);
}

TEST(FillSettings, PassCountHasAFloorButNoCeiling)
{
    const QString key = QStringLiteral("EraserTimes");
    platform::defaults::remove(key);
    EXPECT_EQ(Engine::getEraserTimes(), 1);
    const int values[][2] = {{0, 1}, {-2, 1}, {1, 1}, {3, 3}, {7, 7}, {35, 35}, {1000, 1000}};
    for (const auto& v : values) {
        platform::defaults::setInteger(key, v[0]);
        EXPECT_EQ(Engine::getEraserTimes(), v[1]) << v[0];
    }
    platform::defaults::setValue(key, QStringLiteral("many"));
    EXPECT_EQ(Engine::getEraserTimes(), 1);
    platform::defaults::remove(key);
}

TEST(FillFiles, FullFilesCarryARandomHeaderAndExactly128MiBOfZeros)
{
    Engine engine;
    const QString folder = nvtest::freshFolder(QStringLiteral("full"));
    platform::LogCapture log;
    engine.roundOneWithRoundCount(2, 1, folder);

    const QString first = Engine::fullFilePath(folder, 1);
    const QString second = Engine::fullFilePath(folder, 2);
    ASSERT_EQ(sizeOf(first), Engine::kFullFileHeader + Engine::kFullFileZeros);
    ASSERT_EQ(sizeOf(second), Engine::kFullFileHeader + Engine::kFullFileZeros);
    EXPECT_FALSE(QFileInfo::exists(Engine::fullFilePath(folder, 3)));
    EXPECT_TRUE(filltest::allBytesAre(first, Engine::kFullFileHeader, '\0'));
    EXPECT_TRUE(filltest::allBytesAre(second, Engine::kFullFileHeader, '\0'));

    QFile a(first), b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    const QByteArray ha = a.read(8), hb = b.read(8);
    EXPECT_NE(ha, hb) << "each file gets its own random header";
    EXPECT_NE(ha, QByteArray(8, '\0'));
    EXPECT_EQ(filltest::countLines(log, QStringLiteral("---------------------: 2")), 2);
}

TEST(FillFiles, ACancelStopsBeforeTheNextRequestAndBeforeTheNextFile)
{
    Engine engine;
    const QString folder = nvtest::freshFolder(QStringLiteral("cancel"));
    engine.setIsCancelEraser(true);
    {
        platform::LogCapture log;
        engine.createDydFile(folder, 1);
        EXPECT_EQ(sizeOf(Engine::fullFilePath(folder, 1)), Engine::kFullFileHeader);
        EXPECT_TRUE(log.contains(QStringLiteral("Operation canceled before completion.")));
    }
    engine.roundOneWithRoundCount(3, 1, folder);
    EXPECT_FALSE(QFileInfo::exists(Engine::fullFilePath(folder, 2)));
    engine.writLostDataWithLoseCount(5000, 3, folder);
    EXPECT_FALSE(QFileInfo::exists(Engine::loseFilePath(folder, 3)));
    EXPECT_EQ(engine.errorString(), QString());
}

TEST(FillFiles, RemainderIsZeroBlocksThenDigitCharacters)
{
    Engine engine;
    const QString folder = nvtest::freshFolder(QStringLiteral("rest"));

    engine.writLostDataWithLoseCount(0, 0, folder);
    EXPECT_TRUE(QDir(folder).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());

    // Under one block: all "0" characters, in the file after the n full files.
    engine.writLostDataWithLoseCount(3999, 0, folder);
    const QString small = Engine::loseFilePath(folder, 0);
    ASSERT_EQ(sizeOf(small), 3999);
    EXPECT_TRUE(filltest::allBytesAre(small, 0, '0'));

    engine.writLostDataWithLoseCount(3 * 4000 + 7, 2, folder);
    const QString mid = Engine::loseFilePath(folder, 2);
    ASSERT_EQ(sizeOf(mid), 12007);
    QFile f(mid);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(bytes.left(12000), QByteArray(12000, '\0'));
    EXPECT_EQ(bytes.mid(12000), QByteArray("0000000"));

    // Larger than one write request: several large requests, same layout.
    const qint64 big = 9000123;
    engine.writLostDataWithLoseCount(big, 5, folder);
    const QString large = Engine::loseFilePath(folder, 5);
    ASSERT_EQ(sizeOf(large), big);
    QFile g(large);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    ASSERT_TRUE(g.seek(big - 200));
    const QByteArray end = g.readAll();
    EXPECT_EQ(end.left(77), QByteArray(77, '\0'));
    EXPECT_EQ(end.mid(77), QByteArray(123, '0'));
    g.close();
    EXPECT_TRUE(filltest::allBytesAre(large, big - 123, '0'));
    EXPECT_EQ(engine.errorString(), QString());
}

TEST(FillFiles, FailuresAreLoggedAndOnlyTheUnopenableRemainderFailsTheRun)
{
    Engine engine;
    const QString missing = nvtest::freshFolder(QStringLiteral("gone")) + QStringLiteral("/no-such-folder");
    platform::LogCapture log;
    engine.createDydFile(missing, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to open file for writing: ") + Engine::fullFilePath(missing, 1)));
    EXPECT_EQ(engine.errorString(), QString());

    engine.writLostDataWithLoseCount(10, 0, missing);
    EXPECT_TRUE(log.contains(QStringLiteral("file open fail")));
    EXPECT_EQ(engine.errorString(), kNoRights);
}

TEST(FillQuit, EndAppRemoveFolderDeletesOnlyWhatIsNamed)
{
    Engine engine;
    const QString keep = nvtest::freshFolder(QStringLiteral("keep"));
    const QString fill = nvtest::freshFolder(QStringLiteral("vol")) + QStringLiteral("/.VOVU");
    ASSERT_TRUE(nvtest::writeFile(fill + QStringLiteral("/.VOVU_1"), QByteArray(4096, '\0')));
    ASSERT_TRUE(nvtest::writeFile(fill + QStringLiteral("/sub/.VOVU_2"), QByteArray(10, '0')));
    ASSERT_TRUE(QFile::link(keep, fill + QStringLiteral("/link-out")));
    ASSERT_TRUE(nvtest::writeFile(keep + QStringLiteral("/precious"), "data"));

    // Between passes nothing is named: nothing goes.
    engine.endAppRemoveFolder();
    EXPECT_TRUE(QFileInfo::exists(fill));

    engine.setWipeScanPathStr(fill);
    engine.endAppRemoveFolder();
    EXPECT_FALSE(QFileInfo::exists(fill));
    EXPECT_EQ(engine.wipeScanPathStr(), QString());
    EXPECT_TRUE(QFileInfo::exists(keep + QStringLiteral("/precious"))) << "a link inside is never followed";

    engine.setWipeScanPathStr(fill);
    engine.endAppRemoveFolder();
    EXPECT_EQ(engine.wipeScanPathStr(), QString());
}

TEST(FillRun, AFolderThatIsNoMountPointIsRefused)
{
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 2);
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    const QString notMounted = nvtest::freshFolder(QStringLiteral("plain"));
    auto volume = std::make_shared<VolumeObj>();
    volume->setVolumeName(QStringLiteral("plain"));
    volume->setVolumeType(QStringLiteral("ext4"));
    volume->setVolumeMountPoint(notMounted);
    volume->setVolumeFreeSizeNum(50000000);
    volume->setVolumeTotalSizeNum(64000000);
    engine.setSelectVolumeObj(volume);

    engine.doFreeSpaceAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate.complite > 0; }, 10000));
    nvtest::pump(100);
    EXPECT_EQ(delegate.complite, 1);
    EXPECT_EQ(engine.errorString(), kFolderFail);
    EXPECT_TRUE(delegate.passReports().isEmpty());
    EXPECT_EQ(delegate.cancelEnabled, 1);
    EXPECT_EQ(delegate.steps, QList<int>{2});
    EXPECT_EQ(delegate.offMainThreadCalls, 0);
    // Delayed blocks ride on coarse timers, which may fire up to 5 % early.
    EXPECT_GE(delegate.compliteAtMs, Engine::kCompliteDelayMs * 95 / 100);
    EXPECT_TRUE(QDir(notMounted).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir::tempPath() + QStringLiteral("/.VOVU")));
    EXPECT_FALSE(engine.isRunning());
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}

TEST(FillRun, NoSelectedVolumeEndsAsFailed)
{
    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    engine.doFreeSpaceAction();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return delegate.complite > 0; }, 10000));
    EXPECT_FALSE(engine.errorString().isEmpty());
    EXPECT_FALSE(engine.isRunning());
}

// The sampling reads the free space of the volume's mount point only; "/" is
// read here, never written.
TEST(FillSampling, TimerSamplesEveryOneAndAHalfSecondsAgainstTheRightBase)
{
    const auto root = platform::fileSystemSpace(QStringLiteral("/"));
    ASSERT_TRUE(root.ok);
    ASSERT_GT(root.freeBytes, 0);

    Engine engine;
    RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    auto volume = std::make_shared<VolumeObj>();
    volume->setVolumeName(QStringLiteral("root"));
    volume->setVolumeMountPoint(QStringLiteral("/"));
    volume->setVolumeFreeSizeNum(root.freeBytes * 2);
    volume->setVolumeTotalSizeNum(0);
    engine.setSelectVolumeObj(volume);
    engine.setSelectEraserType(Engine::kWipeFreeSpace);

    // Without the timer a sample changes nothing.
    engine.updateProgressBarWithProgress(40.0f);
    EXPECT_TRUE(delegate.rounds.isEmpty());

    engine.startProgressUpdateTimer();
    ASSERT_NE(engine.progressUpdateTimer(), nullptr);
    EXPECT_EQ(engine.progressUpdateTimer()->interval(), 1500);
    EXPECT_FALSE(engine.progressUpdateTimer()->isSingleShot());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !delegate.rounds.isEmpty(); }, 4000)) << "the timer fired by itself";
    const filltest::RoundCall first = delegate.rounds.first();
    EXPECT_EQ(first.mode, Engine::kWipeFreeSpace);
    EXPECT_FALSE(first.animated);
    EXPECT_NEAR(first.barValue, 0.5, 0.05) << first.text;
    EXPECT_TRUE(first.text.startsWith(QStringLiteral("已擦除 "))) << first.text;
    EXPECT_TRUE(first.text.endsWith(QStringLiteral("%, 1/3次"))) << first.text;
    EXPECT_EQ(engine.iRoundTimes(), 1);

    // A run that reformatted the volume measures against its whole size; a
    // base of 0 reads 0 %.
    engine.setIsPartitionEraser(true);
    delegate.rounds.clear();
    engine.updateProgress();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !delegate.rounds.isEmpty(); }, 4000));
    EXPECT_EQ(delegate.rounds.first().text, QStringLiteral("已擦除 0.00%, 1/3次"));
    EXPECT_DOUBLE_EQ(delegate.rounds.first().barValue, 0.01);

    // Wipe Volume mode uses its own widgets; any other mode none.
    engine.setSelectEraserType(Engine::kWipeVolume);
    engine.setIRoundTimes(5);
    delegate.rounds.clear();
    engine.updateProgressBarWithProgress(25.0f);
    ASSERT_EQ(delegate.rounds.size(), 1);
    EXPECT_EQ(delegate.rounds.first().mode, Engine::kWipeVolume);
    EXPECT_EQ(delegate.rounds.first().text, QStringLiteral("已擦除 25.00%, 3/3次"));
    EXPECT_EQ(engine.iRoundTimes(), 3);
    engine.setSelectEraserType(0);
    delegate.rounds.clear();
    engine.updateProgressBarWithProgress(25.0f);
    EXPECT_TRUE(delegate.rounds.isEmpty());

    // A cancel stops the timer at the next sample.
    engine.setIsCancelEraser(true);
    engine.updateProgress();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return engine.progressUpdateTimer() == nullptr; }, 4000));
    EXPECT_EQ(delegate.offMainThreadCalls, 0);
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}
