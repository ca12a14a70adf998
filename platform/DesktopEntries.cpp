#include "DesktopEntries.h"

#include "Locations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <algorithm>

namespace platform {

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// The escapes of a desktop entry's string values.
QString unescaped(const QString& raw)
{
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw.at(i);
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out += c;
            continue;
        }
        const QChar n = raw.at(++i);
        switch (n.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += QLatin1Char('\\'); out += n; break;   // "\;" stays for the list split
        }
    }
    return out;
}

// A ";"-separated list; "\;" is a ";" inside an element.
QStringList listOf(const QString& value)
{
    QStringList items;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            // "\;" is an escaped ";"; any other escape is kept for unescaped().
            const QChar n = value.at(++i);
            if (n != QLatin1Char(';'))
                current += c;
            current += n;
        } else if (c == QLatin1Char(';')) {
            items << current;
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.isEmpty())
        items << current;
    items.removeAll(QString());
    return items;
}

bool isTrue(const QString& value)
{
    return value == QLatin1String("true") || value == QLatin1String("1");
}

bool isExecutableFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QString dataHome()
{
    const QString env = qEnvironmentVariable("XDG_DATA_HOME");
    return withoutTrailingSlash(mapLocation(env.startsWith(QLatin1Char('/')) ? env : QStringLiteral("~/.local/share")));
}

void collect(const QString& folder, const QString& prefix, QStringList& relativePaths, QSet<QString>& seenFolders)
{
    // A folder reached twice through links is read once.
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || seenFolders.contains(canonical))
        return;
    seenFolders.insert(canonical);
    const QDir dir(folder);
    const QFileInfoList entries = dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        const QString relative = prefix + entry.fileName();
        if (entry.isDir())
            collect(entry.filePath(), relative + QLatin1Char('/'), relativePaths, seenFolders);
        else if (entry.fileName().endsWith(QLatin1String(".desktop")) && entry.isFile())
            relativePaths << relative;
    }
}

// "48x48" → 48; 0 for anything else.
int sizeOfIconFolder(const QString& name)
{
    const qsizetype x = name.indexOf(QLatin1Char('x'));
    if (x <= 0)
        return 0;
    bool ok = false;
    const int size = name.left(x).toInt(&ok);
    return ok && name.mid(x + 1) == name.left(x) ? size : 0;
}

QString iconIn(const QString& folder, const QString& name)
{
    for (const char* suffix : {".png", ".svg", ".svgz", ".xpm"}) {
        const QString path = folder + QLatin1Char('/') + name + QLatin1String(suffix);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace

bool DesktopEntry::shownIn(const QStringList& desktops) const
{
    const auto named = [&](const QStringList& list) {
        return std::any_of(desktops.begin(), desktops.end(), [&](const QString& d) { return list.contains(d); });
    };
    if (!onlyShowIn.isEmpty() && !named(onlyShowIn))
        return false;
    return !named(notShowIn);
}

QString DesktopEntry::execProgram() const
{
    const QString line = exec.trimmed();
    QString word;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < line.size()) {
                word += line.at(++i);
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                word += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c.isSpace()) {
            break;
        } else {
            word += c;
        }
    }
    return word;
}

bool DesktopEntry::tryExecPresent() const
{
    if (tryExec.isEmpty())
        return true;
    if (tryExec.startsWith(QLatin1Char('/')))
        return isExecutableFile(mapLocation(tryExec));
    return !QStandardPaths::findExecutable(tryExec).isEmpty();
}

EntrySource sourceOfDataFolder(const QString& mappedPath, const QString& userDataHome)
{
    const QString path = withoutTrailingSlash(mappedPath);
    if (path == mapLocation(QStringLiteral("/var/lib/snapd/desktop")))
        return EntrySource::Snap;
    if (path.endsWith(QLatin1String("/flatpak/exports/share")))
        return EntrySource::Flatpak;
    if (path == withoutTrailingSlash(userDataHome))
        return EntrySource::User;
    return EntrySource::System;
}

QList<DesktopDataFolder> desktopDataFolders()
{
    const QString home = dataHome();
    QStringList paths{home};
    QString dirs = qEnvironmentVariable("XDG_DATA_DIRS");
    if (dirs.trimmed().isEmpty())
        dirs = QStringLiteral("/usr/local/share:/usr/share");
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        // Relative entries are invalid in XDG_DATA_DIRS and are ignored.
        if (dir.startsWith(QLatin1Char('/')))
            paths << withoutTrailingSlash(mapLocation(dir));
    }
    paths << withoutTrailingSlash(mapLocation(QStringLiteral("~/.local/share/flatpak/exports/share")))
          << mapLocation(QStringLiteral("/var/lib/flatpak/exports/share"))
          << mapLocation(QStringLiteral("/var/lib/snapd/desktop"));

    QList<DesktopDataFolder> folders;
    QSet<QString> seen;
    for (const QString& path : std::as_const(paths)) {
        if (seen.contains(path))
            continue;
        seen.insert(path);
        folders.append({path, sourceOfDataFolder(path, home)});
    }
    return folders;
}

QString desktopFileId(const QString& relativePath)
{
    QString id = relativePath;
    while (id.startsWith(QLatin1Char('/')))
        id.remove(0, 1);
    id.replace(QLatin1Char('/'), QLatin1Char('-'));
    return id;
}

