// SPDX-License-Identifier: GPL-3.0-or-later
// Advice about what a run does, watched through the checker's silent run: each finding with
// programs that trigger it and near misses that must not.

#include "advice/Advice.h"
#include "check/Checker.h"
#include "check/CheckerCli.h"
#include "support/CheckerRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

struct Checked {
    bool Fanuc = false;
    int16_t Unit = 1;
    bool BlockDelete = false;
    // Lines of the findings of `code` in `program`.
    std::vector<int64_t> Lines(const std::string& code, const std::string& program) const {
        check::CheckOptions o;
        o.Lathe.Fanuc = Fanuc;
        o.Lathe.Unit = Unit;
        o.BlockDelete = BlockDelete;
        std::vector<int64_t> lines;
        for (const advice::Finding& f : check::CheckProgram(U(program), o).Advice)
            if (f.Code == code) lines.push_back(f.Line);
        return lines;
    }
    std::vector<advice::Finding> All(const std::string& program) const {
        check::CheckOptions o;
        o.Lathe.Fanuc = Fanuc;
        o.Lathe.Unit = Unit;
        return check::CheckProgram(U(program), o).Advice;
    }
};

using V = std::vector<int64_t>;
const Checked Kvz;
const Checked Fanuc{true};

// Spindle on, feed per revolution: the usual start of a program.
const std::string Start = "G95 G97 S500 M03\r\nG00 X50. Z2.\r\n";

} // namespace

TEST(AddressWithoutValue, LettersReadAsWordsWithoutANumber) {
    const std::string code = "address-without-value";
    EXPECT_EQ(Kvz.Lines(code, "G00 X10. Z5.\r\nG01 X Z-10. F0.2\r\nM30\r\n"), V{2});
    EXPECT_EQ(Kvz.Lines(code, "G X10.\r\nM30\r\n"), V{1});
    EXPECT_EQ(Kvz.Lines(code, "G00 XVC1\r\nM30\r\n"), V{1});
    EXPECT_EQ(Kvz.Lines(code, "G00 X Z\r\nM30\r\n"), (V{1, 1})); // each word
    // Near misses: TG, SB, T, comments, block delete on, and a block after the end of the run.
    EXPECT_EQ(Kvz.Lines(code, "TG5 SB1000 T0101 S500\r\n(X Z)\r\nM30\r\nG01 X\r\n"), V{});
    const Checked skip{false, 1, true};
    EXPECT_EQ(skip.Lines(code, "/G01 X\r\nM30\r\n"), V{});
    EXPECT_EQ(Kvz.Lines(code, "/G01 X\r\nM30\r\n"), V{1});
    // A comment carried over from the line before hides the words, the ")" ends it.
    EXPECT_EQ(Kvz.Lines(code, "(OPEN\r\nX Z)\r\nX\r\nM30\r\n"), V{3});
}

TEST(ForeignCycle, OtherControlsCannedCycles) {
    const std::string code = "foreign-cycle";
    const auto messages = [](const std::vector<advice::Finding>& all) {
        std::string m;
        for (const advice::Finding& f : all)
            if (f.Code == "foreign-cycle") m += f.Message.substr(0, 3) + ";";
        return m;
    };
    EXPECT_EQ(
        messages(Kvz.All(Start + "G70 P10 Q20\r\nG76 P010060 Q100\r\nG71 U1. R0.5\r\nG71 P10 Q20 U0.2\r\n"
                                 "G72 W1. Q5\r\nG75 R0.5\r\nG75 X30. Z-20. P3000 Q2500 F0.1\r\nM30\r\n")),
        "G70;G76;G71;G72;G75;G75;");
    EXPECT_EQ(Kvz.Lines(code, Start + "G70\r\nX10.\r\nM30\r\n"), V{3}); // the block that says it
    EXPECT_EQ(Fanuc.Lines(code, Start + "G76 X10. Z-20.\r\nM30\r\n"), V{3});
    // Near misses: the thread cycles with H and D, the grooving cycles; a block never reached.
    EXPECT_EQ(Kvz.Lines(code, Start + "G71 X46. Z-24. D0.2 H0.92 F1.5\r\nG72 X26. Z-1. D0.25 H1. F2.\r\n"
                                      "G73 X44. Z-30. I2. F0.08\r\nM30\r\nG70\r\n"),
              V{});
    // The control such cycles are written for is named once a program, at the first of them.
    const std::string iso = Start + "G71 U1. R0.5\r\nG71 P10 Q20 U0.2 W0.1 F0.2\r\nN10 G00 X30.\r\n"
                                    "N20 G01 Z-10.\r\nG70 P10 Q20\r\nG76 P010060 Q100 R0.05\r\nM30\r\n";
    EXPECT_EQ(Kvz.Lines("other-control", iso), V{4});
    const std::vector<advice::Finding> all = Kvz.All(iso);
    const auto named =
        std::find_if(all.begin(), all.end(), [](const auto& f) { return f.Code == "other-control"; });
    ASSERT_NE(named, all.end());
    EXPECT_NE(named->Message.find("ISO (Fanuc-style) lathe control: check it with --control iso"),
              std::string::npos);
    EXPECT_EQ(Fanuc.Lines("other-control", Start + "G75 R0.5\r\nG76 P010060 Q100 R0.05\r\nM30\r\n"), V{4});
    EXPECT_EQ(Kvz.Lines("other-control", Start + "G71 P10 U0.2\r\nG75 X30. Z-20. P3000 F0.1\r\nM30\r\n"),
              V{});
}

