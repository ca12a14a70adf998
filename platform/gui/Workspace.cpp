#include "Workspace.h"

#include "platform/Process.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace platform::workspace {

QIcon iconForFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isSymLink() && info.isDir()) {
        const QIcon folder = QIcon::fromTheme(QStringLiteral("folder"));
        if (!folder.isNull())
            return folder;
    } else {
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension);
        QIcon themed = QIcon::fromTheme(mime.iconName());
        if (themed.isNull())
            themed = QIcon::fromTheme(mime.genericIconName());
        if (!themed.isNull())
            return themed;
    }
    static QFileIconProvider provider;
    return provider.icon(info.isDir() ? QFileIconProvider::Folder : QFileIconProvider::File);
}

namespace {

// Through the desktop's own opener, started by us rather than by Qt, so that
// what it and the application it starts print (a launcher it cannot find for
// the file, named in full) never reaches our standard error.
bool openWithDesktop(const QString& target)
{
    return platform::startDetached(QStringLiteral("xdg-open"), {target});
}

std::function<bool(const QUrl&)>& webOpener()
{
    static std::function<bool(const QUrl&)> opener;
    return opener;
}

} // namespace

void setWebOpener(std::function<bool(const QUrl&)> opener)
{
    webOpener() = std::move(opener);
}

bool openUrl(const QUrl& url)
{
    if (!url.isValid() || url.isEmpty())
        return false;
    if (url.isLocalFile())
        return openFile(url.toLocalFile());
    if (webOpener())
        return webOpener()(url);
    return openWithDesktop(url.toString(QUrl::FullyEncoded));
}

bool openFile(const QString& path)
{
    return QFileInfo::exists(path) && openWithDesktop(QFileInfo(path).absoluteFilePath());
}

bool revealInFileManager(const QStringList& paths)
{
    if (paths.isEmpty())
        return false;
    QStringList uris;
    for (const QString& p : paths)
        uris << QUrl::fromLocalFile(p).toString();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                           QStringLiteral("/org/freedesktop/FileManager1"),
                                                           QStringLiteral("org.freedesktop.FileManager1"),
                                                           QStringLiteral("ShowItems"));
        call << uris << QString();
        const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
        if (reply.type() == QDBusMessage::ReplyMessage)
            return true;
    }
    return openFile(QFileInfo(paths.first()).absolutePath());
}

} // namespace platform::workspace
