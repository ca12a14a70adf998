#include "Defaults.h"

#include "Locations.h"

#include <QMutex>
#include <QSettings>
#include <QStandardPaths>

namespace platform::defaults {
namespace {

QMutex mutex;

// The file is named per call: tests point the config folder elsewhere.
QString settingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Corvel/Nullvane.conf");
}

} // namespace

QVariant value(const QString& key)
{
    QMutexLocker lock(&mutex);
    QSettings settings(settingsFile(), QSettings::IniFormat);
    return settings.value(key);
}

void setValue(const QString& key, const QVariant& v)
{
    QMutexLocker lock(&mutex);
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.setValue(key, v);
    settings.sync();
}

int integerForKey(const QString& key)
{
    bool ok = false;
    const int n = value(key).toInt(&ok);
    return ok ? n : 0;
}

void setInteger(const QString& key, int v)
{
    setValue(key, v);
}

void remove(const QString& key)
{
    QMutexLocker lock(&mutex);
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.remove(key);
    settings.sync();
}

} // namespace platform::defaults
