// Finding the browsers, the item table, the selection rule and the clean button.
#include "BrowserFixture.h"
#include "TestSupport.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace fx;

namespace {
QStringList namesOf(const QList<BrowerObjPtr>& nodes)
{
    QStringList names;
    for (const BrowerObjPtr& n : nodes)
        names << n->name;
    return names;
}

QList<int> statesOf(const BrowerObjPtr& browser)
{
    QList<int> states;
    for (const BrowerObjPtr& item : browser->chrArr)
        states << item->isSelect;
    return states;
}
} // namespace

TEST(BrowserDiscovery, SearchesPlainFoldersButNeverEntersBundles)
{
    Home h;
    h.app(QStringLiteral("Google Chrome.app/Contents/MacOS"));
    h.app(QStringLiteral("Utilities/Firefox.app"));
    h.app(QStringLiteral("Safari.app/Contents/Opera.app"));   // inside a bundle
    h.app(QStringLiteral("Games/Opera"));                      // a plain folder, no bundle
    nvtest::writeFile(h.app(QStringLiteral("Files")) + QStringLiteral("/Firefox.app"), "a file, not a bundle");
    QDir().mkpath(platform::mapLocation(QStringLiteral("~/Applications/Opera.app")));

    Scanned s;
    // The user's folder first, then /Applications in listing order.
    ASSERT_EQ(namesOf(s.engine.browserArr), QStringList({"Opera", "Google Chrome", "Safari", "Firefox"}));
    const BrowerObjPtr chrome = s.engine.browserArr[1], safari = s.engine.browserArr[2];
    EXPECT_TRUE(chrome->appPath.endsWith(QStringLiteral("/Applications/Google Chrome.app")));
    EXPECT_EQ(chrome->isSelect, 1);
    EXPECT_EQ(safari->isSelect, 0);
    EXPECT_FALSE(statesOf(chrome).contains(0));
    EXPECT_FALSE(statesOf(safari).contains(1));
    EXPECT_FALSE(chrome->isItem());
    EXPECT_TRUE(chrome->chrArr.value(0) && chrome->chrArr[0]->isItem() && chrome->chrArr[0]->parent() == chrome);
}

TEST(BrowserDiscovery, PreviewEditionsAndNamesHoldingTwoBrowsers)
{
    Home h;
    for (const char* name : {"Safari.app", "Safari Technology Preview.app", "Opera Safari Edition.app", "Google Chrome Canary.app"})
        h.app(QString::fromLatin1(name));
    Scanned s;
    ASSERT_EQ(namesOf(s.engine.browserArr), QStringList({"Google Chrome Canary", "Opera Safari Edition", "Opera Safari Edition",
                                                         "Safari Technology Preview", "Safari"}));
    EXPECT_EQ(browserTypeOfName(QStringLiteral("Google Chrome Canary")), BrowserType::GoogleChrome);
    const BrowerObjPtr bySafariKey = s.engine.browserArr[1], byOperaKey = s.engine.browserArr[2];
    const BrowerObjPtr preview = s.engine.browserArr[3], safari = s.engine.browserArr[4];
    // The preview gets Safari's items, unticked.
    EXPECT_EQ(namesOf(preview->chrArr), namesOf(safari->chrArr));
    EXPECT_FALSE(statesOf(preview).contains(1));
    // One node under each key, both of the Opera type: items ticked, measured the Opera way.
    EXPECT_EQ(browserTypeOfName(bySafariKey->name), BrowserType::Opera);
    EXPECT_EQ(bySafariKey->isSelect, 0);
    EXPECT_EQ(byOperaKey->isSelect, 1);
    EXPECT_EQ(namesOf(bySafariKey->chrArr), namesOf(safari->chrArr));
    EXPECT_FALSE(statesOf(bySafariKey).contains(0));
    EXPECT_EQ(s.item(QStringLiteral("Opera Safari Edition"), QStringLiteral("Downloads History"))->size, QString());
    EXPECT_EQ(s.item(QStringLiteral("Safari"), QStringLiteral("Downloads History"))->size, QStringLiteral("0 项"));
}

