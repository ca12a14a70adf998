#include "Removal.h"

#include "FillFile.h"
#include "HeldItem.h"
#include "HeldPath.h"
#include "Locations.h"
#include "Privileged.h"
#include "Process.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace platform {

namespace {

// The folder an item lies in, held open, and the item's name in it. A folder
// is -1 when it cannot be reached; `error` then says why.
struct ItemInHeldFolder {
    int folder = -1;
    std::string name;
    int error = 0;
    ~ItemInHeldFolder()
    {
        if (folder >= 0)
            close(folder);
    }
};

void hold(const QString& path, ItemInHeldFolder* item)
{
    // "dir/" would name what a link named dir points to; the item is the link
    // itself. Relative paths start from the working folder.
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    std::vector<std::string> parts;
    if (path.isEmpty() || !heldpath::splitPlain(QFile::encodeName(clean).toStdString(), &parts)) {
        item->error = EINVAL;
        return;
    }
    item->name = parts.back();
    parts.pop_back();
    item->folder = heldpath::openFolder(parts, &item->error);
}

// Nothing on the way (or a file where a folder should be) means nothing at
// the path.
bool nothingOnTheWay(int error)
{
    return error == ENOENT || error == ENOTDIR;
}

} // namespace

bool itemIsGone(const QString& path)
{
    ItemInHeldFolder item;
    hold(path, &item);
    if (item.folder < 0)
        return nothingOnTheWay(item.error);
    return heldpath::goneAt(item.folder, item.name.c_str());
}

bool removeItem(const QString& path, int* error)
{
    ItemInHeldFolder item;
    hold(path, &item);
    if (item.folder < 0) {
        const bool gone = nothingOnTheWay(item.error);
        if (error)
            *error = gone ? 0 : item.error;
        return gone;
    }
    // Everything from here on is relative to the folder held now, so a folder
    // on the way swapped for a link meanwhile cannot send us elsewhere, and
    // "gone" is asked of the very folder we removed from.
    return removeTreeAt(item.folder, QFile::decodeName(item.name.c_str()), error);
}

namespace {

bool lockedByAttribute(int folder, const char* name)
{
    struct statx sx {};
    if (statx(folder, name, AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &sx) != 0)
        return false;
    const auto locks = static_cast<decltype(sx.stx_attributes)>(STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND);
    return (sx.stx_attributes & sx.stx_attributes_mask & locks) != 0;
}

// Whether the entry `name` of the held folder `folder` (whose status is `fs`)
// could be removed, and for a folder, everything in it.
bool entryRemovable(int folder, const struct stat& fs, const char* name)
{
    struct stat st {};
    if (fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return errno == ENOENT;
    if (lockedByAttribute(folder, name))
        return false;
    if ((fs.st_mode & S_ISVTX) && geteuid() != 0 && st.st_uid != geteuid() && fs.st_uid != geteuid())
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_dev != fs.st_dev)
        return true;
    const int fd = openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return false;
    }
    bool removable = true;
    bool empty = true;
    while (removable) {
        const dirent* e = readdir(dir);
        if (!e)
            break;
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        if (empty) {
            empty = false;
            // Emptying a folder takes write and search rights on it.
            removable = faccessat(dirfd(dir), ".", W_OK | X_OK, 0) == 0;
            if (!removable)
                break;
        }
        removable = entryRemovable(dirfd(dir), st, e->d_name);
    }
    closedir(dir);
    return removable;
}

} // namespace

bool removableWithOwnRights(const QString& path)
{
    if (itemIsGone(path))
        return true;
    HeldItem item = HeldItem::byPath(path);
    if (!item.isValid() || !item.isDeletable())
        return false;
    struct stat fs {};
    if (fstat(item.parentFd(), &fs) != 0)
        return false;
    return entryRemovable(item.parentFd(), fs, QFile::encodeName(item.name()).constData());
}

// ---------------------------------------------------------------------------

PrivilegedRemover::PrivilegedRemover() = default;

PrivilegedRemover::~PrivilegedRemover()
{
    release();
}

QString PrivilegedRemover::helperProgram()
{
    const QString configured = qEnvironmentVariable("NULLVANE_REMOVE_HELPER");
    if (!configured.isEmpty())
        return configured;
    return platform::helperProgram(QStringLiteral("nullvane-remove-helper"));
}

