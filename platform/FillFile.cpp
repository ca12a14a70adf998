#include "FillFile.h"

#include "FuseMounts.h"
#include "HeldPath.h"
#include "Locations.h"
#include "MountTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {
namespace {

// Writeback is started for every this many bytes, and the previous such part
// is waited for. Small enough that a cancel is seen within a moment even on a
// slow stick, large enough that the device always has work queued.
constexpr long long kWindow = 8LL << 20;
// What direct writes must be aligned to (a page: more than any device's
// logical block asks for).
constexpr long long kDirectAlign = 4096;

QByteArray native(const QString& path) { return QFile::encodeName(path); }

struct MountIdentity {
    bool ok = false;
    int mountId = -1; // -1 when the kernel cannot tell
    bool mountRoot = true;
    unsigned long long deviceNumber = 0;
};

MountIdentity identityOf(int fd)
{
    MountIdentity id;
    struct statx sx {};
    if (statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_MNT_ID, &sx) != 0)
        return id;
    id.ok = true;
    id.deviceNumber = makedev(sx.stx_dev_major, sx.stx_dev_minor);
    if (sx.stx_mask & STATX_MNT_ID)
        id.mountId = static_cast<int>(sx.stx_mnt_id);
    if (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT)
        id.mountRoot = (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    return id;
}

// The mount-table entry of the mount a handle lies on: by the kernel's mount
// id, or where the kernel cannot tell, by device number and mount point.
// `table` is the raw table or the one with FUSE servers' devices resolved.
std::optional<MountEntry> entryOf(const MountIdentity& id, const QString& mountPoint, const QList<MountEntry>& table)
{
    std::optional<MountEntry> found;
    for (const MountEntry& e : table) {
        const bool same = id.mountId >= 0 ? e.id == id.mountId
                                          : (e.deviceNumber == id.deviceNumber && e.mountPoint == mountPoint);
        if (same)
            found = e;
    }
    return found;
}

QString cleanMountPoint(const QString& path)
{
    QString p = QDir::cleanPath(path);
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    return p;
}

} // namespace

// ---------------------------------------------------------------------------

VolumeRoot::~VolumeRoot() { close(); }

void VolumeRoot::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    mountId_ = -1;
    volumeRoot_ = false;
}

bool VolumeRoot::open(const QString& mountPoint, const QString& deviceNode, QString* why)
{
    QString dummy;
    QString& reason = why ? *why : dummy;
    close();
    if (!mountPoint.startsWith(QLatin1Char('/'))) {
        reason = QStringLiteral("the volume has no mount point");
        return false;
    }
    mountPoint_ = cleanMountPoint(mountPoint);
    const int fd = ::open(native(mountPoint_).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        reason = QStringLiteral("%1 cannot be opened: %2").arg(mountPoint_, errorText(errno));
        return false;
    }
    const MountIdentity id = identityOf(fd);
    const std::optional<MountEntry> entry = id.ok ? entryOf(id, mountPoint_, readBlockMountTable()) : std::nullopt;
    QString problem;
    if (!entry)
        problem = QStringLiteral("nothing is mounted at %1").arg(mountPoint_);
    else if (entry->mountPoint != mountPoint_ || !id.mountRoot)
        problem = QStringLiteral("%1 is not the root of a mounted volume").arg(mountPoint_);
    else if (!deviceNode.isEmpty()) {
        const QString wanted = kernelNameOf(deviceNode);
        const QString found = kernelNameOf(entry->device);
        if (wanted.isEmpty() || wanted != found)
            problem = QStringLiteral("%1 holds %2, not %3").arg(mountPoint_, entry->source, deviceNode);
    }
    if (!problem.isEmpty()) {
        ::close(fd);
        reason = problem;
        return false;
    }
    fd_ = fd;
    mountId_ = id.mountId;
    deviceNumber_ = id.deviceNumber;
    volumeRoot_ = entry->root == QLatin1String("/");
    kernelName_ = kernelNameOf(entry->device);
    return true;
}

