// The uninstaller's list rules without a window: kinds and header texts,
// literal search, both sorts, ticks in the order ticked and their counters,
// what a run drops; the confirmation tree's ticks; the run's tally.

#include "TestSupport.h"
#include "UninstallFixtures.h"
#include "tools/uninstall/ConfirmationTicks.h"
#include "tools/uninstall/UninstallList.h"
#include "tools/uninstall/UninstallTally.h"

#include <QSet>
#include <algorithm>
#include <utility>
#include <gtest/gtest.h>

namespace {

AMAppItemPtr item(const QString& name, const QString& size = QStringLiteral("0KB"), const QString& id = QString())
{
    auto it = std::make_shared<AMAppItem>();
    it->name = name;
    it->path = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
    it->size = size;
    it->bundleID = id;
    return it;
}

class ListRules : public ::testing::Test {
protected:
    AMAppItemList sources[3];
    UninstallList list{[this](int kind) -> AMAppItemList& { return sources[kind]; }};

    void fillApplications(const QStringList& names)
    {
        for (const QString& n : names)
            sources[0].append(item(n));
        list.setKind(0);
    }
    QStringList shown() const { return fx::namesOf(list.showListArr()); }
    QStringList ticked() const { return fx::namesOf(list.currentSelection()); }
};

} // namespace

TEST_F(ListRules, KindsShowTheirWholeListUnderTheirOwnHeader)
{
    fillApplications({"Editor", "Viewer", "Player"});
    sources[1] = {item("Clock"), item("Weather")};
    sources[2] = {item("Flash")};

    EXPECT_EQ(list.headerTitle(), QStringLiteral("   应用程序(共: 3 个程序)"));
    list.search(QStringLiteral("e"));
    list.setKind(1);
    EXPECT_EQ(shown(), (QStringList{"Clock", "Weather"}));
    EXPECT_EQ(list.searchKey(), QString()); // a kind switch drops the search
    EXPECT_EQ(list.headerTitle(), QStringLiteral("   项(共: 2 项)"));
    list.setKind(2);
    EXPECT_EQ(list.headerTitle(), QStringLiteral("   项(共: 1 项)"));
    list.setKind(0);
    EXPECT_EQ(shown(), (QStringList{"Editor", "Player", "Viewer"}));

    // Applications arriving during a scan join the rows they match.
    list.search(QStringLiteral("o"));
    const AMAppItemPtr late = item("Word Processor");
    const AMAppItemPtr other = item("Mail");
    sources[0] << late << other;
    list.applicationAdded(late);
    list.applicationAdded(other);
    EXPECT_EQ(shown(), (QStringList{"Editor", "Word Processor"}));
    EXPECT_EQ(list.headerTitle(), QStringLiteral("   应用程序(共: 2 个程序)"));
    list.setKind(1);
    list.applicationAdded(item("Elsewhere"));
    EXPECT_EQ(shown(), (QStringList{"Clock", "Weather"}));
}

TEST_F(ListRules, SearchTakesTheTextLiterallyAndIgnoresCase)
{
    fillApplications({"C++ Builder", "a.b*c", "<b>Bold</b>", "Résumé Maker", "(group) [x]", "Plain", "Back\\slash",
                      "100% Sure", "$HOME & Co"});
    sources[0][5]->bundleID = QStringLiteral("com.example.builder");

    const auto find = [this](const QString& key) {
        list.search(key);
        return shown();
    };
    EXPECT_EQ(find("c++"), QStringList{"C++ Builder"});
    EXPECT_EQ(find("."), QStringList{"a.b*c"});
    EXPECT_EQ(find("b*"), QStringList{"a.b*c"});
    EXPECT_EQ(find("<B>"), QStringList{"<b>Bold</b>"});
    EXPECT_EQ(find("&"), QStringList{"$HOME & Co"});
    EXPECT_EQ(find("$home"), QStringList{"$HOME & Co"});
    EXPECT_EQ(find("("), QStringList{"(group) [x]"});
    EXPECT_EQ(find("[x]"), QStringList{"(group) [x]"});
    EXPECT_EQ(find("\\"), QStringList{"Back\\slash"});
    EXPECT_EQ(find("%"), QStringList{"100% Sure"});
    EXPECT_EQ(find("RÉSUMÉ"), QStringList{"Résumé Maker"});
    EXPECT_EQ(find("^c"), QStringList());
    EXPECT_EQ(find(".*"), QStringList());
    // The identifier is not searched.
    EXPECT_EQ(find("example"), QStringList());
    EXPECT_EQ(list.headerTitle(), QStringLiteral("   应用程序(共: 0 个程序)"));
    EXPECT_EQ(find("").size(), sources[0].size());

    list.search(QStringLiteral("b"));
    list.showAll();
    EXPECT_EQ(list.rowCount(), sources[0].size());
}

