// SPDX-License-Identifier: GPL-3.0-or-later
// The view of the trace: the standard view framed by the soft limits, recentring the canvas,
// and the empty canvas with axes, rulers and snap grid.

#include "base/LabelLayout.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"

#include <algorithm>

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

// A picture's text size in its own window units (twips), whatever its scale.
double TwipsWide(Canvas& c, const std::string& text) {
    return c.TextWidth(text) * c.Width / std::fabs(c.ScaleWidth);
}
double TwipsHigh(Canvas& c) {
    return c.TextHeight("A") * c.Height / std::fabs(c.ScaleHeight);
}

// True when the edge runs through the span from a to b.
bool Straddles(double a, double b, double edge) {
    return a < edge && edge < b;
}

// The room a ruler's ticks keep clear of its labels: the Z ruler's ticks run below its labels,
// the X ruler's unlabelled ticks to the right of them (twips).
constexpr double TickRoom = 75;

// The Z ruler: labels along its top, each starting one "A" left of its tick, ticks below them.
// Every label shows its whole number: labels are thinned to round values so that neighbours
// keep apart, and a label the picture cannot hold whole is left out.
void DrawZRuler(Machine& m, Canvas& z, int32_t fore, double step, double xRulerWidth) {
    const double sl = m.Trace.ScaleLeft, sw = m.Trace.ScaleWidth;
    const double tw = z.TextWidth("A"), height = z.ScaleHeight, top = z.ScaleTop;
    const std::vector<Tick> ticks = RulerTicks(step, sl, sl + sw, MaxLines);
    std::vector<std::string> texts;
    texts.reserve(ticks.size());
    for (const Tick& t : ticks)
        texts.push_back(RulerLabel(true, t.Value, m.S.Vertical, m.S.XSign));
    const double unitsPerTwip = std::fabs(z.ScaleWidth) / z.Width;
    const double widest = WidestText(texts, [&z](const std::string& s) { return TwipsWide(z, s); });
    const int stride = LabelStride(step / unitsPerTwip, widest + TwipsWide(z, "A"));
    const double textHeight = TwipsHigh(z) * std::fabs(z.ScaleHeight) / z.Height;
    const double tickTop = top + std::max(height / 2, std::min(textHeight, height));
    const double pictureRight = z.ScaleLeft + z.ScaleWidth;
    // The part the viewport shows right of the X ruler: a label cut by its edges would read as
    // another number ("Z-1250" as "250"); it is left out until the next redraw.
    const double shownLeft = VisibleLeft(m) + xRulerWidth * unitsPerTwip;
    const double shownRight = VisibleLeft(m) + m.Screen.ViewportWidth * unitsPerTwip;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const double t = ticks[i].Value;
        z.Line(t, tickTop, t, top + height, fore);
        if (ticks[i].Index % stride != 0) continue;
        const double left = t - tw, right = left + TwipsWide(z, texts[i]) * unitsPerTwip;
        if (left < z.ScaleLeft || right > pictureRight) continue;
        if (Straddles(left, right, shownLeft) || Straddles(left, right, shownRight)) continue;
        z.CurrentX = left;
        z.CurrentY = top;
        z.Print(texts[i]);
    }
}

