// SPDX-License-Identifier: GPL-3.0-or-later
// Machine time in closed form: rapids with and without full speed (trapezoid, triangle, S-curve),
// feeds, the spindle's ramp, tool changes, dwells and M codes, G96 across a face with and without
// the clamp. Each expected time is worked out here from the motion itself, not by the planner's
// formulas.

#include "machine/Planner.h"
#include "machine/Ahead.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using machine::Move;
constexpr double Pi = 3.14159265358979323846;
constexpr double Tol = 1e-6;

machine::Profile TestProfile() {
    machine::Profile p;
    p.X = {24000, 2500, 0, 10000}; // 400 mm/s
    p.Z = {30000, 3000, 0, 10000}; // 500 mm/s
    p.InPositionS = 0.02;
    p.BlockTimeS = 0;
    p.ToolChangeS = 1.5;
    p.SpindleAccelRpmS = 500;
    p.SpindleMaxRpm = 4000;
    p.ChuckMaxRpm = 4000;
    return p;
}

Move Rapid(double x0, double z0, double x1, double z1) {
    Move m;
    m.Type = Move::Kind::Rapid;
    m.X0 = x0, m.Z0 = z0, m.X1 = x1, m.Z1 = z1;
    return m;
}

Move Feed(double x0, double z0, double x1, double z1, double f, bool perRev, int64_t line = 1) {
    Move m = Rapid(x0, z0, x1, z1);
    m.Type = Move::Kind::Feed;
    m.Feed = f, m.PerRev = perRev, m.Line = line, m.OwnBlock = true;
    return m;
}

TEST(MachineTime, RapidReachesFullSpeedOrNot) {
    // 100 mm along Z: 500 mm/s is reached after 500²/(2·3000) = 41.7 mm, so the slide cruises:
    // 100/500 s, plus what reaching and leaving full speed costs (v/a), plus settling.
    machine::Planner trapezoid(TestProfile());
    trapezoid.Add(Rapid(50, 100, 50, 0));
    machine::Result r = trapezoid.Finish();
    EXPECT_NEAR(r.Total.Rapid, 0.2, Tol);
    EXPECT_NEAR(r.Total.Acceleration, 500.0 / 3000 + 0.02, Tol);
    // 10 mm: half accelerating, half braking, never at full speed: 5 = a t²/2 each way.
    machine::Planner triangle(TestProfile());
    triangle.Add(Rapid(50, 10, 50, 0));
    r = triangle.Finish();
    EXPECT_NEAR(r.Total.Rapid + r.Total.Acceleration, 2 * std::sqrt(2 * 5.0 / 3000) + 0.02, Tol);
    EXPECT_NEAR(r.Total.Rapid, 10.0 / 500, Tol);
    // Both slides: each its own profile; the longer one decides. X 40 on the diameter is 20 mm of
    // slide, a triangle at 2500 mm/s²; Z 10 mm a triangle at 3000 mm/s².
    machine::Planner both(TestProfile());
    both.Add(Rapid(40, 10, 0, 0));
    r = both.Finish();
    EXPECT_NEAR(r.Total.Rapid + r.Total.Acceleration, 2 * std::sqrt(2 * 10.0 / 2500) + 0.02, Tol);
    EXPECT_NEAR(r.Tools[0].Rapid, r.Total.Rapid, 0);
}

