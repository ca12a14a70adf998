// The disk utility's answers and rules that need no disk: names, volume-name
// rules, parsers of udev's database and of FUSE command lines, and the refusal
// to touch the running system's disk (with the child-process boundary watched).

#include "BlockDevices.h"
#include "DiskUtil.h"
#include "Names.h"
#include "TestSupport.h"
#include "platform/FuseMounts.h"
#include "platform/PropertyList.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace diskutil;

namespace {

QByteArray testData(const char* name)
{
    QFile f(QStringLiteral(NULLVANE_DISKUTIL_TEST_DATA "/") + QLatin1String(name));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QStringList commandLine(const QByteArray& raw)
{
    QByteArray r = raw;
    if (r.endsWith('\0'))
        r.chop(1);
    QStringList out;
    for (const QByteArray& part : r.split('\0'))
        out << QString::fromUtf8(part);
    return out;
}

} // namespace

TEST(DiskutilNames, FileSystemNamesFollowTheFatVersion)
{
    EXPECT_EQ(filesystemName("vfat", "FAT32"), "MS-DOS FAT32");
    EXPECT_EQ(filesystemName("vfat", "FAT16"), "MS-DOS FAT16");
    EXPECT_EQ(filesystemName("exfat", "1.0"), "ExFAT");
    EXPECT_EQ(filesystemName("ntfs", ""), "NTFS");
    EXPECT_EQ(filesystemName("ext4", "1.0"), "ext4");
    EXPECT_EQ(filesystemName("vfat", ""), "MS-DOS");
    EXPECT_EQ(filesystemName("ntfs3", ""), "NTFS");
    EXPECT_EQ(filesystemName("xfs", ""), "xfs");
    // Each name comes back as the same kind when asked for as a personality,
    // so "reformat" re-creates what it found.
    for (const auto& [type, version] : {std::pair{"vfat", "FAT32"}, {"vfat", "FAT16"}, {"exfat", "1.0"},
                                         {"ntfs", ""}, {"ext4", "1.0"}, {"ext2", "1.0"}}) {
        const FsKind kind = kindOf(type, version);
        ASSERT_NE(kind, FsKind::None) << type;
        EXPECT_EQ(kindOfPersonality(personalityOf(kind)), kind) << type;
        EXPECT_EQ(kindOfPersonality(filesystemName(type, version)), kind) << type;
    }
}

TEST(DiskutilNames, ApplePersonalitiesAreUnsupportedNotUnknown)
{
    bool unsupported = false;
    EXPECT_EQ(kindOfPersonality("Journaled HFS+", &unsupported), FsKind::None);
    EXPECT_TRUE(unsupported);
    EXPECT_EQ(kindOfPersonality("APFS", &unsupported), FsKind::None);
    EXPECT_TRUE(unsupported);
    EXPECT_EQ(kindOfPersonality("ZFS", &unsupported), FsKind::None);
    EXPECT_FALSE(unsupported);
    EXPECT_EQ(kindOfPersonality("ms-dos fat32", &unsupported), FsKind::Fat32);
}

TEST(DiskutilNames, FatNamesAreUpperCaseElevenBytesOfSafeCharacters)
{
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat32, "holiday photos"), "HOLIDAY PHO");
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat32, "x\";touch /tmp/p;\""), "X__TOUCH _T");
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat16, "$(id)"), "$(ID)");
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat32, QString::fromUtf8("文件")), "__");
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat32, "ab         z"), "AB");
    // A label another system wrote with leading blanks, which mkfs.fat refuses.
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat32, "  data"), "DATA");
    EXPECT_EQ(normaliseVolumeName(FsKind::Fat16, "   "), "");
}

