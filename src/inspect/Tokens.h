// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The words of a program line as the pane colours them: address letters, their numbers, the
// program and sequence words (O, N), comments and the block-delete slash.

#include <cstdint>
#include <string_view>
#include <vector>

namespace inspect {

struct Token {
    enum class Kind : uint8_t { Address, Number, Word, Comment, Slash };
    uint32_t Start = 0, Length = 0;
    Kind What = Kind::Address;
};

// The tokens of one line in order; `inComment` is whether the line starts inside a comment and
// is left as the line ends. Characters not in a token (spaces, other signs) get none.
std::vector<Token> TokensOf(std::u16string_view line, bool& inComment);

} // namespace inspect
