// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/StockSection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace inspect {

SnapPoint SnapToPart(const StockSection& section, const ViewMap& view, Point px, double tolerancePx,
                     SnapPoint snapped) {
    if (!view.Usable() || !std::isfinite(px.X) || !std::isfinite(px.Y)) return snapped;
    const bool onPath =
        snapped.Snapped == SnapPoint::Kind::EndPoint || snapped.Snapped == SnapPoint::Kind::ArcCentre;
    auto distance = [&](Point q) { return std::hypot(q.X - px.X, q.Y - px.Y); };
    double cornerD = onPath ? std::min(tolerancePx, distance(view.ToPixel(snapped.At))) : tolerancePx;
    double edgeD = tolerancePx;
    std::optional<SnapPoint> corner, edge;
    for (const double side : {1.0, -1.0})
        for (const stock::Outline& o : section.Part)
            for (size_t i = 0; i < o.size(); ++i) {
                const MachinePoint a{side * 2 * o[i].x, o[i].z};
                const Point pa = view.ToPixel(a);
                if (const double d = distance(pa); d < cornerD)
                    cornerD = d, corner = {a, SnapPoint::Kind::EndPoint};
                // The edge to the next corner (the outline closes on its first), in pixels, where
                // the nearest point of a straight piece is found.
                const stock::Point& n = o[(i + 1) % o.size()];
                const MachinePoint b{side * 2 * n.x, n.z};
                const Point pb = view.ToPixel(b);
                const double dx = pb.X - pa.X, dy = pb.Y - pa.Y, len2 = dx * dx + dy * dy;
                if (len2 <= 0) continue;
                const double t = std::clamp(((px.X - pa.X) * dx + (px.Y - pa.Y) * dy) / len2, 0.0, 1.0);
                if (const double d = distance({pa.X + t * dx, pa.Y + t * dy}); d < edgeD)
                    edgeD = d,
                    edge = {{a.X + t * (b.X - a.X), a.Z + t * (b.Z - a.Z)}, SnapPoint::Kind::PartEdge};
            }
    if (corner) return *corner;
    if (edge && !onPath) return *edge;
    return snapped;
}

namespace {

std::string Number(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

} // namespace

std::string ToolText(const stock::Tool& t) {
    using K = stock::Tool::Kind;
    std::string out;
    switch (t.Type) {
    case K::Turning:
    case K::Boring: {
        out = t.Type == K::Turning ? "turning " : "boring ";
        out += t.Shape;
        if (const std::optional<double> angle = stock::ShapeAngle(t.Shape); angle && t.Shape != 'R')
            out += " " + Number(*angle) + "°";
        out += ", edge " + Number(t.EdgeLength) + ", R" + Number(t.NoseRadius);
        break;
    }
    case K::Grooving:
    case K::Parting:
        out = std::string(t.Type == K::Grooving ? "grooving" : "parting") + " W" + Number(t.Width) +
              ", corner R" + Number(t.CornerRadius) + ", reach " + Number(t.Reach);
        break;
    case K::Thread:
        out = "thread " + Number(t.IncludedAngle) + "°, tip R" + Number(t.TipRadius);
        break;
    case K::Drill:
        out = "drill D" + Number(t.DrillDiameter) + ", " + Number(t.PointAngle) + "°";
        break;
    }
    if (t.Type != K::Drill) out += ", tip " + std::to_string(t.TipDirection);
    // Only where it differs from the usual: a face-grooving blade, a drill across the axis.
    if (t.FeedAxis != stock::Tool::Axis::Usual &&
        (t.Type == K::Grooving || t.Type == K::Parting || t.Type == K::Drill))
        out += t.FeedAxis == stock::Tool::Axis::Z ? ", along Z" : ", along X";
    if (t.Driven) out += ", driven";
    out += " (" + (t.Source.empty() ? std::string("setup file") : t.Source);
    for (size_t i = 0; i < t.Assumed.size(); ++i)
        out += (i ? ", " : "; assumed: ") + t.Assumed[i];
    out += ")";
    return out;
}

} // namespace inspect
