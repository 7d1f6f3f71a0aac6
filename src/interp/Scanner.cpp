// Cutting the program text into blocks and the block into address words.

#include "interp/Scanner.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "interp/Interpreter.h"

#include <string_view>

namespace interp {

namespace {

inline bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t';
}
// The character range that makes up numbers in the control's eyes: + , - . / and the digits.
inline bool InNumberRange(char16_t c) {
    return c >= u'+' && c <= u'9';
}

} // namespace

bool ReadNextBlock(Machine& m, bool highlight) {
    MachineState& s = m.S;
    // 1-2. The first CR LF at or after NextBlockPos.
    const std::u16string_view text = m.Ui.ProgramText();
    const int64_t from = s.NextBlockPos < 1 ? 0 : s.NextBlockPos - 1;
    size_t at = std::u16string_view::npos;
    // A plain loop: the library's search for a two-character needle is several times slower.
    for (size_t k = static_cast<size_t>(from); k + 1 < text.size(); ++k)
        if (text[k] == u'\r' && text[k + 1] == u'\n') {
            at = k;
            break;
        }
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
    s.WordText.clear();
    bool begun = false;
    int64_t k = s.ScanPos + 1;
    for (; k <= s.BlockLen; ++k) {
        const char16_t c = s.BlockText[k - 1];
        if (IsBlank(c)) break;
        if (InNumberRange(c))
            begun = true;
        else if (begun)
            break;
        // Only ASCII reaches a word; anything else stands for itself as '?'.
        s.WordText.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    s.ScanPos = k - 1;
}

void ReadGNumber(Machine& m) {
    MachineState& s = m.S;
    s.WordText.clear();
    int64_t k = s.ScanPos + 1;
    while (k <= s.BlockLen && InNumberRange(s.BlockText[k - 1])) {
        s.WordText.push_back(static_cast<char>(s.BlockText[k - 1]));
        ++k;
    }
    s.ScanPos = k - 1;
}

// ReadDigits for the text fields: the characters it consumed exactly as written (WordText holds
// ASCII only).
static std::u16string ReadDigitsText(Machine& m) {
    const int64_t from = m.S.ScanPos;
    ReadDigits(m);
    return m.S.BlockText.substr(static_cast<size_t>(from), static_cast<size_t>(m.S.ScanPos - from));
}

// Handles a comment that starts at ScanPos or continues from an earlier block: leaves ScanPos on
// the closing ")" (the scan goes on after it) or at the end of the block.
static void SkipComment(MachineState& s) {
    const bool continues = s.InComment;
    s.InComment = true;
    int64_t k = continues ? s.ScanPos : s.ScanPos + 1;
    for (; k <= s.BlockLen; ++k) {
        if (s.BlockText[k - 1] == u')') {
            s.InComment = false;
            s.ScanPos = k;
            return;
        }
    }
    s.ScanPos = s.BlockLen;
}

void ScanBlock(Machine& m, BlockFlags& flags) {
    MachineState& s = m.S;
    for (s.ScanPos = 1; s.ScanPos <= s.BlockLen; ++s.ScanPos) {
        const char16_t c = s.BlockText[s.ScanPos - 1];
        // 1-2. Comments, also one carried over from an earlier block.
        if (c == u'(' || s.InComment) {
            SkipComment(s);
            continue;
        }
        switch (c) {
        case u')':
            s.InComment = false;
            break;
        case u'O': // 3. Program number, only at the very start of a line.
            if (s.ScanPos <= 2) s.ProgramNumber = ReadDigitsText(m);
            if (s.ScanPos < s.BlockLen && s.BlockText[s.ScanPos] == u'G') ++s.ScanPos;
            break;
        case u'/': // 4. Block delete, only near the start of the block.
            if (s.BlockDelete && s.ScanPos < 8) s.ScanPos = s.BlockLen;
            break;
        case u'N': // 5.
            s.SequenceNumber = ReadDigitsText(m);
            break;
        case u'G': // 6. Applied at once: a later G of the same group wins.
            ReadGNumber(m);
            s.GWord = legacy::Val(s.WordText);
            ApplyGWord(m);
            break;
        case u'V':
            ReadDigits(m);
            break; // 8. Read and discarded.
        default:
            if (c < 0x80 && IsAddressLetter(static_cast<char>(c)))
                ReadAddressWord(m, static_cast<char>(c), flags); // 7.
            break;                                               // 9. Anything else is ignored.
        }
    }
}

} // namespace interp
