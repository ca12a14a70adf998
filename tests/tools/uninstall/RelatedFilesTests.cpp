// The related-file search over fixture Library folders: the search order, the
// keys, and the rule that a key names a file only up to a boundary and that
// the longer key of two installed items wins.

#include "TestSupport.h"
#include "UninstallFixtures.h"
#include "core/CommUti.h"
#include "platform/Log.h"
#include "tools/uninstall/ConfirmationTicks.h"
#include "tools/uninstall/RelatedAppFilesScanner.h"
#include "tools/uninstall/UninstallEngine.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QSet<QString> setOf(const QStringList& l)
{
    return QSet<QString>(l.begin(), l.end());
}

QStringList entryNames(const AMAppItemList& group)
{
    QStringList out;
    for (int i = 1; i < group.size(); ++i)
        out << group.at(i)->path.section(QLatin1Char('/'), -1);
    return out;
}

} // namespace

TEST(RelatedSearch, SevenSearchesInOrderUserBeforeLocalNameBeforeIdentifier)
{
    fx::resetRoot();
    const QString app = fx::makeBundle(fx::at(QStringLiteral("/Applications/My Editor.app")),
                                       fx::appInfo(QStringLiteral("My Editor"), QStringLiteral("com.example.MyEditor")));
    const QString id = QStringLiteral("com.example.MyEditor");
    const QStringList expected{
        fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/My Editor.plist"))),
        fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/") + id + QStringLiteral(".plist"))),
        fx::makeFile(fx::at(QStringLiteral("/Library/Preferences/") + id + QStringLiteral(".plist"))),
        fx::makeFolder(fx::at(QStringLiteral("~/Library/Caches/") + id)),
        fx::makeFolder(fx::at(QStringLiteral("/Library/Caches/My Editor"))),
        fx::makeFile(fx::at(QStringLiteral("~/Library/Logs/MyEditor.log"))),
        fx::makeFolder(fx::at(QStringLiteral("~/Library/Saved Application State/") + id + QStringLiteral(".savedState"))),
        fx::makeFolder(fx::at(QStringLiteral("~/Library/Application Support/My Editor"))),
        fx::makeFolder(fx::at(QStringLiteral("/Library/Application Support/") + id)),
        fx::makeFile(fx::at(QStringLiteral("~/Downloads/My Editor Installer.dmg"))),
        fx::makeFile(fx::at(QStringLiteral("~/Library/Application Support/Growl/Tickets/My Editor.growlTicket"))),
    };
    fx::makeFile(fx::at(QStringLiteral("~/Library/Caches/") + id + QStringLiteral("/Cache.db")), 3000);
    // Not searched: saved state of the local domain, Downloads of the local
    // domain, Growl tickets by identifier or outside the user's folder.
    fx::makeFolder(fx::at(QStringLiteral("/Library/Saved Application State/") + id + QStringLiteral(".savedState")));
    fx::makeFile(fx::at(QStringLiteral("/Downloads/My Editor.zip")));
    fx::makeFile(fx::at(QStringLiteral("~/Library/Application Support/Growl/Tickets/") + id +
                        QStringLiteral(".growlTicket")));
    fx::makeFile(fx::at(QStringLiteral("/Library/Application Support/Growl/Tickets/My Editor.growlTicket")));

    const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(app);
    ASSERT_FALSE(group.isEmpty());
    EXPECT_EQ(group.first()->path, app);
    EXPECT_EQ(fx::pathsOf(group).mid(1), expected);

    // Every member is measured as the group is built.
    for (const AMAppItemPtr& member : group)
        EXPECT_EQ(member->size, CommUti::convertVolSpace(CommUti::sizeOfFileRef(member->path))) << member->path;
    EXPECT_EQ(group.at(4)->size, QStringLiteral("3.00 KB"));
    // The downloaded document is found but marked as the user's own.
    for (const AMAppItemPtr& member : group)
        EXPECT_EQ(member->isUserDocument, member->path.contains(QStringLiteral("/Downloads/"))) << member->path;
}

