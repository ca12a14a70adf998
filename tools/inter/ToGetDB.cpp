#include "ToGetDB.h"

#include "platform/FileAttributes.h"
#include "InterLog.h"
#include "MemoryDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <span>
#include <vector>
#include <sqlite3.h>

namespace {

// Firefox keeps a download's target and state as annotations named
// "downloads/..."; every other annotation belongs to bookmarks and pages.
const char* const kFirefoxDownloadAnnos = "downloads/*";

struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close(db); }
    QString error() const { return QString::fromUtf8(sqlite3_errmsg(db)); }
};

struct Prepared {
    sqlite3_stmt* stmt = nullptr;
    ~Prepared() { sqlite3_finalize(stmt); }
};

// A database is only ever one the browser keeps in its own folder: a link in
// its place is not followed.
bool isLinked(const QString& path)
{
    return platform::itemInfo(path).isSymLink;
}

// Whether `table` ("name" of the main database, or "schema.name" of an
// attached one; every schema name is one of this file's literals) exists,
// and, when `column` is given, has that column.
bool hasTable(sqlite3* db, const char* table, const char* column = nullptr)
{
    QByteArray schema = "main";
    QByteArray name = table;
    if (const int dot = name.indexOf('.'); dot > 0) {
        schema = name.left(dot);
        name = name.mid(dot + 1);
    }
    const QByteArray sql = column
        ? "select 1 from pragma_table_info(?1, ?2) where name = ?3"
        : "select 1 from " + schema + ".sqlite_master where type = 'table' and name = ?1";
    sqlite3_stmt* stmt = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, name.constData(), -1, SQLITE_TRANSIENT);
        if (column) {
            sqlite3_bind_text(stmt, 2, schema.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(stmt, 3, column, -1, SQLITE_STATIC);
        }
        found = sqlite3_step(stmt) == SQLITE_ROW;
    }
    sqlite3_finalize(stmt);
    return found;
}

bool bindAll(sqlite3_stmt* stmt, const QStringList& parameters)
{
    for (int i = 0; i < parameters.size(); ++i) {
        const QByteArray text = parameters.at(i).toUtf8();
        if (sqlite3_bind_text(stmt, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT) != SQLITE_OK)
            return false;
    }
    return true;
}

} // namespace

ToGetDB* ToGetDB::returnToGetDB()
{
    static ToGetDB instance;
    return &instance;
}

