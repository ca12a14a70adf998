// The Disk tools' rules without a window: rows, buttons, names, the picker's
// file systems and First Aid's bar.

#include "tools/repairdisk/RepairDiskRules.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace repairdisk;

namespace {

VolumeObj volume(const QString& fs, const QString& mountPoint, bool ejectable, qint64 freeBytes = 1000)
{
    VolumeObj v;
    v.setDiskType(fs);
    v.setVolumeMountPoint(mountPoint);
    v.setBCanEject(ejectable);
    v.setVolumeFreeSizeNum(freeBytes);
    return v;
}

// The buttons of a row as "identifier:visible/enabled:title" texts.
QStringList buttons(const VolumeObj& v, bool selected, bool renameMode)
{
    QStringList out;
    const bool mounted = isVolumeMounted(&v);
    for (RowButton b : rowButtons()) {
        const RowButtonState s = rowButtonState(b, v, selected, renameMode, mounted);
        out << QStringLiteral("%1:%2%3:%4")
                   .arg(rowButtonIdentifier(b), s.visible ? "v" : "-", s.enabled ? "e" : "-", s.title);
    }
    return out;
}

} // namespace

TEST(RepairDiskRows, ImagesTypesAndSizes)
{
    EXPECT_EQ(volumeImageName(volume("ext4", "/media/u/USB", true)), "ic_usb");
    EXPECT_EQ(volumeImageName(volume("ext4", "/", false)), "ic_os");
    EXPECT_EQ(volumeImageName(volume("ext4", "/", true)), "ic_usb") << "an ejectable medium wins";
    EXPECT_EQ(volumeImageName(volume("ext4", "/data", false)), "ic_disk");

    EXPECT_EQ(typeText(""), "未知格式");
    EXPECT_EQ(typeText("(null)"), "未知格式");
    EXPECT_EQ(typeText("nullfs"), "未知格式");
    EXPECT_EQ(typeText("MS-DOS FAT32"), "MS-DOS FAT32");

    const SizeText s = sizeText("1.50 GB", "8.00 GB");
    EXPECT_EQ(s.text, "1.50 GB 可用, 共 8.00 GB");
    EXPECT_EQ(s.boldStart, 0);
    EXPECT_EQ(s.boldLength, 7);
    // Free and total alike: the first occurrence is the bold one.
    const SizeText same = sizeText("8.00 GB", "8.00 GB");
    EXPECT_EQ(same.boldStart, 0);

    EXPECT_EQ(rowHeight(true), 88);
    EXPECT_EQ(rowHeight(false), 48);
}

TEST(RepairDiskRows, MountedMeansFreeBytesOutsideApfsElseAMountPoint)
{
    const VolumeObj withFreeBytes = volume("ext4", "", true, 5);
    EXPECT_TRUE(isVolumeMounted(&withFreeBytes));
    EXPECT_FALSE(isVolumeMounted(nullptr));
    const VolumeObj apfs = volume("APFS", "", true, 5);
    EXPECT_FALSE(isVolumeMounted(&apfs)) << "APFS reports its container's free space even when unmounted";
    const VolumeObj apfsMounted = volume("APFS", "/Volumes/A", true, 5);
    EXPECT_TRUE(isVolumeMounted(&apfsMounted));
    const VolumeObj empty = volume("ext4", "", true, 0);
    EXPECT_FALSE(isVolumeMounted(&empty));
}

TEST(RepairDiskRows, ButtonsShowOnTheSelectedRowAloneWithTheirRules)
{
    const VolumeObj usb = volume("ExFAT", "/media/u/USB", true);
    EXPECT_EQ(buttons(usb, true, false),
              QStringList({"save:-e:保存", "open:ve:打开", "mount:ve:卸载", "fristaid:ve:急救", "rename:ve:重命名",
                           "format:ve:格式化", "eject:ve:安全弹出"}));
    for (const QString& b : buttons(usb, false, false))
        EXPECT_TRUE(b.section(':', 1, 1).startsWith('-')) << "visible on an unselected row: " << b;

    // Renaming: only Save is usable; Mount and Eject too are held.
    EXPECT_EQ(buttons(usb, true, true),
              QStringList({"save:ve:保存", "open:v-:打开", "mount:v-:卸载", "fristaid:v-:急救", "rename:v-:重命名",
                           "format:v-:格式化", "eject:v-:安全弹出"}));

    // Not mounted: "装载", and nothing that needs the files.
    const VolumeObj unmounted = volume("ExFAT", "", true, 0);
    EXPECT_EQ(buttons(unmounted, true, false),
              QStringList({"save:-e:保存", "open:v-:打开", "mount:ve:装载", "fristaid:v-:急救", "rename:v-:重命名",
                           "format:v-:格式化", "eject:ve:安全弹出"}));

    // The running system: no format, and an internal disk neither unmounts nor ejects.
    const VolumeObj system = volume("ext4", "/", false);
    EXPECT_EQ(buttons(system, true, false),
              QStringList({"save:-e:保存", "open:ve:打开", "mount:v-:卸载", "fristaid:ve:急救", "rename:ve:重命名",
                           "format:v-:格式化", "eject:v-:安全弹出"}));
}