std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& text)
{
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    bool inGroup = false, seenGroup = false;
    DesktopEntry entry;
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#')))
            continue;
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            // Only the first [Desktop Entry] group is the entry; actions and
            // other groups follow it.
            if (seenGroup && inGroup)
                break;
            inGroup = trimmed == QLatin1String("[Desktop Entry]");
            seenGroup = seenGroup || inGroup;
            continue;
        }
        if (!inGroup)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        // A key given twice keeps its first value.
        if (!entry.keys.contains(key))
            entry.keys.insert(key, line.mid(eq + 1).trimmed());
    }
    if (!seenGroup)
        return std::nullopt;

    const auto str = [&](const char* key) { return unescaped(entry.keys.value(QLatin1String(key))); };
    const auto list = [&](const char* key) {
        QStringList items = listOf(entry.keys.value(QLatin1String(key)));
        for (QString& item : items)
            item = unescaped(item);
        return items;
    };
    entry.type = str("Type");
    entry.name = str("Name");
    entry.chineseName = str("Name[zh_CN]");
    if (entry.chineseName.isEmpty())
        entry.chineseName = str("Name[zh]");
    entry.genericName = str("GenericName");
    entry.icon = str("Icon");
    entry.exec = str("Exec");
    entry.tryExec = str("TryExec");
    entry.categories = list("Categories");
    entry.onlyShowIn = list("OnlyShowIn");
    entry.notShowIn = list("NotShowIn");
    entry.noDisplay = isTrue(entry.keys.value(QStringLiteral("NoDisplay")));
    entry.hidden = isTrue(entry.keys.value(QStringLiteral("Hidden")));
    for (auto it = entry.keys.begin(); it != entry.keys.end(); ++it)
        it.value() = unescaped(it.value());
    return entry;
}

std::optional<DesktopEntry> readDesktopEntry(const QString& filePath, const QString& id, const QString& dataFolder,
                                             EntrySource source)
{
    QFile file(filePath);
    // Desktop entries are small; a huge file is not one.
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
        return std::nullopt;
    std::optional<DesktopEntry> entry = parseDesktopEntry(file.readAll());
    if (!entry)
        return std::nullopt;
    entry->filePath = filePath;
    entry->id = id;
    entry->dataFolder = dataFolder;
    entry->source = source;
    return entry;
}

QList<DesktopEntry> desktopEntries(const QList<DesktopDataFolder>& folders)
{
    QList<DesktopEntry> entries;
    QSet<QString> taken;
    for (const DesktopDataFolder& folder : folders) {
        const QString applications = folder.path + QStringLiteral("/applications");
        QStringList relativePaths;
        QSet<QString> seenFolders;
        collect(applications, QString(), relativePaths, seenFolders);
        QList<std::pair<QString, QString>> byId;
        for (const QString& relative : std::as_const(relativePaths))
            byId.append({desktopFileId(relative), relative});
        std::sort(byId.begin(), byId.end());
        for (const auto& [id, relative] : std::as_const(byId)) {
            if (taken.contains(id))
                continue;
            const std::optional<DesktopEntry> entry =
                readDesktopEntry(applications + QLatin1Char('/') + relative, id, folder.path, folder.source);
            if (!entry)
                continue;
            taken.insert(id);
            if (!entry->hidden)
                entries.append(*entry);
        }
    }
    return entries;
}

QString findIconFile(const QString& iconName, int preferredSize, const QList<DesktopDataFolder>& folders)
{
    if (iconName.isEmpty())
        return {};
    if (iconName.startsWith(QLatin1Char('/'))) {
        const QString path = mapLocation(iconName);
        return QFileInfo(path).isFile() ? path : QString();
    }
    // A theme name is a name, never a path.
    if (iconName.contains(QLatin1Char('/')) || iconName == QLatin1String("..") || iconName == QLatin1String("."))
        return {};

    QStringList bases{mapLocation(QStringLiteral("~/.icons"))};
    for (const DesktopDataFolder& f : folders)
        bases << f.path + QStringLiteral("/icons");
    for (const QString& base : std::as_const(bases)) {
        const QString hicolor = base + QStringLiteral("/hicolor");
        if (!QFileInfo(hicolor).isDir())
            continue;
        if (const QString svg = iconIn(hicolor + QStringLiteral("/scalable/apps"), iconName); !svg.isEmpty())
            return svg;
        QList<int> sizes;
        for (const QString& sub : QDir(hicolor).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (const int size = sizeOfIconFolder(sub); size > 0)
                sizes << size;
        }
        // The nearest size at or above the wish first (scaling down looks
        // better), then the largest below it.
        std::sort(sizes.begin(), sizes.end(), [preferredSize](int a, int b) {
            const bool aAbove = a >= preferredSize, bAbove = b >= preferredSize;
            if (aAbove != bAbove)
                return aAbove;
            return aAbove ? a < b : a > b;
        });
        for (const int size : std::as_const(sizes)) {
            const QString found = iconIn(hicolor + QStringLiteral("/%1x%1/apps").arg(size), iconName);
            if (!found.isEmpty())
                return found;
        }
    }
    QStringList pixmaps;
    for (const DesktopDataFolder& f : folders)
        pixmaps << f.path + QStringLiteral("/pixmaps");
    pixmaps << mapLocation(QStringLiteral("/usr/share/pixmaps"));
    for (const QString& folder : std::as_const(pixmaps)) {
        if (const QString found = iconIn(folder, iconName); !found.isEmpty())
            return found;
    }
    return {};
}

} // namespace platform
