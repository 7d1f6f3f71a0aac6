// SPDX-License-Identifier: GPL-3.0-or-later
// Word values: left-to-right arithmetic in single precision, the point flag and the point check.

#include "base/Legacy.h"
#include "interp/Interpreter.h"
#include "interp/Scanner.h"
#include "support/FakeHost.h"

#include <gtest/gtest.h>

#include <random>

using testing_support::TestMachine;

namespace {

struct ValueFixture : ::testing::Test {
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
    // Reads the value after the letter at the start of `word`.
    std::string Value(const std::string& word) {
        S.BlockText.assign(word.begin(), word.end());
        S.BlockLen = static_cast<int64_t>(word.size());
        S.ScanPos = 1;
        interp::ReadValue(T.M);
        return S.WordText;
    }
};

} // namespace

TEST_F(ValueFixture, PlainAndSignedNumbers) {
    EXPECT_EQ(Value("X12.5"), "12.5");
    EXPECT_TRUE(S.HasPoint);
    EXPECT_EQ(Value("X125"), "125");
    EXPECT_FALSE(S.HasPoint);
    EXPECT_EQ(Value("X0"), "0");
    EXPECT_TRUE(S.HasPoint); // zero counts as written with a point
    EXPECT_EQ(Value("X-12.5"), "-12.5");
    EXPECT_EQ(Value("X+12.5"), "12.5");
    EXPECT_EQ(Value("Z-1234.5678"), "-1234.568");
}

TEST_F(ValueFixture, ExpressionsRunLeftToRightWithoutPrecedence) {
    EXPECT_EQ(Value("X[100-2*3]"), "294");
    EXPECT_EQ(Value("X2+3*4"), "20");
    EXPECT_EQ(Value("X=50."), "50");
    EXPECT_EQ(Value("X10*0"), "10"); // a zero operand is never combined
    EXPECT_EQ(Value("X10/0"), "10");
}

// The word's value is handed on with its text; it must be the value of that text whichever way
// the text came about (plain number, expression, rounding to seven digits, exponent form).
TEST_F(ValueFixture, StoredValueIsTheValueOfTheWordText) {
    for (const std::string w :
         {"12.5", "-1234.5678", "2+3*4", "0.0004", ".5", "-0.001", "12345678", "-9999999.", "1234567.5",
          "0.1", "33.333333", "[1/3]", "0", "-", "5,5", "007.50"}) {
        Run("G50 X" + w);
        EXPECT_EQ(S.CurX, legacy::Val(Value("X" + w))) << w;
    }
}

// Plain words take a shorter way than expressions; whichever way a word goes, its text, value,
// point flag and end must be what the single-precision accumulator gives.
TEST_F(ValueFixture, PlainWordsReadAsTheAccumulatorGivesThem) {
    std::mt19937 rng(5);
    const std::string ends[] = {"", " Z1.", "Z-2", "(C)", "G01", "\t"}, signs[] = {"", "-", "+"};
    for (int i = 0; i < 20000; ++i) {
        std::string digits;
        const int count = static_cast<int>(rng() % 13);
        for (int d = 0; d < count; ++d)
            digits += static_cast<char>('0' + rng() % (d % 3 ? 10 : 2));
        if (rng() % 4) digits.insert(rng() % (digits.size() + 1), ".");
        const std::string sign = digits.empty() ? "" : signs[rng() % 3];
        const std::string end = ends[rng() % (digits.empty() ? 1 : 6)];
        const std::string word = "X" + sign + digits + end;
        S.BlockText.assign(word.begin(), word.end());
        S.BlockLen = static_cast<int64_t>(word.size());
        S.ScanPos = 1;
        const double value = interp::ReadWordValue(T.M);
        const double v = legacy::Val(digits);
        const float acc = static_cast<float>(sign == "-" ? 0 - v : v);
        ASSERT_EQ(S.WordText, legacy::Str7(acc)) << word;
        ASSERT_EQ(value, legacy::Val(S.WordText)) << word;
        ASSERT_EQ(S.ScanPos, static_cast<int64_t>(1 + sign.size() + digits.size())) << word;
        ASSERT_EQ(S.HasPoint, digits.find('.') != std::string::npos || acc == 0) << word;
        // The scan loop reads the word its own way, without the text: the same value and point.
        if (S.WordText.empty()) continue;
        const bool point = S.HasPoint;
        Run("G50 Z1. " + word.substr(0, 1 + sign.size() + digits.size()));
        ASSERT_EQ(S.CurX, value) << word;
        ASSERT_EQ(S.HasPoint, point) << word;
    }
}

