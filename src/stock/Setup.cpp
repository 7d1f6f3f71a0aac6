// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/Setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace stock {

namespace {

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

// The centre of an arc from a to b of signed radius `arc` (the shorter way round); false when
// the radius is shorter than half the chord.
bool ArcCentre(Point a, Point b, double arc, Point& centre) {
    const double dz = b.z - a.z, dx = b.x - a.x, chord = std::hypot(dz, dx);
    const double h = chord / 2, r = std::fabs(arc);
    if (chord == 0 || r + 1e-9 < h) return false;
    const double d = std::sqrt(std::max(0.0, r * r - h * h));
    // The centre of a counter-clockwise arc lies to the left of the chord.
    const double nz = -dx / chord, nx = dz / chord, side = arc > 0 ? 1 : -1;
    centre = {(a.z + b.z) / 2 + side * d * nz, (a.x + b.x) / 2 + side * d * nx};
    return true;
}

// The outline of a profile as straight pieces, with the profile point each piece comes from
// (counted from 1); pieces of no length are left out. Empty when its arcs come to more pieces than
// the outline may have.
struct Piece {
    Point A, B;
    size_t From;
};
std::vector<Piece> ProfilePieces(const std::vector<ProfilePoint>& p);

std::string At(double radius, double z) {
    return "radius " + Num(radius) + " Z" + Num(z);
}

// Where two straight pieces meet or cross, if they do.
bool Meet(const Piece& s, const Piece& t, Point& at) {
    const auto orient = [](Point a, Point b, Point c) {
        return (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
    };
    const double ls = std::hypot(s.B.z - s.A.z, s.B.x - s.A.x), lt = std::hypot(t.B.z - t.A.z, t.B.x - t.A.x);
    // Within a grid step of the polygon arithmetic counts as on the line.
    const double eps = 1e-6;
    const double d1 = orient(t.A, t.B, s.A) / lt, d2 = orient(t.A, t.B, s.B) / lt;
    const double d3 = orient(s.A, s.B, t.A) / ls, d4 = orient(s.A, s.B, t.B) / ls;
    const auto apart = [eps](double u, double v) { return (u > eps && v > eps) || (u < -eps && v < -eps); };
    if (apart(d1, d2) || apart(d3, d4)) return false;
    if (std::fabs(d1 - d2) > eps) {
        const double f = d1 / (d1 - d2);
        at = {s.A.z + f * (s.B.z - s.A.z), s.A.x + f * (s.B.x - s.A.x)};
        return true;
    }
    // Along one line: they meet where their extents along it overlap.
    const double uz = (s.B.z - s.A.z) / ls, ux = (s.B.x - s.A.x) / ls;
    const auto along = [&](Point q) { return (q.z - s.A.z) * uz + (q.x - s.A.x) * ux; };
    const double t0 = std::min(along(t.A), along(t.B)), t1 = std::max(along(t.A), along(t.B));
    const double from = std::max(0.0, t0);
    if (from > std::min(ls, t1) + eps) return false;
    at = {s.A.z + from * uz, s.A.x + from * ux};
    return true;
}

// The first place where the outline crosses or touches itself, other than where neighbouring
// pieces join. Pieces are taken in the order of Z so that only those side by side are compared.
bool Crossing(const std::vector<Piece>& pieces, Point& at, size_t& point) {
    const size_t n = pieces.size();
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i)
        order[i] = i;
    const auto lo = [&](size_t i) { return std::min(pieces[i].A.z, pieces[i].B.z); };
    const auto hi = [&](size_t i) { return std::max(pieces[i].A.z, pieces[i].B.z); };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return lo(a) < lo(b); });
    for (size_t a = 0; a < n; ++a) {
        const size_t i = order[a];
        const Piece& s = pieces[i];
        const double x0 = std::min(s.A.x, s.B.x), x1 = std::max(s.A.x, s.B.x);
        for (size_t b = a + 1; b < n && lo(order[b]) <= hi(i) + 1e-6; ++b) {
            const size_t j = order[b];
            if (j == (i + 1) % n || i == (j + 1) % n) continue; // neighbours share their end
            const Piece& t = pieces[j];
            if (std::max(t.A.x, t.B.x) < x0 - 1e-6 || std::min(t.A.x, t.B.x) > x1 + 1e-6) continue;
            if (Meet(s, t, at)) {
                point = std::max(s.From, t.From);
                return true;
            }
        }
    }
    return false;
}

