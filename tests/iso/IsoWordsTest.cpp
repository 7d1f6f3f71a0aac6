// SPDX-License-Identifier: GPL-3.0-or-later
// How the ISO control cuts blocks into words: the readings a misread would turn into a wrong
// move (signs, points, several G words, comments, block delete, macro statements).

#include "iso/IsoWords.h"

#include <gtest/gtest.h>

namespace {

using iso::ReadWords;

TEST(IsoWords, NumbersWithSignsPointsAndSeveralGWords) {
    const iso::Words w = ReadWords(u"\nN20G01G42X-.5Z+12U3 F.08 M03M08 (X99. ROUGH) T0101", false);
    EXPECT_EQ(w.NG, 2);
    EXPECT_EQ(w.G[0], 1);
    EXPECT_EQ(w.G[1], 42);
    EXPECT_DOUBLE_EQ(w.Value('X'), -0.5);
    EXPECT_DOUBLE_EQ(w.Value('Z'), 12);
    EXPECT_DOUBLE_EQ(w.Value('F'), 0.08);
    EXPECT_DOUBLE_EQ(w.Value('T'), 101);
    EXPECT_DOUBLE_EQ(w.Value('N'), 20);
    EXPECT_EQ(w.NM, 2);
    EXPECT_EQ(w.M[1], 8);
    EXPECT_TRUE(w.HasPoint('X'));
    EXPECT_FALSE(w.HasPoint('Z')); // "+12": whole units, and named as such by the executor
    EXPECT_FALSE(w.HasPoint('U'));
    EXPECT_FALSE(w.HasWord('W'));
    EXPECT_FALSE(w.Macro || w.Corner || w.Bare);
}

TEST(IsoWords, CommentsSemicolonsAndLowerCaseReadNoWords) {
    const iso::Words w = ReadWords(u"G00 (Z5. is a comment) x10. Z2.; X99.", false);
    EXPECT_FALSE(w.HasWord('X')); // lower case is passed over, the rest after ";" too
    EXPECT_DOUBLE_EQ(w.Value('Z'), 2);
    const iso::Words open = ReadWords(u"G01 X5. (no close Z9.", false);
    EXPECT_DOUBLE_EQ(open.Value('X'), 5);
    EXPECT_FALSE(open.HasWord('Z'));
}

TEST(IsoWords, BlockDeleteOnlyWithTheSwitch) {
    EXPECT_TRUE(ReadWords(u"  /G00 X10.", true).Deleted);
    EXPECT_FALSE(ReadWords(u"  /G00 X10.", true).HasWord('X'));
    const iso::Words off = ReadWords(u"/G00 X10.", false);
    EXPECT_TRUE(off.Deleted);
    EXPECT_DOUBLE_EQ(off.Value('X'), 10);
}

TEST(IsoWords, MacroStatementsChamfersAndBareLettersAreMarked) {
    EXPECT_TRUE(ReadWords(u"#100=5.", false).Macro);
    EXPECT_TRUE(ReadWords(u"G01 X#100", false).Macro);
    EXPECT_TRUE(ReadWords(u"X[#1+2.]", false).Macro);
    EXPECT_TRUE(ReadWords(u"IF [#1 GT 5] GOTO 10", false).Macro);
    EXPECT_TRUE(ReadWords(u"WHILE [#1 LT 3] DO1", false).Macro);
    const iso::Words corner = ReadWords(u"G01 X30. ,C1. F0.1", false);
    EXPECT_TRUE(corner.Corner);
    EXPECT_DOUBLE_EQ(corner.Value('F'), 0.1); // the words after it are still read
    const iso::Words bare = ReadWords(u"G01 X Z-3.", false);
    EXPECT_TRUE(bare.Bare);
    EXPECT_EQ(bare.BareLetter, 'X');
    EXPECT_FALSE(bare.HasWord('X'));
}

// Values from a source of variables: "#n" is n, "#0" vacant, "[..]" 7; the reader must hand
// over the sign, skip a vacant word without taking it for a bare letter, and go on after it.
class Numbers final : public iso::ValueSource {
  public:
    bool Read(char letter, std::u16string_view b, size_t& k, double& value) override {
        Letters += letter;
        const bool minus = b[k] == u'-';
        if (minus || b[k] == u'+') ++k;
        double v = 7;
        if (b[k] == u'[') {
            k = b.find(u']', k) + 1;
        } else {
            v = 0;
            for (++k; k < b.size() && b[k] >= u'0' && b[k] <= u'9'; ++k)
                v = v * 10 + (b[k] - u'0');
            if (v == 0) return false;
        }
        value = minus ? -v : v;
        return true;
    }
    std::string Letters;
};

TEST(IsoWords, WordValuesFromVariables) {
    Numbers n;
    const iso::Words w = ReadWords(u"G#1 X-#12 Z[#1+2.] U#0 W3 ,C#2 F#4", false, &n);
    EXPECT_EQ(n.Letters, "GXZUCF");
    EXPECT_FALSE(w.Macro || w.Bare);
    EXPECT_EQ(w.NG, 1);
    EXPECT_EQ(w.G[0], 1);
    EXPECT_DOUBLE_EQ(w.Value('X'), -12);
    EXPECT_DOUBLE_EQ(w.Value('Z'), 7);
    EXPECT_TRUE(w.HasPoint('Z')); // a variable's value is no whole-millimetre number
    EXPECT_FALSE(w.HasWord('U')); // vacant: as if not written
    EXPECT_DOUBLE_EQ(w.Value('W'), 3);
    EXPECT_TRUE(w.Corner);
    EXPECT_DOUBLE_EQ(w.CornerValue, 2);
    EXPECT_DOUBLE_EQ(w.Value('F'), 4);
    // Without a source the same block is a macro block, read no further as words.
    EXPECT_TRUE(ReadWords(u"G01 X-#12", false).Macro);
}

} // namespace
