#include "HeldItem.h"

#include "FuseMounts.h"
#include "HeldPath.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/vfs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

QByteArray native(const QString& s) { return QFile::encodeName(s); }

QString withoutTrailingSlashes(QString p)
{
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

// "/a/b" gives "/a" and "b"; "/a" gives "/" and "a".
std::pair<QString, QString> splitLast(const QString& path)
{
    const QString p = withoutTrailingSlashes(path);
    const qsizetype slash = p.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {QStringLiteral("."), p};
    return {slash == 0 ? QStringLiteral("/") : p.left(slash), p.mid(slash + 1)};
}

bool plainName(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/'));
}

ItemIdentity identityOf(const struct stat& st)
{
    return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}


} // namespace

// --- HeldFolder ---

HeldFolder::~HeldFolder()
{
    if (fd_ >= 0)
        ::close(fd_);
}

HeldFolder::HeldFolder(HeldFolder&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_), identity_(other.identity_)
{
}

HeldFolder& HeldFolder::operator=(HeldFolder&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        identity_ = other.identity_;
    }
    return *this;
}

HeldFolder HeldFolder::open(const QString& path, bool noFollowLast)
{
    int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
    if (noFollowLast)
        flags |= O_NOFOLLOW;
    int fd = ::open(native(path).constData(), flags);
    // A folder we may search and write but not read is still ours to act in.
    if (fd < 0 && errno == EACCES)
        fd = ::open(native(path).constData(), flags | O_PATH);
    return adopt(fd);
}

HeldFolder HeldFolder::adopt(int fd)
{
    HeldFolder folder;
    folder.fd_ = fd;
    folder.error_ = fd < 0 ? errno : 0;
    struct stat st {};
    if (fd >= 0 && fstat(fd, &st) == 0)
        folder.identity_ = identityOf(st);
    return folder;
}

