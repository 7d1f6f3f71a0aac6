// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The trace canvas as an SVG picture, one pixel per 15 twips, on the background colour.
// A long program draws millions of pieces, so the document is kept small: the pieces of one
// colour drawn one after another go into one path per style (solid, dotted), a piece that starts
// where the last one ended continues it with relative steps, positions are written to a hundredth
// of a pixel without trailing zeros, pieces wholly outside the picture are left out, and texts of
// one size and colour share one group. Pieces of one colour are opaque overwrites in that colour,
// so gathering them out of order within a colour changes no pixel; a new colour or a text ends
// the gathering.

#include "base/Canvas.h"

#include <cstdint>
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
    // The drawing without the document around it and without the background: the elements for
    // a picture that places this one inside a larger page.
    std::string Content() const;

  private:
    // A position in hundredths of a pixel.
    struct Point {
        int64_t X, Y;
        bool operator==(const Point&) const = default;
    };
    // One style's path of the colour being gathered: its path data and where its pen stands.
    struct PathData {
        std::string D;
        bool PenKnown = false;
        Point Pen{0, 0};
    };

    double PixelX(double x) const { return (x - ScaleLeft) * Width / ScaleWidth / TwipsPerPixel; }
    double PixelY(double y) const { return (y - ScaleTop) * Height / ScaleHeight / TwipsPerPixel; }
    // The path of `color` in the current style, ending the gathering of another colour.
    PathData& PathOf(int32_t color, bool dotted);
    // Moves the pen to `to` unless it stands there already.
    static void MoveTo(PathData& p, Point to);
    void EndPaths();
    void EndTexts();
    std::string Closed() const;

    std::string Body;
    bool Gathering = false;
    int32_t GatherColor = 0;
    PathData Paths[2]; // solid, dotted
    // The open group of texts: its size and colour.
    bool TextGroupOpen = false;
    std::string TextGroupKey;
};

// &HBBGGRR (or a system colour) as "#rrggbb".
std::string SvgColor(int32_t color);
// The print position is the top-left corner of a text; SVG places texts by their baseline, which
// lies this many ems lower in the sans-serif face the images use (where the viewer has another
// face, a text moves by a fraction of a pixel at most a few).
inline constexpr double SvgAscent = 0.93;
// A number for an SVG attribute: at most two decimals, no trailing zeros ("12.5", "-3", "0.07").
std::string SvgNumber(double v);
// Text for element content or an attribute value, with &, <, > and " escaped.
std::string SvgEscape(const std::string& text);

} // namespace motion
