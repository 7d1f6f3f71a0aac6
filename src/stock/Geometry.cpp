// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/Geometry.h"

#include "stock/GridMaths.h"

#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <numbers>
#include <stdexcept>
#include <string>

namespace stock {

namespace cl = ClipperLib;

namespace {

bool IsConvexPath(const Region::GridPath& p) {
    if (p.size() < 3) return false;
    int sign = 0;
    for (size_t i = 0; i < p.size(); ++i) {
        const double c = Cross(p[i], p[(i + 1) % p.size()], p[(i + 2) % p.size()]);
        if (c == 0) continue;
        const int s = c > 0 ? 1 : -1;
        if (sign != 0 && s != sign) return false;
        sign = s;
    }
    return sign != 0;
}

} // namespace

Region Finish(const cl::Paths& paths) {
    Region r = RegionAccess::FromClipper(paths);
    RegionAccess::SetConvex(r, r.Grid().size() == 1 && IsConvexPath(r.Grid().front()));
    return r;
}

namespace {

// One clipper and its paths for every clip of a thread: a clip a move, and more on each tile,
// would otherwise make them all anew each time.
struct ClipBuffers {
    std::unique_ptr<cl::Clipper> Clipper;
    cl::Paths A, B, Out;
};

Region Clip(const Region& a, const Region& b, cl::ClipType type) {
    thread_local ClipBuffers buf;
    if (!buf.Clipper) buf.Clipper = std::make_unique<cl::Clipper>();
    try {
        RegionAccess::ToClipper(a, buf.A);
        RegionAccess::ToClipper(b, buf.B);
        cl::Clipper& c = *buf.Clipper;
        c.Clear();
        c.AddPaths(buf.A, cl::ptSubject, true);
        c.AddPaths(buf.B, cl::ptClip, true);
        c.Execute(type, buf.Out, cl::pftNonZero, cl::pftNonZero);
        c.Clear();
        return Finish(buf.Out);
    } catch (...) {
        buf.Clipper.reset(); // whatever state it was left in goes with it
        throw;
    }
}

} // namespace

Region Region::FromOutline(const Outline& outline) {
    cl::Path p;
    p.reserve(outline.size());
    for (const Point& q : outline)
        p.emplace_back(ToGrid(q.z), ToGrid(q.x));
    cl::Paths out;
    // A self-touching or clockwise outline comes out as proper polygons.
    cl::SimplifyPolygons(cl::Paths{p}, out, cl::pftNonZero);
    return Finish(out);
}

Region Region::Rectangle(double z0, double x0, double z1, double x1) {
    return FromOutline({{z0, x0}, {z1, x0}, {z1, x1}, {z0, x1}});
}

double Region::Area() const {
    double a = 0;
    for (const GridPath& p : Paths)
        for (size_t i = 0, n = p.size(); i < n; ++i) {
            const GridPoint &u = p[i], &v = p[(i + 1) % n];
            a += static_cast<double>(u.z) * static_cast<double>(v.x) -
                 static_cast<double>(v.z) * static_cast<double>(u.x);
        }
    return a / 2 / (GridPerMm * GridPerMm);
}

double Region::AxisMoment() const {
    // Green's theorem: the integral of x over the area is a sum over the edges.
    long double m = 0;
    for (const GridPath& p : Paths)
        for (size_t i = 0, n = p.size(); i < n; ++i) {
            const GridPoint &u = p[i], &v = p[(i + 1) % n];
            const long double cross =
                static_cast<long double>(u.z) * v.x - static_cast<long double>(v.z) * u.x;
            m += cross * static_cast<long double>(u.x + v.x);
        }
    return static_cast<double>(m / 6 / (static_cast<long double>(GridPerMm) * GridPerMm * GridPerMm));
}

double Region::Volume() const {
    return 2 * std::numbers::pi * AxisMoment();
}

Box Region::Bounds() const {
    Box b;
    bool any = false;
    for (const GridPath& p : Paths)
        for (const GridPoint& g : p) {
            const double z = static_cast<double>(g.z) / GridPerMm, x = static_cast<double>(g.x) / GridPerMm;
            if (!any) {
                b = {z, x, z, x};
                any = true;
            }
            b.z0 = std::min(b.z0, z), b.z1 = std::max(b.z1, z);
            b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
        }
    return b;
}

Box Box::Joined(const Box& o) const {
    if (Empty()) return o;
    if (o.Empty()) return *this;
    return {std::min(z0, o.z0), std::min(x0, o.x0), std::max(z1, o.z1), std::max(x1, o.x1)};
}

Box Region::SweptBounds(const Box& shape, const std::vector<Point>& path) {
    if (shape.Empty() || path.empty()) return {};
    Box b{path[0].z, path[0].x, path[0].z, path[0].x};
    for (const Point& p : path) {
        b.z0 = std::min(b.z0, p.z), b.z1 = std::max(b.z1, p.z);
        b.x0 = std::min(b.x0, p.x), b.x1 = std::max(b.x1, p.x);
    }
    // Every point of the sweep is a point of the shape moved to one of the path's (rounded to
    // the grid): two grid steps cover the rounding.
    const double step = 2 / GridPerMm;
    return {b.z0 + shape.z0 - step, b.x0 + shape.x0 - step, b.z1 + shape.z1 + step, b.x1 + shape.x1 + step};
}

Region Region::Minus(const Region& other) const {
    if (other.Empty() || Empty()) return *this;
    return Clip(*this, other, cl::ctDifference);
}

namespace {

// The sign of the cross product, exactly: grid coordinates up to 1e11 overflow 64 bits there.
int CrossSign(const Region::GridPoint& o, const Region::GridPoint& a, const Region::GridPoint& b) {
    const __int128 c =
        static_cast<__int128>(a.z - o.z) * (b.x - o.x) - static_cast<__int128>(a.x - o.x) * (b.z - o.z);
    return c > 0 ? 1 : c < 0 ? -1 : 0;
}

// Both points, at one radius, on or inside a convex counter-clockwise outline: between the two
// edges that cross that radius (a point inside every edge is inside; only the edges reaching the
// radius can have it outside), which spares the products for all the others.
// Two edges that cross the radius strictly between their ends are the only ones that reach it:
// the rest need not be looked at.
bool Covers(const Region::GridPath& convex, const Region::GridPoint& p, const Region::GridPoint& q) {
    bool any = false;
    int crossing = 0;
    for (size_t i = 0, n = convex.size(); i < n && crossing < 2; ++i) {
        const Region::GridPoint &a = convex[i], &b = convex[i + 1 < n ? i + 1 : 0];
        const int64_t lo = std::min(a.x, b.x), hi = std::max(a.x, b.x);
        if (lo > p.x || hi < p.x) continue;
        any = true;
        if (CrossSign(a, b, p) < 0 || CrossSign(a, b, q) < 0) return false;
        crossing += lo < p.x && p.x < hi;
    }
    return any;
}

} // namespace

std::vector<size_t> Region::EdgesAlongZ() const {
    std::vector<size_t> out;
    if (Paths.size() != 1) return out;
    const GridPath& s = Paths.front();
    for (size_t i = 0, n = s.size(); i < n; ++i)
        if (s[i].x == s[i + 1 < n ? i + 1 : 0].x) out.push_back(i);
    return out;
}

bool Region::RectangleMinus(const Region& sweep, Region& left, Region& removed,
                            const std::vector<size_t>* alongZ) const {
    if (Paths.size() != 1 || Paths.front().size() != 4 || !sweep.Convex || sweep.Paths.size() != 1)
        return false;
    const GridPath& r = Paths.front();
    int64_t z0 = r[0].z, z1 = r[0].z, x0 = r[0].x, x1 = r[0].x;
    for (const GridPoint& g : r)
        z0 = std::min(z0, g.z), z1 = std::max(z1, g.z), x0 = std::min(x0, g.x), x1 = std::max(x1, g.x);
    for (const GridPoint& g : r)
        if ((g.z != z0 && g.z != z1) || (g.x != x0 && g.x != x1)) return false; // not axis-parallel
    if (z0 == z1 || x0 == x1) return false;
    const GridPath& s = sweep.Paths.front();
    const size_t n = s.size(), count = alongZ ? alongZ->size() : n;
    for (size_t k = 0; k < count; ++k) {
        const size_t i = alongZ ? (*alongZ)[k] : k;
        if (i >= n) return false;
        const GridPoint &a = s[i], &b = s[i + 1 < n ? i + 1 : 0];
        if (a.x != b.x) continue;
        // Counter-clockwise, the inside lies on the left: above an edge towards +Z, below one
        // towards -Z. The edge must span the rectangle's length.
        const bool lower = b.z > a.z;
        if (std::min(a.z, b.z) > z0 || std::max(a.z, b.z) < z1) continue;
        const int64_t h = a.x;
        // The rectangle's side beyond the edge (inside the sweep, convex): its far corners.
        const int64_t far = lower ? x1 : x0;
        if (lower ? h >= x1 : h <= x0) continue; // touching at most
        if (!Covers(s, {z0, far}, {z1, far})) continue;
        const bool all = lower ? h <= x0 : h >= x1;
        if (!all)
            RegionAccess::SetRectangle(left, z0, lower ? x0 : h, z1, lower ? h : x1);
        else
            left.Paths.clear(), left.Convex = false;
        if (all)
            RegionAccess::SetRectangle(removed, z0, x0, z1, x1);
        else if (lower)
            RegionAccess::SetRectangle(removed, z0, h, z1, x1);
        else
            RegionAccess::SetRectangle(removed, z0, x0, z1, h);
        return true;
    }
    return false;
}

namespace {

struct GridBox {
    int64_t z0, x0, z1, x1;
};

// Whether the segment may reach into the box: their boxes overlap and the box's corners are not
// all strictly on one side of the segment's line.
bool Reaches(const Region::GridPoint& a, const Region::GridPoint& b, const GridBox& g) {
    if (std::max(a.z, b.z) < g.z0 || std::min(a.z, b.z) > g.z1 || std::max(a.x, b.x) < g.x0 ||
        std::min(a.x, b.x) > g.x1)
        return false;
    int above = 0, below = 0;
    for (const Region::GridPoint& c : {Region::GridPoint{g.z0, g.x0}, Region::GridPoint{g.z0, g.x1},
                                       Region::GridPoint{g.z1, g.x0}, Region::GridPoint{g.z1, g.x1}}) {
        const int side = CrossSign(a, b, c);
        above += side > 0, below += side < 0;
    }
    return above < 4 && below < 4;
}

} // namespace

bool Region::Apart(const Region& other) const {
    if (!Convex || Paths.size() != 1 || other.Empty()) return false;
    const GridPath& s = Paths.front();
    for (size_t i = 0, n = s.size(); i < n; ++i) {
        const GridPoint &a = s[i], &b = s[i + 1 < n ? i + 1 : 0];
        bool outside = true;
        for (const GridPath& p : other.Paths) {
            for (const GridPoint& q : p)
                if (CrossSign(a, b, q) > 0) {
                    outside = false;
                    break;
                }
            if (!outside) break;
        }
        if (outside) return true;
    }
    return false;
}

Region Region::Near(const Region& near) const {
    if (!Convex || Paths.size() != 1 || near.Empty()) return *this;
    const GridPath& s = Paths.front();
    // The box round `near`, a grid step wider: its edges can cross no chord outside it.
    GridBox g{near.Paths[0][0].z, near.Paths[0][0].x, near.Paths[0][0].z, near.Paths[0][0].x};
    for (const GridPath& p : near.Paths)
        for (const GridPoint& q : p)
            g = {std::min(g.z0, q.z), std::min(g.x0, q.x), std::max(g.z1, q.z), std::max(g.x1, q.x)};
    g = {g.z0 - 1, g.x0 - 1, g.z1 + 1, g.x1 + 1};
    const size_t n = s.size();
    std::vector<char> keep(n, 0);
    bool any = false;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = i + 1 < n ? i + 1 : 0;
        if (Reaches(s[i], s[j], g)) keep[i] = keep[j] = 1, any = true;
    }
    if (!any) return *this; // out of reach, or all of the box inside: nothing to gain
    std::vector<size_t> at; // the corners kept, by their place in the outline
    at.reserve(n);
    for (size_t i = 0; i < n; ++i)
        if (keep[i]) at.push_back(i);
    if (at.size() == n || at.size() < 3) return *this;
    // The chords must stay out of the box too, or the area within it would change.
    GridPath out;
    out.reserve(at.size());
    for (size_t i = 0, m = at.size(); i < m; ++i) {
        const size_t a = at[i], b = at[i + 1 < m ? i + 1 : 0];
        if (b != (a + 1 < n ? a + 1 : 0) && Reaches(s[a], s[b], g)) return *this;
        out.push_back(s[a]);
    }
    Region r;
    r.Paths.push_back(std::move(out));
    r.Convex = true;
    return r;
}

