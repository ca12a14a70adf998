#include "BrowserFixture.h"

#include "TestSupport.h"
#include "platform/Locations.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <leveldb/db.h>
#include <memory>
#include <sqlite3.h>

namespace fx {

Home::Home() : root(nvtest::freshFolder(QStringLiteral("root")))
{
    qputenv("NULLVANE_ROOT", QFile::encodeName(root));
    qputenv("USER", "tester");
    // The desktop's default data folders, all below the root.
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

QString Home::library(const QString& rel) const { return root + QStringLiteral("/Users/tester/Library/") + rel; }

QString Home::home(const QString& rel) const { return platform::mapLocation(QStringLiteral("~/") + rel); }

QString Home::app(const QString& name, const QString& dataFolder, const QByteArray& more) const
{
    QString shown = name;
    if (shown.endsWith(QLatin1String(".app")))
        shown.chop(4);
    QString id = shown.toLower();
    id.replace(QLatin1Char(' '), QLatin1Char('-'));
    const QString path = platform::mapLocation(dataFolder) + QStringLiteral("/applications/") + id + QStringLiteral(".desktop");
    EXPECT_TRUE(nvtest::writeFile(path, "[Desktop Entry]\n" + QByteArray(more.contains("Type=") ? "" : "Type=Application\n") + "Name=" + shown.toUtf8() + "\nExec=" + id.toUtf8()
                                            + " %u\nIcon=" + id.toUtf8() + "\n" + more));
    return path;
}

QString firefoxProfilesIni(const QString& profilesFolder)
{
    QDir().mkpath(profilesFolder + QStringLiteral("/0aaa.default"));
    QDir().mkpath(profilesFolder + QStringLiteral("/9zzz.default-esr"));
    nvtest::writeFile(profilesFolder + QStringLiteral("/profiles.ini"),
                      "[Profile1]\nName=default\nIsRelative=1\nPath=0aaa.default\nDefault=1\n\n"
                      "[Profile0]\nName=default-esr\nIsRelative=1\nPath=9zzz.default-esr\n\n"
                      "[General]\nStartWithLastProfile=1\nVersion=2\n\n"
                      "[Install3B6073811A6ABF12]\nDefault=9zzz.default-esr\nLocked=1\n");
    nvtest::writeFile(profilesFolder + QStringLiteral("/installs.ini"), "[3B6073811A6ABF12]\nDefault=9zzz.default-esr\nLocked=1\n");
    return profilesFolder + QStringLiteral("/9zzz.default-esr");
}

void sql(const QString& db, const QStringList& statements, int n)
{
    QDir().mkpath(QFileInfo(db).absolutePath());
    sqlite3* h = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(db).constData(), &h), SQLITE_OK);
    for (QString s : statements) {
        // Rows are made by a recursive count: "insert ... select ... x ... from c".
        s.replace(QStringLiteral("%n"), QString::number(n));
        if (s.contains(QLatin1String(" from c")))
            s.replace(QStringLiteral(" select "), QStringLiteral(" with recursive c(x) as (select 1 where %1 > 0 union all select x + 1 from c where x < %1) select ").arg(n));
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(h, s.toUtf8().constData(), nullptr, nullptr, &error), SQLITE_OK) << s << ": " << (error ? error : "");
        sqlite3_free(error);
    }
    sqlite3_close(h);
}

