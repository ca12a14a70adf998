#pragma once
// The browsers' SQLite databases: counting their rows and emptying their
// tables. Counting opens a database read-only and never creates one; a
// database with a journal or write-ahead log beside it (a browser that runs,
// or died mid-write), or in write-ahead-log mode, is counted from its
// committed state read into memory (MemoryDatabase.h), so a count changes
// neither the browser's files nor writes anything to any disk. Cleaning
// opens it read-write, never creates one, waits a while for a browser that
// holds it, and runs its statements in one transaction, so a clean either
// happens whole or leaves every row where it was.

#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>
#include <vector>

struct sqlite3;

class ToGetDB {
public:
    // The one shared instance, made on first use (safe from any thread).
    static ToGetDB* returnToGetDB();

    // Counts. 0 when the database is missing or cannot be read.
    int getGoogleHistoryItems(const QString& path);   // urls
    int getGoogleDownloadItems(const QString& path);  // downloads
    int getGooglePasswordItems(const QString& path);  // logins
    int getGoogleCookiesItems(const QString& path);   // cookies
    int getOperaHistoryItems(const QString& path);    // urls
    int getOperaDownloadItems(const QString& path);   // downloads
    int getOperaPasswordItems(const QString& path);   // logins
    int getSafariBrowsingHistoryItems(const QString& path);  // history_visits
    int getFirefoxHistoryItems(const QString& path);  // pages visited or kept by nothing else
    int getFirefoxDownloadItems(const QString& path); // pages downloaded (visit or annotation)
    int getFirefoxLoginItems(const QString& path);    // logins.db: local and synced logins

    // Emptying. true when the rows are gone (or there was no database at
    // all); false when the database could not be opened or a statement did
    // not finish, in which case nothing was changed.
    // History: urls and every table that keeps visits or visited addresses.
    bool toDeleteHistoryWith(const QString& path);
    bool toDeleteDownloadWith(const QString& path);       // downloads, downloads_url_chains
    bool toDeletePasswordWith(const QString& path);       // logins and what is kept about them (stats, ...)
    bool toDeleteGoogleCookiesWith(const QString& path);  // cookies
    bool operaDeleteHistoryWith(const QString& path);     // as toDeleteHistoryWith
    bool operaDeleteDownloadWith(const QString& path);    // downloads, downloads_url_chains
    bool operaDeletePasswordWith(const QString& path);    // as toDeletePasswordWith
    // Every visit, every page that no bookmark or keyword holds, what
    // describes them (metadata, input history, annotations), and the origins
    // and icons (favicons.sqlite beside it) only they used. Bookmarked pages
    // stay, unvisited; Firefox is asked to rank again what is left.
    bool firefoxDeleteHistoryWith(const QString& path);
    // The download visits, the download annotations, and the pages only
    // downloads brought (unless held), in the same way.
    bool firefoxDeleteDownloadWith(const QString& path);
    bool toDeleteFormDataWith(const QString& path);       // "Web Data": autofill
    bool firefoxDeleteFormDataWith(const QString& path);  // formhistory.sqlite
    bool safariDeleteHistoryWith(const QString& path);    // history_items, history_visits
    bool firefoxDeleteLoginsWith(const QString& path);    // logins.db: loginsL, loginsM

    // The table a count reads, for callers that must tell "no rows" from "could
    // not look": nothing when the database exists but could not be read.
    enum class Count {
        GoogleHistory, GoogleDownload, GooglePassword, GoogleCookies,
        OperaHistory, OperaDownload, OperaPassword,
        SafariHistory, FirefoxHistory, FirefoxDownload, FirefoxLogins,
        // The bytes of text the saved form entries keep (names and values):
        // "Web Data" autofill, formhistory.sqlite moz_formhistory.
        GoogleFormBytes, FirefoxFormBytes,
    };
    std::optional<int> countItems(Count which, const QString& path);
    // Chromium's downloads: the rows of "downloads" and the download records
    // (by guid) it would bring back from its own store at the next start.
    std::optional<int> countDownloads(const QString& path, const QStringList& storedGuids);

    // How long an operation waits for a browser that holds the database.
    void setBusyTimeout(int milliseconds) { busyTimeoutMs_ = milliseconds; }
    int busyTimeout() const { return busyTimeoutMs_; }

private:
    ToGetDB() = default;
    struct Statement {
        const char* sql;
        QStringList parameters;
        // When set, the statement is left out for a database without this
        // table (tables that only some versions of a browser have).
        const char* optionalTable = nullptr;
        // When set, left out where optionalTable lacks this column.
        const char* optionalColumn = nullptr;
    };
    // A database opened beside the main one for the statements that name its
    // schema; left out when its file is missing.
    struct Attached {
        const char* schema;
        QString path;
    };
    std::optional<int> countOn(sqlite3* db, const Statement& statement, const QString& path);
    static std::vector<Statement> historyStatements();
    static std::vector<Statement> loginStatements();
    std::optional<int> count(const QString& path, const Statement& statement, bool logOpenFailure);
    bool runDeletes(const QString& path, const std::vector<Statement>& statements,
                    const std::vector<Attached>& attached = {});
    static std::vector<Statement> firefoxStatements(bool downloadsOnly);

    std::atomic<int> busyTimeoutMs_{2000};
};
