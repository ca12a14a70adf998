#include "SharedProtoDB.h"

#include "InterLog.h"
#include "platform/FileAttributes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <leveldb/db.h>
#include <leveldb/env.h>
#include <leveldb/helpers/memenv.h>
#include <leveldb/write_batch.h>
#include <memory>

namespace {

// The download feature's records; its other keys ("21_..." without the
// name) are the store's own bookkeeping of that feature.
const char kDownloadPrefix[] = "21_download,";

// LevelDB's own text log of a store opened in memory: kept nowhere.
struct SilentLog : leveldb::Logger {
    void Logv(const char*, va_list) override {}
};

std::unique_ptr<leveldb::DB> open(const QString& folder, leveldb::Env* memory = nullptr)
{
    static SilentLog silent;
    leveldb::Options options;
    if (memory) {
        options.env = memory;
        options.info_log = &silent;
    }
    options.create_if_missing = false;
    options.paranoid_checks = true;
    leveldb::DB* db = nullptr;
    const leveldb::Status status = leveldb::DB::Open(options, QFile::encodeName(folder).toStdString(), &db);
    if (!status.ok()) {
        interlog::file(QStringLiteral("shared_proto_db: %1 (%2)").arg(QString::fromStdString(status.ToString()), folder));
        return nullptr;
    }
    return std::unique_ptr<leveldb::DB>(db);
}

// Missing, or the browser's own folder; a link in its place is never used.
enum class Place { Missing, Folder, Other };
Place placeOf(const QString& folder)
{
    if (folder.isEmpty())
        return Place::Missing;
    const platform::ItemInfo info = platform::itemInfo(folder);
    if (!info.exists)
        return Place::Missing;
    return info.isDir && !info.isSymLink ? Place::Folder : Place::Other;
}

} // namespace

namespace SharedProtoDB {

QString folderOfHistory(const QString& historyPath)
{
    if (historyPath.isEmpty())
        return {};
    return QFileInfo(historyPath).absolutePath() + QStringLiteral("/shared_proto_db");
}

std::optional<QStringList> downloadGuids(const QString& folder)
{
    switch (placeOf(folder)) {
    case Place::Missing: return QStringList();
    case Place::Other: return std::nullopt;
    case Place::Folder: break;
    }
    // Opening a LevelDB store writes to it (its log becomes a table), and
    // the browser's lock would refuse us while it runs: its files are read
    // into a store in memory, which is opened instead. Nothing is written to
    // any disk, not even a scratch copy.
    const std::unique_ptr<leveldb::Env> memory(leveldb::NewMemEnv(leveldb::Env::Default()));
    const std::string name = "/shared_proto_db";
    const QDir source(folder);
    for (const QString& entry : source.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks)) {
        // The lock and LevelDB's own text log are no part of the data.
        if (entry == QLatin1String("LOCK") || entry.startsWith(QLatin1String("LOG")))
            continue;
        QFile file(source.filePath(entry));
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
        leveldb::WritableFile* raw = nullptr;
        if (!memory->NewWritableFile(name + "/" + QFile::encodeName(entry).toStdString(), &raw).ok())
            return std::nullopt;
        const std::unique_ptr<leveldb::WritableFile> copy(raw);
        if (!copy->Append(leveldb::Slice(bytes.constData(), size_t(bytes.size()))).ok() || !copy->Close().ok())
            return std::nullopt;
    }
    const std::unique_ptr<leveldb::DB> db = open(QString::fromStdString(name), memory.get());
    if (!db)
        return std::nullopt;
    QStringList guids;
    std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
    for (it->Seek(kDownloadPrefix); it->Valid() && it->key().starts_with(kDownloadPrefix); it->Next())
        guids << QString::fromStdString(it->key().ToString().substr(sizeof kDownloadPrefix - 1));
    if (!it->status().ok())
        return std::nullopt;
    return guids;
}

bool deleteDownloads(const QString& folder)
{
    switch (placeOf(folder)) {
    case Place::Missing: return true;
    case Place::Other: return false;
    case Place::Folder: break;
    }
    // Opening the store itself rewrites its files, so it is opened only when
    // the reading in memory found records to delete.
    const std::optional<QStringList> stored = downloadGuids(folder);
    if (!stored)
        return false;
    if (stored->isEmpty())
        return true;
    const std::unique_ptr<leveldb::DB> db = open(folder);
    if (!db)
        return false;
    leveldb::WriteBatch batch;
    int found = 0;
    {
        std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
        for (it->Seek(kDownloadPrefix); it->Valid() && it->key().starts_with(kDownloadPrefix); it->Next(), ++found)
            batch.Delete(it->key());
        if (!it->status().ok())
            return false;
    }
    if (found == 0)
        return true;
    leveldb::WriteOptions write;
    write.sync = true;
    const leveldb::Status status = db->Write(write, &batch);
    // Rewritten without them, so the records are not left in old files
    // until LevelDB happens to compact.
    if (status.ok())
        db->CompactRange(nullptr, nullptr);
    if (!status.ok())
        interlog::file(QStringLiteral("shared_proto_db: %1 (%2)").arg(QString::fromStdString(status.ToString()), folder));
    return status.ok();
}

} // namespace SharedProtoDB
