// Profiles recorded from the real browsers (tests/tools/inter/data/README):
// what today's Chromium and Firefox ESR write is found, measured and cleaned.
#include "BrowserFixture.h"
#include "TestSupport.h"

#include "core/CommUti.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <leveldb/db.h>
#include <memory>
#include <sqlite3.h>

using namespace fx;

namespace {

qint64 treeSize(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

// Bytes of text the saved form entries keep, as the amount counts them.
qint64 formBytes(const QString& db, const char* nameColumn)
{
    return column(db, QStringLiteral("select sum(length(cast(%1 as blob)) + length(cast(value as blob))) from %2")
                          .arg(QLatin1String(nameColumn),
                               QLatin1String(qstrcmp(nameColumn, "name") == 0 ? "autofill" : "moz_formhistory")))
        .value(0)
        .toLongLong();
}

// Firefox opens a places.sqlite that SQLite finds sound and whose rows point
// only at rows that exist.
void expectSound(const QString& places)
{
    EXPECT_EQ(column(places, QStringLiteral("pragma integrity_check")), QStringList{QStringLiteral("ok")});
    EXPECT_EQ(column(places, QStringLiteral("pragma foreign_key_check")), QStringList());
    EXPECT_EQ(rows(places, "moz_bookmarks", "fk is not null and fk not in (select id from moz_places)"), 0);
    EXPECT_EQ(rows(places, "moz_keywords", "place_id not in (select id from moz_places)"), 0);
    EXPECT_EQ(rows(places, "moz_places", "origin_id not in (select id from moz_origins)"), 0);
    EXPECT_EQ(rows(places, "moz_places",
                   "foreign_count <> (select count(*) from moz_bookmarks where fk = moz_places.id)"
                   " + (select count(*) from moz_keywords where place_id = moz_places.id)"),
              0);
}

const QString kChromium = QStringLiteral("chromium-156/Default");
const QString kFirefoxProfiles = QStringLiteral("firefox-esr-153/profiles");
const QString kFirefoxProfile = QStringLiteral("/ebpvrodj.default-esr");

// The recorded Chromium profile as Google Chrome's default profile.
class RecordedChromium : public ::testing::Test {
protected:
    RecordedChromium()
    {
        h.app(chrome);
        copyRecorded(kChromium, profile);
    }
    Home h;
    const QString chrome = QStringLiteral("Google Chrome");
    const QString profile = h.home(QStringLiteral(".config/google-chrome/Default"));
};

// The recorded Firefox ESR profiles folder in its usual place.
class RecordedFirefox : public ::testing::Test {
protected:
    RecordedFirefox()
    {
        h.app(ff);
        copyRecorded(kFirefoxProfiles, profiles);
    }
    Home h;
    const QString ff = QStringLiteral("Firefox ESR");
    const QString profiles = h.home(QStringLiteral(".config/mozilla/firefox"));
};

} // namespace

TEST_F(RecordedChromium, LayoutKeepsCookiesInTheProfileAndEveryVisitGoes)
{
    ASSERT_FALSE(QFileInfo::exists(profile + QStringLiteral("/Network")));
    const QString history = profile + QStringLiteral("/History");
    const QString webData = profile + QStringLiteral("/Web Data");
    ASSERT_GT(rows(history, "visits"), 0);
    ASSERT_GT(rows(webData, "autofill"), 0);

    Scanned s;
    EXPECT_TRUE(s.item(chrome, QStringLiteral("Cookies"))->urlStr.endsWith(QStringLiteral("/Default/Cookies")));
    EXPECT_EQ(s.item(chrome, QStringLiteral("Browsing History"))->size, QStringLiteral("%1 项").arg(rows(history, "urls")));
    EXPECT_EQ(s.item(chrome, QStringLiteral("Cookies"))->size, QStringLiteral("%1 项").arg(rows(profile + "/Cookies", "cookies")));
    // "自动填充表单数据": the session files and the form entries.
    EXPECT_EQ(s.item(chrome, QStringLiteral("Session"))->size,
              CommUti::longlongDiskSize(treeSize(profile + QStringLiteral("/Sessions")) + formBytes(webData, "name")));

    EXPECT_EQ(s.clean(chrome, QStringLiteral("Browsing History")), QStringLiteral("0 项"));
    for (const char* table : {"urls", "visits", "visited_links", "segments", "segment_usage", "keyword_search_terms",
                              "content_annotations", "context_annotations", "clusters_and_visits", "visit_source"})
        EXPECT_EQ(rows(history, QString::fromLatin1(table)), 0) << table;
    const int searchEngines = rows(webData, "keywords");
    ASSERT_GT(searchEngines, 0);
    EXPECT_EQ(s.clean(chrome, QStringLiteral("Session")), QStringLiteral("0 byte"));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/Sessions")));
    EXPECT_EQ(rows(webData, "autofill"), 0);
    EXPECT_EQ(rows(webData, "keywords"), searchEngines);   // the search engines are no form entries
    EXPECT_EQ(s.clean(chrome, QStringLiteral("Save Password")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(profile + QStringLiteral("/Login Data"), "stats"), 0);
}

// Chromium keeps its downloads twice: the rows of History and its own records
// in shared_proto_db, from which it writes deleted rows back at its next
// start. The amount counts both; the clean empties both and leaves the store's
// other features alone.
TEST_F(RecordedChromium, DownloadsGoFromHistoryAndFromTheStoreThatBringsThemBack)
{
    const QString history = profile + QStringLiteral("/History");
    const QString store = profile + QStringLiteral("/shared_proto_db");
    ASSERT_EQ(rows(history, "downloads"), 2);
    ASSERT_EQ(rows(history, "downloads_url_chains"), 3);
    {
        const QString copy = nvtest::freshFolder(QStringLiteral("store"));
        copyRecorded(kChromium + QStringLiteral("/shared_proto_db"), copy);
        ASSERT_EQ(levelDbKeys(copy).filter(QRegularExpression(QStringLiteral("^21_download,"))).size(), 2);
    }
    const QStringList storeBefore = QDir(store).entryList(QDir::Files, QDir::Name);

    // Rows deleted by hand: the store would bring both back, and says so.
    sql(history, {"DELETE FROM downloads", "DELETE FROM downloads_url_chains"});
    Scanned s;
    EXPECT_EQ(s.item(chrome, QStringLiteral("Download History"))->size, QStringLiteral("2 项"));
    // Measuring read it in memory: the store's files are as they were.
    EXPECT_EQ(QDir(store).entryList(QDir::Files, QDir::Name), storeBefore);

    EXPECT_EQ(s.clean(chrome, QStringLiteral("Download History")), QStringLiteral("0 项"));
    const QStringList keys = levelDbKeys(store);
    EXPECT_TRUE(keys.filter(QRegularExpression(QStringLiteral("^21_download,"))).isEmpty()) << keys;
    EXPECT_GT(keys.filter(QRegularExpression(QStringLiteral("^37_"))).size(), 0) << keys;
    EXPECT_TRUE(keys.contains(QStringLiteral("39_config"))) << keys;
    EXPECT_GT(rows(history, "urls"), 0);   // the visits are another item's
}

// Opera is Chromium underneath and brings deleted downloads back from the
// same store.
TEST_F(RecordedChromium, OperaDownloadsGoFromTheStoreToo)
{
    h.app(QStringLiteral("Opera"));
    const QString opera = h.home(QStringLiteral(".config/opera"));
    copyRecorded(kChromium, opera);
    sql(opera + QStringLiteral("/History"), {"DELETE FROM downloads", "DELETE FROM downloads_url_chains"});

    Scanned s;
    EXPECT_EQ(s.item(QStringLiteral("Opera"), QStringLiteral("Download History"))->size, QStringLiteral("2 项"));
    EXPECT_EQ(s.clean(QStringLiteral("Opera"), QStringLiteral("Download History")), QStringLiteral("0 项"));
    const QStringList keys = levelDbKeys(opera + QStringLiteral("/shared_proto_db"));
    EXPECT_TRUE(keys.filter(QRegularExpression(QStringLiteral("^21_download,"))).isEmpty()) << keys;
}

// A store that keeps no downloads has nothing to lose: its files stay as
// they are, names and bytes, as opening it would change them.
TEST_F(RecordedChromium, AStoreWithoutDownloadsIsNotRewritten)
{
    const QString store = profile + QStringLiteral("/shared_proto_db");
    {
        leveldb::DB* held = nullptr;
        ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), QFile::encodeName(store).toStdString(), &held).ok());
        const std::unique_ptr<leveldb::DB> db(held);
        std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
        for (it->Seek("21_download,"); it->Valid() && it->key().starts_with("21_download,"); it->Next())
            ASSERT_TRUE(db->Delete(leveldb::WriteOptions(), it->key()).ok());
    }
    const QStringList before = fileDigests(store);

    Scanned s;
    EXPECT_EQ(s.item(chrome, QStringLiteral("Download History"))->size, QStringLiteral("2 项"));
    EXPECT_EQ(s.clean(chrome, QStringLiteral("Download History")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(profile + QStringLiteral("/History"), "downloads"), 0);
    EXPECT_EQ(fileDigests(store), before);
}

