// The database class on real SQLite files in the browsers' schemas.
#include "BrowserFixture.h"
#include "TestSupport.h"

#include "platform/Log.h"
#include "tools/inter/ToGetDB.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>
#include <QDir>
#include "platform/Locations.h"
#include <sys/wait.h>
#include <unistd.h>

using namespace fx;

namespace {
QByteArray digest(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

ToGetDB* db() { return ToGetDB::returnToGetDB(); }
} // namespace

TEST(ToGetDB, CountsReadOnlyAndNeverCreateADatabase)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("db"));
    const QString history = dir + QStringLiteral("/History");
    chromeHistory(history, 7, 3);
    const QByteArray before = digest(history);
    EXPECT_EQ(db()->getGoogleHistoryItems(history), 7);
    EXPECT_EQ(db()->getOperaDownloadItems(history), 3);
    EXPECT_EQ(digest(history), before);

    const QString safari = dir + QStringLiteral("/History.db");   // write-ahead log, as Safari keeps it
    safariHistory(safari, 4, 12);
    EXPECT_EQ(db()->getSafariBrowsingHistoryItems(safari), 12);

    const QString missing = dir + QStringLiteral("/Login Data");
    platform::LogCapture log;
    EXPECT_EQ(db()->getOperaPasswordItems(missing), 0);
    EXPECT_FALSE(log.contains(QStringLiteral("打开数据库失败！")));
    EXPECT_EQ(db()->getGooglePasswordItems(missing), 0);
    EXPECT_TRUE(log.contains(QStringLiteral("打开数据库失败！")));
    EXPECT_EQ(db()->countItems(ToGetDB::Count::GooglePassword, missing), std::optional<int>(0));
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_TRUE(db()->toDeletePasswordWith(missing));
    EXPECT_FALSE(QFileInfo::exists(missing));

    // Not a database: could not look, which is not the same as no rows.
    nvtest::writeFile(dir + QStringLiteral("/Cookies"), QByteArray(4096, 'x'));
    EXPECT_EQ(db()->countItems(ToGetDB::Count::GoogleCookies, dir + QStringLiteral("/Cookies")), std::nullopt);
    EXPECT_EQ(db()->getGoogleCookiesItems(dir + QStringLiteral("/Cookies")), 0);
}

TEST(ToGetDB, EachCleanEmptiesExactlyItsOwnTables)
{
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
        std::function<bool(const QString&)> clean;
        QStringList emptied, kept;
    };
    const auto history = [](const QString& p) { chromeHistory(p, 5, 2); };
    const auto logins = [](const QString& p) { chromeLoginData(p, 3); };
    const auto firefox = [](const QString& p) { firefoxProfile(QFileInfo(p).absolutePath(), 4, 2, 1); };
    const QList<Case> cases = {
        {"chrome history", history, [](auto p) { return db()->toDeleteHistoryWith(p); },
         {"urls", "visits", "keyword_search_terms", "visited_links", "segments", "segment_usage", "visit_source",
          "content_annotations", "context_annotations", "clusters_and_visits"},
         {"downloads", "downloads_url_chains", "meta"}},
        {"chrome downloads", history, [](auto p) { return db()->toDeleteDownloadWith(p); },
         {"downloads", "downloads_url_chains"}, {"urls", "visits", "keyword_search_terms", "meta"}},
        {"opera history", history, [](auto p) { return db()->operaDeleteHistoryWith(p); },
         {"urls", "visits", "keyword_search_terms", "visited_links", "segment_usage"},
         {"downloads", "downloads_url_chains", "meta"}},
        {"opera downloads", history, [](auto p) { return db()->operaDeleteDownloadWith(p); },
         {"downloads", "downloads_url_chains"}, {"urls", "visits", "keyword_search_terms"}},
        {"chrome logins", logins, [](auto p) { return db()->toDeletePasswordWith(p); }, {"logins", "stats"}, {"meta"}},
        {"opera logins", logins, [](auto p) { return db()->operaDeletePasswordWith(p); }, {"logins", "stats"}, {"meta"}},
        {"chrome cookies", [](const QString& p) { chromeCookies(p, 4); },
         [](auto p) { return db()->toDeleteGoogleCookiesWith(p); }, {"cookies"}, {"meta"}},
        {"safari history", [](const QString& p) { safariHistory(p, 3, 9); },
         [](auto p) { return db()->safariDeleteHistoryWith(p); }, {"history_items", "history_visits"}, {"history_tombstones", "metadata"}},
        // Pages go with their visits, but for the one a bookmark and a keyword
        // hold, which keeps its description and loses its download.
        {"firefox history", firefox, [](auto p) { return db()->firefoxDeleteHistoryWith(p); },
         {"moz_historyvisits", "moz_places where foreign_count = 0", "moz_annos where anno_attribute_id < 3"},
         {"moz_places where id = 1 and visit_count = 0", "moz_annos where anno_attribute_id = 3", "moz_anno_attributes",
          "moz_keywords", "moz_bookmarks"}},
        // Only the download annotations go; the bookmark description stays.
        {"firefox downloads", firefox, [](auto p) { return db()->firefoxDeleteDownloadWith(p); },
         {"moz_annos where anno_attribute_id < 3"},
         {"moz_annos where anno_attribute_id = 3", "moz_anno_attributes", "moz_places", "moz_historyvisits"}},
    };
    for (const Case& c : cases) {
        const QString path = nvtest::freshFolder(QStringLiteral("case")) + QStringLiteral("/places.sqlite");
        c.make(path);
        QMap<QString, int> before;
        for (const QString& t : c.emptied + c.kept) {
            before[t] = rows(path, t);
            ASSERT_GT(before[t], 0) << c.name << " " << t;
        }
        EXPECT_TRUE(c.clean(path)) << c.name;
        for (const QString& t : c.emptied)
            EXPECT_EQ(rows(path, t), 0) << c.name << " " << t;
        for (const QString& t : c.kept)
            EXPECT_EQ(rows(path, t), before[t]) << c.name << " " << t;
    }
}

