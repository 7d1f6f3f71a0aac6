// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The soft limits of the lathe, every check against them in one place. The plus limits PVLX and
// PVLZ are also the home point; the minus limits are NVLX and NVLZ. X is a diameter.

namespace interp {
struct Machine;
struct MachineState;
} // namespace interp

namespace motion {

// Cutting moves, arcs and the cycles: 1 when CurX >= PVLX or CurZ >= PVLZ (message written in
// both status bars, RunState 4), else 0. Both axes are checked, so both messages can appear.
int CheckPlusLimit(interp::Machine& m);

// A rapid move stops at the plus limits without a message.
void ClampToPlusLimits(interp::MachineState& s);

// Every block's end point, before any motion: false with "X-Axis -Limt over" when CurX <= NVLX,
// else with "Z-Axis -Limt over" when CurZ <= NVLZ.
bool WithinMinusLimits(interp::Machine& m);

} // namespace motion
