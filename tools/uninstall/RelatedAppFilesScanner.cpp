#include "RelatedAppFilesScanner.h"

#include "core/CommUti.h"
#include "LinuxApplications.h"
#include "platform/DesktopEntries.h"
#include "platform/Dispatch.h"
#include "platform/Locations.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "platform/gui/Workspace.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>

namespace {

QString infoPlistPath(const QString& path)
{
    return QStringLiteral("%1/Contents/Info.plist").arg(path);
}

QString textValue(const QVariantMap& info, const char* key)
{
    const QVariant v = info.value(QLatin1String(key));
    return v.typeId() == QMetaType::QString ? v.toString() : QString();
}

// What the file manager shows: the last path component, an application
// bundle without its ".app".
QString displayName(const QString& path)
{
    const QFileInfo info(path);
    QString name = info.fileName();
    if (name.isEmpty())
        name = path;
    if (info.isDir() && name.endsWith(QLatin1String(".app")) && name.size() > 4)
        name.chop(4);
    return name;
}

QDateTime creationDate(const QString& path)
{
    const QFileInfo info(path);
    const QDateTime born = info.birthTime();
    return born.isValid() ? born : info.lastModified();
}

bool canAskForIcons()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && platform::dispatch::isMainThread();
}

QStringList withoutKeys(const QStringList& keys, const QStringList& own)
{
    QStringList out;
    for (const QString& k : keys) {
        bool mine = false;
        for (const QString& o : own)
            mine = mine || (!o.isEmpty() && k.compare(o, Qt::CaseInsensitive) == 0);
        if (!mine && !k.isEmpty())
            out << k;
    }
    return out;
}

bool isBoundary(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('_');
}

int prefixMatch(const QString& entry, const QString& key)
{
    if (key.isEmpty() || entry.size() < key.size())
        return 0;
    if (QStringView(entry).left(key.size()).compare(key, Qt::CaseInsensitive) != 0)
        return 0;
    if (entry.size() != key.size() && !isBoundary(entry.at(key.size())))
        return 0;
    return int(key.size());
}

// A third key: the program's file name, which Linux applications often name
// their folders by. Set only while a desktop application's files are searched.
thread_local QString tExecutableKey;

void searchFolders(AMAppItemList& group, const QStringList& folders, const QString& name, const QString& bundleID,
                   const QStringList& installedKeys, bool userDocuments = false)
{
    for (const QString& folder : folders) {
        const QString real = platform::mapLocation(folder);
        RelatedAppFilesScanner::AddPathIfExists(group, real, name, installedKeys, userDocuments);
        RelatedAppFilesScanner::AddPathIfExists(group, real, bundleID, installedKeys, userDocuments);
        const QString program = tExecutableKey;
        if (!program.isEmpty() && program.compare(name, Qt::CaseInsensitive) != 0 &&
            program.compare(bundleID, Qt::CaseInsensitive) != 0)
            RelatedAppFilesScanner::AddPathIfExists(group, real, program, installedKeys, userDocuments);
    }
}

// The name a desktop application's files are named by: its entry's own
// Name, not the translated one it is shown with.
QString entryName(const AMAppItem& item)
{
    if (!item.entryName.isEmpty())
        return item.entryName;
    const auto entry = platform::readDesktopEntry(item.desktopEntry);
    return entry && !entry->name.isEmpty() ? entry->name : item.name;
}

const QString kGrowlTicket = QStringLiteral(".growlTicket");

// Where a path leads: its folder with links resolved, then its own name (a
// link itself stays a link). Two searched folders can be one folder, through
// a link or a second search key; an entry found through both is one place.
QString placeOf(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

bool holdsPlace(const AMAppItemList& group, const QString& place)
{
    for (const AMAppItemPtr& member : group)
        if (member && placeOf(member->path) == place)
            return true;
    return false;
}

} // namespace

AMAppItemPtr RelatedAppFilesScanner::getAppItemWithFilePath(const QString& path, int)
{
    auto item = std::make_shared<AMAppItem>();
    item->path = path;
    if (canAskForIcons())
        item->image = iconForPath(path);
    item->name = displayName(path);
    item->isSystemApp = false;

    const QVariantMap info = platform::plist::readDictionary(infoPlistPath(path));
    item->bundleID = textValue(info, "CFBundleIdentifier");
    if (item->bundleID.startsWith(QLatin1String("com.apple.")))
        item->isSystemApp = true;
    item->isSystemAppStr = item->isSystemApp ? QStringLiteral("YES") : QStringLiteral("NO");
    item->bundleVersion = textValue(info, "CFBundleShortVersionString");
    item->date = creationDate(path);
    return item;
}

AMAppItemPtr RelatedAppFilesScanner::constructItem(const QString& path, int appFlag)
{
    AMAppItemPtr item = getAppItemWithFilePath(path, appFlag);
    item->size = QStringLiteral("0KB");
    return item;
}

