// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window knows of the file it read, and how the disk compares with it before a save:
// another program (an editor, a DNC transfer, a CAM post) may have changed, deleted or replaced
// the program since, or a link may now lead its name to another file.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <future>
#include <string>
#include <sys/types.h>

struct stat;

namespace files {

struct FileIdentity {
    bool Known = false;   // false: no file behind the text (a new program)
    std::string RealPath; // where the name led when it was read, links resolved
    dev_t Device = 0;     // the file read, by device and inode
    ino_t Inode = 0;
    int64_t Size = 0;    // bytes read
    int64_t MTimeNs = 0; // its modification time, ns since the epoch
    // SHA-256 of the bytes read. A large file's is worked out on a second thread (some 8 ms a
    // megabyte): only a save, or a change on the disk, waits for it.
    std::shared_future<QByteArray> Hash;
};

enum class DiskState {
    Same,          // the file as it was read (or only touched)
    ChangedOnDisk, // same place, other bytes
    Gone,          // nothing at the name any more
    OtherFile,     // the name now leads elsewhere (a link changed), or to something not a file
    ReadOnly,      // the file as read, but its permissions refuse writing
};

QByteArray HashOf(const QByteArray& bytes);
// The identity of `bytes` just read from or written to the file `st` at `realPath`.
FileIdentity IdentityOf(const std::string& realPath, const struct stat& st, const QByteArray& bytes);

// Compares the file at `path` with `read`. Reads the file again when its size is the same, so
// that a change within one tick of the clock is seen too. ReadOnly only when nothing changed.
DiskState CheckOnDisk(const QString& path, const FileIdentity& read);

// True when the permissions of the file at `path` allow no writing, root's saves included.
bool IsReadOnly(const QString& path);

} // namespace files
