#include "inspect/Tokens.h"

namespace inspect {

namespace {

bool Digit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool NumberChar(char16_t c) {
    return Digit(c) || c == u'.' || c == u'-' || c == u'+';
}
bool Letter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

} // namespace

std::vector<Token> TokensOf(std::u16string_view line, bool& inComment) {
    std::vector<Token> out;
    const uint32_t n = static_cast<uint32_t>(line.size());
    uint32_t i = 0;
    bool started = false; // a word or sign before: a slash there is no block delete
    while (i < n) {
        const char16_t c = line[i];
        if (inComment || c == u'(') {
            const uint32_t from = i;
            if (!inComment) ++i;
            inComment = true;
            while (i < n && line[i] != u')')
                ++i;
            if (i < n) ++i, inComment = false;
            out.push_back({from, i - from, Token::Kind::Comment});
            continue;
        }
        if (c == u'/' && !started) {
            out.push_back({i, 1, Token::Kind::Slash});
            ++i;
            continue;
        }
        if (c != u' ' && c != u'\t') started = true;
        if (Letter(c)) {
            uint32_t j = i + 1;
            while (j < n && NumberChar(line[j]))
                ++j;
            const bool word = c == u'O' || c == u'N' || c == u'o' || c == u'n';
            if (word) {
                out.push_back({i, j - i, Token::Kind::Word});
            } else {
                out.push_back({i, 1, Token::Kind::Address});
                if (j > i + 1) out.push_back({i + 1, j - i - 1, Token::Kind::Number});
            }
            i = j;
            continue;
        }
        if (NumberChar(c)) {
            uint32_t j = i + 1;
            while (j < n && NumberChar(line[j]))
                ++j;
            out.push_back({i, j - i, Token::Kind::Number});
            i = j;
            continue;
        }
        ++i;
    }
    return out;
}

} // namespace inspect
