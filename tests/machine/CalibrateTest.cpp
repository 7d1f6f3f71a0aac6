// SPDX-License-Identifier: GPL-3.0-or-later
// Calibration: non-negative least squares keeps a parameter at 0 rather than below it, and a fit
// to 20 generated programs whose "measured" times come from a hidden machine (plus noise) finds
// that machine and predicts each program left out of the fit.

#include "machine/Calibrate.h"
#include "check/Checker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(MachineCalibration, LeastSquaresKeepsParametersNonNegative) {
    // Unconstrained the best fit is (2, -1); held at 0 the second leaves (c1·b)/(c1·c1) = 1.5.
    const std::vector<double> x = machine::NonNegativeLeastSquares({{1, 0, 1}, {0, 1, 1}}, {2, -1, 1});
    ASSERT_EQ(x.size(), 2u);
    EXPECT_NEAR(x[0], 1.5, 1e-12);
    EXPECT_EQ(x[1], 0);
    // With every bound inactive it is ordinary least squares: exact on consistent data.
    const std::vector<double> y = machine::NonNegativeLeastSquares({{1, 0, 1}, {0, 1, 1}}, {2, 3, 5});
    EXPECT_NEAR(y[0], 2, 1e-12);
    EXPECT_NEAR(y[1], 3, 1e-12);
}

// A program of a few tools, each with its spindle start, rapids along X and along Z alone,
// turning passes and coolant on and off: how many of each differs from program to program.
std::u16string Generated(std::mt19937& random) {
    const auto pick = [&random](int lo, int hi) { return lo + static_cast<int>(random() % (hi - lo + 1)); };
    std::string p = "O0001\nG21 G90 G95 G40\n";
    const int tools = pick(1, 5);
    for (int t = 1; t <= tools; ++t) {
        p += "T0" + std::to_string(t) + "0" + std::to_string(t) + "\n";
        p += "G97 S" + std::to_string(pick(6, 30) * 100) + " M03\n";
        // The first cut waits for the spindle.
        const int xs = pick(2, 14), zs = pick(2, 14), cuts = pick(1, 4);
        for (int k = 0; k < cuts; ++k)
            p += "G00 X" + std::to_string(50 - 2 * k) + ". Z2.\nG01 Z-" + std::to_string(pick(20, 60)) +
                 ". F0.2\nX" + std::to_string(52 - 2 * k) + ".\n";
        p += "G00 X60. Z2.\n";
        for (int k = pick(0, 6); k > 0; --k)
            p += "M08\nM09\n";
        for (int k = 0; k < xs; ++k)
            p += "G00 X" + std::to_string(pick(20, 200)) + ".\nG00 X60.\n";
        for (int k = 0; k < zs; ++k)
            p += "G00 Z" + std::to_string(pick(10, 150)) + ".\nG00 Z2.\n";
        p += "M05\n";
    }
    p += "M30\n";
    std::u16string out;
    for (char c : p)
        c == '\n' ? out += u"\r\n" : out += static_cast<char16_t>(c);
    return out;
}

