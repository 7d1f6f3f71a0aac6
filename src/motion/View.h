#pragma once
// The view of the trace: where the canvas sits in the viewport and the two ruler strips that move
// with it. The canvas's own scale numbers live on the canvas (Canvas::Scale*); the rulers carry the
// canvas's ScaleTop/ScaleHeight (Xscale) and ScaleLeft/ScaleWidth (Zscale).

#include "motion/Canvas.h"

namespace motion {

struct View {
    Canvas* Xscale = nullptr; // vertical ruler strip along the left edge; may be null (checker)
    Canvas* Zscale = nullptr; // horizontal ruler strip along the bottom edge; may be null

    // Viewport (Trace1) size, window units (twips).
    double ViewportWidth = 10000, ViewportHeight = 8000;
    // Canvas window position inside the viewport (twips, zero or negative).
    double CanvasLeft = 0, CanvasTop = 0;
    // Ruler positions inside the viewport (twips).
    double XscaleTop = 0, ZscaleLeft = 0, ZscaleTop = 0;
};

} // namespace motion
