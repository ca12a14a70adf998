#include "BlockDevices.h"

#include "Names.h"
#include "platform/MountTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <blkid.h>

namespace diskutil {
namespace {

QString readText(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).trimmed();
}

QString lookup(blkid_probe pr, const char* name)
{
    const char* data = nullptr;
    size_t len = 0;
    if (blkid_probe_lookup_value(pr, name, &data, &len) != 0 || !data)
        return {};
    // The length counts the terminating zero.
    return QString::fromUtf8(data, len > 0 && data[len - 1] == '\0' ? qsizetype(len - 1) : qsizetype(len));
}

} // namespace

ContentFacts parseUdevData(const QByteArray& data)
{
    QHash<QByteArray, QByteArray> env;
    for (const QByteArray& line : data.split('\n')) {
        if (!line.startsWith("E:"))
            continue;
        const qsizetype eq = line.indexOf('=');
        if (eq > 2)
            env.insert(line.mid(2, eq - 2), line.mid(eq + 1));
    }
    ContentFacts f;
    const auto pick = [&](const char* enc, const char* plain) {
        if (enc && env.contains(enc))
            return platform::decodeUdevEscapes(env.value(enc));
        return QString::fromUtf8(env.value(plain));
    };
    f.fsType = pick(nullptr, "ID_FS_TYPE");
    f.fsVersion = pick(nullptr, "ID_FS_VERSION");
    f.fsUsage = pick(nullptr, "ID_FS_USAGE");
    f.label = pick("ID_FS_LABEL_ENC", "ID_FS_LABEL");
    f.uuid = pick("ID_FS_UUID_ENC", "ID_FS_UUID");
    f.partUuid = pick(nullptr, "ID_PART_ENTRY_UUID");
    f.partType = pick(nullptr, "ID_PART_ENTRY_TYPE");
    f.partScheme = pick(nullptr, "ID_PART_ENTRY_SCHEME");
    f.tableType = pick(nullptr, "ID_PART_TABLE_TYPE");
    f.tableUuid = pick(nullptr, "ID_PART_TABLE_UUID");
    f.known = !env.isEmpty();
    return f;
}

std::optional<ContentFacts> probeDevice(const QString& node)
{
    blkid_probe pr = blkid_new_probe_from_filename(QFile::encodeName(node).constData());
    if (!pr)
        return std::nullopt;
    blkid_probe_enable_superblocks(pr, 1);
    blkid_probe_set_superblocks_flags(pr, BLKID_SUBLKS_LABEL | BLKID_SUBLKS_UUID | BLKID_SUBLKS_TYPE
                                              | BLKID_SUBLKS_VERSION | BLKID_SUBLKS_USAGE);
    blkid_probe_enable_partitions(pr, 1);
    blkid_probe_set_partitions_flags(pr, BLKID_PARTS_ENTRY_DETAILS);
    ContentFacts f;
    f.known = true;
    // 1: nothing found, -2: more than one file system claims the device; both
    // leave the facts empty, which reads as "no file system".
    if (blkid_do_safeprobe(pr) == 0) {
        f.fsType = lookup(pr, "TYPE");
        f.fsVersion = lookup(pr, "VERSION");
        f.fsUsage = lookup(pr, "USAGE");
        f.label = lookup(pr, "LABEL");
        f.uuid = lookup(pr, "UUID");
        f.partUuid = lookup(pr, "PART_ENTRY_UUID");
        f.partType = lookup(pr, "PART_ENTRY_TYPE");
        f.partScheme = lookup(pr, "PART_ENTRY_SCHEME");
        f.tableType = lookup(pr, "PTTYPE");
        f.tableUuid = lookup(pr, "PTUUID");
    }
    blkid_free_probe(pr);
    return f;
}

