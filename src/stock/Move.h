// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One piece of the drawn path as the stock takes it.

#include <cstdint>
#include <string>

namespace stock {

// One piece of the drawn path, as the run draws it (X as a diameter, arcs by centre).
struct Move {
    enum class Kind { Rapid, Cut, ArcCW, ArcCCW };
    Kind Type = Kind::Cut;
    int64_t Line = 0;
    int Tool = 0;               // as the control reads it from the T word
    bool SpindleRunning = true; // M03 or M04 in force
    std::string N;              // the last sequence number read (the control's display), or empty
    double X0 = 0, Z0 = 0, X1 = 0, Z1 = 0;
    double CX = 0, CZ = 0, R = 0; // arcs: centre (X a diameter) and radius
    // The nose radius compensation in force: 40 (none), 41 (the nose left of the path, seen with
    // Z to the right and X up), 42 (right of it).
    int Compensation = 40;
    // Moved off the programmed path by the compensation (a start-up, a cancel or a corner move
    // too): its ends are where the control takes the programmed point, not where the program put it.
    bool Compensated = false;
};

} // namespace stock
