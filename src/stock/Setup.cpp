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

std::string ValidateProfile(const std::vector<ProfilePoint>& p) {
    if (p.size() < 4) return "a profile needs at least three corners and its first point again at the end";
    for (size_t i = 0; i < p.size(); ++i) {
        if (!(p[i].Radius >= 0))
            return "point " + std::to_string(i + 1) + ": negative radius " + Num(p[i].Radius);
        if (i > 0 && p[i].Arc != 0) {
            Point c;
            if (!ArcCentre({p[i - 1].Z, p[i - 1].Radius}, {p[i].Z, p[i].Radius}, p[i].Arc, c))
                return "point " + std::to_string(i + 1) + ": arc radius " + Num(std::fabs(p[i].Arc)) +
                       " is shorter than half the distance from the point before";
        }
    }
    const ProfilePoint &first = p.front(), &last = p.back();
    if (std::hypot(first.Z - last.Z, first.Radius - last.Radius) > 0.001)
        return "the profile is not closed: it ends at radius " + Num(last.Radius) + " Z" + Num(last.Z) +
               ", not at its first point radius " + Num(first.Radius) + " Z" + Num(first.Z);
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

} // namespace

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

Problem StockProblem(const Stock& s) {
    auto positive = [](double v) { return std::isfinite(v) && v > 0; };
    switch (s.Shape) {
    case Stock::Kind::Tube:
        if (!positive(s.Bore) || s.Bore >= s.Diameter)
            return {"stock.bore",
                    "the bore " + Num(s.Bore) + " must be above 0 and below the diameter " + Num(s.Diameter)};
        [[fallthrough]];
    case Stock::Kind::Bar:
        if (!positive(s.Diameter))
            return {"stock.diameter", "the stock's diameter " + Num(s.Diameter) + " must be above 0"};
        if (!positive(s.Length))
            return {"stock.length", "the stock's length " + Num(s.Length) + " must be above 0"};
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
        if (std::string why = ValidateProfile(s.Profile); !why.empty()) return {"stock.profile", why};
        break;
    }
    return {};
}

Problem HoldingProblem(const WorkHolding& h) {
    for (const auto& [key, v] : {std::pair{"chuck.diameter", h.ChuckDiameter},
                                 {"chuck.grip_length", h.GripLength},
                                 {"chuck.jaw_height", h.JawHeight}})
        if (!(std::isfinite(v) && v > 0)) return {key, "the chuck's sizes must be above 0, not " + Num(v)};
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
        if (!(std::isfinite(v) && v > 0))
            return {key + field, name + "a size must be above 0, not " + Num(v)};
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
           BackPost == o.BackPost && Assumed == o.Assumed && Source == o.Source;
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
