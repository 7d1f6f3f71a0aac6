// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether bytes read as UTF-8: each lead byte followed by as many continuation bytes as it
// announces. Used where text of unknown origin (file names, comments, setup files) is written into
// UTF-8 reports, which show bytes that fail it as Latin-1 instead.

#include <cstddef>
#include <string_view>

namespace text {

inline bool LooksLikeUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

} // namespace text
