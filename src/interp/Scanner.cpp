// SPDX-License-Identifier: GPL-3.0-or-later
// Cutting the program text into blocks and the block into address words.

#include "interp/Scanner.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "interp/Interpreter.h"
#include "interp/Words.h"

#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace interp {

namespace {

// The first CR LF at or after `from`, or npos. Eight characters at a time where the processor
// allows, since nearly every character of a block is passed over here; then one by one (a
// plain loop: the library's search for a two-character needle is several times slower).
size_t FindCrLf(std::u16string_view text, size_t from) {
    size_t k = from;
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(u'\r'), lf = _mm_set1_epi16(u'\n');
    for (; k + 9 <= text.size(); k += 8) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + k));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + k + 1));
        const int pairs =
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi16(here, cr), _mm_cmpeq_epi16(next, lf)));
        if (pairs != 0) return k + static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(pairs))) / 2;
    }
#endif
    for (; k + 1 < text.size(); ++k)
        if (text[k] == u'\r' && text[k + 1] == u'\n') return k;
    return std::u16string_view::npos;
}

} // namespace

bool ReadNextBlock(Machine& m, bool highlight) {
    MachineState& s = m.S;
    // 1-2. The first CR LF at or after NextBlockPos.
    const std::u16string_view text = m.Ui.ProgramText();
    const int64_t from = s.NextBlockPos < 1 ? 0 : s.NextBlockPos - 1;
    const size_t at = FindCrLf(text, static_cast<size_t>(from));
    // 3. Without one there is no further block: a last line without a line break never runs.
    if (at == std::u16string_view::npos) {
        s.BlockEndPos = 0;
        return false;
    }
    s.BlockEndPos = static_cast<int64_t>(at) + 1;
    // 4. The block is the text up to (not including) the CR LF.
    const int64_t length = s.BlockEndPos - s.NextBlockPos;
    if (length > 0)
        s.BlockText.assign(text.substr(static_cast<size_t>(s.NextBlockPos - 1), length));
    else
        s.BlockText.clear();
    // 5-6.
    ++s.BlockCount;
    if (highlight) m.Ui.HighlightBlock(s.NextBlockPos - 1, length > 0 ? length : 0);
    // 7. NextBlockPos now stands on the LF, which begins the next block.
    s.NextBlockPos = s.BlockEndPos + 1;
    return true;
}

void ReadDigits(Machine& m) {
    MachineState& s = m.S;
    const std::u16string_view b(s.BlockText.data(), static_cast<size_t>(s.BlockLen));
    const size_t end = words::DigitsEnd(b, static_cast<size_t>(s.ScanPos - 1));
    s.WordText.clear();
    // Only ASCII reaches a word; anything else stands for itself as '?'.
    for (size_t k = static_cast<size_t>(s.ScanPos); k < end; ++k)
        s.WordText.push_back(b[k] < 0x80 ? static_cast<char>(b[k]) : '?');
    s.ScanPos = static_cast<int64_t>(end);
}

void ReadGNumber(Machine& m) {
    MachineState& s = m.S;
    const std::u16string_view b(s.BlockText.data(), static_cast<size_t>(s.BlockLen));
    const size_t end = words::GNumberEnd(b, static_cast<size_t>(s.ScanPos - 1));
    s.WordText.clear();
    for (size_t k = static_cast<size_t>(s.ScanPos); k < end; ++k)
        s.WordText.push_back(static_cast<char>(b[k]));
    s.ScanPos = static_cast<int64_t>(end);
}

void ScanBlock(Machine& m, BlockFlags& flags) {
    MachineState& s = m.S;
    using words::Word;
    const std::u16string_view b(s.BlockText.data(), static_cast<size_t>(s.BlockLen));
    // Comments (also one carried over), block delete and V words need nothing more here.
    s.InComment = words::ScanWords<true>(b, s.InComment, s.BlockDelete, [&](Word& w) {
        switch (w.What) {
        case Word::Kind::Program: // the program number, only at the very start of a line
            if (w.Start <= 1)
                s.ProgramNumber = std::u16string(b.substr(w.Value, words::DigitsEnd(b, w.Start) - w.Value));
            break;
        case Word::Kind::Digits:
            // A fresh string moved in: cheaper than assigning the characters into the old one.
            if (w.Letter == u'N') s.SequenceNumber = std::u16string(b.substr(w.Value, w.End - w.Value));
            break;
        case Word::Kind::G: // applied at once: a later G of the same group wins
            // "G1", "G01": the digits are the code (as Val reads them), without the text or the
            // call.
            if (const size_t n = w.End - w.Value;
                n >= 1 && n <= 2 && words::IsDigit(b[w.Value]) && words::IsDigit(b[w.End - 1])) {
                s.GWord = n == 1 ? b[w.Value] - u'0' : (b[w.Value] - u'0') * 10 + (b[w.Value + 1] - u'0');
            } else {
                s.WordText.clear();
                for (size_t k = w.Value; k < w.End; ++k)
                    s.WordText.push_back(static_cast<char>(b[k]));
                s.GWord = legacy::Val(s.WordText);
            }
            ApplyGWord(m);
            break;
        case Word::Kind::Address:
            ReadAddressWord(m, w, flags);
            break;
        default:
            break;
        }
    });
    s.ScanPos = s.BlockLen + 1;
}

} // namespace interp