SetupProblem ValidateProfile(const std::vector<ProfilePoint>& p) {
    const std::string key = "stock.profile";
    if (p.size() < 4)
        return {key, "a profile needs at least three corners and its first point again at the end"};
    if (p.size() > MostProfilePoints)
        return {key, "the profile has " + std::to_string(p.size()) + " points; at most " +
                         std::to_string(MostProfilePoints) + " are taken"};
    for (size_t i = 0; i < p.size(); ++i) {
        const std::string point = "point " + std::to_string(i + 1) + ": ";
        for (double v : {p[i].Radius, p[i].Z, p[i].Arc})
            if (!(std::fabs(v) <= LargestSize)) return {key, point + "out of range: " + Num(v), i + 1};
        if (!(p[i].Radius >= 0)) return {key, point + "negative radius " + Num(p[i].Radius), i + 1};
        if (i > 0 && p[i].Arc != 0) {
            Point c;
            if (!ArcCentre({p[i - 1].Z, p[i - 1].Radius}, {p[i].Z, p[i].Radius}, p[i].Arc, c))
                return {key,
                        point + "arc radius " + Num(std::fabs(p[i].Arc)) +
                            " is shorter than half the distance from the point before",
                        i + 1};
        }
    }
    const ProfilePoint &first = p.front(), &last = p.back();
    if (std::hypot(first.Z - last.Z, first.Radius - last.Radius) > 0.001)
        return {key, "the profile is not closed: it ends at " + At(last.Radius, last.Z) +
                         ", not at its first point " + At(first.Radius, first.Z)};
    const std::vector<Piece> pieces = ProfilePieces(p);
    if (pieces.empty())
        return {key, "the profile's arcs come to more than " + std::to_string(MostOutlinePoints) +
                         " points (chords within " + Num(CurveTolerance) + " mm); at most " +
                         std::to_string(MostOutlinePoints) + " are taken"};
    Point at;
    size_t point = 0;
    if (Crossing(pieces, at, point))
        return {key, "point " + std::to_string(point) + ": the profile crosses itself at " + At(at.x, at.z),
                point};
    double area = 0;
    for (const Piece& q : pieces)
        area += q.A.z * q.B.x - q.B.z * q.A.x;
    if (pieces.size() < 3 || std::fabs(area / 2) < SmallestSize * SmallestSize)
        return {key, "the profile encloses no area: its points lie on one line"};
    return {};
}

Outline ProfileOutline(const std::vector<ProfilePoint>& p) {
    Outline out;
    for (size_t i = 0; i < p.size(); ++i) {
        const Point here{p[i].Z, p[i].Radius};
        Point centre;
        if (i > 0 && p[i].Arc != 0 && ArcCentre(out.back(), here, p[i].Arc, centre)) {
            std::vector<Point> arc = ArcPoints(out.back(), here, centre, p[i].Arc < 0);
            out.insert(out.end(), arc.begin() + 1, arc.end());
        } else {
            out.push_back(here);
        }
    }
    return out;
}

std::vector<Piece> ProfilePieces(const std::vector<ProfilePoint>& p) {
    std::vector<Piece> pieces;
    Point at{p.front().Z, p.front().Radius};
    const auto to = [&](Point q, size_t from) {
        if (std::hypot(q.z - at.z, q.x - at.x) > 1e-6) pieces.push_back({at, q, from});
        at = q;
    };
    for (size_t i = 1; i < p.size(); ++i) {
        const Point here{p[i].Z, p[i].Radius};
        Point centre;
        if (p[i].Arc != 0 && ArcCentre(at, here, p[i].Arc, centre)) {
            const std::vector<Point> arc = ArcPoints(at, here, centre, p[i].Arc < 0);
            for (size_t k = 1; k < arc.size(); ++k)
                to(arc[k], i + 1);
        } else {
            to(here, i + 1);
        }
        if (pieces.size() > MostOutlinePoints) return {};
    }
    to({p.front().Z, p.front().Radius}, p.size()); // closed within 0.001 mm: the last piece is tiny
    return pieces;
}

} // namespace

const char* KindName(Tool::Kind k) {
    switch (k) {
    case Tool::Kind::Turning:
        return "turning";
    case Tool::Kind::Boring:
        return "boring";
    case Tool::Kind::Grooving:
        return "grooving";
    case Tool::Kind::Parting:
        return "parting";
    case Tool::Kind::Thread:
        return "thread";
    case Tool::Kind::Drill:
        return "drill";
    }
    return "turning";
}

std::optional<double> ShapeAngle(char shape) {
    switch (shape) {
    case 'C':
        return 80;
    case 'D':
        return 55;
    case 'E':
        return 75;
    case 'V':
        return 35;
    case 'S':
        return 90;
    case 'T':
        return 60;
    case 'W':
        return 80;
    case 'R':
        return 180;
    default:
        return std::nullopt;
    }
}

