#include "TestSupport.h"

#include "tools/fileeraser/FileEraserList.h"
#include "toolkit/FileEraserSortVC.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <gtest/gtest.h>
#include <limits>

namespace {

QStringList urls(const FileObjList& list)
{
    QStringList out;
    for (const FileObjPtr& item : list)
        out << item->url();
    return out;
}

bool makeFolder(const QString& path)
{
    return QDir().mkpath(path);
}

// Checks the two rules of a flat job list for every folder in it: everything
// below the folder comes before it, and nothing else comes between its
// contents and the folder itself.
void expectContentsRightBeforeFolders(const FileObjList& jobs)
{
    const QStringList order = urls(jobs);
    for (int i = 0; i < order.size(); ++i) {
        if (!jobs.at(i)->isDir())
            continue;
        const QString prefix = order.at(i) + QLatin1Char('/');
        int below = 0;
        for (const QString& p : order)
            below += p.startsWith(prefix) ? 1 : 0;
        for (int k = i - below; k < i; ++k)
            EXPECT_TRUE(order.at(k).startsWith(prefix)) << order.at(k) << " sits among the contents of " << order.at(i);
        for (int k = i + 1; k < order.size(); ++k)
            EXPECT_FALSE(order.at(k).startsWith(prefix)) << order.at(k) << " comes after its folder " << order.at(i);
    }
}

class FlatteningTest : public ::testing::Test {
protected:
    void SetUp() override { root = nvtest::freshFolder(QStringLiteral("flat")); }
    QString p(const QString& rel) const { return root + QLatin1Char('/') + rel; }
    QString root;
};

} // namespace

TEST_F(FlatteningTest, ContentsComeDepthFirstBeforeTheirFolder)
{
    ASSERT_TRUE(nvtest::writeFile(p("A/f"), "f"));
    ASSERT_TRUE(nvtest::writeFile(p("A/B/g"), "gg"));
    ASSERT_TRUE(nvtest::writeFile(p("A/B/C/h"), "hhh"));
    ASSERT_TRUE(nvtest::writeFile(p("A/.hidden"), "x"));
    ASSERT_TRUE(makeFolder(p("A/B/Empty")));

    FileEraserList list;
    ASSERT_EQ(list.addPaths({p("A")}, {}).added, 1);
    const FileObjList jobs = list.flatJobList();

    const QStringList order = urls(jobs);
    EXPECT_EQ(QSet<QString>(order.cbegin(), order.cend()),
              (QSet<QString>{p("A/f"), p("A/.hidden"), p("A/B/g"), p("A/B/C/h"), p("A/B/C"), p("A/B/Empty"), p("A/B"),
                             p("A")}));
    EXPECT_EQ(order.size(), 8);
    EXPECT_EQ(order.last(), p("A"));
    expectContentsRightBeforeFolders(jobs);

    for (const FileObjPtr& job : jobs) {
        const bool folder = job->url() == p("A") || job->url() == p("A/B") || job->url() == p("A/B/C")
            || job->url() == p("A/B/Empty");
        EXPECT_EQ(job->isDir(), folder) << job->url();
        EXPECT_EQ(job->type(), folder ? QStringLiteral("Folder") : QString()) << job->url();
        EXPECT_TRUE(job->isSelect());
    }
    const auto h = std::find_if(jobs.cbegin(), jobs.cend(), [&](const FileObjPtr& j) { return j->url() == p("A/B/C/h"); });
    ASSERT_NE(h, jobs.cend());
    EXPECT_EQ((*h)->size(), 3);
    EXPECT_EQ((*h)->name(), QStringLiteral("h"));
}

TEST_F(FlatteningTest, LinksAreItemsOfTheirOwnAndNeverEntered)
{
    ASSERT_TRUE(nvtest::writeFile(p("Outside/keep.txt"), "target data"));
    ASSERT_TRUE(nvtest::writeFile(p("A/real.txt"), "r"));
    ASSERT_TRUE(QFile::link(p("Outside"), p("A/linkToFolder")));
    ASSERT_TRUE(QFile::link(p("Outside/keep.txt"), p("A/linkToFile.txt")));
    ASSERT_TRUE(QFile::link(p("nowhere"), p("A/dangling")));
    ASSERT_TRUE(QFile::link(p("Outside"), p("TopLink")));

    FileEraserList list;
    ASSERT_EQ(list.addPaths({p("A"), p("TopLink")}, {}).added, 2);
    // A link to a folder is listed as an item, not as a folder.
    EXPECT_TRUE(list.at(0)->isDir());
    EXPECT_FALSE(list.at(1)->isDir());
    EXPECT_TRUE(list.at(1)->isSymbolicLink());

    const FileObjList jobs = list.flatJobList();
    const QStringList order = urls(jobs);
    EXPECT_EQ(QSet<QString>(order.cbegin(), order.cend()),
              (QSet<QString>{p("A/real.txt"), p("A/linkToFolder"), p("A/linkToFile.txt"), p("A/dangling"), p("A"),
                             p("TopLink")}));
    for (const FileObjPtr& job : jobs) {
        EXPECT_FALSE(job->url().startsWith(p("Outside"))) << "entered a linked folder: " << job->url();
        if (job->url() != p("A") && job->url() != p("A/real.txt")) {
            EXPECT_FALSE(job->isDir()) << job->url();
            EXPECT_TRUE(job->isSymbolicLink()) << job->url();
            EXPECT_EQ(job->size(), 0) << "a link holds no data to shred: " << job->url();
        }
    }
    EXPECT_EQ(order.last(), p("TopLink"));
    expectContentsRightBeforeFolders(jobs);
}

