// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine beside a check: follows the run's state and every drawn piece of path and hands
// the planner (machine/Planner.h) what the machine does: moves, spindle commands, tool changes,
// dwells and M codes. It reads the state only; the run and the control's time are untouched.

#include "base/Canvas.h"
#include "base/Machine.h"
#include "machine/Planner.h"

#include <vector>

namespace machine {

class Watch {
  public:
    // `partFrontZ`: where the part's material begins along Z (the stock's front face; Z0, the
    // finished face, without a stock).
    // `record`, when given, keeps what the planner is handed (machine/Calibrate.h).
    Watch(const Profile& profile, double partFrontZ, Recording* record = nullptr);
    // Every drawn piece of path, with the machine while the block draws it.
    void Segment(const motion::PathSegment& p, const interp::Machine& m);
    // After every block, with the control's time so far.
    void Block(const interp::Machine& m, double controlTotal);
    // The findings' lines are counted only here, from where their blocks end in the text: a
    // run pays for no line count of its own.
    Result Finish(const std::function<int64_t(int64_t blockEndPos)>& lineOf) { return Plan.Finish(lineOf); }

  private:
    // The tool in force, worked out again only when its T word changes.
    double ToolOf(const interp::Machine& m) {
        if (!ToolKnown || m.S.TWord != ToolTWord || m.S.TGFlag != ToolTG) NewTool(m);
        return ToolCached;
    }
    void NewTool(const interp::Machine& m);
    // Tells the planner of a new tool or spindle command; most blocks change neither.
    void Sync(const interp::MachineState& s, int64_t line, double tool) {
        if (tool != Tool || s.SWord != LastSWord || s.MSpindle != Cmd.Direction ||
            (s.GSpeedMode == 96) != Cmd.Css)
            Changed(s, line, tool);
    }
    void Changed(const interp::MachineState& s, int64_t line, double tool);
    Planner Plan;
    Move Scratch; // the move of the piece being drawn
    double Tool = 0;
    double ToolTWord = 0, ToolCached = 0;
    bool ToolTG = false, ToolKnown = false;
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
