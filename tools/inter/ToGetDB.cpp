#include "ToGetDB.h"

#include "platform/FileAttributes.h"
#include "InterLog.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include "platform/Locations.h"
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

bool hasTable(sqlite3* db, const char* table)
{
    sqlite3_stmt* stmt = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, "select 1 from sqlite_master where type = 'table' and name = ?1", -1, &stmt, nullptr)
        == SQLITE_OK) {
        sqlite3_bind_text(stmt, 1, table, -1, SQLITE_STATIC);
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

bool companionInUse(const QString& path)
{
    for (const char* suffix : {"-journal", "-wal"}) {
        const platform::ItemInfo info = platform::itemInfo(path + QLatin1String(suffix));
        if (info.exists && info.isRegular && info.size > 0)
            return true;
    }
    return false;
}

// The database and its journal or log, copied into a private folder.
struct PrivateCopy {
    QString folder;
    QString database;
    explicit PrivateCopy(const QString& path)
    {
        QTemporaryDir dir(platform::privateTempFolder() + QStringLiteral("/count-XXXXXX"));
        dir.setAutoRemove(false);
        if (!dir.isValid())
            return;
        folder = dir.path();
        const QString copy = folder + QStringLiteral("/db");
        if (!QFile::copy(path, copy))
            return;
        for (const char* suffix : {"-journal", "-wal"}) {
            if (platform::itemInfo(path + QLatin1String(suffix)).isRegular)
                QFile::copy(path + QLatin1String(suffix), copy + QLatin1String(suffix));
        }
        database = copy;
    }
    ~PrivateCopy()
    {
        if (!folder.isEmpty())
            QDir(folder).removeRecursively();
    }
};

} // namespace

std::optional<int> ToGetDB::count(const QString& path, const Statement& statement, bool logOpenFailure)
{
    if (!path.isEmpty() && platform::itemExists(path) && !isLinked(path) && companionInUse(path)) {
        // Opened where it lies, SQLite would roll the journal back or write
        // the log's index: measuring must not change the browser's files.
        PrivateCopy copy(path);
        if (copy.database.isEmpty()) {
            interlog::file(QStringLiteral("count error: cannot copy %1").arg(path));
            return std::nullopt;
        }
        return countHere(copy.database, statement, logOpenFailure, true);
    }
    return countHere(path, statement, logOpenFailure, false);
}

std::optional<int> ToGetDB::countHere(const QString& path, const Statement& statement, bool logOpenFailure,
                                      bool privateCopy)
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

    Connection c;
    // A private copy is opened for writing, so its journal can be rolled back.
    const int flags = privateCopy ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db, flags, nullptr) != SQLITE_OK) {
        if (logOpenFailure)
            interlog::info(QStringLiteral("打开数据库失败！"));
        return std::nullopt;
    }
    sqlite3_busy_timeout(c.db, busyTimeoutMs_);
    Prepared p;
    if (sqlite3_prepare_v2(c.db, statement.sql, -1, &p.stmt, nullptr) != SQLITE_OK
        || !bindAll(p.stmt, statement.parameters)) {
        interlog::file(QStringLiteral("count error: %1 (%2)").arg(c.error(), path));
        return std::nullopt;
    }
    const int rc = sqlite3_step(p.stmt);
    if (rc != SQLITE_ROW) {
        interlog::file(QStringLiteral("count error: %1 (%2)").arg(c.error(), path));
        return std::nullopt;
    }
    const int n = sqlite3_column_int(p.stmt, 0);
    interlog::info(QStringLiteral("------%1").arg(n));
    return n;
}

bool ToGetDB::runDeletes(const QString& path, const std::vector<Statement>& statements)
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
        if (s.optionalTable && !hasTable(c.db, s.optionalTable))
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
        return count(path, {"select count(*) from moz_historyvisits", {}}, true);
    case Count::FirefoxDownload:
        return count(path,
                     {"select count(*) from moz_annos where anno_attribute_id in "
                      "(select id from moz_anno_attributes where name glob ?1)",
                      {QString::fromLatin1(kFirefoxDownloadAnnos)}},
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

bool ToGetDB::firefoxDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, {{"delete from moz_historyvisits", {}}});
}

bool ToGetDB::firefoxDeleteDownloadWith(const QString& path)
{
    return runDeletes(path, {{"delete from moz_annos where anno_attribute_id in "
                              "(select id from moz_anno_attributes where name glob ?1)",
                              {QString::fromLatin1(kFirefoxDownloadAnnos)}}});
}

bool ToGetDB::safariDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, {{"delete from history_items", {}}, {"delete from history_visits", {}}});
}
