// SPDX-License-Identifier: GPL-3.0-or-later
// The checker at its edges: outputs that must not overwrite a program, outputs that cannot be
// written, inputs that are no program files, programs the control cannot read, exhausted memory,
// and the strictness of the command line.

#include "CheckerChild.h"
#include "check/CheckerCli.h"
#include "check/Shown.h"
#include "input/InputGuard.h"
#include "support/MemoryLimit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

// No output may name a program given as input, by any path; the check stops before anything is
// written, and the program stays as it was.
TEST(CheckerSafety, OutputsNeverOverwriteAProgram) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good), q = dir.Write("q.min", Good);
    fs::create_symlink(p, dir / "link.svg");
    fs::create_hard_link(q, dir / "hard.png");
    const check::PictureFormats withPng{&check::MakeSvgPicture, &check::MakeSvgPicture};
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--trace", p, p},
                                                 {"--trace", dir / "t.jsonl", "--svg", dir / "link.svg", p},
                                                 {"--png", dir / "hard.png", p, q},
                                                 {"--svg", dir / "./p.min", q, p}}) {
        SCOPED_TRACE(args[1]);
        const Result r = Checker(args, {}, withPng);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_NE(r.Err.find("is the program file"), std::string::npos) << r.Err;
        EXPECT_EQ(Slurp(p), Good);
        EXPECT_EQ(Slurp(q), Good);
    }
    EXPECT_FALSE(fs::exists(dir / "t.jsonl"));
    // Standard output appended to a program is refused the same way.
    const Result r = Checker({p}, [&] {
        const int fd = ::open(p.c_str(), O_WRONLY | O_APPEND);
        ::dup2(fd, 1);
    });
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(Slurp(p), Good);
    // Two outputs naming one file; two outputs to one device take nothing from each other.
    EXPECT_EQ(Checker({"--trace", dir / "x", "--svg", dir / "x", p}).Status, 2);
    const Result null = Checker({"--trace", "/dev/null", "--svg", "/dev/null", p});
    EXPECT_EQ(null.Status, 0) << null.Err;
    EXPECT_EQ(Checker({"--trace", "/dev/null", p},
                      [] {
                          const int fd = ::open("/dev/null", O_WRONLY);
                          ::dup2(fd, 1);
                      })
                  .Status,
              0);
}

