#include "CVolumeMgr.h"

#include "CommandRunners.h"
#include "Public.h"
#include "platform/DiskutilProgram.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"

#include <QHash>
#include <atomic>

namespace {

// Every mount on the machine rescans, with a line per volume: off unless asked for.
Q_LOGGING_CATEGORY(lcVolumes, "nullvane.core.volumes", QtInfoMsg)

// Set while a scan may not start; cleared one second after each start.
std::atomic<bool> scanGuard{false};

// "diskutil info -plist /dev/%s" had to fit 64 bytes with its terminator.
constexpr int kMaxIdentifierBytes = 37;

QVariantMap readAnswer(const QString& path)
{
    const QVariantMap answer = platform::plist::readDictionary(path);
    discardCommandOutput(path);
    return answer;
}

bool isEmptyText(const QVariant& v)
{
    return !v.isValid() || v.toString().isEmpty();
}

bool fitsCommand(const QString& identifier)
{
    return !identifier.isEmpty() && identifier.toUtf8().size() <= kMaxIdentifierBytes;
}

// A whole disk's entries: its "Partitions", else its "APFSVolumes". False
// when the disk is passed over whole (no entries, and a "Content" of its own).
bool entriesOfDisk(const QVariantMap& disk, bool* hasPartitions, QVariantList* entries)
{
    *hasPartitions = !disk.value(QStringLiteral("Partitions")).toList().isEmpty();
    *entries = *hasPartitions ? disk.value(QStringLiteral("Partitions")).toList()
                              : disk.value(QStringLiteral("APFSVolumes")).toList();
    return !(entries->isEmpty() && !isEmptyText(disk.value(QStringLiteral("Content"))));
}

// Rules 1 and 2: what the list entry alone rules out.
bool ruledOutByList(const QVariantMap& entry)
{
    const QString content = entry.value(QStringLiteral("Content")).toString();
    const QString mount = entry.value(QStringLiteral("MountPoint")).toString();
    return content == QLatin1String("Apple_Boot") || content == QLatin1String("EFI")
           || content == QLatin1String("Apple_CoreStorage") || content == QLatin1String("Apple_APFS")
           || mount == QLatin1String("/System/Volumes/Update/mnt1") || mount == QLatin1String("/System/Volumes/Data");
}

// The identifiers whose "info" the scan reads, in the scan's order: a disk
// without partitions, and every entry the list alone does not rule out.
QStringList candidatesOf(const QVariantMap& list)
{
    QStringList ids;
    for (const QVariant& diskValue : list.value(QStringLiteral("AllDisksAndPartitions")).toList()) {
        const QVariantMap disk = diskValue.toMap();
        bool hasPartitions = false;
        QVariantList entries;
        if (!entriesOfDisk(disk, &hasPartitions, &entries))
            continue;
        if (!hasPartitions)
            ids << disk.value(QStringLiteral("DeviceIdentifier")).toString();
        for (const QVariant& entryValue : std::as_const(entries)) {
            const QVariantMap entry = entryValue.toMap();
            if (!ruledOutByList(entry))
                ids << entry.value(QStringLiteral("DeviceIdentifier")).toString();
        }
    }
    ids.removeDuplicates();
    ids.removeIf([](const QString& id) { return !fitsCommand(id); });
    return ids;
}

} // namespace

QHash<QString, QVariantMap> CVolumeMgr::infoOfCandidates(const QVariantMap& list)
{
    // One run of the disk utility answers for every candidate; a disk utility
    // that does not answer so is asked once per volume instead.
    const QStringList ids = candidatesOf(list);
    QHash<QString, QVariantMap> infos;
    if (ids.size() > 1) {
        QStringList args{QStringLiteral("info"), QStringLiteral("-plist")};
        for (const QString& id : ids)
            args << QStringLiteral("/dev/") + id;
        const QString path = ExecCommand(platform::diskutilProgram(), args);
        const QVariantList all = path.isEmpty() ? QVariantList() : readAnswer(path).value(QStringLiteral("AllVolumesInfo")).toList();
        if (all.size() == ids.size()) {
            for (int i = 0; i < ids.size(); ++i)
                infos.insert(ids.at(i), all.at(i).toMap());
            return infos;
        }
    }
    for (const QString& id : ids)
        infos.insert(id, EUGetDiskInfo(id));
    return infos;
}

