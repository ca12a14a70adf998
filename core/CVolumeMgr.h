#pragma once
// Which volumes may the user act on? Asks the disk utility for its list of
// disks and for the details of each candidate volume, drops system, boot,
// recovery, support and disk-image volumes and volumes too small to matter,
// and answers one dictionary per remaining volume, in the disk utility's order.
//
// A scan that would start within one second of the previous guarded start is
// refused; a caller that keeps its own scans apart asks without the guard.
// A scan costs one run of our disk utility, which answers the details of every
// volume with its list; another disk utility is asked for the details of every
// candidate at once, or, failing that, volume by volume.

#include <QHash>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <optional>

class CVolumeMgr {
public:
    // One dictionary per volume, with the entries "volumeName", "volumePath",
    // "TotalSize", "FreeSpace", "volumeTotalSize", "volumeFreeSize",
    // "FilesystemName", "MountPoint", "BusProtocol", "Ejectable", "Writable",
    // "ParentWholeDisk", "DiskUUID", "DeviceNode" and, for a volume that has a
    // file system, its "VolumeUUID". Nothing when the disk
    // utility gives no list, or, `guarded`, when a guarded scan started less
    // than one second ago; an unguarded scan neither waits for the guard nor
    // takes it. Blocks; call it on a worker.
    std::optional<QList<QVariantMap>> enumDiskVolumesInfo(bool guarded = true);

    // The disk utility's "info" of /dev/<identifier>; empty when there is no
    // identifier, when it is longer than 37 bytes, or when the answer cannot
    // be read.
    QVariantMap EUGetDiskInfo(const QString& identifier);

    // A volume dictionary (as above) from an "info" dictionary.
    QVariantMap MakeVolumeInfo(const QVariantMap& info);

    // Lets the next scan start.
    void changeIValue();

    // The "info" of every volume the scan of `list` looks at, by identifier,
    // read in one run of the disk utility where it can answer so.
    QHash<QString, QVariantMap> infoOfCandidates(const QVariantMap& list);
};
