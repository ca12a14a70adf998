#include "Names.h"

#include "platform/FatLabel.h"
#include "platform/PropertyList.h"

#include <QHash>
#include <functional>

namespace diskutil {

bool isFatKind(FsKind kind)
{
    return kind == FsKind::Fat12 || kind == FsKind::Fat16 || kind == FsKind::Fat32 || kind == FsKind::FatAuto;
}

bool isExtKind(FsKind kind)
{
    return kind == FsKind::Ext2 || kind == FsKind::Ext3 || kind == FsKind::Ext4;
}

QString filesystemName(const QString& type, const QString& version)
{
    // ext2/3/4, and what we cannot handle, go by their own type name; the
    // others by their personality.
    const FsKind kind = kindOf(type, version);
    if (kind == FsKind::None || isExtKind(kind))
        return type;
    return personalityOf(kind);
}

FsKind kindOf(const QString& type, const QString& version)
{
    const QString t = type.toLower();
    if (t == QLatin1String("vfat") || t == QLatin1String("msdos")) {
        const QString v = version.toUpper();
        if (v == QLatin1String("FAT32"))
            return FsKind::Fat32;
        if (v == QLatin1String("FAT16"))
            return FsKind::Fat16;
        if (v == QLatin1String("FAT12"))
            return FsKind::Fat12;
        return FsKind::FatAuto;
    }
    if (t == QLatin1String("exfat"))
        return FsKind::ExFat;
    if (t == QLatin1String("ntfs") || t == QLatin1String("ntfs3"))
        return FsKind::Ntfs;
    if (t == QLatin1String("ext2"))
        return FsKind::Ext2;
    if (t == QLatin1String("ext3"))
        return FsKind::Ext3;
    if (t == QLatin1String("ext4"))
        return FsKind::Ext4;
    return FsKind::None;
}

QString blkidTypeOf(FsKind kind)
{
    switch (kind) {
    case FsKind::Fat12:
    case FsKind::Fat16:
    case FsKind::Fat32:
    case FsKind::FatAuto:
        return QStringLiteral("vfat");
    case FsKind::ExFat:
        return QStringLiteral("exfat");
    case FsKind::Ntfs:
        return QStringLiteral("ntfs");
    case FsKind::Ext2:
        return QStringLiteral("ext2");
    case FsKind::Ext3:
        return QStringLiteral("ext3");
    case FsKind::Ext4:
        return QStringLiteral("ext4");
    case FsKind::None:
        break;
    }
    return {};
}

FsKind kindOfPersonality(const QString& personality, bool* unsupported)
{
    if (unsupported)
        *unsupported = false;
    const QString p = personality.trimmed().toLower();
    static const QHash<QString, FsKind> known = {
        {QStringLiteral("exfat"), FsKind::ExFat},
        {QStringLiteral("ms-dos fat32"), FsKind::Fat32},
        {QStringLiteral("fat32"), FsKind::Fat32},
        {QStringLiteral("ms-dos fat16"), FsKind::Fat16},
        {QStringLiteral("fat16"), FsKind::Fat16},
        {QStringLiteral("ms-dos fat12"), FsKind::Fat12},
        {QStringLiteral("fat12"), FsKind::Fat12},
        {QStringLiteral("ms-dos"), FsKind::FatAuto},
        {QStringLiteral("ms-dos (fat)"), FsKind::FatAuto},
        {QStringLiteral("fat"), FsKind::FatAuto},
        {QStringLiteral("ntfs"), FsKind::Ntfs},
        {QStringLiteral("ext2"), FsKind::Ext2},
        {QStringLiteral("ext3"), FsKind::Ext3},
        {QStringLiteral("ext4"), FsKind::Ext4},
    };
    const auto it = known.constFind(p);
    if (it != known.constEnd())
        return it.value();
    // Apple's own file systems have no tools on this system.
    if (unsupported && (p.contains(QLatin1String("hfs")) || p.contains(QLatin1String("apfs"))))
        *unsupported = true;
    return FsKind::None;
}

QString personalityOf(FsKind kind)
{
    switch (kind) {
    case FsKind::Fat12: return QStringLiteral("MS-DOS FAT12");
    case FsKind::Fat16: return QStringLiteral("MS-DOS FAT16");
    case FsKind::Fat32: return QStringLiteral("MS-DOS FAT32");
    case FsKind::FatAuto: return QStringLiteral("MS-DOS");
    case FsKind::ExFat: return QStringLiteral("ExFAT");
    case FsKind::Ntfs: return QStringLiteral("NTFS");
    case FsKind::Ext2: return QStringLiteral("ext2");
    case FsKind::Ext3: return QStringLiteral("ext3");
    case FsKind::Ext4: return QStringLiteral("ext4");
    case FsKind::None: break;
    }
    return {};
}

namespace {

// Keeps whole characters (a surrogate pair counts as one) while `fits` agrees.
QString cutWhole(const QString& text, const std::function<bool(const QString&)>& fits)
{
    QString out;
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text[i].isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
        const QString next = out + text.mid(i, len);
        if (!fits(next))
            break;
        out = next;
        i += len;
    }
    return out;
}

QString dropTrailingBlanks(QString s)
{
    while (!s.isEmpty() && s.back() == QLatin1Char(' '))
        s.chop(1);
    return s;
}

} // namespace

