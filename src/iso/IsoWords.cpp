// SPDX-License-Identifier: GPL-3.0-or-later
#include "iso/IsoWords.h"

namespace iso {

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
char Upper(char16_t c) {
    return static_cast<char>(c);
}
// Address letters are capitals; a lower-case letter is passed over (the advice names it).
bool IsLetter(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

// The number at `k`: sign, digits and one decimal point. Returns false when none is there.
bool ReadNumber(std::u16string_view b, size_t& k, double& value, bool& point) {
    size_t i = k;
    bool negative = false;
    if (i < b.size() && (b[i] == u'-' || b[i] == u'+')) negative = b[i++] == u'-';
    double whole = 0, scale = 1;
    bool digits = false;
    point = false;
    for (; i < b.size(); ++i) {
        const char16_t c = b[i];
        if (IsDigit(c)) {
            digits = true;
            if (point) {
                scale /= 10;
                whole += (c - u'0') * scale;
            } else {
                whole = whole * 10 + (c - u'0');
            }
        } else if (c == u'.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits && !point) return false;
    value = negative ? -whole : whole;
    k = i;
    return true;
}

} // namespace

// A value written as a macro expression: "#", "[" or a sign before one of them.
bool MacroValueAt(std::u16string_view b, size_t k) {
    if (k < b.size() && (b[k] == u'-' || b[k] == u'+')) ++k;
    return k < b.size() && (b[k] == u'#' || b[k] == u'[');
}

Words ReadWords(std::u16string_view b, bool blockDelete, ValueSource* values) {
    Words w;
    size_t k = 0;
    while (k < b.size() && (b[k] == u' ' || b[k] == u'\t' || b[k] == u'\n' || b[k] == u'\r'))
        ++k;
    if (k < b.size() && b[k] == u'/') {
        w.Deleted = true;
        if (blockDelete) return w;
        ++k;
    }
    const size_t first = k;
    while (k < b.size()) {
        // ":" is the program number's address on tape, as O.
        const char16_t c = b[k] == u':' && k + 1 < b.size() && IsDigit(b[k + 1]) ? u'O' : b[k];
        if (c == u'(') { // a comment, to its ")" or the end of the block
            while (k < b.size() && b[k] != u')')
                ++k;
            ++k;
            continue;
        }
        if (c == u';') break; // the end of the block as listings write it
        if (c == u'#' || c == u'[' || c == u'=') {
            w.Macro = true;
            ++k;
            continue;
        }
        if (c == u',' && k + 1 < b.size() && (Upper(b[k + 1]) == 'C' || Upper(b[k + 1]) == 'R')) {
            w.Corner = true;
            w.CornerKind = Upper(b[k + 1]);
            k += 2;
            bool p;
            if (values && MacroValueAt(b, k)) {
                if (!values->Read(w.CornerKind, b, k, w.CornerValue)) w.Corner = false;
            } else {
                ReadNumber(b, k, w.CornerValue, p);
            }
            continue;
        }
        if (!IsLetter(c)) {
            double value;
            bool point;
            // A number opening the block without its address ("8250 G00", N left out).
            if (IsDigit(c) && k == first && ReadNumber(b, k, value, point)) {
                w.BareNumber = true, w.BareNumberValue = value;
                continue;
            }
            ++k;
            continue;
        }
        const char letter = Upper(c);
        ++k;
        double value = 0;
        bool point = false;
        if (values && MacroValueAt(b, k)) {
            // A variable's value counts as written with a decimal point; a vacant one gives no word.
            if (!values->Read(letter, b, k, value)) continue;
            point = true;
        } else if (!ReadNumber(b, k, value, point)) {
            // IF, WHILE, GOTO, END, DO and functions are words of letters: macro statements.
            if (k < b.size() && (IsLetter(b[k]) || b[k] == u'#' || b[k] == u'[')) {
                w.Macro = true;
                while (k < b.size() && IsLetter(b[k]))
                    ++k;
            } else if (!w.Bare) {
                w.Bare = true;
                w.BareLetter = letter;
            }
            continue;
        }
        if (letter == 'G') {
            if (w.NG < 8) w.G[w.NG++] = value;
            continue;
        }
        if (letter == 'M') {
            if (w.NM < 4) w.M[w.NM++] = value;
            continue;
        }
        const int i = letter - 'A';
        w.Has |= 1u << i;
        w.V[i] = value;
        if (!point)
            w.NoPoint |= 1u << i;
        else
            w.NoPoint &= ~(1u << i);
    }
    return w;
}

} // namespace iso
