#include "TestSupport.h"

#include "core/DoDataBase.h"
#include "core/PublicUtilities.h"

#include "platform/Defaults.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// Reads the database the way another program would, to check what the store
// really left in the file.
class Peek {
public:
    explicit Peek(const QString& path) { sqlite3_open_v2(QFile::encodeName(path).constData(), &db_, SQLITE_OPEN_READWRITE, nullptr); }
    ~Peek() { sqlite3_close_v2(db_); }

    QList<QStringList> rows(const char* sql)
    {
        QList<QStringList> out;
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(db_, sql, -1, &st, nullptr), SQLITE_OK) << sqlite3_errmsg(db_);
        while (st && sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                row << (p ? QString::fromUtf8(p) : QStringLiteral("<NULL>"));
            }
            out << row;
        }
        sqlite3_finalize(st);
        return out;
    }
    void exec(const char* sql) { EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db_); }

private:
    sqlite3* db_ = nullptr;
};

FileObjPtr item(const QString& url, const QString& result)
{
    auto obj = std::make_shared<FileObj>();
    obj->setUrl(url);
    obj->setFailStr(result);
    return obj;
}

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

HistoryRow row(const QString& items, const QString& algorithm, const QString& result)
{
    return HistoryRow{{QStringLiteral("Items"), items}, {QStringLiteral("Erasure algorithm"), algorithm},
                      {QStringLiteral("Result"), result}};
}

const HistoryRow kHeader = row(QStringLiteral("Items"), QStringLiteral("Erasure Algorithm"), QStringLiteral("Result"));

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = DoDataBase::returnDoDataBase();
        QFile::remove(DoDataBase::getDataBase());
        QDir(DoDataBase::getDataBase()).removeRecursively();
        platform::defaults::setInteger(QStringLiteral("EraserTimesTag"), 4);
        platform::defaults::setInteger(QStringLiteral("EraserTimes"), 3);
        store->setClock([] { return at(2026, 12, 6, 14, 7, 32); });
    }
    void TearDown() override
    {
        store->setClock({});
        platform::defaults::remove(QStringLiteral("EraserTimesTag"));
        platform::defaults::remove(QStringLiteral("EraserTimes"));
    }

    DoDataBase* store = nullptr;
    const QString label = QStringLiteral("DoD 5220.22-M (擦除3次)");
};

} // namespace

TEST(HistoryKey, CalendarYearAndTwentyFourHourClock)
{
    EXPECT_EQ(DoDataBase::recordKey(at(2026, 12, 6, 14, 7, 32)), QStringLiteral("2026-12-06 14-07-32"));
    // The last days of December stay in their calendar year.
    EXPECT_EQ(DoDataBase::recordKey(at(2024, 12, 30, 23, 5, 9)), QStringLiteral("2024-12-30 23-05-09"));
    EXPECT_EQ(DoDataBase::recordKey(at(2027, 1, 1, 0, 0, 0)), QStringLiteral("2027-01-01 00-00-00"));
    // A moment given in another zone is keyed by its local time.
    const QDateTime utc = at(2026, 6, 1, 12, 0, 0).toTimeZone(QTimeZone::utc());
    EXPECT_EQ(DoDataBase::recordKey(utc), QStringLiteral("2026-06-01 12-00-00"));
    EXPECT_EQ(DoDataBase::returnDoDataBase(), DoDataBase::returnDoDataBase());
}

