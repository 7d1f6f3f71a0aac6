// SPDX-License-Identifier: GPL-3.0-or-later
#include "CalcTestSupport.h"

#include "NumberFormat.h"

#include <gtest/gtest.h>

using calc::CalcEngine;
using calc::Key;

namespace {

// The display after typing a whole sequence on a fresh calculator.
std::string After(const std::string& Sequence) {
    CalcEngine Calc;
    Type(Calc, Sequence);
    return Calc.Readout();
}

double ShownValue(const CalcEngine& Calc) {
    auto Value = calc::ParseNumber(Calc.Readout());
    EXPECT_TRUE(Value.has_value()) << Calc.Readout();
    return Value.value_or(0);
}

} // namespace

TEST(CalcEntry, DigitsGoInFrontOfThePointUntilThePointKey) {
    CalcEngine Calc;
    EXPECT_EQ(Calc.Readout(), "0.");
    const char* Expected[] = {"5.", "53.", "53.", "53.2"};
    const char* Keys[] = {"5", "3", ".", "2"};
    for (int I = 0; I < 4; ++I) {
        Type(Calc, Keys[I]);
        EXPECT_EQ(Calc.Readout(), Expected[I]) << I;
    }
    EXPECT_EQ(After("0 5"), "05.");
    EXPECT_EQ(After(". 5"), "0.5");
    EXPECT_EQ(After("5 . . 2"), "5.2");
}

TEST(CalcEntry, MinusAsTheFirstKeyStartsANegativeNumber) {
    CalcEngine Calc;
    Type(Calc, "-");
    EXPECT_EQ(Calc.Readout(), "-0.");
    Type(Calc, "5");
    EXPECT_EQ(Calc.Readout(), "-5.");
    Type(Calc, "+ 8 =");
    EXPECT_EQ(Calc.Readout(), "3");
    EXPECT_EQ(After("- . 5"), "-0.5");
}

TEST(CalcEntry, MinusAfterAnOperatorStartsTheSecondNumber) {
    CalcEngine Calc;
    Type(Calc, "5 X");
    Calc.TakeClipboard();
    Type(Calc, "-");
    EXPECT_EQ(Calc.Readout(), "-");
    EXPECT_EQ(Calc.TakeClipboard(), std::optional<std::string>("")); // cleared, nothing copied
    Type(Calc, "3 =");
    EXPECT_EQ(Calc.Readout(), "-15");
    // A second minus in a row changes nothing.
    EXPECT_EQ(After("5 X - - 3 ="), "-15");
}

TEST(CalcEntry, SignChangeAndClearEntry) {
    EXPECT_EQ(After("5 3 +/-"), "-53");
    EXPECT_EQ(After("5 3 +/- 2"), "-532."); // typing goes on after the sign change
    EXPECT_EQ(After("5 . 2 +/- 5"), "-5.25");
    EXPECT_EQ(After("5 +/- . 5"), "-5.5");
    EXPECT_EQ(After("7 + 3 C 4 ="), "11");
}

TEST(CalcEntry, ADigitAfterAFunctionResultStartsANewNumber) {
    EXPECT_EQ(After("9 sqrt 5"), "5.");
    EXPECT_EQ(After("2 . 2 5 sqrt 5"), "5.");
    EXPECT_EQ(After("PI 2"), "2.");
    EXPECT_EQ(After("PI ."), "0.");
    EXPECT_EQ(After("9 sqrt + 1 ="), "4"); // the result is still an operand
}

