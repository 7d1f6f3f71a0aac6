// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sheet as an SVG document: the viewport's drawing in a nested picture that clips it, and
// the rulers and the legend over it.

#include "picture/Sheet.h"

#include <string>

namespace picture {

// An Overlay that writes SVG elements. Lines of one colour drawn one after another share a path,
// texts of one face, colour and alignment a group. Text widths are estimated (0.6 em a
// character) since the viewer chooses the face.
class SvgOverlay final : public Overlay {
  public:
    void Fill(const Rect& r, int32_t color) override;
    void Line(double x1, double y1, double x2, double y2, int32_t color) override;
    void Text(double x, double y, const std::string& text, double pointSize, int32_t color, Anchor anchor,
              bool bold = false) override;
    double TextWidth(const std::string& text, double pointSize, bool bold = false) override;

    // The elements drawn so far.
    std::string Elements();

  private:
    void EndPath();
    void EndGroup();
    std::string Body;
    std::string PathKey, Path; // the path being gathered: its colour and data
    std::string GroupKey;      // the open text group's attributes
};

// The whole document: the sheet's background, the viewport's drawing (`viewportContent`, in
// viewport pixels) clipped to its place, then `overlay`.
std::string SvgSheetDocument(const SheetLayout& l, int32_t back, const std::string& viewportContent,
                             const std::string& overlay);

} // namespace picture
