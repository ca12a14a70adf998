#include "WatchMountUnmount.h"

#include "platform/MountWatcher.h"
#include "platform/NotificationCenter.h"

const QString MCVolumeMountNotification = QStringLiteral("MCVolumeMount");
const QString MCVolumeUnmountNotification = QStringLiteral("MCVolumeUnmount");

namespace {

QVariantMap userInfoOf(const platform::VolumeMountEvent& event)
{
    return {
        {QStringLiteral("NSDevicePath"), event.mountPoint},
        {QStringLiteral("NSWorkspaceVolumeLocalizedNameKey"), event.name},
        {QStringLiteral("DeviceNode"), event.device},
    };
}

} // namespace

WatchMountUnmount::WatchMountUnmount(QObject* parent)
    : QObject(parent)
    , wsnc(new platform::MountWatcher(this))
{
    registerNotifications();
}

std::shared_ptr<WatchMountUnmount> WatchMountUnmount::shared()
{
    static std::weak_ptr<WatchMountUnmount> current;
    std::shared_ptr<WatchMountUnmount> relay = current.lock();
    if (!relay) {
        relay = std::make_shared<WatchMountUnmount>();
        current = relay;
    }
    return relay;
}

void WatchMountUnmount::registerNotifications()
{
    connect(wsnc, &platform::MountWatcher::volumeMounted, this,
            [this](const platform::VolumeMountEvent& e) { mountedVolume(userInfoOf(e)); });
    connect(wsnc, &platform::MountWatcher::volumeUnmounted, this,
            [this](const platform::VolumeMountEvent& e) { unmountedVolume(userInfoOf(e)); });
}

void WatchMountUnmount::mountedVolume(const QVariantMap& userInfo)
{
    platform::NotificationCenter::defaultCenter().post(MCVolumeMountNotification, this, userInfo);
}

void WatchMountUnmount::unmountedVolume(const QVariantMap& userInfo)
{
    platform::NotificationCenter::defaultCenter().post(MCVolumeUnmountNotification, this, userInfo);
}
