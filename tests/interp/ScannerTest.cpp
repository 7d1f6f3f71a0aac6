// SPDX-License-Identifier: GPL-3.0-or-later
// The block reader and the scan loop: where blocks begin and end, comments, program numbers,
// block delete, and what each address letter stores.

#include "interp/Interpreter.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <random>

using testing_support::TestMachine;

namespace {

// Executes one block of text (no CR LF needed) on a machine fresh from reset.
struct ScanFixture : ::testing::Test {
    TestMachine T;
    interp::MachineState& S = T.M.S;
    void Run(const std::u16string& block) {
        S.BlockText = block;
        interp::ExecuteBlock(T.M);
    }
    void Run(const char* block) {
        std::string b(block);
        Run(std::u16string(b.begin(), b.end()));
    }
    void SetUp() override {
        S.Replay = true; // no pauses
        interp::ResetMachine(T.M);
    }
};

} // namespace

TEST(BlockReader, CutsAtCrLfOnlyAndLeavesTheLastLineUnread) {
    TestMachine t;
    t.Ui.SetText("G00 X1.\r\nA\nB\rC\r\nlast");
    auto& s = t.M.S;
    s.NextBlockPos = 1;
    ASSERT_TRUE(interp::ReadNextBlock(t.M));
    EXPECT_EQ(s.BlockText, u"G00 X1.");
    EXPECT_EQ(s.BlockEndPos, 8);
    EXPECT_EQ(s.NextBlockPos, 9); // on the LF
    EXPECT_EQ(t.Ui.HighlightStart, 0);
    EXPECT_EQ(t.Ui.HighlightLength, 7);
    ASSERT_TRUE(interp::ReadNextBlock(t.M));
    EXPECT_EQ(s.BlockText, u"\nA\nB\rC"); // a lone LF or CR does not end a block
    EXPECT_FALSE(interp::ReadNextBlock(t.M));
    EXPECT_EQ(s.BlockEndPos, 0);
    EXPECT_EQ(s.BlockCount, 2);
}

// The CR LF is searched for eight characters at a time: a pair at any place, also astride two
// steps or at the very end, ends the block where a character-by-character search ends it.
TEST(BlockReader, FindsEveryCrLfWhereverItStands) {
    std::mt19937 rng(5);
    const std::u16string alphabet = u"\r\n\r\nGX1 ";
    for (int round = 0; round < 2000; ++round) {
        std::u16string text;
        for (size_t n = rng() % 70; text.size() < n;)
            text += alphabet[rng() % alphabet.size()];
        TestMachine t;
        t.Ui.Text = text;
        auto& s = t.M.S;
        s.NextBlockPos = 1 + static_cast<int64_t>(rng() % (text.size() + 2));
        size_t from = static_cast<size_t>(s.NextBlockPos - 1);
        for (int block = 0; block < 50; ++block) {
            const size_t end = from >= text.size() ? std::u16string::npos : text.find(u"\r\n", from);
            ASSERT_EQ(interp::ReadNextBlock(t.M, false), end != std::u16string::npos) << round;
            if (end == std::u16string::npos) break;
            ASSERT_EQ(s.BlockEndPos, static_cast<int64_t>(end) + 1) << round;
            ASSERT_EQ(s.BlockText, text.substr(from, end - from)) << round;
            from = end + 1;
        }
    }
}

TEST(BlockReader, StartsMidLineFromACaretPosition) {
    TestMachine t;
    t.Ui.SetText("G00 X1.\r\nG01 Z2.\r\n");
    t.M.S.NextBlockPos = 12; // caret offset 12 used as a position: the character before the caret
    ASSERT_TRUE(interp::ReadNextBlock(t.M, false));
    EXPECT_EQ(t.M.S.BlockText, u"1 Z2.");
    EXPECT_EQ(t.Ui.HighlightCount, 0);
}

TEST_F(ScanFixture, BlanksBetweenWordsDoNotMatter) {
    Run("G01X10.Z-5.F.2");
    EXPECT_EQ(S.CurX, 10);
    EXPECT_EQ(S.CurZ, -5);
    EXPECT_DOUBLE_EQ(S.Feed, 0.2);
    EXPECT_EQ(S.GMode, 1);
}

TEST_F(ScanFixture, LowerCaseLettersAreNeverWords) {
    Run("g01 x10.");
    EXPECT_EQ(S.GMode, 0);
    EXPECT_EQ(S.CurX, 500);
}

TEST_F(ScanFixture, BlankAfterLetterReadsZeroAndIgnoresTheNumber) {
    Run("G00 X 10.");
    EXPECT_EQ(S.CurX, 0);
}

