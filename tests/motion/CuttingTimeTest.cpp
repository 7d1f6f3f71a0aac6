// SPDX-License-Identifier: GPL-3.0-or-later
// The cutting time of a cut in its three forms of constant surface speed, the arithmetic fault
// and its alarm. Expected times are worked out here from the control's formulas.

#include "motion/CuttingTime.h"
#include "MotionFixture.h"
#include "motion/MoveSupport.h"

#include <cfloat>

namespace motiontest {
namespace {

using motion::SurfaceSpeed;
constexpr double Pi = 3.14159265358979;

// G95 G96 S50, a cut of 13 mm at F0.15 between the diameters 5 and 12.
class CutTime : public MotionTest {
  protected:
    void SetUp() override {
        M.S.GFeedMode = 95;
        M.S.GSpeedMode = 96;
        M.S.SWord = 50;
        M.S.Feed = 0.15;
        From(12, 0);
        To(5, -13);
    }
};

TEST_F(CutTime, TheStraightMoveKeepsTheSpindleSpeedAsASingleAndTheArcDoesNot) {
    const double n = 2 * (50 * 1000 / Pi) / (5 + 12 + 1);
    const float single = static_cast<float>(13 / 0.15 / static_cast<double>(static_cast<float>(n)) * 60);
    const float dbl = static_cast<float>(13 / 0.15 / n * 60);
    ASSERT_NE(single, dbl); // the case tells the two forms apart

    ASSERT_TRUE(motion::AddCutTime(M, 13, SurfaceSpeed::SingleSpeed));
    EXPECT_EQ(M.S.CuttingTime, single);
    M.S.CuttingTime = 0;
    ASSERT_TRUE(motion::AddCutTime(M, 13, SurfaceSpeed::DoubleSpeed));
    EXPECT_EQ(M.S.CuttingTime, dbl);
    M.S.CuttingTime = 0;
    ASSERT_TRUE(motion::AddCutTime(M, 13, SurfaceSpeed::CycleSpeed));
    EXPECT_EQ(M.S.CuttingTime, static_cast<float>(13 / 0.15 / (2000 * 50 / (Pi * 18)) * 60));
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
}

TEST_F(CutTime, TheMovesBookTheirOwnForm) {
    const double n = 2 * (50 * 1000 / Pi) / (5 + 12 + 1);
    const double length = std::sqrt(3.5 * 3.5 + 13 * 13);
    motion::LinearMove(M);
    EXPECT_EQ(M.S.CuttingTime,
              static_cast<float>(length / 0.15 / static_cast<double>(static_cast<float>(n)) * 60));
}

TEST_F(CutTime, PerMinuteAndAtAFixedSpeedEveryFormAgrees) {
    for (SurfaceSpeed form :
         {SurfaceSpeed::SingleSpeed, SurfaceSpeed::DoubleSpeed, SurfaceSpeed::CycleSpeed}) {
        SCOPED_TRACE(static_cast<int>(form));
        M.S.CuttingTime = 0;
        M.S.GFeedMode = 94;
        M.S.Feed = 120;
        ASSERT_TRUE(motion::AddCutTime(M, 30, form));
        EXPECT_EQ(M.S.CuttingTime, 15.0f);
        M.S.CuttingTime = 0;
        M.S.GFeedMode = 95, M.S.GSpeedMode = 97, M.S.SWord = 600, M.S.Feed = 0.2;
        ASSERT_TRUE(motion::AddCutTime(M, 30, form));
        EXPECT_EQ(M.S.CuttingTime, 15.0f);
        M.S.GSpeedMode = 96;
    }
}

class CutTimeForm : public CutTime, public ::testing::WithParamInterface<SurfaceSpeed> {};

TEST_P(CutTimeForm, PerRevolutionWithoutSpeedRaisesSpeedIsZeroAndAddsNothing) {
    M.S.CuttingTime = 2.5f;
    M.S.SWord = 0;
    EXPECT_FALSE(motion::AddCutTime(M, 13, GetParam()));
    EXPECT_EQ(Host.MainBar, "Speed is 0.");
    EXPECT_EQ(Host.FkeyBar, "Speed is 0.");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
    EXPECT_EQ(M.S.CuttingTime, 2.5f);
}

TEST_P(CutTimeForm, AMeanDiameterOfMinusAHalfIsAnArithmeticFault) {
    From(-0.5, 0);
    To(-0.5, -13);
    EXPECT_THROW(motion::AddCutTime(M, 13, GetParam()), motion::CalcFault);
    EXPECT_EQ(M.S.CuttingTime, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryForm, CutTimeForm,
                         ::testing::Values(SurfaceSpeed::SingleSpeed, SurfaceSpeed::DoubleSpeed,
                                           SurfaceSpeed::CycleSpeed));

TEST_F(CutTime, ASpeedBeyondDoublePrecisionFailsTheSingleAndCycleFormsOnly) {
    M.S.SWord = 1e306; // S * 1000 and 2000 * S overflow
    EXPECT_THROW(motion::AddCutTime(M, 13, SurfaceSpeed::SingleSpeed), motion::CalcFault);
    EXPECT_THROW(motion::AddCutTime(M, 13, SurfaceSpeed::CycleSpeed), motion::CalcFault);
    // The arc's double speed is infinite: the cut takes no time and nothing fails.
    EXPECT_TRUE(motion::AddCutTime(M, 13, SurfaceSpeed::DoubleSpeed));
    EXPECT_EQ(M.S.CuttingTime, 0);
}

TEST_F(MotionTest, ATotalBeyondSinglePrecisionIsAFaultAndKeepsTheTotal) {
    M.S.CuttingTime = FLT_MAX;
    EXPECT_THROW(motion::AddCuttingTime(M, 1e38), motion::CalcFault);
    EXPECT_EQ(M.S.CuttingTime, FLT_MAX);
    EXPECT_THROW(motion::AddCuttingTime(M, std::nan("")), motion::CalcFault);
    M.S.CuttingTime = 1;
    motion::AddCuttingTime(M, 0.5);
    EXPECT_EQ(M.S.CuttingTime, 1.5f);
}

TEST_F(MotionTest, GuardedKeepsWhatTheBodyDidAndRaisesCalcuErrorInBothBars) {
    motion::Guarded(M, [](interp::Machine& m) {
        m.S.CuttingTime = 7;
        motion::Finite(1.0 / 0.0 * 0.0); // not a number
        m.S.CuttingTime = 8;             // never reached
    });
    EXPECT_EQ(M.S.CuttingTime, 7.0f);
    EXPECT_EQ(Host.MainBar, "Calcu Error");
    EXPECT_EQ(Host.FkeyBar, "Calcu Error");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);

    Host.MainBar.clear();
    M.S.RunState = interp::RunRunning;
    motion::Guarded(M, [](interp::Machine& m) { m.S.CuttingTime = motion::Finite(9); });
    EXPECT_EQ(M.S.CuttingTime, 9.0f);
    EXPECT_EQ(Host.MainBar, "");
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
}

TEST_F(MotionTest, ADwellThatOverflowsTheTotalStillLeavesTheToolWhereItWas) {
    M.S.Feed = 1e38; // a KVZ dwell of F seconds
    M.S.CuttingTime = FLT_MAX;
    From(40, -5);
    To(1, 2);
    motion::Dwell(M);
    EXPECT_EQ(Host.MainBar, "Calcu Error");
    EXPECT_EQ(M.S.CurX, 40);
    EXPECT_EQ(M.S.CurZ, -5);
    EXPECT_EQ(M.S.CuttingTime, FLT_MAX);
}

} // namespace
} // namespace motiontest