void CVolumeMgr::changeIValue()
{
    scanGuard.store(false);
}

QVariantMap CVolumeMgr::EUGetDiskInfo(const QString& identifier)
{
    if (!fitsCommand(identifier))
        return {};
    const QString path = ExecCommand(platform::diskutilProgram(),
                                     {QStringLiteral("info"), QStringLiteral("-plist"), QStringLiteral("/dev/") + identifier});
    if (path.isEmpty())
        return {};
    return readAnswer(path);
}

QVariantMap CVolumeMgr::MakeVolumeInfo(const QVariantMap& info)
{
    const QVariant ejectable = info.value(QStringLiteral("Ejectable"));
    platform::log(lcVolumes(), platform::LogLevel::Debug,
                  QStringLiteral("strEjectable : %1")
                      .arg(ejectable.isValid() ? QString::number(ejectable.toBool() ? 1 : 0) : QStringLiteral("(null)")));
    QVariantMap volume;
    const QString name = info.value(QStringLiteral("VolumeName")).toString();
    volume.insert(QStringLiteral("volumeName"), name.isEmpty() ? QStringLiteral("Untitled") : name);
    volume.insert(QStringLiteral("volumePath"), info.value(QStringLiteral("DeviceIdentifier")).toString());

    const quint64 total = info.value(QStringLiteral("TotalSize")).toULongLong();
    quint64 freeBytes = info.value(QStringLiteral("FreeSpace")).toULongLong();
    if (freeBytes == 0)
        freeBytes = info.value(QStringLiteral("APFSContainerFree")).toULongLong();
    volume.insert(QStringLiteral("TotalSize"), QString::number(total));
    volume.insert(QStringLiteral("FreeSpace"), QString::number(freeBytes));
    volume.insert(QStringLiteral("volumeTotalSize"), convertSize2String(total));
    volume.insert(QStringLiteral("volumeFreeSize"), convertSize2String(freeBytes));

    for (const char* key : {"FilesystemName", "MountPoint", "BusProtocol", "Ejectable", "Writable", "ParentWholeDisk",
                            "DiskUUID", "DeviceNode", "VolumeUUID"}) {
        const QString k = QLatin1String(key);
        if (info.contains(k))
            volume.insert(k, info.value(k));
    }
    return volume;
}

