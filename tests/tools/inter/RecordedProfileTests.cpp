// Profiles recorded from the real browsers (tests/tools/inter/data/README):
// what today's Chromium and Firefox ESR write is found, measured and cleaned.
#include "BrowserFixture.h"
#include "TestSupport.h"

#include "core/CommUti.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace fx;

namespace {

void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        ASSERT_TRUE(QFile::copy(file, target)) << target;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
}

QString recorded(const char* rel) { return QStringLiteral(NULLVANE_BROWSER_DATA "/") + QLatin1String(rel); }

qint64 treeSize(const QString& folder)
{
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        total += QFileInfo(it.next()).size();
    return total;
}

} // namespace

TEST(RecordedProfiles, ChromiumLayoutKeepsCookiesInTheProfileAndEveryVisitGoes)
{
    Home h;
    h.app(QStringLiteral("Google Chrome"));
    const QString profile = h.home(QStringLiteral(".config/google-chrome/Default"));
    copyTree(recorded("chromium-156/Default"), profile);
    ASSERT_FALSE(QFileInfo::exists(profile + QStringLiteral("/Network")));
    const QString history = profile + QStringLiteral("/History");
    ASSERT_GT(rows(history, "visits"), 0);

    Scanned s;
    const QString chrome = QStringLiteral("Google Chrome");
    EXPECT_TRUE(s.item(chrome, QStringLiteral("Cookies"))->urlStr.endsWith(QStringLiteral("/Default/Cookies")));
    EXPECT_EQ(s.item(chrome, QStringLiteral("Browsing History"))->size, QStringLiteral("%1 项").arg(rows(history, "urls")));
    EXPECT_EQ(s.item(chrome, QStringLiteral("Cookies"))->size, QStringLiteral("%1 项").arg(rows(profile + "/Cookies", "cookies")));
    EXPECT_EQ(s.item(chrome, QStringLiteral("Session"))->size,
              CommUti::longlongDiskSize(treeSize(profile + QStringLiteral("/Sessions"))));

    EXPECT_EQ(s.clean(chrome, QStringLiteral("Browsing History")), QStringLiteral("0 项"));
    for (const char* table : {"urls", "visits", "visited_links", "segments", "segment_usage", "keyword_search_terms",
                              "content_annotations", "context_annotations", "clusters_and_visits", "visit_source"})
        EXPECT_EQ(rows(history, QString::fromLatin1(table)), 0) << table;
    EXPECT_EQ(s.clean(chrome, QStringLiteral("Session")), QStringLiteral("0 byte"));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/Sessions")));
    EXPECT_EQ(s.clean(chrome, QStringLiteral("Save Password")), QStringLiteral("0 项"));
    EXPECT_EQ(rows(profile + QStringLiteral("/Login Data"), "stats"), 0);
}

TEST(RecordedProfiles, FirefoxEsrSessionCachesAndTheProfileItUses)
{
    Home h;
    h.app(QStringLiteral("Firefox ESR"));
    const QString profiles = h.home(QStringLiteral(".config/mozilla/firefox"));
    copyTree(recorded("firefox-esr-153/profiles"), profiles);
    copyTree(recorded("firefox-esr-153/cache"), h.home(QStringLiteral(".cache/mozilla/firefox")));
    const QString profile = profiles + QStringLiteral("/gt1ejhn9.default-esr");
    const QString cache = h.home(QStringLiteral(".cache/mozilla/firefox/gt1ejhn9.default-esr"));
    const QString places = profile + QStringLiteral("/places.sqlite");
    ASSERT_GT(rows(places, "moz_historyvisits"), 0);

    Scanned s;
    const QString ff = QStringLiteral("Firefox ESR");
    const qint64 session = QFileInfo(profile + QStringLiteral("/sessionstore.jsonlz4")).size()
                           + treeSize(profile + QStringLiteral("/sessionstore-backups"));
    EXPECT_EQ(s.item(ff, QStringLiteral("Session"))->size, CommUti::longlongDiskSize(session));
    EXPECT_EQ(s.item(ff, QStringLiteral("Caches"))->size, CommUti::longlongDiskSize(treeSize(cache)));
    EXPECT_EQ(s.item(ff, QStringLiteral("Save Password"))->size, QStringLiteral("%1 项").arg(rows(profile + "/logins.db", "loginsL")));
    EXPECT_EQ(s.item(ff, QStringLiteral("Browsing History"))->size, CommUti::longlongDiskSize(QFileInfo(places).size()));

    for (const char* kind : {"Browsing History", "Session", "Caches", "Cookies"})
        s.clean(ff, QString::fromLatin1(kind));
    EXPECT_EQ(rows(places, "moz_historyvisits"), 0);
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/sessionstore.jsonlz4")));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/sessionstore-backups")));
    EXPECT_FALSE(QFileInfo::exists(cache + QStringLiteral("/startupCache")));
    EXPECT_FALSE(QFileInfo::exists(cache + QStringLiteral("/cache2")));
    EXPECT_FALSE(QFileInfo::exists(profile + QStringLiteral("/cookies.sqlite")));
    // The empty profile marked Default=1 is not the one cleaned.
    EXPECT_TRUE(QFileInfo::exists(profiles + QStringLiteral("/4kfeszcf.default/times.json")));
}
