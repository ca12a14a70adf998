#include "DiskUtil.h"

#include "NtfsLabel.h"

#include "platform/FuseMounts.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <pwd.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <sys/utsname.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace diskutil {

// ---------------------------------------------------------------- boundary

Tools Tools::real()
{
    Tools t;
    t.run = [](const QString& program, const QStringList& arguments) {
        return platform::runProcess(program, arguments);
    };
    t.stream = [](const QString& program, const QStringList& arguments, const LineSink& line) {
        return platform::runProcessLines(program, arguments, line, {}, platform::LineChannels::Merged);
    };
    t.writeNtfsLabel = &diskutil::writeNtfsLabel;
    return t;
}

Settings Settings::fromEnvironment()
{
    Settings s;
    uid_t uid = getuid();
    if (geteuid() == 0) {
        bool ok = false;
        uint asked = qEnvironmentVariable("PKEXEC_UID").toUInt(&ok);
        if (!ok)
            asked = qEnvironmentVariable("SUDO_UID").toUInt(&ok);
        if (ok)
            uid = asked;
    }
    s.userId = uid;
    s.groupId = getgid();
    QString user = qEnvironmentVariable("USER");
    if (const passwd* pw = getpwuid(uid)) {
        s.groupId = pw->pw_gid;
        user = QString::fromLocal8Bit(pw->pw_name);
    }
    s.mountBase = qEnvironmentVariable("NULLVANE_MOUNT_BASE");
    if (s.mountBase.isEmpty())
        s.mountBase = QStringLiteral("/media/") + user;
    return s;
}

bool needsRoot(const QString& verb)
{
    static const QStringList privileged = {
        QStringLiteral("mount"), QStringLiteral("unmount"), QStringLiteral("eject"),
        QStringLiteral("rename"), QStringLiteral("eraseVolume"), QStringLiteral("reformat"),
        QStringLiteral("verifyvolume"), QStringLiteral("repairvolume"),
    };
    return privileged.contains(verb);
}

// ---------------------------------------------------------------- helpers

namespace {

QString firstLine(const QByteArray& text)
{
    const QStringList lines = QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QString() : lines.last().trimmed();
}

QString why(const platform::ProcessResult& r)
{
    QString text = firstLine(r.standardError);
    if (text.isEmpty())
        text = firstLine(r.standardOutput);
    if (!r.started)
        return text.isEmpty() ? QStringLiteral("could not be started") : text;
    if (text.isEmpty())
        text = QStringLiteral("exit code %1").arg(r.exitCode);
    return text;
}

// Natural order, so loop10 follows loop9.
bool naturalLess(const QString& a, const QString& b)
{
    static const QRegularExpression split(QStringLiteral("^(.*?)(\\d*)$"));
    const auto ma = split.match(a);
    const auto mb = split.match(b);
    if (ma.captured(1) != mb.captured(1))
        return ma.captured(1) < mb.captured(1);
    return ma.captured(2).toLongLong() < mb.captured(2).toLongLong();
}

QString kernelNameFromDevNumber(dev_t dev)
{
    const QString link = QStringLiteral("/sys/dev/block/%1:%2").arg(major(dev)).arg(minor(dev));
    const QString target = QFileInfo(link).canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).fileName();
}

// One lock per disk, held by every verb that changes it, so that two runs
// never mount, erase, rename or check the same disk at once. The locks live in
// a folder only root may write; a lock goes when its holder ends, however it
// ends.
class DiskLock {
public:
    DiskLock() = default;
    DiskLock(const DiskLock&) = delete;
    DiskLock& operator=(const DiskLock&) = delete;
    ~DiskLock()
    {
        if (fd_ >= 0)
            close(fd_);
    }

