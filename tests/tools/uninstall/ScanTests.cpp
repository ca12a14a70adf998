// Installed items: the record, reading an item from a bundle, the three walks
// and the engine's scan, refresh and size measurement, over fixture trees
// built under NULLVANE_ROOT.

#include "TestSupport.h"
#include "UninstallFixtures.h"
#include "core/CommUti.h"
#include "platform/Dispatch.h"
#include "tools/uninstall/RelatedAppFilesScanner.h"
#include "tools/uninstall/UninstallEngine.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <gtest/gtest.h>

namespace {

QSet<QString> setOf(const QStringList& l)
{
    return QSet<QString>(l.begin(), l.end());
}

class Listener : public UninstallEngine::Listener {
public:
    void applicationAdded(const AMAppItemPtr& item) override
    {
        onMain = onMain && platform::dispatch::isMainThread();
        added << item->name;
        if (finished)
            addedAfterFinish = true;
    }
    void selectionCleared(int kind) override { cleared << kind; }
    void scanFinished() override
    {
        onMain = onMain && platform::dispatch::isMainThread();
        finished = true;
    }
    void refreshFinished(int kind) override { refreshed << kind; }
    void sizeMeasured(const AMAppItemPtr& item) override
    {
        onMain = onMain && platform::dispatch::isMainThread();
        measured << item;
    }

    QStringList added;
    QList<int> cleared;
    QList<int> refreshed;
    AMAppItemList measured;
    bool finished = false;
    bool addedAfterFinish = false;
    bool onMain = true;
};

// The installed items of the fixture machine.
void buildInstalledTree()
{
    fx::resetRoot();
    const QString apps = fx::at(QStringLiteral("/Applications"));
    const QString editor = fx::makeBundle(apps + QStringLiteral("/Editor.app"),
                                          fx::appInfo(QStringLiteral("Editor"), QStringLiteral("com.example.editor"),
                                                      QStringLiteral("2.1")));
    // A bundle inside a bundle is part of it, not an item of its own.
    fx::makeBundle(editor + QStringLiteral("/Contents/Helpers/Inner.app"),
                   fx::appInfo(QStringLiteral("Inner"), QStringLiteral("com.example.inner")));
    fx::makeBundle(apps + QStringLiteral("/Utilities/Tool.app"),
                   fx::appInfo(QStringLiteral("Tool"), QStringLiteral("org.tool")));
    fx::makeBundle(apps + QStringLiteral("/Safari.app"),
                   fx::appInfo(QStringLiteral("Safari"), QStringLiteral("com.apple.Safari")));
    fx::makeBundle(apps + QStringLiteral("/NoInfo.app"), {}, false);
    fx::makeFile(apps + QStringLiteral("/Notes.app"));              // a file, not a bundle
    fx::makeBundle(apps + QStringLiteral("/Upper.APP/Deep.app"),    // "APP" is not "app"
                   fx::appInfo(QStringLiteral("Deep"), QStringLiteral("org.deep")));
    // A link back up the tree must not make the walk endless.
    QFile::link(apps, apps + QStringLiteral("/Utilities/loop"));
    fx::makeBundle(fx::at(QStringLiteral("~/Applications/Mine.app")),
                   fx::appInfo(QStringLiteral("Mine"), QStringLiteral("me.mine")));
    fx::makeBundle(fx::at(QStringLiteral("/Developer/Applications/Instruments.app")),
                   fx::appInfo(QStringLiteral("Instruments"), QStringLiteral("org.instruments")));

    fx::makeBundle(fx::at(QStringLiteral("~/Library/Widgets/Clock.wdgt")), {}, false);
    fx::makeFile(fx::at(QStringLiteral("/Library/Widgets/More/Weather.wdgt")));
    fx::makeFile(fx::at(QStringLiteral("/Library/Widgets/readme.txt")));

    const QString flash = fx::makeBundle(fx::at(QStringLiteral("~/Library/Internet Plug-Ins/Flash.plugin")),
                                         fx::appInfo(QStringLiteral("Flash"), QStringLiteral("com.flash")));
    fx::makeBundle(flash + QStringLiteral("/Contents/PlugIns/Deeper.component"), {}, false);
    fx::makeFile(fx::at(QStringLiteral("/Library/Safari/Blocker.safariextz")));
    fx::makeBundle(fx::at(QStringLiteral("~/Library/Input Methods/Pinyin.app")),
                   fx::appInfo(QStringLiteral("Pinyin"), QStringLiteral("org.pinyin")));
    fx::makeBundle(fx::at(QStringLiteral("/Library/QuickLook/Vendor/Preview.qlgenerator")), {}, false);
    fx::makeFile(fx::at(QStringLiteral("/Library/Spotlight/notes.txt")));
}

AMAppItemPtr byName(const AMAppItemList& items, const QString& name)
{
    for (const AMAppItemPtr& item : items)
        if (item->name == name)
            return item;
    return nullptr;
}

} // namespace

