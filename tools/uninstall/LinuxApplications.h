#pragma once
// The applications a Linux user can start from the desktop, as uninstaller
// items: one per application desktop entry, with the packaging that owns it
// (a Debian package, a Flatpak, a Snap, or files of its own) giving its
// version, size and the way it is removed. The system's own applications
// (packages Debian marks required or important, the desktop's own shell and
// settings) are left out, as the system's bundles are elsewhere, and so is
// an entry of a system folder that no package is known to own: only the
// user's own entries stand alone.
//
// scan() reads files and runs the packaging tools: call it on a worker.
// iconFor() asks the icon theme: main thread only.

#include "AMAppItem.h"

#include "platform/DesktopEntries.h"

#include <QIcon>

namespace LinuxApplications {

// Whether a desktop entry is an application the user starts from the menus.
bool isListed(const platform::DesktopEntry& entry);

// The desktop's own shell and settings, by package name or desktop file id.
bool isDesktopShell(const QString& packageName, const QString& desktopId);

// Every listed application of `folders`, in the entries' order.
AMAppItemList scan(const QList<platform::DesktopDataFolder>& folders = platform::desktopDataFolders());

// The icon of an item found here.
QIcon iconFor(const AMAppItem& item);

// The folder a stand-alone program lives in when it has one of its own
// ("~/Applications/<app>/...", "~/.local/opt/<app>/..."), else the program
// file itself.
QString standAloneRoot(const QString& program);

} // namespace LinuxApplications
