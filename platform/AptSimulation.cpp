#include "AptSimulation.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::apt {

std::vector<std::string> simulatedRemovals(const std::string& output)
{
    std::vector<std::string> removed;
    size_t start = 0;
    while (start < output.size()) {
        size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        const std::string line = output.substr(start, end - start);
        start = end + 1;
        if (line.rfind("Remv ", 0) != 0 && line.rfind("Purg ", 0) != 0)
            continue;
        std::string name = line.substr(5, line.find(' ', 5) == std::string::npos ? std::string::npos
                                                                                 : line.find(' ', 5) - 5);
        name = name.substr(0, name.find(':'));
        if (!name.empty() && std::find(removed.begin(), removed.end(), name) == removed.end())
            removed.push_back(name);
    }
    return removed;
}

bool removesOnly(const std::vector<std::string>& removed, const std::string& name)
{
    return removesOnly(removed, std::vector<std::string>{name});
}

bool removesOnly(const std::vector<std::string>& removed, const std::vector<std::string>& names)
{
    // The names may carry an architecture; the simulation's names do not.
    std::vector<std::string> plain;
    for (const std::string& name : names) {
        const std::string bare = name.substr(0, name.find(':'));
        if (std::find(plain.begin(), plain.end(), bare) == plain.end())
            plain.push_back(bare);
    }
    // `removed` holds each package once, so the same count and nothing
    // outside `plain` is every one of them.
    if (plain.empty() || removed.size() != plain.size())
        return false;
    for (const std::string& name : removed) {
        if (std::find(plain.begin(), plain.end(), name) == plain.end())
            return false;
    }
    return true;
}

std::vector<std::string> rootOptions(const std::string& root)
{
    if (root.empty())
        return {};
    return {
        "-o", "Dir=" + root,
        "-o", "Dir::State::status=" + root + "/var/lib/dpkg/status",
        "-o", "Debug::NoLocking=1",
        "-o", "DPkg::Options::=--root=" + root,
        "-o", "DPkg::Options::=--admindir=" + root + "/var/lib/dpkg",
        // dpkg keeps its log at the machine's own path whatever its root.
        "-o", "DPkg::Options::=--log=" + root + "/var/log/dpkg.log",
        "-o", "DPkg::Options::=--force-not-root",
        "-o", "DPkg::Options::=--force-script-chrootless",
    };
}

namespace {

bool makeFolder(const std::string& path)
{
    return mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

std::string readSmallFile(const std::string& path)
{
    std::string text;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return text;
    char buf[1024];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || text.size() > 4096)
            break;
        text.append(buf, size_t(n));
    }
    close(fd);
    return text;
}

} // namespace

std::string privateConfig(const std::string& root)
{
    if (root.empty() || root.front() != '/' || root.find_first_of("\"\\\n\r{};") != std::string::npos)
        return {};
    const std::string etc = root + "/etc";
    const std::string folder = etc + "/apt";
    const std::string file = folder + "/nullvane.conf";
    const std::string text = "Dir \"" + root + "/\";\n";
    if (readSmallFile(file) == text)
        return file;
    if (!makeFolder(etc) || !makeFolder(folder))
        return {};
    const std::string temporary = file + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        return {};
    const bool written = write(fd, text.data(), text.size()) == ssize_t(text.size());
    if (close(fd) != 0 || !written || rename(temporary.c_str(), file.c_str()) != 0) {
        unlink(temporary.c_str());
        return {};
    }
    return file;
}

} // namespace platform::apt
