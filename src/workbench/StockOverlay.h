// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock section drawn with the path: the part the latest check left (or, following a run,
// the part as the run has cut it so far), filled and turned into both halves (+X and -X) of the
// section, the raw stock's outline around it, the jaws and the tailstock in outline, and the tool
// where the run stands. It follows the view through the same ViewMap as the caret's block.

#include "inspect/StockFollow.h"
#include "inspect/StockSection.h"
#include "inspect/ViewMap.h"

namespace check {
struct VersionDiff;
}

class QPainter;

namespace workbench {

// Colours for the black background or the white one; the compensated nose path when asked for.
void PaintStockSection(QPainter& p, const inspect::StockSection& section, const inspect::ViewMap& view,
                       bool whiteBackground, bool nosePath = false);

// The regions another version of the program differs by, on both halves: material the program
// in the pane added in the look of excess (orange), material it removed in that of a gouge (red).
void PaintVersionRegions(QPainter& p, const check::VersionDiff& diff, const inspect::ViewMap& view,
                         bool whiteBackground);

// The tool's insert and holder at the programmed point (x a diameter, z; millimetres, as the
// path), on the side of the axis the point lies on.
void PaintToolShape(QPainter& p, const inspect::ToolOutlines& tool, double x, double z,
                    const inspect::ViewMap& view, bool whiteBackground);

} // namespace workbench
