// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/RecordingCanvas.h"

#include <cmath>

namespace motion {

Primitive RecordingCanvas::Base(Primitive::Op op) const {
    Primitive p;
    p.op = op;
    p.style = Style;
    p.mode = Mode;
    return p;
}

void RecordingCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    Primitive p = Base(Primitive::Op::Line);
    p.x1 = x1, p.y1 = y1, p.x2 = x2, p.y2 = y2, p.color = color;
    Drawn.push_back(p);
    CurrentX = x2, CurrentY = y2;
}

void RecordingCanvas::PSet(double x, double y, int32_t color) {
    Primitive p = Base(Primitive::Op::PSet);
    p.x1 = x, p.y1 = y, p.color = color;
    Drawn.push_back(p);
    CurrentX = x, CurrentY = y;
}

void RecordingCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start,
                             double end) {
    Primitive p = Base(Primitive::Op::Circle);
    p.x1 = cx, p.y1 = cy, p.radius = r, p.color = color, p.full = full, p.start = start, p.end = end;
    Drawn.push_back(p);
}

void RecordingCanvas::Print(const std::string& text) {
    Primitive p = Base(Primitive::Op::Print);
    p.x1 = CurrentX, p.y1 = CurrentY, p.color = ForeColor, p.fontSize = FontSize, p.text = text;
    Drawn.push_back(p);
}

double RecordingCanvas::TextWidth(const std::string& text) {
    return 0.6 * FontSize * TwipsPerPoint * static_cast<double>(text.size()) * std::fabs(ScaleWidth) / Width;
}

double RecordingCanvas::TextHeight(const std::string&) {
    return 1.2 * FontSize * TwipsPerPoint * std::fabs(ScaleHeight) / Height;
}

void RecordingCanvas::Cls() {
    Drawn.push_back(Base(Primitive::Op::Cls));
    CurrentX = 0, CurrentY = 0;
}

std::vector<Primitive> RecordingCanvas::Of(Primitive::Op op) const {
    std::vector<Primitive> out;
    for (const Primitive& p : Drawn)
        if (p.op == op) out.push_back(p);
    return out;
}

} // namespace motion
