// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/ArcCurves.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// The arithmetic below is Qt's step for step (the order of operations included): the numbers
// must come out the same to the last bit.

constexpr double Kappa = 0.5522847498; // control points of a quarter of a unit circle
constexpr double Pi = 3.14159265358979323846;

bool FuzzyIsNull(double d) {
    return std::fabs(d) <= 0.000000000001;
}

bool FuzzyCompare(double a, double b) {
    return std::fabs(a - b) * 1000000000000. <= std::min(std::fabs(a), std::fabs(b));
}

// QPointF's ==: relative to the size of the numbers, absolute near 0.
bool Same(PathPoint a, PathPoint b) {
    auto same = [](double p, double q) { return !p || !q ? FuzzyIsNull(p - q) : FuzzyCompare(p, q); };
    return same(a.X, b.X) && same(a.Y, b.Y);
}

int Floor(double v) {
    return static_cast<int>(std::floor(v));
}

// The parameter of the quarter-circle curve at an angle of 0 to 90 degrees (Newton's method on the
// curve's x and y, averaged).
double TForAngle(double angle) {
    if (FuzzyIsNull(angle)) return 0;
    if (FuzzyCompare(angle, 90.0)) return 1;
    const double radians = angle * (Pi / 180);
    const double cosAngle = std::cos(radians), sinAngle = std::sin(radians);
    double tc = angle / 90;
    for (int i = 0; i < 2; ++i)
        tc -= ((((2 - 3 * Kappa) * tc + 3 * (Kappa - 1)) * tc) * tc + 1 - cosAngle) /
              (((6 - 9 * Kappa) * tc + 6 * (Kappa - 1)) * tc);
    double ts = tc;
    for (int i = 0; i < 2; ++i)
        ts -= ((((3 * Kappa - 2) * ts - 6 * Kappa + 3) * ts + 3 * Kappa) * ts - sinAngle) /
              (((9 * Kappa - 6) * ts + 12 * Kappa - 6) * ts + 3 * Kappa);
    return 0.5 * (tc + ts);
}

// The point of the ellipse at an angle, on the curves the ellipse is drawn with.
PathPoint PointAt(double x, double y, double w, double h, double angle) {
    const double w2 = w / 2, h2 = h / 2;
    const double theta = angle - 360 * Floor(angle / 360);
    double t = theta / 90;
    const int quadrant = static_cast<int>(t);
    t -= quadrant;
    t = TForAngle(90 * t);
    if (quadrant & 1) t = 1 - t;
    const double mt = 1. - t;
    double b = mt * mt, c = t * t;
    const double d = c * t, a = b * mt;
    b *= 3. * t;
    c *= 3. * mt;
    double px = a + b + c * Kappa, py = d + c + b * Kappa;
    if (quadrant == 1 || quadrant == 2) px = -px;
    if (quadrant == 0 || quadrant == 1) py = -py;
    return {x + w / 2 + w2 * px, y + h / 2 + h2 * py};
}

struct Bezier {
    double X1, Y1, X2, Y2, X3, Y3, X4, Y4;

    // This curve from `t` on; `left` gets the part before it.
    void SplitLeft(double t, Bezier& left) {
        left.X1 = X1, left.Y1 = Y1;
        left.X2 = X1 + t * (X2 - X1);
        left.Y2 = Y1 + t * (Y2 - Y1);
        left.X3 = X2 + t * (X3 - X2);
        left.Y3 = Y2 + t * (Y3 - Y2);
        X3 = X3 + t * (X4 - X3);
        Y3 = Y3 + t * (Y4 - Y3);
        X2 = left.X3 + t * (X3 - left.X3);
        Y2 = left.Y3 + t * (Y3 - left.Y3);
        left.X3 = left.X2 + t * (left.X3 - left.X2);
        left.Y3 = left.Y2 + t * (left.Y3 - left.Y2);
        left.X4 = X1 = left.X3 + t * (X2 - left.X3);
        left.Y4 = Y1 = left.Y3 + t * (Y2 - left.Y3);
    }
    Bezier OnInterval(double t0, double t1) const {
        if (t0 == 0 && t1 == 1) return *this;
        Bezier rest = *this, part{};
        rest.SplitLeft(t0, part);
        rest.SplitLeft((t1 - t0) / (1 - t0), part);
        return part;
    }
};