TEST(ToGetDB, StatementsOfOneCleanHappenTogetherOrNotAtAll)
{
    const QString history = nvtest::freshFolder(QStringLiteral("db")) + QStringLiteral("/History");
    chromeHistory(history, 5, 2);
    sql(history, {"DROP TABLE downloads_url_chains"});
    platform::LogCapture log;
    EXPECT_FALSE(db()->toDeleteDownloadWith(history));
    EXPECT_TRUE(log.contains(QStringLiteral("delete base error: no such table: downloads_url_chains")));
    EXPECT_EQ(rows(history, QStringLiteral("downloads")), 2);
}

TEST(ToGetDB, CleaningWaitsForTheBrowserToLetGo)
{
    const QString history = nvtest::freshFolder(QStringLiteral("db")) + QStringLiteral("/History");
    chromeHistory(history, 5, 2);
    sqlite3* browser = nullptr;
    sqlite3_open(QFile::encodeName(history).constData(), &browser);
    ASSERT_EQ(sqlite3_exec(browser, "begin immediate; insert into meta values('held', '1')", nullptr, nullptr, nullptr), SQLITE_OK);
    db()->setBusyTimeout(10000);
    std::thread letGo([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_close(browser);   // rolls its change back
    });
    const bool cleaned = db()->toDeleteHistoryWith(history);
    letGo.join();
    db()->setBusyTimeout(2000);
    EXPECT_TRUE(cleaned);
    EXPECT_EQ(rows(history, QStringLiteral("urls")), 0);
}

TEST(ToGetDB, ADatabaseLinkedFromElsewhereIsNotOpened)
{
    const QString outside = nvtest::freshFolder(QStringLiteral("outside")) + QStringLiteral("/History");
    chromeHistory(outside, 5, 2);
    const QString link = nvtest::freshFolder(QStringLiteral("db")) + QStringLiteral("/History");
    ASSERT_TRUE(QFile::link(outside, link));
    EXPECT_FALSE(db()->toDeleteHistoryWith(link));
    EXPECT_EQ(db()->countItems(ToGetDB::Count::GoogleHistory, link), std::nullopt);
    EXPECT_EQ(rows(outside, QStringLiteral("urls")), 5);
}

// A browser that died in the middle of a write leaves a hot journal and pages
// of its unfinished change in the file. The count is of what was committed,
// and neither the database nor its journal is changed by counting.
TEST(ToGetDB, AHotJournalIsCountedFromTheCommittedStateWithoutTouchingTheFiles)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("hot"));
    const QString history = dir + QStringLiteral("/History");
    chromeHistory(history, 3000, 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sqlite3* h = nullptr;
        sqlite3_open(QFile::encodeName(history).constData(), &h);
        // A tiny cache makes SQLite write the change into the file before commit.
        sqlite3_exec(h, "PRAGMA cache_size=1; BEGIN; DELETE FROM urls; DELETE FROM visits;", nullptr, nullptr, nullptr);
        _exit(0);   // dies without commit or rollback
    }
    int status = 0;
    waitpid(child, &status, 0);
    const QString journal = history + QStringLiteral("-journal");
    ASSERT_GT(QFileInfo(journal).size(), 0) << "no hot journal was left";
    const QByteArray before = digest(history), journalBefore = digest(journal);

    const QString temporary = nvtest::freshFolder(QStringLiteral("tmp"));
    {
        const TemporaryFolderAt tmp(temporary);
        EXPECT_EQ(db()->countItems(ToGetDB::Count::GoogleHistory, history), std::optional<int>(3000));
        // Rolled back in memory: not even a scratch folder was made.
        EXPECT_TRUE(QDir(temporary).isEmpty());
    }
    EXPECT_EQ(digest(history), before);
    EXPECT_EQ(digest(journal), journalBefore);
}

// A browser that runs keeps its latest changes in the write-ahead log. They
// are counted, and counting writes nothing: no scratch copy, no log or index
// beside a database in log mode, also when it has no log at the moment.
TEST(ToGetDB, AWriteAheadLogIsCountedWithoutWritingAnything)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("wal"));
    const QString history = dir + QStringLiteral("/History");
    chromeHistory(history, 5, 0);
    sql(history, {"PRAGMA journal_mode=WAL"});
    ASSERT_FALSE(QFileInfo::exists(history + QStringLiteral("-wal")));
    const QString temporary = nvtest::freshFolder(QStringLiteral("tmp"));
    const TemporaryFolderAt tmp(temporary);
    QStringList before = fileDigests(dir);
    EXPECT_EQ(db()->countItems(ToGetDB::Count::GoogleHistory, history), std::optional<int>(5));
    EXPECT_EQ(fileDigests(dir), before);

    // Three more rows committed to the log, which is not copied back.
    ASSERT_TRUE(commitToTheLogOnly(history, "INSERT INTO urls(url, last_visit_time) VALUES ('https://a.example/', 1), "
                                                "('https://b.example/', 1), ('https://c.example/', 1)"));
    QFile::remove(history + QStringLiteral("-shm"));   // as a browser in exclusive mode keeps it
    ASSERT_GT(QFileInfo(history + QStringLiteral("-wal")).size(), 0);
    before = fileDigests(dir);
    EXPECT_EQ(db()->countItems(ToGetDB::Count::GoogleHistory, history), std::optional<int>(8));
    EXPECT_EQ(fileDigests(dir), before);
    EXPECT_TRUE(QDir(temporary).isEmpty());
}
