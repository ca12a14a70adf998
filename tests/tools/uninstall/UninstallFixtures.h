#pragma once
// Fixture trees for the uninstaller tests. Fixed locations ("/Applications",
// "~/Library/...") are built under NULLVANE_ROOT through the same mapping the
// code uses.

#include "tools/uninstall/AMAppItem.h"
#include "tools/uninstall/UninstallTally.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace fx {

// The real path of a fixed location.
QString at(const QString& location);

// Empties the NULLVANE_ROOT tree, so each test starts from nothing.
void resetRoot();

// A bundle folder; with `info`, "Contents/Info.plist" holds it.
QString makeBundle(const QString& path, const QVariantMap& info = {}, bool withInfo = true);
QVariantMap appInfo(const QString& name, const QString& identifier, const QString& version = QString());

// A file of `size` bytes (folders made as needed).
QString makeFile(const QString& path, qint64 size = 10);
QString makeFolder(const QString& path);

QStringList pathsOf(const AMAppItemList& items);
QStringList namesOf(const AMAppItemList& items);

// A stand-alone application as a user keeps one: the program file
// "~/Applications/<id>.AppImage" of `programSize` bytes and its desktop entry
// "~/.local/share/applications/<id>.desktop" of exactly `entrySize` bytes
// (enough for its lines), named "<id>".
struct StandAloneApp {
    QString program, entry;
};
StandAloneApp makeStandAloneApp(const QString& id, qint64 programSize, qint64 entrySize);

// What an executor reported of the items it was given, in the order reported.
struct RemovalReport {
    AMAppItemList removed, failed;
};
// Removes `items` through an AsMDeleteExecutor and waits until each one is
// reported (up to two minutes: a package removal runs apt-get).
RemovalReport removeThroughExecutor(const AMAppItemList& items);
// The progress dialog's count of a run that reported as `report` did.
UninstallTally tallyOf(const RemovalReport& report);

// Makes a folder's entries impossible to remove for this process (the
// immutable flag for root, a read-only folder for anyone else) until the
// guard ends or unlock() is called.
class FolderLock {
public:
    explicit FolderLock(const QString& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool locked() const { return locked_; }
    void unlock();

private:
    QString folder_;
    bool locked_ = false;
};

// Stands in for pkexec for as long as it lives (NULLVANE_PKEXEC): notes each
// call and answers, one answer per call, as the test asked: "grant" (start
// the real helper), "refuse", "cancel", "vanish" (the helper is gone at
// once) or "slow" (grant after a second). It grants once the answers run out.
class FakePkexec {
public:
    FakePkexec();
    ~FakePkexec();
    FakePkexec(const FakePkexec&) = delete;
    FakePkexec& operator=(const FakePkexec&) = delete;

    void answer(const QStringList& modes);
    // A granted call first gives the user back the rights on `folder`.
    void unlockOnGrant(const QString& folder);
    QStringList calls() const;

private:
    QString base_;
};

} // namespace fx