// Qt's curves of the arc: where they start, and 3 points a curve in `curves`. `startPoint` is the
// ellipse's point at the start angle.
PathPoint Curves(double x, double y, double w, double h, double startAngle, double sweepLength,
                 PathPoint startPoint, PathPoint* curves, int& count) {
    count = 0;
    const double w2 = w / 2, w2k = w2 * Kappa, h2 = h / 2, h2k = h2 * Kappa;
    const PathPoint points[13] = {{x + w, y + h2},                                               // start
                                  {x + w, y + h2 + h2k}, {x + w2 + w2k, y + h}, {x + w2, y + h}, // 0 -> 270
                                  {x + w2 - w2k, y + h}, {x, y + h2 + h2k},     {x, y + h2},     // 270 -> 180
                                  {x, y + h2 - h2k},     {x + w2 - w2k, y},     {x + w2, y},     // 180 -> 90
                                  {x + w2 + w2k, y},     {x + w, y + h2 - h2k}, {x + w, y + h2}}; // 90 -> 0
    sweepLength = std::clamp(sweepLength, -360.0, 360.0);
    if (startAngle == 0.0 && sweepLength == 360.0) {
        for (int i = 11; i >= 0; --i)
            curves[count++] = points[i];
        return points[12];
    }
    if (startAngle == 0.0 && sweepLength == -360.0) {
        for (int i = 1; i <= 12; ++i)
            curves[count++] = points[i];
        return points[0];
    }
    int startSegment = Floor(startAngle / 90), endSegment = Floor((startAngle + sweepLength) / 90);
    double startT = (startAngle - startSegment * 90) / 90;
    double endT = (startAngle + sweepLength - endSegment * 90) / 90;
    const int delta = sweepLength > 0 ? 1 : -1;
    if (delta < 0) startT = 1 - startT, endT = 1 - endT;
    if (FuzzyIsNull(startT - 1.0)) startT = 0, startSegment += delta; // no empty first segment
    if (FuzzyIsNull(endT)) endT = 1, endSegment -= delta;             // nor last
    startT = TForAngle(startT * 90);
    endT = TForAngle(endT * 90);
    const bool splitAtStart = !FuzzyIsNull(startT), splitAtEnd = !FuzzyIsNull(endT - 1.0);
    const int end = endSegment + delta;
    if (startSegment == end) {
        const int j = 3 * (3 - ((startSegment % 4) + 4) % 4);
        return delta > 0 ? points[j + 3] : points[j];
    }
    const PathPoint endPoint = PointAt(x, y, w, h, startAngle + sweepLength);
    for (int i = startSegment; i != end; i += delta) {
        const int j = 3 * (3 - ((i % 4) + 4) % 4);
        const PathPoint& p0 = points[delta > 0 ? j + 3 : j];
        const PathPoint& p1 = points[delta > 0 ? j + 2 : j + 1];
        const PathPoint& p2 = points[delta > 0 ? j + 1 : j + 2];
        const PathPoint& p3 = points[delta > 0 ? j : j + 3];
        Bezier b{p0.X, p0.Y, p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y};
        if (startSegment == endSegment && FuzzyCompare(startT, endT)) return startPoint;
        if (i == startSegment) {
            if (i == endSegment && splitAtEnd)
                b = b.OnInterval(startT, endT);
            else if (splitAtStart)
                b = b.OnInterval(startT, 1);
        } else if (i == endSegment && splitAtEnd) {
            b = b.OnInterval(0, endT);
        }
        curves[count++] = {b.X2, b.Y2};
        curves[count++] = {b.X3, b.Y3};
        curves[count++] = {b.X4, b.Y4};
    }
    curves[count - 1] = endPoint;
    return startPoint;
}

} // namespace

ArcCurves CurvesOfArc(double x, double y, double w, double h, double start, double sweep) {
    ArcCurves arc;
    arc.Start = PointAt(x, y, w, h, start);
    PathPoint curves[15];
    int count = 0;
    const PathPoint curveStart = Curves(x, y, w, h, start, sweep, arc.Start, curves, count);
    PathPoint last = arc.Start;
    if (!Same(curveStart, last)) {
        arc.Line = true;
        arc.LineEnd = last = curveStart;
    }
    for (int i = 0; i < count; i += 3) {
        if (Same(last, curves[i]) && Same(curves[i], curves[i + 1]) && Same(curves[i + 1], curves[i + 2]))
            continue;
        std::copy_n(curves + i, 3, arc.Curves + arc.Points);
        arc.Points += 3;
        last = curves[i + 2];
    }
    return arc;
}

} // namespace render