// Every input is refused as an output, not only the programs: the setup (given or found beside
// the program), the tool table, machine file and target drawing it names, by any name, for each
// output option and standard output. Nothing is written and the inputs stay as they were.
TEST(CheckerSafety, OutputsNeverOverwriteASetupOrItsToolTable) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good);
    const std::string table = dir.Write("tools.tbl", "T1 P1 D0.8 Q3\n");
    const std::string setupText = "tool_table = \"tools.tbl\"\n[stock]\nkind = \"bar\"\ndiameter = 50\n"
                                  "length = 100\n";
    const std::string beside = dir.Write("p.setup.toml", setupText);
    fs::create_directory(dir / "given");
    const std::string given =
        dir.Write("given/g.setup.toml", "tool_table = \"t.tbl\"\n[stock]\nkind = \"bar\"\n");
    fs::create_symlink(beside, dir / "setup-link.svg");
    fs::create_hard_link(table, dir / "table-link.dxf");
    const check::PictureFormats all{&check::MakeSvgPicture, &check::MakeSvgPicture, &check::MakeSvgPicture};
    const struct {
        std::vector<std::string> Args;
        std::string Says;
    } cases[] = {
        {{"--svg", beside, p}, "--svg " + beside + " is the setup file " + beside},
        {{"--png", dir / "./p.setup.toml", p}, "is the setup file"},
        {{"--pdf", dir / "given/../p.setup.toml", p}, "is the setup file"},
        {{"--trace", dir / "tools.tbl", p}, "is the tool table"},
        {{"--profile", dir / "setup-link.svg", p}, "is the setup file"},
        {{"--profile", dir / "table-link.dxf", p}, "is the tool table"},
        {{"--report", beside, p}, "--report " + beside + " is the setup file"},
        {{"--report", dir / "tools.tbl", dir.Path.string()}, "is the tool table"},
        // A given setup, even one that cannot be read, and the table it names, which need not exist.
        {{"--setup", given, "--svg", given, p}, "is the setup file"},
        {{"--setup", given, "--trace", dir / "given/t.tbl", p}, "is the tool table"},
        // A machine file, named by a setup or given for every program.
        {{"--setup", dir.Write("m.setup.toml", "machine = \"lathe.toml\"\n"), "--svg", dir / "lathe.toml", p},
         "is the machine file"},
        {{"--machine=" + dir / "given/m.toml", "--trace", dir / "given/m.toml", p}, "is the machine file"},
        // A target drawing, named by a setup's [target] or given for every program.
        {{"--setup", dir.Write("t.setup.toml", "[target]\nfile = \"part.dxf\"\n"), "--profile",
          dir / "part.dxf", p},
         "is the target drawing"},
        {{"--target", dir / "given/part.dxf", "--svg", dir / "given/part.dxf", p}, "is the target drawing"},
        // A file an M98 of the program could read as its subprogram.
        {{"--trace", dir.Write("O1234.nc", "O1234\r\nM99\r\n"), p}, "is a subprogram file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args[1]);
        const Result r = Checker(c.Args, {}, all);
        EXPECT_EQ(r.Status, 2);
        EXPECT_EQ(r.Out, "");
        EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
        EXPECT_EQ(Slurp(beside), setupText);
        EXPECT_EQ(Slurp(table), "T1 P1 D0.8 Q3\n");
        EXPECT_FALSE(fs::exists(dir / "given/t.tbl"));
    }
    // Standard output appended to the setup is refused the same way; --no-setup reads no setup,
    // so an output may then replace it.
    for (const std::vector<std::string>& args : {std::vector<std::string>{p}, {"--jobs", "1", p}}) {
        const Result appended = Checker(args, [&] {
            const int fd = ::open(beside.c_str(), O_WRONLY | O_APPEND);
            ::dup2(fd, 1);
        });
        EXPECT_EQ(appended.Status, 2);
        EXPECT_NE(appended.Err.find("standard output is the setup file"), std::string::npos) << appended.Err;
        EXPECT_EQ(Slurp(beside), setupText);
    }
    EXPECT_EQ(Checker({"--no-setup", "--svg", beside, p}, {}, all).Status, 0);
    EXPECT_NE(Slurp(beside).find("<svg"), std::string::npos);
}

// Control characters in a program's name or a setup's value reach the terminal only as escapes:
// no colour, no cleared screen, no forged report line; JSON escapes them by its own rule.
TEST(CheckerSafety, ControlCharactersAreShownEscaped) {
    Folder dir;
    const std::string name = "red\x1B[31m\nfake: no alarms\x7F\xC2\x9B.min";
    const std::string shown = "red\\e[31m\\nfake: no alarms\\x7f\\u009b.min";
    const std::string p = dir.Write(name, Good);
    const std::string setup = dir.Write("s.setup.toml", "[stock]\nkind = \"\\u001B[2J\"\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{p}, {"--setup", setup, p}, {"--jobs", "1", dir.Path.string()}}) {
        SCOPED_TRACE(args[0]);
        const Result r = Checker(args);
        for (const std::string& text : {r.Out, r.Err}) {
            EXPECT_EQ(text.find_first_of("\x1B\x7F"), std::string::npos) << text;
            EXPECT_EQ(text.find("\xC2\x9B"), std::string::npos) << text;
            EXPECT_EQ(text.find("\nfake"), std::string::npos) << text;
        }
        EXPECT_NE(r.Out.find(shown + "\n"), std::string::npos) << r.Out;
        if (args[0] == "--setup") {
            EXPECT_NE(r.Err.find("\"\\e[2J\""), std::string::npos) << r.Err;
        }
    }
    // The legend of a picture names the program the same way (a control character would make
    // the SVG no XML); a long name is cut at its front.
    EXPECT_EQ(Checker({"--legend", "--svg", dir / "o.svg", p}).Status, 0);
    EXPECT_EQ(Slurp(dir / "o.svg").find_first_of("\x1B\x7F"), std::string::npos);
    EXPECT_NE(Slurp(dir / "o.svg").find("alarms\\x7f\\u009b.min</text>"), std::string::npos);
    const Result json = Checker({"--json", p});
    EXPECT_NE(json.Out.find("/red\\u001b[31m\\u000afake: no alarms\\u007f\\u009b.min\""), std::string::npos)
        << json.Out;
    // The rest of the rule: bidirectional controls, the bytes of other encodings and overlong
    // forms that terminals take for controls; a backslash and other text stay as they are.
    EXPECT_EQ(check::Shown("a\xE2\x80\xAE"
                           "b\xE2\x81\xA6\tc"),
              "a\\u202eb\\u2066\\tc");
    EXPECT_EQ(check::Shown("\x9B\xE9t\xE9"), "\\x9b\xE9t\xE9");
    EXPECT_EQ(check::Shown("\xC0\x9B[2J \\n \xC3\xA9\xE6\x97\xA5"), "\\xc0\\x9b[2J \\n \xC3\xA9\xE6\x97\xA5");
}

