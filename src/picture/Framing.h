// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Framing a picture on the drawn path instead of on the soft limits: the extent of what a run
// draws, the area that shows it with a margin in a viewport of given proportions, and the canvas
// scale that makes the viewport show that area (as a zoom box does in the window).

#include "base/Canvas.h"

#include <array>
#include <optional>
#include <vector>

namespace motion {
struct View;
}

namespace picture {

// A part of the canvas in canvas units (y grows downwards).
struct Area {
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

// What a fitted picture frames: the part, not the machine's travel. The part is where the tool
// cuts, with the rapids that run between the cuts; a rapid from or to a position far away (a tool
// change, the home position) counts only as far as it stays near the cuts. A program that cuts
// nothing is framed on its rapids. Pieces come in canvas units, as drawn.
class PartExtent {
  public:
    // A cutting piece (line or arc) by two opposite corners of its box.
    void AddCut(double x0, double y0, double x1, double y1);
    // A rapid line.
    void AddRapid(double x0, double y0, double x1, double y1);
    void Clear();
    // None when nothing was added.
    std::optional<Area> Part() const;

    // How far around the cuts a rapid still belongs to the part: this share of the cuts' larger
    // side (an approach from a few millimetres off stays in, a tool change far away does not).
    static constexpr double Near = 0.15;

  private:
    std::optional<Area> Cuts, Rapids;
    // The rapids not inside the cuts known when they came (those add nothing to the part).
    std::vector<std::array<double, 4>> Outside;
};

// Which extent a fitted picture frames: the part (above), or everything drawn.
enum class FitScope { Part, All };

// A canvas that draws nothing and keeps the extent of the path pieces drawn on it: lines, arcs
// and pixels, and the part among them (each piece is told by its kind before it is drawn). The axes (drawn in
// the system's button-shadow colour) and texts are not part of the path; a clear starts the extent anew, as
// it clears the picture.
class BoundsCanvas final : public motion::Canvas {
  public:
    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void PSet(double x, double y, int32_t color) override;
    void Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) override;
    void Print(const std::string&) override {}
    double TextWidth(const std::string& text) override;
    double TextHeight(const std::string& text) override;
    void Path(const motion::PathSegment& piece) override { Piece = piece.kind, InPiece = true; }
    void Cls() override { Drawn.reset(), Cut.Clear(), InPiece = false; }

    // The extent of the path drawn since the last clear; none when nothing was drawn.
    const std::optional<Area>& Extent() const { return Drawn; }
    // The part among it.
    std::optional<Area> Part() const { return Cut.Part(); }
    std::optional<Area> Framed(FitScope scope) const { return scope == FitScope::All ? Drawn : Part(); }

  private:
    void Add(double x, double y, int32_t color);
    std::optional<Area> Drawn;
    PartExtent Cut;
    // The kind of the piece being drawn: its line or arc, arrow head and end mark follow.
    motion::PathSegment::Kind Piece = motion::PathSegment::Kind::Rapid;
    bool InPiece = false;
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
