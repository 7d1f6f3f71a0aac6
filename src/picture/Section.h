// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock section as it is drawn with the path, in the window and in the checker's pictures:
// the raw stock's outline (dashed), the part left (filled, translucent, so that the path shows
// through it), the work holding (outlined), the thread zones (dashed) and, against a target
// drawing, the excess and gouge regions (broad strokes), each on both halves of the section. One look for
// every place it is drawn; the Qt painting is render::PaintSection, the SVG one SvgSection.

#include <cstdint>
#include <string>
#include <vector>

namespace picture {

// A point of the viewport in pixels from its top-left corner.
struct PixelPoint {
    double X = 0, Y = 0;
};
using PixelPolygon = std::vector<PixelPoint>; // closed: the last point joins the first

// The outlines in viewport pixels, both halves already; holes of the part by the even-odd rule.
struct SectionDrawing {
    std::vector<PixelPolygon> Raw, Part, Holding;
    std::vector<PixelPolygon> Threads;  // where thread passes took the whole ring
    std::vector<PixelPolygon> NosePath; // open: the compensated nose path, beside the drawn one
    // Against a target drawing: material left outside it, and cut inside it.
    std::vector<PixelPolygon> Excess, Gouge;
};

struct SectionPen {
    int32_t Color = 0; // &HBBGGRR
    double Width = 1;  // pixels
    bool Dashed = false;
};

struct SectionLook {
    SectionPen Raw, Part, Holding, Thread, NosePath;
    // The deviations from a target drawing, a few micrometres thick: a broad pen shows them at
    // any scale.
    SectionPen Excess, Gouge;
    int32_t PartFill = 0;  // &HBBGGRR
    int PartFillAlpha = 0; // 0 to 255
    // The tool where a run in the window stands: its insert filled, its holder outlined.
    SectionPen Insert, Holder;
    int32_t InsertFill = 0; // &HBBGGRR
    int InsertFillAlpha = 0;
};

// The colours on the white background or the black one.
SectionLook SectionLookOf(bool whiteBackground);

// The section as SVG elements in viewport pixels, in the order they are painted.
std::string SvgSection(const SectionDrawing& drawing, const SectionLook& look);

} // namespace picture
