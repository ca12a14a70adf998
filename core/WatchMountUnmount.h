#pragma once
// Re-posts the system's volume mounts and unmounts on the default notification
// centre as "MCVolumeMount" and "MCVolumeUnmount", with the relay as sender and
// the volume's details as user information:
//   "NSDevicePath"                       the mount point
//   "NSWorkspaceVolumeLocalizedNameKey"  the volume's name
//   "DeviceNode"                         the device ("/dev/sdb1")
// Each relay posts once per mount or unmount, on the thread it was made on
// (the main thread), for as long as it lives. The screens share one relay
// (`shared()`): every relay posts every change, and each screen hears every
// sender.

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <memory>

namespace platform { class MountWatcher; }

extern const QString MCVolumeMountNotification;    // "MCVolumeMount"
extern const QString MCVolumeUnmountNotification;  // "MCVolumeUnmount"

class WatchMountUnmount : public QObject {
    Q_OBJECT
public:
    explicit WatchMountUnmount(QObject* parent = nullptr);

    // The one relay of the program, made for the first holder and gone with
    // the last. Main thread only.
    static std::shared_ptr<WatchMountUnmount> shared();

    void mountedVolume(const QVariantMap& userInfo);
    void unmountedVolume(const QVariantMap& userInfo);

    // The system's watcher this relay listens to.
    platform::MountWatcher* watcher() const { return wsnc; }

private:
    void registerNotifications();

    platform::MountWatcher* wsnc = nullptr;
};