AMAppItemPtr RelatedAppFilesScanner::aConstructItem(const QString& path, int appFlag)
{
    AMAppItemPtr item = getAppItemWithFilePath(path, appFlag);
    item->size = getFileSizeItem(path);
    return item;
}

QString RelatedAppFilesScanner::getFileSizeItem(const QString& path)
{
    return CommUti::convertVolSpace(CommUti::sizeOfFileRef(path));
}

QIcon RelatedAppFilesScanner::iconForPath(const QString& path)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const QVariantMap info = platform::plist::readDictionary(infoPlistPath(path));
    QString iconFile = textValue(info, "CFBundleIconFile");
    if (!iconFile.isEmpty() && !iconFile.contains(QLatin1Char('/'))) {
        if (QFileInfo(iconFile).suffix().isEmpty())
            iconFile += QStringLiteral(".icns");
        const QString file = QStringLiteral("%1/Contents/Resources/%2").arg(path, iconFile);
        if (QImageReader(file).canRead()) {
            QIcon icon(file);
            if (!icon.isNull())
                return icon;
        }
    }
    return platform::workspace::iconForFile(path);
}

RelatedAppFilesScanner::BundleKeys RelatedAppFilesScanner::keysOfBundle(const QString& path)
{
    BundleKeys keys;
    if (!QFileInfo(path).isDir())
        return keys; // not a bundle
    const QVariantMap info = platform::plist::readDictionary(infoPlistPath(path));
    keys.name = textValue(info, "CFBundleName");
    if (keys.name.isEmpty())
        keys.name = textValue(info, "CFBundleExecutable");
    keys.identifier = textValue(info, "CFBundleIdentifier");
    return keys;
}

QStringList RelatedAppFilesScanner::keysOfItems(const AMAppItemList& items)
{
    QStringList keys;
    for (const AMAppItemPtr& item : items) {
        if (!item)
            continue;
        BundleKeys k;
        QString program;
        if (!item->desktopEntry.isEmpty()) {
            k.name = entryName(*item);
            k.identifier = item->bundleID;
            program = item->executableName;
        } else {
            k = keysOfBundle(item->path);
        }
        for (const QString& key : {k.name, k.identifier, program}) {
            if (!key.trimmed().isEmpty() && !keys.contains(key, Qt::CaseInsensitive))
                keys << key;
        }
    }
    return keys;
}

AMAppItemList RelatedAppFilesScanner::relatedFilesToApplicationAtPath(const QString& path,
                                                                      const QStringList& installedKeys)
{
    AMAppItemList group;
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        platform::log(QStringLiteral("......."));
    group.append(aConstructItem(path, 0));

    const BundleKeys keys = keysOfBundle(path);
    if (keys.name.isEmpty())
        return group;
    if (keys.identifier.isEmpty() || keys.identifier == QLatin1String(" "))
        return group;

    // Only other items compete for a file; an entry named by both of this
    // item's own keys is this item's, and listed once.
    const QStringList others = withoutKeys(installedKeys, {keys.name, keys.identifier});
    GetPreferencePaths(group, keys.name, keys.identifier, others);
    GetCachePaths(group, keys.name, keys.identifier, others);
    GetLogPaths(group, keys.name, keys.identifier, others);
    GetSavedStatePaths(group, keys.name, keys.identifier, others);
    GetAppSupportPaths(group, keys.name, keys.identifier, others);
    GetDownloadPaths(group, keys.name, keys.identifier, others);
    GetGrowlPaths(group, keys.name, others);
    // The files go with their application: kept when it is.
    for (qsizetype i = 1; i < group.size(); ++i)
        group[i]->ownerPath = path;
    return group;
}