// A full disk, a device that takes nothing, or a file size limit: the output fails with status 2
// and a message, no file (empty or half) is left behind, and an older file of that name stays.
TEST(CheckerSafety, OutputsThatCannotBeWrittenFailAndLeaveNothing) {
    Folder dir;
    std::string program;
    for (int i = 0; i < 400; ++i)
        program += "G01 X" + std::to_string(10 + i % 50) + ". Z-" + std::to_string(i) + ". F0.2\r\n";
    const std::string p = dir.Write("p.min", program);
    for (const char* option : {"--trace", "--svg"}) {
        SCOPED_TRACE(option);
        const Result full = Checker({option, "/dev/full", p});
        EXPECT_EQ(full.Status, 2);
        EXPECT_NE(full.Err.find("/dev/full"), std::string::npos) << full.Err;
        EXPECT_TRUE(fs::exists("/dev/full")); // a device is written, never replaced
    }
    // A file size limit stands for a full disk.
    const std::string old = dir.Write("old.jsonl", "older trace\n");
    const auto limited = [] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
    };
    const Result r = Checker({"--trace", old, "--svg", dir / "new.svg", p}, limited);
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("cannot write the trace file"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find("cannot write the picture"), std::string::npos) << r.Err;
    EXPECT_EQ(Slurp(old), "older trace\n");
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"old.jsonl", "p.min"})); // no temporary file either
    // A folder that does not exist: refused before the report is written.
    const Result missing = Checker({"--trace", dir / "no/such/t.jsonl", p});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_EQ(missing.Out, "");
}

TEST(CheckerSafety, StandardOutputThatFailsIsAFailure) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good);
    const Result full = Checker({"--json", p}, [] {
        const int fd = ::open("/dev/full", O_WRONLY);
        ::dup2(fd, 1);
    });
    EXPECT_EQ(full.Status, 2);
    EXPECT_NE(full.Err.find("standard output"), std::string::npos) << full.Err;
    // Closed: the trace file opened later must not take its place.
    const Result closed = Checker({"--trace", dir / "t.jsonl", p}, [] { ::close(1); });
    EXPECT_EQ(closed.Status, 2);
    EXPECT_NE(closed.Err.find("standard output"), std::string::npos) << closed.Err;
    EXPECT_EQ(Slurp(dir / "t.jsonl").find("dialect"), std::string::npos);
    EXPECT_NE(Slurp(dir / "t.jsonl").find("\"op\""), std::string::npos);
}