TEST(DiskutilNames, OtherNamesAreCutAtWholeCharacters)
{
    // ext4: 16 bytes of UTF-8; a three-byte character that would cross the
    // limit is left out whole.
    const QString cjk = QString::fromUtf8("数据数据数据"); // 18 bytes
    EXPECT_EQ(normaliseVolumeName(FsKind::Ext4, cjk), QString::fromUtf8("数据数据数"));
    EXPECT_EQ(normaliseVolumeName(FsKind::Ext4, "$(id)"), "$(id)");
    EXPECT_EQ(normaliseVolumeName(FsKind::Ext4, "0123456789abcdefXYZ"), "0123456789abcdef");
    // exFAT: 11 UTF-16 units; a character outside the basic plane is two.
    EXPECT_EQ(normaliseVolumeName(FsKind::ExFat, "abcdefghijklmnop"), "abcdefghijk");
    const QString emoji = QString::fromUtf8("abcdefghij\U0001F600");
    EXPECT_EQ(normaliseVolumeName(FsKind::ExFat, emoji), "abcdefghij");
    // NTFS: 128 units; a leading "-" is a name like any other.
    EXPECT_EQ(normaliseVolumeName(FsKind::Ntfs, QString(200, QLatin1Char('n'))).size(), 128);
    EXPECT_EQ(normaliseVolumeName(FsKind::Ntfs, "-rf"), "-rf");
}

TEST(DiskutilNames, ContentNames)
{
    EXPECT_EQ(partitionContent("gpt", "c12a7328-f81f-11d2-ba4b-00a0c93ec93b"), "EFI");
    EXPECT_EQ(partitionContent("gpt", "0FC63DAF-8483-4772-8E79-3D69D8477DE4"), "Linux Filesystem");
    EXPECT_EQ(partitionContent("gpt", "ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"), "Microsoft Basic Data");
    EXPECT_EQ(partitionContent("dos", "0xc"), "DOS_FAT_32");
    EXPECT_EQ(partitionContent("dos", "0xef"), "EFI");
    EXPECT_EQ(partitionContent("dos", "0x83"), "Linux");
    EXPECT_EQ(partitionContent("dos", "0x9a"), "0x9a");
    EXPECT_EQ(wholeDiskContent("gpt"), "GUID_partition_scheme");
    EXPECT_EQ(wholeDiskContent("dos"), "FDisk_partition_scheme");
    EXPECT_EQ(wholeDiskContent(""), "");
}

TEST(DiskutilNames, BusProtocolFromSysfsPaths)
{
    // Paths as sysfs gives them on this machine (virtio, loop) and on typical
    // desktops (USB stick, SATA disk, NVMe disk, SD card reader).
    EXPECT_EQ(busProtocol("vda", "/sys/devices/pci0000:00/0000:00:02.0/virtio1/block/vda"), "Virtio");
    EXPECT_EQ(busProtocol("loop0", "/sys/devices/virtual/block/loop0"), "Loop");
    EXPECT_EQ(busProtocol("sdb", "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb"), "USB");
    EXPECT_EQ(busProtocol("sda", "/sys/devices/pci0000:00/0000:00:17.0/ata1/host0/target0:0:0/0:0:0:0/block/sda"), "SATA");
    EXPECT_EQ(busProtocol("nvme0n1", "/sys/devices/pci0000:00/0000:00:1d.0/0000:3d:00.0/nvme/nvme0/nvme0n1"), "PCI-Express");
    EXPECT_EQ(busProtocol("mmcblk0", "/sys/devices/pci0000:00/0000:00:14.5/mmc_host/mmc0/mmc0:aaaa/block/mmcblk0"), "Secure Digital");
    EXPECT_NE(busProtocol("sdc", "/sys/devices/platform/some/block/sdc"), "Disk Image");
}

TEST(DiskutilNames, AnswersCarryOnlyWhatXmlAllows)
{
    // A label as libblkid misreads a long NTFS one, and what a label tool writes.
    EXPECT_EQ(cleanLabel(QStringLiteral("abc\x02" "def\tg\x7f")), QStringLiteral("abcdefg"));
    EXPECT_EQ(cleanLabel(QStringLiteral("数据 Ü")), QStringLiteral("数据 Ü"));
    const QString odd = QStringLiteral("a") + QChar(0xFFFE) + QChar(0xD800) + QStringLiteral("b\x01\n") + QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(platform::plist::xmlSafeText(odd),
              QStringLiteral("b\n").prepend(QLatin1Char('a')) + QString::fromUcs4(U"\U0001F600"));
    // Every answer goes out through the property-list writer.
    const QVariantMap nested{{"k\x03", QVariantList{QStringLiteral("x\x1fy"), 7}}};
    const QVariantMap clean = platform::plist::fromData(platform::plist::toXml(nested)).toMap();
    EXPECT_EQ(clean.keys(), QStringList{"k"});
    EXPECT_EQ(clean.value("k").toList(), (QVariantList{QStringLiteral("xy"), 7}));
}

