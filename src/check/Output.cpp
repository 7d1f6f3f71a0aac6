// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Output.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace check {

namespace {

std::string Folder(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Name(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Whether the link or pipe `entry` (lstat) in the folder `folder` (stat) may have been planted
// there for the operator: a folder that everyone may write to and that has the sticky bit, an
// entry of neither this user nor the folder's owner. The kernel refuses such links to be followed
// and such pipes to be opened only where it is set up to (protected_symlinks, protected_fifos).
bool Planted(const struct stat& entry, const struct stat& folder) {
    const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
    return shared && entry.st_uid != ::geteuid() && entry.st_uid != folder.st_uid;
}

// The parts of `path` pushed onto `parts` so that the first is taken first.
void PushParts(const std::string& path, std::vector<std::string>& parts) {
    size_t end = path.size();
    while (end > 0) {
        const size_t slash = path.rfind('/', end - 1);
        const size_t begin = slash == std::string::npos ? 0 : slash + 1;
        if (end > begin) parts.push_back(path.substr(begin, end - begin));
        if (slash == std::string::npos) break;
        end = slash;
    }
}

// Where `path` leads: an absolute path without links, ".." or ".". Its last parts need not exist
// (they are then taken as written). False, with the reason, for a link that is not followed.
bool Resolve(const std::string& path, std::string& target, std::string& why) {
    std::string resolved; // "" is the root
    if (path.empty() || path[0] != '/') {
        char* here = ::getcwd(nullptr, 0);
        if (!here) {
            why = std::strerror(errno);
            return false;
        }
        resolved = std::strcmp(here, "/") == 0 ? "" : here;
        std::free(here);
    }
    std::vector<std::string> parts;
    PushParts(path, parts);
    int links = 0;
    while (!parts.empty()) {
        const std::string part = std::move(parts.back());
        parts.pop_back();
        if (part == ".") continue;
        if (part == "..") {
            resolved.erase(std::min(resolved.size(), resolved.rfind('/')));
            continue;
        }
        const std::string next = resolved + "/" + part;
        struct stat link {};
        if (::lstat(next.c_str(), &link) != 0) {
            // Not there: the rest as written; opening it tells what is wrong, if anything.
            resolved = next;
            for (; !parts.empty(); parts.pop_back())
                resolved += "/" + parts.back();
            break;
        }
        if (!S_ISLNK(link.st_mode)) {
            resolved = next;
            continue;
        }
        struct stat folder {};
        if (++links > 40 || ::stat(resolved.empty() ? "/" : resolved.c_str(), &folder) != 0) {
            why = std::strerror(links > 40 ? ELOOP : errno);
            return false;
        }
        if (Planted(link, folder)) {
            why = next + " is a link of another user in a shared folder; it is not followed";
            return false;
        }
        std::string to(PATH_MAX, '\0');
        const ssize_t n = ::readlink(next.c_str(), to.data(), to.size());
        if (n < 0 || static_cast<size_t>(n) >= to.size()) {
            why = std::strerror(n < 0 ? errno : ENAMETOOLONG);
            return false;
        }
        to.resize(static_cast<size_t>(n));
        if (!to.empty() && to[0] == '/') resolved.clear();
        PushParts(to, parts);
    }
    target = resolved.empty() ? "/" : resolved;
    return true;
}

// An unnamed file in the temporary folder, gone with the process.
int UnnamedTemporaryFile() {
    const char* env = std::getenv("TMPDIR");
    const std::string folder = env && *env ? env : "/tmp";
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string name = folder + "/zarvik-check-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0) ::unlink(name.c_str());
    return fd;
}

} // namespace

void Output::OpenStandardOutput(bool closed) {
    Fd = STDOUT_FILENO;
    OwnsFd = false;
    Closed = closed;
    if (closed) Error = EBADF;
}

bool Output::Open(const std::string& path, std::string& why) {
    // A link is followed (but see PlantedLink): the file it points at is the one replaced.
    std::string target;
    if (!Resolve(path, target, why)) return false;
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A pipe, a terminal or a device is written as it is; but not another user's pipe in a
        // shared folder, where anyone may listen to what the operator meant for a file.
        struct stat folder {};
        if (S_ISFIFO(st.st_mode) && ::stat(Folder(target).c_str(), &folder) == 0 && Planted(st, folder)) {
            why = target + " is a pipe of another user in a shared folder; it is not written";
            return false;
        }
        Fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
        How = Direct;
    } else {
        Mode = exists ? (st.st_mode & 07777) : NewFileMode();
        if (!OpenBeside(target, why)) return false;
    }
    if (Fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    Path = target;
    OwnsFd = true;
    return true;
}

bool Output::OpenBeside(const std::string& target, std::string& why) {
    How = Replace;
    // A name near the longest a folder takes leaves no room for the temporary name's additions.
    const std::string name = Name(target);
    Temp = Folder(target) + (name.size() + 8 <= NAME_MAX ? "/." + name : "/.zarvik-check") + ".XXXXXX";
    Fd = ::mkostemp(Temp.data(), O_CLOEXEC);
    if (Fd >= 0) return true;
    // A folder that may not be written (the file itself may): the output is kept aside and copied
    // into the file at the end. The file is opened now, so that a file that cannot be written is
    // refused before the run, but it is not emptied.
    Temp.clear();
    How = InPlace;
    TargetFd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW);
    if (TargetFd < 0 && errno == ENOENT) {
        TargetFd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        Created = TargetFd >= 0;
    }
    if (TargetFd < 0) {
        why = std::strerror(errno);
        return false;
    }
    Fd = UnnamedTemporaryFile();
    if (Fd < 0) {
        why = std::string("no temporary file for it: ") + std::strerror(errno);
        Path = target;
        CloseAll();
        RemoveWritten();
        return false;
    }
    return true;
}

bool Output::Write(std::string_view bytes) {
    if (Error != 0) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::write(Fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            Error = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string Output::Why() const {
    if (Closed) return "it is closed";
    return std::strerror(Error);
}

// Copies the finished output kept aside into the final file. Room for all of it is taken first,
// so that a full disk fails before the old content is touched.
bool Output::CopyIntoTarget() {
    const off_t size = ::lseek(Fd, 0, SEEK_END);
    if (size < 0 || (size > 0 && ::fallocate(TargetFd, FALLOC_FL_KEEP_SIZE, 0, size) != 0 &&
                     errno != EOPNOTSUPP && errno != ENOSYS)) {
        Error = errno;
        return false;
    }
    Created = true; // from here on the old content is gone: a failure leaves no half file
    std::vector<char> buffer(1 << 20);
    for (off_t at = 0; at < size;) {
        const ssize_t n = ::pread(Fd, buffer.data(), buffer.size(), at);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) continue;
            Error = n < 0 ? errno : EIO;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                ::pwrite(TargetFd, buffer.data() + done, static_cast<size_t>(n - done), at + done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                Error = w < 0 ? errno : EIO;
                return false;
            }
            done += w;
        }
        at += n;
    }
    if (::ftruncate(TargetFd, size) != 0) Error = errno;
    return Error == 0;
}

bool Output::Finish(std::string& why) {
    if (!OwnsFd) {
        if (Error != 0) why = Why();
        return Error == 0;
    }
    if (Error == 0 && How == Replace && ::fchmod(Fd, Mode) != 0) Error = errno;
    if (Error == 0 && How == InPlace) CopyIntoTarget();
    CloseAll();
    if (Error == 0 && How == Replace && ::rename(Temp.c_str(), Path.c_str()) != 0) Error = errno;
    if (Error != 0) {
        why = Why();
        RemoveWritten();
        return false;
    }
    return true;
}

void Output::CloseAll() {
    if (OwnsFd && ::close(Fd) != 0 && Error == 0 && How != InPlace) Error = errno;
    if (TargetFd >= 0 && ::close(TargetFd) != 0 && Error == 0) Error = errno;
    Fd = TargetFd = -1;
    OwnsFd = false;
}

void Output::Abandon() {
    if (!OwnsFd) return;
    CloseAll();
    RemoveWritten();
}

void Output::RemoveWritten() {
    // The final file of an output kept aside is removed only when it is new or half copied: an
    // older one stays as it was.
    if (How == Replace)
        ::unlink(Temp.c_str());
    else if (How == InPlace && Created)
        ::unlink(Path.c_str());
}

} // namespace check