namespace {

// A statement of its own for a table that only some versions of a browser
// have, run only where the table is.
struct OptionalTable {
    const char* table;
    const char* sql;
};
// Tables of a Chromium "History" database that keep visited addresses or
// visits, or point at visits. Newer ones are missing from older profiles.
const OptionalTable kHistoryTables[] = {
    {"visits", "delete from visits"},
    {"visited_links", "delete from visited_links"},
    {"segments", "delete from segments"},
    {"segment_usage", "delete from segment_usage"},
    {"keyword_search_terms", "delete from keyword_search_terms"},
    {"visit_source", "delete from visit_source"},
    {"content_annotations", "delete from content_annotations"},
    {"context_annotations", "delete from context_annotations"},
    {"clusters_and_visits", "delete from clusters_and_visits"},
    {"cluster_visit_duplicates", "delete from cluster_visit_duplicates"},
    {"clusters", "delete from clusters"},
    {"cluster_keywords", "delete from cluster_keywords"},
};
// Tables of "Login Data" that keep a site and user name beside the logins.
const OptionalTable kLoginTables[] = {
    {"stats", "delete from stats"},
    {"insecure_credentials", "delete from insecure_credentials"},
    {"password_notes", "delete from password_notes"},
};

// Firefox's places.sqlite. A place held by a bookmark or a keyword counts
// them in foreign_count; every other place exists only as history.
#define FF_UNHELD "select id from moz_places where foreign_count = 0"
// Places that only downloads brought into the history, and nothing holds.
#define FF_DOWNLOAD_ONLY                                                                                  \
    "select id from moz_places where foreign_count = 0"                                                   \
    " and id in (select place_id from moz_historyvisits where visit_type = 7)"                           \
    " and id not in (select place_id from moz_historyvisits where visit_type <> 7)"
#define FF_DOWNLOAD_ANNOS "anno_attribute_id in (select id from moz_anno_attributes where name glob 'downloads/*')"

// What goes with the visits: whatever describes a visit or a removed place.
const OptionalTable kFirefoxHistoryTables[] = {
    {"moz_historyvisits_extra", "delete from moz_historyvisits_extra"},
    {"moz_historyvisits", "delete from moz_historyvisits"},
    {"moz_inputhistory", "delete from moz_inputhistory"},
    {"moz_places_metadata", "delete from moz_places_metadata"},
    {"moz_places_metadata_search_queries", "delete from moz_places_metadata_search_queries"},
    {"moz_newtab_shortcuts_interaction", "delete from moz_newtab_shortcuts_interaction"},
    {"moz_annos", "delete from moz_annos where place_id in (" FF_UNHELD ") or " FF_DOWNLOAD_ANNOS},
    {"moz_places_extra", "delete from moz_places_extra where place_id in (" FF_UNHELD ")"},
    {"moz_places", "delete from moz_places where foreign_count = 0"},
    // A bookmarked page stays, as a page never visited.
    {"moz_places", "update moz_places set visit_count = 0, last_visit_date = null, typed = 0"},
};
// Download visits and the places only they brought, with what describes them.
const OptionalTable kFirefoxDownloadTables[] = {
    {"moz_places_metadata", "delete from moz_places_metadata where place_id in (" FF_DOWNLOAD_ONLY
                            ") or referrer_place_id in (" FF_DOWNLOAD_ONLY ")"},
    {"moz_inputhistory", "delete from moz_inputhistory where place_id in (" FF_DOWNLOAD_ONLY ")"},
    {"moz_newtab_shortcuts_interaction",
     "delete from moz_newtab_shortcuts_interaction where place_id in (" FF_DOWNLOAD_ONLY ")"},
    {"moz_annos", "delete from moz_annos where place_id in (" FF_DOWNLOAD_ONLY ") or " FF_DOWNLOAD_ANNOS},
    {"moz_places_extra", "delete from moz_places_extra where place_id in (" FF_DOWNLOAD_ONLY ")"},
    {"moz_places", "delete from moz_places where id in (" FF_DOWNLOAD_ONLY ")"},
    {"moz_historyvisits_extra", "delete from moz_historyvisits_extra where visit_id in "
                                "(select id from moz_historyvisits where visit_type = 7)"},
    {"moz_historyvisits", "delete from moz_historyvisits where visit_type = 7"},
    // A page that was also visited keeps its own last visit.
    {"moz_places", "update moz_places set last_visit_date = (select max(visit_date) from moz_historyvisits v "
                   "where v.place_id = moz_places.id) where last_visit_date is not (select max(visit_date) "
                   "from moz_historyvisits v where v.place_id = moz_places.id)"},
};
// A statement for a column that only newer versions have.
struct OptionalColumn {
    const char* table;
    const char* column;
    const char* sql;
};
// After either: origins and icons that no place uses any more, and a fresh
// ranking asked of Firefox for what is left. Icons live in favicons.sqlite,
// attached as "favicons".
const OptionalTable kFirefoxOrphanTables[] = {
    {"moz_origins", "delete from moz_origins where id not in "
                    "(select origin_id from moz_places where origin_id is not null)"},
    {"favicons.moz_pages_w_icons", "delete from favicons.moz_pages_w_icons where page_url not in "
                                   "(select url from main.moz_places)"},
    {"favicons.moz_icons_to_pages", "delete from favicons.moz_icons_to_pages where page_id not in "
                                    "(select id from favicons.moz_pages_w_icons)"},
    {"favicons.moz_icons", "delete from favicons.moz_icons where root = 0 and id not in "
                           "(select icon_id from favicons.moz_icons_to_pages)"},
    // A site's own icon goes with the last page of its site.
    {"favicons.moz_icons", "delete from favicons.moz_icons where root = 1 and not exists (select 1 from "
                           "main.moz_origins o where substr(favicons.moz_icons.icon_url, 1, "
                           "length(o.prefix || o.host) + 1) = o.prefix || o.host || '/')"},
};
const OptionalColumn kFirefoxRecalc[] = {
    {"moz_places", "recalc_frecency", "update moz_places set recalc_frecency = 1"},
    {"moz_places", "recalc_alt_frecency", "update moz_places set recalc_alt_frecency = 1"},
    {"moz_origins", "recalc_frecency", "update moz_origins set recalc_frecency = 1"},
    {"moz_origins", "recalc_alt_frecency", "update moz_origins set recalc_alt_frecency = 1"},
};
// Saved form entries: Chromium's "Web Data" and Firefox's formhistory.sqlite.
const OptionalTable kChromeFormTables[] = {
    {"autofill", "delete from autofill"},
};
const OptionalTable kFirefoxFormTables[] = {
    {"moz_history_to_sources", "delete from moz_history_to_sources"},
    {"moz_sources", "delete from moz_sources"},
    {"moz_formhistory", "delete from moz_formhistory"},
};

} // namespace