// Pipes, devices and files beyond 512 MB are refused at once with a message; the other programs
// are still checked. (A folder is an archive: its programs are checked.)
TEST(CheckerSafety, InputsThatAreNoProgramFilesAreRefused) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good);
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    { std::ofstream big(dir / "big.min", std::ios::binary); }
    fs::resize_file(dir / "big.min", input::MaxProgramBytes + 1); // sparse: no disk used
    const struct {
        std::string Path, Says;
    } cases[] = {{dir / "fifo", "pipe"},
                 {"/dev/zero", "device"},
                 {dir / "big.min", "512 MB"},
                 {dir / "none.min", "not found"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path);
        const Result r = Checker({"--json", c.Path, p});
        EXPECT_EQ(r.Status, 2);
        EXPECT_NE(r.Err.find(c.Says), std::string::npos) << r.Err;
        EXPECT_NE(r.Out.find("p.min"), std::string::npos);
    }
}

// Memory running out ends with a message and status 2, not an abort; the next file still runs.
TEST(CheckerSafety, RunningOutOfMemoryIsAMessage) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good);
    { std::ofstream big(dir / "big.min", std::ios::binary); }
    fs::resize_file(dir / "big.min", 400 << 20); // 400 MB of NUL bytes, sparse
    const Result r = Checker({"--json", dir / "big.min", p}, [] {
        // Room for what the process holds now and a little more, not for the big program.
        LimitMemoryToWhatIsHeldPlus(64 << 20);
    });
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("out of memory"), std::string::npos) << r.Err;
    EXPECT_NE(r.Out.find("p.min"), std::string::npos);
}

// Line breaks without a single CR LF: the control reads no block, which is a failure (status 1)
// with the same words in the text report and in JSON. UTF-16 has a NUL between CR and LF.
TEST(CheckerSafety, TextWithoutCrLfIsAFailure) {
    Folder dir;
    const std::string message = "no CR LF line ends: the control reads no block";
    const std::string utf16le("G\0000\0000\0\r\0\n\0M\0003\0000\0\r\0\n\0", 20);
    const std::string utf16be("\0G\0000\0000\0\r\0\n\0M\0003\0000\0\r\0\n", 20);
    for (const std::string& bytes : {std::string("G00 X10.\nM30\n"), std::string("G00 X10.\rM30\r"), utf16le,
                                     "\xFF\xFE" + utf16le, utf16be}) {
        const std::string p = dir.Write("lf.min", bytes);
        const Result text = Checker({p});
        EXPECT_EQ(text.Status, 1);
        EXPECT_NE(text.Out.find("  " + message + "\n"), std::string::npos) << text.Out;
        const Result json = Checker({"--json", p});
        EXPECT_EQ(json.Status, 1);
        EXPECT_NE(json.Out.find("\"failure\": \"" + message + "\""), std::string::npos) << json.Out;
    }
    // One CR LF is enough to read a block; a text without any line break is not this failure.
    for (const std::string& bytes : {std::string("G00 X10.\nG00 Z5.\r\n"), std::string("G00 X10.")}) {
        const Result r = Checker({dir.Write("ok.min", bytes)});
        EXPECT_EQ(r.Status, 0);
        EXPECT_EQ(r.Out.find(message), std::string::npos);
    }
}

