// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Limits this process's address space to what it holds now and a little more, so that reading a
// large program runs out of memory where a workshop PC would (call it in a child process).

#include <fstream>

#include <sys/resource.h>
#include <unistd.h>

inline void LimitMemoryToWhatIsHeldPlus(rlim_t extraBytes) {
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    const rlim_t bytes = pages * static_cast<rlim_t>(::sysconf(_SC_PAGESIZE)) + extraBytes;
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_AS, &limit);
}
