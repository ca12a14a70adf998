// Wipe Free Space end to end on loop volumes, and the roads that end a run as
// failed: the disk utility refusing, the password refused, the volume taken
// away during the fill, a cancel during the fill. Root only.

#include "WipeLoopSupport.h"

#include "platform/MountTable.h"

using namespace wipeloop;

namespace {

void wipeFreeSpaceCase(const char* mkfsType, const QStringList& mkfsArgs, const char* tool, const char* name)
{
    prepareEnvironment();
    LoopVolume vol(64LL << 20, mkfsType, mkfsArgs, tool);
    SKIP_UNLESS_READY(vol);
    const QString point = vol.mountPoint();
    const QByteArray live = newMarker("LIVE");
    const QByteArray gone = newMarker("GONE");
    ASSERT_TRUE(writeMarkerFile(point + "/live.bin", live));
    ASSERT_TRUE(writeMarkerFile(point + "/deleted.bin", gone));
    platform::syncFileSystemAt(point);
    ASSERT_TRUE(QFile::remove(point + "/deleted.bin"));
    platform::syncFileSystemAt(point);
    const QByteArray liveDigest = digestOf(point + "/live.bin");
    const VolumeObjPtr record = scannedRecord(vol.loop.device());
    ASSERT_TRUE(record);

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.prepareFreeSpace();
    r.run.makeSureToWipeFreeSpaceSelectVolume();
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.success) << r.run.errorString();
    EXPECT_EQ(digestOf(point + "/live.bin"), liveDigest) << "a live file is untouched";
    EXPECT_FALSE(QFileInfo::exists(point + "/.VOVU"));
    const auto rows = r.newRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Items"), QStringLiteral("剩余空间擦除:%1").arg(QString::fromUtf8(name)));
    EXPECT_EQ(rows[0].value("Result"), "擦除成功");
    ASSERT_TRUE(vol.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), gone)) << "the deleted file's data is still on the device";
    EXPECT_TRUE(nvtest::fileContains(vol.loop.image(), live));
}

void expectFailedRecord(const RealRun& r, const QString& item)
{
    EXPECT_FALSE(r.success);
    EXPECT_EQ(r.locks, (QList<bool>{true, false})) << "the tabs are unlocked again";
    const auto rows = r.newRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Items"), item);
    EXPECT_EQ(rows[0].value("Result"), "擦除失败");
}

// Waits until the fill folder is on the volume and holds data.
bool fillUnderWay(const QString& point)
{
    return nvtest::pumpUntil([&] { return QFileInfo(point + "/.VOVU/.VOVU_1").size() > (4 << 20); }, 30000);
}

} // namespace

TEST(WipeFreeSpaceLoop, Ext4)
{
    wipeFreeSpaceCase("ext4", {"-E", "nodiscard", "-L", "FREEEXT"}, "", "FREEEXT");
}

TEST(WipeFreeSpaceLoop, ExfatThroughFuse)
{
    wipeFreeSpaceCase("exfat", {"-L", "FREEEXFAT"}, "mount.exfat-fuse", "FREEEXFAT");
}

TEST(WipeRoadsLoop, TheDiskUtilityRefusingEndsTheRunWithTheVolumeAsItWas)
{
    prepareEnvironment();
    LoopVolume vol(64LL << 20, "ext4", {"-L", "BUSYVOL"}, "");
    SKIP_UNLESS_READY(vol);
    const VolumeObjPtr record = scannedRecord(vol.loop.device());
    ASSERT_TRUE(record);
    const QString point = record->volumeMountPoint();
    const QByteArray marker = newMarker("STAYS");
    ASSERT_TRUE(writeMarkerFile(point + "/stays.bin", marker));
    const QByteArray before = digestOf(point + "/stays.bin");
    // A file held open keeps the volume from being unmounted: the utility fails.
    QFile held(point + "/stays.bin");
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    const QString cwd = QDir::currentPath();
    QDir::setCurrent(point);

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    QDir::setCurrent(cwd);
    held.close();
    expectFailedRecord(r, "磁盘擦除:BUSYVOL");
    EXPECT_EQ(r.run.errorString(), wiperun::kReformatFailText);
    EXPECT_EQ(digestOf(point + "/stays.bin"), before) << "nothing was changed";
    EXPECT_FALSE(QFileInfo::exists(point + "/.VOVU"));
}

TEST(WipeRoadsLoop, ARefusedPasswordLeavesTheVolumeAsItWas)
{
    prepareEnvironment();
    LoopVolume vol(64LL << 20, "ext4", {"-L", "NOPASS"}, "");
    SKIP_UNLESS_READY(vol);
    const VolumeObjPtr record = scannedRecord(vol.loop.device());
    ASSERT_TRUE(record);
    const QString point = record->volumeMountPoint();
    ASSERT_TRUE(writeMarkerFile(point + "/stays.bin", newMarker("STAYS")));
    const QByteArray before = digestOf(point + "/stays.bin");
    wipetest::FakePkexec pkexec;
    pkexec.refuse();

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    expectFailedRecord(r, "磁盘擦除:NOPASS");
    EXPECT_EQ(pkexec.calls().size(), 1);
    EXPECT_EQ(digestOf(point + "/stays.bin"), before);
    EXPECT_EQ(vol.mountPoint(), point) << "still mounted where it was";
}

TEST(WipeRoadsLoop, AVolumeTakenAwayDuringTheFillEndsAsFailed)
{
    prepareEnvironment();
    LoopVolume vol(200LL << 20, "ext4", {"-L", "GOESAWAY"}, "");
    SKIP_UNLESS_READY(vol);
    const VolumeObjPtr record = scannedRecord(vol.loop.device());
    ASSERT_TRUE(record);
    const QString point = record->volumeMountPoint();

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.prepareFreeSpace();
    r.run.makeSureToWipeFreeSpaceSelectVolume();
    ASSERT_TRUE(fillUnderWay(point));
    ASSERT_TRUE(platform::runProcess("umount", {"-l", point}).succeeded());
    ASSERT_TRUE(r.wait());
    expectFailedRecord(r, "剩余空间擦除:GOESAWAY");
}

TEST(WipeRoadsLoop, ACancelDuringTheFillEndsAsFailed)
{
    prepareEnvironment();
    LoopVolume vol(200LL << 20, "ext4", {"-L", "CANCELME"}, "");
    SKIP_UNLESS_READY(vol);
    const VolumeObjPtr record = scannedRecord(vol.loop.device());
    ASSERT_TRUE(record);
    const QString point = record->volumeMountPoint();

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return QFileInfo(record->volumeMountPoint() + "/.VOVU/.VOVU_1").size() > (4 << 20); }, 60000));
    r.run.cancelEraser();
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.cancelled);
    expectFailedRecord(r, "磁盘擦除:CANCELME");
    EXPECT_FALSE(QFileInfo::exists(record->volumeMountPoint() + "/.VOVU"));
    Q_UNUSED(point);
}
