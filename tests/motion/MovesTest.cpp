// SPDX-License-Identifier: GPL-3.0-or-later
// Rapid, linear, dwell and return moves: what they draw, where they end and the time they add.

#include "MotionFixture.h"
#include "base/LabelLayout.h"
#include "base/View.h"

using motion::DrawStyle;
using motion::Primitive;
using Op = motion::Primitive::Op;

namespace motiontest {

TEST_F(MotionTest, RapidMoveDrawsDottedLineAndTakesTheLongerAxisTime) {
    From(100, 50);
    To(20, 0);
    motion::RapidMove(M);
    const auto lines = Drawn(Op::Line);
    ASSERT_GE(lines.size(), 1u);
    EXPECT_EQ(lines[0].style, DrawStyle::Dot);
    EXPECT_EQ(lines[0].color, M.S.RapidColor);
    // X up (radius), Z to the right.
    EXPECT_DOUBLE_EQ(lines[0].x1, 50);
    EXPECT_DOUBLE_EQ(lines[0].y1, -50);
    EXPECT_DOUBLE_EQ(lines[0].x2, 0);
    EXPECT_DOUBLE_EQ(lines[0].y2, -10);
    EXPECT_EQ(Canvas.Style, DrawStyle::Solid);
    EXPECT_NEAR(M.S.CuttingTime, 0.15, 1e-6);
    ASSERT_EQ(Canvas.Segments.size(), 1u);
    EXPECT_EQ(Canvas.Segments[0].kind, motion::PathSegment::Kind::Rapid);
}

TEST_F(MotionTest, RapidMoveStopsAtThePlusLimitsWithoutMessage) {
    From(100, 10);
    To(600, 300);
    motion::RapidMove(M);
    EXPECT_EQ(M.S.CurX, M.S.PVLX);
    EXPECT_EQ(M.S.CurZ, M.S.PVLZ);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
    EXPECT_EQ(Host.MainBar, "");
}

TEST_F(MotionTest, IncrementalWordsReplaceTheWrittenEndPoint) {
    From(40, 0);
    To(99, -5);
    M.S.UWord = 10;
    M.S.Feed = 100;
    M.S.GFeedMode = 94;
    motion::LinearMove(M);
    EXPECT_EQ(M.S.CurX, 50);
    EXPECT_EQ(M.S.CurZ, -5); // W0 leaves the written Z
}

// The barbs of the arrow head lie behind the tip, towards the start of the move, at the arrow's
// size and 15 degrees either side of the move, whatever the layout and the drawing sign of X.
TEST_F(MotionTest, ArrowBarbsPointBackTowardsTheStartInEveryLayout) {
    struct Move {
        double x0, z0, x1, z1;
    };
    const Move moves[] = {{20, 50, 20, 0},  {20, 0, 20, 50},  {80, 10, 20, 10}, {20, 10, 80, 10},
                          {100, 50, 20, 0}, {20, 0, 100, 50}, {20, 50, 100, 0}};
    for (bool vertical : {false, true}) {
        for (float sign : {1.0f, -1.0f}) {
            for (const Move& mv : moves) {
                Canvas.Forget();
                M.S.Vertical = vertical;
                M.S.XSign = sign;
                motion::DrawRapidArrow(M, mv.x1, mv.z1, mv.x0, mv.z0);
                const auto lines = Drawn(Op::Line);
                ASSERT_EQ(lines.size(), 3u);
                const motion::CanvasPoint tip = motion::MapPoint(M, mv.x1, mv.z1);
                const motion::CanvasPoint start = motion::MapPoint(M, mv.x0, mv.z0);
                const double size = Canvas.ScaleWidth * 0.003;
                const double bx = start.x - tip.x, by = start.y - tip.y, back = std::hypot(bx, by);
                for (const motion::CanvasPoint barb : {motion::CanvasPoint{lines[0].x2, lines[0].y2},
                                                       motion::CanvasPoint{lines[1].x2, lines[1].y2}}) {
                    EXPECT_NEAR(Distance(barb, tip), size, 1e-9);
                    const double cosine = ((barb.x - tip.x) * bx + (barb.y - tip.y) * by) / (size * back);
                    EXPECT_NEAR(cosine, std::cos(interp::Pi / 12), 1e-9)
                        << "vertical " << vertical << " sign " << sign << " move to " << mv.x1 << ","
                        << mv.z1;
                }
                // A closed outline: tip -> B1 -> B2 -> tip, in the rapid colour.
                EXPECT_DOUBLE_EQ(lines[0].x1, tip.x);
                EXPECT_DOUBLE_EQ(lines[2].x2, tip.x);
                EXPECT_DOUBLE_EQ(lines[2].y2, tip.y);
                EXPECT_EQ(lines[1].color, M.S.RapidColor);
            }
        }
    }
}

TEST_F(MotionTest, ArrowIsLeftOutForZeroMovesAndWhenSwitchedOff) {
    motion::DrawRapidArrow(M, 20, 0, 20, 0);
    M.S.RapidArrow = false;
    motion::DrawRapidArrow(M, 20, 0, 40, 10);
    EXPECT_TRUE(Drawn(Op::Line).empty());
}

TEST_F(MotionTest, ToolLabelIsPrintedOnceAFiftiethBackAlongTheFirstRapid) {
    M.S.TWord = 101;
    From(100, 50);
    To(20, 0);
    motion::RapidMove(M);
    const auto prints = Drawn(Op::Print);
    ASSERT_FALSE(prints.empty());
    EXPECT_EQ(prints[0].text, "TA 101 ");
    EXPECT_EQ(prints[0].fontSize, 12);
    EXPECT_EQ(prints[0].color, M.S.ToolColor);
    EXPECT_DOUBLE_EQ(prints[0].x1, 0 + 50.0 / 50);    // Z back by 1/50 of the move
    EXPECT_DOUBLE_EQ(prints[0].y1, -10 - 80.0 / 100); // radius back by 1/50
    EXPECT_EQ(M.S.ToolLabelCount, 2);
    // The next rapid of the same tool prints nothing.
    Canvas.Forget();
    From(20, 0);
    To(40, 10);
    motion::RapidMove(M);
    EXPECT_TRUE(Drawn(Op::Print).empty());
}

// Two tools starting from the same place: T0 and T0101 label the same spot.
std::vector<motion::Primitive> TwoLabelsAtOnePlace(interp::Machine& m, motion::RecordingCanvas& c) {
    for (double tool : {0.0, 101.0}) {
        m.S.TWord = tool;
        m.S.LastX = 100, m.S.LastZ = 50, m.S.CurX = 20, m.S.CurZ = 0;
        m.S.ToolLabelCount = 1;
        motion::ToolChangeCheck(m);
        motion::ToolLabel(m, motion::ToolLabelPoint(m));
    }
    return c.Of(motion::Primitive::Op::Print);
}

TEST_F(MotionTest, InTheWindowACoveredToolLabelMovesAlongItsMoveOffTheOther) {
    Screen.SpreadToolLabels = true;
    M.S.PrevTWord = -1;
    const auto prints = TwoLabelsAtOnePlace(M, Canvas);
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].text, "TA 0 ");
    EXPECT_EQ(prints[1].text, "TA 101 ");
    EXPECT_EQ(prints[1].color, M.S.ToolColor); // text and colour as they were
    Canvas.FontSize = 12;
    auto box = [this](const motion::Primitive& p) {
        return motion::TextBox{p.x1, p.y1, p.x1 + Canvas.TextWidth(p.text), p.y1 + Canvas.TextHeight(p.text)};
    };
    EXPECT_FALSE(box(prints[0]).Overlaps(box(prints[1])));
    // Moved along the move from (Z50, radius -50) to (Z0, radius -10): dz / dr = 50 / -40.
    const double dz = prints[1].x1 - prints[0].x1, dr = prints[1].y1 - prints[0].y1;
    EXPECT_NEAR(dz * -40, dr * 50, 1e-9);
    // A clear canvas forgets the labels printed on it.
    motion::RedrawCanvas(M);
    EXPECT_EQ(Screen.ToolLabelBoxes.Size(), 0u);
}

