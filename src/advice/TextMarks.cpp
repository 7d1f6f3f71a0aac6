// SPDX-License-Identifier: GPL-3.0-or-later
// One pass over the program text that notes where the findings must look: comment brackets,
// "#" and lower-case letters, and the characters that make a block more than plain words. Eight
// characters at a time where the processor allows; the character-by-character rule is the
// reference, and the tests hold both to the same answer.

#include "advice/Advice.h"
#include "interp/GCodes.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <immintrin.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace advice {

namespace {

inline bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
inline bool IsLower(char16_t c) {
    return c >= u'a' && c <= u'z';
}
// A G written with two digits that still makes its block more than plain words: a dwell (the
// display puts the motion code back after it, so the code after the block is not the one it ran)
// and G70 to G79 (the cycles other controls mean by them). The character rule and the wide
// patterns below test exactly this; the table must not hold a dwell they would let pass.
constexpr bool MarkedTwoDigitG(int code) {
    return code == 4 || code / 10 == 7;
}
constexpr bool MarksEveryDwell() {
    for (int code = 0; code < 100; ++code)
        for (int dialect = 0; dialect < 2; ++dialect)
            if (interp::gtable::Table[dialect][code].Kind == interp::GKind::Dwell && !MarkedTwoDigitG(code))
                return false;
    return true;
}
static_assert(MarksEveryDwell(), "a two-digit dwell code must mark its block");

inline bool IsNoted(char16_t c) {
    return c == u'(' || c == u')' || c == u'#' || IsLower(c);
}
inline bool CrLfAt(std::u16string_view text, size_t k) {
    return text[k] == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n';
}

// A block mark at `pos`: it replaces the one before when that is on the same line (at or after
// `lineFrom`, where the line begins).
inline void AddBlockMark(std::vector<size_t>& marks, size_t pos, size_t lineFrom) {
    if (!marks.empty() && marks.back() >= lineFrom)
        marks.back() = pos;
    else
        marks.push_back(pos);
}

// Notes the marks of one chunk from its bit masks (bit i = the character at `at` + i); `pairs`
// has bit i set where a CR LF pair begins. `lines` counts the pairs before the chunk, `lineFrom`
// is where the line the chunk begins in begins.
inline void Note(ProgramText& out, size_t at, uint64_t noted, uint64_t block, uint64_t pairs, int64_t& lines,
                 size_t& lineFrom) {
    for (; noted; noted &= noted - 1) {
        const int bit = __builtin_ctzll(noted);
        const int64_t before = __builtin_popcountll(pairs & ((uint64_t{1} << bit) - 1));
        out.Marks.push_back(
            {at + static_cast<size_t>(bit), lines + before + 1, out.Text[at + static_cast<size_t>(bit)]});
    }
    for (; block; block &= block - 1) {
        const int bit = __builtin_ctzll(block);
        const uint64_t before = pairs & ((uint64_t{1} << bit) - 1);
        if (before) lineFrom = at + static_cast<size_t>(64 - __builtin_clzll(before)); // after its CR
        AddBlockMark(out.BlockMarks, at + static_cast<size_t>(bit), lineFrom);
    }
    if (pairs) lineFrom = at + static_cast<size_t>(64 - __builtin_clzll(pairs));
    lines += __builtin_popcountll(pairs);
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

// The marks of the sixteen characters at `p` (p[16..18] must exist), one bit a character.
void ChunkMarks(const char16_t* p, uint64_t& noted, uint64_t& block, uint64_t& pairs) {
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
    // Plain G: two digits, then no digit; neither G04 nor G7x.
    const __m128i twoDigits =
        _mm_andnot_si128(Range(v3, '0', '9'), _mm_and_si128(Range(v1, '0', '9'), Range(v2, '0', '9')));
    const __m128i dwellOrCycle = _mm_or_si128(_mm_and_si128(Eq(v1, '0'), Eq(v2, '4')), Eq(v1, '7'));
    const __m128i plainG = _mm_andnot_si128(dwellOrCycle, twoDigits);
    const __m128i otherG = _mm_andnot_si128(plainG, Eq(v, 'G'));
    const __m128i marks = _mm_or_si128(_mm_or_si128(special, capitalBare), _mm_or_si128(signBare, otherG));
    block = static_cast<uint32_t>(_mm_movemask_epi8(marks));
    noted = static_cast<uint32_t>(
        _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(brackets, Eq(v, '#')), Range(v, 'a', 'z'))));
    pairs = static_cast<uint32_t>(_mm_movemask_epi8(_mm_and_si128(Eq(v, '\r'), Eq(v1, '\n'))));
}