TEST_F(ListRules, HeaderClicksSortDescendingFirstThenAlternateAcrossBothColumns)
{
    fillApplications({"beta", "Alpha", "gamma", "Delta"});
    sources[0][0]->size = QStringLiteral("1.50 MB");
    sources[0][1]->size = QStringLiteral("900.00 KB");
    sources[0][2]->size = QStringLiteral("0KB");
    sources[0][3]->size = QStringLiteral("2.00 GB");

    EXPECT_FALSE(list.isSort());
    EXPECT_TRUE(list.sortByColumn("appname"));
    EXPECT_EQ(shown(), (QStringList{"gamma", "Delta", "beta", "Alpha"})); // case does not count
    EXPECT_TRUE(list.isSort());
    EXPECT_TRUE(list.sortByColumn("Size"));
    EXPECT_EQ(shown(), (QStringList{"gamma", "Alpha", "beta", "Delta"}));
    EXPECT_TRUE(list.sortByColumn("Size"));
    EXPECT_EQ(shown(), (QStringList{"Delta", "beta", "Alpha", "gamma"}));
    // Other columns do not sort and leave the direction as it is.
    EXPECT_FALSE(list.sortByColumn("version"));
    EXPECT_FALSE(list.sortByColumn("CheckBox"));
    EXPECT_TRUE(list.isSort());
    EXPECT_EQ(shown(), (QStringList{"Delta", "beta", "Alpha", "gamma"}));
}

TEST_F(ListRules, ThePopUpSortsByNameOrSizeInEitherDirectionKeepingTiesInOrder)
{
    fillApplications({"b", "a", "d", "c"});
    sources[0][0]->size = QStringLiteral("1.00 KB");
    sources[0][1]->size = QStringLiteral("1.00 KB");
    sources[0][2]->size = QStringLiteral("3.00 MB");
    sources[0][3]->size = QStringLiteral("0KB");
    list.setKind(0);

    list.sortBy(0, 0);
    EXPECT_EQ(shown(), (QStringList{"a", "b", "c", "d"}));
    list.sortBy(0, 1);
    EXPECT_EQ(shown(), (QStringList{"d", "c", "b", "a"}));
    list.sortBy(1, 0);
    EXPECT_EQ(shown(), (QStringList{"c", "b", "a", "d"})); // b before a, as they stood
    list.sortBy(1, 1);
    EXPECT_EQ(shown(), (QStringList{"d", "b", "a", "c"}));
    // The third choice orders by size too.
    list.sortBy(2, 0);
    EXPECT_EQ(shown(), (QStringList{"c", "b", "a", "d"}));
    // A sort orders the rows shown, never brings back filtered ones.
    list.search(QStringLiteral("a"));
    list.sortBy(0, 1);
    EXPECT_EQ(shown(), QStringList{"a"});
}

