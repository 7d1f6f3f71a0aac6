// SPDX-License-Identifier: GPL-3.0-or-later
#include "target/Compare.h"

#include "stock/ToolShape.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace target {

namespace {

using stock::Point;
using stock::Region;

double SegmentDistance(Point p, Point a, Point b) {
    const double dz = b.z - a.z, dx = b.x - a.x, len2 = dz * dz + dx * dx;
    double t = len2 > 0 ? ((p.z - a.z) * dz + (p.x - a.x) * dx) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.z - (a.z + t * dz), p.x - (a.x + t * dx));
}

// The drawn surfaces: the edges of the outlines but those along the axis, which close the
// section and are no surface of the part.
struct Surface {
    std::vector<std::pair<Point, Point>> Edges;
    explicit Surface(const Region& r) {
        constexpr double onAxis = 1e-4;
        for (const stock::Outline& o : r.Outlines())
            for (size_t i = 0; i < o.size(); ++i) {
                const Point a = o[i], b = o[(i + 1) % o.size()];
                if (std::fabs(a.x) < onAxis && std::fabs(b.x) < onAxis) continue;
                Edges.emplace_back(a, b);
            }
    }
    double DistanceTo(Point p) const {
        double best = std::numeric_limits<double>::infinity();
        for (const auto& [a, b] : Edges)
            best = std::min(best, SegmentDistance(p, a, b));
        return best;
    }
};

// The deepest point of `area` from the surface: its corners and points along its edges. Where
// the largest depth holds along a stretch (a diameter left whole), the point is the one in its
// middle: the pass along that stretch is then the one nearest to it, not a block at its end.
// "As deep" is within the stock's chords on arcs (0.0005 mm along the path and again round the
// nose), a fifth of the depth at most: an arc after the stretch may stand that much proud.
void Deepest(const Region& area, const Surface& surface, Deviation& d) {
    double perimeter = 0;
    const std::vector<stock::Outline> outlines = area.Outlines();
    for (const stock::Outline& o : outlines)
        for (size_t i = 0; i < o.size(); ++i)
            perimeter += std::hypot(o[(i + 1) % o.size()].z - o[i].z, o[(i + 1) % o.size()].x - o[i].x);
    const double step = std::max(0.02, perimeter / 20000);
    std::vector<std::pair<Point, double>> samples;
    d.Depth = -1;
    for (const stock::Outline& o : outlines)
        for (size_t i = 0; i < o.size(); ++i) {
            const Point a = o[i], b = o[(i + 1) % o.size()];
            const int n = std::max(1, static_cast<int>(std::ceil(std::hypot(b.z - a.z, b.x - a.x) / step)));
            for (int k = 0; k < n; ++k) {
                const double t = static_cast<double>(k) / n;
                const Point p{a.z + t * (b.z - a.z), a.x + t * (b.x - a.x)};
                const double dist = surface.DistanceTo(p);
                samples.emplace_back(p, dist);
                if (dist > d.Depth) d.Depth = dist, d.Deepest = p;
            }
        }
    // The stretch as deep as the deepest: the sample nearest its centre.
    const double alike = std::clamp(d.Depth / 5, 1e-4, 2 * stock::CurveTolerance);
    Point centre{0, 0};
    int deepest = 0;
    for (const auto& [p, dist] : samples)
        if (dist > d.Depth - alike) centre.z += p.z, centre.x += p.x, ++deepest;
    if (deepest < 2) return;
    centre.z /= deepest, centre.x /= deepest;
    double nearest = std::numeric_limits<double>::infinity();
    for (const auto& [p, dist] : samples)
        if (dist > d.Depth - alike)
            if (const double off = std::hypot(p.z - centre.z, p.x - centre.x); off < nearest)
                nearest = off, d.Deepest = p;
}

// The tools' cutting parts, swept again along the moves near a region.
class Sweeps {
  public:
    Sweeps(const std::vector<stock::Move>& moves, const stock::Setup* setup) : Moves(moves), Given(setup) {}

