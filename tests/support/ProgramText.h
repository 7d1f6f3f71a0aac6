// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program's text as the editor holds it, from its blocks: each ended by CR LF.

#include <string>
#include <vector>

inline std::u16string Program(const std::vector<std::string>& blocks) {
    std::u16string text;
    for (const std::string& b : blocks) {
        text += std::u16string(b.begin(), b.end());
        text += u"\r\n";
    }
    return text;
}