TEST(CalcArithmetic, MultiplicationAndDivisionGoFirst) {
    struct Case {
        const char* Keys;
        const char* Shown;
    };
    for (Case C : {Case{"2 + 3 X 4 =", "14"}, Case{"1 0 - 2 X 3 =", "4"}, Case{"2 X 3 + 4 X 5 =", "26"},
                   Case{"2 + 3 X 4 X 5 =", "62"}, Case{"2 + 3 X 4 + 1 =", "15"},
                   Case{"2 0 - 6 / 3 - 1 =", "17"}, Case{"2 + 3 = 4 X 6 =", "24"},
                   Case{"2 + 3 X 4 = 5 X 2 =", "10"}, Case{"2 + X 3 =", "6"}, Case{"7 =", "7."}}) {
        EXPECT_EQ(After(C.Keys), C.Shown) << C.Keys;
    }
}

TEST(CalcArithmetic, IntermediateResultsShowAsTheyAreReached) {
    CalcEngine Calc;
    Type(Calc, "2 + 3 +");
    EXPECT_EQ(Calc.Readout(), "5");
    Type(Calc, "4 X");
    EXPECT_EQ(Calc.Readout(), "4"); // the addition waits for the product
    Type(Calc, "2 =");
    EXPECT_EQ(Calc.Readout(), "13");
}

TEST(CalcArithmetic, ResultsRoundToNineDecimalsAndCopyThreeToTheClipboard) {
    CalcEngine Calc;
    Type(Calc, "1 / 3 =");
    EXPECT_EQ(Calc.Readout(), "0.333333333");
    EXPECT_EQ(Calc.TakeClipboard(), std::optional<std::string>("0.333"));
    EXPECT_FALSE(Calc.TakeClipboard().has_value());
    Type(Calc, "2 +");
    EXPECT_EQ(Calc.TakeClipboard(), std::optional<std::string>("2"));
}

TEST(CalcArithmetic, DivisionByZeroShowsErrorUntilAllClear) {
    CalcEngine Calc;
    Type(Calc, "8 / 0 =");
    EXPECT_EQ(Calc.Readout(), "Error");
    Type(Calc, "5 + 1 =");
    EXPECT_EQ(Calc.Readout(), "1."); // numbers still show, but nothing is computed
    EXPECT_EQ(After("8 / 0 = 5 + 1 = 1 ="), "1.");
    Type(Calc, "AC");
    EXPECT_EQ(Calc.Readout(), "0.");
    Type(Calc, "2 + 2 =");
    EXPECT_EQ(Calc.Readout(), "4");
}

TEST(CalcArithmetic, OverflowShowsError) {
    EXPECT_EQ(After("1 0 0 0 0 0 0 0 0 0 0 x2 x2 x2 x2 x2"), "Error");
    EXPECT_EQ(After("1 0 0 0 0 0 0 0 0 0 0 x2 x2 x2 x2 X 1 0 0 0 0 0 0 0 0 0 0 x2 x2 x2 x2 ="), "Error");
}

TEST(CalcFunctions, TrigonometryInDegreesWithShiftForTheInverse) {
    CalcEngine Calc;
    Type(Calc, ". 5 shift");
    EXPECT_TRUE(Calc.ShiftOn());
    EXPECT_TRUE(Calc.KeyLatched(Key::swINV));
    Type(Calc, "sin");
    EXPECT_NEAR(ShownValue(Calc), 30.0, 1e-9);
    EXPECT_FALSE(Calc.ShiftOn()); // shift holds for one key only

    EXPECT_EQ(After("1 shift sin"), "Error");
    EXPECT_EQ(After("1 . 5 shift cos"), "Error");
    EXPECT_EQ(After("- 1 shift cos"), "Error");

    struct Case {
        const char* Keys;
        double Value;
    };
    for (Case C : {Case{"3 0 sin", 0.5}, Case{"6 0 cos", 0.5}, Case{"4 5 tan", 1.0},
                   Case{". 5 shift cos", 60.0}, Case{"1 shift tan", 45.0}, Case{"- . 5 shift sin", -30.0}}) {
        CalcEngine One;
        Type(One, C.Keys);
        EXPECT_NEAR(ShownValue(One), C.Value, 1e-9) << C.Keys;
    }
}