std::optional<int> ToGetDB::count(const QString& path, const Statement& statement, bool logOpenFailure)
{
    // Nothing named, or nothing there: no rows, and no empty database left behind.
    if (path.isEmpty())
        return 0;
    if (!platform::itemExists(path)) {
        if (logOpenFailure)
            interlog::info(QStringLiteral("打开数据库失败！"));
        return 0;
    }
    if (isLinked(path))
        return std::nullopt;

    if (MemoryDatabase::needsMemory(path)) {
        // Opened where it lies, SQLite would roll the journal back or write
        // the log's index: it is read into memory and opened there, so
        // measuring changes neither the browser's files nor any other disk.
        const std::unique_ptr<MemoryDatabase> inMemory = MemoryDatabase::read(path);
        if (!inMemory) {
            if (logOpenFailure)
                interlog::info(QStringLiteral("打开数据库失败！"));
            interlog::file(QStringLiteral("count error: cannot read %1").arg(path));
            return std::nullopt;
        }
        return countOn(inMemory->handle(), statement, path);
    }
    Connection c;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        if (logOpenFailure)
            interlog::info(QStringLiteral("打开数据库失败！"));
        return std::nullopt;
    }
    sqlite3_busy_timeout(c.db, busyTimeoutMs_);
    return countOn(c.db, statement, path);
}

std::optional<int> ToGetDB::countOn(sqlite3* db, const Statement& statement, const QString& path)
{
    Prepared p;
    if (sqlite3_prepare_v2(db, statement.sql, -1, &p.stmt, nullptr) != SQLITE_OK
        || !bindAll(p.stmt, statement.parameters)) {
        interlog::file(QStringLiteral("count error: %1 (%2)").arg(QString::fromUtf8(sqlite3_errmsg(db)), path));
        return std::nullopt;
    }
    const int rc = sqlite3_step(p.stmt);
    if (rc != SQLITE_ROW) {
        interlog::file(QStringLiteral("count error: %1 (%2)").arg(QString::fromUtf8(sqlite3_errmsg(db)), path));
        return std::nullopt;
    }
    const int n = sqlite3_column_int(p.stmt, 0);
    interlog::info(QStringLiteral("------%1").arg(n));
    return n;
}

