// The fill's arithmetic, texts, files and sampling, without root: files go into
// the test's own folder; the sampling only reads "/".

#include "FillTestSupport.h"

#include "platform/Defaults.h"
#include "platform/MountTable.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/statvfs.h>

using Engine = FreeSpaceFillEngine;

namespace {
qint64 sizeOf(const QString& path) { return QFileInfo(path).size(); }

// `bytes` rounded up to whole blocks of the file system that holds `folder`:
// a fill file never ends inside one.
qint64 wholeBlocks(const QString& folder, qint64 bytes)
{
    struct statvfs s {};
    EXPECT_EQ(statvfs(QFile::encodeName(folder).constData(), &s), 0);
    const qint64 unit = s.f_frsize ? qint64(s.f_frsize) : qint64(s.f_bsize);
    return (bytes + unit - 1) / unit * unit;
}
} // namespace

TEST(FillArithmetic, BudgetNamesTextsAndProgress)
{
    const qint64 cases[][3] = {{0, 0, 0},           {-4096, 0, 0},          {127999999, 0, 127999999},
                               {128000000, 1, 0},   {314572800, 2, 58572800}, {1000000000000LL, 7812, 64000000}};
    for (const auto& c : cases) {
        EXPECT_EQ(Engine::fillLayoutFor(c[0]).roundCount, c[1]) << c[0];
        EXPECT_EQ(Engine::fillLayoutFor(c[0]).loseCount, c[2]) << c[0];
    }
    EXPECT_EQ(Engine::fillFolderFor(QStringLiteral("/")), QStringLiteral("/.VOVU"));
    EXPECT_EQ(Engine::fullFilePath(QStringLiteral("/v/.VOVU"), 12), QStringLiteral("/v/.VOVU/.VOVU_12"));
    // The remainder follows the n full files and never replaces the last one.
    EXPECT_EQ(Engine::loseFilePath(QStringLiteral("/v/.VOVU"), 0), QStringLiteral("/v/.VOVU/.VOVU_1"));
    EXPECT_EQ(Engine::loseFilePath(QStringLiteral("/v/.VOVU"), 2), QStringLiteral("/v/.VOVU/.VOVU_3"));

    EXPECT_EQ(Engine::passReportText(2, 3), QStringLiteral("已擦除 100%, 2/3 次"));
    EXPECT_EQ(Engine::progressText(12.5f, 1, 3), QStringLiteral("已擦除 12.50%, 1/3次"));
    EXPECT_FLOAT_EQ(Engine::progressFor(1000, 250), 75.0f);
    // A base of nothing reads 0 %, never "nan".
    EXPECT_EQ(Engine::progressText(Engine::progressFor(0, 0), 1, 1), QStringLiteral("已擦除 0.00%, 1/1次"));
    // The bar never shows less than 0.01.
    EXPECT_DOUBLE_EQ(Engine::barValueFor(1.0f), 0.01);
    EXPECT_DOUBLE_EQ(Engine::barValueFor(50.0f), 0.5);
}

TEST(FillArithmetic, PassCountHasAFloorButNoCeiling)
{
    for (const auto& v : {std::pair{0, 1}, {-2, 1}, {3, 3}, {35, 35}, {1000, 1000}}) {
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), v.first);
        EXPECT_EQ(Engine::getEraserTimes(), v.second) << v.first;
    }
}

TEST(FillFiles, FullFilesAreARandomHeaderAnd128MiBOfZerosInWholeBlocksUpToIndexN)
{
    Engine engine;
    const QString folder = nvtest::freshFolder(QStringLiteral("full"));
    platform::LogCapture log;
    engine.roundOneWithRoundCount(2, 1, folder);
    QByteArray headers[2];
    for (int i : {1, 2}) {
        const QString path = Engine::fullFilePath(folder, i);
        ASSERT_EQ(sizeOf(path), wholeBlocks(folder, Engine::kFullFileHeader + Engine::kFullFileZeros));
        EXPECT_TRUE(filltest::allBytesAre(path, Engine::kFullFileHeader, '\0'));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        headers[i - 1] = f.read(8);
    }
    EXPECT_NE(headers[0], headers[1]) << "each file gets its own random header";
    EXPECT_FALSE(QFileInfo::exists(Engine::fullFilePath(folder, 3)));
    EXPECT_EQ(filltest::countLines(log, QStringLiteral("---------------------: 2")), 2);

    // A cancel stops before the next request and before the next file.
    engine.setIsCancelEraser(true);
    engine.createDydFile(folder, 4);
    EXPECT_EQ(sizeOf(Engine::fullFilePath(folder, 4)), Engine::kFullFileHeader);
    EXPECT_TRUE(log.contains(QStringLiteral("Operation canceled before completion.")));
    engine.roundOneWithRoundCount(6, 1, folder);
    EXPECT_FALSE(QFileInfo::exists(Engine::fullFilePath(folder, 5)));
    engine.writLostDataWithLoseCount(5000, 6, folder);
    EXPECT_FALSE(QFileInfo::exists(Engine::loseFilePath(folder, 6)));
}

