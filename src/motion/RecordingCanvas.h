// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A canvas that keeps every primitive with its parameters and the attributes in force, and every
// path segment the moves report. Tests read it back; the checker turns its segments into a trace.

#include "base/Canvas.h"

#include <string>
#include <vector>

namespace motion {

struct Primitive {
    enum class Op { Line, PSet, Circle, Print, Cls };
    Op op = Op::Line;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0; // Line: both ends; PSet, Print: (x1, y1); Circle: centre
    double radius = 0, start = 0, end = 0; // Circle
    bool full = false;                     // Circle: a whole circle
    int32_t color = 0;                     // Line, PSet, Circle: the colour given; Print: ForeColor
    DrawStyle style = DrawStyle::Solid;
    DrawMode mode = DrawMode::Copy;
    double fontSize = 0; // Print
    std::string text;    // Print
};

class RecordingCanvas : public Canvas {
  public:
    // Text metrics of a plain sans-serif face: a line is 1.2 em high, a character 0.6 em wide.
    static constexpr double TwipsPerPoint = 20;

    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Cls() override;
    void Path(const PathSegment& segment) override { Segments.push_back(segment); }

    // Primitives since construction (Cls is recorded too, so earlier drawing stays visible).
    std::vector<Primitive> Drawn;
    std::vector<PathSegment> Segments;

    // Primitives of one kind, in drawing order.
    std::vector<Primitive> Of(Primitive::Op op) const;
    // Forgets what was recorded.
    void Forget() {
        Drawn.clear();
        Segments.clear();
    }

  private:
    Primitive Base(Primitive::Op op) const;
};

} // namespace motion