TEST_F(MotionTest, UnspreadToolLabelsStayWhereTheControlPrintsThem) {
    M.S.PrevTWord = -1;
    const auto prints = TwoLabelsAtOnePlace(M, Canvas);
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_EQ(prints[0].x1, prints[1].x1);
    EXPECT_EQ(prints[0].y1, prints[1].y1);
}

TEST_F(MotionTest, ToolLabelOutsideTheLabelWindowStaysArmed) {
    M.S.TWord = 101;
    From(100, 190);
    To(100, 180); // Z 180 lies right of the window (visible left -200 plus a fifth of 1600)
    motion::RapidMove(M);
    EXPECT_TRUE(Drawn(Op::Print).empty());
    EXPECT_FALSE(M.S.ToolLabelDone);
    EXPECT_EQ(M.S.ToolLabelCount, 1);
    M.S.ShowToolNumber = false;
    From(100, 50);
    To(20, 0);
    motion::RapidMove(M);
    EXPECT_TRUE(Drawn(Op::Print).empty());
    EXPECT_EQ(M.S.ToolLabelCount, 1);
}

TEST_F(MotionTest, ToolNumberChangeTakesTheNextColourAndOffsetChangeOnlyRearmsTheLabel) {
    M.S.WhiteBackground = true;
    M.S.TWord = 101;
    motion::ToolChangeCheck(M);
    EXPECT_EQ(M.S.CutColor, 0x0080FF); // orange on white
    M.S.ToolLabelDone = true;
    M.S.TWord = 102;
    motion::ToolChangeCheck(M);
    EXPECT_EQ(M.S.CutColor, 0x0080FF);
    EXPECT_FALSE(M.S.ToolLabelDone);
    const int32_t expected[] = {0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x0000FF, 0x0080FF};
    for (int i = 0; i < 6; ++i) {
        M.S.TWord = 201 + 100 * i;
        motion::ToolChangeCheck(M);
        EXPECT_EQ(M.S.RapidColor, expected[i]) << "change " << i + 2;
        EXPECT_EQ(static_cast<int32_t>(M.S.LabelColor), expected[i]);
    }
}