TEST_F(HistoryStoreTest, MissingDatabaseIsCreatedWithBothTables)
{
    EXPECT_TRUE(store->getAllData().isEmpty());
    ASSERT_TRUE(QFile::exists(DoDataBase::getDataBase()));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(DoDataBase::getDataBase()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    Peek peek(DoDataBase::getDataBase());
    const auto columns = [&](const char* sql) {
        QStringList names;
        for (const QStringList& r : peek.rows(sql))
            names << r.value(1);
        return names;
    };
    EXPECT_EQ(columns("PRAGMA table_info(TimeBase)"), (QStringList{QStringLiteral("Time"), QStringLiteral("Type")}));
    EXPECT_EQ(columns("PRAGMA table_info(BaseTable)"),
              (QStringList{QStringLiteral("Itmes"), QStringLiteral("ErasureAlgorithm"), QStringLiteral("Result"),
                           QStringLiteral("Time")}));
}

TEST_F(HistoryStoreTest, ThreeItemsGiveFourRowsHeaderFirst)
{
    store->writePlistForHistoryWithArr({item(QStringLiteral("/a/one.txt"), QStringLiteral("擦除成功")),
                                        item(QStringLiteral("/a/two"), QStringLiteral("擦除失败")),
                                        item(QStringLiteral("/a/three.bin"), QStringLiteral("擦除成功"))});
    EXPECT_EQ(store->eraserTimes(), label);

    Peek peek(DoDataBase::getDataBase());
    EXPECT_EQ(peek.rows("SELECT * FROM TimeBase"),
              (QList<QStringList>{{QStringLiteral("2026-12-06 14-07-32"), QStringLiteral("WipeFile")}}));
    const auto base = peek.rows("SELECT * FROM BaseTable ORDER BY rowid");
    ASSERT_EQ(base.size(), 4);
    EXPECT_EQ(base[0], (QStringList{QStringLiteral("Items"), QStringLiteral("Erasure Algorithm"), QStringLiteral("Result"),
                                    QStringLiteral("2026-12-06 14-07-32")}));
    EXPECT_EQ(base[2], (QStringList{QStringLiteral("/a/two"), label, QStringLiteral("擦除失败"), QStringLiteral("2026-12-06 14-07-32")}));

    const HistoryRecords all = store->getAllData();
    ASSERT_EQ(all.keys(), QStringList{QStringLiteral("2026-12-06 14-07-32")});
    EXPECT_EQ(all.first(), (QList<HistoryRow>{kHeader, row(QStringLiteral("/a/one.txt"), label, QStringLiteral("擦除成功")),
                                              row(QStringLiteral("/a/two"), label, QStringLiteral("擦除失败")),
                                              row(QStringLiteral("/a/three.bin"), label, QStringLiteral("擦除成功"))}));
}

TEST_F(HistoryStoreTest, SameSecondSharesAKeyInWriteOrderAndIsDeletedTogether)
{
    store->writePlistForHistoryWithArr({item(QStringLiteral("/first"), QStringLiteral("擦除成功"))});
    store->writeWipeVolumesOrFree(QStringLiteral("Data"), QStringLiteral("擦除失败"), true);
    store->setClock([] { return at(2026, 12, 6, 14, 7, 33); });
    store->writeWipeVolumesOrFree(QStringLiteral("Data"), QStringLiteral("擦除成功"), false);
    // Nothing to write, nothing written.
    store->writePlistForHistoryWithArr({});

    HistoryRecords all = store->getAllData();
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.value(QStringLiteral("2026-12-06 14-07-32")),
              (QList<HistoryRow>{kHeader, row(QStringLiteral("/first"), label, QStringLiteral("擦除成功")), kHeader,
                                 row(QStringLiteral("剩余空间擦除:Data"), label, QStringLiteral("擦除失败"))}));
    EXPECT_EQ(all.value(QStringLiteral("2026-12-06 14-07-33")),
              (QList<HistoryRow>{kHeader, row(QStringLiteral("磁盘擦除:Data"), label, QStringLiteral("擦除成功"))}));
    Peek peek(DoDataBase::getDataBase());
    EXPECT_EQ(peek.rows("SELECT Type FROM TimeBase ORDER BY rowid"),
              (QList<QStringList>{{QStringLiteral("WipeFile")}, {QStringLiteral("WipeVolume")}, {QStringLiteral("WipeVolume")}}));

    store->deleteDataWithKey(QStringLiteral("2026-12-06 14-07-32"));
    all = store->getAllData();
    EXPECT_EQ(all.keys(), QStringList{QStringLiteral("2026-12-06 14-07-33")});
    EXPECT_EQ(peek.rows("SELECT count(*) FROM BaseTable WHERE Time = '2026-12-06 14-07-32'"),
              (QList<QStringList>{{QStringLiteral("0")}}));
}

TEST_F(HistoryStoreTest, EmptyTextsAreStillWrittenAndNullReadsAsEmpty)
{
    store->writeWipeVolumesOrFree(QString(), QString(), false);
    store->writePlistForHistoryWithArr({item(QStringLiteral("/no/result"), QString())});
    Peek peek(DoDataBase::getDataBase());
    // Stored as text, never as NULL.
    EXPECT_EQ(peek.rows("SELECT Itmes, typeof(Result) FROM BaseTable WHERE Itmes != 'Items' ORDER BY rowid"),
              (QList<QStringList>{{QStringLiteral("磁盘擦除:"), QStringLiteral("text")},
                                  {QStringLiteral("/no/result"), QStringLiteral("text")}}));

    // A row some earlier writer stored without a result.
    peek.exec("INSERT INTO TimeBase VALUES ('2020-01-01 00-00-00', 'WipeFile');"
              "INSERT INTO BaseTable VALUES ('/old', NULL, NULL, '2020-01-01 00-00-00');");
    const QList<HistoryRow> old = store->getAllData().value(QStringLiteral("2020-01-01 00-00-00"));
    ASSERT_EQ(old.size(), 1);
    EXPECT_EQ(old[0], row(QStringLiteral("/old"), QStringLiteral(""), QStringLiteral("")));
    EXPECT_FALSE(old[0].value(QStringLiteral("Result")).isNull());
}