// Measuring and cleaning read the browser's stores in memory, also a History
// whose latest change is still in its log, as while Chromium runs: a
// temporary folder on a volume of its own keeps no trace of the downloads,
// in its free blocks either.
TEST_F(RecordedChromium, DownloadsLeaveNoTraceInTheTemporaryFolder)
{
    nvtest::LoopDevice dev(32LL << 20);
    NEED_LOOP(dev);
    ASSERT_TRUE(dev.format(QStringLiteral("ext4"), {QStringLiteral("-E"), QStringLiteral("nodiscard")}));
    const QString temporary = dev.mount();
    ASSERT_FALSE(temporary.isEmpty());
    const QString history = profile + QStringLiteral("/History");
    QStringList markers = column(history, QStringLiteral("select guid from downloads"));
    ASSERT_EQ(markers.size(), 2);
    markers << QStringLiteral("nullvane-referrer-in-the-log");
    ASSERT_TRUE(commitToTheLogOnly(history, "UPDATE downloads SET referrer = 'nullvane-referrer-in-the-log'"));
    ASSERT_GT(QFileInfo(history + QStringLiteral("-wal")).size(), 0);
    {
        const TemporaryFolderAt tmp(temporary);
        Scanned s;
        EXPECT_EQ(s.item(chrome, QStringLiteral("Download History"))->size, QStringLiteral("2 项"));
        EXPECT_EQ(s.clean(chrome, QStringLiteral("Download History")), QStringLiteral("0 项"));
    }
    ASSERT_TRUE(dev.unmount());
    for (const QString& marker : markers)
        EXPECT_FALSE(nvtest::fileContains(dev.image(), marker.toLatin1())) << marker.toStdString();
}

