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

} // namespace input
