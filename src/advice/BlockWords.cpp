// SPDX-License-Identifier: GPL-3.0-or-later
// The block's words as the control's scanner reads them (interp/Words.h), reduced to what the
// findings need: the G codes and their values, the words without a number, P and Q.

#include "advice/Advice.h"
#include "base/Legacy.h"
#include "interp/Words.h"

namespace advice {

void ScanBlockWords(std::u16string_view b, bool inComment, bool blockDelete, BlockWords& out) {
    using interp::words::Word;
    out.GCodes.clear();
    out.BareWords.clear();
    out.HasP = out.HasQ = false;
    // Inlined into each word kind's branch of the scan: runs on every block with more than plain
    // words.
    out.InCommentAfter = interp::words::ScanWords(
        b, inComment, blockDelete, [&](const Word& w) __attribute__((always_inline)) {
            if (w.What == Word::Kind::Address) {
                if (w.Letter == u'P') out.HasP = true;
                // A macro variable after the letter (X#501) is said once for the whole program.
                const bool macro = w.Value < b.size() && (b[w.Value] == u'#' || b[w.Value] == u'[');
                if (!w.Number && !macro)
                    out.BareWords.push_back({static_cast<char>(w.Letter), w.NoValue
                                                                              ? BlockWords::Bare::NoValue
                                                                              : BlockWords::Bare::ReadsZero});
            } else if (w.What == Word::Kind::G) {
                out.GCodes.push_back(legacy::Val(b.substr(w.Value, w.End - w.Value)));
                if (!w.Number) out.BareWords.push_back({'G', BlockWords::Bare::ReadsZero});
            } else if (w.What == Word::Kind::Unread && w.Letter == u'Q') {
                // Q directly followed by a number: another control's word, which this one skips.
                if (w.End < b.size() && interp::words::InNumberRange(b[w.End])) out.HasQ = true;
            }
        });
}

} // namespace advice
