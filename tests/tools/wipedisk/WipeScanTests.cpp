// The disk wipe's volume scan against a stand-in disk utility that prints
// recorded answers, and the choice of a row.

#include "WipeTestSupport.h"

#include "platform/Locations.h"
#include "tools/wipedisk/WipeVolumeScan.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using wipetest::facts;

namespace {

QList<VolumeObjPtr> scanOnce(WipeVolumeScanner& scanner)
{
    QList<VolumeObjPtr> result;
    bool done = false;
    QObject::connect(&scanner, &WipeVolumeScanner::scanFinished, [&](const QList<VolumeObjPtr>& v) {
        result = v;
        done = true;
    });
    scanner.getallVolumes();
    EXPECT_TRUE(nvtest::pumpUntil([&] { return done; }, 10000));
    return result;
}

QStringList names(const QList<VolumeObjPtr>& list)
{
    QStringList out;
    for (const auto& v : list)
        out << v->volumeName();
    return out;
}

} // namespace

TEST(WipeScan, RecordsFromRecordedAnswers)
{
    wipetest::FakeDiskutil du;
    du.setInfo("sdb1", facts("sdb1", "Photos 'n \"Stuff\" $(x)", "MS-DOS FAT32", "/media/u/Photos", 32000000000ULL, 999));
    du.setInfo("sdb2", facts("sdb2", "EFI", "MS-DOS FAT32", "/media/u/EFI"));
    du.setInfo("sdc1", facts("sdc1", "", "ExFAT", "/media/u/sdc1"));
    QVariantMap noNode = facts("sdd1", "Data", "ext4", "/media/u/Data", 1000000000000ULL, 1000);
    noNode.remove("DeviceNode");
    du.setInfo("sdd1", noNode);
    QVariantMap apfs = facts("disk3s1", "Mac", "APFS", "/media/u/Mac", 500000000000ULL, 0);
    apfs.insert("APFSContainerFree", 123000000000ULL);
    du.setInfo("disk3s1", apfs);
    QVariantMap root = facts("nvme0n1p2", "System", "ext4", "/");
    root.insert("BusProtocol", "PCI-Express");
    du.setInfo("nvme0n1p2", root);
    QVariantMap usb = facts("sdf1", "Stick", "ext4", "/");
    usb.insert("Ejectable", true);
    du.setInfo("sdf1", usb);

    WipeVolumeScanner scanner;
    scanner.setEntrySource([] {
        return QList<WipeVolumeScanner::Entry>{
            {"/media/u/Photos", "sdb1"},  {"/media/u/Photos2", "sdb1"}, // one volume, two mount points
            {"/media/u/EFI", "sdb2"},     {"/media/u/sdc1", "sdc1"},    {"/media/u/Data", "sdd1"},
            {"/media/u/gone", "sde1"},    {"/media/u/Mac", "disk3s1"},  {"/", "nvme0n1p2"},
            {"/media/u/Stick", "sdf1"},   {"/media/u/blank", ""},
        };
    });
    const QList<VolumeObjPtr> list = scanOnce(scanner);
    EXPECT_FALSE(scanner.isScanV());
    ASSERT_EQ(names(list), (QStringList{"Photos 'n \"Stuff\" $(x)", "Untitled", "Data", "Mac", "System", "Stick"}));

    const VolumeObj& photos = *list[0];
    EXPECT_EQ(photos.volumePath(), "/dev/sdb1");
    EXPECT_EQ(photos.volRootDir(), "/dev/sdb1");
    EXPECT_EQ(photos.volumeMountPoint(), "/media/u/Photos");
    EXPECT_EQ(photos.volumeType(), "MS-DOS FAT32");
    EXPECT_EQ(photos.volumeFreeSize(), "999 byte");
    EXPECT_EQ(photos.volumeTotalSize(), "32.00 GB");
    EXPECT_EQ(photos.volumeFreeSizeNum(), 999);
    EXPECT_EQ(photos.BusProtocol(), "USB");
    EXPECT_EQ(wipescan::sizeTextFor(photos), "999 byte / 32.00 GB");

    EXPECT_EQ(list[2]->volumePath(), "/dev/sdd1") << "no DeviceNode: /dev/ and the identifier";
    EXPECT_EQ(list[2]->volumeTotalSize(), "1.00 TB");
    EXPECT_EQ(list[2]->volumeFreeSize(), "1.00 KB");
    EXPECT_EQ(list[3]->volumeType(), "APFS");
    EXPECT_EQ(list[3]->volumeFreeSizeNum(), 123000000000LL);

    EXPECT_EQ(wipescan::volumeImageFor(*list[0]), "ic_disk");
    EXPECT_EQ(wipescan::volumeImageFor(*list[4]), "ic_os");
    EXPECT_EQ(wipescan::volumeImageFor(*list[5]), "ic_usb") << "ejectable wins over the mount point";

    // Facts were asked by device node, one argument each; the shared device
    // was asked once more, and nothing was asked for an entry without a name.
    const QStringList calls = du.calls();
    EXPECT_TRUE(calls.contains("info -plist /dev/sdb1"));
    EXPECT_EQ(calls.count("info -plist /dev/sdb1"), 2);
    EXPECT_EQ(calls.size(), 9);
}

