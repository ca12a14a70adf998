// The disk utility's mounting and unmounting: the folders it mounts on, the
// mount command of each file system, and the "mount", "unmount" and "eject"
// verbs.

#include "DiskUtil.h"
#include "DiskUtilShared.h"

#include "platform/FuseMounts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <sys/utsname.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace diskutil {

bool DiskUtil::kernelHas(const QString& fsType) const
{
    QFile f(QStringLiteral("/proc/filesystems"));
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.trimmed().split('\t').last() == fsType.toUtf8())
                return true;
    }
    // A driver built as a module is loaded by mount(8) when asked for.
    struct utsname u {};
    if (uname(&u) != 0)
        return false;
    QFile deps(QStringLiteral("/lib/modules/%1/modules.dep").arg(QString::fromLocal8Bit(u.release)));
    if (!deps.open(QIODevice::ReadOnly))
        return false;
    const QByteArray needle = "/" + fsType.toUtf8() + ".ko";
    for (const QByteArray& line : deps.readAll().split('\n')) {
        const QByteArray module = line.left(line.indexOf(':'));
        if (module.contains(needle))
            return true;
    }
    return false;
}

namespace {

// A folder this program made to mount on carries this mark. Only root may set
// attributes in the trusted namespace, so no user can make a folder of theirs
// look like one of ours. The mark alone makes a folder ours: a folder under
// the mount base that the user or another program made, and mounted on, is
// theirs and stays when the volume goes.
const char kFolderMark[] = "trusted.nullvane.mountfolder";

void markFolder(const QString& folder)
{
    ::lsetxattr(QFile::encodeName(folder).constData(), kFolderMark, "1", 1, 0);
}

bool isMarkedFolder(const QString& folder)
{
    return ::lgetxattr(QFile::encodeName(folder).constData(), kFolderMark, nullptr, 0) >= 0;
}

} // namespace

bool DiskUtil::isOurMountFolder(const QString& folder) const
{
    return isMarkedFolder(folder);
}

QString DiskUtil::makeMountFolder(const QString& label)
{
    QString name = label;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.remove(QChar(0));
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("Untitled");
    if (!QDir().mkpath(settings_.mountBase))
        return {};
    // A folder made now, or an empty one of ours that a mount which went
    // without us (a FUSE server that ended, an umount by hand) left behind.
    // One that exists otherwise may be someone else's or another mount's,
    // and is never used.
    for (int n = 0; n < 1000; ++n) {
        const QString candidate = settings_.mountBase + QLatin1Char('/')
                                  + (n == 0 ? name : QStringLiteral("%1 %2").arg(name).arg(n));
        const QByteArray path = QFile::encodeName(candidate);
        if (::mkdir(path.constData(), 0755) == 0) {
            markFolder(candidate);
            return candidate;
        }
        if (errno != EEXIST)
            return {};
        struct stat st {};
        const bool mountedOn = std::any_of(mounts_.cbegin(), mounts_.cend(),
                                           [&](const platform::MountEntry& e) { return e.mountPoint == candidate; });
        if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && isMarkedFolder(candidate) && !mountedOn
            && QDir(candidate).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            return candidate;
    }
    return {};
}

