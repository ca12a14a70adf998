#include "InternetEngine.h"

#include "core/CommUti.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/Locations.h"
#include "InterLog.h"
#include "platform/PropertyList.h"
#include "platform/Removal.h"
#include "platform/gui/DesktopIcons.h"
#include "toolkit/ImageCache.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QSaveFile>
#include <memory>

Q_LOGGING_CATEGORY(lcInter, "nullvane.inter", QtInfoMsg)

namespace {

QString joined(const QString& folder, const QString& name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// Fills the one "%@" of a location with the user name and maps it. Empty when
// the result could not name a place of this user.
QString fillLocation(const QString& format)
{
    if (format.isEmpty())
        return {};
    QString path = format;
    const qsizetype at = path.indexOf(QLatin1String("%@"));
    if (at >= 0) {
        const QString user = InternetEngine::userName();
        if (user.isEmpty())
            return {};
        path.replace(at, 2, user);
    }
    // "~name/..." is the home folder of the user "name".
    if (path.startsWith(QLatin1Char('~')) && !path.startsWith(QLatin1String("~/")) && path != QLatin1String("~")) {
        const qsizetype slash = path.indexOf(QLatin1Char('/'));
        const QString home = platform::homeFolderOf(path.mid(1, slash < 0 ? -1 : slash - 1));
        if (home.isEmpty())
            return {};
        path = home + (slash < 0 ? QString() : path.mid(slash));
    }
    path = platform::mapLocation(path);
    return path.startsWith(QLatin1Char('/')) ? path : QString();
}

const QStringList kDatabaseCompanions = {QStringLiteral("-journal"), QStringLiteral("-wal"), QStringLiteral("-shm")};

// Only ever an item inside some folder: never the root itself.
bool isRemovable(const QString& path)
{
    for (const QChar c : path) {
        if (c != QLatin1Char('/'))
            return platform::itemExists(path);
    }
    return false;
}

// The unlock step, then removal when the user may remove the item.
void unlockAndRemove(const QString& path)
{
    if (!isRemovable(path))
        return;
    platform::clearImmutableFlags(path);
    if (platform::isDeletable(path))
        platform::removeItem(path);
}

} // namespace

// --- Discovery and the tree ------------------------------------------------

QStringList InternetEngine::applicationPaths() const
{
    QStringList paths;
    for (const platform::DesktopDataFolder& folder : platform::desktopDataFolders())
        paths << folder.path;
    return paths;
}

QString InternetEngine::userName()
{
    QString user = qEnvironmentVariable("USER");
    // A name that would lead out of a home folder is no user's name.
    if (user.isEmpty() || user.contains(QLatin1Char('/')) || user == QLatin1String(".") || user == QLatin1String(".."))
        user = platform::userName();
    return user;
}

void InternetEngine::applicationsInPath(const QString& folder)
{
    const QString userHome = platform::desktopDataFolders().value(0).path;
    addEntries(platform::desktopEntries({{folder, platform::sourceOfDataFolder(folder, userHome)}}), browserArr);
}

void InternetEngine::addEntries(const QList<platform::DesktopEntry>& entries, QList<BrowerObjPtr>& into)
{
    for (const platform::DesktopEntry& entry : entries) {
        // Only programs a person can start: not links, not helpers hidden
        // from the menus, not entries whose program is gone.
        if (entry.type != QLatin1String("Application") || entry.noDisplay || !entry.tryExecPresent())
            continue;
        const QString& displayName = entry.name;
        // Independent tests: a name holding two of the texts gives two nodes.
        if (displayName.contains(BrowserKey::Safari))
            addBrowser(entry, BrowserKey::Safari, 0, into);
        if (displayName.contains(BrowserKey::GoogleChrome))
            addBrowser(entry, BrowserKey::GoogleChrome, 1, into);
        if (displayName.contains(BrowserKey::Firefox))
            addBrowser(entry, BrowserKey::Firefox, 1, into);
        if (displayName.contains(BrowserKey::Opera))
            addBrowser(entry, BrowserKey::Opera, 1, into);
    }
}

void InternetEngine::addBrowser(const platform::DesktopEntry& entry, const QString& key, int initialState,
                                QList<BrowerObjPtr>& into)
{
    auto node = std::make_shared<BrowerObj>();
    node->name = entry.name;
    node->appPath = entry.filePath;
    node->appIcon = entry.icon;
    node->packaging = entry.source == platform::EntrySource::Snap      ? QStringLiteral("snap")
                      : entry.source == platform::EntrySource::Flatpak ? QStringLiteral("flatpak")
                                                                       : QStringLiteral("default");
    node->isSelect = initialState;
    into.append(node);
    getSubArrWithKey(key, node);
}

QString InternetEngine::formatOfTableValue(const QVariant& value, const QString& packaging)
{
    using platform::plist::OrderedDict;
    QVariant chosen = value;
    if (chosen.metaType() == QMetaType::fromType<OrderedDict>()) {
        const OrderedDict byPackaging = chosen.value<OrderedDict>();
        chosen = byPackaging.values.contains(packaging) ? byPackaging.values.value(packaging)
                                                        : byPackaging.values.value(QStringLiteral("default"));
    }
    if (chosen.metaType() == QMetaType::fromType<QString>())
        return chosen.toString();
    if (chosen.metaType() != QMetaType::fromType<QVariantList>())
        return {};
    QStringList formats;
    for (const QVariant& v : chosen.toList()) {
        if (v.metaType() == QMetaType::fromType<QString>())
            formats << v.toString();
    }
    for (const QString& format : std::as_const(formats)) {
        const QString path = fillLocation(format);
        if (!path.isEmpty() && platform::itemExists(path))
            return format;
    }
    return formats.value(0);
}

void InternetEngine::getSubArrWithKey(const QString& key, const BrowerObjPtr& par)
{
    using platform::plist::OrderedDict;
    if (!par)
        return;
    // Read afresh for every browser: the table is small and may be replaced.
    const QVariant table = platform::plist::readFile(platform::resourcePath(QStringLiteral("EraserHistory.plist")),
                                                     platform::plist::DictStyle::Ordered);
    if (table.metaType() != QMetaType::fromType<OrderedDict>())
        return;
    const QVariant kindsValue = table.value<OrderedDict>().values.value(key);
    if (kindsValue.metaType() != QMetaType::fromType<OrderedDict>())
        return;
    const OrderedDict kinds = kindsValue.value<OrderedDict>();

    const BrowserType type = browserTypeOfName(par->name);
    for (const QString& kind : kinds.keys) {
        const QString format = formatOfTableValue(kinds.values.value(kind), par->packaging);
        if (format.isEmpty())
            continue;
        auto item = std::make_shared<BrowerObj>();
        item->parObj = par;
        item->name = kind;
        item->urlStr = format;
        item->iconName = imageNameWithKey(kind);
        item->isSelect = type == BrowserType::Safari ? 0 : 1;
        item->size = measureItem(item);
        par->chrArr.append(item);
    }
}

QIcon InternetEngine::getIconWithKey(const QString& key)
{
    const QString image = imageNameWithKey(key);
    return image.isEmpty() ? QIcon() : toolkit::ImageCache::iconNamed(image);
}

void InternetEngine::scanBrowsers()
{
    browserArr.clear();
    browserArr.reserve(100);
    addEntries(platform::installedDesktopEntries(), browserArr);
}

void InternetEngine::getBrowserArr(std::function<void()> done)
{
    browserArr.clear();
    browserArr.reserve(100);
    // The worker has an engine of its own, so it never touches this one; the
    // result is handed over on the main queue, if this engine still lives.
    std::weak_ptr<int> alive = alive_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, alive, done = std::move(done)] {
        auto worker = std::make_shared<InternetEngine>();
        worker->scanBrowsers();
        platform::dispatch::main([this, alive, worker, done] {
            if (alive.expired())
                return;
            browserArr = worker->browserArr;
            loadIcons();
            if (done)
                done();
        });
    });
}

