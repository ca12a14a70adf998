#include "BundleSettings.h"

#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace {

const QString kFileName = QStringLiteral("NullvaneBase.plist");

QMutex& pathMutex()
{
    static QMutex m;
    return m;
}

QString& shippedOverride()
{
    static QString path;
    return path;
}

// Serialises read-modify-write cycles of this process, so two writers on
// different threads cannot drop each other's key.
QMutex& writeMutex()
{
    static QMutex m;
    return m;
}

bool isDictionary(const QVariant& v)
{
    return v.metaType().id() == QMetaType::QVariantMap;
}

// The dictionary in `path`; empty when the file is missing or holds anything
// else. `readable` tells the two apart for writers.
QVariantMap readDictionary(const QString& path, bool* readable = nullptr)
{
    const QVariant v = platform::plist::readFile(path);
    if (readable)
        *readable = isDictionary(v);
    return isDictionary(v) ? v.toMap() : QVariantMap{};
}

} // namespace

QString BundleSettings::shippedFilePath()
{
    {
        QMutexLocker lock(&pathMutex());
        if (!shippedOverride().isEmpty())
            return shippedOverride();
    }
    return platform::resourcePath(kFileName);
}

QString BundleSettings::userFilePath()
{
    return platform::configFolder() + QLatin1Char('/') + kFileName;
}

void BundleSettings::setShippedFilePath(const QString& path)
{
    QMutexLocker lock(&pathMutex());
    shippedOverride() = path;
}

QVariant BundleSettings::value(const QString& key)
{
    const QVariantMap user = readDictionary(userFilePath());
    if (const auto it = user.constFind(key); it != user.constEnd())
        return it.value();
    return readDictionary(shippedFilePath()).value(key);
}

bool BundleSettings::setValue(const QString& key, const QVariant& value)
{
    QMutexLocker lock(&writeMutex());
    const QString path = userFilePath();
    QVariantMap dict;
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        bool readable = false;
        dict = readDictionary(path, &readable);
        if (!readable) {
            // Rewriting it would throw away whatever the user keeps there.
            platform::log(QStringLiteral("设置文件无法读取，未写入 %1: %2").arg(key, path));
            return false;
        }
    }
    if (value.isValid())
        dict.insert(key, value);
    else
        dict.remove(key);
    if (!platform::plist::writeFile(path, dict)) {
        platform::log(QStringLiteral("设置文件写入失败 %1: %2").arg(key, path));
        return false;
    }
    return true;
}

QVariantMap BundleSettings::links()
{
    const QVariant v = value(QStringLiteral("Link"));
    return isDictionary(v) ? v.toMap() : QVariantMap{};
}