TEST(BrowserDiscovery, WalkEndsOnLinkCyclesAndFollowsLinkedFolders)
{
    Home h;
    const QString inner = h.app(QStringLiteral("Loop/Inner"));
    h.app(QStringLiteral("Loop/Inner/Firefox.app"));
    ASSERT_TRUE(QFile::link(QStringLiteral("../.."), inner + QStringLiteral("/back")));
    ASSERT_TRUE(QFile::link(QStringLiteral("."), inner + QStringLiteral("/self")));
    const QString elsewhere = nvtest::freshFolder(QStringLiteral("elsewhere"));
    QDir().mkpath(elsewhere + QStringLiteral("/Opera.app"));
    ASSERT_TRUE(QFile::link(elsewhere, h.app(QString()) + QStringLiteral("/Linked")));
    Scanned s;
    EXPECT_EQ(namesOf(s.engine.browserArr), QStringList({"Opera", "Firefox"}));
}

TEST(BrowserItemTable, ShippedTableNamesTheUsersLibraryForEveryBrowser)
{
    using platform::plist::OrderedDict;
    const OrderedDict top = platform::plist::readFile(platform::resourcePath(QStringLiteral("EraserHistory.plist")),
                                                      platform::plist::DictStyle::Ordered).value<OrderedDict>();
    EXPECT_EQ(top.keys, QStringList({"Safari", "Google Chrome", "Firefox", "Opera"}));
    for (const QString& browser : top.keys) {
        const OrderedDict kinds = top.values.value(browser).value<OrderedDict>();
        EXPECT_GE(kinds.keys.size(), 5) << browser;
        for (const QString& kind : kinds.keys) {
            const QString format = kinds.values.value(kind).toString();
            EXPECT_TRUE(format.startsWith(QStringLiteral("/Users/%@/Library/")) && format.count(QStringLiteral("%@")) == 1) << format;
            const bool folderPrefix = browser == QLatin1String("Firefox") || (browser == QLatin1String("Safari") && kind == QLatin1String("Caches"));
            EXPECT_EQ(format.endsWith(QLatin1Char('/')), folderPrefix) << format;
        }
    }
}

TEST(BrowserItemTable, KindsKeepFileOrderAndUnknownKindsFollowTheirBrowser)
{
    Home h;
    const QString folder = nvtest::freshFolder(QStringLiteral("res"));
    nvtest::writeFile(folder + QStringLiteral("/EraserHistory.plist"),
                      "<plist version=\"1.0\"><dict><key>Google Chrome</key><dict>"
                      "<key>Zeta Data</key><string>/Users/%@/Library/Zeta</string><key>Cookies</key><string>/Users/%@/Library/C</string>"
                      "<key>Bad</key><integer>3</integer><key>Browsing History</key><string>/Users/%@/Library/H</string></dict>"
                      "<key>Opera</key><dict><key>Zeta Data</key><string>/Users/%@/Library/Zeta</string></dict></dict></plist>");
    qputenv("NULLVANE_RESOURCES", QFile::encodeName(folder));
    nvtest::writeFile(h.library(QStringLiteral("Zeta")), QByteArray(1500, 'z'));
    for (const char* name : {"Google Chrome.app", "Opera.app", "Safari.app"})
        h.app(QString::fromLatin1(name));
    Scanned s;
    qunsetenv("NULLVANE_RESOURCES");

    const BrowerObjPtr chrome = s.browser(QStringLiteral("Google Chrome"));
    EXPECT_EQ(namesOf(chrome->chrArr), QStringList({"Zeta Data", "Cookies", "Browsing History"}));
    EXPECT_EQ(chrome->chrArr[0]->size, QStringLiteral("1.50 KB"));   // measured as a file by the Chrome rules
    EXPECT_EQ(labelWithKey(QStringLiteral("Zeta Data")), QStringLiteral("Zeta Data"));
    EXPECT_EQ(chrome->chrArr[0]->iconName, QString());
    EXPECT_EQ(chrome->chrArr[1]->iconName, QStringLiteral("icon_cookies"));
    EXPECT_EQ(labelWithKey(QStringLiteral("Save Password")), QStringLiteral("密码或其它登录数据"));

    // The Opera rules have nothing for it: no size, and cleaning only unticks.
    EXPECT_EQ(s.item(QStringLiteral("Opera"), QStringLiteral("Zeta Data"))->size, QString());
    EXPECT_EQ(s.clean(QStringLiteral("Opera"), QStringLiteral("Zeta Data")), QString());
    EXPECT_TRUE(QFile::exists(h.library(QStringLiteral("Zeta"))));

    // No entry for Safari: shown without items, and it can still be ticked.
    const BrowerObjPtr safari = s.browser(QStringLiteral("Safari"));
    EXPECT_TRUE(safari->chrArr.isEmpty());
    s.browser(QStringLiteral("Google Chrome"))->isSelect = s.browser(QStringLiteral("Opera"))->isSelect = 0;
    EXPECT_FALSE(s.engine.changeCleanButtonState());
    s.engine.selectBrower(safari);
    EXPECT_EQ(safari->isSelect, 1);
    EXPECT_TRUE(s.enabled);
}