TEST(AMAppItemRecord, StartsEmptyAndACopyCarriesTextsButNoFlags)
{
    const AMAppItem blank;
    EXPECT_TRUE(blank.name.isEmpty());
    EXPECT_TRUE(blank.path.isEmpty());
    EXPECT_TRUE(blank.size.isEmpty());
    EXPECT_TRUE(blank.image.isNull());
    EXPECT_LE(qAbs(blank.date.secsTo(QDateTime::currentDateTime())), 5);
    EXPECT_FALSE(blank.isSystemApp || blank.bIsSelected || blank.bIsGetSize);

    const QDateTime when(QDate(2020, 5, 17), QTime(8, 30));
    AMAppItem original(QIcon(), QStringLiteral("Editor"), QStringLiteral("/Applications/Editor.app"),
                       QStringLiteral("com.apple.editor"), QStringLiteral("2.1"), when, QStringLiteral("YES"),
                       QStringLiteral("12.34 MB"));
    original.isSystemApp = true;
    original.bIsSelected = true;
    original.bIsGetSize = true;
    original.isUserDocument = true;

    const AMAppItemPtr copy = original.copy();
    EXPECT_EQ(copy->name, original.name);
    EXPECT_EQ(copy->path, original.path);
    EXPECT_EQ(copy->bundleID, original.bundleID);
    EXPECT_EQ(copy->bundleVersion, original.bundleVersion);
    EXPECT_EQ(copy->date, when);
    EXPECT_EQ(copy->isSystemAppStr, QStringLiteral("YES"));
    EXPECT_EQ(copy->size, QStringLiteral("12.34 MB"));
    EXPECT_FALSE(copy->isSystemApp);
    EXPECT_FALSE(copy->bIsSelected);
    EXPECT_FALSE(copy->bIsGetSize);
    EXPECT_TRUE(copy->isUserDocument);
}

