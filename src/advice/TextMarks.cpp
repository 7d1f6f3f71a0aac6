// One pass over the program text that notes where the findings must look: comment brackets and
// lower-case letters, and the characters that make a block more than plain words. Eight
// characters at a time where the processor allows; the character-by-character rule is the
// reference, and the tests hold both to the same answer.

#include "advice/Advice.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace advice {

namespace {

inline bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
inline bool IsLower(char16_t c) {
    return c >= u'a' && c <= u'z';
}
inline bool IsCommentOrLower(char16_t c) {
    return c == u'(' || c == u')' || IsLower(c);
}

void MarkRange(std::u16string_view text, size_t from, size_t to, ProgramText& out) {
    for (size_t k = from; k < to; ++k) {
        if (IsCommentOrLower(text[k])) out.Marks.push_back(k);
        if (IsBlockMark(text, k)) out.BlockMarks.push_back(k);
    }
}

#if defined(__SSE2__)
// Sixteen characters as signed bytes: ASCII stays itself, anything beyond it becomes 127 or -128,
// which the marks treat alike.
inline __m128i Bytes(const char16_t* p) {
    return _mm_packs_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)));
}
inline __m128i Eq(__m128i v, char c) {
    return _mm_cmpeq_epi8(v, _mm_set1_epi8(c));
}
inline __m128i Range(__m128i v, char lo, char hi) {
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                         _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
}

// The two marks of the sixteen characters at `p` (p[16..18] must exist), one bit a character.
void ChunkMarks(const char16_t* p, unsigned& commentOrLower, unsigned& block) {
    const __m128i v = Bytes(p), v1 = Bytes(p + 1), v2 = Bytes(p + 2), v3 = Bytes(p + 3);
    const __m128i digitPoint1 = _mm_or_si128(Range(v1, '0', '9'), Eq(v1, '.'));
    const __m128i number1 = _mm_or_si128(digitPoint1, _mm_or_si128(Eq(v1, '+'), Eq(v1, '-')));
    const __m128i sign = _mm_or_si128(Eq(v, '+'), Eq(v, '-'));
    const __m128i brackets = _mm_or_si128(Eq(v, '('), Eq(v, ')'));
    __m128i special = _mm_or_si128(brackets, _mm_or_si128(Eq(v, '/'), Eq(v, '*')));
    special = _mm_or_si128(
        special, _mm_or_si128(_mm_or_si128(Eq(v, '='), Eq(v, '[')), _mm_or_si128(Eq(v, ']'), Eq(v, ','))));
    special = _mm_or_si128(special, _mm_or_si128(Eq(v, 'O'), Eq(v, 'Q')));
    special = _mm_or_si128(
        special, _mm_or_si128(_mm_cmplt_epi8(v, _mm_setzero_si128()), _mm_cmpgt_epi8(v, _mm_set1_epi8(126))));
    const __m128i capitalBare = _mm_andnot_si128(number1, Range(v, 'A', 'Z'));
    const __m128i signBare = _mm_andnot_si128(digitPoint1, sign);
    // G00 to G03: "G", "0", one of "0" to "3", then no digit.
    const __m128i plainG =
        _mm_andnot_si128(Range(v3, '0', '9'), _mm_and_si128(Eq(v1, '0'), Range(v2, '0', '3')));
    const __m128i otherG = _mm_andnot_si128(plainG, Eq(v, 'G'));
    const __m128i marks = _mm_or_si128(_mm_or_si128(special, capitalBare), _mm_or_si128(signBare, otherG));
    block = static_cast<unsigned>(_mm_movemask_epi8(marks));
    commentOrLower = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(brackets, Range(v, 'a', 'z'))));
}
#endif

} // namespace

bool IsBlockMark(std::u16string_view text, size_t at) {
    const auto next = [&](size_t k) { return at + k < text.size() ? text[at + k] : u'\0'; };
    const char16_t c = text[at];
    switch (c) {
    case u'(':
    case u')':
    case u'/':
    case u'*':
    case u'=':
    case u'[':
    case u']':
    case u',':
    case u'O':
    case u'Q':
        return true;
    case u'+':
    case u'-':
        return !(IsDigit(next(1)) || next(1) == u'.');
    case u'G':
        return !(next(1) == u'0' && next(2) >= u'0' && next(2) <= u'3' && !IsDigit(next(3)));
    default:
        break;
    }
    if (c >= 127) return true; // DEL and anything beyond ASCII
    if (c >= u'A' && c <= u'Z') {
        const char16_t n = next(1);
        return !(IsDigit(n) || n == u'.' || n == u'+' || n == u'-');
    }
    return false;
}

ProgramText::ProgramText(std::u16string_view text) : Text(text) {
    size_t k = 0;
#if defined(__SSE2__)
    for (; k + 19 <= text.size(); k += 16) {
        unsigned commentOrLower, block;
        ChunkMarks(text.data() + k, commentOrLower, block);
        for (; commentOrLower; commentOrLower &= commentOrLower - 1)
            Marks.push_back(k + static_cast<size_t>(__builtin_ctz(commentOrLower)));
        for (; block; block &= block - 1)
            BlockMarks.push_back(k + static_cast<size_t>(__builtin_ctz(block)));
    }
#endif
    MarkRange(text, k, text.size(), *this);
}

} // namespace advice