TEST(DiskutilParsers, UdevDatabaseEntry)
{
    // A partition of a USB stick, in the form udev keeps in /run/udev/data.
    const QByteArray data = testData("udev-b8-17");
    ASSERT_FALSE(data.isEmpty());
    const ContentFacts f = parseUdevData(data);
    EXPECT_TRUE(f.known);
    EXPECT_EQ(f.fsType, "vfat");
    EXPECT_EQ(f.fsVersion, "FAT32");
    EXPECT_EQ(f.label, "MY STICK"); // from the encoded form, not the mangled one
    EXPECT_EQ(f.uuid, "4A1B-2C3D");
    EXPECT_EQ(f.partUuid, "5f0e1c2a-01");
    EXPECT_EQ(partitionContent(f.partScheme, f.partType), "DOS_FAT_32");
    EXPECT_EQ(f.tableType, "dos");
    EXPECT_FALSE(parseUdevData("").known);
}

TEST(DiskutilParsers, FuseServerCommandLines)
{
    // Recorded from a running fusefat server, which rewrites its arguments
    // and leaves an empty one behind.
    auto running = platform::parseFuseCommandLine(commandLine(testData("fusefat-cmdline-running")), "/");
    ASSERT_TRUE(running.has_value());
    EXPECT_EQ(running->device, "/dev/loop0");
    EXPECT_EQ(running->mountPoint, "/tmp/mb/X__TOUCH _T");
    auto relative = platform::parseFuseCommandLine(commandLine(testData("fusefat-cmdline-relative")), "/home/u");
    ASSERT_TRUE(relative.has_value());
    EXPECT_EQ(relative->device, "/dev/loop3");
    EXPECT_EQ(relative->mountPoint, "/home/u/mnt/usb");
    EXPECT_FALSE(platform::parseFuseCommandLine({"fusefat", "-o", "rw+", "/dev/loop3"}, "/").has_value());
}

TEST(DiskutilSafety, TheRunningSystemsDiskIsNeverTouched)
{
    // Every child process the verbs would start is recorded here instead.
    QStringList started;
    Tools tools;
    tools.run = [&](const QString& program, const QStringList& args) {
        started << program + QLatin1Char(' ') + args.join(QLatin1Char(' '));
        return platform::ProcessResult{};
    };
    tools.stream = [&](const QString& program, const QStringList& args, const LineSink&) {
        started << program + QLatin1Char(' ') + args.join(QLatin1Char(' '));
        return platform::ProcessResult{};
    };
    QStringList errors;
    Settings settings;
    settings.mountBase = nvtest::freshFolder("media");
    DiskUtil util(tools, settings, [](const QString&) {}, [&](const QString& l) { errors << l; });
    util.run({"list", "-plist"}); // reads the machine's devices and mounts
    const QSet<QString> held = util.systemDevices();
    if (held.isEmpty())
        GTEST_SKIP() << "the root file system lies on no block device here (an overlay?)";

    QString rootDevice;
    QString error;
    const QVariantMap rootInfo = util.infoDictionary("/", &error);
    ASSERT_FALSE(rootInfo.isEmpty()) << error;
    rootDevice = rootInfo.value("DeviceIdentifier").toString();
    EXPECT_TRUE(held.contains(rootDevice));

    const QList<QStringList> verbs = {
        {"mount", rootDevice},          {"unmount", "/"},
        {"eject", rootDevice},          {"rename", rootDevice, "pwned"},
        {"eraseVolume", "ext4", "pwned", rootDevice},
        {"eraseVolume", "MS-DOS FAT32", "PWNED", "/"},
        {"reformat", rootDevice},       {"verifyvolume", "/"},
        {"repairvolume", rootDevice},
    };
    for (const QStringList& verb : verbs) {
        errors.clear();
        EXPECT_EQ(util.run(verb), 1) << verb;
        EXPECT_TRUE(!errors.isEmpty() && errors.first().contains("holds the running system")) << verb << errors;
    }
    EXPECT_TRUE(started.isEmpty()) << started;
}