TEST(MachineTime, SCurveWithJerk) {
    const double v = 500, a = 3000, j = 30000;
    // Full speed reached: the known total d/v + v/a + a/j.
    EXPECT_NEAR(machine::RestToRestTime(200, v, a, j), 200 / v + v / a + a / j, Tol);
    // So short that neither full acceleration nor full speed is reached: four phases of jerk of
    // equal length T with d = 2 j T³.
    EXPECT_NEAR(machine::RestToRestTime(1, v, a, j), 4 * std::cbrt(1 / (2 * j)), Tol);
    // Full acceleration but not full speed: the peak speed vp the time gives must cover d with
    // d = vp (vp/a + a/j).
    const double t = machine::RestToRestTime(100, v, a, j);
    const double vp = a * (t / 2 - a / j);
    EXPECT_LT(vp, v);
    EXPECT_GT(vp, a * a / j);
    EXPECT_NEAR(vp * (vp / a + a / j), 100, 1e-6);
    // Without jerk: the trapezoid and triangle of the rapids above.
    EXPECT_NEAR(machine::RestToRestTime(100, v, a, 0), 100 / v + v / a, Tol);
    // A rapid on a profile with jerk uses it.
    machine::Profile p = TestProfile();
    p.Z.JerkMmS3 = j;
    machine::Planner planner(p);
    planner.Add(Rapid(50, 200, 50, 0));
    const machine::Result r = planner.Finish();
    EXPECT_NEAR(r.Total.Rapid + r.Total.Acceleration, 200 / v + v / a + a / j + 0.02, Tol);
}

TEST(MachineTime, FeedsSpindleRampToolChangeDwellAndMCodes) {
    machine::Planner planner(TestProfile());
    planner.ToolChange(1, 1);
    // M03 S1000 at 500 rpm/s: 2 s to full speed. A rapid of 0.2 s + its loss runs meanwhile;
    // the cut waits for the rest.
    planner.Spindle({3, false, 1000, 0}, 2, 1);
    planner.Add([] {
        Move m = Rapid(50, 100, 50, 0);
        m.Tool = 1;
        return m;
    }());
    const double rapid = 0.2 + 500.0 / 3000 + 0.02;
    // F0.6 mm/rev at 1000 rpm = 10 mm/s along 50 mm of Z, from rest to rest at 3000 mm/s².
    Move cut = Feed(50, 0, 50, -50, 0.6, true, 3);
    cut.Tool = 1;
    planner.Add(cut);
    planner.Dwell(1.25, 4, 1);
    planner.MCode(8, 5, 1);  // coolant: the profile's M code time
    planner.MCode(30, 6, 1); // the end costs nothing
    const machine::Result r = planner.Finish();
    const machine::Split& t = r.Tools.at(1);
    EXPECT_NEAR(t.ToolChange, 1.5, Tol);
    EXPECT_NEAR(t.SpindleRamp, 2 - rapid, Tol);
    EXPECT_NEAR(t.Cutting, 5, Tol);
    EXPECT_NEAR(t.Acceleration, 500.0 / 3000 + 0.02 + 10.0 / 3000, Tol);
    EXPECT_NEAR(t.Dwell, 1.25, Tol);
    EXPECT_NEAR(t.MCodes, 0.3, Tol);
    EXPECT_NEAR(r.Total.Total(), 1.5 + 2 + 5 + 10.0 / 3000 + 1.25 + 0.3, Tol);
    EXPECT_TRUE(r.Findings.empty());
}

TEST(MachineTime, FeedsBlendAtSmallCornersAndStopAtSharpOnes) {
    // Two cuts in a straight line run through at full feed: only the start and the end cost.
    machine::Planner straight(TestProfile());
    straight.Add(Feed(50, 0, 50, -25, 600, false));
    straight.Add(Feed(50, -25, 50, -50, 600, false));
    machine::Result r = straight.Finish();
    EXPECT_NEAR(r.Total.Cutting, 5, Tol);
    EXPECT_NEAR(r.Total.Acceleration, 10.0 / 3000, Tol);
    // A square shoulder with no blend tolerance: the slides stop at the corner.
    machine::Profile p = TestProfile();
    p.BlendToleranceMm = 0;
    machine::Planner corner(p);
    corner.Add(Feed(50, 0, 50, -25, 600, false));
    corner.Add(Feed(50, -25, 100, -25, 600, false));
    r = corner.Finish();
    EXPECT_NEAR(r.Total.Acceleration, 10.0 / 3000 + 10.0 / 2500, Tol);
}

