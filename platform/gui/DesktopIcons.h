#pragma once
// Icons of desktop entries (platform/DesktopEntries.h) for the screens.
// Main thread only (icon themes are a GUI facility).

#include <QIcon>
#include <QString>

namespace platform {

// The icon named by a desktop entry's Icon key: the desktop's icon theme
// first, then the hicolor and pixmaps folders of the data folders (an
// absolute Icon is a file). A null icon when nothing is found.
QIcon desktopIcon(const QString& iconName);

} // namespace platform