QString normaliseVolumeName(FsKind kind, const QString& name)
{
    if (isFatKind(kind)) {
        QString out;
        for (const QChar c : name.toUpper())
            out += platform::isFatLabelCharacter(c) ? c : QLatin1Char('_');
        // Leading blanks too: mkfs.fat refuses them (a name typed so is
        // refused before it comes here; one read back from a volume is not).
        while (out.startsWith(QLatin1Char(' ')))
            out.remove(0, 1);
        return dropTrailingBlanks(out.left(11));
    }
    switch (kind) {
    case FsKind::Ext2:
    case FsKind::Ext3:
    case FsKind::Ext4:
        return cutWhole(name, [](const QString& s) { return s.toUtf8().size() <= 16; });
    case FsKind::ExFat:
        // The exFAT volume label entry holds 11 UTF-16 units; mkfs.exfat and
        // exfatlabel refuse longer names.
        return cutWhole(name, [](const QString& s) { return s.size() <= 11; });
    case FsKind::Ntfs:
        return cutWhole(name, [](const QString& s) { return s.size() <= 128; });
    default:
        return name;
    }
}

QString fatNameProblem(const QString& name)
{
    if (platform::fatLabelStartsWithBlank(name))
        return QStringLiteral("a FAT label cannot hold \"%1\"; it may not start with a blank").arg(name);
    if (platform::fatLabelHolds(name))
        return {};
    return QStringLiteral("a FAT label cannot hold \"%1\"; it takes only the letters A-Z, the digits, the blank "
                          "and ! # $ % & ' ( ) - @ ^ _ ` { } ~")
        .arg(name);
}

