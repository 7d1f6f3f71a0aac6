#pragma once
// Large buffers of the checker (a program's bytes and its text): a million-block program touches
// tens of thousands of memory pages once, and on a virtual machine each first touch of a page
// costs microseconds. Backed by huge pages, the same buffer takes a few dozen first touches.

#include <cstddef>

namespace check {

// Asks the system to back the untouched buffer [data, data + bytes) with huge pages where it
// can. Changes nothing else; a no-op where the system offers no such advice.
void AdviseLargeBuffer(void* data, size_t bytes);

} // namespace check
