// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The small picture of each program in the archive's HTML report. Thousands of them share one
// page, so the picture's size must not grow with the program: the path is drawn onto the
// picture's pixels (later pieces over earlier ones, as on the window's canvas) and written as SVG
// runs of pixels of one colour, row by row, with the texts over them. A program of a million
// blocks gives a picture no larger than one whose path covers as many pixels.

#include "base/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace check {

class ReportPicture final : public motion::Canvas {
  public:
    void Resize(double widthTwips, double heightTwips) override;
    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Cls() override;

    // The picture as an SVG element for an HTML page.
    std::string Svg() const;

  private:
    double PixelX(double x) const;
    double PixelY(double y) const;
    // Paints the pixel at picture position (x, y) when it lies on the picture; a dotted piece
    // only every third step along it.
    void Paint(double x, double y, int32_t color, int64_t step);

    // The place of `color` in Palette, counted from 1 (0 is a pixel nothing was drawn on).
    uint16_t Ink(int32_t color);

    int Columns = 0, Rows = 0;
    std::vector<uint16_t> Pixels; // row by row: 0, or a colour's place in Palette from 1
    std::vector<int32_t> Palette; // every colour drawn, any value (system colours too)
    std::string Texts;            // SVG text elements, in the order printed
};

} // namespace check
