// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Legacy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

using namespace legacy;

TEST(Legacy, RoundsHalvesToEven) {
    EXPECT_EQ(CInt(2.5), 2);
    EXPECT_EQ(CInt(3.5), 4);
    EXPECT_EQ(CInt(-2.5), -2);
    EXPECT_EQ(CInt(59.6), 60);
    EXPECT_EQ(Int(-2.5), -3);
    EXPECT_EQ(Int(2.9), 2);
    EXPECT_EQ(RoundText(0.25, 1), "0.2");
    EXPECT_EQ(RoundText(-20, 1), "-20");
    EXPECT_EQ(RoundText(10.12345, 4), "10.1234"); // the binary value lies below the half
}

TEST(Legacy, NumericValueOfTextTakesTheLongestLeadingNumber) {
    EXPECT_EQ(Val("12.5abc"), 12.5);
    EXPECT_EQ(Val("-0.5"), -0.5);
    EXPECT_EQ(Val("+7"), 7);
    EXPECT_EQ(Val(".5"), 0.5);
    EXPECT_EQ(Val("1.5E+20"), 1.5e20);
    EXPECT_EQ(Val("3e"), 3);
    EXPECT_EQ(Val("abc"), 0);
    EXPECT_EQ(Val(""), 0);
    EXPECT_EQ(Val("-"), 0);
    EXPECT_EQ(Val("Inf"), 0);
    EXPECT_EQ(Val(u"  42 "), 42);
    // A run of digits far beyond any buffer still has its full magnitude.
    EXPECT_EQ(Val(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(Val("1" + std::string(40, '0')), 1e40);
}

TEST(Legacy, GeneralTextKeepsSevenOrFifteenDigits) {
    EXPECT_EQ(Str7(-1234.5678f), "-1234.568");
    EXPECT_EQ(Str7(0.1f), "0.1");
    EXPECT_EQ(Str7(294.0f), "294");
    EXPECT_EQ(Str7(0), "0");
    EXPECT_EQ(Str7(12345678.0f), "1.234568E+07");
    EXPECT_EQ(Str15(0.1005), "0.1005");
    EXPECT_EQ(Str15(100), "100");
    EXPECT_EQ(Str15(-12.5), "-12.5");
    EXPECT_EQ(Str7(std::numeric_limits<float>::infinity()), "Inf");
    EXPECT_EQ(Val(Str7(std::numeric_limits<float>::infinity())), 0);
}

TEST(Legacy, FixedPatterns) {
    EXPECT_EQ(Format000(0.5), "0.500");
    EXPECT_EQ(Format000(-12.3456), "-12.346");
    EXPECT_EQ(Format000(-0.0001), "0.000");
    EXPECT_EQ(Format0Hash(4), "04");
    EXPECT_EQ(Format0Hash(112), "112");
    EXPECT_EQ(Format0Hash(0), "00");
    EXPECT_EQ(Format0Hash(-1), "-01");
    EXPECT_EQ(Format0HashDot0(5.25), "05.2");
    EXPECT_EQ(Format0HashDot0(12.5), "12.5");
}

namespace {

// A random plain decimal: up to `maxDigits` digits with the point anywhere (or nowhere).
std::string RandomDecimal(std::mt19937_64& rng, int maxDigits) {
    const int digits = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxDigits));
    std::string t;
    for (int i = 0; i < digits; ++i)
        t += static_cast<char>('0' + rng() % 10);
    const size_t point = rng() % (t.size() + 2);
    if (point <= t.size()) t.insert(point, ".");
    return t;
}

} // namespace

// Plain numbers are converted without the general conversion; the result must be the nearest
// double all the same, also where the digits are too many for the short way.
TEST(Legacy, PlainNumbersConvertToTheNearestDouble) {
    std::mt19937_64 rng(7);
    for (int i = 0; i < 200000; ++i) {
        const std::string t = (i % 3 == 0 ? "-" : "") + RandomDecimal(rng, 19);
        ASSERT_EQ(Val(t), std::strtod(t.c_str(), nullptr)) << t;
    }
    EXPECT_EQ(Val("0.1"), 0.1);
    EXPECT_EQ(Val("123456789012345.6"), 123456789012345.6); // 16 digits: the long way
    EXPECT_EQ(Val("2.5e3"), 2500);                          // an exponent: the long way
    EXPECT_EQ(Val("2.5d"), 2.5);
    EXPECT_TRUE(std::signbit(Val("-0")));
    EXPECT_FALSE(std::signbit(Val("-")));
}

// The short way of a value through the single-precision accumulator gives exactly what
// formatting the single and reading the text back gives, wherever it answers at all.
TEST(Legacy, PlainSingleAgreesWithTheFormattedRoundTrip) {
    std::mt19937_64 rng(11);
    int answered = 0;
    for (int i = 0; i < 300000; ++i) {
        const std::string t = RandomDecimal(rng, 9);
        const bool negative = i % 2;
        std::string text, wideText;
        double value = -1, wideValue = -1;
        // The program's characters give the same answer as their 8-bit copy.
        const bool wide = PlainSingle(std::u16string(t.begin(), t.end()), negative, wideText, wideValue);
        ASSERT_EQ(PlainSingle(t, negative, text, value), wide) << t;
        if (!wide) continue;
        ASSERT_EQ(wideText, text) << t;
        ASSERT_EQ(wideValue, value) << t;
        ++answered;
        const double v = Val(t);
        const std::string expected = Str7(static_cast<float>(negative ? 0 - v : v));
        ASSERT_EQ(text, expected) << t;
        ASSERT_EQ(value, Val(expected)) << t;
    }
    EXPECT_GT(answered, 100000);
    std::string text;
    double value;
    // The edges of where the short way holds.
    EXPECT_TRUE(PlainSingle("0.001", false, text, value));
    EXPECT_EQ(text, "0.001");
    EXPECT_FALSE(PlainSingle("0.000999", false, text, value));
    EXPECT_TRUE(PlainSingle("9999999.000", true, text, value));
    EXPECT_EQ(text, "-9999999");
    EXPECT_FALSE(PlainSingle("10000000", false, text, value));  // written 1E+07
    EXPECT_FALSE(PlainSingle("1234567.5", false, text, value)); // eight digits are rounded
    EXPECT_FALSE(PlainSingle("1,5", false, text, value));
    EXPECT_FALSE(PlainSingle("1.5.", false, text, value));
    EXPECT_TRUE(PlainSingle("007.50", false, text, value));
    EXPECT_EQ(text, "7.5");
    EXPECT_EQ(value, 7.5);
    for (const char* zero : {"", ".", "000.00"}) {
        ASSERT_TRUE(PlainSingle(zero, true, text, value)) << zero;
        EXPECT_EQ(text, "0");
        EXPECT_FALSE(std::signbit(value));
    }
}
