// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/FileSave.h"

#include "files/NativePath.h"
#include "files/SafePath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace files {

namespace {

WriteFunction Writer = ::write;

QString Reason(int err) {
    if (err == ENOSPC) return QStringLiteral("disk full");
    if (err == EDQUOT) return QStringLiteral("disk quota exceeded");
    return QString::fromLocal8Bit(std::strerror(err));
}

std::string Native(const QString& path) {
    return NativePath(path);
}

// Writes everything from the file's current offset; 0 or the errno of the failure.
int WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = Writer(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ENOSPC;
        data += n;
        size -= size_t(n);
    }
    return 0;
}

// Flushes to the disk and closes; 0 or the errno of the failure. The descriptor is closed either way.
int SyncAndClose(int fd) {
    int err = fsync(fd) != 0 ? errno : 0;
    if (close(fd) != 0 && err == 0) err = errno;
    return err;
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

// A new file of mode 0600 named after `pattern` (ending in XXXXXX); -1 with errno on failure.
int CreateUnique(std::string& pattern) {
    return mkostemp(pattern.data(), O_CLOEXEC);
}

mode_t NewFileMode() {
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

bool ReadWhole(int fd, std::string& out) {
    out.clear();
    char buffer[65536];
    off_t at = 0;
    for (;;) {
        const ssize_t n = pread(fd, buffer, sizeof buffer, at);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return true;
        out.append(buffer, size_t(n));
        at += n;
    }
}

// The names of the extended attributes of `path` (the link itself, never followed) or of `fd`;
// false on a failure other than a file system without them.
bool ListAttributes(const std::string& path, int fd, std::vector<std::string>& names) {
    names.clear();
    std::vector<char> buffer;
    for (;;) {
        const ssize_t need = fd >= 0 ? flistxattr(fd, nullptr, 0) : llistxattr(path.c_str(), nullptr, 0);
        if (need < 0) return errno == ENOTSUP;
        buffer.resize(size_t(need) + 1);
        const ssize_t n = fd >= 0 ? flistxattr(fd, buffer.data(), buffer.size())
                                  : llistxattr(path.c_str(), buffer.data(), buffer.size());
        if (n < 0 && errno == ERANGE) continue; // grew meanwhile
        if (n < 0) return false;
        for (size_t at = 0; at < size_t(n);) {
            names.emplace_back(buffer.data() + at);
            at += names.back().size() + 1;
        }
        return true;
    }
}

// Gives the new file `fd` the extended attributes of the old file at `old`, its access control
// list (system.posix_acl_access) among them, and none that the old file did not have (a default
// list of the folder). False when one cannot be copied: the file is then saved in place.
bool CopyAttributes(const std::string& old, int fd) {
    std::vector<std::string> names, now;
    if (!ListAttributes(old, -1, names)) return false;
    for (const std::string& name : names) {
        std::vector<char> value(256);
        ssize_t n;
        while ((n = lgetxattr(old.c_str(), name.c_str(), value.data(), value.size())) < 0 && errno == ERANGE)
            value.resize(value.size() * 4);
        if (n < 0 || fsetxattr(fd, name.c_str(), value.data(), size_t(n), 0) != 0) return false;
    }
    if (!ListAttributes({}, fd, now)) return false;
    for (const std::string& name : now)
        if (std::find(names.begin(), names.end(), name) == names.end() && fremovexattr(fd, name.c_str()) != 0)
            return false;
    return true;
}

enum class Atomic { Done, NeedsInPlace, Failed };

// Temporary file beside the target, the old file's owner, group and permissions, then rename.
// `old` is null for a new file. A failure leaves the target untouched and no temporary file.
Atomic ReplaceAtomically(const std::string& target, const struct stat* old, const QByteArray& bytes,
                         int& err) {
    std::string temp = FolderOf(target) + "/." + NameOf(target) + ".save-XXXXXX";
    const int fd = CreateUnique(temp);
    if (fd < 0) {
        err = errno;
        // A folder the operator may not write: the file itself may still be writable.
        const bool folderClosed = err == EACCES || err == EPERM || err == EROFS;
        return old && folderClosed ? Atomic::NeedsInPlace : Atomic::Failed;
    }
    auto fail = [&](int e, Atomic result) {
        close(fd);
        unlink(temp.c_str());
        err = e;
        return result;
    };
    if (old) {
        // The owner first: changing it clears the set-id bits that the mode then puts back.
        if ((old->st_uid != geteuid() || old->st_gid != getegid()) &&
            fchown(fd, old->st_uid, old->st_gid) != 0)
            return fail(errno, Atomic::NeedsInPlace);
        if (fchmod(fd, old->st_mode & 07777) != 0) return fail(errno, Atomic::NeedsInPlace);
        // After the mode: an access control list sets the group bits of the mode in turn.
        if (!CopyAttributes(target, fd)) return fail(errno, Atomic::NeedsInPlace);
    } else if (fchmod(fd, NewFileMode()) != 0) {
        return fail(errno, Atomic::Failed);
    }
    if (const int e = WriteAll(fd, bytes.constData(), size_t(bytes.size()))) return fail(e, Atomic::Failed);
    if (const int e = SyncAndClose(fd)) {
        unlink(temp.c_str());
        err = e;
        return Atomic::Failed;
    }
    if (rename(temp.c_str(), target.c_str()) != 0) {
        err = errno;
        unlink(temp.c_str());
        return Atomic::Failed;
    }
    SyncFolder(FolderOf(target));
    return Atomic::Done;
}

// A complete, flushed copy of `original`, beside the file when its folder takes one, else in the
// cache folder. Returns the copy's path, empty when none could be made.
std::string MakeBackup(const std::string& target, const std::string& original) {
    auto copyTo = [&original](std::string path) -> std::string {
        const int fd = CreateUnique(path);
        if (fd < 0) return {};
        if (WriteAll(fd, original.data(), original.size()) == 0 && SyncAndClose(fd) == 0) return path;
        unlink(path.c_str());
        return {};
    };
    std::string backup = copyTo(FolderOf(target) + "/." + NameOf(target) + ".backup-XXXXXX");
    if (backup.empty() && QDir().mkpath(BackupCacheFolder()))
        backup = copyTo(Native(BackupCacheFolder()) + "/" + NameOf(target) + ".backup-XXXXXX");
    return backup;
}

// Puts the old content back over the new one. Its blocks were never given up (the file was not
// truncated before the new content was written), so this needs no more room than it had.
bool Restore(int fd, const std::string& original) {
    size_t done = 0;
    while (done < original.size()) {
        const ssize_t n = pwrite(fd, original.data() + done, original.size() - done, off_t(done));
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            return false;
        }
        done += size_t(n);
    }
    return ftruncate(fd, off_t(original.size())) == 0 && fsync(fd) == 0;
}

bool WriteInPlace(const std::string& target, const QByteArray& bytes, QString& error) {
    const int fd = open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        error = Reason(errno);
        return false;
    }
    std::string original;
    if (!ReadWhole(fd, original)) {
        error = Reason(errno);
        close(fd);
        return false;
    }
    const std::string backup = MakeBackup(target, original);
    if (backup.empty()) {
        close(fd);
        error = QStringLiteral("No backup copy of the file could be made (neither its folder nor ") +
                BackupCacheFolder() + QStringLiteral(" can be written), so it was not saved.");
        return false;
    }
    int err = lseek(fd, 0, SEEK_SET) < 0 ? errno : 0;
    if (!err) err = WriteAll(fd, bytes.constData(), size_t(bytes.size()));
    if (!err && ftruncate(fd, off_t(bytes.size())) != 0) err = errno;
    if (!err && fsync(fd) != 0) err = errno;
    if (err) {
        error = Reason(err);
        if (Restore(fd, original)) {
            unlink(backup.c_str());
            error += QStringLiteral("; the file was left as it was.");
        } else {
            error += QStringLiteral("; a copy of the file as it was is kept in ") +
                     QFile::decodeName(backup.c_str());
        }
        close(fd);
        return false;
    }
    if (close(fd) != 0) {
        error = Reason(errno) + QStringLiteral("; a copy of the file as it was is kept in ") +
                QFile::decodeName(backup.c_str());
        return false;
    }
    unlink(backup.c_str());
    return true;
}

} // namespace