TEST(LongDwell, MoreThanSixtySeconds) {
    const std::string code = "long-dwell";
    EXPECT_EQ(Kvz.Lines(code, Start + "G04 F61.\r\nG04 F60.\r\nG4 F2000.\r\nM30\r\n"), (V{3, 5}));
    // FANUC: P, U or the X word of the block, in seconds as written.
    EXPECT_EQ(Fanuc.Lines(code, Start + "G04 P2000.\r\nG04 U60.\r\nG04 U60.5\r\nM30\r\n"), (V{3, 5}));
    // X is gone from the state after the dwell: the time added tells, also after a long run.
    const std::string cuts = "G01 Z-190. F0.001\r\nZ2.\r\nZ-190.\r\n"; // some 20,000 s
    EXPECT_EQ(Fanuc.Lines(code, Start + cuts + "G04 X60.\r\nG04 X60.1\r\nM30\r\n"), V{7});
    // A G01 block after the dwell is no dwell, however large its F.
    EXPECT_EQ(Kvz.Lines(code, Start + "G04 F1.\r\nG01 X40. F100.\r\nM30\r\n"), V{});
}

TEST(FeedWhileStopped, FirstCutAfterEachStop) {
    const std::string code = "feed-while-stopped";
    EXPECT_EQ(Kvz.Lines(code, "G00 X50. Z2.\r\nG01 Z-10. F0.2 S500\r\nZ-20.\r\nM30\r\n"), V{2});
    EXPECT_EQ(Kvz.Lines(code, Start + "G01 Z-10. F0.2\r\nM05\r\nZ-20.\r\nZ-30.\r\nM03\r\nZ-40.\r\nM05\r\n"
                                      "G02 X60. Z-45. R5.\r\nM30\r\n"),
              (V{5, 10}));
    // Cycles count, threads too.
    EXPECT_EQ(Kvz.Lines(code, "G00 X50. Z2.\r\nG92 X45. Z-20. F0.2 S500\r\nM30\r\n"), V{2});
    EXPECT_EQ(Kvz.Lines(code, "G00 X50. Z2.\r\nG33 X48. Z-20. F1.5 S500\r\nM30\r\n"), V{2});
    // Near misses: rapid moves, an M block under G01 that moves nowhere, cutting with M03/M04.
    EXPECT_EQ(Kvz.Lines(code, "G00 X50. Z2.\r\nG00 X100.\r\nM30\r\n"), V{});
    EXPECT_EQ(Kvz.Lines(code, Start + "G01 Z-10. F0.2\r\nM09\r\nM05\r\nG00 X200.\r\nM30\r\n"), V{});
    EXPECT_EQ(Kvz.Lines(code, "M04 S500\r\nG00 X50. Z2.\r\nG01 Z-10. F0.2\r\nM30\r\n"), V{});
}

