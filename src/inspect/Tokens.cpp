// SPDX-License-Identifier: GPL-3.0-or-later
// The pane colours what the control reads, word for word (interp/Words.h); on top of that a slash
// before the first word and lower-case words, which the control passes over but the operator
// meant as words.

#include "inspect/Tokens.h"
#include "interp/Words.h"

namespace inspect {

namespace {

bool NumberChar(char16_t c) {
    return interp::words::IsDigit(c) || c == u'.' || c == u'-' || c == u'+';
}
bool Lower(char16_t c) {
    return c >= u'a' && c <= u'z';
}

// The text between the control's words: [from, to) of `line`.
void LooseTokens(std::u16string_view line, uint32_t from, uint32_t to, bool& started,
                 std::vector<Token>& out) {
    for (uint32_t i = from; i < to; ++i) {
        const char16_t c = line[i];
        if (c == u'/' && !started) {
            out.push_back({i, 1, Token::Kind::Slash});
            continue;
        }
        if (!interp::words::IsBlank(c)) started = true;
        if (!Lower(c)) continue;
        uint32_t j = i + 1;
        while (j < to && NumberChar(line[j]))
            ++j;
        if (c == u'o' || c == u'n') {
            out.push_back({i, j - i, Token::Kind::Word});
        } else {
            out.push_back({i, 1, Token::Kind::Address});
            if (j > i + 1) out.push_back({i + 1, j - i - 1, Token::Kind::Number});
        }
        i = j - 1;
    }
}

} // namespace

std::vector<Token> TokensOf(std::u16string_view line, bool& inComment) {
    using interp::words::Word;
    std::vector<Token> out;
    uint32_t covered = 0; // the characters before it are coloured
    bool started = false; // a word or sign before: a slash there is no block delete
    inComment = interp::words::ScanWords(line, inComment, false, [&](const Word& w) {
        LooseTokens(line, covered, w.Start, started, out);
        covered = w.End;
        switch (w.What) {
        case Word::Kind::Comment:
            out.push_back({w.Start, w.End - w.Start, Token::Kind::Comment});
            return;
        case Word::Kind::Program:
        case Word::Kind::Digits:
            out.push_back({w.Start, w.End - w.Start, Token::Kind::Word});
            break;
        case Word::Kind::G:
        case Word::Kind::Address:
            out.push_back({w.Start, w.Value - w.Start, Token::Kind::Address});
            // The rest of a word without a number is skipped unread: no number to colour.
            if (!w.NoValue && w.End > w.Value) out.push_back({w.Value, w.End - w.Value, Token::Kind::Number});
            break;
        default:
            break;
        }
        started = true;
    });
    LooseTokens(line, covered, static_cast<uint32_t>(line.size()), started, out);
    return out;
}

} // namespace inspect
