#pragma once
// The desktop around the application: file icons, opening and revealing.

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace platform::workspace {

// The icon the desktop shows for the item at `path` (its MIME type's theme
// icon), or a generic file/folder icon when the theme has none.
QIcon iconForFile(const QString& path);

// Opens a web address or a file in the user's default program, through the
// desktop's opener started by us, so that what it prints is captured.
bool openUrl(const QUrl& url);
bool openFile(const QString& path);

// Tests catch the web addresses opened instead of starting the desktop's
// opener; an empty function puts the opener back. Main thread only.
void setWebOpener(std::function<bool(const QUrl&)> opener);

// Shows the items selected in the file manager (org.freedesktop.FileManager1),
// falling back to opening their folder.
bool revealInFileManager(const QStringList& paths);

} // namespace platform::workspace
