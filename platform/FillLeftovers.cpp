#include "FillLeftovers.h"

#include "FillFile.h"
#include "FuseMounts.h"
#include "Locations.h"
#include "Log.h"
#include "MountTable.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QUrl>

#include <blkid/blkid.h>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {
namespace {

QByteArray native(const QString& path) { return QFile::encodeName(path); }

// What one record says.
struct Entry {
    bool ok = false;
    QString kernelName, mountPoint, folderName, uuid;
    int mountId = -1;
    unsigned long long deviceNumber = 0;
    long long lent = -1;
};

QByteArray encode(const Entry& e)
{
    const auto line = [](const char* key, const QString& value) {
        return QByteArray(key) + '=' + QUrl::toPercentEncoding(value) + '\n';
    };
    return line("kernel", e.kernelName) + line("mountPoint", e.mountPoint) + line("folder", e.folderName)
           + line("uuid", e.uuid) + line("mountId", QString::number(e.mountId))
           + line("device", QString::number(e.deviceNumber)) + line("lent", QString::number(e.lent));
}

Entry decode(const QByteArray& text)
{
    Entry e;
    bool okId = false, okDevice = false, okLent = false;
    for (const QByteArray& raw : text.split('\n')) {
        const qsizetype eq = raw.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = raw.left(eq);
        const QString value = QUrl::fromPercentEncoding(raw.mid(eq + 1));
        if (key == "kernel")
            e.kernelName = value;
        else if (key == "mountPoint")
            e.mountPoint = value;
        else if (key == "folder")
            e.folderName = value;
        else if (key == "uuid")
            e.uuid = value;
        else if (key == "mountId")
            e.mountId = value.toInt(&okId);
        else if (key == "device")
            e.deviceNumber = value.toULongLong(&okDevice);
        else if (key == "lent")
            e.lent = value.toLongLong(&okLent);
    }
    // A folder name is one plain entry of the volume's root, never a path.
    const bool plainFolder = !e.folderName.isEmpty() && !e.folderName.contains(QLatin1Char('/'))
                             && e.folderName != QLatin1String(".") && e.folderName != QLatin1String("..");
    e.ok = okId && okDevice && okLent && plainFolder && !e.kernelName.isEmpty()
           && !e.kernelName.contains(QLatin1Char('/')) && e.mountPoint.startsWith(QLatin1Char('/'));
    return e;
}

QString uuidOf(const QString& device)
{
    blkid_probe probe = blkid_new_probe_from_filename(native(device).constData());
    if (!probe)
        return {};
    QString uuid;
    blkid_probe_enable_superblocks(probe, 1);
    blkid_probe_set_superblocks_flags(probe, BLKID_SUBLKS_UUID);
    const char* value = nullptr;
    if (blkid_do_safeprobe(probe) == 0 && blkid_probe_lookup_value(probe, "UUID", &value, nullptr) == 0 && value)
        uuid = QString::fromUtf8(value);
    blkid_free_probe(probe);
    return uuid;
}

// Opens and locks the record at `path`. -1 when another process holds it (its
// fill is running) or, without `create`, when there is none. The lock is on
// the file itself: a record removed while we waited is opened afresh.
int lockRecord(const QString& path, bool create)
{
    const QByteArray p = native(path);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = ::open(p.constData(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | (create ? O_CREAT : 0), 0600);
        if (fd < 0)
            return -1;
        int r;
        do {
            r = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (r != 0 && errno == EINTR);
        struct stat held {}, named {};
        if (r != 0) {
            ::close(fd);
            return -1;
        }
        if (::fstat(fd, &held) == 0 && ::lstat(p.constData(), &named) == 0 && held.st_ino == named.st_ino
            && held.st_dev == named.st_dev)
            return fd;
        ::close(fd);
        if (!create)
            return -1;
    }
    return -1;
}

QByteArray readAllOf(int fd)
{
    QByteArray out;
    char buffer[4096];
    off_t at = 0;
    for (;;) {
        const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
        if (n <= 0)
            break;
        out.append(buffer, n);
        at += n;
        if (out.size() > (1 << 20))
            break;
    }
    return out;
}

bool writeReserved(const QString& file, long long value)
{
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = QByteArray::number(value) + '\n';
    return f.write(text) == text.size() && f.flush();
}

// Whether the device `kernelName` holds the file system of "/" (or cannot be
// told apart from it). The system's own writers there count on the reserve.
bool mayHoldTheRootFolder(const QString& kernelName)
{
    struct stat st {};
    if (::stat(native(mapLocation(QStringLiteral("/"))).constData(), &st) != 0)
        return true;
    QFile f(QStringLiteral("/sys/class/block/%1/dev").arg(kernelName));
    if (!f.open(QIODevice::ReadOnly))
        return true;
    const QList<QByteArray> parts = f.readAll().trimmed().split(':');
    bool okMajor = false, okMinor = false;
    if (parts.size() != 2)
        return true;
    const unsigned int devMajor = parts[0].toUInt(&okMajor);
    const unsigned int devMinor = parts[1].toUInt(&okMinor);
    return !okMajor || !okMinor || makedev(devMajor, devMinor) == st.st_dev;
}

// Removes the fill folder at the root of the volume mounted at `mountPoint`,
// reached through a handle checked against `deviceNode` and against what is
// mounted there now: the volume's own root, not a bind mount of one of its
// folders stacked on top.
bool removeFolderOn(const QString& mountPoint, const QString& deviceNode, const QString& folderName)
{
    VolumeRoot root;
    QString why;
    if (!root.open(mountPoint, deviceNode, &why)) {
        logNames(QStringLiteral("A killed fill's folder is not reachable: %1").arg(why));
        return false;
    }
    if (!root.isVolumeRoot()) {
        logNames(QStringLiteral("A killed fill's folder is not reachable: %1 shows a folder of the volume").arg(mountPoint));
        return false;
    }
    int error = 0;
    const bool gone = removeTreeAt(root.fd(), folderName, &error);
    syncFileSystemOf(root.fd());
    if (!gone)
        logNames(QStringLiteral("A killed fill's folder stays on %1 (errno=%2)").arg(mountPoint).arg(error));
    return gone;
}

// Puts right what the record says a fill that died left, on the volume it was
// made on and on no other: the file system with the record's UUID on the
// device the record names, seen from its root. A bind mount of one of its
// folders does not show the fill folder, and a clone on another device (a
// copied stick, a loop-mounted image of it) has the UUID too but is another
// volume. The mount id, device number and mount point are all given again to
// whatever is mounted next on the same device and folder; they only tell
// whether the mount the fill lent the reserve on still stands. True when
// nothing of it is left to do.
bool settle(const Entry& e)
{
    if (e.uuid.isEmpty()) {
        // Nothing proves which volume this was; acting on whatever is mounted
        // where it was could harm another. Dropped, touching nothing.
        log(QStringLiteral("A fill record names no volume UUID; dropped without acting: %1").arg(e.kernelName));
        return true;
    }
    QList<MountEntry> mounts;
    bool lentMountStands = false;
    for (const MountEntry& m : readBlockMountTable()) {
        if (m.root != QLatin1String("/") || m.device.isEmpty() || kernelNameOf(m.device) != e.kernelName
            || uuidOf(m.device) != e.uuid)
            continue;
        mounts << m;
        lentMountStands = lentMountStands
                          || ((e.mountId < 0 || m.id == e.mountId) && m.deviceNumber == e.deviceNumber
                              && m.mountPoint == e.mountPoint);
    }
    // The mount the fill lent the reserve on still holds it at 0. A new mount
    // starts with the default again.
    if (lentMountStands && e.lent > 0 && ReservedClustersLoan::readReserved(e.kernelName) == 0) {
        if (!writeReserved(ReservedClustersLoan::sysfsFile(e.kernelName), e.lent))
            return false;
        log(QStringLiteral("Reserved clusters of %1 given back after a fill that did not end").arg(e.kernelName));
    }
    for (const MountEntry& m : mounts)
        if (removeFolderOn(m.mountPoint, m.device, e.folderName))
            return true;
    // The volume is not mounted now (or its folder cannot be reached): the
    // record waits for a later start.
    return false;
}

void syncFolder(const QString& path)
{
    const int fd = ::open(native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

// ---------------------------------------------------------------------------

QString FillRecord::folder() { return mapLocation(QStringLiteral("/var/lib/nullvane/fills")); }

FillRecord::~FillRecord()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool FillRecord::begin(const VolumeRoot& volume, const QString& folderName)
{
    end();
    if (geteuid() != 0 || !volume.isOpen() || volume.kernelName().isEmpty())
        return false;
    if (!volume.isVolumeRoot()) {
        // Its fill folder lies inside one of the volume's folders, where a
        // record, settled on the volume's root only, would never find it.
        log(QStringLiteral("The fill on %1 runs on a mount of one of its folders; it keeps no record")
                .arg(volume.kernelName()));
        return false;
    }
    const QString dir = folder();
    if (!QDir().mkpath(dir))
        return false;
    ::chmod(native(dir).constData(), 0700);
    const QString path = dir + QLatin1Char('/') + volume.kernelName();
    int fd = lockRecord(path, true);
    if (fd < 0) {
        log(QStringLiteral("Another fill holds the record of %1").arg(volume.kernelName()));
        return false;
    }
    // A fill of this device that died before its end: put right what it left
    // before this one lends or makes anything. When that was another volume,
    // not mounted now, its record moves aside (named after its volume) and
    // waits for it.
    const Entry earlier = decode(readAllOf(fd));
    if (earlier.ok && !settle(earlier)) {
        const QString aside = path + QLatin1Char('@') + QString::fromLatin1(QUrl::toPercentEncoding(earlier.uuid));
        const bool moved = ::rename(native(path).constData(), native(aside).constData()) == 0;
        ::close(fd);
        fd = moved ? lockRecord(path, true) : -1;
        if (fd < 0) {
            log(QStringLiteral("The record of an earlier fill on %1 cannot be kept").arg(volume.kernelName()));
            return false;
        }
        syncFolder(dir);
    }
    fd_ = fd;
    path_ = path;
    kernelName_ = volume.kernelName();
    mountPoint_ = volume.mountPoint();
    folderName_ = folderName;
    mountId_ = volume.mountId();
    deviceNumber_ = volume.deviceNumber();
    uuid_ = uuidOf(QStringLiteral("/dev/") + kernelName_);
    lent_ = -1;
    if (uuid_.isEmpty()) {
        // A record that cannot name its volume could never be settled safely:
        // the fill goes on without one, and so lends nothing.
        log(QStringLiteral("The file system on %1 tells no UUID; the fill keeps no record").arg(kernelName_));
        ::unlink(native(path_).constData());
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    if (!write()) {
        log(QStringLiteral("The fill's record cannot be written: %1").arg(errorText(errno)));
        ::unlink(native(path_).constData());
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    syncFolder(dir);
    return true;
}

bool FillRecord::write()
{
    if (fd_ < 0)
        return false;
    Entry e;
    e.kernelName = kernelName_;
    e.mountPoint = mountPoint_;
    e.folderName = folderName_;
    e.uuid = uuid_;
    e.mountId = mountId_;
    e.deviceNumber = deviceNumber_;
    e.lent = lent_;
    const QByteArray text = encode(e);
    if (::ftruncate(fd_, 0) != 0 || ::pwrite(fd_, text.constData(), text.size(), 0) != text.size())
        return false;
    return ::fsync(fd_) == 0;
}

bool FillRecord::noteLent(long long reserved)
{
    lent_ = reserved;
    if (write())
        return true;
    lent_ = -1;
    return false;
}

void FillRecord::noteGivenBack()
{
    lent_ = -1;
    write();
}

void FillRecord::end()
{
    if (fd_ < 0)
        return;
    // Still locked: nobody else can have removed or replaced it.
    ::unlink(native(path_).constData());
    syncFolder(folder());
    ::close(fd_);
    fd_ = -1;
    path_.clear();
    lent_ = -1;
}

int settleKilledFills()
{
    if (geteuid() != 0)
        return 0;
    const QString dir = FillRecord::folder();
    int settled = 0;
    const QStringList names = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QString path = dir + QLatin1Char('/') + name;
        const int fd = lockRecord(path, false);
        if (fd < 0)
            continue; // its fill is running
        const QByteArray text = readAllOf(fd);
        const Entry e = decode(text);
        if (!e.ok) {
            // Empty: a fill that died between making its record and writing it.
            if (text.trimmed().isEmpty())
                ::unlink(native(path).constData());
            else
                log(QStringLiteral("A fill record cannot be read: %1").arg(name));
        } else if (settle(e)) {
            ::unlink(native(path).constData());
            ++settled;
        }
        ::close(fd);
    }
    if (settled > 0)
        syncFolder(dir);
    return settled;
}

// ---------------------------------------------------------------------------

QString ReservedClustersLoan::sysfsFile(const QString& kernelName)
{
    return QStringLiteral("/sys/fs/ext4/%1/reserved_clusters").arg(kernelName);
}

long long ReservedClustersLoan::readReserved(const QString& kernelName)
{
    QFile f(sysfsFile(kernelName));
    if (kernelName.isEmpty() || kernelName.contains(QLatin1Char('/')) || !f.open(QIODevice::ReadOnly))
        return -1;
    bool ok = false;
    const long long value = f.readAll().trimmed().toLongLong(&ok);
    return ok ? value : -1;
}

bool ReservedClustersLoan::lend(const QString& kernelName, FillRecord* record)
{
    giveBack();
    if (geteuid() != 0)
        return false;
    const long long reserved = readReserved(kernelName);
    if (reserved <= 0 || mayHoldTheRootFolder(kernelName))
        return false;
    // Noted first: a process killed from here on leaves a record to settle.
    if (record && !record->noteLent(reserved))
        return false;
    const QString file = sysfsFile(kernelName);
    if (!writeReserved(file, 0)) {
        if (record)
            record->noteGivenBack();
        return false;
    }
    file_ = file;
    saved_ = reserved;
    record_ = record;
    return true;
}

void ReservedClustersLoan::giveBack()
{
    if (file_.isEmpty())
        return;
    // The file system may have gone meanwhile; its next mount starts with the
    // default again, so a failure here loses nothing.
    const bool back = writeReserved(file_, saved_);
    if (record_ && (back || !QFile::exists(file_)))
        record_->noteGivenBack();
    file_.clear();
    saved_ = -1;
    record_ = nullptr;
}

} // namespace platform
