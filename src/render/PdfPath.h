// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The path of a PDF page as our own code gathers and writes it, without Qt: a long program's page
// is millions of path operators, and Qt's painter writes them several times slower than this. It
// gathers a path as QPainterPath does and writes it as Qt's PDF engine writes a path it strokes,
// so that the page reads the same as when Qt painted it (SheetPainter.cpp; PdfSplice.h puts the
// text into Qt's page).

#include <cstdint>
#include <string>
#include <vector>

namespace render {

struct PathPoint {
    double X = 0, Y = 0;
    bool operator==(const PathPoint&) const = default;
};

// A path of figures of lines and cubic curves. As with QPainterPath: a move after a move replaces
// it, a line to where the path is and a curve of one point add nothing, and after a closed outline
// (an ellipse) the next line or curve begins a figure of its own at the outline's start.
class PdfPath {
  public:
    void MoveTo(PathPoint p);
    void LineTo(PathPoint p);
    void CubicTo(PathPoint c1, PathPoint c2, PathPoint end);
    // A closed outline of four curves (12 points: control, control, end each) from `start`.
    void Outline(PathPoint start, const PathPoint* curves);

    // Elements as QPainterPath counts them: a move or line one, a curve three.
    int Count() const { return static_cast<int>(Elements.size()); }
    // Nothing to paint: no element, or a lone move.
    bool Empty() const { return Elements.size() <= 1; }
    PathPoint At(int i) const { return {Elements[i].X, Elements[i].Y}; }
    bool IsLine(int i) const { return Elements[i].Type == Kind::Line; }
    // Where the next line starts ((0, 0) for an empty path).
    PathPoint Current() const { return Elements.empty() ? PathPoint{} : At(Count() - 1); }
    void MoveLast(PathPoint p) { Elements.back().X = p.X, Elements.back().Y = p.Y; }

    // Appends the path's operators: "m", "l", "c", and "h" after a figure that ends where it
    // began; not the operator that paints it.
    void Write(std::string& out) const;

  private:
    enum class Kind : uint8_t { Move, Line, Curve, CurveData };
    struct Element {
        double X, Y;
        Kind Type;
    };
    void Add(PathPoint p, Kind type) { Elements.push_back({p.X, p.Y, type}); }
    // The figure begun again after an outline (QPainterPath's pending move).
    void BeginAfterOutline();

    std::vector<Element> Elements;
    bool Reopen = false;
};

// Pixels filled as squares of one pixel ("x y 1 1 re" each), at their top left corners.
void WriteSquares(std::string& out, const std::vector<PathPoint>& corners);

// A number as Qt's PDF engine writes it, with the space after it: the whole part, then at most
// nine digits in all after the point (cut, not rounded); nothing after the point for a whole
// number; 0 for a number that is not finite or beyond 2^32.
void WritePdfNumber(std::string& out, double value);

} // namespace render
