// SPDX-License-Identifier: GPL-3.0-or-later
// The machine beside a check: each limit a program breaks is found at its line with its tool,
// the examples break none with the shipped machine, and the control's own time is the same with
// and without a machine.

#include "check/Checker.h"
#include "machine/ProfileFile.h"
#include "stock/SetupFile.h"
#include "text/ProgramEncoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

std::u16string Program(const std::string& lines) {
    std::u16string out;
    for (char c : lines)
        c == '\n' ? out += u"\r\n" : out += static_cast<char16_t>(c);
    return out;
}

TEST(MachineLimits, EachBreachIsFoundAtItsLine) {
    machine::Profile p;
    p.ChuckMaxRpm = 3000;
    check::CheckOptions o;
    o.Machine = std::make_shared<const machine::Profile>(p);
    const std::u16string text = Program("O0001\n"
                                        "T0101\n"
                                        "G97 S5000 M03\n" // 3: above the spindle's 4000 rpm
                                        "G00 X50. Z2.\n"
                                        "G01 Z-10. F20.\n" // 5: 20 mm/rev x 4000 rpm along Z
                                        "G97 S2500 M03\n"
                                        "G00 X40. Z20.\n"
                                        "G33 Z-20. F5.\n" // 8: 5 mm x 2500 rpm = 12500 mm/min
                                        "G00 X40. Z1.\n"
                                        "G97 S500\n"
                                        "G33 Z-20. F2.\n" // 11: starts 1 mm before Z0, needs 6
                                        "G00 T0202\n"
                                        "G96 S200 M03\n"
                                        "G00 X30. Z1.\n"
                                        "G01 X0. F0.1\n" // 15: no clamp; 4000 rpm at the centre
                                        "G97 S1000\n"
                                        "G00 X30. Z0.\n"
                                        "G01 Z-0.01 F0.5\n" // 18: 0.01 mm at 500 mm/min: 1.2 ms
                                        "Z-0.02\n"
                                        "Z-0.03\n"
                                        "M30\n");
    const check::CheckReport r = check::CheckProgram(text, o);
    ASSERT_TRUE(r.Alarms.empty()) << r.Alarms[0].Message;
    ASSERT_TRUE(r.Machine);
    std::vector<std::tuple<int64_t, std::string, double>> found;
    for (const machine::Finding& f : r.Machine->Findings)
        found.emplace_back(f.Line, f.Code, f.Tool);
    const std::vector<std::tuple<int64_t, std::string, double>> expected = {
        {3, "spindle-over-limit", 1},   {5, "feed-over-limit", 1}, {8, "thread-too-fast", 1},
        {11, "thread-run-in-short", 1}, {15, "css-unclamped", 2},  {15, "spindle-over-limit", 2},
        {18, "block-too-short", 2}};
    EXPECT_EQ(found, expected);
    // The numbers that broke the limit are in the message.
    const auto message = [&](size_t i) { return r.Machine->Findings.at(i).Message; };
    EXPECT_NE(message(0).find("S5000"), std::string::npos) << message(0);
    EXPECT_NE(message(2).find("12500 mm/min"), std::string::npos) << message(2);
    EXPECT_NE(message(5).find("above the chuck's rating of 3000 rpm"), std::string::npos) << message(5);
    EXPECT_NE(message(6).find("3 such blocks in a row, to line 20"), std::string::npos) << message(6);
    // They go out with every other finding, and the errors fail the check.
    EXPECT_TRUE(r.Fails(false));
    const std::string json = check::ReportJson(r);
    EXPECT_NE(json.find("\"code\": \"thread-too-fast\", \"severity\": \"error\""), std::string::npos);
    EXPECT_NE(json.find("\"machine\": {\"time_s\": "), std::string::npos);
    EXPECT_NE(check::ReportText(r).find("line 18: warning: a block of 0.010 mm"), std::string::npos);
}

std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST(MachineLimits, ExamplesBreakNoneAndKeepTheControlsTime) {
    const std::filesystem::path examples = std::filesystem::path(ZARVIK_SOURCE_DIR) / "examples";
    machine::ProfileError e;
    const auto profile = machine::ReadMachineFile((examples / "lathe.machine.toml").string(), e);
    ASSERT_TRUE(profile) << e.Text();
    for (const char* name : {"TURNING", "CYCLES", "CYCLES_FANUC", "FANUC_PIN"}) {
        check::CheckOptions o;
        o.Lathe.Fanuc = std::string(name).find("FANUC") != std::string::npos;
        stock::SetupError se;
        const auto setup =
            stock::ReadSetupFile((examples / (std::string(name) + ".setup.toml")).string(), se);
        ASSERT_TRUE(setup) << se.Text();
        o.Stock = std::make_shared<const stock::Setup>(*setup);
        const std::u16string text = text::Decode(ReadAll(examples / (std::string(name) + ".min")));
        const check::CheckReport plain = check::CheckProgram(text, o);
        o.Machine = std::make_shared<const machine::Profile>(*profile);
        const check::CheckReport r = check::CheckProgram(text, o);
        ASSERT_TRUE(r.Machine);
        EXPECT_TRUE(r.Machine->Findings.empty()) << name << ": " << r.Machine->Findings[0].Message;
        EXPECT_EQ(r.CuttingTime, plain.CuttingTime) << name;
        EXPECT_EQ(r.ToolTimes, plain.ToolTimes) << name;
        // The machine is never faster than the control's rapids and feeds at full speed.
        EXPECT_GT(r.Machine->Total.Total(), plain.CuttingTime) << name;
        EXPECT_TRUE(r.Machine->Assumed.size() < machine::ProfileKeys().size());
    }
}

// A block that chooses a gear range and a speed together is in that range before the spindle
// starts: no change of range after it (2 s and the spindle stopped and started again).
TEST(MachineLimits, ABlocksGearRangeGoesBeforeItsSpeed) {
    machine::Profile p;
    p.Gears = {{20, 800}, {600, 4000}};
    p.GearChangeS = 2;
    check::CheckOptions o;
    o.Machine = std::make_shared<const machine::Profile>(p);
    const check::CheckReport r = check::CheckProgram(
        Program("O0001\nG21 G90 G95\nT0101\nG00 X50. Z2.\nM42 S700 M03\nG01 Z-10. F0.2\nM30\n"), o);
    ASSERT_TRUE(r.Machine);
    EXPECT_NEAR(r.Machine->Total.SpindleRamp, 700 / p.SpindleAccelRpmS, 1e-9);
    EXPECT_EQ(r.Machine->Total.MCodes, 0);
}

} // namespace
