// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

// Number reading and writing of the calculator, independent of the process locale: the shop
// floor always reads a point as the decimal separator.
namespace calc {

// π as the calculator has always held it; every formula and angle conversion uses this value.
inline constexpr double Pi = 3.141592653589;

// The display read as a number: an optional sign, digits with at most one point (a trailing point
// as in "53." is fine) and an optional exponent. Anything else ("Error", "-", "12'30'0") is no
// number.
std::optional<double> ParseNumber(std::string_view Text);

// Rounds to the given number of decimals, halves to the even neighbour.
double RoundHalfEven(double Value, int Decimals);

// The general form of a result: up to 15 significant digits, no trailing zeros, no trailing point,
// exponent form ("1E+20", "1E-05") for very large and very small magnitudes.
std::string DefaultText(double Value);

// Rounds Value to 3 decimals (half to even), stores the rounded value back and returns it as text
// with a leading zero and no trailing zeros: 0.5 -> "0.5", -12.5 -> "-12.5", 12.3456 -> "12.346".
std::string NumberText(double& Value);

// At least two integer digits, rounded to a whole number, halves away from zero: 5 -> "05".
std::string TwoDigits(double Value);

// At least two integer digits and one decimal, halves away from zero: 5.25 -> "05.3".
std::string TwoDigitsOneDecimal(double Value);

} // namespace calc
