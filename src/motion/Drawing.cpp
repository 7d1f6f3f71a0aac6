// SPDX-License-Identifier: GPL-3.0-or-later
// Trace drawing: the canvas mapping, rapid and cutting legs, tool colours, tool labels, the
// arrow head of rapid moves and the end-point mark.

#include "base/LabelLayout.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "base/View.h"
#include "motion/Motion.h"
#include "motion/MoveSupport.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace motion {
using interp::Pi;

CanvasPoint MapPoint(const Machine& m, double x, double z) {
    const double r = -(x / 2) * m.S.XSign;
    if (m.S.Vertical) return {r, -z};
    return {z, r};
}

namespace {

// A point given as (radius, Z), as the arrow head computes its barbs.
CanvasPoint MapRadius(const Machine& m, double radius, double z) {
    const double r = -radius * m.S.XSign;
    if (m.S.Vertical) return {r, -z};
    return {z, r};
}

void Segment(Machine& m, PathSegment::Kind kind, double x0, double z0, double x1, double z1) {
    PathSegment s;
    s.kind = kind;
    s.x0 = x0, s.z0 = z0, s.x1 = x1, s.z1 = z1;
    m.Trace.Path(s);
}

} // namespace

void DrawRapidLine(Machine& m, double x0, double z0, double x1, double z1) {
    const CanvasPoint a = MapPoint(m, x0, z0), b = MapPoint(m, x1, z1);
    Segment(m, PathSegment::Kind::Rapid, x0, z0, x1, z1);
    m.Trace.Style = DrawStyle::Dot;
    m.Trace.Line(a.x, a.y, b.x, b.y, m.S.RapidColor);
    m.Trace.Style = DrawStyle::Solid;
}

void DrawCutLine(Machine& m, double x0, double z0, double x1, double z1) {
    const CanvasPoint a = MapPoint(m, x0, z0), b = MapPoint(m, x1, z1);
    Segment(m, PathSegment::Kind::Cut, x0, z0, x1, z1);
    m.Trace.Line(a.x, a.y, b.x, b.y, m.S.CutColor);
    m.Trace.PSet(b.x, b.y, m.S.CutColor);
}

void NextToolColors(Machine& m) {
    auto& s = m.S;
    auto setAll = [&s](int32_t c) {
        s.RapidColor = s.CutColor = s.ToolColor = c;
        s.LabelColor = c;
    };
    if (s.ColorPerTool) {
        static constexpr int32_t cycle[7] = {0, 0x00FFFF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x0000FF};
        if (s.ColorIndex >= 1 && s.ColorIndex <= 6)
            setAll(s.ColorIndex == 1 && s.WhiteBackground ? 0x0080FF : cycle[s.ColorIndex]);
        if (s.ColorIndex == 6) s.ColorIndex = 0;
        ++s.ColorIndex;
    } else if (s.WhiteBackground) {
        setAll(0);
    } else {
        s.RapidColor = 0xFF00FF, s.CutColor = 0x00FFFF, s.ToolColor = 0x00FF00, s.LabelColor = 0xFFFFFF;
    }
}

int ToolNumberOf(const Machine& m) {
    const double t = m.S.TWord;
    const double n = m.S.TGFlag ? t : legacy::Int(t / 100) - legacy::Int(t / 10000) * 100;
    return std::isfinite(n) && std::fabs(n) < 2e9 ? static_cast<int>(n) : 0;
}

namespace {

// Tool number as the tool-change test reads it: the last four characters of the T word's text,
// divided by 100 (T0101 -> 1, T010203 -> 2).
double ToolOfText(double t) {
    const std::string text = legacy::Str15(t);
    const std::string last = text.size() > 4 ? text.substr(text.size() - 4) : text;
    return legacy::Int(legacy::Val(last) / 100);
}

} // namespace

void ToolChangeCheck(Machine& m) {
    auto& s = m.S;
    if (s.TWord == s.PrevTWord) return;
    if (s.TGFlag || ToolOfText(s.TWord) != ToolOfText(s.PrevTWord)) {
        NextToolColors(m);
        if (s.ToolClear) RedrawCanvas(m);
    }
    s.PrevTWord = s.TWord;
    s.ToolLabelDone = false;
}

double VisibleLeft(const Machine& m) {
    const Canvas& c = m.Trace;
    return c.ScaleLeft - m.Screen.CanvasLeft * c.ScaleWidth / c.Width;
}

double VisibleTop(const Machine& m) {
    const Canvas& c = m.Trace;
    return c.ScaleTop - m.Screen.CanvasTop * c.ScaleHeight / c.Height;
}

CanvasPoint ToolLabelPoint(const Machine& m) {
    const auto& s = m.S;
    const double n = s.ToolLabelCount;
    const double x = s.CurZ + (s.LastZ - s.CurZ) / 50 * n;
    const double y = -(s.CurX / 2) * s.XSign - (s.LastX - s.CurX) / 100 * s.XSign * n;
    if (s.Vertical) return {y, -x};
    return {x, y};
}

