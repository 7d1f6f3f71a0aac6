// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Large buffers of the checker (a program's bytes and its text): a million-block program touches
// tens of thousands of memory pages once, and on a virtual machine each first touch of a page
// costs microseconds. Backed by huge pages, the same buffer takes a few dozen first touches.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string_view>

namespace check {

// Asks the system to back the untouched buffer [data, data + bytes) with huge pages where it
// can. Changes nothing else; a no-op where the system offers no such advice.
void AdviseLargeBuffer(void* data, size_t bytes);

// A file's bytes read whole (input::InputFile::ReadAll): grows without first writing zeros over
// what is about to be read in, which a std::string does.
class FileBytes {
  public:
    size_t size() const { return Size; }
    char* data() { return Data.get(); }
    std::string_view View() const { return {Data.get(), Size}; }
    void reserve(size_t n);
    // New bytes are left as they are until read into.
    void resize(size_t n) {
        if (n > Capacity) reserve(std::max(n, 2 * Capacity));
        Size = n;
    }

  private:
    std::unique_ptr<char[]> Data;
    size_t Size = 0, Capacity = 0;
};

} // namespace check
