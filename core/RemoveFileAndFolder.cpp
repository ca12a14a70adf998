#include "RemoveFileAndFolder.h"

#include "securelyEraseFile.h"

#include "platform/Defaults.h"
#include "platform/Dispatch.h"
#include "platform/FileAttributes.h"
#include "platform/Log.h"
#include "platform/HeldItem.h"

#include <QLoggingCategory>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

namespace {
Q_LOGGING_CATEGORY(lcQueue, "nullvane.core.erasequeue", QtInfoMsg)
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

    // Kept for the whole run, used by one worker block at a time: the pass
    // count read at the start, the engine's buffers and random-byte maker, and
    // the volumes written to, flushed at the end.
    int passes = 1;
    std::unique_ptr<EraseSession> session;
    platform::TouchedVolumes volumes;
    EraseObserver observer;
    std::function<void()> flushObserver;

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
    platform::log(lcQueue(), platform::LogLevel::Debug, QStringLiteral("-------::%1").arg(record->url()));
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
    // Reached from the ticked item down, one folder at a time and never
    // through a link; a folder on the way that is not the one listed (swapped
    // for a link or another folder since) leaves the item untouched.
    platform::HeldItem item = record.jobRoot().isEmpty()
                                  ? platform::HeldItem::byPath(path)
                                  : platform::HeldItem::below(record.jobRoot(), path, record.parentIdentity());
    if (!item.isValid()) {
        platform::log(lcQueue(), platform::LogLevel::Debug,
                      QStringLiteral("not the folder that was listed, left alone (%1): %2")
                          .arg(qt_error_string(item.error()), path));
        return false;
    }
    volumes.add(item.parent());
    const platform::ItemInfo found = item.info();
    if (record.isDir() && found.exists && !found.isDir) {
        // Listed as a folder, now something else (a link, most likely).
        platform::log(lcQueue(), platform::LogLevel::Debug,
                      QStringLiteral("no longer the folder that was listed, left alone: %1").arg(path));
        return false;
    }

    // A folder goes only once it is empty: its contents came earlier in the
    // list, and one that still holds entries kept something that could not be
    // shredded, which must not vanish unshredded with it.
    if (found.exists && found.isDir) {
        item.remove(true);
        return !item.exists();
    }

    RemoveFileAndFolder::doUnLockFile(item);

    // The record's size is from when the list was made; a file that has data
    // now is shredded even if it was empty then.
    const platform::ItemInfo now = item.info();
    if (record.size() != 0 || (now.isRegular && now.size > 0)) {
        if (now.exists && !(item.isDeletable() && RemoveFileAndFolder::checkPermissions(item))) {
            platform::log(lcQueue(), platform::LogLevel::Debug, QStringLiteral("--没有权限--------%1").arg(path));
            platform::dispatch::main([self = shared_from_this()] {
                self->tell([](RemoveFileAndFolderDelegate& d) { d.haveFailEraser(); });
            });
            return false;
        }
        // A vanished item is no rights problem: the engine logs it and fails.
        return securelyEraseFile(item, passes, *session, observer) && !platform::itemExists(path);
    }

    // Nothing to shred (an empty file, a link, a pipe): removed directly, and
    // the answer waits for the removal. An item that was not there to remove
    // was not erased by us.
    const bool removed = now.exists && item.remove();
    const bool gone = removed && !platform::itemExists(path);
    platform::log(lcQueue(), platform::LogLevel::Debug,
                  (gone ? QStringLiteral("rm file sec %1") : QStringLiteral("rm file fail %1")).arg(path));
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
        }
    }
    if (proceed) {
        const int percent = static_cast<int>(static_cast<qint64>(next) * 100 / count);
        tell([&](RemoveFileAndFolderDelegate& d) { d.removeProgress(static_cast<float>(percent), nextPath, next); });
        runTaskWithPath();
        return;
    }
    if (flushObserver)
        flushObserver();
    // Only the volumes this run wrote to are flushed, not the whole machine.
    const int touched = volumes.count();
    volumes.syncAll();
    platform::log(lcQueue(), platform::LogLevel::Debug, QStringLiteral("synced %1 volume(s)").arg(touched));
    session.reset();
    // Only now may another run start: one started earlier would have its
    // session dropped here and share the volumes being flushed.
    {
        std::lock_guard lock(stateMutex);
        running = false;
    }
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
    benginToTraskWithArr(files, getEraserTimes());
}

void RemoveFileAndFolder::benginToTraskWithArr(const FileObjList& files, int passes)
{
    {
        std::lock_guard lock(d->stateMutex);
        if (d->running)
            return;
        d->idx = 0;
        d->deleteErrorArr.clear();
        d->allFilesArr = files;
        d->cancel = false;
        d->passes = std::max(1, passes);
        d->session = std::make_unique<EraseSession>();
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

void RemoveFileAndFolder::setEraseObserver(const EraseObserver& observer)
{
    std::lock_guard lock(d->stateMutex);
    if (!d->running)
        d->observer = observer;
}

void RemoveFileAndFolder::setFlushObserver(const std::function<void()>& observer)
{
    std::lock_guard lock(d->stateMutex);
    if (!d->running)
        d->flushObserver = observer;
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
    doUnLockFile(platform::HeldItem::byPath(path));
}

void RemoveFileAndFolder::doUnLockFile(const platform::HeldItem& item)
{
    if (item.clearImmutableFlags())
        platform::log(lcQueue(), platform::LogLevel::Debug, QStringLiteral("File unlocked successfully."));
    else
        platform::log(QStringLiteral("Failed to unlock file. Exit status: %1").arg(1));

    const platform::ItemInfo info = item.info();
    if (!info.exists) {
        platform::log(QStringLiteral("Error getting file attributes: %1").arg(qt_error_string(info.error ? info.error : ENOENT)));
        return;
    }
    // A link's own mode means nothing, and its target is not ours to change.
    if (info.isSymLink)
        return;
    // The owner may write; nobody else gains anything.
    if (!item.setPermissions(info.mode | 0200))
        platform::log(QStringLiteral("Error setting file attributes: %1").arg(qt_error_string(errno)));
}

bool RemoveFileAndFolder::checkPermissions(const QString& path)
{
    return checkPermissions(platform::HeldItem::byPath(path));
}

bool RemoveFileAndFolder::checkPermissions(const platform::HeldItem& item)
{
    if (item.probeWritable() == EACCES)
        return item.setPermissions(0600);
    return true;
}

int RemoveFileAndFolder::getEraserTimes()
{
    return std::max(1, platform::defaults::integerForKey(QStringLiteral("EraserTimes")));
}
