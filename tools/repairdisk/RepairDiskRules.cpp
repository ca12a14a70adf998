#include "RepairDiskRules.h"

#include "platform/FatLabel.h"
#include "toolkit/ImageCache.h"

#include <algorithm>

namespace repairdisk {

namespace {

bool isEmptyOrOneBlank(const QString& text)
{
    return text.isEmpty() || text == QLatin1String(" ");
}

// Upper case, at most 11 characters: what a FAT label holds.
QString fatName(const QString& name)
{
    return name.toUpper().left(11);
}

// The names our disk utility gives FAT volumes ("MS-DOS FAT32", "MS-DOS
// FAT16", ...), and FAT's own.
bool isFatFileSystem(const QString& fileSystem)
{
    const QString t = fileSystem.toLower();
    return t.startsWith(QLatin1String("ms-dos")) || t == QLatin1String("fat") || t == QLatin1String("fat12")
           || t == QLatin1String("fat16") || t == QLatin1String("fat32");
}

} // namespace

int rowHeight(bool selected)
{
    return selected ? kSelectedRowHeight : kRowHeight;
}

QString volumeImageName(const VolumeObj& volume)
{
    if (volume.bCanEject())
        return toolkit::imageName("ic_usb");
    if (volume.volumeMountPoint() == QLatin1String("/"))
        return toolkit::imageName("ic_os");
    return toolkit::imageName("ic_disk");
}

QString typeText(const QString& diskType)
{
    if (diskType.isEmpty() || diskType.contains(QLatin1String("null")))
        return QStringLiteral("未知格式");
    return diskType;
}

SizeText sizeText(const QString& freeText, const QString& totalText)
{
    SizeText s;
    s.text = QStringLiteral("%1 可用, 共 %2").arg(freeText, totalText);
    if (!freeText.isEmpty()) {
        s.boldStart = int(s.text.indexOf(freeText));
        s.boldLength = int(freeText.size());
    }
    return s;
}

bool isVolumeMounted(const VolumeObj* volume)
{
    if (!volume)
        return false;
    if (volume->volumeFreeSizeNum() != 0 && volume->diskType() != QLatin1String("APFS"))
        return true;
    return !volume->volumeMountPoint().isEmpty();
}

QList<RowButton> rowButtons()
{
    return {RowButton::Save,   RowButton::Open,   RowButton::Mount, RowButton::FristAid,
            RowButton::Rename, RowButton::Format, RowButton::Eject};
}

QString rowButtonIdentifier(RowButton button)
{
    switch (button) {
    case RowButton::Save: return QStringLiteral("save");
    case RowButton::Open: return QStringLiteral("open");
    case RowButton::Mount: return QStringLiteral("mount");
    case RowButton::FristAid: return QStringLiteral("fristaid");
    case RowButton::Rename: return QStringLiteral("rename");
    case RowButton::Format: return QStringLiteral("format");
    case RowButton::Eject: return QStringLiteral("eject");
    }
    return {};
}

RowButtonState rowButtonState(RowButton button, const VolumeObj& row, bool selected, bool renameMode, bool mounted)
{
    RowButtonState s;
    s.visible = selected;
    const bool renaming = selected && renameMode;
    switch (button) {
    case RowButton::Save:
        s.title = QStringLiteral("保存");
        s.visible = renaming;
        s.enabled = true;
        break;
    case RowButton::Open:
        s.title = QStringLiteral("打开");
        s.enabled = !renaming && mounted;
        break;
    case RowButton::Mount:
        s.title = mounted ? QStringLiteral("卸载") : QStringLiteral("装载");
        s.enabled = row.bCanEject() && !renaming;
        break;
    case RowButton::FristAid:
        s.title = QStringLiteral("急救");
        s.enabled = !renaming && mounted;
        break;
    case RowButton::Rename:
        s.title = QStringLiteral("重命名");
        s.enabled = !renaming && mounted;
        break;
    case RowButton::Format:
        s.title = QStringLiteral("格式化");
        s.enabled = !renaming && row.volumeMountPoint() != QLatin1String("/") && mounted;
        break;
    case RowButton::Eject:
        s.title = QStringLiteral("安全弹出");
        s.enabled = !renaming && row.bCanEject();
        break;
    }
    return s;
}

std::optional<QString> renameName(const std::optional<QString>& editStr, const QString& diskType)
{
    if (!editStr || isEmptyOrOneBlank(*editStr))
        return std::nullopt;
    // Our disk utility names FAT32 "MS-DOS FAT32"; both names take FAT's rule.
    const QString type = diskType.toLower();
    if (type == QLatin1String("fat32") || type == QLatin1String("ms-dos fat32"))
        return fatName(*editStr);
    return *editStr;
}

QString formatName(const QString& name, const QString& type)
{
    QString n = isEmptyOrOneBlank(name) ? QStringLiteral("NEW") : name;
    if (type == QLatin1String("MS-DOS FAT32"))
        n = fatName(n);
    return n;
}

std::optional<QString> nameRefusal(const QString& name, const QString& fileSystem)
{
    if (!isFatFileSystem(fileSystem))
        return std::nullopt;
    if (platform::fatLabelStartsWithBlank(name))
        return QStringLiteral("名称“%1”以空格开头，FAT 卷名不能以空格开头。卷的名称和内容都没有改变。").arg(name);
    if (platform::fatLabelHolds(name))
        return std::nullopt;
    return QStringLiteral("名称“%1”中有 FAT 卷名不能使用的字符。FAT 卷名只能使用英文字母、数字、空格和 "
                          "! # $ % & ' ( ) - @ ^ _ ` { } ~。卷的名称和内容都没有改变。")
        .arg(name);
}

bool keepsItsType(const QString& diskType)
{
    const QString t = diskType.toLower();
    return t.contains(QLatin1String("apfs")) || t.contains(QLatin1String("ntfs"));
}

bool formatsByReformat(const QString& diskType)
{
    return diskType.toLower().contains(QLatin1String("apfs"));
}

QStringList formatTypes()
{
    // No Linux tool makes HFS+ or APFS; the journaled file system of Linux
    // takes HFS+'s place.
    return {QStringLiteral("ExFAT"), QStringLiteral("MS-DOS FAT32"), QStringLiteral("ext4")};
}

std::optional<QString> formatTypeForRow(int row)
{
    const QStringList types = formatTypes();
    if (row < 0 || row >= types.size())
        return std::nullopt;
    return types.at(row);
}

float aidProgressPercent(float value)
{
    if (value == kAidEndMark)
        return 100.0f;
    return std::min(5.0f * value, 99.0f);
}

float aidUsedWidth(float frameWidth, float percent)
{
    const float used = frameWidth * percent / 100.0f;
    return used > frameWidth - 1.0f ? frameWidth : used;
}

double aidRowHeight(double textHeight)
{
    const double h = std::max(20.0, textHeight);
    if (h > 30.0 && h < 36.0)
        return 36.0;
    return h;
}

QString aidRowText(const QString& chunk)
{
    return chunk.endsWith(QLatin1Char('\n')) ? chunk.chopped(1) : chunk;
}

} // namespace repairdisk
