// SPDX-License-Identifier: GPL-3.0-or-later
// The headless checker: decoding, the report contract, and bad input of every kind.

#include "check/Checker.h"
#include "check/CheckerCli.h"
#include "check/Decode.h"
#include "machine/Profile.h"
#include "support/CheckerRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

using namespace check;

namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// Runs the command line with the given arguments; returns the exit status and standard output.
int Cli(std::vector<std::string> args, std::string* out = nullptr, const PictureFormats& formats = {}) {
    const CheckerRun run = RunChecker(std::move(args), formats);
    if (out) *out = run.Out;
    return run.Status;
}

struct TempDir {
    std::filesystem::path Path;
    TempDir() {
        Path = std::filesystem::temp_directory_path() / ("zarvik-check-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Path);
    }
    ~TempDir() { std::filesystem::remove_all(Path); }
    std::string Write(const std::string& name, const std::string& bytes) {
        std::ofstream(Path / name, std::ios::binary) << bytes;
        return (Path / name).string();
    }
};

} // namespace

TEST(Decode, PicksUtf8ThenShiftJisThenLatin1) {
    Encoding e;
    EXPECT_EQ(DecodeProgram("G00 (\xE5\x8A\xA0\xE5\xB7\xA5)\r\n", &e), u"G00 (\u52A0\u5DE5)\r\n");
    EXPECT_EQ(e, Encoding::Utf8);
    // Shift_JIS: one character for each double-byte pair, even when its trail byte is a letter.
    const std::u16string sjis = DecodeProgram("(\x83X)X1.\r\n", &e);
    EXPECT_EQ(e, Encoding::ShiftJis);
    EXPECT_EQ(sjis.size(), 8u);
    EXPECT_EQ(sjis.substr(2), u")X1.\r\n");
    EXPECT_EQ(DecodeProgram("X\xFF\x80\r\n", &e), u"X\u00FF\u0080\r\n");
    EXPECT_EQ(e, Encoding::Latin1);
    EXPECT_EQ(DetectEncoding("\xC0\xAF"), Encoding::ShiftJis); // overlong UTF-8 is not UTF-8
    // ASCII is widened in blocks; a later byte of another kind still decides for the whole file.
    const std::string ascii(10000, 'X');
    EXPECT_EQ(DecodeProgram(ascii + "\xC3\xA9", &e), std::u16string(10000, u'X') + u"\u00E9");
    EXPECT_EQ(e, Encoding::Utf8);
    EXPECT_EQ(DecodeProgram(ascii + "\xFF", &e), std::u16string(10000, u'X') + u"\u00FF");
    EXPECT_EQ(e, Encoding::Latin1);
    EXPECT_EQ(DecodeProgram(ascii, &e), std::u16string(10000, u'X'));
    EXPECT_EQ(e, Encoding::Utf8);
}

TEST(Checker, ReportsAlarmsWithTheirLinesAndEndsAtProgramEnd) {
    const CheckReport r =
        CheckProgram(U("G00 X-200.\r\nG00 X10.\r\n(C)\r\nG00 X10. Z-300.\r\nG00 Z10.\r\nM30\r\n%\r\n"), {});
    ASSERT_EQ(r.Alarms.size(), 2u);
    EXPECT_EQ(r.Alarms[0].Line, 1);
    EXPECT_EQ(r.Alarms[0].Message, "X-Axis -Limt over");
    EXPECT_EQ(r.Alarms[1].Line, 4);
    EXPECT_EQ(r.Alarms[1].Message, "Z-Axis -Limt over");
    EXPECT_TRUE(r.ProgramEnd);
    EXPECT_EQ(r.Blocks, 7); // counts the block read after the end block
    EXPECT_EQ(r.FinalX, 10);
}

// An alarm raised while the block is scanned stays an alarm of that block even when a later
// stop code of the same block takes over the run state: the run ends at M30 without a pause.
TEST(Checker, AlarmBeforeAStopCodeOfTheSameBlockIsReported) {
    CheckOptions fanuc;
    fanuc.Lathe.Fanuc = true;
    const CheckReport r = CheckProgram(U("G00 Z10.\r\nG00 X100 Z-20. M30\r\n%\r\n"), fanuc);
    ASSERT_EQ(r.Alarms.size(), 1u);
    EXPECT_EQ(r.Alarms[0].Line, 2);
    EXPECT_EQ(r.Alarms[0].Message, "X100 no point");
    EXPECT_TRUE(r.ProgramEnd);
    const CheckReport stop = CheckProgram(U("G00 X100 M00\r\nG00 Z10.\r\n%\r\n"), fanuc);
    ASSERT_EQ(stop.Alarms.size(), 1u);
    EXPECT_EQ(stop.Alarms[0].Line, 1);
}

