// SPDX-License-Identifier: GPL-3.0-or-later
// Advice about the program text: the four text findings, the block scanner's reading of words,
// and the marks that let plain blocks go unscanned.

#include "advice/Advice.h"
#include "advice/Rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

using namespace advice;

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The lines of one finding's results for `text`.
std::vector<int64_t> Lines(void (*rule)(const ProgramText&, Sink&), const std::string& text) {
    const std::u16string wide = U(text);
    const ProgramText program(wide);
    std::vector<Finding> out;
    Sink sink(out, "x", Severity::Warning);
    rule(program, sink);
    std::vector<int64_t> lines;
    for (const Finding& f : out)
        lines.push_back(f.Line);
    return lines;
}

using V = std::vector<int64_t>;

} // namespace

TEST(NoCrLf, LineBreaksWithoutOneCrLfPair) {
    EXPECT_EQ(Lines(NoCrLf, "G00 X10.\nM30\n"), V{1});     // LF only
    EXPECT_EQ(Lines(NoCrLf, "G00 X10.\rM30\r"), V{1});     // CR only
    EXPECT_EQ(Lines(NoCrLf, "G00 X10.\n\rM30\n\r"), V{1}); // LF CR is no pair
    EXPECT_EQ(Lines(NoCrLf, "G00 X10.\nM30\r\n"), V{});    // one pair is enough: that block runs
    EXPECT_EQ(Lines(NoCrLf, "G00 X10."), V{});             // no line break at all: another finding
    EXPECT_EQ(Lines(NoCrLf, ""), V{});
    EXPECT_EQ(Rules()[0].Code, "no-crlf");
    EXPECT_EQ(Rules()[0].Level, Severity::Error);
}

TEST(UnterminatedLastLine, TextAfterTheLastCrLfOtherThanBlanksAndPercent) {
    EXPECT_EQ(Lines(UnterminatedLastLine, "G00 X10.\r\nM30"), V{2});
    EXPECT_EQ(Lines(UnterminatedLastLine, "G00 X10.\r\n\r\n  M30  "), V{3});
    EXPECT_EQ(Lines(UnterminatedLastLine, "G00 X10."), V{1}); // the only line never runs
    // Near misses: a final "%" without a line break, blanks, nothing.
    EXPECT_EQ(Lines(UnterminatedLastLine, "M30\r\n%"), V{});
    EXPECT_EQ(Lines(UnterminatedLastLine, "M30\r\n% \t"), V{});
    EXPECT_EQ(Lines(UnterminatedLastLine, "M30\r\n%\r\n"), V{});
    EXPECT_EQ(Lines(UnterminatedLastLine, ""), V{});
    // LF-only text is the no-crlf finding's.
    EXPECT_EQ(Lines(UnterminatedLastLine, "G00\nM30"), V{});
}

TEST(LowerCaseAddress, LowerCaseLetterBeforeANumberOncePerLine) {
    EXPECT_EQ(Lines(LowerCaseAddress, "g01 x20. z-5.\r\nG01 X1.\r\nG01 z.5\r\n"), (V{1, 3}));
    EXPECT_EQ(Lines(LowerCaseAddress, "G01 X20. f+0.2\r\n"), V{1});
    // Near misses: words in comments (also continued on a later line), letters before letters.
    EXPECT_EQ(Lines(LowerCaseAddress, "(rough x20.)\r\nG00 X1. (feed\r\nx1 y2) M30\r\n"), V{});
    EXPECT_EQ(Lines(LowerCaseAddress, "G00 X1. ; the end\r\n"), V{});
    // After a closed comment the text is read again.
    EXPECT_EQ(Lines(LowerCaseAddress, "(A) x1.\r\n"), V{1});
}

TEST(UnclosedComment, OpenBracketNotClosedOnItsLine) {
    EXPECT_EQ(Lines(UnclosedComment, "G00 (ROUGH\r\nG01 X1.)\r\nM30\r\n"), V{1});
    EXPECT_EQ(Lines(UnclosedComment, "G00 X1.\r\n(NEVER CLOSED\r\nM30\r\n"), V{2});
    EXPECT_EQ(Lines(UnclosedComment, "G00 X1. (AT THE END"), V{1});
    // Near misses: closed on the line; a "(" inside a comment opens nothing; lone LF is no line end.
    EXPECT_EQ(Lines(UnclosedComment, "(ROUGH) G00 X1.\r\n(A (B) C\r\n"), V{});
    EXPECT_EQ(Lines(UnclosedComment, "(A\nB)\r\n"), V{});
    // Two comments, the second one unclosed.
    EXPECT_EQ(Lines(UnclosedComment, "(A)\r\n(B\r\n)\r\n"), V{2});
}

