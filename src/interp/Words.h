// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the control cuts a block into words: comments (also one carried over from an earlier
// block), block delete, the program number, the digit words N and V, the G word and the address
// letters with their values, including the rests of words it skips unread. Positions only: the
// interpreter's value reader (Values.cpp) evaluates the characters ReadValueChars hands it. The
// advice and the pane's colouring read blocks through this; a test holds it to the
// interpreter's own reading.

#include <array>
#include <cstdint>
#include <string_view>

namespace interp::words {

inline bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
inline bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
// The character range that makes up numbers in the control's eyes: + , - . / and the digits.
inline bool InNumberRange(char16_t c) {
    return c >= u'+' && c <= u'9';
}
inline bool IsCapital(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

// What a character means to the scan loop; most characters (digits, blanks, points, signs, lower
// case) mean nothing by themselves and are passed over.
enum Class : uint8_t { Plain, Open, Address, GLetter, OLetter, Slash, Digits, Unread };

constexpr std::array<uint8_t, 128> MakeClasses() {
    std::array<uint8_t, 128> k{};
    for (char c = 'A'; c <= 'Z'; ++c)
        k[static_cast<unsigned char>(c)] = Unread;
    for (char c : std::string_view("XYZCABMRSFTLDPHIKUW"))
        k[static_cast<unsigned char>(c)] = Address;
    k['('] = Open;
    k['G'] = GLetter;
    k['O'] = OLetter;
    k['/'] = Slash;
    k['N'] = Digits;
    k['V'] = Digits;
    return k;
}
inline constexpr std::array<uint8_t, 128> Classes = MakeClasses();

inline uint8_t ClassOf(char16_t c) {
    return c < 128 ? Classes[c] : uint8_t{Plain};
}

// One word as the scanner reads it; indexes into the block, 0-based, End one past the last
// character read.
struct Word {
    enum class Kind : uint8_t {
        Comment,     // "(" to ")" or to the end of the block
        BlockDelete, // the "/" that drops the rest of the block (End: the block's end)
        Program,     // O with its digits (at the start of a line only) and a G right after it
        Digits,      // N or V with its digits
        G,           // G with its number characters
        Address,     // another address letter (with SB, TG, TL) and its value
        Unread,      // a capital letter that is no address (Q, E, J ...): passed over
    };
    Kind What;
    char16_t Letter = 0;
    uint32_t Start = 0, Value = 0, End = 0; // Value: where the value begins (after SB, TG, TL)
    bool NoValue = false; // Address: a capital letter follows directly, the rest is skipped unread
    bool Number = false;  // G, Address: a digit or point is among the characters evaluated
};

// Index of the character before the next blank at or after `from`, or the last index: where a
// skipped rest of a word ends.
inline size_t SkipToBlank(std::u16string_view b, size_t from) {
    for (size_t k = from; k < b.size(); ++k)
        if (IsBlank(b[k])) return k - 1;
    return b.size() - 1;
}

// The digit reader of O, N and V: the index after the last character it consumes.
inline size_t DigitsEnd(std::u16string_view b, size_t letter) {
    bool begun = false;
    size_t k = letter + 1;
    for (; k < b.size(); ++k) {
        const char16_t c = b[k];
        if (IsBlank(c)) break;
        if (InNumberRange(c))
            begun = true;
        else if (begun)
            break;
    }
    return k;
}

// The G word's reader: the index after the last number character after the G at `letter`.
inline size_t GNumberEnd(std::u16string_view b, size_t letter) {
    size_t k = letter + 1;
    while (k < b.size() && InNumberRange(b[k]))
        ++k;
    return k;
}

// The value after the letter (or prefix) at `at`, as the control's value reader takes it: sets
// `w.End` (after a rest it skips unread, too), `w.NoValue` (a capital letter follows: no value)
// and `w.Number` (a digit or point is among the characters). `take(c, isOperator)` gets, in
// order, each character the value is evaluated from: the interpreter computes the value with it
// (Values.cpp), the scanner only wants the extent.
template <class Take> inline void ReadValueChars(std::u16string_view b, size_t at, Word& w, Take&& take) {
    size_t k = at + 1;
    w.Number = false;
    w.NoValue = k < b.size() && IsCapital(b[k]);
    if (w.NoValue) {
        w.End = static_cast<uint32_t>(SkipToBlank(b, k + 1) + 1);
        return;
    }
    // The usual "12.5" or "-64.9" first; the general loop below ends it the same way.
    if (k + 1 < b.size() && (b[k] == u'-' || b[k] == u'+') && (IsDigit(b[k + 1]) || b[k + 1] == u'.'))
        take(b[k++], true);
    for (; k < b.size() && (IsDigit(b[k]) || b[k] == u'.'); ++k) {
        w.Number = true;
        take(b[k], false);
    }
    for (; k < b.size(); ++k) {
        const char16_t c = b[k];
        if (c == u'+' || c == u'-' || c == u'*' || c == u'/') {
            const char16_t next = k + 1 < b.size() ? b[k + 1] : u'\0';
            // An operator without an operand after it ends the value; the rest of the word is
            // skipped unread.
            if (!(IsDigit(next) || next == u'.' || next == u'[' || next == u']')) {
                w.End = static_cast<uint32_t>(SkipToBlank(b, k + 2) + 1);
                return;
            }
            take(c, true);
            continue;
        }
        // Characters that end the value without being consumed.
        if (c < u'*' || (c > u'9' && c != u'=' && c != u'[' && c != u']')) break;
        if (IsDigit(c) || c == u'.') w.Number = true;
        take(c, false);
    }
    w.End = static_cast<uint32_t>(k);
}

// The extent alone.
inline void ReadValueExtent(std::u16string_view b, size_t at, Word& w) {
    ReadValueChars(b, at, w, [](char16_t, bool) {});
}

// Reads `b` as the control's scan loop does and hands each word to `visit` in order;
// `inComment` is the comment state the block starts in. Returns the comment state after it.
// `ReadsValues`: the visitor reads each address word's value itself and sets its End (the
// interpreter, which evaluates as it goes); otherwise the extent is found here.
template <bool ReadsValues = false, class Visit>
bool ScanWords(std::u16string_view b, bool inComment, bool blockDelete, Visit&& visit) {
    using K = Word::Kind;
    const size_t n = b.size();
    const auto at = [](size_t i) { return static_cast<uint32_t>(i); };
    size_t i = 0;
    if (inComment) {
        const size_t close = b.find(u')');
        Word w{K::Comment, u'(', 0, 0, at(close == b.npos ? n : close + 1)};
        visit(w);
        if (close == b.npos) return true;
        i = close + 1;
    }
    while (i < n) {
        const char16_t c = b[i];
        switch (ClassOf(c)) {
        case Plain:
            ++i;
            break;
        case Address: {
            size_t v = i;
            if (c == u'S' && v + 1 < n && b[v + 1] == u'B') ++v; // SB: the spindle word for SBWord
            if (c == u'T') {                                     // TG and TL: forms of the T word
                if (v + 1 < n && b[v + 1] == u'G') ++v;
                if (v + 1 < n && b[v + 1] == u'L') ++v;
            }
            Word w{K::Address, c, at(i), at(v + 1)};
            if constexpr (!ReadsValues) ReadValueExtent(b, v, w);
            visit(w);
            i = w.End;
            break;
        }
        case GLetter: {
            Word w{K::G, c, at(i), at(i + 1), at(GNumberEnd(b, i))};
            if constexpr (!ReadsValues)
                for (size_t k = w.Value; k < w.End; ++k)
                    w.Number = w.Number || IsDigit(b[k]) || b[k] == u'.';
            visit(w);
            i = w.End;
            break;
        }
        case Open: {
            const size_t close = b.find(u')', i + 1);
            Word w{K::Comment, c, at(i), at(i + 1), at(close == b.npos ? n : close + 1)};
            visit(w);
            if (close == b.npos) return true;
            i = close + 1;
            break;
        }
        case Digits: {
            const size_t end = DigitsEnd(b, i);
            Word w{K::Digits, c, at(i), at(i + 1), at(end)};
            visit(w);
            i = end;
            break;
        }
        case OLetter: { // a program number only at the very start of a line; a G after it is skipped
            const size_t from = i;
            if (i <= 1) i = DigitsEnd(b, i) - 1;
            if (i + 1 < n && b[i + 1] == u'G') ++i;
            ++i;
            Word w{K::Program, c, at(from), at(from + 1), at(i)};
            visit(w);
            break;
        }
        case Slash:
            if (blockDelete && i < 7) {
                Word w{K::BlockDelete, c, at(i), at(i + 1), at(n)};
                visit(w);
                return false;
            }
            ++i;
            break;
        default: // Unread
            Word w{K::Unread, c, at(i), at(i + 1), at(i + 1)};
            visit(w);
            ++i;
            break;
        }
    }
    return false;
}

} // namespace interp::words
