#pragma once
// What the Disk tools' tests share: the stand-in disk utility and the
// volume facts it answers.

#include "FakeDiskutil.h"
#include "TestSupport.h"

#include <QVariantMap>

namespace repairtest {

// An "info" answer of one volume, as our disk utility gives it.
inline QVariantMap volumeInfo(const QString& id, const QString& name, const QString& fs, const QString& mountPoint,
                              bool ejectable, qulonglong total = 8000000000ULL, qulonglong freeBytes = 2000000000ULL)
{
    return {
        {"DeviceIdentifier", id},
        {"DeviceNode", "/dev/" + id},
        {"ParentWholeDisk", id.left(3)},
        {"VolumeName", name},
        {"FilesystemName", fs},
        {"MountPoint", mountPoint},
        {"TotalSize", QVariant::fromValue<qulonglong>(total)},
        {"FreeSpace", QVariant::fromValue<qulonglong>(mountPoint.isEmpty() ? 0 : freeBytes)},
        {"BusProtocol", ejectable ? "USB" : "SATA"},
        {"Ejectable", ejectable},
        {"Writable", true},
        {"Content", "Microsoft Basic Data"},
        {"DiskUUID", "UUID-" + id.toUpper()},
        {"VolumeUUID", "FS-" + id.toUpper()},
    };
}

using nvtest::FakeDiskutil;

} // namespace repairtest
