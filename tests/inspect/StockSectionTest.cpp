// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring on the stock section: the finished part's corners and edges in both halves.

#include "inspect/StockSection.h"

#include <gtest/gtest.h>

using namespace inspect;

namespace {

// 10 px a millimetre, Z from -30 across and radius from +20 down at the corner.
ViewMap Map() {
    ViewMap v;
    v.ScaleLeft = -30, v.ScaleTop = -20, v.ScaleWidth = 40, v.ScaleHeight = 40;
    v.CanvasWidth = 400 * TwipsPerPixel, v.CanvasHeight = 400 * TwipsPerPixel;
    return v;
}

// A shaft of diameter 20 from Z0 to Z-20.
StockSection Shaft() {
    StockSection s;
    s.Part = {{{0, 0}, {0, 10}, {-20, 10}, {-20, 0}}};
    return s;
}

Point Near(MachinePoint p, double dx, double dy) {
    const Point q = Map().ToPixel(p);
    return {q.X + dx, q.Y + dy};
}

} // namespace

TEST(StockSnap, CornersAndEdgesOfBothHalvesAndThePathFirstWhenNearer) {
    const SnapPoint free{{0, 0}, SnapPoint::Kind::Free};
    // A corner within reach, in each half.
    for (const double side : {1.0, -1.0}) {
        const SnapPoint c = SnapToPart(Shaft(), Map(), Near({side * 20, 0}, 3, -2), 8, free);
        EXPECT_EQ(c.Snapped, SnapPoint::Kind::EndPoint);
        EXPECT_DOUBLE_EQ(c.At.X, side * 20);
        EXPECT_DOUBLE_EQ(c.At.Z, 0);
    }
    // Along the diameter's edge: onto it, Z where the pointer is.
    const SnapPoint e = SnapToPart(Shaft(), Map(), Near({20, -10}, 0, 4), 8, free);
    EXPECT_EQ(e.Snapped, SnapPoint::Kind::PartEdge);
    EXPECT_NEAR(e.At.X, 20, 1e-9);
    EXPECT_NEAR(e.At.Z, -10, 1e-9);
    // Out of reach: left as it was.
    const SnapPoint away = SnapToPart(Shaft(), Map(), Near({20, -10}, 0, -20), 8, free);
    EXPECT_EQ(away.Snapped, SnapPoint::Kind::Free);
    // A path end point nearer than the corner stays; a farther one gives way to the corner, and
    // an edge never replaces a point of the path.
    const SnapPoint path{{20.4, 0.2}, SnapPoint::Kind::EndPoint};
    EXPECT_DOUBLE_EQ(SnapToPart(Shaft(), Map(), Near({20.4, 0.2}, 0, 0), 8, path).At.X, 20.4);
    EXPECT_DOUBLE_EQ(SnapToPart(Shaft(), Map(), Near({20, 0}, 0, 0), 8, path).At.X, 20);
    const SnapPoint onEdge{{20, -10.5}, SnapPoint::Kind::EndPoint};
    EXPECT_DOUBLE_EQ(SnapToPart(Shaft(), Map(), Near({20, -10}, 0, 3), 8, onEdge).At.Z, -10.5);
}

TEST(StockSnap, ToolTextSaysWhatTheToolIsAndWhereItCameFrom) {
    stock::Tool groove;
    groove.Type = stock::Tool::Kind::Grooving;
    groove.Width = 3, groove.CornerRadius = 0.2, groove.Reach = 12;
    groove.Source = "setup file";
    EXPECT_EQ(ToolText(groove), "grooving W3, corner R0.2, reach 12, tip 3 (setup file)");
    groove.FeedAxis = stock::Tool::Axis::Z;
    EXPECT_EQ(ToolText(groove), "grooving W3, corner R0.2, reach 12, tip 3, along Z (setup file)");
    stock::Tool cross;
    cross.Type = stock::Tool::Kind::Drill;
    cross.FeedAxis = stock::Tool::Axis::X, cross.Driven = true;
    EXPECT_EQ(ToolText(cross), "drill D10, 118°, along X, driven (setup file)");
    stock::Tool insert;
    insert.Shape = 'D', insert.EdgeLength = 15, insert.NoseRadius = 0.4;
    insert.Source = "comment";
    insert.Assumed = {"tip direction 3", "approach angle 90"};
    EXPECT_EQ(ToolText(insert),
              "turning D 55°, edge 15, R0.4, tip 3 (comment; assumed: tip direction 3, approach angle 90)");
}
