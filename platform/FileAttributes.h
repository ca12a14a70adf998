#pragma once
// File facts and changes the system makes through outside tools on its home
// platform (xattr, chflags) or through calls Qt does not offer.

#include <QString>
#include <cstdint>

struct stat;

namespace platform {

struct ItemInfo {
    bool exists = false;
    bool isDir = false;
    bool isSymLink = false;
    bool isRegular = false;
    std::int64_t size = 0;
    unsigned mode = 0;      // permission bits
    int error = 0;          // errno of the failed lookup, 0 when it worked or the item is missing
};

// Facts about the item itself; a symbolic link is never followed.
ItemInfo itemInfo(const QString& path);
// The same facts from what lstat or fstatat answered.
ItemInfo itemInfoOf(const struct ::stat& st);

// Whether anything (a dangling link included) exists at `path`.
bool itemExists(const QString& path);

// Removes every extended attribute of the item, and of everything below it when
// `recursive` (the stand-in for "xattr -rc"). Links are never followed.
// Attributes only the system may remove (security.*, trusted.*, system.*) do
// not count as a failure when they stay; a user attribute that stays does.
bool clearExtendedAttributes(const QString& path, bool recursive, QString* error = nullptr);
// The same for the open file `fd`; `error` gets the errno of a user attribute
// that stayed.
bool clearExtendedAttributesOf(int fd, int* error = nullptr);

// Clears the immutable and append-only flags where the file system and our
// rights allow it (the stand-in for "chflags nouchg"). Returns whether the
// item is free of them afterwards.
bool clearImmutableFlags(const QString& path);

// Access and modification times to 1 January 1970 00:00:00 UTC (this platform
// cannot set a creation time). Links are not followed.
bool setTimesToEpoch(const QString& path);

// POSIX permission bits; a link's target is never changed.
bool setPermissions(const QString& path, unsigned mode);

// Whether the user may remove the item from its folder (write and search
// permission on the parent, sticky bit respected).
bool isDeletable(const QString& path);

// Renames an item within the file system, never replacing an item that
// already has the new name. On failure `error` gets the reason.
bool renameItem(const QString& from, const QString& to, QString* error = nullptr);

} // namespace platform
