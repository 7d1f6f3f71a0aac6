// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The curves of a DXF drawing, as the drawing gives them: lines and arcs in the drawing's own
// units and coordinates (x to the right, y up), each with its layer. The DXF library stays
// behind this interface: nothing outside Dxf.cpp sees its types.

#include <string>
#include <vector>

namespace target {

struct DrawingPoint {
    double x = 0, y = 0;
};

// A straight piece, or an arc about Centre from From to To (counter-clockwise in the drawing
// unless Clockwise).
struct Piece {
    DrawingPoint From, To;
    bool Arc = false;
    DrawingPoint Centre;
    bool Clockwise = false;
    bool FullCircle = false; // a CIRCLE: From and To are one point
};

// One entity: a LINE, an ARC or a CIRCLE is one piece, a polyline one piece a segment.
struct Curve {
    std::string Layer;
    std::vector<Piece> Pieces;
};

struct DxfDrawing {
    std::vector<Curve> Curves; // the ENTITIES section's, in their order; block definitions left out
    int InsUnits = 0;          // $INSUNITS: 0 none, 1 inch, 4 mm, 5 cm, 6 m, ...
    // Entities of other kinds met (TEXT, DIMENSION, HATCH, INSERT, SPLINE...): not read.
    size_t Skipped = 0;
};

// Reads LINE, ARC, CIRCLE, LWPOLYLINE (with bulges) and POLYLINE/VERTEX from the text of an ASCII
// DXF file. False with `why` when it is no DXF the library can read.
bool ReadDxf(const std::string& bytes, DxfDrawing& out, std::string& why);

} // namespace target
