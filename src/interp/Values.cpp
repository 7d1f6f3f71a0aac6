// SPDX-License-Identifier: GPL-3.0-or-later
// Word values: the value reader with its left-to-right arithmetic, the unit conversion and the
// word table that says where each address letter's value goes.

#include "base/Legacy.h"
#include "base/Machine.h"
#include "interp/Interpreter.h"
#include "interp/Scanner.h"
#include "interp/Words.h"

#include <charconv>
#include <cmath>

namespace interp {

namespace {

using words::IsDigit;

// Combines an operand into the single-precision accumulator; a zero operand is never combined,
// which is why X10/0 reads 10 and a leading sign works as 0 +/- operand.
void Combine(float& acc, char op, double value) {
    if (value == 0) return;
    switch (op) {
    case '+':
        acc = static_cast<float>(static_cast<double>(acc) + value);
        break;
    case '-':
        acc = static_cast<float>(static_cast<double>(acc) - value);
        break;
    case '*':
        acc = static_cast<float>(static_cast<double>(acc) * value);
        break;
    case '/':
        acc = static_cast<float>(static_cast<double>(acc) / value);
        break;
    default:
        acc = static_cast<float>(value);
        break;
    }
}

// The operand being read: a small buffer on the stack, the heap only for absurdly long ones.
class Operand {
  public:
    void Push(char c) {
        if (Len < sizeof Small) {
            Small[Len++] = c;
            return;
        }
        if (Len == sizeof Small) Long.assign(Small, Len);
        Long.push_back(c);
        ++Len;
    }
    void Clear() { Len = 0; }
    std::string_view View() const {
        return Len <= sizeof Small ? std::string_view(Small, Len) : std::string_view(Long);
    }

  private:
    char Small[32];
    size_t Len = 0;
    std::string Long;
};

// The usual value: an optional sign, then digits and at most one point, ended by a letter, a
// blank, a comment or the end of the block. It reads the same as through the general loop below,
// in one pass; anything else (an expression, brackets, a comma, no digits) returns false before
// anything is changed.
bool ReadPlainValue(MachineState& s, double& value) {
    const char16_t* const text = s.BlockText.data();
    const int64_t length = s.BlockLen;
    int64_t k = s.ScanPos + 1;
    bool negative = false;
    if (k <= length && (text[k - 1] == u'+' || text[k - 1] == u'-')) {
        negative = text[k - 1] == u'-';
        if (++k > length || !(IsDigit(text[k - 1]) || text[k - 1] == u'.')) return false;
    }
    const int64_t from = k;
    bool point = false;
    for (; k <= length; ++k) {
        const char16_t c = text[k - 1];
        if (IsDigit(c)) continue;
        if (c != u'.') break;
        if (point) return false; // a second point
        point = true;
    }
    // The value ends at a character that is no part of a number; anything else after it (an
    // expression, a bracket, a comma) takes the long way.
    if (k <= length) {
        const char16_t c = text[k - 1];
        if (!(c < u'*' || (c > u'9' && c != u'=' && c != u'[' && c != u']'))) return false;
    }
    const std::u16string_view digits(text + from - 1, static_cast<size_t>(k - from));
    if (digits.empty() || !legacy::PlainSingle(digits, negative, s.WordText, value)) return false;
    s.HasPoint = point || value == 0;
    s.ScanPos = k - 1;
    return true;
}

// Powers of ten that a double holds exactly (at most 9 decimals reach ReadPlainNumber's division).
constexpr double ExactPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10};

// ReadPlainValue for the scan loop, which wants the value alone: the same words, in one pass
// that gathers the digits as it finds them, without the word's text (WordText keeps what the
// last reader that made one left there). False (nothing changed) where ReadPlainValue would be,
// and where the value is not exactly the single-precision one PlainSingle vouches for.
bool ReadPlainNumber(MachineState& s, double& value) {
    const char16_t* const text = s.BlockText.data();
    const char16_t* const end = text + s.BlockLen;
    const char16_t* p = text + s.ScanPos; // the first character after the letter
    bool negative = false;
    if (p < end && (*p == u'+' || *p == u'-')) {
        negative = *p == u'-';
        if (++p == end || !(IsDigit(*p) || *p == u'.')) return false;
    }
    const char16_t* const from = p;
    while (p < end && *p == u'0')
        ++p;
    // The whole part without its leading zeros, then the fraction up to its last non-zero digit
    // (`kept`, with `keptDecimals` of them); `zeros` after the point of a value below 1.
    uint64_t mantissa = 0;
    const char16_t* const whole = p;
    for (; p < end && IsDigit(*p); ++p)
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - u'0');
    const int64_t wholeDigits = p - whole;
    uint64_t kept = mantissa;
    int64_t decimals = 0, keptDecimals = 0, zeros = -1;
    const bool point = p < end && *p == u'.';
    if (point)
        for (++p; p < end && IsDigit(*p); ++p) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - u'0');
            ++decimals;
            if (*p == u'0') continue;
            if (zeros < 0) zeros = decimals - 1;
            kept = mantissa;
            keptDecimals = decimals;
        }
    if (p == from) return false; // no digit and no point: the long way finds no value
    // The value ends at a character that is no part of a number (a second point is one).
    if (p < end && !(*p < u'*' || (*p > u'9' && *p != u'=' && *p != u'[' && *p != u']'))) return false;
    if (wholeDigits > 7) return false; // 1E+07 and beyond
    if (wholeDigits == 0 && keptDecimals == 0) {
        value = 0;
    } else {
        const int64_t significant = wholeDigits ? wholeDigits + keptDecimals : keptDecimals - zeros;
        if (significant > 7 || (wholeDigits == 0 && zeros > 2)) return false;
        value = static_cast<double>(kept) / ExactPow10[keptDecimals];
        if (negative) value = -value;
    }
    s.HasPoint = point || value == 0;
    s.ScanPos = p - text;
    return true;
}

} // namespace

