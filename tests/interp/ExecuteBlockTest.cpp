// SPDX-License-Identifier: GPL-3.0-or-later
// The block executor: modal groups, end-point completion, minus soft limits and the order of
// its steps.

#include "interp/Interpreter.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <cmath>

using testing_support::TestMachine;

namespace {

struct BlockFixture : ::testing::Test {
    TestMachine T;
    interp::MachineState& S = T.M.S;
    void SetUp() override {
        S.Replay = true;
        interp::ResetMachine(T.M);
    }
    void Run(const std::string& block) {
        S.BlockText.assign(block.begin(), block.end());
        interp::ExecuteBlock(T.M);
    }
};

} // namespace

TEST_F(BlockFixture, IncrementalModeAddsOnlyGivenAxes) {
    Run("G00 X40. Z0.");
    Run("G91 G00 X10.");
    EXPECT_EQ(S.CurX, 50);
    EXPECT_EQ(S.CurZ, 0);
    Run("G00 Z-5.");
    EXPECT_EQ(S.CurX, 50);
    EXPECT_EQ(S.CurZ, -5);
    EXPECT_EQ(S.LastZ, -5);
}

TEST_F(BlockFixture, TaperAngleGivesXFromZOrZFromX) {
    Run("G00 X40. Z0.");
    Run("G01 Z-20. A30. F0.2 S100");
    EXPECT_NEAR(S.CurX, 40 + 2 * std::tan(M_PI / 6) * -20, 1e-9);
    EXPECT_NEAR(S.CurX, 16.906, 1e-3);
    Run("G00 X40. Z0.");
    Run("G01 X60. A30.");
    EXPECT_NEAR(S.CurZ, 17.321, 1e-3);
}

TEST_F(BlockFixture, ThreadingKeepsItsOwnUseOfTheAngle) {
    Run("G00 X40. Z0.");
    Run("G33 Z-20. A30. F1.5 S100");
    EXPECT_EQ(S.TaperAngle, 30);
    // The angle tapers the thread from the X written, 40, down to 16.906 at Z-20; the block's
    // taper rule would have moved the end point itself to X16.906 and cut the thread below it.
    const motion::PathSegment* thread = nullptr;
    for (const motion::PathSegment& seg : T.Trace.Segments)
        if (seg.kind == motion::PathSegment::Kind::Cut && !thread) thread = &seg;
    ASSERT_NE(thread, nullptr);
    EXPECT_NEAR(thread->x0, 40, 1e-9);
    EXPECT_NEAR(thread->z0, 0, 1e-9);
    EXPECT_NEAR(thread->x1, 40 + 2 * std::tan(M_PI / 6) * -20, 1e-9);
    EXPECT_NEAR(thread->z1, -20, 1e-9);
    EXPECT_DOUBLE_EQ(S.CurX, 40); // back at the start point
}

TEST_F(BlockFixture, MinusLimitsAreInclusiveAndXIsTestedFirst) {
    Run("G00 Z-300. X-300.");
    EXPECT_EQ(T.Ui.MainMessage, "X-Axis -Limt over");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_TRUE(T.Trace.Segments.empty()); // nothing drawn for the rejected block
    EXPECT_EQ(S.LastX, -300);              // the rejected point becomes the next start point
    Run("G00 X10. Z-200.");
    EXPECT_EQ(T.Ui.MainMessage, "Z-Axis -Limt over");
    Run("G00 X10. Z-199.999");
    EXPECT_EQ(S.RunState, interp::RunRunning);
    EXPECT_EQ(T.Trace.Segments.size(), 1u);
}

TEST_F(BlockFixture, SingleMinusLimitIsComparedInSinglePrecision) {
    S.NVLZ = -150.3f; // stored as -150.30000305...
    Run("G00 X10. Z-150.3");
    EXPECT_EQ(S.RunState, interp::RunRunning); // -150.3 lies just above the float limit
    Run("G00 X10. Z-150.301");                 // (values carry 7 digits: -150.30001 reads -150.3)
    EXPECT_EQ(S.RunState, interp::RunAlarm);
}

TEST_F(BlockFixture, TaperIsCompletedBeforeTheLimitCheck) {
    Run("G00 X40. Z0.");
    Run("G01 Z-150. A45. F0.2 S100"); // X = 40 - 300: beyond the X minus limit
    EXPECT_EQ(T.Ui.MainMessage, "X-Axis -Limt over");
}

TEST_F(BlockFixture, DwellIsShownForOneBlockThenTheMotionCodeReturns) {
    Run("G01 X40. Z0. F0.2 S100");
    Run("G04");
    EXPECT_EQ(S.GMode, 1); // put back by the display step
    EXPECT_EQ(S.PrevGMode, 1);
}

