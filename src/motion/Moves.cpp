// SPDX-License-Identifier: GPL-3.0-or-later
// Straight moves of the lathe: rapid traverse, linear cutting, dwell, home and reference return.
// An arithmetic fault of a move ends it with "Calcu Error" (Guarded).

#include "base/Alarms.h"
#include "base/Machine.h"
#include "motion/CuttingTime.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"
#include "motion/SoftLimits.h"

#include <cmath>

namespace motion {

namespace {

// The U and W words of a move: increments from the start point. A sum that overflows leaves the
// end point as it was and is an arithmetic fault.
void ApplyIncrements(Machine& m) {
    auto& s = m.S;
    const double x = s.UWord != 0 ? s.LastX + s.UWord : s.CurX;
    const double z = s.WWord != 0 ? s.LastZ + s.WWord : s.CurZ;
    if (!AllFinite({x, z})) throw CalcFault{};
    s.CurX = x;
    s.CurZ = z;
}

void Rapid(Machine& m) {
    auto& s = m.S;
    // 1. The tool-label point, from the end point as the block wrote it.
    const CanvasPoint label = ToolLabelPoint(m);
    // 2. Incremental words.
    ApplyIncrements(m);
    // 3. A rapid move stops at the plus limits without a message.
    ClampToPlusLimits(s);
    // 4. Tool change, 5. tool label.
    ToolChangeCheck(m);
    if (s.ShowToolNumber) ToolLabel(m, label);
    // 6. The dotted line, 7. the mark, 8. the arrow head.
    DrawRapidLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    DrawRapidArrow(m, s.CurX, s.CurZ, s.LastX, s.LastZ);
    // 9. Time.
    AddCuttingTime(m, RapidSeconds(s.LastX, s.LastZ, s.CurX, s.CurZ));
}

void Linear(Machine& m) {
    auto& s = m.S;
    // 1. Incremental words, 2. plus limits: a refused move is neither drawn nor timed.
    ApplyIncrements(m);
    if (CheckPlusLimit(m) == 1) return;
    // 3. The solid line with its end pixel, 4. the mark.
    DrawCutLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    // 5. Length, 6. time.
    const double dx = std::fabs(s.CurX - s.LastX) / 2, dz = s.CurZ - s.LastZ;
    const double length = Finite(std::sqrt(dx * dx + dz * dz));
    // NOTE: a machine refuses a cutting move without feed, as the arcs and cycles already do;
    // the move stays drawn so the operator sees where it went.
    if (s.Feed <= 0) return interp::RaiseAlarm(m, "Feed is 0.");
    AddCutTime(m, length, SurfaceSpeed::SingleSpeed);
}

void DwellBody(Machine& m) {
    auto& s = m.S;
    // 1. Dwell time: P, U or X in the FANUC dialect, F in the KVZ dialect, as stored.
    double t;
    if (s.FanucMode)
        t = s.PWord > 0 ? s.PWord : (s.UWord > 0 ? s.UWord : s.CurX);
    else
        t = s.Feed;
    // 2. The tool stays where it is: the words of a dwell are times, not positions; this holds
    // even when 3. the time overflows the total.
    s.CurX = s.LastX;
    s.CurZ = s.LastZ;
    AddCuttingTime(m, t);
}

void Home(Machine& m) {
    auto& s = m.S;
    s.CurX = s.PVLX;
    s.CurZ = s.PVLZ;
    DrawRapidLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    AddCuttingTime(m, RapidSeconds(s.LastX, s.LastZ, s.CurX, s.CurZ));
}

void Reference(Machine& m) {
    auto& s = m.S;
    // 1. Only the axes named by U or W go home, whatever their value.
    s.CurX = s.UGiven ? s.PVLX : s.LastX;
    s.CurZ = s.WGiven ? s.PVLZ : s.LastZ;
    DrawRapidLine(m, s.LastX, s.LastZ, s.CurX, s.CurZ);
    DrawPositionMark(m);
    DrawRapidArrow(m, s.CurX, s.CurZ, s.LastX, s.LastZ);
    AddCuttingTime(m, RapidSeconds(s.LastX, s.LastZ, s.CurX, s.CurZ));
}

} // namespace

void RapidMove(Machine& m) {
    Guarded(m, Rapid);
}

void LinearMove(Machine& m) {
    Guarded(m, Linear);
}

void Dwell(Machine& m) {
    Guarded(m, DwellBody);
}

void HomeReturn(Machine& m) {
    Guarded(m, Home);
}

void ReferenceReturn(Machine& m) {
    Guarded(m, Reference);
}

} // namespace motion
