// SPDX-License-Identifier: GPL-3.0-or-later
// The one-outline sweep of a convex tool along a path against the plain union of the tool's
// sweeps along each straight piece, on arcs both ways round and on a zig-zag with sharp turns;
// the quick cut of a rectangular tile by a pass along Z, and a sweep cut down to a tile, against
// the polygon arithmetic they stand in for, point for point.

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

bool SamePoints(const stock::Region& a, const stock::Region& b) {
    if (a.Grid().size() != b.Grid().size()) return false;
    for (size_t i = 0; i < a.Grid().size(); ++i) {
        if (a.Grid()[i].size() != b.Grid()[i].size()) return false;
        for (size_t j = 0; j < a.Grid()[i].size(); ++j)
            if (a.Grid()[i][j].z != b.Grid()[i][j].z || a.Grid()[i][j].x != b.Grid()[i][j].x) return false;
    }
    return true;
}

TEST(Geometry, RectangleCutByAPassIsWhatThePolygonArithmeticGives) {
    // A turning insert along Z over the top of a tile, a boring bar along Z under its bottom;
    // tiles the pass spans, tiles it ends in, and tiles it misses.
    stock::Tool turning;
    stock::Tool boring;
    boring.Type = stock::Tool::Kind::Boring;
    boring.TipDirection = 2;
    const stock::Region turn = stock::ShapeOf(turning).Cutting, bore = stock::ShapeOf(boring).Cutting;
    const stock::Region tile = stock::Region::Rectangle(-10, 0, -5, 20);
    const stock::Region thin = stock::Region::Rectangle(-10, 0, -5, 5);
    const stock::Region tube = stock::Region::Rectangle(-10, 10, -5, 30);
    struct Case {
        const stock::Region* shape;
        const stock::Region* tile;
        std::vector<stock::Point> path;
        bool quick;
    };
    const std::vector<Case> cases = {
        {&turn, &tile, {{2, 15}, {-40, 15}}, true}, // the top off, either way along Z
        {&turn, &tile, {{-40, 12.3456}, {2, 12.3456}}, true},
        {&turn, &tile, {{2, 5}, {-40, 5}}, false},   // a slot: the insert is under the top
        {&turn, &thin, {{2, -1}, {-40, -1}}, true},  // below the axis: all of it
        {&turn, &tile, {{2, 15}, {-7, 15}}, false},  // ends inside the tile
        {&turn, &tile, {{2, 15}, {-40, 14}}, false}, // not along Z
        {&turn, &tile, {{-7, 40}, {-7, 15}}, false}, // along X
        {&bore, &tube, {{2, 15}, {-40, 15}}, true},  // the bore opened
        {&bore, &tube, {{2, 25}, {-40, 25}}, false}, // a slot: the bar is over the bore
    };
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const stock::Region sweep = stock::Region::Swept(*c.shape, c.path);
        stock::Region left, removed;
        ASSERT_EQ(c.tile->RectangleMinus(sweep, left, removed), c.quick) << i;
        if (!c.quick) continue;
        EXPECT_TRUE(SamePoints(left, c.tile->Minus(sweep))) << i;
        EXPECT_TRUE(SamePoints(removed, c.tile->Intersect(sweep))) << i;
        EXPECT_EQ(left.AxisMoment(), c.tile->Minus(sweep).AxisMoment()) << i;
    }
}

TEST(Geometry, ASweepCutDownToATileCutsItAlike) {
    // A long pass ending in a tile with a fillet (no rectangle), a face along X into a shoulder:
    // the sweep cut down to the tile has fewer corners and the same difference and common part.
    stock::Tool turning;
    const stock::Region shape = stock::ShapeOf(turning).Cutting;
    const stock::Region tile = stock::Region::Rectangle(-10, 0, -5, 20)
                                   .Minus(stock::Region::Swept(shape, {{2, 18}, {-8.5, 18}, {-8.5, 25}}));
    const std::vector<std::vector<stock::Point>> paths = {
        {{2, 17.9}, {-8.5, 17.9}}, {{-8.5, 17.9}, {-8.5, 19}}, {{-5.2, 30}, {-5.2, 2}}, {{-20, 2}, {-30, 2}}};
    for (size_t i = 0; i < paths.size(); ++i) {
        const stock::Region sweep = stock::Region::Swept(shape, paths[i]);
        const stock::Region near = sweep.Near(tile);
        EXPECT_LE(near.Grid().front().size(), sweep.Grid().front().size()) << i;
        EXPECT_TRUE(SamePoints(tile.Minus(near), tile.Minus(sweep))) << i;
        EXPECT_TRUE(SamePoints(tile.Intersect(near), tile.Intersect(sweep))) << i;
    }
    // Running back along the surface just cut takes nothing, and is told so without clipping;
    // a pass a hundredth deeper is no such case.
    const stock::Region top = stock::Region::Rectangle(-10, 0, -5, 17.9);
    EXPECT_TRUE(stock::Region::Swept(shape, {{-30, 17.9}, {2, 17.9}}).Apart(top));
    EXPECT_FALSE(stock::Region::Swept(shape, {{-30, 17.89}, {2, 17.89}}).Apart(top));
    EXPECT_LT(stock::Region::Swept(shape, paths[0]).Near(tile).Grid().front().size(),
              stock::Region::Swept(shape, paths[0]).Grid().front().size());
}

} // namespace
