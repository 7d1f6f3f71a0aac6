// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/Geometry.h"

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

struct RegionAccess {
    static cl::Paths ToClipper(const Region& r) {
        cl::Paths out;
        out.reserve(r.Paths.size());
        for (const Region::GridPath& p : r.Paths) {
            cl::Path& q = out.emplace_back();
            q.reserve(p.size());
            for (const Region::GridPoint& g : p)
                q.emplace_back(g.z, g.x);
        }
        return out;
    }
    // The same into `out`, keeping the room its paths had.
    static void ToClipper(const Region& r, cl::Paths& out) {
        out.resize(r.Paths.size());
        for (size_t i = 0; i < r.Paths.size(); ++i) {
            cl::Path& q = out[i];
            q.clear();
            q.reserve(r.Paths[i].size());
            for (const Region::GridPoint& g : r.Paths[i])
                q.emplace_back(g.z, g.x);
        }
    }
    static Region FromClipper(const cl::Paths& paths) {
        Region r;
        r.Paths.reserve(paths.size());
        for (const cl::Path& p : paths) {
            if (p.size() < 3) continue;
            Region::GridPath& q = r.Paths.emplace_back();
            q.reserve(p.size());
            for (const cl::IntPoint& g : p)
                q.push_back({g.X, g.Y});
        }
        return r;
    }
    static void SetConvex(Region& r, bool convex) { r.Convex = convex; }
    // The rectangle as the polygon arithmetic gives it back: counter-clockwise from the corner
    // at the largest Z and radius; written over what `r` held, in the room it had (a tile's
    // material is cut pass after pass).
    static void SetRectangle(Region& r, int64_t z0, int64_t x0, int64_t z1, int64_t x1) {
        r.Paths.resize(1);
        Region::GridPath& p = r.Paths.front();
        p.resize(4);
        p[0] = {z1, x1}, p[1] = {z0, x1}, p[2] = {z0, x0}, p[3] = {z1, x0};
        r.Convex = true;
    }
    static bool IsConvex(const Region& r) { return r.Convex; }
};

namespace {

// Coordinates far beyond any machine (or no number at all) would overflow the grid; they are
// refused here, so that the polygon library is never handed one.
constexpr double FarthestMm = 1e8;

int64_t ToGrid(double mm) {
    if (!(std::fabs(mm) <= FarthestMm))
        throw std::range_error("a coordinate of " + std::to_string(mm) + " mm is beyond reach");
    return static_cast<int64_t>(std::llround(mm * GridPerMm));
}

double Cross(const Region::GridPoint& o, const Region::GridPoint& a, const Region::GridPoint& b) {
    return static_cast<double>(a.z - o.z) * static_cast<double>(b.x - o.x) -
           static_cast<double>(a.x - o.x) * static_cast<double>(b.z - o.z);
}

bool Before(const Region::GridPoint& a, const Region::GridPoint& b) {
    return a.z < b.z || (a.z == b.z && a.x < b.x);
}

// The convex hull of the points, counter-clockwise (Andrew's monotone chain); `sorted` when they
// come in the order of Before already.
Region::GridPath Hull(std::vector<Region::GridPoint> pts, bool sorted = false) {
    if (!sorted) std::sort(pts.begin(), pts.end(), Before);
    pts.erase(std::unique(pts.begin(), pts.end(),
                          [](const auto& a, const auto& b) { return a.z == b.z && a.x == b.x; }),
              pts.end());
    if (pts.size() < 3) return pts;
    Region::GridPath h(2 * pts.size());
    size_t k = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
        while (k >= 2 && Cross(h[k - 2], h[k - 1], pts[i]) <= 0)
            --k;
        h[k++] = pts[i];
    }
    for (size_t i = pts.size() - 1, t = k + 1; i > 0; --i) {
        while (k >= t && Cross(h[k - 2], h[k - 1], pts[i - 1]) <= 0)
            --k;
        h[k++] = pts[i - 1];
    }
    h.resize(k - 1);
    return h;
}

