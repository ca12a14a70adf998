// nullvane-remove-helper: removes the paths it is given, with the rights it
// was started with (root, through pkexec).
//
// Standard input carries absolute paths, each ended by a NUL byte. The helper
// first writes "ready", then one line per path, in order:
//   removed   nothing is left at the path (it may not have existed at all)
//   failed    the path is still there
//   refused   the path is not one this helper will touch
// It leaves when its input ends.
//
// A path is refused when it is not absolute, is "/", is not in plain form (an
// empty, "." or ".." component, or a trailing slash), or when its parent folder
// resolves elsewhere (some folder on the way is a symbolic link). The parent
// is opened component by component without following links, and rm runs inside
// that very folder, so the folder checked is the folder acted on even if the
// tree changes meanwhile.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Answer { Removed, Failed, Refused };

bool writeAll(const char* text)
{
    size_t left = std::strlen(text);
    while (left > 0) {
        const ssize_t n = write(STDOUT_FILENO, text, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        text += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

const char* removeTool()
{
    for (const char* candidate : {"/usr/bin/rm", "/bin/rm"}) {
        if (access(candidate, X_OK) == 0)
            return candidate;
    }
    return nullptr;
}

bool splitPlain(const std::string& path, std::vector<std::string>* parts)
{
    if (path.size() < 2 || path[0] != '/' || path.back() == '/')
        return false;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        parts->push_back(part);
        start = end + 1;
    }
    return !parts->empty();
}

bool gone(int dirFd, const char* name)
{
    struct stat st {};
    return fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

Answer runRemove(int dirFd, const std::string& name)
{
    const char* tool = removeTool();
    if (!tool)
        return Answer::Failed;
    const pid_t pid = fork();
    if (pid < 0)
        return Answer::Failed;
    if (pid == 0) {
        // rm never sees our protocol: its input is empty and its output, which
        // it should not have, cannot mix into our answers.
        const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 || fchdir(dirFd) != 0)
            _exit(127);
        char* const argv[] = {const_cast<char*>("rm"), const_cast<char*>("-rf"), const_cast<char*>("--"),
                              const_cast<char*>(name.c_str()), nullptr};
        execv(tool, argv);
        _exit(127);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            break;
    }
    // rm's exit status is not the answer: the answer is whether the item is gone.
    return gone(dirFd, name.c_str()) ? Answer::Removed : Answer::Failed;
}

Answer handle(const std::string& path)
{
    std::vector<std::string> parts;
    if (!splitPlain(path, &parts))
        return Answer::Refused;
    const std::string name = parts.back();
    parts.pop_back();

    int fd = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return Answer::Failed;
    for (const std::string& part : parts) {
        struct stat st {};
        if (fstatat(fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            const int err = errno;
            close(fd);
            // Nothing on the way means nothing at the path.
            return err == ENOENT ? Answer::Removed : Answer::Failed;
        }
        if (S_ISLNK(st.st_mode)) {
            close(fd);
            return Answer::Refused;
        }
        if (!S_ISDIR(st.st_mode)) {
            close(fd);
            return Answer::Removed; // a file on the way: the path cannot exist
        }
        const int next = openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int err = errno;
        close(fd);
        if (next < 0)
            return err == ELOOP || err == ENOTDIR ? Answer::Refused : Answer::Failed;
        fd = next;
    }
    Answer answer = gone(fd, name.c_str()) ? Answer::Removed : runRemove(fd, name);
    close(fd);
    return answer;
}

} // namespace

int main()
{
    if (!writeAll("ready\n"))
        return 1;
    std::string current;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i) {
            if (buf[i] != '\0') {
                current.push_back(buf[i]);
                continue;
            }
            const Answer a = handle(current);
            current.clear();
            const char* line = a == Answer::Removed ? "removed\n" : a == Answer::Refused ? "refused\n" : "failed\n";
            if (!writeAll(line))
                return 1;
        }
    }
    return 0;
}
