#pragma once
// Where things live. The system names fixed macOS locations ("/Applications",
// "~/Library/Caches", "/Users/%@/Library/Safari", "/Volumes"); mapLocation turns
// them into real paths. NULLVANE_ROOT (empty in normal use) is put in front of
// every such location, so tests build their fixture trees in a temporary folder.
// Paths the user chose are never mapped.

#include <QString>

namespace platform {

// The test prefix, without a trailing slash; empty in normal use.
QString rootPrefix();

// "~" and "~/..." expand to the user's home folder, then the prefix is put in
// front of any absolute result. A relative path is returned unchanged.
QString mapLocation(const QString& location);

// The user's login name, as the system forms "/Users/%@".
QString userName();

// The user's home folder (not mapped).
QString homeFolder();

// The home folder of the user named `user` (not mapped): this session's home
// for this session's user (the login name or the environment's USER), else
// the user database's entry; empty for an unknown user.
QString homeFolderOf(const QString& user);

// Per-user folders of the application, created on demand.
QString configFolder();   // the writable settings file lives here
QString dataFolder();     // the erase-history database lives here

// A folder only this user can enter (mode 0700), private to this process run,
// for command output files and other scratch files. Created on first use.
QString privateTempFolder();
// Removes that folder with everything in it, at the end of the run; a later
// call of privateTempFolder() makes a new one.
void removePrivateTempFolder();

// Read-only resources shipped with the application ("NullvaneBase.plist",
// "EraserHistory.plist", images). NULLVANE_RESOURCES names a folder that is
// searched first, so tests can substitute a resource.
QString resourcePath(const QString& name);

// A helper program (diskutil, the removal helper): beside the running
// executable (the build tree), then in libexec/nullvane of the executable's
// own prefix, then at the configured install location.
QString helperProgram(const QString& name);

} // namespace platform
