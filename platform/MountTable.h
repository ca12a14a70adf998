#pragma once
// The mounted file systems as the kernel lists them (/proc/self/mountinfo),
// and the space on one of them.

#include <QList>
#include <QString>
#include <optional>

namespace platform {

struct MountEntry {
    QString source;      // as mounted: "/dev/sdb1", "/dev/loop3", "tmpfs", ...
    QString device;      // the block device node it resolves to ("/dev/sdb1"), or "" when none
    QString mountPoint;  // unescaped
    QString fsType;      // "ext4", "vfat", "fuseblk", "fuse.fusefat", ...
    QString options;     // the per-mount options ("rw,nosuid,...")
    bool readOnly = false;
};

QList<MountEntry> readMountTable();

// The entry mounted exactly at `mountPoint` (the last one, when mounts are
// stacked), or nothing.
std::optional<MountEntry> mountEntryAt(const QString& mountPoint);

// Entries whose device is `device` (a node such as "/dev/sdb1").
QList<MountEntry> mountEntriesOf(const QString& device);

// Kernel name of a device node ("/dev/sdb1" -> "sdb1"), following links such
// as /dev/disk/by-uuid/...; "" when it is not a block device.
QString kernelNameOf(const QString& deviceNode);

struct SpaceInfo {
    bool ok = false;
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;       // free for this user (statvfs f_bavail)
    qint64 freeBytesRoot = 0;   // free in all (f_bfree)
};

SpaceInfo fileSystemSpace(const QString& path);

} // namespace platform
