// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The texts of the state labels beside the trace, computed from the machine state. The host puts
// them into its labels; nothing here touches a widget.

#include <string>

namespace interp {
struct MachineState;
}

namespace motion {

struct DisplayTexts {
    std::string XA, ZA, CAlabel, FEED; // position format "0.000"
    std::string ToolNumber;            // T word as written
    std::string Gcode[5];              // motion, abs/inc, feed mode, speed mode, nose radius
    std::string Mcode[4];              // spindle, coolant, other M, program-stop code
    bool MOtherVisible = false;        // Mcode(2) and its caption Label2(7)
    bool StopCodeVisible = false;      // Mcode(3) and its caption Label2(8)
    std::string ONumber, BlockNumber, Block;
    std::string Hour, Min, Sec; // cutting time, two digits each
    std::string SpindleSpeed, Vspeed;
};

// Computes every label text from the state. Pure: ShowDisplay calls it and hands the result on.
DisplayTexts ComputeDisplay(const interp::MachineState& s);

} // namespace motion