TEST(RelatedSearch, AKeyNamesAnEntryOnlyUpToABoundary)
{
    fx::resetRoot();
    const QString editor = fx::makeBundle(fx::at(QStringLiteral("/Applications/My Editor.app")),
                                          fx::appInfo(QStringLiteral("My Editor"), QStringLiteral("org.myeditor")));
    const QString caches = fx::at(QStringLiteral("~/Library/Caches"));
    for (const char* name : {"my editor.plist", "MyEditor", "MYEDITOR Agent", "My Editor_backup", "my editor-1",
                             "The MyEditor", "MyEditorial", "My Editors", "org.myeditor.helper", "org.myeditorx"})
        fx::makeFile(caches + QLatin1Char('/') + QString::fromUtf8(name));
    const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(editor);
    EXPECT_EQ(setOf(entryNames(group)),
              setOf({QStringLiteral("my editor.plist"), QStringLiteral("MyEditor"), QStringLiteral("MYEDITOR Agent"),
                     QStringLiteral("My Editor_backup"), QStringLiteral("my editor-1"),
                     QStringLiteral("org.myeditor.helper")}));

    // A short name takes no other product's files.
    const QString go = fx::makeBundle(fx::at(QStringLiteral("/Applications/Go.app")),
                                      fx::appInfo(QStringLiteral("Go"), QStringLiteral("org.golang.go")));
    const QString support = fx::at(QStringLiteral("~/Library/Application Support"));
    for (const char* name : {"Google Drive", "Gopher", "Go", "go.plist", "Go-cache", "GoLand"})
        fx::makeFile(support + QLatin1Char('/') + QString::fromUtf8(name));
    const AMAppItemList goGroup = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(go);
    EXPECT_EQ(setOf(entryNames(goGroup)),
              setOf({QStringLiteral("Go"), QStringLiteral("go.plist"), QStringLiteral("Go-cache")}));

    EXPECT_EQ(RelatedAppFilesScanner::matchLength(QStringLiteral("Gopher"), QStringLiteral("Go")), 0);
    EXPECT_EQ(RelatedAppFilesScanner::matchLength(QStringLiteral("myeditor.log"), QStringLiteral("My Editor")), 8);
    EXPECT_EQ(RelatedAppFilesScanner::matchLength(QStringLiteral("anything"), QString()), 0);
}

TEST(RelatedSearch, TheLongerKeyOfTwoInstalledItemsWins)
{
    fx::resetRoot();
    fx::makeBundle(fx::at(QStringLiteral("/Applications/Google Chrome.app")),
                   fx::appInfo(QStringLiteral("Google Chrome"), QStringLiteral("com.google.Chrome")));
    fx::makeBundle(fx::at(QStringLiteral("/Applications/Google Chrome Canary.app")),
                   fx::appInfo(QStringLiteral("Google Chrome Canary"), QStringLiteral("com.google.Chrome.canary")));
    fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/com.google.Chrome.plist")));
    fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/com.google.Chrome.canary.plist")));
    fx::makeFolder(fx::at(QStringLiteral("~/Library/Application Support/Google Chrome")));
    fx::makeFolder(fx::at(QStringLiteral("~/Library/Application Support/Google Chrome Canary")));

    UninstallEngine engine;
    engine.begimScanFile();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !engine.isScan(); }, 20000));
    ASSERT_EQ(engine.allApplications().size(), 2);
    AMAppItemPtr chrome, canary;
    for (const AMAppItemPtr& item : engine.allApplications())
        (item->bundleID.endsWith(QStringLiteral("canary")) ? canary : chrome) = item;
    ASSERT_TRUE(chrome && canary);

    EXPECT_EQ(setOf(entryNames(engine.relatedFilesOf(chrome))),
              setOf({QStringLiteral("com.google.Chrome.plist"), QStringLiteral("Google Chrome")}));
    EXPECT_EQ(setOf(entryNames(engine.relatedFilesOf(canary))),
              setOf({QStringLiteral("com.google.Chrome.canary.plist"), QStringLiteral("Google Chrome Canary")}));

    // Alone, without the other item's keys, the shorter key takes all four.
    EXPECT_EQ(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(chrome->path).size(), 5);
}

