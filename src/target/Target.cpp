// SPDX-License-Identifier: GPL-3.0-or-later
#include "target/Target.h"

#include "input/SafePath.h"
#include "stock/MmText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numbers>

namespace target {

namespace {

using stock::Point;

// A place as the program writes it: X a diameter.
std::string Place(Point p) {
    return "Z" + stock::MmText(p.z) + " X" + stock::MmText(2 * p.x);
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

// A piece in the stock's terms.
struct Mapped {
    Point From, To, Centre;
    bool Arc = false, Clockwise = false, FullCircle = false;
};

struct Frame {
    double K = 1; // mm per drawing unit
    double Sign = 1;
    const TargetOptions& O;
    Point Map(DrawingPoint p) const { return {(p.x - O.ZeroX) * K, Sign * (p.y - O.AxisY) * K}; }
    Mapped Map(const Piece& p) const {
        // Mirrored to take the lower half, an arc turns the other way.
        return {Map(p.From), Map(p.To), Map(p.Centre), p.Arc, p.Arc && (p.Clockwise != (Sign < 0)),
                p.FullCircle};
    }
};

bool InBox(const Piece& p, const TargetOptions& o) {
    if (!o.BoxFrom || !o.BoxTo) return true;
    const double x0 = std::min(o.BoxFrom->x, o.BoxTo->x), x1 = std::max(o.BoxFrom->x, o.BoxTo->x);
    const double y0 = std::min(o.BoxFrom->y, o.BoxTo->y), y1 = std::max(o.BoxFrom->y, o.BoxTo->y);
    const auto in = [&](DrawingPoint q) { return q.x >= x0 && q.x <= x1 && q.y >= y0 && q.y <= y1; };
    return in(p.From) && in(p.To);
}

std::vector<Point> PointsOf(const Mapped& p) {
    if (!p.Arc) return {p.From, p.To};
    return stock::ArcPoints(p.From, p.To, p.Centre, p.Clockwise, DrawingChordTolerance);
}

double Distance(Point a, Point b) {
    return std::hypot(a.z - b.z, a.x - b.x);
}

// The ends of the pieces, joined where they lie within JoinDistance of one another.
class Joints {
  public:
    explicit Joints(const std::vector<Mapped>& pieces) {
        for (size_t i = 0; i < pieces.size(); ++i)
            for (int e = 0; e < 2; ++e)
                Add(e ? pieces[i].To : pieces[i].From, 2 * i + e);
    }
    // The joint of end `end` (2 × piece + 0 for its start, 1 for its end).
    size_t Of(size_t end) const { return JointOf.at(end); }
    const std::vector<size_t>& Ends(size_t joint) const { return Members[joint]; }
    Point Where(size_t joint) const { return At[joint]; }
    size_t Count() const { return Members.size(); }

  private:
    void Add(Point p, size_t end) {
        const auto cell = [](double v) { return static_cast<long long>(std::floor(v / JoinDistance)); };
        const long long cz = cell(p.z), cx = cell(p.x);
        for (long long dz = -1; dz <= 1; ++dz)
            for (long long dx = -1; dx <= 1; ++dx) {
                const auto it = Grid.find({cz + dz, cx + dx});
                if (it == Grid.end()) continue;
                for (size_t j : it->second)
                    if (Distance(At[j], p) <= JoinDistance) {
                        Members[j].push_back(end);
                        JointOf[end] = j;
                        return;
                    }
            }
        JointOf[end] = Members.size();
        Grid[{cz, cx}].push_back(Members.size());
        Members.push_back({end});
        At.push_back(p);
    }
    std::map<std::pair<long long, long long>, std::vector<size_t>> Grid;
    std::map<size_t, size_t> JointOf;
    std::vector<std::vector<size_t>> Members;
    std::vector<Point> At;
};

struct Chain {
    std::vector<Point> Points;
    bool Closed = false;
    Point Start, End;
};

// The pieces put end to end. False with `why` where more than two ends meet.
bool ChainsOf(const std::vector<Mapped>& pieces, std::vector<Chain>& chains, std::string& why) {
    const Joints joints(pieces);
    for (size_t j = 0; j < joints.Count(); ++j)
        if (joints.Ends(j).size() > 2) {
            why = "the outline branches at " + Place(joints.Where(j)) + ": " +
                  std::to_string(joints.Ends(j).size()) +
                  " lines meet there; pick the outline by its layer or a box";
            return false;
        }
    std::vector<bool> used(pieces.size(), false);
    const auto walk = [&](size_t first, bool forward) {
        Chain c;
        size_t piece = first;
        bool fwd = forward;
        c.Start = fwd ? pieces[piece].From : pieces[piece].To;
        for (;;) {
            used[piece] = true;
            std::vector<Point> pts = PointsOf(pieces[piece]);
            if (!fwd) std::reverse(pts.begin(), pts.end());
            c.Points.insert(c.Points.end(), pts.begin() + (c.Points.empty() ? 0 : 1), pts.end());
            const size_t endAt = 2 * piece + (fwd ? 1 : 0);
            c.End = fwd ? pieces[piece].To : pieces[piece].From;
            const std::vector<size_t>& there = joints.Ends(joints.Of(endAt));
            const auto next = std::find_if(there.begin(), there.end(), [&](size_t e) { return e != endAt; });
            if (next == there.end()) return c; // a free end
            piece = *next / 2;
            fwd = *next % 2 == 0;
            if (used[piece]) {
                c.Closed = true;
                return c;
            }
        }
    };
    // Open chains from their free ends first, then the closed loops.
    for (size_t j = 0; j < joints.Count(); ++j) {
        if (joints.Ends(j).size() != 1) continue;
        const size_t end = joints.Ends(j)[0];
        if (!used[end / 2]) chains.push_back(walk(end / 2, end % 2 == 0));
    }
    for (size_t i = 0; i < pieces.size(); ++i)
        if (!used[i]) chains.push_back(walk(i, true));
    return true;
}

// The area of a closed outline given as points, by even-odd with what is there already (a bore
// inside an outline takes its area away).
stock::Region Toggled(const stock::Region& so_far, const stock::Outline& outline) {
    const stock::Region r = stock::Region::FromOutline(outline);
    if (r.Empty()) return so_far;
    return so_far.Minus(r).Union(r.Minus(so_far));
}

bool OnAxis(Point p) {
    return std::fabs(p.x) <= JoinDistance;
}

// Why an open chain cannot be closed along the axis.
std::string OpenProblem(const std::vector<Chain>& chains, size_t k, const TargetOptions& o) {
    const Chain& c = chains[k];
    for (const Point end : {c.Start, c.End}) {
        if (OnAxis(end)) continue;
        // The nearest other free end, when it is nearer than the axis, leaves a gap.
        double best = std::numeric_limits<double>::infinity();
        Point at{};
        for (size_t i = 0; i < chains.size(); ++i) {
            if (chains[i].Closed) continue;
            for (const Point other : {chains[i].Start, chains[i].End}) {
                if (i == k && other.z == end.z && other.x == end.x) continue;
                if (const double d = Distance(end, other); d < best) best = d, at = other;
            }
        }
        if (best < std::fabs(end.x))
            return "the outline is open: a gap of " + stock::MmText(best) + " mm at " + Place(end) + " (to " +
                   Place(at) + ")";
        return "the outline's end at " + Place(end) +
               " is not on the axis: an open half-profile starts and ends on the spindle axis (y " +
               stock::MmText(o.AxisY) + " of the drawing; set [target] axis if it lies elsewhere)";
    }
    return {};
}

// The angle of `p` about `c`.
double AngleOf(Point p, Point c) {
    return std::atan2(p.x - c.x, p.z - c.z);
}

// Whether the direction `a` lies on the arc from `from` to `to` (angles), turning as it turns.
bool OnSweep(double a, double from, double to, bool clockwise) {
    const double turn = 2 * std::numbers::pi;
    const auto ccw = [turn](double a0, double a1) {
        return std::fmod(std::fmod(a1 - a0, turn) + turn, turn);
    };
    return clockwise ? ccw(a, from) <= ccw(to, from) : ccw(from, a) <= ccw(from, to);
}

// The piece's part above the axis (cut where it crosses it; nothing when it lies below or along
// it): a whole outline's piece that crosses the axis (the front face from -R to R) keeps its
// upper part.
std::optional<DrawnPiece> AboveAxis(const Mapped& m) {
    constexpr double below = -JoinDistance;
    DrawnPiece p{m.From, m.To, m.Arc, m.Centre, m.Clockwise};
    if (OnAxis(p.From) && OnAxis(p.To) && !p.Arc) return std::nullopt;
    if (!p.Arc) {
        if (p.From.x < below && p.To.x < below) return std::nullopt;
        if (p.From.x >= below && p.To.x >= below) return p;
        // Cut at the axis.
        const double t = p.From.x / (p.From.x - p.To.x);
        const Point cut{p.From.z + t * (p.To.z - p.From.z), 0};
        (p.From.x < below ? p.From : p.To) = cut;
        if (Distance(p.From, p.To) <= JoinDistance) return std::nullopt; // it only touched the axis
        return p;
    }
    // An arc: its points below the axis tell whether it crosses it.
    const std::vector<Point> pts = PointsOf(m);
    const bool anyBelow = std::any_of(pts.begin(), pts.end(), [](Point q) { return q.x < below; });
    const bool anyAbove = std::any_of(pts.begin(), pts.end(), [](Point q) { return q.x > -below; });
    if (!anyAbove) return std::nullopt;
    if (!anyBelow) return p;
    // Where the circle meets the axis, the crossing on the arc taken for the end below it.
    const double r = Distance(p.From, p.Centre);
    if (r <= std::fabs(p.Centre.x)) return std::nullopt;
    const double h = std::sqrt(r * r - p.Centre.x * p.Centre.x);
    const double a0 = AngleOf(p.From, p.Centre), a1 = AngleOf(p.To, p.Centre);
    std::vector<Point> crossings;
    for (const double dz : {-h, h})
        if (const Point q{p.Centre.z + dz, 0}; OnSweep(AngleOf(q, p.Centre), a0, a1, p.Clockwise))
            crossings.push_back(q);
    if (crossings.size() != 1) return std::nullopt; // an arc dipping below and back: no surface
    (p.From.x < below ? p.From : p.To) = crossings[0];
    return p;
}

} // namespace

std::optional<Target> TargetOf(const DxfDrawing& drawing, const TargetOptions& o, std::string& why) {
    Target t;
    t.Options = o;
    switch (o.Unit) {
    case Units::Mm:
        break;
    case Units::Inch:
        t.MmPerUnit = 25.4, t.UnitName = "inch";
        break;
    case Units::File:
        if (drawing.InsUnits == 1) t.MmPerUnit = 25.4, t.UnitName = "inch";
        if (drawing.InsUnits == 5) t.MmPerUnit = 10, t.UnitName = "cm";
        if (drawing.InsUnits == 6) t.MmPerUnit = 1000, t.UnitName = "m";
        break;
    }
    const Frame frame{t.MmPerUnit, o.Side == Half::Upper ? 1.0 : -1.0, o};
    std::vector<Mapped> pieces;
    std::vector<stock::Outline> circles;
    bool onLayer = false;
    for (const Curve& c : drawing.Curves) {
        if (!o.Layer.empty() && !SameName(c.Layer, o.Layer)) {
            // Lines of the other layers along the axis, above it: a thread's thin root line.
            for (const Piece& p : c.Pieces) {
                const Mapped m = frame.Map(p);
                if (!m.Arc && InBox(p, o) && t.Thin.size() < MostThinLines && m.From.x > JoinDistance &&
                    std::fabs(m.From.x - m.To.x) <= JoinDistance &&
                    std::fabs(m.From.z - m.To.z) > JoinDistance)
                    t.Thin.push_back({m.From, m.To, false, {}, false});
            }
            continue;
        }
        onLayer = true;
        if (!std::all_of(c.Pieces.begin(), c.Pieces.end(), [&o](const Piece& p) { return InBox(p, o); }))
            continue;
        ++t.Curves;
        for (const Piece& p : c.Pieces) {
            const Mapped m = frame.Map(p);
            if (m.FullCircle) {
                const Point opposite{2 * m.Centre.z - m.From.z, 2 * m.Centre.x - m.From.x};
                stock::Outline loop =
                    stock::ArcPoints(m.From, opposite, m.Centre, false, DrawingChordTolerance);
                const stock::Outline back =
                    stock::ArcPoints(opposite, m.From, m.Centre, false, DrawingChordTolerance);
                loop.insert(loop.end(), back.begin() + 1, back.end());
                circles.push_back(std::move(loop));
            } else if (Distance(m.From, m.To) > 0 || m.Arc) {
                pieces.push_back(m);
            }
        }
    }
    const std::string where =
        o.Layer.empty() ? std::string("in the drawing") : "on the layer \"" + o.Layer + "\"";
    if (!onLayer) {
        why = drawing.Curves.empty() ? "the drawing has no line, arc, circle or polyline"
                                     : "no line, arc, circle or polyline " + where;
        // A drawing of blocks, splines or texts only: say what it holds instead.
        if (drawing.Skipped > 0)
            why += " (it holds " + std::to_string(drawing.Skipped) +
                   " texts, dimensions, hatches, inserts, splines or ellipses, which are not read)";
        return std::nullopt;
    }
    if (pieces.empty() && circles.empty()) {
        why = "no line, arc, circle or polyline " + where + " lies wholly inside the box";
        return std::nullopt;
    }
    std::vector<Chain> chains;
    if (!ChainsOf(pieces, chains, why)) return std::nullopt;
    stock::Region all;
    for (size_t k = 0; k < chains.size(); ++k) {
        Chain& c = chains[k];
        if (!c.Closed) {
            if (std::all_of(c.Points.begin(), c.Points.end(), OnAxis)) continue; // the axis itself
            if (why = OpenProblem(chains, k, o); !why.empty()) return std::nullopt;
            // Closed along the axis.
            c.Points.front().x = 0, c.Points.back().x = 0;
        }
        all = Toggled(all, c.Points);
    }
    for (const stock::Outline& loop : circles)
        all = Toggled(all, loop);
    if (all.Empty()) {
        why = "the outline " + where + " encloses no area";
        return std::nullopt;
    }
    const stock::Box b = all.Bounds();
    t.Section = all.Intersect(stock::Region::Rectangle(b.z0 - 1, 0, b.z1 + 1, std::max(b.x1, 0.0) + 1));
    if (t.Section.Empty()) {
        const bool upper = o.Side == Half::Upper;
        why = std::string("the outline lies ") + (upper ? "below" : "above") + " the axis (y " +
              stock::MmText(o.AxisY) + " of the drawing): set [target] half = \"" +
              (upper ? "lower" : "upper") + "\"";
        return std::nullopt;
    }
    t.Outlines = t.Section.Outlines();
    for (const Mapped& m : pieces)
        if (std::optional<DrawnPiece> p = AboveAxis(m)) t.Pieces.push_back(*p);
    return t;
}

std::optional<Target> ReadTarget(const TargetOptions& options, std::string& why) {
    std::string bytes;
    if (!input::ReadSmallFile(options.File, LargestDrawing, bytes, why)) {
        why = options.File + ": " + why;
        return std::nullopt;
    }
    DxfDrawing drawing;
    if (!ReadDxf(bytes, drawing, why)) {
        why = options.File + ": " + why;
        return std::nullopt;
    }
    std::optional<Target> t = TargetOf(drawing, options, why);
    if (!t) why = options.File + ": " + why;
    return t;
}

} // namespace target