TEST(MachineTime, ALongStraightRunOutgrowsTheLookAhead) {
    // 30 cuts of 2 mm along Z at 10 mm/s, more than the 20 blocks planned ahead: the run never
    // slows between them, so only its start and end cost (v/a), however the look-ahead moves on.
    for (const int ahead : {20, 40}) {
        machine::Profile p = TestProfile();
        p.LookAheadBlocks = ahead;
        machine::Planner planner(p);
        for (int k = 0; k < 30; ++k)
            planner.Add(Feed(50, -2.0 * k, 50, -2.0 * (k + 1), 600, false));
        const machine::Result r = planner.Finish();
        EXPECT_NEAR(r.Total.Cutting, 6, Tol) << ahead;
        EXPECT_NEAR(r.Total.Acceleration, 10.0 / 3000, Tol) << ahead;
    }
}

// A G96 arc (S200, F0.2 mm/rev) from X60 Z0 to X60 Z-20 round X60 Z-10, clockwise under the
// centre (down to X40) or counter-clockwise over it (up to X80): its time by the midpoints of
// many small steps along it, where the spindle turns at 1000 S / (pi D).
double ArcTime(bool clockwise) {
    constexpr int Steps = 200000;
    double t = 0;
    for (int i = 0; i < Steps; ++i) {
        const double phi = (clockwise ? -1 : 1) * Pi * (i + 0.5) / Steps; // from +Z towards +radius
        const double d = 2 * (30 + 10 * std::sin(phi));
        t += 10 * Pi / Steps / (0.2 * 1000 * 200 / (Pi * d) / 60);
    }
    return t;
}

TEST(MachineTime, ConstantSurfaceSpeedAlongArcs) {
    for (const bool clockwise : {true, false}) {
        machine::Profile p = TestProfile();
        p.ChuckMaxRpm = 1000; // broken all along the arc: the finding names its smallest diameter
        machine::Planner planner(p);
        planner.Spindle({3, true, 200, 4000}, 1, 0);
        Move m = Feed(60, 0, 60, -20, 0.2, true, 2);
        m.Arc = true, m.Clockwise = clockwise, m.CX = 60, m.CZ = -10, m.R = 10;
        planner.Add(m);
        const machine::Result r = planner.Finish();
        EXPECT_NEAR(r.Total.Cutting, ArcTime(clockwise), 1e-6 * ArcTime(clockwise)) << clockwise;
        ASSERT_EQ(r.Findings.size(), 1u) << clockwise;
        EXPECT_NE(r.Findings[0].Message.find(clockwise ? "at X40.000" : "at X60.000"), std::string::npos)
            << r.Findings[0].Message;
    }
}

// G96 S200, F0.2 mm/rev, facing from X100 to the centre: the spindle follows 1000 S / (pi D)
// until it meets the clamp. Worked out along the radius r (D = 2r): dt = dr / (f n / 60).
double FaceTime(double clamp) {
    const double s = 200, f = 0.2;
    const double rc = 1000 * s / (Pi * clamp) / 2;             // radius where the clamp takes over
    const double free = Pi * (50 * 50 - rc * rc) / (1000 * s); // integral of 2 pi r / (1000 s)
    const double held = rc / clamp;
    return 60 / f * (free + held);
}

TEST(MachineTime, ConstantSurfaceSpeedAcrossAFace) {
    for (const double clamp : {0.0, 2000.0}) {
        machine::Profile p = TestProfile();
        p.X.AccelMmS2 = p.Z.AccelMmS2 = 1e5; // the cut itself, not its start and end
        machine::Planner planner(p);
        planner.Spindle({3, true, 200, clamp}, 1, 0);
        planner.Add(Feed(100, 0, 0, 0, 0.2, true, 2));
        const machine::Result r = planner.Finish();
        EXPECT_NEAR(r.Total.Cutting, FaceTime(clamp > 0 ? clamp : 4000), Tol) << clamp;
        // Without a clamp the machine's maximum holds it, and that is a finding.
        ASSERT_EQ(r.Findings.size(), clamp > 0 ? 0u : 1u);
        if (clamp == 0) {
            EXPECT_EQ(r.Findings[0].Code, "css-unclamped");
            EXPECT_EQ(r.Findings[0].Line, 2);
        }
    }
}