TEST(RelatedSearch, KeysFallBackToTheExecutableAndAGroupCanBeTheItemAlone)
{
    fx::resetRoot();
    const QString prefs = fx::at(QStringLiteral("~/Library/Preferences"));
    fx::makeFile(prefs + QStringLiteral("/runner.plist"));
    fx::makeFile(prefs + QStringLiteral("/org.runner.plist"));
    fx::makeFile(prefs + QStringLiteral("/lonely.plist"));

    QVariantMap info{{QStringLiteral("CFBundleExecutable"), QStringLiteral("runner")},
                     {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.runner")},
                     {QStringLiteral("CFBundleName"), QString()}};
    const QString runner = fx::makeBundle(fx::at(QStringLiteral("/Applications/Runner.app")), info);
    EXPECT_EQ(entryNames(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(runner)),
              (QStringList{QStringLiteral("runner.plist"), QStringLiteral("org.runner.plist")}));

    // Without a name key, without an identifier, or with a blank one: alone.
    const QString noName = fx::makeBundle(fx::at(QStringLiteral("/Applications/NoName.app")),
                                          fx::appInfo(QString(), QStringLiteral("org.runner")));
    const QString noId = fx::makeBundle(fx::at(QStringLiteral("/Applications/Lonely.app")),
                                        fx::appInfo(QStringLiteral("lonely"), QString()));
    const QString blankId = fx::makeBundle(fx::at(QStringLiteral("/Applications/Blank.app")),
                                           fx::appInfo(QStringLiteral("lonely"), QStringLiteral(" ")));
    for (const QString& path : {noName, noId, blankId}) {
        const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(path);
        ASSERT_EQ(group.size(), 1) << path;
        EXPECT_EQ(group.first()->path, path);
    }

    // A plug-in file is no bundle; a missing path is logged and stands alone.
    const QString file = fx::makeFile(fx::at(QStringLiteral("/Library/Safari/runner.safariextz")));
    EXPECT_EQ(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(file).size(), 1);
    platform::LogCapture logs;
    const QString missing = fx::at(QStringLiteral("/Applications/Gone.app"));
    const AMAppItemList gone = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(missing);
    ASSERT_EQ(gone.size(), 1);
    EXPECT_EQ(gone.first()->path, missing);
    EXPECT_TRUE(logs.contains(QStringLiteral(".......")));
}

TEST(RelatedSearch, EachPlaceIsOneRowWhateverKeysAndLinkedFoldersReachIt)
{
    fx::resetRoot();
    const QString notes = fx::makeBundle(fx::at(QStringLiteral("/Applications/Notes.app")),
                                         fx::appInfo(QStringLiteral("Notes"), QStringLiteral("notes.helper")));
    const QString shared = fx::makeFile(fx::at(QStringLiteral("~/Library/Logs/notes.helper.log")), 1000);
    // The Library folders many users link to the Linux ones: the same folder
    // is searched twice, under two names.
    const QString config = fx::makeFolder(fx::at(QStringLiteral("~/.config/notes")));
    fx::makeFile(config + QStringLiteral("/settings"), 200000);
    ASSERT_TRUE(QDir().mkpath(fx::at(QStringLiteral("~/Library"))));
    const QString link = fx::at(QStringLiteral("~/Library/Preferences"));
    ASSERT_TRUE(QFile::link(fx::at(QStringLiteral("~/.config")), link));
    const auto unlink = qScopeGuard([&] { QFile::remove(link); }); // later tests want a folder there
    // Its own keys never compete with each other, even when the installed
    // items include the item itself; an entry both name is listed once.
    const AMAppItemPtr self = RelatedAppFilesScanner::constructItem(notes, 1);
    const AMAppItemList group = RelatedAppFilesScanner::relatedFilesToApplicationAtPath(
        notes, RelatedAppFilesScanner::keysOfItems({self}));
    EXPECT_EQ(fx::pathsOf(group), (QStringList{notes, config, shared}));
    // And counted once in the item's total.
    const quint64 onDisk = CommUti::sizeOfFileRef(notes) + CommUti::sizeOfFileRef(config) + 1000;
    EXPECT_EQ(ConfirmationTicks::groupSize(group), CommUti::convertVolSpace(onDisk));
}

TEST(RelatedSearch, AnEntryTwoInstalledItemsNameEquallyStaysInBothGroups)
{
    fx::resetRoot();
    // "Photo Tool" names entries through its blank-free form, as long as the
    // other item's "PhotoTool": neither key is longer, so neither item loses
    // the entry to the other.
    const QString a = fx::makeBundle(fx::at(QStringLiteral("/Applications/Photo Tool.app")),
                                     fx::appInfo(QStringLiteral("Photo Tool"), QStringLiteral("com.a.phototool")));
    const QString b = fx::makeBundle(fx::at(QStringLiteral("/Applications/PhotoTool.app")),
                                     fx::appInfo(QStringLiteral("PhotoTool"), QStringLiteral("org.b.phototool")));
    fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/PhotoTool.plist")));
    fx::makeFolder(fx::at(QStringLiteral("~/Library/Application Support/Photo Tool Helper")));
    fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/org.b.phototool.plist")));

    const QStringList keys = RelatedAppFilesScanner::keysOfItems(
        {RelatedAppFilesScanner::constructItem(a, 0), RelatedAppFilesScanner::constructItem(b, 0)});
    ASSERT_EQ(keys.size(), 4);
    EXPECT_EQ(setOf(entryNames(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(a, keys))),
              setOf({QStringLiteral("PhotoTool.plist"), QStringLiteral("Photo Tool Helper")}));
    EXPECT_EQ(setOf(entryNames(RelatedAppFilesScanner::relatedFilesToApplicationAtPath(b, keys))),
              setOf({QStringLiteral("PhotoTool.plist"), QStringLiteral("org.b.phototool.plist")}));
    EXPECT_EQ(RelatedAppFilesScanner::matchLength(QStringLiteral("PhotoTool.plist"), QStringLiteral("Photo Tool")),
              RelatedAppFilesScanner::matchLength(QStringLiteral("PhotoTool.plist"), QStringLiteral("PhotoTool")));
}
