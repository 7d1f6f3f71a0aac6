// SPDX-License-Identifier: GPL-3.0-or-later
// Zoom box, zoom history, wheel, keys, drag and the position read-out under the pointer.

#include "nav/ViewNavigation.h"

#include "base/Legacy.h"
#include "base/Machine.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"

#include <algorithm>
#include <cmath>

namespace nav {

using namespace motion; // nav is built on motion's canvas, view and drawing steps

namespace {

// The rubber band: white on a white canvas, the button face on a black one, both XORed.
constexpr int32_t BandOnWhite = 0xFFFFFF;
constexpr int32_t BandOnBlack = static_cast<int32_t>(0x8000000Fu);

// The rulers follow the canvas scale: Xscale its top and height, Zscale its left and width.
void CopyToRulers(Machine& m) {
    const Canvas& c = m.Trace;
    if (Canvas* x = m.Screen.Xscale) {
        x->ScaleTop = c.ScaleTop;
        x->ScaleHeight = c.ScaleHeight;
    }
    if (Canvas* z = m.Screen.Zscale) {
        z->ScaleLeft = c.ScaleLeft;
        z->ScaleWidth = c.ScaleWidth;
    }
}

// A box outline in XOR: drawing the same box twice leaves the picture as it was, so a box with
// no extent is drawn as one line (or not at all) rather than as lines that cancel each other.
void XorBox(Canvas& c, float x1, float y1, float x2, float y2, int32_t color) {
    if (x1 == x2 && y1 == y2) return;
    if (x1 == x2 || y1 == y2) {
        c.Line(x1, y1, x2, y2, color);
        return;
    }
    c.Line(x1, y1, x2, y1, color);
    c.Line(x2, y1, x2, y2, color);
    c.Line(x2, y2, x1, y2, color);
    c.Line(x1, y2, x1, y1, color);
}

void DrawBand(Machine& m, float x, float y, float toX, float toY) {
    Canvas& c = m.Trace;
    const DrawMode before = c.Mode;
    c.Mode = DrawMode::Xor;
    XorBox(c, x, y, toX, toY, m.S.WhiteBackground ? BandOnWhite : BandOnBlack);
    c.Mode = before;
}

// Shows a remembered zoom view: visible width w and height h, visible left edge `left`, and the
// sum of the box's corner y values; the canvas goes back to the middle of the viewport.
void ShowZoomView(Machine& m, double w, double h, double left, double sumY) {
    Canvas& c = m.Trace;
    View& v = m.Screen;
    c.Cls();
    c.SetScale(left - 2 * w, sumY / 2 - h / 2 - 2 * h, 4 * w, 4 * h);
    v.CanvasLeft = -c.Width / 2;
    v.CanvasTop = -c.Height / 2;
    CopyToRulers(m);
    v.XscaleTop = -c.Height / 2;
    v.ZscaleLeft = -c.Width / 2;
}

// Five views above the standard view; a sixth push drops the oldest.
void PushZoom(ZoomHistory& z, double w, double h, double left, double sumY) {
    ++z.ZoomLevel;
    if (z.ZoomLevel >= 6) {
        for (int i = 1; i < 5; ++i) {
            z.ZoomHistWidth[i] = z.ZoomHistWidth[i + 1];
            z.ZoomHistHeight[i] = z.ZoomHistHeight[i + 1];
            z.ZoomHistLeft[i] = z.ZoomHistLeft[i + 1];
            z.ZoomHistSumY[i] = z.ZoomHistSumY[i + 1];
        }
        z.ZoomLevel = 5;
    }
    z.ZoomHistWidth[z.ZoomLevel] = w;
    z.ZoomHistHeight[z.ZoomLevel] = h;
    z.ZoomHistLeft[z.ZoomLevel] = left;
    z.ZoomHistSumY[z.ZoomLevel] = sumY;
}

// A new canvas scale of width `sw` (height from the canvas's proportions) with its top-left
// corner at (left, top); refused when a number stops being a usable scale.
bool SetScaleKeepingAspect(Machine& m, double sw, double left, double top) {
    Canvas& c = m.Trace;
    const double sh = c.Height / c.Width * sw;
    if (sw == 0 || sh == 0 || !AllFinite({sw, sh, left, top})) return false;
    c.SetScale(left, top, sw, sh);
    CopyToRulers(m);
    return true;
}

} // namespace

bool ApplyRerun(interp::RunControl& run, Rerun rerun) {
    switch (rerun) {
    case Rerun::None:
        return true;
    case Rerun::RedrawReplay:
        run.RedrawReplay();
        return true;
    case Rerun::ReplayIfAutoStart:
        run.ReplayIfAutoStart();
        return true;
    case Rerun::ForcedReplay:
        run.ForcedReplay();
        return true;
    case Rerun::PopupStart:
        run.PopupStart();
        return true;
    case Rerun::StandardView:
    case Rerun::OverAreaNotice:
        return false;
    }
    return false;
}

bool ToggleZoomMode(View& v) {
    v.Pointer.ZoomMode = !v.Pointer.ZoomMode;
    return v.Pointer.ZoomMode;
}

void BeginZoomBox(View& v, float x, float y) {
    PointerState& p = v.Pointer;
    p.DragStartX = p.DragEndX = x;
    p.DragStartY = p.DragEndY = y;
}

void BeginDrag(View& v, float x, float y) {
    v.Pointer.DragStartX = x;
    v.Pointer.DragStartY = y;
}

void DragRubberBand(Machine& m, float x, float y) {
    PointerState& p = m.Screen.Pointer;
    DrawBand(m, p.DragStartX, p.DragStartY, p.DragEndX, p.DragEndY); // erases the last band
    DrawBand(m, p.DragStartX, p.DragStartY, x, y);
    p.DragEndX = x;
    p.DragEndY = y;
}

Rerun ApplyZoomBox(Machine& m, float x, float y) {
    PointerState& p = m.Screen.Pointer;
    const Canvas& c = m.Trace;
    // 1. The box as dragged, from either corner.
    double w = std::fabs(static_cast<double>(p.DragStartX) - x);
    double h = std::fabs(static_cast<double>(p.DragStartY) - y);
    // NOTE: a click without a drag, or a drag along one axis, is taken as a slip of the hand:
    // the box is refused before the view, the zoom mode or the history change.
    if (!(w > 0) || !(h > 0)) {
        DrawBand(m, p.DragStartX, p.DragStartY, p.DragEndX, p.DragEndY);
        p.DragEndX = p.DragStartX;
        p.DragEndY = p.DragStartY;
        return Rerun::None;
    }
    // 2. The box grows in one direction until it has the viewport's proportions.
    const double hFromW = w * c.Height / c.Width;
    if (h > hFromW)
        w = h * c.Width / c.Height;
    else
        h = hFromW;
    // 3. to 5. Its left edge and vertical centre become the viewport's.
    const double left = std::min(static_cast<double>(p.DragStartX), static_cast<double>(x));
    const double sumY = static_cast<double>(p.DragStartY) + y;
    if (!AllFinite({w, h, left, sumY}) || !(w > 0) || !(h > 0)) return Rerun::None;
    ShowZoomView(m, w, h, left, sumY);
    // 6. The box disarms the zoom mode; 7. the view is remembered.
    p.ZoomMode = false;
    PushZoom(m.Screen.Zoom, w, h, left, sumY);
    return Rerun::RedrawReplay;
}

Rerun ZoomToArea(Machine& m, double left, double top, double width, double height) {
    const double sumY = 2 * top + height;
    if (!AllFinite({left, top, width, height, sumY}) || !(width > 0) || !(height > 0)) return Rerun::None;
    ShowZoomView(m, width, height, left, sumY);
    PushZoom(m.Screen.Zoom, width, height, left, sumY);
    return Rerun::RedrawReplay;
}

Rerun ZoomUndo(Machine& m) {
    ZoomHistory& z = m.Screen.Zoom;
    --z.ZoomLevel;
    if (z.ZoomLevel > 0 && z.ZoomLevel <= 5) {
        const int i = z.ZoomLevel;
        ShowZoomView(m, z.ZoomHistWidth[i], z.ZoomHistHeight[i], z.ZoomHistLeft[i], z.ZoomHistSumY[i]);
        return Rerun::RedrawReplay;
    }
    z.ZoomLevel = 0;
    return Rerun::StandardView;
}

Rerun WheelZoom(Machine& m, int16_t iniVector) {
    Canvas& c = m.Trace;
    const PointerState& p = m.Screen.Pointer;
    const double dx = p.MouseX - c.ScaleLeft, dy = p.MouseY - c.ScaleTop;
    const double f = iniVector <= 0 ? 1.2 : 0.8;
    // The canvas point under the pointer keeps its place in the window.
    if (!SetScaleKeepingAspect(m, c.ScaleWidth * f, p.MouseX - dx * f, p.MouseY - dy * f)) return Rerun::None;
    RedrawCanvas(m);
    return Rerun::ForcedReplay;
}

Rerun KeyZoom(Machine& m, int keyCode) {
    Canvas& c = m.Trace;
    const double sw = c.ScaleWidth, sh = c.ScaleHeight, sl = c.ScaleLeft, st = c.ScaleTop;
    const double cx = sl + sw / 2, cy = st + sh / 2;
    bool ok = false;
    switch (keyCode) {
    // The page keys place the centre 2.5 % of the old size off the old centre, as the control did.
    case KeyPageUp:
        ok = SetScaleKeepingAspect(m, sw * 0.8, cx - 0.75 * (sw / 2), cy - 0.75 * (sh / 2));
        break;
    case KeyPageDown:
        ok = SetScaleKeepingAspect(m, sw * 1.2, cx - 1.25 * (sw / 2), cy - 1.25 * (sh / 2));
        break;
    case KeyLeft:
        ok = SetScaleKeepingAspect(m, sw, sl + 0.02 * sw, st);
        break;
    case KeyUp:
        ok = SetScaleKeepingAspect(m, sw, sl, st + 0.02 * sh);
        break;
    case KeyRight:
        ok = SetScaleKeepingAspect(m, sw, sl - 0.02 * sw, st);
        break;
    case KeyDown:
        ok = SetScaleKeepingAspect(m, sw, sl, st - 0.02 * sh);
        break;
    default:
        return Rerun::None;
    }
    if (!ok) return Rerun::None;
    RedrawCanvas(m);
    return Rerun::ForcedReplay;
}

Rerun DragCanvas(Machine& m, float x, float y) {
    View& v = m.Screen;
    const Canvas& c = m.Trace;
    const PointerState& p = v.Pointer;
    // NOTE: the picture follows the pointer at the canvas's own twips per canvas unit, so the
    // point grabbed stays under the pointer; the edges are compared in twips. The canvas stops
    // short of its far edges (2.93 and 2.92 viewports of four) and never uncovers the viewport.
    const double f = c.Width / c.ScaleWidth;
    double newLeft = v.CanvasLeft + (x - p.DragStartX) * f;
    double newTop = v.CanvasTop + (y - p.DragStartY) * f;
    if (!AllFinite({newLeft, newTop})) return Rerun::None;
    const double lowestLeft = std::max(-2.93 * c.Width / 4, v.ViewportWidth - c.Width);
    const double lowestTop = std::max(-2.92 * c.Height / 4, v.ViewportHeight - c.Height);
    bool hit = false;
    if (newLeft > 0) newLeft = v.CanvasLeft, hit = true;
    if (newLeft < lowestLeft) newLeft = lowestLeft, hit = true;
    if (newTop > 0) newTop = v.CanvasTop, hit = true;
    if (newTop < lowestTop) newTop = lowestTop, hit = true;
    v.CanvasLeft = newLeft;
    v.CanvasTop = newTop;
    v.XscaleTop = newTop;
    v.ZscaleLeft = newLeft;
    if (!hit) return Rerun::None;
    return m.S.AutoStart ? Rerun::PopupStart : Rerun::OverAreaNotice;
}

CanvasPoint PointerToCanvas(const Machine& m, double xTwips, double yTwips) {
    const Canvas& c = m.Trace;
    const View& v = m.Screen;
    return {c.ScaleLeft + (xTwips - v.CanvasLeft) * c.ScaleWidth / c.Width,
            c.ScaleTop + (yTwips - v.CanvasTop) * c.ScaleHeight / c.Height};
}

void TrackPointer(View& v, float x, float y) {
    v.Pointer.MouseX = x;
    v.Pointer.MouseY = y;
}

PositionTexts PositionReadOut(const interp::MachineState& s, float x, float y) {
    // X snaps to 0.05 canvas units (0.1 mm of diameter), Z to 0.1 mm; halves go to even.
    auto snap = [](float v, int perUnit) {
        return static_cast<float>(legacy::CInt(static_cast<float>(v * perUnit)) / perUnit);
    };
    float xValue, zValue;
    if (!s.Vertical) {
        if (s.XSnap) y = snap(y, 20);
        if (s.ZSnap) x = snap(x, 10);
        xValue = y * -2 * s.XSign;
        zValue = x;
    } else {
        if (s.XSnap) x = snap(x, 20);
        if (s.ZSnap) y = snap(y, 10);
        xValue = x * -2 * s.XSign;
        zValue = -y;
    }
    return {"X" + legacy::Format000(xValue), "Z" + legacy::Format000(zValue)};
}

std::string PositionPopupCaption(const PositionTexts& p) {
    return p.Xpos + "  " + p.Zpos + "  Copy";
}

std::string PositionClipboardText(const std::string& xpos, const std::string& zpos) {
    return xpos + " " + zpos + "\r\n";
}

std::optional<int> SliderClickValue(double xTwips) {
    if (!(xTwips >= 90 && xTwips <= 1245)) return std::nullopt;
    return static_cast<int>(legacy::CInt(xTwips / 1245 * 100));
}

} // namespace nav
