// Measuring and cleaning, browser by browser and kind by kind.
#include "InternetEngine.h"
#include "SharedProtoDB.h"
#include "ToGetDB.h"

#include "core/CommUti.h"
#include "platform/FileAttributes.h"
#include "InterLog.h"
#include "platform/PropertyList.h"

namespace {

using Count = ToGetDB::Count;

const QString kBrowsingHistory = QStringLiteral("Browsing History");
const QString kSession = QStringLiteral("Session");
const QString kCaches = QStringLiteral("Caches");
const QString kCookies = QStringLiteral("Cookies");
const QString kDownloadHistory = QStringLiteral("Download History");
const QString kDownloadsHistory = QStringLiteral("Downloads History");
const QString kSavePassword = QStringLiteral("Save Password");

ToGetDB* db() { return ToGetDB::returnToGetDB(); }

QString bytesText(qint64 bytes) { return CommUti::longlongDiskSize(bytes); }
QString countText(int count) { return QStringLiteral("%1 项").arg(count); }

// "%@/%@" of a folder and an entry; empty when either part is missing, so no
// path is ever built from the root up.
QString join(const QString& folder, const QString& name)
{
    if (folder.isEmpty() || name.isEmpty())
        return {};
    return folder + QLatin1Char('/') + name;
}

// Plain concatenation of a prefix ending in "/" and a name.
QString append(const QString& prefix, const QString& name)
{
    return prefix.isEmpty() ? QString() : prefix + name;
}

void logPath(const QString& prefix, const QString& path)
{
    if (!path.isEmpty())
        interlog::file(prefix + path);
}

// A file removed whole takes its database companions along, so they are
// part of what it measures.
qint64 wholeSize(const QString& path)
{
    qint64 total = InternetEngine::fileSizeWithPath(path);
    if (!path.isEmpty() && platform::itemInfo(path).isRegular) {
        for (const char* suffix : {"-journal", "-wal", "-shm"}) {
            const platform::ItemInfo c = platform::itemInfo(path + QLatin1String(suffix));
            if (c.exists && !c.isDir)
                total += c.size;
        }
    }
    return total;
}

// The entries of `folder` whose names contain `needle` (case-sensitive).
QStringList entriesContaining(const QString& folder, const QString& needle)
{
    QStringList found;
    for (const QString& name : InternetEngine::getAllFileWithPath(folder)) {
        if (name.contains(needle, Qt::CaseSensitive))
            found << join(folder, name);
    }
    return found;
}

qint64 sizeOfEntries(const QStringList& paths)
{
    qint64 total = 0;
    for (const QString& p : paths)
        total += InternetEngine::fileSizeWithPath(p);
    return total;
}

void removeEntries(const QStringList& paths)
{
    for (const QString& p : paths)
        InternetEngine::deleteFileWithPath(p);
}

// A count measured again after a clean; nothing when the database could not
// be read, so the item keeps what it showed.
std::optional<QString> countAfter(Count which, const QString& path)
{
    const std::optional<int> n = db()->countItems(which, path);
    return n ? std::optional<QString>(countText(*n)) : std::nullopt;
}

// Safari's fixed locations.
QString safariRecentlyClosedTabs()
{
    return InternetEngine::userLocation(QStringLiteral("/Users/%@/Library/Safari/RecentlyClosedTabs.plist"));
}
QString safariDownloadsList()
{
    return InternetEngine::userLocation(QStringLiteral("/Users/%@/Library/Safari/Downloads.plist"));
}
QString safariLocalStorage()
{
    return InternetEngine::userLocation(QStringLiteral("/Users/%@/Library/Safari/LocalStorage/"));
}
QString webKitLocalStorage()
{
    return InternetEngine::userLocation(QStringLiteral("/Users/%@/Library/WebKit/LocalStorage/"));
}

int safariDownloadsCount(const QString& plistPath)
{
    if (plistPath.isEmpty())
        return 0;
    const QVariant list = platform::plist::readDictionary(plistPath).value(QStringLiteral("DownloadHistory"));
    if (list.metaType() == QMetaType::fromType<QVariantList>())
        return int(list.toList().size());
    if (list.metaType() == QMetaType::fromType<QVariantMap>())
        return int(list.toMap().size());
    return 0;
}

int safariLocalStorageCount()
{
    return int(InternetEngine::getAllFileWithPath(safariLocalStorage()).size()
               + InternetEngine::getAllFileWithPath(webKitLocalStorage()).size());
}

int recentlyClosedTabsCount()
{
    const QString path = safariRecentlyClosedTabs();
    return !path.isEmpty() && platform::itemExists(path) ? 1 : 0;
}

// Firefox: the profile folder, and the files inside it. The profile is the
// one Firefox uses, by the list of profiles in the item's own folder or, for
// the caches folder that has none, in the folder of another item of the same
// browser.
QString firefoxProfile(const BrowerObjPtr& item)
{
    const QString folder = InternetEngine::filledPath(item);
    QString listFolder;
    if (InternetEngine::hasFirefoxProfileList(folder)) {
        listFolder = folder;
    } else if (const BrowerObjPtr browser = item->parent()) {
        for (const BrowerObjPtr& sibling : std::as_const(browser->chrArr)) {
            const QString other = InternetEngine::filledPath(sibling);
            if (InternetEngine::hasFirefoxProfileList(other)) {
                listFolder = other;
                break;
            }
        }
    }
    return InternetEngine::firefoxProfileWithPath(folder, listFolder);
}

// Firefox's caches: "cache2", "startupCache", "shader-cache", ...
QStringList firefoxCaches(const QString& profile)
{
    QStringList found;
    for (const QString& name : InternetEngine::getAllFileWithPath(profile)) {
        if (name.contains(QLatin1String("cache"), Qt::CaseInsensitive))
            found << join(profile, name);
    }
    return found;
}

// The session: today's "sessionstore.jsonlz4" with its backups folder, and
// the "sessionstore.js" of old profiles.
QStringList firefoxSession(const QString& profile)
{
    QStringList found;
    for (const char* name : {"sessionstore.jsonlz4", "sessionstore-backups", "sessionstore.js"}) {
        const QString path = join(profile, QLatin1String(name));
        if (!path.isEmpty() && platform::itemExists(path))
            found << path;
    }
    return found;
}

// Saved logins: "logins.json" of older Firefox and "logins.db" of newer; no
// count when either cannot be read.
std::optional<int> firefoxLoginCount(const QString& profile)
{
    if (profile.isEmpty())
        return 0;
    const std::optional<int> json = InternetEngine::firefoxPasswordCount(join(profile, QStringLiteral("logins.json")));
    const std::optional<int> db = ToGetDB::returnToGetDB()->countItems(Count::FirefoxLogins,
                                                                       join(profile, QStringLiteral("logins.db")));
    if (!json || !db)
        return std::nullopt;
    return *json + *db;
}

// A count as a text; the empty text when the database could not be read,
// so an unreadable database is never shown as empty.
QString countOrEmpty(Count which, const QString& path)
{
    const std::optional<int> n = db()->countItems(which, path);
    return n ? countText(*n) : QString();
}

// Chromium's downloads: the rows, and the records its own store would bring
// back into them.
std::optional<int> chromeDownloadCount(const QString& history)
{
    const std::optional<QStringList> stored = SharedProtoDB::downloadGuids(SharedProtoDB::folderOfHistory(history));
    if (!stored)
        return std::nullopt;
    return db()->countDownloads(history, *stored);
}

QString chromeDownloadText(const QString& history)
{
    const std::optional<int> n = chromeDownloadCount(history);
    return n ? countText(*n) : QString();
}

// The download records go first: while the browser holds its store, the
// rows are left too, since it would bring them back.
void chromeDeleteDownloads(const QString& history)
{
    if (SharedProtoDB::deleteDownloads(SharedProtoDB::folderOfHistory(history)))
        db()->toDeleteDownloadWith(history);
    else
        interlog::info(QStringLiteral("delete base error: shared_proto_db"));
}

// "自动填充表单数据": the session files, and the saved form entries, whose
// amount is the bytes of their names and values. Nothing when the entries
// cannot be read.
std::optional<qint64> sessionAndFormBytes(const QStringList& sessionEntries, Count formBytes, const QString& formDb)
{
    const std::optional<int> form = db()->countItems(formBytes, formDb);
    if (!form)
        return std::nullopt;
    return sizeOfEntries(sessionEntries) + *form;
}

QString chromeWebData(const QString& profile) { return join(profile, QStringLiteral("Web Data")); }

std::optional<QString> countOrNothing(const std::optional<int>& n)
{
    return n ? std::optional<QString>(countText(*n)) : std::nullopt;
}

std::optional<QString> bytesOrNothing(const std::optional<qint64>& bytes)
{
    return bytes ? std::optional<QString>(bytesText(*bytes)) : std::nullopt;
}

bool isFirefoxKind(const QString& key)
{
    return key == kCaches || key == kCookies || key == kBrowsingHistory || key == kDownloadHistory
           || key == kSavePassword || key == kSession;
}

} // namespace