// "名称" orders by the name the row shows, as a reader does: case does not
// count, Han names go by their pinyin, whatever the package ids say.
// The sort control names an order ("名称、升序" at first): every filling of
// the rows (the first scan and what it adds, a refresh, a kind switch, a
// search, the end of an uninstall) puts them in it, whatever order the scan
// found them in; a header click's order lasts until the next filling.
TEST_F(ListRules, EveryFillingPutsTheRowsInTheOrderTheSortControlNames)
{
    fillApplications({"Zed", "alpha", "Mid"});
    EXPECT_EQ(shown(), (QStringList{"alpha", "Mid", "Zed"}));
    const AMAppItemPtr late = item("beta", "5.00 MB");
    sources[0] << late;
    list.applicationAdded(late);
    EXPECT_EQ(shown(), (QStringList{"alpha", "beta", "Mid", "Zed"}));

    EXPECT_TRUE(list.sortByColumn("appname"));
    EXPECT_EQ(shown(), (QStringList{"Zed", "Mid", "beta", "alpha"}));
    const AMAppItemPtr after = item("kilo", "1.00 MB");
    sources[0] << after;
    list.applicationAdded(after);
    EXPECT_EQ(shown(), (QStringList{"alpha", "beta", "kilo", "Mid", "Zed"}));
    sources[0].removeAll(after);
    list.reloadFromSource();
    EXPECT_EQ(shown(), (QStringList{"alpha", "beta", "Mid", "Zed"}));
    list.search(QStringLiteral("e"));
    EXPECT_EQ(shown(), (QStringList{"beta", "Zed"}));

    sources[0][0]->size = QStringLiteral("1.00 MB");  // Zed
    sources[0][2]->size = QStringLiteral("20.00 MB"); // Mid
    list.sortBy(1, 1);
    EXPECT_EQ(shown(), (QStringList{"beta", "Zed"}));
    list.setKind(1);
    list.setKind(0);
    EXPECT_EQ(shown(), (QStringList{"Mid", "beta", "Zed", "alpha"}));
    const AMAppItemPtr big = item("Huge", "50.00 MB");
    sources[0] << big;
    list.applicationAdded(big);
    EXPECT_EQ(shown(), (QStringList{"Huge", "Mid", "beta", "Zed", "alpha"}));
    list.dropRemoved({big}, 0, [](const QString&) { return true; });
    EXPECT_EQ(shown(), (QStringList{"Mid", "beta", "Zed", "alpha"}));
}

TEST_F(ListRules, NameSortIsByTheShownNameIgnoringCaseWithChineseByPinyin)
{
    const QList<std::pair<QString, QString>> apps{
        {"ImageMagick", "display-im6.q16"}, {"终端", "org.gnome.Terminal"}, {"gimp", "gimp"},
        {"Firefox ESR", "firefox-esr"},     {"文本编辑器", "org.gnome.gedit"}, {"Zoom", "Zoom"},
        {"阿里云盘", "aliyunpan"},           {"inkscape", "org.inkscape.Inkscape"}, {"画图", "a-paint"},
        {"Audacity", "audacity"},           {"百度网盘", "baidunetdisk"},
    };
    for (const auto& [name, id] : apps)
        sources[0].append(item(name, QStringLiteral("0KB"), id));
    list.setKind(0);

    const QStringList latin{"Audacity", "Firefox ESR", "gimp", "ImageMagick", "inkscape", "Zoom"};
    const QStringList han{"阿里云盘", "百度网盘", "画图", "文本编辑器", "终端"};
    // Han names before Latin ones, as the Chinese collation has them.
    const QStringList ascending = han + latin;
    list.sortBy(0, 0);
    EXPECT_EQ(shown(), ascending);

    list.sortBy(0, 1);
    QStringList reversed = ascending;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(shown(), reversed);

    // The header's name column orders the same way, descending first.
    list.setKind(0);
    EXPECT_TRUE(list.sortByColumn("appname"));
    EXPECT_EQ(shown(), reversed);
    EXPECT_TRUE(list.sortByColumn("appname"));
    EXPECT_EQ(shown(), ascending);
}

