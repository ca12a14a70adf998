// The disk utility's listing and facts: what each device holds, where it is
// mounted, its "info" answer, and the "list" and "info" verbs.

#include "DiskUtil.h"
#include "DiskUtilShared.h"
#include "FatSpace.h"

#include "platform/FuseMounts.h"
#include "platform/PropertyList.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <sys/statvfs.h>

namespace diskutil {

namespace {

// Natural order, so loop10 follows loop9.
bool naturalLess(const QString& a, const QString& b)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const auto ma = split.match(a);
    const auto mb = split.match(b);
    if (ma.captured(1) != mb.captured(1))
        return ma.captured(1) < mb.captured(1);
    return ma.captured(2).toLongLong() < mb.captured(2).toLongLong();
}

} // namespace

void DiskUtil::refresh(bool probeAll)
{
    devices_ = DeviceTable::scan(QStringLiteral("/sys/class/block"), false);
    mounts_ = platform::readBlockMountTable();
    if (probeAll) {
        for (const BlockDevice& d : devices_.devices())
            if (isListed(d))
                probe(d.name, true);
    }
}

void DiskUtil::probe(const QString& name, bool again)
{
    const BlockDevice* d = devices_.find(name);
    if (!d || (d->probed && !again))
        return;
    devices_.reprobe(name);
    d = devices_.find(name);
    if (d->facts.fsType != QLatin1String("ntfs"))
        return;
    // libblkid misreads NTFS labels longer than 64 characters (a control
    // character shows up inside); the NTFS tools read them whole. They are
    // asked only then: ntfslabel holds the device while it reads, and a mount
    // of that volume meanwhile fails as busy. A mounted volume is open to its
    // FUSE server, so ntfslabel is told to read it anyway (it only reads: no
    // label is given).
    const bool misread = d->facts.label.size() >= 64 || d->labelHadControlCharacters;
    if (!misread)
        return;
    const QString ntfslabel = tool(QStringLiteral("ntfslabel"));
    if (ntfslabel.isEmpty())
        return;
    // ntfslabel opens the device for itself alone: it must not run while
    // another run of ours mounts, erases or checks that disk, or that verb
    // would find the device busy. A disk this run holds is read at once; any
    // other only when no changing verb holds it (its label is then the one
    // libblkid read, control characters dropped).
    DiskLock reading;
    if (d->wholeDisk != lockedDisk_ && !reading.take(d->wholeDisk, nullptr, true, false))
        return;
    const bool mounted = !mountPointsOf(*d).isEmpty();
    QStringList args;
    if (mounted)
        args << QStringLiteral("--force");
    args << d->node;
    // Reading a label changes nothing, so it does not go through `tools_`,
    // which watches every change to a disk.
    const platform::ProcessResult r = platform::runProcess(ntfslabel, args);
    if (!r.succeeded())
        return;
    QByteArray label = r.standardOutput;
    if (label.endsWith('\n'))
        label.chop(1);
    devices_.setLabel(name, QString::fromUtf8(label));
}

void DiskUtil::probeWithDisk(const BlockDevice& d)
{
    const QString disk = d.wholeDisk;
    probe(d.name);
    if (disk != d.name)
        probe(disk);
}

QStringList DiskUtil::mountPointsOf(const BlockDevice& d) const
{
    QStringList points;
    for (const platform::MountEntry& e : mounts_)
        if (e.device == d.node && !points.contains(e.mountPoint))
            points << e.mountPoint;
    return points;
}

bool DiskUtil::isEjectable(const BlockDevice& d) const
{
    const BlockDevice* disk = devices_.find(d.wholeDisk);
    const BlockDevice& w = disk ? *disk : d;
    const QString bus = busProtocol(w.name, w.sysfsPath);
    return w.removable || w.isLoop || bus == QLatin1String("USB") || bus == QLatin1String("Secure Digital");
}

QString DiskUtil::fsTypeOf(const BlockDevice& d) const
{
    const ContentFacts& f = d.facts;
    if (!f.fsType.isEmpty() && (f.fsUsage.isEmpty() || f.fsUsage == QLatin1String("filesystem")))
        return f.fsType;
    if (f.fsType.isEmpty() && f.tableType.isEmpty()) {
        // A device we may not read (the system disk, for one): the mount table
        // still says what it holds, unless a FUSE server hides it.
        for (const platform::MountEntry& e : mounts_)
            if (e.device == d.node && !e.fsType.startsWith(QLatin1String("fuse")))
                return e.fsType;
    }
    return {};
}

