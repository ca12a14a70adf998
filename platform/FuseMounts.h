#pragma once
// Most FUSE file systems for disks mount as "fuseblk" and name their device as
// the mount source. Some (fusefat) mount as "fuse.<name>" with their own name as
// the source; the device they serve is then only known from the arguments the
// server process was started with.

#include "MountTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

struct FuseServer {
    qint64 pid = 0;
    QString device;      // as given on its command line, made absolute
    QString mountPoint;  // as given on its command line, made absolute
};

// The device and mount point of a FUSE server's command line ("fusefat -o rw+
// /dev/loop3 /media/u/X"): the first two arguments that are not options. Relative
// paths are taken from `workingFolder`. Nothing when the line has fewer than two.
std::optional<FuseServer> parseFuseCommandLine(const QStringList& arguments, const QString& workingFolder);

// The running FUSE servers whose program is one of `programs` (by file name).
QList<FuseServer> runningFuseServers(const QStringList& programs = {QStringLiteral("fusefat")});

// Fills `device` of every "fuse.*" entry whose source is not a device, from the
// server that serves that mount point. Entries already resolved stay as they are.
QList<MountEntry> resolveFuseSources(QList<MountEntry> entries);

// The mount table with FUSE sources resolved.
QList<MountEntry> readBlockMountTable();

} // namespace platform
