// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/Ahead.h"

#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <new>
#include <system_error>
#include <thread>
#include <utility>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace machine {

Ahead::Ahead(const Profile& profile, double partFrontZ, Recording* record, PlanOn where)
    : Planned(profile, partFrontZ, record),
      Threaded(where != PlanOn::Run && std::thread::hardware_concurrency() > 1),
      Elsewhere(where == PlanOn::OtherCore) {
    if (Threaded) At = Ring[0].Slot = NewSlot(), End = At + ChunkWords - Longest;
}

Ahead::~Ahead() {
    // A run dropped before its end: the thread stops after the chunk in hand.
    if (Shared) TakeOver();
    for (uint64_t* slot : Spare)
        delete[] slot;
    for (const Chunk& chunk : Ring)
        delete[] chunk.Slot;
}

void Ahead::Reclaim() {
    for (const uint32_t done = Shared->Done.load(std::memory_order_acquire);
         Reclaimed < done && !(done & FailedBit); ++Reclaimed)
        Spare.push_back(std::exchange(Ring[Reclaimed % Chunks].Slot, nullptr));
}

uint64_t* Ahead::NewSlot() {
    if (Spare.size() >= Rest) {
        uint64_t* slot = Spare.front();
        Spare.pop_front();
        return slot;
    }
    if (Shared)
        for (std::atomic<uint64_t*>& made : Shared->Made)
            if (uint64_t* slot = made.exchange(nullptr, std::memory_order_acquire)) return slot;
    return new uint64_t[ChunkWords];
}

void Ahead::MakeSlots(Control& c) {
    constexpr size_t PageWords = 4096 / sizeof(uint64_t);
    for (std::atomic<uint64_t*>& slot : c.Made) {
        if (slot.load(std::memory_order_relaxed)) continue;
        auto* made = new uint64_t[ChunkWords];
        for (size_t w = 0; w < ChunkWords; w += PageWords)
            made[w] = 0;
        uint64_t* none = nullptr;
        if (!slot.compare_exchange_strong(none, made, std::memory_order_release, std::memory_order_relaxed))
            delete[] made;
    }
}

bool Ahead::Full() {
    uint64_t* const begin = Ring[Written % Chunks].Slot;
    // A planner that failed plans nothing more: the chunk is written over, and Finish gives the
    // error.
    if (Shared && (Shared->Done.load(std::memory_order_acquire) & FailedBit)) {
        At = begin;
        return true;
    }
    Ring[Written % Chunks].Words = static_cast<size_t>(At - begin);
    // Started with the first full chunk: a short program is planned at its end, threadless.
    // The chunk is handed over before the thread starts, so that it does not begin with a nap.
    if (!Shared) {
        auto shared = std::make_shared<Control>();
        shared->Handed.store(Written + 1, std::memory_order_relaxed); // published by the thread's start
        try {
            std::thread thread([this, shared] { Run(*shared); });
            Thread = thread.native_handle();
            if (Elsewhere) shared->Place.Send(Thread);
            thread.detach();
        } catch (const std::system_error&) { // no thread to be had: planned here, from now on
            Threaded = false;
            Plan(begin, At);
            At = End = nullptr;
            return false;
        }
        Shared = std::move(shared);
        ++Written;
    } else {
        Shared->Handed.store(++Written, std::memory_order_release);
    }
    Shared->RunCore.store(base::OtherCore::Here(), std::memory_order_relaxed);
    // The next slot. A thread kept from its core is not waited for: with many chunks waiting the
    // run plans the oldest itself, or, while the thread holds the planner, writes on into more
    // slots.
    for (int turns = 0;; ++turns) {
        const uint32_t done = Shared->Done.load(std::memory_order_acquire);
        if ((done & FailedBit) || Written - done < Waiting) break;
        if (PlanOldest()) continue;
        if (Written - done < Chunks) break;
        Pause(turns);
    }
    Reclaim();
    // The slot is still an old chunk's only when the planner failed, and reads it no more.
    uint64_t*& slot = Ring[Written % Chunks].Slot;
    if (!slot) slot = NewSlot();
    At = slot, End = At + ChunkWords - Longest;
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
#if defined(__linux__)
    prctl(PR_SET_TIMERSLACK, 1000UL); // naps as long as asked: by default up to twice as long
#endif
    // Chunks to plan (none after a failure), until taken over: the thread ends only then.
    const auto nothingToDo = [&c] {
        const uint32_t done = c.Done.load(std::memory_order_relaxed);
        return (done & FailedBit) || done == c.Handed.load(std::memory_order_acquire);
    };
    for (bool first = true, made = false;;) {
        while (nothingToDo() && c.Holder.load(std::memory_order_relaxed) != Control::TakenOver)
            std::this_thread::sleep_for(Nap);
        c.Place.Free();
        c.Place.Avoid(c.RunCore.load(std::memory_order_relaxed));
        if (!made) { // needs no planner: the run takes them as it needs them
            made = true;
            try {
                MakeSlots(c);
            } catch (const std::bad_alloc&) { // the run makes its own
            }
        }
        uint8_t idle = Control::Idle;
        if (!c.Holder.compare_exchange_strong(idle, Control::Planning, std::memory_order_acquire)) {
            if (idle == Control::TakenOver) return; // this may be gone
            std::this_thread::yield();              // the run plans a chunk itself
            continue;
        }
        try {
            if (first) { // before the first chunk, what the run would otherwise do at its end
                first = false;
                Planned.Assume();
            }
            // A chunk a turn: the run may want the planner in between.
            if (const uint32_t n = c.Done.load(std::memory_order_relaxed);
                n < c.Handed.load(std::memory_order_acquire)) {
                PlanChunk(n);
                c.Done.store(n + 1, std::memory_order_release);
            }
        } catch (...) {
            Failed = std::current_exception();
            c.Done.store(FailedBit, std::memory_order_release);
        }
        c.Holder.store(Control::Idle, std::memory_order_release);
    }
}

void Ahead::Pause(int turns) {
#if defined(__x86_64__) || defined(__i386__)
    if (turns < 4096) return _mm_pause();
#endif
    (void)turns;
    std::this_thread::yield();
}

bool Ahead::PlanOldest() {
    uint8_t idle = Control::Idle;
    if (!Shared->Holder.compare_exchange_strong(idle, Control::RunPlanning, std::memory_order_acquire))
        return false;
    struct Back { // to the thread, even when the planning throws
        Control& C;
        ~Back() { C.Holder.store(Control::Idle, std::memory_order_release); }
    } back{*Shared};
    const uint32_t done = Shared->Done.load(std::memory_order_relaxed);
    if (!(done & FailedBit) && done < Written) {
        PlanChunk(done);
        Shared->Done.store(done + 1, std::memory_order_release);
    }
    return true;
}

void Ahead::TakeOver() {
    // Kept off the run's core, the thread would wait there for its turn to end (and the process
    // to end, which waits for every thread), on a busy core for milliseconds; until it sees it
    // is taken over it is there.
    Shared->Place.Release(Thread);
    // The thread holds the planner for some microseconds at a time; a thread kept from its core
    // holds it longer, and is let have this one.
    for (auto [idle, turns] = std::pair<uint8_t, int>{Control::Idle, 0};
         !Shared->Holder.compare_exchange_weak(idle, Control::TakenOver, std::memory_order_acquire);
         idle = Control::Idle, ++turns)
        Pause(turns);
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
    if (At) Plan(Ring[Written % Chunks].Slot, At); // the chunk being written (a short run's only one)
    return Planned.Finish(lineOf);
}

} // namespace machine
