// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Awkward program files: every line-ending mix, NUL, byte order marks, Shift_JIS, Latin-1 high
// bytes, the characters the pane's document takes for structure, a last line without a line break.

#include <QByteArray>
#include <QString>

#include <vector>

namespace awkward {

inline QByteArray Utf8(const char16_t* text) {
    return QString::fromUtf16(text).toUtf8();
}

struct Awkward {
    const char* Name;
    QByteArray Bytes;
};

inline std::vector<Awkward> Corpus() {
    QByteArray every;
    for (int i = 0; i < 256; ++i)
        every += char(i);
    return {
        {"CR LF", "O0001\r\nG00 X10. Z5.\r\nM30\r\n"},
        {"LF only", "O0001\nG00 X10.\nM30\n"},
        {"CR only", "O0001\rG00 X10.\rM30\r"},
        {"CR LF, LF and CR mixed", "O0001\r\nG00 X1.\nG01 Z-2.\rG01 X3.\r\n\r\n\n\r\rM30\r\n"},
        {"no line break at the end", "G00 X1.\r\nG01 Z-2."},
        {"empty", ""},
        {"NUL bytes", QByteArray("G00\0X1.\r\n\0\r\nM30", 16)},
        {"UTF-8 byte order mark", "\xef\xbb\xbfO0001\r\nM30\r\n"},
        {"UTF-16 with its mark", QByteArray("\xff\xfeG\0\r\0\n\0M\0", 10)},
        {"Shift_JIS comment", "(\x89\xf1\x93\x5d \x83\x65\x83\x58\x83\x67)\r\nG00 X0.\r\n"},
        // Trail bytes that are letters or '\' belong to their character, not to the block.
        {"Shift_JIS trail bytes that look like words",
         "(\x83X\x83Z\x95\\)\r\nG01 X\x82\x60\x83N1.\r\nM30\x1a\r\n"},
        {"Shift_JIS katakana, circled digits, IBM kanji, user-defined",
         "(\xb6\xc3\xb8\xde \x87\x40\xfa\x5c\xf0\x40)\r\nG00 X1.\r\n"},
        // A second pair for a character the code page writes otherwise cannot save back: Latin-1.
        {"Shift_JIS with a pair written otherwise", "(\x82\xa0\x87\x90)\r\nG00 X1.\r\n"},
        {"Shift_JIS cut short", "(\x82\xa0)\r\nG00 X1.\x82"},
        {"Latin-1 high bytes", "(\xe9\xe8\xa0\xb6)\r\nG00 X1.\n" + every},
        {"separators and frame marks",
         Utf8(u"(\u2029)\r\nG00\u2028X1.\nG01\uFDD0Z2.\r(\uFDD1)\r\n\u2029\u2029\r\nM30\u2028")},
        {"their glyphs as plain characters",
         Utf8(u"(\u00b6\u21b5\uFFFD)\r\n\u00b6\u2029\u21b5\u2028\uFFFD\uFDD0\r\n")},
    };
}

} // namespace awkward
