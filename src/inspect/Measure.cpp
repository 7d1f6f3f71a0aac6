// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/Measure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>
#include <utility>

namespace inspect {

namespace {

double Round(double v, double perUnit) {
    return std::nearbyint(v * perUnit) / perUnit;
}

// Bounds lo, hi of one machine coordinate such that a point below lo or above hi lands more
// than `reach` pixels from `at` along the axis of the viewport that coordinate maps to, found
// from a guess a, b and then proven. `pixel` maps the coordinate to that axis; every step of
// the map (a sign, a difference, a product, a quotient, a sum) keeps the order of what it is
// given, also as rounded, so the bounds need only be tried themselves. None when no bounds
// near the guess hold (a view too odd): then nothing may be passed over.
template <class F>
std::optional<std::pair<double, double>> Beyond(F pixel, double at, double reach, double a, double b) {
    const double lo = std::min(a, b), hi = std::max(a, b);
    double margin = (hi - lo) * 1e-6 + (std::fabs(lo) + std::fabs(hi)) * 1e-12 + 1e-300;
    for (int tries = 0; tries < 8 && std::isfinite(margin); ++tries, margin *= 16) {
        const double l = lo - margin, h = hi + margin;
        const double dl = pixel(l) - at, dh = pixel(h) - at;
        if ((dl < -reach && dh > reach) || (dl > reach && dh < -reach)) return std::pair{l, h};
    }
    return std::nullopt;
}

// The machine points within `tolerancePx` of the pixel `px` as SnapAt measures: Z and X (a
// diameter) within these bounds. A point outside them lies beyond the tolerance along one axis
// of the viewport, so also in all (a hair more reach, for a square root rounded a step low).
struct Reach {
    double MinZ, MaxZ, MinX, MaxX;
    bool Holds(MachinePoint p) const { return p.Z >= MinZ && p.Z <= MaxZ && p.X >= MinX && p.X <= MaxX; }
};

std::optional<Reach> ReachOf(const ViewMap& view, Point px, double tolerancePx) {
    const double reach = tolerancePx + std::fabs(tolerancePx) * 1e-12;
    if (!std::isfinite(reach) || !std::isfinite(px.X) || !std::isfinite(px.Y)) return std::nullopt;
    const MachinePoint a = view.ToMachine({px.X - reach, px.Y - reach});
    const MachinePoint b = view.ToMachine({px.X + reach, px.Y + reach});
    // Z runs across the picture and X up it, or the other way round on a vertical lathe.
    const bool v = view.Vertical;
    const auto z = Beyond(
        [&](double c) {
            return v ? view.ToPixel({0, c}).Y : view.ToPixel({0, c}).X;
        },
        v ? px.Y : px.X, reach, a.Z, b.Z);
    const auto x = Beyond(
        [&](double c) {
            return v ? view.ToPixel({c, 0}).X : view.ToPixel({c, 0}).Y;
        },
        v ? px.X : px.Y, reach, a.X, b.X);
    if (!z || !x) return std::nullopt;
    return Reach{z->first, z->second, x->first, x->second};
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
    auto points = [&](auto&& near) {
        return [&](size_t, const motion::PathSegment& s) {
            for (const MachinePoint p : {MachinePoint{s.x0, s.z0}, MachinePoint{s.x1, s.z1}})
                if (near(p)) consider(p, SnapPoint::Kind::EndPoint);
            if ((s.kind == motion::PathSegment::Kind::ArcCW || s.kind == motion::PathSegment::Kind::ArcCCW) &&
                near({s.cx, s.cz}))
                consider({s.cx, s.cz}, SnapPoint::Kind::ArcCentre);
        };
    };
    if (view.Usable()) {
        // Only the points within reach, of the runs of pieces that have any: a point passed over
        // lies beyond the tolerance and could never have won, and the rest come in drawing order
        // as in a plain search, so that on equal distance the same (later) point wins.
        if (const std::optional<Reach> r = ReachOf(view, px, tolerancePx))
            paths.ForEachSegmentNearPoints({r->MinZ, r->MaxZ, r->MinX / 2, r->MaxX / 2},
                                           points([&r](MachinePoint p) { return r->Holds(p); }));
        else
            paths.ForEachSegment(points([](MachinePoint) { return true; }));
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