    struct Reach {
        const stock::Move* Move;
        double Overlap;  // mm² of the region (grown by the reach) the move's cut covers
        double Distance; // mm from the point asked about to the edge of the move's cut
    };
    // The moves whose cut reaches into `area` (with `reach` mm to spare), in program order, and
    // how near each cut comes to `to`.
    std::vector<Reach> Reaching(const Region& area, double reach, Point to = {}) {
        std::vector<Reach> out;
        const Region within = reach > 0 ? area.Offset(reach) : area;
        const stock::Box box = within.Bounds();
        for (const stock::Move& m : Moves) {
            if (!m.SpindleRunning) continue;
            const Shape& s = ShapeOf(m.Tool);
            if (s.Driven) continue;
            const std::vector<Point> path = PathOf(m);
            if (!stock::Region::SweptBounds(s.Bounds, path).Overlaps(box)) continue;
            // NOTE: a budget of sweeps for the whole comparison: a region along a whole long
            // program (a dropped finishing pass) would otherwise sweep every move again.
            if (Budget == 0) break;
            --Budget;
            const Region swept = Region::Swept(s.Tool.Cutting, path);
            if (const double overlap = swept.Intersect(within).Area(); overlap > 1e-9)
                out.push_back({&m, overlap, Surface(swept).DistanceTo(to)});
        }
        return out;
    }

  private:
    struct Shape {
        stock::ToolShape Tool;
        stock::Box Bounds;
        bool Driven = false;
    };
    const Shape& ShapeOf(int number) {
        auto it = Shapes.find(number);
        if (it != Shapes.end()) return it->second;
        stock::Tool tool = stock::DefaultTool();
        if (Given)
            if (const auto g = Given->Tools.find(number); g != Given->Tools.end()) tool = g->second;
        Shape s{stock::ShapeOf(tool), {}, tool.Driven};
        s.Bounds = s.Tool.Cutting.Bounds();
        return Shapes.emplace(number, std::move(s)).first->second;
    }
    static std::vector<Point> PathOf(const stock::Move& m) {
        const Point from{m.Z0, m.X0 / 2}, to{m.Z1, m.X1 / 2};
        if (m.Type == stock::Move::Kind::ArcCW || m.Type == stock::Move::Kind::ArcCCW)
            return stock::ArcPoints(from, to, {m.CZ, m.CX / 2}, m.Type == stock::Move::Kind::ArcCW);
        return {from, to};
    }
    const std::vector<stock::Move>& Moves;
    const stock::Setup* Given;
    size_t Budget = 20000;
    std::map<int, Shape> Shapes;
};

// The regions of `raw` (all that lies between the two outlines) around what reaches past the
// tolerance band (`beyond`): within twice the tolerance of it, so that a region is measured
// whole, but not joined to the slivers a few tenths of a micrometre thin that the chords of arcs
// leave along the whole outline. Pieces within 0.02 mm (or ten tolerances) of each other are one
// region: a deviation just at the tolerance comes and goes with those chords.
std::vector<Region> Beyond(const Region& raw, const Region& beyond, double tolerance) {
    if (beyond.Empty()) return {};
    const Region near = raw.Intersect(beyond.Offset(2 * tolerance));
    std::vector<Region> out;
    for (const Region& group : beyond.Offset(std::max(5 * tolerance, 0.01)).Pieces())
        if (Region r = near.Intersect(group); !r.Empty()) out.push_back(std::move(r));
    return out;
}

} // namespace

