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
// Started as "nullvane-remove-helper --remove-package NAME..." it instead
// removes those Debian packages together, in one apt-get run, and exits with
// apt-get's status. It simulates the removal of them all first, as the
// application did, and refuses (exit status 3) unless exactly the named
// packages would go, each of them and nothing else: the application's check
// ran without rights and some time ago.
//
// A path is refused when it is not absolute, is not in plain form (an empty,
// "." or ".." component, or a trailing slash), or does not lie inside one of
// the folders the uninstaller searches (the table below; the folders themselves
// are refused too). The parent is opened component by component, following
// only links that root owns, and must still lie inside such a folder once
// opened; rm then runs inside that very folder, so the folder checked is the
// folder acted on even if the tree changes meanwhile. Nothing on another mount
// is removed: an item with a volume mounted in it fails untouched, and rm runs
// with --one-file-system as a second guard.

#include "platform/AptSimulation.h"
#include "platform/HeldPath.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
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

// The folders the uninstaller searches, as the application names them: "~" is
// the home folder of the user who asked, and NULLVANE_ROOT (which pkexec never
// passes on) is put in front, as the application's location mapping does.
const char* const kRemovableRoots[] = {
    "~/Applications", "/Applications", "/Network/Applications", "/Developer/Applications",
    "~/Library",      "/Library",
    "~/Downloads",
    // Where Linux keeps what the Library folders hold, and Flatpak's and
    // Snap's per-user folders.
    "~/.config",      "~/.cache",      "~/.local/share", "~/.local/state",
    "~/.var/app",     "~/snap",
};

std::string askingUsersHome()
{
    // pkexec names the user who asked; run directly (as root), the
    // application's own home is the one its locations were formed with.
    if (const char* uid = std::getenv("PKEXEC_UID"); uid && *uid) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(uid, &end, 10);
        if (end && *end == '\0') {
            const passwd* pw = getpwuid(static_cast<uid_t>(n));
            return pw && pw->pw_dir ? pw->pw_dir : std::string();
        }
        return {};
    }
    if (const char* home = std::getenv("HOME"); home && *home == '/')
        return home;
    const passwd* pw = getpwuid(getuid());
    return pw && pw->pw_dir ? pw->pw_dir : std::string();
}

// Collapses repeated slashes and drops a trailing one.
std::string tidy(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out.push_back(c);
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

std::vector<std::string> rootTexts()
{
    std::string prefix;
    if (const char* p = std::getenv("NULLVANE_ROOT"))
        prefix = tidy(p);
    if (prefix == "/")
        prefix.clear();
    const std::string home = askingUsersHome();
    std::vector<std::string> roots;
    for (const char* root : kRemovableRoots) {
        std::string text = root;
        if (text.rfind("~/", 0) == 0) {
            if (home.empty() || home[0] != '/')
                continue;
            text = home + text.substr(1);
        }
        roots.push_back(tidy(prefix + text));
    }
    return roots;
}

bool strictlyInside(const std::string& path, const std::string& folder)
{
    return path.size() > folder.size() + 1 && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
}

bool sameOrInside(const std::string& path, const std::string& folder)
{
    return path == folder || strictlyInside(path, folder);
}

// Where an open folder really is.
std::string pathOf(int fd)
{
    char buf[4096];
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t n = readlink(link.c_str(), buf, sizeof buf);
    if (n <= 0 || size_t(n) >= sizeof buf)
        return {};
    return std::string(buf, size_t(n));
}

// Whether the held folder `parentFd` is one of the roots or lies below one,
// once every link on the way is resolved.
bool heldInsideRoots(int parentFd, const std::vector<std::string>& roots)
{
    const std::string parent = pathOf(parentFd);
    if (parent.empty() || parent[0] != '/')
        return false;
    for (const std::string& root : roots) {
        std::vector<std::string> parts;
        if (!heldpath::splitPlain(root, &parts))
            continue;
        int err = 0;
        const int fd = heldpath::openFolder(parts, &err);
        if (fd < 0)
            continue;
        const std::string real = pathOf(fd);
        close(fd);
        if (!real.empty() && sameOrInside(parent, real))
            return true;
    }
    return false;
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
        char* const argv[] = {const_cast<char*>("rm"), const_cast<char*>("-rf"),
                              const_cast<char*>("--one-file-system"), const_cast<char*>("--"),
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
    return heldpath::goneAt(dirFd, name.c_str()) ? Answer::Removed : Answer::Failed;
}

Answer handle(const std::string& path)
{
    std::vector<std::string> parts;
    if (!heldpath::splitPlain(path, &parts))
        return Answer::Refused;
    const std::vector<std::string> roots = rootTexts();
    bool named = false;
    for (const std::string& root : roots)
        named = named || strictlyInside(path, root);
    if (!named)
        return Answer::Refused;

    const std::string name = parts.back();
    parts.pop_back();
    int err = 0;
    const int fd = heldpath::openFolder(parts, &err);
    if (fd < 0) {
        // Nothing on the way (or a file where a folder should be) means
        // nothing at the path; a link we do not follow is refused.
        if (err == ENOENT || err == ENOTDIR)
            return Answer::Removed;
        return err == ELOOP ? Answer::Refused : Answer::Failed;
    }
    Answer answer = Answer::Failed;
    if (!heldInsideRoots(fd, roots))
        answer = Answer::Refused;
    else if (heldpath::goneAt(fd, name.c_str()))
        answer = Answer::Removed;
    else if (!heldpath::crossesMount(fd, name.c_str()))
        answer = runRemove(fd, name);
    // else: a volume is mounted in the item; its files are not ours to remove.
    close(fd);
    return answer;
}

} // namespace

// A Debian package name, with an optional architecture: nothing apt-get could
// take for an option or a pattern.
bool plainPackageName(const char* name)
{
    if (!name || !std::isalnum(static_cast<unsigned char>(name[0])) || std::isupper(static_cast<unsigned char>(name[0])))
        return false;
    bool arch = false;
    for (const char* p = name; *p; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c == ':' && !arch) {
            arch = true;
            continue;
        }
        if (!(std::islower(c) || std::isdigit(c) || c == '+' || c == '.' || c == '-'))
            return false;
    }
    return std::strlen(name) >= 2;
}

