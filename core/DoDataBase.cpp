#include "DoDataBase.h"

#include "PublicUtilities.h"

#include "platform/Locations.h"
#include "platform/Log.h"

#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSet>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

const QString kItems = QStringLiteral("Items");
const QString kAlgorithm = QStringLiteral("Erasure algorithm");
const QString kResult = QStringLiteral("Result");

// Opened for one operation and closed when it ends.
class Database {
public:
    explicit Database(const QString& path)
    {
        const bool existed = QFileInfo::exists(path);
        const QByteArray native = QFile::encodeName(path);
        const int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(native.constData(), &db_, flags, nullptr) != SQLITE_OK) {
            close();
            return;
        }
        sqlite3_busy_timeout(db_, 2000);
        // Creates the tables of a new file; on an existing one this also
        // proves the file is a database we can read.
        static const char* const kSchema =
            "CREATE TABLE IF NOT EXISTS TimeBase (Time TEXT, Type TEXT);"
            "CREATE TABLE IF NOT EXISTS BaseTable (Itmes TEXT, ErasureAlgorithm TEXT, Result TEXT, Time TEXT);"
            "CREATE INDEX IF NOT EXISTS BaseTableTime ON BaseTable (Time);";
        if (sqlite3_exec(db_, kSchema, nullptr, nullptr, nullptr) != SQLITE_OK) {
            close();
            return;
        }
        // The history names the files the user destroyed: for the user's eyes
        // only (SQLite gives its journal files the same mode).
        if (!existed)
            ::chmod(native.constData(), 0600);
    }
    ~Database() { close(); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return db_ != nullptr; }
    sqlite3* handle() const { return db_; }
    QString error() const { return db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QString(); }

    bool exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

private:
    void close()
    {
        if (db_)
            sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Database& db, const char* sql)
    {
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
            stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool isValid() const { return stmt_ != nullptr; }

    // Binds every parameter as UTF-8 text, never NULL.
    Statement& bind(int index, const QString& text)
    {
        if (stmt_) {
            const QByteArray utf8 = text.toUtf8();
            sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }

    // Runs a statement that returns no rows; true when it ran to the end.
    bool run()
    {
        if (!stmt_)
            return false;
        const bool done = sqlite3_step(stmt_) == SQLITE_DONE;
        reset();
        return done;
    }

    bool next() { return stmt_ && sqlite3_step(stmt_) == SQLITE_ROW; }

    // Ready to run again with new parameters.
    void reset()
    {
        if (stmt_) {
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
        }
    }

    // A NULL column reads as an empty text.
    QString text(int column) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, column)) : QStringLiteral("");
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

void logOpenFailure()
{
    platform::log(QStringLiteral("打开数据库失败！"));
}

QString describe(const QList<HistoryRow>& rows)
{
    QStringList parts;
    for (const HistoryRow& r : rows)
        parts << QStringLiteral("{%1 | %2 | %3}").arg(r.value(kItems), r.value(kAlgorithm), r.value(kResult));
    return QStringLiteral("(") + parts.join(QStringLiteral(", ")) + QStringLiteral(")");
}

} // namespace

DoDataBase::DoDataBase()
    : clock_([] { return QDateTime::currentDateTime(); })
{
}

DoDataBase* DoDataBase::returnDoDataBase()
{
    static DoDataBase* const shared = new DoDataBase();
    return shared;
}

QString DoDataBase::getDataBase()
{
    return platform::dataFolder() + QStringLiteral("/DataBase.db");
}

QString DoDataBase::recordKey(const QDateTime& moment)
{
    return moment.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
}

QString DoDataBase::eraserTimes() const
{
    QMutexLocker lock(&mutex_);
    return eraserTimes_;
}

void DoDataBase::setClock(std::function<QDateTime()> clock)
{
    QMutexLocker lock(&mutex_);
    clock_ = clock ? std::move(clock) : [] { return QDateTime::currentDateTime(); };
}

void DoDataBase::writePlistForHistoryWithArr(const FileObjList& arr, const QString& standardLabel)
{
    if (arr.isEmpty())
        return;
    QStringList items, results;
    for (const FileObjPtr& obj : arr) {
        if (!obj)
            continue;
        items << obj->url();
        results << obj->failStr();
    }
    writeRecord(QStringLiteral("WipeFile"), items, results, standardLabel);
}

