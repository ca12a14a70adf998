#include "SharedProtoDB.h"

#include "InterLog.h"
#include "platform/FileAttributes.h"
#include "platform/Locations.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <leveldb/db.h>
#include <leveldb/write_batch.h>
#include <memory>

namespace {

// The download feature's records; its other keys ("21_..." without the
// name) are the store's own bookkeeping of that feature.
const char kDownloadPrefix[] = "21_download,";

std::unique_ptr<leveldb::DB> open(const QString& folder)
{
    leveldb::Options options;
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
    // the browser's lock would refuse us while it runs: read a copy.
    QTemporaryDir copy(platform::privateTempFolder() + QStringLiteral("/protodb-XXXXXX"));
    if (!copy.isValid())
        return std::nullopt;
    const QDir source(folder);
    for (const QString& name : source.entryList(QDir::Files | QDir::Hidden)) {
        if (name == QLatin1String("LOCK"))
            continue;
        if (!QFile::copy(source.filePath(name), copy.filePath(name)))
            return std::nullopt;
    }
    const std::unique_ptr<leveldb::DB> db = open(copy.path());
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
        return true;   // the other features' records are not rewritten for nothing
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