TEST(BrowserTree, SelectionRuleAndCleanButton)
{
    Scanned s(false);
    EXPECT_FALSE(s.engine.changeCleanButtonState());   // no browsers at all
    const auto node = [](const BrowerObjPtr& parent) {
        auto n = std::make_shared<BrowerObj>();
        n->isSelect = 1;
        if (parent) {
            n->parObj = parent;
            parent->chrArr << n;
        }
        return n;
    };
    const BrowerObjPtr browser = node(nullptr), single = node(nullptr);
    for (int i = 0; i < 3; ++i)
        node(browser);
    const BrowerObjPtr only = node(single);
    s.engine.browserArr = {browser, single};

    struct Step { BrowerObjPtr clicked; int browserState; QList<int> items; int singleState; bool button; };
    const QList<Step> steps = {
        {browser->chrArr[0], 2, {0, 1, 1}, 1, true},  // one of three unticked: partly
        {browser->chrArr[0], 1, {1, 1, 1}, 1, true},
        {browser, 0, {0, 0, 0}, 1, true},             // a browser unticks all its items
        {browser->chrArr[2], 2, {0, 0, 1}, 1, true},
        {browser, 1, {1, 1, 1}, 1, true},             // a partly ticked browser ticks all
        {only, 1, {1, 1, 1}, 0, true},                // the only ticked item: its browser goes to 0
        {browser, 0, {0, 0, 0}, 0, false},            // nothing ticked anywhere
    };
    for (int n = 0; n < steps.size(); ++n) {
        const Step& step = steps[n];
        s.engine.selectBrower(step.clicked);
        EXPECT_EQ(browser->isSelect, step.browserState) << "step " << n;
        EXPECT_EQ(statesOf(browser), step.items) << "step " << n;
        EXPECT_EQ(single->isSelect, step.singleState) << "step " << n;
        EXPECT_EQ(s.enabled, step.button) << "step " << n;
        EXPECT_EQ(s.listReloads, n + 1);
        EXPECT_EQ(s.buttonCalls, n + 2);
    }
}

TEST(BrowserTree, UserNameComesFromTheEnvironment)
{
    qputenv("USER", "alice");
    EXPECT_EQ(InternetEngine::userName(), QStringLiteral("alice"));
    qputenv("USER", "../..");
    EXPECT_EQ(InternetEngine::userName(), platform::userName());
    qunsetenv("USER");
    EXPECT_EQ(InternetEngine::userName(), platform::userName());
    EXPECT_FALSE(platform::userName().isEmpty());
}

TEST(BrowserTree, BackgroundScanHandsOverOnTheMainQueueWithImages)
{
    Home h;
    h.app(QStringLiteral("Firefox.app"));
    Scanned s(false);
    bool done = false;
    s.engine.getBrowserArr([&] { done = true; });
    EXPECT_TRUE(s.engine.browserArr.isEmpty());
    ASSERT_TRUE(nvtest::pumpUntil([&] { return done; }, 10000));
    ASSERT_EQ(namesOf(s.engine.browserArr), QStringList({"Firefox"}));
    EXPECT_FALSE(s.engine.browserArr[0]->iconImage.isNull());
    EXPECT_EQ(s.engine.browserArr[0]->chrArr.size(), 6);
    for (const BrowerObjPtr& item : s.engine.browserArr[0]->chrArr)
        EXPECT_FALSE(item->iconImage.pixmap(16, 16).isNull()) << item->name;
    EXPECT_TRUE(InternetEngine::getIconWithKey(QStringLiteral("Zeta Data")).isNull());
}
