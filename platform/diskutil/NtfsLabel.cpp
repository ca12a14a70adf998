#include "NtfsLabel.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <vector>

// The library's headers look for the answers of its own configure run.
#define HAVE_TIME_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_STDARG_H 1
#define HAVE_STDDEF_H 1
#define HAVE_STDIO_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_ENDIAN_H 1
#define HAVE_BYTESWAP_H 1
#define HAVE_STDINT_H 1
extern "C" {
#include <ntfs-3g/types.h>
#include <ntfs-3g/volume.h>
}

namespace diskutil {

bool writeNtfsLabel(const QString& node, const QString& label, QString* error)
{
    const auto failed = [&](const QString& what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };
    ntfs_volume* volume = ntfs_mount(QFile::encodeName(node).constData(), NTFS_MNT_EXCLUSIVE);
    if (!volume)
        return failed(QStringLiteral("Cannot open the NTFS volume on %1").arg(node));
    // NTFS keeps names as little-endian UTF-16, as QString holds them here.
    std::vector<ntfschar> units(size_t(label.size()) + 1, 0);
    for (qsizetype i = 0; i < label.size(); ++i)
        units[size_t(i)] = cpu_to_le16(label.at(i).unicode());
    const bool renamed = ntfs_volume_rename(volume, units.data(), int(label.size())) == 0;
    const int renameErrno = errno;
    const bool closed = ntfs_umount(volume, FALSE) == 0;
    if (!renamed) {
        errno = renameErrno;
        return failed(QStringLiteral("Cannot write the label of %1").arg(node));
    }
    if (!closed)
        return failed(QStringLiteral("Cannot close the NTFS volume on %1").arg(node));
    return true;
}

} // namespace diskutil
