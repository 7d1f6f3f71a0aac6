// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The control's numeric conventions in one place: half-to-even rounding, floor, the numeric value
// of a text, and the few number formats it prints. Every number the product shows goes through
// here, so that a label, a message and a ruler never disagree on how a value is written.

#include <cstdint>
#include <string>
#include <string_view>

namespace legacy {

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
double CInt(double v);
// Largest whole number not above v (Int(-2.5) = -3).
double Int(double v);
// Rounds to `decimals` places by scaling, halves to even, as the control's rounding does.
double RoundTo(double v, int decimals);

// Numeric value of a text: the longest leading decimal number (after leading blanks), with
// optional sign, digits, point, digits and exponent; 0 when there is none. "." is the separator.
double Val(std::string_view text);
double Val(std::u16string_view text);

// General number to text: at most 7 (single) or 15 (double) significant digits, no trailing
// zeros, a leading "0" before the point, exponent form "1.5E+20" for very large or small values.
// Non-finite values give a text without a leading number ("Inf", "NaN").
std::string Str7(float v);
std::string Str15(double v);

// The text Str7(float(x)) and its value Val(text), for x = +/- the unsigned decimal `digits`
// (digits with at most one point), without formatting: exact when x has at most 7 significant
// digits and 0.001 <= |x| < 1e7, or is 0, since a single's error there stays below half a unit
// of the seventh digit. Returns false for any other text; the caller then formats.
bool PlainSingle(std::string_view digits, bool negative, std::string& text, double& value);
bool PlainSingle(std::u16string_view digits, bool negative, std::string& text, double& value);

// Rounded to `decimals` places (halves to even), then written as Str15: "Z-20", "X0.5".
std::string RoundText(double v, int decimals);

// Fixed patterns.
std::string Format000(double v);       // "0.000" / "#####0.000": exactly three decimals
std::string Format0Hash(double v);     // "0#": whole number, at least two digits (00, 04, 112, -01)
std::string Format0HashDot0(double v); // "0#.0": one decimal, at least two integer digits
std::string FormatFixed(double v, int decimals);

} // namespace legacy
