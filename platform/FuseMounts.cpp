#include "FuseMounts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>

namespace platform {
namespace {

QString absoluteFrom(const QString& path, const QString& folder)
{
    if (path.startsWith(QLatin1Char('/')) || folder.isEmpty())
        return QDir::cleanPath(path);
    return QDir::cleanPath(folder + QLatin1Char('/') + path);
}

QString canonicalOr(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

bool isBlockDevice(const QString& path)
{
    struct stat st {};
    return stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISBLK(st.st_mode);
}

} // namespace

std::optional<FuseServer> parseFuseCommandLine(const QStringList& arguments, const QString& workingFolder)
{
    QStringList positional;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("-o")) {
            ++i; // its value
            continue;
        }
        // A running server rewrites its own arguments and may leave empty ones.
        if (a.isEmpty() || a == QLatin1String("--"))
            continue;
        if (a.startsWith(QLatin1Char('-')))
            continue;
        positional << a;
    }
    if (positional.size() < 2)
        return std::nullopt;
    FuseServer s;
    s.device = absoluteFrom(positional[0], workingFolder);
    s.mountPoint = absoluteFrom(positional[1], workingFolder);
    return s;
}

QList<FuseServer> runningFuseServers(const QStringList& programs)
{
    QList<FuseServer> servers;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        bool numeric = false;
        const qint64 n = pid.toLongLong(&numeric);
        if (!numeric)
            continue;
        QFile f(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        QByteArray raw = f.readAll();
        if (raw.endsWith('\0'))
            raw.chop(1);
        if (raw.isEmpty())
            continue;
        QStringList args;
        for (const QByteArray& part : raw.split('\0'))
            args << QString::fromLocal8Bit(part);
        if (!programs.contains(QFileInfo(args.first()).fileName()))
            continue;
        const QString cwd = QFileInfo(QStringLiteral("/proc/%1/cwd").arg(pid)).symLinkTarget();
        if (auto s = parseFuseCommandLine(args, cwd)) {
            s->pid = n;
            servers << *s;
        }
    }
    return servers;
}

QList<MountEntry> resolveFuseSources(QList<MountEntry> entries)
{
    bool needed = false;
    for (const MountEntry& e : entries)
        needed = needed || (e.device.isEmpty() && e.fsType.startsWith(QLatin1String("fuse.")));
    if (!needed)
        return entries;
    const QList<FuseServer> servers = runningFuseServers();
    for (MountEntry& e : entries) {
        if (!e.device.isEmpty() || !e.fsType.startsWith(QLatin1String("fuse.")))
            continue;
        for (const FuseServer& s : servers) {
            if (canonicalOr(s.mountPoint) != e.mountPoint && s.mountPoint != e.mountPoint)
                continue;
            const QString dev = canonicalOr(s.device);
            if (isBlockDevice(dev))
                e.device = dev;
        }
    }
    return entries;
}

QList<MountEntry> readBlockMountTable()
{
    return resolveFuseSources(readMountTable());
}

} // namespace platform