TEST(WipeScan, RescansDuringAScanMakeOneMoreScan)
{
    wipetest::FakeDiskutil du;
    du.setInfo("sdb1", facts("sdb1", "A", "ext4", "/media/u/A"));
    du.setInfo("sdc1", facts("sdc1", "B", "ext4", "/media/u/B"));
    WipeVolumeScanner scanner;
    std::atomic<int> sources{0};
    // A stick is mounted while the first scan reads the list.
    scanner.setEntrySource([&] {
        QList<WipeVolumeScanner::Entry> entries{{"/media/u/A", "sdb1"}};
        if (++sources > 1)
            entries.append(WipeVolumeScanner::Entry{"/media/u/B", "sdc1"});
        QThread::msleep(200);
        return entries;
    });
    QSignalSpy started(&scanner, &WipeVolumeScanner::scanStarted);
    QSignalSpy finished(&scanner, &WipeVolumeScanner::scanFinished);
    QList<VolumeObjPtr> last;
    QObject::connect(&scanner, &WipeVolumeScanner::scanFinished, [&](const QList<VolumeObjPtr>& v) { last = v; });
    scanner.getallVolumes();
    scanner.getallVolumes();
    std::thread other([&] { scanner.getallVolumes(); });
    other.join();
    ASSERT_TRUE(scanner.waitForScan(10000));
    nvtest::pump(50);
    EXPECT_EQ(sources.load(), 2) << "the requests during the scan make one scan more, not one each";
    EXPECT_EQ(started.count(), 2);
    ASSERT_EQ(finished.count(), 2);
    EXPECT_EQ(names(last), (QStringList{"A", "B"}))
        << "the list ends with the volume mounted during the first scan";
    scanner.getallVolumes();
    ASSERT_TRUE(scanner.waitForScan(10000));
    nvtest::pump(50);
    EXPECT_EQ(sources.load(), 3) << "a scan after the end runs";
    EXPECT_EQ(finished.count(), 3);
}

TEST(WipeScan, FactsAreReadUnderANonAsciiTemporaryFolder)
{
    wipetest::FakeDiskutil du;
    du.setInfo("sdb1", facts("sdb1", "照片", "ext4", "/media/u/照片"));
    const QByteArray before = qgetenv("TMPDIR");
    const QString tmp = nvtest::freshFolder(QStringLiteral("临时文件"));
    qputenv("TMPDIR", QFile::encodeName(tmp));
    platform::removePrivateTempFolder();
    ASSERT_TRUE(platform::privateTempFolder().startsWith(tmp)) << platform::privateTempFolder();
    const QVariantMap got = wipescan::getDisjInfo("/dev/sdb1");
    const QVariantMap bare = wipescan::getDisjInfo("sdb1");
    qputenv("TMPDIR", before);
    platform::removePrivateTempFolder();
    EXPECT_EQ(got.value("VolumeName").toString(), "照片");
    EXPECT_EQ(bare.value("MountPoint").toString(), "/media/u/照片");
}

TEST(WipeScan, ChoosingARow)
{
    WipeVolumeList list;
    EXPECT_FALSE(list.selectVolumeButton()) << "no row chosen, no clicked row: the Wipe button is off";
    auto a = std::make_shared<VolumeObj>();
    a->setVolumePath("/dev/sdb1");
    auto b = std::make_shared<VolumeObj>();
    b->setVolumePath("/dev/sdc1");
    list.setAllVolumeArr({a, b});
    EXPECT_FALSE(list.selectVolumeButton());
    EXPECT_EQ(list.selectVolumeObj(), nullptr);

    EXPECT_TRUE(list.shouldSelectRow(1));
    EXPECT_EQ(list.selectIndex(), 1);
    EXPECT_EQ(list.selectVolumeObj(), b);
    EXPECT_EQ(wipescan::radioImageFor(*b, list.selectVolumeObj()), "radiobutton_sel");
    EXPECT_EQ(wipescan::radioImageFor(*a, list.selectVolumeObj()), "radiobutton_no");

    EXPECT_TRUE(list.selectVolumeButton(0)) << "a clicked row wins over the stored one";
    EXPECT_EQ(list.selectVolumeObj(), a);

    EXPECT_FALSE(list.selectVolumeButton(5));
    EXPECT_EQ(list.selectVolumeObj(), a);
}