bool ToGetDB::runDeletes(const QString& path, const std::vector<Statement>& statements,
                         const std::vector<Attached>& attached)
{
    if (path.isEmpty() || !platform::itemExists(path))
        return true;
    if (isLinked(path)) {
        interlog::info(QStringLiteral("打开数据库失败！"));
        return false;
    }
    Connection c;
    // Read-write without create: a database that vanished is not made anew.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        interlog::info(QStringLiteral("打开数据库失败！"));
        return false;
    }
    sqlite3_busy_timeout(c.db, busyTimeoutMs_);
    for (const Attached& a : attached) {
        if (!platform::itemInfo(a.path).isRegular)
            continue;
        const QByteArray sql = QByteArray("attach database ?1 as ") + a.schema;
        Prepared p;
        const QByteArray file = QFile::encodeName(a.path);
        if (sqlite3_prepare_v2(c.db, sql.constData(), -1, &p.stmt, nullptr) != SQLITE_OK
            || sqlite3_bind_text(p.stmt, 1, file.constData(), int(file.size()), SQLITE_TRANSIENT) != SQLITE_OK
            || sqlite3_step(p.stmt) != SQLITE_DONE) {
            interlog::info(QStringLiteral("打开数据库失败！"));
            return false;
        }
    }

    const auto fail = [&](int index) {
        const QString error = c.error();
        interlog::info(index == 0 ? QStringLiteral("delete time error: %1").arg(error)
                                 : QStringLiteral("delete base error: %1").arg(error));
        sqlite3_exec(c.db, "ROLLBACK", nullptr, nullptr, nullptr);
        return false;
    };

    // Take the write lock first, so a browser that holds the database is
    // waited for before anything changes.
    if (sqlite3_exec(c.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(0);
    int index = 0;
    for (const Statement& s : statements) {
        if (s.optionalTable && !hasTable(c.db, s.optionalTable, s.optionalColumn))
            continue;
        Prepared p;
        if (sqlite3_prepare_v2(c.db, s.sql, -1, &p.stmt, nullptr) != SQLITE_OK || !bindAll(p.stmt, s.parameters))
            return fail(index);
        if (sqlite3_step(p.stmt) != SQLITE_DONE)
            return fail(index);
        ++index;
    }
    if (sqlite3_exec(c.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return fail(index);
    return true;
}

std::optional<int> ToGetDB::countItems(Count which, const QString& path)
{
    switch (which) {
    case Count::GoogleHistory:
    case Count::OperaHistory:
        return count(path, {"select count(*) from urls", {}}, true);
    case Count::GoogleDownload:
    case Count::OperaDownload:
        return count(path, {"select count(*) from downloads", {}}, true);
    case Count::GooglePassword:
        return count(path, {"select count(*) from logins", {}}, true);
    case Count::OperaPassword:
        return count(path, {"select count(*) from logins", {}}, false);
    case Count::GoogleCookies:
        return count(path, {"select count(*) from cookies", {}}, true);
    case Count::SafariHistory:
        return count(path, {"select count(*) from history_visits", {}}, true);
    case Count::FirefoxHistory:
        return count(path,
                     {"select count(*) from moz_places where foreign_count = 0 or id in "
                      "(select place_id from moz_historyvisits)", {}},
                     true);
    case Count::FirefoxDownload:
        return count(path,
                     {"select count(*) from moz_places where id in (select place_id from moz_historyvisits "
                      "where visit_type = 7) or id in (select place_id from moz_annos where anno_attribute_id in "
                      "(select id from moz_anno_attributes where name glob ?1))",
                      {QString::fromLatin1(kFirefoxDownloadAnnos)}},
                     true);
    case Count::GoogleFormBytes:
        return count(path,
                     {"select coalesce(sum(length(cast(name as blob)) + length(cast(value as blob))), 0) "
                      "from autofill", {}},
                     true);
    case Count::FirefoxFormBytes:
        return count(path,
                     {"select coalesce(sum(length(cast(fieldname as blob)) + length(cast(value as blob))), 0) "
                      "from moz_formhistory", {}},
                     true);
    case Count::FirefoxLogins:
        return count(path,
                     {"select (select count(*) from loginsL where is_deleted = 0)"
                      " + (select count(*) from loginsM where guid not in (select guid from loginsL))",
                      {}},
                     true);
    }
    return std::nullopt;
}

std::optional<int> ToGetDB::countDownloads(const QString& path, const QStringList& storedGuids)
{
    if (path.isEmpty() || !platform::itemExists(path))
        return int(storedGuids.size());
    QJsonArray guids;
    for (const QString& g : storedGuids)
        guids.append(g);
    return count(path,
                 {"select (select count(*) from downloads) + (select count(*) from json_each(?1) "
                  "where value not in (select guid from downloads))",
                  {QString::fromUtf8(QJsonDocument(guids).toJson(QJsonDocument::Compact))}},
                 true);
}

int ToGetDB::getGoogleHistoryItems(const QString& path) { return countItems(Count::GoogleHistory, path).value_or(0); }
int ToGetDB::getGoogleDownloadItems(const QString& path) { return countItems(Count::GoogleDownload, path).value_or(0); }
int ToGetDB::getGooglePasswordItems(const QString& path) { return countItems(Count::GooglePassword, path).value_or(0); }
int ToGetDB::getGoogleCookiesItems(const QString& path) { return countItems(Count::GoogleCookies, path).value_or(0); }
int ToGetDB::getOperaHistoryItems(const QString& path) { return countItems(Count::OperaHistory, path).value_or(0); }
int ToGetDB::getOperaDownloadItems(const QString& path) { return countItems(Count::OperaDownload, path).value_or(0); }
int ToGetDB::getOperaPasswordItems(const QString& path) { return countItems(Count::OperaPassword, path).value_or(0); }
int ToGetDB::getSafariBrowsingHistoryItems(const QString& path) { return countItems(Count::SafariHistory, path).value_or(0); }
int ToGetDB::getFirefoxHistoryItems(const QString& path) { return countItems(Count::FirefoxHistory, path).value_or(0); }
int ToGetDB::getFirefoxDownloadItems(const QString& path) { return countItems(Count::FirefoxDownload, path).value_or(0); }
int ToGetDB::getFirefoxLoginItems(const QString& path) { return countItems(Count::FirefoxLogins, path).value_or(0); }


std::vector<ToGetDB::Statement> ToGetDB::historyStatements()
{
    std::vector<Statement> statements{{"delete from urls", {}}};
    for (const OptionalTable& t : kHistoryTables)
        statements.push_back({t.sql, {}, t.table});
    return statements;
}

std::vector<ToGetDB::Statement> ToGetDB::loginStatements()
{
    std::vector<Statement> statements{{"delete from logins", {}}};
    for (const OptionalTable& t : kLoginTables)
        statements.push_back({t.sql, {}, t.table});
    return statements;
}

bool ToGetDB::toDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, historyStatements());
}

bool ToGetDB::toDeleteDownloadWith(const QString& path)
{
    return runDeletes(path, {{"delete from downloads", {}}, {"delete from downloads_url_chains", {}}});
}

bool ToGetDB::toDeletePasswordWith(const QString& path)
{
    return runDeletes(path, loginStatements());
}

bool ToGetDB::toDeleteGoogleCookiesWith(const QString& path)
{
    return runDeletes(path, {{"delete from cookies", {}}});
}

bool ToGetDB::operaDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, historyStatements());
}

