// SPDX-License-Identifier: GPL-3.0-or-later
// Drilling cycles G178, G179, G181, G183, G184: holes along X (cross holes, selected by I) or
// along Z (axial holes, selected by K). Each leg is an ordinary rapid or linear move, which draws,
// times and checks it. The cycle is modal: the approach distance and the initial point stay saved,
// and with M136 each hole returns to the initial point so the next is approached the same way.

#include "base/Machine.h"
#include "cycles/Cycles.h"
#include "motion/Motion.h"

namespace cycles {

namespace {

// M136: return to the initial point after the hole.
constexpr int32_t ReturnToInitialPoint = 136;

void DrillHoleAlongX(Machine& m, double xs, double xb, double zb) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    const double i = c.SavedI;
    // 1. To the hole's Z at the start diameter.
    s.CurX = xs;
    motion::RapidMove(m);
    // 2. Approach to the R point, where the drilling feed begins.
    s.CurX = xs - i;
    s.LastZ = zb;
    motion::RapidMove(m);
    // 3. Drilling feed to the bottom; the retract to the R point is not drawn.
    s.CurX = xb;
    s.LastX = xs - i;
    motion::LinearMove(m);
    // 4. Back to the initial point with M136; otherwise the next hole starts at this R point.
    if (s.MOther == ReturnToInitialPoint) {
        s.CurX = c.DrillReturnX;
        motion::RapidMove(m);
        s.LastX = c.DrillReturnX;
        s.MOther = 0;
    } else {
        c.SavedI = 0;
    }
    // 5. The block ends at the hole's bottom X.
    s.CurX = xb;
}

void DrillHoleAlongZ(Machine& m, double zs, double xb, double zb) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    const double k = c.SavedK;
    // 1. To the hole's X at the start Z.
    s.CurZ = zs;
    motion::RapidMove(m);
    // 2. Approach to the R point.
    s.CurZ = zs - k;
    s.LastX = xb;
    motion::RapidMove(m);
    // 3. Drilling feed to the bottom.
    s.CurZ = zb;
    s.LastZ = zs - k;
    motion::LinearMove(m);
    // 4. Back to the initial point with M136, as along X.
    if (s.MOther == ReturnToInitialPoint) {
        s.CurZ = c.DrillReturnZ;
        motion::RapidMove(m);
        s.LastZ = c.DrillReturnZ;
        s.MOther = 0;
    } else {
        c.SavedK = 0;
    }
    // 5. The block ends at the hole's bottom Z.
    s.CurZ = zb;
}

} // namespace

void DrillCycle(Machine& m) {
    interp::MachineState& s = m.S;
    CycleMemory& c = m.Cycles;
    const double xs = s.LastX, zs = s.LastZ, xb = s.CurX, zb = s.CurZ;
    // 1-2. A positive I or K starts a cycle and takes the initial point from the start point;
    // with both, the hole runs along Z. Without them the direction and the saved values stay.
    if (s.IWord > 0) {
        c.SavedI = s.IWord;
        c.DrillReturnX = xs;
        c.DrillAlongX = true;
    }
    if (s.KWord > 0) {
        c.SavedK = s.KWord;
        c.DrillReturnZ = zs;
        c.DrillAlongX = false;
    }
    // 3-4. One hole, along the direction in force.
    if (c.DrillAlongX)
        DrillHoleAlongX(m, xs, xb, zb);
    else
        DrillHoleAlongZ(m, zs, xb, zb);
}

void DrillCycleCancel(Machine& m) {
    m.Cycles.SavedI = 0;
    m.Cycles.SavedK = 0;
}

} // namespace cycles
