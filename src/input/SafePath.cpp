// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/SafePath.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace input {

namespace {

// As many links as the kernel follows in one path.
constexpr int MaxLinks = 40;

void SplitInto(const std::string& path, std::deque<std::string>& parts, bool front) {
    std::vector<std::string> names;
    size_t at = 0;
    while (at <= path.size()) {
        const size_t slash = path.find('/', at);
        const size_t end = slash == std::string::npos ? path.size() : slash;
        if (end > at) names.push_back(path.substr(at, end - at));
        at = end + 1;
    }
    if (front)
        parts.insert(parts.begin(), names.begin(), names.end());
    else
        parts.insert(parts.end(), names.begin(), names.end());
}

bool ReadLink(const std::string& link, std::string& target) {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
    if (n < 0 || size_t(n) >= buffer.size()) return false;
    target.assign(buffer.data(), size_t(n));
    return true;
}

} // namespace

std::string FolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool MayFollowLink(const std::string& folder, unsigned linkOwner) {
    struct stat st {};
    if (stat(folder.empty() ? "/" : folder.c_str(), &st) != 0) return false;
    const bool shared = (st.st_mode & S_ISVTX) && (st.st_mode & S_IWOTH);
    return !shared || linkOwner == geteuid() || linkOwner == st.st_uid;
}

ResolvedPath ResolvePath(const std::string& path, bool followLast) {
    ResolvedPath r;
    std::string done; // the resolved part, "" for the root
    if (path.empty() || path[0] != '/') {
        std::vector<char> cwd(PATH_MAX + 1);
        if (!getcwd(cwd.data(), cwd.size())) {
            r.Error = errno;
            return r;
        }
        done = cwd.data();
        if (done == "/") done.clear();
    }
    std::deque<std::string> todo;
    SplitInto(path, todo, false);
    int links = 0;
    while (!todo.empty()) {
        const std::string name = todo.front();
        todo.pop_front();
        if (name == ".") continue;
        if (name == "..") {
            done = FolderOf(done.empty() ? "/" : done);
            if (done == "/") done.clear();
            continue;
        }
        const std::string next = done + "/" + name;
        const bool last = todo.empty();
        struct stat st {};
        if (lstat(next.c_str(), &st) != 0) {
            // A new file's name is fine; a missing folder is not.
            if (errno == ENOENT && last) {
                done = next;
                break;
            }
            r.Error = errno;
            return r;
        }
        if (S_ISLNK(st.st_mode) && (!last || followLast)) {
            if (++links > MaxLinks) {
                r.Error = ELOOP;
                return r;
            }
            if (!MayFollowLink(done, st.st_uid)) {
                r.Error = EACCES;
                r.Refused = true;
                r.Link = next;
                return r;
            }
            std::string target;
            if (!ReadLink(next, target)) {
                r.Error = errno ? errno : ENAMETOOLONG;
                return r;
            }
            if (!target.empty() && target[0] == '/') done.clear();
            SplitInto(target, todo, true);
            continue;
        }
        if (!last && !S_ISDIR(st.st_mode)) {
            r.Error = ENOTDIR;
            return r;
        }
        done = next;
    }
    r.Path = done.empty() ? "/" : done;
    return r;
}

std::string FileBeside(const std::string& file, const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos ||
        name.find('\0') != std::string::npos)
        return {};
    const std::string folder = FolderOf(file);
    return folder.empty() ? name : folder + "/" + name;
}

bool ReadSmallFile(const std::string& path, size_t maxBytes, std::string& bytes, std::string& why) {
    const ResolvedPath real = ResolvePath(path);
    if (real.Refused) {
        why = real.Link + " is a link of another user in a shared folder; it is not followed";
        return false;
    }
    if (real.Error) {
        why = std::strerror(real.Error);
        return false;
    }
    const int fd = ::open(real.Path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    struct stat st {};
    const bool plain =
        ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= maxBytes;
    bool good = plain;
    if (plain) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (good && got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            good = n > 0;
            if (good) got += static_cast<size_t>(n);
        }
    }
    ::close(fd);
    if (!plain) {
        why = "not a plain file of at most " + std::to_string(maxBytes >> 20) + " MB";
        return false;
    }
    if (!good) {
        why = "cannot be read";
        return false;
    }
    return true;
}

} // namespace input