// The same for thirty-two characters at a time (p[32..34] must exist), where the processor has
// the wider registers.
#define ZARVIK_AVX2 __attribute__((target("avx2")))
ZARVIK_AVX2 inline __m256i Bytes32(const char16_t* p) {
    const __m256i packed = _mm256_packs_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                              _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 16)));
    return _mm256_permute4x64_epi64(packed, 0xD8); // packing works per half; put the halves in order
}
// Each character 32 times over, read from memory: the chunk compares with more of them than there
// are registers, and a compiler that knows their values builds each anew for every chunk (three
// instructions) where a read folded into the compare costs none. So the table's address is
// hidden from it.
constexpr std::array<std::array<char, 32>, 128> MakeSplats() {
    std::array<std::array<char, 32>, 128> splats{};
    for (int c = 0; c < 128; ++c)
        for (char& b : splats[static_cast<size_t>(c)])
            b = static_cast<char>(c);
    return splats;
}
alignas(32) constexpr std::array<std::array<char, 32>, 128> Splats = MakeSplats();
ZARVIK_AVX2 inline __m256i Splat32(char c) {
    const char* table = Splats[0].data();
    asm("" : "+r"(table));
    return _mm256_load_si256(reinterpret_cast<const __m256i*>(table + 32 * static_cast<size_t>(c)));
}
ZARVIK_AVX2 inline __m256i Eq32(__m256i v, char c) {
    return _mm256_cmpeq_epi8(v, Splat32(c));
}
ZARVIK_AVX2 inline __m256i Range32(__m256i v, char lo, char hi) {
    return _mm256_and_si256(_mm256_cmpgt_epi8(v, Splat32(static_cast<char>(lo - 1))),
                            _mm256_cmpgt_epi8(Splat32(static_cast<char>(hi + 1)), v));
}

ZARVIK_AVX2 void ChunkMarks32(const char16_t* p, uint64_t& noted, uint64_t& block, uint64_t& pairs) {
    const __m256i v = Bytes32(p), v1 = Bytes32(p + 1), v2 = Bytes32(p + 2), v3 = Bytes32(p + 3);
    const __m256i digitPoint1 = _mm256_or_si256(Range32(v1, '0', '9'), Eq32(v1, '.'));
    const __m256i number1 = _mm256_or_si256(digitPoint1, _mm256_or_si256(Eq32(v1, '+'), Eq32(v1, '-')));
    const __m256i sign = _mm256_or_si256(Eq32(v, '+'), Eq32(v, '-'));
    const __m256i brackets = _mm256_or_si256(Eq32(v, '('), Eq32(v, ')'));
    __m256i special = _mm256_or_si256(brackets, _mm256_or_si256(Eq32(v, '/'), Eq32(v, '*')));
    special = _mm256_or_si256(special, _mm256_or_si256(_mm256_or_si256(Eq32(v, '='), Eq32(v, '[')),
                                                       _mm256_or_si256(Eq32(v, ']'), Eq32(v, ','))));
    special = _mm256_or_si256(special, _mm256_or_si256(Eq32(v, 'O'), Eq32(v, 'Q')));
    special = _mm256_or_si256(special, _mm256_or_si256(_mm256_cmpgt_epi8(_mm256_setzero_si256(), v),
                                                       _mm256_cmpgt_epi8(v, Splat32(126))));
    const __m256i capitalBare = _mm256_andnot_si256(number1, Range32(v, 'A', 'Z'));
    const __m256i signBare = _mm256_andnot_si256(digitPoint1, sign);
    const __m256i twoDigits = _mm256_andnot_si256(
        Range32(v3, '0', '9'), _mm256_and_si256(Range32(v1, '0', '9'), Range32(v2, '0', '9')));
    const __m256i dwellOrCycle =
        _mm256_or_si256(_mm256_and_si256(Eq32(v1, '0'), Eq32(v2, '4')), Eq32(v1, '7'));
    const __m256i plainG = _mm256_andnot_si256(dwellOrCycle, twoDigits);
    const __m256i otherG = _mm256_andnot_si256(plainG, Eq32(v, 'G'));
    const __m256i marks =
        _mm256_or_si256(_mm256_or_si256(special, capitalBare), _mm256_or_si256(signBare, otherG));
    block = static_cast<uint32_t>(_mm256_movemask_epi8(marks));
    noted = static_cast<uint32_t>(
        _mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(brackets, Eq32(v, '#')), Range32(v, 'a', 'z'))));
    pairs = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_and_si256(Eq32(v, '\r'), Eq32(v1, '\n'))));
}