QString partitionContent(const QString& scheme, const QString& type)
{
    const QString t = type.toLower();
    if (scheme == QLatin1String("gpt")) {
        static const QHash<QString, QString> names = {
            {QStringLiteral("c12a7328-f81f-11d2-ba4b-00a0c93ec93b"), QStringLiteral("EFI")},
            {QStringLiteral("ebd0a0a2-b9e5-4433-87c0-68b6b72699c7"), QStringLiteral("Microsoft Basic Data")},
            {QStringLiteral("e3c9e316-0b5c-4db8-817d-f92df00215ae"), QStringLiteral("Microsoft Reserved")},
            {QStringLiteral("de94bba4-06d1-4d40-a16a-bfd50179d6ac"), QStringLiteral("Windows Recovery")},
            {QStringLiteral("0fc63daf-8483-4772-8e79-3d69d8477de4"), QStringLiteral("Linux Filesystem")},
            {QStringLiteral("0657fd6d-a4ab-43c4-84e5-0933c84b4f4f"), QStringLiteral("Linux Swap")},
            {QStringLiteral("e6d6d379-f507-44c2-a23c-238f2a3df928"), QStringLiteral("Linux LVM")},
            {QStringLiteral("a19d880f-05fc-4d3b-a006-743f0f84911e"), QStringLiteral("Linux RAID")},
            {QStringLiteral("bc13c2ff-59e6-4262-a352-b275fd6f7172"), QStringLiteral("Linux Extended Boot")},
            {QStringLiteral("21686148-6449-6e6f-744e-656564454649"), QStringLiteral("BIOS Boot")},
            {QStringLiteral("48465300-0000-11aa-aa11-00306543ecac"), QStringLiteral("Apple_HFS")},
            {QStringLiteral("7c3457ef-0000-11aa-aa11-00306543ecac"), QStringLiteral("Apple_APFS")},
            {QStringLiteral("426f6f74-0000-11aa-aa11-00306543ecac"), QStringLiteral("Apple_Boot")},
            {QStringLiteral("53746f72-6167-11aa-aa11-00306543ecac"), QStringLiteral("Apple_CoreStorage")},
        };
        return names.value(t, type);
    }
    if (scheme == QLatin1String("dos")) {
        bool ok = false;
        const int code = t.startsWith(QLatin1String("0x")) ? t.mid(2).toInt(&ok, 16) : t.toInt(&ok, 16);
        if (!ok)
            return type;
        switch (code) {
        case 0x01: return QStringLiteral("DOS_FAT_12");
        case 0x04: case 0x06: case 0x0e: return QStringLiteral("DOS_FAT_16");
        case 0x0b: case 0x0c: return QStringLiteral("DOS_FAT_32");
        case 0x05: case 0x0f: case 0x85: return QStringLiteral("DOS_Extended");
        case 0x07: return QStringLiteral("Windows_NTFS");
        case 0x82: return QStringLiteral("Linux_Swap");
        case 0x83: return QStringLiteral("Linux");
        case 0x8e: return QStringLiteral("Linux_LVM");
        case 0xfd: return QStringLiteral("Linux_RAID");
        case 0xaf: return QStringLiteral("Apple_HFS");
        case 0xee: return QStringLiteral("GUID_partition_scheme");
        case 0xef: return QStringLiteral("EFI");
        default: break;
        }
        return type;
    }
    return type;
}

QString wholeDiskContent(const QString& tableType)
{
    if (tableType == QLatin1String("gpt"))
        return QStringLiteral("GUID_partition_scheme");
    if (tableType == QLatin1String("dos"))
        return QStringLiteral("FDisk_partition_scheme");
    if (tableType.isEmpty())
        return {};
    return tableType + QStringLiteral("_partition_scheme");
}

QString busProtocol(const QString& kernelName, const QString& sysfsPath)
{
    if (kernelName.startsWith(QLatin1String("loop")))
        return QStringLiteral("Loop");
    const auto has = [&](const char* part) { return sysfsPath.contains(QLatin1String(part)); };
    if (has("/usb"))
        return QStringLiteral("USB");
    if (has("/nvme") || kernelName.startsWith(QLatin1String("nvme")))
        return QStringLiteral("PCI-Express");
    if (has("/virtio"))
        return QStringLiteral("Virtio");
    if (has("/ata"))
        return QStringLiteral("SATA");
    if (has("/mmc"))
        return QStringLiteral("Secure Digital");
    if (has("/devices/virtual/"))
        return QStringLiteral("Virtual");
    if (has("/target"))
        return QStringLiteral("SCSI");
    return QStringLiteral("Unknown");
}

QString cleanLabel(const QString& label)
{
    QString out;
    out.reserve(label.size());
    for (QChar c : label)
        if (c.unicode() >= 0x20 && c.unicode() != 0x7f)
            out += c;
    return platform::plist::xmlSafeText(out);
}

} // namespace diskutil
