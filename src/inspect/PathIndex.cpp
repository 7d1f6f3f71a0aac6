#include "inspect/PathIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace inspect {

namespace {

constexpr double MaxStep = 3 * std::numbers::pi / 180;

// Z and radius of a machine point: the plane the arc turns in (Z across, radius up).
struct Plane {
    double U, V;
};
Plane ToPlane(double x, double z) {
    return {z, x / 2};
}

void Extend(MachineBox& b, Plane p) {
    b.MinZ = std::min(b.MinZ, p.U), b.MaxZ = std::max(b.MaxZ, p.U);
    b.MinR = std::min(b.MinR, p.V), b.MaxR = std::max(b.MaxR, p.V);
}

MachineBox BoxOf(const motion::PathSegment& s) {
    std::vector<MachinePoint> line;
    PathIndex::Polyline(s, line);
    const Plane first = ToPlane(line.front().X, line.front().Z);
    MachineBox b{first.U, first.U, first.V, first.V};
    for (const MachinePoint& p : line)
        Extend(b, ToPlane(p.X, p.Z));
    return b;
}

} // namespace

double DistanceToSegment(Point p, Point a, Point b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y;
    const double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.X - a.X) * dx + (p.Y - a.Y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = a.X + t * dx - p.X, ey = a.Y + t * dy - p.Y;
    return std::sqrt(ex * ex + ey * ey);
}

void PathIndex::Polyline(const motion::PathSegment& s, std::vector<MachinePoint>& out) {
    out.clear();
    out.push_back({s.x0, s.z0});
    const bool arc =
        s.kind == motion::PathSegment::Kind::ArcCW || s.kind == motion::PathSegment::Kind::ArcCCW;
    if (arc) {
        // In the plane of Z across and radius up, G02 turns clockwise; a mirrored or vertical
        // picture only reflects or turns that plane.
        const Plane c = ToPlane(s.cx, s.cz), a = ToPlane(s.x0, s.z0), b = ToPlane(s.x1, s.z1);
        const double r0 = std::hypot(a.U - c.U, a.V - c.V), r1 = std::hypot(b.U - c.U, b.V - c.V);
        const double a0 = std::atan2(a.V - c.V, a.U - c.U), a1 = std::atan2(b.V - c.V, b.U - c.U);
        const double turn = 2 * std::numbers::pi;
        double sweep = std::fmod(a1 - a0 + 2 * turn, turn); // counter-clockwise, [0, 2 pi)
        if (sweep == 0) sweep = turn;                       // the same point: a whole circle
        if (s.kind == motion::PathSegment::Kind::ArcCW) sweep -= turn;
        if (std::isfinite(sweep) && std::isfinite(r0) && std::isfinite(r1)) {
            const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / MaxStep)));
            for (int i = 1; i < steps; ++i) {
                const double t = static_cast<double>(i) / steps;
                const double ang = a0 + sweep * t, r = r0 + (r1 - r0) * t;
                out.push_back({2 * (c.V + r * std::sin(ang)), c.U + r * std::cos(ang)});
            }
        }
    }
    out.push_back({s.x1, s.z1});
}

void PathIndex::Add(int64_t line, const motion::PathSegment& segment) {
    Pieces.push_back({line, 0, segment});
    Built = false;
}

void PathIndex::SetTool(size_t first, double tool) {
    for (size_t i = first; i < Pieces.size(); ++i)
        Pieces[i].Tool = tool;
}

std::vector<size_t> PathIndex::PiecesOfTool(double tool) const {
    std::vector<size_t> out;
    for (size_t i = 0; i < Pieces.size(); ++i)
        if (Pieces[i].Tool == tool) out.push_back(i);
    return out;
}

void PathIndex::Clear() {
    Pieces.clear();
    Built = false;
}

void PathIndex::Finish() const {
    if (!Built) Build();
}

std::optional<MachineBox> PathIndex::Extent() const {
    Finish();
    if (Pieces.empty()) return std::nullopt;
    return Box;
}

void PathIndex::Build() const {
    Built = true;
    ByLine.resize(Pieces.size());
    for (uint32_t i = 0; i < ByLine.size(); ++i)
        ByLine[i] = i;
    std::stable_sort(ByLine.begin(), ByLine.end(),
                     [this](uint32_t a, uint32_t b) { return Pieces[a].Line < Pieces[b].Line; });
    Boxes.clear();
    if (Pieces.empty()) return;
    Boxes.reserve(Pieces.size());
    Box = BoxOf(Pieces.front().Segment);
    for (const Piece& p : Pieces) {
        const MachineBox b = BoxOf(p.Segment);
        Extend(Box, {b.MinZ, b.MinR}), Extend(Box, {b.MaxZ, b.MaxR});
        // Single precision, rounded outwards, is enough to pass over the pieces far away.
        Boxes.push_back({std::nextafter(static_cast<float>(b.MinZ), -INFINITY),
                         std::nextafter(static_cast<float>(b.MaxZ), INFINITY),
                         std::nextafter(static_cast<float>(b.MinR), -INFINITY),
                         std::nextafter(static_cast<float>(b.MaxR), INFINITY)});
    }
}

std::vector<size_t> PathIndex::PiecesOfLine(int64_t line) const {
    Finish();
    auto lo = std::lower_bound(ByLine.begin(), ByLine.end(), line,
                               [this](uint32_t i, int64_t l) { return Pieces[i].Line < l; });
    std::vector<size_t> out;
    for (; lo != ByLine.end() && Pieces[*lo].Line == line; ++lo)
        out.push_back(*lo);
    return out;
}

std::optional<Hit> PathIndex::HitTest(const ViewMap& view, Point px, double tolerancePx) const {
    Finish();
    if (Pieces.empty() || !view.Usable()) return std::nullopt;
    // The pixel's neighbourhood in machine terms, widened by the tolerance.
    const MachinePoint m = view.ToMachine(px);
    const Plane centre = ToPlane(m.X, m.Z);
    const double reach = tolerancePx / view.PixelsPerUnit();
    // One pass over the boxes (a few milliseconds for a million pieces); the exact distance only
    // for the pieces whose box comes within reach.
    const float minZ = static_cast<float>(centre.U - reach), maxZ = static_cast<float>(centre.U + reach);
    const float minR = static_cast<float>(centre.V - reach), maxR = static_cast<float>(centre.V + reach);
    std::vector<uint32_t> candidates;
    for (uint32_t i = 0; i < Boxes.size(); ++i) {
        const Box4& b = Boxes[i];
        if (b.MaxZ >= minZ && b.MinZ <= maxZ && b.MaxR >= minR && b.MinR <= maxR) candidates.push_back(i);
    }
    std::optional<Hit> best;
    std::vector<MachinePoint> line;
    for (uint32_t i : candidates) {
        Polyline(Pieces[i].Segment, line);
        double d = std::numeric_limits<double>::infinity();
        Point a = view.ToPixel(line.front());
        for (size_t k = 1; k < line.size(); ++k) {
            const Point b = view.ToPixel(line[k]);
            d = std::min(d, DistanceToSegment(px, a, b));
            a = b;
        }
        if (d <= tolerancePx && (!best || d <= best->DistancePx)) best = Hit{i, Pieces[i].Line, d};
    }
    return best;
}

} // namespace inspect
