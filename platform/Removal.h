#pragma once
// Removing items from disk, as the user and, where the user lacks the rights,
// through the privileged removal helper. Removal is plain deletion: nothing is
// overwritten.

#include <QString>
#include <memory>
#include <sys/types.h>

namespace platform {

class OutputFile;

// Whether nothing at all (not even a dangling link) is at `path`. An item we
// are not allowed to look at, or one behind a link we do not follow (see
// removeItem), does not count as gone.
bool itemIsGone(const QString& path);

// Removes the item at `path` as the current user: a folder with everything in
// it, a symbolic link as the link itself (never its target). The item's folder
// is opened once, component by component, and everything after that happens
// relative to it; a link on the way is followed only when root or this user
// owns it. Nothing on another mount is entered: a folder with a volume mounted
// on it (or inside it) is left, and the item fails (EXDEV). Succeeds when
// nothing is left at the item's name in the held folder; `error` gets the
// errno of the first thing that stayed.
bool removeItem(const QString& path, int* error = nullptr);

// Whether removeItem(path) could take everything at `path` with this
// process's own rights: its folder and every folder inside it writable and
// searchable (the sticky bit respected), and nothing in it immutable or
// append-only. Nothing there needs no rights. What lies on another mount is
// not looked at: no rights would let removal enter it. Reads only; walks the
// whole tree, so callers run it on a worker.
bool removableWithOwnRights(const QString& path);

// One session with the privileged removal helper ("nullvane-remove-helper").
// The helper is started once, through pkexec, so polkit asks for the password
// once; it then removes path after path until the session is released. When
// this process already runs as root, the helper is started directly.
//
// It is started through the one privileged launcher (Privileged.h). The
// helper is NULLVANE_REMOVE_HELPER when set, else the installed helper.
//
// A session belongs to one thread at a time; it blocks that thread while the
// password is asked for and while a removal runs.
class PrivilegedRemover {
public:
    PrivilegedRemover();
    ~PrivilegedRemover();
    PrivilegedRemover(const PrivilegedRemover&) = delete;
    PrivilegedRemover& operator=(const PrivilegedRemover&) = delete;

    enum class Start {
        Granted,      // the helper runs with the rights
        Cancelled,    // the user dismissed the password dialog
        Refused,      // polkit refused the authorization (wrong password, no agent)
        Unavailable,  // the launcher or the helper could not be started
    };

    // Starts the helper unless it already runs. `status` gets the launcher's
    // exit status (Cancelled, Refused) or the errno (Unavailable).
    Start acquire(int* status = nullptr);
    bool isActive() const { return pid_ > 0; }

    enum class Outcome {
        Removed,   // nothing is left at the path
        Failed,    // the path is still there
        Refused,   // the helper would not touch this path
        Lost,      // the helper went away; the session has ended
    };

    // Hands one absolute path to the running helper and waits for its answer.
    Outcome remove(const QString& path);

    // Ends the helper; the next acquire() asks for the password again.
    void release();

    static QString helperProgram();

private:
    bool readLine(QByteArray* line);
    int endChild(bool waitLong);

    pid_t pid_ = -1;
    int fd_ = -1;
    QByteArray pending_;
    // The launcher's and the helper's standard error, which may name the
    // paths they were handed: logged when the helper ends.
    std::shared_ptr<OutputFile> errors_;
};

} // namespace platform
