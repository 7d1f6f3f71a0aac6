#pragma once
// Framing a picture on the drawn path instead of on the soft limits: the extent of what a run
// draws, the area that shows it with a margin in a viewport of given proportions, and the canvas
// scale that makes the viewport show that area (as a zoom box does in the window).

#include "base/Canvas.h"

#include <optional>

namespace motion {
struct View;
}

namespace picture {

// A part of the canvas in canvas units (y grows downwards).
struct Area {
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

// A canvas that draws nothing and keeps the extent of the path pieces drawn on it: lines, arcs
// and pixels. The axes (drawn in the system's button-shadow colour) and texts are not part of
// the path; a clear starts the extent anew, as it clears the picture.
class BoundsCanvas final : public motion::Canvas {
  public:
    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string&) override {}
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Cls() override { Drawn.reset(); }

    // The extent of the path drawn since the last clear; none when nothing was drawn.
    const std::optional<Area>& Extent() const { return Drawn; }

  private:
    void Add(double x, double y, int32_t color);
    std::optional<Area> Drawn;
};

// The area that shows `drawn` in a viewport of widthPx x heightPx with `margin` of the viewport's
// size on every side, centred, keeping equal units across and down. A path without width and
// height still gets an area a few millimetres wide.
Area FitArea(const Area& drawn, double widthPx, double heightPx, double margin = 0.05);

// Sets the canvas scale so that the viewport shows `area` across its width (its height follows
// from the canvas's proportions), keeping the canvas where it sits in the viewport; the rulers of
// the view follow. False, with nothing changed, when the numbers make no usable scale.
bool ShowArea(motion::Canvas& canvas, motion::View& view, const Area& area);

// The part of the canvas the viewport shows.
Area VisibleArea(const motion::Canvas& canvas, const motion::View& view);

} // namespace picture