DiskUtil::MountCommand DiskUtil::mountCommand(const BlockDevice& d, const QString& folder) const
{
    const QString type = fsTypeOf(d);
    const FsKind kind = kindOf(type, d.facts.fsVersion);
    const bool readOnly = d.readOnly;
    // Everything on the volume belongs to the desktop user and to nobody else:
    // no device nodes or set-user-id programs from the medium take effect.
    const QString owner = QStringLiteral("uid=%1,gid=%2,umask=077").arg(settings_.userId).arg(settings_.groupId);

    MountCommand c;
    const auto kernelMount = [&](const QString& fs, const QString& extra) {
        c.program = tool(QStringLiteral("mount"));
        QString opts = QStringLiteral("nosuid,nodev");
        if (readOnly)
            opts += QStringLiteral(",ro");
        if (!extra.isEmpty())
            opts += QLatin1Char(',') + extra;
        c.arguments = {QStringLiteral("-t"), fs, QStringLiteral("-o"), opts, d.node, folder};
    };
    // A FUSE server runs as root here; without allow_other only root could
    // reach the volume, so it is let through for the desktop user alone:
    // the kernel checks every access against the owner-only modes.
    const auto fuseOptions = [&] {
        QStringList opts{QStringLiteral("nodev"), QStringLiteral("nosuid"), QStringLiteral("default_permissions"), owner};
        if (readOnly)
            opts << QStringLiteral("ro");
        if (settings_.userId != 0)
            opts << QStringLiteral("allow_other");
        return opts.join(QLatin1Char(','));
    };
    if (isFatKind(kind)) {
        if (kernelHas(QStringLiteral("vfat"))) {
            kernelMount(QStringLiteral("vfat"), owner + QStringLiteral(",shortname=mixed,utf8,flush"));
        } else {
            // fusefat left to itself names itself as the mount's source and
            // mounts as "fuse.fusefat": lsblk, findmnt and mkfs then see the
            // device as not mounted at all. Mounted as a block device with the
            // device as its name, as the exFAT and NTFS servers mount, the
            // kernel holds the device, knows the mount as the device's, and
            // an unmount waits until the server has written everything.
            QString opts = (readOnly ? QString() : QStringLiteral("rw+,")) + fuseOptions() + QStringLiteral(",fsname=")
                           + d.node;
            if (::geteuid() == 0)
                opts += QStringLiteral(",blkdev");
            c.program = tool(QStringLiteral("fusefat"));
            c.arguments = {QStringLiteral("-o"), opts, d.node, folder};
        }
    } else if (kind == FsKind::ExFat) {
        if (kernelHas(QStringLiteral("exfat"))) {
            kernelMount(QStringLiteral("exfat"), owner);
        } else {
            c.program = tool(QStringLiteral("mount.exfat-fuse"));
            c.arguments = {QStringLiteral("-o"), fuseOptions(), d.node, folder};
        }
    } else if (kind == FsKind::Ntfs) {
        if (kernelHas(QStringLiteral("ntfs3"))) {
            kernelMount(QStringLiteral("ntfs3"), owner);
        } else {
            c.program = tool(QStringLiteral("ntfs-3g"));
            c.arguments = {QStringLiteral("-o"), fuseOptions(), d.node, folder};
        }
    } else if (!type.isEmpty()) {
        kernelMount(type, QString());
    }
    return c;
}

bool DiskUtil::mountOne(const BlockDevice& d, const QString& at)
{
    const QString type = fsTypeOf(d);
    if (type.isEmpty()) {
        err_(QStringLiteral("%1 holds no file system that can be mounted").arg(d.name));
        return false;
    }
    QString folder = at;
    const bool madeFolder = folder.isEmpty() || QFileInfo(folder).path() == QDir::cleanPath(settings_.mountBase);
    // Folders are chosen and mounted on one run at a time, whatever the disk,
    // so an empty folder of ours is never taken by two mounts.
    DiskLock folders;
    QString lockError;
    if (madeFolder && !folders.take(QStringLiteral("mount-folders"), &lockError)) {
        err_(lockError);
        return false;
    }
    mounts_ = platform::readBlockMountTable();
    if (madeFolder)
        folder = makeMountFolder(d.facts.label);
    else if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
        markFolder(folder); // made again where an unmount of ours took it

    if (folder.isEmpty()) {
        err_(QStringLiteral("No folder to mount %1 on under %2").arg(d.name, settings_.mountBase));
        return false;
    }
    const MountCommand command = mountCommand(d, folder);
    const QString program = command.program;
    const QStringList args = command.arguments;
    if (program.isEmpty()) {
        if (madeFolder)
            QDir().rmdir(folder);
        err_(QStringLiteral("There is no driver for %1 on this system").arg(filesystemName(type, d.facts.fsVersion)));
        return false;
    }
    const platform::ProcessResult r = tools_.run(program, args);
    if (!r.succeeded()) {
        if (madeFolder)
            QDir().rmdir(folder);
        err_(QStringLiteral("Volume on %1 failed to mount: %2").arg(d.name, why(r)));
        return false;
    }
    mounts_ = platform::readBlockMountTable();
    return true;
}

bool DiskUtil::unmountOne(const BlockDevice& d, bool quiet)
{
    // Mounts can be stacked on one folder (two FUSE servers, a bind mount):
    // each umount takes the top one, so go on until the device has none left.
    QList<qint64> servers;
    QStringList madeByUs;
    for (int round = 0; round < 16; ++round) {
        const QStringList points = mountPointsOf(d);
        if (points.isEmpty())
            break;
        for (const platform::FuseServer& s : platform::runningFuseServers())
            if ((points.contains(QFileInfo(s.mountPoint).canonicalFilePath()) || points.contains(s.mountPoint))
                && !servers.contains(s.pid))
                servers << s.pid;
        for (auto it = points.crbegin(); it != points.crend(); ++it) {
            const platform::ProcessResult r = tools_.run(tool(QStringLiteral("umount")), {*it});
            if (!r.succeeded()) {
                if (!quiet)
                    err_(QStringLiteral("Volume on %1 failed to unmount from %2: %3").arg(d.name, *it, why(r)));
                mounts_ = platform::readBlockMountTable();
                return false;
            }
            if (isOurMountFolder(*it) && !madeByUs.contains(*it))
                madeByUs << *it;
        }
        mounts_ = platform::readBlockMountTable();
    }
    if (!mountPointsOf(d).isEmpty()) {
        if (!quiet)
            err_(QStringLiteral("Volume on %1 is still mounted at %2").arg(d.name, mountPointsOf(d).join(QStringLiteral(", "))));
        return false;
    }
    // Folders we made for the volume go with it; anything else stays.
    for (const QString& folder : std::as_const(madeByUs))
        QDir().rmdir(folder);
    // A FUSE server that does not serve a block device may still be writing
    // when umount returns; the device is only free once it has ended.
    QElapsedTimer clock;
    clock.start();
    for (qint64 pid : std::as_const(servers))
        while (QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)) && clock.elapsed() < 15000)
            QThread::msleep(20);
    mounts_ = platform::readBlockMountTable();
    return true;
}

