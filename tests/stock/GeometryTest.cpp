// SPDX-License-Identifier: GPL-3.0-or-later
// The one-outline sweep of a convex tool along a path against the plain union of the tool's
// sweeps along each straight piece, on arcs both ways round and on a zig-zag with sharp turns.

#include "stock/Geometry.h"
#include "stock/ToolShape.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

stock::Region PieceByPiece(const stock::Region& shape, const std::vector<stock::Point>& path) {
    stock::Region all;
    for (size_t i = 1; i < path.size(); ++i)
        all = all.Union(stock::Region::Swept(shape, {path[i - 1], path[i]}));
    return all;
}

TEST(Geometry, ConvexSweepIsTheUnionOfItsStraightPieces) {
    stock::Tool insert;
    insert.Shape = 'V';
    insert.NoseRadius = 0.4;
    insert.ApproachAngle = 93;
    const stock::Region shape = stock::ShapeOf(insert).Cutting;
    const std::vector<std::vector<stock::Point>> paths = {
        stock::ArcPoints({0, 20}, {-10, 30}, {-10, 20}, false, 0.01), // convex round, counter-clockwise
        stock::ArcPoints({-10, 30}, {0, 20}, {-10, 20}, true, 0.01),  // the same, backwards
        stock::ArcPoints({0, 20}, {-3, 23}, {0, 23}, true, 0.01),     // a small concave fillet
        stock::ArcPoints({0, 20}, {0, 20.001}, {0, 25}, false, 0.05), // nearly a whole circle
        {{0, 20}, {-10, 20}, {-10.5, 25}, {-20, 24}, {-20.2, 10}, {-5, 10}}, // sharp turns both ways
    };
    for (size_t i = 0; i < paths.size(); ++i) {
        const stock::Region fast = stock::Region::Swept(shape, paths[i]);
        const stock::Region slow = PieceByPiece(shape, paths[i]);
        EXPECT_NEAR(fast.Area(), slow.Area(), 1e-6 * slow.Area()) << i;
        // Apart from the grid's rounding where edges cross (far below a nose's smallest part).
        EXPECT_NEAR(fast.Minus(slow).Area() + slow.Minus(fast).Area(), 0, 1e-4) << i;
    }
}

} // namespace
