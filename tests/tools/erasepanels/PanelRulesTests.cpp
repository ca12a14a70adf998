// The shared panels' rules without a window: the history export page and the
// pass-count choice.
#include "TestSupport.h"

#include "tools/erasepanels/ErasureStandardChoice.h"
#include "tools/erasepanels/HistoryExport.h"

#include "core/DoDataBase.h"
#include "core/ErasureStandards.h"
#include "core/FileObj.h"
#include "core/PublicUtilities.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

HistoryRow row(const QString& items, const QString& algorithm, const QString& result)
{
    return HistoryRow{{QStringLiteral("Items"), items}, {QStringLiteral("Erasure algorithm"), algorithm},
                      {QStringLiteral("Result"), result}};
}

const HistoryRow kHeader = row(QStringLiteral("Items"), QStringLiteral("Erasure Algorithm"), QStringLiteral("Result"));

QString readAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(HistoryExport, PageOfARunWithTwoItems)
{
    const QList<HistoryRow> rows{kHeader, row("/home/u/a.txt", erasureStandardLabel(4), "擦除成功"),
                                 row("/home/u/b", erasureStandardLabel(4), "擦除失败")};
    const QString page = historyexport::historyHtmlPage(QStringLiteral("2026-12-06 14-07-32"), rows);

    EXPECT_TRUE(page.startsWith(QStringLiteral(
        "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
        "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">     <html xmlns=\"http://www.w3.org/1999/xhtml\">     "
        "<head>     <meta content=\"initial-scale=1.0,user-scalable=no,maximum-scale=1,width=device-width\" name=\"viewport\" />")));
    EXPECT_TRUE(page.contains(QStringLiteral(
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />     <title>擦除历史</title>     <style>     ")));
    EXPECT_TRUE(page.contains(QStringLiteral("font-family:Segoe,  \"Segoe UI \",  \"DejaVu Sans \",  \"Trebuchet MS \", Verdana, sans-serif; }")));
    EXPECT_TRUE(page.contains(QStringLiteral("</style>     </head>     <body>     <!-- toplink -->     <table width=\"200\" border=\"1\">")));

    const QString sp22(22, ' ');
    const QString sp23(23, ' ');
    const QString dateRow = QStringLiteral("<tr>") + QString(24, ' ') + QStringLiteral("<th colspan=\"3\">2026-12-06 14-07-32</th>")
        + QString(25, ' ') + QStringLiteral("</tr>");
    const QString headerRow = QStringLiteral("<tr class=\"title\">") + sp22 + QStringLiteral("<td>项目</td>") + sp23
        + QStringLiteral("<td>擦除标准</td>") + sp23 + QStringLiteral("<td>结果</td>") + sp23 + QStringLiteral("</tr>");
    const QString firstRow = QStringLiteral("<tr>") + sp22 + QStringLiteral("<td>/home/u/a.txt</td>") + sp23
        + QStringLiteral("<td>DoD 5220.22-M (擦除3次)</td>") + sp23 + QStringLiteral("<td>擦除成功</td>") + sp23
        + QStringLiteral("</tr>");
    EXPECT_TRUE(page.contains(QStringLiteral("<table width=\"200\" border=\"1\">") + dateRow + headerRow + firstRow));
    EXPECT_TRUE(page.endsWith(QStringLiteral("擦除失败</td>") + sp23 + QStringLiteral("</tr></table>     </body>      </html>")));
    EXPECT_EQ(page.count(QStringLiteral("<tr")), 4);
    EXPECT_EQ(page.count(QStringLiteral("class=\"title\"")), 1);
}

TEST(HistoryExport, EveryCellIsEscapedAndThePageIsWellFormed)
{
    const QString hostile = QStringLiteral("/tmp/<script>alert(1)</script>.txt");
    const QList<HistoryRow> rows{kHeader, row(hostile, "A & B", "\"quoted\""),
                                 row("/tmp/Tom's <b>file</b>", "x", "y")};
    const QString page = historyexport::historyHtmlPage(QStringLiteral("2026-01-01 <i>00-00-00</i>"), rows);
    EXPECT_FALSE(page.contains(QStringLiteral("<script>")));
    EXPECT_FALSE(page.contains(QStringLiteral("<b>")));
    EXPECT_FALSE(page.contains(QStringLiteral("<i>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<td>/tmp/&lt;script&gt;alert(1)&lt;/script&gt;.txt</td>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<td>A &amp; B</td>")));
    EXPECT_TRUE(page.contains(QStringLiteral("<td>&quot;quoted&quot;</td>")));

    // Read back as XML, the cells give the texts exactly as stored.
    QXmlStreamReader xml(page);
    QStringList cells;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && (xml.name() == QLatin1String("td") || xml.name() == QLatin1String("th")))
            cells << xml.readElementText();
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString();
    EXPECT_EQ(cells, (QStringList{"2026-01-01 <i>00-00-00</i>", "项目", "擦除标准", "结果", hostile, "A & B",
                                  "\"quoted\"", "/tmp/Tom's <b>file</b>", "x", "y"}));
}

TEST(HistoryExport, NamesSuffixAndWriting)
{
    EXPECT_EQ(historyexport::proposedFileName(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))),
              QStringLiteral("擦除历史(2026-03-04 05-06-07)"));
    EXPECT_EQ(historyexport::withHtmlSuffix(QStringLiteral("/tmp/report")), QStringLiteral("/tmp/report.html"));
    EXPECT_EQ(historyexport::withHtmlSuffix(QStringLiteral("/tmp/report.html")), QStringLiteral("/tmp/report.html"));
    EXPECT_EQ(historyexport::withHtmlSuffix(QStringLiteral("/tmp/report.HTML")), QStringLiteral("/tmp/report.HTML"));
    EXPECT_EQ(historyexport::withHtmlSuffix(QStringLiteral("/tmp/report.htm")), QStringLiteral("/tmp/report.htm.html"));

    const QString dir = nvtest::freshFolder(QStringLiteral("export"));
    const QString page = historyexport::historyHtmlPage(QStringLiteral("k"), {kHeader, row("/文件.txt", "l", "r")});
    const QString target = dir + QStringLiteral("/擦除历史.html");
    ASSERT_TRUE(nvtest::writeFile(target, "old contents"));
    QString error;
    ASSERT_TRUE(historyexport::writeHistoryHtml(target, page, &error)) << error;
    EXPECT_EQ(readAll(target), page);

    EXPECT_FALSE(historyexport::writeHistoryHtml(dir + QStringLiteral("/no/such/folder/x.html"), page, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(dir + QStringLiteral("/no/such/folder/x.html")));
    // A folder in the way is no file to write.
    ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/taken.html")));
    EXPECT_FALSE(historyexport::writeHistoryHtml(dir + QStringLiteral("/taken.html"), page, &error));
    EXPECT_EQ(QDir(dir).entryList(QDir::Files), QStringList{QStringLiteral("擦除历史.html")});
}

// What the panel saves is the count that runs; the standard stored with it,
// and so every label the run shows and the history keeps, names that count.
TEST(ErasureStandardChoice, ThePassCountPanelStoresAStandardOfThatCount)
{
    struct Case {
        int chosenBefore;
        QString level;
        int passes;
        int tag;
    };
    const QList<Case> cases{
        {4, "1", 1, 0},   // not the chosen one's count: the table's first of one pass
        {1, "1", 1, 1},   // the chosen standard has it: it stays
        {2, "1", 1, 2},
        {4, "2", 2, 3},
        {0, "3", 3, 4},
        {5, "3", 3, 5},
        {4, "7", 7, 6},
        {4, "35", 35, 7},
        {kPassCountOnlyTag, "3", 3, 4},
        // A count no standard has ("EraserTimes" = 5 set elsewhere, saved back).
        {4, "5", 5, kPassCountOnlyTag},
        {7, "4", 4, kPassCountOnlyTag},
        // A count the queue takes as one pass.
        {4, "0", 0, 0},
    };
    QFile::remove(DoDataBase::getDataBase());
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 then %2").arg(c.chosenBefore).arg(c.level).toStdString());
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), c.chosenBefore);
        standardchoice::storeEraserLevel(c.level);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), c.passes);
        EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimesTag")), c.tag);

        const QString expected = c.tag == kPassCountOnlyTag ? QStringLiteral("自定义 (擦除%1次)").arg(c.passes)
                                                            : erasureStandardLabel(c.tag);
        // The confirmation's label, the progress pane's and the history's.
        EXPECT_EQ(standardchoice::chosenStandardLabel(), expected);
        EXPECT_EQ(PublicUtilities::getEraserTimes(), expected);
        EXPECT_TRUE(expected.contains(QStringLiteral("擦除%1次").arg(std::max(c.passes, 1)))) << expected;
        auto erased = std::make_shared<FileObj>();
        erased->setUrl(QStringLiteral("/tmp/a"));
        DoDataBase::returnDoDataBase()->writePlistForHistoryWithArr({erased});
        EXPECT_EQ(DoDataBase::returnDoDataBase()->eraserTimes(), expected);
    }
    // Every record keeps the label it was written with.
    QStringList stored;
    for (const QList<HistoryRow>& record : DoDataBase::returnDoDataBase()->getAllData())
        for (const HistoryRow& r : record)
            stored << r.value(QStringLiteral("Erasure algorithm"));
    EXPECT_TRUE(stored.contains(QStringLiteral("自定义 (擦除5次)"))) << stored;
    EXPECT_TRUE(stored.contains(QStringLiteral("自定义 (擦除4次)"))) << stored;
    EXPECT_TRUE(stored.contains(erasureStandardLabel(6))) << stored;

    // Settings the panel saved before it chose a standard too (a standard
    // beside another count): the confirmation names the count that runs.
    platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 1);
    EXPECT_EQ(standardchoice::chosenStandardLabel(), erasureStandardLabel(0));
    platform::defaults::setInteger(QStringLiteral("EraserTimes"), 5);
    EXPECT_EQ(standardchoice::chosenStandardLabel(), QStringLiteral("自定义 (擦除5次)"));

    // A tag from another reader of the same settings, outside the table,
    // still shows the first standard in the confirmation.
    standardchoice::storeErasureStandard(-1);
    EXPECT_EQ(platform::defaults::integerForKey(QStringLiteral("EraserTimes")), 1);
    EXPECT_EQ(standardchoice::labelForTagText(QStringLiteral("03")), erasureStandardLabel(0));
    EXPECT_EQ(standardchoice::labelForTagText(QStringLiteral("8")), erasureStandardLabel(0));
}
