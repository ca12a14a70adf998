#pragma once
// The erase history: one record per finished erase run, written by the file
// eraser ("WipeFile") and the disk wipe ("WipeVolume"), read back whole by the
// history viewer and deleted record by record from there.
//
// The history is the SQLite database "DataBase.db" in the per-user data
// folder, created with its two tables when missing:
//   TimeBase  (Time, Type)                              one row per record
//   BaseTable (Itmes, ErasureAlgorithm, Result, Time)   the record's rows
// A record is keyed by the local time of the write ("2026-12-06 14-07-32");
// two runs within one second share a key. Its rows are a header row ("Items",
// "Erasure Algorithm", "Result") and one row per item. Each operation opens
// the database, works and closes it again; each record is written in one
// transaction, so a failed write leaves nothing behind.

#include "core/FileObj.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <functional>

// One row of a record: "Items", "Erasure algorithm" and "Result".
using HistoryRow = QMap<QString, QString>;
// Record key → its rows in the order written (header rows included).
using HistoryRecords = QMap<QString, QList<HistoryRow>>;

class DoDataBase {
public:
    // The one shared store, created on first use.
    static DoDataBase* returnDoDataBase();

    // Path of the database file, looked up afresh on every operation.
    static QString getDataBase();

    // The record key of a moment: "yyyy-MM-dd HH-mm-ss" of its local time.
    static QString recordKey(const QDateTime& moment);

    // A "WipeFile" record with one row per item: its path, the standard's
    // label and its result text. An empty list writes nothing.
    // `standardLabel` is the label of the standard the run started with; a
    // null text takes the one chosen now (getEraserTimes).
    void writePlistForHistoryWithArr(const FileObjList& arr, const QString& standardLabel = QString());

    // A "WipeVolume" record with one row: "磁盘擦除:<name>" for a volume wipe
    // (freeSpace false) or "剩余空间擦除:<name>" for a free-space wipe, with
    // `standardLabel` as above.
    void writeWipeVolumesOrFree(const QString& name, const QString& end, bool freeSpace,
                                const QString& standardLabel = QString());

    // Every record; empty when the database cannot be opened.
    HistoryRecords getAllData();

    // Removes every record stored under `key` with all its rows.
    void deleteDataWithKey(const QString& key);

    // The standard's label the last write recorded.
    QString eraserTimes() const;

    // Where record keys take the time from; the system clock by default.
    // Tests set a fixed clock to write several records within one second.
    void setClock(std::function<QDateTime()> clock);

private:
    DoDataBase();
    void writeRecord(const QString& type, const QStringList& items, const QStringList& results,
                     const QString& standardLabel);

    mutable QMutex mutex_;
    QString eraserTimes_;
    std::function<QDateTime()> clock_;
};
