// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The planner behind the run. When the check has a core to spare, what the run hands it is
// written down in order, packed, a chunk at a time, and planned a chunk at a time on a thread of
// its own, so that the run does not wait for the planning; else it is handed straight on. Either
// way the planner is handed the same things in the same order: the times and findings are the same.
//
// The run never wakes the planning thread: the thread looks for new chunks every little while
// (Nap). Waking it costs a system call, and the run writes a chunk in a few tens of
// microseconds. Whoever plans holds the planner (Control::Holder), a chunk at a time: with many
// chunks waiting (the thread was kept from its core) the run plans the oldest itself, or writes
// on while the thread holds it; at the end the run takes the planner over and plans what is
// left; the thread, when it next looks, sees that and ends on its own (it is not joined, which
// would wait for its nap). The run waits only for a thread in the middle of a chunk at the end,
// or with the whole ring waiting.

#include "base/OtherCore.h"
#include "machine/Planner.h"

#include <atomic>
#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace machine {

// Where the planning is done: in line with the run, on a thread of its own, or on a thread of
// its own sent to another core than the run's (base/OtherCore.h: worth it for a long run; for a
// short one, waking a sleeping core, or waiting for a busy one, costs more than it saves).
enum class PlanOn { Run, Thread, OtherCore };

class Ahead {
  public:
    // The thread is started once there is a full chunk to plan.
    Ahead(const Profile& profile, double partFrontZ, Recording* record, PlanOn where);
    ~Ahead();
    Ahead(const Ahead&) = delete;
    Ahead& operator=(const Ahead&) = delete;

    // What the planner is handed (machine/Planner.h), each order with the tool of the last tool
    // change (0 before the first). Inline: the run hands every drawn piece through them.
    void Rapid(int64_t line, double x0, double z0, double x1, double z1) {
        if (Threaded && Room()) [[likely]]
            return Put(RapidTag, line, x0, z0, x1, z1);
        RapidNow(line, x0, z0, x1, z1);
    }
    // A feed move or thread pass, with its flags (below).
    void Feed(uint8_t flags, int64_t line, double x0, double z0, double x1, double z1, double feed) {
        const auto tag = static_cast<uint8_t>(MoveTag | flags);
        if (Threaded && Room()) [[likely]]
            return Put(tag, line, x0, z0, x1, z1, feed);
        Now(tag, line, x0, z0, x1, z1, feed);
    }
    void Arc(uint8_t flags, int64_t line, double x0, double z0, double x1, double z1, double feed, double cx,
             double cz, double r) {
        const auto tag = static_cast<uint8_t>(MoveTag | flags | ArcBit);
        if (Threaded && Room()) [[likely]]
            return Put(tag, line, x0, z0, x1, z1, feed, cx, cz, r);
        Now(tag, line, x0, z0, x1, z1, feed, cx, cz, r);
    }
    // Any move (of the tool in force: its own is not looked at).
    void Add(const Move& m);
    // These come a few times in a program.
    void Spindle(const SpindleCommand& c, int64_t line);
    void ToolChange(int64_t line, double tool);
    void Dwell(double seconds, int64_t line);
    void MCode(int code, int64_t line);
    // A feed move's flags: the low three bits are the orders' tags.
    enum : uint8_t { ArcBit = 8, ClockwiseBit = 16, OwnBlockBit = 32, PerRevBit = 64, ThreadBit = 128 };
    // A feed move as the planner takes it.
    static Move MoveOf(uint8_t flags, int64_t line, double tool, double x0, double z0, double x1, double z1,
                       double feed, double cx = 0, double cz = 0, double r = 0) {
        Move m;
        m.Type = flags & ThreadBit ? Move::Kind::Thread : Move::Kind::Feed;
        m.X0 = x0, m.Z0 = z0, m.X1 = x1, m.Z1 = z1;
        m.Arc = flags & ArcBit, m.Clockwise = flags & ClockwiseBit;
        m.CX = cx, m.CZ = cz, m.R = r;
        m.Feed = feed, m.PerRev = flags & PerRevBit, m.OwnBlock = flags & OwnBlockBit;
        m.Line = line, m.Tool = tool;
        return m;
    }
    // Plans what is left, waits for the planning and gives the planner's result.
    Result Finish(const std::function<int64_t(int64_t)>& lineOf);

  private:
    // Each order is words of eight bytes: its line above its tag (the low three bits, a move's
    // flags above them; lines and text positions are far below 2^55), then the numbers its kind
    // needs.
    enum Tag : uint8_t { RapidTag, MoveTag, SpindleTag, ToolChangeTag, DwellTag, MCodeTag };
    // The longest order (an arc) fits in what is left of a chunk that is not full.
    static constexpr size_t Longest = 9;
    // Waiting: several naps' worth of chunks in flight, beyond which the run plans the oldest
    // itself (the thread is kept from its core for a millisecond and more now and then, on the
    // machines measured: room for more did not show in the times).
    // Chunks: what the run writes on rather than wait for a thread that holds the planner while
    // kept from its core (a busy core's turns last milliseconds). Rest: chunks planned since a
    // slot was, before the run writes it again (lines the thread has just read cost the run much
    // more to write: a tenth of the whole check, measured); the slots in use are about as many.
    static constexpr size_t ChunkWords = 2048, Waiting = 16, Chunks = 128, Rest = 14;
    static constexpr auto Nap = std::chrono::microseconds(50);

