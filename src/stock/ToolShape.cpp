// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/ToolShape.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace stock {

namespace {

constexpr double Deg = std::numbers::pi / 180;

Point Along(double degrees, double length) {
    return {length * std::cos(degrees * Deg), length * std::sin(degrees * Deg)};
}

// The corners of an insert of included angle `corner` whose nose corner lies at the origin and
// whose two edges leave it at the angles a1 and a2 (degrees, Z-right radius-up view), with
// edges of length `edge`. A trigon or triangle closes after the two edges, the others are
// rhombi (a square for 90°).
Outline InsertCorners(char shape, double a1, double a2, double edge) {
    const Point p1 = Along(a1, edge), p2 = Along(a2, edge);
    if (shape == 'T') return {{0, 0}, p2, p1};
    return {{0, 0}, p2, {p1.z + p2.z, p1.x + p2.x}, p1};
}

// Mirrors a shape drawn for tip direction 3 (body towards +X, +Z) to the tip direction's side.
Region Mirrored(const Region& r, bool mirrorZ, bool mirrorX) {
    if (!mirrorZ && !mirrorX) return r;
    std::vector<Outline> parts = r.Outlines();
    Region out;
    for (Outline& o : parts) {
        for (Point& p : o)
            p = {mirrorZ ? -p.z : p.z, mirrorX ? -p.x : p.x};
        out = out.Union(Region::FromOutline(o));
    }
    return out;
}

// The points of a circle of `radius` about `c` from angle a0 to a1 (radians, counter-clockwise),
// chords within the tolerance, with the points straight along the axes always among them: a
// face or a diameter cut with the nose then lands exactly where the nose's extreme point runs.
void NoseArc(Outline& out, Point c, double radius, double a0, double a1) {
    const double quarter = std::numbers::pi / 2;
    const double step = 2 * std::acos(1 - CurveTolerance / radius);
    double a = a0;
    out.push_back({c.z + radius * std::cos(a), c.x + radius * std::sin(a)});
    while (a < a1 - 1e-12) {
        const double axis = (std::floor(a / quarter + 1e-9) + 1) * quarter;
        const double next = std::min({a + step, a1, axis});
        a = next;
        out.push_back({c.z + radius * std::cos(a), c.x + radius * std::sin(a)});
    }
}

// A convex outline (corners in any order round it) with every corner rounded by `radius`: the
// outline grown by the radius.
Region Rounded(const Outline& corners, double radius) {
    const Region core = Region::FromOutline(corners);
    if (!(radius > 0)) return core;
    const std::vector<Outline> parts = core.Outlines();
    Outline inner = parts.empty() ? Outline{corners.front()} : parts.front(); // counter-clockwise
    Outline out;
    const size_t n = inner.size();
    if (n < 3) {
        NoseArc(out, inner.front(), radius, 0, 2 * std::numbers::pi);
        return Region::FromOutline(out);
    }
    for (size_t i = 0; i < n; ++i) {
        const Point &prev = inner[(i + n - 1) % n], &here = inner[i], &next = inner[(i + 1) % n];
        // Outward normals of the edges into and out of the corner (right of the direction).
        const double a0 = std::atan2(-(here.z - prev.z), here.x - prev.x);
        double a1 = std::atan2(-(next.z - here.z), next.x - here.x);
        while (a1 < a0)
            a1 += 2 * std::numbers::pi;
        NoseArc(out, here, radius, a0, a1);
    }
    return Region::FromOutline(out);
}

ToolShape InsertShape(const Tool& t) {
    ToolShape s;
    const double r = t.NoseRadius, L = t.EdgeLength;
    const double eps = ShapeAngle(t.Shape).value_or(80);
    if (t.Shape == 'R') {
        // A round insert: the nose is the whole insert, with its points straight along the axes
        // among its corners, so that its diameters and faces land where the program puts them.
        s.Cutting = Rounded({{0, 0}}, r);
        s.EdgeLength = r;
    } else {
        // The edges shrink where the other corners are rounded with the same radius.
        const double half = eps * Deg / 2;
        const double shrink =
            t.Shape == 'T' ? 2 * r / std::tan(half) : r * (1 / std::tan(half) + std::tan(half));
        const double inner = std::max(0.1, L - shrink);
        const int tip = t.TipDirection;
        const bool axial = tip >= 5 && tip <= 8;
        double a1, a2;
        if (axial) {
            // The insert points along the tip direction, its body straight behind.
            const Point v = TipVector(tip);
            const double body = std::atan2(-v.x, -v.z) / Deg;
            a1 = body + eps / 2, a2 = body - eps / 2;
        } else {
            // Drawn for tip 3: the main edge leaves the nose at the approach angle to the feed
            // towards -Z, the other edge the insert's corner angle further round.
            a1 = 180 - t.ApproachAngle, a2 = 180 - t.ApproachAngle - eps;
        }
        s.Cutting = Rounded(InsertCorners(t.Shape, a1, a2, inner), r);
        // The depth across the feed that the edge takes: an axial insert's edges stand at half
        // its corner to its axis, whatever approach angle is given.
        s.EdgeLength = axial ? L * std::cos(half) : L * std::sin(t.ApproachAngle * Deg);
        if (!axial) {
            const Point v = TipVector(tip);
            s.Cutting = Mirrored(s.Cutting, v.z > 0, v.x > 0);
        }
    }
    return s;
}

// Whether the tool feeds along Z: a face-grooving blade, a drill in the face.
bool AlongZ(const Tool& t) {
    if (t.FeedAxis == Tool::Axis::Usual) return t.Type == Tool::Kind::Drill;
    return t.FeedAxis == Tool::Axis::Z;
}

ToolShape BladeShape(const Tool& t) {
    ToolShape s;
    const double rc = t.CornerRadius, w = t.Width - 2 * rc;
    // Drawn for tip 3: the reference corner at the origin, the width across the feed, the
    // reach behind the cutting end (+X for a radial blade, +Z for a face-grooving one).
    if (AlongZ(t))
        s.Cutting = Rounded({{0, 0}, {t.Reach, 0}, {t.Reach, w}, {0, w}}, rc);
    else
        s.Cutting = Rounded({{0, 0}, {w, 0}, {w, t.Reach}, {0, t.Reach}}, rc);
    s.EdgeLength = t.Width;
    s.NoseRadius = rc;
    return s;
}

ToolShape ThreadShape(const Tool& t) {
    ToolShape s;
    const double half = t.IncludedAngle * Deg / 2, h = 6;
    const Point v = TipVector(t.TipDirection == 0 || t.TipDirection == 9 ? 8 : t.TipDirection);
    const double body = std::atan2(-v.x, -v.z) / Deg;
    const Point p1 = Along(body + half / Deg, h / std::cos(half)),
                p2 = Along(body - half / Deg, h / std::cos(half));
    s.Cutting = Rounded({{0, 0}, p2, p1}, t.TipRadius);
    s.EdgeLength = h;
    s.NoseRadius = t.TipRadius;
    return s;
}

ToolShape DrillShape(const Tool& t) {
    ToolShape s;
    const double R = t.DrillDiameter / 2, cone = R / std::tan(t.PointAngle * Deg / 2), F = t.FluteLength;
    if (AlongZ(t)) {
        // Its point at the programmed point, its body towards +Z.
        s.Cutting = Region::FromOutline({{0, 0}, {cone, -R}, {F, -R}, {F, R}, {cone, R}});
        s.Holder = Region::Rectangle(F, -R - 10, F + 60, R + 10);
    } else {
        // A cross drill points at the axis from above, its body towards +X.
        s.Cutting = Region::FromOutline({{0, 0}, {R, cone}, {R, F}, {-R, F}, {-R, cone}});
        s.Holder = Region::Rectangle(-R - 10, F, R + 10, F + 60);
    }
    s.EdgeLength = R;
    s.Drill = true;
    return s;
}

// A plain holder behind the cutting part, on the side away from the tip.
Region DefaultHolder(const Tool& t, const Box& cut) {
    const Point v = TipVector(t.TipDirection == 0 || t.TipDirection == 9 ? 3 : t.TipDirection);
    const double sz = v.z > 0 ? -1 : 1, sx = v.x > 0 ? -1 : 1;
    // The far part of the insert in each direction: the holder starts 35 % of the way out.
    const double reachZ = sz > 0 ? cut.z1 : -cut.z0, reachX = sx > 0 ? cut.x1 : -cut.x0;
    const double z0 = 0.35 * reachZ, x0 = std::max(0.35 * reachX, 1.0);
    if (t.Type == Tool::Kind::Boring)
        return Region::Rectangle(std::min(sz * z0, sz * 250), std::min(sx * x0, sx * (x0 + 12)),
                                 std::max(sz * z0, sz * 250), std::max(sx * x0, sx * (x0 + 12)));
    if ((t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting) && AlongZ(t))
        return sz > 0 ? Region::Rectangle(cut.z1, cut.x0 - 2, cut.z1 + 40, cut.x1 + 2)
                      : Region::Rectangle(cut.z0 - 40, cut.x0 - 2, cut.z0, cut.x1 + 2);
    if (t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting)
        return Region::Rectangle(cut.z0 - 2, cut.x1, cut.z1 + 2, cut.x1 + 40);
    return Region::Rectangle(std::min(sz * z0, sz * (z0 + 25)), std::min(sx * x0, sx * 120),
                             std::max(sz * z0, sz * (z0 + 25)), std::max(sx * x0, sx * 120));
}

} // namespace

