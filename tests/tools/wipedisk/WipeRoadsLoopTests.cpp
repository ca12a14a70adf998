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
    SKIP_FOR(vol.why);
    const QString point = vol.mountPoint();
    const QByteArray live = newMarker("LIVE");
    const QByteArray gone = newMarker("GONE");
    ASSERT_TRUE(writeLiveAndDeleted(point, "/live.bin", live, gone));
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

// An ext4 loop volume named `label`, mounted by the disk utility and listed by
// the scan.
struct ScannedExt4 {
    struct Prepared {
        Prepared() { prepareEnvironment(); }
    } prepared;
    explicit ScannedExt4(const char* label, qint64 bytes = 64LL << 20)
        : vol(bytes, "ext4", {"-L", label}, "")
    {
        if (vol.why.isEmpty() && (record = scannedRecord(vol.loop.device())))
            point = record->volumeMountPoint();
        else if (vol.why.isEmpty())
            vol.why = "the scan does not list the volume";
    }
    LoopVolume vol;
    VolumeObjPtr record;
    QString point;
};

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
    ScannedExt4 v("BUSYVOL");
    SKIP_FOR(v.vol.why);
    ASSERT_TRUE(writeMarkerFile(v.point + "/stays.bin", newMarker("STAYS")));
    const QByteArray before = digestOf(v.point + "/stays.bin");
    // A file held open keeps the volume from being unmounted: the utility fails.
    QFile held(v.point + "/stays.bin");
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));

    RealRun r;
    r.run.setSelectVolumeObj(v.record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    held.close();
    expectFailedRecord(r, "磁盘擦除:BUSYVOL");
    EXPECT_EQ(r.run.errorString(), wiperun::kReformatFailText);
    EXPECT_EQ(digestOf(v.point + "/stays.bin"), before) << "nothing was changed";
    EXPECT_FALSE(QFileInfo::exists(v.point + "/.VOVU"));
}