// --- Measuring -------------------------------------------------------------

QString InternetEngine::measureItem(const BrowerObjPtr& item)
{
    const BrowerObjPtr browser = item ? item->parent() : nullptr;
    if (!browser)
        return {};
    switch (browserTypeOfName(browser->name)) {
    case BrowserType::GoogleChrome: return getGoogleFileSizeWithBrower(item);
    case BrowserType::Opera: return getOpearSizeWithBrower(item);
    case BrowserType::Firefox: return getFirefoxSizeWithBrower(item);
    case BrowserType::Safari: return getSafariSizeWithBrower(item);
    case BrowserType::None: break;
    }
    return {};
}

QString InternetEngine::getGoogleFileSizeWithBrower(const BrowerObjPtr& item)
{
    const QString key = item->name;
    const QString path = filledPath(item);
    if (key == kSession)
        return bytesOrNothing(sessionAndFormBytes(entriesContaining(path, kSession), Count::GoogleFormBytes,
                                                  chromeWebData(path))).value_or(QString());
    if (key == kSavePassword) {
        logPath(QStringLiteral("---"), path);
        return countOrEmpty(Count::GooglePassword, path);
    }
    if (key == kDownloadHistory) {
        logPath(QStringLiteral("---"), path);
        return chromeDownloadText(path);
    }
    if (key == kBrowsingHistory) {
        logPath(QStringLiteral("---"), path);
        return countOrEmpty(Count::GoogleHistory, path);
    }
    if (key == kCookies) {
        logPath(QStringLiteral("HISTORY---"), path);
        return countOrEmpty(Count::GoogleCookies, path);
    }
    return bytesText(wholeSize(path));
}

