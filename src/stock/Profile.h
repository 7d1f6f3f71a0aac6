// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The finished part's half-section as a drawing: its outlines as straight lines and arcs, the
// arcs found again in the chords the polygon arithmetic keeps of them (a nose radius, a
// programmed radius), so that a CAD program gets a fillet as one arc and a diameter as one line.

#include "stock/Geometry.h"

#include <vector>

namespace stock {

struct ProfilePiece {
    Point From, To; // z along the axis, x the radius (mm)
    bool Arc = false;
    Point Centre; // arcs: centre and radius, counter-clockwise unless Clockwise
    double Radius = 0;
    bool Clockwise = false;
};
// One closed outline, each piece starting where the one before it ends.
using ProfileContour = std::vector<ProfilePiece>;

// The outlines of `region` as lines and arcs. Chords whose corners lie within `tolerance` of one
// circle, with their middles too, and that turn one way are taken as an arc (three chords at
// least); corners within the tolerance of a straight piece are dropped from it. The default
// allows for the chords of the nose and of the path together (each within CurveTolerance).
std::vector<ProfileContour> ProfileOf(const Region& region, double tolerance = 3 * CurveTolerance);

} // namespace stock