TEST(RepairDiskNames, RenameRunsOnlyForARealNameAndFatTakesItsRule)
{
    EXPECT_FALSE(renameName(std::nullopt, "ext4"));
    EXPECT_FALSE(renameName(QString(), "ext4"));
    EXPECT_FALSE(renameName(QStringLiteral(" "), "ext4"));
    EXPECT_EQ(renameName(QStringLiteral("  "), "ext4").value_or("?"), "  ") << "only a single blank is refused";
    EXPECT_EQ(renameName(QStringLiteral("abcdefghijklmn"), "fat32").value_or("?"), "ABCDEFGHIJK");
    EXPECT_EQ(renameName(QStringLiteral("abcdefghijklmn"), "MS-DOS FAT32").value_or("?"), "ABCDEFGHIJK");
    EXPECT_EQ(renameName(QStringLiteral("abcdefghijklmn"), "ExFAT").value_or("?"), "abcdefghijklmn")
        << "other file systems' limits are the utility's to apply";
    const QString hostile = QStringLiteral("-x \"$(rm -rf /)\"; `id`\nnext");
    EXPECT_EQ(renameName(hostile, "ext4").value_or("?"), hostile);
}

TEST(RepairDiskNames, FormatNamesAndTypes)
{
    EXPECT_EQ(formatName("", "ExFAT"), "NEW");
    EXPECT_EQ(formatName(" ", "ext4"), "NEW");
    EXPECT_EQ(formatName("abcdefghijklm", "MS-DOS FAT32"), "ABCDEFGHIJK");
    EXPECT_EQ(formatName("abcdefghijklm", "ExFAT"), "abcdefghijklm");

    EXPECT_EQ(formatTypes(), QStringList({"ExFAT", "MS-DOS FAT32", "ext4"}));
    EXPECT_EQ(formatTypeForRow(2).value_or("?"), "ext4");
    EXPECT_FALSE(formatTypeForRow(3)) << "there is no APFS row";
    EXPECT_FALSE(formatTypeForRow(-1));

    EXPECT_TRUE(keepsItsType("NTFS"));
    EXPECT_TRUE(keepsItsType("APFS"));
    EXPECT_FALSE(keepsItsType("ext4"));
    EXPECT_TRUE(formatsByReformat("APFS"));
    EXPECT_FALSE(formatsByReformat("NTFS")) << "NTFS is erased again as NTFS";
}

TEST(FirstAidRules, BarRowHeightsAndRows)
{
    // 30 chunks: 5 % each, held at 99 % from the 20th until the end.
    EXPECT_FLOAT_EQ(aidProgressPercent(1), 5);
    EXPECT_FLOAT_EQ(aidProgressPercent(19), 95);
    EXPECT_FLOAT_EQ(aidProgressPercent(20), 99);
    EXPECT_FLOAT_EQ(aidProgressPercent(30), 99);
    EXPECT_FLOAT_EQ(aidProgressPercent(kAidEndMark), 100);

    EXPECT_FLOAT_EQ(aidUsedWidth(400, 50), 200);
    EXPECT_FLOAT_EQ(aidUsedWidth(400, 99.9f), 400) << "within a point of the end fills it";

    EXPECT_EQ(aidRowHeight(12), 20);
    EXPECT_EQ(aidRowHeight(30), 30);
    EXPECT_EQ(aidRowHeight(33), 36);
    EXPECT_EQ(aidRowHeight(36), 36);
    EXPECT_EQ(aidRowHeight(50), 50);

    EXPECT_EQ(aidRowText("ok\n"), "ok");
    EXPECT_EQ(aidRowText("ok\n\n"), "ok\n");
    EXPECT_EQ(aidRowText("a\nb"), "a\nb");
}