TEST_F(ListRules, TicksKeepTheirOrderPerKindAndDriveTheCounters)
{
    fillApplications({"One", "Ten", "Three"});
    sources[1] = {item("Widget")};

    auto c = list.counters();
    EXPECT_EQ(c.label, QStringLiteral("共: 3 个程序"));
    EXPECT_EQ(c.boldStart, -1);
    EXPECT_EQ(c.selectAllTitle, QStringLiteral("全选"));
    EXPECT_FALSE(c.uninstallEnabled);

    EXPECT_TRUE(list.flipTick(2));
    EXPECT_TRUE(list.flipTick(0));
    EXPECT_FALSE(list.flipTick(3));
    EXPECT_FALSE(list.flipTick(-1));
    EXPECT_EQ(ticked(), (QStringList{"Three", "One"}));
    c = list.counters();
    EXPECT_EQ(c.label, QStringLiteral("已选择: 2/3 个程序"));
    EXPECT_EQ(c.label.mid(c.boldStart, c.boldLength), QStringLiteral("2"));
    EXPECT_EQ(c.boldStart, 5);
    EXPECT_EQ(c.selectAllTitle, QStringLiteral("全选"));
    EXPECT_TRUE(c.uninstallEnabled);

    // Unticked and ticked again: to the end.
    list.flipTick(2);
    list.flipTick(1);
    list.flipTick(2);
    EXPECT_EQ(ticked(), (QStringList{"One", "Ten", "Three"}));
    EXPECT_EQ(list.counters().selectAllTitle, QStringLiteral("取消全选"));

    // The other kinds keep their own ticks.
    list.setKind(1);
    EXPECT_TRUE(list.currentSelection().isEmpty());
    EXPECT_EQ(list.counters().label, QStringLiteral("共: 1 个程序"));
    list.setKind(0);
    EXPECT_EQ(ticked(), (QStringList{"One", "Ten", "Three"}));

    // A search narrows the rows; more ticks than rows still reads "取消全选".
    list.search(QStringLiteral("t"));
    EXPECT_EQ(list.rowCount(), 2);
    c = list.counters();
    EXPECT_EQ(c.label, QStringLiteral("已选择: 3/2 个程序"));
    EXPECT_EQ(c.selectAllTitle, QStringLiteral("取消全选"));
    // Select-all ticks exactly the rows shown (3 ticked, 2 shown).
    list.selectAll();
    EXPECT_EQ(ticked(), (QStringList{"Ten", "Three"}));
    // As many ticked as shown: everything is unticked.
    list.selectAll();
    EXPECT_TRUE(list.currentSelection().isEmpty());

    // Counts only: two ticked elsewhere, two rows shown, and select-all unticks.
    list.showAll();
    list.flipTick(0);
    list.flipTick(1);
    list.search(QStringLiteral("three"));
    list.flipTick(0);
    list.search(QStringLiteral("t"));
    list.flipTick(list.rowOf(sources[0][2]));
    EXPECT_EQ(ticked(), (QStringList{"One", "Ten"}));
    list.selectAll();
    EXPECT_TRUE(list.currentSelection().isEmpty());

    // Unticking the last one disables "卸载" again.
    list.flipTick(0);
    EXPECT_TRUE(list.counters().uninstallEnabled);
    list.flipTick(0);
    c = list.counters();
    EXPECT_FALSE(c.uninstallEnabled);
    EXPECT_EQ(c.label, QStringLiteral("共: 2 个程序"));

    // A walk starting over voids that kind's ticks.
    list.flipTick(0);
    list.clearSelection(0);
    EXPECT_TRUE(list.currentSelection().isEmpty());
}

TEST_F(ListRules, TheBoldCountIsTheTickedNumberEvenWhenTheTotalHoldsItsDigits)
{
    QStringList names;
    for (int i = 0; i < 12; ++i)
        names << QStringLiteral("App %1").arg(i);
    fillApplications(names);
    list.flipTick(0);
    auto c = list.counters();
    EXPECT_EQ(c.label, QStringLiteral("已选择: 1/12 个程序"));
    EXPECT_EQ(c.boldStart, 5);
    for (int i = 1; i < 12; ++i)
        list.flipTick(i);
    c = list.counters();
    EXPECT_EQ(c.label, QStringLiteral("已选择: 12/12 个程序"));
    EXPECT_EQ(c.boldStart, 5);
    EXPECT_EQ(c.boldLength, 2);
}

