#pragma once
// Removes a list of items (applications, widgets, plug-ins and their related
// files) one after the other on a worker: first as the user; where that leaves
// the item in place, through the privileged removal helper, for which the
// password is asked once per executor. An application removed as files asks
// for the rights before anything of it (or of the files found for it) is
// removed when any of it needs them; refused, all of it stays and the
// application's failureReason says why. Plain deletion: nothing is shredded.

#include "AMAppItem.h"

#include <memory>

// Receives one outcome per item on the main thread: the applications first,
// then the files found for them (ownerPath), each in list order.
class AsMDeleteExecutorDelegate {
public:
    virtual ~AsMDeleteExecutorDelegate() = default;
    // Nothing is left at the item's path.
    virtual void deleteRelatedFile(const AMAppItemPtr& item) = 0;
    // Every attempt left the item in place.
    virtual void deleteRelatedFileFail(const AMAppItemPtr& item) = 0;
};

class AsMDeleteExecutor {
public:
    AsMDeleteExecutor();
    // A run under way finishes its items without reporting them; the helper
    // session ends once nothing uses it any more.
    ~AsMDeleteExecutor();
    AsMDeleteExecutor(const AsMDeleteExecutor&) = delete;
    AsMDeleteExecutor& operator=(const AsMDeleteExecutor&) = delete;

    // Not owned. When the delegate is also a QObject, its destruction is
    // noticed and it is not called afterwards; otherwise its owner sets the
    // delegate to null before destroying it. Main thread only.
    void setDelegate(AsMDeleteExecutorDelegate* delegate);
    AsMDeleteExecutorDelegate* delegate() const;

    // Keeps a copy of the list and returns at once; the items are removed on
    // a global queue, applications before the files found for them, else in
    // list order. A path listed twice, or a package reached through two of
    // its applications, is removed once, and its second listing reports the
    // outcome of the first. The Debian packages of the list go together, in
    // one removal when the first of them is reached (one of them may depend
    // on another); one that would take a package not listed stays, and only
    // it.
    void executeDelete(const AMAppItemList& items);
    AMAppItemList trashFiles() const;

    // The steps of a run, blocking; a run calls them on its worker.
    bool removeTrahFile(const AMAppItemPtr& item);
    bool allocAuthorization();
    bool authDeleteAtPath(const QString& path);
    void freeAuthorization();
    bool isValidAuth() const;

    struct Shared;

private:
    std::shared_ptr<Shared> d;
};
