// SPDX-License-Identifier: GPL-3.0-or-later
// The one rule by which the window and the checker read program files: UTF-8, else Shift_JIS as
// the controls' PCs write it (code page 932) when it writes back to the same bytes, else Latin-1.

#include "check/Decode.h"
#include "text/ProgramEncoding.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using text::Encoding;

namespace {

struct File {
    const char* Name;
    std::string Bytes;
    Encoding Enc;
    std::u16string Text;
};

void PrintTo(const File& f, std::ostream* os) {
    *os << f.Name;
}

// "lead byte at the end" -> "LeadByteAtTheEnd", a name the test list can show.
std::string CaseName(const testing::TestParamInfo<File>& info) {
    std::string name;
    bool upper = true;
    for (const char* c = info.param.Name; *c; ++c) {
        if (!std::isalnum(static_cast<unsigned char>(*c))) {
            upper = true;
            continue;
        }
        name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
        upper = false;
    }
    return name;
}

class ReadAs : public testing::TestWithParam<File> {};

TEST_P(ReadAs, TheEncodingAndCharactersOfTheRule) {
    const File& f = GetParam();
    Encoding used{};
    EXPECT_EQ(text::Decode(f.Bytes, &used), f.Text);
    EXPECT_EQ(used, f.Enc);
    EXPECT_EQ(text::DetectEncoding(f.Bytes), f.Enc);
    // The checker reads exactly what the window reads.
    Encoding checkerUsed{};
    EXPECT_EQ(check::DecodeProgram(f.Bytes, &checkerUsed), f.Text);
    EXPECT_EQ(checkerUsed, f.Enc);
    // And writes it back byte for byte in the encoding it was read with.
    std::string again;
    ASSERT_TRUE(text::Encode(f.Text, f.Enc, again));
    EXPECT_EQ(again, f.Bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Utf8, ReadAs,
    testing::Values(File{"empty", "", Encoding::Utf8, u""},
                    File{"kanji comment", "G00 (\xE5\x8A\xA0\xE5\xB7\xA5)\r\n", Encoding::Utf8,
                         u"G00 (\u52A0\u5DE5)\r\n"},
                    // Beyond the Basic Multilingual Plane: two units, as the window counts.
                    File{"four-byte character", "(\xF0\x9F\x94\xA7)", Encoding::Utf8, u"(\U0001F527)"},
                    File{"byte order mark kept", "\xEF\xBB\xBFM30", Encoding::Utf8, u"\uFEFFM30"},
                    File{"noncharacters are characters", "\xEF\xBF\xBE\xEF\xB7\x90", Encoding::Utf8,
                         u"\uFFFE\uFDD0"},
                    File{"control bytes", std::string("\x1A\x1C\x7F\0", 4), Encoding::Utf8,
                         std::u16string(u"\u001A\u001C\u007F\0", 4)}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    ShiftJis, ReadAs,
    testing::Values(
        // Each double-byte character is one unit, even when its trail byte is a letter or '\'.
        File{"trail byte a letter", "(\x83X)X1.\r\n", Encoding::ShiftJis, u"(\u30B9)X1.\r\n"},
        File{"trail byte a backslash", "(\x95\x5C)", Encoding::ShiftJis, u"(\u8868)"},
        File{"ideographic space and hiragana", "\x81\x40\x82\xA0", Encoding::ShiftJis, u"\u3000\u3042"},
        // The code page's own choices where Shift_JIS tables differ.
        File{"wave dash and minus sign", "\x81\x60\x81\x7C", Encoding::ShiftJis, u"\uFF5E\uFF0D"},
        File{"half-width katakana", "\xB6\xDF", Encoding::ShiftJis, u"\uFF76\uFF9F"},
        File{"NEC row 13", "\x87\x40\x87\x82", Encoding::ShiftJis, u"\u2460\u2116"},
        File{"IBM extension", "\xFA\x40\xFA\x5C\xFC\x4B", Encoding::ShiftJis, u"\u2170\u7E8A\u9ED1"},
        File{"user-defined rows", "\xF0\x40\xF0\x80\xF9\xFC", Encoding::ShiftJis, u"\uE000\uE03F\uE757"},
        // A control byte in a Shift_JIS file is the same character as in any other file.
        File{"control bytes", "\x1A\x1C\x7F\x82\xA0", Encoding::ShiftJis, u"\u001A\u001C\u007F\u3042"},
        // An overlong UTF-8 form is no UTF-8, but two half-width katakana.
        File{"overlong UTF-8", "\xC0\xAF", Encoding::ShiftJis, u"\uFF80\uFF6F"}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Latin1, ReadAs,
    testing::Values(File{"bytes no code page has", "X\xFF\x80\r\n", Encoding::Latin1, u"X\u00FF\u0080\r\n"},
                    File{"a lead byte at the end", "G00\x82", Encoding::Latin1, u"G00\u0082"},
                    File{"a lead byte before a blank", "\x82 X", Encoding::Latin1, u"\u0082 X"},
                    File{"a lead byte before DEL", "\x82\x7F", Encoding::Latin1, u"\u0082\u007F"},
                    File{"an empty row", "\x85\x40", Encoding::Latin1, u"\u0085\u0040"},
                    // A second pair for a character already written otherwise would not save back to the
                    // same bytes: such a file is no Shift_JIS.
                    File{"NEC row 13 again of row 2", "\x87\x90", Encoding::Latin1, u"\u0087\u0090"},
                    File{"NEC-selected kanji again of the IBM rows", "\xED\x40", Encoding::Latin1,
                         u"\u00ED\u0040"},
                    File{"not sign again", "\xEE\xF9", Encoding::Latin1, u"\u00EE\u00F9"},
                    File{"surrogate in UTF-8 form", "\xED\xA0\x80", Encoding::Latin1, u"\u00ED\u00A0\u0080"},
                    File{"beyond Unicode", "\xF4\x90\x80\x80", Encoding::Latin1, u"\u00F4\u0090\u0080\u0080"},
                    File{"UTF-8 cut short", "\xF0\x9F\x94", Encoding::Latin1, u"\u00F0\u009F\u0094"}),
    CaseName);

// The double-byte pairs the rule takes, by lead and trail byte.
std::vector<std::string> AcceptedPairs() {
    std::vector<std::string> pairs;
    for (int lead = 0x80; lead <= 0xFF; ++lead)
        for (int trail = 0; trail <= 0xFF; ++trail) {
            const std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            Encoding used{};
            if (text::Decode(pair, &used).size() == 1 && used == Encoding::ShiftJis) pairs.push_back(pair);
        }
    return pairs;
}

TEST(Decode, EveryShiftJisPairIsOneCharacterThatWritesBackToItsBytes) {
    const std::vector<std::string> pairs = AcceptedPairs();
    // The code page has 9,206 characters that write back to their own two bytes (7,326 tabled,
    // 1,880 user-defined); fewer means a lost row, more a pair that would not save back.
    EXPECT_EQ(pairs.size(), 9206u);
    std::u16string seen;
    for (const std::string& pair : pairs) {
        const std::u16string c = text::Decode(pair);
        std::string back;
        ASSERT_TRUE(text::Encode(c, Encoding::ShiftJis, back)) << std::hex << int(c[0]);
        EXPECT_EQ(back, pair) << std::hex << int(c[0]);
        seen += c;
    }
    // No two pairs give the same character.
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
}

TEST(Decode, PlainRunsAndTheByteThatDecidesForTheWholeFile) {
    // Plain text is widened in runs; a byte of another kind anywhere, at a run's edge or inside
    // it, decides for the whole file and is read in its place.
    for (size_t length : {0u, 1u, 31u, 32u, 33u, 63u, 64u, 65u, 10000u}) {
        SCOPED_TRACE(length);
        const std::string plain(length, 'X');
        const std::u16string wide(length, u'X');
        Encoding e{};
        EXPECT_EQ(text::Decode(plain + "\xC3\xA9" + plain, &e), wide + u"\u00E9" + wide);
        EXPECT_EQ(e, Encoding::Utf8);
        EXPECT_EQ(text::Decode(plain + "\x82\xA0" + plain, &e), wide + u"\u3042" + wide);
        EXPECT_EQ(e, Encoding::ShiftJis);
        EXPECT_EQ(text::Decode(plain + "\xFF" + plain, &e), wide + u"\u00FF" + wide);
        EXPECT_EQ(e, Encoding::Latin1);
        EXPECT_EQ(text::Decode(plain, &e), wide);
        EXPECT_EQ(e, Encoding::Utf8);
    }
}

TEST(Decode, AProgramFileReadInPiecesIsTheTextOfItsWholeBytes) {
    // The checker widens plain ASCII as it reads and gathers the bytes whole from the first other
    // byte on: wherever that byte falls (first, across the edge of a piece, last), the text is
    // the one the whole file decodes to.
    const std::string path = ::testing::TempDir() + "zarvik_read_in_pieces.min";
    const size_t piece = size_t{1} << 16;
    for (size_t at : {size_t{0}, piece - 1, piece, 3 * piece - 1, 3 * piece + 7})
        for (const std::string other : {"", "\xC3\xA9", "\x82\xA0", "\xFF"}) {
            std::string bytes;
            for (size_t k = 0; bytes.size() < 3 * piece + 8; ++k)
                bytes += "N" + std::to_string(k) + " G01 X1. Z-2.\r\n";
            bytes.resize(3 * piece + 8);
            bytes.insert(std::min(at, bytes.size()), other);
            { std::ofstream(path, std::ios::binary) << bytes; }
            std::u16string text;
            std::string why;
            ASSERT_TRUE(check::ReadProgram(path, text, why)) << why;
            EXPECT_TRUE(text == text::Decode(bytes)) << at << " " << other.size();
        }
    std::remove(path.c_str());
}

TEST(Encode, RefusesWhatTheEncodingCannotWriteAndSaysWhere) {
    std::string out;
    // Latin-1 writes U+0000 to U+00FF.
    EXPECT_TRUE(text::Encode(u"(\u00E9\u00FF)", Encoding::Latin1, out));
    EXPECT_EQ(out, "(\xE9\xFF)");
    EXPECT_FALSE(text::Encode(u"G00 (\u0100)", Encoding::Latin1, out));
    EXPECT_EQ(text::FirstUnencodable(u"G00 (\u0100)", Encoding::Latin1), 5);

    // Shift_JIS: no yen sign or overline of its own (0x5C and 0x7E stay ASCII), no byte order
    // mark, nothing beyond the Basic Multilingual Plane (the pair is reported at its first unit).
    EXPECT_TRUE(text::Encode(u"\\~\u3042\uFF76\uE000", Encoding::ShiftJis, out));
    EXPECT_EQ(out, "\\~\x82\xA0\xB6\xF0\x40");
    EXPECT_EQ(text::FirstUnencodable(u"X\u00A5", Encoding::ShiftJis), 1);
    EXPECT_EQ(text::FirstUnencodable(u"\uFEFFX", Encoding::ShiftJis), 0);
    EXPECT_EQ(text::FirstUnencodable(u"\u3042\U0001F527", Encoding::ShiftJis), 1);
    EXPECT_EQ(text::FirstUnencodable(u"\u3042\u00E9", Encoding::ShiftJis), 1);
    EXPECT_EQ(text::FirstUnencodable(u"\u3042\u2252\u7E8A", Encoding::ShiftJis), -1);
    EXPECT_TRUE(text::Encode(u"\u2252\u7E8A\uFFE2", Encoding::ShiftJis, out));
    EXPECT_EQ(out, "\x81\xE0\xFA\x5C\x81\xCA"); // the pairs the code page writes

    // UTF-8 writes every character; a lone surrogate is none.
    EXPECT_TRUE(text::Encode(u"\uFEFF\u00E9\U0001F527", Encoding::Utf8, out));
    EXPECT_EQ(out, "\xEF\xBB\xBF\xC3\xA9\xF0\x9F\x94\xA7");
    const std::u16string lone{u'A', char16_t(0xDC00), u'B', char16_t(0xD800)};
    EXPECT_EQ(text::FirstUnencodable(lone, Encoding::Utf8), 1);
    EXPECT_EQ(text::FirstUnencodable(lone.substr(2), Encoding::Utf8), 1);
    EXPECT_FALSE(text::Encode(lone, Encoding::Utf8, out));
    // The labels' UTF-8 writes the same bytes, and a lone surrogate as its own three.
    EXPECT_EQ(text::Utf8(u"\uFEFF\u00E9\U0001F527"), "\xEF\xBB\xBF\xC3\xA9\xF0\x9F\x94\xA7");
    EXPECT_EQ(text::Utf8(lone), "A\xED\xB0\x80"
                                "B\xED\xA0\x80");
}

} // namespace