// The check goes on after an alarm, so an ISO macro loop whose block faults on every pass would
// fill the report with the same alarm a million times: it is ended after 10,000.
TEST(Checker, IsoMacroLoopRaisingAlarmsIsEnded) {
    CheckOptions iso;
    iso.Lathe.Iso = true;
    const CheckReport r =
        CheckProgram(U("#1=0\r\nWHILE [#1 LT 5] DO 1\r\n#1=#1/0\r\nEND 1\r\nM30\r\n%\r\n"), iso);
    ASSERT_EQ(r.Alarms.size(), 10002u);
    EXPECT_EQ(r.Alarms[0].Line, 3);
    EXPECT_EQ(r.Alarms[0].Message, "PS0112 division by zero");
    EXPECT_EQ(r.Alarms.back().Line, 4);
    EXPECT_EQ(r.Alarms.back().Message, "PS0077 more than 10000 alarms in a run that loops: the run is ended");
    EXPECT_TRUE(r.ProgramEnd);
    // A subprogram repeated by L whose blocks raise alarms ends the same way, at its M99.
    const CheckReport calls =
        CheckProgram(U("M98 P100 L9999\r\nM30\r\nO100\r\nG01 X30. F0\r\nG01 X40. F0\r\nM99\r\n%\r\n"), iso);
    ASSERT_EQ(calls.Alarms.size(), 10003u); // two a pass: 5,001 passes, then the M99
    EXPECT_EQ(calls.Alarms.back().Line, 6);
    EXPECT_EQ(calls.Alarms.back().Message,
              "PS0077 more than 10000 alarms in a run that loops: the run is ended");
}

TEST(Checker, LinesCountOnlyCrLfPairs) {
    const CheckReport r = CheckProgram(U("G00 X10.\nG00 X20.\r\nG00 X-300.\r\n"), {});
    ASSERT_EQ(r.Alarms.size(), 1u);
    EXPECT_EQ(r.Alarms[0].Line, 2);
    EXPECT_FALSE(r.ProgramEnd);
}

// The binary-file test counts its characters in chunks: a NUL or the tenth control character
// counts wherever it stands, also past the first chunk.
TEST(Checker, BinaryFileTestCountsEveryCharacter) {
    std::u16string text(100000, u'G');
    EXPECT_FALSE(NotText(text));
    text[99999] = u'\0';
    EXPECT_TRUE(NotText(text));
    text[99999] = u'G';
    for (size_t k = 90000; k < 100000; ++k) // exactly one in ten: still text
        text[k] = k % 2 ? u'\x01' : u'\x7f';
    EXPECT_FALSE(NotText(text));
    text[40000] = u'\x1b';
    EXPECT_TRUE(NotText(text));
    text[40000] = u'\t'; // tabs, line breaks, form feed and end-of-file are no control characters
    EXPECT_FALSE(NotText(text));
}

// With the text passed over and the machine planned on second threads the report is the same,
// advice and the machine's times and findings included, for texts the control reads and texts
// it refuses, and long enough for the marks and the planner's orders to come in many parts
// (tool changes, spindle commands, dwells and M codes between the moves, a thread cycle).
TEST(Checker, SecondCoreGivesTheSameReport) {
    std::string longProgram, machining = "G50 S2500\r\n";
    for (int i = 0; i < 30000; ++i) {
        longProgram += i % 997 ? "G01 X" + std::to_string(i % 90) + ". Z-2. F0.2\r\n" : "g04 x(pause #1\r\n";
        const std::string t = std::to_string(i % 7 + 1);
        machining +=
            i % 997 == 0   ? "G04 X0.3\r\nM08\r\n"
            : i % 701 == 0 ? "T0" + t + "0" + t + " G96 S" + std::to_string(100 + i % 50) + " M03\r\n"
            : i % 503 == 0
                ? "G00 X30. Z2.\r\nG03 X40. Z-3. R5. F0.1\r\nG97 S" + std::string(i % 2 ? "800" : "4500") +
                      "\r\n" // over the spindle's limit
                : "G01 X" + std::to_string(10 + i % 90) + ". Z-" + std::to_string(i % 9) + ". F0.2\r\n";
    }
    const auto machine = std::make_shared<const machine::Profile>(machine::DefaultProfile());
    for (const std::string& program :
         {longProgram, machining, std::string("G00 X10.\nG00 X20.\n"), std::string(" \r\n"),
          std::string("G00\x01\x02\x03 X1.\r\n"), std::string("G00 X10.\r\nG01 Z-5. F0.2\r\nM30\r\n")})
        for (bool advice : {true, false}) {
            CheckOptions options;
            options.Advice = advice;
            options.Machine = advice ? machine : nullptr;
            const std::string alone = ReportJson(CheckProgram(U(program), options));
            options.SecondCore = true;
            EXPECT_EQ(ReportJson(CheckProgram(U(program), options)), alone) << program.substr(0, 40);
        }
}