// A rescan makes new records, in the order of the mount table. The choice
// goes to the new record of the same volume (device node, file system and
// partition), wherever its row is now, or to nothing.
TEST(WipeScan, TheChoiceFollowsItsVolumeNotItsRow)
{
    const auto record = [](const QString& node, const QString& fsUuid, const QString& partUuid = "P-1") {
        auto v = std::make_shared<VolumeObj>();
        v->setVolRootDir(node);
        v->setVolumePath(node);
        v->setVolumeUUID(fsUuid);
        v->setDiskUUID(partUuid);
        return v;
    };
    WipeVolumeList list;
    EXPECT_FALSE(list.retakeChoice()) << "nothing chosen, nothing taken";
    list.setAllVolumeArr({record("/dev/loop1", "A"), record("/dev/loop2", "B")});
    ASSERT_TRUE(list.shouldSelectRow(0));
    EXPECT_TRUE(list.isChoiceListed());

    // Mounted again: it comes last.
    const VolumeObjPtr again = record("/dev/loop1", "A");
    list.setAllVolumeArr({record("/dev/loop2", "B"), again});
    EXPECT_FALSE(list.isChoiceListed()) << "the record of the earlier scan";
    EXPECT_TRUE(list.retakeChoice());
    EXPECT_EQ(list.selectVolumeObj(), again);
    EXPECT_EQ(list.selectIndex(), 1);
    EXPECT_TRUE(list.isChoiceListed());

    // A scan still running lists nothing.
    list.clear();
    EXPECT_FALSE(list.isChoiceListed());

    // The same node with another file system, or on another partition, is
    // another volume; so is a volume gone whose row another one fills.
    for (const VolumeObjPtr& other : {record("/dev/loop1", "C"), record("/dev/loop1", "A", "P-2")}) {
        list.setSelectVolumeObj(again);
        list.setAllVolumeArr({other, record("/dev/loop2", "B")});
        EXPECT_FALSE(list.retakeChoice());
        EXPECT_EQ(list.selectVolumeObj(), nullptr);
        EXPECT_EQ(list.selectIndex(), -1);
        EXPECT_FALSE(list.selectVolumeButton()) << "the Wipe button stays off";
    }
    list.setSelectVolumeObj(again);
    list.setAllVolumeArr({record("/dev/loop2", "B")});
    EXPECT_FALSE(list.retakeChoice());
    EXPECT_EQ(list.selectVolumeObj(), nullptr);
}

TEST(WipeScan, Texts)
{
    EXPECT_EQ(wipescan::byteToSizeWithByte(999), "999 byte");
    EXPECT_EQ(wipescan::byteToSizeWithByte(1000), "1.00 KB");
    EXPECT_EQ(wipescan::byteToSizeWithByte(1500000), "1.50 MB");
    EXPECT_EQ(wipescan::byteToSizeWithByte(1000000000000ULL), "1.00 TB");
    EXPECT_EQ(wipescan::removeSpecialCharactersFromString(QStringLiteral("a中文b\u00e9\u00e9c")), "a b c");
    EXPECT_EQ(wipescan::removeNullCharactersFromString(QString("a") + QChar(0) + "b"), "ab");
    EXPECT_EQ(wipescan::volumeFromFacts({}), nullptr);
    QVariantMap ids = facts("sdb1", "x", "ext4", "/m");
    ids.insert("VolumeUUID", "4C1E-77A0");
    ids.insert("DiskUUID", "PART-1");
    EXPECT_EQ(wipescan::volumeFromFacts(ids)->volumeUUID(), "4C1E-77A0");
    EXPECT_EQ(wipescan::volumeFromFacts(ids)->diskUUID(), "PART-1");
    QVariantMap noName = facts("sdb1", "x", "ext4", "/m");
    noName.remove("VolumeName");
    EXPECT_EQ(wipescan::volumeFromFacts(noName), nullptr);
}