TEST(WipeRoadsLoop, ARefusedPasswordLeavesTheVolumeAsItWas)
{
    ScannedExt4 v("NOPASS");
    SKIP_FOR(v.vol.why);
    ASSERT_TRUE(writeMarkerFile(v.point + "/stays.bin", newMarker("STAYS")));
    const QByteArray before = digestOf(v.point + "/stays.bin");
    wipetest::FakePkexec pkexec;
    pkexec.refuse();

    RealRun r;
    r.run.setSelectVolumeObj(v.record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    expectFailedRecord(r, "磁盘擦除:NOPASS");
    EXPECT_EQ(pkexec.calls().size(), 1);
    EXPECT_EQ(digestOf(v.point + "/stays.bin"), before);
    EXPECT_EQ(v.vol.mountPoint(), v.point) << "still mounted where it was";
}

TEST(WipeRoadsLoop, WipeFreeSpaceOnAReadOnlyVolumeEndsWithTheBusyOrReadOnlyMessage)
{
    ScannedExt4 v("READONLY");
    SKIP_FOR(v.vol.why);
    ASSERT_TRUE(platform::runProcess("mount", {"-o", "remount,ro", v.point}).succeeded());

    RealRun r;
    r.run.setSelectVolumeObj(v.record);
    r.run.prepareFreeSpace();
    r.run.makeSureToWipeFreeSpaceSelectVolume();
    ASSERT_TRUE(r.wait());
    expectFailedRecord(r, "剩余空间擦除:READONLY");
    EXPECT_EQ(r.run.errorString(), "硬盘驱动器已被占用或为只读,关闭其他程序或删除只读属性以重试。");
}

TEST(WipeRoadsLoop, AVolumeTakenAwayDuringTheFillEndsAsFailed)
{
    ScannedExt4 v("GOESAWAY", 200LL << 20);
    SKIP_FOR(v.vol.why);

    RealRun r;
    r.run.setSelectVolumeObj(v.record);
    r.run.prepareFreeSpace();
    r.run.makeSureToWipeFreeSpaceSelectVolume();
    ASSERT_TRUE(fillUnderWay(v.point));
    ASSERT_TRUE(platform::runProcess("umount", {"-l", v.point}).succeeded());
    ASSERT_TRUE(r.wait());
    expectFailedRecord(r, "剩余空间擦除:GOESAWAY");
}

// While the confirmation is open the chosen volume gives way to another file
// system on the same device and mount point: nothing is written to it, the
// user is told, and the record says the wipe failed.
TEST(WipeRoadsLoop, AnotherVolumeInTheChosenOnesPlaceIsNotFilled)
{
    ScannedExt4 v("SWAPPED");
    SKIP_FOR(v.vol.why);
    RealRun r;
    r.run.setSelectVolumeObj(v.record);
    r.run.prepareFreeSpace();
    ASSERT_TRUE(v.vol.unmount());
    ASSERT_TRUE(v.vol.loop.format("ext4", {"-L", "SWAPPED"}));
    ASSERT_TRUE(diskutil({"mount", v.vol.loop.device()}).succeeded());
    ASSERT_EQ(v.vol.mountPoint(), v.point);
    ASSERT_NE(v.vol.facts().value("VolumeUUID").toString(), v.record->volumeUUID());
    const QByteArray gone = newMarker("GONE");
    ASSERT_TRUE(writeLiveAndDeleted(v.point, "/live.bin", newMarker("LIVE"), gone));

    r.run.makeSureToWipeFreeSpaceSelectVolume();
    ASSERT_TRUE(r.wait());
    expectFailedRecord(r, "剩余空间擦除:SWAPPED");
    EXPECT_EQ(r.run.failureNote(), FreeSpaceFillEngine::notTheChosenVolumeText());
    EXPECT_FALSE(QFileInfo::exists(v.point + "/.VOVU"));
    ASSERT_TRUE(v.vol.unmount());
    EXPECT_TRUE(nvtest::fileContains(v.vol.loop.image(), gone)) << "the other volume's free space was written";
}

TEST(WipeRoadsLoop, ACancelDuringTheFillEndsAsFailed)
{
    ScannedExt4 v("CANCELME", 200LL << 20);
    SKIP_FOR(v.vol.why);

    RealRun r;
    r.run.setSelectVolumeObj(v.record);
    r.run.makeSureToWipeSelectVolume();
    // The reformatted volume comes back at its mount point of the same name.
    ASSERT_TRUE(fillUnderWay(v.record->volumeMountPoint()));
    r.run.cancelEraser();
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.cancelled);
    expectFailedRecord(r, "磁盘擦除:CANCELME");
    EXPECT_FALSE(QFileInfo::exists(v.record->volumeMountPoint() + "/.VOVU"));
}

// A reformatted volume is found again, and is still there after its fill, only
// when the device mounted on top at its mount point is the device that was
// reformatted: another device mounted over the same folder is not the volume.
TEST(WipeRoadsLoop, TheVolumeIsRecognisedOnlyByTheDeviceOnTopOfItsMountPoint)
{
    prepareEnvironment();
    nvtest::LoopDevice chosen(64LL << 20), other(64LL << 20);
    NEED_LOOP(chosen);
    NEED_LOOP(other);
    ASSERT_TRUE(chosen.format("ext4") && other.format("ext4"));
    const QString point = chosen.mount();
    ASSERT_FALSE(point.isEmpty());
    const QVariantMap facts{{QStringLiteral("MountPoint"), point}};
    EXPECT_TRUE(WipeDiskRun::mountedFromDevice(facts, chosen.device()));
    EXPECT_FALSE(WipeDiskRun::mountedFromDevice(facts, other.device()));

    ASSERT_TRUE(platform::runProcess("mount", {other.device(), point}).succeeded());
    const bool chosenSeen = WipeDiskRun::mountedFromDevice(facts, chosen.device());
    const bool otherSeen = WipeDiskRun::mountedFromDevice(facts, other.device());
    platform::runProcess("umount", {point});
    EXPECT_FALSE(chosenSeen) << "another device is mounted over the volume";
    EXPECT_TRUE(otherSeen);
}