QString BackupCacheFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Zarvik");
}

WriteFunction SetWriteFunction(WriteFunction write) {
    const WriteFunction previous = Writer;
    Writer = write ? write : ::write;
    return previous;
}

bool WriteProgramFile(const QString& path, const QString& text, Encoding enc, QString& error,
                      const SaveOptions& options) {
    QByteArray bytes;
    if (!Encode(text, enc, bytes)) {
        error = QStringLiteral("The program holds characters that ") + EncodingName(enc) +
                QStringLiteral(" cannot hold; it was not saved.");
        return false;
    }
    return WriteProgramBytes(path, bytes, error, options);
}

namespace {

// Where the save goes: the name's file with its links followed under the shared-folder rule, or,
// for a new file at the name, the name itself. Empty with `error` set when it must not go on.
std::string SaveTarget(const QString& path, const SaveOptions& options, QString& error) {
    const ResolvedPath r = ResolvePath(Native(path), !options.NewFileAtName);
    if (r.Refused) {
        error = QStringLiteral("It leads through a link of another user in a shared folder; the link was not "
                               "followed and nothing was saved.");
        return {};
    }
    if (r.Error) {
        error = Reason(r.Error);
        return {};
    }
    // The name must still lead where it led when the file was read: a link swapped in meanwhile
    // would make the save write some other file.
    const FileIdentity* expected = options.Expected;
    if (expected && expected->Known && !options.NewFileAtName && !expected->RealPath.empty() &&
        r.Path != expected->RealPath) {
        error = QStringLiteral("The name now leads to another file; nothing was saved.");
        return {};
    }
    return r.Path;
}

bool WriteTo(const std::string& target, const QByteArray& bytes, bool replaceLink, QString& error) {
    struct stat st {};
    bool exists = lstat(target.c_str(), &st) == 0;
    if (!exists && errno != ENOENT) {
        error = Reason(errno);
        return false;
    }
    // A link at the name of a new file is replaced by the file, never followed.
    if (exists && replaceLink && S_ISLNK(st.st_mode)) exists = false;
    if (exists && !S_ISREG(st.st_mode)) {
        error = QStringLiteral("It is not a plain file; it was not saved.");
        return false;
    }
    // A file the operator may not write is not replaced either, whatever its folder allows.
    if (exists && access(target.c_str(), W_OK) != 0) {
        error = Reason(errno);
        return false;
    }
    // Replacing one name of a file with other hard links would part it from them.
    if (exists && st.st_nlink > 1) return WriteInPlace(target, bytes, error);
    int err = 0;
    switch (ReplaceAtomically(target, exists ? &st : nullptr, bytes, err)) {
    case Atomic::Done:
        return true;
    case Atomic::NeedsInPlace:
        return WriteInPlace(target, bytes, error);
    case Atomic::Failed:
        break;
    }
    error = Reason(err);
    return false;
}

} // namespace

bool WriteProgramBytes(const QString& path, const QByteArray& bytes, QString& error,
                       const SaveOptions& options) {
    const std::string target = SaveTarget(path, options, error);
    if (target.empty() || !WriteTo(target, bytes, options.NewFileAtName, error)) return false;
    if (options.Written) {
        struct stat st {};
        *options.Written = lstat(target.c_str(), &st) == 0 ? IdentityOf(target, st, bytes) : FileIdentity();
    }
    return true;
}

} // namespace files