// A speed commanded, then a cut that waits for it (no motion in between) with its own tool
// number `k`: the tool's spindle time is the ramp's.
void CutAfter(machine::Planner& planner, const machine::SpindleCommand& c, double k) {
    planner.Spindle(c, 1, k);
    Move m = Feed(50, 0, 50, -1, 0.1, true);
    m.Tool = k;
    planner.Add(m);
}

TEST(MachineTime, TheSpindleUnderItsPowerCurveAndItsGearRanges) {
    // Full torque to 1500 rpm at 1000 rpm/s; above it constant power, torque base/n: n dn/dt =
    // 1000·1500, so from 1500 to 3000 takes (3000² - 1500²) / (2·1000·1500) = 2.25 s.
    machine::Profile p = TestProfile();
    p.SpindleAccelRpmS = 1000;
    p.SpindleBaseRpm = 1500;
    machine::Planner curve(p);
    CutAfter(curve, {3, false, 3000, 0}, 1);
    CutAfter(curve, {3, false, 500, 0}, 2);  // braking under the same curve: 2.25 s, then 1 s
    CutAfter(curve, {4, false, 3000, 0}, 3); // turning round: to rest and up again the other way
    machine::Result r = curve.Finish();
    EXPECT_NEAR(r.Tools.at(1).SpindleRamp, 1.5 + 2.25, Tol);
    EXPECT_NEAR(r.Tools.at(2).SpindleRamp, 2.25 + 1, Tol);
    EXPECT_NEAR(r.Tools.at(3).SpindleRamp, 0.5 + 3.75, Tol);

    // A measured ramp stands for the rate and the curve: 1 s to 1000 rpm, 4 s to 3000, straight
    // between (1.5 s a thousand rpm) and on at that rate above 3000.
    p.Ramp = {{1000, 1}, {3000, 4}};
    machine::Planner measured(p);
    CutAfter(measured, {3, false, 2000, 0}, 1); // 1 + 1.5
    CutAfter(measured, {3, false, 3500, 0}, 2); // from 2.5 s to 4.75 s
    CutAfter(measured, {3, false, 500, 0}, 3);  // braking the same way, to 0.5 s
    CutAfter(measured, {4, false, 1000, 0}, 4); // through rest: 0.5 + 1
    r = measured.Finish();
    EXPECT_NEAR(r.Tools.at(1).SpindleRamp, 2.5, Tol);
    EXPECT_NEAR(r.Tools.at(2).SpindleRamp, 2.25, Tol);
    EXPECT_NEAR(r.Tools.at(3).SpindleRamp, 4.25, Tol);
    EXPECT_NEAR(r.Tools.at(4).SpindleRamp, 1.5, Tol);

    // Two gear ranges at 500 rpm/s, full torque: the first taken by the speed, a change of range
    // stops the spindle, takes its 2 s and starts it again; M41 holds the first range's 800 rpm.
    p = TestProfile();
    p.Gears = {{20, 800}, {600, 4000}};
    p.GearChangeS = 2;
    machine::Planner gears(p);
    CutAfter(gears, {3, false, 500, 0}, 1);  // range 1 from rest: no change
    CutAfter(gears, {3, false, 700, 0}, 2);  // still range 1
    CutAfter(gears, {3, false, 2000, 0}, 3); // range 2: 1.4 s down, 2 s, 4 s up
    gears.MCode(41, 2, 4);
    Move m = Feed(50, -1, 50, -17, 0.2, true); // 16 mm at 0.2 mm/rev and 800 rpm: 6 s
    m.Tool = 4;
    gears.Add(m);
    r = gears.Finish();
    EXPECT_NEAR(r.Tools.at(1).SpindleRamp, 1, Tol);
    EXPECT_NEAR(r.Tools.at(2).SpindleRamp, 0.4, Tol);
    EXPECT_NEAR(r.Tools.at(3).SpindleRamp, 1.4 + 2 + 4, Tol);
    EXPECT_NEAR(r.Tools.at(4).SpindleRamp, 4 + 2 + 1.6, Tol);
    EXPECT_NEAR(r.Tools.at(4).Cutting, 6, Tol);
    EXPECT_EQ(r.Total.MCodes, 0); // a range chosen is the spindle's time, not an M code's
}

