// SPDX-License-Identifier: GPL-3.0-or-later
// The operator panel: where a Start begins, where a run stops and with which message, Restart,
// the switches and the silent re-runs.

#include "interp/RunControl.h"
#include "interp/Interpreter.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

using testing_support::TestMachine;

namespace {

struct RunFixture : ::testing::Test {
    TestMachine T;
    interp::MachineState& S = T.M.S;
    interp::RunControl Run{T.M};
    // Loads a program the way opening a file does: first block pending.
    void Load(const std::string& text) {
        T.Ui.SetText(text);
        S.NextBlockPos = 1;
        interp::ResetMachine(T.M);
    }
    // Line (1-based) of the block that is highlighted now.
    int HighlightedLine() const {
        int line = 1;
        for (int64_t i = 0; i <= T.Ui.HighlightStart; ++i) // a block begins on the LF before it
            if (T.Ui.Text[static_cast<size_t>(i)] == u'\n') ++line;
        return line;
    }
};

const char* const Stops = "G00 X100. Z50.\r\n"
                          "M01\r\n"
                          "G00 X90.\r\n"
                          "M00\r\n"
                          "G00 X80.\r\n"
                          "M30\r\n"
                          "G00 X70.\r\n"
                          "%\r\n";

} // namespace

TEST_F(RunFixture, StopsAtStopCodesAndContinuesOnTheNextStart) {
    Load(Stops);
    Run.Start();
    EXPECT_EQ(T.Ui.MainMessage, "Program Stop"); // M01 passes with optional stop off
    EXPECT_EQ(S.CurX, 90);
    EXPECT_EQ(HighlightedLine(), 5); // the next block is read and highlighted
    Run.Start();
    EXPECT_EQ(T.Ui.MainMessage, "Program End");
    EXPECT_EQ(S.CurX, 80);
    Run.Start(); // no rewind after M30: the block after it runs
    EXPECT_EQ(S.CurX, 70);
    EXPECT_EQ(S.BlockEndPos, 0); // ended at the end of the text, no message
    EXPECT_EQ(T.Ui.MainMessage, "");
    Run.Start(); // after the end a Start begins at the top
    EXPECT_EQ(T.Ui.MainMessage, "Program Stop");
}

TEST_F(RunFixture, OptionalStopOnlyWithTheSwitch) {
    Load(Stops);
    Run.ToggleOptionalStop();
    EXPECT_TRUE(S.OptionalStop);
    EXPECT_EQ(T.Ui.SwitchCount, 1);
    Run.Start();
    EXPECT_EQ(T.Ui.MainMessage, "Optional Stop");
    EXPECT_EQ(S.RunState, interp::RunRunning);
    EXPECT_EQ(HighlightedLine(), 3);
}

TEST_F(RunFixture, EndBlockOnTheLastLineEndsWithoutMessage) {
    Load("G00 X10.\r\nM30\r\n");
    Run.Start();
    EXPECT_EQ(T.Ui.MainMessage, "");
    EXPECT_EQ(S.BlockEndPos, 0);
}

TEST_F(RunFixture, StartFromTheCaretLineWhenNothingHasRun) {
    Load("G00 X100. Z50.\r\nG00 X90.\r\nG00 X80.\r\n");
    T.Ui.Caret = 18; // inside line 2
    Run.Start();
    EXPECT_EQ(S.CurX, 80);
    EXPECT_EQ(S.BlockCount, 2); // lines 2 and 3 only
}

TEST_F(RunFixture, SingleBlockRunsExactlyThePendingBlock) {
    Load(Stops);
    Run.ToggleSingleBlock();
    Run.Start();
    EXPECT_EQ(S.CurX, 100);
    EXPECT_EQ(HighlightedLine(), 2);
    EXPECT_EQ(T.Ui.MainMessage, "");
    Run.Start();
    EXPECT_EQ(HighlightedLine(), 3);
}

TEST_F(RunFixture, AlarmStopsAfterTheBlockWithItsOwnMessage) {
    Load("G00 X-300.\r\nG00 X10.\r\nG00 X20.\r\n");
    Run.Start();
    EXPECT_EQ(T.Ui.MainMessage, "X-Axis -Limt over");
    EXPECT_EQ(HighlightedLine(), 2);
}

TEST_F(RunFixture, HoldStopDuringABlockStopsAfterIt) {
    Load(Stops);
    T.Ui.OnBlockDone = [&] {
        if (S.BlockCount == 1) Run.HoldStop();
    };
    Run.Start();
    EXPECT_EQ(T.Ui.MainMessage, "Hold Stop");
    EXPECT_EQ(S.CurX, 100);
}

