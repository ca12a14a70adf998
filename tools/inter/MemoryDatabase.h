#pragma once
// A browser's SQLite database read into this process's memory together with
// its rollback journal or write-ahead log, and opened there through a file
// layer of SQLite's own (a VFS) that keeps every file in memory.
//
// SQLite then does what it would do on the disk: it rolls back the change a
// hot journal describes, or rebuilds the log's index from the log and reads
// its committed pages. What that takes (the rollback, the index, the
// checkpoint at close, temporary files) is written into memory only: nothing
// reaches any disk, and the browser's files are only read, without its locks,
// so a browser that runs is neither blocked nor disturbed.
//
// The main file is read first and its companions after it, and the main file
// must be unchanged over the whole reading; otherwise it is repeated. Then
// the pair is consistent: the browser writes a log's pages into the main
// file (a checkpoint) before it starts the log anew, so whatever the log no
// longer holds is already in the main file we read, and a journal holds the
// old content of every page changed in the main file.

#include <QString>
#include <memory>

struct sqlite3;

class MemoryDatabase {
public:
    // Nothing when the database cannot be read or opened.
    static std::unique_ptr<MemoryDatabase> read(const QString& path);
    ~MemoryDatabase();
    MemoryDatabase(const MemoryDatabase&) = delete;
    MemoryDatabase& operator=(const MemoryDatabase&) = delete;

    sqlite3* handle() const { return db_; }

    // Whether counting `path` in place would write beside it: a journal or
    // log that is not empty, or a database in write-ahead-log mode, whose
    // log and index SQLite makes on opening even when it only reads.
    static bool needsMemory(const QString& path);

    struct Files;

private:
    MemoryDatabase();
    std::unique_ptr<Files> files_;
    sqlite3* db_ = nullptr;
};
