#pragma once
// What a FAT volume label can hold. The label is eleven bytes of the DOS code
// page, and the Linux tools that write it (fatlabel, mkfs.fat) take printable
// ASCII only and refuse * ? . , ; : / \ | + = < > [ ] and the double quote;
// what they write is what blkid, lsblk and the mount folder show again. So a
// FAT label holds the letters A to Z (a lower-case letter is written in upper
// case), the digits, the blank and ! # $ % & ' ( ) - @ ^ _ ` { } ~.
//
// A name with any other character (Chinese, an accented letter, a dot) is
// refused by the disk utility and by the Disk tools before anything changes,
// never written as another name.
//
// Pure functions; any thread.

#include <QChar>
#include <QString>

namespace platform {

// Whether a FAT label holds `c` as it is (an upper-case letter, a digit, the
// blank or one of the symbols above).
bool isFatLabelCharacter(QChar c);

// Whether a FAT label holds every character of `name` once it is upper-cased.
bool fatLabelHolds(const QString& name);

// Whether `name` has more than blanks and starts with a blank, which fatlabel
// and mkfs.fat refuse: mkfs.fat only after the old file system was wiped, so
// such a name is refused before anything changes, as the characters above.
bool fatLabelStartsWithBlank(const QString& name);

} // namespace platform