TEST(ReadingItems, InfoPlistKeysSystemFlagNameAndSizeTexts)
{
    fx::resetRoot();
    const QString apps = fx::at(QStringLiteral("/Applications"));
    const QString editor = fx::makeBundle(apps + QStringLiteral("/Editor.app"),
                                          fx::appInfo(QStringLiteral("Editor"), QStringLiteral("com.example.editor"),
                                                      QStringLiteral("2.1")));
    fx::makeFile(editor + QStringLiteral("/Contents/MacOS/Editor"), 2500);
    const QString mail = fx::makeBundle(apps + QStringLiteral("/Mail.app"),
                                        fx::appInfo(QStringLiteral("Mail"), QStringLiteral("com.apple.mail")));
    const QString lookalike = fx::makeBundle(apps + QStringLiteral("/Look.app"),
                                             fx::appInfo(QStringLiteral("Look"), QStringLiteral("Com.apple.look")));
    const QString bare = fx::makeBundle(apps + QStringLiteral("/Bare.app"), {}, false);

    const AMAppItemPtr e = RelatedAppFilesScanner::getAppItemWithFilePath(editor, 1);
    EXPECT_EQ(e->path, editor);
    EXPECT_EQ(e->name, QStringLiteral("Editor"));
    EXPECT_EQ(e->bundleID, QStringLiteral("com.example.editor"));
    EXPECT_EQ(e->bundleVersion, QStringLiteral("2.1"));
    EXPECT_FALSE(e->isSystemApp);
    EXPECT_EQ(e->isSystemAppStr, QStringLiteral("NO"));
    EXPECT_TRUE(e->size.isEmpty());
    EXPECT_TRUE(e->date.isValid());
    EXPECT_FALSE(e->bIsGetSize || e->bIsSelected);

    const AMAppItemPtr m = RelatedAppFilesScanner::getAppItemWithFilePath(mail, 1);
    EXPECT_TRUE(m->isSystemApp);
    EXPECT_EQ(m->isSystemAppStr, QStringLiteral("YES"));
    // The prefix is compared with case.
    EXPECT_FALSE(RelatedAppFilesScanner::getAppItemWithFilePath(lookalike, 1)->isSystemApp);

    const AMAppItemPtr b = RelatedAppFilesScanner::getAppItemWithFilePath(bare, 1);
    EXPECT_EQ(b->name, QStringLiteral("Bare"));
    EXPECT_TRUE(b->bundleID.isEmpty());
    EXPECT_TRUE(b->bundleVersion.isEmpty());
    EXPECT_FALSE(b->isSystemApp);

    // A plain file keeps its extension in its name.
    const QString plist = fx::makeFile(fx::at(QStringLiteral("~/Library/Preferences/org.x.plist")), 1500);
    EXPECT_EQ(RelatedAppFilesScanner::getAppItemWithFilePath(plist, 0)->name, QStringLiteral("org.x.plist"));

    EXPECT_EQ(RelatedAppFilesScanner::constructItem(editor, 1)->size, QStringLiteral("0KB"));
    const qint64 editorBytes = 2500 + QFileInfo(editor + QStringLiteral("/Contents/Info.plist")).size();
    EXPECT_EQ(RelatedAppFilesScanner::aConstructItem(editor, 0)->size, CommUti::convertVolSpace(editorBytes));
    EXPECT_EQ(RelatedAppFilesScanner::aConstructItem(plist, 0)->size, QStringLiteral("1.50 KB"));
    EXPECT_EQ(RelatedAppFilesScanner::getFileSizeItem(apps + QStringLiteral("/absent")), QStringLiteral("0.00 KB"));
}

TEST(ReadingItems, TheBundleIconIsUsedWhereItCanBeRead)
{
    fx::resetRoot();
    QVariantMap info = fx::appInfo(QStringLiteral("Painter"), QStringLiteral("org.painter"));
    info.insert(QStringLiteral("CFBundleIconFile"), QStringLiteral("Painter.png"));
    const QString painter = fx::makeBundle(fx::at(QStringLiteral("/Applications/Painter.app")), info);
    fx::makeFolder(painter + QStringLiteral("/Contents/Resources"));
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(QColor(200, 10, 10));
    ASSERT_TRUE(red.save(painter + QStringLiteral("/Contents/Resources/Painter.png")));

    const AMAppItemPtr item = RelatedAppFilesScanner::getAppItemWithFilePath(painter, 1);
    ASSERT_FALSE(item->image.isNull());
    const QImage shown = item->image.pixmap(32, 32).toImage();
    EXPECT_EQ(QColor(shown.pixel(16, 16)), QColor(200, 10, 10));

    // An icon file Qt cannot read gives the desktop's icon for the bundle.
    info.insert(QStringLiteral("CFBundleIconFile"), QStringLiteral("Broken"));
    const QString broken = fx::makeBundle(fx::at(QStringLiteral("/Applications/Broken.app")), info);
    fx::makeFile(broken + QStringLiteral("/Contents/Resources/Broken.icns"), 20);
    const AMAppItemPtr b = RelatedAppFilesScanner::getAppItemWithFilePath(broken, 1);
    EXPECT_FALSE(b->image.pixmap(32, 32).isNull());
}