namespace {
// The volumes a command on `d` acts on: a disk with partitions stands for them.
QList<const BlockDevice*> volumesOf(const DeviceTable& table, const BlockDevice& d)
{
    QList<const BlockDevice*> out;
    if (!d.isPartition && !d.partitions.isEmpty()) {
        for (const QString& name : d.partitions)
            if (const BlockDevice* p = table.find(name))
                out << p;
    } else {
        out << &d;
    }
    return out;
}
} // namespace

int DiskUtil::doMount(const QString& target)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    int status = 0;
    bool anyVolume = false;
    for (const BlockDevice* v : volumesOf(devices_, *d)) {
        if (!d->isPartition && v != d && fsTypeOf(*v).isEmpty())
            continue; // a disk's partitions without a file system are no volumes
        anyVolume = true;
        const QStringList points = mountPointsOf(*v);
        if (!points.isEmpty()) {
            out_(QStringLiteral("Volume %1 on %2 is already mounted at %3").arg(nameOf(*v), v->name, points.first()));
            continue;
        }
        if (!mountOne(*v)) {
            status = 1;
            continue;
        }
        out_(QStringLiteral("Volume %1 on %2 mounted at %3").arg(nameOf(*v), v->name, mountPointsOf(*v).value(0)));
    }
    if (!anyVolume) {
        // Nothing mounted is no success.
        err_(QStringLiteral("%1 holds no file system that can be mounted").arg(d->name));
        return 1;
    }
    return status;
}

int DiskUtil::doUnmount(const QString& target)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    int status = 0;
    QList<const BlockDevice*> volumes = volumesOf(devices_, *d);
    if (!d->isPartition && !volumes.contains(d))
        volumes << d;
    bool any = false;
    for (const BlockDevice* v : std::as_const(volumes)) {
        if (mountPointsOf(*v).isEmpty())
            continue;
        any = true;
        if (!unmountOne(*v)) {
            status = 1;
            continue;
        }
        out_(QStringLiteral("Volume %1 on %2 unmounted").arg(nameOf(*v), v->name));
    }
    if (!any)
        out_(QStringLiteral("Volume %1 on %2 is not mounted").arg(nameOf(*d), d->name));
    return status;
}

int DiskUtil::doEject(const QString& target)
{
    QString error;
    const BlockDevice* v = resolve(target, &error);
    if (!v)
        return fail(error);
    const BlockDevice* disk = devices_.find(v->wholeDisk);
    if (!disk)
        return fail(QStringLiteral("Could not find the disk of %1").arg(target));
    if (refuseSystem(*disk, target))
        return 1;
    QList<const BlockDevice*> volumes = volumesOf(devices_, *disk);
    volumes << disk;
    for (const BlockDevice* p : std::as_const(volumes)) {
        if (mountPointsOf(*p).isEmpty())
            continue;
        if (!unmountOne(*p))
            return fail(QStringLiteral("Disk %1 could not be ejected: a volume is in use").arg(disk->name));
    }
    const QString name = disk->name;
    const QString node = disk->node;
    platform::ProcessResult r;
    if (disk->isLoop) {
        r = tools_.run(tool(QStringLiteral("losetup")), {QStringLiteral("-d"), node});
    } else {
        const QString ejectTool = tool(QStringLiteral("eject"));
        if (ejectTool.isEmpty()) {
            out_(QStringLiteral("Disk %1 unmounted; it can be removed now").arg(name));
            return 0;
        }
        r = tools_.run(ejectTool, {node});
    }
    if (!r.succeeded())
        return fail(QStringLiteral("Disk %1 could not be ejected: %2").arg(name, why(r)));
    out_(QStringLiteral("Disk %1 ejected").arg(name));
    return 0;
}

} // namespace diskutil