QString InternetEngine::getOpearSizeWithBrower(const BrowerObjPtr& item)
{
    const QString key = item->name;
    const QString path = filledPath(item);
    if (key == kSession)
        return bytesOrNothing(sessionAndFormBytes(entriesContaining(path, kSession), Count::GoogleFormBytes,
                                                  chromeWebData(path))).value_or(QString());
    if (key == kBrowsingHistory) {
        logPath(QStringLiteral("---"), path);
        return countOrEmpty(Count::OperaHistory, path);
    }
    if (key == kDownloadHistory) {
        logPath(QStringLiteral("---"), path);
        return chromeDownloadText(path);
    }
    if (key == kSavePassword) {
        logPath(QStringLiteral("---"), path);
        return countOrEmpty(Count::OperaPassword, path);
    }
    if (key == kCookies || key == kCaches)
        return bytesText(wholeSize(path));
    return {};
}

QString InternetEngine::getFirefoxSizeWithBrower(const BrowerObjPtr& item)
{
    const QString key = item->name;
    if (!isFirefoxKind(key))
        return {};
    // Without a profile every path below is empty and measures nothing.
    const QString profile = firefoxProfile(item);
    if (key == kCaches)
        return bytesText(sizeOfEntries(firefoxCaches(profile)));
    if (key == kCookies)
        return bytesText(wholeSize(join(profile, QStringLiteral("cookies.sqlite"))));
    if (key == kBrowsingHistory || key == kDownloadHistory)
        return bytesText(wholeSize(join(profile, QStringLiteral("places.sqlite"))));
    if (key == kSavePassword) {
        const std::optional<int> n = firefoxLoginCount(profile);
        return n ? countText(*n) : QString();
    }
    return bytesOrNothing(sessionAndFormBytes(firefoxSession(profile), Count::FirefoxFormBytes,
                                              join(profile, QStringLiteral("formhistory.sqlite"))))
        .value_or(QString());
}

