// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Picture.h"

#include "motion/SvgCanvas.h"
#include "picture/Section.h"
#include "picture/SvgSheet.h"

#include <algorithm>

namespace check {

namespace {

class SvgPicture final : public Picture {
  public:
    motion::Canvas& Canvas() override { return Svg; }
    bool Encode(const picture::SheetContent& sheet, std::string& bytes, std::string&) override {
        const std::string section = Section ? picture::SvgSection(*Section, Look) : std::string();
        if (sheet.Layout.Plain()) {
            bytes = Svg.Document();
            // Over the path, as the last element of the picture.
            if (!section.empty()) bytes.insert(bytes.rfind("</svg>"), section);
            return true;
        }
        picture::SvgOverlay overlay;
        picture::DrawSheet(overlay, sheet);
        bytes = picture::SvgSheetDocument(sheet.Layout, picture::SheetBack(sheet.Options),
                                          Svg.Content() + section, overlay.Elements());
        return true;
    }

  private:
    motion::SvgCanvas Svg;
};

} // namespace

void ViewportCanvas::Resize(double widthTwips, double heightTwips) {
    Canvas::Resize(widthTwips, heightTwips);
    Inner.BackColor = Back;
    Inner.Resize(widthTwips / 4, heightTwips / 4);
}

motion::Canvas& ViewportCanvas::Sync() {
    // The inner scale follows the canvas scale; it is worked out again only when that changes.
    const double key[6] = {ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight, Width, Height};
    if (!ScaleKnown || !std::equal(key, key + 6, ScaleKey)) {
        // The canvas position of the standard view, in twips inside the viewport.
        const double left = -(Width / 2) - NVLZ, top = -(Height / 2);
        InnerScale[0] = ScaleLeft - left * ScaleWidth / Width;
        InnerScale[1] = ScaleTop - top * ScaleHeight / Height;
        InnerScale[2] = ScaleWidth / 4;
        InnerScale[3] = ScaleHeight / 4;
        std::copy(key, key + 6, ScaleKey);
        ScaleKnown = true;
    }
    Inner.SetScale(InnerScale[0], InnerScale[1], InnerScale[2], InnerScale[3]);
    Inner.Style = Style;
    Inner.Mode = Mode;
    Inner.ForeColor = ForeColor;
    Inner.BackColor = Back;
    Inner.FontSize = FontSize;
    Inner.CurrentX = CurrentX;
    Inner.CurrentY = CurrentY;
    return Inner;
}

void ViewportCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    Sync().Line(x1, y1, x2, y2, color);
    CurrentX = x2, CurrentY = y2;
}

void ViewportCanvas::PSet(double x, double y, int32_t color) {
    Sync().PSet(x, y, color);
    CurrentX = x, CurrentY = y;
}

void ViewportCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start,
                            double end) {
    Sync().Circle(cx, cy, r, color, full, start, end);
}

void ViewportCanvas::Print(const std::string& text) {
    Sync().Print(text);
}

// Text sizes in canvas units are the same whichever part of the canvas is shown.
double ViewportCanvas::TextWidth(const std::string& text) {
    return Sync().TextWidth(text);
}
double ViewportCanvas::TextHeight(const std::string& text) {
    return Sync().TextHeight(text);
}

void ViewportCanvas::Cls() {
    Sync().Cls();
    CurrentX = 0, CurrentY = 0;
}

std::optional<picture::Area> FrameFor(const std::u16string& text, const CheckOptions& options,
                                      const picture::SheetOptions& sheet,
                                      const picture::SheetLayout& layout) {
    if (!sheet.Fit) return std::nullopt;
    // The framing run only finds where the path lies: no findings, no stock.
    CheckOptions framing = options;
    framing.Advice = false;
    framing.OnBlock = nullptr;
    framing.Stock = nullptr;
    picture::BoundsCanvas bounds;
    CheckProgram(text, framing, {}, {&bounds}, layout.Viewport.W, layout.Viewport.H);
    const std::optional<picture::Area> framed = bounds.Framed(*sheet.Fit);
    if (!framed) return std::nullopt;
    return picture::FitArea(*framed, layout.Viewport.W, layout.Viewport.H);
}

std::unique_ptr<Picture> MakeSvgPicture(const picture::SheetLayout&) {
    return std::make_unique<SvgPicture>();
}

} // namespace check
