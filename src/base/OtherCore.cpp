// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/OtherCore.h"

#if defined(__linux__)
#include <pthread.h>
#endif

namespace base {

void OtherCore::Send(std::thread::native_handle_type thread) {
#if defined(__linux__)
    Known = sched_getaffinity(0, sizeof All, &All) == 0;
    // Away from where the caller is now: the system may have moved it since it made the thread.
    const int here = sched_getcpu();
    if (Known && here >= 0 && CPU_ISSET(here, &All)) {
        cpu_set_t others = All;
        CPU_CLR(here, &others);
        Moved = CPU_COUNT(&others) > 0 && pthread_setaffinity_np(thread, sizeof others, &others) == 0;
    }
#else
    (void)thread;
#endif
    Sent.store(true, std::memory_order_release);
}

void OtherCore::FreeNow() {
    // Widened only after Send narrowed it: before, it would stay narrowed.
    Freed = true;
#if defined(__linux__)
    if (Moved) pthread_setaffinity_np(pthread_self(), sizeof All, &All);
#endif
}

void OtherCore::Release(std::thread::native_handle_type thread) {
#if defined(__linux__)
    if (Known) pthread_setaffinity_np(thread, sizeof All, &All);
#else
    (void)thread;
#endif
}

int OtherCore::Here() {
#if defined(__linux__)
    return sched_getcpu();
#else
    return -1;
#endif
}

void OtherCore::Avoid(int core) {
#if defined(__linux__)
    if (!Freed || !Known || core < 0 || sched_getcpu() != core || !CPU_ISSET(core, &All)) return;
    cpu_set_t others = All;
    CPU_CLR(core, &others);
    if (CPU_COUNT(&others) > 0) pthread_setaffinity_np(pthread_self(), sizeof others, &others);
#else
    (void)core;
#endif
}

} // namespace base
