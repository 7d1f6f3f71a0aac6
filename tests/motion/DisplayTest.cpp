// SPDX-License-Identifier: GPL-3.0-or-later
// The texts of the state labels.

#include "MotionFixture.h"

namespace motiontest {

using motion::ComputeDisplay;

TEST(DisplayTexts, CuttingTimeSplitsIntoHoursMinutesSeconds) {
    interp::MachineState s;
    s.CuttingTime = 3725;
    auto d = ComputeDisplay(s);
    EXPECT_EQ(d.Hour + ":" + d.Min + ":" + d.Sec, "01:02:05");
    s.CuttingTime = 119.6f; // seconds are rounded after the minutes are taken off
    d = ComputeDisplay(s);
    EXPECT_EQ(d.Hour + ":" + d.Min + ":" + d.Sec, "00:01:60");
}

TEST(DisplayTexts, PositionFormatAndCodes) {
    interp::MachineState s;
    s.CurX = 0.5;
    s.CurZ = -12.34567;
    s.TWord = 101;
    s.GMode = 1;
    s.MSpindle = 3;
    auto d = ComputeDisplay(s);
    EXPECT_EQ(d.XA, "0.500");
    EXPECT_EQ(d.ZA, "-12.346");
    EXPECT_EQ(d.ToolNumber, "101");
    EXPECT_EQ(d.Gcode[0], "01");
    EXPECT_EQ(d.Gcode[1], "90");
    EXPECT_EQ(d.Gcode[2], "95");
    EXPECT_EQ(d.Mcode[0], "03");
    EXPECT_EQ(d.Mcode[1], "09");
}

TEST(DisplayTexts, FanucNamesTheFeedModes) {
    interp::MachineState s;
    s.FanucMode = true;
    EXPECT_EQ(ComputeDisplay(s).Gcode[2], "99");
    s.GFeedMode = 94;
    EXPECT_EQ(ComputeDisplay(s).Gcode[2], "98");
}

TEST(DisplayTexts, SpeedsAtConstantSpindleSpeedAndConstantSurfaceSpeed) {
    interp::MachineState s;
    s.SWord = 1000;
    s.CurX = 50;
    auto d = ComputeDisplay(s);
    EXPECT_EQ(d.SpindleSpeed, "1000");
    EXPECT_EQ(d.Vspeed, "157"); // 50 x pi x 1000 / 1000 = 157.08 m/min
    s.GSpeedMode = 96;
    s.SWord = 150;
    d = ComputeDisplay(s);
    EXPECT_EQ(d.SpindleSpeed, "954"); // 1000 x 150 / (pi x 50) = 954.9
    EXPECT_EQ(d.Vspeed, "150");
    s.CurX = 0;
    EXPECT_EQ(ComputeDisplay(s).SpindleSpeed, "9999");
    s.CurX = -20;
    EXPECT_EQ(ComputeDisplay(s).SpindleSpeed, "9999");
}

TEST(DisplayTexts, OtherMCodeAndStopCodeShowOnlyWhileInForce) {
    interp::MachineState s;
    EXPECT_FALSE(ComputeDisplay(s).MOtherVisible);
    EXPECT_FALSE(ComputeDisplay(s).StopCodeVisible); // running
    s.RunState = 0;
    EXPECT_FALSE(ComputeDisplay(s).StopCodeVisible); // M00
    s.RunState = 30;
    s.MOther = 98;
    const auto d = ComputeDisplay(s);
    EXPECT_TRUE(d.StopCodeVisible);
    EXPECT_EQ(d.Mcode[3], "30");
    EXPECT_TRUE(d.MOtherVisible);
    EXPECT_EQ(d.Mcode[2], "98");
}

TEST_F(MotionTest, DwellShowsForItsOwnBlockThenTheMotionCodeReturns) {
    M.S.GMode = 4;
    M.S.PrevGMode = 1;
    motion::ShowDisplay(M);
    ASSERT_EQ(Host.Shown.size(), 1u);
    EXPECT_EQ(Host.Shown[0].Gcode[0], "04");
    EXPECT_EQ(M.S.GMode, 1);
    // Also when nobody looks at the labels.
    Host.Watching = false;
    M.S.GMode = 4;
    motion::ShowDisplay(M);
    EXPECT_EQ(M.S.GMode, 1);
    EXPECT_EQ(Host.Shown.size(), 1u);
}

} // namespace motiontest
