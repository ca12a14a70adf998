#include "HeldPath.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace heldpath {

namespace {

// Where a folder lives: its device, and its mount where the kernel tells it
// (a bind mount of a folder of the same file system has the same device but
// a mount of its own).
struct MountId {
    dev_t dev = 0;
    unsigned long long mnt = 0;
    bool hasMnt = false;
};

bool mountIdAt(int dirFd, const char* name, int flags, MountId* id, unsigned* mode = nullptr)
{
    struct statx stx {};
    if (statx(dirFd, name, flags | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MNT_ID, &stx) != 0)
        return false;
    id->dev = makedev(stx.stx_dev_major, stx.stx_dev_minor);
    id->hasMnt = (stx.stx_mask & STATX_MNT_ID) != 0;
    id->mnt = stx.stx_mnt_id;
    if (mode)
        *mode = stx.stx_mode;
    return true;
}

bool sameMount(const MountId& a, const MountId& b)
{
    return a.dev == b.dev && (!a.hasMnt || !b.hasMnt || a.mnt == b.mnt);
}

constexpr int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
constexpr int kMaxLinks = 40;

void splitInto(const std::string& text, std::vector<std::string>* stack)
{
    // Pushed last component first, so the stack's back is the next one.
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('/', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
        stack->push_back(*it);
}

int removeAt(int dirFd, const char* name, const MountId& home)
{
    MountId here;
    unsigned mode = 0;
    if (!mountIdAt(dirFd, name, 0, &here, &mode))
        return errno == ENOENT ? 0 : errno;
    if (!S_ISDIR(mode)) {
        if (unlinkat(dirFd, name, 0) != 0 && errno != ENOENT)
            return errno;
        return 0;
    }
    // A folder with another file system mounted on it, or mounted itself:
    // its contents belong to that other volume.
    if (!sameMount(here, home))
        return EXDEV;
    const int fd = openat(dirFd, name, kFolderFlags);
    if (fd < 0)
        return errno == ENOENT ? 0 : errno;
    int first = 0;
    MountId opened;
    if (!mountIdAt(fd, "", AT_EMPTY_PATH, &opened) || !sameMount(opened, home)) {
        close(fd);
        return EXDEV; // mounted over between the look and the open
    }
    std::vector<std::string> names;
    if (!entriesOf(fd, &names))
        first = errno;
    for (const std::string& child : names) {
        const int r = removeAt(fd, child.c_str(), home);
        if (r && !first)
            first = r;
    }
    close(fd);
    if (unlinkat(dirFd, name, AT_REMOVEDIR) != 0 && errno != ENOENT && !first)
        first = errno;
    return first;
}

bool crossesAt(int dirFd, const char* name, const MountId& home)
{
    MountId here;
    unsigned mode = 0;
    if (!mountIdAt(dirFd, name, 0, &here, &mode))
        return errno != ENOENT;
    if (!S_ISDIR(mode))
        return false;
    if (!sameMount(here, home))
        return true;
    const int fd = openat(dirFd, name, kFolderFlags);
    if (fd < 0)
        return errno != ENOENT;
    std::vector<std::string> names;
    bool crosses = !entriesOf(fd, &names);
    for (size_t i = 0; i < names.size() && !crosses; ++i)
        crosses = crossesAt(fd, names[i].c_str(), home);
    close(fd);
    return crosses;
}

} // namespace

bool entriesOf(int fd, std::vector<std::string>* names)
{
    const int own = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (own < 0)
        return false;
    DIR* dir = fdopendir(own);
    if (!dir) {
        close(own);
        return false;
    }
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names->emplace_back(e->d_name);
    }
    closedir(dir);
    return true;
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

int openFolder(const std::vector<std::string>& parts, int* error)
{
    std::vector<std::string> todo(parts.rbegin(), parts.rend());
    int fd = open("/", kFolderFlags);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    const auto failWith = [&](int err) {
        close(fd);
        *error = err;
        return -1;
    };
    const uid_t me = geteuid();
    int links = 0;
    while (!todo.empty()) {
        const std::string part = todo.back();
        todo.pop_back();
        if (part.empty() || part == ".")
            continue;
        struct stat st {};
        if (part != ".." && fstatat(fd, part.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            return failWith(errno);
        if (part != ".." && S_ISLNK(st.st_mode)) {
            if ((st.st_uid != 0 && st.st_uid != me) || ++links > kMaxLinks)
                return failWith(ELOOP);
            std::string target(4096, '\0');
            const ssize_t n = readlinkat(fd, part.c_str(), target.data(), target.size());
            if (n <= 0 || size_t(n) >= target.size())
                return failWith(n == 0 ? ENOENT : ENAMETOOLONG);
            target.resize(size_t(n));
            if (target[0] == '/') {
                close(fd);
                fd = open("/", kFolderFlags);
                if (fd < 0) {
                    *error = errno;
                    return -1;
                }
            }
            splitInto(target, &todo);
            continue;
        }
        if (part != ".." && !S_ISDIR(st.st_mode))
            return failWith(ENOTDIR);
        const int next = openat(fd, part.c_str(), kFolderFlags);
        if (next < 0) {
            // Swapped for something else between the look and the open: look
            // again, within the same budget as links.
            if ((errno == ELOOP || errno == ENOTDIR) && ++links <= kMaxLinks) {
                todo.push_back(part);
                continue;
            }
            return failWith(errno);
        }
        close(fd);
        fd = next;
    }
    return fd;
}

bool goneAt(int dirFd, const char* name)
{
    struct stat st {};
    if (fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) == 0)
        return false;
    return errno == ENOENT || errno == ENOTDIR;
}

int removeTree(int dirFd, const char* name)
{
    MountId home;
    if (!mountIdAt(dirFd, "", AT_EMPTY_PATH, &home))
        return errno;
    return removeAt(dirFd, name, home);
}

bool crossesMount(int dirFd, const char* name)
{
    MountId home;
    if (!mountIdAt(dirFd, "", AT_EMPTY_PATH, &home))
        return true;
    return crossesAt(dirFd, name, home);
}

} // namespace heldpath
