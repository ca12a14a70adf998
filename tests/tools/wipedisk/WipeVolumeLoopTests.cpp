// Wipe Volume end to end on loop volumes: the volume is reformatted keeping
// its name and type (NTFS coming back as FAT32 "NEW", an unnamed exFAT volume
// as "NEWExFAT"), nothing of the old data is left on the device, the volume is
// mounted again, and one history record tells of it. Root only.

#include "WipeLoopSupport.h"

using namespace wipeloop;

namespace {

struct Case {
    const char* title;
    const char* mkfsType;
    QStringList mkfsArgs;
    const char* fuseTool;     // "" when the kernel mounts it
    const char* nameBefore;   // as the scan lists it
    const char* nameAfter;
    const char* typeAfter;
};

void wipeVolumeCase(const Case& c)
{
    prepareEnvironment();
    LoopVolume vol(64LL << 20, c.mkfsType, c.mkfsArgs, c.fuseTool);
    SKIP_FOR(vol.why);
    const VolumeObjPtr record = scannedRecord(vol.loop.device());
    ASSERT_TRUE(record) << "the scan lists the volume the disk utility mounted";
    EXPECT_EQ(record->volumeName(), c.nameBefore);
    const QString point = record->volumeMountPoint();
    ASSERT_TRUE(point.startsWith(mountBase())) << point;

    const QByteArray live = newMarker("LIVE");
    const QByteArray gone = newMarker("GONE");
    ASSERT_TRUE(writeLiveAndDeleted(point, "/keep/live.bin", live, gone));

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait()) << "the run ended";
    EXPECT_TRUE(r.success) << r.run.errorString();
    EXPECT_EQ(r.locks, (QList<bool>{true, false}));

    const QVariantMap after = vol.facts();
    EXPECT_EQ(after.value("VolumeName").toString(), c.nameAfter);
    EXPECT_EQ(after.value("FilesystemName").toString(), c.typeAfter);
    const QString newPoint = after.value("MountPoint").toString();
    ASSERT_FALSE(newPoint.isEmpty()) << "mounted again";
    EXPECT_EQ(record->volumeMountPoint(), newPoint);
    EXPECT_FALSE(QFileInfo::exists(newPoint + "/keep")) << "the old files are gone";
    EXPECT_FALSE(QFileInfo::exists(newPoint + "/.VOVU")) << "the fill folder is gone";

    const auto rows = r.newRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].value("Items"), QStringLiteral("磁盘擦除:%1").arg(QString::fromUtf8(c.nameBefore == QLatin1String("Untitled") ? c.nameAfter : c.nameBefore)));
    EXPECT_EQ(rows[0].value("Result"), "擦除成功");

    ASSERT_TRUE(vol.unmount());
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), live)) << "a live file's data is on the device";
    EXPECT_FALSE(nvtest::fileContains(vol.loop.image(), gone)) << "a deleted file's data is on the device";
}

} // namespace

TEST(WipeVolumeLoop, Ext4KeepsItsNameAndType)
{
    wipeVolumeCase({"ext4", "ext4", {"-E", "nodiscard", "-L", "WIPEEXT"}, "", "WIPEEXT", "WIPEEXT", "ext4"});
}

TEST(WipeVolumeLoop, UnnamedExfatComesBackAsNEWExFAT)
{
    wipeVolumeCase({"exfat", "exfat", {}, "mount.exfat-fuse", "Untitled", "NEWExFAT", "ExFAT"});
}

TEST(WipeVolumeLoop, Fat32ThroughFuse)
{
    wipeVolumeCase({"fat32", "fat", {"-F", "32", "-n", "WIPEFAT"}, "fusefat", "WIPEFAT", "WIPEFAT", "MS-DOS FAT32"});
}

TEST(WipeVolumeLoop, NtfsComesBackAsFat32NEW)
{
    wipeVolumeCase({"ntfs", "ntfs", {"-L", "WIPENTFS"}, "ntfs-3g", "WIPENTFS", "NEW", "MS-DOS FAT32"});
}

