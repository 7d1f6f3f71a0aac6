// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the canned cycles remember from one block to the next. Empty at program start (an empty
// value reads as 0) and never cleared by a reset of the simulation.

namespace cycles {

struct CycleMemory {
    double SavedEndZ = 0;       // Z end of the last G31/G33/G92 block that gave a new Z
    double SavedEndX = 0;       // X end of the last G32/G94 block that gave a new X
    double SavedI = 0;          // I of the last thread block with a new Z; drilling approach along X
    double SavedK = 0;          // K of the last face-thread block with a new X; drilling approach along Z
    double SavedTaperAngle = 0; // angle word of the last thread block that gave a new end
    double SavedR = 0;          // R of the last G92/G94 block that gave a new end
    double DrillReturnX = 0;    // X of the drilling initial point (holes along X)
    double DrillReturnZ = 0;    // Z of the drilling initial point (holes along Z)
    bool DrillAlongX = false;   // holes along X; false (the initial state) = along Z
};

} // namespace cycles
