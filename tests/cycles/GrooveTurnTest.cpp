// SPDX-License-Identifier: GPL-3.0-or-later
// Grooving cycles G73/G74 and single-pass box cycles G92/G94.

#include "CycleRig.h"

namespace cycles::test {
namespace {

using Groove = CycleTest;
using BoxCycle = CycleTest;

TEST_F(Groove, LongGroovePlungesAtBothEndsAndEndsAtTheBlockZ) {
    At(40, -10);
    S.SWord = 600;
    S.Feed = 0.1;
    Block(30, -15);
    S.IWord = 2;
    LongGrooveCycle(M);
    ExpectLegs({R(40, -10, 38, -10), C(38, -10, 30, -10), R(40, -10, 40, -15), R(40, -15, 38, -15),
                C(38, -15, 30, -15)});
    EXPECT_NEAR(S.CuttingTime, 6.0, 1e-5); // 2 x (5 - 2) mm, no rapid time
    ExpectAt(40, -15);
}

TEST_F(Groove, LongGrooveFromInsideApproachesTowardsPlusX) {
    At(20, -10);
    S.SWord = 600;
    S.Feed = 0.1;
    Block(30, -15);
    S.IWord = 2;
    LongGrooveCycle(M);
    EXPECT_NEAR(Trace.Segments[0].x1, 22, 1e-9);
    EXPECT_NEAR(Trace.Segments[3].x1, 22, 1e-9);
    EXPECT_NEAR(S.CuttingTime, 6.0, 1e-5);
    ExpectAt(20, -15);
}

TEST_F(Groove, FaceGrooveApproachesFromTheStartSideAndEndsAtTheBlockX) {
    At(50, 2);
    S.SWord = 500;
    S.Feed = 0.1;
    Block(30, -4);
    S.KWord = 1;
    FaceGrooveCycle(M);
    ExpectLegs({R(50, 2, 50, 1), C(50, 1, 50, -4), R(50, 2, 30, 2), R(30, 2, 30, 1), C(30, 1, 30, -4)});
    EXPECT_NEAR(S.CuttingTime, 2 * (6 - 1) / 0.1 / 500 * 60, 1e-5);
    ExpectAt(30, 2);

    NextBlock();
    Block(10, 6); // from below the groove bottom: the approach runs towards +Z
    S.KWord = 1;
    FaceGrooveCycle(M);
    EXPECT_NEAR(Trace.Segments[0].z1, 3, 1e-9);
}

TEST_F(Groove, SpeedZeroStillSetsTheFinalPosition) {
    At(40, -10);
    S.SWord = 0;
    S.Feed = 0.1;
    Block(30, -15);
    LongGrooveCycle(M);
    EXPECT_EQ(Ui.MainMessage, "Speed is 0.");
    EXPECT_EQ(Trace.Segments.size(), 5u);
    EXPECT_EQ(Trace.Segments[1].x0, 40); // no I: the plunge starts at the start diameter
    ExpectAt(40, -15);
}

TEST_F(BoxCycle, LongTurnTapersAtTheStartAndRepeatsEndZAndR) {
    At(35, 5);
    S.SWord = 300;
    S.Feed = 2;
    Block(28, -40);
    S.RWord = -1;
    LongTurnCycle(M);
    ExpectLegs({R(35, 5, 26, 5), C(26, 5, 28, -40), R(28, -40, 35, -40), R(35, -40, 35, 5)});
    EXPECT_NEAR(S.CuttingTime, 52 / 20000.0 * 60 + 4.5, 1e-5);
    EXPECT_EQ(Ui.Xa.front(), "28.000"); // the label shows Xb after the infeed to Xb + 2R
    ExpectAt(35, 5);

    NextBlock();
    Block(27, S.CurZ); // G92 X27.: same Z, the R of the block that set Z -40
    LongTurnCycle(M);
    ExpectLegs({R(35, 5, 25, 5), C(25, 5, 27, -40), R(27, -40, 35, -40), R(35, -40, 35, 5)});
}

TEST_F(BoxCycle, LongTurnTakesUWAfterJudgingTheLimitOnTheBlockPoint) {
    At(35, 5);
    S.SWord = 300;
    S.Feed = 2;
    Block(35, 5);
    S.UWord = -7;
    S.WWord = -45;
    LongTurnCycle(M);
    EXPECT_EQ(Trace.Segments[1].x1, 28);
    EXPECT_EQ(Trace.Segments[1].z1, -40);

    Block(500, 5); // on PVLX, though U would bring it back inside
    S.UWord = -7;
    LongTurnCycle(M);
    EXPECT_EQ(Ui.MainMessage, "X-Axis puls limit over.");
    EXPECT_TRUE(Trace.Segments.empty());
}

TEST_F(BoxCycle, FaceTurnCutsFromTheTaperedStartAndBooksRadialLength) {
    At(50, 2);
    S.SWord = 300;
    S.Feed = 0.2;
    Block(10, -2);
    S.RWord = -1;
    FaceTurnCycle(M);
    ExpectLegs({R(50, 2, 50, -3), C(50, -3, 10, -2), R(10, -2, 10, 2), R(10, 2, 50, 2)});
    EXPECT_NEAR(S.CuttingTime, 28 / 20000.0 * 60 + 20 / 0.2 / 300 * 60, 1e-5);

    NextBlock();
    Block(S.CurX, -2); // G94 U-40. Z-2.: a repeat block; X from U, R from the memory
    S.UWord = -40;
    FaceTurnCycle(M);
    ExpectLegs({R(50, 2, 50, -3), C(50, -3, 10, -2), R(10, -2, 10, 2), R(10, 2, 50, 2)});
}

TEST_F(BoxCycle, FaceTurnJudgesTheLimitAfterU) {
    At(450, 2);
    S.Feed = 0.2;
    Block(460, -2);
    S.UWord = 60; // 510: beyond PVLX only after U
    FaceTurnCycle(M);
    EXPECT_EQ(Ui.MainMessage, "X-Axis puls limit over.");
    EXPECT_TRUE(Trace.Segments.empty());
}

TEST_F(BoxCycle, TurningRepeatRestoresTheEndZOfTheLastThreadCut) {
    At(30, 5);
    S.SWord = 500;
    S.Feed = 1.5;
    Block(20, -30);
    LongThreadCut(M); // G33 Z-30.
    NextBlock();
    Block(19, S.CurZ); // G92 X19. without Z
    LongTurnCycle(M);
    EXPECT_EQ(Trace.Segments[1].z1, -30);
}

} // namespace
} // namespace cycles::test