int rows(const QString& db, const QString& table, const QString& where)
{
    sqlite3* h = nullptr;
    sqlite3_stmt* s = nullptr;
    int n = -1;
    const QString q = QStringLiteral("select count(*) from ") + table + (where.isEmpty() ? QString() : QStringLiteral(" where ") + where);
    if (sqlite3_open_v2(QFile::encodeName(db).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(h, q.toUtf8().constData(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        n = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    sqlite3_close(h);
    return n;
}

// The browsers' tables as they create them.
void chromeHistory(const QString& db, int urls, int downloads)
{
    sql(db, {"CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR)",
             "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, title LONGVARCHAR, visit_count INTEGER DEFAULT 0 "
             "NOT NULL, typed_count INTEGER DEFAULT 0 NOT NULL, last_visit_time INTEGER NOT NULL, hidden INTEGER DEFAULT 0 NOT NULL)",
             "CREATE TABLE visits(id INTEGER PRIMARY KEY AUTOINCREMENT, url INTEGER NOT NULL, visit_time INTEGER NOT NULL, from_visit "
             "INTEGER, transition INTEGER DEFAULT 0 NOT NULL, segment_id INTEGER, visit_duration INTEGER DEFAULT 0 NOT NULL)",
             "CREATE TABLE keyword_search_terms(keyword_id INTEGER NOT NULL, url_id INTEGER NOT NULL, term LONGVARCHAR NOT NULL, "
             "normalized_term LONGVARCHAR NOT NULL)",
             "CREATE TABLE downloads(id INTEGER PRIMARY KEY, guid VARCHAR NOT NULL, current_path LONGVARCHAR NOT NULL, target_path "
             "LONGVARCHAR NOT NULL, start_time INTEGER NOT NULL, received_bytes INTEGER NOT NULL, total_bytes INTEGER NOT NULL, state "
             "INTEGER NOT NULL, danger_type INTEGER NOT NULL, interrupt_reason INTEGER NOT NULL, hash BLOB NOT NULL, end_time INTEGER "
             "NOT NULL, opened INTEGER NOT NULL, last_access_time INTEGER NOT NULL, transient INTEGER NOT NULL, referrer VARCHAR NOT "
             "NULL, site_url VARCHAR NOT NULL, tab_url VARCHAR NOT NULL, tab_referrer_url VARCHAR NOT NULL, http_method VARCHAR NOT "
             "NULL, by_ext_id VARCHAR NOT NULL, by_ext_name VARCHAR NOT NULL, etag VARCHAR NOT NULL, last_modified VARCHAR NOT NULL, "
             "mime_type VARCHAR(255) NOT NULL, original_mime_type VARCHAR(255) NOT NULL)",
             "CREATE TABLE downloads_url_chains(id INTEGER NOT NULL, chain_index INTEGER NOT NULL, url LONGVARCHAR NOT NULL, "
             "PRIMARY KEY (id, chain_index))",
             "INSERT INTO meta VALUES('version', '56')",
             "INSERT INTO urls(url, title, last_visit_time) select 'https://example.org/' || x, 'page', 1 from c",
             "INSERT INTO visits(url, visit_time) select x, 1 from c",
             "INSERT INTO keyword_search_terms select 2, x, 'term', 'term' from c",
             "CREATE TABLE visited_links(id INTEGER PRIMARY KEY AUTOINCREMENT, link_url_id INTEGER NOT NULL, top_level_url "
             "LONGVARCHAR NOT NULL, frame_url LONGVARCHAR NOT NULL, visit_count INTEGER DEFAULT 0 NOT NULL)",
             "CREATE TABLE segments(id INTEGER PRIMARY KEY, name VARCHAR, url_id INTEGER NON NULL)",
             "CREATE TABLE segment_usage(id INTEGER PRIMARY KEY, segment_id INTEGER NOT NULL, time_slot INTEGER NOT NULL, "
             "visit_count INTEGER DEFAULT 0 NOT NULL)",
             "CREATE TABLE visit_source(id INTEGER PRIMARY KEY, source INTEGER NOT NULL)",
             "CREATE TABLE content_annotations(visit_id INTEGER PRIMARY KEY, visibility_score NUMERIC, page_language VARCHAR)",
             "CREATE TABLE context_annotations(visit_id INTEGER PRIMARY KEY, context_annotation_flags INTEGER NOT NULL)",
             "CREATE TABLE clusters_and_visits(cluster_id INTEGER NOT NULL, visit_id INTEGER NOT NULL, score NUMERIC DEFAULT 0 "
             "NOT NULL, PRIMARY KEY(cluster_id, visit_id))",
             "INSERT INTO visited_links(link_url_id, top_level_url, frame_url) select x, 'https://example.org/', '' from c",
             "INSERT INTO segments select x, 'http://example.org/', x from c",
             "INSERT INTO segment_usage select x, x, 1, 1 from c",
             "INSERT INTO visit_source select x, 1 from c",
             "INSERT INTO content_annotations select x, 1, 'en' from c",
             "INSERT INTO context_annotations select x, 0 from c",
             "INSERT INTO clusters_and_visits select 1, x, 1 from c"},
        urls);
    sql(db, {"INSERT INTO downloads select x, 'g' || x, '/f', '/f', 1, 9, 9, 1, 0, 0, x'00', 2, 0, 0, 0, '', '', '', '', 'GET', '', "
             "'', '', '', 'text/plain', 'text/plain' from c",
             "INSERT INTO downloads_url_chains select x, 0, 'https://example.org/f' from c"},
        downloads);
}

QStringList column(const QString& db, const QString& query)
{
    sqlite3* h = nullptr;
    sqlite3_stmt* s = nullptr;
    QStringList values;
    if (sqlite3_open_v2(QFile::encodeName(db).constData(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
        || sqlite3_prepare_v2(h, query.toUtf8().constData(), -1, &s, nullptr) != SQLITE_OK) {
        values << QStringLiteral("error: ") + QString::fromUtf8(sqlite3_errmsg(h));
    } else {
        while (sqlite3_step(s) == SQLITE_ROW)
            values << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    }
    sqlite3_finalize(s);
    sqlite3_close(h);
    return values;
}

QStringList levelDbKeys(const QString& folder)
{
    leveldb::DB* db = nullptr;
    leveldb::Options options;
    options.create_if_missing = false;
    const leveldb::Status status = leveldb::DB::Open(options, QFile::encodeName(folder).toStdString(), &db);
    if (!status.ok()) {
        ADD_FAILURE() << status.ToString();
        return {};
    }
    QStringList keys;
    std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
    for (it->SeekToFirst(); it->Valid(); it->Next())
        keys << QString::fromStdString(it->key().ToString());
    it.reset();
    delete db;
    return keys;
}

TemporaryFolderAt::TemporaryFolderAt(const QString& folder) : before(qgetenv("TMPDIR"))
{
    platform::removePrivateTempFolder();
    qputenv("TMPDIR", QFile::encodeName(folder));
}

TemporaryFolderAt::~TemporaryFolderAt()
{
    platform::removePrivateTempFolder();
    qputenv("TMPDIR", before);
}

QStringList fileDigests(const QString& folder)
{
    QStringList digests;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile f(it.next());
        f.open(QIODevice::ReadOnly);
        digests << QDir(folder).relativeFilePath(f.fileName()) + QLatin1Char(' ')
                       + QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex());
    }
    digests.sort();
    return digests;
}

bool commitToTheLogOnly(const QString& db, const char* sql)
{
    sqlite3* browser = nullptr;
    if (sqlite3_open(QFile::encodeName(db).constData(), &browser) != SQLITE_OK) {
        sqlite3_close(browser);
        return false;
    }
    sqlite3_db_config(browser, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    const bool done = sqlite3_exec(browser, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) == SQLITE_OK
                      && sqlite3_exec(browser, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(browser);
    return done;
}

void copyRecorded(const QString& rel, const QString& to)
{
    const QString from = QStringLiteral(NULLVANE_BROWSER_DATA "/") + rel;
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    ASSERT_TRUE(it.hasNext()) << from;
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        ASSERT_TRUE(QFile::copy(file, target)) << target;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
}

void chromeLoginData(const QString& db, int logins)
{
    sql(db, {"CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR)",
             "CREATE TABLE logins(origin_url VARCHAR NOT NULL, action_url VARCHAR, username_element VARCHAR, username_value VARCHAR, "
             "password_element VARCHAR, password_value BLOB, submit_element VARCHAR, signon_realm VARCHAR NOT NULL, date_created "
             "INTEGER NOT NULL, blacklisted_by_user INTEGER NOT NULL, scheme INTEGER NOT NULL, id INTEGER PRIMARY KEY AUTOINCREMENT, "
             "UNIQUE (origin_url, username_element, username_value, password_element, signon_realm))",
             "CREATE TABLE stats(origin_domain VARCHAR NOT NULL, username_value VARCHAR, dismissal_count INTEGER, update_time "
             "INTEGER NOT NULL)",
             "INSERT INTO meta VALUES('version', '40')", "INSERT INTO stats VALUES('example.org', 'me', 1, 1)",
             "INSERT INTO logins(origin_url, username_value, password_value, signon_realm, date_created, blacklisted_by_user, scheme) "
             "select 'https://s' || x, 'me', x'beef', 'https://s' || x, 1, 0, 0 from c"},
        logins);
}

void chromeCookies(const QString& db, int cookies)
{
    sql(db, {"CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR)",
             "CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL, name TEXT "
             "NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL, is_secure "
             "INTEGER NOT NULL, is_httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL, "
             "is_persistent INTEGER NOT NULL, priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL, "
             "source_port INTEGER NOT NULL, last_update_utc INTEGER NOT NULL)",
             "INSERT INTO meta VALUES('version', '21')",
             "INSERT INTO cookies select x, '.example.org', '', 'c' || x, '', x'00', '/', 0, 1, 1, 0, 0, 0, 1, 0, 2, 443, 0 from c"},
        cookies);
}

void firefoxProfile(const QString& folder, int visits, int downloads, int logins)
{
    const QString places = folder + QStringLiteral("/places.sqlite");
    sql(places, {"CREATE TABLE moz_places(id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, rev_host LONGVARCHAR, "
                 "visit_count INTEGER DEFAULT 0, hidden INTEGER DEFAULT 0 NOT NULL, typed INTEGER DEFAULT 0 NOT NULL, frecency "
                 "INTEGER DEFAULT -1 NOT NULL, last_visit_date INTEGER, guid TEXT, foreign_count INTEGER DEFAULT 0 NOT NULL)",
                 "CREATE TABLE moz_historyvisits(id INTEGER PRIMARY KEY, from_visit INTEGER, place_id INTEGER, visit_date INTEGER, "
                 "visit_type INTEGER, session INTEGER, source INTEGER DEFAULT 0 NOT NULL, triggeringPlaceId INTEGER)",
                 "CREATE TABLE moz_anno_attributes(id INTEGER PRIMARY KEY, name VARCHAR(32) UNIQUE NOT NULL)",
                 "CREATE TABLE moz_annos(id INTEGER PRIMARY KEY, place_id INTEGER NOT NULL, anno_attribute_id INTEGER, content "
                 "LONGVARCHAR, flags INTEGER DEFAULT 0, expiration INTEGER DEFAULT 0, type INTEGER DEFAULT 0, dateAdded INTEGER "
                 "DEFAULT 0, lastModified INTEGER DEFAULT 0)",
                 "CREATE TABLE moz_keywords(id INTEGER PRIMARY KEY AUTOINCREMENT, keyword TEXT UNIQUE, place_id INTEGER, post_data TEXT)",
                 "CREATE TABLE moz_bookmarks(id INTEGER PRIMARY KEY, type INTEGER, fk INTEGER DEFAULT NULL, parent INTEGER, position "
                 "INTEGER, title LONGVARCHAR, keyword_id INTEGER, folder_type TEXT, dateAdded INTEGER, lastModified INTEGER, guid "
                 "TEXT UNIQUE, syncStatus INTEGER NOT NULL DEFAULT 0, syncChangeCounter INTEGER NOT NULL DEFAULT 1)",
                 "PRAGMA journal_mode=WAL",
                 "INSERT INTO moz_places(url, title, guid) select 'https://example.org/' || x, 'page', 'g' || x from c",
                 "INSERT INTO moz_historyvisits(place_id, visit_date, visit_type) select x, 1700000000000000 + x, 1 from c",
                 "INSERT INTO moz_anno_attributes VALUES (1, 'downloads/destinationFileURI'), (2, 'downloads/metaData'), "
                 "(3, 'bookmarkProperties/description')",
                 "INSERT INTO moz_annos(place_id, anno_attribute_id, content) VALUES (1, 3, 'my favourite page')",
                 "INSERT INTO moz_keywords(keyword, place_id) VALUES ('ex', 1)",
                 // Firefox counts what holds a page: here a keyword and a bookmark.
                 "UPDATE moz_places SET foreign_count = 2 WHERE id = 1",
                 "INSERT INTO moz_bookmarks(type, fk, parent, position, title, guid) VALUES (1, 1, 1, 0, 'ex', 'b1')"},
        visits);
    sql(places, {"INSERT INTO moz_annos(place_id, anno_attribute_id, content) select x, 1, 'file:///f' || x from c",
                 "INSERT INTO moz_annos(place_id, anno_attribute_id, content) select x, 2, '{}' from c"},
        downloads);
    sql(folder + QStringLiteral("/cookies.sqlite"),
        {"CREATE TABLE moz_cookies(id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, value TEXT, host "
         "TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER)",
         "INSERT INTO moz_cookies(name, host) VALUES ('c', '.example.org')"});
    QStringList list;
    for (int i = 1; i <= logins; ++i)
        list << QStringLiteral("{\"id\":%1,\"hostname\":\"https://s%1.org\",\"encryptedPassword\":\"MDoE\",\"guid\":\"{g%1}\"}").arg(i);
    nvtest::writeFile(folder + QStringLiteral("/logins.json"),
                      QStringLiteral("{\"nextId\":%1,\"logins\":[%2],\"potentiallyVulnerablePasswords\":[{\"hash\":\"x\"}],"
                                     "\"dismissedBreachAlertsByLoginGUID\":{\"{g1}\":{}},\"version\":3}")
                          .arg(logins + 1).arg(list.join(QLatin1Char(','))).toUtf8());
    nvtest::writeFile(folder + QStringLiteral("/sessionstore.js"), QByteArray(300, 's'));
}

void safariHistory(const QString& db, int items, int visits)
{
    sql(db, {"CREATE TABLE history_items(id INTEGER PRIMARY KEY AUTOINCREMENT, url TEXT NOT NULL UNIQUE, domain_expansion TEXT NULL, "
             "visit_count INTEGER NOT NULL, daily_visit_counts BLOB NOT NULL, weekly_visit_counts BLOB NULL, autocomplete_triggers "
             "BLOB NULL, should_recompute_derived_visit_counts INTEGER NOT NULL, visit_count_score INTEGER NOT NULL)",
             "CREATE TABLE history_visits(id INTEGER PRIMARY KEY AUTOINCREMENT, history_item INTEGER NOT NULL REFERENCES "
             "history_items(id) ON DELETE CASCADE, visit_time REAL NOT NULL, title TEXT NULL, load_successful BOOLEAN NOT NULL "
             "DEFAULT 1, http_non_get BOOLEAN NOT NULL DEFAULT 0, synthesized BOOLEAN NOT NULL DEFAULT 0, origin INTEGER NOT NULL "
             "DEFAULT 0, generation INTEGER NOT NULL DEFAULT 0, attributes INTEGER NOT NULL DEFAULT 0, score INTEGER NOT NULL DEFAULT 0)",
             "CREATE TABLE history_tombstones(id INTEGER PRIMARY KEY AUTOINCREMENT, start_time REAL NOT NULL, end_time REAL NOT NULL, "
             "url TEXT, generation INTEGER NOT NULL DEFAULT 0)",
             "CREATE TABLE metadata(key TEXT NOT NULL UNIQUE, value)", "PRAGMA journal_mode=WAL",
             "INSERT INTO metadata VALUES('version', 10)", "INSERT INTO history_tombstones(start_time, end_time) VALUES (1, 2)",
             "INSERT INTO history_items(url, visit_count, daily_visit_counts, should_recompute_derived_visit_counts, "
             "visit_count_score) select 'https://example.org/' || x, 1, x'00', 0, 100 from c"},
        items);
    sql(db, {"INSERT INTO history_visits(history_item, visit_time) select 1, 700000000.0 + x from c"}, visits);
}

Scanned::Scanned(bool scan)
{
    engine.delegate = this;
    if (scan)
        engine.scanBrowsers();
}

BrowerObjPtr Scanned::browser(const QString& name, int nth) const
{
    for (const BrowerObjPtr& b : engine.browserArr) {
        if (b->name == name && nth-- == 0)
            return b;
    }
    ADD_FAILURE() << "no browser " << name;
    return std::make_shared<BrowerObj>();
}

BrowerObjPtr Scanned::item(const QString& browserName, const QString& kind, int nth) const
{
    for (const BrowerObjPtr& item : browser(browserName, nth)->chrArr) {
        if (item->name == kind)
            return item;
    }
    ADD_FAILURE() << "no item " << browserName << " / " << kind;
    return std::make_shared<BrowerObj>();
}

QString Scanned::clean(const QString& browserName, const QString& kind)
{
    const BrowerObjPtr it = item(browserName, kind);
    it->isSelect = 1;
    const int before = itemReloads;
    engine.cleanItem(it);
    EXPECT_EQ(it->isSelect, 0) << kind;
    EXPECT_EQ(itemReloads, before + 1) << kind;
    return it->size;
}

} // namespace fx