void DoDataBase::writeWipeVolumesOrFree(const QString& name, const QString& end, bool freeSpace,
                                        const QString& standardLabel)
{
    const QString item = (freeSpace ? QStringLiteral("剩余空间擦除:") : QStringLiteral("磁盘擦除:")) + name;
    writeRecord(QStringLiteral("WipeVolume"), {item}, {end}, standardLabel);
}

void DoDataBase::writeRecord(const QString& type, const QStringList& items, const QStringList& results,
                             const QString& standardLabel)
{
    QMutexLocker lock(&mutex_);
    eraserTimes_ = standardLabel.isNull() ? PublicUtilities::getEraserTimes() : standardLabel;
    const QString key = recordKey(clock_());

    Database db(getDataBase());
    if (!db.isOpen()) {
        logOpenFailure();
        return;
    }
    if (!db.exec("BEGIN IMMEDIATE")) {
        platform::log(QStringLiteral("update time : %1").arg(db.error()));
        return;
    }
    const auto fail = [&](const QString& line) {
        platform::log(line.arg(db.error()));
        db.exec("ROLLBACK");
    };

    Statement time(db, "INSERT INTO TimeBase (Time,Type) VALUES (?,?);");
    if (!time.bind(1, key).bind(2, type).run())
        return fail(QStringLiteral("update time : %1"));

    Statement row(db, "INSERT INTO BaseTable (Itmes, ErasureAlgorithm,Result,Time) VALUES (?,?,?,?);");
    if (!row.bind(1, QStringLiteral("Items")).bind(2, QStringLiteral("Erasure Algorithm")).bind(3, QStringLiteral("Result"))
             .bind(4, key).run())
        return fail(QStringLiteral("update base: %1"));

    for (qsizetype i = 0; i < items.size(); ++i) {
        if (!row.bind(1, items.at(i)).bind(2, eraserTimes_).bind(3, results.value(i)).bind(4, key).run())
            return fail(QStringLiteral("更新数据库表FIELDS出错: %1"));
    }
    if (!db.exec("COMMIT"))
        fail(QStringLiteral("update base: %1"));
}

HistoryRecords DoDataBase::getAllData()
{
    QMutexLocker lock(&mutex_);
    HistoryRecords all;
    Database db(getDataBase());
    if (!db.isOpen()) {
        logOpenFailure();
        return all;
    }
    // One read transaction, so the keys and their rows agree with each other.
    db.exec("BEGIN");
    Statement keys(db, "SELECT Time FROM TimeBase ORDER BY Time DESC;");
    Statement rows(db, "SELECT Itmes, ErasureAlgorithm, Result FROM BaseTable WHERE Time = ? ORDER BY rowid;");
    QSet<QString> seen;
    while (keys.next()) {
        const QString key = keys.text(0);
        platform::logNames(QStringLiteral("-:%1:-").arg(key));
        if (seen.contains(key))
            continue; // a second record within the same second
        seen.insert(key);
        QList<HistoryRow> list;
        if (rows.isValid()) {
            rows.bind(1, key);
            while (rows.next())
                list << HistoryRow{{kItems, rows.text(0)}, {kAlgorithm, rows.text(1)}, {kResult, rows.text(2)}};
            rows.reset();
        }
        platform::logNames(QStringLiteral("dic:----%1").arg(describe(list)));
        all.insert(key, list);
    }
    db.exec("COMMIT");
    return all;
}

void DoDataBase::deleteDataWithKey(const QString& key)
{
    QMutexLocker lock(&mutex_);
    Database db(getDataBase());
    if (!db.isOpen()) {
        logOpenFailure();
        return;
    }
    db.exec("BEGIN IMMEDIATE");
    Statement time(db, "DELETE FROM TimeBase WHERE Time = ?;");
    if (!time.bind(1, key).run())
        platform::log(QStringLiteral("delete time error: %1").arg(db.error()));
    Statement base(db, "DELETE FROM BaseTable WHERE Time = ?;");
    if (!base.bind(1, key).run())
        platform::log(QStringLiteral("delete base error: %1").arg(db.error()));
    if (!db.exec("COMMIT"))
        db.exec("ROLLBACK");
}
