#include "bench/PathIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace bench {

namespace {

constexpr double MaxStep = 3 * std::numbers::pi / 180;
constexpr size_t MaxCellsPerPiece = 4096;

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
    if (!Built) BuildGrid();
}

std::optional<MachineBox> PathIndex::Extent() const {
    Finish();
    if (Pieces.empty()) return std::nullopt;
    return Box;
}

void PathIndex::BuildGrid() const {
    Built = true;
    Grid.clear();
    Large.clear();
    ByLine.resize(Pieces.size());
    for (uint32_t i = 0; i < ByLine.size(); ++i)
        ByLine[i] = i;
    std::stable_sort(ByLine.begin(), ByLine.end(),
                     [this](uint32_t a, uint32_t b) { return Pieces[a].Line < Pieces[b].Line; });
    if (Pieces.empty()) return;
    std::vector<MachineBox> boxes;
    boxes.reserve(Pieces.size());
    for (const Piece& p : Pieces)
        boxes.push_back(BoxOf(p.Segment));
    Box = boxes.front();
    for (const MachineBox& b : boxes)
        Extend(Box, {b.MinZ, b.MinR}), Extend(Box, {b.MaxZ, b.MaxR});
    // About one piece a cell, at most 1024 cells each way.
    const int side = std::clamp(static_cast<int>(std::sqrt(static_cast<double>(Pieces.size()))), 1, 1024);
    Cols = Rows = side;
    CellZ = std::max((Box.MaxZ - Box.MinZ) / Cols, 1e-9);
    CellR = std::max((Box.MaxR - Box.MinR) / Rows, 1e-9);
    Grid.assign(static_cast<size_t>(Cols) * Rows, {});
    for (uint32_t i = 0; i < boxes.size(); ++i) {
        const MachineBox& b = boxes[i];
        const int c0 = std::clamp(static_cast<int>((b.MinZ - Box.MinZ) / CellZ), 0, Cols - 1);
        const int c1 = std::clamp(static_cast<int>((b.MaxZ - Box.MinZ) / CellZ), 0, Cols - 1);
        const int r0 = std::clamp(static_cast<int>((b.MinR - Box.MinR) / CellR), 0, Rows - 1);
        const int r1 = std::clamp(static_cast<int>((b.MaxR - Box.MinR) / CellR), 0, Rows - 1);
        if (static_cast<size_t>(c1 - c0 + 1) * static_cast<size_t>(r1 - r0 + 1) > MaxCellsPerPiece) {
            Large.push_back(i);
            continue;
        }
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c)
                Grid[static_cast<size_t>(r) * Cols + c].Pieces.push_back(i);
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
    std::vector<uint32_t> candidates = Large;
    const int c0 = static_cast<int>(std::floor((centre.U - reach - Box.MinZ) / CellZ));
    const int c1 = static_cast<int>(std::floor((centre.U + reach - Box.MinZ) / CellZ));
    const int r0 = static_cast<int>(std::floor((centre.V - reach - Box.MinR) / CellR));
    const int r1 = static_cast<int>(std::floor((centre.V + reach - Box.MinR) / CellR));
    if (c1 >= 0 && r1 >= 0 && c0 < Cols && r0 < Rows) {
        for (int r = std::max(r0, 0); r <= std::min(r1, Rows - 1); ++r)
            for (int c = std::max(c0, 0); c <= std::min(c1, Cols - 1); ++c) {
                const Cell& cell = Grid[static_cast<size_t>(r) * Cols + c];
                candidates.insert(candidates.end(), cell.Pieces.begin(), cell.Pieces.end());
            }
    }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
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

} // namespace bench
