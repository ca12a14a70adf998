#pragma once
// One volume row of the disk wipe's and the Disk tools' volume tables.
// Texts are held by value: a record keeps its own copy of what it was given.

#include <QString>
#include <cstdint>
#include <memory>

class VolumeObj {
public:
    // volume name as shown
    const QString& volumeName() const { return volumeName_; }
    void setVolumeName(const QString& v) { volumeName_ = v; }
    // device identifier: a bare one (sdb1) from the volume enumeration, a device path (/dev/sdb1) from the disk wipe
    const QString& volumePath() const { return volumePath_; }
    void setVolumePath(const QString& v) { volumePath_ = v; }
    // mount point; empty when not mounted
    const QString& volumeMountPoint() const { return volumeMountPoint_; }
    void setVolumeMountPoint(const QString& v) { volumeMountPoint_ = v; }
    // total size as display text
    const QString& volumeTotalSize() const { return volumeTotalSize_; }
    void setVolumeTotalSize(const QString& v) { volumeTotalSize_ = v; }
    // free space as display text
    const QString& volumeFreeSize() const { return volumeFreeSize_; }
    void setVolumeFreeSize(const QString& v) { volumeFreeSize_ = v; }
    // total size in bytes
    std::int64_t volumeTotalSizeNum() const { return volumeTotalSizeNum_; }
    void setVolumeTotalSizeNum(std::int64_t v) { volumeTotalSizeNum_ = v; }
    // free space in bytes
    std::int64_t volumeFreeSizeNum() const { return volumeFreeSizeNum_; }
    void setVolumeFreeSizeNum(std::int64_t v) { volumeFreeSizeNum_ = v; }
    // file-system name, used by the disk wipe
    const QString& volumeType() const { return volumeType_; }
    void setVolumeType(const QString& v) { volumeType_ = v; }
    // file-system name, used by the Disk tools
    const QString& diskType() const { return diskType_; }
    void setDiskType(const QString& v) { diskType_ = v; }
    // the disk's UUID text
    const QString& diskUUID() const { return diskUUID_; }
    void setDiskUUID(const QString& v) { diskUUID_ = v; }
    // the file system's UUID, as the disk utility reports it ("VolumeUUID");
    // with the device node it tells a volume again across rescans (empty
    // when the file system has none)
    const QString& volumeUUID() const { return volumeUUID_; }
    void setVolumeUUID(const QString& v) { volumeUUID_ = v; }
    // device node of the volume
    const QString& volRootDir() const { return volRootDir_; }
    void setVolRootDir(const QString& v) { volRootDir_ = v; }
    // bus protocol as the disk utility reports it
    const QString& BusProtocol() const { return BusProtocol_; }
    void setBusProtocol(const QString& v) { BusProtocol_ = v; }
    // identifier of the whole disk that holds the volume
    const QString& parentWholeDisk() const { return parentWholeDisk_; }
    void setParentWholeDisk(const QString& v) { parentWholeDisk_ = v; }
    // the volume is writable
    bool isWritable() const { return isWritable_; }
    void setIsWritable(bool v) { isWritable_ = v; }
    // the volume's medium is ejectable
    bool bCanEject() const { return bCanEject_; }
    void setBCanEject(bool v) { bCanEject_ = v; }

private:
    QString volumeName_;
    QString volumePath_;
    QString volumeMountPoint_;
    QString volumeTotalSize_;
    QString volumeFreeSize_;
    std::int64_t volumeTotalSizeNum_ = 0;
    std::int64_t volumeFreeSizeNum_ = 0;
    QString volumeType_;
    QString diskType_;
    QString diskUUID_;
    QString volumeUUID_;
    QString volRootDir_;
    QString BusProtocol_;
    QString parentWholeDisk_;
    bool isWritable_ = false;
    bool bCanEject_ = false;
};

using VolumeObjPtr = std::shared_ptr<VolumeObj>;

// Whether two records, from two scans, are one volume: the same device node
// holding the same file system (its UUID) on the same partition. A row
// number or a label says nothing of it, and a node alone is taken again by
// the next medium plugged in. A record without a node is no volume.
bool isSameVolume(const VolumeObj& a, const VolumeObj& b);
