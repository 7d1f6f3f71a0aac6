// SPDX-License-Identifier: GPL-3.0-or-later
// Single-pass thread cuts: G31/G33 along Z, G32 (KVZ) along X. A run of thread blocks in which
// only the first gives the end point cuts one thread in several passes: the later blocks give
// only the new depth and take end point, taper and angle from the cycle memory.

#include <cmath>

#include "base/Machine.h"
#include "cycles/CycleSteps.h"
#include "cycles/Cycles.h"
#include "motion/Motion.h"
#include "motion/SoftLimits.h"

namespace cycles {

using namespace steps;

namespace {

// A new end Z starts a new thread; a block that keeps Z is the next pass of the last one.
void RememberOrRepeatLong(Machine& m) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    if (s.LastZ != s.CurZ) {
        c.SavedEndZ = s.CurZ;
        c.SavedI = s.IWord;
        c.SavedTaperAngle = s.TaperAngle;
    } else {
        s.CurZ = c.SavedEndZ;
        s.IWord = c.SavedI;
        s.TaperAngle = c.SavedTaperAngle;
    }
}

void RememberOrRepeatFace(Machine& m) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    if (s.LastX != s.CurX) {
        c.SavedEndX = s.CurX;
        c.SavedK = s.KWord;
        c.SavedTaperAngle = s.TaperAngle;
    } else {
        s.CurX = c.SavedEndX;
        s.KWord = c.SavedK;
        s.TaperAngle = c.SavedTaperAngle;
    }
}

void LongThreadCutBody(Machine& m) {
    interp::MachineState& s = m.S;
    // 1-2. Limit, then feed: either stops the cut before anything is drawn.
    if (motion::CheckPlusLimit(m) == 1) return;
    if (FeedMissing(m)) return;
    // 3-4. Repeat memory, then the taper from the angle (measured from the Z axis): I is the
    // change of radius over the thread length.
    RememberOrRepeatLong(m);
    if (s.TaperAngle != 0) s.IWord = Finite((s.CurZ - s.LastZ) * TaperTan(s.TaperAngle));
    // 5. Infeed, thread, retract, return.
    LongBox(m, s.CurX, s.CurX + 2 * s.IWord);
}

void FaceThreadCutBody(Machine& m) {
    interp::MachineState& s = m.S;
    // 1-2. This cut remembers and tapers first and checks the limit and feed afterwards, so the
    // limit sees the restored end point.
    RememberOrRepeatFace(m);
    if (s.TaperAngle != 0) s.KWord = Finite(((s.CurX - s.LastX) / 2) / TaperTan(s.TaperAngle));
    if (motion::CheckPlusLimit(m) == 1) return;
    if (FeedMissing(m)) return;
    // 3. Infeed along Z, thread along X, retract, return.
    FaceBox(m, s.CurZ, s.CurZ + s.KWord);
}

} // namespace

void LongThreadCut(Machine& m) {
    Guarded(m, LongThreadCutBody);
}

void FaceThreadCut(Machine& m) {
    Guarded(m, FaceThreadCutBody);
}

} // namespace cycles
