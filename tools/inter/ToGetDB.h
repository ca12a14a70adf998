#pragma once
// The browsers' SQLite databases: counting their rows and emptying their
// tables. Counting opens a database read-only and never creates one; cleaning
// opens it read-write, never creates one, waits a while for a browser that
// holds it, and runs its statements in one transaction, so a clean either
// happens whole or leaves every row where it was.

#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

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
    int getFirefoxHistoryItems(const QString& path);  // moz_historyvisits
    int getFirefoxDownloadItems(const QString& path); // download annotations

    // Emptying. true when the rows are gone (or there was no database at
    // all); false when the database could not be opened or a statement did
    // not finish, in which case nothing was changed.
    bool toDeleteHistoryWith(const QString& path);        // urls
    bool toDeleteDownloadWith(const QString& path);       // downloads, downloads_url_chains
    bool toDeletePasswordWith(const QString& path);       // logins
    bool toDeleteGoogleCookiesWith(const QString& path);  // cookies
    bool operaDeleteHistoryWith(const QString& path);     // urls, visits
    bool operaDeleteDownloadWith(const QString& path);    // downloads, downloads_url_chains
    bool operaDeletePasswordWith(const QString& path);    // logins
    bool firefoxDeleteHistoryWith(const QString& path);   // moz_historyvisits
    bool firefoxDeleteDownloadWith(const QString& path);  // the download annotations of moz_annos
    bool safariDeleteHistoryWith(const QString& path);    // history_items, history_visits

    // The table a count reads, for callers that must tell "no rows" from "could
    // not look": nothing when the database exists but could not be read.
    enum class Count {
        GoogleHistory, GoogleDownload, GooglePassword, GoogleCookies,
        OperaHistory, OperaDownload, OperaPassword,
        SafariHistory, FirefoxHistory, FirefoxDownload,
    };
    std::optional<int> countItems(Count which, const QString& path);

    // How long an operation waits for a browser that holds the database.
    void setBusyTimeout(int milliseconds) { busyTimeoutMs_ = milliseconds; }
    int busyTimeout() const { return busyTimeoutMs_; }

private:
    ToGetDB() = default;
    struct Statement {
        const char* sql;
        QStringList parameters;
    };
    std::optional<int> count(const QString& path, const Statement& statement, bool logOpenFailure);
    bool runDeletes(const QString& path, std::initializer_list<Statement> statements);

    std::atomic<int> busyTimeoutMs_{2000};
};