void InternetEngine::cleanItems(const QList<BrowerObjPtr>& items, std::function<void()> done)
{
    cleaning_ = true;
    std::weak_ptr<int> alive = alive_;
    platform::dispatch::global(platform::dispatch::Priority::Default, [this, alive, items, done = std::move(done)] {
        for (const BrowerObjPtr& item : items) {
            const Cleaned cleaned = cleanedText(item);
            if (!cleaned.typed)
                continue;
            platform::dispatch::main([this, alive, item, text = cleaned.text] {
                if (!alive.expired())
                    finishClean(item, text);
            });
        }
        platform::dispatch::main([this, alive, done] {
            if (alive.expired())
                return;
            cleaning_ = false;
            if (done)
                done();
        });
    });
}

void InternetEngine::loadIcons()
{
    for (const BrowerObjPtr& browser : std::as_const(browserArr)) {
        if (browser->iconImage.isNull())
            browser->iconImage = platform::desktopIcon(browser->appIcon);
        // A browser whose icon the desktop cannot find still looks like one.
        if (browser->iconImage.isNull())
            browser->iconImage = toolkit::ImageCache::iconNamed(QStringLiteral("ic_internet_sel"));
        for (const BrowerObjPtr& item : std::as_const(browser->chrArr)) {
            if (item->iconImage.isNull())
                item->iconImage = getIconWithKey(item->name);
        }
    }
}