TEST_F(ListRules, ARunDropsOnlyTheItemsWhosePathIsGone)
{
    fillApplications({"Gone", "Stays", "Untouched", "Vanished"});
    list.flipTick(0);
    list.flipTick(1);
    list.flipTick(3);
    list.search(QStringLiteral("o"));
    const AMAppItemList handled = list.itemsToUninstall();
    const QSet<QString> gone{sources[0][0]->path, sources[0][3]->path};

    const AMAppItemList dropped =
        list.dropRemoved(handled, 0, [&gone](const QString& path) { return gone.contains(path); });
    EXPECT_EQ(fx::namesOf(dropped), (QStringList{"Gone", "Vanished"}));
    EXPECT_EQ(fx::namesOf(sources[0]), (QStringList{"Stays", "Untouched"}));
    EXPECT_EQ(ticked(), QStringList{"Stays"});
    // The whole kind shows again, whatever was searched.
    EXPECT_EQ(shown(), (QStringList{"Stays", "Untouched"}));
    EXPECT_EQ(list.headerTitle(), QStringLiteral("   应用程序(共: 2 个程序)"));

    // Nothing gone: nothing dropped.
    EXPECT_TRUE(list.dropRemoved({sources[0][0]}, 0, [](const QString&) { return false; }).isEmpty());
    EXPECT_EQ(list.rowCount(), 2);
}

// ---------------------------------------------------------------- confirmation ticks

namespace {

class Ticks : public ::testing::Test {
protected:
    void SetUp() override
    {
        a = {item("A"), item("a-prefs", "1.00 KB"), item("a-cache", "2.50 MB")};
        b = {item("B", "10.00 KB"), item("b-log", "500.00 KB")};
        c = {item("C")};
    }
    QStringList order(const ConfirmationTicks& t) const { return fx::namesOf(t.selectDeletePath()); }
    AMAppItemList a, b, c;
};

} // namespace

TEST_F(Ticks, EverythingStartsTickedGroupByGroupButDownloadedDocuments)
{
    c.append(item("c-download.dmg"));
    c.last()->isUserDocument = true;
    ConfirmationTicks t({a, b, c});
    EXPECT_EQ(order(t), (QStringList{"A", "a-prefs", "a-cache", "B", "b-log", "C"}));
    EXPECT_EQ(t.groupImageName(0), QStringLiteral("checkbox_yes"));
    EXPECT_EQ(t.groupImageName(2), QStringLiteral("checkbox_election"));
    EXPECT_EQ(t.memberImageName(c.last()), QStringLiteral("checkbox_no"));
    EXPECT_TRUE(t.hasTicks());
    EXPECT_EQ(ConfirmationTicks(QList<AMAppItemList>{AMAppItemList()}).groupImageName(0), QStringLiteral("checkbox_no"));
    EXPECT_EQ(t.groupImageName(7), QStringLiteral("checkbox_no"));
}

