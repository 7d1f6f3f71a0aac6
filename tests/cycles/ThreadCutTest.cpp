// SPDX-License-Identifier: GPL-3.0-or-later
// Single-pass thread cuts and the steps all drawing cycles share.

#include <cmath>

#include "CycleRig.h"
#include "interp/Interpreter.h"

namespace cycles::test {
namespace {

using ThreadCut = CycleTest;

TEST_F(ThreadCut, LongCutDrawsFourLegsBooksTimeAndReturnsToStart) {
    At(30, 5);
    S.SWord = 500;
    Block(20, -30);
    S.Feed = 1.5;
    LongThreadCut(M);
    ExpectLegs({R(30, 5, 20, 5), C(20, 5, 20, -30), R(20, -30, 30, -30), R(30, -30, 30, 5)});
    EXPECT_NEAR(S.CuttingTime, 45.0 / 20000 * 60 + 35 / 1.5 / 500 * 60, 1e-5);
    ExpectAt(30, 5);
    EXPECT_EQ(Ui.Xa, (std::vector<std::string>{"20.000", "30.000"}));
    EXPECT_EQ(Ui.Za, (std::vector<std::string>{"-30.000"}));
    EXPECT_EQ(S.RunState, interp::RunRunning);
}

TEST_F(ThreadCut, AngleTapersTowardsMinusZAndRepeatPassRestoresIt) {
    At(30, 5);
    S.SWord = 500;
    S.Feed = 1.5;
    Block(20, -30);
    S.TaperAngle = 1;
    LongThreadCut(M);
    const double i = -35 * std::tan(M_PI / 180); // radius change over the thread, about -0.611
    EXPECT_NEAR(S.IWord, i, 1e-9);
    EXPECT_NEAR(Trace.Segments[1].x1, 20 + 2 * i, 1e-9); // about 18.778: narrower towards -Z
    NextBlock();

    // G33 X19.6 without Z: the same thread end, taper and angle from the memory.
    Block(19.6, S.CurZ);
    LongThreadCut(M);
    ExpectLegs(
        {R(30, 5, 19.6, 5), C(19.6, 5, 19.6 + 2 * i, -30), R(19.6 + 2 * i, -30, 30, -30), R(30, -30, 30, 5)});
    EXPECT_DOUBLE_EQ(S.TaperAngle, 1);
}

TEST_F(ThreadCut, MemorySurvivesAResetOfTheSimulation) {
    At(30, 5);
    S.SWord = 500;
    S.Feed = 1.5;
    Block(20, -30);
    S.IWord = -0.3;
    LongThreadCut(M);
    interp::ResetMachine(M);
    EXPECT_EQ(M.Cycles.SavedEndZ, -30);
    EXPECT_EQ(M.Cycles.SavedI, -0.3);
}

TEST_F(ThreadCut, FeedZeroStopsBeforeDrawingOrRemembering) {
    At(30, 5);
    S.SWord = 500;
    Block(20, -30);
    S.IWord = 0.5;
    LongThreadCut(M);
    EXPECT_EQ(Ui.MainMessage, "Feed is 0.");
    EXPECT_EQ(Ui.FkeyMessage, "Feed is 0.");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_TRUE(Trace.Segments.empty());
    EXPECT_EQ(S.CuttingTime, 0);
    ExpectAt(20, -30);
    EXPECT_EQ(M.Cycles.SavedEndZ, 0); // the feed check comes before the memory along Z
}

TEST_F(ThreadCut, FaceCutRemembersBeforeItChecksTheFeed) {
    At(50, 2);
    Block(10, -2);
    S.KWord = 0.3;
    FaceThreadCut(M);
    EXPECT_EQ(Ui.MainMessage, "Feed is 0.");
    EXPECT_TRUE(Trace.Segments.empty());
    EXPECT_EQ(M.Cycles.SavedEndX, 10);
    EXPECT_EQ(M.Cycles.SavedK, 0.3);
}

TEST_F(ThreadCut, FaceCutChecksTheLimitOnTheRestoredEndPoint) {
    M.Cycles.SavedEndX = 600; // beyond PVLX 500
    At(50, 2);
    S.Feed = 1;
    Block(50, -2); // X unchanged: a repeat pass
    FaceThreadCut(M);
    EXPECT_EQ(Ui.MainMessage, "X-Axis puls limit over.");
    EXPECT_TRUE(Trace.Segments.empty());
}

TEST_F(ThreadCut, FaceCutThreadsAlongXWithTheZShift) {
    At(50, 2);
    S.SWord = 300;
    S.Feed = 1;
    Block(10, -2);
    S.KWord = -0.5;
    FaceThreadCut(M);
    ExpectLegs({R(50, 2, 50, -2), C(50, -2, 10, -2.5), R(10, -2.5, 10, 2), R(10, 2, 50, 2)});
    EXPECT_NEAR(S.CuttingTime, (2 * 4 + 20) / 20000.0 * 60 + 20 / 1.0 / 300 * 60, 1e-5);
    ExpectAt(50, 2);
}

TEST_F(ThreadCut, SpeedZeroComesAfterTheDrawingAndTheRapidTime) {
    At(30, 5);
    S.GSpeedMode = 96;
    S.SWord = 0;
    S.Feed = 1.5;
    Block(20, -30);
    LongThreadCut(M);
    EXPECT_EQ(Trace.Segments.size(), 4u);
    EXPECT_EQ(Ui.MainMessage, "Speed is 0.");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_NEAR(S.CuttingTime, 45.0 / 20000 * 60, 1e-6);
    ExpectAt(30, 5);
}

TEST_F(ThreadCut, SurfaceSpeedUsesTheMeanOfBlockAndStartDiameter) {
    At(30, 5);
    S.GSpeedMode = 96;
    S.SWord = 100; // m/min
    S.Feed = 2;
    Block(20, -30);
    LongThreadCut(M);
    const double revs = 2000 * 100 / (M_PI * (20 + 30 + 1));
    EXPECT_NEAR(S.CuttingTime, 45.0 / 20000 * 60 + 35 / 2.0 / revs * 60, 1e-5);
}

TEST_F(ThreadCut, SurfaceSpeedDivisorOfZeroIsACalcuErrorAndKeepsTheLegs) {
    At(-0.2, 5); // mean diameter -0.5: |Xb + Xs + 1| = 0
    S.GSpeedMode = 96;
    S.SWord = 100;
    S.Feed = 2;
    Block(-0.8, -30);
    LongThreadCut(M);
    EXPECT_EQ(Ui.MainMessage, "Calcu Error");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_EQ(Trace.Segments.size(), 4u);
    EXPECT_TRUE(std::isfinite(S.CuttingTime));
}

TEST_F(ThreadCut, PacesThreeTimesPerCycleAndNotAtFullSpeed) {
    S.Feed = 1;
    S.SWord = 100;
    S.RunSpeed = 0;
    At(30, 5);
    Block(20, -30);
    LongThreadCut(M);
    EXPECT_EQ(Ui.Waits, (std::vector<double>{0.5, 0.5, 0.5}));
    Ui.Waits.clear();
    S.RunSpeed = 100;
    NextBlock();
    Block(19, -30);
    LongThreadCut(M);
    EXPECT_TRUE(Ui.Waits.empty());
}

TEST_F(ThreadCut, HoldDuringAPauseLetsTheCycleFinish) {
    S.Feed = 1;
    S.SWord = 100;
    S.RunSpeed = 0;
    Ui.OnWait = [this] { S.RunState = interp::RunHold; };
    At(30, 5);
    Block(20, -30);
    LongThreadCut(M);
    EXPECT_EQ(Trace.Segments.size(), 4u);
    EXPECT_EQ(S.RunState, interp::RunHold);
    ExpectAt(30, 5);
}

} // namespace
} // namespace cycles::test
