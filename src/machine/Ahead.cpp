// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/Ahead.h"

#include <system_error>

namespace machine {

Ahead::Ahead(const Profile& profile, double partFrontZ, Recording* record, bool thread)
    : Planned(profile, partFrontZ, record), Threaded(thread && std::thread::hardware_concurrency() > 1) {
    if (Threaded) At = SlotOf(0), End = At + ChunkWords - Longest;
}

Ahead::~Ahead() {
    Join();
}

uint64_t* Ahead::SlotOf(uint32_t chunk) {
    std::unique_ptr<uint64_t[]>& slot = Slots[chunk % Chunks];
    if (!slot) slot = std::make_unique_for_overwrite<uint64_t[]>(ChunkWords);
    return slot.get();
}

bool Ahead::Full() {
    uint64_t* const begin = Slots[Written % Chunks].get();
    Words[Written % Chunks] = static_cast<size_t>(At - begin);
    // Started with the first full chunk: a short program is planned at its end, threadless.
    if (!Thread.joinable()) {
        try {
            Thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) { // no thread to be had: planned here, from now on
            Threaded = false;
            Plan(begin, At);
            At = End = nullptr;
            return false;
        }
    }
    Handed.store(++Written, std::memory_order_release);
    // The next slot, once the planner is done with the chunk in it (a planner that failed reads
    // none: what follows is written and thrown away, and Finish gives its error).
    for (uint32_t done;
         !((done = Done.load(std::memory_order_acquire)) & FailedBit) && Written - done >= Chunks;)
        std::this_thread::sleep_for(Nap);
    At = SlotOf(Written), End = At + ChunkWords - Longest;
    return true;
}

void Ahead::Add(const Move& m) {
    if (m.Type == Move::Kind::Rapid) return Rapid(m.Line, m.X0, m.Z0, m.X1, m.Z1);
    const auto flags =
        static_cast<uint8_t>((m.Clockwise ? ClockwiseBit : 0) | (m.OwnBlock ? OwnBlockBit : 0) |
                             (m.PerRev ? PerRevBit : 0) | (m.Type == Move::Kind::Thread ? ThreadBit : 0));
    if (m.Arc)
        Arc(flags, m.Line, m.X0, m.Z0, m.X1, m.Z1, m.Feed, m.CX, m.CZ, m.R);
    else
        Feed(flags, m.Line, m.X0, m.Z0, m.X1, m.Z1, m.Feed);
}

void Ahead::Now(uint8_t tag, int64_t line, double x0, double z0, double x1, double z1, double feed, double cx,
                double cz, double r) {
    Planned.Add(MoveOf(tag, line, Tool, x0, z0, x1, z1, feed, cx, cz, r));
}

void Ahead::Spindle(const SpindleCommand& c, int64_t line) {
    if (!(Threaded && Room())) return Planned.Spindle(c, line, Tool);
    Put(SpindleTag, line, int64_t{c.Direction}, int64_t{c.Css}, c.S, c.Clamp);
}

void Ahead::ToolChange(int64_t line, double tool) {
    Tool = tool;
    if (!(Threaded && Room())) return Planned.ToolChange(line, tool);
    Put(ToolChangeTag, line, tool);
}

void Ahead::Dwell(double seconds, int64_t line) {
    if (!(Threaded && Room())) return Planned.Dwell(seconds, line, Tool);
    Put(DwellTag, line, seconds);
}

void Ahead::MCode(int code, int64_t line) {
    if (!(Threaded && Room())) return Planned.MCode(code, line, Tool);
    Put(MCodeTag, line, int64_t{code});
}

void Ahead::Plan(const uint64_t* at, const uint64_t* end) {
    const auto number = [&at] { return std::bit_cast<double>(*at++); };
    const auto integer = [&at] { return static_cast<int64_t>(*at++); };
    double tool = ReadTool;
    while (at < end) {
        const uint64_t first = *at++;
        const auto tag = static_cast<uint8_t>(first);
        const int64_t line = static_cast<int64_t>(first) >> 8;
        switch (tag & 7) {
        case RapidTag: {
            const double x0 = number(), z0 = number(), x1 = number(), z1 = number();
            Planned.AddRapid(x0, z0, x1, z1, line, tool);
            break;
        }
        case MoveTag: {
            const double x0 = number(), z0 = number(), x1 = number(), z1 = number(), feed = number();
            double cx = 0, cz = 0, r = 0;
            if (tag & ArcBit) cx = number(), cz = number(), r = number();
            Planned.Add(MoveOf(tag, line, tool, x0, z0, x1, z1, feed, cx, cz, r));
            break;
        }
        case SpindleTag: {
            SpindleCommand c;
            c.Direction = static_cast<int>(integer());
            c.Css = integer() != 0;
            c.S = number(), c.Clamp = number();
            Planned.Spindle(c, line, tool);
            break;
        }
        case ToolChangeTag:
            tool = number();
            Planned.ToolChange(line, tool);
            break;
        case DwellTag:
            Planned.Dwell(number(), line, tool);
            break;
        case MCodeTag:
            Planned.MCode(static_cast<int>(integer()), line, tool);
            break;
        }
    }
    ReadTool = tool;
}

void Ahead::Run() {
    try {
        for (uint32_t n = 0;; ++n) {
            uint32_t handed = 0;
            const auto ready = [&] {
                handed = Handed.load(std::memory_order_acquire);
                return handed > n; // a chunk to plan, or StopBit
            };
            while (!ready()) {
                std::unique_lock lock(Lock);
                Woken.wait_for(lock, Nap, ready);
            }
            if (handed & StopBit) return;
            const uint64_t* chunk = Slots[n % Chunks].get();
            Plan(chunk, chunk + Words[n % Chunks]);
            Done.store(n + 1, std::memory_order_release);
        }
    } catch (...) {
        Failed = std::current_exception();
        Done.store(FailedBit, std::memory_order_release);
    }
}

void Ahead::Stop() {
    {
        std::lock_guard lock(Lock);
        Handed.fetch_or(StopBit, std::memory_order_release);
    }
    Woken.notify_one();
}

void Ahead::Join() {
    if (!Thread.joinable()) return;
    Stop();
    Thread.join();
}

Result Ahead::Finish(const std::function<int64_t(int64_t)>& lineOf) {
    if (Thread.joinable()) {
        // The thread is seldom behind: what it has not planned yet is waited for, and the rest
        // (the chunk being written) planned here rather than woken for, which the system is slow
        // to do. The thread is told to stop, and joined when this is gone.
        uint32_t done = Done.load(std::memory_order_acquire);
        if (done != Written && !(done & FailedBit)) {
            Woken.notify_one();
            while ((done = Done.load(std::memory_order_acquire)) != Written && !(done & FailedBit))
                std::this_thread::yield();
        }
        Stop();
        if (done & FailedBit) {
            Thread.join();
            std::rethrow_exception(Failed);
        }
    }
    if (At) Plan(Slots[Written % Chunks].get(), At); // the chunk being written (a short run's only one)
    return Planned.Finish(lineOf);
}

} // namespace machine
