// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A picture of the trace as a sheet to share: the viewport with the path, and around it, when
// asked, an X and a Z ruler along its left and bottom edges (ticks and labels as the window's
// rulers give them) and a legend column on the right (the program, its cutting time, its alarms
// and each tool's colour and cutting time). The layout and the drawing of rulers and legend are
// the same for every file format; a format supplies an Overlay to draw them with.

#include "picture/Framing.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace picture {

// A rectangle in pixels from the sheet's top-left corner.
struct Rect {
    double X = 0, Y = 0, W = 0, H = 0;
};

enum class Anchor { Start, Middle, End };

// Drawing on the sheet in pixels, over the viewport's picture. Colours are &HBBGGRR.
class Overlay {
  public:
    virtual ~Overlay() = default;
    virtual void Fill(const Rect& r, int32_t color) = 0;
    // A line one pixel wide.
    virtual void Line(double x1, double y1, double x2, double y2, int32_t color) = 0;
    // `text` with its top at y; x is where its start, middle or end lies.
    virtual void Text(double x, double y, const std::string& text, double pointSize, int32_t color,
                      Anchor anchor, bool bold = false) = 0;
    virtual double TextWidth(const std::string& text, double pointSize, bool bold = false) = 0;
};

// What a picture of the trace shows, one value for every picture: the checker's (--size,
// --rulers, --legend, --white/--black, --fit), File > Export picture's and Print's. Each takes
// what its medium can show: a printed page has the page's size and the window's rulers, and its
// legend is the tools table under the picture; Export picture shows no legend.
struct SheetOptions {
    double WidthPx = 1600, HeightPx = 1000; // the whole sheet
    bool Rulers = false;                    // X and Z scales along the viewport
    bool Legend = false;                    // the program, its times and alarms, each tool's colour
    bool WhiteBackground = true;
    // Framed on the drawn path (the part, or all of it) instead of the view it is given (the
    // standard view of the limits, or the window's).
    std::optional<FitScope> Fit;
};

// Size limits of a sheet, in pixels each way.
inline constexpr int SmallestSheet = 200, LargestSheet = 8000;

struct SheetLayout {
    Rect Page, Viewport, XRuler, ZRuler, Corner, Legend;
    // The viewport is the whole sheet: no ruler, no legend.
    bool Plain() const { return Viewport.W == Page.W && Viewport.H == Page.H; }
};
// Where the parts of the sheet go. Ruler and legend sizes depend only on the options (text widths
// estimated generously, the same for every format), so the viewport is known before the program
// is drawn and one run draws every format.
SheetLayout LayOutSheet(const SheetOptions& options);

// One tool's line of the legend: the colours its cuts were drawn in and its cutting time.
struct LegendTool {
    double Tool = 0;
    std::vector<int32_t> Colors;
    double Seconds = 0;
};
struct LegendContent {
    std::string Program;
    double CuttingSeconds = 0;
    size_t Alarms = 0;
    std::vector<LegendTool> Tools;
};
// The legend's texts of a time and of the alarm count, also read back by the tests.
std::string LegendSeconds(double seconds); // "754.92 s"
std::string LegendClock(double seconds);   // "0:12:35"
std::string LegendAlarms(size_t alarms);   // "no alarms", "1 alarm", "3 alarms"

// How the canvas maps the machine: the labels of the rulers depend on it.
struct RulerMapping {
    bool Vertical = false; // vertical-lathe layout
    double XSign = 1;      // +1, or -1 when +X is drawn downwards
};

// Draws the rulers for the viewport showing `visible`, and the legend, in the sheet's colours.
void DrawRulers(Overlay& o, const SheetLayout& l, const SheetOptions& options, const Area& visible,
                const RulerMapping& mapping);
void DrawLegend(Overlay& o, const SheetLayout& l, const SheetOptions& options, const LegendContent& legend);

// Everything a sheet shows besides the viewport's drawing.
struct SheetContent {
    SheetOptions Options;
    SheetLayout Layout;
    Area Visible; // the part of the canvas the viewport shows
    RulerMapping Mapping;
    LegendContent Legend;
};
// The rulers and the legend the options ask for.
void DrawSheet(Overlay& o, const SheetContent& sheet);

// Background and foreground of the sheet (&HBBGGRR).
int32_t SheetBack(const SheetOptions& options);
int32_t SheetFore(const SheetOptions& options);

} // namespace picture