Region Region::Intersect(const Region& other) const {
    if (other.Empty() || Empty()) return {};
    return Clip(*this, other, cl::ctIntersection);
}

Region Region::Union(const Region& other) const {
    if (other.Empty()) return *this;
    if (Empty()) return other;
    return Clip(*this, other, cl::ctUnion);
}

Region Region::UnionOf(const std::vector<const Region*>& regions) {
    cl::Clipper c;
    for (const Region* r : regions)
        if (r && !r->Empty()) c.AddPaths(RegionAccess::ToClipper(*r), cl::ptSubject, true);
    cl::Paths out;
    c.Execute(cl::ctUnion, out, cl::pftNonZero, cl::pftNonZero);
    return Finish(out);
}

Region Region::Offset(double delta) const {
    if (Empty()) return {};
    cl::ClipperOffset o;
    o.ArcTolerance = CurveTolerance * GridPerMm;
    o.AddPaths(RegionAccess::ToClipper(*this), cl::jtRound, cl::etClosedPolygon);
    cl::Paths out;
    o.Execute(out, delta * GridPerMm);
    return Finish(out);
}

Region Region::Moved(double dz, double dx) const {
    Region r = *this;
    const int64_t gz = ToGrid(dz), gx = ToGrid(dx);
    for (GridPath& p : r.Paths)
        for (GridPoint& g : p)
            g.z += gz, g.x += gx;
    return r;
}