namespace {

using Problem = SetupProblem;

// A size that must be above 0: a number, and at least the smallest size (which says it).
bool Positive(double v) {
    return std::isfinite(v) && v >= SmallestSize;
}
std::string Below(double v) {
    return std::isfinite(v) && v > 0 && v < SmallestSize ? " (it is below " + Num(SmallestSize) + " mm)" : "";
}

Problem StockProblem(const Stock& s) {
    switch (s.Shape) {
    case Stock::Kind::Tube:
        if (!Positive(s.Bore) || s.Bore >= s.Diameter)
            return {"stock.bore", "the bore " + Num(s.Bore) + " must be above 0 and below the diameter " +
                                      Num(s.Diameter) + Below(s.Bore)};
        [[fallthrough]];
    case Stock::Kind::Bar:
        if (!Positive(s.Diameter))
            return {"stock.diameter",
                    "the stock's diameter " + Num(s.Diameter) + " must be above 0" + Below(s.Diameter)};
        if (!Positive(s.Length))
            return {"stock.length",
                    "the stock's length " + Num(s.Length) + " must be above 0" + Below(s.Length)};
        if (!(s.FaceAllowance >= 0 && s.FaceAllowance < s.Length))
            return {"stock.face_allowance",
                    "the face allowance " + Num(s.FaceAllowance) + " must be 0 or more and below the length"};
        for (const auto& [key, v] : {std::pair{"stock.diameter", s.Diameter},
                                     {"stock.length", s.Length},
                                     {"stock.front_z", s.FrontZ}})
            if (!(std::fabs(v) <= LargestSize))
                return {key, std::string(key) + " is out of range: " + Num(v)};
        break;
    case Stock::Kind::Profile:
        if (Problem p = ValidateProfile(s.Profile); !p.Field.empty()) return p;
        break;
    }
    return {};
}

Problem HoldingProblem(const WorkHolding& h) {
    for (const auto& [key, v] : {std::pair{"chuck.diameter", h.ChuckDiameter},
                                 {"chuck.grip_length", h.GripLength},
                                 {"chuck.jaw_height", h.JawHeight}})
        if (!Positive(v)) return {key, "the chuck's sizes must be above 0, not " + Num(v) + Below(v)};
    if (!(h.StepLength >= 0)) return {"chuck.step.length", "a jaw step cannot be negative"};
    if (!(h.StepHeight >= 0)) return {"chuck.step.height", "a jaw step cannot be negative"};
    for (const auto& [key, v] : {std::pair{"chuck.face_z", h.ChuckFaceZ},
                                 {"chuck.diameter", h.ChuckDiameter},
                                 {"chuck.grip_length", h.GripLength},
                                 {"chuck.jaw_height", h.JawHeight},
                                 {"chuck.step.length", h.StepLength},
                                 {"chuck.step.height", h.StepHeight},
                                 {"tailstock.z", h.TailstockZ.value_or(0)}})
        if (!(std::fabs(v) <= LargestSize)) return {key, std::string(key) + " is out of range: " + Num(v)};
    return {};
}

Problem ToolProblem(int number, const Tool& t) {
    const std::string name = "tool " + std::to_string(number) + ": ",
                      key = "tool." + std::to_string(number) + ".";
    if (number < 0 || number > 99) return {key + "number", "tool.number must be a whole number 0 to 99"};
    if (!ShapeAngle(t.Shape))
        return {key + "shape", name + "unknown insert shape " + std::string(1, t.Shape)};
    if (!(t.NoseRadius >= 0))
        return {key + "nose_radius", name + "negative nose radius " + Num(t.NoseRadius)};
    if (!(t.TipRadius >= 0)) return {key + "tip_radius", name + "negative tip radius " + Num(t.TipRadius)};
    if (!(t.TipDirection >= 0 && t.TipDirection <= 9))
        return {key + "tip", name + "tip direction " + std::to_string(t.TipDirection) + " is not 0 to 9"};
    for (const auto& [field, v] : {std::pair{"edge_length", t.EdgeLength},
                                   {"width", t.Width},
                                   {"reach", t.Reach},
                                   {"diameter", t.DrillDiameter},
                                   {"flute_length", t.FluteLength},
                                   {"included_angle", t.IncludedAngle}})
        if (!Positive(v)) return {key + field, name + "a size must be above 0, not " + Num(v) + Below(v)};
    if (!(t.CornerRadius >= 0 && 2 * t.CornerRadius < t.Width))
        return {key + "corner_radius",
                name + "corner radius " + Num(t.CornerRadius) + " does not fit the width " + Num(t.Width)};
    if (!(t.ApproachAngle > 0 && t.ApproachAngle < 180))
        return {key + "approach_angle",
                name + "approach angle " + Num(t.ApproachAngle) + " is not between 0 and 180"};
    if (!(t.PointAngle > 0 && t.PointAngle < 180))
        return {key + "point_angle", name + "point angle " + Num(t.PointAngle) + " is not between 0 and 180"};
    for (const auto& [field, v] : {std::pair{"edge_length", t.EdgeLength},
                                   {"nose_radius", t.NoseRadius},
                                   {"width", t.Width},
                                   {"reach", t.Reach},
                                   {"diameter", t.DrillDiameter},
                                   {"flute_length", t.FluteLength},
                                   {"tip_radius", t.TipRadius},
                                   {"corner_radius", t.CornerRadius}})
        if (!(v <= LargestSize)) return {key + field, name + field + " is out of range: " + Num(v)};
    // The holder's outline: what the polygon arithmetic is given must be numbers within reach.
    if (t.Holder.size() > MostHolderPoints)
        return {key + "holder", name + "the holder has " + std::to_string(t.Holder.size()) +
                                    " points; at most " + std::to_string(MostHolderPoints) + " are taken"};
    for (size_t i = 0; i < t.Holder.size(); ++i)
        for (double v : {t.Holder[i].z, t.Holder[i].x})
            if (!(std::fabs(v) <= LargestSize))
                return {key + "holder",
                        name + "holder point " + std::to_string(i + 1) + " is out of range: " + Num(v),
                        i + 1};
    return {};
}

} // namespace

