#include "UninstallFixtures.h"

#include "TestSupport.h"
#include "platform/Locations.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace fx {

QString at(const QString& location)
{
    return platform::mapLocation(location);
}

void resetRoot()
{
    const QString root = platform::rootPrefix();
    if (root.isEmpty() || !root.startsWith(nvtest::sandbox()))
        return; // never anything outside the sandbox
    QDir(root).removeRecursively();
    QDir().mkpath(root);
}

QString makeFolder(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

QString makeBundle(const QString& path, const QVariantMap& info, bool withInfo)
{
    makeFolder(path + QStringLiteral("/Contents/MacOS"));
    if (withInfo)
        platform::plist::writeFile(path + QStringLiteral("/Contents/Info.plist"), info);
    return path;
}

QVariantMap appInfo(const QString& name, const QString& identifier, const QString& version)
{
    QVariantMap info;
    if (!name.isEmpty())
        info.insert(QStringLiteral("CFBundleName"), name);
    if (!identifier.isEmpty())
        info.insert(QStringLiteral("CFBundleIdentifier"), identifier);
    if (!version.isEmpty())
        info.insert(QStringLiteral("CFBundleShortVersionString"), version);
    return info;
}

QString makeFile(const QString& path, qint64 size)
{
    nvtest::writeFile(path, QByteArray(int(size), 'x'));
    return path;
}

QStringList pathsOf(const AMAppItemList& items)
{
    QStringList out;
    for (const AMAppItemPtr& item : items)
        out << item->path;
    return out;
}

QStringList namesOf(const AMAppItemList& items)
{
    QStringList out;
    for (const AMAppItemPtr& item : items)
        out << item->name;
    return out;
}

FolderLock::FolderLock(const QString& folder) : folder_(folder)
{
    if (nvtest::isRoot())
        locked_ = platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("+i"), folder_}).succeeded();
    else
        locked_ = chmod(QFile::encodeName(folder_).constData(), 0555) == 0;
}

FolderLock::~FolderLock()
{
    unlock();
}

void FolderLock::unlock()
{
    if (!locked_)
        return;
    if (nvtest::isRoot())
        platform::runProcess(QStringLiteral("chattr"), {QStringLiteral("-i"), folder_});
    chmod(QFile::encodeName(folder_).constData(), 0755);
    locked_ = false;
}

} // namespace fx
