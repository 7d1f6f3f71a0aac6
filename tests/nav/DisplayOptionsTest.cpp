// SPDX-License-Identifier: GPL-3.0-or-later
// Display switches: what each flips, its colours and texts, and whether the path is drawn again.

#include "nav/DisplayOptions.h"
#include "interp/Interpreter.h"
#include "interp/RunControl.h"
#include "motion/Motion.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

using nav::Rerun;

namespace {

struct DisplayFixture : ::testing::Test {
    testing_support::TestMachine T;
    interp::Machine& M = T.M;
    interp::MachineState& S = T.M.S;
    motion::RecordingCanvas XRuler, ZRuler;
    interp::RunControl Run{T.M};

    DisplayFixture() {
        T.Screen.Xscale = &XRuler;
        T.Screen.Zscale = &ZRuler;
        motion::SetStandardView(M);
        T.Ui.SetText("G00 X100. Z0.\r\nG01 X50. F0.2 S500\r\nM30\r\n");
        S.NextBlockPos = 1;
        interp::ResetMachine(M);
        Run.Start(); // the path is on the canvas
    }
    // Whether the canvas shows a path: anything but the axes and the snap grid after the last clear.
    bool PathShown() const {
        const auto& d = T.Trace.Drawn;
        for (auto it = d.rbegin(); it != d.rend(); ++it) {
            if (it->op == motion::Primitive::Op::Cls) return false;
            if (static_cast<uint32_t>(it->color) != 0x80000010u && it->color != 0x008000) return true;
        }
        return false;
    }
    void Apply(Rerun r) { ASSERT_TRUE(nav::ApplyRerun(Run, r)); }
};

} // namespace

TEST_F(DisplayFixture, BackgroundSwitchSetsColoursBothWays) {
    ASSERT_TRUE(PathShown());
    EXPECT_EQ(nav::ToggleBackColor(M), Rerun::RedrawReplay);
    EXPECT_TRUE(S.WhiteBackground);
    EXPECT_EQ(T.Trace.BackColor, 0xFFFFFF);
    EXPECT_EQ(XRuler.BackColor, 0xFFFFFF);
    EXPECT_EQ(ZRuler.BackColor, 0xFFFFFF);
    EXPECT_EQ(S.RapidColor, 0);
    EXPECT_EQ(S.CutColor, 0);
    EXPECT_EQ(S.LabelColor, 0);
    EXPECT_FALSE(PathShown()); // the empty canvas, axes and rulers

    T.Trace.Mode = motion::DrawMode::Xor;
    nav::ToggleBackColor(M);
    EXPECT_FALSE(S.WhiteBackground);
    EXPECT_EQ(T.Trace.BackColor, 0);
    EXPECT_EQ(T.Trace.Mode, motion::DrawMode::Copy);
    EXPECT_EQ(S.RapidColor, 0xFF00FF);
    EXPECT_EQ(S.CutColor, 0x00FFFF);
    EXPECT_EQ(S.ToolColor, 0x00FF00);
    EXPECT_EQ(S.LabelColor, 0xFFFFFF);
}

TEST_F(DisplayFixture, BackgroundSwitchWithoutAutoStartClearsThePath) {
    S.AutoStart = false;
    Apply(nav::ToggleBackColor(M));
    EXPECT_FALSE(PathShown());
    S.AutoStart = true;
    Apply(nav::ToggleBackColor(M));
    EXPECT_TRUE(PathShown());
}

TEST_F(DisplayFixture, TogglesReRunOnlyWithAutoStart) {
    S.AutoStart = false;
    Apply(nav::ToggleRapidArrow(S));
    EXPECT_FALSE(S.RapidArrow);
    EXPECT_TRUE(PathShown()); // the old path stays until the next run
    T.Trace.Forget();
    S.AutoStart = true;
    Apply(nav::ToggleRapidArrow(S));
    EXPECT_TRUE(S.RapidArrow);
    EXPECT_TRUE(PathShown());
    EXPECT_FALSE(T.Trace.Of(motion::Primitive::Op::Cls).empty()); // drawn anew
}

TEST_F(DisplayFixture, SnapReRunsEvenWithoutAutoStart) {
    S.AutoStart = false;
    T.Trace.Forget();
    Apply(nav::ToggleXSnap(S));
    EXPECT_TRUE(S.XSnap);
    EXPECT_TRUE(PathShown());
    bool dotted = false; // the reset drew the snap grid
    for (const auto& l : T.Trace.Of(motion::Primitive::Op::Line))
        dotted |= l.style == motion::DrawStyle::Dot && l.color == 0x008000;
    EXPECT_TRUE(dotted);
    EXPECT_EQ(nav::ToggleZSnap(S), Rerun::ForcedReplay);
}

