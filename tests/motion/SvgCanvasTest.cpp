// The SVG picture of the checker: pixel positions, dotted rapids and arc end points.

#include "motion/SvgCanvas.h"

#include <gtest/gtest.h>

namespace {

// A 100 x 100 pixel picture showing user units 0..10 across and down.
motion::SvgCanvas Picture() {
    motion::SvgCanvas svg;
    svg.Resize(1500, 1500);
    svg.SetScale(0, 0, 10, 10);
    return svg;
}

TEST(SvgCanvas, DottedLinesAndPixelsAtTheirPixelPositions) {
    motion::SvgCanvas svg = Picture();
    svg.Style = motion::DrawStyle::Dot;
    svg.Line(1, 2, 5, 2, 0x0000FF);
    svg.Style = motion::DrawStyle::Solid;
    svg.PSet(5, 2, 0xFF0000);
    const std::string doc = svg.Document();
    EXPECT_NE(doc.find("<line x1=\"10.00\" y1=\"20.00\" x2=\"50.00\" y2=\"20.00\" stroke=\"#ff0000\" "
                       "stroke-dasharray"),
              std::string::npos);
    EXPECT_NE(doc.find("<rect x=\"50.00\" y=\"20.00\" width=\"1\" height=\"1\" fill=\"#0000ff\""),
              std::string::npos);
    EXPECT_NE(doc.find("width=\"100.00\" height=\"100.00\""), std::string::npos);
}

TEST(SvgCanvas, ArcRunsCounterClockwiseOnScreenFromStartToEnd) {
    motion::SvgCanvas svg = Picture();
    // From the right of the centre up to the top: a quarter, drawn with sweep flag 0.
    svg.Circle(5, 5, 2, 0, false, 0, 1.5707963267948966);
    EXPECT_NE(svg.Document().find("d=\"M70.00 50.00 A20.00 20.00 0 0 0 50.00 30.00\""), std::string::npos);
    // Three quarters the other way round takes the large-arc flag.
    motion::SvgCanvas big = Picture();
    big.Circle(5, 5, 2, 0, false, 1.5707963267948966, 0);
    EXPECT_NE(big.Document().find("A20.00 20.00 0 1 0 70.00 50.00"), std::string::npos);
}

TEST(SvgCanvas, ClearKeepsOnlyTheBackground) {
    motion::SvgCanvas svg = Picture();
    svg.BackColor = 0xFFFFFF;
    svg.Line(1, 1, 2, 2, 0);
    svg.Cls();
    const std::string doc = svg.Document();
    EXPECT_EQ(doc.find("<line"), std::string::npos);
    EXPECT_NE(doc.find("fill=\"#ffffff\""), std::string::npos);
}

} // namespace
