#include "check/Output.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

} // namespace

void Output::OpenStandardOutput(bool closed) {
    Fd = STDOUT_FILENO;
    OwnsFd = false;
    Closed = closed;
    if (closed) Error = EBADF;
}

bool Output::Open(const std::string& path, std::string& why) {
    Path = path;
    // A link is followed: the file it points at is the one replaced.
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists && !S_ISREG(st.st_mode)) {
        // A pipe, a terminal or a device is written as it is.
        Fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        How = Direct;
    } else {
        How = Replace;
        Mode = exists ? (st.st_mode & 07777) : NewFileMode();
        Temp = Folder(target) + "/." + Name(target) + ".XXXXXX";
        Fd = ::mkostemp(Temp.data(), O_CLOEXEC);
        if (Fd < 0) {
            // A folder that may not be written (the file itself may): the file is written in
            // place, and removed again if that fails.
            Temp.clear();
            How = InPlace;
            Fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0666);
        }
    }
    if (Fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    Path = target;
    OwnsFd = true;
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

bool Output::Finish(std::string& why) {
    if (!OwnsFd) {
        if (Error != 0) why = Why();
        return Error == 0;
    }
    if (Error == 0 && How == Replace && ::fchmod(Fd, Mode) != 0) Error = errno;
    if (::close(Fd) != 0 && Error == 0) Error = errno;
    Fd = -1;
    OwnsFd = false;
    if (Error == 0 && How == Replace && ::rename(Temp.c_str(), Path.c_str()) != 0) Error = errno;
    if (Error != 0) {
        why = Why();
        RemoveWritten();
        return false;
    }
    return true;
}

void Output::Abandon() {
    if (!OwnsFd) return;
    ::close(Fd);
    Fd = -1;
    OwnsFd = false;
    RemoveWritten();
}

void Output::RemoveWritten() {
    // A file written in place was emptied when it was opened: nothing of it is worth keeping.
    if (How == Replace)
        ::unlink(Temp.c_str());
    else if (How == InPlace)
        ::unlink(Path.c_str());
}

} // namespace check