// Nothing to check is no pass: an empty file (or blanks only) and a file that holds no text fail
// with status 1 and say so in the text report and in JSON. Real programs in the encodings of the
// shop floor, and programs with a stray control character, are text.
TEST(CheckerSafety, EmptyAndBinaryFilesAreFailures) {
    Folder dir;
    std::string bytes256;
    for (int c = 0; c < 256; ++c)
        bytes256 += static_cast<char>(c);
    const struct {
        std::string Bytes, Says;
    } failures[] = {{"", "empty program"},
                    {" \t\r\n\r\n", "empty program"},
                    {std::string(4096, '\0'), "not a text program"},
                    {"G00 X10.\r\n" + std::string(1, '\0') + "M30\r\n", "not a text program"},
                    {bytes256, "not a text program"},
                    {"\x01\x02\x03\x04\x05\x06\x07\x08\x0e\x0f\r\n", "not a text program"}};
    for (const auto& f : failures) {
        SCOPED_TRACE(f.Says + " " + std::to_string(f.Bytes.size()));
        const std::string p = dir.Write("f.min", f.Bytes);
        const Result text = Checker({p});
        EXPECT_EQ(text.Status, 1);
        EXPECT_NE(text.Out.find("\n  " + f.Says + "\n"), std::string::npos) << text.Out;
        const Result json = Checker({"--json", "--no-advice", p});
        EXPECT_EQ(json.Status, 1);
        EXPECT_NE(json.Out.find("\"failure\": \"" + f.Says + "\""), std::string::npos) << json.Out;
    }
    const std::string program = "(\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80)\r\nG00 X10.\r\nM30\r\n";
    for (const std::string& bytes :
         {program, // Shift_JIS comment
          std::string("(D\xE9"
                      "BUT \xC0 \xD8 20)\r\nG00 X10.\r\nM30\r\n"),       // Latin-1
          std::string("G00 X10.\x1A\r\n(\x07)\r\nM30\r\n\x0c%\r\n\x1A"), // stray control characters
          std::string("\xFF\xFEG\0000\0000\0\r\0\n\0", 12)}) {           // UTF-16: reads no block
        const Result r = Checker({"--json", dir.Write("t.min", bytes)});
        EXPECT_EQ(r.Out.find("\"failure\": \"not a text"), std::string::npos) << r.Out;
        EXPECT_EQ(r.Out.find("\"failure\": \"empty"), std::string::npos) << r.Out;
    }
}

// The text report and JSON name the ways a run ends with the same words.
TEST(CheckerSafety, ReportsNameTheEndAlike) {
    Folder dir;
    for (const auto& [bytes, end] : {std::pair{Good, "Program End"}, {std::string("G00 X10.\r\n"), "EOF"}}) {
        const std::string p = dir.Write("e.min", bytes);
        EXPECT_NE(Checker({p}).Out.find(std::string("end: ") + end + "\n"), std::string::npos);
        EXPECT_NE(Checker({"--json", p}).Out.find(std::string("\"end\": \"") + end + "\""),
                  std::string::npos);
    }
}

TEST(CheckerSafety, NumbersAreDecimalOnly) {
    Folder dir;
    const std::string p = dir.Write("p.min", Good);
    for (const char* unit : {"0x2", " 2", "2 ", "+0x2", "2.5", "inf", "", "2,"}) {
        SCOPED_TRACE(unit);
        EXPECT_EQ(Checker({"--unit", unit, p}).Status, 2);
    }
    for (const char* limits :
         {"0x10,200,-200,-200", "500,200,-200,nan", "500,200,-200,-2e", "500, 200,-200,-200",
          "500,200,-200,-200,", ",500,200,-200,-200", "500,200,,-200,-200", "500,200,-200"}) {
        SCOPED_TRACE(limits);
        EXPECT_EQ(Checker({"--limits", limits, p}).Status, 2);
    }
    EXPECT_EQ(Checker({"--unit", "2", p}).Status, 0);
    EXPECT_EQ(Checker({"--unit", "+3.0", p}).Status, 0);
    const Result r = Checker({"--json", "--limits", "5e2,+200.,-.5,-2E2", p});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find("\"final\": {\"x\": 10,"), std::string::npos) << r.Out;
}

// --help prints the usage on standard output and succeeds; the usage and the README's usage
// line name every option.
TEST(CheckerSafety, HelpListsEveryOption) {
    const Result r = Checker({"--help"});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    std::ifstream in(std::string(ZARVIK_SOURCE_DIR) + "/README.md");
    const std::string readme(std::istreambuf_iterator<char>(in), {});
    const size_t section = readme.find("## The headless checker");
    ASSERT_NE(section, std::string::npos);
    const std::string usage =
        readme.substr(section, readme.find("\n\n", readme.find("build/zarvik-check", section)) - section);
    for (const char* option :
         {"--fanuc", "--unit", "--limits", "--block-delete", "--g2-mirror", "--json", "--trace", "--svg",
          "--png", "--pdf", "--fit", "--size", "--white", "--black", "--rulers", "--legend", "--help"}) {
        EXPECT_NE(r.Out.find(option), std::string::npos) << option;
        EXPECT_NE(usage.find(option), std::string::npos) << "README: " << option;
    }
}