QString InternetEngine::getSafariSizeWithBrower(const BrowerObjPtr& item)
{
    const QString key = item->name;
    const QString path = filledPath(item);
    if (key == kCaches) {
        return bytesText(wholeSize(append(path, QStringLiteral("Metadata")))
                         + wholeSize(append(path, QStringLiteral("com.apple.Safari"))));
    }
    if (key == kBrowsingHistory) {
        logPath(QStringLiteral("---"), path);
        const std::optional<int> n = db()->countItems(Count::SafariHistory, path);
        return n ? countText(*n + recentlyClosedTabsCount()) : QString();
    }
    if (key == kDownloadsHistory) {
        const QString list = safariDownloadsList();
        logPath(QStringLiteral("---"), list);
        return countText(safariDownloadsCount(list));
    }
    if (key == kCookies)
        return countText(safariLocalStorageCount());
    return bytesText(wholeSize(path));
}

// --- Cleaning --------------------------------------------------------------

void InternetEngine::cleanItem(const BrowerObjPtr& item)
{
    const Cleaned cleaned = cleanedText(item);
    if (cleaned.typed)
        finishClean(item, cleaned.text);
}

void InternetEngine::finishClean(const BrowerObjPtr& item, const std::optional<QString>& text)
{
    if (text)
        item->size = *text;
    item->isSelect = 0;
    if (delegate)
        delegate->reloadItemList();
}

InternetEngine::Cleaned InternetEngine::cleanedText(const BrowerObjPtr& item)
{
    const BrowerObjPtr browser = item ? item->parent() : nullptr;
    if (!browser)
        return {};
    switch (browserTypeOfName(browser->name)) {
    case BrowserType::GoogleChrome: return {true, cleanGoogle(item)};
    case BrowserType::Opera: return {true, cleanOpera(item)};
    case BrowserType::Firefox: return {true, cleanFirefox(item)};
    case BrowserType::Safari: return {true, cleanSafari(item)};
    case BrowserType::None: break;
    }
    return {};
}

void InternetEngine::deleteGoogleWithBrower(const BrowerObjPtr& item)
{
    if (item)
        finishClean(item, cleanGoogle(item));
}

void InternetEngine::deleteOpearWithBrower(const BrowerObjPtr& item)
{
    if (item)
        finishClean(item, cleanOpera(item));
}

void InternetEngine::deleteFirefoxWithBrower(const BrowerObjPtr& item)
{
    if (item)
        finishClean(item, cleanFirefox(item));
}

void InternetEngine::deleteSafariWithBrower(const BrowerObjPtr& item)
{
    if (item)
        finishClean(item, cleanSafari(item));
}

std::optional<QString> InternetEngine::cleanGoogle(const BrowerObjPtr& item)
{
    const QString key = item->name;
    const QString path = filledPath(item);
    std::optional<QString> after;
    if (key == kSession) {
        removeEntries(entriesContaining(path, kSession));
        db()->toDeleteFormDataWith(chromeWebData(path));
        after = bytesOrNothing(sessionAndFormBytes(entriesContaining(path, kSession), Count::GoogleFormBytes,
                                                   chromeWebData(path)));
    } else if (key == kSavePassword) {
        logPath(QStringLiteral("---"), path);
        db()->toDeletePasswordWith(path);
        after = countAfter(Count::GooglePassword, path);
    } else if (key == kDownloadHistory) {
        logPath(QStringLiteral("---"), path);
        chromeDeleteDownloads(path);
        after = countOrNothing(chromeDownloadCount(path));
    } else if (key == kBrowsingHistory) {
        logPath(QStringLiteral("---"), path);
        db()->toDeleteHistoryWith(path);
        after = countAfter(Count::GoogleHistory, path);
    } else if (key == kCookies) {
        logPath(QStringLiteral("---"), path);
        db()->toDeleteGoogleCookiesWith(path);
        after = countAfter(Count::GoogleCookies, path);
    } else {
        deleteFileWithPath(path);
        after = bytesText(wholeSize(path));
    }
    return after;
}

