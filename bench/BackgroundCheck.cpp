// SPDX-License-Identifier: GPL-3.0-or-later
#include "BackgroundCheck.h"

#include "check/Decode.h"
#include "inspect/Inspection.h"

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

enum class Priority { Nice10, IdleClass };

void Lower(Priority p) {
    if (p == Priority::IdleClass) {
        sched_param none{};
        sched_setscheduler(0, SCHED_IDLE, &none); // this thread only (Linux)
    } else {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 10);
    }
}

// Seconds the check took, or a negative number when it was given up after `limit`.
double TimedCheck(const std::u16string& text, Priority p, double limit) {
    std::atomic<bool> stop = false, done = false;
    double seconds = -1;
    std::thread worker([&] {
        Lower(p);
        const auto t0 = Clock::now();
        try {
            inspect::RunInspection(text, {}, &stop);
            seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        } catch (const inspect::Stopped&) {
        }
        done = true;
    });
    const auto t0 = Clock::now();
    while (!done) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (std::chrono::duration<double>(Clock::now() - t0).count() > limit) stop = true;
    }
    worker.join();
    return seconds;
}

// Keeps every core busy with ordinary threads while it lives.
class BusyCores {
  public:
    BusyCores() {
        const unsigned n = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; ++i)
            Spinners.emplace_back([this] {
                volatile unsigned long x = 0;
                while (!Stop.load(std::memory_order_relaxed))
                    x = x + 1;
            });
    }
    ~BusyCores() {
        Stop = true;
        for (std::thread& t : Spinners)
            t.join();
    }

  private:
    std::atomic<bool> Stop = false;
    std::vector<std::thread> Spinners;
};

std::u16string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    return check::DecodeProgram(std::move(buf).str());
}

std::string Shown(double seconds, double limit) {
    char text[32];
    if (seconds < 0)
        std::snprintf(text, sizeof text, "> %.0f s", limit);
    else
        std::snprintf(text, sizeof text, "%.2f s", seconds);
    return text;
}

} // namespace

void BackgroundCheckTable(const std::string& program100k, const std::string& program1m, double limitSeconds) {
    std::printf("\nbackground check (the problems list), %u cores; busy = every core spinning at nice 0:\n",
                std::max(1u, std::thread::hardware_concurrency()));
    std::printf("  %-6s %-22s %12s %12s\n", "blocks", "check thread", "idle", "cores busy");
    for (const auto& [name, path] : {std::pair{"100k", program100k}, {"1M", program1m}}) {
        const std::u16string text = Read(path);
        for (const auto& [p, what] :
             {std::pair{Priority::Nice10, "nice 10 (now)"}, {Priority::IdleClass, "idle class (before)"}}) {
            const double idle = TimedCheck(text, p, limitSeconds);
            double busy;
            {
                BusyCores load;
                busy = TimedCheck(text, p, limitSeconds);
            }
            std::printf("  %-6s %-22s %12s %12s\n", name, what, Shown(idle, limitSeconds).c_str(),
                        Shown(busy, limitSeconds).c_str());
        }
    }
}

} // namespace bench
