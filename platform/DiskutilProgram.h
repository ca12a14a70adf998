#pragma once
// The disk utility the volume screens talk to: our own `diskutil` program,
// installed beside the application. NULLVANE_DISKUTIL names another program
// to run instead (tests put a script there that prints recorded answers).

#include <QString>

namespace platform {

QString diskutilProgram();

} // namespace platform
