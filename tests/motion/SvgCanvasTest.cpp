// SPDX-License-Identifier: GPL-3.0-or-later
// The SVG picture of the checker: pixel positions, dotted rapids, arc end points, and the
// gathering that keeps the document of a long program small.

#include "motion/SvgCanvas.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// A 100 x 100 pixel picture showing user units 0..10 across and down.
motion::SvgCanvas Picture() {
    motion::SvgCanvas svg;
    svg.Resize(1500, 1500);
    svg.SetScale(0, 0, 10, 10);
    return svg;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(SvgCanvas, DottedLinesAndPixelsAtTheirPixelPositions) {
    motion::SvgCanvas svg = Picture();
    svg.Style = motion::DrawStyle::Dot;
    svg.Line(1, 2, 5, 2, 0x0000FF);
    svg.Style = motion::DrawStyle::Solid;
    svg.PSet(5, 2, 0xFF0000);
    const std::string doc = svg.Document();
    EXPECT_NE(doc.find("<path stroke=\"#ff0000\" stroke-dasharray=\"1 2\" d=\"M10 20h40\"/>"),
              std::string::npos);
    // A pixel is a one-pixel stroke through the middle of its square.
    EXPECT_NE(doc.find("<path stroke=\"#0000ff\" d=\"M50 20.5h1\"/>"), std::string::npos);
    EXPECT_NE(doc.find("width=\"100\" height=\"100\""), std::string::npos);
}

TEST(SvgCanvas, ArcRunsCounterClockwiseOnScreenFromStartToEnd) {
    motion::SvgCanvas svg = Picture();
    // From the right of the centre up to the top: a quarter, drawn with sweep flag 0.
    svg.Circle(5, 5, 2, 0, false, 0, 1.5707963267948966);
    EXPECT_NE(svg.Document().find("d=\"M70 50A20 20 0 0 0 50 30\""), std::string::npos);
    // Three quarters the other way round takes the large-arc flag.
    motion::SvgCanvas big = Picture();
    big.Circle(5, 5, 2, 0, false, 1.5707963267948966, 0);
    EXPECT_NE(big.Document().find("A20 20 0 1 0 70 50"), std::string::npos);
    // A full circle: two halves back to where it began.
    motion::SvgCanvas full = Picture();
    full.Circle(5, 5, 1, 0, true, 0, 0);
    EXPECT_NE(full.Document().find("d=\"M40 50A10 10 0 1 0 60 50A10 10 0 1 0 40 50\""), std::string::npos);
}

TEST(SvgCanvas, PiecesOfOneColourShareAPathPerStyleAndANewColourStartsAnother) {
    motion::SvgCanvas svg = Picture();
    // A contour of three cuts, a dotted rapid in between, then more cuts of the same tool.
    svg.Line(1, 1, 2, 1, 0x00FF00);
    svg.Line(2, 1, 2, 3, 0x00FF00);
    svg.Line(2, 3, 3.333333, 4.5, 0x00FF00);
    svg.Style = motion::DrawStyle::Dot;
    svg.Line(3.333333, 4.5, 8, 8, 0x00FF00);
    svg.Line(8, 8, 1, 1, 0x00FF00);
    svg.Style = motion::DrawStyle::Solid;
    svg.Line(1, 1, 1, 5, 0x00FF00);
    svg.Line(1, 5, 2, 5, 0x0000FF); // the next tool's colour
    const std::string doc = svg.Document();
    EXPECT_EQ(Count(doc, "<path"), 3u);
    // Relative steps from where the pen stands; positions to a hundredth of a pixel.
    EXPECT_NE(doc.find("d=\"M10 10h10v20l13.33 15M10 10v40\""), std::string::npos);
    // Each dotted piece starts its dots anew, so a rapid there and back stays dotted.
    EXPECT_NE(doc.find("d=\"M33.33 45l46.67 35M80 80l-70-70\""), std::string::npos);
    EXPECT_EQ(Count(doc, "stroke=\"#00ff00\""), 2u);
    EXPECT_EQ(Count(doc, "stroke=\"#ff0000\""), 1u);
    // No coordinate carries more than two decimals.
    EXPECT_FALSE(std::regex_search(doc, std::regex("\\d\\.\\d{3}")));
}

TEST(SvgCanvas, TextEndsTheGatheringAndTextsOfOneFaceShareAGroup) {
    motion::SvgCanvas svg = Picture();
    svg.Line(1, 1, 2, 1, 0);
    svg.FontSize = 9; // 12 pixels
    svg.ForeColor = 0;
    svg.CurrentX = 1, svg.CurrentY = 1;
    svg.Print("Z<0>");
    svg.CurrentX = 1, svg.CurrentY = 2;
    svg.Print("X&1");
    svg.Line(2, 1, 3, 1, 0); // over the texts: a path of its own after them
    const std::string doc = svg.Document();
    EXPECT_EQ(Count(doc, "<g font-family"), 1u);
    EXPECT_EQ(Count(doc, "<path"), 2u);
    EXPECT_LT(doc.find("M10 10h10"), doc.find("<text"));
    EXPECT_GT(doc.find("M20 10h10"), doc.find("X&amp;1"));
    // The print position is the top of the text: its baseline lies an ascent lower.
    EXPECT_NE(doc.find("<text x=\"10\" y=\"21.16\">Z&lt;0&gt;</text>"), std::string::npos);
}

TEST(SvgCanvas, PiecesOutsideThePictureAreLeftOutAndLongOnesCut) {
    motion::SvgCanvas svg = Picture();
    svg.Line(20, 20, 30, 25, 0);     // wholly off the picture
    svg.Line(-1e9, 5, 1e9, 5, 0xFF); // across it from far away
    svg.Circle(50, 50, 1, 0, true, 0, 0);
    svg.Line(5, 5, 5, 5, 0xFF00); // no length: nothing to see
    const std::string doc = svg.Document();
    EXPECT_EQ(Count(doc, "<path"), 1u);
    EXPECT_NE(doc.find("stroke=\"#ff0000\" d=\"M-102 50h304\""), std::string::npos);
}

TEST(SvgCanvas, ClearKeepsOnlyTheBackground) {
    motion::SvgCanvas svg = Picture();
    svg.BackColor = 0xFFFFFF;
    svg.Line(1, 1, 2, 2, 0);
    svg.Cls();
    svg.Line(3, 3, 4, 3, 0);
    const std::string doc = svg.Document();
    EXPECT_EQ(Count(doc, "<path"), 1u);
    EXPECT_NE(doc.find("d=\"M30 30h10\""), std::string::npos);
    EXPECT_NE(doc.find("fill=\"#ffffff\""), std::string::npos);
}

TEST(SvgCanvas, NumbersHaveAtMostTwoDecimalsAndNoTrailingZeros) {
    EXPECT_EQ(motion::SvgNumber(12.5), "12.5");
    EXPECT_EQ(motion::SvgNumber(3.0), "3");
    EXPECT_EQ(motion::SvgNumber(-0.05), "-0.05");
    EXPECT_EQ(motion::SvgNumber(1.004), "1");
    EXPECT_EQ(motion::SvgNumber(-7.126), "-7.13");
}

} // namespace