void ReadValue(Machine& m) {
    ReadWordValue(m);
}

namespace {

// Any value but the usual one: kept out of line, so that the usual value costs no more than its
// own reading.
[[gnu::noinline]] double ReadGeneralValue(MachineState& s) {
    // 1.
    s.WordText.clear();
    s.HasPoint = false;
    float acc = 0;
    char op = 0;
    Operand operand;
    // 2. to 6. The scanner's reading of the value (words::ReadValueChars) says where it ends and
    // hands over the characters it is made of: a point marks it; an operator combines the
    // operand read so far; "=" and brackets are accepted and ignored; the rest builds the
    // operand. A capital letter right after the address letter: the word has no value.
    words::Word w{words::Word::Kind::Address};
    const std::u16string_view block(s.BlockText.data(), static_cast<size_t>(s.BlockLen));
    words::ReadValueChars(block, static_cast<size_t>(s.ScanPos - 1), w, [&](char16_t c, bool isOperator) {
        if (isOperator) {
            Combine(acc, op, legacy::Val(operand.View()));
            operand.Clear();
            op = static_cast<char>(c);
        } else if (c == u'.') {
            s.HasPoint = true;
            operand.Push('.');
        } else if (c != u'=' && c != u'[' && c != u']') {
            operand.Push(static_cast<char>(c));
        }
    });
    s.ScanPos = w.End; // 1-based: the last character the value took or skipped
    if (w.NoValue) return 0;
    // 7. A plain number after nothing but zeros (the usual "X-12.5") takes its text and value
    // without the formatting round trip; anything else goes through the accumulator.
    double value;
    if (acc == 0 && (op == 0 || op == '+' || op == '-') &&
        legacy::PlainSingle(operand.View(), op == '-', s.WordText, value)) {
        if (value == 0) s.HasPoint = true;
        return value;
    }
    Combine(acc, op, legacy::Val(operand.View()));
    s.WordText = legacy::Str7(acc);
    if (acc == 0) s.HasPoint = true;
    return legacy::Val(s.WordText);
}

} // namespace

double ReadWordValue(Machine& m) {
    double plain;
    if (ReadPlainValue(m.S, plain)) return plain;
    return ReadGeneralValue(m.S);
}

