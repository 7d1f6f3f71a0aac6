// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the ISO control cuts a block into words: an address letter and a number (sign, digits,
// decimal point), several G and M words a block, comments in parentheses, ";" ending the block,
// "/" block delete, N and O numbers, ",C" and ",R" after a move. Macro variables and expressions
// (IF/WHILE/GOTO too) are marked; given a source of values, a word's value may be one.

#include <cstdint>
#include <string_view>

namespace iso {

struct Words {
    uint32_t Has = 0;     // bit (letter - 'A') for each address letter given with a value
    uint32_t NoPoint = 0; // bit for each letter whose number was written without a decimal point
    double V[26] = {};    // the numbers as written (unconverted)
    double G[8] = {};     // the G words in order
    int NG = 0;
    double M[4] = {}; // the M words in order
    int NM = 0;
    bool Deleted = false;   // "/" first: skipped with block delete on
    bool Macro = false;     // "#", "[", IF, WHILE, GOTO, END, DO: a user-macro statement
    bool Corner = false;    // ",C" or ",R" after a move (chamfer or corner round)
    char CornerKind = 0;    // 'C' or 'R'
    double CornerValue = 0; // its size as written
    bool Bare = false;      // a letter without a number (read as 0 by nothing: reported)
    char BareLetter = 0;
    bool BareNumber = false; // a number without an address letter ("8250 G00": N left out)
    double BareNumberValue = 0;

    bool HasWord(char letter) const { return (Has >> (letter - 'A')) & 1u; }
    double Value(char letter) const { return V[letter - 'A']; }
    bool HasPoint(char letter) const { return !((NoPoint >> (letter - 'A')) & 1u); }
    bool HasG(double g) const {
        for (int i = 0; i < NG; ++i)
            if (G[i] == g) return true;
        return false;
    }
};

// Where the values of "#" and "[ ]" after an address come from (the user-macro variables).
class ValueSource {
  public:
    // Reads the value of address `letter` at `k` (a sign, then "#" or "["), moving `k` past it;
    // false when it is vacant (the word is then not given). Throws what the macro layer makes of
    // a fault.
    virtual bool Read(char letter, std::u16string_view block, size_t& k, double& value) = 0;

  protected:
    ~ValueSource() = default;
};

// Reads one block's text (without its line end). `blockDelete`: the block-delete switch; a
// deleted block reads no word but Deleted. Without `values` a value of "#" or "[" marks the
// block Macro; with them it is read.
Words ReadWords(std::u16string_view block, bool blockDelete, ValueSource* values = nullptr);

} // namespace iso
