// The Browser Cleaner's scan and clean driven offscreen on the recorded
// Chromium and Firefox ESR profiles (tests/tools/inter/data), grown to what a
// year of use leaves: 20,000 visited addresses in each history and 5,000
// cache files. Prints the longest main-thread stall of each; the aim is under
// 100 ms. Everything lives in a temporary NULLVANE_ROOT removed at the end;
// the process list is a fake, so no browser of this machine is ever asked
// to close.
//
// The recorded profiles are found through NULLVANE_BROWSER_DATA, else beside
// the build folder (<source>/build/bin).

#include "bench/PrivateConfig.h"
#include "StallProbe.h"

#include "tests/support/FakeProcessList.h"
#include "tools/inter/InternetViewController.h"
#include "toolkit/ApplicationLook.h"
#include "toolkit/Animation.h"
#include "toolkit/ToolArea.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <sqlite3.h>   // the cleaner's own library brings SQLite into the link

namespace {

constexpr int kHistoryRows = 20000;
constexpr int kCacheFiles = 5000;

QString recordedData()
{
    QStringList candidates;
    if (qEnvironmentVariableIsSet("NULLVANE_BROWSER_DATA"))
        candidates << qEnvironmentVariable("NULLVANE_BROWSER_DATA");
    candidates << QCoreApplication::applicationDirPath() + QStringLiteral("/../../tests/tools/inter/data");
    for (const QString& c : candidates) {
        if (QFileInfo::exists(c + QStringLiteral("/chromium-156/Default/History")))
            return QDir(c).absolutePath();
    }
    return {};
}

bool copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + file.mid(from.size());
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!QFile::copy(file, target))
            return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    return true;
}

bool exec(const QString& db, const char* sql)
{
    sqlite3* h = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(db).constData(), &h) == SQLITE_OK
              && sqlite3_exec(h, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "%s: %s\n", qPrintable(db), sqlite3_errmsg(h));
    sqlite3_close(h);
    return ok;
}

