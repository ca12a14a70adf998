#pragma once
// Acting on a path from held folder handles. A path text is resolved once,
// component by component, into an open folder; everything after that is done
// relative to that folder, so a folder renamed or swapped for a link while we
// work cannot redirect us elsewhere.
//
// Plain POSIX and no Qt: the privileged removal helper, which runs as root,
// builds this file too.
//
// Thread-safe (no shared state). Failure is an errno value, never an exception.

#include <string>
#include <vector>

namespace heldpath {

// Splits an absolute path in plain form ("/a/b/c": no empty, "." or ".."
// component, no trailing slash, not "/" itself) into its components.
bool splitPlain(const std::string& path, std::vector<std::string>* parts);

// Opens the folder named by `parts` (from "/"), one component at a time. A
// component that is a symbolic link is followed only when root or the running
// user owns the link: a link someone else put on the way is refused (ELOOP),
// since following it would let them point us at folders they chose.
// Returns the open folder (O_DIRECTORY, close-on-exec) or -1 with `*error` set:
// ENOENT or ENOTDIR when something on the way does not exist or is no folder.
int openFolder(const std::vector<std::string>& parts, int* error);

// Appends the names a folder holds ("." and ".." left out) to `names`,
// read through a fresh handle of its own, so the caller's handle keeps its
// position and flags. False (errno set) when it cannot be read.
bool entriesOf(int fd, std::vector<std::string>* names);

// Whether nothing at all (not even a dangling link) is at `name` in `dirFd`.
bool goneAt(int dirFd, const char* name);

// Removes `name` of `dirFd`, depth first, never following links and never
// entering another mount: a folder whose device or mount differs from its
// parent's is left where it is and the removal fails with EXDEV. Returns 0 or
// the errno of the first thing that stayed; what can go, goes.
int removeTree(int dirFd, const char* name);

// Whether `name` of `dirFd`, or any folder below it, lies on another mount
// than `dirFd` itself. Links are not followed. Folders that cannot be read
// count as crossing (they cannot be checked).
bool crossesMount(int dirFd, const char* name);

} // namespace heldpath