std::optional<QString> InternetEngine::cleanOpera(const BrowerObjPtr& item)
{
    const QString key = item->name;
    const QString path = filledPath(item);
    std::optional<QString> after;
    if (key == kSession) {
        removeEntries(entriesContaining(path, kSession));
        db()->toDeleteFormDataWith(chromeWebData(path));
        after = bytesOrNothing(sessionAndFormBytes(entriesContaining(path, kSession), Count::GoogleFormBytes,
                                                   chromeWebData(path)));
    } else if (key == kBrowsingHistory) {
        logPath(QStringLiteral("---"), path);
        db()->operaDeleteHistoryWith(path);
        after = countAfter(Count::OperaHistory, path);
    } else if (key == kDownloadHistory) {
        logPath(QStringLiteral("---"), path);
        chromeDeleteDownloads(path);
        after = countOrNothing(chromeDownloadCount(path));
    } else if (key == kSavePassword) {
        logPath(QStringLiteral("---"), path);
        db()->operaDeletePasswordWith(path);
        after = countAfter(Count::OperaPassword, path);
    } else if (key == kCookies || key == kCaches) {
        deleteFileWithPath(path);
        after = bytesText(wholeSize(path));
    }
    return after;
}

std::optional<QString> InternetEngine::cleanFirefox(const BrowerObjPtr& item)
{
    const QString key = item->name;
    std::optional<QString> after;
    if (isFirefoxKind(key)) {
        const QString profile = firefoxProfile(item);
        const QString places = join(profile, QStringLiteral("places.sqlite"));
        if (key == kCaches) {
            removeEntries(firefoxCaches(profile));
            after = bytesText(sizeOfEntries(firefoxCaches(profile)));
        } else if (key == kCookies) {
            const QString cookies = join(profile, QStringLiteral("cookies.sqlite"));
            deleteFileWithPath(cookies);
            after = bytesText(wholeSize(cookies));
        } else if (key == kBrowsingHistory) {
            logPath(QStringLiteral("---"), places);
            db()->firefoxDeleteHistoryWith(places);
            after = countAfter(Count::FirefoxHistory, places);
        } else if (key == kDownloadHistory) {
            logPath(QStringLiteral("---"), places);
            db()->firefoxDeleteDownloadWith(places);
            after = countAfter(Count::FirefoxDownload, places);
        } else if (key == kSavePassword) {
            const QString logins = join(profile, QStringLiteral("logins.json"));
            logPath(QStringLiteral("---"), logins);
            firefoxDeletePasswordWith(logins);
            db()->firefoxDeleteLoginsWith(join(profile, QStringLiteral("logins.db")));
            const std::optional<int> left = firefoxLoginCount(profile);
            if (left)
                after = countText(*left);
        } else {
            const QString form = join(profile, QStringLiteral("formhistory.sqlite"));
            removeEntries(firefoxSession(profile));
            db()->firefoxDeleteFormDataWith(form);
            after = bytesOrNothing(sessionAndFormBytes(firefoxSession(profile), Count::FirefoxFormBytes, form));
        }
    }
    return after;
}

std::optional<QString> InternetEngine::cleanSafari(const BrowerObjPtr& item)
{
    const QString key = item->name;
    const QString path = filledPath(item);
    std::optional<QString> after;
    if (key == kCaches) {
        const QString metadata = append(path, QStringLiteral("Metadata"));
        const QString safari = append(path, QStringLiteral("com.apple.Safari"));
        deleteFileWithPath(metadata);
        deleteFileWithPath(safari);
        after = bytesText(wholeSize(metadata) + wholeSize(safari));
    } else if (key == kBrowsingHistory) {
        logPath(QStringLiteral("---"), path);
        db()->safariDeleteHistoryWith(path);
        const QString tabs = safariRecentlyClosedTabs();
        plainRemoval(tabs);
        const std::optional<int> left = db()->countItems(Count::SafariHistory, path);
        if (left)
            after = countText(*left + recentlyClosedTabsCount());
    } else if (key == kDownloadsHistory) {
        const QString list = safariDownloadsList();
        plainRemoval(list);
        after = countText(safariDownloadsCount(list));
    } else if (key == kCookies) {
        const QString first = safariLocalStorage();
        const QString second = webKitLocalStorage();
        logPath(QStringLiteral("---"), first);
        plainRemoval(first);
        plainRemoval(second);
        after = countText(safariLocalStorageCount());
    } else {
        deleteFileWithPath(path);
        after = bytesText(wholeSize(path));
    }
    return after;
}
