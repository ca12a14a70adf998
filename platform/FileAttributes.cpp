#include "FileAttributes.h"

#include "HeldItem.h"

#include <QByteArray>
#include <QFile>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {
QByteArray native(const QString& path) { return QFile::encodeName(path); }

bool isUserAttribute(const char* name) { return std::strncmp(name, "user.", 5) == 0; }

// The attributes of the open file `fd`, or with fd -1 of `path` itself (a
// link's own). `failed` gets the errno of a user attribute that stayed.
bool clearAttributes(int fd, const QByteArray& path, int* failed, QString* error)
{
    const auto list = [&](char* names, size_t size) {
        return fd >= 0 ? flistxattr(fd, names, size) : llistxattr(path.constData(), names, size);
    };
    ssize_t size = list(nullptr, 0);
    if (size < 0)
        return errno == ENOTSUP || errno == ENOENT; // no attributes on this file system
    if (size == 0)
        return true;
    std::vector<char> names(static_cast<size_t>(size) + 1);
    size = list(names.data(), names.size());
    if (size < 0)
        return false;
    bool ok = true;
    for (ssize_t i = 0; i < size;) {
        const char* name = names.data() + i;
        const int rc = fd >= 0 ? fremovexattr(fd, name) : lremovexattr(path.constData(), name);
        if (rc != 0 && errno != ENODATA && isUserAttribute(name)) {
            ok = false;
            if (failed)
                *failed = errno;
            if (error)
                *error = QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(name), QString::fromLocal8Bit(strerror(errno)));
        }
        i += static_cast<ssize_t>(std::strlen(name)) + 1;
    }
    return ok;
}

bool clearOne(const QByteArray& path, QString* error)
{
    return clearAttributes(-1, path, nullptr, error);
}

bool clearTree(const QByteArray& path, QString* error)
{
    bool ok = clearOne(path, error);
    struct stat st {};
    if (lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return ok;
    DIR* dir = opendir(path.constData());
    if (!dir)
        return ok;
    while (dirent* e = readdir(dir)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        QByteArray child = path;
        if (!child.endsWith('/'))
            child += '/';
        child += e->d_name;
        ok = clearTree(child, error) && ok;
    }
    closedir(dir);
    return ok;
}
} // namespace

ItemInfo itemInfo(const QString& path)
{
    ItemInfo info;
    struct stat st {};
    if (lstat(native(path).constData(), &st) != 0) {
        info.error = errno == ENOENT || errno == ENOTDIR ? 0 : errno;
        return info;
    }
    return itemInfoOf(st);
}

ItemInfo itemInfoOf(const struct ::stat& st)
{
    ItemInfo info;
    info.exists = true;
    info.isDir = S_ISDIR(st.st_mode);
    info.isSymLink = S_ISLNK(st.st_mode);
    info.isRegular = S_ISREG(st.st_mode);
    info.size = st.st_size;
    info.mode = st.st_mode & 07777;
    return info;
}

bool itemExists(const QString& path)
{
    struct stat st {};
    return lstat(native(path).constData(), &st) == 0;
}

bool clearExtendedAttributes(const QString& path, bool recursive, QString* error)
{
    const QByteArray p = native(path);
    if (!itemExists(path)) {
        if (error)
            *error = QStringLiteral("No such file: %1").arg(path);
        return false;
    }
    return recursive ? clearTree(p, error) : clearOne(p, error);
}

bool clearExtendedAttributesOf(int fd, int* error)
{
    return clearAttributes(fd, {}, error, nullptr);
}

bool clearImmutableFlags(const QString& path)
{
    return HeldItem::byPath(path).clearImmutableFlags();
}

bool setTimesToEpoch(const QString& path)
{
    const timespec times[2] = {{0, 0}, {0, 0}};
    return utimensat(AT_FDCWD, native(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool setPermissions(const QString& path, unsigned mode)
{
    return HeldItem::byPath(path).setPermissions(mode);
}

bool isDeletable(const QString& path)
{
    return HeldItem::byPath(path).isDeletable();
}

bool renameItem(const QString& from, const QString& to, QString* error)
{
    const QByteArray f = native(from);
    const QByteArray t = native(to);
    int rc = renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL) {
        // Some file systems (FUSE ones among them) do not take the flag.
        struct stat st {};
        if (lstat(t.constData(), &st) == 0)
            errno = EEXIST;
        else
            rc = rename(f.constData(), t.constData());
    }
    if (rc != 0 && error)
        *error = QString::fromLocal8Bit(strerror(errno));
    return rc == 0;
}

} // namespace platform