bool VolumeRoot::stillMounted(QString* why) const
{
    QString dummy;
    QString& reason = why ? *why : dummy;
    if (fd_ < 0) {
        reason = QStringLiteral("no volume is open");
        return false;
    }
    MountIdentity id = identityOf(fd_);
    if (!id.ok || id.deviceNumber != deviceNumber_) {
        reason = QStringLiteral("the handle on %1 cannot be checked").arg(mountPoint_);
        return false;
    }
    id.mountId = mountId_;
    // The raw table is enough here, and cheap: the device was checked when
    // the handle was opened, and while the handle is held no other file
    // system can have its device number, so the same mount id with the same
    // device number is the same mount of the same volume.
    const std::optional<MountEntry> entry = entryOf(id, mountPoint_, readMountTable());
    if (!entry || entry->deviceNumber != deviceNumber_) {
        reason = QStringLiteral("the volume once at %1 is no longer mounted").arg(mountPoint_);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------

FillFile::~FillFile() { close(); }

bool FillFile::open(const QString& path) { return openAt(AT_FDCWD, path); }

bool FillFile::openAt(int folderFd, const QString& name)
{
    close();
    error_ = 0;
    written_ = started_ = settled_ = 0;
    const QByteArray n = native(name);
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    // Direct writes where the file system takes them: the fill's bytes go
    // straight to the device, without a copy into the page cache and the
    // writeback after it. Elsewhere the written-behind stream below.
    do {
        fd_ = ::openat(folderFd, n.constData(), flags | O_DIRECT, 0666);
    } while (fd_ < 0 && errno == EINTR);
    direct_ = fd_ >= 0;
    if (fd_ < 0 && errno == EINVAL) {
        do {
            fd_ = ::openat(folderFd, n.constData(), flags, 0666);
        } while (fd_ < 0 && errno == EINTR);
    }
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    return true;
}

void FillFile::leaveDirect()
{
    if (!direct_)
        return;
    direct_ = false;
    const int flags = fcntl(fd_, F_GETFL);
    if (flags >= 0)
        fcntl(fd_, F_SETFL, flags & ~O_DIRECT);
    started_ = settled_ = written_;
}

long long FillFile::write(const void* data, long long length)
{
    if (fd_ < 0) {
        error_ = EBADF;
        return -1;
    }
    // A direct write needs its buffer, length and offset aligned; the first
    // one that is not (a file's odd tail) ends direct writing for the file.
    if (direct_ && (reinterpret_cast<quintptr>(data) % kDirectAlign != 0 || length % kDirectAlign != 0
                    || written_ % kDirectAlign != 0))
        leaveDirect();
    ssize_t n;
    for (;;) {
        do {
            n = ::write(fd_, data, static_cast<size_t>(length));
        } while (n < 0 && errno == EINTR);
        if (n < 0 && errno == EINVAL && direct_) {
            leaveDirect();
            continue;
        }
        break;
    }
    if (n < 0) {
        error_ = errno;
        return -1;
    }
    written_ += n;
    if (direct_)
        started_ = settled_ = written_;
    else if (written_ - started_ >= kWindow)
        writeBehind(false);
    return n;
}

void FillFile::writeBehind(bool final)
{
    // Errors here surface again at the closing fsync, which reports them.
    if (written_ > started_) {
        sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
        if (final)
            started_ = written_;
    }
    const long long upTo = final ? written_ : started_;
    if (upTo > settled_) {
        sync_file_range(fd_, settled_, upTo - settled_,
                        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER);
        // The fill's pages are of no use to anyone once on the medium.
        posix_fadvise(fd_, settled_, upTo - settled_, POSIX_FADV_DONTNEED);
        settled_ = upTo;
    }
    started_ = written_;
}

bool FillFile::flush()
{
    if (fd_ < 0) {
        error_ = EBADF;
        return false;
    }
    writeBehind(true);
    int r;
    do {
        r = ::fsync(fd_);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        error_ = errno;
        return false;
    }
    posix_fadvise(fd_, 0, 0, POSIX_FADV_DONTNEED);
    return true;
}

long long allocationUnitInBootSector(const QByteArray& sector)
{
    if (sector.size() < 512)
        return 0;
    const auto byte = [&](int at) { return static_cast<unsigned char>(sector[at]); };
    if (sector.mid(3, 8) == "EXFAT   ") {
        // Shifts: bytes per sector (9..12), sectors per cluster (up to 32 MiB).
        const int shift = byte(108) + byte(109);
        return byte(108) >= 9 && byte(108) <= 12 && shift <= 25 ? 1LL << shift : 0;
    }
    if (byte(510) != 0x55 || byte(511) != 0xAA)
        return 0;
    const long long bytesPerSector = byte(11) | (byte(12) << 8);
    if (bytesPerSector < 512 || bytesPerSector > 4096 || (bytesPerSector & (bytesPerSector - 1)) != 0)
        return 0;
    const int perCluster = byte(13);
    if (sector.mid(3, 8) == "NTFS    ") {
        // Above 0x80 the field is a negative shift of the sector count, as
        // ntfs-3g reads it: 0xF8 is 2^8 sectors (128 KiB with 512-byte
        // sectors). NTFS clusters go up to 2 MiB.
        long long sectors = 0;
        if (perCluster > 0x80) {
            const int shift = 256 - perCluster;
            sectors = shift <= 16 ? 1LL << shift : 0;
        } else if (perCluster > 0 && (perCluster & (perCluster - 1)) == 0) {
            sectors = perCluster;
        }
        const long long unit = bytesPerSector * sectors;
        return unit >= bytesPerSector && unit <= (2LL << 20) ? unit : 0;
    }
    const bool fat = sector.mid(54, 3) == "FAT" || sector.mid(82, 3) == "FAT";
    if (!fat || perCluster == 0 || (perCluster & (perCluster - 1)) != 0)
        return 0;
    return bytesPerSector * perCluster;
}

long long allocationUnitOf(int fd, const QString& kernelName)
{
    if (!kernelName.isEmpty() && !kernelName.contains(QLatin1Char('/'))) {
        QFile device(QStringLiteral("/dev/") + kernelName);
        if (device.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            const long long unit = allocationUnitInBootSector(device.read(512));
            if (unit > 0)
                return unit;
        }
    }
    struct statvfs s {};
    long long size = 0;
    if (fd >= 0 && fstatvfs(fd, &s) == 0)
        size = static_cast<long long>(s.f_frsize ? s.f_frsize : s.f_bsize);
    if (size < 512 || (size & (size - 1)) != 0)
        return 4096;
    return std::min(size, 32LL << 20);
}

void FillFile::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

QString errorText(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

bool makeFillFolder(const QString& path, int* error)
{
    int dummy = 0;
    int& err = error ? *error : dummy;
    err = 0;
    const QByteArray p = native(path);
    if (::mkdir(p.constData(), 0755) == 0)
        return true;
    err = errno;
    if (err != EEXIST)
        return false;
    struct stat st {};
    if (lstat(p.constData(), &st) == 0 && S_ISDIR(st.st_mode)) {
        err = 0;
        return true;
    }
    return false;
}

int openFolder(const QString& path, int* error)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (error)
        *error = fd < 0 ? errno : 0;
    return fd;
}

int openFillFolderAt(int parentFd, const QString& name, int* error)
{
    int dummy = 0;
    int& err = error ? *error : dummy;
    err = 0;
    const QByteArray n = native(name);
    if (::mkdirat(parentFd, n.constData(), 0755) != 0 && errno != EEXIST) {
        err = errno;
        return -1;
    }
    const int fd = ::openat(parentFd, n.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        // A link or a file in the folder's place.
        err = errno == ELOOP ? ENOTDIR : errno;
        return -1;
    }
    struct stat parent {}, folder {};
    if (fstat(parentFd, &parent) != 0 || fstat(fd, &folder) != 0 || parent.st_dev != folder.st_dev) {
        ::close(fd);
        err = EXDEV;
        return -1;
    }
    return fd;
}

bool removeTreeAt(int parentFd, const QString& name, int* error)
{
    const QByteArray n = native(name);
    const int r = heldpath::removeTree(parentFd, n.constData());
    const bool gone = heldpath::goneAt(parentFd, n.constData());
    if (error)
        *error = gone ? 0 : (r ? r : EEXIST);
    return gone;
}

bool onSameFileSystem(const QString& a, const QString& b)
{
    struct stat sa {}, sb {};
    if (stat(native(a).constData(), &sa) != 0 || stat(native(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev;
}

void syncFileSystemAt(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_CLOEXEC);
    syncFileSystemOf(fd);
    if (fd >= 0)
        ::close(fd);
}

void syncFileSystemOf(int fd)
{
    if (fd < 0 || syncfs(fd) != 0)
        ::sync();
}

long long writableFreeBytes(const SpaceInfo& space)
{
    if (!space.ok)
        return -1;
    return geteuid() == 0 ? space.freeBytesRoot : space.freeBytes;
}

long long writableFreeBytes(const QString& path)
{
    return writableFreeBytes(fileSystemSpace(path));
}

long long writableFreeBytesOf(int fd)
{
    return writableFreeBytes(fileSystemSpaceOf(fd));
}

} // namespace platform
