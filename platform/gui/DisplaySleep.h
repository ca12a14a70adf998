#pragma once
// Keeps the display from going dark while the user is idle, for as long as
// the object lives: the desktop's screen-saver service is asked to inhibit
// idle (org.freedesktop.ScreenSaver.Inhibit) and the inhibition is released
// again by release() or the destructor. Without a session bus, or with no
// service on it, nothing happens and isHeld() answers false.

#include <QDBusConnection>
#include <QString>

namespace platform {

class DisplaySleepInhibitor {
public:
    // `reason` is shown by desktops that list inhibitions.
    explicit DisplaySleepInhibitor(const QString& applicationName, const QString& reason);
    // The same on a given bus (tests use a private one).
    DisplaySleepInhibitor(const QString& applicationName, const QString& reason, const QDBusConnection& bus);
    ~DisplaySleepInhibitor();
    DisplaySleepInhibitor(const DisplaySleepInhibitor&) = delete;
    DisplaySleepInhibitor& operator=(const DisplaySleepInhibitor&) = delete;

    bool isHeld() const { return held_; }
    quint32 cookie() const { return cookie_; }

    void release();

private:
    void inhibit(const QString& applicationName, const QString& reason);

    QDBusConnection bus_;
    QString path_;
    quint32 cookie_ = 0;
    bool held_ = false;
};

} // namespace platform