TEST(TextFindings, ComeInLineOrderWithTheirCodes) {
    const std::u16string text = U("g01 x1.\r\n(OPEN\r\nM30");
    ProgramText program(text, true, true);
    const std::vector<Finding> f = TextFindings(program);
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].Line, 1);
    EXPECT_EQ(f[0].Code, "lower-case-address");
    EXPECT_EQ(f[1].Line, 2);
    EXPECT_EQ(f[1].Code, "unclosed-comment");
    EXPECT_EQ(f[2].Line, 3);
    EXPECT_EQ(f[2].Code, "unterminated-last-line");
    EXPECT_EQ(f[2].Level, Severity::Warning);
}

namespace {

std::string Bare(const std::string& block, bool inComment = false, bool blockDelete = false) {
    BlockWords w;
    ScanBlockWords(U(block), inComment, blockDelete, w);
    std::string out;
    for (const BlockWords::BareWord& b : w.BareWords)
        out += std::string(1, b.Letter) + (b.Kind == BlockWords::Bare::NoValue ? "!" : "0");
    return out;
}

std::vector<double> GCodes(const std::string& block) {
    BlockWords w;
    ScanBlockWords(U(block), false, false, w);
    return w.GCodes;
}

} // namespace

TEST(ScanBlockWords, ReadsWordsAsTheControlDoes) {
    EXPECT_EQ(Bare("G01 X Z-10."), "X0");
    EXPECT_EQ(Bare("G01 X10.Z"), "Z0");     // a letter at the end of the block
    EXPECT_EQ(Bare("G X10."), "G0");        // G alone acts as G00
    EXPECT_EQ(Bare("M"), "M0");             // M alone is M00
    EXPECT_EQ(Bare("XVC1"), "X!");          // a capital right after: no value; VC1 is skipped
    EXPECT_EQ(Bare("X-VC1"), "X0");         // the rest after the operator is skipped, X reads 0
    EXPECT_EQ(Bare("X[1+2] Z=5. F.2"), ""); // brackets, "=" and a leading point are numbers
    // The forms that mean something: TG, TL, SB; a number after them is a value.
    EXPECT_EQ(Bare("TG5 TL3 TGL2 SB1000 T0101"), "");
    EXPECT_EQ(Bare("TG"), "T0");
    // Comments, also one carried over from the block before, and block delete.
    EXPECT_EQ(Bare("(X ) G00 X1."), "");
    EXPECT_EQ(Bare("X ) Z", true), "Z0");
    EXPECT_EQ(Bare("/X ", false, true), "");
    EXPECT_EQ(Bare("/X ", false, false), "X0");
    EXPECT_EQ(Bare("N10 /X ", false, true), "");      // "/" at the 5th character: still in reach
    EXPECT_EQ(Bare("N100000/X ", false, true), "X0"); // beyond the 7th it is ignored
    // N, O and V read digits of their own; lower case is ignored.
    EXPECT_EQ(Bare("O1000 N N5 V x"), "");
}

TEST(ScanBlockWords, GCodesAndWordsSwallowedBySkips) {
    EXPECT_EQ(GCodes("G00G01 G4 G04. G1.5"), (std::vector<double>{0, 1, 4, 4, 1.5}));
    EXPECT_EQ(GCodes("X10+ G70"), (std::vector<double>{})); // the skip after "+ " takes the G70
    EXPECT_EQ(GCodes("XA G70 Z1."), (std::vector<double>{70}));
    EXPECT_EQ(GCodes("O1G71"), (std::vector<double>{}));     // the G after a program number is skipped
    EXPECT_EQ(GCodes("G00 OG71"), (std::vector<double>{0})); // also after an O that is not read
    EXPECT_EQ(GCodes("G00 O5G71"), (std::vector<double>{0, 71}));
    BlockWords w;
    ScanBlockWords(u"G71 P10 Q20", false, false, w);
    EXPECT_TRUE(w.HasP);
    EXPECT_TRUE(w.HasQ);
    ScanBlockWords(u"G71 (P10 Q20) Q", false, false, w);
    EXPECT_FALSE(w.HasP);
    EXPECT_FALSE(w.HasQ);
    EXPECT_TRUE(!w.InCommentAfter);
    ScanBlockWords(u"G00 (OPEN", false, false, w);
    EXPECT_TRUE(w.InCommentAfter);
}

