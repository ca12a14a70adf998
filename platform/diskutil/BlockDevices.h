#pragma once
// The machine's block devices as sysfs lists them, with what libblkid (or,
// when the device cannot be read, udev's database) says about their contents.

#include "platform/MountTable.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace diskutil {

struct ContentFacts {
    QString fsType;      // "ext4", "vfat", "exfat", "ntfs", ...; "" when none
    QString fsVersion;   // "FAT32", "1.0", ...
    QString fsUsage;     // "filesystem", "raid", "crypto", "other"
    QString label;
    QString uuid;
    QString partUuid;    // a partition's entry
    QString partType;    // GUID or "0x83"
    QString partScheme;  // "gpt", "dos"
    QString tableType;   // a whole disk's partition table: "gpt", "dos"
    QString tableUuid;
    bool known = false;  // something could be read at all
};

// udev's database entry of a block device (/run/udev/data/b<major>:<minor>).
ContentFacts parseUdevData(const QByteArray& data);

// Probes the device's contents with libblkid. Nothing when it cannot be opened.
std::optional<ContentFacts> probeDevice(const QString& node);

struct BlockDevice {
    QString name;           // kernel name: "sdb1", "loop3"
    QString node;           // "/dev/sdb1"
    QString wholeDisk;      // kernel name of the disk holding it (itself for a disk)
    QString sysfsPath;      // canonical, of the whole disk
    QString majorMinor;     // "8:17"
    bool isPartition = false;
    qint64 partitionNumber = 0;
    quint64 size = 0;       // bytes
    bool removable = false; // the disk's medium can be removed
    bool readOnly = false;
    bool hidden = false;
    bool isLoop = false;
    QString loopBackingFile;
    QStringList partitions; // a disk's partitions, by kernel name, in number order
    QStringList slaves;     // devices this one is built on (device mapper, RAID)
    bool probed = false;    // `facts` have been read
    // The probed label held control characters, which `facts.label` no
    // longer shows: with NTFS, the sign of a label libblkid misread.
    bool labelHadControlCharacters = false;
    ContentFacts facts;
};

class DeviceTable {
public:
    // Reads sysfs under `sysClassBlock` and, with `probe`, probes each listed
    // device; without, devices are probed one by one when asked (probe()).
    // When NULLVANE_LOOP_IMAGES is set, only the loop devices over the images
    // it names (separated by ':') are in the table; the others are not
    // there for any verb.
    static DeviceTable scan(const QString& sysClassBlock = QStringLiteral("/sys/class/block"), bool probe = true);

    const QList<BlockDevice>& devices() const { return devices_; }
    const BlockDevice* find(const QString& kernelName) const;
    const BlockDevice* findNode(const QString& node) const; // "/dev/..." or a link to it
    // Probes one device again (after mkfs, relabelling).
    void reprobe(const QString& kernelName);
    // Probes one device unless it has been already.
    void probe(const QString& kernelName);
    // Puts the label another tool read in place of the probed one.
    void setLabel(const QString& kernelName, const QString& label);

private:
    QList<BlockDevice> devices_;
};

// Whether the disk utility shows the device at all: loop devices without a
// backing file, zram, and devices of size 0 or hidden by the kernel are left out.
bool isListed(const BlockDevice& device);

} // namespace diskutil