PrivilegedRemover::Start PrivilegedRemover::acquire(int* status)
{
    if (isActive())
        return Start::Granted;
    if (status)
        *status = 0;

    // pkexec wants the absolute path of what it runs.
    const QByteArray helper = QFile::encodeName(QFileInfo(helperProgram()).absoluteFilePath());
    if (access(helper.constData(), X_OK) != 0) {
        if (status)
            *status = errno;
        return Start::Unavailable;
    }
    const privileged::Command command = privileged::command(QFile::decodeName(helper), {});
    std::vector<QByteArray> args{QFile::encodeName(command.program)};
    for (const QString& a : command.arguments)
        args.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    // One socket serves as the helper's standard input and output; a socket
    // rather than pipes, so a helper that went away gives an error on send
    // instead of killing us with SIGPIPE.
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        if (status)
            *status = errno;
        return Start::Unavailable;
    }
    SpawnEnvironment envp;
    errors_ = std::make_shared<OutputFile>();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sv[1], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, sv[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors_->fd(), STDERR_FILENO);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(sv[1]);
    if (rc != 0) {
        close(sv[0]);
        if (status)
            *status = rc;
        return Start::Unavailable;
    }
    pid_ = pid;
    fd_ = sv[0];
    pending_.clear();

    QByteArray line;
    if (readLine(&line) && line == "ready")
        return Start::Granted;

    const int exitStatus = endChild(true);
    if (status)
        *status = exitStatus;
    const privileged::Ending ending = privileged::endingOf(true, exitStatus >= 0, false, exitStatus);
    if (ending == privileged::Ending::Cancelled)
        return Start::Cancelled;
    return ending == privileged::Ending::Refused ? Start::Refused : Start::Unavailable;
}

bool PrivilegedRemover::readLine(QByteArray* line)
{
    for (;;) {
        const qsizetype nl = pending_.indexOf('\n');
        if (nl >= 0) {
            *line = pending_.left(nl);
            pending_.remove(0, nl + 1);
            return true;
        }
        char buf[256];
        const ssize_t n = recv(fd_, buf, sizeof buf, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        pending_.append(buf, n);
    }
}

PrivilegedRemover::Outcome PrivilegedRemover::remove(const QString& path)
{
    if (!isActive())
        return Outcome::Lost;
    QByteArray request = QFile::encodeName(path);
    if (request.isEmpty() || request.contains('\0'))
        return Outcome::Refused;
    request.append('\0');
    for (qsizetype sent = 0; sent < request.size();) {
        const ssize_t n = send(fd_, request.constData() + sent, static_cast<size_t>(request.size() - sent), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            release();
            return Outcome::Lost;
        }
        sent += n;
    }
    QByteArray answer;
    if (!readLine(&answer)) {
        release();
        return Outcome::Lost;
    }
    if (answer == "removed")
        return Outcome::Removed;
    if (answer == "refused")
        return Outcome::Refused;
    return Outcome::Failed;
}

void PrivilegedRemover::release()
{
    if (!isActive())
        return;
    endChild(false);
}

int PrivilegedRemover::endChild(bool waitLong)
{
    const pid_t pid = pid_;
    pid_ = -1;
    if (fd_ >= 0) {
        // End of input tells an idle helper to leave.
        shutdown(fd_, SHUT_WR);
        close(fd_);
        fd_ = -1;
    }
    pending_.clear();
    const std::shared_ptr<OutputFile> errors = std::move(errors_);
    const auto logErrors = [errors] {
        if (errors)
            errors->logText(QStringLiteral("nullvane-remove-helper"));
    };
    if (pid <= 0)
        return -1;
    int status = 0;
    if (waitLong) {
        // The launcher has closed its end already; it is on its way out.
        while (waitpid(pid, &status, 0) < 0) {
            if (errno != EINTR)
                return -1;
        }
        logErrors();
    } else {
        bool reaped = false;
        for (int i = 0; i < 200 && !reaped; ++i) {
            const pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid || (r < 0 && errno != EINTR))
                reaped = true;
            else
                usleep(10000);
        }
        if (!reaped) {
            // Still busy after two seconds: let it finish on its own time and
            // reap it then, rather than block whoever released it.
            std::thread([pid, logErrors] {
                int ignored = 0;
                while (waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
                }
                logErrors();
            }).detach();
            return -1;
        }
        logErrors();
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace platform