// The machine's findings get their lines once the run is over, when the lines have been counted
// past them: counted again from a mark before each, they are the lines the blocks are on.
TEST(Checker, MachineFindingsKeepTheirLinesInALongProgram) {
    std::string program = "G97 S9000 M03\r\n"; // above the spindle's limit, on line 1
    for (int line = 2; line <= 60000; ++line)
        program += line == 41234 ? "G97 S8000\r\n" : "G01 X" + std::to_string(10 + line % 50) + ". F0.2\r\n";
    program += "g04 x(pause #1\r\n"; // advice at the end: the lines are counted to here first
    CheckOptions options;
    options.Advice = true;
    options.Machine = std::make_shared<const machine::Profile>(machine::DefaultProfile());
    for (bool secondCore : {false, true}) {
        options.SecondCore = secondCore;
        const CheckReport r = CheckProgram(U(program), options);
        ASSERT_TRUE(r.Machine);
        std::vector<int64_t> lines;
        for (const machine::Finding& f : r.Machine->Findings)
            if (f.Code == "spindle-over-limit") lines.push_back(f.Line);
        EXPECT_EQ(lines, (std::vector<int64_t>{1, 41234}));
        ASSERT_FALSE(r.Advice.empty());
        EXPECT_EQ(r.Advice.back().Line, 60001);
    }
}

TEST(Checker, TimePerToolAddsUpToTheTotal) {
    const CheckReport r = CheckProgram(U("T0101\r\nG00 X50. Z2.\r\nG97 S1000 G01 Z-20. F0.2\r\n"
                                         "T0303\r\nG00 X60. Z5.\r\nG01 X40. F0.1\r\nM30\r\n"),
                                       {});
    ASSERT_EQ(r.ToolTimes.size(), 2u);
    double sum = 0;
    for (const auto& [tool, t] : r.ToolTimes)
        sum += t;
    EXPECT_NEAR(sum, r.CuttingTime, 1e-9);
    // Each tool has its cut (22 mm at 0.2 mm/rev, 10 mm at 0.1 mm/rev, 1000 rpm) plus a rapid.
    EXPECT_GT(r.ToolTimes.at(1), 6.6 - 1e-3);
    EXPECT_GT(r.ToolTimes.at(3), 6.0 - 1e-3);
}

TEST(Checker, JsonReportFollowsTheContract) {
    CheckReport r;
    r.File = "a \"b\".min";
    r.Blocks = 3;
    r.CuttingTime = 1.5;
    r.FinalX = 500;
    r.FinalZ = -0.25;
    r.Alarms.push_back({2, "X100 no point"});
    CollectFindings(r);
    r.ToolTimes[1] = 1.5;
    r.ToolTimes[2] = 0; // tools without time are left out
    EXPECT_EQ(ReportJson(r),
              "{\"file\": \"a \\\"b\\\".min\", \"dialect\": \"KVZ\", \"unit\": 1, \"blocks\": 3, "
              "\"end\": \"EOF\", \"cutting_time_s\": 1.5, \"final\": {\"x\": 500, \"z\": -0.25}, "
              "\"alarms\": [{\"line\": 2, \"message\": \"X100 no point\", \"code\": \"no-point\", "
              "\"explanation\": \"FANUC dialect: a value written without a decimal point (X100 for X100.) "
              "is refused; write the point.\"}], \"advice\": [], "
              "\"tools\": [{\"tool\": 1, \"cutting_time_s\": 1.5}]}");
}

TEST(CheckerCli, ExitStatusAndBadInput) {
    TempDir dir;
    const std::string good = dir.Write("good.min", "G00 X10. Z10.\r\nM30\r\n%\r\n");
    const std::string bad = dir.Write("bad.min", "G00 X-300.\r\n");
    std::string out;
    EXPECT_EQ(Cli({"--json", good}, &out), 0);
    EXPECT_NE(out.find("\"end\": \"Program End\""), std::string::npos);
    EXPECT_EQ(Cli({good, bad}), 1);
    EXPECT_EQ(Cli({"--json", (dir.Path / "missing.min").string(), good}, &out), 2);
    EXPECT_NE(out.find("good.min"), std::string::npos); // the other files are still checked
    EXPECT_EQ(Cli({dir.Path.string()}), 1); // a folder is an archive: the worst of good.min and bad.min
    EXPECT_EQ(Cli({"--unit", "7", good}), 2);
    EXPECT_EQ(Cli({"--limits", "1,2,3", good}), 2);
    EXPECT_EQ(Cli({"--bogus", good}), 2);
    EXPECT_EQ(Cli({}), 2);
}

