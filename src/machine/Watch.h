// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The machine beside a check: follows the run's state and every drawn piece of path and hands
// the planner (machine/Planner.h) what the machine does: moves, spindle commands, tool changes,
// dwells and M codes. It reads the state only; the run and the control's time are untouched.

#include "base/Canvas.h"
#include "base/MachineState.h"
#include "machine/Planner.h"

#include <vector>

namespace machine {

class Watch {
  public:
    // `partFrontZ`: where the part's material begins along Z (the stock's front face; Z0, the
    // finished face, without a stock).
    Watch(const Profile& profile, double partFrontZ);
    // Every drawn piece of path, with the state while the block draws it.
    void Segment(const motion::PathSegment& p, const interp::MachineState& s, int64_t line, double tool);
    // After every block, with the control's time so far.
    void Block(const interp::MachineState& s, int64_t line, double tool, double controlTotal);
    Result Finish() { return Plan.Finish(); }

  private:
    void Sync(const interp::MachineState& s, int64_t line, double tool);
    Planner Plan;
    double Tool = 0;
    SpindleCommand Cmd;
    double Speed = 0, Clamp = 0, LastSWord = 0;
    bool Drew = false; // the block drew a piece of path
    // A multi-pass thread cycle draws its final pass (and a line a thread height away) but cuts
    // every pass: its block's moves are held and run once a pass at the block's end.
    std::vector<Move> Held;
    double LastControl = 0;
};

} // namespace machine