TEST_F(RunFixture, ResetDuringARunEndsItWithoutMessage) {
    Load(Stops);
    T.Ui.OnBlockDone = [&] {
        if (S.BlockCount == 1) Run.Reset();
    };
    Run.Start();
    EXPECT_EQ(S.RunState, interp::RunReset);
    EXPECT_EQ(S.CurX, S.PVLX);
    EXPECT_EQ(S.BlockCount, 1);
    EXPECT_EQ(HighlightedLine(), 1);
}

TEST_F(RunFixture, NestedStartIsRefused) {
    Load(Stops);
    int starts = 0;
    T.Ui.OnBlockDone = [&] {
        ++starts;
        Run.Start(); // would nest a second loop
        Run.Restart();
    };
    Run.Start();
    EXPECT_EQ(starts, 4); // blocks 1-4 once each, up to M00
    EXPECT_EQ(T.Ui.MainMessage, "Program Stop");
}

TEST_F(RunFixture, RestartRunsSilentlyUpToTheCaretLine) {
    std::string text;
    for (int i = 1; i <= 25; ++i)
        text += "G00 X" + std::to_string(300 - i) + ".\r\n";
    text += "M00\r\n%\r\n";
    Load(text);
    // Caret in line 20.
    int64_t caret = 0;
    for (int line = 1; line < 20; ++line)
        caret = static_cast<int64_t>(T.Ui.Text.find(u"\r\n", caret)) + 2;
    T.Ui.Caret = caret + 3;
    T.Ui.Waits.clear();
    Run.Restart();
    EXPECT_EQ(S.CurX, 300 - 19);
    EXPECT_EQ(HighlightedLine(), 20);
    EXPECT_TRUE(S.RestartSearch);
    EXPECT_EQ(T.Ui.Waits.size(), 1u); // only the press feedback: no pauses between blocks
    Run.Start();
    EXPECT_FALSE(S.RestartSearch);
    EXPECT_EQ(T.Ui.MainMessage, "Program Stop");
    EXPECT_EQ(S.CurX, 300 - 25);
}

TEST_F(RunFixture, RestartWithTheCaretAtALineStartStopsAtTheLineBefore) {
    Load("G00 X100.\r\nG00 X90.\r\nG00 X80.\r\nG00 X70.\r\n");
    T.Ui.Caret = 21; // start of line 3
    Run.Restart();
    EXPECT_EQ(HighlightedLine(), 2);
    EXPECT_EQ(S.CurX, 100);
}

TEST_F(RunFixture, RestartIgnoresStopsAndAlarms) {
    Load("M00\r\nG00 X-300.\r\nM30\r\nG00 X10.\r\nG00 X20.\r\n");
    T.Ui.Caret = static_cast<int64_t>(T.Ui.Text.size()) - 3;
    Run.Restart();
    EXPECT_EQ(S.CurX, 10);
    EXPECT_EQ(HighlightedLine(), 5);
}

TEST_F(RunFixture, ReplayDrawsTheWholeProgramWithoutPausesOrHighlights) {
    Load(Stops);
    Run.ToggleSingleBlock();
    T.Ui.Waits.clear();
    const int highlights = T.Ui.HighlightCount;
    Run.ForcedReplay();
    EXPECT_FALSE(S.Replay);
    EXPECT_EQ(T.Ui.MainMessage, "Program End"); // M00 and single block ignored, M30 honoured
    EXPECT_TRUE(T.Ui.Waits.empty());
    EXPECT_EQ(T.Ui.HighlightCount, highlights + 1); // only the reset's first block
    EXPECT_TRUE(T.Ui.Presses.empty());
}

TEST_F(RunFixture, QuietHostSeesOnlyTheEndOfAReRun) {
    Load(Stops);
    T.Ui.QuietDuringReplayOf = &S;
    T.Ui.DisplayedBlockCounts.clear();
    Run.ForcedReplay();
    ASSERT_EQ(T.Ui.DisplayedBlockCounts.size(), 1u);
    EXPECT_EQ(T.Ui.DisplayedBlockCounts[0], 6); // M30 is the sixth block executed
}

