// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Following the links of a path as the kernel does when it protects shared folders: a link that
// sits in a sticky folder everybody may write (the system's temporary folder) is followed only
// when it belongs to the user following it or to the folder's owner. Anybody may plant a link
// there; followed blindly, it would turn a save into a write to any file the operator may write,
// root's files too, and a read of a setup or tool table into a read of any file the operator may
// read. Standard library and POSIX only: program saves, setup files and tool tables share it.

#include <string>

namespace input {

struct ResolvedPath {
    std::string Path;     // absolute, no link left in it (the last name may not exist yet)
    int Error = 0;        // errno of a failure, 0 when resolved
    bool Refused = false; // a link was not followed for the rule above (Error is EACCES)
    std::string Link;     // that link, as a path
};

// Resolves `path` from the current folder. `followLast` false leaves the last name as it is,
// link or not, and resolves only its folders.
ResolvedPath ResolvePath(const std::string& path, bool followLast = true);

// True when a link owned by `linkOwner` in `folder` may be followed by the effective user under
// the rule above.
bool MayFollowLink(const std::string& folder, unsigned linkOwner);

std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

// The file `name` beside `file` (a setup's tool table or machine file): only a plain name, no
// folder and no way out of the folder, so that a file someone put beside a program cannot make
// the check read any file the operator may read. Empty when `name` is not such a name.
std::string FileBeside(const std::string& file, const std::string& name);

// Reads a small plain file whole under the link rule above (a link another user planted in a
// shared folder is not followed), without waiting on a pipe and without following a link put in
// its place since. False with `why` ("… is a link of another user in a shared folder; it is not
// followed", "not a plain file of at most N bytes", the system's words) when it cannot.
bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& why);

} // namespace input
