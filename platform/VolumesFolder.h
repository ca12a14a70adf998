#pragma once
// The mounted volumes the user may act on, as the disk wipe lists them: the
// root file system, and block-device mounts under the desktop's media folders
// (/media, /run/media, /mnt) and under the disk utility's own mount base
// (NULLVANE_MOUNT_BASE when set). Each is named by its mount point and by the
// kernel name of the device it is mounted from.
//
// The media folders go through mapLocation, so under a test's NULLVANE_ROOT
// only mounts inside that root are seen, and the real root file system is not.
// Reads the mount table; callable from any thread.

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

struct VolumesFolderEntry {
    QString mountPoint;  // "/media/user/USB", or "/"
    QString bsdName;     // "sdb1", "loop3"
};

// In mount-table order; a mount point that holds several mounts is the last one.
QList<VolumesFolderEntry> volumesFolderEntries();

// The folders whose block-device mounts are listed (mapped, cleaned).
QStringList volumesFolderRoots();

} // namespace platform