QString DiskUtil::nameOf(const BlockDevice& d) const
{
    return d.facts.label.isEmpty() ? d.name : d.facts.label;
}

QVariantMap DiskUtil::infoOf(const BlockDevice& d)
{
    QVariantMap info;
    const BlockDevice* disk = devices_.find(d.wholeDisk);
    const BlockDevice& w = disk ? *disk : d;
    const QStringList points = mountPointsOf(d);
    const QString mountPoint = points.value(0);
    const QString type = fsTypeOf(d);

    info.insert(QStringLiteral("DeviceIdentifier"), d.name);
    info.insert(QStringLiteral("DeviceNode"), d.node);
    info.insert(QStringLiteral("ParentWholeDisk"), d.wholeDisk);
    info.insert(QStringLiteral("TotalSize"), QVariant::fromValue<qulonglong>(d.size));
    info.insert(QStringLiteral("Size"), QVariant::fromValue<qulonglong>(d.size));
    info.insert(QStringLiteral("BusProtocol"), busProtocol(w.name, w.sysfsPath));
    info.insert(QStringLiteral("Ejectable"), isEjectable(d));
    info.insert(QStringLiteral("WholeDisk"), !d.isPartition);
    info.insert(QStringLiteral("VolumeName"), d.facts.label);
    info.insert(QStringLiteral("MountPoint"), mountPoint);

    bool mountedReadOnly = false;
    for (const platform::MountEntry& e : mounts_)
        if (e.device == d.node && e.mountPoint == mountPoint)
            mountedReadOnly = e.readOnly;
    info.insert(QStringLiteral("Writable"), !d.readOnly && !w.readOnly && !mountedReadOnly);

    qulonglong freeSpace = 0;
    if (!mountPoint.isEmpty()) {
        struct statvfs s {};
        if (statvfs(QFile::encodeName(mountPoint).constData(), &s) == 0)
            freeSpace = qulonglong(s.f_bavail) * qulonglong(s.f_frsize);
        // A server that tells no sizes at all (fusefat): the table on the
        // volume does.
        if (s.f_blocks == 0 && isFatKind(kindOf(type, d.facts.fsVersion)))
            freeSpace = fatFreeBytes(d.node).value_or(0);
    }
    info.insert(QStringLiteral("FreeSpace"), QVariant::fromValue(freeSpace));

    if (d.isPartition)
        info.insert(QStringLiteral("Content"), partitionContent(d.facts.partScheme, d.facts.partType));
    else
        info.insert(QStringLiteral("Content"), wholeDiskContent(d.facts.tableType));

    if (!type.isEmpty()) {
        info.insert(QStringLiteral("FilesystemName"), filesystemName(type, d.facts.fsVersion));
        info.insert(QStringLiteral("FilesystemType"), type);
        info.insert(QStringLiteral("VolumeUUID"), d.facts.uuid);
    }
    // The identifier that names this one device for good: a partition's entry,
    // a disk's table, or the file system of a disk without a table.
    QString diskUuid;
    if (d.isPartition)
        diskUuid = d.facts.partUuid;
    else if (!d.facts.tableType.isEmpty())
        diskUuid = d.facts.tableUuid;
    else
        diskUuid = d.facts.uuid;
    info.insert(QStringLiteral("DiskUUID"), diskUuid.toUpper());
    return info;
}

QVariantMap DiskUtil::listDictionary()
{
    QList<const BlockDevice*> disks;
    for (const BlockDevice& d : devices_.devices())
        if (!d.isPartition && isListed(d))
            disks << &d;
    std::sort(disks.begin(), disks.end(), [](auto a, auto b) { return naturalLess(a->name, b->name); });
    QVariantList all;
    for (const BlockDevice* disk : std::as_const(disks)) {
        QVariantMap entry;
        entry.insert(QStringLiteral("DeviceIdentifier"), disk->name);
        entry.insert(QStringLiteral("Size"), QVariant::fromValue<qulonglong>(disk->size));
        entry.insert(QStringLiteral("Content"), wholeDiskContent(disk->facts.tableType));
        if (disk->partitions.isEmpty()) {
            if (!fsTypeOf(*disk).isEmpty()) {
                entry.insert(QStringLiteral("MountPoint"), mountPointsOf(*disk).value(0));
                entry.insert(QStringLiteral("VolumeName"), disk->facts.label);
            }
        } else {
            QVariantList parts;
            for (const QString& name : disk->partitions) {
                const BlockDevice* p = devices_.find(name);
                if (!p || !isListed(*p))
                    continue;
                QVariantMap part;
                part.insert(QStringLiteral("DeviceIdentifier"), p->name);
                part.insert(QStringLiteral("Content"), partitionContent(p->facts.partScheme, p->facts.partType));
                part.insert(QStringLiteral("MountPoint"), mountPointsOf(*p).value(0));
                part.insert(QStringLiteral("VolumeName"), p->facts.label);
                part.insert(QStringLiteral("Size"), QVariant::fromValue<qulonglong>(p->size));
                parts << part;
            }
            entry.insert(QStringLiteral("Partitions"), parts);
        }
        all << entry;
    }
    return {{QStringLiteral("AllDisksAndPartitions"), all}};
}