double ScaleLength(const Machine& m, double value) {
    switch (m.S.UnitCode) {
    case 1:
        return value;
    case 2:
        return value / 100;
    case 3:
        return value / 1000;
    case 4:
        return value * 25.4;
    default:
        return 0;
    }
}

double ScaleAngle(const Machine& m, double value) {
    switch (m.S.UnitCode) {
    case 1:
    case 4:
        return value;
    case 2:
        return value / 100;
    case 3:
        return value / 1000;
    default:
        return 0;
    }
}

std::string UnitName(int16_t unitCode) {
    switch (unitCode) {
    case 1:
        return "Unit 1mm";
    case 2:
        return "Unit 0.01mm";
    case 3:
        return "Unit 0.001mm";
    case 4:
        return "Unit 1 inch";
    default:
        return {};
    }
}

void ShowUnit(Machine& m) {
    const std::string name = UnitName(m.S.UnitCode);
    if (!name.empty()) m.Ui.SetUnitPanel(name);
}

namespace {

enum class Conv { None, Length, Angle };

struct WordRule {
    double MachineState::*field;
    Conv conv;
    bool pointCheck;
};

WordRule RuleFor(char letter) {
    using S = MachineState;
    switch (letter) {
    case 'X':
        return {&S::CurX, Conv::Length, true};
    case 'Y':
        return {&S::YWord, Conv::Length, true};
    case 'Z':
        return {&S::CurZ, Conv::Length, true};
    case 'C':
        return {&S::CWord, Conv::Angle, true};
    case 'A':
    case 'B':
        return {&S::TaperAngle, Conv::Angle, false};
    case 'M':
        return {&S::MWord, Conv::None, false};
    case 'R':
        return {&S::RWord, Conv::None, true};
    case 'S':
        return {&S::SWord, Conv::None, false};
    case 'F':
        return {&S::Feed, Conv::Length, true};
    case 'T':
        return {&S::TWord, Conv::None, false};
    case 'L':
        return {&S::LWord, Conv::Length, false};
    case 'D':
        return {&S::DWord, Conv::Length, false};
    case 'P':
        return {&S::PWord, Conv::Length, false};
    case 'H':
        return {&S::HWord, Conv::Length, false};
    case 'I':
        return {&S::IWord, Conv::Length, true};
    case 'K':
        return {&S::KWord, Conv::Length, true};
    case 'U':
        return {&S::UWord, Conv::Length, true};
    default:
        return {&S::WWord, Conv::Length, true}; // 'W'
    }
}

} // namespace

void ReadAddressWord(Machine& m, words::Word& w, BlockFlags& flags) {
    MachineState& s = m.S;
    const char letter = static_cast<char>(w.Letter);
    WordRule rule = RuleFor(letter);
    const bool prefix = w.Value > w.Start + 1;
    if (letter == 'S' && prefix) rule.field = &MachineState::SBWord; // SB: the value goes to SBWord
    if (letter == 'T') s.TGFlag = prefix && s.BlockText[w.Start + 1] == u'G';
    s.ScanPos = w.Value; // on the last character before the value
    double value;
    bool given = ReadPlainNumber(s, value);
    if (!given) {
        value = ReadGeneralValue(s);
        given = !s.WordText.empty();
    }
    w.End = static_cast<uint32_t>(s.ScanPos);
    if (given) {
        double v = value;
        if (rule.conv == Conv::Length)
            v = ScaleLength(m, v);
        else if (rule.conv == Conv::Angle)
            v = ScaleAngle(m, v);
        s.*rule.field = v;
        if (letter == 'X') flags.XGiven = true;
        if (letter == 'Z') flags.ZGiven = true;
    }
    if (s.FanucMode && letter == 'U') s.UGiven = true;
    if (s.FanucMode && letter == 'W') s.WGiven = true;
    if (letter == 'M') ApplyMWord(m);
    // The FANUC dialect rejects a value written without a decimal point.
    if (rule.pointCheck && s.FanucMode && !s.HasPoint) {
        const std::string message = std::string(1, letter) + legacy::Str15(s.*rule.field) + " no point";
        RaiseAlarm(m, message);
    }
}

} // namespace interp
