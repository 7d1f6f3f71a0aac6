// SPDX-License-Identifier: GPL-3.0-or-later
#include "input/InputGuard.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace input {

namespace {

std::string ReadError(int error) {
    if (error == ENOENT || error == ENOTDIR) return "was not found";
    if (error == ENXIO) return "is not a program file"; // a socket
    return std::string("could not be read: ") + std::strerror(error);
}

// Why a file of this kind is no program file; empty for a plain file.
std::string Refusal(const struct stat& st) {
    if (S_ISREG(st.st_mode)) return {};
    if (S_ISDIR(st.st_mode)) return "is a folder, not a program file";
    if (S_ISFIFO(st.st_mode)) return "is a pipe (FIFO), not a program file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "is a device, not a program file";
    return "is not a program file";
}

} // namespace

InputFile::InputFile(const std::string& path) {
    // Not blocking: opening a pipe for reading would otherwise wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        Reason = ReadError(errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        Reason = ReadError(errno);
    else
        Reason = Refusal(st);
    if (Reason.empty() && static_cast<uint64_t>(st.st_size) > MaxProgramBytes) TooLarge();
    if (!Reason.empty()) {
        ::close(fd);
        return;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    Fd = fd;
    Bytes = static_cast<uint64_t>(st.st_size);
    Dev = st.st_dev;
    Ino = st.st_ino;
}

InputFile::~InputFile() {
    if (Fd >= 0) ::close(Fd);
}

void InputFile::TooLarge() {
    Reason = "is larger than " + std::to_string(MaxProgramBytes >> 20) + " MB, too large for a program file";
}

long long InputFile::ReadSome(char* into, size_t n) {
    for (;;) {
        const ssize_t got = ::read(Fd, into, n);
        if (got >= 0) return got;
        if (errno == EINTR) continue;
        Reason = ReadError(errno);
        return -1;
    }
}

} // namespace input