TEST(FillFiles, RemainderIsZeroBlocksThenDigitCharacters)
{
    Engine engine;
    const QString folder = nvtest::freshFolder(QStringLiteral("rest"));
    engine.writLostDataWithLoseCount(0, 0, folder);
    EXPECT_TRUE(QDir(folder).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    engine.writLostDataWithLoseCount(3999, 0, folder); // under one block: all "0"
    ASSERT_EQ(sizeOf(Engine::loseFilePath(folder, 0)), wholeBlocks(folder, 3999));
    EXPECT_TRUE(filltest::allBytesAre(Engine::loseFilePath(folder, 0), 0, '0'));

    const qint64 big = 9000123; // more than one write request
    engine.writLostDataWithLoseCount(big, 5, folder);
    const QString large = Engine::loseFilePath(folder, 5);
    ASSERT_EQ(sizeOf(large), wholeBlocks(folder, big));
    EXPECT_TRUE(filltest::allBytesAre(large, big - 123, '0'));
    QFile g(large);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    EXPECT_EQ(g.read(9000000), QByteArray(9000000, '\0'));
    EXPECT_EQ(engine.errorString(), QString());

    // Only an unopenable remainder fails the run; a full file just logs.
    const QString missing = folder + QStringLiteral("/no-such-folder");
    platform::LogCapture log;
    engine.createDydFile(missing, 1);
    EXPECT_TRUE(log.contains(QStringLiteral("Failed to open file for writing: ") + Engine::fullFilePath(missing, 1)));
    EXPECT_EQ(engine.errorString(), QString());
    engine.writLostDataWithLoseCount(10, 0, missing);
    EXPECT_TRUE(log.contains(QStringLiteral("file open fail")));
    EXPECT_EQ(engine.errorString(), QStringLiteral("您没有文件的'读取'和'写入'权限。"));
}

// At 4,000 bytes the remainder turns from "0" characters into blocks of zero
// bytes, with the odd bytes after the blocks as "0" characters. The file goes
// on to the end of its last file-system block with more of its last kind of
// byte.
TEST(FillFiles, RemainderAtTheFourThousandByteBoundary)
{
    Engine engine;
    const QString folder = nvtest::freshFolder(QStringLiteral("boundary"));
    struct Case {
        qint64 rest, zeros;
    };
    for (const Case c : {Case{3999, 0}, Case{4000, 4000}, Case{4001, 4000}, Case{7999, 4000}, Case{8000, 8000}}) {
        engine.writLostDataWithLoseCount(c.rest, c.rest, folder);
        QFile f(Engine::loseFilePath(folder, c.rest));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << c.rest;
        const QByteArray bytes = f.readAll();
        const qint64 size = wholeBlocks(folder, c.rest);
        const qint64 zeros = c.rest == c.zeros ? size : c.zeros;
        EXPECT_EQ(bytes.size(), size);
        EXPECT_EQ(bytes.left(zeros), QByteArray(zeros, '\0')) << c.rest;
        EXPECT_EQ(bytes.mid(zeros), QByteArray(size - zeros, '0')) << c.rest;
    }
    EXPECT_EQ(engine.errorString(), QString());
}

TEST(FillSampling, TimerSamplesEveryOneAndAHalfSecondsAgainstTheRightBase)
{
    const auto root = platform::fileSystemSpace(QStringLiteral("/"));
    ASSERT_GT(root.freeBytes, 0);
    Engine engine;
    filltest::RecordingDelegate delegate;
    engine.setDelegate(&delegate);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
    auto volume = std::make_shared<VolumeObj>();
    volume->setVolumeMountPoint(QStringLiteral("/"));
    volume->setVolumeFreeSizeNum(root.freeBytes * 2);
    engine.setSelectVolumeObj(volume);

    engine.updateProgressBarWithProgress(40.0f); // no timer: nothing changes
    EXPECT_TRUE(delegate.rounds.isEmpty());
    engine.startProgressUpdateTimer();
    ASSERT_NE(engine.progressUpdateTimer(), nullptr);
    EXPECT_EQ(engine.progressUpdateTimer()->interval(), 1500);
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !delegate.rounds.isEmpty(); }, 4000)) << "the timer fires by itself";
    EXPECT_EQ(delegate.rounds.first().mode, Engine::kWipeFreeSpace);
    EXPECT_NEAR(delegate.rounds.first().barValue, 0.5, 0.05) << delegate.rounds.first().text;
    EXPECT_TRUE(delegate.rounds.first().text.endsWith(QStringLiteral("%, 1/3次"))) << delegate.rounds.first().text;
    EXPECT_EQ(engine.iRoundTimes(), 1);

    // A reformatted volume is measured against its whole size (0 here).
    engine.setIsPartitionEraser(true);
    delegate.rounds.clear();
    engine.updateProgress();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !delegate.rounds.isEmpty(); }, 4000));
    EXPECT_EQ(delegate.rounds.first().text, QStringLiteral("已擦除 0.00%, 1/3次"));

    // Wipe Volume mode has its own widgets.
    engine.setSelectEraserType(Engine::kWipeVolume);
    engine.setIRoundTimes(5);
    delegate.rounds.clear();
    engine.updateProgressBarWithProgress(25.0f);
    ASSERT_EQ(delegate.rounds.size(), 1);
    EXPECT_EQ(delegate.rounds.first().mode, Engine::kWipeVolume);
    EXPECT_EQ(delegate.rounds.first().text, QStringLiteral("已擦除 25.00%, 3/3次"));

    engine.setIsCancelEraser(true); // a cancel stops the timer at the next sample
    engine.updateProgress();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return engine.progressUpdateTimer() == nullptr; }, 4000));
    EXPECT_EQ(delegate.offMainThreadCalls, 0);
    platform::defaults::remove(QStringLiteral("EraserTimes"));
}