TEST(LargeFeedPerRev, PerMinuteValuesUnderG95) {
    const std::string code = "large-feed-per-rev";
    // F2.0 is the limit itself; the same F again is not said twice; a new F is.
    EXPECT_EQ(Kvz.Lines(code, Start + "G01 Z-10. F2.0\r\nZ-20. F2.5\r\nZ-30.\r\nX40. F0.2\r\nX30. F2.5\r\n"
                                      "M30\r\n"),
              (V{4, 7}));
    // Arcs, turning, grooving and drilling cycles count.
    EXPECT_EQ(Kvz.Lines(code, Start + "G02 X60. Z-5. R5. F150.\r\nM30\r\n"), V{3});
    EXPECT_EQ(Kvz.Lines(code, Start + "G73 X44. Z-30. I2. F150.\r\nM30\r\n"), V{3});
    // Thread cuts and cycles are exempt: their F is the lead.
    EXPECT_EQ(Kvz.Lines(code, Start + "G33 X48. Z-20. F3.\r\nG71 X46. Z-24. D0.2 H0.92 F2.5\r\nM30\r\n"),
              V{});
    // Per minute (KVZ G94, FANUC G98) is not per revolution.
    EXPECT_EQ(Kvz.Lines(code, Start + "G94 G01 Z-10. F150.\r\nM30\r\n"), V{});
    EXPECT_EQ(Fanuc.Lines(code, Start + "G98 G01 Z-10. F150.\r\nM30\r\n"), V{});
    // Inches: 0.08 in/rev is the limit.
    const Checked inch{false, 4};
    const std::string inchStart = "G95 G97 S500 M03\r\nG00 X2. Z0.1\r\n";
    EXPECT_EQ(inch.Lines(code, inchStart + "G01 Z-1. F0.08\r\nZ-2. F0.1\r\nM30\r\n"), V{4});
    const std::vector<advice::Finding> all = inch.All(inchStart + "G01 Z-2. F0.1\r\nM30\r\n");
    ASSERT_FALSE(all.empty());
    EXPECT_NE(all.back().Message.find("0.1 in/rev"), std::string::npos);
}

TEST(NoProgramEnd, RunReachesTheEndOfTheText) {
    const std::string code = "no-program-end";
    EXPECT_EQ(Kvz.Lines(code, "G00 X10.\r\nG00 Z5.\r\n"), V{2});
    EXPECT_EQ(Kvz.Lines(code, "G00 X10.\r\nM05\r\n%"), V{2});
    // Near misses: M30 or M02, also as the last block, and with a "%" line after it.
    EXPECT_EQ(Kvz.Lines(code, "G00 X10.\r\nM30\r\n"), V{});
    EXPECT_EQ(Kvz.Lines(code, "G00 X10.\r\nM02\r\n%\r\n"), V{});
    EXPECT_EQ(Kvz.Lines(code, "M30\r\nG00 X10.\r\n"), V{});
    EXPECT_EQ(Kvz.Lines(code, ""), V{});
}

TEST(NoProgramEnd, AnM30OnTheUnendedLastLineIsSaidOnce) {
    // The M30 is there but never read: one finding, on its line, that says why.
    const std::vector<advice::Finding> all = Kvz.All("G00 X10.\r\nM30");
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].Code, "unterminated-last-line");
    EXPECT_EQ(all[0].Line, 2);
    EXPECT_NE(all[0].Message.find("its M30 is never read"), std::string::npos);
    EXPECT_EQ(Kvz.Lines("no-program-end", "G00 X10.\r\nG00 X20. M02 (END)"), V{});
    // Near misses: other words, or an M30 inside a comment, on the unended line.
    EXPECT_EQ(Kvz.Lines("no-program-end", "G00 X10.\r\nG00 X20."), V{1});
    EXPECT_EQ(Kvz.Lines("no-program-end", "G00 X10.\r\nG00 X20. (M30)"), V{1});
    EXPECT_EQ(Kvz.Lines("no-program-end", "G00 X10.\r\nM300"), V{1});
}

