// The block's words as the control's scanner reads them: the same comments, block delete, program
// number, digit readers and skipped rests of words, so that a letter counts as a word exactly
// when the control reads it as one. Only the extent of each word is followed, not its value
// (the G words excepted).

#include "advice/Advice.h"
#include "base/Legacy.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace advice {

namespace {

inline bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
inline bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
inline bool InNumberRange(char16_t c) {
    return c >= u'+' && c <= u'9';
}
inline bool IsCapital(char16_t c) {
    return c >= u'A' && c <= u'Z';
}

// What a character means to the scan loop; most characters (digits, blanks, points, signs) mean
// nothing by themselves and are passed over in one step.
enum Kind : uint8_t { Plain, Open, Address, GWord, OWord, Slash, Digits, QWord };

constexpr std::array<uint8_t, 128> MakeKinds() {
    std::array<uint8_t, 128> k{};
    for (char c : std::string_view("XYZCABMRSFTLDPHIKUW"))
        k[static_cast<unsigned char>(c)] = Address;
    k['('] = Open;
    k['G'] = GWord;
    k['O'] = OWord;
    k['/'] = Slash;
    k['N'] = Digits;
    k['V'] = Digits;
    k['Q'] = QWord;
    return k;
}
constexpr std::array<uint8_t, 128> Kinds = MakeKinds();

inline uint8_t KindOf(char16_t c) {
    return c < 128 ? Kinds[c] : uint8_t{Plain};
}

// Value of the digits after a G: the usual whole codes directly, anything else as the control
// reads a number.
double GValue(std::u16string_view run) {
    if (!run.empty() && run.size() <= 3) {
        int v = 0;
        bool whole = true;
        for (char16_t c : run) {
            whole = whole && IsDigit(c);
            v = v * 10 + (c - u'0');
        }
        if (whole) return v;
    }
    return legacy::Val(run);
}

// Index of the character before the next blank at or after `from`, or the last index: where a
// skipped rest of a word ends.
size_t SkipToBlank(std::u16string_view b, size_t from) {
    for (size_t k = from; k < b.size(); ++k)
        if (IsBlank(b[k])) return k - 1;
    return b.size() - 1;
}

// The digit reader of O, N and V: returns the index after the last character it consumes.
size_t DigitsEnd(std::u16string_view b, size_t letter) {
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

// The value reader after the letter at `at`: returns the index after the last character it
// consumes, and whether a number (a digit or a point) was among the characters it evaluated.
size_t ValueEnd(std::u16string_view b, size_t at, BlockWords::Bare& kind, bool& number) {
    size_t k = at + 1;
    number = false;
    if (k < b.size() && IsCapital(b[k])) {
        kind = BlockWords::Bare::NoValue;
        return SkipToBlank(b, k + 1) + 1;
    }
    kind = BlockWords::Bare::ReadsZero;
    // The usual "12.5" or "-64.9" first; the general loop below ends it the same way.
    if (k + 1 < b.size() && (b[k] == u'-' || b[k] == u'+') && (IsDigit(b[k + 1]) || b[k + 1] == u'.')) ++k;
    for (; k < b.size() && (IsDigit(b[k]) || b[k] == u'.'); ++k)
        number = true;
    for (; k < b.size(); ++k) {
        const char16_t c = b[k];
        if (c == u'+' || c == u'-' || c == u'*' || c == u'/') {
            const char16_t next = k + 1 < b.size() ? b[k + 1] : u'\0';
            if (!(IsDigit(next) || next == u'.' || next == u'[' || next == u']'))
                return SkipToBlank(b, k + 2) + 1; // the rest of the word is skipped unread
            continue;
        }
        if (c < u'*' || (c > u'9' && c != u'=' && c != u'[' && c != u']')) return k;
        if (IsDigit(c) || c == u'.') number = true;
    }
    return k;
}

} // namespace

void ScanBlockWords(std::u16string_view b, bool inComment, bool blockDelete, BlockWords& out) {
    out.GCodes.clear();
    out.BareWords.clear();
    out.HasP = out.HasQ = false;
    out.InCommentAfter = false;
    const size_t n = b.size();
    size_t i = 0;
    if (inComment) { // a comment carried over from an earlier block
        const size_t close = b.find(u')');
        if (close == std::u16string_view::npos) {
            out.InCommentAfter = true;
            return;
        }
        i = close + 1;
    }
    while (i < n) {
        const char16_t c = b[i];
        const uint8_t kind = KindOf(c);
        if (kind == Plain) {
            ++i;
        } else if (kind == Address) {
            size_t at = i;
            if (c == u'S' && at + 1 < n && b[at + 1] == u'B') ++at; // SB: the spindle word for SBWord
            if (c == u'T') {                                        // TG and TL: forms of the T word
                if (at + 1 < n && b[at + 1] == u'G') ++at;
                if (at + 1 < n && b[at + 1] == u'L') ++at;
            }
            BlockWords::Bare bare;
            bool number;
            i = ValueEnd(b, at, bare, number);
            if (c == u'P') out.HasP = true;
            // A macro variable after the letter (X#501) is said once for the whole program.
            const bool macro = at + 1 < n && (b[at + 1] == u'#' || b[at + 1] == u'[');
            if (!number && !macro) out.BareWords.push_back({static_cast<char>(c), bare});
        } else if (kind == GWord) {
            size_t k = i + 1;
            bool number = false;
            for (; k < n && InNumberRange(b[k]); ++k)
                number = number || IsDigit(b[k]) || b[k] == u'.';
            out.GCodes.push_back(GValue(b.substr(i + 1, k - i - 1)));
            if (!number) out.BareWords.push_back({'G', BlockWords::Bare::ReadsZero});
            i = k;
        } else if (kind == Open) {
            const size_t close = b.find(u')', i + 1);
            if (close == std::u16string_view::npos) {
                out.InCommentAfter = true;
                return;
            }
            i = close + 1;
        } else if (kind == Digits) {
            i = DigitsEnd(b, i);
        } else if (kind ==
                   OWord) { // a program number only at the very start of a line; a G after it is skipped
            if (i <= 1) i = DigitsEnd(b, i) - 1;
            if (i + 1 < n && b[i + 1] == u'G') ++i;
            ++i;
        } else if (kind == Slash) {
            if (blockDelete && i < 7) return;
            ++i;
        } else { // QWord
            if (i + 1 < n && InNumberRange(b[i + 1])) out.HasQ = true;
            ++i;
        }
    }
}

} // namespace advice
