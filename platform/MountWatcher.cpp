#include "MountWatcher.h"

#include "FuseMounts.h"
#include "MountTable.h"

#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

QString volumeDisplayName(const QString& device, const QString& mountPoint)
{
    // udev keeps a link per label; without udev there is none, and the folder
    // name (which our disk utility makes from the label) serves.
    const QDir byLabel(QStringLiteral("/dev/disk/by-label"));
    if (!device.isEmpty() && byLabel.exists()) {
        const QFileInfoList links = byLabel.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot);
        for (const QFileInfo& link : links) {
            if (link.canonicalFilePath() != device)
                continue;
            // udev escapes blanks and other bytes as \xNN.
            return decodeUdevEscapes(link.fileName().toUtf8());
        }
    }
    if (mountPoint == QLatin1String("/"))
        return mountPoint;
    return QFileInfo(mountPoint).fileName();
}

MountWatcher::MountWatcher(QObject* parent)
    : QObject(parent)
{
    qRegisterMetaType<platform::VolumeMountEvent>();
    fd_ = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    known_ = snapshot();
    notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Exception, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { refresh(); });
}

MountWatcher::~MountWatcher()
{
    delete notifier_;
    if (fd_ >= 0)
        ::close(fd_);
}

QHash<QString, VolumeMountEvent> MountWatcher::snapshot() const
{
    QHash<QString, VolumeMountEvent> table;
    for (const MountEntry& e : readBlockMountTable()) {
        if (e.device.isEmpty())
            continue;
        VolumeMountEvent ev;
        ev.device = e.device;
        ev.mountPoint = e.mountPoint;
        ev.fsType = e.fsType;
        table.insert(QStringLiteral("%1\n%2\n%3").arg(e.id).arg(e.device, e.mountPoint), ev);
    }
    return table;
}

void MountWatcher::refresh()
{
    // The change mark is cleared by the poll that saw it; reading the file
    // again from the start is all that is left to do.
    if (fd_ >= 0)
        ::lseek(fd_, 0, SEEK_SET);
    const QHash<QString, VolumeMountEvent> now = snapshot();
    QList<VolumeMountEvent> gone;
    QList<VolumeMountEvent> added;
    for (auto it = known_.constBegin(); it != known_.constEnd(); ++it)
        if (!now.contains(it.key()))
            gone << it.value();
    for (auto it = now.constBegin(); it != now.constEnd(); ++it)
        if (!known_.contains(it.key()))
            added << it.value();
    known_ = now;
    for (VolumeMountEvent ev : std::as_const(gone)) {
        ev.name = volumeDisplayName(ev.device, ev.mountPoint);
        emit volumeUnmounted(ev);
    }
    for (VolumeMountEvent ev : std::as_const(added)) {
        ev.name = volumeDisplayName(ev.device, ev.mountPoint);
        emit volumeMounted(ev);
    }
}

} // namespace platform