TEST(Walks, ApplicationsAreBundleFoldersNotEnteredAndNeverSystemOnes)
{
    buildInstalledTree();
    AMAppItemList found;
    UninstallEngine::applicationsInPath(fx::at(QStringLiteral("/Applications")),
                                        [&](const AMAppItemPtr& item) { found << item; });
    EXPECT_EQ(setOf(fx::namesOf(found)),
              setOf({QStringLiteral("Editor"), QStringLiteral("Tool"), QStringLiteral("NoInfo"),
                     QStringLiteral("Deep")}));
    EXPECT_EQ(found.size(), 4); // the loop did not find Tool twice
    for (const AMAppItemPtr& item : found)
        EXPECT_EQ(item->size, QStringLiteral("0KB"));
    const AMAppItemPtr noInfo = byName(found, QStringLiteral("NoInfo"));
    ASSERT_TRUE(noInfo);
    EXPECT_TRUE(noInfo->bundleID.isEmpty());
    EXPECT_TRUE(noInfo->bundleVersion.isEmpty());

    AMAppItemList none;
    UninstallEngine::applicationsInPath(fx::at(QStringLiteral("/Network/Applications")),
                                        [&](const AMAppItemPtr& item) { none << item; });
    EXPECT_TRUE(none.isEmpty());
}

TEST(Walks, WidgetsAndPlugInsMatchFilesAndFoldersByExtension)
{
    buildInstalledTree();
    AMAppItemList widgets;
    for (const QString& folder : CommUti::widgetPaths())
        UninstallEngine::widgetsInPath(folder, widgets);
    EXPECT_EQ(setOf(fx::namesOf(widgets)), setOf({QStringLiteral("Clock.wdgt"), QStringLiteral("Weather.wdgt")}));

    AMAppItemList plugins;
    for (const QString& folder : CommUti::pluginPaths())
        UninstallEngine::pluginsInPath(folder, plugins);
    // An application bundle counts as a plug-in here, and so does a plain file
    // with a plug-in extension; a plug-in's own contents are not entered.
    EXPECT_EQ(setOf(fx::namesOf(plugins)),
              setOf({QStringLiteral("Flash.plugin"), QStringLiteral("Blocker.safariextz"), QStringLiteral("Pinyin"),
                     QStringLiteral("Preview.qlgenerator")}));
    const AMAppItemPtr flash = byName(plugins, QStringLiteral("Flash.plugin"));
    ASSERT_TRUE(flash);
    EXPECT_EQ(flash->bundleID, QStringLiteral("com.flash"));
}

TEST(Engine, FirstScanPostsApplicationsOneByOneThenFinishesWithEveryList)
{
    buildInstalledTree();
    Listener listener;
    UninstallEngine engine;
    engine.setListener(&listener);
    engine.begimScanFile();
    EXPECT_TRUE(engine.isScan());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return listener.finished; }, 20000));

    EXPECT_FALSE(engine.isScan());
    EXPECT_TRUE(listener.onMain);
    EXPECT_FALSE(listener.addedAfterFinish);
    EXPECT_EQ(engine.searchPaths().size(), 3);
    EXPECT_EQ(engine.searchPaths().at(0), CommUti::applicationPaths());
    EXPECT_EQ(fx::namesOf(engine.allApplications()), listener.added);
    EXPECT_EQ(setOf(listener.added),
              setOf({QStringLiteral("Editor"), QStringLiteral("Tool"), QStringLiteral("NoInfo"), QStringLiteral("Deep"),
                     QStringLiteral("Mine"), QStringLiteral("Instruments")}));
    // The user's own folder is walked before the local one.
    EXPECT_EQ(listener.added.first(), QStringLiteral("Mine"));
    EXPECT_EQ(listener.added.last(), QStringLiteral("Instruments"));
    EXPECT_EQ(engine.widgetsArr().size(), 2);
    EXPECT_EQ(engine.pluginsArr().size(), 4);
    EXPECT_TRUE(listener.cleared.contains(0) && listener.cleared.contains(1) && listener.cleared.contains(2));
    for (const AMAppItemPtr& item : engine.allApplications() + engine.widgetsArr() + engine.pluginsArr()) {
        EXPECT_EQ(item->size, QStringLiteral("0KB"));
        EXPECT_FALSE(item->image.isNull()) << item->path;
    }
    EXPECT_EQ(UninstallEngine::headerTitle(0, int(engine.allApplications().size())),
              QStringLiteral("   应用程序(共: 6 个程序)"));
    EXPECT_EQ(UninstallEngine::headerTitle(1, 2), QStringLiteral("   项(共: 2 项)"));
}

