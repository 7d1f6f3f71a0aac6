// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/Profile.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace stock {

namespace {

double Cross(Point o, Point a, Point b) {
    return (a.z - o.z) * (b.x - o.x) - (a.x - o.x) * (b.z - o.z);
}

// Distance of `p` from the straight piece a-b.
double FromSegment(Point p, Point a, Point b) {
    const double dz = b.z - a.z, dx = b.x - a.x, l2 = dz * dz + dx * dx;
    double t = l2 > 0 ? ((p.z - a.z) * dz + (p.x - a.x) * dx) / l2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.z - (a.z + t * dz), p.x - (a.x + t * dx));
}

// The circle nearest to the points in the least-squares sense of their squared distances
// (Kåsa's fit); false when they lie on a line.
bool Circle(const std::vector<Point>& pts, Point& centre, double& radius) {
    const double n = static_cast<double>(pts.size());
    double mz = 0, mx = 0;
    for (const Point& p : pts)
        mz += p.z / n, mx += p.x / n;
    // About the points' mean: u² + v² + D u + E v + F = 0 fitted.
    double suu = 0, svv = 0, suv = 0, suuu = 0, svvv = 0, suvv = 0, svuu = 0;
    for (const Point& p : pts) {
        const double u = p.z - mz, v = p.x - mx;
        suu += u * u, svv += v * v, suv += u * v;
        suuu += u * u * u, svvv += v * v * v, suvv += u * v * v, svuu += v * u * u;
    }
    const double det = suu * svv - suv * suv;
    if (std::fabs(det) < 1e-18) return false;
    const double bu = (suuu + suvv) / 2, bv = (svvv + svuu) / 2;
    const double uc = (bu * svv - bv * suv) / det, vc = (bv * suu - bu * suv) / det;
    centre = {mz + uc, mx + vc};
    radius = std::sqrt(uc * uc + vc * vc + (suu + svv) / n);
    return std::isfinite(radius);
}

// The circle nearest to the points in their distances themselves (a few Gauss-Newton steps from
// `centre` and `radius`): the squared fit above leans towards a larger circle on a short arc.
void Refine(const std::vector<Point>& pts, Point& centre, double& radius) {
    for (int step = 0; step < 8; ++step) {
        // Normal equations of the residuals |p - c| - r in (cz, cx, r).
        double a[3][3] = {}, g[3] = {};
        for (const Point& p : pts) {
            const double dz = p.z - centre.z, dx = p.x - centre.x, d = std::hypot(dz, dx);
            if (d <= 0) return;
            const double j[3] = {-dz / d, -dx / d, -1}, res = d - radius;
            for (int u = 0; u < 3; ++u) {
                g[u] += j[u] * res;
                for (int v = 0; v < 3; ++v)
                    a[u][v] += j[u] * j[v];
            }
        }
        // Cramer's rule on the 3 x 3 system a * delta = -g.
        const auto det3 = [](const double m[3][3]) {
            return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                   m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                   m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
        };
        const double det = det3(a);
        if (!(std::fabs(det) > 1e-30)) return;
        double delta[3];
        for (int k = 0; k < 3; ++k) {
            double m[3][3];
            for (int u = 0; u < 3; ++u)
                for (int v = 0; v < 3; ++v)
                    m[u][v] = v == k ? -g[u] : a[u][v];
            delta[k] = det3(m) / det;
        }
        if (!std::isfinite(delta[0] + delta[1] + delta[2])) return;
        centre.z += delta[0], centre.x += delta[1], radius += delta[2];
        if (std::fabs(delta[0]) + std::fabs(delta[1]) + std::fabs(delta[2]) < 1e-12) return;
    }
}

double Off(Point p, Point c, double r) {
    return std::fabs(std::hypot(p.z - c.z, p.x - c.x) - r);
}

// The point of the circle nearest to `p`.
Point Onto(Point p, Point c, double r) {
    const double d = std::hypot(p.z - c.z, p.x - c.x);
    if (d <= 0) return p;
    return {c.z + (p.z - c.z) * r / d, c.x + (p.x - c.x) * r / d};
}

