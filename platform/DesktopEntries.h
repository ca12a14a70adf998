#pragma once
// The installed applications as the Linux desktop knows them: desktop entries
// ("*.desktop" files) in the applications/ folder of every XDG data folder,
// the user's own first, then the Flatpak and Snap exports. An entry found
// earlier masks an entry of the same desktop file id found later, the way the
// desktop's menus do.
//
// Everything here reads files only and may run on any thread. Fixed locations
// go through platform::mapLocation, so tests build their folders under
// NULLVANE_ROOT. Failure means absence: an unreadable folder or a file that is
// not a desktop entry contributes nothing.

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace platform {

// Which export a desktop entry came from.
enum class EntrySource {
    System,    // an XDG data folder of the system (/usr/share, /usr/local/share, ...)
    User,      // the user's own data folder (XDG_DATA_HOME, ~/.local/share)
    Flatpak,   // a Flatpak export, the system's or the user's
    Snap,      // the Snap export (/var/lib/snapd/desktop)
};

// One data folder whose applications/ holds desktop entries.
struct DesktopDataFolder {
    QString path;          // mapped, e.g. "<root>/usr/share"
    EntrySource source = EntrySource::System;
};

struct DesktopEntry {
    QString id;            // desktop file id: "org.mozilla.firefox.desktop", "kde-kate.desktop"
    QString filePath;      // the file itself
    QString dataFolder;    // the data folder (…/share) whose applications/ held it
    EntrySource source = EntrySource::System;

    QString type;          // "Application", "Link", "Directory"
    QString name;          // Name, unlocalised
    QString chineseName;   // Name[zh_CN], else Name[zh]; empty when neither is given
    QString genericName;
    QString icon;          // a theme icon name, or an absolute file path
    QString exec;          // the command line as written (never run through a shell)
    QString tryExec;
    QStringList categories;
    QStringList onlyShowIn;
    QStringList notShowIn;
    bool noDisplay = false;
    bool hidden = false;

    // Every key of the [Desktop Entry] group with its unescaped value,
    // localised keys included ("Name[de]"), for what the fields above leave out
    // (X-Flatpak, X-SnapInstanceName, StartupWMClass, ...).
    QMap<QString, QString> keys;

    // The name a Chinese interface shows: the Chinese name when there is one.
    QString displayName() const { return chineseName.isEmpty() ? name : chineseName; }
    // Whether the desktops named in XDG_CURRENT_DESKTOP style (case as given)
    // would show it, by OnlyShowIn and NotShowIn; NoDisplay and Hidden are
    // separate questions.
    bool shownIn(const QStringList& desktops) const;
    // The program of Exec: its first word, quotes removed; empty when none.
    QString execProgram() const;
    // Whether TryExec names an installed program (an absolute path, mapped,
    // that is an executable file, or a name found on PATH). true when the
    // entry has no TryExec.
    bool tryExecPresent() const;
};

// The data folders searched, in precedence order, each once: XDG_DATA_HOME
// (default "~/.local/share"), then XDG_DATA_DIRS (default
// "/usr/local/share:/usr/share") in the order given, then those of
// "~/.local/share/flatpak/exports/share", "/var/lib/flatpak/exports/share" and
// "/var/lib/snapd/desktop" that the environment did not name. All mapped.
QList<DesktopDataFolder> desktopDataFolders();

// The source a data folder counts as (by its path; `userDataHome` is the
// mapped XDG_DATA_HOME).
EntrySource sourceOfDataFolder(const QString& mappedPath, const QString& userDataHome);

// Reads one desktop entry file. Nothing when the file cannot be read or has
// no [Desktop Entry] group. `id`, `dataFolder` and `source` are copied into
// the result as given.
std::optional<DesktopEntry> readDesktopEntry(const QString& filePath, const QString& id = QString(),
                                             const QString& dataFolder = QString(),
                                             EntrySource source = EntrySource::System);

// Parses the text of a desktop entry file (UTF-8). Nothing without a
// [Desktop Entry] group.
std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& text);

// The desktop file id of a file at `relativePath` below an applications/
// folder: "kde/kate.desktop" → "kde-kate.desktop".
QString desktopFileId(const QString& relativePath);

// Every desktop entry of `folders` (below each one's applications/, sub-folders
// included), the first of each desktop file id winning. An entry with
// Hidden=true counts as deleted: it masks later ones of its id and is not
// returned. The order: folders in precedence order, files by id within one.
QList<DesktopEntry> desktopEntries(const QList<DesktopDataFolder>& folders);
inline QList<DesktopEntry> installedDesktopEntries() { return desktopEntries(desktopDataFolders()); }

// An icon file for a theme icon name, found without an icon theme: the
// "hicolor" theme's apps icons of each data folder (scalable first, then the
// size nearest above `preferredSize`, then below), then the data folders'
// pixmaps/, then "/usr/share/pixmaps". An absolute name is taken as a file
// (mapped). Empty when nothing is found. The GUI side (platform/gui) asks the
// desktop's icon theme first.
QString findIconFile(const QString& iconName, int preferredSize = 48,
                     const QList<DesktopDataFolder>& folders = desktopDataFolders());

} // namespace platform