    // `shared`: a reader's lock, many at once, none beside a changing verb's.
    // Without `wait`, a lock held elsewhere is not waited for (false).
    bool take(const QString& disk, QString* error, bool shared = false, bool wait = true)
    {
        const QString folder = QStringLiteral("/run/nullvane-diskutil");
        const QByteArray dir = QFile::encodeName(folder);
        if (::mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
            return failed(error, QStringLiteral("Cannot make the lock folder %1").arg(folder));
        const int dirFd = open(dir.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        if (dirFd < 0 || fstat(dirFd, &st) != 0 || st.st_uid != geteuid() || (st.st_mode & 022) != 0) {
            if (dirFd >= 0)
                close(dirFd);
            return failed(error, QStringLiteral("The lock folder %1 is not ours alone").arg(folder));
        }
        const QByteArray name = QFile::encodeName(disk) + ".lock";
        fd_ = openat(dirFd, name.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        close(dirFd);
        if (fd_ < 0)
            return failed(error, QStringLiteral("Cannot open the lock of %1").arg(disk));
        while (flock(fd_, (shared ? LOCK_SH : LOCK_EX) | (wait ? 0 : LOCK_NB)) != 0) {
            if (errno != EINTR) {
                close(fd_);
                fd_ = -1;
                return failed(error, QStringLiteral("Cannot lock %1").arg(disk));
            }
        }
        return true;
    }

private:
    static bool failed(QString* error, const QString& text)
    {
        if (error)
            *error = text;
        return false;
    }
    int fd_ = -1;
};

} // namespace

DiskUtil::DiskUtil(Tools tools, Settings settings, LineSink out, LineSink err)
    : tools_(std::move(tools))
    , settings_(std::move(settings))
    , out_(std::move(out))
    , err_(std::move(err))
{
}

void DiskUtil::refresh(bool probeAll)
{
    devices_ = DeviceTable::scan(QStringLiteral("/sys/class/block"), false);
    mounts_ = platform::readBlockMountTable();
    if (probeAll) {
        for (const BlockDevice& d : devices_.devices())
            if (isListed(d))
                probe(d.name, true);
    }
}

void DiskUtil::probe(const QString& name, bool again)
{
    const BlockDevice* d = devices_.find(name);
    if (!d || (d->probed && !again))
        return;
    devices_.reprobe(name);
    d = devices_.find(name);
    if (d->facts.fsType != QLatin1String("ntfs"))
        return;
    // libblkid misreads NTFS labels longer than 64 characters (a control
    // character shows up inside); the NTFS tools read them whole. They are
    // asked only then: ntfslabel holds the device while it reads, and a mount
    // of that volume meanwhile fails as busy. A mounted volume is open to its
    // FUSE server, so ntfslabel is told to read it anyway (it only reads: no
    // label is given).
    const bool misread = d->facts.label.size() >= 64 || d->labelHadControlCharacters;
    if (!misread)
        return;
    const QString ntfslabel = tool(QStringLiteral("ntfslabel"));
    if (ntfslabel.isEmpty())
        return;
    // ntfslabel opens the device for itself alone: it must not run while
    // another run of ours mounts, erases or checks that disk, or that verb
    // would find the device busy. A disk this run holds is read at once; any
    // other only when no changing verb holds it (its label is then the one
    // libblkid read, control characters dropped).
    DiskLock reading;
    if (d->wholeDisk != lockedDisk_ && !reading.take(d->wholeDisk, nullptr, true, false))
        return;
    const bool mounted = !mountPointsOf(*d).isEmpty();
    QStringList args;
    if (mounted)
        args << QStringLiteral("--force");
    args << d->node;
    // Reading a label changes nothing, so it does not go through `tools_`,
    // which watches every change to a disk.
    const platform::ProcessResult r = platform::runProcess(ntfslabel, args);
    if (!r.succeeded())
        return;
    QByteArray label = r.standardOutput;
    if (label.endsWith('\n'))
        label.chop(1);
    devices_.setLabel(name, QString::fromUtf8(label));
}

void DiskUtil::probeWithDisk(const BlockDevice& d)
{
    const QString disk = d.wholeDisk;
    probe(d.name);
    if (disk != d.name)
        probe(disk);
}

QStringList DiskUtil::mountPointsOf(const BlockDevice& d) const
{
    QStringList points;
    for (const platform::MountEntry& e : mounts_)
        if (e.device == d.node && !points.contains(e.mountPoint))
            points << e.mountPoint;
    return points;
}

bool DiskUtil::isEjectable(const BlockDevice& d) const
{
    const BlockDevice* disk = devices_.find(d.wholeDisk);
    const BlockDevice& w = disk ? *disk : d;
    const QString bus = busProtocol(w.name, w.sysfsPath);
    return w.removable || w.isLoop || bus == QLatin1String("USB") || bus == QLatin1String("Secure Digital");
}

QString DiskUtil::fsTypeOf(const BlockDevice& d) const
{
    const ContentFacts& f = d.facts;
    if (!f.fsType.isEmpty() && (f.fsUsage.isEmpty() || f.fsUsage == QLatin1String("filesystem")))
        return f.fsType;
    if (f.fsType.isEmpty() && f.tableType.isEmpty()) {
        // A device we may not read (the system disk, for one): the mount table
        // still says what it holds, unless a FUSE server hides it.
        for (const platform::MountEntry& e : mounts_)
            if (e.device == d.node && !e.fsType.startsWith(QLatin1String("fuse")))
                return e.fsType;
    }
    return {};
}

QString DiskUtil::nameOf(const BlockDevice& d) const
{
    return d.facts.label.isEmpty() ? d.name : d.facts.label;
}

QVariantMap DiskUtil::infoOf(const BlockDevice& d)
{
    QVariantMap info;
    const BlockDevice* disk = devices_.find(d.wholeDisk);
    const BlockDevice& w = disk ? *disk : d;
    const QStringList points = mountPointsOf(d);
    const QString mountPoint = points.value(0);
    const QString type = fsTypeOf(d);

    info.insert(QStringLiteral("DeviceIdentifier"), d.name);
    info.insert(QStringLiteral("DeviceNode"), d.node);
    info.insert(QStringLiteral("ParentWholeDisk"), d.wholeDisk);
    info.insert(QStringLiteral("TotalSize"), QVariant::fromValue<qulonglong>(d.size));
    info.insert(QStringLiteral("Size"), QVariant::fromValue<qulonglong>(d.size));
    info.insert(QStringLiteral("BusProtocol"), busProtocol(w.name, w.sysfsPath));
    info.insert(QStringLiteral("Ejectable"), isEjectable(d));
    info.insert(QStringLiteral("WholeDisk"), !d.isPartition);
    info.insert(QStringLiteral("VolumeName"), d.facts.label);
    info.insert(QStringLiteral("MountPoint"), mountPoint);

    bool mountedReadOnly = false;
    for (const platform::MountEntry& e : mounts_)
        if (e.device == d.node && e.mountPoint == mountPoint)
            mountedReadOnly = e.readOnly;
    info.insert(QStringLiteral("Writable"), !d.readOnly && !w.readOnly && !mountedReadOnly);

    qulonglong freeSpace = 0;
    if (!mountPoint.isEmpty()) {
        struct statvfs s {};
        if (statvfs(QFile::encodeName(mountPoint).constData(), &s) == 0)
            freeSpace = qulonglong(s.f_bavail) * qulonglong(s.f_frsize);
    }
    info.insert(QStringLiteral("FreeSpace"), QVariant::fromValue(freeSpace));

    if (d.isPartition)
        info.insert(QStringLiteral("Content"), partitionContent(d.facts.partScheme, d.facts.partType));
    else
        info.insert(QStringLiteral("Content"), wholeDiskContent(d.facts.tableType));

    if (!type.isEmpty()) {
        info.insert(QStringLiteral("FilesystemName"), filesystemName(type, d.facts.fsVersion));
        info.insert(QStringLiteral("FilesystemType"), type);
        info.insert(QStringLiteral("VolumeUUID"), d.facts.uuid);
    }
    // The identifier that names this one device for good: a partition's entry,
    // a disk's table, or the file system of a disk without a table.
    QString diskUuid;
    if (d.isPartition)
        diskUuid = d.facts.partUuid;
    else if (!d.facts.tableType.isEmpty())
        diskUuid = d.facts.tableUuid;
    else
        diskUuid = d.facts.uuid;
    info.insert(QStringLiteral("DiskUUID"), diskUuid.toUpper());
    return info;
}

const BlockDevice* DiskUtil::resolve(const QString& target, QString* error)
{
    const BlockDevice* d = find(target, error);
    if (!d)
        return nullptr;
    const QString name = d->name;
    probeWithDisk(*d);
    return devices_.find(name);
}

const BlockDevice* DiskUtil::find(const QString& target, QString* error)
{
    const auto failWith = [&](const QString& text) -> const BlockDevice* {
        if (error)
            *error = text;
        return nullptr;
    };
    if (target.isEmpty())
        return failWith(QStringLiteral("No disk or volume was named"));

    if (target.startsWith(QLatin1Char('/'))) {
        struct stat st {};
        if (stat(QFile::encodeName(target).constData(), &st) == 0 && S_ISBLK(st.st_mode)) {
            if (const BlockDevice* d = devices_.find(kernelNameFromDevNumber(st.st_rdev)))
                return d;
            return failWith(QStringLiteral("Could not find disk: %1").arg(target));
        }
        // A mount point: "/media/user/USB/" as well as "/media/user/USB".
        QString point = QDir::cleanPath(target);
        const QString canonical = QFileInfo(point).canonicalFilePath();
        for (const QString& candidate : {point, canonical}) {
            for (auto it = mounts_.crbegin(); it != mounts_.crend(); ++it) {
                if (it->mountPoint != candidate || candidate.isEmpty())
                    continue;
                if (const BlockDevice* d = devices_.findNode(it->device); d && !it->device.isEmpty())
                    return d;
                return failWith(QStringLiteral("%1 is not mounted from a disk").arg(target));
            }
        }
        return failWith(QStringLiteral("Could not find disk: %1").arg(target));
    }

    if (const BlockDevice* d = devices_.find(target))
        return d;

    // A UUID (of a file system, a partition or a partition table) or a label:
    // every device has to be looked at.
    for (const BlockDevice& d : devices_.devices())
        if (isListed(d))
            probe(d.name);
    QList<const BlockDevice*> matches;
    for (const BlockDevice& d : devices_.devices()) {
        if (!isListed(d))
            continue;
        const ContentFacts& f = d.facts;
        const bool byId = (!f.uuid.isEmpty() && f.uuid.compare(target, Qt::CaseInsensitive) == 0)
                          || (!f.partUuid.isEmpty() && f.partUuid.compare(target, Qt::CaseInsensitive) == 0)
                          || (!f.tableUuid.isEmpty() && f.tableUuid.compare(target, Qt::CaseInsensitive) == 0);
        const bool byLabel = !f.label.isEmpty() && f.label == target;
        if (byId || byLabel)
            matches << &d;
    }
    if (matches.size() == 1)
        return matches.first();
    if (matches.isEmpty())
        return failWith(QStringLiteral("Could not find disk: %1").arg(target));
    QStringList names;
    for (const BlockDevice* d : matches)
        names << d->name;
    return failWith(QStringLiteral("%1 names more than one volume (%2); use a device identifier")
                        .arg(target, names.join(QStringLiteral(", "))));
}

QSet<QString> DiskUtil::systemDevices()
{
    QSet<QString> held;
    const QStringList systemPaths = {QStringLiteral("/"), QStringLiteral("/boot"), QStringLiteral("/usr"),
                                     QStringLiteral("/home"), QStringLiteral("/var")};
    QStringList queue;
    for (const QString& path : systemPaths) {
        // The mount that covers the path: the last of the longest mount points
        // that are the path or lie above it.
        const platform::MountEntry* covering = nullptr;
        for (const platform::MountEntry& e : mounts_) {
            const bool covers = e.mountPoint == QLatin1String("/") || path == e.mountPoint
                                || path.startsWith(e.mountPoint + QLatin1Char('/'));
            if (covers && (!covering || e.mountPoint.size() >= covering->mountPoint.size()))
                covering = &e;
        }
        QString name;
        if (covering && !covering->device.isEmpty())
            name = QFileInfo(covering->device).fileName();
        if (name.isEmpty()) {
            struct stat st {};
            if (stat(QFile::encodeName(path).constData(), &st) == 0)
                name = kernelNameFromDevNumber(st.st_dev);
        }
        if (!name.isEmpty())
            queue << name;
    }
    while (!queue.isEmpty()) {
        const QString name = queue.takeFirst();
        if (held.contains(name))
            continue;
        held.insert(name);
        if (const BlockDevice* d = devices_.find(name)) {
            queue << d->wholeDisk;
            queue << d->slaves;
        }
    }
    return held;
}

bool DiskUtil::refuseSystem(const BlockDevice& d, const QString& target)
{
    const QSet<QString> held = systemDevices();
    if (!held.contains(d.name))
        return false;
    err_(QStringLiteral("%1 (%2) holds the running system; it is left alone").arg(target, d.name));
    return true;
}

int DiskUtil::fail(const QString& message)
{
    err_(message);
    return 1;
}

const BlockDevice* DiskUtil::resolveChangeable(const QString& target)
{
    QString error;
    const BlockDevice* d = resolve(target, &error);
    if (!d) {
        err_(error);
        return nullptr;
    }
    return refuseSystem(*d, target) ? nullptr : d;
}

FsKind DiskUtil::changeableKind(const BlockDevice& d, const QString& done)
{
    const QString type = fsTypeOf(d);
    const FsKind kind = kindOf(type, d.facts.fsVersion);
    if (kind == FsKind::None)
        err_(QStringLiteral("Volumes of type %1 on %2 cannot be %3 here")
                 .arg(type.isEmpty() ? QStringLiteral("(none)") : filesystemName(type, d.facts.fsVersion), d.name, done));
    return kind;
}

QString DiskUtil::tool(const QString& name) const
{
    return platform::findProgram(name);
}

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
// look like one of ours.
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
    return isMarkedFolder(folder) || QFileInfo(folder).path() == QDir::cleanPath(settings_.mountBase);
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
            c.program = tool(QStringLiteral("fusefat"));
            c.arguments = {QStringLiteral("-o"), (readOnly ? QString() : QStringLiteral("rw+,")) + fuseOptions(), d.node,
                           folder};
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

// ---------------------------------------------------------------- verbs

int DiskUtil::run(const QStringList& arguments)
{
    const QString verb = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    const auto usage = [&](const QString& form) { return fail(QStringLiteral("Usage: diskutil %1").arg(form)); };

    // Refuse what cannot be done before looking at any disk.
    if (verb == QLatin1String("eraseVolume")) {
        if (rest.size() != 3)
            return usage(QStringLiteral("eraseVolume PERSONALITY NAME DEVICE"));
        bool unsupported = false;
        if (kindOfPersonality(rest[0], &unsupported) == FsKind::None) {
            if (unsupported)
                return fail(QStringLiteral("%1 volumes cannot be created on this system").arg(rest[0]));
            return fail(QStringLiteral("Unknown file system personality: %1").arg(rest[0]));
        }
    }

    if (verb == QLatin1String("info")) {
        // Only the devices asked about are probed.
        refresh(false);
        QStringList targets = rest;
        const bool plist = targets.removeAll(QStringLiteral("-plist")) > 0;
        if (targets.isEmpty())
            return usage(QStringLiteral("info [-plist] DEVICE [DEVICE ...]"));
        if (targets.size() > 1)
            return doInfoOfMany(targets, plist);
        return doInfo(targets.first(), plist);
    }
    if (verb == QLatin1String("list")) {
        refresh(true);
        return doList(rest.contains(QStringLiteral("-plist")), rest.contains(QStringLiteral("-info")));
    }

    // One run at a time changes a disk: a second waits here, then looks at
    // the disks afresh, since the first may have changed what it found. The
    // disks are probed only then: before the lock, finding the target needs
    // no more than sysfs and the mount table (find() probes for itself when
    // it is named by UUID or label).
    refresh(false);
    DiskLock lock;
    if (needsRoot(verb)) {
        const QString target = verb == QLatin1String("eraseVolume") ? rest.value(2) : rest.value(0);
        QString error;
        if (const BlockDevice* d = find(target, &error)) {
            if (!lock.take(d->wholeDisk, &error))
                return fail(error);
            lockedDisk_ = d->wholeDisk;
        }
    }
    refresh(true);
    if (verb == QLatin1String("mount") || verb == QLatin1String("unmount") || verb == QLatin1String("eject")
        || verb == QLatin1String("reformat") || verb == QLatin1String("verifyvolume")
        || verb == QLatin1String("repairvolume")) {
        if (rest.size() != 1)
            return usage(verb + QStringLiteral(" DEVICE"));
        if (verb == QLatin1String("mount"))
            return doMount(rest[0]);
        if (verb == QLatin1String("unmount"))
            return doUnmount(rest[0]);
        if (verb == QLatin1String("eject"))
            return doEject(rest[0]);
        if (verb == QLatin1String("reformat"))
            return doReformat(rest[0]);
        return doCheck(rest[0], verb == QLatin1String("repairvolume"));
    }
    if (verb == QLatin1String("rename")) {
        if (rest.size() != 2)
            return usage(QStringLiteral("rename DEVICE NAME"));
        return doRename(rest[0], rest[1]);
    }
    if (verb == QLatin1String("eraseVolume"))
        return doErase(rest[0], rest[1], rest[2]);
    return usage(QStringLiteral("list|info|mount|unmount|eject|rename|eraseVolume|reformat|verifyvolume|repairvolume ..."));
}

QVariantMap DiskUtil::listDictionary()
{
    QList<const BlockDevice*> disks;
    for (const BlockDevice& d : devices_.devices())
        if (!d.isPartition && isListed(d))
            disks << &d;
    std::sort(disks.begin(), disks.end(), [](auto a, auto b) { return naturalLess(a->name, b->name); });
    QVariantList all;
    for (const BlockDevice* disk : std::as_const(disks)) {
        QVariantMap entry;
        entry.insert(QStringLiteral("DeviceIdentifier"), disk->name);
        entry.insert(QStringLiteral("Size"), QVariant::fromValue<qulonglong>(disk->size));
        entry.insert(QStringLiteral("Content"), wholeDiskContent(disk->facts.tableType));
        if (disk->partitions.isEmpty()) {
            if (!fsTypeOf(*disk).isEmpty()) {
                entry.insert(QStringLiteral("MountPoint"), mountPointsOf(*disk).value(0));
                entry.insert(QStringLiteral("VolumeName"), disk->facts.label);
            }
        } else {
            QVariantList parts;
            for (const QString& name : disk->partitions) {
                const BlockDevice* p = devices_.find(name);
                if (!p || !isListed(*p))
                    continue;
                QVariantMap part;
                part.insert(QStringLiteral("DeviceIdentifier"), p->name);
                part.insert(QStringLiteral("Content"), partitionContent(p->facts.partScheme, p->facts.partType));
                part.insert(QStringLiteral("MountPoint"), mountPointsOf(*p).value(0));
                part.insert(QStringLiteral("VolumeName"), p->facts.label);
                part.insert(QStringLiteral("Size"), QVariant::fromValue<qulonglong>(p->size));
                parts << part;
            }
            entry.insert(QStringLiteral("Partitions"), parts);
        }
        all << entry;
    }
    return {{QStringLiteral("AllDisksAndPartitions"), all}};
}

QVariantMap DiskUtil::infoDictionary(const QString& target, QString* error)
{
    if (devices_.devices().isEmpty())
        refresh(false);
    const BlockDevice* d = resolve(target, error);
    return d ? infoOf(*d) : QVariantMap();
}

int DiskUtil::doList(bool plist, bool withInfo)
{
    QVariantMap list = listDictionary();
    if (withInfo) {
        // The "info" of every device the list names, in the same run, so one
        // run of this program answers a whole volume-list refresh.
        QVariantMap infos;
        for (const QVariant& v : list.value(QStringLiteral("AllDisksAndPartitions")).toList()) {
            const QVariantMap disk = v.toMap();
            QStringList names{disk.value(QStringLiteral("DeviceIdentifier")).toString()};
            for (const QVariant& pv : disk.value(QStringLiteral("Partitions")).toList())
                names << pv.toMap().value(QStringLiteral("DeviceIdentifier")).toString();
            for (const QString& name : std::as_const(names))
                if (const BlockDevice* d = devices_.find(name))
                    infos.insert(name, infoOf(*d));
        }
        list.insert(QStringLiteral("AllVolumesInfo"), infos);
    }
    if (plist) {
        out_(QString::fromUtf8(platform::plist::toXml(list)).trimmed());
        return 0;
    }
    for (const QVariant& v : list.value(QStringLiteral("AllDisksAndPartitions")).toList()) {
        const QVariantMap disk = v.toMap();
        out_(QStringLiteral("/dev/%1 (%2, %3 bytes)")
                 .arg(disk.value(QStringLiteral("DeviceIdentifier")).toString(),
                      disk.value(QStringLiteral("Content")).toString(),
                      disk.value(QStringLiteral("Size")).toString()));
        for (const QVariant& pv : disk.value(QStringLiteral("Partitions")).toList()) {
            const QVariantMap p = pv.toMap();
            out_(QStringLiteral("   %1  %2  %3  %4 bytes")
                     .arg(p.value(QStringLiteral("DeviceIdentifier")).toString(),
                          p.value(QStringLiteral("Content")).toString(),
                          p.value(QStringLiteral("VolumeName")).toString(),
                          p.value(QStringLiteral("Size")).toString()));
        }
    }
    return 0;
}

int DiskUtil::doInfo(const QString& target, bool plist)
{
    QString error;
    const BlockDevice* d = resolve(target, &error);
    if (!d)
        return fail(error);
    const QVariantMap info = infoOf(*d);
    if (plist) {
        out_(QString::fromUtf8(platform::plist::toXml(info)).trimmed());
        return 0;
    }
    for (auto it = info.constBegin(); it != info.constEnd(); ++it)
        out_(QStringLiteral("%1: %2").arg(it.key(), it.value().toString()));
    return 0;
}

int DiskUtil::doInfoOfMany(const QStringList& targets, bool plist)
{
    // One answer per target, in order; one that names no device gets an
    // empty dictionary (and its reason on standard error).
    int status = 0;
    QVariantList all;
    for (const QString& target : targets) {
        QString error;
        const BlockDevice* d = resolve(target, &error);
        if (!d) {
            err_(error);
            status = 1;
        }
        all << (d ? infoOf(*d) : QVariantMap());
    }
    if (plist) {
        const QVariantMap answer{{QStringLiteral("AllVolumesInfo"), all}};
        out_(QString::fromUtf8(platform::plist::toXml(answer)).trimmed());
        return status;
    }
    for (const QVariant& v : std::as_const(all)) {
        const QVariantMap info = v.toMap();
        for (auto it = info.constBegin(); it != info.constEnd(); ++it)
            out_(QStringLiteral("%1: %2").arg(it.key(), it.value().toString()));
        out_(QString());
    }
    return status;
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

int DiskUtil::doRename(const QString& target, const QString& requested)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    const FsKind kind = changeableKind(*d, QStringLiteral("renamed"));
    if (kind == FsKind::None)
        return 1;
    const QString name = normaliseVolumeName(kind, requested);
    const QString deviceName = d->name;
    const QString node = d->node;

    // The FUSE servers and the NTFS tools must not have the volume open while
    // its label is rewritten; ext labels may change while mounted.
    const QStringList points = mountPointsOf(*d);
    bool unmounted = false;
    if (!points.isEmpty()) {
        unmounted = unmountOne(*d, isExtKind(kind));
        if (!unmounted && !isExtKind(kind))
            return 1;
    }
    QString program;
    QStringList args;
    if (isExtKind(kind)) {
        // tune2fs takes the label as an option's value, so a label that starts
        // with "-" is still a label.
        program = tool(QStringLiteral("tune2fs"));
        args = {QStringLiteral("-L"), name, node};
    } else if (isFatKind(kind)) {
        program = tool(QStringLiteral("fatlabel"));
        if (name.trimmed().isEmpty())
            args = {QStringLiteral("-r"), QStringLiteral("--"), node};
        else
            args = {QStringLiteral("--"), node, name};
    } else if (kind == FsKind::ExFat) {
        // exfatlabel knows no "--"; told to stop at the first operand it reads
        // a name that begins with "-" as a name.
        program = tool(QStringLiteral("env"));
        args = {QStringLiteral("POSIXLY_CORRECT=1"), tool(QStringLiteral("exfatlabel")), node, name};
    }
    int status = 0;
    if (kind == FsKind::Ntfs) {
        QString error = QStringLiteral("no label writer for NTFS");
        if (!tools_.writeNtfsLabel || !tools_.writeNtfsLabel(node, name, &error)) {
            err_(QStringLiteral("Volume on %1 could not be renamed: %2").arg(deviceName, error));
            status = 1;
        }
    } else {
        const platform::ProcessResult r = program.isEmpty() ? platform::ProcessResult{} : tools_.run(program, args);
        if (!r.succeeded()) {
            err_(QStringLiteral("Volume on %1 could not be renamed: %2")
                     .arg(deviceName, program.isEmpty() ? QStringLiteral("no label tool for this file system") : why(r)));
            status = 1;
        }
    }
    probe(deviceName, true);
    if (unmounted) {
        const BlockDevice* again = devices_.find(deviceName);
        // Back where it was, unless that was a folder of ours named after the
        // old name: then a folder named after the new one.
        QString at = points.first();
        if (QFileInfo(at).path() == QDir::cleanPath(settings_.mountBase) || !QFileInfo::exists(at))
            at.clear();
        if (!again || !mountOne(*again, at))
            status = 1;
    }
    if (status == 0)
        out_(QStringLiteral("Volume on %1 renamed to %2").arg(deviceName, name));
    return status;
}

int DiskUtil::doErase(const QString& personality, const QString& requested, const QString& target)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    if (!d->isPartition && !d->partitions.isEmpty())
        return fail(QStringLiteral("%1 is a disk with partitions; name one of its volumes").arg(d->name));
    const FsKind kind = kindOfPersonality(personality);
    const QString name = normaliseVolumeName(kind, requested);
    const QString deviceName = d->name;
    const QString node = d->node;
    const bool wholeDisk = !d->isPartition;

    QString program;
    QStringList args;
    if (isFatKind(kind)) {
        program = tool(QStringLiteral("mkfs.fat"));
        if (kind == FsKind::Fat32)
            args << QStringLiteral("-F") << QStringLiteral("32");
        else if (kind == FsKind::Fat16)
            args << QStringLiteral("-F") << QStringLiteral("16");
        else if (kind == FsKind::Fat12)
            args << QStringLiteral("-F") << QStringLiteral("12");
        if (!name.trimmed().isEmpty())
            args << QStringLiteral("-n") << name;
        if (wholeDisk)
            args << QStringLiteral("-I");
    } else if (kind == FsKind::ExFat) {
        program = tool(QStringLiteral("mkfs.exfat"));
        if (!name.isEmpty())
            args << QStringLiteral("-L") << name;
    } else if (kind == FsKind::Ntfs) {
        program = tool(QStringLiteral("mkfs.ntfs"));
        args << QStringLiteral("-F") << QStringLiteral("-Q");
        if (!name.isEmpty())
            args << QStringLiteral("-L") << name;
    } else {
        program = tool(QStringLiteral("mkfs.") + personalityOf(kind));
        args << QStringLiteral("-F") << QStringLiteral("-q");
        if (!name.isEmpty())
            args << QStringLiteral("-L") << name;
        if (settings_.userId != 0)
            args << QStringLiteral("-E") << QStringLiteral("root_owner=%1:%2").arg(settings_.userId).arg(settings_.groupId);
    }

    // Every tool the erase needs is looked for before the first change: a
    // volume whose signatures were wiped and no file system made is lost.
    if (program.isEmpty())
        return fail(QStringLiteral("There is no tool to create %1 volumes on this system").arg(personalityOf(kind)));
    const bool mounted = !mountPointsOf(*d).isEmpty();
    if (mounted && tool(QStringLiteral("umount")).isEmpty())
        return fail(QStringLiteral("There is no umount on this system"));
    BlockDevice made = *d;
    made.facts.fsType = blkidTypeOf(kind);
    made.facts.fsUsage = QStringLiteral("filesystem");
    made.facts.fsVersion = isFatKind(kind) ? QStringLiteral("FAT32") : QString();
    if (mountCommand(made, QStringLiteral("/")).program.isEmpty())
        return fail(QStringLiteral("There is no driver to mount %1 volumes on this system").arg(personalityOf(kind)));

    out_(QStringLiteral("Started erase on %1").arg(deviceName));
    if (mounted) {
        out_(QStringLiteral("Unmounting disk"));
        if (!unmountOne(*d))
            return 1;
    }
    out_(QStringLiteral("Erasing"));
    // Old signatures of other file systems would make the new one ambiguous.
    const QString wipefs = tool(QStringLiteral("wipefs"));
    if (!wipefs.isEmpty())
        tools_.run(wipefs, {QStringLiteral("-a"), node});

    args << node;
    const platform::ProcessResult r = tools_.run(program, args);
    if (!r.succeeded())
        return fail(QStringLiteral("Erasing %1 failed: %2").arg(deviceName, why(r)));
    out_(QStringLiteral("Initialized %1 as %2 volume with name %3").arg(node, personalityOf(kind), name));

    probe(deviceName, true);
    const BlockDevice* fresh = devices_.find(deviceName);
    out_(QStringLiteral("Mounting disk"));
    if (!fresh || !mountOne(*fresh))
        return 1;
    out_(QStringLiteral("Finished erase on %1 %2").arg(deviceName, name));
    return 0;
}

int DiskUtil::doReformat(const QString& target)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    const FsKind kind = kindOf(fsTypeOf(*d), d->facts.fsVersion);
    if (kind == FsKind::None)
        return fail(QStringLiteral("%1 holds no file system that can be reformatted here").arg(d->name));
    return doErase(personalityOf(kind), d->facts.label, d->name);
}

