// SPDX-License-Identifier: GPL-3.0-or-later
// Grooving cycles G73 (plunges in X at both ends of a groove along Z) and G74 (plunges in Z at
// both ends of a groove along X). Only the two end plunges are drawn and timed, each approached
// by a rapid of the I (K) distance from the side the tool comes from. No rapid time is booked.

#include <cmath>

#include "base/Machine.h"
#include "cycles/CycleSteps.h"
#include "cycles/Cycles.h"
#include "motion/Motion.h"
#include "motion/SoftLimits.h"

namespace cycles {

using namespace steps;

namespace {

void LongGrooveCycleBody(Machine& m) {
    interp::MachineState& s = m.S;
    // 1-2. Plus limits first, then the feed.
    if (motion::CheckPlusLimit(m) == 1) return;
    if (FeedMissing(m)) return;
    // 3. From inside the groove bottom (Xb > Xs) the approach runs towards +X.
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ, iWord = s.IWord;
    const double i = xb > xs ? -iWord : iWord, xa = xs - i;
    // 4. First plunge at the start Z, second at the block Z; the retract after the first plunge
    // is not drawn, so the move to the second starts at the start point.
    RapidSegment(m, xs, zs, xa, zs);
    motion::DrawRapidArrow(m, xa, zs, xs, zs);
    CutSegment(m, xa, zs, xb, zs);
    ShowXPaceMark(m, xb);
    RapidSegment(m, xs, zs, xs, zb);
    ShowZPaceMark(m, zb);
    RapidSegment(m, xs, zb, xa, zb);
    motion::DrawRapidArrow(m, xa, zb, xs, zb);
    CutSegment(m, xa, zb, xb, zb);
    ShowX(m, xb);
    // 5. Two plunges of the radial depth less the approach as programmed.
    AddCutTime(m, 2 * (std::fabs(xb - xs) / 2 - iWord));
    // 6. The tool leaves the groove in X and stays at the block Z.
    s.CurX = s.LastX;
}

void FaceGrooveCycleBody(Machine& m) {
    interp::MachineState& s = m.S;
    // 1-2. Plus limits first, then the feed.
    if (motion::CheckPlusLimit(m) == 1) return;
    if (FeedMissing(m)) return;
    // 3. Approaching from below the groove bottom (Zb > Zs) the approach runs towards +Z.
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ, kWord = s.KWord;
    const double k = zb > zs ? -kWord : kWord, za = zs - k;
    // 4. First plunge at the start X, second at the block X.
    RapidSegment(m, xs, zs, xs, za);
    motion::DrawRapidArrow(m, xs, za, xs, zs);
    CutSegment(m, xs, za, xs, zb);
    ShowZPaceMark(m, zb);
    RapidSegment(m, xs, zs, xb, zs);
    ShowXPaceMark(m, xb);
    RapidSegment(m, xb, zs, xb, za);
    motion::DrawRapidArrow(m, xb, za, xb, zs);
    CutSegment(m, xb, za, xb, zb);
    ShowZ(m, zb);
    // 5. Both plunges cut the depth less the approach K.
    AddCutTime(m, 2 * (std::fabs(zb - zs) - kWord));
    // 6. The tool leaves the groove in Z and stays at the block X.
    s.CurZ = s.LastZ;
}

} // namespace

void LongGrooveCycle(Machine& m) {
    Guarded(m, LongGrooveCycleBody);
}

void FaceGrooveCycle(Machine& m) {
    Guarded(m, FaceGrooveCycleBody);
}

} // namespace cycles