    static uint64_t Word(double v) { return std::bit_cast<uint64_t>(v); }
    static uint64_t Word(int64_t v) { return static_cast<uint64_t>(v); }
    // The values are taken first and written through a pointer of its own (a member would be
    // read and written again around every word).
    template <class... T> void Put(uint8_t tag, int64_t line, T... v) {
        uint64_t* at = At;
        *at++ = static_cast<uint64_t>(line) << 8 | tag;
        ((*at++ = Word(v)), ...);
        At = at;
    }
    // Room for an order; false when the orders go straight to the planner from now on.
    bool Room() {
        if (At > End) [[unlikely]]
            return Full();
        return true;
    }
    // A move handed straight to the planner (without a thread).
    [[gnu::noinline]] void RapidNow(int64_t line, double x0, double z0, double x1, double z1) {
        Planned.AddRapid(x0, z0, x1, z1, line, Tool);
    }
    [[gnu::noinline]] void Now(uint8_t tag, int64_t line, double x0, double z0, double x1, double z1,
                               double feed = 0, double cx = 0, double cz = 0, double r = 0);
    // The chunk being written is full: it is handed over and the next one begun (true), or,
    // with no thread to be had, planned, and the orders go straight to the planner (false).
    bool Full();
    // Hands the orders in [at, end) to the planner, in order.
    void Plan(const uint64_t* at, const uint64_t* end);
    void PlanChunk(uint32_t n) {
        const Chunk& c = Ring[n % Chunks];
        Plan(c.Slot, c.Slot + c.Words);
    }
    struct Control;
    // The planning thread: the chunks handed over, as long as the planner is not taken over.
    void Run(Control& c);
    // The slots of the chunks planned since become spare.
    void Reclaim();
    // A slot for the next chunk: a spare one, else one the thread made, else a new one.
    uint64_t* NewSlot();
    // Makes slots for the run, and has the system give them their memory on the thread rather
    // than on the run's first writes into them.
    static void MakeSlots(Control& c);
    // Plans the oldest chunk not planned, unless the thread is planning (false).
    bool PlanOldest();
    // Takes the planner over from the thread, once it is between two chunks; it plans no more.
    void TakeOver();
    // A turn of waiting for the thread to put the planner down.
    static void Pause(int turns);

    Planner Planned;
    bool Threaded;
    bool Elsewhere; // the thread starts on another core
    struct Chunk {
        uint64_t* Slot = nullptr;
        size_t Words = 0; // what it holds, once handed over
    };
    Chunk Ring[Chunks];                     // by number modulo Chunks; a chunk reclaimed has no slot
    std::deque<uint64_t*> Spare;            // the slots of chunks planned, oldest first
    uint32_t Reclaimed = 0;                 // chunks whose slots are spare
    uint64_t *At = nullptr, *End = nullptr; // where the next order goes; past End the chunk is full
    double Tool = 0;                        // of the orders written last
    double ReadTool = 0;                    // of the orders planned last
    uint32_t Written = 0;                   // chunks written in full
    // What the run and the thread share. The thread keeps it after this is gone, until it sees it
    // is taken over: the rest of this it touches only while it holds the planner.
    struct Control {
        enum : uint8_t { Idle, Planning, RunPlanning, TakenOver };
        alignas(64) std::atomic<uint32_t> Handed{0}; // chunks handed over
        // Chunks planned (FailedBit: the planning failed, Failed says why).
        alignas(64) std::atomic<uint32_t> Done{0};
        // Who has the planner: the thread when Planning, the run for a chunk when RunPlanning
        // and for good when TakenOver.
        std::atomic<uint8_t> Holder{Idle};
        base::OtherCore Place;                      // where the thread starts
        std::atomic<int> RunCore{-1};               // the core the run was last on
        std::atomic<uint64_t*> Made[Rest + 2] = {}; // slots the thread made, until the run takes them
        Control() = default;
        Control(const Control&) = delete;
        Control& operator=(const Control&) = delete;
        ~Control() {
            for (std::atomic<uint64_t*>& slot : Made)
                delete[] slot.load(std::memory_order_relaxed);
        }
    };
    static constexpr uint32_t FailedBit = uint32_t{1} << 31;
    std::shared_ptr<Control> Shared;          // once the thread is started
    std::thread::native_handle_type Thread{}; // it, there until it sees it is taken over
    std::exception_ptr Failed;
};

} // namespace machine
