// SPDX-License-Identifier: GPL-3.0-or-later
// The sequence (N) and program (O) numbers of the text, for the P-Q contours, G70 and M98/M99.

#include "base/Machine.h"
#include "iso/IsoInternal.h"

namespace iso {

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The number after the letter at `k` (digits only), or -1.
double DigitsAt(std::u16string_view t, size_t k) {
    double n = 0;
    bool any = false;
    for (; k < t.size() && IsDigit(t[k]); ++k) {
        n = n * 10 + (t[k] - u'0');
        any = true;
    }
    return any ? n : -1;
}

// Every block's leading N or O number, with the NextBlockPos that reads the block.
void Index(Machine& m) {
    IsoState& iso = m.S.Iso;
    iso.Indexed = true;
    const std::u16string_view t = m.Ui.ProgramText();
    size_t line = 0;
    while (line < t.size()) {
        size_t k = line;
        while (k < t.size() && (t[k] == u' ' || t[k] == u'\t' || t[k] == u'\n' || t[k] == u'/'))
            ++k;
        const int64_t pos = static_cast<int64_t>(line) + 1; // 1-based, as NextBlockPos counts
        if (k < t.size()) {
            const char16_t c = t[k];
            if (c == u'N' || c == u'n') {
                const double n = DigitsAt(t, k + 1);
                if (n >= 0) iso.Sequences.push_back({n, pos});
            } else if (c == u'O' || c == u'o' || c == u':') {
                const double n = DigitsAt(t, k + 1);
                if (n >= 0) iso.Programs.push_back({n, pos});
            }
        }
        const size_t crlf = t.find(u"\r\n", line);
        if (crlf == std::u16string_view::npos) break;
        line = crlf + 1; // the LF begins the next block, as the block reader takes it
    }
}

} // namespace

int64_t FindSequence(Machine& m, double n) {
    IsoState& iso = m.S.Iso;
    if (!iso.Indexed) Index(m);
    int64_t first = 0;
    for (const Label& l : iso.Sequences) {
        if (l.Number != n) continue;
        if (l.Pos > m.S.BlockEndPos) return l.Pos;
        if (first == 0) first = l.Pos;
    }
    return first;
}

int64_t FindProgram(Machine& m, double n) {
    IsoState& iso = m.S.Iso;
    if (!iso.Indexed) Index(m);
    for (const Label& l : iso.Programs)
        if (l.Number == n) return l.Pos;
    return 0;
}

std::u16string_view BlockAt(Machine& m, int64_t pos, int64_t& next) {
    const std::u16string_view t = m.Ui.ProgramText();
    const size_t from = pos < 1 ? 0 : static_cast<size_t>(pos - 1);
    const size_t crlf = from < t.size() ? t.find(u"\r\n", from) : std::u16string_view::npos;
    if (crlf == std::u16string_view::npos) {
        next = 0;
        return {};
    }
    next = static_cast<int64_t>(crlf) + 2;
    return t.substr(from, crlf - from);
}

} // namespace iso