// --- Selection ---------------------------------------------------------------

void InternetEngine::selectBrower(const BrowerObjPtr& node)
{
    if (!node)
        return;
    node->isSelect = (node->isSelect == 0 || node->isSelect == 2) ? 1 : 0;
    if (node->isItem()) {
        if (const BrowerObjPtr browser = node->parent()) {
            int selected = 0;
            for (const BrowerObjPtr& item : std::as_const(browser->chrArr))
                selected += item->isSelect == 1 ? 1 : 0;
            browser->isSelect = selected == browser->chrArr.size() ? 1 : (selected == 0 ? 0 : 2);
        }
    } else {
        for (const BrowerObjPtr& item : std::as_const(node->chrArr))
            item->isSelect = node->isSelect;
    }
    if (delegate)
        delegate->reloadLists();
    changeCleanButtonState();
}

bool InternetEngine::changeCleanButtonState()
{
    bool enabled = false;
    for (const BrowerObjPtr& browser : std::as_const(browserArr))
        enabled = enabled || browser->isSelect != 0;
    if (delegate)
        delegate->setCleanButtonEnabled(enabled);
    return enabled;
}

// --- File operations -------------------------------------------------------

qint64 InternetEngine::fileSizeWithPath(const QString& path)
{
    if (path.isEmpty())
        return 0;
    const platform::ItemInfo info = platform::itemInfo(path);
    if (!info.exists)
        return 0;
    if (!info.isDir)
        return info.size;   // a file, or a link as itself
    return CommUti::sizeOfFileRef(path);
}

