// SPDX-License-Identifier: GPL-3.0-or-later
// Single-pass box cycles: G92 (G90 in the FANUC dialect) turns along Z, G94 (FANUC) faces along
// X. The end point may be incremental (U, W); R tapers the cut at its start. A block that gives
// only the new depth repeats the previous end point and R. G92 shares the remembered end Z with
// the thread cut along Z, G94 the remembered end X with the face thread cut.

#include <cmath>

#include "base/Machine.h"
#include "cycles/CycleSteps.h"
#include "cycles/Cycles.h"
#include "motion/Motion.h"
#include "motion/SoftLimits.h"

namespace cycles {

using namespace steps;

namespace {

void ApplyIncrements(interp::MachineState& s) {
    if (s.UWord != 0) s.CurX = s.LastX + s.UWord;
    if (s.WWord != 0) s.CurZ = s.LastZ + s.WWord;
}

void LongTurnCycleBody(Machine& m) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    // 1-2. The limit sees the block point before U and W.
    if (motion::CheckPlusLimit(m) == 1) return;
    if (FeedMissing(m)) return;
    // 3-4. Incremental end point, then the repeat memory of the end Z and R.
    ApplyIncrements(s);
    if (s.LastZ != s.CurZ) {
        c.SavedEndZ = s.CurZ;
        c.SavedR = s.RWord;
    } else {
        s.CurZ = c.SavedEndZ;
        s.RWord = c.SavedR;
    }
    // 5. R is a radius amount: the cut starts at diameter Xb + 2R and ends at Xb. The label
    // shows Xb already after the infeed.
    LongBox(m, s.CurX + 2 * s.RWord, s.CurX);
}

void FaceTurnCycleBody(Machine& m) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    // 1-2. Repeat memory before U: a block with U but no X repeats the previous R and then takes
    // its X from U.
    if (s.LastX != s.CurX) {
        c.SavedEndX = s.CurX;
        c.SavedR = s.RWord;
    } else {
        s.CurX = c.SavedEndX;
        s.RWord = c.SavedR;
    }
    ApplyIncrements(s);
    // 3-4. The limit sees the end point after U and W.
    if (motion::CheckPlusLimit(m) == 1) return;
    if (FeedMissing(m)) return;
    // 5. R is a Z amount: the cut starts at Zb + R and ends at Zb.
    FaceBox(m, s.CurZ + s.RWord, s.CurZ);
}

} // namespace

void LongTurnCycle(Machine& m) {
    Guarded(m, LongTurnCycleBody);
}

void FaceTurnCycle(Machine& m) {
    Guarded(m, FaceTurnCycleBody);
}

} // namespace cycles
