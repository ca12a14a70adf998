#pragma once
// Reports block-device mounts and unmounts as they happen. The kernel marks
// /proc/self/mountinfo with an exceptional condition (POLLPRI) whenever the
// mount table changes; the watcher then reads the table again and reports the
// difference. Mounts of things that are not disks (proc, tmpfs, network shares)
// are not reported; FUSE mounts of a disk are.

#include "MountTable.h"

#include <QHash>
#include <QObject>
#include <QString>

class QSocketNotifier;

namespace platform {

struct VolumeMountEvent {
    QString device;      // "/dev/sdb1"
    QString mountPoint;  // "/media/user/USB"
    QString name;        // the volume's label, else the mount point's last component
    QString fsType;      // as mounted: "ext4", "fuseblk", ...
};

class MountWatcher : public QObject {
    Q_OBJECT
public:
    // Watches from the thread it is created on, which needs an event loop (the
    // main thread in the application).
    explicit MountWatcher(QObject* parent = nullptr);
    ~MountWatcher() override;

    // False when the mount table could not be opened; nothing is then reported.
    bool isWatching() const { return notifier_ != nullptr; }

    // Reads the table and reports what changed since the last reading. The
    // kernel's change signal calls it; calling it again is harmless.
    void refresh();

signals:
    void volumeMounted(const platform::VolumeMountEvent& event);
    void volumeUnmounted(const platform::VolumeMountEvent& event);

private:
    QHash<QString, VolumeMountEvent> snapshot() const;

    int fd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    // By mount id, device and mount point together: the kernel hands a freed
    // id to the next mount at once, so an id alone may name a different mount
    // by the time the table is read again.
    QHash<QString, VolumeMountEvent> known_;
};

// A volume's display name: its label when the system knows one, else the last
// component of its mount point.
QString volumeDisplayName(const QString& device, const QString& mountPoint);

} // namespace platform

Q_DECLARE_METATYPE(platform::VolumeMountEvent)
