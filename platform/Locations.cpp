#include "Locations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QStandardPaths>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef NULLVANE_LIBEXEC_DIR
#define NULLVANE_LIBEXEC_DIR "/usr/local/libexec/nullvane"
#endif

namespace platform {

QString rootPrefix()
{
    QString root = qEnvironmentVariable("NULLVANE_ROOT");
    while (root.size() > 1 && root.endsWith(QLatin1Char('/')))
        root.chop(1);
    if (root == QLatin1String("/"))
        root.clear();
    return root;
}

QString homeFolder()
{
    return QDir::homePath();
}

QString mapLocation(const QString& location)
{
    QString path = location;
    if (path == QLatin1String("~"))
        path = homeFolder();
    else if (path.startsWith(QLatin1String("~/")))
        path = homeFolder() + path.mid(1);
    if (!path.startsWith(QLatin1Char('/')))
        return path;
    return rootPrefix() + path;
}

QString homeFolderOf(const QString& user)
{
    if (user.isEmpty())
        return {};
    if (user == userName() || user == qEnvironmentVariable("USER"))
        return homeFolder();
    if (const passwd* pw = getpwnam(user.toLocal8Bit().constData()); pw && pw->pw_dir)
        return QString::fromLocal8Bit(pw->pw_dir);
    return {};
}

QString userName()
{
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

namespace {
QString ensureFolder(const QString& path)
{
    QDir().mkpath(path);
    return path;
}

QString appFolderName() { return QStringLiteral("Nullvane"); }
} // namespace

QString configFolder()
{
    return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/')
                        + appFolderName());
}

QString dataFolder()
{
    return ensureFolder(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
                        + appFolderName());
}

namespace {
QMutex privateTempMutex;
QString privateTemp; // guarded by privateTempMutex
} // namespace

QString privateTempFolder()
{
    QMutexLocker lock(&privateTempMutex);
    QString& folder = privateTemp;
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    QByteArray templ = (QDir::tempPath() + QStringLiteral("/nullvane-XXXXXX")).toLocal8Bit();
    if (char* made = mkdtemp(templ.data())) {
        chmod(made, 0700);
        folder = QString::fromLocal8Bit(made);
    }
    return folder;
}

void removePrivateTempFolder()
{
    QMutexLocker lock(&privateTempMutex);
    if (!privateTemp.isEmpty())
        QDir(privateTemp).removeRecursively();
    privateTemp.clear();
}

QString resourcePath(const QString& name)
{
    const QString overrideDir = qEnvironmentVariable("NULLVANE_RESOURCES");
    if (!overrideDir.isEmpty()) {
        const QString candidate = overrideDir + QLatin1Char('/') + name;
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return QStringLiteral(":/nullvane/") + name;
}

QString helperProgram(const QString& name)
{
    if (QCoreApplication::instance()) {
        // The build tree keeps the helpers beside the program; an installed
        // program finds them in its libexec folder of its own prefix,
        // wherever that prefix was moved.
        const QString appDir = QCoreApplication::applicationDirPath();
        for (const QString& candidate : {appDir + QLatin1Char('/') + name,
                                         appDir + QStringLiteral("/" NULLVANE_LIBEXEC_FROM_BIN "/") + name}) {
            if (QFileInfo(candidate).isExecutable())
                return QDir::cleanPath(candidate);
        }
    }
    return QStringLiteral(NULLVANE_LIBEXEC_DIR "/") + name;
}

} // namespace platform