TEST(MachineTime, TheTurretTurnsByStations) {
    machine::Profile p = TestProfile();
    p.ToolStationS = 0.25, p.TurretStations = 12;
    machine::Planner planner(p);
    planner.ToolChange(1, 1);  // where the turret stood is not known: the index alone
    planner.ToolChange(2, 4);  // 3 stations on
    planner.ToolChange(3, 11); // 7 on is 5 back
    const machine::Result r = planner.Finish();
    EXPECT_NEAR(r.Total.ToolChange, 3 * 1.5 + 0.25 * (3 + 5), Tol);
    EXPECT_NEAR(r.Tools.at(11).ToolChange, 1.5 + 1.25, Tol);
}

// Planned on a thread behind the run, the times and findings are those planned in line, the thread
// going round its ring many times; and a run dropped before its end (a check that failed) stops
// the thread without waiting for the planning.
TEST(MachineTime, PlannedBehindTheRunAsInLine) {
    machine::Profile p = TestProfile();
    p.BlockTimeS = 0.004;
    const auto run = [](machine::Ahead& a, int blocks) {
        for (int i = 0; i < blocks; ++i) {
            const double x = 20 + i % 40;
            if (i % 5000 == 0) a.Spindle({3, i % 10000 == 0, 150.0 + i % 7, 0}, i);
            if (i % 7000 == 0) a.ToolChange(i, 1 + i / 7000);
            if (i % 3000 == 0) a.Dwell(0.5, i);
            if (i % 4000 == 0) a.MCode(8, i);
            a.Rapid(i, x + 2, 2, x, 2);
            a.Feed(machine::Ahead::OwnBlockBit | machine::Ahead::PerRevBit, i, x, 2, x, -30, 0.2);
            // A quarter circle out to a diameter 10 larger, and a short block at a fast feed.
            a.Arc(machine::Ahead::PerRevBit, i, x, -30, x + 10, -35, 0.1, x, -35, 5);
            a.Feed(machine::Ahead::OwnBlockBit, i, x + 10, -35, x + 10, -35.01, 3000);
        }
    };
    using machine::PlanOn;
    machine::Ahead inLine(p, 0, nullptr, PlanOn::Run), behind(p, 0, nullptr, PlanOn::OtherCore);
    run(inLine, 20000), run(behind, 20000);
    const machine::Result a = inLine.Finish({}), b = behind.Finish({});
    EXPECT_GT(a.Total.Total(), 0);
    EXPECT_EQ(a.Total.Total(), b.Total.Total());
    EXPECT_EQ(a.Total.SpindleRamp, b.Total.SpindleRamp);
    EXPECT_EQ(a.Total.Dwell, b.Total.Dwell);
    EXPECT_EQ(a.Tools.size(), 3u);
    ASSERT_EQ(b.Tools.size(), a.Tools.size());
    for (const auto& [tool, split] : a.Tools)
        EXPECT_EQ(split.Total(), b.Tools.at(tool).Total()) << tool;
    ASSERT_FALSE(a.Findings.empty());
    ASSERT_EQ(a.Findings.size(), b.Findings.size());
    for (size_t k = 0; k < a.Findings.size(); ++k) {
        EXPECT_EQ(a.Findings[k].Line, b.Findings[k].Line);
        EXPECT_EQ(a.Findings[k].Message, b.Findings[k].Message);
    }
    machine::Ahead dropped(p, 0, nullptr, PlanOn::Thread);
    run(dropped, 20000);
}

} // namespace
