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
// Whether it removes every one of `names` and nothing else (none for no names).
bool removesOnly(const std::vector<std::string>& removed, const std::vector<std::string>& names);

// apt-get's options for working in the private dpkg root `root` (a test's
// NULLVANE_DPKG_ROOT) instead of the machine's; none for an empty root.
std::vector<std::string> rootOptions(const std::string& root);

// The configuration file apt is pointed at (APT_CONFIG) for the private root
// `root`: it names the root as apt's Dir before apt reads any other file, so
// apt takes the root's own apt.conf.d and none of the machine's (no
// dpkg-preconfigure on the machine's debconf, no PackageKit hook). Written
// into the root (etc/apt/nullvane.conf) when it is missing or says something
// else. Empty when it cannot be written, or the root's name cannot be said
// in apt's syntax: then nothing may run in that root.
std::string privateConfig(const std::string& root);

} // namespace platform::apt