// The marks are found eight or sixteen characters at a time, also part by part on another
// thread; they must be exactly the characters the reference rule names, and a block without one
// must read as plain words.
TEST(ProgramText, MarksAgreeWithTheReferenceRuleAndPlainBlocksReadPlain) {
    const std::u16string alphabet = u"GXZFMPSTOQN0123456789.-+ ()#/*=[],ag\r\n\t\u00e9\u52a0\x7f";
    const std::vector<std::u16string> pieces = {u"G01 X12.5 Z-3. F0.2\r\n",
                                                u"G00",
                                                u"G03",
                                                u"G04",
                                                u"G009",
                                                u"G1",
                                                u"X-",
                                                u"X+.5",
                                                u"TG5",
                                                u"(A)",
                                                u"\r\n",
                                                u"x1"};
    std::mt19937 rng(11);
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        const size_t length = rng() % 400;
        while (text.size() < length)
            text += rng() % 2 ? pieces[rng() % pieces.size()]
                              : std::u16string(1, alphabet[rng() % alphabet.size()]);
        std::vector<ProgramText::Mark> marks;
        std::vector<size_t> blockMarks, lastOfLine; // every block mark; the last of each line
        int64_t line = 1, lastLine = 0;
        for (size_t k = 0; k < text.size(); ++k) {
            const char16_t c = text[k];
            if (c == u'(' || c == u')' || c == u'#' || (c >= u'a' && c <= u'z'))
                marks.push_back({k, line, c});
            if (IsBlockMark(text, k)) {
                blockMarks.push_back(k);
                if (lastLine == line) lastOfLine.pop_back();
                lastOfLine.push_back(k);
                lastLine = line;
            }
            if (c == u'\r' && k + 1 < text.size() && text[k + 1] == u'\n') ++line;
        }
        for (bool wide : {true, false}) {
            const ProgramText program(text, wide);
            ASSERT_EQ(program.Marks, marks) << round << wide;
            ASSERT_EQ(program.BlockMarks, lastOfLine) << round << wide;
            // Marked in uneven steps, as a run does, the marks are the same.
            ProgramText steps(text, wide, true);
            for (size_t to = 0; to < text.size(); to += rng() % 50)
                steps.MarkTo(to);
            steps.MarkTo(text.size());
            ASSERT_EQ(steps.Marks, marks) << round << wide;
            ASSERT_EQ(steps.BlockMarks, lastOfLine) << round << wide;
            // Marked in small parts on another thread and taken over as a run asks, block by
            // block in text order, then at places before and after; the block marks are then
            // kept for the part the run is in only.
            MarksAhead ahead(text, wide, 1 + rng() % 70);
            ProgramText fed(text, ahead);
            ProgramText lazy(text, wide, true);
            std::thread marking([&ahead] { ahead.Produce(); });
            const auto markedIn = [&](size_t start, size_t end) {
                return std::any_of(blockMarks.begin(), blockMarks.end(),
                                   [&](size_t m) { return m >= start && m < end; });
            };
            size_t start = 0;
            for (size_t end = text.find(u"\r\n"); end != std::u16string::npos;
                 start = end + 1, end = text.find(u"\r\n", start)) {
                ASSERT_EQ(fed.MarkedIn(start, end), markedIn(start, end)) << round << wide << start;
                ASSERT_EQ(lazy.MarkedIn(start, end), markedIn(start, end)) << round << wide << start;
            }
            // Blocks anywhere, from anywhere in their line (a run from the caret).
            for (int ask = 0; ask < 20 && !text.empty(); ++ask) {
                const size_t b = text.find(u"\r\n", rng() % text.size());
                if (b == std::u16string::npos) break;
                const size_t line = text.rfind(u"\r\n", b == 0 ? 0 : b - 1);
                const size_t from = line == std::u16string::npos || line >= b ? 0 : line + 1;
                const size_t a = from + rng() % (b - from + 1);
                ASSERT_EQ(fed.MarkedIn(a, b), markedIn(a, b)) << round << wide << a << b;
                ASSERT_EQ(lazy.MarkedIn(a, b), markedIn(a, b)) << round << wide << a << b;
            }
            fed.MarkTo(text.size());
            marking.join();
            ASSERT_EQ(fed.Marks, marks) << round << wide;
        }
        // Every block (up to a CR LF) without a mark reads as plain words.
        size_t from = 0;
        for (size_t end = text.find(u"\r\n"); end != std::u16string::npos; end = text.find(u"\r\n", from)) {
            const bool marked = std::any_of(blockMarks.begin(), blockMarks.end(),
                                            [&](size_t m) { return m >= from && m < end; });
            if (!marked) {
                BlockWords w;
                ScanBlockWords(std::u16string_view(text).substr(from, end - from), false, false, w);
                EXPECT_TRUE(w.BareWords.empty() && !w.HasQ) << round;
                for (double g : w.GCodes)
                    EXPECT_TRUE(g != 4 && !(g >= 70 && g < 80) && g == static_cast<int>(g)) << round;
            }
            from = end + 1; // the next block begins with the LF
        }
    }
}
