#pragma once
// The mounted file systems as the kernel lists them (/proc/self/mountinfo),
// and the space on one of them.

#include <QList>
#include <QString>
#include <optional>

namespace platform {

struct MountEntry {
    int id = 0;          // the kernel's mount id: a new mount gets a new one
    QString source;      // as mounted: "/dev/sdb1", "/dev/loop3", "tmpfs", ...
    QString device;      // the block device node it resolves to ("/dev/sdb1"), or "" when none
    QString mountPoint;  // unescaped
    QString root;        // the folder of the file system seen here: "/" for the
                         // volume's root, "/a/b" for a bind mount of a folder
    QString fsType;      // "ext4", "vfat", "fuseblk", "fuse.fusefat", ...
    QString options;     // the per-mount options ("rw,nosuid,...")
    bool readOnly = false;
    quint64 deviceNumber = 0;  // the st_dev of files on it (major:minor of mountinfo)
};

QList<MountEntry> readMountTable();

// The entry mounted exactly at `mountPoint` (the last one, when mounts are
// stacked), or nothing.
std::optional<MountEntry> mountEntryAt(const QString& mountPoint);

// Entries whose device is `device` (a node such as "/dev/sdb1").
QList<MountEntry> mountEntriesOf(const QString& device);

// Text as udev writes it in its link names (/dev/disk/by-label/...) and its
// *_ENC values: each byte it escapes appears as \xNN.
QString decodeUdevEscapes(const QByteArray& raw);

// Kernel name of a device node ("/dev/sdb1" -> "sdb1"), following links such
// as /dev/disk/by-uuid/...; "" when it is not a block device.
QString kernelNameOf(const QString& deviceNode);

// The mount that holds the item at `path` (the item itself, a symbolic link
// not followed; a missing item is looked up by its nearest existing folder),
// or nothing.
std::optional<MountEntry> mountEntryHolding(const QString& path);

// The file-system type of the mount holding `path`: the mount table's type,
// except that a FUSE mount of a block device ("fuseblk") is answered with the
// type found on the device itself ("ntfs", "exfat", ...) when it can be read
// or the device manager recorded it. "" when the path lies on no known mount.
QString fileSystemTypeHolding(const QString& path);

struct SpaceInfo {
    bool ok = false;
    qint64 totalBytes = 0;
    qint64 freeBytes = 0;       // free for this user (statvfs f_bavail)
    qint64 freeBytesRoot = 0;   // free in all (f_bfree)
};

SpaceInfo fileSystemSpace(const QString& path);
// The same for the file system of an open handle.
SpaceInfo fileSystemSpaceOf(int fd);

} // namespace platform
