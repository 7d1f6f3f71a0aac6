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
            out.push_back(best);
            i = arcEnd;
        } else {
            out.push_back({f.At(i), f.At(line), false, {}, 0, false});
            i = line;
        }
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