bool Tool::operator==(const Tool& o) const {
    const auto same = [](const Point& a, const Point& b) { return a.z == b.z && a.x == b.x; };
    return Type == o.Type && Shape == o.Shape && EdgeLength == o.EdgeLength && NoseRadius == o.NoseRadius &&
           TipDirection == o.TipDirection && ApproachAngle == o.ApproachAngle && Width == o.Width &&
           CornerRadius == o.CornerRadius && Reach == o.Reach && IncludedAngle == o.IncludedAngle &&
           TipRadius == o.TipRadius && DrillDiameter == o.DrillDiameter && PointAngle == o.PointAngle &&
           FluteLength == o.FluteLength && FeedAxis == o.FeedAxis && Driven == o.Driven &&
           std::equal(Holder.begin(), Holder.end(), o.Holder.begin(), o.Holder.end(), same) &&
           Assumed == o.Assumed && Source == o.Source;
}

SetupProblem FindProblem(const Setup& setup) {
    if (Problem p = StockProblem(setup.Material); !p.Field.empty()) return p;
    if (setup.Holding)
        if (Problem p = HoldingProblem(*setup.Holding); !p.Field.empty()) return p;
    for (const auto& [number, t] : setup.Tools)
        if (Problem p = ToolProblem(number, t); !p.Field.empty()) return p;
    return {};
}

std::string Validate(const Setup& setup) {
    return FindProblem(setup).Message;
}

Region StockRegion(const Stock& s) {
    if (s.Shape == Stock::Kind::Profile) return Region::FromOutline(ProfileOutline(s.Profile));
    const double inner = s.Shape == Stock::Kind::Tube ? s.Bore / 2 : 0;
    return Region::Rectangle(s.FrontZ - s.Length, inner, s.FrontZ, s.Diameter / 2);
}

Region HoldingRegion(const WorkHolding& h) {
    const double grip = h.GripDiameter / 2, z = h.ChuckFaceZ;
    Region r;
    if (h.Chuck) {
        r = Region::Rectangle(z - 100, grip, z, std::max(h.ChuckDiameter / 2, grip + h.JawHeight));
        r = r.Union(Region::Rectangle(z, grip, z + h.GripLength, grip + h.JawHeight));
    }
    if (h.Chuck && h.StepLength > 0 && h.StepHeight > 0)
        r = r.Union(Region::Rectangle(z, std::max(0.0, grip - h.StepHeight), z + h.StepLength, grip));
    if (h.TailstockZ) {
        // A 60° centre, then its quill.
        const double t = *h.TailstockZ, cone = 10 / std::tan(std::numbers::pi / 6);
        r = r.Union(Region::FromOutline(
            {{t, 0}, {t + cone, 10}, {t + cone + 20, 10}, {t + cone + 20, 30}, {t + 250, 30}, {t + 250, 0}}));
    }
    return r;
}

} // namespace stock