// The corners of a convex outline in the order of Before, without sorting them: from the first
// to the last its two chains each run in that order (the upper one backwards), and a merge
// joins them.
std::vector<Region::GridPoint> InOrder(const Region::GridPath& s) {
    const size_t n = s.size();
    size_t lo = 0, hi = 0;
    for (size_t i = 1; i < n; ++i) {
        if (Before(s[i], s[lo])) lo = i;
        if (Before(s[hi], s[i])) hi = i;
    }
    std::vector<Region::GridPoint> lower, upper, out;
    lower.reserve(n + 1), upper.reserve(n + 1);
    for (size_t i = lo;; i = i + 1 < n ? i + 1 : 0) {
        lower.push_back(s[i]);
        if (i == hi) break;
    }
    for (size_t i = lo;; i = i > 0 ? i - 1 : n - 1) {
        upper.push_back(s[i]);
        if (i == hi) break;
    }
    out.reserve(lower.size() + upper.size());
    std::merge(lower.begin(), lower.end(), upper.begin(), upper.end(), std::back_inserter(out), Before);
    // An outline wound the other way round, or not convex after all, is sorted the long way.
    if (!std::is_sorted(out.begin(), out.end(), Before)) std::sort(out.begin(), out.end(), Before);
    return out;
}

// A convex outline's corners in the order of Before, with each one's place in the outline.
struct SweepOrder {
    Region::GridPath Outline; // the outline they were made for
    std::vector<Region::GridPoint> Points;
    std::vector<size_t> Index; // empty: not counter-clockwise, or a corner repeated
    int64_t Width = 0, Height = 0;
    // The last few sweeps' hulls, by the move (in grid steps), about its start.
    struct Made {
        int64_t z = 0, x = 0;
        Region::GridPath Hull;
    };
    std::vector<Made> Hulls;
    size_t Next = 0;
};

// The order of the last outline asked for: a program sweeps one tool's shape move after move.
SweepOrder& OrderOf(const Region::GridPath& s) {
    thread_local SweepOrder last;
    const auto same = [](const Region::GridPoint& a, const Region::GridPoint& b) {
        return a.z == b.z && a.x == b.x;
    };
    if (last.Outline.size() == s.size() && std::equal(s.begin(), s.end(), last.Outline.begin(), same) &&
        !s.empty())
        return last;
    last.Outline = s;
    last.Hulls.clear();
    last.Points = InOrder(s);
    last.Index.assign(last.Points.size(), 0);
    // Each corner's place (the first and last come twice): corners are distinct in a proper
    // outline; where one is repeated the lists stay empty, and the sweep takes every corner.
    std::vector<size_t> byPlace(s.size());
    for (size_t i = 0; i < s.size(); ++i)
        byPlace[i] = i;
    std::sort(byPlace.begin(), byPlace.end(), [&s](size_t a, size_t b) { return Before(s[a], s[b]); });
    bool ok = true;
    for (size_t k = 1; k < byPlace.size(); ++k)
        ok = ok && !same(s[byPlace[k]], s[byPlace[k - 1]]);
    for (size_t k = 0; ok && k < last.Points.size(); ++k) {
        const Region::GridPoint& p = last.Points[k];
        const auto at =
            std::lower_bound(byPlace.begin(), byPlace.end(), p,
                             [&s](size_t i, const Region::GridPoint& q) { return Before(s[i], q); });
        ok = at != byPlace.end() && same(s[*at], p);
        if (ok) last.Index[k] = *at;
    }
    // Counter-clockwise, or the sides of the corners would be the wrong way round.
    double area = 0;
    for (size_t i = 0, n = s.size(); i < n; ++i)
        area += Cross(s[0], s[i], s[(i + 1) % n]);
    if (!ok || !(area > 0)) last.Index.clear();
    last.Width = last.Height = 0;
    if (!s.empty()) {
        const auto [zl, zh] =
            std::minmax_element(s.begin(), s.end(), [](auto& a, auto& b) { return a.z < b.z; });
        const auto [xl, xh] =
            std::minmax_element(s.begin(), s.end(), [](auto& a, auto& b) { return a.x < b.x; });
        last.Width = zh->z - zl->z, last.Height = xh->x - xl->x;
    }
    return last;
}

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

Region Finish(const cl::Paths& paths) {
    Region r = RegionAccess::FromClipper(paths);
    RegionAccess::SetConvex(r, r.Grid().size() == 1 && IsConvexPath(r.Grid().front()));
    return r;
}

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