namespace {

ContentFacts factsOf(const BlockDevice& d)
{
    if (auto probed = probeDevice(d.node))
        return *probed;
    QFile udev(QStringLiteral("/run/udev/data/b") + d.majorMinor);
    if (udev.open(QIODevice::ReadOnly))
        return parseUdevData(udev.readAll());
    return {};
}

// An exFAT or FAT boot sector ends in the same signature as a DOS partition
// table, and libblkid reports both. A disk that holds a file system and no
// partitions has no partition table.
void settle(BlockDevice& d)
{
    if (!d.isPartition && d.partitions.isEmpty() && !d.facts.fsType.isEmpty()) {
        d.facts.tableType.clear();
        d.facts.tableUuid.clear();
    }
}

// The loop devices this run may see at all, by backing file, when
// NULLVANE_LOOP_IMAGES is set (a test program names the images it attached,
// so that it never lists, locks or changes another program's loop device).
// Nothing when it is unset: then every loop device counts.
std::optional<QStringList> visibleLoopImages()
{
    if (!qEnvironmentVariableIsSet("NULLVANE_LOOP_IMAGES"))
        return std::nullopt;
    return QFile::decodeName(qgetenv("NULLVANE_LOOP_IMAGES")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
}

} // namespace

DeviceTable DeviceTable::scan(const QString& sysClassBlock, bool probe)
{
    DeviceTable table;
    const std::optional<QStringList> visibleLoops = visibleLoopImages();
    const QDir dir(sysClassBlock);
    const QStringList names = dir.entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        const QString path = QFileInfo(dir.filePath(name)).canonicalFilePath();
        if (path.isEmpty())
            continue;
        BlockDevice d;
        d.name = name;
        d.node = QStringLiteral("/dev/") + name;
        d.isPartition = QFileInfo::exists(path + QStringLiteral("/partition"));
        const QString diskPath = d.isPartition ? QFileInfo(path).path() : path;
        d.wholeDisk = d.isPartition ? QFileInfo(diskPath).fileName() : name;
        d.sysfsPath = diskPath;
        d.majorMinor = readText(path + QStringLiteral("/dev"));
        d.partitionNumber = d.isPartition ? readText(path + QStringLiteral("/partition")).toLongLong() : 0;
        d.size = readText(path + QStringLiteral("/size")).toULongLong() * 512ULL;
        d.removable = readText(diskPath + QStringLiteral("/removable")) == QLatin1String("1");
        d.readOnly = readText(path + QStringLiteral("/ro")) == QLatin1String("1");
        d.hidden = readText(diskPath + QStringLiteral("/hidden")) == QLatin1String("1");
        d.isLoop = d.wholeDisk.startsWith(QLatin1String("loop"));
        if (d.isLoop)
            d.loopBackingFile = readText(diskPath + QStringLiteral("/loop/backing_file"));
        if (d.isLoop && visibleLoops && !visibleLoops->contains(d.loopBackingFile))
            continue;
        d.slaves = QDir(path + QStringLiteral("/slaves")).entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
        table.devices_ << d;
    }
    for (BlockDevice& d : table.devices_) {
        if (d.isPartition)
            continue;
        QList<const BlockDevice*> parts;
        for (const BlockDevice& p : std::as_const(table.devices_))
            if (p.isPartition && p.wholeDisk == d.name)
                parts << &p;
        std::sort(parts.begin(), parts.end(), [](auto a, auto b) { return a->partitionNumber < b->partitionNumber; });
        for (const BlockDevice* p : parts)
            d.partitions << p->name;
    }
    if (probe) {
        for (BlockDevice& d : table.devices_)
            if (isListed(d))
                table.reprobe(d.name);
    }
    return table;
}

const BlockDevice* DeviceTable::find(const QString& kernelName) const
{
    for (const BlockDevice& d : devices_)
        if (d.name == kernelName)
            return &d;
    return nullptr;
}

const BlockDevice* DeviceTable::findNode(const QString& node) const
{
    const QString resolved = QFileInfo(node).canonicalFilePath();
    for (const BlockDevice& d : devices_)
        if (d.node == node || d.node == resolved)
            return &d;
    return nullptr;
}

void DeviceTable::reprobe(const QString& kernelName)
{
    for (BlockDevice& d : devices_) {
        if (d.name == kernelName) {
            d.facts = factsOf(d);
            const QString raw = d.facts.label;
            d.labelHadControlCharacters =
                std::any_of(raw.cbegin(), raw.cend(), [](QChar c) { return c.unicode() < 0x20; });
            d.facts.label = cleanLabel(raw);
            d.probed = true;
            settle(d);
        }
    }
}

void DeviceTable::probe(const QString& kernelName)
{
    const BlockDevice* d = find(kernelName);
    if (d && !d->probed)
        reprobe(kernelName);
}

void DeviceTable::setLabel(const QString& kernelName, const QString& label)
{
    for (BlockDevice& d : devices_)
        if (d.name == kernelName)
            d.facts.label = cleanLabel(label);
}

bool isListed(const BlockDevice& d)
{
    if (d.size == 0 || d.hidden)
        return false;
    if (d.name.startsWith(QLatin1String("zram")) || d.name.startsWith(QLatin1String("ram")))
        return false;
    if (d.isLoop && d.loopBackingFile.isEmpty())
        return false;
    return true;
}

} // namespace diskutil
