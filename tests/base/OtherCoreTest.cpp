// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/OtherCore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>

namespace {

cpu_set_t CoresOf(pthread_t thread) {
    cpu_set_t set;
    CPU_ZERO(&set);
    EXPECT_EQ(pthread_getaffinity_np(thread, sizeof set, &set), 0);
    return set;
}

// A helper sent off the run's core is kept off it only until it frees itself: a helper left
// narrowed could not go where the system finds room. Freed before it was sent, it stays where it
// is sent until it frees itself again.
TEST(OtherCore, AThreadSentAwayIsFreeToGoAnywhereOnceItSaysSo) {
    const cpu_set_t all = CoresOf(pthread_self());
    base::OtherCore place;
    std::atomic<int> step{0};
    cpu_set_t sent, freed;
    std::thread helper([&] {
        place.Free(); // not sent yet: nothing happens, and it may free itself later
        step = 1;
        while (step != 2)
            std::this_thread::yield();
        sent = CoresOf(pthread_self());
        place.Free();
        freed = CoresOf(pthread_self());
    });
    while (step != 1)
        std::this_thread::yield();
    place.Send(helper.native_handle());
    step = 2;
    helper.join();
    EXPECT_TRUE(CPU_EQUAL(&freed, &all));
    cpu_set_t within;
    CPU_AND(&within, &sent, &all);
    EXPECT_TRUE(CPU_EQUAL(&within, &sent));
    // Off the one core the caller was on (this thread may have moved since), if there is another.
    EXPECT_EQ(CPU_COUNT(&sent), CPU_COUNT(&all) > 1 ? CPU_COUNT(&all) - 1 : 1);
}

} // namespace
#endif