TEST_F(HistoryStoreTest, QuotesChineseAndEmojiAreStoredAndFoundAsTheyAre)
{
    const QString path = QStringLiteral("/home/u/O'Brien's \"报告\" 🚀'); DROP TABLE BaseTable; --.txt");
    store->writePlistForHistoryWithArr({item(path, QStringLiteral("擦除成功"))});
    store->writeWipeVolumesOrFree(QStringLiteral("U盘 'x' 😀"), QStringLiteral("擦除成功"), true);
    const QList<HistoryRow> rows = store->getAllData().value(QStringLiteral("2026-12-06 14-07-32"));
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows[1].value(QStringLiteral("Items")), path);
    EXPECT_EQ(rows[3].value(QStringLiteral("Items")), QStringLiteral("剩余空间擦除:U盘 'x' 😀"));

    // A key with a quote is a key like any other, not a piece of SQL.
    Peek peek(DoDataBase::getDataBase());
    peek.exec("INSERT INTO TimeBase VALUES ('it''s', 'WipeFile');"
              "INSERT INTO BaseTable VALUES ('Items', 'Erasure Algorithm', 'Result', 'it''s');");
    EXPECT_EQ(store->getAllData().value(QStringLiteral("it's")), QList<HistoryRow>{kHeader});
    store->deleteDataWithKey(QStringLiteral("x' OR '1'='1"));
    EXPECT_EQ(store->getAllData().size(), 2);
    store->deleteDataWithKey(QStringLiteral("it's"));
    EXPECT_EQ(store->getAllData().keys(), QStringList{QStringLiteral("2026-12-06 14-07-32")});
}

TEST_F(HistoryStoreTest, AFailedWriteLeavesNoPartOfTheRecord)
{
    store->writePlistForHistoryWithArr({item(QStringLiteral("/before"), QStringLiteral("擦除成功"))});
    {
        Peek peek(DoDataBase::getDataBase());
        peek.exec("CREATE TRIGGER refuse BEFORE INSERT ON BaseTable WHEN NEW.Itmes = '/poison' "
                  "BEGIN SELECT RAISE(ABORT, 'row refused'); END;");
    }
    store->setClock([] { return at(2026, 12, 7, 9, 0, 0); });
    platform::LogCapture log;
    store->writePlistForHistoryWithArr({item(QStringLiteral("/ok"), QStringLiteral("擦除成功")),
                                        item(QStringLiteral("/poison"), QStringLiteral("擦除成功")),
                                        item(QStringLiteral("/after"), QStringLiteral("擦除成功"))});
    EXPECT_TRUE(log.contains(QStringLiteral("更新数据库表FIELDS出错: row refused"))) << log.lines();

    Peek peek(DoDataBase::getDataBase());
    EXPECT_EQ(peek.rows("SELECT count(*) FROM TimeBase WHERE Time = '2026-12-07 09-00-00'"), (QList<QStringList>{{QStringLiteral("0")}}));
    EXPECT_EQ(peek.rows("SELECT count(*) FROM BaseTable WHERE Time = '2026-12-07 09-00-00'"), (QList<QStringList>{{QStringLiteral("0")}}));
    EXPECT_EQ(store->getAllData().keys(), QStringList{QStringLiteral("2026-12-06 14-07-32")});
}

TEST_F(HistoryStoreTest, AnUnusableDatabaseFileIsLoggedAndLeftAlone)
{
    const QByteArray garbage("not a database at all, but someone's file\n");
    ASSERT_TRUE(nvtest::writeFile(DoDataBase::getDataBase(), garbage));
    {
        platform::LogCapture log;
        store->writePlistForHistoryWithArr({item(QStringLiteral("/x"), QStringLiteral("擦除成功"))});
        store->writeWipeVolumesOrFree(QStringLiteral("V"), QStringLiteral("擦除成功"), false);
        EXPECT_TRUE(store->getAllData().isEmpty());
        store->deleteDataWithKey(QStringLiteral("2026-12-06 14-07-32"));
        EXPECT_EQ(log.lines().filter(QStringLiteral("打开数据库失败！")).size(), 4) << log.lines();
    }
    QFile f(DoDataBase::getDataBase());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), garbage);
    f.close();

    // A folder where the file should be.
    QFile::remove(DoDataBase::getDataBase());
    ASSERT_TRUE(QDir().mkpath(DoDataBase::getDataBase()));
    platform::LogCapture log;
    store->writePlistForHistoryWithArr({item(QStringLiteral("/x"), QStringLiteral("擦除成功"))});
    EXPECT_TRUE(store->getAllData().isEmpty());
    EXPECT_TRUE(log.contains(QStringLiteral("打开数据库失败！")));
}

TEST_F(HistoryStoreTest, NothingStaysOpenBetweenCalls)
{
    store->writePlistForHistoryWithArr({item(QStringLiteral("/one"), QStringLiteral("擦除成功"))});
    // The file goes away between two runs. A store that kept its connection
    // would write into the removed file and the new record would be lost.
    ASSERT_TRUE(QFile::remove(DoDataBase::getDataBase()));
    store->writePlistForHistoryWithArr({item(QStringLiteral("/two"), QStringLiteral("擦除成功"))});
    const QList<HistoryRow> rows = store->getAllData().value(QStringLiteral("2026-12-06 14-07-32"));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].value(QStringLiteral("Items")), QStringLiteral("/two"));
}
