// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine beside a check: follows the run's state and every drawn piece of path and hands
// the planner (machine/Planner.h) what the machine does: moves, spindle commands, tool changes,
// dwells and M codes. It reads the state only; the run and the control's time are untouched.

#include "base/Canvas.h"
#include "base/Machine.h"
#include "machine/Ahead.h"
#include "machine/Planner.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace machine {

class Watch {
  public:
    // `partFrontZ`: where the part's material begins along Z (the stock's front face; Z0, the
    // finished face, without a stock).
    // `record`, when given, keeps what the planner is handed (machine/Calibrate.h).
    // `where`: where the planning runs (machine/Ahead.h).
    Watch(const Profile& profile, double partFrontZ, Recording* record = nullptr, PlanOn where = PlanOn::Run);
    // Every drawn piece of path, with the machine while the block draws it. Inline, as Block:
    // both run for every piece and block of a check, and most change nothing but the moves.
    void Segment(const motion::PathSegment& p, const interp::Machine& machine) {
        using Kind = motion::PathSegment::Kind;
        const interp::MachineState& s = machine.S;
        // The block's first piece: its words have all taken effect, and none change while it
        // draws the rest.
        if (!Drew && Stale(s)) Changed(machine);
        Drew = true;
        const uint8_t row = Rows[s.FanucMode][RowOf(s.GMode)];
        if (row & HeldRow) [[unlikely]]
            return Hold(p, s, row);
        if (p.kind == Kind::Rapid) return Plan.Rapid(s.BlockEndPos, p.x0, p.z0, p.x1, p.z1);
        const uint8_t flags = FeedFlags(row, s);
        if (p.kind == Kind::Cut)
            Plan.Feed(flags, s.BlockEndPos, p.x0, p.z0, p.x1, p.z1, s.Feed);
        else
            Plan.Arc(static_cast<uint8_t>(flags | (p.kind == Kind::ArcCW ? Ahead::ClockwiseBit : 0)),
                     s.BlockEndPos, p.x0, p.z0, p.x1, p.z1, s.Feed, p.cx, p.cz, p.r);
    }
    // After every block, with the control's time so far.
    void Block(const interp::Machine& machine, double controlTotal) {
        const interp::MachineState& s = machine.S;
        // A block's words all take effect before it draws: one that drew was looked at then.
        if (!Drew && Stale(s)) Changed(machine);
        // A block that drew nothing and still took the control's time is a dwell.
        if (!Drew && controlTotal > LastControl) Plan.Dwell(controlTotal - LastControl, s.BlockEndPos);
        Drew = false;
        LastControl = controlTotal;
        if (!Held.empty()) RunHeld(s);
        if (HasM(s.BlockText)) MCodes(s); // most blocks have no M code
    }
    // The findings' lines are counted only here, from where their blocks end in the text: a
    // run pays for no line count of its own.
    Result Finish(const std::function<int64_t(int64_t blockEndPos)>& lineOf) { return Plan.Finish(lineOf); }

  private:
    // Whether the text holds an M: eight characters at a time, the last eight overlapping. A
    // block of up to 32 characters (most are) is looked at without a loop.
    static bool HasM(const std::u16string& b) {
        const char16_t* p = b.data();
        const size_t n = b.size();
#if defined(__SSE2__)
        if (n >= 8) {
            const __m128i m = _mm_set1_epi16(static_cast<short>(u'M'));
            const auto eq = [&](size_t i) {
                return _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), m);
            };
            const auto any = [](__m128i v) { return _mm_movemask_epi8(v) != 0; };
            if (n <= 16) return any(_mm_or_si128(eq(0), eq(n - 8)));
            if (n <= 32)
                return any(_mm_or_si128(_mm_or_si128(eq(0), eq(8)), _mm_or_si128(eq(n - 16), eq(n - 8))));
            for (size_t i = 0; i + 8 < n; i += 8)
                if (any(eq(i))) return true;
            return any(eq(n - 8));
        }
#endif
        for (size_t i = 0; i < n; ++i)
            if (p[i] == u'M') return true;
        return false;
    }
    // Whether the tool's T word or what the spindle is told changed since the planner was told:
    // most blocks change neither.
    // The words compared as bits: cheaper, and Changed looks at their values.
    bool Stale(const interp::MachineState& s) const {
        return std::bit_cast<uint64_t>(s.TWord) != SeenTWord ||
               std::bit_cast<uint64_t>(s.SWord) != SeenSWord || s.TGFlag != ToolTG ||
               s.MSpindle != Cmd.Direction || (s.GSpeedMode == 96) != Cmd.Css;
    }
    // Tells the planner of a new tool or spindle command.
    void Changed(const interp::Machine& machine);
    // What a block's G code makes of its drawn pieces, by dialect and code (a code without a
    // row: the last), worked out once.
    enum : uint8_t { ThreadRow = Ahead::ThreadBit, OwnBlockRow = Ahead::OwnBlockBit, HeldRow = 1 };
    static constexpr int LastCode = 200; // the G code table's
    static int RowOf(double g) {
        return g >= 0 && g <= LastCode && static_cast<int>(g) == g ? static_cast<int>(g) : LastCode + 1;
    }
    uint8_t Rows[2][LastCode + 2];
    // A feed move's flags as the planner takes them (machine/Ahead.h): a row's bits are its (but
    // HeldRow's).
    static uint8_t FeedFlags(uint8_t row, const interp::MachineState& s) {
        return static_cast<uint8_t>(row | (s.GFeedMode == 95 || (row & ThreadRow) ? Ahead::PerRevBit : 0));
    }
    // A thread cycle's drawn piece, held for the block's end; its held moves, a pass at a time.
    void Hold(const motion::PathSegment& p, const interp::MachineState& s, uint8_t row);
    void RunHeld(const interp::MachineState& s);
    // The block's M codes other than the spindle's.
    void MCodes(const interp::MachineState& s);
    Ahead Plan;
    double Tool = 0;
    double ToolTWord = NAN; // the T word the tool was worked out from (none yet)
    // The bits of the T and S words Changed last saw (a T word of these bits has tool 0).
    uint64_t SeenTWord = ~uint64_t{0}, SeenSWord = 0;
    bool ToolTG = false;
    SpindleCommand Cmd;
    double Speed = 0, Clamp = 0, LastSWord = 0;
    bool Drew = false; // the block drew a piece of path
    // A multi-pass thread cycle draws its final pass (and a line a thread height away) but cuts
    // every pass: its block's moves are held and run once a pass at the block's end.
    std::vector<Move> Held;
    double LastControl = 0;
    bool Gears;            // the machine has gear ranges (M41 to M44 choose one)
    int64_t GearLine = -1; // the block whose gear range went before its speed
};

} // namespace machine
