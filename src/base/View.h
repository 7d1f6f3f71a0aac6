// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The view of the trace: where the canvas sits in the viewport and the two ruler strips that move
// with it. The canvas's own scale numbers live on the canvas (Canvas::Scale*); the rulers carry the
// canvas's ScaleTop/ScaleHeight (Xscale) and ScaleLeft/ScaleWidth (Zscale).

#include "base/Canvas.h"
#include "base/LabelLayout.h"

#include <cstdint>
#include <vector>

namespace motion {

// Zoom boxes remembered for undo: entries 1..ZoomLevel are in use (entry 0 never), at most five
// views above the standard view. Widths, heights and left edges are visible sizes in canvas
// units; ZoomHistSumY is the sum of the box's two corner y values (twice its vertical centre).
struct ZoomHistory {
    int16_t ZoomLevel = 0;
    double ZoomHistWidth[6] = {}, ZoomHistHeight[6] = {}, ZoomHistLeft[6] = {}, ZoomHistSumY[6] = {};
};

// The pointer over the canvas, in canvas units: zoom mode, the zoom-box corners or drag anchor,
// and the last position seen (the wheel zooms about it, before any snapping).
struct PointerState {
    bool ZoomMode = false;                // the zoom box is armed
    float DragStartX = 0, DragStartY = 0; // where the left button went down
    float DragEndX = 0, DragEndY = 0;     // corner of the rubber band drawn last
    float MouseX = 0, MouseY = 0;         // last mouse move over the canvas
};

struct View {
    Canvas* Xscale = nullptr; // vertical ruler strip along the left edge; may be null (checker)
    Canvas* Zscale = nullptr; // horizontal ruler strip along the bottom edge; may be null

    // Viewport (Trace1) size, window units (twips).
    double ViewportWidth = 10000, ViewportHeight = 8000;
    // Canvas window position inside the viewport (twips, zero or negative).
    double CanvasLeft = 0, CanvasTop = 0;
    // Ruler positions inside the viewport (twips).
    double XscaleTop = 0, ZscaleLeft = 0, ZscaleTop = 0;

    // Tool labels that would cover one printed before are moved along their move to the nearest
    // free place: on in the window and in every picture made of a run, where a label on top of
    // another is unreadable; off, every label goes where the control prints it. The boxes are
    // those of the labels printed since the canvas was last cleared (canvas units).
    bool SpreadToolLabels = false;
    PlacedLabels ToolLabelBoxes;

    // View navigation: survives resets and runs; only the view operations change it.
    ZoomHistory Zoom;
    PointerState Pointer;
};

} // namespace motion