TEST_F(BlockFixture, DialectsDifferForG90AndG94) {
    Run("G91");
    Run("G90");
    EXPECT_EQ(S.GAbsInc, 90);
    Run("G94");
    EXPECT_EQ(S.GFeedMode, 94);
    EXPECT_EQ(S.GMode, 0);
    S.FanucMode = true;
    Run("G90");
    EXPECT_EQ(S.GMode, 92);
    Run("G94");
    EXPECT_EQ(S.GMode, 94);
    Run("G99");
    EXPECT_EQ(S.GFeedMode, 95);
    Run("G98");
    EXPECT_EQ(S.GFeedMode, 94);
}

TEST_F(BlockFixture, UnlistedGCodesBecomeModalAndDispatchNothing) {
    Run("G50 X100. Z100.");
    EXPECT_EQ(S.GMode, 50);
    EXPECT_TRUE(T.Trace.Segments.empty());
    Run("G1.5");
    EXPECT_EQ(S.GMode, 1.5);
    Run("G65 G41 G96 G76");
    EXPECT_EQ(S.GMode, 1.5);
    EXPECT_EQ(S.GNoseR, 41);
    EXPECT_EQ(S.GSpeedMode, 96);
    EXPECT_EQ(S.G75Mode, 76);
}

TEST_F(BlockFixture, TurretCodes) {
    Run("T0303");
    S.XSign = 1;
    Run("G14");
    EXPECT_EQ(S.Turret, "B");
    EXPECT_EQ(S.XSign, -1);
    EXPECT_EQ(S.TWord, 0);
    Run("G13");
    EXPECT_EQ(S.Turret, "A");
    EXPECT_EQ(S.XSign, 1);
    S.BTurretUpper = false;
    Run("G14");
    EXPECT_EQ(S.XSign, 1);
}

TEST_F(BlockFixture, MWordsAndTheirGroups) {
    Run("M00 M30");
    EXPECT_EQ(S.RunState, interp::RunEndM30); // the later stop code decides
    Run("M03 M08 M98 P1000");
    EXPECT_EQ(S.MSpindle, 3);
    EXPECT_EQ(S.MCoolant, 8);
    EXPECT_EQ(S.MOther, 98);
    EXPECT_EQ(S.PWord, 1000);
    Run("M63");
    EXPECT_EQ(S.MOther, -1); // shown for one block only
    Run("M2.5");
    EXPECT_EQ(S.MOther, 2); // halves to even
}

TEST_F(BlockFixture, WordsClearedEveryBlockAndWordsKept) {
    Run("G00 I1. K2. R3. D4. L5. P6. H7. Y8. U9. W10. F0.3 S500");
    Run("G00");
    EXPECT_EQ(S.IWord, 0);
    EXPECT_EQ(S.KWord, 0);
    EXPECT_EQ(S.RWord, 0);
    EXPECT_EQ(S.DWord, 0);
    EXPECT_EQ(S.LWord, 0);
    EXPECT_EQ(S.PWord, 0);
    EXPECT_EQ(S.HWord, 7);
    EXPECT_EQ(S.YWord, 8);
    EXPECT_DOUBLE_EQ(S.Feed, 0.3);
    EXPECT_EQ(S.SWord, 500);
}

TEST_F(BlockFixture, OverflowingTaperRaisesCalcuErrorAndKeepsTheOldPoint) {
    Run("G01 X40. Z0. F0.2 S100");
    const size_t drawn = T.Trace.Segments.size();
    S.LastZ = 1e305; // a start point far out, as an earlier steep taper can leave it
    Run("G01 Z0. A89.9999");
    EXPECT_EQ(T.Ui.MainMessage, "Calcu Error");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_EQ(S.CurX, 40); // as before the taper step
    EXPECT_EQ(S.CurZ, 0);
    EXPECT_EQ(T.Trace.Segments.size(), drawn); // not dispatched
}

TEST_F(BlockFixture, AngleOf180GivesAHugeZThatTheLimitsReject) {
    Run("G00 X40. Z0.");
    Run("G01 X50. A180. F0.2 S100"); // tan(Pi) is a tiny negative number
    EXPECT_TRUE(std::isfinite(S.CurZ));
    EXPECT_EQ(T.Ui.MainMessage, "Z-Axis -Limt over");
}

TEST_F(BlockFixture, ResetPutsTheToolHomeAndClearsTheBlockFields) {
    Run("O12 N5 G01 X40. Z0. F0.2 S100 T0101 M03");
    S.NextBlockPos = 1;
    interp::ResetMachine(T.M);
    EXPECT_EQ(S.CurX, S.PVLX);
    EXPECT_EQ(S.LastZ, S.PVLZ);
    EXPECT_EQ(S.GMode, 0);
    EXPECT_EQ(S.MSpindle, 5);
    EXPECT_EQ(S.TWord, 0);
    EXPECT_TRUE(S.ProgramNumber.empty());
    EXPECT_TRUE(S.SequenceNumber.empty());
    EXPECT_EQ(S.CuttingTime, 0);
    EXPECT_EQ(S.BlockCount, 0); // the text is empty: no block was read
}