TEST_F(RecordedChromium, DownloadsAreLeftWhileTheBrowserHoldsItsStore)
{
    const QString history = profile + QStringLiteral("/History");
    Scanned s;
    EXPECT_EQ(s.item(chrome, QStringLiteral("Download History"))->size, QStringLiteral("2 项"));
    {
        // LevelDB lets one process open a store at a time, as Chromium does.
        leveldb::DB* held = nullptr;
        ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), QFile::encodeName(profile + "/shared_proto_db").toStdString(), &held).ok());
        EXPECT_EQ(s.clean(chrome, QStringLiteral("Download History")), QStringLiteral("2 项"));
        EXPECT_EQ(rows(history, "downloads"), 2);
        delete held;
    }
    EXPECT_EQ(s.clean(chrome, QStringLiteral("Download History")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(history, "downloads"), 0);
    EXPECT_EQ(rows(history, "downloads_url_chains"), 0);
}

// A store that is a link to somewhere else is not the browser's own: it is
// neither read nor changed, and the downloads stay with an amount unknown.
TEST_F(RecordedChromium, StoreLinkedFromElsewhereIsLeftAlone)
{
    const QString elsewhere = nvtest::freshFolder(QStringLiteral("elsewhere")) + QStringLiteral("/store");
    ASSERT_TRUE(QDir().rename(profile + QStringLiteral("/shared_proto_db"), elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, profile + QStringLiteral("/shared_proto_db")));

    Scanned s;
    EXPECT_EQ(s.item(chrome, QStringLiteral("Download History"))->size, QString());
    s.clean(chrome, QStringLiteral("Download History"));
    EXPECT_EQ(rows(profile + QStringLiteral("/History"), "downloads"), 2);
    EXPECT_EQ(levelDbKeys(elsewhere).filter(QRegularExpression(QStringLiteral("^21_download,"))).size(), 2);
}

