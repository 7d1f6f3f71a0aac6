// SPDX-License-Identifier: GPL-3.0-or-later
// The soft-limit checks: which side of a limit is refused, which axis is reported, and the quiet
// stop of a rapid move.

#include "motion/SoftLimits.h"
#include "MotionFixture.h"

namespace motiontest {
namespace {

// Limits X 100 / -20 (diameter), Z 50 / -80.
class SoftLimits : public MotionTest {
  protected:
    void SetUp() override { M.S.PVLX = 100, M.S.PVLZ = 50, M.S.NVLX = -20, M.S.NVLZ = -80; }
};

TEST_F(SoftLimits, APointOnAMinusLimitIsRefusedAndXIsReportedBeforeZ) {
    To(-19.999, -79.999);
    EXPECT_TRUE(motion::WithinMinusLimits(M));
    EXPECT_EQ(Host.MainBar, "");
    To(0, -80);
    EXPECT_FALSE(motion::WithinMinusLimits(M));
    EXPECT_EQ(Host.MainBar, "Z-Axis -Limt over");
    To(-20, -200);
    EXPECT_FALSE(motion::WithinMinusLimits(M));
    EXPECT_EQ(Host.MainBar, "X-Axis -Limt over");
    EXPECT_EQ(Host.FkeyBar, "X-Axis -Limt over");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
}

TEST_F(SoftLimits, APointOnAPlusLimitIsRefusedAndBothAxesAreChecked) {
    To(99.999, 49.999);
    EXPECT_EQ(motion::CheckPlusLimit(M), 0);
    EXPECT_EQ(M.S.RunState, interp::RunRunning);
    To(100, 50);
    EXPECT_EQ(motion::CheckPlusLimit(M), 1);
    // Z is checked after X, so its message is the one left standing.
    EXPECT_EQ(Host.MainBar, "Z-Axis plus limit over.");
    EXPECT_EQ(Host.FkeyBar, "Z-Axis puls limit over.");
    EXPECT_EQ(M.S.RunState, interp::RunAlarm);
}

TEST_F(SoftLimits, ARapidMoveStopsAtThePlusLimitsAndNowhereElse) {
    To(150, 60);
    motion::ClampToPlusLimits(M.S);
    EXPECT_EQ(M.S.CurX, 100);
    EXPECT_EQ(M.S.CurZ, 50);
    To(-500, -500); // the minus limits are not the rapid move's concern
    motion::ClampToPlusLimits(M.S);
    EXPECT_EQ(M.S.CurX, -500);
    EXPECT_EQ(M.S.CurZ, -500);
    EXPECT_EQ(Host.MainBar, "");
}

} // namespace
} // namespace motiontest
