// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Parameters.h"

#include "base/MachineState.h"

namespace interp {

SoftLimits LimitsOf(const MachineState& s) {
    return {s.PVLX, s.PVLZ, s.NVLX, s.NVLZ};
}

void ApplyLimits(MachineState& s, const SoftLimits& limits) {
    s.PVLX = limits.PVLX;
    s.PVLZ = limits.PVLZ;
    s.NVLX = limits.NVLX;
    s.NVLZ = limits.NVLZ;
}

Parameters ParametersOf(const MachineState& s) {
    Parameters p;
    p.Limits = LimitsOf(s);
    p.Unit = s.UnitCode;
    p.Fanuc = s.FanucMode;
    p.Iso = s.IsoMode;
    p.Vertical = s.Vertical;
    p.Xmirror = s.Xmirror;
    p.G2mirror = s.G2mirror;
    return p;
}

void ApplyParameters(MachineState& s, const Parameters& p) {
    ApplyLimits(s, p.Limits);
    s.UnitCode = p.Unit;
    s.FanucMode = p.Fanuc;
    s.IsoMode = p.Iso;
    s.Vertical = p.Vertical;
    s.Xmirror = p.Xmirror;
    s.G2mirror = p.G2mirror;
}

} // namespace interp