TEST_F(DisplayFixture, MirrorAndLayoutSwitchesChangeTheDrawing) {
    S.AutoStart = false;
    EXPECT_EQ(nav::ToggleXmirror(S), Rerun::ReplayIfAutoStart);
    EXPECT_EQ(S.XSign, 1); // applies from the next reset
    S.AutoStart = true;
    Apply(Rerun::ReplayIfAutoStart);
    EXPECT_EQ(S.XSign, -1);
    EXPECT_EQ(nav::ToggleG2mirror(S), Rerun::ReplayIfAutoStart);
    EXPECT_TRUE(S.G2mirror);
    EXPECT_EQ(nav::ToggleVertical(S), Rerun::ReplayIfAutoStart);
    EXPECT_TRUE(S.Vertical);
}

TEST_F(DisplayFixture, ColourSwitchStartsTheColourCycleAgain) {
    S.WhiteBackground = true;
    S.ColorIndex = 4;
    EXPECT_EQ(nav::ToggleColorPerTool(M), Rerun::ReplayIfAutoStart);
    EXPECT_FALSE(S.ColorPerTool);
    EXPECT_EQ(S.ColorIndex, 1);
    EXPECT_EQ(S.CutColor, 0); // one colour for every tool on white
    nav::ToggleColorPerTool(M);
    EXPECT_TRUE(S.ColorPerTool);
    EXPECT_EQ(S.CutColor, 0x0080FF); // first colour of the cycle on white
    EXPECT_EQ(S.ColorIndex, 1);      // and the cycle starts there again
}

TEST_F(DisplayFixture, IndicatorsFollowTheSwitches) {
    nav::SwitchIndicators i = nav::Indicators(S, T.Screen);
    EXPECT_FALSE(i.BturretUper); // B turret upper on: item unchecked
    EXPECT_TRUE(i.TDisplay);
    EXPECT_TRUE(i.TclearEnabled);
    nav::ToggleBTurretUpper(S);
    nav::ToggleToolNumber(S);
    nav::ToggleZoomMode(T.Screen);
    i = nav::Indicators(S, T.Screen);
    EXPECT_TRUE(i.BturretUper);
    EXPECT_FALSE(i.TDisplay);
    EXPECT_FALSE(i.TclearEnabled); // Tool Clear greyed while labels are off
    EXPECT_TRUE(i.Zoom);
}

TEST(PositionDisplay, MenuTextsAndSwitches) {
    interp::MachineState s;
    nav::PositionDisplayMenu menu = nav::StartupPositionDisplayMenu();
    EXPECT_EQ(menu.DropDown[0], "   All Tools");
    EXPECT_EQ(menu.DropDown[1], "+non");
    EXPECT_EQ(menu.DropDown[13], "   T12");
    EXPECT_EQ(menu.Checked, nav::PositionNone);

    EXPECT_EQ(nav::SelectPositionDisplay(s, menu, 6), Rerun::ReplayIfAutoStart); // T05
    EXPECT_TRUE(s.ShowPosition);
    EXPECT_EQ(s.PositionTool, 5);
    EXPECT_EQ(menu.DropDown[6], "+T05");
    EXPECT_EQ(menu.DropDown[0], "   All tools");
    EXPECT_EQ(menu.DropDown[1], "   Non");
    EXPECT_EQ(menu.Checked, 6);
    EXPECT_EQ(nav::PosDisplayButtonIndex(s.ShowPosition), nav::PositionNone);

    nav::SelectPositionDisplay(s, menu, nav::PositionNone);
    EXPECT_FALSE(s.ShowPosition);
    EXPECT_EQ(menu.DropDown[1], "+Non");
    EXPECT_EQ(menu.DropDown[6], "   T05");
    EXPECT_EQ(nav::PosDisplayButtonIndex(s.ShowPosition), nav::PositionAllTools);

    nav::SelectPositionDisplay(s, menu, nav::PositionAllTools);
    EXPECT_TRUE(s.ShowPosition);
    EXPECT_EQ(s.PositionTool, 0);
    EXPECT_EQ(menu.DropDown[0], "+All tools");

    EXPECT_EQ(nav::SelectPositionDisplay(s, menu, 14), Rerun::None);
    EXPECT_EQ(menu.Checked, nav::PositionAllTools);
}
