// Single-pass box cycles: G92 (G90 in the FANUC dialect) turns along Z, G94 (FANUC) faces along
// X. The end point may be incremental (U, W); R tapers the cut at its start. A block that gives
// only the new depth repeats the previous end point and R. G92 shares the remembered end Z with
// the thread cut along Z, G94 the remembered end X with the face thread cut.

#include <cmath>

#include "cycles/CycleSteps.h"
#include "cycles/Cycles.h"
#include "interp/Machine.h"
#include "motion/Motion.h"

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
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ, x0 = xb + 2 * s.RWord;
    RapidSegment(m, xs, zs, x0, zs);
    ShowXPaceMark(m, xb);
    CutSegment(m, x0, zs, xb, zb);
    ShowZPaceMark(m, zb);
    RapidSegment(m, xb, zb, xs, zb);
    ShowXPaceMark(m, xs);
    RapidSegment(m, xs, zb, xs, zs);
    // 6.
    AddRapidTime(m, std::fabs(zb - zs) + std::fabs(xb - xs));
    AddCutTime(m, std::fabs(zb - zs));
    // 7.
    ReturnToStart(m);
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
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ, z0 = zb + s.RWord;
    RapidSegment(m, xs, zs, xs, z0);
    ShowZPaceMark(m, zb);
    CutSegment(m, xs, z0, xb, zb);
    ShowXPaceMark(m, xb);
    RapidSegment(m, xb, zb, xb, zs);
    ShowZPaceMark(m, zs);
    RapidSegment(m, xb, zs, xs, zs);
    // 6.
    AddRapidTime(m, 2 * std::fabs(zb - zs) + std::fabs(xb - xs) / 2);
    AddCutTime(m, std::fabs(xb - xs) / 2);
    // 7.
    ReturnToStart(m);
}

} // namespace

void LongTurnCycle(Machine& m) {
    Guarded(m, LongTurnCycleBody);
}

void FaceTurnCycle(Machine& m) {
    Guarded(m, FaceTurnCycleBody);
}

} // namespace cycles