// The allocation unit is read from the boot sector each file system's own
// mkfs writes (on a plain image file): a cluster size misread would leave the
// end of every fill file's last cluster unwritten. Anything else answers 0.
TEST(FillFiles, AllocationUnitComesFromTheBootSector)
{
    struct Case {
        const char* mkfs;
        QStringList args;
        qint64 unit;
    };
    const Case cases[] = {
        {"mkfs.vfat", {QStringLiteral("-F"), QStringLiteral("32"), QStringLiteral("-s"), QStringLiteral("8")}, 4096},
        {"mkfs.vfat", {QStringLiteral("-F"), QStringLiteral("16"), QStringLiteral("-s"), QStringLiteral("4")}, 2048},
        {"mkfs.exfat", {QStringLiteral("-c"), QStringLiteral("64K")}, 65536},
        {"mkfs.ntfs", {QStringLiteral("-F"), QStringLiteral("-Q"), QStringLiteral("-c"), QStringLiteral("8192")}, 8192},
        {"mkfs.ntfs", {QStringLiteral("-F"), QStringLiteral("-Q"), QStringLiteral("-c"), QStringLiteral("131072")}, 131072},
    };
    // NTFS boot sectors as written: bytes per sector, the sectors-per-cluster
    // byte, and the cluster it names. Above 0x80 that byte is a negative
    // shift of the sector count.
    struct NtfsRow {
        int bytesPerSector;
        unsigned char perCluster;
        qint64 unit;
    };
    const NtfsRow rows[] = {
        {512, 0x08, 4096},        {512, 0x80, 65536},       {512, 0xF8, 131072},     {4096, 0xF8, 1 << 20},
        {512, 0xFF, 1024},        {512, 0xF4, 2 << 20},     {4096, 0xF5, 0},         {512, 0xF3, 0},
        {512, 0x81, 0},           {512, 0xE0, 0},           {512, 0x03, 0},          {512, 0x00, 0},
    };
    for (const NtfsRow& r : rows) {
        QByteArray boot(512, '\0');
        boot.replace(3, 8, "NTFS    ");
        boot[11] = static_cast<char>(r.bytesPerSector & 0xFF);
        boot[12] = static_cast<char>(r.bytesPerSector >> 8);
        boot[13] = static_cast<char>(r.perCluster);
        boot[510] = '\x55';
        boot[511] = '\xAA';
        EXPECT_EQ(platform::allocationUnitInBootSector(boot), r.unit)
            << r.bytesPerSector << " bytes per sector, byte 0x" << std::hex << int(r.perCluster);
    }

    int tried = 0;
    for (const Case& c : cases) {
        const QString tool = platform::findProgram(QString::fromLatin1(c.mkfs));
        if (tool.isEmpty())
            continue;
        const QString image = nvtest::freshFolder(QStringLiteral("boot")) + QStringLiteral("/disk.img");
        QFile file(image);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.resize(64LL << 20));
        file.close();
        ASSERT_TRUE(platform::runProcess(tool, QStringList(c.args) << image).succeeded()) << c.mkfs;
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(platform::allocationUnitInBootSector(file.read(512)), c.unit) << c.mkfs << " " << c.args.join(' ').toStdString();
        ++tried;
    }
    if (tried == 0)
        GTEST_SKIP() << "no mkfs for FAT, exFAT or NTFS is installed";

    QByteArray sector(512, '\0');
    EXPECT_EQ(platform::allocationUnitInBootSector(sector), 0) << "an empty sector, as ext4's first";
    EXPECT_EQ(platform::allocationUnitInBootSector(QByteArray(100, '\x55')), 0) << "too short";
}
