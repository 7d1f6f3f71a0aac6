// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cubic curves an arc of an ellipse is drawn with, as QPainterPath makes them (arcMoveTo, then
// arcTo), without Qt: a long program's page has hundreds of thousands of arcs, and a QPainterPath
// for each costs more than the arithmetic. The same numbers as Qt's, so that the page reads the
// same as when Qt made its arcs.

#include "render/PdfPath.h"

namespace render {

// What an empty QPainterPath holds after arcMoveTo and arcTo: the arc's start, a line to where
// its first curve starts when that is elsewhere, and its curves (three points each: control,
// control, end), a curve of one point left out.
struct ArcCurves {
    PathPoint Start;
    bool Line = false;
    PathPoint LineEnd;
    int Points = 0;
    PathPoint Curves[15];
};

// The arc of the ellipse in the box (x, y, w, h) from `start` degrees on for `sweep` degrees,
// angles as Qt counts them (0 at the right, counter-clockwise on a page whose y grows downwards,
// turned over). The box must have a size.
ArcCurves CurvesOfArc(double x, double y, double w, double h, double start, double sweep);

} // namespace render