TEST_F(ScanFixture, CommentsAreSkippedAlsoAcrossBlocks) {
    Run("(ROUGHING) G00 X100.");
    EXPECT_EQ(S.CurX, 100);
    Run("G00 X50. (OPEN");
    EXPECT_TRUE(S.InComment);
    Run("\nX20. Z-1. STILL COMMENT");
    EXPECT_EQ(S.CurX, 50);
    Run("\nZ5.) X30.");
    EXPECT_FALSE(S.InComment);
    EXPECT_EQ(S.CurX, 30);
    EXPECT_EQ(S.CurZ, 200); // Z5. was still inside the comment
}

TEST_F(ScanFixture, ProgramNumberOnlyAtTheStartOfALine) {
    Run("O1234");
    EXPECT_EQ(S.ProgramNumber, u"1234");
    Run("\nO5678");
    EXPECT_EQ(S.ProgramNumber, u"5678"); // position 2, after the LF
    Run("\n O9999");
    EXPECT_EQ(S.ProgramNumber, u"5678");
    Run("G00 O1111");
    EXPECT_EQ(S.ProgramNumber, u"5678");
    Run("OABC1 X5.");
    EXPECT_EQ(S.ProgramNumber, u"ABC1");
    // Program and sequence numbers keep characters beyond ASCII as written.
    Run(u"O\u52A0\u5DE51 N\u00C510");
    EXPECT_EQ(S.ProgramNumber, u"\u52A0\u5DE51");
    EXPECT_EQ(S.SequenceNumber, u"\u00C510");
}

TEST_F(ScanFixture, GRightAfterProgramNumberIsSkipped) {
    Run("O12G01");
    EXPECT_EQ(S.ProgramNumber, u"12");
    EXPECT_EQ(S.GMode, 0);
}

TEST_F(ScanFixture, SequenceNumberStopsAtAComment) {
    Run("N10(X5.)");
    EXPECT_EQ(S.SequenceNumber, u"10");
    EXPECT_EQ(S.CurX, 500);
}

TEST_F(ScanFixture, BlockDeleteSkipsOnlyNearTheStart) {
    S.BlockDelete = true;
    Run("/G00 X10.");
    EXPECT_EQ(S.CurX, 500);
    Run("G00 X20. /Z5.");
    EXPECT_EQ(S.CurX, 20);
    EXPECT_EQ(S.CurZ, 5); // a "/" at position 10 is ignored and the words after it are read
}

TEST_F(ScanFixture, BlockDeleteOffExecutesTheBlock) {
    Run("/G00 X10.");
    EXPECT_EQ(S.CurX, 10);
}

TEST_F(ScanFixture, SbAndTgForms) {
    Run("SB1000 S200");
    EXPECT_EQ(S.SBWord, 1000);
    EXPECT_EQ(S.SWord, 200);
    Run("T0101");
    EXPECT_EQ(S.TWord, 101);
    EXPECT_FALSE(S.TGFlag);
    Run("TG5");
    EXPECT_EQ(S.TWord, 5);
    EXPECT_TRUE(S.TGFlag);
}

TEST_F(ScanFixture, InchUnitConvertsLengthsButNotAngles) {
    S.UnitCode = 4;
    Run("G00 Z1. C90.");
    EXPECT_DOUBLE_EQ(S.CurZ, 25.4);
    EXPECT_EQ(S.CWord, 90);
}

TEST_F(ScanFixture, MicronUnitConvertsWithAndWithoutPoint) {
    S.UnitCode = 3;
    Run("G00 X100.5");
    EXPECT_DOUBLE_EQ(S.CurX, 0.1005);
    Run("G00 X100500");
    EXPECT_DOUBLE_EQ(S.CurX, 100.5);
}

TEST(Units, NamesAndUnknownCodes) {
    TestMachine t;
    t.M.S.UnitCode = 2;
    EXPECT_DOUBLE_EQ(interp::ScaleLength(t.M, 150), 1.5);
    EXPECT_DOUBLE_EQ(interp::ScaleAngle(t.M, 150), 1.5);
    interp::ShowUnit(t.M);
    EXPECT_EQ(t.Ui.UnitPanel, "Unit 0.01mm");
    t.M.S.UnitCode = 7;
    EXPECT_EQ(interp::ScaleLength(t.M, 150), 0);
    interp::ShowUnit(t.M);
    EXPECT_EQ(t.Ui.UnitPanel, "Unit 0.01mm"); // unchanged for an unknown code
    EXPECT_EQ(interp::UnitName(4), "Unit 1 inch");
}