std::vector<Region> Region::Pieces() const {
    std::vector<Region> out;
    if (Paths.size() == 1) {
        out.push_back(*this);
        return out;
    }
    if (Empty()) return out;
    cl::Clipper c;
    c.AddPaths(RegionAccess::ToClipper(*this), cl::ptSubject, true);
    cl::PolyTree tree;
    c.Execute(cl::ctUnion, tree, cl::pftNonZero, cl::pftNonZero);
    // Outer outlines with their holes; an island inside a hole is a piece of its own.
    std::vector<const cl::PolyNode*> outers;
    for (const cl::PolyNode* n = tree.GetFirst(); n; n = n->GetNext())
        if (!n->IsHole()) outers.push_back(n);
    for (const cl::PolyNode* n : outers) {
        cl::Paths piece{n->Contour};
        for (const cl::PolyNode* h : n->Childs)
            piece.push_back(h->Contour);
        out.push_back(Finish(piece));
    }
    return out;
}

size_t Region::PieceCount() const {
    size_t n = 0;
    for (const GridPath& p : Paths) {
        double a = 0;
        for (size_t i = 0, k = p.size(); i < k; ++i)
            a += static_cast<double>(p[i].z) * static_cast<double>(p[(i + 1) % k].x) -
                 static_cast<double>(p[(i + 1) % k].z) * static_cast<double>(p[i].x);
        n += a > 0;
    }
    return n;
}

