// SPDX-License-Identifier: GPL-3.0-or-later
// The soft-limit checks of moves, arcs, cycles and block end points.

#include "motion/SoftLimits.h"

#include "base/Alarms.h"
#include "base/Machine.h"

namespace motion {

int CheckPlusLimit(interp::Machine& m) {
    auto& s = m.S;
    int result = 0;
    if (s.CurX >= s.PVLX) {
        interp::RaiseAlarm(m, "X-Axis puls limit over.");
        result = 1;
    }
    if (s.CurZ >= s.PVLZ) {
        // The two bars have always spelt this message differently.
        interp::RaiseAlarm(m, "Z-Axis plus limit over.", "Z-Axis puls limit over.");
        result = 1;
    }
    return result;
}

void ClampToPlusLimits(interp::MachineState& s) {
    if (s.CurX > s.PVLX) s.CurX = s.PVLX;
    if (s.CurZ > s.PVLZ) s.CurZ = s.PVLZ;
}

bool WithinMinusLimits(interp::Machine& m) {
    const interp::MachineState& s = m.S;
    if (s.CurX <= s.NVLX)
        interp::RaiseAlarm(m, "X-Axis -Limt over");
    else if (s.CurZ <= s.NVLZ)
        interp::RaiseAlarm(m, "Z-Axis -Limt over");
    else
        return true;
    return false;
}

} // namespace motion
