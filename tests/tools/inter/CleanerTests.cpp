// Measuring and cleaning through the engine, on fixture homes of each browser.
#include "BrowserFixture.h"
#include "TestSupport.h"

#include "core/CommUti.h"
#include "platform/Log.h"
#include "platform/PropertyList.h"
#include "tools/inter/ToGetDB.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sqlite3.h>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace fx;

namespace {
bool exists(const QString& path) { return QFileInfo(path).exists() || QFileInfo(path).isSymLink(); }

// Sets or clears the immutable flag; false where the file system or user refuses.
bool setImmutable(const QString& path, bool on)
{
    const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
    int flags = 0;
    bool ok = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
    ok = ok && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        close(fd);
    return ok;
}

const QString kChrome = QStringLiteral("Google Chrome");
} // namespace

TEST(ChromeCleaner, MeasuresAndCleansEveryKind)
{
    Home h;
    h.app(QStringLiteral("Google Chrome.app"));
    const QString profile = h.home(QStringLiteral(".config/google-chrome/Default"));
    chromeHistory(profile + QStringLiteral("/History"), 12, 4);
    chromeLoginData(profile + QStringLiteral("/Login Data"), 3);
    chromeCookies(profile + QStringLiteral("/Network/Cookies"), 5);
    nvtest::writeFile(profile + QStringLiteral("/Current Session"), QByteArray(100, 's'));
    nvtest::writeFile(profile + QStringLiteral("/Last Session"), QByteArray(200, 's'));
    nvtest::writeFile(profile + QStringLiteral("/Preferences"), QByteArray(50, 'p'));
    const QString caches = h.home(QStringLiteral(".cache/google-chrome"));
    nvtest::writeFile(caches + QStringLiteral("/Cache_Data/a"), QByteArray(1000, 'c'));
    nvtest::writeFile(caches + QStringLiteral("/Cache_Data/b"), QByteArray(2500, 'c'));

    Scanned s;
    const QStringList kinds = {"Browsing History", "Download History", "Save Password", "Cookies", "Session", "Caches"};
    const QStringList measured = {"12 项", "4 项", "3 项", "5 项", "300 byte", "3.50 KB"};
    const QStringList after = {"0 项", "0 项", "0 项", "0 项", "0 byte", "0 byte"};
    for (int i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(s.item(kChrome, kinds[i])->size, measured[i]) << kinds[i];
    for (int i = 0; i < kinds.size(); ++i)
        EXPECT_EQ(s.clean(kChrome, kinds[i]), after[i]) << kinds[i];

    const QString history = profile + QStringLiteral("/History");
    EXPECT_EQ(rows(history, "urls") + rows(history, "downloads"), 0);
    // No visit, visited address or search term is left behind, nor the
    // site and user name that "stats" keeps beside the logins.
    for (const char* table : {"visits", "keyword_search_terms", "visited_links", "segments", "segment_usage", "visit_source",
                              "content_annotations", "context_annotations", "clusters_and_visits"})
        EXPECT_EQ(rows(history, QString::fromLatin1(table)), 0) << table;
    EXPECT_EQ(rows(history, "meta"), 1);
    EXPECT_EQ(rows(profile + QStringLiteral("/Login Data"), "logins"), 0);
    EXPECT_EQ(rows(profile + QStringLiteral("/Login Data"), "stats"), 0);
    EXPECT_EQ(rows(profile + QStringLiteral("/Network/Cookies"), "cookies"), 0);
    EXPECT_FALSE(exists(profile + QStringLiteral("/Current Session")) || exists(profile + QStringLiteral("/Last Session")));
    EXPECT_TRUE(exists(profile + QStringLiteral("/Preferences")));
    EXPECT_FALSE(exists(caches));
}

TEST(ChromeCleaner, AHeldDatabaseKeepsItsRowsAndItsCount)
{
    Home h;
    h.app(QStringLiteral("Google Chrome.app"));
    const QString history = h.home(QStringLiteral(".config/google-chrome/Default/History"));
    chromeHistory(history, 12, 4);
    Scanned s;
    ToGetDB::returnToGetDB()->setBusyTimeout(150);
    // Held for writing (readers still let in), then held whole (nobody let in).
    for (const char* begin : {"begin immediate", "begin exclusive"}) {
        sqlite3* browser = nullptr;
        sqlite3_open(QFile::encodeName(history).constData(), &browser);
        sqlite3_exec(browser, begin, nullptr, nullptr, nullptr);
        sqlite3_exec(browser, "insert into meta values('held', '1')", nullptr, nullptr, nullptr);
        platform::LogCapture log;
        EXPECT_EQ(s.clean(kChrome, QStringLiteral("Browsing History")), QStringLiteral("12 项")) << begin;
        EXPECT_EQ(s.clean(kChrome, QStringLiteral("Download History")), QStringLiteral("4 项")) << begin;
        EXPECT_TRUE(log.contains(QStringLiteral("delete time error: database is locked"))) << begin;
        sqlite3_close(browser);
        EXPECT_EQ(rows(history, "urls"), 12) << begin;
    }
    ToGetDB::returnToGetDB()->setBusyTimeout(2000);
}

TEST(ChromeCleaner, AnUnreadableDatabaseShowsNoAmountAndTheNewerCookiesComeFirst)
{
    Home h;
    h.app(QStringLiteral("Google Chrome"));
    const QString profile = h.home(QStringLiteral(".config/google-chrome/Default"));
    nvtest::writeFile(profile + QStringLiteral("/History"), QByteArray(4096, 'x'));   // not a database
    chromeCookies(profile + QStringLiteral("/Cookies"), 2);
    chromeCookies(profile + QStringLiteral("/Network/Cookies"), 7);
    Scanned s;
    EXPECT_EQ(s.item(kChrome, QStringLiteral("Browsing History"))->size, QString());
    EXPECT_EQ(s.item(kChrome, QStringLiteral("Download History"))->size, QString());
    EXPECT_EQ(s.item(kChrome, QStringLiteral("Save Password"))->size, QStringLiteral("0 项"));   // none there: none saved
    EXPECT_EQ(s.item(kChrome, QStringLiteral("Cookies"))->size, QStringLiteral("7 项"));
    // Cleaning what cannot be read leaves the item without an amount.
    EXPECT_EQ(s.clean(kChrome, QStringLiteral("Browsing History")), QString());
}

TEST(OperaCleaner, SavedPasswordsAreTheLoginsAndCookiesGoWithTheirCompanions)
{
    Home h;
    h.app(QStringLiteral("Opera.app"));
    const QString profile = h.home(QStringLiteral(".config/opera"));
    chromeHistory(profile + QStringLiteral("/History"), 5, 2);
    chromeLoginData(profile + QStringLiteral("/Login Data"), 2);
    const QString cookies = profile + QStringLiteral("/Network/Cookies");
    chromeCookies(cookies, 3);
    const qint64 cookieBytes = QFileInfo(cookies).size();
    for (const char* suffix : {"-journal", "-wal", "-shm"})
        nvtest::writeFile(cookies + QLatin1String(suffix), QByteArray(1000, 'j'));
    nvtest::writeFile(cookies + QStringLiteral("-backup"), "kept");
    nvtest::writeFile(profile + QStringLiteral("/Sessions/Session_1"), QByteArray(400, 's'));

    Scanned s;
    const QString opera = QStringLiteral("Opera");
    EXPECT_EQ(s.item(opera, QStringLiteral("Save Password"))->size, QStringLiteral("2 项"));
    EXPECT_EQ(s.item(opera, QStringLiteral("Browsing History"))->size, QStringLiteral("5 项"));
    EXPECT_EQ(s.item(opera, QStringLiteral("Cookies"))->size, CommUti::longlongDiskSize(cookieBytes + 3000));
    EXPECT_EQ(s.item(opera, QStringLiteral("Session"))->size, QStringLiteral("400 byte"));

    EXPECT_EQ(s.clean(opera, QStringLiteral("Save Password")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(profile + QStringLiteral("/Login Data"), "logins"), 0);
    EXPECT_EQ(rows(profile + QStringLiteral("/History"), "keyword_search_terms"), 5);
    EXPECT_EQ(s.clean(opera, QStringLiteral("Cookies")), QStringLiteral("0 byte"));
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        EXPECT_FALSE(exists(cookies + QLatin1String(suffix))) << suffix;
    EXPECT_TRUE(exists(cookies + QStringLiteral("-backup")));
    EXPECT_EQ(s.clean(opera, QStringLiteral("Session")), QStringLiteral("0 byte"));
    EXPECT_FALSE(exists(profile + QStringLiteral("/Sessions")));
    EXPECT_TRUE(exists(profile + QStringLiteral("/History")));
}

// Current Firefox: the install section names "*.default-esr" while an empty
// "*.default" carries Default=1; the one in use is cleaned, in the XDG
// location and in the older one.
TEST(FirefoxCleaner, CleansTheProfileFirefoxUsesInEitherLocation)
{
    for (const char* location : {".config/mozilla/firefox", ".mozilla/firefox"}) {
        SCOPED_TRACE(location);
        Home h;
        h.app(QStringLiteral("Firefox ESR"));
        const QString profiles = h.home(QString::fromLatin1(location));
        const QString profile = firefoxProfilesIni(profiles);
        const QString marked = profiles + QStringLiteral("/0aaa.default");
        firefoxProfile(profile, 6, 2, 2);
        firefoxProfile(marked, 3, 1, 1);
        nvtest::writeFile(profile + QStringLiteral("/sessionstore.jsonlz4"), QByteArray(200, 's'));
        nvtest::writeFile(profile + QStringLiteral("/sessionstore-backups/recovery.jsonlz4"), QByteArray(100, 's'));
        const QString cacheProfile = h.home(QStringLiteral(".cache/mozilla/firefox/9zzz.default-esr"));
        nvtest::writeFile(cacheProfile + QStringLiteral("/cache2/entries/X"), QByteArray(700, 'c'));
        nvtest::writeFile(cacheProfile + QStringLiteral("/startupCache/Z"), QByteArray(300, 'c'));
        nvtest::writeFile(cacheProfile + QStringLiteral("/safebrowsing/list"), QByteArray(5000, 'b'));
        const QString places = profile + QStringLiteral("/places.sqlite");
        const QString logins = profile + QStringLiteral("/logins.json");

        Scanned s;
        const QString ff = QStringLiteral("Firefox ESR");
        const auto size = [&](const char* kind) { return s.item(ff, QString::fromLatin1(kind))->size; };
        const auto clean = [&](const char* kind) { return s.clean(ff, QString::fromLatin1(kind)); };
        EXPECT_EQ(size("Caches"), QStringLiteral("1.00 KB"));
        EXPECT_EQ(size("Browsing History"), CommUti::longlongDiskSize(QFileInfo(places).size()));
        EXPECT_EQ(size("Save Password"), QStringLiteral("2 项"));
        EXPECT_EQ(size("Session"), QStringLiteral("600 byte"));   // with the old profile's sessionstore.js

        EXPECT_EQ(clean("Download History"), QStringLiteral("0 项"));
        EXPECT_EQ(rows(places, "moz_annos"), 1);
        EXPECT_EQ(clean("Browsing History"), QStringLiteral("0 项"));
        EXPECT_EQ(rows(places, "moz_historyvisits"), 0);
        EXPECT_EQ(clean("Save Password"), QStringLiteral("0 项"));
        QFile file(logins);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        EXPECT_TRUE(json.value(QStringLiteral("logins")).toArray().isEmpty());
        EXPECT_EQ(json.value(QStringLiteral("nextId")).toInt(), 3);
        EXPECT_EQ(rows(places, "moz_keywords"), 1);   // keywords are no passwords
        EXPECT_EQ(clean("Cookies"), QStringLiteral("0 byte"));
        EXPECT_FALSE(exists(profile + QStringLiteral("/cookies.sqlite")));
        EXPECT_EQ(clean("Session"), QStringLiteral("0 byte"));
        for (const char* gone : {"/sessionstore.js", "/sessionstore.jsonlz4", "/sessionstore-backups"})
            EXPECT_FALSE(exists(profile + QLatin1String(gone))) << gone;
        EXPECT_EQ(clean("Caches"), QStringLiteral("0 byte"));
        EXPECT_FALSE(exists(cacheProfile + QStringLiteral("/cache2")) || exists(cacheProfile + QStringLiteral("/startupCache")));
        EXPECT_TRUE(exists(cacheProfile + QStringLiteral("/safebrowsing/list")));

        // The profile merely marked Default=1 is left as it was.
        EXPECT_EQ(rows(marked + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 3);
        EXPECT_TRUE(exists(marked + QStringLiteral("/cookies.sqlite")) && exists(marked + QStringLiteral("/sessionstore.js")));
    }
}

TEST(FirefoxCleaner, ProfileListsAndTheirFallbacks)
{
    const QString profiles = nvtest::freshFolder(QStringLiteral("profiles"));
    EXPECT_EQ(InternetEngine::firefoxDefaultProfileName(profiles), QString());
    firefoxProfilesIni(profiles);
    EXPECT_EQ(InternetEngine::firefoxDefaultProfileName(profiles), QStringLiteral("9zzz.default-esr"));
    // An install section naming a profile that is not there: the next rule.
    nvtest::writeFile(profiles + QStringLiteral("/profiles.ini"),
                      "[InstallX]\nDefault=gone.default-release\n[Profile0]\nPath=0aaa.default\nIsRelative=1\nDefault=1\n");
    QFile::remove(profiles + QStringLiteral("/installs.ini"));
    EXPECT_EQ(InternetEngine::firefoxDefaultProfileName(profiles), QStringLiteral("0aaa.default"));
    // Paths that would lead out of the folder are never taken.
    nvtest::writeFile(profiles + QStringLiteral("/profiles.ini"),
                      "[InstallX]\nDefault=../../etc\n[Profile0]\nPath=/home\nIsRelative=1\nDefault=1\n");
    EXPECT_EQ(InternetEngine::firefoxDefaultProfileName(profiles), QString());
    // Without any list the last ".default" entry, as before.
    QFile::remove(profiles + QStringLiteral("/profiles.ini"));
    EXPECT_FALSE(InternetEngine::hasFirefoxProfileList(profiles));
    EXPECT_EQ(InternetEngine::firefoxProfileWithPath(profiles, QString()), profiles + QStringLiteral("/0aaa.default"));
}

TEST(FirefoxCleaner, SnapFirefoxUsesItsOwnFolderAndNewLoginsDatabase)
{
    Home h;
    h.app(QStringLiteral("Firefox"), QStringLiteral("/var/lib/snapd/desktop"));
    const QString profile = firefoxProfilesIni(h.home(QStringLiteral("snap/firefox/common/.mozilla/firefox")));
    firefoxProfile(profile, 2, 0, 0);
    QFile::remove(profile + QStringLiteral("/logins.json"));
    // Newer Firefox keeps its logins in "logins.db".
    sql(profile + QStringLiteral("/logins.db"),
        {"CREATE TABLE loginsL(id INTEGER PRIMARY KEY, origin TEXT NOT NULL, guid TEXT NOT NULL UNIQUE, is_deleted TINYINT NOT "
         "NULL DEFAULT 0)",
         "CREATE TABLE loginsM(id INTEGER PRIMARY KEY, origin TEXT NOT NULL, guid TEXT NOT NULL UNIQUE, server_modified INTEGER "
         "NOT NULL)",
         "INSERT INTO loginsL(origin, guid) select 'https://s' || x, 'g' || x from c",
         "INSERT INTO loginsL(origin, guid, is_deleted) VALUES ('https://gone', 'gone', 1)",
         "INSERT INTO loginsM(origin, guid, server_modified) VALUES ('https://s1', 'g1', 1), ('https://synced', 'm', 1)"},
        3);
    // A deb Firefox's folder beside it is not the snap's.
    firefoxProfile(firefoxProfilesIni(h.home(QStringLiteral(".mozilla/firefox"))), 9, 0, 0);
    Scanned s;
    EXPECT_EQ(s.item(QStringLiteral("Firefox"), QStringLiteral("Save Password"))->size, QStringLiteral("4 项"));
    EXPECT_EQ(s.clean(QStringLiteral("Firefox"), QStringLiteral("Save Password")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(profile + QStringLiteral("/logins.db"), "loginsL") + rows(profile + QStringLiteral("/logins.db"), "loginsM"), 0);
    EXPECT_EQ(s.clean(QStringLiteral("Firefox"), QStringLiteral("Browsing History")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(profile + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 0);
    EXPECT_EQ(rows(h.home(QStringLiteral(".mozilla/firefox/9zzz.default-esr/places.sqlite")), "moz_historyvisits"), 9);
}

TEST(FirefoxCleaner, ProfileRule)
{
    const QString profiles = nvtest::freshFolder(QStringLiteral("profiles")) + QLatin1Char('/');
    QDir().mkpath(profiles + QStringLiteral("x.default-release"));
    EXPECT_EQ(InternetEngine::getDefaultWithPath(profiles), QString());
    QDir().mkpath(profiles + QStringLiteral("b.default"));
    QDir().mkpath(profiles + QStringLiteral("a.default"));
    EXPECT_EQ(InternetEngine::getDefaultWithPath(profiles), profiles + QStringLiteral("b.default"));
    // A profile linked in from elsewhere is passed over.
    ASSERT_TRUE(QFile::link(nvtest::freshFolder(QStringLiteral("far")), profiles + QStringLiteral("c.default")));
    EXPECT_EQ(InternetEngine::getDefaultWithPath(profiles), profiles + QStringLiteral("b.default"));
}

TEST(FirefoxCleaner, WithoutAProfileNothingIsTouched)
{
    Home h;
    h.app(QStringLiteral("Firefox.app"));
    const QString release = h.home(QStringLiteral(".config/mozilla/firefox/cd34.default-release"));
    firefoxProfile(release, 3, 1, 1);
    platform::LogCapture log;
    Scanned s;
    for (const BrowerObjPtr& item : s.browser(QStringLiteral("Firefox"))->chrArr) {
        const bool counted = item->name.contains(QLatin1String("History")) || item->name == QLatin1String("Save Password");
        const bool logins = item->name == QLatin1String("Save Password");
        EXPECT_EQ(item->size, logins ? QStringLiteral("0 项") : QStringLiteral("0 byte")) << item->name;
        EXPECT_EQ(s.clean(QStringLiteral("Firefox"), item->name), counted ? QStringLiteral("0 项") : QStringLiteral("0 byte"));
    }
    for (const QString& line : log.lines())
        EXPECT_FALSE(line.contains(QRegularExpression(QStringLiteral("places|logins|cookies|sessionstore")))) << line;
    EXPECT_EQ(rows(release + QStringLiteral("/places.sqlite"), "moz_historyvisits"), 3);
    EXPECT_TRUE(exists(release + QStringLiteral("/sessionstore.js")));
}

TEST(SafariCleaner, MeasuresAndCleansEveryKind)
{
    Home h;
    h.app(QStringLiteral("Safari.app"));
    const QString safari = h.library(QStringLiteral("Safari"));
    safariHistory(safari + QStringLiteral("/History.db"), 5, 12);
    nvtest::writeFile(safari + QStringLiteral("/RecentlyClosedTabs.plist"), "<plist><dict/></plist>");
    const QVariantList downloads = {QVariantMap{{"DownloadEntryURL", "https://a.org"}}, QVariantMap{{"DownloadEntryURL", "https://b.org"}},
                                    QVariantMap{{"DownloadEntryURL", "https://c.org"}}};
    ASSERT_TRUE(platform::plist::writeFile(safari + QStringLiteral("/Downloads.plist"), QVariantMap{{"DownloadHistory", downloads}}));
    nvtest::writeFile(safari + QStringLiteral("/LocalStorage/https_a.org_0.localstorage"), "a");
    nvtest::writeFile(safari + QStringLiteral("/LocalStorage/https_b.org_0.localstorage"), "b");
    nvtest::writeFile(h.library(QStringLiteral("WebKit/LocalStorage/https_c.org_0.localstorage")), "c");
    nvtest::writeFile(h.library(QStringLiteral("Caches/Metadata/Safari/History/x")), QByteArray(100, 'm'));
    nvtest::writeFile(h.library(QStringLiteral("Caches/com.apple.Safari/Cache.db")), QByteArray(200, 'c'));
    nvtest::writeFile(h.library(QStringLiteral("Caches/Google/kept")), "kept");
    nvtest::writeFile(safari + QStringLiteral("/LastSession.plist"), QByteArray(50, 'l'));

    Scanned s;
    const QStringList kinds = {"Browsing History", "Downloads History", "Cookies", "Caches", "Session"};
    const QStringList measured = {"13 项", "3 项", "3 项", "300 byte", "50 byte"};
    const QStringList after = {"0 项", "0 项", "0 项", "0 byte", "0 byte"};
    for (int i = 0; i < kinds.size(); ++i) {
        EXPECT_EQ(s.item(QStringLiteral("Safari"), kinds[i])->size, measured[i]) << kinds[i];
        EXPECT_EQ(s.clean(QStringLiteral("Safari"), kinds[i]), after[i]) << kinds[i];
    }
    EXPECT_EQ(rows(safari + QStringLiteral("/History.db"), "history_visits"), 0);
    EXPECT_EQ(rows(safari + QStringLiteral("/History.db"), "history_tombstones"), 1);
    for (const char* gone : {"Safari/RecentlyClosedTabs.plist", "Safari/Downloads.plist", "Safari/LocalStorage", "WebKit/LocalStorage",
                             "Caches/Metadata", "Caches/com.apple.Safari", "Safari/LastSession.plist"})
        EXPECT_FALSE(exists(h.library(QString::fromLatin1(gone)))) << gone;
    EXPECT_TRUE(exists(h.library(QStringLiteral("Caches/Google/kept"))));
}

TEST(FileOperations, SizesAndRemovalsNeverFollowALinkOut)
{
    const QString outside = nvtest::freshFolder(QStringLiteral("outside"));
    nvtest::writeFile(outside + QStringLiteral("/big"), QByteArray(50000, 'o'));
    const QString folder = nvtest::freshFolder(QStringLiteral("browser"));
    nvtest::writeFile(folder + QStringLiteral("/own"), QByteArray(100, 'x'));
    ASSERT_TRUE(QFile::link(outside, folder + QStringLiteral("/toFolder")));
    ASSERT_TRUE(QFile::link(outside + QStringLiteral("/big"), folder + QStringLiteral("/toFile")));

    EXPECT_LT(InternetEngine::fileSizeWithPath(folder), 50000);
    EXPECT_LT(InternetEngine::fileSizeWithPath(folder + QStringLiteral("/toFile")), 50000);
    EXPECT_EQ(InternetEngine::getAllFileWithPath(folder + QStringLiteral("/toFolder")), QStringList());
    EXPECT_EQ(InternetEngine::getAllFileWithPath(folder), QStringList({"own", "toFile", "toFolder"}));
    EXPECT_EQ(InternetEngine::getAllFileWithPath(QStringLiteral(" ")), QStringList());
    InternetEngine::deleteFileWithPath(folder + QStringLiteral("/toFile"));
    EXPECT_FALSE(exists(folder + QStringLiteral("/toFile")));
    InternetEngine::deleteFileWithPath(folder);
    EXPECT_FALSE(exists(folder));
    EXPECT_EQ(QFileInfo(outside + QStringLiteral("/big")).size(), 50000);
}

TEST(FileOperations, ALockedItemIsUnlockedButNotWhatLiesInside)
{
    Home h;
    h.app(QStringLiteral("Google Chrome.app"));
    const QString caches = h.home(QStringLiteral(".cache/google-chrome"));
    nvtest::writeFile(caches, QByteArray(10, 'c'));
    if (!setImmutable(caches, true))
        GTEST_SKIP() << "this file system or user cannot set the immutable flag";
    const QString inside = h.home(QStringLiteral(".config/google-chrome/Default/Sessions/Session_9"));
    nvtest::writeFile(inside, "s");
    ASSERT_TRUE(setImmutable(inside, true));
    Scanned s;
    EXPECT_EQ(s.clean(kChrome, QStringLiteral("Caches")), QStringLiteral("0 byte"));
    EXPECT_FALSE(exists(caches));
    EXPECT_EQ(s.clean(kChrome, QStringLiteral("Session")), QStringLiteral("1 byte"));
    EXPECT_TRUE(exists(inside));
    setImmutable(inside, false);
}
