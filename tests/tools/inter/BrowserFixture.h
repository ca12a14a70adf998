#pragma once
// Fixture homes for the browser cleaner: a fresh NULLVANE_ROOT per test with
// Applications folders and the browsers' own files, SQLite databases in the
// browsers' schemas included.

#include "tools/inter/InternetEngine.h"

#include <QString>

namespace fx {

struct Home {
    Home();   // points NULLVANE_ROOT and USER ("tester") at a fresh folder
    QString root;
    QString library(const QString& rel) const;   // "<root>/Users/tester/Library/<rel>"
    QString home(const QString& rel) const;      // the user's home folder (mapped) + "/<rel>"
    // Writes a desktop entry named `name` (".app" left off) in the system's
    // applications folder, or in `dataFolder` (a location, mapped); gives its path.
    QString app(const QString& name, const QString& dataFolder = QStringLiteral("/usr/share"),
                const QByteArray& more = QByteArray()) const;
};

// A Firefox profiles folder as current Firefox leaves it: "profiles.ini"
// whose install section names "<id>.default-esr", an empty "<id0>.default"
// marked Default=1 beside it; gives the path of the profile in use.
QString firefoxProfilesIni(const QString& profilesFolder);

// Runs statements on a database, made when missing; "%n" in them is `n`.
void sql(const QString& db, const QStringList& statements, int n = 0);
int rows(const QString& db, const QString& table, const QString& where = QString());
// The first column of every row a query gives, as text; ["error: ..."] when
// it cannot run.
QStringList column(const QString& db, const QString& query);
// The keys of a LevelDB store (Chromium's shared_proto_db), read in place.
QStringList levelDbKeys(const QString& folder);
// Copies a folder of the recorded profiles (tests/tools/inter/data) to `to`,
// writable by its owner as the browser leaves its files.
void copyRecorded(const QString& rel, const QString& to);

void chromeHistory(const QString& db, int urls, int downloads);  // urls, visits, keyword_search_terms, downloads...
void chromeLoginData(const QString& db, int logins);
void chromeCookies(const QString& db, int cookies);
// places.sqlite (visits, 2 download annotations each, 1 other), cookies.sqlite,
// logins.json, sessionstore.js.
void firefoxProfile(const QString& folder, int visits, int downloads, int logins);
void safariHistory(const QString& db, int items, int visits);

// Points TMPDIR (and so the program's private temporary folder) at `folder`
// for its lifetime.
struct TemporaryFolderAt {
    explicit TemporaryFolderAt(const QString& folder);
    ~TemporaryFolderAt();
    const QByteArray before;
};
// Every file below `folder`: its relative name and the SHA-256 of its bytes.
QStringList fileDigests(const QString& folder);
// Runs `sql` on the database as a browser in write-ahead-log mode does
// between checkpoints: what it commits stays in the "-wal" file.
bool commitToTheLogOnly(const QString& db, const char* sql);

// Scans the fixture home with a recording delegate.
struct Scanned : InternetEngineDelegate {
    InternetEngine engine;
    int listReloads = 0, itemReloads = 0, buttonCalls = 0;
    bool enabled = false;
    void reloadLists() override { ++listReloads; }
    void reloadItemList() override { ++itemReloads; }
    void setCleanButtonEnabled(bool e) override { ++buttonCalls; enabled = e; }

    explicit Scanned(bool scan = true);
    BrowerObjPtr browser(const QString& name, int nth = 0) const;
    BrowerObjPtr item(const QString& browser, const QString& kind, int nth = 0) const;
    // Cleans the item (checking it is unticked and the list told); gives its text.
    QString clean(const QString& browser, const QString& kind);
};

} // namespace fx
