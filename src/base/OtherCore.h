// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A thread that works beside the run is put on another core than the run's. Left to itself the
// system may queue a new thread on the core that made it, and move it to an idle one only when
// it next balances its cores, half a millisecond and more later on the machines measured: until
// then the two share a core. Once there, a thread that says so (Free) may go on any core
// again, so that a core kept busy by something else does not hold it; one that does not stays
// off the run's core.
//
//     base::OtherCore place;                              // on the run's thread
//     std::thread t([&place] { ... place.Free(); ... });  // now and then, if at all
//     place.Send(t.native_handle());

#include <atomic>
#include <thread>

#if defined(__linux__)
#include <sched.h>
#endif

namespace base {

class OtherCore {
  public:
    // Puts the thread on the cores other than the caller's (on the thread that made it, once).
    void Send(std::thread::native_handle_type thread);
    // On the thread, now and then: once it has been sent, it may go on any core again.
    void Free() {
        if (!Freed && Sent.load(std::memory_order_acquire)) FreeNow();
    }
    // Lets a thread sent go on any core again, from another thread (while it is sure to be there).
    void Release(std::thread::native_handle_type thread);
    // The core the calling thread is on (-1: not known); cheap enough to ask often.
    static int Here();
    // On the freed thread: finding itself on `core` (the run's, as the run last said), it leaves
    // it for the others. The two would take turns on one core while the system keeps the other
    // for something else; elsewhere it at worst waits its turn there, and the run plans without it.
    void Avoid(int core);

  private:
    void FreeNow();
#if defined(__linux__)
    cpu_set_t All; // the sender's cores
#endif
    bool Known = false; // All, once sent
    bool Moved = false; // Send narrowed the thread's cores (read by the thread once Sent)
    std::atomic<bool> Sent{false};
    bool Freed = false; // the thread's own
};

} // namespace base