void ToolLabel(Machine& m, CanvasPoint at) {
    auto& s = m.S;
    Canvas& c = m.Trace;
    const double vl = VisibleLeft(m), vt = VisibleTop(m);
    const double w = c.ScaleWidth / 5, h = c.ScaleHeight / 5;
    if (!s.ShowToolNumber || s.ToolLabelDone) return;
    if (!(vl < at.x && at.x < vl + w && vt < at.y && at.y < vt + h)) return;
    c.FontSize = 12;
    c.ForeColor = s.ToolColor;
    // The number is written with the place of its sign: a blank before a positive number.
    const std::string number = legacy::Str15(s.TWord);
    const std::string text = "T" + s.Turret + (s.TWord < 0 ? "" : " ") + number + " ";
    LabelPlace place{at.x, at.y};
    if (m.Screen.SpreadToolLabels) {
        // Along the move, so that the label still reads as the one of this move.
        const double w = c.TextWidth(text), h = c.TextHeight(text);
        const CanvasPoint from = MapPoint(m, s.LastX, s.LastZ), to = MapPoint(m, s.CurX, s.CurZ);
        if (AllFinite({w, h, from.x, from.y, to.x, to.y})) {
            PlacedLabels& boxes = m.Screen.ToolLabelBoxes;
            place = FreeLabelPlace(boxes, at.x, at.y, w, h, to.x - from.x, to.y - from.y, h / 4, 200);
            boxes.Add({std::min(place.X, place.X + w), std::min(place.Y, place.Y + h),
                       std::max(place.X, place.X + w), std::max(place.Y, place.Y + h)});
        }
    }
    c.CurrentX = place.X;
    c.CurrentY = place.Y;
    c.Print(text);
    s.ToolLabelDone = true;
    ++s.ToolLabelCount;
}

void DrawRapidArrow(Machine& m, double x, double z, double lastX, double lastZ) {
    if (!m.S.RapidArrow || !m.Trace.Seen()) return;
    // 1. Size and 2. direction from the end point back towards the start point.
    const double size = m.Trace.ScaleWidth * 0.003;
    double theta;
    if (lastX == x) {
        theta = z < lastZ ? 0 : Pi;
    } else if (lastZ == z) {
        theta = x < lastX ? Pi / 2 : 3 * Pi / 2;
    } else {
        theta = std::atan(((x - lastX) / 2) / (z - lastZ));
        if (z > lastZ) theta += Pi;
    }
    // 3. Barbs 15 degrees either side, 4. outline tip -> B1 -> B2 -> tip for a move with length.
    if (x == lastX && z == lastZ) return;
    const CanvasPoint tip = MapRadius(m, x / 2, z);
    const CanvasPoint b1 =
        MapRadius(m, x / 2 + size * std::sin(theta + Pi / 12), z + size * std::cos(theta + Pi / 12));
    const CanvasPoint b2 =
        MapRadius(m, x / 2 + size * std::sin(theta - Pi / 12), z + size * std::cos(theta - Pi / 12));
    if (!AllFinite({tip.x, tip.y, b1.x, b1.y, b2.x, b2.y})) return;
    const int32_t color = m.S.RapidColor;
    m.Trace.Line(tip.x, tip.y, b1.x, b1.y, color);
    m.Trace.Line(b1.x, b1.y, b2.x, b2.y, color);
    m.Trace.Line(b2.x, b2.y, tip.x, tip.y, color);
}

namespace {

// The annotation lines of the end-point mark in the order they are printed: the first sits just
// above the end point, each further one a line higher.
std::vector<std::string> MarkTexts(const Machine& m, double angle) {
    const auto& s = m.S;
    std::vector<std::string> lines;
    if (s.LWord > 0) {
        if (s.GWord == 2 || s.GWord == 3 || s.GWord == 76)
            lines.push_back("R" + legacy::RoundText(s.LWord, 4));
        if (s.GWord == 75) lines.push_back("C" + legacy::RoundText(s.LWord, 4));
    }
    if (s.GMode == 1 && angle != 0 && angle != 90 && angle != 180 && angle != 270)
        lines.push_back("A" + legacy::RoundText(angle, 3));
    lines.push_back("Z" + legacy::RoundText(s.CurZ, 4));
    lines.push_back("X" + legacy::RoundText(s.CurX, 4));
    return lines;
}

} // namespace

void DrawPositionMark(Machine& m) {
    const auto& s = m.S;
    Canvas& c = m.Trace;
    // 1. Only for the annotated tool.
    if (!s.ShowPosition || (s.PositionTool != 0 && ToolNumberOf(m) != s.PositionTool)) return;
    // 2. Font and text colour.
    c.FontSize = 9;
    if (s.PositionTool != 0)
        c.ForeColor = s.WhiteBackground ? 0 : 0xFFFFFF;
    else
        c.ForeColor = static_cast<int32_t>(s.LabelColor);
    const double th = c.TextHeight("A");
    // 3. Base line, 4. angle of the move, 5. text to the right or, for short moves, to the left.
    const double y0 = -(s.CurX / 2) * s.XSign - th / 2;
    double angle = 0;
    if (s.CurX != s.LastX && s.CurZ != s.LastZ)
        angle = std::atan(((s.LastX - s.CurX) / 2) / (s.CurZ - s.LastZ)) * 180 / Pi;
    const bool longMove = std::fabs(s.CurX - s.LastX) / 2 > 2 * th || std::fabs(s.CurZ - s.LastZ) > 5 * th;
    const double x0 = longMove ? s.CurZ + th / 2 : s.CurZ - 4 * th;
    // 6. The mark: four small circles around the end point.
    const CanvasPoint end = MapPoint(m, s.CurX, s.CurZ);
    if (!AllFinite({end.x, end.y, th})) return;
    for (double d : {10.0, 8.0, 7.0, 6.0})
        c.Circle(end.x, end.y, th / d, s.ToolColor, true, 0, 0);
    // 7. The annotation, each line above the one before, for a move with length.
    if (s.CurX == s.LastX && s.CurZ == s.LastZ) return;
    int n = 1;
    for (const std::string& line : MarkTexts(m, angle)) {
        if (s.Vertical) {
            c.CurrentX = y0;
            c.CurrentY = -x0 - n * th;
        } else {
            c.CurrentX = x0;
            c.CurrentY = y0 - n * th;
        }
        c.Print(line);
        ++n;
    }
}

} // namespace motion