TEST(CalcFunctions, SquareReciprocalRootAndPi) {
    EXPECT_EQ(After("1 2 x2"), "144");
    EXPECT_EQ(After("4 1/x"), "0.25");
    EXPECT_EQ(After("0 1/x"), "0."); // nothing to invert: the display stays
    EXPECT_EQ(After("2 shift 1/x"), "0.5");
    EXPECT_EQ(After("2 sqrt"), "1.4142135623731");
    EXPECT_EQ(After("PI"), "3.141592653589");
    EXPECT_EQ(After("2 X PI ="), "6.283185307");
}

TEST(CalcFunctions, NoNumberOnTheDisplayShowsErrorInsteadOfNonsense) {
    // "Error" after a division by zero, the lone minus of a second number, a machining time.
    const char* NoNumber[] = {"8 / 0 =", "5 X -", "T 5 0 0 = . 2 = 1 0 0 ="};
    const char* Keys[] = {"x2", "1/x", "sqrt", "sin", "shift sin", "+/-", "shift H", "Min", "M+"};
    for (const char* Start : NoNumber) {
        for (const char* K : Keys) {
            CalcEngine Calc;
            Type(Calc, Start);
            Type(Calc, K);
            EXPECT_EQ(Calc.Readout(), "Error") << Start << " then " << K;
            EXPECT_FALSE(Calc.ShiftOn()) << Start << " then " << K;
        }
    }
    EXPECT_EQ(After("4 +/- sqrt"), "Error");
}

TEST(CalcMemory, IndicatorShowsWhileTheMemoryIsNotZero) {
    CalcEngine Calc;
    EXPECT_FALSE(Calc.LabelMVisible());
    Type(Calc, "5 M+");
    EXPECT_TRUE(Calc.LabelMVisible());
    Type(Calc, "AC 3 M+");
    EXPECT_EQ(Calc.Memory(), 8.0);
    Type(Calc, "AC 0 Min");
    EXPECT_FALSE(Calc.LabelMVisible());
    Type(Calc, "AC 2 . 5 Min AC");
    EXPECT_TRUE(Calc.LabelMVisible());
    Type(Calc, "shift MR");
    EXPECT_EQ(Calc.Readout(), "2.5");
    Type(Calc, "X 2 =");
    EXPECT_EQ(Calc.Readout(), "5");
}

TEST(CalcMemory, FailedMemoryKeysClearButKeepTheMemory) {
    for (const char* Key : {"Min", "M+"}) {
        CalcEngine Calc;
        Type(Calc, std::string("7 Min 8 / 0 = ") + Key);
        EXPECT_EQ(Calc.Readout(), "Error") << Key;
        EXPECT_EQ(Calc.Memory(), 7.0) << Key;
        Type(Calc, "2 + 2 =");
        EXPECT_EQ(Calc.Readout(), "4") << Key;
    }
}

TEST(CalcMemory, ActivationClearsTheDisplayButKeepsTheMemory) {
    CalcEngine Calc;
    Type(Calc, "4 2 Min 7 + 1");
    Calc.Form_Activate();
    EXPECT_EQ(Calc.Readout(), "0.");
    EXPECT_TRUE(Calc.LabelMVisible());
    Type(Calc, "MR + 1 =");
    EXPECT_EQ(Calc.Readout(), "43");
}

TEST(CalcFeedback, KeysFlashAndShiftStaysLatched) {
    CalcEngine Calc;
    Type(Calc, "5 + AC");
    EXPECT_EQ(Calc.TakeFlashes(), (std::vector<Key>{Key::Number5, Key::Plus, Key::Cancel}));
    EXPECT_TRUE(Calc.TakeFlashes().empty());
    Type(Calc, "shift");
    EXPECT_TRUE(Calc.KeyLatched(Key::swINV));
    Type(Calc, "5");
    EXPECT_FALSE(Calc.KeyLatched(Key::swINV));
}