TEST_F(FlatteningTest, EmptyFoldersUntickedItemsAndFoldersOfAnyName)
{
    ASSERT_TRUE(makeFolder(p("Empty")));
    ASSERT_TRUE(nvtest::writeFile(p("Tool.app/Contents/MacOS/tool"), "binary"));
    ASSERT_TRUE(nvtest::writeFile(p("Other/x"), "x"));
    ASSERT_TRUE(nvtest::writeFile(p("skip.txt"), "s"));

    FileEraserList list;
    ASSERT_EQ(list.addPaths({p("Empty"), p("Tool.app"), p("skip.txt"), p("Other")}, {}).added, 4);
    // A folder named like an application bundle is a folder like any other.
    EXPECT_TRUE(list.at(1)->isDir());
    EXPECT_EQ(list.at(1)->type(), QStringLiteral("Folder"));
    list.flipTick(2);
    list.flipTick(3);

    const QStringList order = urls(list.flatJobList());
    EXPECT_EQ(order.first(), p("Empty"));
    EXPECT_EQ(order, (QStringList{p("Empty"), p("Tool.app/Contents/MacOS/tool"), p("Tool.app/Contents/MacOS"),
                                  p("Tool.app/Contents"), p("Tool.app")}));
}

TEST_F(FlatteningTest, ANestedListedItemIsHandedOverOnce)
{
    ASSERT_TRUE(nvtest::writeFile(p("A/inner.txt"), "i"));
    ASSERT_TRUE(nvtest::writeFile(p("A/B/deep.txt"), "d"));
    FileEraserList list;
    ASSERT_EQ(list.addPaths({p("A/B/deep.txt"), p("A"), p("A/inner.txt")}, {}).added, 3);
    const QStringList order = urls(list.flatJobList());
    EXPECT_EQ(order.size(), 4);
    EXPECT_EQ(order.count(p("A/inner.txt")), 1);
    EXPECT_EQ(order.count(p("A/B/deep.txt")), 1);
    EXPECT_EQ(order.first(), p("A/B/deep.txt"));
    EXPECT_EQ(order.last(), p("A"));
}

TEST_F(FlatteningTest, AFolderReplacedByALinkAfterAddingIsNotEntered)
{
    ASSERT_TRUE(nvtest::writeFile(p("A/f"), "f"));
    ASSERT_TRUE(nvtest::writeFile(p("Elsewhere/precious"), "p"));
    FileEraserList list;
    list.addPaths({p("A")}, {});
    ASSERT_TRUE(QDir(p("A")).removeRecursively());
    ASSERT_TRUE(QFile::link(p("Elsewhere"), p("A")));
    EXPECT_EQ(urls(list.flatJobList()), QStringList{p("A")});
}

