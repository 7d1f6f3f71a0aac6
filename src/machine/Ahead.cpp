// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/Ahead.h"

#include <system_error>
#include <thread>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace machine {

Ahead::Ahead(const Profile& profile, double partFrontZ, Recording* record, bool thread)
    : Planned(profile, partFrontZ, record), Threaded(thread && std::thread::hardware_concurrency() > 1) {
    if (Threaded) At = SlotOf(0), End = At + ChunkWords - Longest;
}

Ahead::~Ahead() {
    // A run dropped before its end: the thread stops after the chunk in hand.
    if (Shared) TakeOver();
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
    if (!Shared) {
        try {
            auto shared = std::make_shared<Control>();
            std::thread([this, shared] { Run(*shared); }).detach();
            Shared = std::move(shared);
        } catch (const std::system_error&) { // no thread to be had: planned here, from now on
            Threaded = false;
            Plan(begin, At);
            At = End = nullptr;
            return false;
        }
    }
    Shared->Handed.store(++Written, std::memory_order_release);
    // The next slot, once the planner is done with the chunk in it (a planner that failed reads
    // none: what follows is written and thrown away, and Finish gives its error).
    for (uint32_t done;
         !((done = Shared->Done.load(std::memory_order_acquire)) & FailedBit) && Written - done >= Chunks;)
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

void Ahead::Run(Control& c) {
    for (uint32_t n = 0;;) {
        while (c.Handed.load(std::memory_order_acquire) == n &&
               c.Holder.load(std::memory_order_relaxed) != Control::TakenOver)
            std::this_thread::sleep_for(Nap);
        uint8_t idle = Control::Idle;
        if (!c.Holder.compare_exchange_strong(idle, Control::Planning, std::memory_order_acquire))
            return; // taken over: this may be gone
        try {
            if (n == 0) Planned.Assume(); // what Finish would write, while the run still goes
            for (const uint32_t handed = c.Handed.load(std::memory_order_acquire); n < handed; ++n) {
                PlanChunk(n);
                c.Done.store(n + 1, std::memory_order_release);
            }
        } catch (...) {
            Failed = std::current_exception();
            c.Done.store(FailedBit, std::memory_order_release);
            c.Holder.store(Control::Idle, std::memory_order_release);
            return;
        }
        c.Holder.store(Control::Idle, std::memory_order_release);
    }
}

void Ahead::TakeOver() {
    // The thread holds the planner for some microseconds at a time; a thread kept from its core
    // holds it longer, and is let have this one.
    for (auto [idle, turns] = std::pair<uint8_t, int>{Control::Idle, 0};
         !Shared->Holder.compare_exchange_weak(idle, Control::TakenOver, std::memory_order_acquire);
         idle = Control::Idle, ++turns) {
#if defined(__x86_64__) || defined(__i386__)
        if (turns < 4096) {
            _mm_pause();
            continue;
        }
#endif
        std::this_thread::yield();
    }
}

Result Ahead::Finish(const std::function<int64_t(int64_t)>& lineOf) {
    if (Shared) {
        // The thread is seldom far behind, and waking it costs more than planning what it has
        // not: the run plans that itself.
        TakeOver();
        uint32_t done = Shared->Done.load(std::memory_order_relaxed);
        Shared.reset();
        if (done & FailedBit) std::rethrow_exception(Failed);
        for (; done < Written; ++done)
            PlanChunk(done);
    }
    if (At) Plan(Slots[Written % Chunks].get(), At); // the chunk being written (a short run's only one)
    return Planned.Finish(lineOf);
}

} // namespace machine