int DiskUtil::doCheck(const QString& target, bool repair)
{
    const BlockDevice* d = resolveChangeable(target);
    if (!d)
        return 1;
    const FsKind kind = changeableKind(*d, QStringLiteral("checked"));
    if (kind == FsKind::None)
        return 1;
    const QString what = repair ? QStringLiteral("repair") : QStringLiteral("verification");
    const QString label = nameOf(*d);
    const QString fsName = filesystemName(fsTypeOf(*d), d->facts.fsVersion);
    const QString deviceName = d->name;
    const QString node = d->node;
    out_(QStringLiteral("Started file system %1 on %2 (%3)").arg(what, deviceName, label));

    const QStringList points = mountPointsOf(*d);
    if (!points.isEmpty()) {
        out_(QStringLiteral("Unmounting %1").arg(points.join(QStringLiteral(", "))));
        if (!unmountOne(*d))
            return 1;
    }

    QString program;
    QStringList args;
    QList<int> good{0};
    if (isExtKind(kind)) {
        program = tool(QStringLiteral("e2fsck"));
        args = {QStringLiteral("-f"), repair ? QStringLiteral("-y") : QStringLiteral("-n"), node};
        if (repair)
            good = {0, 1, 2};
    } else if (isFatKind(kind)) {
        program = tool(QStringLiteral("fsck.fat"));
        args = {repair ? QStringLiteral("-a") : QStringLiteral("-n"), QStringLiteral("-v"), node};
        if (repair)
            good = {0, 1};
    } else if (kind == FsKind::ExFat) {
        program = tool(QStringLiteral("fsck.exfat"));
        args = {repair ? QStringLiteral("-y") : QStringLiteral("-n"), node};
        if (repair)
            good = {0, 1};
    } else {
        program = tool(QStringLiteral("ntfsfix"));
        args = repair ? QStringList{node} : QStringList{QStringLiteral("-n"), node};
    }

    int status = 0;
    if (program.isEmpty()) {
        err_(QStringLiteral("There is no tool to check %1 volumes on this system").arg(fsName));
        status = 1;
    } else {
        out_(repair ? QStringLiteral("Repairing file system") : QStringLiteral("Checking file system"));
        // Most checkers buffer their output when it goes to a pipe; stdbuf
        // makes them hand over each line as it is written.
        const QString stdbuf = tool(QStringLiteral("stdbuf"));
        QString runProgram = program;
        QStringList runArgs = args;
        if (!stdbuf.isEmpty()) {
            runArgs = QStringList{QStringLiteral("-oL"), QStringLiteral("-eL"), program} + args;
            runProgram = stdbuf;
        }
        const platform::ProcessResult r = tools_.stream(runProgram, runArgs, out_);
        const bool ok = r.started && r.finished && !r.crashed && good.contains(r.exitCode);
        if (ok) {
            out_(repair ? QStringLiteral("The volume %1 was repaired successfully").arg(label)
                        : QStringLiteral("The volume %1 appears to be OK").arg(label));
        } else {
            if (!repair && r.started && r.finished)
                out_(QStringLiteral("The volume %1 was found corrupt and needs to be repaired").arg(label));
            err_(r.started ? QStringLiteral("File system check exit code is %1").arg(r.exitCode)
                           : QStringLiteral("The file system check could not be started"));
            status = 1;
        }
    }

    if (!points.isEmpty()) {
        probe(deviceName, true);
        if (const BlockDevice* again = devices_.find(deviceName)) {
            for (const QString& at : points)
                if (!mountOne(*again, at))
                    status = 1;
        }
    }
    out_(QStringLiteral("Finished file system %1 on %2 (%3)").arg(what, deviceName, label));
    return status;
}

} // namespace diskutil
