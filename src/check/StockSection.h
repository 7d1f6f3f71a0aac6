// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock section of a check as it is drawn with the path: the raw stock, the part the check
// left and the work holding as half-section outlines, and their drawing on both halves. The
// window's View > Stock section and the checker's pictures draw it through here alike.

#include "check/Checker.h"
#include "picture/Section.h"
#include "picture/Sheet.h"
#include "stock/Geometry.h"

#include <functional>
#include <optional>
#include <vector>

namespace check {

struct StockSection {
    // Outlines in the Z-right, radius-up half-section, millimetres (the setup's unit); a part
    // with a bore or a groove may have holes, told by the even-odd rule.
    std::vector<stock::Outline> Raw, Part, Holding;
    // Where thread passes ran, from their root up to their first pass: the section has the
    // whole ring taken there, the part a helical groove.
    std::vector<stock::Outline> Threads;
    // The compensated nose path (open runs of points on the path's half), drawn when asked for.
    std::vector<stock::Outline> NosePath;
    // Against a target drawing: the regions of material left outside it and cut inside it.
    std::vector<stock::Outline> Excess, Gouge;
};

// None when the check ran without a setup.
std::optional<StockSection> SectionOf(const CheckReport& report, const CheckOptions& options);

// The outlines on both halves (the radius toward +X, then toward -X), each point of the machine
// (X a diameter, Z; millimetres, as the path) placed by `toPixel`.
picture::SectionDrawing DrawnSection(const StockSection& section,
                                     const std::function<picture::PixelPoint(double x, double z)>& toPixel);

// The same in the viewport of a checker's picture, which shows `sheet.Visible` of the canvas.
picture::SectionDrawing DrawnSection(const StockSection& section, const picture::SheetContent& sheet);

} // namespace check