TEST(Engine, RefreshWalksOneKindAgain)
{
    buildInstalledTree();
    Listener listener;
    UninstallEngine engine;
    engine.setListener(&listener);
    engine.begimScanFile();
    ASSERT_TRUE(nvtest::pumpUntil([&] { return listener.finished; }, 20000));
    const AMAppItemList widgetsBefore = engine.widgetsArr();

    fx::makeBundle(fx::at(QStringLiteral("/Applications/Fresh.app")),
                   fx::appInfo(QStringLiteral("Fresh"), QStringLiteral("org.fresh")));
    QDir(fx::at(QStringLiteral("/Applications/Utilities"))).removeRecursively();
    listener.added.clear();
    engine.refButtonAction(UninstallEngine::Applications);
    EXPECT_TRUE(engine.allApplications().isEmpty()); // the items arrive later
    ASSERT_TRUE(nvtest::pumpUntil([&] { return listener.refreshed.contains(0); }, 20000));
    EXPECT_EQ(setOf(fx::namesOf(engine.allApplications())),
              setOf({QStringLiteral("Editor"), QStringLiteral("Fresh"), QStringLiteral("NoInfo"), QStringLiteral("Deep"),
                     QStringLiteral("Mine"), QStringLiteral("Instruments")}));
    EXPECT_EQ(fx::namesOf(engine.allApplications()), listener.added);

    fx::makeFile(fx::at(QStringLiteral("~/Library/Widgets/Stocks.wdgt")));
    engine.refButtonAction(UninstallEngine::Widgets);
    EXPECT_TRUE(listener.refreshed.contains(1));
    EXPECT_EQ(engine.widgetsArr().size(), 3);
    // New items: the old ones are not kept.
    for (const AMAppItemPtr& old : widgetsBefore)
        EXPECT_FALSE(engine.widgetsArr().contains(old));
    EXPECT_EQ(engine.pluginsArr().size(), 4);
}

TEST(Engine, SizeIsMeasuredOnceOnDemand)
{
    buildInstalledTree();
    const QString big = fx::at(QStringLiteral("/Applications/Big.app"));
    fx::makeBundle(big, {}, false);
    fx::makeFile(big + QStringLiteral("/Contents/MacOS/Big"), 2'345'000);
    Listener listener;
    UninstallEngine engine;
    engine.setListener(&listener);
    const AMAppItemPtr item = RelatedAppFilesScanner::constructItem(big, 1);
    EXPECT_EQ(item->size, QStringLiteral("0KB"));

    engine.measureSize(item);
    EXPECT_TRUE(item->bIsGetSize);
    engine.measureSize(item); // shown again before the answer came
    ASSERT_TRUE(nvtest::pumpUntil([&] { return !listener.measured.isEmpty(); }, 20000));
    nvtest::pump(100);
    EXPECT_EQ(item->size, QStringLiteral("2.35 MB"));
    EXPECT_EQ(listener.measured.size(), 1);
    EXPECT_EQ(listener.measured.first(), item);
    EXPECT_TRUE(listener.onMain);
}
