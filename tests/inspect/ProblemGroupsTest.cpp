// SPDX-License-Identifier: GPL-3.0-or-later
// The problems list's grouping of repeated findings, and the text edits of the quick fixes.

#include "inspect/Inspection.h"
#include "inspect/QuickFix.h"

#include <gtest/gtest.h>

using namespace inspect;

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

std::u16string Applied(std::u16string text, const std::vector<TextEdit>& edits) {
    for (auto e = edits.rbegin(); e != edits.rend(); ++e)
        text.replace(e->At, e->Length, e->Text);
    return text;
}

} // namespace

TEST(GroupProblems, RepeatedAlarmsAndFindingsBecomeOneRowEach) {
    // Past the plus limit of X from line 2 on: every later block repeats the alarm; the lower
    // case finding repeats on two lines with the same letter, once with another.
    std::string program = "G00 X10. Z0. S500 M03\r\n";
    for (int k = 0; k < 40; ++k)
        program += "G01 X600. Z" + std::to_string(-k) + ". F0.2\r\n";
    program += "g00 X10.\r\ng00 X20.\r\nx30.\r\nM30\r\n";
    const InspectionResult r = RunInspection(U(program), {});
    ASSERT_EQ(r.Counts.Alarms, 40u);
    ASSERT_EQ(r.Groups.size(), 3u);
    const ProblemGroup& limit = r.Groups[0];
    EXPECT_EQ(limit.Members.size(), 40u);
    EXPECT_EQ(limit.FirstLine, 2);
    EXPECT_EQ(limit.LastLine, 41);
    const Problem& first = r.Problems[limit.Members.front()];
    EXPECT_EQ(first.Line, 2); // the first occurrence's line
    EXPECT_EQ(first.Code, "limit-plus-x");
    EXPECT_NE(first.Explanation.find("plus soft limit of X"), std::string::npos);
    EXPECT_EQ(r.Groups[1].Members.size(), 2u);
    EXPECT_EQ(r.Groups[1].FirstLine, 42);
    EXPECT_EQ(r.Groups[1].LastLine, 43);
    EXPECT_EQ(r.Groups[2].Members.size(), 1u); // "x" is another message
    // Advice is explained by its code's line of the registry.
    EXPECT_EQ(r.Problems[r.Groups[2].Members[0]].Explanation,
              findings::Lookup("lower-case-address")->Explanation);
    // The counts stay those of every problem.
    EXPECT_EQ(ProblemCounts(r.Counts), "40 alarms, 3 warnings");
}

TEST(QuickFix, EachFindingWithOneRepairHasItsEdit) {
    EXPECT_EQ(FixFor("no-crlf"), QuickFix::LineEndsCrLf);
    EXPECT_EQ(FixFor("no-program-end"), QuickFix::AddProgramEnd);
    EXPECT_EQ(FixFor("long-dwell"), QuickFix::None);
    // Capitals outside comments, also a comment carried over a line; nothing else changes.
    const std::u16string text = U("g01 x10.(keep g01\r\nthis) z-5. f.2\r\n(a)m30\r\n");
    EXPECT_EQ(Applied(text, UpperCaseEdits(text)), U("G01 X10.(keep g01\r\nthis) Z-5. F.2\r\n(a)M30\r\n"));
    EXPECT_TRUE(UpperCaseEdits(U("G01 X10. (open\r\nall lower)")).empty());
    // M30 before the closing "%", after a line break of its own, or at the end.
    const auto end = [](const std::string& t) { return Applied(U(t), {ProgramEndEdit(U(t))}); };
    EXPECT_EQ(end("%\r\nG00 X1.\r\n%\r\n"), U("%\r\nG00 X1.\r\nM30\r\n%\r\n"));
    EXPECT_EQ(end("G00 X1.\r\n% \r\n\r\n"), U("G00 X1.\r\nM30\r\n% \r\n\r\n"));
    EXPECT_EQ(end("G00 X1.\r\nG00 X2."), U("G00 X1.\r\nG00 X2.\r\nM30\r\n"));
    EXPECT_EQ(end("G00 X1.\r\n"), U("G00 X1.\r\nM30\r\n"));
    EXPECT_EQ(Applied(U("G00\r\nM30"), {LineBreakEdit(U("G00\r\nM30"))}), U("G00\r\nM30\r\n"));
}
