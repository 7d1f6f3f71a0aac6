// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the operator sets once and the window keeps from one session to the next (the Parameter
// section of the settings): the soft limits, the input unit, the dialect and the three drawing
// switches. The settings, the soft-limit dialog, the background check and the checker all move
// these values through this record, so a new one is added here and in the two mappings only.

#include <cstdint>

namespace interp {

struct MachineState;

// The soft limits of the X (diameter) and Z axes; the plus limits are also the home point.
struct SoftLimits {
    double PVLX = 500, PVLZ = 200, NVLX = -200;
    float NVLZ = -200; // single precision, as the control keeps it
    bool operator==(const SoftLimits&) const = default;
};

struct Parameters {
    SoftLimits Limits;
    int16_t Unit = 1;      // 1 = 1 mm, 2 = 0.01 mm, 3 = 0.001 mm, 4 = 1 inch
    bool Fanuc = false;    // FANUC dialect with the point check
    bool Iso = false;      // the ISO control instead of either dialect (Fanuc-style lathe controls)
    bool Vertical = false; // a vertical lathe: the drawing turned a quarter
    bool Xmirror = false;  // +X drawn downwards
    bool G2mirror = false; // G02 runs counter-clockwise and G03 clockwise
    bool operator==(const Parameters&) const = default;
};

// The one mapping between these values and the machine state, each way.
SoftLimits LimitsOf(const MachineState& s);
void ApplyLimits(MachineState& s, const SoftLimits& limits);
Parameters ParametersOf(const MachineState& s);
void ApplyParameters(MachineState& s, const Parameters& p);

} // namespace interp
