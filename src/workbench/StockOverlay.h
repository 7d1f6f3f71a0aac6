#pragma once
// The stock section drawn with the path: the part the latest check left, filled and turned into
// both halves (+X and -X) of the section, the raw stock's outline around it, and the jaws and
// the tailstock in outline. It follows the view through the same ViewMap as the caret's block.

#include "inspect/StockSection.h"
#include "inspect/ViewMap.h"

class QPainter;

namespace workbench {

// Colours for the black background or the white one.
void PaintStockSection(QPainter& p, const inspect::StockSection& section, const inspect::ViewMap& view,
                       bool whiteBackground);

} // namespace workbench
