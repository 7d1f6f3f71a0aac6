#pragma once
// The trace canvas as an SVG picture, one pixel per 15 twips: lines, dots, arcs and text
// elements in drawing order on the background colour.

#include "base/Canvas.h"

#include <string>

namespace motion {

class SvgCanvas : public Canvas {
  public:
    static constexpr double TwipsPerPixel = 15;

    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string& text) override;
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Cls() override;

    // The whole document.
    std::string Document() const;

  private:
    double PixelX(double x) const { return (x - ScaleLeft) * Width / ScaleWidth / TwipsPerPixel; }
    double PixelY(double y) const { return (y - ScaleTop) * Height / ScaleHeight / TwipsPerPixel; }
    std::string Body;
};

// &HBBGGRR (or a system colour) as "#rrggbb".
std::string SvgColor(int32_t color);

} // namespace motion