double Region::Thickness(double upTo, double resolution) const {
    if (Empty()) return 0;
    const Box b = Bounds();
    double lo = 0, hi = std::min({upTo, b.z1 - b.z0, b.x1 - b.x0}) + resolution;
    if (!Offset(-hi / 2).Empty()) return hi;
    while (hi - lo > resolution) {
        const double mid = (lo + hi) / 2;
        (Offset(-mid / 2).Empty() ? hi : lo) = mid;
    }
    return (lo + hi) / 2;
}

std::vector<Outline> Region::Outlines() const {
    std::vector<Outline> out;
    for (const GridPath& p : Paths) {
        Outline& o = out.emplace_back();
        for (const GridPoint& g : p)
            o.push_back({static_cast<double>(g.z) / GridPerMm, static_cast<double>(g.x) / GridPerMm});
    }
    return out;
}

std::vector<Point> ArcPoints(Point from, Point to, Point centre, bool clockwise, double tolerance) {
    const double r = std::hypot(from.z - centre.z, from.x - centre.x);
    const double a0 = std::atan2(from.x - centre.x, from.z - centre.z);
    double a1 = std::atan2(to.x - centre.x, to.z - centre.z);
    const double turn = 2 * std::numbers::pi;
    double sweep = a1 - a0;
    if (clockwise) {
        while (sweep >= 0)
            sweep -= turn;
    } else {
        while (sweep <= 0)
            sweep += turn;
    }
    // Ends that meet (within a grid step) are a whole circle only when drawn as one.
    if (std::fabs(std::fabs(sweep) - turn) < 1e-12 && std::hypot(to.z - from.z, to.x - from.x) < 1e-9)
        sweep = 0;
    const double step = r > tolerance ? 2 * std::acos(1 - tolerance / r) : turn;
    const int n = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / step)));
    std::vector<Point> pts;
    pts.reserve(static_cast<size_t>(n) + 1);
    for (int i = 0; i < n; ++i) {
        const double a = a0 + sweep * i / n;
        pts.push_back({centre.z + r * std::cos(a), centre.x + r * std::sin(a)});
    }
    pts.push_back(to);
    return pts;
}

} // namespace stock
