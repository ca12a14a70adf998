#pragma once
// Reading apt-get's removal simulation ("apt-get -s remove -- NAME"), without
// Qt: the application reads it before it asks for a removal, and the removal
// helper reads it again as root before it removes anything.

#include <string>
#include <vector>

namespace platform::apt {

// The packages the simulation removes or purges, in order, each once, without
// its architecture ("Remv firefox-esr:amd64 [128.0esr-1]" → "firefox-esr").
std::vector<std::string> simulatedRemovals(const std::string& output);

// Whether the simulation removes `name` and nothing else.
bool removesOnly(const std::vector<std::string>& removed, const std::string& name);

} // namespace platform::apt