TEST(FeedWhileStopped, SaysWhetherTheSpindleEverRan) {
    const auto message = [](const std::string& program) {
        for (const advice::Finding& f : Kvz.All(program))
            if (f.Code == "feed-while-stopped") return f.Message;
        return std::string();
    };
    EXPECT_NE(
        message("G00 X50. Z2.\r\nG01 Z-10. F0.2 S500\r\nM30\r\n").find("has not been started (no M03/M04)"),
        std::string::npos);
    const std::string stopped = message(Start + "G01 Z-10. F0.2\r\nM05\r\nZ-20.\r\nM30\r\n");
    EXPECT_NE(stopped.find("spindle stopped (M05)"), std::string::npos);
    EXPECT_EQ(stopped.find("not been started"), std::string::npos);
}

TEST(UnitMismatch, ProgramsWrittenForTheOtherUnit) {
    const std::string code = "unit-mismatch";
    const Checked inch{false, 4};
    const std::string inchProgram = "G20 G99\r\nG97 S500 M03\r\nG00 X2. Z0.1\r\nG01 Z-1. F0.008\r\nM30\r\n";
    // G20 at the head is another control's inch select; here a return home.
    const std::vector<advice::Finding> mm = Kvz.All(inchProgram);
    ASSERT_FALSE(mm.empty());
    EXPECT_EQ(mm[0].Code, code);
    EXPECT_EQ(mm[0].Line, 1);
    EXPECT_NE(mm[0].Message.find("returns the tool to the home point"), std::string::npos);
    EXPECT_NE(mm[0].Message.find("set Unit 1 inch"), std::string::npos);
    EXPECT_EQ(Kvz.Lines(code, inchProgram), V{1}); // once
    EXPECT_EQ(inch.Lines(code, inchProgram), V{});
    // Without G20 the fine feed tells; a metric program in inch runs past the limits.
    EXPECT_EQ(Kvz.Lines(code, Start + "G01 Z-1. F0.008\r\nM30\r\n"), V{3});
    EXPECT_EQ(inch.Lines(code, "G21\r\n" + Start + "M30\r\n"), V{1});
    EXPECT_EQ(inch.Lines(code, Start + "G01 X100. Z-40. F0.2\r\nM30\r\n"),
              V{3}); // the rapid stops at the limit
    // Near misses: G20 as the home return after moves, ordinary feeds, an inch program in inch
    // whose alarm is an arc's, not a limit's.
    EXPECT_EQ(Kvz.Lines(code, Start + "G01 Z-10. F0.2\r\nG20\r\nM30\r\n"), V{});
    EXPECT_EQ(inch.Lines(code, "G97 S500 M03\r\nG00 X2. Z0.1\r\nG01 Z-1. F0.008\r\nM30\r\n"), V{});
    EXPECT_EQ(inch.Lines(code, "G97 S500 M03\r\nG00 X1.5 Z0.\r\nG03 X2. Z-0.25 R0.25 F0.004\r\nM30\r\n"),
              V{});
}

TEST(UnscaledArcRadius, RIsMillimetresWhateverTheUnit) {
    const std::string code = "unscaled-arc-radius";
    const Checked inch{false, 4};
    const std::string arcs = "G97 S500 M03\r\nG00 X1. Z0.1\r\nG01 Z0. F0.004\r\nG03 X2. Z-0.5 R0.5\r\n"
                             "G02 X3. Z-1. R0.5\r\nM30\r\n";
    EXPECT_EQ(inch.Lines(code, arcs), V{4}); // once
    EXPECT_EQ(Kvz.Lines(code, arcs), V{});
    // L and the centre words are converted: no finding.
    EXPECT_EQ(inch.Lines(code, "G97 S500 M03\r\nG00 X1. Z0.\r\nG03 X2. Z-0.5 L0.5 F0.004\r\nM30\r\n"), V{});
}

TEST(MacroVariable, OneFindingNamingTheConstructInsteadOfAWordPerLine) {
    const std::string program = "(#1 IS NO MACRO)\r\n" + Start +
                                "#501=350.\r\nG00 X#501 Z2.\r\nG01 X[#501-2.] F0.2\r\nZ#502\r\nM30\r\n";
    const std::vector<advice::Finding> all = Kvz.All(program);
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].Code, "macro-variable");
    EXPECT_EQ(all[0].Line, 4);
    EXPECT_EQ(all[0].Message.rfind("\"#501=350.\" is a macro variable (4 in the program)", 0), 0u)
        << all[0].Message;
    // A bare X still is one; "#" in comments or before no number is none.
    EXPECT_EQ(Kvz.Lines("address-without-value", "G00 X Z2.\r\nM30\r\n"), V{1});
    EXPECT_EQ(Kvz.Lines("macro-variable", "(#501)\r\nG00 X10.# Z2.\r\nM30\r\n"), V{});
    // A comment carried over to later lines hides its "#" too; the line is the first one outside.
    EXPECT_EQ(Kvz.Lines("macro-variable", "(OPEN\r\n#501=1.)\r\nX#1\r\nM30\r\n"), V{3});
}