Region Region::Swept(const Region& shape, const std::vector<Point>& path,
                     const std::function<void()>& between) {
    if (shape.Empty() || path.empty()) return {};
    if (path.size() == 1) return shape.Moved(path[0].z, path[0].x);
    if (shape.Convex && path.size() == 2) {
        // A convex shape along a straight piece: the hull of where it starts and ends.
        // Moved, the corners keep their order: two ordered lists merge into one. A corner whose
        // both edges face along the move lies inside the hull at the start (against it, at the
        // end): only the others are handed to it, which gives the same hull in half the time.
        // The hull is made about the start and moved there after: the same move from another
        // start (the passes of a roughing cycle) finds it made already.
        SweepOrder& order = OrderOf(shape.Paths.front());
        const int64_t z0 = ToGrid(path[0].z), x0 = ToGrid(path[0].x);
        const int64_t mz = ToGrid(path[1].z) - z0, mx = ToGrid(path[1].x) - x0;
        const auto placed = [z0, x0](const GridPath& hull) {
            Region r;
            GridPath& out = r.Paths.emplace_back(hull.size());
            for (size_t i = 0; i < hull.size(); ++i)
                out[i] = {hull[i].z + z0, hull[i].x + x0};
            r.Convex = true;
            return r;
        };
        for (const SweepOrder::Made& m : order.Hulls)
            if (m.z == mz && m.x == mx) return placed(m.Hull);
        const int64_t dz[2] = {0, mz}, dx[2] = {0, mx};
        const GridPath& s = shape.Paths.front();
        const size_t n = s.size();
        // Per corner: 1 kept at the start, 2 kept at the end.
        std::vector<unsigned char> keep(n, 0);
        int prev = 0;
        for (size_t i = 0; i <= n; ++i) {
            const GridPoint &a = s[i % n], &b = s[(i + 1) % n];
            const __int128 c = static_cast<__int128>(b.z - a.z) * mx - static_cast<__int128>(b.x - a.x) * mz;
            const int side = (c >= 0 ? 1 : 0) | (c <= 0 ? 2 : 0);
            if (i > 0) keep[i % n] = static_cast<unsigned char>(prev | side);
            prev = side;
        }
        // The hull's products are exact in doubles only within 2^26 grid steps (670 mm) across:
        // beyond, every corner goes in, as the rounding might keep one that lies inside.
        const int64_t wide = int64_t{1} << 26;
        const bool filter =
            !order.Index.empty() && order.Width + std::abs(mz) < wide && order.Height + std::abs(mx) < wide;
        std::vector<GridPoint> ends[2], pts;
        for (int e = 0; e < 2; ++e) {
            ends[e].reserve(order.Points.size());
            for (size_t k = 0; k < order.Points.size(); ++k)
                if (!filter || (keep[order.Index[k]] & (1 << e)))
                    ends[e].push_back({order.Points[k].z + dz[e], order.Points[k].x + dx[e]});
        }
        pts.reserve(ends[0].size() + ends[1].size());
        std::merge(ends[0].begin(), ends[0].end(), ends[1].begin(), ends[1].end(), std::back_inserter(pts),
                   Before);
        SweepOrder::Made& made =
            order.Hulls.size() < 4 ? order.Hulls.emplace_back() : order.Hulls[order.Next++ % 4];
        made.z = mz, made.x = mx;
        made.Hull = Hull(std::move(pts), true);
        return placed(made.Hull);
    }
    if (shape.Convex) return Region::ConvexSwept(shape, path);
    cl::Path p;
    p.reserve(path.size());
    for (const Point& q : path)
        p.emplace_back(ToGrid(q.z), ToGrid(q.x));
    cl::Paths sum;
    cl::Paths pattern = RegionAccess::ToClipper(shape);
    cl::Clipper c;
    // NOTE: the sum is made a few pieces of the path at a time: the library unites every edge of
    // the shape along every piece in one pass, and a holder of a hundred corners along an arc
    // of hundreds of chords made one pass of tens of thousands of overlapping quads (seconds,
    // with no moment to give it up). Pieces side by side overlap little, so their union is cheap.
    constexpr size_t Chunk = 4;
    for (size_t from = 0; from + 1 < p.size(); from += Chunk) {
        if (between) between();
        const cl::Path piece(p.begin() + static_cast<std::ptrdiff_t>(from),
                             p.begin() + static_cast<std::ptrdiff_t>(std::min(p.size(), from + Chunk + 1)));
        for (const cl::Path& part : pattern) {
            cl::Paths one;
            cl::MinkowskiSum(part, piece, one, false);
            c.AddPaths(one, cl::ptSubject, true);
        }
    }
    if (between) between();
    // The shape itself at the start covers the moves that the sum's quads only outline.
    cl::Paths start = RegionAccess::ToClipper(shape.Moved(path[0].z, path[0].x));
    c.AddPaths(start, cl::ptSubject, true);
    c.Execute(cl::ctUnion, sum, cl::pftNonZero, cl::pftNonZero);
    return Finish(sum);
}