// What a run keeps for the fit plans again to the very same times, in total and per tool, and
// is small: a straight move of a run about 17 bytes, an arc 41.
TEST(MachineCalibration, ARecordedRunPlansAgainToTheSameTimesAndIsSmall) {
    std::mt19937 random(5);
    std::u16string text = Generated(random);
    text.resize(text.size() - std::u16string(u"M30\r\n").size());
    std::string more = "T0101\nG96 S180 M04\nG50 S2500\nG00 X40. Z1.\n";
    for (int k = 0; k < 1000; ++k)
        more += "G01 X" + std::to_string(40 - k % 7) + ". Z-" + std::to_string(k % 50) + ". F0.1\n";
    more += "G02 X30. Z-20. R12. F0.05\nG03 X40. Z-30. R8.\nG04 P500\nM08\nG33 X40. Z-60. F1.5\nM30\n";
    for (char c : more)
        c == '\n' ? text += u"\r\n" : text += static_cast<char16_t>(c);
    check::CheckOptions o;
    o.Advice = false;
    o.Machine = std::make_shared<const machine::Profile>();
    machine::Recording run;
    o.MachineRecording = &run;
    const check::CheckReport r = check::CheckProgram(text, o);
    ASSERT_TRUE(r.Machine);
    const machine::Result again = machine::Replay(run, *o.Machine);
    const auto same = [](const machine::Split& a, const machine::Split& b) {
        return a.Cutting == b.Cutting && a.Rapid == b.Rapid && a.Acceleration == b.Acceleration &&
               a.ToolChange == b.ToolChange && a.SpindleRamp == b.SpindleRamp && a.Dwell == b.Dwell &&
               a.MCodes == b.MCodes;
    };
    EXPECT_TRUE(same(again.Total, r.Machine->Total))
        << again.Total.Total() << " for " << r.Machine->Total.Total();
    ASSERT_EQ(again.Tools.size(), r.Machine->Tools.size());
    for (const auto& [tool, split] : r.Machine->Tools)
        EXPECT_TRUE(same(again.Tools.at(tool), split)) << "tool " << tool;
    EXPECT_GT(r.Machine->Total.Dwell, 0);
    EXPECT_GT(r.Machine->Total.MCodes, 0);
    EXPECT_LT(run.Bytes(), 1000 * 17 + 4000u);
}

TEST(MachineCalibration, FindsTheHiddenMachineAndPredictsProgramsLeftOut) {
    machine::Profile hidden;
    hidden.TimeFactor = 1.06;
    hidden.X.AccelMmS2 = 1800;
    hidden.Z.AccelMmS2 = 4200;
    hidden.ToolChangeS = 2.4;
    hidden.SpindleAccelRpmS = 600;
    hidden.MCodeS = 0.8;
    std::mt19937 random(37);
    std::vector<machine::Measured> programs(20);
    for (machine::Measured& m : programs) {
        check::CheckOptions o;
        o.Advice = false;
        o.Machine = std::make_shared<const machine::Profile>();
        o.MachineRecording = &m.Run;
        const check::CheckReport r = check::CheckProgram(Generated(random), o);
        ASSERT_FALSE(r.FailureMessage() || !r.Alarms.empty())
            << (r.Alarms.empty() ? "" : r.Alarms[0].Message);
        // Measured to within ±0.1 %.
        const double noise = (static_cast<double>(random()) / std::mt19937::max() * 2 - 1) * 1e-3;
        m.Seconds = machine::Replay(m.Run, hidden).Total.Total() * (1 + noise);
    }
    // Starting from the typical lathe, far from the hidden one.
    const machine::Calibration c = machine::Calibrate(programs, machine::Profile());
    ASSERT_TRUE(c.Ok) << c.Error;
    for (int k = 0; k < machine::ParameterCount; ++k) {
        const auto p = static_cast<machine::Parameter>(k);
        EXPECT_FALSE(c.Fixed[k]) << machine::ParameterKey(p);
        const double want = machine::ParameterValue(hidden, p), got = machine::ParameterValue(c.Fitted, p);
        EXPECT_NEAR(got / want, 1, 0.05) << machine::ParameterKey(p) << ": " << got << " for " << want;
    }
    ASSERT_EQ(c.LeaveOneOut.size(), programs.size());
    for (size_t i = 0; i < programs.size(); ++i) {
        EXPECT_NEAR(c.LeaveOneOut[i] / programs[i].Seconds, 1, 0.02) << "program " << i;
        EXPECT_NEAR(c.Predicted[i] / programs[i].Seconds, 1, 0.01) << "program " << i;
    }
    // Too few programs for the parameters is said, not fitted.
    const std::vector<machine::Measured> few(programs.begin(), programs.begin() + 4);
    const machine::Calibration none = machine::Calibrate(few, machine::Profile());
    EXPECT_FALSE(none.Ok);
    EXPECT_NE(none.Error.find("at least 7"), std::string::npos) << none.Error;
}

} // namespace
