// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/PathIndex.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>
#include <string>

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

// The box of a straight piece as BoxOf finds it, without the steps.
MachineBox LineBox(double x0, double z0, double x1, double z1) {
    const Plane a = ToPlane(x0, z0);
    MachineBox b{a.U, a.U, a.V, a.V};
    Extend(b, a), Extend(b, ToPlane(x1, z1));
    return b;
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

// The largest float at or below `v` and the smallest at or above (not a number stays so).
float FloatBelow(double v) {
    constexpr double top = std::numeric_limits<float>::max();
    if (v > top) return std::isinf(v) ? INFINITY : std::numeric_limits<float>::max();
    if (v < -top) return -INFINITY;
    const float f = static_cast<float>(v);
    return f > v ? std::nextafter(f, -INFINITY) : f;
}
float FloatAbove(double v) {
    return -FloatBelow(-v);
}

} // namespace

PathIndex::Box4 PathIndex::NearestFloats(const MachineBox& b) {
    return {static_cast<float>(b.MinZ), static_cast<float>(b.MaxZ), static_cast<float>(b.MinR),
            static_cast<float>(b.MaxR)};
}

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

void PathIndex::Add(int64_t line, const motion::PathSegment& segment, int compensation) {
    if (line < 0 || line > int64_t(std::numeric_limits<uint32_t>::max()))
        throw std::out_of_range("line " + std::to_string(line) + " is beyond the lines a program can have");
    if (compensation != (NoseRuns.empty() ? 40 : NoseRuns.back().Code))
        NoseRuns.push_back({Size(), compensation});
    using Kind = motion::PathSegment::Kind;
    const bool arc = segment.kind == Kind::ArcCW || segment.kind == Kind::ArcCCW;
    // A straight piece carries no centre; should one come with one, it is kept all the same.
    const bool centre = arc || std::bit_cast<uint64_t>(segment.cx) != 0 ||
                        std::bit_cast<uint64_t>(segment.cz) != 0 || std::bit_cast<uint64_t>(segment.r) != 0;
    const MachineBox b = arc ? BoxOf(segment) : LineBox(segment.x0, segment.z0, segment.x1, segment.z1);
    const Box4 near = NearestFloats(b);
    // (fmin and fmax pass over a box that is not a number, which no query meets anyway.)
    if (Ends.Size() % GroupSize == 0)
        Groups.push_back({near, {INFINITY, -INFINITY, INFINITY, -INFINITY}, Arcs.Size()});
    else {
        Box4& g = Groups.back().Box;
        g = {std::fmin(g.MinZ, near.MinZ), std::fmax(g.MaxZ, near.MaxZ), std::fmin(g.MinR, near.MinR),
             std::fmax(g.MaxR, near.MaxR)};
    }
    // The points a pointer snaps to: the ends, and an arc's centre (not a straight piece's).
    // (A coordinate that is not a number is passed over: such a point never snaps.)
    auto extend = [&b = Groups.back().Points](double x, double z) {
        const Plane p = ToPlane(x, z);
        b = {std::fmin(b.MinZ, FloatBelow(p.U)), std::fmax(b.MaxZ, FloatAbove(p.U)),
             std::fmin(b.MinR, FloatBelow(p.V)), std::fmax(b.MaxR, FloatAbove(p.V))};
    };
    extend(segment.x0, segment.z0);
    extend(segment.x1, segment.z1);
    if (arc) extend(segment.cx, segment.cz);
    if (centre) Arcs.Grow() = {segment.cx, segment.cz, segment.r, near};
    const bool first = Ends.Size() == 0;
    if (!first && line < Ends[Ends.Size() - 1].Line) Ordered = false;
    Ends.Grow() = {segment.x0,
                   segment.z0,
                   segment.x1,
                   segment.z1,
                   static_cast<uint32_t>(line),
                   static_cast<uint8_t>(static_cast<uint8_t>(segment.kind) | (centre ? HasCentre : 0))};
    // The extent as the pieces come: the first piece's box, widened by every piece's corners.
    if (first) Box = b;
    Extend(Box, {b.MinZ, b.MinR}), Extend(Box, {b.MaxZ, b.MaxR});
    Built = false;
}

void PathIndex::Clear() {
    Ends.Clear();
    Arcs.Clear();
    Groups.clear();
    Tools.clear();
    NoseRuns.clear();
    Box = {};
    Ordered = true;
    Built = false;
    ByLine.clear();
}

void PathIndex::SetTool(size_t first, double tool) {
    const size_t n = Size();
    if (first >= n) return;
    // The runs are in drawing order and apart: those from `first` on are replaced.
    while (!Tools.empty() && Tools.back().First >= first)
        Tools.pop_back();
    if (!Tools.empty() && Tools.back().End > first) Tools.back().End = first;
    ToolRun* last = Tools.empty() ? nullptr : &Tools.back();
    if (last && last->End == first && std::bit_cast<uint64_t>(last->Tool) == std::bit_cast<uint64_t>(tool))
        last->End = n;
    else
        Tools.push_back({first, n, tool});
}

double PathIndex::ToolOf(size_t i) const {
    auto it = std::upper_bound(Tools.begin(), Tools.end(), i,
                               [](size_t p, const ToolRun& r) { return p < r.First; });
    if (it == Tools.begin()) return 0;
    --it;
    return i < it->End ? it->Tool : 0;
}

int PathIndex::CompensationOf(size_t i) const {
    auto it = std::upper_bound(NoseRuns.begin(), NoseRuns.end(), i,
                               [](size_t p, const NoseRun& r) { return p < r.First; });
    return it == NoseRuns.begin() ? 40 : (it - 1)->Code;
}