bool ToGetDB::operaDeleteDownloadWith(const QString& path)
{
    return runDeletes(path, {{"delete from downloads", {}}, {"delete from downloads_url_chains", {}}});
}

bool ToGetDB::operaDeletePasswordWith(const QString& path)
{
    return runDeletes(path, loginStatements());
}

bool ToGetDB::firefoxDeleteLoginsWith(const QString& path)
{
    return runDeletes(path, {{"delete from loginsL", {}}, {"delete from loginsM", {}, "loginsM"}});
}

std::vector<ToGetDB::Statement> ToGetDB::firefoxStatements(bool downloadsOnly)
{
    // A file without visits is no Firefox history: it fails whole, untouched.
    std::vector<Statement> statements{{"select 1 from moz_historyvisits limit 0", {}}};
    for (const OptionalTable& t : downloadsOnly ? std::span<const OptionalTable>(kFirefoxDownloadTables)
                                                                : std::span<const OptionalTable>(kFirefoxHistoryTables))
        statements.push_back({t.sql, {}, t.table});
    for (const OptionalTable& t : kFirefoxOrphanTables)
        statements.push_back({t.sql, {}, t.table});
    for (const OptionalColumn& c : kFirefoxRecalc)
        statements.push_back({c.sql, {}, c.table, c.column});
    return statements;
}

bool ToGetDB::firefoxDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, firefoxStatements(false),
                      {{"favicons", QFileInfo(path).absolutePath() + QStringLiteral("/favicons.sqlite")}});
}

bool ToGetDB::firefoxDeleteDownloadWith(const QString& path)
{
    return runDeletes(path, firefoxStatements(true),
                      {{"favicons", QFileInfo(path).absolutePath() + QStringLiteral("/favicons.sqlite")}});
}

bool ToGetDB::toDeleteFormDataWith(const QString& path)
{
    std::vector<Statement> statements{{"select 1 from autofill limit 0", {}}};
    for (const OptionalTable& t : kChromeFormTables)
        statements.push_back({t.sql, {}, t.table});
    return runDeletes(path, statements);
}

bool ToGetDB::firefoxDeleteFormDataWith(const QString& path)
{
    std::vector<Statement> statements{{"select 1 from moz_formhistory limit 0", {}}};
    for (const OptionalTable& t : kFirefoxFormTables)
        statements.push_back({t.sql, {}, t.table});
    return runDeletes(path, statements);
}

bool ToGetDB::safariDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, {{"delete from history_items", {}}, {"delete from history_visits", {}}});
}
