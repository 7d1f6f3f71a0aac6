#include "stock/Setup.h"

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

std::string Validate(const Setup& setup) {
    const Stock& s = setup.Material;
    auto positive = [](double v) { return std::isfinite(v) && v > 0; };
    switch (s.Shape) {
    case Stock::Kind::Tube:
        if (!positive(s.Bore) || s.Bore >= s.Diameter)
            return "the bore " + Num(s.Bore) + " must be above 0 and below the diameter " + Num(s.Diameter);
        [[fallthrough]];
    case Stock::Kind::Bar:
        if (!positive(s.Diameter)) return "the stock's diameter " + Num(s.Diameter) + " must be above 0";
        if (!positive(s.Length)) return "the stock's length " + Num(s.Length) + " must be above 0";
        if (!(s.FaceAllowance >= 0 && s.FaceAllowance < s.Length))
            return "the face allowance " + Num(s.FaceAllowance) + " must be 0 or more and below the length";
        break;
    case Stock::Kind::Profile:
        if (std::string why = ValidateProfile(s.Profile); !why.empty()) return why;
        break;
    }
    if (setup.Holding) {
        const WorkHolding& h = *setup.Holding;
        for (double v : {h.ChuckDiameter, h.GripLength, h.JawHeight})
            if (!positive(v)) return "the chuck's sizes must be above 0, not " + Num(v);
        if (!(h.StepLength >= 0 && h.StepHeight >= 0)) return "a jaw step cannot be negative";
    }
    for (const auto& [number, t] : setup.Tools) {
        const std::string name = "tool " + std::to_string(number) + ": ";
        if (!ShapeAngle(t.Shape)) return name + "unknown insert shape " + std::string(1, t.Shape);
        if (!(t.NoseRadius >= 0)) return name + "negative nose radius " + Num(t.NoseRadius);
        if (!(t.TipRadius >= 0)) return name + "negative tip radius " + Num(t.TipRadius);
        if (!(t.TipDirection >= 0 && t.TipDirection <= 9))
            return name + "tip direction " + std::to_string(t.TipDirection) + " is not 0 to 9";
        for (double v : {t.EdgeLength, t.Width, t.Reach, t.DrillDiameter, t.FluteLength, t.IncludedAngle})
            if (!positive(v)) return name + "a size must be above 0, not " + Num(v);
        if (!(t.CornerRadius >= 0 && 2 * t.CornerRadius < t.Width))
            return name + "corner radius " + Num(t.CornerRadius) + " does not fit the width " + Num(t.Width);
        if (!(t.ApproachAngle > 0 && t.ApproachAngle < 180))
            return name + "approach angle " + Num(t.ApproachAngle) + " is not between 0 and 180";
        if (!(t.PointAngle > 0 && t.PointAngle < 180))
            return name + "point angle " + Num(t.PointAngle) + " is not between 0 and 180";
    }
    return {};
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
