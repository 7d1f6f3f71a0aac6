// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Saving program files without ever losing one. The file keeps its identity: owner, group,
// permissions and hard links stay as they were. Where the folder allows it, the new content goes
// to a temporary file that replaces the old one only once it is completely written, and gets the
// old file's owner, group and permissions; where that would change the file (other hard links, a
// folder the operator may not write, an owner the new file could not get, extended attributes or
// an access control list the new file could not be given), the file is written in
// place after a backup copy of it has been made, beside it or in the user's cache folder. A save
// that fails leaves the old file as it was.
//
// NOTE: not QSaveFile: its rename gives the file the saving user's owner and parts it from its
// hard links, and it cannot save where the folder is closed to the operator.

#include "files/Codec.h"
#include "files/DiskCheck.h"

#include <sys/types.h>

namespace files {

// Links in the path are followed as the kernel follows them in shared folders (SafePath.h); a
// link another user planted in the system's temporary folder is refused.
struct SaveOptions {
    // The file as it was read: the save goes only where its name led then.
    const FileIdentity* Expected = nullptr;
    // The name gets a new file of the operator's; a link at the name is replaced, not followed.
    bool NewFileAtName = false;
    // Receives the identity of the file as saved.
    FileIdentity* Written = nullptr;
};

// Writes the text exactly (nothing appended) in `enc`; refuses a text that `enc` cannot hold.
// Returns false with the reason in `error`.
bool WriteProgramFile(const QString& path, const QString& text, Encoding enc, QString& error,
                      const SaveOptions& options = {});

// Writes `bytes` as the whole new content of `path`, as described above.
bool WriteProgramBytes(const QString& path, const QByteArray& bytes, QString& error,
                       const SaveOptions& options = {});

// The folder for backup copies when the program's own folder cannot take one.
QString BackupCacheFolder();

// Every write of a save goes through this function (::write by default); tests put one in that
// fails the way a full disk does. Returns the previous one.
using WriteFunction = ssize_t (*)(int fd, const void* data, size_t size);
WriteFunction SetWriteFunction(WriteFunction write);

} // namespace files
