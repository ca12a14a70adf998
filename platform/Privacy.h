#pragma once
// Whether a privacy protection of the system keeps this program from the
// browsers' data (what "Full Disk Access" decides elsewhere). Linux has no
// such protection: the data is as readable as the user's other files.

namespace platform {

enum class BrowserDataAccess { None = 0, Shielded = 1, Full = 2 };

BrowserDataAccess browserDataAccess();

} // namespace platform
