#include "picture/Framing.h"

#include "base/View.h"

#include <algorithm>
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

} // namespace

void BoundsCanvas::Add(double x, double y, int32_t color) {
    if (color == AxisColor || !Finite(x, y)) return;
    if (!Drawn) {
        Drawn = Area{x, y, 0, 0};
        return;
    }
    Area& a = *Drawn;
    const double right = std::max(a.Left + a.Width, x), bottom = std::max(a.Top + a.Height, y);
    a.Left = std::min(a.Left, x);
    a.Top = std::min(a.Top, y);
    a.Width = right - a.Left;
    a.Height = bottom - a.Top;
}

void BoundsCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    CurrentX = x2, CurrentY = y2;
    if (!Finite(x1, y1) || !Finite(x2, y2)) return;
    Add(x1, y1, color);
    Add(x2, y2, color);
}

void BoundsCanvas::PSet(double x, double y, int32_t color) {
    CurrentX = x, CurrentY = y;
    Add(x, y, color);
}

void BoundsCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start,
                          double end) {
    r = std::fabs(r);
    if (!Finite(cx, cy) || !std::isfinite(r)) return;
    // Angles count counter-clockwise on screen, where y grows downwards.
    auto at = [&](double a) { Add(cx + r * std::cos(a), cy - r * std::sin(a), color); };
    if (full) {
        Add(cx - r, cy - r, color);
        Add(cx + r, cy + r, color);
        return;
    }
    double span = std::fmod(end - start, 2 * Pi);
    if (span < 0) span += 2 * Pi;
    at(start);
    at(start + span);
    // The quarter points the arc passes.
    for (int k = 0; k < 8; ++k) {
        const double q = k * Pi / 2;
        double from = std::fmod(q - start, 2 * Pi);
        if (from < 0) from += 2 * Pi;
        if (from <= span) at(q);
    }
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