Region Region::ConvexSwept(const Region& shape, const std::vector<Point>& path) {
    // The convolution of the shape's outline with the path walked there and back: the path's
    // pieces placed at the shape's corner that leads in their direction, joined by the shape's
    // own edges where the path turns. Its positively wound area is the sum (the shape is convex),
    // and it has a few dozen corners where a union of the shape's positions has thousands.
    const GridPath& s = shape.Paths.front(); // counter-clockwise
    const size_t n = s.size();
    std::vector<double> edge(n);
    for (size_t j = 0; j < n; ++j)
        edge[j] = std::atan2(static_cast<double>(s[(j + 1) % n].x - s[j].x),
                             static_cast<double>(s[(j + 1) % n].z - s[j].z));
    std::vector<GridPoint> q;
    for (const Point& at : path) {
        const GridPoint g{ToGrid(at.z), ToGrid(at.x)};
        if (q.empty() || q.back().z != g.z || q.back().x != g.x) q.push_back(g);
    }
    if (q.size() < 2) return shape.Moved(path.front().z, path.front().x);
    for (size_t i = q.size() - 1; i-- > 1;)
        q.push_back(q[i]); // and back again
    const size_t m = q.size();
    const double turn = 2 * std::numbers::pi;
    auto ccw = [turn](double a) { // into [0, 2π)
        a = std::fmod(a, turn);
        return a < 0 ? a + turn : a;
    };
    auto dir = [&](size_t i) {
        const GridPoint &a = q[i], &b = q[(i + 1) % m];
        return std::atan2(static_cast<double>(b.x - a.x), static_cast<double>(b.z - a.z));
    };
    // The corner whose outgoing edge is the first at or after the first piece's direction.
    double phi = dir(0);
    size_t j = 0;
    for (size_t k = 1; k < n; ++k)
        if (ccw(edge[k] - phi) < ccw(edge[j] - phi)) j = k;
    cl::Path out;
    out.reserve(2 * (m + n));
    auto emit = [&](const GridPoint& at) { out.emplace_back(s[j].z + at.z, s[j].x + at.x); };
    emit(q[0]);
    for (size_t i = 0; i < m; ++i) {
        const GridPoint& to = q[(i + 1) % m];
        emit(to);
        const double next = dir((i + 1) % m);
        double delta = ccw(next - phi);
        if (delta > std::numbers::pi) delta -= turn; // a right turn
        if (delta >= std::numbers::pi - 1e-12) delta = std::numbers::pi;
        if (delta > 0) {
            for (size_t guard = 0; guard < n && ccw(edge[j] - phi) > 0 && ccw(edge[j] - phi) <= delta;
                 ++guard) {
                j = (j + 1) % n;
                emit(to);
            }
        } else if (delta < 0) {
            for (size_t guard = 0; guard < n && ccw(phi - edge[(j + n - 1) % n]) < -delta; ++guard) {
                j = (j + n - 1) % n;
                emit(to);
            }
        }
        phi = next;
    }
    cl::Paths sum;
    cl::Clipper c;
    c.AddPath(out, cl::ptSubject, true);
    c.Execute(cl::ctUnion, sum, cl::pftPositive, cl::pftPositive);
    return Finish(sum);
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