// The X ruler: each label sits just above its tick line; the ruler is as wide as its widest
// label (at least a 35th of the viewport), unlabelled ticks are short marks on its right edge.
void DrawXRuler(Machine& m, Canvas& x, int32_t fore, double step, double viewportWidth, double zRulerHeight) {
    const double st = m.Trace.ScaleTop, sh = m.Trace.ScaleHeight;
    const std::vector<Tick> ticks = RulerTicks(step, st, st + sh, MaxLines);
    std::vector<std::string> texts;
    texts.reserve(ticks.size());
    for (const Tick& t : ticks)
        texts.push_back(RulerLabel(false, t.Value, m.S.Vertical, m.S.XSign));
    const double widest = WidestText(texts, [&x](const std::string& s) { return TwipsWide(x, s); });
    const double width = std::max(viewportWidth / 35, std::ceil(widest + TickRoom));
    if (std::fabs(x.Width - width) >= 1) {
        x.Resize(width, x.Height);
        x.SetScale(0, x.ScaleTop, width, x.ScaleHeight);
    }
    const double left = x.ScaleLeft, right = x.ScaleLeft + x.ScaleWidth;
    const double th = x.TextHeight("A");
    const double unitsPerTwip = std::fabs(x.ScaleHeight) / x.Height;
    const int stride = LabelStride(step / unitsPerTwip, TwipsHigh(x) * 1.1);
    const double pictureTop = std::min(x.ScaleTop, x.ScaleTop + x.ScaleHeight);
    const double pictureBottom = std::max(x.ScaleTop, x.ScaleTop + x.ScaleHeight);
    const double minorLeft = right - TickRoom * std::fabs(x.ScaleWidth) / x.Width;
    // The part the viewport shows above the Z ruler (see the Z ruler).
    const double shownTop = VisibleTop(m);
    const double shownBottom = shownTop + (m.Screen.ViewportHeight - zRulerHeight) * unitsPerTwip;
    for (size_t i = 0; i < ticks.size(); ++i) {
        const double t = ticks[i].Value;
        const bool labelled = ticks[i].Index % stride == 0;
        x.Line(labelled ? left : minorLeft, t, right, t, fore);
        if (!labelled || t - th < pictureTop || t > pictureBottom) continue;
        if (Straddles(t - th, t, shownTop) || Straddles(t - th, t, shownBottom)) continue;
        x.CurrentX = left;
        x.CurrentY = t - th;
        x.Print(texts[i]);
    }
}

void DrawRulers(Machine& m, int32_t fore, double step) {
    Canvas* x = m.Screen.Xscale;
    Canvas* z = m.Screen.Zscale;
    // The X ruler first: its width is where the Z ruler's labels start to show.
    if (x) DrawXRuler(m, *x, fore, step, m.Screen.ViewportWidth, z ? z->Height : 0);
    if (z) DrawZRuler(m, *z, fore, step, x ? x->Width : 0);
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

// The Z ruler is a 40th of the viewport high, or as high as its labels with ticks below them.
double ZRulerHeight(Machine& m) {
    const double least = m.Screen.ViewportHeight / 40;
    Canvas* z = m.Screen.Zscale;
    if (!z) return least;
    z->FontSize = 9;
    return std::max(least, std::ceil(TwipsHigh(*z) + TickRoom));
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
    m.Screen.ToolLabelBoxes.Clear();
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
    const double zscaleHeight = ZRulerHeight(m);
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

void FitCanvasToViewport(Machine& m) {
    View& v = m.Screen;
    Canvas& c = m.Trace;
    const double vw = v.ViewportWidth, vh = v.ViewportHeight;
    if (!(vw > 0) || !(vh > 0) || !(c.Width > 0) || !(c.Height > 0)) return;
    // The canvas was made four times the viewport it was last fitted to; the centre of that
    // viewport is the machine point the new one centres on.
    const double unitsX = c.ScaleWidth / c.Width, unitsY = c.ScaleHeight / c.Height;
    const double cx = VisibleLeft(m) + c.Width / 8 * unitsX;
    const double cy = VisibleTop(m) + c.Height / 8 * unitsY;
    if (!AllFinite({unitsX, unitsY, cx, cy})) return;
    const double cw = 4 * vw, ch = 4 * vh;
    c.Resize(cw, ch);
    const double sw = unitsX * cw, sh = unitsY * ch;
    // The viewport sits in the middle of the canvas: as much room to drag one way as the other.
    v.CanvasLeft = -(cw - vw) / 2;
    v.CanvasTop = -(ch - vh) / 2;
    c.SetScale(cx - sw / 2, cy - sh / 2, sw, sh);
    const double zscaleHeight = ZRulerHeight(m);
    if (v.Xscale) {
        v.Xscale->Resize(std::max(v.Xscale->Width, vw / 35), ch);
        v.Xscale->SetScale(0, c.ScaleTop, v.Xscale->Width, sh);
    }
    if (v.Zscale) {
        v.Zscale->Resize(cw, zscaleHeight);
        v.Zscale->SetScale(c.ScaleLeft, 0, sw, zscaleHeight);
    }
    v.XscaleTop = v.CanvasTop;
    v.ZscaleLeft = v.CanvasLeft;
    v.ZscaleTop = vh - zscaleHeight;
    FitZoomHistory(v, vw, vh);
    RedrawCanvas(m);
}

} // namespace motion