TEST_F(MotionTest, FixedColoursWhenNotColouringPerTool) {
    M.S.ColorPerTool = false;
    M.S.TWord = 101;
    motion::ToolChangeCheck(M);
    EXPECT_EQ(M.S.RapidColor, 0xFF00FF);
    EXPECT_EQ(M.S.CutColor, 0x00FFFF);
    M.S.WhiteBackground = true;
    M.S.TWord = 201;
    motion::ToolChangeCheck(M);
    EXPECT_EQ(M.S.CutColor, 0);
    EXPECT_EQ(M.S.ToolColor, 0);
}

TEST_F(MotionTest, ToolNumberComesFromTheMiddleDigitsOrTheWholeTgWord) {
    M.S.TWord = 10203;
    EXPECT_EQ(motion::ToolNumberOf(M), 2);
    M.S.TWord = 101;
    EXPECT_EQ(motion::ToolNumberOf(M), 1);
    M.S.TGFlag = true;
    EXPECT_EQ(motion::ToolNumberOf(M), 101);
}

TEST_F(MotionTest, LinearMoveDrawsSolidLineWithEndPixelAndTimesPerRevolution) {
    M.S.SWord = 500;
    M.S.Feed = 0.2;
    From(40, 0);
    To(40, -10);
    motion::LinearMove(M);
    const auto lines = Drawn(Op::Line);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].style, DrawStyle::Solid);
    EXPECT_EQ(lines[0].color, M.S.CutColor);
    const auto pixels = Drawn(Op::PSet);
    ASSERT_EQ(pixels.size(), 1u);
    EXPECT_DOUBLE_EQ(pixels[0].x1, -10);
    EXPECT_DOUBLE_EQ(pixels[0].y1, -20);
    EXPECT_NEAR(M.S.CuttingTime, 6.0, 1e-5);
}

