// SPDX-License-Identifier: GPL-3.0-or-later
// Drilling cycles: holes along Z and X, M136, cancel, and the memory shared with the thread cuts.

#include "CycleRig.h"

namespace cycles::test {
namespace {

class Drill : public CycleTest {
  protected:
    Drill() {
        S.SWord = 800;
        S.Feed = 0.1;
    }
    // One drilling block: X/Z the hole bottom, I/K the approach, optionally M136. The start point
    // is what the previous block left in LastX/LastZ.
    void Hole(double x, double z, double i, double k, bool m136 = false) {
        Block(x, z);
        S.IWord = i;
        S.KWord = k;
        if (m136) S.MOther = 136;
        DrillCycle(M);
    }
    void ExpectStart(double x, double z) {
        EXPECT_DOUBLE_EQ(S.LastX, x);
        EXPECT_DOUBLE_EQ(S.LastZ, z);
    }
};

TEST_F(Drill, AxialHoleWithoutReturnStartsTheNextBlockAtTheRPoint) {
    At(0, 5);
    Hole(0, -20, 0, 5);
    ExpectLegs({R(0, 5, 0, 5), R(0, 5, 0, 0), C(0, 0, 0, -20)});
    EXPECT_NEAR(S.CuttingTime, 5 / 20000.0 * 60 + 20 / 0.1 / 800 * 60, 1e-5);
    ExpectStart(0, 0);
    ExpectAt(0, -20);
    EXPECT_EQ(M.Cycles.SavedK, 0);
    EXPECT_EQ(M.Cycles.DrillReturnZ, 5);
}

TEST_F(Drill, M136ReturnsToTheInitialPointAndKeepsTheApproachForTheNextHole) {
    At(0, 5);
    Hole(0, -20, 0, 5, true);
    ExpectLegs({R(0, 5, 0, 5), R(0, 5, 0, 0), C(0, 0, 0, -20), R(0, 0, 0, 5)});
    ExpectStart(0, 5);
    EXPECT_EQ(S.MOther, 0);
    EXPECT_EQ(M.Cycles.SavedK, 5);

    Hole(10, -20, 0, 0, true); // G181 X10. Z-20. M136: approached from Z 5 by 5 again
    ExpectLegs({R(0, 5, 10, 5), R(10, 5, 10, 0), C(10, 0, 10, -20), R(10, 0, 10, 5)});

    Hole(20, -20, 0, 0); // without M136: this hole ends the cycle
    ExpectLegs({R(10, 5, 20, 5), R(20, 5, 20, 0), C(20, 0, 20, -20)});
    ExpectStart(20, 0);
    EXPECT_EQ(M.Cycles.SavedK, 0);
}

TEST_F(Drill, CrossHoleApproachesAlongXByI) {
    At(40, 0);
    Hole(20, -10, 4, 0);
    ExpectLegs({R(40, 0, 40, -10), R(40, -10, 36, -10), C(36, -10, 20, -10)});
    ExpectStart(36, -10);
    ExpectAt(20, -10);
    EXPECT_TRUE(M.Cycles.DrillAlongX);
    EXPECT_EQ(M.Cycles.DrillReturnX, 40);
}

TEST_F(Drill, BothIAndKDrillAlongZ) {
    At(40, 5);
    Hole(0, -10, 4, 2);
    EXPECT_FALSE(M.Cycles.DrillAlongX);
    ExpectLegs({R(40, 5, 0, 5), R(0, 5, 0, 3), C(0, 3, 0, -10)});
}

TEST_F(Drill, NegativeApproachKeepsTheDirectionAndTheSavedDistance) {
    At(40, 0);
    Hole(20, -10, 4, 0, true);
    Hole(20, -20, 0, -3, true);
    ExpectLegs({R(40, -10, 40, -20), R(40, -20, 36, -20), C(36, -20, 20, -20), R(36, -20, 40, -20)});
}

TEST_F(Drill, CancelLeavesNoApproachButKeepsDirectionAndInitialPoint) {
    At(40, 0);
    Hole(20, -10, 4, 0, true);
    DrillCycleCancel(M);
    EXPECT_EQ(M.Cycles.SavedI, 0);
    Hole(24, -20, 0, 0, true);
    ExpectLegs({R(40, -10, 40, -20), R(40, -20, 40, -20), C(40, -20, 24, -20), R(40, -20, 40, -20)});
    EXPECT_TRUE(M.Cycles.DrillAlongX);
    EXPECT_EQ(M.Cycles.DrillReturnX, 40);
}

TEST_F(Drill, ThreadCutAndCrossHoleShareTheSavedI) {
    At(40, 0);
    Hole(20, -10, 4, 0, true); // cycle active along X, approach 4 saved
    S.Feed = 1.5;
    Block(30, -30);
    S.IWord = 0.5;
    LongThreadCut(M); // a thread with a new Z overwrites the approach
    EXPECT_EQ(M.Cycles.SavedI, 0.5);
    NextBlock();
    Hole(20, -40, 0, 0);
    EXPECT_NEAR(Trace.Segments[1].x1, 39.5, 1e-9); // approached by the thread's I

    At(30, 5);
    Block(20, -30);
    S.IWord = 0.5;
    LongThreadCut(M);
    NextBlock();
    Hole(10, -10, 0, 0); // a hole without M136 clears the shared value ...
    At(30, 5);
    Block(19.6, 5);
    LongThreadCut(M); // ... so the next thread pass restores I = 0
    EXPECT_EQ(S.IWord, 0);
    EXPECT_NEAR(Trace.Segments[1].x1, 19.6, 1e-9);
}

TEST_F(Drill, HoleBottomOnThePlusLimitRefusesOnlyTheFeed) {
    At(450, 0);
    Hole(500, -10, 4, 0, true); // bottom on PVLX
    EXPECT_EQ(Ui.MainMessage, "X-Axis puls limit over.");
    ExpectLegs({R(450, 0, 450, -10), R(450, -10, 446, -10), R(446, -10, 450, -10)});
    ExpectStart(450, -10);
}

} // namespace
} // namespace cycles::test
