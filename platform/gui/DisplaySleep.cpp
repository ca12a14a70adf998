#include "DisplaySleep.h"

#include <QDBusMessage>
#include <QDBusReply>

namespace platform {
namespace {

const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString interfaceName = QStringLiteral("org.freedesktop.ScreenSaver");
// Desktops publish the service under one path or the other.
const QStringList paths{QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")};

// Start-up must not hang on a desktop service that does not answer.
constexpr int callTimeoutMs = 2000;

} // namespace

DisplaySleepInhibitor::DisplaySleepInhibitor(const QString& applicationName, const QString& reason)
    : DisplaySleepInhibitor(applicationName, reason, QDBusConnection::sessionBus())
{
}

DisplaySleepInhibitor::DisplaySleepInhibitor(const QString& applicationName, const QString& reason,
                                             const QDBusConnection& bus)
    : bus_(bus)
{
    inhibit(applicationName, reason);
}

DisplaySleepInhibitor::~DisplaySleepInhibitor()
{
    release();
}

void DisplaySleepInhibitor::inhibit(const QString& applicationName, const QString& reason)
{
    if (!bus_.isConnected())
        return;
    for (const QString& path : paths) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interfaceName, QStringLiteral("Inhibit"));
        call << applicationName << reason;
        const QDBusReply<quint32> reply = bus_.call(call, QDBus::Block, callTimeoutMs);
        if (reply.isValid()) {
            cookie_ = reply.value();
            path_ = path;
            held_ = true;
            return;
        }
        // No such service at all: the second path will not have it either.
        if (reply.error().type() == QDBusError::ServiceUnknown || reply.error().type() == QDBusError::NoReply
            || reply.error().type() == QDBusError::Timeout)
            return;
    }
}

void DisplaySleepInhibitor::release()
{
    if (!held_)
        return;
    held_ = false;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path_, interfaceName, QStringLiteral("UnInhibit"));
    call << cookie_;
    bus_.call(call, QDBus::Block, callTimeoutMs);
}

} // namespace platform