TEST_F(MotionTest, ConstantSurfaceSpeedOnTheCentreLineDividesByOne) {
    M.S.GSpeedMode = 96;
    M.S.SWord = 100;
    M.S.Feed = 0.1;
    From(0, 0);
    To(0, -10);
    motion::LinearMove(M);
    const float n = static_cast<float>(2 * (100 * 1000 / interp::Pi));
    EXPECT_FLOAT_EQ(M.S.CuttingTime, static_cast<float>(10 / 0.1 / n * 60));
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
}

TEST_F(MotionTest, ConstantSurfaceSpeedWithZeroDivisorIsACalculationError) {
    M.S.GSpeedMode = 96;
    M.S.SWord = 100;
    M.S.Feed = 0.1;
    From(-0.5, 0);
    To(-0.5, -10);
    motion::LinearMove(M);
    EXPECT_EQ(Host.MainBar, "Calcu Error");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
    EXPECT_EQ(M.S.CuttingTime, 0);
    EXPECT_TRUE(std::isfinite(M.S.CuttingTime));
}

TEST_F(MotionTest, LinearMoveOnAPlusLimitIsRefusedAndNotDrawn) {
    M.S.Feed = 0.1;
    M.S.SWord = 100;
    From(100, 0);
    To(500, 0);
    motion::LinearMove(M);
    EXPECT_EQ(Host.MainBar, "X-Axis puls limit over.");
    EXPECT_TRUE(Drawn(Op::Line).empty());
    EXPECT_EQ(M.S.CuttingTime, 0);
    To(600, 300);
    motion::LinearMove(M);
    EXPECT_EQ(Host.MainBar, "Z-Axis plus limit over.");
    EXPECT_EQ(Host.FkeyBar, "Z-Axis puls limit over.");
}

TEST_F(MotionTest, LinearMoveWithoutFeedIsDrawnThenRefused) {
    M.S.SWord = 100;
    From(40, 0);
    To(40, -10);
    motion::LinearMove(M);
    EXPECT_EQ(Drawn(Op::Line).size(), 1u);
    EXPECT_EQ(Host.MainBar, "Feed is 0.");
    EXPECT_EQ(Host.FkeyBar, "Feed is 0.");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
    EXPECT_EQ(M.S.CuttingTime, 0);
}

TEST_F(MotionTest, FeedPerRevolutionWithoutSpeedIsRefusedAfterDrawing) {
    M.S.Feed = 0.1;
    From(40, 0);
    To(40, -10);
    motion::LinearMove(M);
    EXPECT_EQ(Drawn(Op::Line).size(), 1u);
    EXPECT_EQ(Host.MainBar, "Speed is 0.");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
}

TEST_F(MotionTest, EndPointMarkPrintsCoordinatesRightOfLongMoves) {
    M.S.ShowPosition = true;
    M.S.GMode = 1;
    M.S.Feed = 100;
    M.S.GFeedMode = 94;
    From(40, 0);
    To(60, -150);
    motion::LinearMove(M);
    const double th = MarkTextHeight();
    ASSERT_LT(5 * th, 150); // a long move
    const auto circles = Drawn(Op::Circle);
    ASSERT_EQ(circles.size(), 4u);
    EXPECT_DOUBLE_EQ(circles[0].x1, -150);
    EXPECT_DOUBLE_EQ(circles[0].y1, -30);
    EXPECT_DOUBLE_EQ(circles[3].radius, th / 6);
    EXPECT_EQ(circles[0].color, M.S.ToolColor);
    // The move climbs 10 mm of radius over 150 mm of Z: 3.814 degrees.
    const std::vector<std::string> expected = {"A3.814", "Z-150", "X60"};
    EXPECT_EQ(Texts(), expected);
    const auto prints = Drawn(Op::Print);
    EXPECT_DOUBLE_EQ(prints[0].x1, -150 + th / 2);
    EXPECT_DOUBLE_EQ(prints[0].y1, -30 - th / 2 - th);
    EXPECT_DOUBLE_EQ(prints[2].y1, -30 - th / 2 - 3 * th);
    EXPECT_EQ(prints[0].fontSize, 9);
}

