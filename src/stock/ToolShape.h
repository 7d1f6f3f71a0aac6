// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A tool as the half-section sees it: the cutting part of its insert and its holder, placed
// relative to the programmed tool point (the imaginary tool tip the control moves).

#include "stock/Geometry.h"
#include "stock/Setup.h"

namespace stock {

struct ToolShape {
    Region Cutting; // the insert (or blade, or drill), nose radius included
    Region Holder;  // what carries it: must never touch material
    double NoseRadius = 0;
    Point NoseCentre; // relative to the programmed point
    // The usable length of the cutting edge across the feed: deeper cuts overload the insert.
    double EdgeLength = 0;
    bool Drill = false;
};

// The shape of `tool`. The programmed point lies at the origin.
ToolShape ShapeOf(const Tool& tool);

// The unit vector from the nose centre to the imaginary tool tip for a tip direction 1 to 9
// (z along the axis, x the radius): 1 (+X, +Z), 2 (+X, -Z), 3 (-X, -Z), 4 (-X, +Z), 5 (+Z),
// 6 (+X), 7 (-Z), 8 (-X); 0 and 9 the nose centre itself.
Point TipVector(int tipDirection);

} // namespace stock