TEST(RunAdvice, FindingsComeInLineOrderAndNeverChangeTheRun) {
    const std::string program = "g01\r\nG00 X Z10.\r\nG04 F100.\r\n(OPEN\r\nX)\r\nG01 X20. F0.2\r\nM30";
    check::CheckOptions on, off;
    off.Advice = false;
    const check::CheckReport a = check::CheckProgram(U(program), on);
    const check::CheckReport b = check::CheckProgram(U(program), off);
    EXPECT_TRUE(b.Advice.empty());
    EXPECT_EQ(a.CuttingTime, b.CuttingTime);
    EXPECT_EQ(a.Blocks, b.Blocks);
    EXPECT_EQ(a.FinalX, b.FinalX);
    EXPECT_EQ(a.FinalZ, b.FinalZ);
    EXPECT_EQ(a.Alarms.size(), b.Alarms.size());
    std::vector<std::pair<int64_t, std::string>> got;
    for (const advice::Finding& f : a.Advice)
        got.push_back({f.Line, f.Code});
    const std::vector<std::pair<int64_t, std::string>> want = {
        {1, "lower-case-address"}, {2, "address-without-value"}, {3, "long-dwell"},
        {4, "unclosed-comment"},   {6, "feed-while-stopped"},    {7, "unterminated-last-line"}};
    EXPECT_EQ(got, want);
}

namespace {

// Runs the command line on one program; returns the exit status and standard output.
int Cli(std::vector<std::string> args, const std::string& program, std::string* out = nullptr) {
    const auto path =
        std::filesystem::temp_directory_path() / ("zarvik-advice-" + std::to_string(::getpid()) + ".min");
    std::ofstream(path, std::ios::binary) << program;
    args.push_back(path.string());
    const CheckerRun run = RunChecker(std::move(args));
    std::filesystem::remove(path);
    if (out) *out = run.Out;
    return run.Status;
}

} // namespace

TEST(CheckerAdvice, ExitStatusReportsAndOptions) {
    const std::string warned = "G00 X10.\r\nG00 X Z-5.\r\n"; // two warnings, no alarm
    const std::string broken = "G00 X10.\nM30\n";            // no CR LF: an error
    const std::string clean = "G00 X10. Z5.\r\nM30\r\n";
    std::string out;
    EXPECT_EQ(Cli({}, clean), 0);
    EXPECT_EQ(Cli({"--strict"}, clean), 0);
    EXPECT_EQ(Cli({}, warned, &out), 0);
    EXPECT_NE(
        out.find("  line 2: warning: \"X\" without a number reads as 0: write the value right after the "
                 "letter [address-without-value]\n"),
        std::string::npos);
    EXPECT_EQ(Cli({"--strict"}, warned), 1);
    EXPECT_EQ(Cli({"--no-advice", "--strict"}, warned), 0);
    EXPECT_EQ(Cli({"--json"}, broken, &out), 1);
    EXPECT_NE(
        out.find("\"alarms\": [], \"advice\": [{\"line\": 1, \"code\": \"no-crlf\", \"severity\": \"error\", "
                 "\"message\": "),
        std::string::npos);
    // A text the control reads no block of fails the check with advice off too.
    EXPECT_EQ(Cli({"--json", "--no-advice"}, broken, &out), 1);
    EXPECT_NE(out.find("\"advice\": []"), std::string::npos);
    // Advice follows the alarms in the text report.
    EXPECT_EQ(Cli({}, "G00 X-300.\r\nG01 X\r\n", &out), 1);
    EXPECT_LT(out.find("X-Axis -Limt over"), out.find("line 2: warning:"));
}
