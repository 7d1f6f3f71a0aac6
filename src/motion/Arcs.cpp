// SPDX-License-Identifier: GPL-3.0-or-later
// Circular interpolation: G02 and G03 through start point, end point and radius. The centre is
// always computed from the radius (the arc of at most 180 degrees for a positive radius); the
// program's centre words only supply a radius when none is written.

#include "base/Alarms.h"
#include "base/Machine.h"
#include "motion/CuttingTime.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"
#include "motion/SoftLimits.h"

#include <cmath>
#include <optional>

namespace motion {
using interp::Pi;

namespace {

constexpr double Epsilon = 1e-5; // keeps the chord's divisors away from zero

// The control's arccos, Atn(-u / Sqr(1 - u * u)) + 2 * Atn(1): it fails (no value) where the
// root is negative or zero, that is for |u| >= 1, where a library arccos would still answer.
std::optional<double> ArcCos(double u) {
    const double d = 1 - u * u;
    if (!std::isfinite(d) || d <= 0) return std::nullopt;
    const double a = std::atan(-u / std::sqrt(d)) + 2 * std::atan(1.0);
    if (!std::isfinite(a)) return std::nullopt;
    return a;
}

// Angle on the canvas (counter-clockwise from +canvas x, 0..2 pi) of the point (x, z) seen from
// the centre, for the horizontal layout and the drawing sign k of X.
std::optional<double> PointAngle(double x, double z, double cx, double cz, double k) {
    const double divisor = std::fabs(z - cz + Epsilon);
    if (divisor == 0) return std::nullopt;
    const double r = std::atan((std::fabs(x - cx) / 2) / divisor);
    if (!std::isfinite(r)) return std::nullopt;
    if (z > cz && x * k < cx * k) return 2 * Pi - r;
    if (z < cz && x * k > cx * k) return Pi - r;
    if (z < cz && x * k < cx * k) return r + Pi;
    return r;
}

// Cutting time of the arc, along its chord. Reports "Feed is 0." and "Speed is 0.".
void AddArcTime(Machine& m, double chord) {
    if (m.S.Feed <= 0) return interp::RaiseAlarm(m, "Feed is 0.");
    AddCutTime(m, chord, SurfaceSpeed::DoubleSpeed);
}

// Both arc directions; `clockwise` selects the side of the chord the centre lies on and the
// direction in which the arc is drawn. Any arithmetic fault ends in "Calcu Error" (Guarded).
void CircularMove(Machine& m, bool clockwise) {
    auto& s = m.S;
    // 2. Incremental words.
    const double endX = s.UWord != 0 ? s.LastX + s.UWord : s.CurX;
    const double endZ = s.WWord != 0 ? s.LastZ + s.WWord : s.CurZ;
    if (!AllFinite({endX, endZ})) throw CalcFault{};
    s.CurX = endX, s.CurZ = endZ;
    // 3. A full circle is not drawn.
    if (s.CurX == s.LastX && s.CurZ == s.LastZ) return;
    // 4. Radius: L before R before the centre words.
    if (s.LWord == 0 && s.RWord != 0) s.LWord = s.RWord;
    if (s.LWord == 0) s.LWord = std::sqrt(s.IWord * s.IWord + s.KWord * s.KWord);
    const double radius = s.LWord;
    // 5. The chord, each difference nudged by epsilon; 6. its direction from +Z towards +X.
    const double dx = (s.CurX - s.LastX) / 2 + Epsilon, dz = (s.CurZ - s.LastZ) + Epsilon;
    const double chord = std::sqrt(dx * dx + dz * dz);
    if (!std::isfinite(chord) || chord == 0 || radius == 0 || !std::isfinite(radius)) throw CalcFault{};
    std::optional<double> alpha = ArcCos(dz / chord);
    // 7. Half the angle the chord subtends; fails when the radius is shorter than half the chord.
    const std::optional<double> beta = ArcCos((chord / 2) / radius);
    if (!alpha || !beta) throw CalcFault{};
    if (dx < 0) *alpha = -*alpha;
    // 8. The centre, and its offsets from the start point left in I and K.
    const double phi = clockwise ? *alpha - *beta : *alpha + *beta;
    s.IWord = radius * std::sin(phi);
    s.KWord = radius * std::cos(phi);
    s.ArcCentreZ = s.LastZ + s.KWord;
    s.ArcCentreX = s.LastX + 2 * s.IWord;
    if (!AllFinite({s.ArcCentreX, s.ArcCentreZ})) throw CalcFault{};
    // 9. End angle (double) and 10. start angle (single).
    const std::optional<double> endAngle = PointAngle(s.CurX, s.CurZ, s.ArcCentreX, s.ArcCentreZ, s.XSign);
    const std::optional<double> startAngle =
        PointAngle(s.LastX, s.LastZ, s.ArcCentreX, s.ArcCentreZ, s.XSign);
    if (!endAngle || !startAngle) throw CalcFault{};
    double te = *endAngle;
    double ts = static_cast<float>(*startAngle);
    // 11. Plus limits.
    if (CheckPlusLimit(m) == 1) return;
    // 12. The vertical layout turns the picture by a quarter.
    if (s.Vertical) {
        te += Pi / 2, ts += Pi / 2;
        if (te > 2 * Pi) te -= 2 * Pi;
        if (ts > 2 * Pi) ts -= 2 * Pi;
        ts = static_cast<float>(ts);
    }
    // 13. The arc, always counter-clockwise on the canvas; which end it starts from depends on the
    // direction, the mirror and the layout. NOTE: a negative radius word gives the centre of the
    // longer arc; it is drawn through that centre with the radius's size.
    double from, to;
    if (clockwise) {
        from = s.XSign > 0 ? te : ts, to = s.XSign > 0 ? ts : te;
    } else if (s.XSign > 0) {
        from = ts, to = s.Vertical ? te : te + Epsilon;
    } else {
        from = te, to = ts;
    }
    // The picture's arc call takes angles of at most a full turn; the perturbed end angle of a
    // counter-clockwise arc can pass it, and the control then fails the block.
    if (from > 2 * Pi || to > 2 * Pi) throw CalcFault{};
    const CanvasPoint centre = MapPoint(m, s.ArcCentreX, s.ArcCentreZ);
    PathSegment seg{clockwise ? PathSegment::Kind::ArcCW : PathSegment::Kind::ArcCCW,
                    s.LastX,
                    s.LastZ,
                    s.CurX,
                    s.CurZ,
                    s.ArcCentreX,
                    s.ArcCentreZ,
                    std::fabs(radius)};
    m.Trace.Path(seg);
    m.Trace.Circle(centre.x, centre.y, std::fabs(radius), s.CutColor, false, from, to);
    // 14. The end pixel, 15. the chord, 16. the mark, 17. the time.
    const CanvasPoint end = MapPoint(m, s.CurX, s.CurZ);
    m.Trace.PSet(end.x, end.y, s.CutColor);
    const double cx = std::fabs(s.CurX - s.LastX) / 2, cz = s.CurZ - s.LastZ;
    const double chordLength = std::sqrt(cx * cx + cz * cz);
    DrawPositionMark(m);
    AddArcTime(m, chordLength);
}

} // namespace

void CircularCW(Machine& m) {
    Guarded(m, [](Machine& machine) { CircularMove(machine, true); });
}

void CircularCCW(Machine& m) {
    Guarded(m, [](Machine& machine) { CircularMove(machine, false); });
}

} // namespace motion