AMAppItemList RelatedAppFilesScanner::relatedFilesToItem(const AMAppItemPtr& item, const QStringList& installedKeys)
{
    if (!item)
        return {};
    if (item->desktopEntry.isEmpty())
        return relatedFilesToApplicationAtPath(item->path, installedKeys);

    // A desktop application: itself as listed (its size is the packaging's),
    // the entry of a stand-alone one, then its files in the user's folders.
    AMAppItemList group;
    AMAppItemPtr self = item->copy();
    self->image = item->image;
    group.append(self);
    if (item->packaging == AMAppItem::Packaging::StandAlone && item->path != item->desktopEntry) {
        // The list shows the program and its entry as one size; here the
        // entry is a row of its own, so the program's row holds the program
        // alone and each file is counted once in the group and in what is freed.
        self->size = getFileSizeItem(item->path);
        group.append(aConstructItem(item->desktopEntry, 0));
    }
    // A user's launcher of a program it does not hold (a game through Steam,
    // a Flatpak through "flatpak run") owns nothing but the entry: the
    // folders its name or id would find belong to what it starts.
    if (item->packaging == AMAppItem::Packaging::StandAlone && item->standAlonePath.isEmpty())
        return group;

    const QString name = entryName(*item);
    const QString identifier = item->bundleID;
    const QStringList others = withoutKeys(installedKeys, {name, identifier, item->executableName});
    tExecutableKey = item->executableName;
    GetPreferencePaths(group, name, identifier, others);
    GetCachePaths(group, name, identifier, others);
    GetLogPaths(group, name, identifier, others);
    GetSavedStatePaths(group, name, identifier, others);
    GetAppSupportPaths(group, name, identifier, others);
    GetDownloadPaths(group, name, identifier, others);
    tExecutableKey.clear();
    GetGrowlPaths(group, name, others);

    // What Flatpak and Snap keep of an application in the user's home.
    QString own;
    if (item->packaging == AMAppItem::Packaging::Flatpak)
        own = platform::mapLocation(QStringLiteral("~/.var/app")) + QLatin1Char('/') + item->packageName;
    else if (item->packaging == AMAppItem::Packaging::Snap)
        own = platform::mapLocation(QStringLiteral("~/snap")) + QLatin1Char('/') + item->packageName;
    if (!own.isEmpty() && QFileInfo(own).isDir() && !holdsPlace(group, placeOf(own)))
        group.append(aConstructItem(own, 0));
    for (qsizetype i = 1; i < group.size(); ++i)
        group[i]->ownerPath = self->path;
    return group;
}

void RelatedAppFilesScanner::GetPreferencePaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                                const QStringList& installedKeys)
{
    searchFolders(group,
                  {QStringLiteral("~/.config"), QStringLiteral("~/Library/Preferences"),
                   QStringLiteral("/Library/Preferences")},
                  name, bundleID, installedKeys);
}

void RelatedAppFilesScanner::GetCachePaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                           const QStringList& installedKeys)
{
    searchFolders(group, {QStringLiteral("~/.cache"), QStringLiteral("~/Library/Caches"), QStringLiteral("/Library/Caches")},
                  name, bundleID, installedKeys);
}

void RelatedAppFilesScanner::GetLogPaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                         const QStringList& installedKeys)
{
    searchFolders(group,
                  {QStringLiteral("~/.local/state"), QStringLiteral("~/Library/Logs"), QStringLiteral("/Library/Logs")},
                  name, bundleID, installedKeys);
}

void RelatedAppFilesScanner::GetSavedStatePaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                                const QStringList& installedKeys)
{
    searchFolders(group, {QStringLiteral("~/Library/Saved Application State")}, name, bundleID, installedKeys);
}

void RelatedAppFilesScanner::GetAppSupportPaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                                const QStringList& installedKeys)
{
    searchFolders(group,
                  {QStringLiteral("~/.local/share"), QStringLiteral("~/Library/Application Support"),
                   QStringLiteral("/Library/Application Support")},
                  name, bundleID, installedKeys);
}

void RelatedAppFilesScanner::GetDownloadPaths(AMAppItemList& group, const QString& name, const QString& bundleID,
                                              const QStringList& installedKeys)
{
    searchFolders(group, {QStringLiteral("~/Downloads")}, name, bundleID, installedKeys, true);
}

void RelatedAppFilesScanner::GetGrowlPaths(AMAppItemList& group, const QString& name,
                                           const QStringList& installedKeys)
{
    QStringList tickets;
    for (const QString& key : installedKeys)
        tickets << key + kGrowlTicket;
    AddPathIfExists(group, platform::mapLocation(QStringLiteral("~/Library/Application Support/Growl/Tickets")),
                    name + kGrowlTicket, tickets);
}

void RelatedAppFilesScanner::AddPathIfExists(AMAppItemList& group, const QString& folder, const QString& key,
                                             const QStringList& installedKeys, bool userDocuments)
{
    if (key.isEmpty())
        return;
    const QStringList entries = QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    for (const QString& entry : entries) {
        if (!belongsTo(entry, key, installedKeys))
            continue;
        // Found already, by the other key or through another folder: one row,
        // counted once in the item's total and removed once.
        if (holdsPlace(group, placeOf(folder + QLatin1Char('/') + entry)))
            continue;
        AMAppItemPtr item = aConstructItem(folder + QLatin1Char('/') + entry, 0);
        item->isUserDocument = userDocuments;
        group.append(item);
    }
}

int RelatedAppFilesScanner::matchLength(const QString& entryName, const QString& key)
{
    if (const int n = prefixMatch(entryName, key))
        return n;
    QString blankFree = key;
    blankFree.remove(QLatin1Char(' '));
    return prefixMatch(entryName, blankFree);
}

bool RelatedAppFilesScanner::belongsTo(const QString& entryName, const QString& key, const QStringList& others)
{
    const int mine = matchLength(entryName, key);
    if (mine == 0)
        return false;
    for (const QString& other : others) {
        if (matchLength(entryName, other) > mine)
            return false;
    }
    return true;
}
