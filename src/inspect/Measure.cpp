#include "inspect/Measure.h"

#include <cmath>
#include <cstdio>
#include <numbers>

namespace inspect {

namespace {

double Round(double v, double perUnit) {
    return std::nearbyint(v * perUnit) / perUnit;
}

} // namespace

SnapPoint SnapAt(const PathIndex& paths, const ViewMap& view, Point px, double tolerancePx, bool xSnap,
                 bool zSnap) {
    SnapPoint best{view.ToMachine(px), SnapPoint::Kind::Free};
    double bestD = tolerancePx;
    auto consider = [&](MachinePoint p, SnapPoint::Kind kind) {
        const Point q = view.ToPixel(p);
        const double d = std::hypot(q.X - px.X, q.Y - px.Y);
        if (d <= bestD) bestD = d, best = {p, kind};
    };
    if (view.Usable()) {
        paths.ForEachSegment([&](size_t, const motion::PathSegment& s) {
            consider({s.x0, s.z0}, SnapPoint::Kind::EndPoint);
            consider({s.x1, s.z1}, SnapPoint::Kind::EndPoint);
            if (s.kind == motion::PathSegment::Kind::ArcCW || s.kind == motion::PathSegment::Kind::ArcCCW)
                consider({s.cx, s.cz}, SnapPoint::Kind::ArcCentre);
        });
    }
    if (best.Snapped == SnapPoint::Kind::Free && (xSnap || zSnap)) {
        if (xSnap) best.At.X = Round(best.At.X, 10);
        if (zSnap) best.At.Z = Round(best.At.Z, 10);
        best.Snapped = SnapPoint::Kind::Grid;
    }
    return best;
}

Measurement Measure(MachinePoint from, MachinePoint to) {
    Measurement m;
    m.DZ = to.Z - from.Z;
    m.DXDiameter = to.X - from.X;
    m.DXRadius = m.DXDiameter / 2;
    m.Distance = std::hypot(m.DZ, m.DXRadius);
    m.AngleToZ =
        m.Distance > 0 ? std::atan2(std::fabs(m.DXRadius), std::fabs(m.DZ)) * 180 / std::numbers::pi : 0;
    return m;
}

std::string MeasurementText(const Measurement& m) {
    char buf[160];
    auto fix = [](double v) { return std::fabs(v) < 0.0005 ? 0.0 : v; }; // no "-0.000"
    std::snprintf(buf, sizeof buf, "dZ %.3f  dX %.3f (R %.3f)  L %.3f  A %.3f\u00b0", fix(m.DZ),
                  fix(m.DXDiameter), fix(m.DXRadius), m.Distance, m.AngleToZ);
    return buf;
}

void MeasureSession::Click(const SnapPoint& p) {
    if (!First || Second) {
        First = p;
        Second.reset();
    } else {
        Second = p;
    }
}

std::optional<Measurement> MeasureSession::Result() const {
    if (!First || !Second) return std::nullopt;
    return Measure(First->At, Second->At);
}

} // namespace inspect