TEST_F(RecordedFirefox, SessionCachesAndTheProfileItUses)
{
    copyRecorded(QStringLiteral("firefox-esr-153/cache"), h.home(QStringLiteral(".cache/mozilla/firefox")));
    const QString profile = profiles + kFirefoxProfile;
    const QString cache = h.home(QStringLiteral(".cache/mozilla/firefox") + kFirefoxProfile);
    const QString places = profile + QStringLiteral("/places.sqlite");
    const QString forms = profile + QStringLiteral("/formhistory.sqlite");
    ASSERT_GT(rows(places, "moz_historyvisits"), 0);
    ASSERT_GT(rows(forms, "moz_formhistory"), 0);

    Scanned s;
    const qint64 session = QFileInfo(profile + QStringLiteral("/sessionstore.jsonlz4")).size()
                           + treeSize(profile + QStringLiteral("/sessionstore-backups"));
    EXPECT_EQ(s.item(ff, QStringLiteral("Session"))->size, CommUti::longlongDiskSize(session + formBytes(forms, "fieldname")));
    EXPECT_EQ(s.item(ff, QStringLiteral("Caches"))->size, CommUti::longlongDiskSize(treeSize(cache)));
    EXPECT_EQ(s.item(ff, QStringLiteral("Save Password"))->size, QStringLiteral("%1 项").arg(rows(profile + "/logins.db", "loginsL")));
    EXPECT_EQ(s.item(ff, QStringLiteral("Browsing History"))->size, CommUti::longlongDiskSize(QFileInfo(places).size()));

    for (const char* kind : {"Session", "Caches", "Cookies"})
        s.clean(ff, QString::fromLatin1(kind));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/sessionstore.jsonlz4")));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/sessionstore-backups")));
    EXPECT_EQ(rows(forms, "moz_formhistory"), 0);
    EXPECT_EQ(s.item(ff, QStringLiteral("Session"))->size, QStringLiteral("0 byte"));
    EXPECT_FALSE(QFileInfo::exists(cache + QStringLiteral("/startupCache")));
    EXPECT_FALSE(QFileInfo::exists(cache + QStringLiteral("/cache2")));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/cookies.sqlite")));
    // The empty profile marked Default=1 is not the one cleaned.
    EXPECT_TRUE(QFileInfo::exists(profiles + QStringLiteral("/mmn6gx7v.default/times.json")));
}

