#pragma once
// The name the desktop shows for an item. Application bundles ("Name.app")
// are shown without their extension, the way a file manager lists programs.

#include <QString>

namespace platform {

// The last path component of `path` (trailing slashes ignored), with the
// extension "app" left off; empty for an empty path or "/".
QString displayNameAtPath(const QString& path);

} // namespace platform