Comparison Compare(const Region& part, const Target& drawn, const TargetOptions& options,
                   const std::vector<stock::Move>* moves, const stock::Setup* setup) {
    Comparison c;
    c.File = options.File;
    c.Tolerance = options.Tolerance;
    c.Allowance = options.Allowance;
    if (drawn.Section.Empty()) return c;
    // 1. The outline compared with: the drawn one, grown by the allowance, above the axis.
    const stock::Box db = drawn.Section.Bounds();
    const stock::Box pb = part.Bounds();
    const double far = std::max({std::fabs(db.z0), std::fabs(db.z1), db.x1, pb.Empty() ? 0 : pb.x1,
                                 pb.Empty() ? 0 : std::max(std::fabs(pb.z0), std::fabs(pb.z1))}) +
                       10 + std::fabs(options.Allowance);
    // Above the axis, and not behind the drawn back face: what lies there is the bar in the chuck
    // (the allowance on that face is the parting-off's to take).
    const Region upper = Region::Rectangle(-far, 0, far, far);
    const Region ref = options.Allowance != 0 ? drawn.Section.Offset(options.Allowance)
                                                    .Intersect(upper)
                                                    .Intersect(Region::Rectangle(db.z0, 0, far, far))
                                              : drawn.Section;
    // 2. The finished section over the same span.
    const Region window = Region::Rectangle(db.z0, 0, far, far);
    const Region compared = part.Intersect(window);
    // 3. Beyond the tolerance band on either side: nothing there, nothing to measure.
    const Region outside = compared.Minus(ref.Offset(options.Tolerance));
    const Region inside = ref.Offset(-options.Tolerance).Minus(compared);
    if (outside.Empty() && inside.Empty()) return c;
    // 4. Each region between the two outlines that reaches past the band, measured whole.
    const Surface surface(ref);
    std::optional<Sweeps> sweeps;
    if (moves) sweeps.emplace(*moves, setup);
    for (const Deviation::Kind kind : {Deviation::Kind::Excess, Deviation::Kind::Gouge}) {
        const bool excess = kind == Deviation::Kind::Excess;
        for (Region& area : Beyond(excess ? compared.Minus(ref) : ref.Minus(compared),
                                   excess ? outside : inside, options.Tolerance)) {
            Deviation d;
            d.Type = kind;
            d.AreaMm2 = area.Area();
            d.VolumeMm3 = area.Volume();
            const stock::Box b = area.Bounds();
            d.Z0 = b.z0, d.Z1 = b.z1;
            Deepest(area, surface, d);
            if (d.Depth <= options.Tolerance) continue;
            if (sweeps) {
                // A gouge: the cuts that took its material past the tolerance (not those that
                // only graze the slivers round it), the first of them named. An excess: the cuts
                // along its edge, the one nearest its deepest point named, of equally near ones
                // the one along the most of it: the pass that should have gone deeper there, or,
                // when that pass was dropped, the nearest pass left.
                const Region core = excess ? Region() : area.Intersect(inside);
                const std::vector<Sweeps::Reach> by =
                    sweeps->Reaching(excess || core.Empty() ? area : core, excess ? 0.001 : 0, d.Deepest);
                for (const Sweeps::Reach& r : by)
                    if (d.Lines.empty() || d.Lines.back() != r.Move->Line) d.Lines.push_back(r.Move->Line);
                if (!by.empty()) {
                    const auto nearest =
                        std::min_element(by.begin(), by.end(), [](const auto& a, const auto& b) {
                            constexpr double alike = 1e-4; // mm: as near as each other
                            if (std::fabs(a.Distance - b.Distance) > alike) return a.Distance < b.Distance;
                            return a.Overlap > b.Overlap;
                        });
                    const stock::Move& m = excess ? *nearest->Move : *by.front().Move;
                    d.Line = m.Line, d.Tool = m.Tool, d.N = m.N, d.X = m.X1, d.Z = m.Z1;
                }
            }
            d.Area = std::move(area);
            c.Deviations.push_back(std::move(d));
        }
    }
    std::stable_sort(c.Deviations.begin(), c.Deviations.end(),
                     [](const Deviation& a, const Deviation& b) { return a.Z1 > b.Z1; });
    return c;
}

} // namespace target
