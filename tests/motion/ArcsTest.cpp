// SPDX-License-Identifier: GPL-3.0-or-later
// Circular moves: centre from the radius, the arc drawn through start and end in the right
// direction in both layouts and for both drawing signs of X, and the arcs' failures.

#include "MotionFixture.h"

using Op = motion::Primitive::Op;

namespace motiontest {

namespace {

// Signed area of the turn start -> middle -> end on screen (y down): negative when the three
// points run clockwise as the operator sees them.
double ScreenTurn(motion::CanvasPoint a, motion::CanvasPoint b, motion::CanvasPoint c) {
    return -((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
}

struct DrawnArc {
    motion::CanvasPoint first, middle, last; // points of the drawn arc, counter-clockwise order
    double radius;
};

DrawnArc ArcOf(const motion::Primitive& p) {
    double span = std::fmod(p.end - p.start, 2 * M_PI);
    if (span < 0) span += 2 * M_PI;
    return {OnCircle(p.x1, p.y1, p.radius, p.start), OnCircle(p.x1, p.y1, p.radius, p.start + span / 2),
            OnCircle(p.x1, p.y1, p.radius, p.end), p.radius};
}

} // namespace

class ArcTest : public MotionTest {
  protected:
    ArcTest() {
        M.S.SWord = 500;
        M.S.Feed = 0.1;
    }
    void Arc(bool clockwise, double x0, double z0, double x1, double z1, double r) {
        Canvas.Forget();
        From(x0, z0);
        To(x1, z1);
        M.S.RWord = r;
        M.S.LWord = 0;
        clockwise ? motion::CircularCW(M) : motion::CircularCCW(M);
    }
};

TEST_F(ArcTest, ClockwiseCentreFromRadius) {
    Arc(true, 0, 0, 20, -10, 10);
    EXPECT_NEAR(M.S.ArcCentreX, 20, 1e-4);
    EXPECT_NEAR(M.S.ArcCentreZ, 0, 1e-4);
    EXPECT_NEAR(M.S.IWord, 10, 1e-4);
    EXPECT_NEAR(M.S.KWord, 0, 1e-4);
    EXPECT_EQ(M.S.LWord, 10);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
}

TEST_F(ArcTest, CounterClockwiseCentreFromRadius) {
    Arc(false, 0, 0, 20, -10, 10);
    EXPECT_NEAR(M.S.ArcCentreX, 0, 1e-4);
    EXPECT_NEAR(M.S.ArcCentreZ, -10, 1e-4);
    EXPECT_NEAR(M.S.IWord, 0, 1e-4);
    EXPECT_NEAR(M.S.KWord, -10, 1e-4);
}

// The drawn arc joins the start and end points of the move at its radius, and travels from start
// to end clockwise on screen for G02 (counter-clockwise for G03) with +X drawn upwards; the
// mirror reverses what the operator sees, the vertical layout (a quarter turn) keeps it.
TEST_F(ArcTest, DrawnArcJoinsStartAndEndInTheDirectionOfTravel) {
    struct Case {
        double x0, z0, x1, z1, r;
    };
    const Case cases[] = {
        {0, 0, 20, -10, 10}, {40, -5, 20, -30, 15}, {10, 10, 30, -10, 12}, {60, 0, 60, -30, 20}};
    for (bool vertical : {false, true}) {
        for (float sign : {1.0f, -1.0f}) {
            for (bool clockwise : {true, false}) {
                for (const Case& c : cases) {
                    M.S.Vertical = vertical;
                    M.S.XSign = sign;
                    Arc(clockwise, c.x0, c.z0, c.x1, c.z1, c.r);
                    const auto circles = Drawn(Op::Circle);
                    ASSERT_EQ(circles.size(), 1u);
                    const DrawnArc arc = ArcOf(circles[0]);
                    const motion::CanvasPoint start = motion::MapPoint(M, c.x0, c.z0);
                    const motion::CanvasPoint end = motion::MapPoint(M, c.x1, c.z1);
                    EXPECT_NEAR(arc.radius, c.r, 1e-12);
                    // Whichever way the primitive is called, its ends are the move's ends.
                    const bool forwards = Distance(arc.first, start) < 1e-3;
                    const motion::CanvasPoint a = forwards ? arc.first : arc.last;
                    const motion::CanvasPoint b = forwards ? arc.last : arc.first;
                    SCOPED_TRACE(testing::Message() << "vertical " << vertical << " sign " << sign << " cw "
                                                    << clockwise << " from " << c.x0 << "," << c.z0);
                    EXPECT_NEAR(Distance(a, start), 0, 1e-3);
                    EXPECT_NEAR(Distance(b, end), 0, 1e-3);
                    const bool screenClockwise = ScreenTurn(a, arc.middle, b) < 0;
                    EXPECT_EQ(screenClockwise, clockwise == (sign > 0));
                    // The shorter arc: the centre is on the far side of the chord from the middle.
                    EXPECT_LT(Distance(arc.middle, {(a.x + b.x) / 2, (a.y + b.y) / 2}), c.r);
                    // The end pixel.
                    const auto pixels = Drawn(Op::PSet);
                    ASSERT_EQ(pixels.size(), 1u);
                    EXPECT_DOUBLE_EQ(pixels[0].x1, end.x);
                    EXPECT_DOUBLE_EQ(pixels[0].y1, end.y);
                    EXPECT_EQ(circles[0].color, M.S.CutColor);
                }
            }
        }
    }
}

TEST_F(ArcTest, TimeRunsAlongTheChord) {
    Arc(true, 0, 0, 20, -10, 10);
    EXPECT_NEAR(M.S.CuttingTime, std::sqrt(200.0) / 0.1 / 500 * 60, 1e-4);
}

TEST_F(ArcTest, SemicircleIsDrawnTowardsMinusZAndFailsTowardsPlusZ) {
    Arc(true, 0, 0, 0, -20, 10);
    EXPECT_EQ(Drawn(Op::Circle).size(), 1u);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
    Arc(true, 0, 0, 0, 20, 10);
    EXPECT_TRUE(Drawn(Op::Circle).empty());
    EXPECT_EQ(Host.MainBar, "Calcu Error");
    EXPECT_EQ(Host.FkeyBar, "Calcu Error");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
}

TEST_F(ArcTest, CounterClockwiseEndAngleBeyondAFullTurnFailsTheBlock) {
    // Ending just below the centre's X on the +Z side puts the end angle a hair under a full turn;
    // the perturbation added for the draw call then passes it.
    Arc(false, 20, 0, 40, 10, 10);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
    Arc(false, 20, 0, 39.9999, 10, 10);
    EXPECT_EQ(Host.MainBar, "Calcu Error");
    EXPECT_TRUE(Drawn(Op::Circle).empty());
}

TEST_F(ArcTest, RadiusShorterThanHalfTheChordOrZeroIsACalculationError) {
    Arc(false, 0, 0, 40, -40, 10);
    EXPECT_EQ(Host.MainBar, "Calcu Error");
    EXPECT_TRUE(Canvas.Drawn.empty());
    M.S.RunState = interp::RunRunning;
    Arc(false, 0, 0, 40, -40, 0); // no radius and no centre words
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
    EXPECT_TRUE(std::isfinite(M.S.IWord) && std::isfinite(M.S.ArcCentreX));
}

TEST_F(ArcTest, LWordBeforeRWordBeforeCentreWords) {
    From(0, 0);
    To(20, -10);
    M.S.LWord = 12;
    M.S.RWord = 10;
    motion::CircularCW(M);
    EXPECT_EQ(M.S.LWord, 12);
    From(0, 0);
    To(20, -10);
    M.S.LWord = M.S.RWord = 0;
    M.S.IWord = 6;
    M.S.KWord = 8;
    motion::CircularCW(M);
    EXPECT_DOUBLE_EQ(M.S.LWord, 10);
    EXPECT_NEAR(M.S.ArcCentreX, 20, 1e-4); // the centre is recomputed from the radius
}

TEST_F(ArcTest, ArcEndingOnItsStartIsIgnored) {
    Arc(true, 20, -10, 20, -10, 10);
    EXPECT_TRUE(Canvas.Drawn.empty());
    EXPECT_EQ(M.S.CuttingTime, 0);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
}

TEST_F(ArcTest, NegativeRadiusDrawsTheLongerArcWithAPositiveRadius) {
    Arc(true, 0, 0, 20, -10, -10);
    const auto circles = Drawn(Op::Circle);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].radius, 10);
    const DrawnArc arc = ArcOf(circles[0]);
    const motion::CanvasPoint a = arc.first, b = arc.last;
    // The middle of the drawn arc lies beyond the centre: the longer way round.
    EXPECT_GT(Distance(arc.middle, {(a.x + b.x) / 2, (a.y + b.y) / 2}), 10);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
}

TEST_F(ArcTest, ArcWithoutFeedIsDrawnThenRefused) {
    M.S.Feed = 0;
    Arc(true, 0, 0, 20, -10, 10);
    EXPECT_EQ(Drawn(Op::Circle).size(), 1u);
    EXPECT_EQ(Host.MainBar, "Feed is 0.");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
    EXPECT_EQ(M.S.CuttingTime, 0);
}

TEST_F(ArcTest, ArcEndingOnAPlusLimitIsNotDrawn) {
    Arc(true, 480, 0, 500, -10, 10);
    EXPECT_TRUE(Drawn(Op::Circle).empty());
    EXPECT_EQ(Host.MainBar, "X-Axis puls limit over.");
}

TEST_F(ArcTest, MarkShowsTheRadiusOfAnArc) {
    M.S.ShowPosition = true;
    M.S.GWord = 2;
    Arc(true, 0, 0, 20, -10, 10);
    const std::vector<std::string> expected = {"R10", "Z-10", "X20"};
    EXPECT_EQ(Texts(), expected);
}

} // namespace motiontest