TEST_F(FlatteningTest, AddRulesRootDuplicatesAndNtfs)
{
    ASSERT_TRUE(nvtest::writeFile(p("one.txt"), "1"));
    ASSERT_TRUE(nvtest::writeFile(p("two.tar.gz"), "22"));
    ASSERT_TRUE(nvtest::writeFile(p("three"), "333"));
    ASSERT_TRUE(nvtest::writeFile(p(".bashrc"), "4444"));
    ASSERT_TRUE(makeFolder(p("dir")));

    FileEraserList list;
    auto outcome = list.addPaths({p("one.txt"), p("one.txt"), p("dir"), QStringLiteral("/"), p("three")}, {});
    EXPECT_EQ(outcome.added, 2);
    EXPECT_TRUE(outcome.stoppedAtRoot);
    EXPECT_EQ(urls(list.valueArr()), (QStringList{p("one.txt"), p("dir")}));

    outcome = list.addPaths({p("dir"), p("two.tar.gz"), p("three"), p(".bashrc"), p("missing")}, {});
    EXPECT_EQ(outcome.added, 4);
    EXPECT_FALSE(outcome.stoppedAtRoot);
    EXPECT_EQ(list.count(), 6);
    EXPECT_EQ(list.at(2)->type(), QStringLiteral("gz"));
    EXPECT_EQ(list.at(2)->size(), 2);
    EXPECT_EQ(list.at(3)->type(), QString());
    EXPECT_EQ(list.at(4)->type(), QString());
    EXPECT_EQ(list.at(4)->name(), QStringLiteral(".bashrc"));
    EXPECT_FALSE(list.at(5)->isDir());
    EXPECT_EQ(list.at(1)->type(), QStringLiteral("Folder"));
    EXPECT_EQ(list.at(1)->size(), 0);

    // The first path on NTFS refuses the whole add; a later one only itself.
    const auto onNtfs = [&](const QString& path) { return path.contains(QLatin1String("ntfs")); };
    FileEraserList second;
    outcome = second.addPaths({p("ntfs-a"), p("one.txt")}, onNtfs);
    EXPECT_TRUE(outcome.wholeAddRefused);
    EXPECT_EQ(outcome.added, 0);
    EXPECT_TRUE(second.isEmpty());
    outcome = second.addPaths({p("one.txt"), p("ntfs-b"), p("three")}, onNtfs);
    EXPECT_FALSE(outcome.wholeAddRefused);
    EXPECT_EQ(outcome.refusedNtfs, QStringList{p("ntfs-b")});
    EXPECT_EQ(urls(second.valueArr()), (QStringList{p("one.txt"), p("three")}));

    // Icons come from the provider, asked with the folder flag.
    FileEraserList third;
    QStringList asked;
    third.addPaths({p("dir"), p("one.txt")}, {}, [&](const QString& path, bool isDir) {
        asked << (path + (isDir ? QStringLiteral(":d") : QStringLiteral(":f")));
        return QVariant(path.size());
    });
    EXPECT_EQ(asked, (QStringList{p("dir") + ":d", p("one.txt") + ":f"}));
    EXPECT_EQ(third.at(0)->icon().toInt(), p("dir").size());
}

TEST(FileEraserList, CountersAndSelectAll)
{
    FileEraserList list;
    EXPECT_EQ(list.returnSelectAllState(), 0);
    EXPECT_EQ(list.setAllSelectOrNoSelect(), 0);
    EXPECT_EQ(list.selectCountText().text, QStringLiteral("总: 0 个文件"));

    const QString dir = nvtest::freshFolder(QStringLiteral("count"));
    QStringList paths;
    for (int i = 0; i < 5; ++i) {
        paths << dir + QStringLiteral("/f%1").arg(i);
        ASSERT_TRUE(nvtest::writeFile(paths.last(), "x"));
    }
    list.addPaths(paths, {});
    EXPECT_EQ(list.returnSelectAllState(), 2);
    EXPECT_EQ(FileEraserList::selectAllTitle(2), QStringLiteral("取消全选"));
    EXPECT_EQ(list.selectCountText().text, QStringLiteral("已选择: 5/5 个文件"));

    list.flipTick(1);
    list.flipTick(3);
    EXPECT_EQ(list.tickedCount(), 3);
    EXPECT_EQ(list.returnSelectAllState(), 1);
    const auto text = list.selectCountText();
    EXPECT_EQ(text.text, QStringLiteral("已选择: 3/5 个文件"));
    EXPECT_EQ(text.text.mid(text.boldStart, text.boldLength), QStringLiteral("3"));
    EXPECT_EQ(text.boldStart, 5);
    EXPECT_EQ(FileEraserList::selectAllTitle(1), QStringLiteral("全选"));
    EXPECT_FALSE(list.flipTick(5));
    EXPECT_FALSE(list.flipTick(-1));

    // Some ticked: select-all ticks everything; then it unticks everything.
    EXPECT_EQ(list.setAllSelectOrNoSelect(), 2);
    EXPECT_EQ(list.tickedCount(), 5);
    EXPECT_EQ(list.setAllSelectOrNoSelect(), 0);
    EXPECT_EQ(list.tickedCount(), 0);
    EXPECT_EQ(list.returnSelectAllState(), 0);
    EXPECT_EQ(list.selectCountText().text, QStringLiteral("总: 5 个文件"));
    EXPECT_EQ(list.selectCountText().boldStart, -1);
    EXPECT_EQ(FileEraserList::selectAllTitle(0), QStringLiteral("全选"));
}