TEST_F(MotionTest, EndPointMarkOfShortMovesSitsLeftAndZeroMovesGetNoText) {
    M.S.ShowPosition = true;
    const double th = MarkTextHeight();
    From(40, 0);
    To(40, -th);
    motion::DrawPositionMark(M);
    const auto prints = Drawn(Op::Print);
    ASSERT_EQ(prints.size(), 2u);
    EXPECT_DOUBLE_EQ(prints[0].x1, -th - 4 * th);
    Canvas.Forget();
    From(40, 0);
    motion::DrawPositionMark(M);
    EXPECT_EQ(Drawn(Op::Circle).size(), 4u);
    EXPECT_TRUE(Drawn(Op::Print).empty());
}

TEST_F(MotionTest, EndPointMarkInTheVerticalLayoutTurnsThePrintPosition) {
    M.S.ShowPosition = true;
    M.S.Vertical = true;
    const double th = MarkTextHeight();
    From(40, 0);
    To(60, -50);
    motion::DrawPositionMark(M);
    const auto prints = Drawn(Op::Print);
    ASSERT_EQ(prints.size(), 2u); // GMode 0: no angle line
    EXPECT_DOUBLE_EQ(prints[0].x1, -30 - th / 2);
    EXPECT_DOUBLE_EQ(prints[0].y1, -(-50 - 4 * th) - th); // a short move: text before the end
    const auto circles = Drawn(Op::Circle);
    EXPECT_DOUBLE_EQ(circles[0].x1, -30);
    EXPECT_DOUBLE_EQ(circles[0].y1, 50);
}

TEST_F(MotionTest, EndPointMarkOnlyForTheChosenTool) {
    M.S.ShowPosition = true;
    M.S.PositionTool = 3;
    M.S.TWord = 202;
    From(40, 0);
    To(60, -50);
    motion::DrawPositionMark(M);
    EXPECT_TRUE(Canvas.Drawn.empty());
    M.S.TWord = 303;
    motion::DrawPositionMark(M);
    const auto prints = Drawn(Op::Print);
    ASSERT_FALSE(prints.empty());
    EXPECT_EQ(prints[0].color, 0xFFFFFF); // plain white on the black canvas
}

TEST_F(MotionTest, DwellAddsItsTimeAndKeepsTheToolWhereItIs) {
    From(100, 50);
    To(100, 50);
    M.S.Feed = 2.5;
    motion::Dwell(M);
    EXPECT_FLOAT_EQ(M.S.CuttingTime, 2.5f);
    M.S.FanucMode = true;
    To(1.5, 50); // X word of a FANUC dwell
    motion::Dwell(M);
    EXPECT_FLOAT_EQ(M.S.CuttingTime, 4.0f);
    EXPECT_EQ(M.S.CurX, 100);
    M.S.PWord = 1;
    M.S.UWord = 7;
    motion::Dwell(M);
    EXPECT_FLOAT_EQ(M.S.CuttingTime, 5.0f);
    EXPECT_TRUE(Canvas.Drawn.empty());
}

TEST_F(MotionTest, HomeReturnGoesToThePlusLimitsWithoutArrow) {
    From(100, 50);
    To(0, 0);
    motion::HomeReturn(M);
    EXPECT_EQ(M.S.CurX, 500);
    EXPECT_EQ(M.S.CurZ, 200);
    ASSERT_EQ(Drawn(Op::Line).size(), 1u);
    EXPECT_EQ(Drawn(Op::Line)[0].style, DrawStyle::Dot);
    EXPECT_NEAR(M.S.CuttingTime, 200.0 / 20000 * 60, 1e-6);
}

TEST_F(MotionTest, ReferenceReturnSendsOnlyTheNamedAxesHome) {
    From(50, 30);
    M.S.UGiven = true;
    motion::ReferenceReturn(M);
    EXPECT_EQ(M.S.CurX, 500);
    EXPECT_EQ(M.S.CurZ, 30);
    EXPECT_EQ(Drawn(Op::Line).size(), 4u); // dotted line and the arrow head
    EXPECT_NEAR(M.S.CuttingTime, 225.0 / 20000 * 60, 1e-6);
}

} // namespace motiontest
