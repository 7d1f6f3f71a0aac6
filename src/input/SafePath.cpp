// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/SafePath.h"

#include <cerrno>
#include <climits>
#include <deque>
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

} // namespace input
