// SPDX-License-Identifier: GPL-3.0-or-later
#include "NumberFormat.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace calc {

namespace {

// Writes Value in fixed notation with the given decimals.
std::string Fixed(double Value, int Decimals) {
    char Buffer[400];
    auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::fixed, Decimals);
    return std::string(Buffer, Result.ptr);
}

// A negative zero would show as "-0" on the display.
double NoNegativeZero(double Value) {
    return Value == 0.0 ? 0.0 : Value;
}

std::string TrimFraction(std::string Text) {
    if (Text.find('.') == std::string::npos) return Text;
    while (!Text.empty() && Text.back() == '0')
        Text.pop_back();
    if (!Text.empty() && Text.back() == '.') Text.pop_back();
    return Text;
}

// Pads the integer part of a fixed text with a leading zero up to two digits.
std::string PadTwo(std::string Text) {
    bool Negative = !Text.empty() && Text.front() == '-';
    std::string Digits = Negative ? Text.substr(1) : Text;
    size_t IntegerLength = Digits.find('.');
    if (IntegerLength == std::string::npos) IntegerLength = Digits.size();
    if (IntegerLength < 2) Digits.insert(0, 2 - IntegerLength, '0');
    return (Negative ? "-" : "") + Digits;
}

double RoundHalfAway(double Value, int Decimals) {
    double Scale = std::pow(10.0, Decimals);
    return NoNegativeZero(std::round(Value * Scale) / Scale);
}

} // namespace

std::optional<double> ParseNumber(std::string_view Text) {
    size_t Pos = 0;
    if (Pos < Text.size() && (Text[Pos] == '+' || Text[Pos] == '-')) ++Pos;
    size_t MantissaStart = Pos;
    int Digits = 0;
    bool Point = false;
    for (; Pos < Text.size(); ++Pos) {
        char C = Text[Pos];
        if (std::isdigit(static_cast<unsigned char>(C))) {
            ++Digits;
        } else if (C == '.' && !Point) {
            Point = true;
        } else {
            break;
        }
    }
    if (Digits == 0) return std::nullopt;
    size_t MantissaEnd = Pos;
    if (Pos < Text.size() && (Text[Pos] == 'E' || Text[Pos] == 'e')) {
        size_t ExpPos = Pos + 1;
        if (ExpPos < Text.size() && (Text[ExpPos] == '+' || Text[ExpPos] == '-')) ++ExpPos;
        size_t ExpDigits = ExpPos;
        while (ExpPos < Text.size() && std::isdigit(static_cast<unsigned char>(Text[ExpPos])))
            ++ExpPos;
        if (ExpPos == ExpDigits) return std::nullopt;
        Pos = ExpPos;
    }
    if (Pos != Text.size()) return std::nullopt;
    // from_chars accepts neither a leading '+' nor a point without digits after it, so hand it the
    // mantissa without its sign and with "53." completed to "53.0".
    std::string Clean(Text.substr(MantissaStart, MantissaEnd - MantissaStart));
    if (Clean.back() == '.') Clean += '0';
    if (Clean.front() == '.') Clean.insert(0, "0");
    Clean += Text.substr(MantissaEnd);
    double Value = 0;
    auto Result = std::from_chars(Clean.data(), Clean.data() + Clean.size(), Value);
    if (Result.ec != std::errc() || !std::isfinite(Value)) return std::nullopt;
    return Text.front() == '-' ? -Value : Value;
}

double RoundHalfEven(double Value, int Decimals) {
    double Scale = std::pow(10.0, Decimals);
    // Magnitudes this large carry no decimals anyway; scaling them would overflow.
    if (!std::isfinite(Value * Scale)) return Value;
    return NoNegativeZero(std::nearbyint(Value * Scale) / Scale);
}

std::string DefaultText(double Value) {
    Value = NoNegativeZero(Value);
    char Buffer[64];
    auto Result = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::general, 15);
    std::string Text(Buffer, Result.ptr);
    size_t E = Text.find('e');
    if (E != std::string::npos) Text[E] = 'E';
    return Text;
}

std::string NumberText(double& Value) {
    Value = RoundHalfEven(Value, 3);
    return TrimFraction(Fixed(Value, 3));
}

std::string TwoDigits(double Value) {
    return PadTwo(Fixed(RoundHalfAway(Value, 0), 0));
}

std::string TwoDigitsOneDecimal(double Value) {
    return PadTwo(Fixed(RoundHalfAway(Value, 1), 1));
}

} // namespace calc
