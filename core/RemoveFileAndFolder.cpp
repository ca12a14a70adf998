#include "RemoveFileAndFolder.h"

#include "securelyEraseFile.h"

#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/Log.h"
#include "platform/OverwriteFile.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace {
const QString kSuccess = QStringLiteral("Success");
const QString kFail = QStringLiteral("Fail");
} // namespace

struct RemoveFileAndFolder::Run : std::enable_shared_from_this<Run> {
    mutable std::mutex stateMutex; // the lists and the index, read by the client
    FileObjList allFilesArr;
    FileObjList deleteErrorArr;
    int idx = 0;
    bool running = false;
    std::atomic<bool> cancel{false};

    // Held for every callback, so that clearing the delegate waits for one
    // under way. Recursive: a client may clear it from inside a callback.
    mutable std::recursive_mutex delegateMutex;
    RemoveFileAndFolderDelegate* delegate = nullptr;

    template <class F> void tell(F&& call)
    {
        std::lock_guard lock(delegateMutex);
        if (delegate)
            call(*delegate);
    }

    void runTaskWithPath();
    void handleItem();
    bool eraseItem(const FileObj& record);
    void doneErasing();
};

void RemoveFileAndFolder::Run::runTaskWithPath()
{
    platform::dispatch::global(platform::dispatch::Priority::Background,
                               [self = shared_from_this()] { self->handleItem(); });
}

void RemoveFileAndFolder::Run::handleItem()
{
    FileObjPtr record;
    {
        std::lock_guard lock(stateMutex);
        if (idx >= allFilesArr.size())
            return;
        record = allFilesArr.at(idx);
    }
    platform::log(QStringLiteral("-------::%1").arg(record->url()));
    record->setFailStr(eraseItem(*record) ? kSuccess : kFail);
    {
        std::lock_guard lock(stateMutex);
        deleteErrorArr << record;
    }
    doneErasing();
}

bool RemoveFileAndFolder::Run::eraseItem(const FileObj& record)
{
    const QString path = record.url();
    const platform::ItemInfo found = platform::itemInfo(path);

    // A folder goes only once it is empty: its contents came earlier in the
    // list, and one that still holds entries kept something that could not be
    // shredded, which must not vanish unshredded with it.
    if (found.exists && found.isDir) {
        QDir().rmdir(path);
        return !platform::itemExists(path);
    }

    RemoveFileAndFolder::doUnLockFile(path);

    // The record's size is from when the list was made; a file that has data
    // now is shredded even if it was empty then.
    const platform::ItemInfo now = platform::itemInfo(path);
    if (record.size() != 0 || (now.isRegular && now.size > 0)) {
        if (now.exists && !(platform::isDeletable(path) && RemoveFileAndFolder::checkPermissions(path))) {
            platform::log(QStringLiteral("--没有权限--------%1").arg(path));
            platform::dispatch::main([self = shared_from_this()] {
                self->tell([](RemoveFileAndFolderDelegate& d) { d.haveFailEraser(); });
            });
            return false;
        }
        // A vanished item is no rights problem: the engine logs it and fails.
        return securelyEraseFile(path, RemoveFileAndFolder::getEraserTimes()) && !platform::itemExists(path);
    }

    // Nothing to shred (an empty file, a link, a pipe): removed directly, and
    // the answer waits for the removal.
    QFile::remove(path);
    const bool gone = !platform::itemExists(path);
    platform::log((gone ? QStringLiteral("rm file sec %1") : QStringLiteral("rm file fail %1")).arg(path));
    return gone;
}

void RemoveFileAndFolder::Run::doneErasing()
{
    bool proceed = false;
    int next = 0;
    qsizetype count = 0;
    QString nextPath;
    FileObjList done;
    {
        std::lock_guard lock(stateMutex);
        next = ++idx;
        count = allFilesArr.size();
        proceed = next < count && !cancel;
        if (proceed) {
            nextPath = allFilesArr.at(next)->url();
        } else {
            done = deleteErrorArr;
            running = false;
        }
    }
    if (proceed) {
        const int percent = static_cast<int>(static_cast<qint64>(next) * 100 / count);
        tell([&](RemoveFileAndFolderDelegate& d) { d.removeProgress(static_cast<float>(percent), nextPath, next); });
        runTaskWithPath();
        return;
    }
    platform::syncAll();
    tell([&](RemoveFileAndFolderDelegate& d) { d.removeObjEnd(done); });
}

RemoveFileAndFolder::RemoveFileAndFolder() : d(std::make_shared<Run>()) {}

RemoveFileAndFolder::~RemoveFileAndFolder()
{
    // Blocks already queued hold the run; they finish the current item and end.
    d->cancel = true;
    setDelegate(nullptr);
}

void RemoveFileAndFolder::setDelegate(RemoveFileAndFolderDelegate* delegate)
{
    std::lock_guard lock(d->delegateMutex);
    d->delegate = delegate;
}

RemoveFileAndFolderDelegate* RemoveFileAndFolder::delegate() const
{
    std::lock_guard lock(d->delegateMutex);
    return d->delegate;
}

void RemoveFileAndFolder::benginToTraskWithArr(const FileObjList& files)
{
    {
        std::lock_guard lock(d->stateMutex);
        if (d->running)
            return;
        d->idx = 0;
        d->deleteErrorArr.clear();
        d->allFilesArr = files;
        d->cancel = false;
        d->running = !files.isEmpty();
    }
    if (files.isEmpty()) {
        d->tell([](RemoveFileAndFolderDelegate& del) { del.removeObjEnd({}); });
        return;
    }
    const float first = files.size() == 1 ? 80.0f : 0.0f;
    d->tell([&](RemoveFileAndFolderDelegate& del) { del.removeProgress(first, files.first()->url(), 0); });
    d->runTaskWithPath();
}

void RemoveFileAndFolder::isCancel()
{
    d->cancel = true;
}

FileObjList RemoveFileAndFolder::allFilesArr() const
{
    std::lock_guard lock(d->stateMutex);
    return d->allFilesArr;
}

FileObjList RemoveFileAndFolder::deleteErrorArr() const
{
    std::lock_guard lock(d->stateMutex);
    return d->deleteErrorArr;
}

int RemoveFileAndFolder::idx() const
{
    std::lock_guard lock(d->stateMutex);
    return d->idx;
}

void RemoveFileAndFolder::doUnLockFile(const QString& path)
{
    if (platform::clearImmutableFlags(path))
        platform::log(QStringLiteral("File unlocked successfully."));
    else
        platform::log(QStringLiteral("Failed to unlock file. Exit status: %1").arg(1));

    const platform::ItemInfo info = platform::itemInfo(path);
    if (!info.exists) {
        platform::log(QStringLiteral("Error getting file attributes: %1").arg(qt_error_string(info.error ? info.error : ENOENT)));
        return;
    }
    // A link's own mode means nothing, and its target is not ours to change.
    if (info.isSymLink)
        return;
    // The owner may write; nobody else gains anything.
    if (!platform::setPermissions(path, info.mode | 0200))
        platform::log(QStringLiteral("Error setting file attributes: %1").arg(qt_error_string(errno)));
}

bool RemoveFileAndFolder::checkPermissions(const QString& path)
{
    if (platform::OverwriteFile::probeWritable(path) == EACCES)
        return platform::setPermissions(path, 0600);
    return true;
}

int RemoveFileAndFolder::getEraserTimes()
{
    return std::max(1, platform::defaults::integerForKey(QStringLiteral("EraserTimes")));
}