// Firefox's history is its pages: a visited address stays offered by the
// address bar as long as its page is there, visits or not. Every page that no
// bookmark or keyword holds goes, with what describes it.
TEST_F(RecordedFirefox, HistoryTakesThePagesAndKeepsBookmarksAndKeywords)
{
    const QString places = profiles + kFirefoxProfile + QStringLiteral("/places.sqlite");
    const QString favicons = profiles + kFirefoxProfile + QStringLiteral("/favicons.sqlite");
    // A search made from a visited page, as Firefox keeps it.
    sql(places, {"INSERT INTO moz_places_metadata_search_queries(id, terms) VALUES (901, 'nullvane search')",
                 "UPDATE moz_places_metadata SET search_query_id = 901 WHERE id = (SELECT min(id) FROM moz_places_metadata)"});
    for (const char* table : {"moz_places_metadata", "moz_places_metadata_search_queries", "moz_inputhistory", "moz_keywords"})
        ASSERT_GT(rows(places, QString::fromLatin1(table)), 0) << table;
    ASSERT_GT(rows(places, "moz_places", "url like '%/c.html'"), 0);
    const int bookmarks = rows(places, "moz_bookmarks");
    const QStringList held = column(places, QStringLiteral("select url from moz_places where foreign_count > 0 order by id"));
    ASSERT_TRUE(held.filter(QStringLiteral("/a.html")).size() == 1 && held.filter(QStringLiteral("/b.html")).size() == 1) << held;
    // Headless Firefox stored no icons of the local pages: as it would, one
    // for the visited c.html, one for the bookmarked a.html, and the site's
    // own icon, which stays while a page of the site does.
    const QString site = held.filter(QStringLiteral("/a.html")).value(0).section(QLatin1Char('/'), 0, 2);
    sql(favicons, {QStringLiteral("INSERT INTO moz_pages_w_icons(id, page_url, page_url_hash) VALUES (901, '%1/c.html', 1), "
                                  "(902, '%1/a.html', 2)").arg(site),
                   QStringLiteral("INSERT INTO moz_icons(id, icon_url, fixed_icon_url_hash, root) VALUES "
                                  "(901, '%1/c.png', 1, 0), (902, '%1/a.png', 2, 0), (903, '%1/favicon.ico', 3, 1), "
                                  "(904, 'http://gone.example/favicon.ico', 4, 1)").arg(site),
                   QStringLiteral("INSERT INTO moz_icons_to_pages(page_id, icon_id) VALUES (901, 901), (902, 902)")});

    Scanned s;
    EXPECT_EQ(s.clean(ff, QStringLiteral("Browsing History")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(places, "moz_historyvisits"), 0);
    EXPECT_EQ(column(places, QStringLiteral("select url from moz_places order by id")), held);
    EXPECT_EQ(rows(places, "moz_places", "visit_count > 0 or last_visit_date is not null"), 0);
    for (const char* table : {"moz_places_metadata", "moz_places_metadata_search_queries", "moz_inputhistory", "moz_annos"})
        EXPECT_EQ(rows(places, QString::fromLatin1(table)), 0) << table;
    EXPECT_EQ(rows(places, "moz_bookmarks"), bookmarks);
    EXPECT_EQ(column(places, QStringLiteral("select keyword from moz_keywords")), QStringList{QStringLiteral("pb")});
    EXPECT_EQ(rows(places, "moz_origins", "id not in (select origin_id from moz_places)"), 0);
    EXPECT_EQ(rows(places, "moz_places", "recalc_frecency = 0"), 0);   // Firefox ranks what is left anew
    EXPECT_EQ(rows(favicons, "moz_pages_w_icons"), rows(favicons, "moz_pages_w_icons", "page_url in ('" + held.join("','") + "')"));
    EXPECT_EQ(column(favicons, QStringLiteral("select id from moz_icons where id > 900 order by id")),
              (QStringList{QStringLiteral("902"), QStringLiteral("903")}));
    EXPECT_EQ(rows(favicons, "moz_icons_to_pages", "page_id not in (select id from moz_pages_w_icons)"), 0);
    expectSound(places);
    EXPECT_EQ(column(favicons, QStringLiteral("pragma integrity_check")), QStringList{QStringLiteral("ok")});
}

TEST_F(RecordedFirefox, DownloadsTakeTheirVisitsAndPagesAndNothingElse)
{
    const QString places = profiles + kFirefoxProfile + QStringLiteral("/places.sqlite");
    ASSERT_EQ(rows(places, "moz_historyvisits", "visit_type = 7"), 2);
    const QStringList otherVisits =
        column(places, QStringLiteral("select place_id || ' ' || visit_date from moz_historyvisits where visit_type <> 7"));
    const int pages = rows(places, "moz_places");
    // A download of a bookmarked page keeps the page.
    sql(places, {"INSERT INTO moz_bookmarks(type, fk, parent, position, title, guid) SELECT 1, id, 5, 9, 'file', "
                 "'nvfile2held' FROM moz_places WHERE url LIKE '%/file2.bin'",
                 "UPDATE moz_places SET foreign_count = foreign_count + 1 WHERE url LIKE '%/file2.bin'"});

    Scanned s;
    EXPECT_EQ(s.clean(ff, QStringLiteral("Download History")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(places, "moz_historyvisits", "visit_type = 7"), 0);
    EXPECT_EQ(rows(places, "moz_annos"), 0);
    EXPECT_EQ(rows(places, "moz_places", "url like '%/file1.bin'"), 0);
    EXPECT_EQ(rows(places, "moz_places", "url like '%/file2.bin'"), 1);
    EXPECT_EQ(rows(places, "moz_places"), pages - 1);
    EXPECT_EQ(column(places, QStringLiteral("select place_id || ' ' || visit_date from moz_historyvisits")), otherVisits);
    EXPECT_GT(rows(places, "moz_places_metadata"), 0);   // the pages' own history is another item's
    expectSound(places);
}