TEST_F(Ticks, GroupBoxesFollowTheirMembersAndReTickedItemsGoLast)
{
    ConfirmationTicks t({a, b});
    // One member of a full group unticked: partly ticked.
    t.toggleMember(a[1]);
    EXPECT_EQ(t.groupState(0), ConfirmationTicks::GroupState::Some);
    EXPECT_EQ(t.groupImageName(0), QStringLiteral("checkbox_election"));
    EXPECT_EQ(t.memberImageName(a[1]), QStringLiteral("checkbox_no"));
    // Every member unticked: empty box.
    t.toggleMember(a[0]);
    t.toggleMember(a[2]);
    EXPECT_EQ(t.groupImageName(0), QStringLiteral("checkbox_no"));
    EXPECT_EQ(order(t), (QStringList{"B", "b-log"}));
    // A member ticked again goes to the end.
    t.toggleMember(a[2]);
    EXPECT_EQ(order(t), (QStringList{"B", "b-log", "a-cache"}));
    // A partly ticked group: the rest is ticked, in member order, at the end.
    t.toggleGroup(0);
    EXPECT_EQ(order(t), (QStringList{"B", "b-log", "a-cache", "A", "a-prefs"}));
    EXPECT_EQ(t.groupImageName(0), QStringLiteral("checkbox_yes"));
    // A full group: unticked whole.
    t.toggleGroup(1);
    EXPECT_EQ(t.groupImageName(1), QStringLiteral("checkbox_no"));
    EXPECT_EQ(order(t), (QStringList{"a-cache", "A", "a-prefs"}));
    t.toggleGroup(1);
    EXPECT_EQ(order(t), (QStringList{"a-cache", "A", "a-prefs", "B", "b-log"}));

    t.toggleGroup(0);
    t.toggleGroup(1);
    EXPECT_FALSE(t.hasTicks());
    t.toggleGroup(5); // no such group
    EXPECT_FALSE(t.hasTicks());
    t.clear();
    EXPECT_TRUE(t.groups().isEmpty());
}

TEST_F(Ticks, AGroupsSizeIsTheSumOfItsMembers)
{
    EXPECT_EQ(ConfirmationTicks::groupSize(a), QStringLiteral("2.50 MB")); // 0 + 1 KB + 2.5 MB, to two places
    EXPECT_EQ(ConfirmationTicks::groupSize(b), QStringLiteral("510.00 KB"));
    EXPECT_EQ(ConfirmationTicks::groupSize(c), QStringLiteral("0.00 KB"));
    EXPECT_EQ(ConfirmationTicks::groupSize({item("x", "1.20 GB"), item("y", "300.00 MB")}), QStringLiteral("1.50 GB"));
}

// ---------------------------------------------------------------- tally

TEST(Tally, ThreeItemsRead33Then66Then100)
{
    UninstallTally tally;
    tally.start(3);
    const AMAppItemList items{item("x", "1.00 KB"), item("y", "2.00 KB"), item("z", "3.00 KB")};
    EXPECT_EQ(tally.record(items[0], true).percent, 33);
    EXPECT_EQ(tally.record(items[1], true).percent, 66);
    const UninstallTally::Step last = tally.record(items[2], true);
    EXPECT_EQ(last.percent, 100);
    EXPECT_TRUE(last.finished);
    EXPECT_EQ(tally.totalSize(), 6000u);
    EXPECT_EQ(tally.endMessage(), QStringLiteral("Nullvane已成功删除所选应用程序和所有关联文件。释放6.00 KB磁盘空间。"));
}

TEST(Tally, AFailureCountsTowardTheBarButNotTheFreedSizeAndTheMessageSaysSo)
{
    UninstallTally tally;
    tally.start(4);
    const AMAppItemPtr kept = item("kept", "5.00 MB");
    const AMAppItemPtr freed = item("freed", "1.00 MB");
    const AMAppItemPtr twice = item("freed", "1.00 MB"); // the same path listed again
    EXPECT_FALSE(tally.record(kept, false).finished);
    tally.record(freed, true);
    tally.record(twice, true);
    EXPECT_EQ(tally.record(item("other", "0KB"), true).percent, 100);
    EXPECT_TRUE(tally.isFail());
    EXPECT_EQ(tally.totalSize(), 1000000u);
    EXPECT_EQ(tally.endMessage(), QStringLiteral("Nullvane未能删除部分所选项目。已释放1.00 MB磁盘空间。"));
    tally.start(2);
    EXPECT_FALSE(tally.isFail());
    EXPECT_EQ(tally.deleteCount(), 0);
    EXPECT_FALSE(tally.finished());
}