std::optional<QList<QVariantMap>> CVolumeMgr::enumDiskVolumesInfo(bool guarded)
{
    if (guarded) {
        bool expected = false;
        if (!scanGuard.compare_exchange_strong(expected, true))
            return std::nullopt;
        platform::dispatch::after(1000, [] { CVolumeMgr().changeIValue(); });
    }

    // Our disk utility answers every volume's "info" with the list ("-info");
    // another one is asked for them afterwards.
    const QString listPath = ExecCommand(platform::diskutilProgram(),
                                         {QStringLiteral("list"), QStringLiteral("-plist"), QStringLiteral("-info")});
    if (listPath.isEmpty()) {
        platform::log(QStringLiteral("diskutil list error"));
        return std::nullopt;
    }
    const QVariantMap list = readAnswer(listPath);
    // The loop below asks only for the identifiers candidatesOf names, so the
    // list's own answers are looked up as they are needed.
    const QVariant answered = list.value(QStringLiteral("AllVolumesInfo"));
    const bool listAnswered = answered.metaType().id() == QMetaType::QVariantMap;
    const QVariantMap all = listAnswered ? answered.toMap() : QVariantMap();
    const QHash<QString, QVariantMap> asked = listAnswered ? QHash<QString, QVariantMap>() : infoOfCandidates(list);
    const auto infoOf = [&](const QString& identifier) {
        if (!listAnswered)
            return asked.value(identifier);
        return fitsCommand(identifier) ? all.value(identifier).toMap() : QVariantMap();
    };

    QList<QVariantMap> result;
    for (const QVariant& diskValue : list.value(QStringLiteral("AllDisksAndPartitions")).toList()) {
        const QVariantMap disk = diskValue.toMap();
        bool hasPartitions = false;
        QVariantList entries;
        if (!entriesOfDisk(disk, &hasPartitions, &entries))
            continue;

        if (!hasPartitions) {
            const QVariantMap info = infoOf(disk.value(QStringLiteral("DeviceIdentifier")).toString());
            if (info.contains(QStringLiteral("FilesystemName")))
                result << MakeVolumeInfo(info);
        }

        // The recovery and booter identifiers of this disk's system volumes,
        // once a mounted Preboot, Recovery or VM volume has named them.
        bool haveSystemIds = false;
        QString recoveryId;
        QString booterId;

        for (const QVariant& entryValue : std::as_const(entries)) {
            const QVariantMap entry = entryValue.toMap();
            if (ruledOutByList(entry))
                continue;
            const QVariantMap info = infoOf(entry.value(QStringLiteral("DeviceIdentifier")).toString());
            if (info.isEmpty())
                continue;
            if (info.value(QStringLiteral("BusProtocol")).toString() == QLatin1String("Disk Image"))
                continue;
            const QString content = info.value(QStringLiteral("Content")).toString();
            if (content == QLatin1String("Apple_Boot") || content == QLatin1String("EFI")
                || content == QLatin1String("Apple_CoreStorage"))
                continue;
            const bool ejectable = info.value(QStringLiteral("Ejectable")).toBool();
            const QString mountPoint = info.value(QStringLiteral("MountPoint")).toString();
            const bool mounted = !mountPoint.isEmpty();
            if (!mounted && !ejectable)
                continue;
            const quint64 total = info.value(QStringLiteral("TotalSize")).toULongLong();
            if (info.contains(QStringLiteral("VolumeName")) && info.value(QStringLiteral("VolumeName")).toString().isEmpty()
                && total != 0 && !ejectable)
                continue;
            if (mountPoint == QLatin1String("/System/Volumes/Update/mnt1")
                || (mountPoint == QLatin1String("/System/Volumes/Update") && !ejectable)
                || mountPoint == QLatin1String("/System/Volumes/Data") || mountPoint == QLatin1String("/System/Volumes/VM"))
                continue;
            platform::log(lcVolumes(), platform::LogLevel::Debug, QStringLiteral("+++++++: %1").arg(total));
            if (total >= 1 && total <= 29999999)
                continue;

            const QVariantMap volume = MakeVolumeInfo(info);
            const QString volumeName = volume.value(QStringLiteral("volumeName")).toString();
            if (!ejectable
                && (volumeName == QLatin1String("iSCPreboot") || volumeName == QLatin1String("xART")
                    || volumeName == QLatin1String("Hardware")))
                continue;
            if (volumeName == QLatin1String("Preboot") || volumeName == QLatin1String("Recovery")
                || volumeName == QLatin1String("VM")) {
                if (!mounted)
                    continue;
                if (!haveSystemIds) {
                    haveSystemIds = true;
                    recoveryId = info.value(QStringLiteral("RecoveryDeviceIdentifier")).toString();
                    booterId = info.value(QStringLiteral("BooterDeviceIdentifier")).toString();
                }
                const QString ownId = info.value(QStringLiteral("DeviceIdentifier")).toString();
                if (volumeName == QLatin1String("Recovery") && ownId == recoveryId)
                    continue;
                if (volumeName == QLatin1String("Preboot") && ownId == booterId)
                    continue;
            }
            // The disk-arbitration volume name, where the disk utility gives one.
            const QString daName = info.value(QStringLiteral("DAVolumeName")).toString();
            if (daName == QLatin1String("iSCPreboot") || daName == QLatin1String("VM") || daName == QLatin1String("Recovery")
                || daName == QLatin1String("Update") || daName == QLatin1String("EFI"))
                continue;
            result << volume;
        }
    }
    return result;
}
