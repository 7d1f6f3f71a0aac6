// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberFormat.h"

#include <gtest/gtest.h>

using namespace calc;

TEST(CalcNumberFormat, ReadsTheDisplayOnlyWhenItHoldsANumber) {
    EXPECT_EQ(ParseNumber("53."), 53.0);
    EXPECT_EQ(ParseNumber("05."), 5.0);
    EXPECT_EQ(ParseNumber("-0."), 0.0);
    EXPECT_EQ(ParseNumber("-53.2"), -53.2);
    EXPECT_EQ(ParseNumber(".5"), 0.5);
    EXPECT_EQ(ParseNumber("1E+20"), 1e20);
    EXPECT_EQ(ParseNumber("2.5E-05"), 2.5e-5);
    for (const char* NoNumber :
         {"", ".", "-", "Error", "-Error", "12'30'0", "00:01:00.0", "1E", "5..", "1e999"}) {
        EXPECT_FALSE(ParseNumber(NoNumber).has_value()) << NoNumber;
    }
}

TEST(CalcNumberFormat, NumberTextRoundsToThreeDecimalsAndStoresBack) {
    struct Case {
        double In;
        const char* Text;
        double Stored;
    };
    for (Case C : {Case{0, "0", 0}, Case{0.5, "0.5", 0.5}, Case{-0.25, "-0.25", -0.25},
                   Case{12.3456, "12.346", 12.346}, Case{-12.5, "-12.5", -12.5}, Case{0.0625, "0.062", 0.062},
                   Case{-0.0001, "0", 0}, Case{955, "955", 955}}) {
        double Value = C.In;
        EXPECT_EQ(NumberText(Value), C.Text) << C.In;
        EXPECT_DOUBLE_EQ(Value, C.Stored) << C.In;
    }
}

TEST(CalcNumberFormat, DefaultTextKeepsFifteenDigitsWithoutTrailingZeros) {
    EXPECT_EQ(DefaultText(RoundHalfEven(1.0 / 3.0, 9)), "0.333333333");
    EXPECT_EQ(DefaultText(14), "14");
    EXPECT_EQ(DefaultText(-15), "-15");
    EXPECT_EQ(DefaultText(-0.0), "0");
    EXPECT_EQ(DefaultText(Pi), "3.141592653589");
    EXPECT_EQ(DefaultText(1e20), "1E+20");
    EXPECT_EQ(DefaultText(0.00001), "1E-05");
    EXPECT_EQ(DefaultText(2.0 / 3.0), "0.666666666666667");
}

TEST(CalcNumberFormat, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(2.5, 0), 2.0);
    EXPECT_EQ(RoundHalfEven(3.5, 0), 4.0);
    EXPECT_EQ(RoundHalfEven(954.93, 0), 955.0);
    EXPECT_EQ(RoundHalfEven(1e300, 9), 1e300); // no overflow on the way
}

TEST(CalcNumberFormat, TwoDigitPatterns) {
    EXPECT_EQ(TwoDigits(5), "05");
    EXPECT_EQ(TwoDigits(7.4), "07");
    EXPECT_EQ(TwoDigits(123), "123");
    EXPECT_EQ(TwoDigits(-5), "-05");
    EXPECT_EQ(TwoDigitsOneDecimal(5.3), "05.3");
    EXPECT_EQ(TwoDigitsOneDecimal(0), "00.0");
    EXPECT_EQ(TwoDigitsOneDecimal(59.96), "60.0");
}
