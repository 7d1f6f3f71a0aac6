// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/Framing.h"

#include "base/View.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace picture {

namespace {

constexpr double Pi = 3.141592653589793;
constexpr int32_t AxisColor = static_cast<int32_t>(0x80000010u);
// The smallest area a framed picture shows, in canvas units (millimetres).
constexpr double SmallestWidth = 2;

bool Finite(double a, double b) {
    return std::isfinite(a) && std::isfinite(b);
}

// `box` grown to take in (x, y).
void Extend(std::optional<Area>& box, double x, double y) {
    if (!box) {
        box = Area{x, y, 0, 0};
        return;
    }
    Area& a = *box;
    const double right = std::max(a.Left + a.Width, x), bottom = std::max(a.Top + a.Height, y);
    a.Left = std::min(a.Left, x);
    a.Top = std::min(a.Top, y);
    a.Width = right - a.Left;
    a.Height = bottom - a.Top;
}

bool Inside(const Area& a, double x, double y) {
    return x >= a.Left && x <= a.Left + a.Width && y >= a.Top && y <= a.Top + a.Height;
}

// The part of the line (x0, y0)-(x1, y1) inside `a` as the parameters t0 <= t1 along it; false
// when none is.
bool ClipToArea(const Area& a, double x0, double y0, double x1, double y1, double& t0, double& t1) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {x0 - a.Left, a.Left + a.Width - x0, y0 - a.Top, a.Top + a.Height - y0};
    t0 = 0, t1 = 1;
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0) return false; // beside the area and parallel to its side
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
    }
    return t0 <= t1;
}

} // namespace

void PartExtent::AddCut(double x0, double y0, double x1, double y1) {
    if (!Finite(x0, y0) || !Finite(x1, y1)) return;
    Extend(Cuts, x0, y0);
    Extend(Cuts, x1, y1);
}

void PartExtent::AddRapid(double x0, double y0, double x1, double y1) {
    if (!Finite(x0, y0) || !Finite(x1, y1)) return;
    Extend(Rapids, x0, y0);
    Extend(Rapids, x1, y1);
    // Cuts only grow: a rapid inside those known so far adds nothing to the part.
    if (Cuts && Inside(*Cuts, x0, y0) && Inside(*Cuts, x1, y1)) return;
    Outside.push_back({x0, y0, x1, y1});
}

void PartExtent::Clear() {
    Cuts.reset();
    Rapids.reset();
    Outside.clear();
}

std::optional<Area> PartExtent::Part() const {
    if (!Cuts) return Rapids;
    const double grow = Near * std::max(Cuts->Width, Cuts->Height);
    const Area near{Cuts->Left - grow, Cuts->Top - grow, Cuts->Width + 2 * grow, Cuts->Height + 2 * grow};
    std::optional<Area> part = Cuts;
    for (const auto& [x0, y0, x1, y1] : Outside) {
        double t0, t1;
        if (!ClipToArea(near, x0, y0, x1, y1, t0, t1)) continue;
        const double dx = x1 - x0, dy = y1 - y0;
        Extend(part, x0 + t0 * dx, y0 + t0 * dy);
        Extend(part, x0 + t1 * dx, y0 + t1 * dy);
    }
    return part;
}

void BoundsCanvas::Add(double x, double y, int32_t color) {
    if (color == AxisColor || !Finite(x, y)) return;
    Extend(Drawn, x, y);
}

void BoundsCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    CurrentX = x2, CurrentY = y2;
    if (!Finite(x1, y1) || !Finite(x2, y2)) return;
    Add(x1, y1, color);
    Add(x2, y2, color);
    if (!InPiece || color == AxisColor) return;
    if (Piece == motion::PathSegment::Kind::Rapid)
        Cut.AddRapid(x1, y1, x2, y2);
    else
        Cut.AddCut(x1, y1, x2, y2);
}

void BoundsCanvas::PSet(double x, double y, int32_t color) {
    CurrentX = x, CurrentY = y;
    Add(x, y, color);
    if (InPiece && color != AxisColor && Piece != motion::PathSegment::Kind::Rapid && Finite(x, y))
        Cut.AddCut(x, y, x, y);
}

void BoundsCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start,
                          double end) {
    r = std::fabs(r);
    if (!Finite(cx, cy) || !std::isfinite(r)) return;
    // The points that bound it: a full circle's corners, or an arc's ends and the quarter points
    // it passes. Angles count counter-clockwise on screen, where y grows downwards.
    std::vector<std::array<double, 2>> points;
    auto at = [&](double a) { points.push_back({cx + r * std::cos(a), cy - r * std::sin(a)}); };
    if (full) {
        points = {{cx - r, cy - r}, {cx + r, cy + r}};
    } else {
        double span = std::fmod(end - start, 2 * Pi);
        if (span < 0) span += 2 * Pi;
        at(start);
        at(start + span);
        for (int k = 0; k < 8; ++k) {
            const double q = k * Pi / 2;
            double from = std::fmod(q - start, 2 * Pi);
            if (from < 0) from += 2 * Pi;
            if (from <= span) at(q);
        }
    }
    for (const auto& p : points)
        Add(p[0], p[1], color);
    // Arcs are cuts; the small circles of an end mark drawn after a rapid are left out.
    if (!InPiece || color == AxisColor || Piece == motion::PathSegment::Kind::Rapid) return;
    for (const auto& p : points)
        if (Finite(p[0], p[1])) Cut.AddCut(p[0], p[1], p[0], p[1]);
}

double BoundsCanvas::TextWidth(const std::string& text) {
    return 0.6 * FontSize * 20 * static_cast<double>(text.size()) * std::fabs(ScaleWidth) / Width;
}

double BoundsCanvas::TextHeight(const std::string&) {
    return 1.2 * FontSize * 20 * std::fabs(ScaleHeight) / Height;
}

Area FitArea(const Area& drawn, double widthPx, double heightPx, double margin) {
    const double inner = 1 - 2 * margin;
    const double aspect = heightPx / widthPx;
    double w = std::max(drawn.Width, drawn.Height / aspect) / inner;
    if (!(w >= SmallestWidth)) w = SmallestWidth;
    const double h = w * aspect;
    const double cx = drawn.Left + drawn.Width / 2, cy = drawn.Top + drawn.Height / 2;
    return Area{cx - w / 2, cy - h / 2, w, h};
}

bool ShowArea(motion::Canvas& canvas, motion::View& view, const Area& area) {
    const double sw = 4 * area.Width;
    const double sh = canvas.Height / canvas.Width * sw;
    const double sl = area.Left + view.CanvasLeft * sw / canvas.Width;
    const double st = area.Top + view.CanvasTop * sh / canvas.Height;
    if (!(sw > 0) || !(sh > 0) || !Finite(sw, sh) || !Finite(sl, st)) return false;
    canvas.SetScale(sl, st, sw, sh);
    if (motion::Canvas* x = view.Xscale) {
        x->ScaleTop = st;
        x->ScaleHeight = sh;
    }
    if (motion::Canvas* z = view.Zscale) {
        z->ScaleLeft = sl;
        z->ScaleWidth = sw;
    }
    return true;
}

Area VisibleArea(const motion::Canvas& c, const motion::View& v) {
    return Area{c.ScaleLeft - v.CanvasLeft * c.ScaleWidth / c.Width,
                c.ScaleTop - v.CanvasTop * c.ScaleHeight / c.Height, c.ScaleWidth / 4, c.ScaleHeight / 4};
}

} // namespace picture