ZARVIK_AVX2 size_t MarkAvx2(ProgramText& out, int64_t& lines, size_t& lineFrom, size_t k, size_t end) {
    for (; k < end && k + 35 <= out.Text.size(); k += 32) {
        uint64_t noted, block, pairs;
        ChunkMarks32(out.Text.data() + k, noted, block, pairs);
        Note(out, k, noted, block, pairs, lines, lineFrom);
    }
    return k;
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
    case u'G': // plain: two digits and no third, and not a code that marks its block
        return !(IsDigit(next(1)) && IsDigit(next(2)) && !IsDigit(next(3)) &&
                 !MarkedTwoDigitG((next(1) - u'0') * 10 + (next(2) - u'0')));
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

ProgramText::ProgramText(std::u16string_view text, bool wide, bool lazy) : Text(text) {
#if defined(__SSE2__)
    Wide = wide && __builtin_cpu_supports("avx2");
#else
    (void)wide;
#endif
    if (!lazy) MarkTo(text.size());
}

ProgramText::ProgramText(std::u16string_view text, MarksAhead& ahead) : Text(text), Ahead(&ahead) {}

void ProgramText::MarkTo(size_t end) {
    const std::u16string_view text = Text;
    end = std::min(end, text.size());
    if (Ahead) {
        // The last part ends at the end of the text, so the parts suffice. The block marks of the
        // part taken replace those of the one before.
        while (Marked < end) {
            MarksAhead::Part& part = Ahead->Take(Taken++);
            BlockMarks = std::move(part.BlockMarks);
            BlockMarksFrom = Marked;
            NextMark = 0;
            Marked = part.End;
        }
        // The marking thread is done with its own marks once it has handed over the last part.
        if (Taken == Ahead->Parts.size() && Marks.empty()) Marks = std::move(Ahead->Work.Marks);
        return;
    }
    size_t k = Marked;
#if defined(__SSE2__)
    if (Wide) k = MarkAvx2(*this, PairsBefore, LineFrom, k, end);
    for (; k < end && k + 19 <= text.size(); k += 16) {
        uint64_t noted, block, pairs;
        ChunkMarks(text.data() + k, noted, block, pairs);
        Note(*this, k, noted, block, pairs, PairsBefore, LineFrom);
    }
#endif
    // The last characters, which have too few after them for a chunk.
    for (; k < end; ++k) {
        if (IsNoted(text[k])) Marks.push_back({k, PairsBefore + 1, text[k]});
        if (IsBlockMark(text, k)) AddBlockMark(BlockMarks, k, LineFrom);
        if (CrLfAt(text, k)) ++PairsBefore, LineFrom = k + 1;
    }
    Marked = std::max(Marked, k);
}

bool ProgramText::MarkedInLookingUp(size_t start, size_t end) {
    // Marked a little ahead, in steps the cache holds; parts made ahead are taken as they are
    // needed.
    if (end > Marked) MarkTo(Ahead ? end : end + 16384);
    if (start < BlockMarksFrom) {
        // In a part given up already (a block across two parts): the characters themselves.
        for (size_t k = start; k < end && k < Text.size(); ++k)
            if (IsBlockMark(Text, k)) return true;
        return false;
    }
    // Blocks come in text order; a run that starts again looks the place up.
    if (NextMark > 0 && BlockMarks[NextMark - 1] >= start)
        NextMark = static_cast<size_t>(std::lower_bound(BlockMarks.begin(), BlockMarks.end(), start) -
                                       BlockMarks.begin());
    while (NextMark < BlockMarks.size() && BlockMarks[NextMark] < start)
        ++NextMark;
    return NextMark < BlockMarks.size() && BlockMarks[NextMark] < end;
}

MarksAhead::MarksAhead(std::u16string_view text, bool wide, size_t partChars)
    : Work(text, wide, true), PartChars(std::max<size_t>(partChars, 1)),
      Parts(std::max<size_t>((text.size() + PartChars - 1) / PartChars, 1)) {}

void MarksAhead::Produce() {
    try {
        // Room for more marks than a program has (one character in sixteen) is only address
        // space until the marks are written: growing instead would copy them and touch every page
        // twice over, and on a virtual machine a page's first touch costs more than its marking.
        Work.Marks.reserve(Work.Text.size() / 16);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
        // Whole huge pages of it, where the system gives them, take one touch for 512 pages.
        constexpr uintptr_t Huge = uintptr_t{2} << 20;
        const auto begin = reinterpret_cast<uintptr_t>(Work.Marks.data());
        const uintptr_t first = (begin + Huge - 1) & ~(Huge - 1);
        const uintptr_t last = (begin + Work.Marks.capacity() * sizeof(ProgramText::Mark)) & ~(Huge - 1);
        if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
        for (size_t i = 0; i < Parts.size(); ++i) {
            Work.MarkTo((i + 1) * PartChars); // the last part to the end of the text
            Part& part = Parts[i];
            part.BlockMarks.swap(Work.BlockMarks);
            part.End = Work.Marked;
            Done.store(i + 1, std::memory_order_release);
            Done.notify_one();
        }
    } catch (...) {
        Failure = std::current_exception();
        Done.store(Failed, std::memory_order_release);
        Done.notify_one();
    }
}

MarksAhead::Part& MarksAhead::Take(size_t index) {
    size_t done = Done.load(std::memory_order_acquire);
    while (done <= index) {
        Done.wait(done, std::memory_order_acquire);
        done = Done.load(std::memory_order_acquire);
    }
    if (done == Failed) std::rethrow_exception(Failure);
    return Parts[index];
}

} // namespace advice