// Where two circles meet nearest to `near`. Where they do not meet there (two arcs all but
// tangent, a hair apart), the point on `a` nearest to it, `b` moved by that hair to pass
// through it.
Point Meeting(Point near, const ProfilePiece& a, ProfilePiece& b) {
    const double dz = b.Centre.z - a.Centre.z, dx = b.Centre.x - a.Centre.x, d = std::hypot(dz, dx);
    const Point pa = Onto(near, a.Centre, a.Radius), pb = Onto(near, b.Centre, b.Radius);
    const auto mid = [&] {
        const double e = std::hypot(b.Centre.z - pa.z, b.Centre.x - pa.x);
        if (e > 0)
            b.Centre = {pa.z + (b.Centre.z - pa.z) * b.Radius / e, pa.x + (b.Centre.x - pa.x) * b.Radius / e};
        return pa;
    };
    if (d <= 0 || d > a.Radius + b.Radius || d < std::fabs(a.Radius - b.Radius)) return mid();
    const double l = (a.Radius * a.Radius - b.Radius * b.Radius + d * d) / (2 * d);
    const double h = std::sqrt(std::max(0.0, a.Radius * a.Radius - l * l));
    const Point m{a.Centre.z + dz * l / d, a.Centre.x + dx * l / d};
    const Point p1{m.z - dx * h / d, m.x + dz * h / d}, p2{m.z + dx * h / d, m.x - dz * h / d};
    const Point best =
        std::hypot(p1.z - near.z, p1.x - near.x) <= std::hypot(p2.z - near.z, p2.x - near.x) ? p1 : p2;
    return std::hypot(best.z - near.z, best.x - near.x) <= 2 * std::hypot(pa.z - pb.z, pa.x - pb.x) + 1e-6
               ? best
               : mid();
}

class Fitter {
  public:
    Fitter(const Outline& corners, double tolerance) : P(corners), Tol(tolerance) {}
    size_t Size() const { return P.size(); }
    const Point& At(size_t i) const { return P[i % P.size()]; }

    // The last corner j > i that the straight piece from corner i still passes within the
    // tolerance of, with every corner between.
    size_t LineEnd(size_t i, size_t last) const {
        size_t j = i + 1;
        while (j + 1 <= last) {
            bool fits = true;
            for (size_t k = i + 1; k <= j && fits; ++k)
                fits = FromSegment(At(k), At(i), At(j + 1)) <= Tol;
            if (!fits) break;
            ++j;
        }
        return j;
    }

    // Whether the corners i..j (three chords at least) lie on one circle, turning one way.
    bool ArcFits(size_t i, size_t j, ProfilePiece& arc) const {
        if (j < i + 3) return false;
        std::vector<Point> pts;
        for (size_t k = i; k <= j; ++k)
            pts.push_back(At(k));
        Point c;
        double r;
        if (!Circle(pts, c, r) || r > 1e4) return false;
        const double turn = Cross(At(i), At((i + j) / 2), At(j));
        if (turn == 0) return false;
        auto off = [&c, r](Point p) { return std::fabs(std::hypot(p.z - c.z, p.x - c.x) - r); };
        if (off(At(i)) > Tol) return false;
        double swept = 0;
        for (size_t k = i; k < j; ++k) {
            const Point a = At(k), b = At(k + 1);
            if (off(b) > Tol || off({(a.z + b.z) / 2, (a.x + b.x) / 2}) > Tol) return false;
            // A corner turning the other way is no arc's; one in line with its neighbours (where
            // a chord was cut in two) is.
            if (k + 2 <= j) {
                const Point n = At(k + 2);
                const double bend = Cross(a, b, n);
                if (bend * turn < 0 && std::fabs(bend) > 2e-5 * std::hypot(n.z - a.z, n.x - a.x))
                    return false;
            }
            swept += std::fabs(std::remainder(
                std::atan2(b.x - c.x, b.z - c.z) - std::atan2(a.x - c.x, a.z - c.z), 2 * std::numbers::pi));
        }
        if (swept >= 2 * std::numbers::pi - 1e-9) return false;
        arc = {At(i), At(j), true, c, r, turn < 0};
        return true;
    }

    // Whether the corners i..j and the middles of the chords between lie on the circle.
    bool OnCircle(size_t i, size_t j, Point c, double r) const {
        for (size_t k = i; k <= j; ++k) {
            if (Off(At(k), c, r) > Tol) return false;
            if (k < j && Off({(At(k).z + At(k + 1).z) / 2, (At(k).x + At(k + 1).x) / 2}, c, r) > Tol)
                return false;
        }
        return true;
    }

