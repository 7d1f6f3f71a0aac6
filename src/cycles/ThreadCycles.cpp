// SPDX-License-Identifier: GPL-3.0-or-later
// Multi-pass thread cycles G71 (along Z) and G72 (along X). One block cuts the whole thread in
// H / D passes; the drawing shows the infeed, the final pass, a second line a thread height away
// where cutting begins, the retract and the return, and the time books every pass.

#include <cmath>

#include "base/Machine.h"
#include "cycles/CycleSteps.h"
#include "cycles/Cycles.h"
#include "motion/Motion.h"
#include "motion/SoftLimits.h"

namespace cycles {

using namespace steps;

namespace {

// The G71 alarm text is the one the control shows on its own screen.
const char* const LongDepthMessage = "D又Hが０です。";
const char* const FaceDepthMessage = "D or H vale is 0.";

void LongThreadCycleBody(Machine& m) {
    interp::MachineState& s = m.S;
    // 1. Plus limits first.
    if (motion::CheckPlusLimit(m) == 1) return;
    // 2-3. Radial infeed, thread length; taper from the angle as in the single-pass cut.
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ;
    const double a = std::fabs(xb - xs) / 2, l = std::fabs(zb - zs);
    if (s.TaperAngle != 0) s.IWord = Finite((zb - zs) * TaperTan(s.TaperAngle));
    // 4. Depth and height come before the feed: a block without either shows only this alarm.
    if (s.HWord == 0 || s.DWord == 0) return DepthOrHeightMissing(m, LongDepthMessage);
    // 5. Pass count, possibly fractional, and the rapid travel of all passes.
    const double h0 = s.HWord, n = Finite(h0 / s.DWord), d = Finite((l + 2 * a) * n);
    // 6. The feed, after the depth and height.
    if (FeedMissing(m)) return;
    // 7. An inside thread (start inside the final diameter) has its offset line on the inside.
    // The reversed height serves this block only; the H word keeps its value.
    const double h = xb > xs ? -h0 : h0, i = s.IWord;
    // 8. Infeed, final pass, offset line, retract, return; the first arrow uses the height as
    // written, the return arrows the signed one.
    RapidSegment(m, xs, zs, xb, zs);
    motion::DrawRapidArrow(m, xb + h0, zs, xs, zs);
    ShowXPaceMark(m, xb);
    CutSegment(m, xb, zs, xb + 2 * i, zb);
    ShowZ(m, zb);
    CutSegment(m, xb + h, zs, xb + h + 2 * i, zb);
    Pace(m);
    Marker(m);
    RapidSegment(m, xb + 2 * i, zb, xs, zb);
    ShowX(m, xs);
    Pace(m);
    RapidSegment(m, xs, zb, xs, zs);
    motion::DrawRapidArrow(m, xs, zb, xb + h, zb);
    motion::DrawRapidArrow(m, xs, zs, xs, zb);
    // 9. Every pass cuts the full length.
    AddRapidTime(m, d);
    AddCutTime(m, l * n);
    // 10. The tool ends at the start point.
    ReturnToStart(m);
}

void FaceThreadCycleBody(Machine& m) {
    interp::MachineState& s = m.S;
    // 1. Plus limits first.
    if (motion::CheckPlusLimit(m) == 1) return;
    // 2-3. Radial length, infeed along Z; taper K is the Z shift over the radial length.
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ;
    const double a = std::fabs(xb - xs) / 2, l = std::fabs(zb - zs);
    if (s.TaperAngle != 0) s.KWord = Finite(((xb - xs) / 2) / TaperTan(s.TaperAngle));
    // 4. Depth and height come before the feed.
    if (s.HWord == 0 || s.DWord == 0) return DepthOrHeightMissing(m, FaceDepthMessage);
    // 5. Pass count, possibly fractional, and the rapid travel of all passes.
    const double h0 = s.HWord, n = Finite(h0 / s.DWord), d = Finite((a + 2 * l) * n);
    // 6. The feed, after the depth and height.
    if (FeedMissing(m)) return;
    // 7. The offset line lies on the side of the start point, a Z amount away.
    const double h = zb > zs ? -h0 : h0, k = s.KWord;
    // 8. No arrows in the face cycle.
    RapidSegment(m, xs, zs, xs, zb);
    ShowZPaceMark(m, zb);
    CutSegment(m, xs, zb, xb, zb + k);
    ShowX(m, xb);
    CutSegment(m, xs, zb + h, xb, zb + h + k);
    Pace(m);
    Marker(m);
    RapidSegment(m, xb, zb + k, xb, zs);
    ShowZPaceMark(m, zs);
    RapidSegment(m, xb, zs, xs, zs);
    // 9. Every pass cuts the full radial length.
    AddRapidTime(m, d);
    AddCutTime(m, a * n);
    // 10. The tool ends at the start point.
    ReturnToStart(m);
}

} // namespace

void LongThreadCycle(Machine& m) {
    Guarded(m, LongThreadCycleBody);
}

void FaceThreadCycle(Machine& m) {
    Guarded(m, FaceThreadCycleBody);
}

} // namespace cycles