TEST(FileEraserList, BoldCountIsTheTickedNumberEvenWhenItRecursInTheTotal)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("bold"));
    FileEraserList list;
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        paths << dir + QStringLiteral("/f%1").arg(i);
        ASSERT_TRUE(nvtest::writeFile(paths.last(), "x"));
    }
    list.addPaths(paths, {});
    for (int i = 1; i < 12; ++i)
        list.flipTick(i);
    const auto text = list.selectCountText();
    EXPECT_EQ(text.text, QStringLiteral("已选择: 1/12 个文件"));
    EXPECT_EQ(text.boldStart, 5);
    EXPECT_EQ(text.boldLength, 1);
}

TEST(FileEraserList, SortOrderAndTitle)
{
    const QString dir = nvtest::freshFolder(QStringLiteral("sort"));
    ASSERT_TRUE(nvtest::writeFile(dir + "/b", QByteArray(300, 'x')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/a", QByteArray(20, 'x')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/C", QByteArray(4000, 'x')));
    ASSERT_TRUE(nvtest::writeFile(dir + "/d", QByteArray(20, 'x')));
    FileEraserList list;
    list.addPaths({dir + "/b", dir + "/a", dir + "/C", dir + "/d"}, {});
    const auto names = [&] {
        QStringList out;
        for (const FileObjPtr& item : list.valueArr())
            out << item->name();
        return out;
    };

    list.sortBy(1, 1);
    EXPECT_EQ(names(), (QStringList{"C", "b", "a", "d"}));
    EXPECT_EQ(FileEraserSortVC::sortTitle(1, 1), QStringLiteral("大小、降序"));
    list.sortBy(1, 0);
    EXPECT_EQ(names(), (QStringList{"a", "d", "b", "C"}));
    list.sortBy(0, 0);
    // Plain comparison: capitals before lower case.
    EXPECT_EQ(names(), (QStringList{"C", "a", "b", "d"}));
    EXPECT_EQ(FileEraserSortVC::sortTitle(0, 0), QStringLiteral("名称、升序"));
    list.sortBy(0, 1);
    EXPECT_EQ(names(), (QStringList{"d", "b", "a", "C"}));
    // The third kind sorts by size and names "名称" in the title.
    list.sortBy(2, 1);
    EXPECT_EQ(names(), (QStringList{"C", "b", "d", "a"}));
    EXPECT_EQ(FileEraserSortVC::sortTitle(2, 1), QStringLiteral("名称、降序"));
    EXPECT_EQ(FileEraserSortVC::sortTitle(1, 7), QStringLiteral("大小、升序"));
}

TEST(FileEraserList, SizeTextBoundariesAndCells)
{
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(0), QStringLiteral("0 byte"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(999), QStringLiteral("999 byte"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(1000), QStringLiteral("1.00 KB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(999'999), QStringLiteral("1000.00 KB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(1'000'000), QStringLiteral("1.00 MB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(1'500'000), QStringLiteral("1.50 MB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(999'999'999), QStringLiteral("1000.00 MB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(1'000'000'000), QStringLiteral("1.00 GB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(999'999'999'999ULL), QStringLiteral("1000.00 GB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(1'000'000'000'000ULL), QStringLiteral("1.00 TB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(2'345'000'000'000ULL), QStringLiteral("2.35 TB"));
    // Counts past the signed range are sizes too, never negative ones.
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(1ULL << 63), QStringLiteral("9223372.00 TB"));
    EXPECT_EQ(FileEraserList::byteToSizeWithByte(std::numeric_limits<quint64>::max()), QStringLiteral("18446744.00 TB"));

    FileObj folder;
    folder.setName(QStringLiteral("docs"));
    folder.setUrl(QStringLiteral("/home/u/docs"));
    folder.setIsDir(true);
    folder.setType(QStringLiteral("Folder"));
    EXPECT_EQ(FileEraserList::cellText(folder, FileEraserList::SizeColumn), QStringLiteral("--"));
    EXPECT_EQ(FileEraserList::toolTip(folder, FileEraserList::SizeColumn), QString());
    EXPECT_EQ(FileEraserList::toolTip(folder, FileEraserList::PathColumn), QStringLiteral("/home/u/docs"));
    FileObj file;
    file.setName(QStringLiteral("<b>x</b>.txt"));
    file.setSize(1500);
    file.setType(QStringLiteral("txt"));
    EXPECT_EQ(FileEraserList::cellText(file, FileEraserList::SizeColumn), QStringLiteral("1.50 KB"));
    EXPECT_EQ(FileEraserList::toolTip(file, FileEraserList::SizeColumn), QStringLiteral("1.50 KB"));
    EXPECT_EQ(FileEraserList::cellText(file, FileEraserList::NameColumn), QStringLiteral("<b>x</b>.txt"));
    EXPECT_EQ(FileEraserList::cellText(file, FileEraserList::TypeColumn), QStringLiteral("txt"));
}