std::vector<size_t> PathIndex::PiecesOfTool(double tool) const {
    std::vector<size_t> out;
    for (const ToolRun& r : Tools)
        if (r.Tool == tool)
            for (size_t i = r.First; i < r.End; ++i)
                out.push_back(i);
    return out;
}

size_t PathIndex::ArcOf(size_t piece) const {
    const size_t g = piece / GroupSize;
    size_t arc = Groups[g].FirstArc;
    for (size_t i = g * GroupSize; i < piece; ++i)
        arc += (Ends[i].Kind & HasCentre) != 0;
    return arc;
}

void PathIndex::Fill(size_t i, motion::PathSegment& s, size_t& arc) const {
    const End& e = Ends[i];
    s.kind = static_cast<motion::PathSegment::Kind>(e.Kind & ~HasCentre);
    s.x0 = e.X0, s.z0 = e.Z0, s.x1 = e.X1, s.z1 = e.Z1;
    if (e.Kind & HasCentre) {
        const Arc& a = Arcs[arc++];
        s.cx = a.CX, s.cz = a.CZ, s.r = a.R;
    } else {
        s.cx = 0, s.cz = 0, s.r = 0;
    }
}

motion::PathSegment PathIndex::Segment(size_t i) const {
    motion::PathSegment s;
    size_t arc = Ends[i].Kind & HasCentre ? ArcOf(i) : 0;
    Fill(i, s, arc);
    return s;
}

void PathIndex::Finish() const {
    if (Built) return;
    Built = true;
    ByLine.clear();
    if (Ordered) return; // the drawing order is the line order
    ByLine.resize(Size());
    for (uint32_t i = 0; i < ByLine.size(); ++i)
        ByLine[i] = i;
    std::stable_sort(ByLine.begin(), ByLine.end(),
                     [this](uint32_t a, uint32_t b) { return Ends[a].Line < Ends[b].Line; });
}

std::optional<MachineBox> PathIndex::Extent() const {
    if (Size() == 0) return std::nullopt;
    return Box;
}

std::vector<size_t> PathIndex::PiecesOfLine(int64_t line) const {
    Finish();
    std::vector<size_t> out;
    if (line < 0 || line > int64_t(std::numeric_limits<uint32_t>::max())) return out;
    const auto l = static_cast<uint32_t>(line);
    if (Ordered) {
        // The first piece of the line, then the pieces after it.
        size_t lo = 0, hi = Size();
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            if (Ends[mid].Line < l)
                lo = mid + 1;
            else
                hi = mid;
        }
        for (; lo < Size() && Ends[lo].Line == l; ++lo)
            out.push_back(lo);
        return out;
    }
    auto lo = std::lower_bound(ByLine.begin(), ByLine.end(), l,
                               [this](uint32_t i, uint32_t v) { return Ends[i].Line < v; });
    for (; lo != ByLine.end() && Ends[*lo].Line == l; ++lo)
        out.push_back(*lo);
    return out;
}

std::optional<Hit> PathIndex::HitTest(const ViewMap& view, Point px, double tolerancePx) const {
    if (Size() == 0 || !view.Usable()) return std::nullopt;
    // The pixel's neighbourhood in machine terms, widened by the tolerance.
    const MachinePoint m = view.ToMachine(px);
    const Plane centre = ToPlane(m.X, m.Z);
    const double reach = tolerancePx / view.PixelsPerUnit();
    // One pass over the runs and their pieces (a few milliseconds for a million); the exact distance only for
    // those whose box comes within reach. A box rounded outwards by a step of single precision
    // meets the neighbourhood exactly when the box rounded to nearest meets the neighbourhood
    // widened by a step, so the straight pieces' boxes need not be kept.
    const float minZ = std::nextafter(static_cast<float>(centre.U - reach), -INFINITY);
    const float maxZ = std::nextafter(static_cast<float>(centre.U + reach), INFINITY);
    const float minR = std::nextafter(static_cast<float>(centre.V - reach), -INFINITY);
    const float maxR = std::nextafter(static_cast<float>(centre.V + reach), INFINITY);
    auto near = [&](const Box4& b) {
        return b.MaxZ >= minZ && b.MinZ <= maxZ && b.MaxR >= minR && b.MinR <= maxR;
    };
    std::vector<size_t> candidates;
    for (size_t g = 0; g < Groups.size(); ++g) {
        if (!near(Groups[g].Box)) continue; // no piece of the run meets the neighbourhood
        size_t arc = Groups[g].FirstArc;
        for (size_t i = g * GroupSize, end = std::min(i + GroupSize, Size()); i < end; ++i) {
            const End& e = Ends[i];
            const Box4 b =
                e.Kind & HasCentre ? Arcs[arc++].Box : NearestFloats(LineBox(e.X0, e.Z0, e.X1, e.Z1));
            if (near(b)) candidates.push_back(i);
        }
    }
    std::optional<Hit> best;
    std::vector<MachinePoint> line;
    for (size_t i : candidates) {
        Polyline(Segment(i), line);
        double d = std::numeric_limits<double>::infinity();
        Point a = view.ToPixel(line.front());
        for (size_t k = 1; k < line.size(); ++k) {
            const Point b = view.ToPixel(line[k]);
            d = std::min(d, DistanceToSegment(px, a, b));
            a = b;
        }
        if (d <= tolerancePx && (!best || d <= best->DistancePx)) best = Hit{i, LineOf(i), d};
    }
    return best;
}

} // namespace inspect