TEST(CheckerCli, OptionsReachTheMachine) {
    TempDir dir;
    const std::string p = dir.Write("p.min", "G00 X100 Z50.\r\n");
    std::string out;
    EXPECT_EQ(Cli({"--json", "--fanuc", p}, &out), 1);
    EXPECT_NE(out.find("X100 no point"), std::string::npos);
    EXPECT_EQ(Cli({"--json", "--unit", "3", "--limits", "50,20,-1,-1", p}, &out), 0);
    EXPECT_NE(out.find("\"x\": 0.1"), std::string::npos);
}

TEST(CheckerCli, AnyBytesGiveAResult) {
    TempDir dir;
    std::mt19937 rng(7);
    std::string noise(2'000'000, '\0');
    for (char& c : noise)
        c = static_cast<char>(rng());
    std::string longLine = "G01 X" + std::string(1'000'000, '1') + "\r\n";
    std::string tricky;
    for (int i = 0; i < 20000; ++i)
        tricky += "X+X-(N/O[G1.E";
    tricky += "\r\n";
    for (const std::string& bytes :
         {noise, longLine, std::string("("), std::string("G00 X10."), std::string(), tricky}) {
        const std::string p = dir.Write("x.min", bytes);
        const int status = Cli({"--json", p});
        EXPECT_TRUE(status == 0 || status == 1);
    }
}

TEST(CheckerCli, TraceWritesOneLinePerSegment) {
    TempDir dir;
    const std::string p = dir.Write("t.min", "G00 X10. Z5.\r\nG01 Z-5. F0.2 S500\r\n");
    const std::string trace = (dir.Path / "t.jsonl").string();
    ASSERT_EQ(Cli({"--trace", trace, p}), 0);
    std::ifstream in(trace);
    std::string first, second, third;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_FALSE(std::getline(in, third));
    EXPECT_EQ(first, "{\"line\": 1, \"op\": \"line\", \"style\": \"rapid\", \"x0\": 500, \"z0\": 200, "
                     "\"x1\": 10, \"z1\": 5}");
    EXPECT_EQ(
        second,
        "{\"line\": 2, \"op\": \"line\", \"style\": \"cut\", \"x0\": 10, \"z0\": 5, \"x1\": 10, \"z1\": -5}");
}

// With pictures the program runs once for the pictures, the trace and the report; all must be
// what the plain check gives. Every picture format gets the same drawing from that one run.
TEST(CheckerCli, PicturesComeFromTheOneRunOfTheReportAndTrace) {
    TempDir dir;
    const std::string p =
        dir.Write("p.min", "T0101\r\nG00 X40. Z2.\r\nG01 Z-20. F0.2 S800\r\n"
                           "G02 X60. Z-30. R10.\r\nG01 X-300.\r\nT0202\r\nG00 X100. Z50.\r\n");
    auto slurp = [](const std::filesystem::path& f) {
        std::ifstream in(f, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    PictureFormats formats;
    formats.Png = formats.Svg; // a second format that is easy to read back
    const auto t0 = dir.Path / "t0.jsonl", t1 = dir.Path / "t1.jsonl", t2 = dir.Path / "t2.jsonl";
    const auto svgAlone = dir.Path / "alone.svg", svg = dir.Path / "p.svg", png = dir.Path / "p.png";
    std::string plain, withSvg, withBoth;
    EXPECT_EQ(Cli({"--json", "--trace", t0.string(), p}, &plain), 1);
    EXPECT_EQ(Cli({"--json", "--trace", t1.string(), "--svg", svgAlone.string(), p}, &withSvg), 1);
    EXPECT_EQ(Cli({"--json", "--trace", t2.string(), "--svg", svg.string(), "--png", png.string(), p},
                  &withBoth, formats),
              1);
    EXPECT_NE(plain.find("\"alarms\": [{\"line\": 5"), std::string::npos);
    EXPECT_EQ(withSvg, plain);
    EXPECT_EQ(withBoth, plain);
    EXPECT_FALSE(slurp(t0).empty());
    EXPECT_EQ(slurp(t1), slurp(t0));
    EXPECT_EQ(slurp(t2), slurp(t0));
    const std::string picture = slurp(svgAlone);
    EXPECT_NE(picture.find("<svg"), std::string::npos);
    EXPECT_NE(picture.find("<path"), std::string::npos);
    EXPECT_EQ(slurp(svg), picture);
    EXPECT_EQ(slurp(png), picture);
    // Without a PNG format the option is refused before anything is run or written.
    std::string out;
    EXPECT_EQ(Cli({"--trace", t0.string(), "--png", png.string(), p}, &out, PictureFormats{}), 2);
    EXPECT_EQ(out, "");
}
