// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/DiskCheck.h"

#include "files/NativePath.h"
#include "files/SafePath.h"
#include "input/InputGuard.h"

#include <QCryptographicHash>
#include <QFile>

#include <cerrno>
#include <new>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace files {

QByteArray HashOf(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

FileIdentity IdentityOf(const std::string& realPath, const struct stat& st, const QByteArray& bytes) {
    FileIdentity id;
    id.Known = true;
    id.RealPath = realPath;
    id.Device = st.st_dev;
    id.Inode = st.st_ino;
    id.Size = bytes.size();
    id.MTimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    constexpr qsizetype Aside = 1 << 20;
    if (bytes.size() >= Aside) {
        try {
            id.Hash = std::async(std::launch::async, [bytes] { return HashOf(bytes); }).share();
            return id;
        } catch (const std::system_error&) { // no thread to be had: worked out here
        }
    }
    std::promise<QByteArray> now;
    now.set_value(HashOf(bytes));
    id.Hash = now.get_future().share();
    return id;
}

bool IsReadOnly(const QString& path) {
    const std::string native = NativePath(path);
    struct stat st {};
    if (stat(native.c_str(), &st) != 0) return false;
    return (st.st_mode & 0222) == 0 || access(native.c_str(), W_OK) != 0;
}

DiskState CheckOnDisk(const QString& path, const FileIdentity& read) {
    if (!read.Known) return DiskState::Same;
    const ResolvedPath r = ResolvePath(NativePath(path));
    // A link the save will not follow leads, as far as the save goes, to no file of ours.
    if (r.Refused) return DiskState::OtherFile;
    if (r.Error == ENOENT || r.Error == ENOTDIR) return DiskState::Gone;
    if (r.Error) return DiskState::Same; // the save says what is wrong
    struct stat st {};
    if (lstat(r.Path.c_str(), &st) != 0) return errno == ENOENT ? DiskState::Gone : DiskState::Same;
    if (!S_ISREG(st.st_mode) || (!read.RealPath.empty() && r.Path != read.RealPath))
        return DiskState::OtherFile;
    bool sameBytes = st.st_size == read.Size;
    if (sameBytes) {
        // Another program may have written the same number of bytes: the content decides.
        try {
            input::InputFile in(r.Path);
            QByteArray bytes;
            sameBytes = in.ReadAll(bytes) && read.Hash.valid() && HashOf(bytes) == read.Hash.get();
        } catch (const std::bad_alloc&) {
            sameBytes = false;
        }
    }
    // NOTE: a file replaced whole at the same place (another editor saves that way) with the
    // bytes that were read is the same program: saving over it loses nothing.
    if (!sameBytes) return DiskState::ChangedOnDisk;
    return IsReadOnly(path) ? DiskState::ReadOnly : DiskState::Same;
}

} // namespace files
