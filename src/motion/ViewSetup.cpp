// The view of the trace: the standard view framed by the soft limits, recentring the canvas,
// and the empty canvas with axes, rulers and snap grid.

#include "base/Legacy.h"
#include "base/Machine.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"

#include <cmath>
#include <string>

namespace motion {

namespace {

// Axes are drawn in the system's button-shadow colour.
constexpr int32_t AxisColor = static_cast<int32_t>(0x80000010u);
constexpr int32_t GridColor = 0x008000; // dark green
// NOTE: a view zoomed out without bound would draw an unbounded number of ticks and grid lines;
// past this many per direction the rest would be closer than a pixel anyway.
constexpr int MaxLines = 20000;

// Calls draw(t) for t = 0, step, 2 step ... up to `high`, then -step, -2 step ... down to `low`,
// accumulating t as a counting loop does.
template <typename Draw> void ForEachTick(double step, double low, double high, Draw draw) {
    if (!AllFinite({step, low, high})) return;
    int n = 0;
    for (double t = 0; t <= high && n < MaxLines; t += step, ++n)
        draw(t);
    n = 0;
    for (double t = -step; t >= low && n < MaxLines; t -= step, ++n)
        draw(t);
}

void DrawRulers(Machine& m, int32_t fore, double step) {
    const Canvas& c = m.Trace;
    const double sl = c.ScaleLeft, sw = c.ScaleWidth, st = c.ScaleTop, sh = c.ScaleHeight;
    const bool vertical = m.S.Vertical;
    const double sign = m.S.XSign;
    if (Canvas* z = m.Screen.Zscale) {
        const double tw = z->TextWidth("A"), height = z->ScaleHeight;
        ForEachTick(step, sl, sl + sw, [&](double t) {
            z->Line(t, height / 2, t, height, fore);
            z->CurrentX = t - tw;
            z->CurrentY = z->ScaleTop;
            z->Print(RulerLabel(true, t, vertical, sign));
        });
    }
    if (Canvas* x = m.Screen.Xscale) {
        const double th = x->TextHeight("A"), width = x->ScaleWidth;
        ForEachTick(step, st, st + sh, [&](double t) {
            x->Line(x->ScaleLeft, t, x->ScaleLeft + width, t, fore);
            x->CurrentX = x->ScaleLeft;
            x->CurrentY = t - th;
            x->Print(RulerLabel(false, t, vertical, sign));
        });
    }
}

// Dotted lines one canvas unit apart (1 mm of Z, 2 mm of X diameter), none on the axes.
void DrawSnapGrid(Machine& m) {
    Canvas& c = m.Trace;
    const auto& s = m.S;
    const double sl = c.ScaleLeft, sw = c.ScaleWidth, st = c.ScaleTop, sh = c.ScaleHeight;
    auto units = [](double low, double high, auto draw) {
        if (!AllFinite({low, high})) return;
        int n = 0;
        for (double v = 1; v <= high && n < MaxLines; ++v, ++n)
            draw(v);
        n = 0;
        for (double v = -1; v >= low && n < MaxLines; --v, ++n)
            draw(v);
    };
    if ((s.XSnap && !s.Vertical) || (s.ZSnap && s.Vertical)) {
        c.Style = DrawStyle::Dot;
        units(st, st + sh, [&](double y) { c.Line(sl, y, sl + sw, y, GridColor); });
        c.Style = DrawStyle::Solid;
    }
    if ((s.ZSnap && !s.Vertical) || (s.XSnap && s.Vertical)) {
        c.Style = DrawStyle::Dot;
        units(sl, sl + sw, [&](double x) { c.Line(x, st, x, st + sh, GridColor); });
        c.Style = DrawStyle::Solid;
    }
}

} // namespace

double RulerStep(double scaleWidth) {
    const double q = scaleWidth / 20;
    double step = 0.2;
    for (double t : {0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0})
        if (q > t) step = t;
    return step;
}

std::string RulerLabel(bool horizontalRuler, double t, bool vertical, double xSign) {
    if (horizontalRuler == vertical) return "X" + legacy::RoundText(t * -2 * xSign, 1);
    return horizontalRuler ? "Z" + legacy::RoundText(t, 1) : "Z" + legacy::RoundText(-t, 1);
}

void RedrawCanvas(Machine& m) {
    Canvas& c = m.Trace;
    // 1. Plain foreground: black on white, white on black.
    const int32_t fore = m.S.WhiteBackground ? 0 : 0xFFFFFF;
    // 2. Clear the canvas and the rulers.
    c.Cls();
    c.FontSize = 10;
    c.ForeColor = fore;
    for (Canvas* ruler : {m.Screen.Xscale, m.Screen.Zscale}) {
        if (!ruler) continue;
        ruler->Cls();
        ruler->FontSize = 9;
        ruler->ForeColor = fore;
    }
    // 3. and 4. The axes through the origin.
    const double sl = c.ScaleLeft, sw = c.ScaleWidth, st = c.ScaleTop, sh = c.ScaleHeight;
    c.Line(sl, 0, sl + sw, 0, AxisColor);
    c.Line(0, st, 0, st + sh, AxisColor);
    // 5. to 7. Ruler ticks and labels, 8. the snap grid.
    DrawRulers(m, fore, RulerStep(sw));
    DrawSnapGrid(m);
}

StandardViewResult SetStandardView(Machine& m) {
    const auto& s = m.S;
    View& v = m.Screen;
    Canvas& c = m.Trace;
    // 4. The canvas is four viewports wide and high, moved |NVLZ| twips further right.
    const double cw = 4 * v.ViewportWidth, ch = 4 * v.ViewportHeight;
    c.Resize(cw, ch);
    v.CanvasLeft = -(cw / 2) - s.NVLZ;
    v.CanvasTop = -(ch / 2);
    // 5. and 6. The rulers along the left and bottom edges.
    const double zscaleHeight = v.ViewportHeight / 40;
    if (v.Xscale) v.Xscale->Resize(v.ViewportWidth / 35, 4 * v.ViewportHeight);
    if (v.Zscale) v.Zscale->Resize(4 * v.ViewportWidth, zscaleHeight);
    v.XscaleTop = -(ch / 2);
    v.ZscaleLeft = -(cw / 2) - s.NVLZ;
    v.ZscaleTop = v.ViewportHeight - zscaleHeight;
    // 7. Canvas scale: Z from NVLZ to PVLZ across the viewport, its bottom edge at X = NVLX.
    const double sw = 4 * (s.PVLZ - s.NVLZ);
    const double sh = ch / cw * sw;
    const double sl = -sw / 2 + s.NVLZ;
    const double st = -sh * 6 / 8 - s.NVLX / 2;
    // A zero or non-finite scale is an invalid picture property: the limits are wrong.
    if (sw == 0 || sh == 0 || !AllFinite({sw, sh, sl, st})) return StandardViewResult::SoftLimitError;
    c.SetScale(sl, st, sw, sh);
    // 8. The rulers follow the canvas scale.
    if (v.Xscale) v.Xscale->SetScale(0, st, v.Xscale->Width, sh);
    if (v.Zscale) v.Zscale->SetScale(sl, 0, sw, v.Zscale->Height);
    // 9. The empty canvas.
    RedrawCanvas(m);
    return StandardViewResult::Ok;
}

void RecentreCanvas(Machine& m) {
    View& v = m.Screen;
    Canvas& c = m.Trace;
    // 2. The visible corner stays; 3. the canvas moves to 2/5 of its size.
    const double a = c.ScaleWidth / 5, b = c.ScaleHeight / 5;
    const double vl = VisibleLeft(m), vt = VisibleTop(m);
    c.ScaleLeft = vl - 2 * a;
    c.ScaleTop = vt - 2 * b;
    v.CanvasLeft = -(c.Width / 5) * 2;
    v.CanvasTop = -(c.Height / 5) * 2;
    // 4. The rulers move with it.
    if (v.Xscale) v.Xscale->ScaleTop = vt - 2 * b;
    v.XscaleTop = -(c.Height / 5) * 2;
    if (v.Zscale) v.Zscale->ScaleLeft = vl - 2 * a;
    v.ZscaleLeft = -(c.Width / 5) * 2;
}

} // namespace motion