// A private dpkg root for tests. pkexec clears the environment, so through it
// the helper always works on the machine's own packages; only a caller that
// is root already can name another root.
std::string dpkgRoot()
{
    const char* root = std::getenv("NULLVANE_DPKG_ROOT");
    std::string r = root ? root : "";
    while (r.size() > 1 && r.back() == '/')
        r.pop_back();
    return r == "/" ? std::string() : r;
}

// apt-get and its options for the root it works in.
std::vector<std::string> aptWords(const char* apt)
{
    std::vector<std::string> words{apt};
    for (const std::string& option : platform::apt::rootOptions(dpkgRoot()))
        words.push_back(option);
    return words;
}

void execWords(const std::vector<std::string>& words)
{
    std::vector<char*> argv;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
}

// apt-get's answer to "-s remove -- NAME...", read whole; false when the
// simulation could not run or failed.
bool simulateRemoval(const char* apt, const std::vector<std::string>& names, std::string* output)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return false;
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (pid == 0) {
        const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(fds[1], STDOUT_FILENO) < 0)
            _exit(127);
        // The lines read below are apt-get's English ones.
        setenv("LC_ALL", "C", 1);
        setenv("LANG", "C", 1);
        std::vector<std::string> words = aptWords(apt);
        for (const char* w : {"-s", "remove", "--"})
            words.emplace_back(w);
        words.insert(words.end(), names.begin(), names.end());
        execWords(words);
        _exit(127);
    }
    close(fds[1]);
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        output->append(buf, size_t(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string joined(const std::vector<std::string>& names)
{
    std::string list;
    for (const std::string& name : names)
        list += (list.empty() ? "" : ", ") + name;
    return list;
}

int removePackages(const std::vector<std::string>& names)
{
    if (names.empty())
        return 2;
    for (const std::string& name : names)
        if (!plainPackageName(name.c_str()))
            return 2;
    const char* apt = nullptr;
    for (const char* candidate : {"/usr/bin/apt-get", "/bin/apt-get"})
        if (access(candidate, X_OK) == 0)
            apt = candidate;
    // Never 126 or 127: those say that pkexec refused the password.
    if (!apt)
        return 4;
    setenv("DEBIAN_FRONTEND", "noninteractive", 1);
    if (const std::string root = dpkgRoot(); !root.empty()) {
        // Nothing of the machine's apt configuration or hooks in a private root.
        const std::string config = platform::apt::privateConfig(root);
        if (config.empty()) {
            std::fprintf(stderr, "nullvane-remove-helper: no apt configuration for %s\n", root.c_str());
            return 3;
        }
        setenv("APT_CONFIG", config.c_str(), 1);
    }
    std::string simulation;
    if (!simulateRemoval(apt, names, &simulation)) {
        std::fprintf(stderr, "nullvane-remove-helper: the simulated removal of %s failed\n", joined(names).c_str());
        return 3;
    }
    const std::vector<std::string> removed = platform::apt::simulatedRemovals(simulation);
    if (!platform::apt::removesOnly(removed, names)) {
        std::fprintf(stderr, "nullvane-remove-helper: removing %s would remove: %s; nothing was removed\n",
                     joined(names).c_str(), removed.empty() ? "(nothing)" : joined(removed).c_str());
        return 3;
    }
    std::vector<std::string> words = aptWords(apt);
    for (const char* w : {"remove", "-y", "--"})
        words.emplace_back(w);
    words.insert(words.end(), names.begin(), names.end());
    execWords(words);
    return 4;
}

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--remove-package") == 0)
        return removePackages(std::vector<std::string>(argv + 2, argv + argc));
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
