// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Cutting a straight piece of path to a box, for pictures that leave out what lies off the page.

namespace motion {

// The part of the line (x1, y1)-(x2, y2) inside the box [lo, hi] x [top, bottom]; false when
// none is.
bool ClipLine(double& x1, double& y1, double& x2, double& y2, double lo, double hi, double top,
              double bottom);

} // namespace motion
