// Finding the browsers, the item table, the selection rule and the clean button.
#include "BrowserFixture.h"
#include "TestSupport.h"

#include "platform/Locations.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QVariantList>
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

TEST(BrowserDiscovery, FindsBrowsersAmongTheDesktopEntriesOfEveryExport)
{
    Home h;
    h.app(QStringLiteral("Google Chrome"));
    h.app(QStringLiteral("Firefox ESR"));
    h.app(QStringLiteral("Opera"));
    h.app(QStringLiteral("Opera"), QStringLiteral("~/.local/share"), "Hidden=true\n");          // the user removed it
    h.app(QStringLiteral("Firefox Handler"), QStringLiteral("/usr/share"), "NoDisplay=true\n");  // not a program to show
    h.app(QStringLiteral("Firefox Web Link"), QStringLiteral("/usr/share"), "Type=Link\n");
    h.app(QStringLiteral("Opera GX"), QStringLiteral("/usr/share"), "TryExec=/opt/opera-gx/opera\n");  // uninstalled
    h.app(QStringLiteral("Firefox"), QStringLiteral("/var/lib/snapd/desktop"));
    h.app(QStringLiteral("Google Chrome Beta"), QStringLiteral("/var/lib/flatpak/exports/share"));
    h.app(QStringLiteral("Chromium"));

    Scanned s;
    ASSERT_EQ(namesOf(s.engine.browserArr), QStringList({"Firefox ESR", "Google Chrome", "Google Chrome Beta", "Firefox"}));
    const BrowerObjPtr esr = s.engine.browserArr[0], chrome = s.engine.browserArr[1];
    EXPECT_EQ(esr->packaging, QStringLiteral("default"));
    EXPECT_EQ(s.engine.browserArr[2]->packaging, QStringLiteral("flatpak"));
    EXPECT_EQ(s.engine.browserArr[3]->packaging, QStringLiteral("snap"));
    EXPECT_TRUE(chrome->appPath.endsWith(QStringLiteral("/usr/share/applications/google-chrome.desktop")));
    EXPECT_EQ(chrome->appIcon, QStringLiteral("google-chrome"));
    EXPECT_EQ(chrome->isSelect, 1);
    EXPECT_FALSE(statesOf(chrome).contains(0));
    EXPECT_EQ(chrome->chrArr.size(), 6);
    EXPECT_FALSE(chrome->isItem());
    EXPECT_TRUE(chrome->chrArr.value(0) && chrome->chrArr[0]->isItem() && chrome->chrArr[0]->parent() == chrome);

    // The folders searched are the desktop's data folders, the user's first.
    const QStringList folders = s.engine.applicationPaths();
    ASSERT_FALSE(folders.isEmpty());
    EXPECT_EQ(folders.first(), h.home(QStringLiteral(".local/share")));
    EXPECT_TRUE(folders.contains(platform::mapLocation(QStringLiteral("/var/lib/snapd/desktop"))));
    InternetEngine one;
    one.applicationsInPath(platform::mapLocation(QStringLiteral("/var/lib/snapd/desktop")));
    ASSERT_EQ(namesOf(one.browserArr), QStringList({"Firefox"}));
    EXPECT_EQ(one.browserArr[0]->packaging, QStringLiteral("snap"));
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

TEST(BrowserItemTable, ShippedTableNamesTheLinuxLocationsOfEveryBrowser)
{
    using platform::plist::OrderedDict;
    const OrderedDict top = platform::plist::readFile(platform::resourcePath(QStringLiteral("EraserHistory.plist")),
                                                      platform::plist::DictStyle::Ordered).value<OrderedDict>();
    EXPECT_EQ(top.keys, QStringList({"Safari", "Google Chrome", "Firefox", "Opera"}));
    const QStringList kinds = {"Browsing History", "Session", "Caches", "Cookies", "Download History", "Save Password"};
    for (const QString& browser : top.keys) {
        const OrderedDict table = top.values.value(browser).value<OrderedDict>();
        if (browser != QLatin1String("Safari")) {
            EXPECT_EQ(table.keys, kinds) << browser;
        }
        for (const QString& kind : table.keys) {
            for (const char* packaging : {"default", "snap", "flatpak"}) {
                const QString format = InternetEngine::formatOfTableValue(table.values.value(kind), QLatin1String(packaging));
                EXPECT_EQ(format.count(QStringLiteral("%@")), 1) << format;
                if (browser == QLatin1String("Safari")) {
                    EXPECT_TRUE(format.startsWith(QStringLiteral("/Users/%@/Library/"))) << format;
                    continue;
                }
                EXPECT_TRUE(format.startsWith(QStringLiteral("~%@/"))) << format;
                EXPECT_EQ(format.endsWith(QLatin1Char('/')), browser == QLatin1String("Firefox")) << format;
            }
        }
    }
    const OrderedDict firefox = top.values.value(QStringLiteral("Firefox")).value<OrderedDict>();
    const QVariant profiles = firefox.values.value(QStringLiteral("Browsing History"));
    EXPECT_EQ(InternetEngine::formatOfTableValue(profiles, QStringLiteral("snap")),
              QStringLiteral("~%@/snap/firefox/common/.mozilla/firefox/"));
    EXPECT_EQ(InternetEngine::formatOfTableValue(profiles, QStringLiteral("flatpak")),
              QStringLiteral("~%@/.var/app/org.mozilla.firefox/.mozilla/firefox/"));
}

TEST(BrowserItemTable, LocationsListedAreTriedInOrderAndTheHomeIsTheUsers)
{
    Home h;
    const QVariant both = QVariantList{QStringLiteral("~%@/.mozilla/firefox/"), QStringLiteral("~%@/.config/mozilla/firefox/")};
    // Neither there: the first. Only the second: the second. Both: the first.
    EXPECT_EQ(InternetEngine::formatOfTableValue(both, QStringLiteral("default")), both.toList()[0].toString());
    QDir().mkpath(h.home(QStringLiteral(".config/mozilla/firefox")));
    EXPECT_EQ(InternetEngine::formatOfTableValue(both, QStringLiteral("default")), both.toList()[1].toString());
    QDir().mkpath(h.home(QStringLiteral(".mozilla/firefox")));
    EXPECT_EQ(InternetEngine::formatOfTableValue(both, QStringLiteral("default")), both.toList()[0].toString());
    EXPECT_EQ(InternetEngine::formatOfTableValue(QVariant(3), QStringLiteral("default")), QString());

    auto item = std::make_shared<BrowerObj>();
    item->urlStr = QStringLiteral("~%@/.config/opera/History");
    EXPECT_EQ(InternetEngine::filledPath(item), h.home(QStringLiteral(".config/opera/History")));
    item->urlStr = QStringLiteral("~no-such-user-here/.config/opera/History");
    EXPECT_EQ(InternetEngine::filledPath(item), QString());   // no home folder, no place
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