HeldFolder HeldFolder::child(const QString& name) const
{
    HeldFolder folder;
    if (fd_ < 0 || !plainName(name)) {
        folder.error_ = fd_ < 0 ? EBADF : EINVAL;
        return folder;
    }
    // O_NOFOLLOW with O_DIRECTORY: a link, to a folder or not, is refused (ELOOP/ENOTDIR).
    const QByteArray n = native(name);
    int fd = openat(fd_, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == EACCES)
        fd = openat(fd_, n.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return adopt(fd);
}

QList<HeldFolder::Entry> HeldFolder::entries() const
{
    QList<Entry> out;
    std::vector<std::string> names;
    if (fd_ < 0 || !heldpath::entriesOf(fd_, &names))
        return out;
    out.reserve(static_cast<qsizetype>(names.size()));
    for (const std::string& name : names) {
        Entry entry;
        entry.name = QFile::decodeName(name.c_str());
        struct stat st {};
        if (fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            entry.isFolder = S_ISDIR(st.st_mode);
            entry.isSymLink = S_ISLNK(st.st_mode);
            entry.size = st.st_size;
        }
        out << entry;
    }
    return out;
}

// --- HeldItem ---

HeldItem HeldItem::byPath(const QString& path)
{
    HeldItem item;
    const auto [parent, name] = splitLast(path);
    item.path_ = path;
    if (!plainName(name)) {
        item.error_ = EINVAL;
        return item;
    }
    item.parent_ = HeldFolder::open(parent);
    item.error_ = item.parent_.error();
    if (item.parent_.isValid())
        item.name_ = name;
    return item;
}

HeldItem HeldItem::below(const QString& root, const QString& path, ItemIdentity parent)
{
    const QString top = withoutTrailingSlashes(root);
    const QString target = withoutTrailingSlashes(path);
    HeldItem item;
    item.path_ = path;
    if (target == top) {
        item = byPath(top);
        item.path_ = path;
    } else {
        const QString prefix = top == QLatin1String("/") ? top : top + QLatin1Char('/');
        if (!target.startsWith(prefix)) {
            item.error_ = EINVAL;
            return item;
        }
        const QStringList parts = target.mid(prefix.size()).split(QLatin1Char('/'));
        const auto [topParent, topName] = splitLast(top);
        HeldFolder folder = top == QLatin1String("/") ? HeldFolder::open(top, true)
                                                      : HeldFolder::open(topParent).child(topName);
        for (qsizetype i = 0; folder.isValid() && i + 1 < parts.size(); ++i)
            folder = folder.child(parts[i]);
        if (!folder.isValid() || !plainName(parts.last())) {
            item.error_ = folder.isValid() ? EINVAL : folder.error();
            return item;
        }
        item.parent_ = std::move(folder);
        item.name_ = parts.last();
    }
    if (item.isValid() && parent.known() && item.parent_.identity() != parent) {
        // The folder at this place is not the one that was listed.
        item.parent_ = HeldFolder();
        item.name_.clear();
        item.error_ = ESTALE;
    }
    return item;
}

ItemInfo HeldItem::info() const
{
    ItemInfo info;
    struct stat st {};
    if (!isValid() || fstatat(parentFd(), native(name_).constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        info.error = !isValid() ? EBADF : (errno == ENOENT || errno == ENOTDIR ? 0 : errno);
        return info;
    }
    return itemInfoOf(st);
}

bool HeldItem::exists() const
{
    struct stat st {};
    return isValid() && fstatat(parentFd(), native(name_).constData(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

bool HeldItem::renameWithin(const QString& from, const QString& to, QString* error)
{
    if (!isValid() || !plainName(from) || !plainName(to)) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(EINVAL));
        return false;
    }
    const QByteArray f = native(from);
    const QByteArray t = native(to);
    int rc = renameat2(parentFd(), f.constData(), parentFd(), t.constData(), RENAME_NOREPLACE);
    if (rc != 0 && errno == EINVAL) {
        // Some file systems (FUSE ones among them) do not take the flag.
        struct stat st {};
        if (fstatat(parentFd(), t.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0)
            errno = EEXIST;
        else
            rc = renameat(parentFd(), f.constData(), parentFd(), t.constData());
    }
    if (rc != 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (from == name_) {
        name_ = to;
        const auto [folder, old] = splitLast(path_);
        path_ = (folder == QLatin1String("/") ? folder : folder + QLatin1Char('/')) + to;
    }
    return true;
}

bool HeldItem::remove(bool folder) const
{
    if (!isValid()) {
        errno = EBADF;
        return false;
    }
    return unlinkat(parentFd(), native(name_).constData(), folder ? AT_REMOVEDIR : 0) == 0;
}

bool HeldItem::clearImmutableFlags() const
{
    const ItemInfo found = info();
    if (!found.exists)
        return false;
    if (!found.isRegular && !found.isDir)
        return true; // links and devices carry no such flags we could reach
    const int fd = openat(parentFd(), native(name_).constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    int flags = 0;
    bool ok = fstat(fd, &st) == 0 && (S_ISREG(st.st_mode) || S_ISDIR(st.st_mode));
    if (ok && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
        const int cleared = flags & ~(FS_IMMUTABLE_FL | FS_APPEND_FL);
        if (cleared != flags)
            ok = ioctl(fd, FS_IOC_SETFLAGS, &cleared) == 0;
    }
    ::close(fd);
    return ok;
}

bool HeldItem::setPermissions(unsigned mode) const
{
    const ItemInfo found = info();
    if (!found.exists || found.isSymLink)
        return false;
    // AT_SYMLINK_NOFOLLOW: should the name become a link meanwhile, the call
    // fails instead of changing the link's target.
    return fchmodat(parentFd(), native(name_).constData(), mode, AT_SYMLINK_NOFOLLOW) == 0;
}

bool HeldItem::isDeletable() const
{
    if (!isValid())
        return false;
    if (faccessat(parentFd(), ".", W_OK | X_OK, 0) != 0)
        return false;
    struct stat ps {};
    struct stat is {};
    if (fstat(parentFd(), &ps) != 0 || fstatat(parentFd(), native(name_).constData(), &is, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if ((ps.st_mode & S_ISVTX) && geteuid() != 0 && is.st_uid != geteuid() && ps.st_uid != geteuid())
        return false;
    return true;
}

int HeldItem::probeWritable() const
{
    if (!isValid())
        return EBADF;
    const QByteArray n = native(name_);
    struct stat st {};
    if (fstatat(parentFd(), n.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    // Opening a device or a pipe can have effects of its own; for those the
    // permission bits answer the question.
    if (!S_ISREG(st.st_mode))
        return faccessat(parentFd(), n.constData(), W_OK, AT_EACCESS | AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
    const int fd = openat(parentFd(), n.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return 0;
}

// --- TouchedVolumes ---

TouchedVolumes::~TouchedVolumes()
{
    for (const auto& [device, fd] : held_)
        ::close(fd);
}

void TouchedVolumes::add(const HeldFolder& folder)
{
    if (!folder.isValid())
        return;
    const std::uint64_t device = folder.identity().device;
    for (const auto& held : held_)
        if (held.first == device)
            return;
    const int fd = fcntl(folder.fd(), F_DUPFD_CLOEXEC, 0);
    if (fd >= 0)
        held_.emplace_back(device, fd);
}

bool TouchedVolumes::syncAll()
{
    bool ok = true;
    bool anyFuse = false;
    for (const auto& [device, fd] : held_) {
        ok = syncfs(fd) == 0 && ok;
        struct statfs fs {};
        anyFuse = anyFuse || (fstatfs(fd, &fs) == 0 && fs.f_type == FUSE_SUPER_MAGIC);
    }
    // A FUSE server writes to its device through the device's own cache,
    // which a flush of the FUSE mount does not reach: the device is flushed too.
    if (anyFuse) {
        const QList<MountEntry> mounts = readBlockMountTable();
        for (const auto& [device, fd] : held_) {
            struct statfs fs {};
            if (fstatfs(fd, &fs) != 0 || fs.f_type != FUSE_SUPER_MAGIC)
                continue;
            for (const MountEntry& m : mounts) {
                if (m.deviceNumber != device || m.device.isEmpty())
                    continue;
                const int dev = ::open(QFile::encodeName(m.device).constData(), O_RDONLY | O_CLOEXEC);
                if (dev >= 0) {
                    ok = fsync(dev) == 0 && ok;
                    ::close(dev);
                }
                break;
            }
        }
    }
    for (const auto& held : held_)
        ::close(held.second);
    held_.clear();
    return ok;
}

} // namespace platform
