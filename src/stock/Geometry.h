// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Areas of the half-section of a turned part: the plane of Z (along the spindle axis) and the
// radius, in millimetres. The clipping library stays behind this interface: nothing outside
// Geometry.cpp sees its types.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace stock {

// A point of the half-section: z along the spindle axis, x the radius (not the diameter).
struct Point {
    double z = 0, x = 0;
};
using Outline = std::vector<Point>;

struct Box {
    double z0 = 0, x0 = 0, z1 = -1, x1 = -1; // empty when z1 < z0
    bool Empty() const { return z1 < z0 || x1 < x0; }
    bool Overlaps(const Box& o) const {
        return !Empty() && !o.Empty() && z0 <= o.z1 && o.z0 <= z1 && x0 <= o.x1 && o.x0 <= x1;
    }
    // The box holding both.
    Box Joined(const Box& o) const;
    // Grown by `d` mm on every side.
    Box Grown(double d) const { return Empty() ? *this : Box{z0 - d, x0 - d, z1 + d, x1 + d}; }
};

// How finely the coordinates are kept: 1e-5 mm, well below the 0.001 mm a face must land to.
inline constexpr double GridPerMm = 1e5;
// The most a chord of an arc, or a rounded corner, may stray from the true curve.
inline constexpr double CurveTolerance = 0.0005;

// Polygons with holes (outer outlines counter-clockwise in the Z-right, radius-up view). A
// coordinate that is no number, or lies beyond 1e8 mm, throws std::range_error: the polygon
// library is never handed one it cannot hold.
class Region {
  public:
    struct GridPoint {
        int64_t z, x;
    };
    using GridPath = std::vector<GridPoint>;

    Region() = default;
    // The inside of a closed outline (its last point joins the first).
    static Region FromOutline(const Outline& outline);
    static Region Rectangle(double z0, double x0, double z1, double x1);

    bool Empty() const { return Paths.empty(); }
    // One convex outline: shrunk, it stays one piece (or none).
    bool IsConvex() const { return Convex; }
    double Area() const; // mm²
    // The first moment about the spindle axis, the integral of the radius over the area (mm³):
    // the volume of the area turned once round the axis is 2π times this (Pappus).
    double AxisMoment() const;
    double Volume() const;
    Box Bounds() const;

    Region Minus(const Region& other) const;
    // Minus and Intersect at once, without the polygon arithmetic, where both are rectangles:
    // this one axis-parallel rectangle, `sweep` a convex outline with an edge along Z across the
    // rectangle's whole length (its lower edge, or its upper one) that covers the rectangle on
    // that edge's inner side: a pass along Z taking the top (or, boring, the bottom) off a tile
    // of material. `left` and `removed` are then what Minus and Intersect give, point for point
    // and in their order; false (and both untouched) in every other case.
    // `alongZ`, when given, holds EdgesAlongZ(sweep): a sweep taken over many tiles looks for
    // its edges once.
    bool RectangleMinus(const Region& sweep, Region& left, Region& removed,
                        const std::vector<size_t>* alongZ = nullptr) const;
    // The places of this outline's edges along Z (both ends at one radius), in order.
    std::vector<size_t> EdgesAlongZ() const;
    // Whether this convex outline and `other` have no area in common for certain: `other` lies
    // on the outer side of the line of one of this one's edges (a tool running along a surface
    // it has just cut). False when it cannot tell.
    bool Apart(const Region& other) const;
    // A convex outline cut down to what matters within `near`: the corners of the edges that
    // reach into the box, joined by chords that stay out of it (the rest as it is). Within the
    // box it is the same area with the same edges, so a region inside the box has the same
    // Minus and Intersect with it, at the cost of those edges alone.
    Region Near(const Region& near) const;
    Region Intersect(const Region& other) const;
    Region Union(const Region& other) const;
    // The union of many at once: one pass instead of one a region (the tiles of a stock).
    static Region UnionOf(const std::vector<const Region*>& regions);
    // Grown (delta > 0) or shrunk (delta < 0) by delta mm, corners rounded.
    Region Offset(double delta) const;
    // Moved by (dz, dx) mm.
    Region Moved(double dz, double dx) const;
    // Everything `shape` covers while its reference point follows `path` (the Minkowski sum).
    // A convex shape along a straight piece is the hull of its two ends.
    // `between`, when given, is called between the steps of a long sweep (it may throw to give
    // the sweep up).
    static Region Swept(const Region& shape, const std::vector<Point>& path,
                        const std::function<void()>& between = {});

    // The bounds of Swept(shape, path) to within a grid step, at the cost of the path's points:
    // a sweep out of every other region's reach need not be made at all.
    static Box SweptBounds(const Box& shapeBounds, const std::vector<Point>& path);

    // Swept for a convex shape along any path.
    static Region ConvexSwept(const Region& shape, const std::vector<Point>& path);

    // The connected pieces: each outer outline with the holes inside it.
    std::vector<Region> Pieces() const;
    // How many there are (the outer outlines), without making them.
    size_t PieceCount() const;
    // Twice the radius of the largest circle inside (how thick the region is where it is
    // thickest), to within `resolution` and at most `upTo` (mm); 0 when empty.
    double Thickness(double upTo, double resolution = 0.0002) const;

    std::vector<Outline> Outlines() const;
    const std::vector<GridPath>& Grid() const { return Paths; }

  private:
    std::vector<GridPath> Paths;
    bool Convex = false; // one convex outline (the hull sweep applies)
    friend struct RegionAccess;
};

// The points of an arc of the half-section, from `from` to `to` about `centre`, counter-clockwise
// in the Z-right, radius-up view unless `clockwise`; chords within CurveTolerance of the arc.
// `from` is the first point, `to` the last.
std::vector<Point> ArcPoints(Point from, Point to, Point centre, bool clockwise,
                             double tolerance = CurveTolerance);

} // namespace stock