int countRows(const QString& db, const char* table)
{
    sqlite3* h = nullptr;
    sqlite3_stmt* s = nullptr;
    int n = -1;
    const QByteArray sql = QByteArray("select count(*) from ") + table;
    if (sqlite3_open_v2(QFile::encodeName(db).constData(), &h, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(h, sql.constData(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        n = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    sqlite3_close(h);
    return n;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The recorded profiles in the bench's home, grown by a year of browsing.
bool buildHome(const QString& data, const QString& root, const QString& home)
{
    const QString chrome = home + QStringLiteral("/.config/google-chrome/Default");
    const QString profiles = home + QStringLiteral("/.config/mozilla/firefox");
    if (!copyTree(data + QStringLiteral("/chromium-156/Default"), chrome)
        || !copyTree(data + QStringLiteral("/firefox-esr-153/profiles"), profiles)
        || !copyTree(data + QStringLiteral("/firefox-esr-153/cache"), home + QStringLiteral("/.cache/mozilla/firefox")))
        return false;
    for (const char* name : {"Google Chrome", "Firefox ESR"}) {
        QString id = QString::fromLatin1(name).toLower().replace(QLatin1Char(' '), QLatin1Char('-'));
        if (!writeFile(root + QStringLiteral("/usr/share/applications/") + id + QStringLiteral(".desktop"),
                       "[Desktop Entry]\nType=Application\nName=" + QByteArray(name) + "\nExec=" + id.toUtf8() + "\n"))
            return false;
    }
    const QByteArray rows = QByteArray::number(kHistoryRows);
    const QByteArray count = "with recursive c(x) as (select 1 union all select x + 1 from c where x < " + rows + ") ";
    if (!exec(chrome + QStringLiteral("/History"),
              "begin; insert into urls(url, title, visit_count, last_visit_time) " + count
                  + "select 'https://site' || (x % 900) || '.example/page/' || x, 'Page ' || x, 1, 13300000000000000 + x "
                    "from c; insert into visits(url, visit_time, transition) " + count
                  + "select id, last_visit_time, 805306368 from urls where title like 'Page %'; commit;")
        || !exec(profiles + QStringLiteral("/ebpvrodj.default-esr/places.sqlite"),
                 "begin; insert into moz_origins(prefix, host, frecency) " + count
                     + "select 'https://', 'site' || x || '.example', 1 from c where x <= 900; "
                       "insert into moz_places(url, title, rev_host, visit_count, guid, origin_id, url_hash, "
                       "last_visit_date) " + count
                     + "select 'https://site' || (x % 900 + 1) || '.example/page/' || x, 'Page ' || x, "
                       "'elpmaxe.' || (x % 900 + 1) || 'etis.', 1, 'bench' || x, (select id from moz_origins where "
                       "host = 'site' || (x % 900 + 1) || '.example'), x, 1790000000000000 + x from c; "
                       "insert into moz_historyvisits(place_id, visit_date, visit_type, source) select id, "
                       "last_visit_date, 1, 0 from moz_places where guid like 'bench%'; commit;"))
        return false;
    const QByteArray entry(4096, 'c');
    for (int i = 0; i < kCacheFiles; ++i) {
        const QString cache = home + QStringLiteral("/.cache/google-chrome/Default/Cache/Cache_Data/f_%1").arg(i, 6, 16, QLatin1Char('0'));
        if (!writeFile(cache, entry))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    bench::PrivateConfig config;
    QTemporaryDir root(QDir::tempPath() + QStringLiteral("/nullvane-bench-browser-XXXXXX"));
    if (!root.isValid()) {
        std::perror("cannot make a temporary folder");
        return 1;
    }
    // Every location the cleaner looks at resolves below the temporary root.
    const QString homeInRoot = QStringLiteral("/home/bench");
    qputenv("NULLVANE_ROOT", QFile::encodeName(root.path()));
    qputenv("HOME", homeInRoot.toUtf8());
    qputenv("USER", "bench");
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");

    QApplication app(argc, argv);
    toolkit::setUpApplicationLook();
    toolkit::setAnimationScale(0);
    const QString data = recordedData();
    if (data.isEmpty()) {
        std::fprintf(stderr, "no recorded browser profiles found; set NULLVANE_BROWSER_DATA to tests/tools/inter/data\n");
        return 1;
    }
    const QString home = root.path() + homeInRoot;
    if (!buildHome(data, root.path(), home)) {
        std::fprintf(stderr, "cannot build the bench's home in %s\n", qPrintable(root.path()));
        return 1;
    }

    nvtest::FakeProcessList processes;
    InternetViewController screen;
    screen.setProcessList(&processes);
    screen.setAccessCheck([] { return 2; });
    screen.view()->resize(toolkit::kToolWidth, toolkit::kToolHeight);
    screen.view()->show();

    bench::StallProbe probe;
    probe.start();
    screen.checkOpenBrower();
    if (!probe.runUntil([&] { return screen.currentPanel() == InternetViewController::Panel::Result; }, 120000)) {
        std::fprintf(stderr, "the scan did not end\n");
        return 1;
    }
    bench::reportStall("Browser Cleaner scan (Chromium + Firefox ESR)", probe.longestStallMs());

    probe.start();
    screen.cleanButtonAction();
    if (!probe.runUntil([&] { return screen.currentPanel() == InternetViewController::Panel::End; }, 120000)) {
        std::fprintf(stderr, "the clean did not end\n");
        return 1;
    }
    bench::reportStall("Browser Cleaner clean (every item ticked)", probe.longestStallMs());

    // A clean that did nothing would measure nothing.
    const int chromeLeft = countRows(home + QStringLiteral("/.config/google-chrome/Default/History"), "urls");
    const int firefoxLeft =
        countRows(home + QStringLiteral("/.config/mozilla/firefox/ebpvrodj.default-esr/places.sqlite"), "moz_historyvisits");
    std::printf("left after the clean: %d Chromium addresses, %d Firefox visits\n", chromeLeft, firefoxLeft);
    screen.view()->hide();
    return chromeLeft == 0 && firefoxLeft == 0 ? bench::stallExitCode() : 1;
}
