// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Program files are read whole into memory. Before that, a path that is not a plain file of a
// sensible size is refused with the reason: a pipe or a device would freeze the reader (or never
// end), and a huge file would exhaust memory. Standard library and POSIX only, so that the window
// and the checker read program files through the same gate.

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

namespace input {

// The largest program file read; the control's own programs are a few megabytes at most.
inline constexpr uint64_t MaxProgramBytes = uint64_t{512} << 20;

class InputFile {
  public:
    // Opens `path` for reading (without waiting on a pipe). Ok() tells whether it was accepted.
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool Ok() const { return Fd >= 0; }
    // Why the file was refused or could not be read, worded to follow its path ("was not
    // found", "is a pipe (FIFO), not a program file", ...).
    const std::string& Why() const { return Reason; }
    uint64_t Size() const { return Bytes; }
    dev_t Device() const { return Dev; }
    ino_t Inode() const { return Ino; }

    // Reads the whole file into `bytes` (a std::string or a QByteArray). False, with Why(), when
    // it cannot be read or grew beyond MaxProgramBytes while being read. Allocation failure
    // throws std::bad_alloc to the caller, which says so.
    template <class Buffer> bool ReadAll(Buffer& bytes);
    // Reads the whole file as ReadAll does, handing it over piece by piece as it comes in:
    // `take(const char* bytes, size_t n)` gets each piece, read into `piece` (`size` bytes), so
    // that a caller that turns the bytes into something else need not hold them all. False,
    // with Why(), as ReadAll.
    template <class Take> bool ReadPieces(char* piece, size_t size, Take&& take);
    // The step a file still growing is read on in; ReadAll also takes one such step beyond the
    // size known at opening to find the end, so a buffer made for the whole file has this more.
    static constexpr uint64_t ReadStep = 1 << 16;

  private:
    // Reads up to `n` bytes: the count, 0 at the end of the file, -1 on an error (Why() set).
    long long ReadSome(char* into, size_t n);
    void TooLarge();

    int Fd = -1;
    std::string Reason;
    uint64_t Bytes = 0;
    dev_t Dev = 0;
    ino_t Ino = 0;
};

template <class Buffer> bool InputFile::ReadAll(Buffer& bytes) {
    if (!Ok()) return false;
    using Size = decltype(bytes.size());
    // The size known at opening is read in one go; a file that is still growing is read on in
    // blocks, up to one byte past the limit to tell that it went beyond it.
    constexpr uint64_t Cap = MaxProgramBytes + 1;
    bytes.resize(static_cast<Size>(Bytes));
    uint64_t have = 0;
    for (;;) {
        if (have == static_cast<uint64_t>(bytes.size())) {
            if (have >= Cap) break;
            bytes.resize(static_cast<Size>(std::min(have + ReadStep, Cap)));
        }
        const long long n = ReadSome(bytes.data() + have, static_cast<size_t>(bytes.size()) - have);
        if (n < 0) return false;
        if (n == 0) break;
        have += static_cast<uint64_t>(n);
    }
    bytes.resize(static_cast<Size>(have));
    if (have > MaxProgramBytes) {
        TooLarge();
        return false;
    }
    return true;
}

template <class Take> bool InputFile::ReadPieces(char* piece, size_t size, Take&& take) {
    if (!Ok()) return false;
    uint64_t have = 0;
    for (;;) {
        const long long n = ReadSome(piece, size);
        if (n < 0) return false;
        if (n == 0) break;
        have += static_cast<uint64_t>(n);
        if (have > MaxProgramBytes) {
            TooLarge();
            return false;
        }
        take(static_cast<const char*>(piece), static_cast<size_t>(n));
    }
    return true;
}

} // namespace input