TEST_F(ValueFixture, OperatorFollowedByANonNumberSkipsToTheBlank) {
    EXPECT_EQ(Value("X10+VC1 Z5."), "10");
    EXPECT_EQ(S.ScanPos, 7); // on the character before the blank
    EXPECT_EQ(Value("X-VC1"), "0");
}

TEST_F(ValueFixture, LetterRightAfterTheAddressHasNoValue) {
    EXPECT_EQ(Value("XVC1 Z5."), "");
    EXPECT_FALSE(S.HasPoint);
    EXPECT_EQ(S.ScanPos, 4);
}

TEST_F(ValueFixture, ValueEndsBeforeTheNextLetterOrComment) {
    EXPECT_EQ(Value("X12.5Z3"), "12.5");
    EXPECT_EQ(S.ScanPos, 5);
    EXPECT_EQ(Value("X7(C)"), "7");
    EXPECT_EQ(S.ScanPos, 2);
}

TEST_F(ValueFixture, HugeValuesReadAsZeroWithoutFailing) {
    EXPECT_EQ(legacy::Val(Value("X" + std::string(60, '9'))), 0);
    Run("G00 M" + std::string(50, '9')); // reads as M0
    EXPECT_EQ(S.RunState, interp::RunProgramStop);
    Run("G00 M99999999999");
    EXPECT_EQ(S.MOther, 2147483647); // kept, saturated, without failing
}

TEST_F(ValueFixture, BlankAfterOperatorSwallowsTheNextWord) {
    Run("G00 X10+ Z5.");
    EXPECT_EQ(S.CurX, 10);
    EXPECT_EQ(S.CurZ, 200);
}

TEST_F(ValueFixture, FanucPointCheckReportsTheStoredValue) {
    S.FanucMode = true;
    Run("G01 X100 Z-20. F0.2 S500");
    EXPECT_EQ(T.Ui.MainMessage, "X100 no point");
    EXPECT_EQ(T.Ui.FkeyMessage, "X100 no point");
    EXPECT_EQ(S.RunState, interp::RunAlarm);
    EXPECT_EQ(S.CurX, 100); // still executed with the stored value
    EXPECT_EQ(S.CurZ, -20);
}

TEST_F(ValueFixture, FanucPointCheckUsesTheConvertedValue) {
    S.FanucMode = true;
    S.UnitCode = 3;
    Run("G00 X100");
    EXPECT_EQ(T.Ui.MainMessage, "X0.1 no point");
}

TEST_F(ValueFixture, FanucPointCheckOnAWordWithoutValueShowsThePreviousValue) {
    S.FanucMode = true;
    Run("G00 X50.");
    EXPECT_EQ(S.RunState, interp::RunRunning);
    Run("G00 XVC1");
    EXPECT_EQ(T.Ui.MainMessage, "X50 no point");
}

TEST_F(ValueFixture, KvzHasNoPointCheckAndOnlyFanucSetsUGiven) {
    Run("G00 U100 W5");
    EXPECT_EQ(S.RunState, interp::RunRunning);
    EXPECT_FALSE(S.UGiven);
    S.FanucMode = true;
    Run("G00 U1. W2.");
    EXPECT_TRUE(S.UGiven);
    EXPECT_TRUE(S.WGiven);
    Run("G00 U1.");
    EXPECT_FALSE(S.WGiven); // cleared every block
}
