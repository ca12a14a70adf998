#include "ToGetDB.h"

#include "platform/FileAttributes.h"
#include "platform/Log.h"

#include <QFile>
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

std::optional<int> ToGetDB::count(const QString& path, const Statement& statement, bool logOpenFailure)
{
    // Nothing named, or nothing there: no rows, and no empty database left behind.
    if (path.isEmpty())
        return 0;
    if (!platform::itemExists(path)) {
        if (logOpenFailure)
            platform::log(QStringLiteral("打开数据库失败！"));
        return 0;
    }
    if (isLinked(path))
        return std::nullopt;

    Connection c;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        if (logOpenFailure)
            platform::log(QStringLiteral("打开数据库失败！"));
        return std::nullopt;
    }
    sqlite3_busy_timeout(c.db, busyTimeoutMs_);
    Prepared p;
    if (sqlite3_prepare_v2(c.db, statement.sql, -1, &p.stmt, nullptr) != SQLITE_OK
        || !bindAll(p.stmt, statement.parameters)) {
        platform::log(QStringLiteral("count error: %1 (%2)").arg(c.error(), path));
        return std::nullopt;
    }
    const int rc = sqlite3_step(p.stmt);
    if (rc != SQLITE_ROW) {
        platform::log(QStringLiteral("count error: %1 (%2)").arg(c.error(), path));
        return std::nullopt;
    }
    const int n = sqlite3_column_int(p.stmt, 0);
    platform::log(QStringLiteral("------%1").arg(n));
    return n;
}

bool ToGetDB::runDeletes(const QString& path, std::initializer_list<Statement> statements)
{
    if (path.isEmpty() || !platform::itemExists(path))
        return true;
    if (isLinked(path)) {
        platform::log(QStringLiteral("打开数据库失败！"));
        return false;
    }
    Connection c;
    // Read-write without create: a database that vanished is not made anew.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &c.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        platform::log(QStringLiteral("打开数据库失败！"));
        return false;
    }
    sqlite3_busy_timeout(c.db, busyTimeoutMs_);

    const auto fail = [&](int index) {
        const QString error = c.error();
        platform::log(index == 0 ? QStringLiteral("delete time error: %1").arg(error)
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

bool ToGetDB::toDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, {{"delete from urls", {}}});
}

bool ToGetDB::toDeleteDownloadWith(const QString& path)
{
    return runDeletes(path, {{"delete from downloads", {}}, {"delete from downloads_url_chains", {}}});
}

bool ToGetDB::toDeletePasswordWith(const QString& path)
{
    return runDeletes(path, {{"delete from logins", {}}});
}

bool ToGetDB::toDeleteGoogleCookiesWith(const QString& path)
{
    return runDeletes(path, {{"delete from cookies", {}}});
}

bool ToGetDB::operaDeleteHistoryWith(const QString& path)
{
    return runDeletes(path, {{"delete from urls", {}}, {"delete from visits", {}}});
}

bool ToGetDB::operaDeleteDownloadWith(const QString& path)
{
    return runDeletes(path, {{"delete from downloads", {}}, {"delete from downloads_url_chains", {}}});
}

bool ToGetDB::operaDeletePasswordWith(const QString& path)
{
    return runDeletes(path, {{"delete from logins", {}}});
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