    // The arc over the corners i..j fitted again by the distances themselves, leaving out its
    // two ends where it has corners enough (an end is often where two outlines cross, on a
    // chord rather than on the circle), and kept where it still holds every corner.
    void Settle(size_t i, size_t j, ProfilePiece& arc) const {
        std::vector<Point> pts;
        for (size_t k = j >= i + 4 ? i + 1 : i; k <= (j >= i + 4 ? j - 1 : j); ++k)
            pts.push_back(At(k));
        Point c = arc.Centre;
        double r = arc.Radius;
        Refine(pts, c, r);
        if (std::isfinite(r) && r > 0 && OnCircle(i, j, c, r)) arc.Centre = c, arc.Radius = r;
    }

  private:
    const Outline& P;
    double Tol;
};

ProfileContour Contour(Outline corners, double tolerance) {
    const size_t n = corners.size();
    // Begin at the sharpest corner: a corner of the part, never the middle of an arc.
    size_t start = 0;
    double sharpest = -1;
    for (size_t i = 0; i < n; ++i) {
        const Point &a = corners[(i + n - 1) % n], &b = corners[i], &c = corners[(i + 1) % n];
        const double turn = std::fabs(std::remainder(
            std::atan2(c.x - b.x, c.z - b.z) - std::atan2(b.x - a.x, b.z - a.z), 2 * std::numbers::pi));
        if (turn > sharpest) sharpest = turn, start = i;
    }
    std::rotate(corners.begin(), corners.begin() + static_cast<std::ptrdiff_t>(start), corners.end());
    const Fitter f(corners, tolerance);
    ProfileContour out;
    std::vector<std::pair<size_t, size_t>> ranges; // the corners each piece runs through
    size_t i = 0;
    while (i < n) {
        size_t line = f.LineEnd(i, n);
        // An arc that leaves a straight piece tangentially begins with chords that stray less
        // than the tolerance from it: the straight piece ends where such an arc begins.
        for (size_t k = line > i + 4 ? line - 3 : i + 1; k < line; ++k)
            if (ProfilePiece arc; line + 1 <= n && f.ArcFits(k, std::max(line + 1, k + 3), arc)) {
                line = k;
                break;
            }
        // The longest arc from here; it is taken where it reaches further than the line does.
        ProfilePiece arc, best;
        size_t arcEnd = 0;
        for (size_t j = i + 3; j <= n && f.ArcFits(i, j, arc); ++j)
            arcEnd = j, best = arc;
        if (arcEnd > line) {
            f.Settle(i, arcEnd, best);
            out.push_back(best);
            ranges.push_back({i, arcEnd});
            i = arcEnd;
        } else {
            out.push_back({f.At(i), f.At(line), false, {}, 0, false});
            ranges.push_back({i, line});
            i = line;
        }
    }
    // A circle interrupted (a fillet with a rougher's corner showing through it) is one circle:
    // each arc takes the circle of a longer one that its corners lie on too.
    for (size_t k = 0; k < out.size(); ++k)
        for (size_t m = 0; m < out.size() && out[k].Arc; ++m)
            if (m != k && out[m].Arc &&
                ranges[m].second - ranges[m].first > ranges[k].second - ranges[k].first &&
                f.OnCircle(ranges[k].first, ranges[k].second, out[m].Centre, out[m].Radius)) {
                out[k].Centre = out[m].Centre, out[k].Radius = out[m].Radius;
                break;
            }
    // Each arc's ends on its circle, and the pieces beside it ending there: the contour closes.
    // From a straight piece round, so that an arc moved at its start is not met again.
    size_t first = 0;
    while (first < out.size() && out[first].Arc)
        ++first;
    for (size_t n = 0; n < out.size(); ++n) {
        const size_t k = (first + n) % out.size();
        ProfilePiece &a = out[k], &b = out[(k + 1) % out.size()];
        Point at = a.To;
        if (a.Arc && b.Arc)
            at = Meeting(at, a, b);
        else if (a.Arc)
            at = Onto(at, a.Centre, a.Radius);
        else if (b.Arc)
            at = Onto(at, b.Centre, b.Radius);
        a.To = b.From = at;
    }
    return out;
}

} // namespace

std::vector<ProfileContour> ProfileOf(const Region& region, double tolerance) {
    std::vector<ProfileContour> out;
    for (const Outline& o : region.Outlines())
        if (o.size() >= 3) out.push_back(Contour(o, tolerance));
    return out;
}

} // namespace stock
