#pragma once
// The free space of a FAT volume, read from its allocation table. fusefat
// answers statfs with zeros, so a mounted FAT volume would otherwise show no
// free space at all.

#include <QString>
#include <optional>

namespace diskutil {

// Bytes in the volume's free clusters, counted in its first FAT; nothing when
// the device cannot be read or holds no FAT12/16/32 file system.
std::optional<qulonglong> fatFreeBytes(const QString& deviceNode);

} // namespace diskutil