// Two volumes, the first chosen, then unmounted and mounted again (as an
// automounter, another program or a terminal may): the mount table, and so the
// list, now holds it below the other. The choice stays on it, and the run it
// is handed reformats it and leaves the other alone. Unmounted for good, it
// leaves nothing chosen.
TEST(WipeVolumeLoop, TheChoiceStaysOnAVolumeMountedAgain)
{
    prepareEnvironment();
    LoopVolume a(64LL << 20, "ext4", {"-E", "nodiscard", "-L", "NVA"}, "");
    SKIP_FOR(a.why);
    LoopVolume b(64LL << 20, "ext4", {"-E", "nodiscard", "-L", "NVB"}, "");
    SKIP_FOR(b.why);

    WipeVolumeScanner scanner;
    WipeVolumeList list;
    QObject::connect(&scanner, &WipeVolumeScanner::scanFinished,
                     [&list](const QList<VolumeObjPtr>& v) { list.setAllVolumeArr(v); });
    const auto rescan = [&] {
        scanner.getallVolumes();
        EXPECT_TRUE(scanner.waitForScan(30000));
        nvtest::pump(10);
        return list.retakeChoice();
    };
    const auto rowOf = [&list](const QString& device) {
        const QList<VolumeObjPtr>& all = list.allVolumeArr();
        for (qsizetype i = 0; i < all.size(); ++i)
            if (all[i]->volRootDir() == device)
                return static_cast<int>(i);
        return -1;
    };

    EXPECT_FALSE(rescan());
    ASSERT_GE(rowOf(a.loop.device()), 0);
    ASSERT_LT(rowOf(a.loop.device()), rowOf(b.loop.device()));
    ASSERT_TRUE(list.shouldSelectRow(rowOf(a.loop.device())));
    ASSERT_FALSE(list.selectVolumeObj()->volumeUUID().isEmpty());

    ASSERT_TRUE(a.unmount());
    ASSERT_TRUE(diskutil({"mount", a.loop.device()}).succeeded());
    ASSERT_TRUE(rescan());
    ASSERT_GT(rowOf(a.loop.device()), rowOf(b.loop.device())) << "mounted again, it comes last";
    EXPECT_EQ(list.selectVolumeObj()->volRootDir(), a.loop.device());
    EXPECT_EQ(list.selectIndex(), rowOf(a.loop.device()));

    const QByteArray mine = newMarker("CHOSEN");
    const QByteArray neighbour = newMarker("NEIGHBOUR");
    ASSERT_TRUE(writeMarkerFile(list.selectVolumeObj()->volumeMountPoint() + "/a.bin", mine));
    ASSERT_TRUE(writeMarkerFile(b.mountPoint() + "/b.bin", neighbour));
    platform::syncFileSystemAt(b.mountPoint());
    RealRun r;
    r.run.setSelectVolumeObj(list.selectVolumeObj());
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.success) << r.run.errorString();
    EXPECT_FALSE(QFileInfo::exists(a.mountPoint() + "/a.bin"));
    EXPECT_TRUE(QFileInfo::exists(b.mountPoint() + "/b.bin"));
    EXPECT_EQ(b.facts().value("VolumeName").toString(), "NVB");

    ASSERT_TRUE(b.unmount());
    EXPECT_TRUE(nvtest::fileContains(b.loop.image(), neighbour)) << "the other volume was written";

    // Unmounted for good: nothing is chosen.
    list.setSelectVolumeObj(r.run.selectVolumeObj());
    ASSERT_TRUE(rescan()) << "the reformatted volume, by its new facts";
    ASSERT_TRUE(a.unmount());
    EXPECT_FALSE(rescan());
    EXPECT_EQ(list.selectVolumeObj(), nullptr);
    EXPECT_EQ(list.selectIndex(), -1);
}

TEST(WipeVolumeLoop, ASecondPartitionOfTheDiskIsUntouched)
{
    prepareEnvironment();
    if (!haveTool("sfdisk") || !haveTool("partx"))
        GTEST_SKIP() << "sfdisk and partx (packages fdisk, util-linux) are needed to partition a disk";
    nvtest::LoopDevice disk(130LL << 20);
    NEED_LOOP(disk);
    platform::ProcessOptions o;
    o.standardInput = "label: gpt\n,60M,L\n,60M,L\n";
    ASSERT_TRUE(platform::runProcess(platform::findProgram("sfdisk"), {"-q", disk.device()}, o).succeeded());
    platform::runProcess(platform::findProgram("partx"), {"-a", disk.device()});
    const QString p1 = disk.device() + "p1";
    const QString p2 = disk.device() + "p2";
    struct Detach {
        QString device;
        ~Detach()
        {
            diskutil({"unmount", device + "p1"});
            platform::runProcess(platform::findProgram("partx"), {"-d", device});
        }
    } detach{disk.device()};
    if (!QFileInfo::exists(p2))
        GTEST_SKIP() << "the kernel shows no partitions of loop devices";
    const QStringList mkfs = {"-F", "-q", "-E", "nodiscard", "-L"};
    ASSERT_TRUE(platform::runProcess(platform::findProgram("mkfs.ext4"), mkfs + QStringList{"PONE", p1}).succeeded());
    ASSERT_TRUE(platform::runProcess(platform::findProgram("mkfs.ext4"), mkfs + QStringList{"PTWO", p2}).succeeded());
    // The second partition holds data of its own, unmounted, byte for byte.
    const QString other = nvtest::freshFolder("p2");
    ASSERT_TRUE(platform::runProcess("mount", {p2, other}).succeeded());
    const QByteArray neighbour = newMarker("NEIGHBOUR");
    ASSERT_TRUE(writeMarkerFile(other + "/n.bin", neighbour));
    ASSERT_TRUE(platform::runProcess("umount", {other}).succeeded());
    const QByteArray p2Before = digestOf(p2);

    ASSERT_TRUE(diskutil({"mount", p1}).succeeded());
    const VolumeObjPtr record = scannedRecord(p1);
    ASSERT_TRUE(record);
    const QByteArray mine = newMarker("MINE");
    ASSERT_TRUE(writeMarkerFile(record->volumeMountPoint() + "/m.bin", mine));

    RealRun r;
    r.run.setSelectVolumeObj(record);
    r.run.makeSureToWipeSelectVolume();
    ASSERT_TRUE(r.wait());
    EXPECT_TRUE(r.success) << r.run.errorString();
    ASSERT_TRUE(diskutil({"unmount", p1}).succeeded());
    EXPECT_EQ(digestOf(p2), p2Before);
    EXPECT_FALSE(nvtest::fileContains(disk.image(), mine));
    EXPECT_TRUE(nvtest::fileContains(disk.image(), neighbour));
}