QVariantMap DiskUtil::infoDictionary(const QString& target, QString* error)
{
    if (devices_.devices().isEmpty())
        refresh(false);
    const BlockDevice* d = resolve(target, error);
    return d ? infoOf(*d) : QVariantMap();
}

int DiskUtil::doList(bool plist, bool withInfo)
{
    QVariantMap list = listDictionary();
    if (withInfo) {
        // The "info" of every device the list names, in the same run, so one
        // run of this program answers a whole volume-list refresh.
        QVariantMap infos;
        for (const QVariant& v : list.value(QStringLiteral("AllDisksAndPartitions")).toList()) {
            const QVariantMap disk = v.toMap();
            QStringList names{disk.value(QStringLiteral("DeviceIdentifier")).toString()};
            for (const QVariant& pv : disk.value(QStringLiteral("Partitions")).toList())
                names << pv.toMap().value(QStringLiteral("DeviceIdentifier")).toString();
            for (const QString& name : std::as_const(names))
                if (const BlockDevice* d = devices_.find(name))
                    infos.insert(name, infoOf(*d));
        }
        list.insert(QStringLiteral("AllVolumesInfo"), infos);
    }
    if (plist) {
        out_(QString::fromUtf8(platform::plist::toXml(list)).trimmed());
        return 0;
    }
    for (const QVariant& v : list.value(QStringLiteral("AllDisksAndPartitions")).toList()) {
        const QVariantMap disk = v.toMap();
        out_(QStringLiteral("/dev/%1 (%2, %3 bytes)")
                 .arg(disk.value(QStringLiteral("DeviceIdentifier")).toString(),
                      disk.value(QStringLiteral("Content")).toString(),
                      disk.value(QStringLiteral("Size")).toString()));
        for (const QVariant& pv : disk.value(QStringLiteral("Partitions")).toList()) {
            const QVariantMap p = pv.toMap();
            out_(QStringLiteral("   %1  %2  %3  %4 bytes")
                     .arg(p.value(QStringLiteral("DeviceIdentifier")).toString(),
                          p.value(QStringLiteral("Content")).toString(),
                          p.value(QStringLiteral("VolumeName")).toString(),
                          p.value(QStringLiteral("Size")).toString()));
        }
    }
    return 0;
}

int DiskUtil::doInfo(const QString& target, bool plist)
{
    QString error;
    const BlockDevice* d = resolve(target, &error);
    if (!d)
        return fail(error);
    const QVariantMap info = infoOf(*d);
    if (plist) {
        out_(QString::fromUtf8(platform::plist::toXml(info)).trimmed());
        return 0;
    }
    for (auto it = info.constBegin(); it != info.constEnd(); ++it)
        out_(QStringLiteral("%1: %2").arg(it.key(), it.value().toString()));
    return 0;
}

int DiskUtil::doInfoOfMany(const QStringList& targets, bool plist)
{
    // One answer per target, in order; one that names no device gets an
    // empty dictionary (and its reason on standard error).
    int status = 0;
    QVariantList all;
    for (const QString& target : targets) {
        QString error;
        const BlockDevice* d = resolve(target, &error);
        if (!d) {
            err_(error);
            status = 1;
        }
        all << (d ? infoOf(*d) : QVariantMap());
    }
    if (plist) {
        const QVariantMap answer{{QStringLiteral("AllVolumesInfo"), all}};
        out_(QString::fromUtf8(platform::plist::toXml(answer)).trimmed());
        return status;
    }
    for (const QVariant& v : std::as_const(all)) {
        const QVariantMap info = v.toMap();
        for (auto it = info.constBegin(); it != info.constEnd(); ++it)
            out_(QStringLiteral("%1: %2").arg(it.key(), it.value().toString()));
        out_(QString());
    }
    return status;
}

} // namespace diskutil
