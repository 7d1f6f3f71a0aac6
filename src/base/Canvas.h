// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture with a user coordinate system, as the trace canvas and the two rulers use it:
// four scale numbers map the picture's window units (twips) to user units; lines, single pixels,
// circle arcs and text are drawn in user units. Implementations: an image for the window and the
// checker's PNG, a recording one for tests and traces, an SVG one for the checker.

#include <cstdint>
#include <string>

namespace motion {

enum class DrawStyle { Solid, Dot };
enum class DrawMode { Copy, Xor };

// A drawn piece of tool path in machine coordinates (X diameter, Z), as the tool travels.
struct PathSegment {
    enum class Kind { Rapid, Cut, ArcCW, ArcCCW };
    Kind kind = Kind::Cut;
    double x0 = 0, z0 = 0, x1 = 0, z1 = 0; // from where the tool starts to where it ends
    double cx = 0, cz = 0, r = 0;          // arcs only: centre (X diameter) and radius
};

class Canvas {
  public:
    virtual ~Canvas() = default;

    // --- Geometry: size in window units (twips) and the user coordinate system ---
    virtual void Resize(double widthTwips, double heightTwips) {
        Width = widthTwips;
        Height = heightTwips;
    }
    void SetScale(double left, double top, double width, double height) {
        ScaleLeft = left;
        ScaleTop = top;
        ScaleWidth = width;
        ScaleHeight = height;
    }
    double Width = 1, Height = 1; // window units (twips)
    double ScaleLeft = 0, ScaleTop = 0, ScaleWidth = 1, ScaleHeight = 1;

    // --- Drawing attributes ---
    DrawStyle Style = DrawStyle::Solid;
    DrawMode Mode = DrawMode::Copy;
    int32_t ForeColor = 0;             // &HBBGGRR
    int32_t BackColor = 0;             // &HBBGGRR, used by Cls
    double FontSize = 10;              // points
    double CurrentX = 0, CurrentY = 0; // print position, user units

    // --- Primitives (user units) ---
    virtual void Line(double x1, double y1, double x2, double y2, int32_t color) = 0;
    virtual void PSet(double x, double y, int32_t color) = 0;
    // Circle or arc: angles in radians counter-clockwise as seen on screen from the +x axis;
    // a full circle when start == end == 0 and full is set.
    virtual void Circle(double cx, double cy, double r, int32_t color, bool full, double start,
                        double end) = 0;
    virtual void Print(const std::string& text) = 0;        // UTF-8, at CurrentX/CurrentY in ForeColor
    virtual double TextWidth(const std::string& text) = 0;  // user units
    virtual double TextHeight(const std::string& text) = 0; // user units
    virtual void Cls() = 0;

    // Whether what is drawn here is seen at all. A check without pictures says no, and the moves
    // skip what they compute only to draw it (the rapid move's arrow head).
    virtual bool Seen() const { return true; }

    // The move routines report each piece of path they draw, in machine terms; only the
    // checker's trace listens.
    virtual void Path(const PathSegment&) {}
};

} // namespace motion
