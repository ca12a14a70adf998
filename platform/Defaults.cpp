#include "Defaults.h"

#include "Locations.h"
#include "Log.h"

#include <QFile>
#include <QFileInfo>

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

// A file that does not read cleanly would be rewritten with only the keys
// written now, and whatever it held would be gone: it is put aside first
// ("Nullvane.conf.damaged", or "Nullvane.conf.2.damaged" and on when that is
// taken), so the user's values can still be recovered by hand.
void setDamagedFileAside(const QString& file)
{
    QSettings probe(file, QSettings::IniFormat);
    if (probe.status() != QSettings::FormatError)
        return;
    QString aside = file + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = QStringLiteral("%1.%2.damaged").arg(file).arg(n);
    if (QFile::rename(file, aside))
        platform::log(QStringLiteral("设置文件已损坏，已另存为 %1").arg(aside));
    else
        platform::log(QStringLiteral("设置文件已损坏，无法另存: %1").arg(file));
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
    const QString file = settingsFile();
    setDamagedFileAside(file);
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError)
        return; // could not be put aside: never written over
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
    const QString file = settingsFile();
    setDamagedFileAside(file);
    QSettings settings(file, QSettings::IniFormat);
    if (settings.status() == QSettings::FormatError)
        return;
    settings.remove(key);
    settings.sync();
}

} // namespace platform::defaults
