// The disk utility's frame: the boundary to the tools, who asked, which
// device a target names, the running system's devices left alone, and the
// verbs handed to their files.

#include "DiskUtil.h"
#include "DiskUtilShared.h"
#include "NtfsLabel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

QString kernelNameFromDevNumber(dev_t dev)
{
    const QString link = QStringLiteral("/sys/dev/block/%1:%2").arg(major(dev)).arg(minor(dev));
    const QString target = QFileInfo(link).canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).fileName();
}

} // namespace

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

DiskUtil::DiskUtil(Tools tools, Settings settings, LineSink out, LineSink err)
    : tools_(std::move(tools))
    , settings_(std::move(settings))
    , out_(std::move(out))
    , err_(std::move(err))
{
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

} // namespace diskutil
