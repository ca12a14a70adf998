#pragma once
// The erase queue: runs one File Eraser job list to its end, one item at a
// time on a background queue. Each record gets "Success" (the item is gone)
// or "Fail"; the client hears of progress, rights failures and the end
// through RemoveFileAndFolderDelegate.
//
// The list comes flattened: a folder's contents before the folder itself.
// Empty folders are removed directly, a folder that still holds entries when
// its turn comes is left in place; empty files and other items without data
// are removed directly; every file with data is shredded with
// securelyEraseFile and the pass count the client hands over with the list
// (or the "EraserTimes" default, read once as the run starts). The run ends
// by flushing the volumes it wrote to.

#include "FileObj.h"
#include "securelyEraseFile.h"

#include <QString>
#include <functional>
#include <memory>

namespace platform {
class HeldItem;
}

class RemoveFileAndFolderDelegate {
public:
    virtual ~RemoveFileAndFolderDelegate() = default;

    // Before each item: percent done (0-100), the item's path and index. The
    // first call comes on the thread that started the run, the others on the
    // worker.
    virtual void removeProgress(float percent, const QString& path, int index) {}

    // An item failed because the user may not remove or write it. Delivered
    // on the main queue.
    virtual void haveFailEraser() {}

    // Once, after the last item or after a cancel, with every item handled
    // so far in the order handled. On the worker.
    virtual void removeObjEnd(const FileObjList& doneList) {}
};

class RemoveFileAndFolder {
public:
    RemoveFileAndFolder();
    // A run under way finishes the item it is on and stops; the delegate
    // hears nothing more.
    ~RemoveFileAndFolder();
    RemoveFileAndFolder(const RemoveFileAndFolder&) = delete;
    RemoveFileAndFolder& operator=(const RemoveFileAndFolder&) = delete;

    // The client is not owned. It must stay alive until removeObjEnd, or be
    // replaced by setDelegate(nullptr) first; that call waits for a callback
    // under way on another thread. Callbacks must not wait for the main thread.
    void setDelegate(RemoveFileAndFolderDelegate* delegate);
    RemoveFileAndFolderDelegate* delegate() const;

    // Starts a run and returns at once. An empty list ends at once. A queue
    // runs one list at a time: a start during a run is ignored.
    void benginToTraskWithArr(const FileObjList& files);
    // The same over `passes` passes (below 1 taken as 1), whatever
    // "EraserTimes" holds meanwhile.
    void benginToTraskWithArr(const FileObjList& files, int passes);

    // For tests and benchmarks: watches every overwrite of the runs started
    // after it is set. Called on the worker.
    void setEraseObserver(const EraseObserver& observer);
    // For tests: called on the worker once a run has handled its last item,
    // before the volumes it wrote to are flushed.
    void setFlushObserver(const std::function<void()>& observer);

    // Despite its name a command: asks the run to stop after the current item.
    void isCancel();

    // The job list of the current (or last) run.
    FileObjList allFilesArr() const;
    // Every item handled so far, in the order handled.
    FileObjList deleteErrorArr() const;
    // Index of the item being handled.
    int idx() const;

    // Steps of each item, usable on their own.
    // Clears the immutable and append-only flags and gives the owner write
    // permission; failures are logged and ignored.
    static void doUnLockFile(const QString& path);
    static void doUnLockFile(const platform::HeldItem& item);
    // Whether the item can be opened for writing, after making a file that
    // the permissions forbid owner read-write (0600) where we may.
    static bool checkPermissions(const QString& path);
    static bool checkPermissions(const platform::HeldItem& item);
    // The pass count of the chosen erasure standard, at least 1.
    static int getEraserTimes();

    struct Run;

private:
    std::shared_ptr<Run> d;
};