QStringList InternetEngine::getAllFileWithPath(const QString& path)
{
    if (path.trimmed().isEmpty())
        return {};
    const platform::ItemInfo info = platform::itemInfo(path);
    // A link in place of a browser folder is not entered.
    if (!info.exists || !info.isDir)
        return {};
    QDir dir(path);
    if (!dir.isReadable())
        return {};
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QString InternetEngine::getDefaultWithPath(const QString& profilesFolder)
{
    QString profile;
    for (const QString& name : getAllFileWithPath(profilesFolder)) {
        if (!name.endsWith(QLatin1String(".default")))
            continue;
        const platform::ItemInfo info = platform::itemInfo(joined(profilesFolder, name));
        if (info.isDir)   // a linked profile would lead out of the folder
            profile = name;
    }
    if (profile.isEmpty())
        return {};
    return profilesFolder.endsWith(QLatin1Char('/')) ? profilesFolder + profile : joined(profilesFolder, profile);
}

namespace {

struct IniSection {
    QString name;
    QMap<QString, QString> values;
};

// The sections of a small ini file in file order.
QList<IniSection> readIni(const QString& path)
{
    QList<IniSection> sections;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024)
        return sections;
    for (QString line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            sections.append({line.mid(1, line.size() - 2), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0 && !sections.isEmpty() && !line.startsWith(QLatin1Char(';')) && !line.startsWith(QLatin1Char('#')))
            sections.last().values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return sections;
}

// A profile path Firefox may name relative to its folder, if it is one there.
bool isProfileIn(const QString& folder, const QString& relative)
{
    if (relative.isEmpty() || relative.startsWith(QLatin1Char('/')))
        return false;
    for (const QString& part : relative.split(QLatin1Char('/'))) {
        if (part == QLatin1String(".."))
            return false;
    }
    const platform::ItemInfo info = platform::itemInfo(joined(folder, relative));
    return info.exists && info.isDir && !info.isSymLink;
}

} // namespace

bool InternetEngine::hasFirefoxProfileList(const QString& profilesFolder)
{
    return !profilesFolder.isEmpty()
           && (platform::itemInfo(joined(profilesFolder, QStringLiteral("profiles.ini"))).isRegular
               || platform::itemInfo(joined(profilesFolder, QStringLiteral("installs.ini"))).isRegular);
}

QString InternetEngine::firefoxDefaultProfileName(const QString& profilesFolder)
{
    if (profilesFolder.isEmpty())
        return {};
    const QList<IniSection> profiles = readIni(joined(profilesFolder, QStringLiteral("profiles.ini")));
    // What this installation of Firefox starts with: its install section.
    QList<IniSection> installs;
    for (const IniSection& section : profiles) {
        if (section.name.startsWith(QLatin1String("Install")))
            installs << section;
    }
    installs += readIni(joined(profilesFolder, QStringLiteral("installs.ini")));
    for (const IniSection& install : std::as_const(installs)) {
        const QString path = install.values.value(QStringLiteral("Default"));
        if (isProfileIn(profilesFolder, path))
            return path;
    }
    // Older Firefox: the profile marked as the default one.
    for (const IniSection& section : profiles) {
        if (!section.name.startsWith(QLatin1String("Profile"))
            || section.values.value(QStringLiteral("Default")) != QLatin1String("1")
            || section.values.value(QStringLiteral("IsRelative"), QStringLiteral("1")) != QLatin1String("1"))
            continue;
        const QString path = section.values.value(QStringLiteral("Path"));
        if (isProfileIn(profilesFolder, path))
            return path;
    }
    return {};
}

QString InternetEngine::firefoxProfileWithPath(const QString& folder, const QString& iniFolder)
{
    if (folder.isEmpty())
        return {};
    if (!iniFolder.isEmpty()) {
        const QString name = firefoxDefaultProfileName(iniFolder);
        if (!name.isEmpty()) {
            // A caches folder mirrors the profiles folder's names.
            const QString profile = joined(folder, name);
            const platform::ItemInfo info = platform::itemInfo(profile);
            return info.exists && info.isDir && !info.isSymLink ? profile : QString();
        }
    }
    return getDefaultWithPath(folder);
}

void InternetEngine::deleteFileWithPath(const QString& path)
{
    if (path.isEmpty())
        return;
    interlog::file(QStringLiteral("---%1").arg(path));
    const platform::ItemInfo info = platform::itemInfo(path);
    if (!info.exists)
        return;
    unlockAndRemove(path);
    if (!info.isRegular)
        return;
    // A database left without its journal would be half a database; one left
    // with it would keep the rows we meant to remove.
    for (const QString& suffix : kDatabaseCompanions) {
        const QString companion = path + suffix;
        const platform::ItemInfo c = platform::itemInfo(companion);
        if (c.exists && !c.isDir)
            unlockAndRemove(companion);
    }
}

void InternetEngine::plainRemoval(const QString& path)
{
    if (isRemovable(path))
        platform::removeItem(path);
}

namespace {
std::optional<QJsonObject> readLogins(const QString& loginsPath)
{
    QFile file(loginsPath);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}
} // namespace

std::optional<int> InternetEngine::firefoxPasswordCount(const QString& loginsPath)
{
    if (loginsPath.isEmpty())
        return 0;
    const platform::ItemInfo info = platform::itemInfo(loginsPath);
    if (!info.exists)
        return 0;
    if (info.isSymLink)
        return std::nullopt;
    const std::optional<QJsonObject> logins = readLogins(loginsPath);
    if (!logins)
        return std::nullopt;
    return int(logins->value(QStringLiteral("logins")).toArray().size());
}

bool InternetEngine::firefoxDeletePasswordWith(const QString& loginsPath)
{
    if (loginsPath.isEmpty() || !platform::itemExists(loginsPath))
        return true;
    if (platform::itemInfo(loginsPath).isSymLink) {
        interlog::file(QStringLiteral("logins not cleared, a link: %1").arg(loginsPath));
        return false;
    }
    std::optional<QJsonObject> logins = readLogins(loginsPath);
    if (!logins) {
        interlog::file(QStringLiteral("logins not cleared, unreadable: %1").arg(loginsPath));
        return false;
    }
    // The logins go, and with them what Firefox keeps about them (breach
    // alerts, hashes of weak passwords); the id counter and the version stay.
    logins->insert(QStringLiteral("logins"), QJsonArray());
    if (logins->contains(QStringLiteral("potentiallyVulnerablePasswords")))
        logins->insert(QStringLiteral("potentiallyVulnerablePasswords"), QJsonArray());
    if (logins->contains(QStringLiteral("dismissedBreachAlertsByLoginGUID")))
        logins->insert(QStringLiteral("dismissedBreachAlertsByLoginGUID"), QJsonObject());
    QSaveFile out(loginsPath);
    if (!out.open(QIODevice::WriteOnly)) {
        interlog::file(QStringLiteral("logins not cleared: %1").arg(out.errorString()));
        return false;
    }
    out.write(QJsonDocument(*logins).toJson(QJsonDocument::Compact));
    if (!out.commit()) {
        interlog::file(QStringLiteral("logins not cleared: %1").arg(out.errorString()));
        return false;
    }
    return true;
}

QString InternetEngine::filledPath(const BrowerObjPtr& item)
{
    return item ? fillLocation(item->urlStr) : QString();
}

QString InternetEngine::userLocation(const QString& format)
{
    return fillLocation(format);
}