Point TipVector(int tip) {
    const double d = std::sqrt(0.5);
    switch (tip) {
    case 1:
        return {d, d};
    case 2:
        return {-d, d};
    case 3:
        return {-d, -d};
    case 4:
        return {d, -d};
    case 5:
        return {1, 0};
    case 6:
        return {0, 1};
    case 7:
        return {-1, 0};
    case 8:
        return {0, -1};
    default:
        return {0, 0};
    }
}

ToolShape ShapeOf(const Tool& t) {
    ToolShape s;
    switch (t.Type) {
    case Tool::Kind::Turning:
    case Tool::Kind::Boring:
        s = InsertShape(t);
        s.NoseRadius = t.NoseRadius;
        break;
    case Tool::Kind::Grooving:
    case Tool::Kind::Parting:
        s = BladeShape(t);
        break;
    case Tool::Kind::Thread:
        s = ThreadShape(t);
        break;
    case Tool::Kind::Drill:
        s = DrillShape(t);
        break;
    }
    // The programmed point is the imaginary tip: the nose centre sits a nose radius behind it,
    // in both directions for a corner tip (a blade's reference corner is its -Z, -X one unless
    // mirrored by the tip direction).
    Point tip = TipVector(t.TipDirection);
    if (t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting) {
        if (tip.z == 0 && tip.x == 0) tip = TipVector(3);
        const bool mz = tip.z > 0, mx = tip.x > 0;
        s.Cutting = Mirrored(s.Cutting, mz, mx);
        tip = {tip.z > 0 ? std::sqrt(0.5) : -std::sqrt(0.5), tip.x > 0 ? std::sqrt(0.5) : -std::sqrt(0.5)};
    }
    if (!s.Drill) {
        // A corner tip lies a radius off in Z and in X; an axial one a radius along its axis.
        const double kz = tip.z == 0 ? 0 : (tip.z > 0 ? 1 : -1), kx = tip.x == 0 ? 0 : (tip.x > 0 ? 1 : -1);
        s.NoseCentre = {-kz * s.NoseRadius, -kx * s.NoseRadius};
        s.Cutting = s.Cutting.Moved(s.NoseCentre.z, s.NoseCentre.x);
    }
    if (!t.Holder.empty())
        s.Holder = Region::FromOutline(t.Holder);
    else if (s.Holder.Empty())
        s.Holder = DefaultHolder(t, s.Cutting.Bounds());
    // NOTE: where the holder overlaps the insert it is left whole: the insert clears that area in
    // the same move, so it is never found in material, and a convex holder sweeps much faster.
    return s;
}

} // namespace stock