TEST_F(RunFixture, ReRunEndsWithTheLabelsAWatchedRunLeaves) {
    Load("G00 X100. Z50.\r\nG01 X90. F0.2 S500\r\nM30\r\n%\r\n");
    T.Ui.QuietDuringReplayOf = &S;
    S.AutoStart = true;
    Run.Reset();
    Run.Start();
    const motion::DisplayTexts watched = T.Ui.LastDisplay;
    EXPECT_EQ(watched.Block, "3");
    Run.ForcedReplay();
    EXPECT_EQ(T.Ui.LastDisplay.Block, watched.Block); // the % line is read, never executed
    EXPECT_EQ(T.Ui.LastDisplay.Mcode[3], "30");
    EXPECT_TRUE(T.Ui.LastDisplay.StopCodeVisible);
    Run.RedrawReplay();
    EXPECT_EQ(T.Ui.LastDisplay.Block, watched.Block);

    // A re-run that only resets shows what Reset shows: no block counted, no stop code, even
    // though the reset leaves RunState at "reset requested".
    Run.Reset();
    const motion::DisplayTexts reset = T.Ui.LastDisplay;
    EXPECT_EQ(reset.Block, "0");
    EXPECT_FALSE(reset.StopCodeVisible);
    S.AutoStart = false;
    const int displays = T.Ui.DisplayCount;
    Run.RedrawReplay();
    EXPECT_EQ(T.Ui.DisplayCount, displays + 1);
    EXPECT_EQ(S.RunState, interp::RunReset);
    EXPECT_EQ(T.Ui.LastDisplay.Block, "0");
    EXPECT_FALSE(T.Ui.LastDisplay.StopCodeVisible);
    EXPECT_EQ(T.Ui.LastDisplay.Mcode[0], reset.Mcode[0]);
}

TEST_F(RunFixture, RedrawReplayOnlyResetsWithoutAutoStart) {
    Load(Stops);
    Run.ToggleAutoStart();
    Run.RedrawReplay();
    EXPECT_EQ(S.BlockCount, 1);
    Run.ReplayIfAutoStart();
    EXPECT_EQ(S.BlockCount, 1);
    Run.ToggleAutoStart();
    Run.ReplayIfAutoStart();
    EXPECT_GT(S.BlockCount, 1);
}

TEST_F(RunFixture, ReplayAskedForDuringARunHappensAfterIt) {
    Load(Stops);
    T.Ui.OnBlockDone = [&] {
        if (S.BlockCount == 1 && !S.Replay) Run.ForcedReplay();
    };
    Run.Start();
    EXPECT_FALSE(Run.Running());
    EXPECT_EQ(T.Ui.MainMessage, "Program End"); // the re-run drew the whole program
}

TEST_F(RunFixture, PressFeedbackAndItsAbsenceInAReRun) {
    Load(Stops);
    Run.Reset();
    ASSERT_EQ(T.Ui.Presses.size(), 2u);
    EXPECT_EQ(T.Ui.Presses[0], std::make_pair(interp::Command::Reset, true));
    EXPECT_EQ(T.Ui.Presses[1], std::make_pair(interp::Command::Reset, false));
    EXPECT_EQ(T.Ui.Waits.back(), 0.1);
}

TEST_F(RunFixture, PacingFollowsTheRunSpeed) {
    Load("G00 X10.\r\nG00 X20.\r\n");
    S.RunSpeed = 50;
    T.Ui.Waits.clear();
    Run.Start();
    ASSERT_GE(T.Ui.Waits.size(), 2u);
    EXPECT_DOUBLE_EQ(T.Ui.Waits[1], 0.25);
}

TEST_F(RunFixture, ToolClearSetsTheRunSpeed) {
    Run.ToggleToolClear();
    EXPECT_TRUE(S.ToolClear);
    EXPECT_EQ(S.RunSpeed, 80);
    EXPECT_EQ(T.Ui.RunSpeedShown, 80);
    Run.ToggleToolClear();
    EXPECT_EQ(S.RunSpeed, 100);
}

TEST_F(RunFixture, ShowModeWritesDialectAndLatheType) {
    Run.ShowMode();
    EXPECT_EQ(T.Ui.DialectPanel, "KVZ");
    EXPECT_EQ(T.Ui.MainMessage, "No point check , Horizontal Lathe");
    S.Vertical = true;
    Run.TogglePointCheck();
    EXPECT_TRUE(S.FanucMode);
    EXPECT_EQ(T.Ui.DialectPanel, "FANUC");
    EXPECT_EQ(T.Ui.MainMessage, "Point check  , Vertical Lathe");
}

TEST_F(RunFixture, TextWithoutLineBreakRunsOneEmptyBlock) {
    Load("G00 X10.");
    Run.Start();
    EXPECT_EQ(S.BlockCount, 0);
    EXPECT_EQ(S.CurX, S.PVLX);
}
