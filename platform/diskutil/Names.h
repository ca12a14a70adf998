#pragma once
// The names the disk utility answers with, and the rules each file system sets
// for its volume names. Pure functions, so they can be checked without a disk.

#include <QString>
#include <QStringList>
#include <QVariant>

namespace diskutil {

// What a file system is called in answers: "ExFAT", "MS-DOS FAT32", "NTFS",
// "ext4", ... `type` and `version` as libblkid names them ("vfat", "FAT16").
QString filesystemName(const QString& type, const QString& version);

// The file systems we can create, rename and check.
enum class FsKind { None, Fat12, Fat16, Fat32, FatAuto, ExFat, Ntfs, Ext2, Ext3, Ext4 };
bool isFatKind(FsKind kind);
bool isExtKind(FsKind kind);

// The kind of an existing file system (libblkid type and version).
FsKind kindOf(const QString& type, const QString& version);

// The libblkid type name of a kind ("vfat", "exfat", ...); "" for None.
QString blkidTypeOf(FsKind kind);

// The kind a caller asks for by personality ("ExFAT", "MS-DOS FAT32", "NTFS",
// "ext4", ...), matched without regard to case. `unsupported` is set for
// personalities this system cannot create ("Journaled HFS+", "APFS", ...).
FsKind kindOfPersonality(const QString& personality, bool* unsupported = nullptr);

// The personality that re-creates `kind` ("MS-DOS FAT32" for Fat32, ...).
QString personalityOf(FsKind kind);

// A name made acceptable to the file system: FAT takes upper case and 11 bytes
// of the characters a FAT label may hold (platform/FatLabel.h; others become
// "_", which only a label read back from a volume ever needs: a name a caller
// gives FAT is refused when it has such a character); ext2/3/4 take 16 bytes
// of UTF-8, exFAT 11 and NTFS 128 UTF-16 units. Cuts never split a character.
// FAT drops trailing blanks, as FAT itself does, and leading ones, which
// mkfs.fat refuses.
QString normaliseVolumeName(FsKind kind, const QString& name);

// Why `name` cannot be given to a FAT volume, or "" when it can: a FAT label
// holds only the characters of platform/FatLabel.h and starts with none of
// its blanks.
QString fatNameProblem(const QString& name);

// "Content" of a partition: the partition type as a name ("EFI", "Microsoft
// Basic Data", "Linux Filesystem", "Windows_NTFS", ...) from the scheme ("gpt",
// "dos") and the type (a GUID, or "0x83"). Unknown types are given as they are.
QString partitionContent(const QString& scheme, const QString& type);

// "Content" of a whole disk: "GUID_partition_scheme", "FDisk_partition_scheme",
// or "" for a disk without a partition table.
QString wholeDiskContent(const QString& tableType);

// "BusProtocol" from the disk's kernel name and its sysfs path
// (/sys/devices/.../block/sdb).
QString busProtocol(const QString& kernelName, const QString& sysfsPath);

// A volume name as the label tools give it: control characters (which a label
// tool would not write, and which libblkid can misread into a long label) are
// dropped.
QString cleanLabel(const QString& label);

} // namespace diskutil
