// SPDX-License-Identifier: GPL-3.0-or-later
// Regions swept by a tool's shape along a path: the hull of a convex shape along a straight
// piece, and the union of such pieces along a polyline.
#include "stock/Geometry.h"

#include "stock/GridMaths.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

namespace stock {

namespace {

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

} // namespace

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

} // namespace stock
