// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock as the workbench draws it under the path: the raw stock, the part the check left and
// the work holding, as half-section outlines. Worked out with the check, off the window's thread,
// so that drawing them costs the window no polygon arithmetic. Measuring snaps to the part.

#include "check/StockSection.h"
#include "inspect/Measure.h"
#include "stock/Geometry.h"

#include <optional>
#include <vector>

namespace inspect {

// The section's outlines and how they are found: the checker's, so that its pictures and the
// window draw the same section.
using check::SectionOf;
using check::StockSection;

// The measure's snap with the finished part's outline (both halves) added: a corner of the part
// nearer than `snapped` (when that snapped to the path) and within `tolerancePx` replaces it, as
// an end point; failing that, a pointer still free or on the grid goes onto the nearest point of
// an edge within the tolerance (PartEdge).
SnapPoint SnapToPart(const StockSection& section, const ViewMap& view, Point px, double tolerancePx,
                     SnapPoint snapped);

// "turning C 80°, edge 12, R0.8, tip 3 (setup file)", or "(default; assumed: ...)" naming the
// values that nothing gave.
std::string ToolText(const stock::Tool& tool);

} // namespace inspect
