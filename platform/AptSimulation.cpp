#include "AptSimulation.h"

#include <algorithm>

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
    // The name may carry an architecture; the simulation's names do not.
    const std::string plain = name.substr(0, name.find(':'));
    return removed.size() == 1 && removed.front() == plain;
}

} // namespace platform::apt
