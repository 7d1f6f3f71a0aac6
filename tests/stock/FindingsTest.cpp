// SPDX-License-Identifier: GPL-3.0-or-later
// Each finding of the stock on a small program made for it, and its near miss, run through the
// checker as a user runs it (lines, tools and the spindle come from the run).

#include "check/Checker.h"
#include "check/StockSection.h"
#include "stock/SetupFile.h"
#include "support/ProgramText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace {

using Found = std::vector<std::pair<int64_t, std::string>>;

std::shared_ptr<const stock::Setup> SetupOf(const std::string& toml) {
    stock::SetupError error;
    std::optional<stock::Setup> s = stock::ParseSetup(toml, "test.setup.toml", error);
    EXPECT_TRUE(s) << error.Text();
    return s ? std::make_shared<const stock::Setup>(*s) : nullptr;
}

const std::string Bar50 = "[stock]\nkind = \"bar\"\ndiameter = 50\nlength = 100\n";

check::CheckReport Check(const std::vector<std::string>& blocks, const std::string& toml = Bar50) {
    check::CheckOptions o;
    o.Stock = SetupOf(toml);
    return check::CheckProgram(Program(blocks), o);
}

// The stock findings, but those of the code `leaveOut` (a finding beside the point of a test).
Found FindingsOf(const check::CheckReport& r, const std::string& leaveOut = "") {
    Found out;
    if (r.Stock)
        for (const stock::Finding& f : r.Stock->Findings)
            if (f.Code != leaveOut) out.emplace_back(f.Line, f.Code);
    return out;
}

// The start of every program: tool 1 (a CNMG with 0.8 nose) at the front, spindle running.
std::vector<std::string> Start(std::vector<std::string> more, const std::string& spindle = "M03") {
    std::vector<std::string> p = {"G00 X200. Z100.", "T0101 (CNMG 120408)", "G97 S1000 " + spindle,
                                  "G95 G00 X46. Z2."};
    p.insert(p.end(), more.begin(), more.end());
    return p;
}

TEST(StockFindings, RapidIntoStockButNotARetractAlongTheWallJustCut) {
    // Line 7 runs into the bar, line 8 out of it again (no second mistake); the retract of line
    // 6 grazes the wall.
    const check::CheckReport r =
        Check(Start({"G01 Z-20. F0.2", "G00 Z2.", "G00 X40. Z-10.", "G00 X200. Z100."}));
    EXPECT_EQ(FindingsOf(r), (Found{{7, "rapid-into-stock"}}));
    ASSERT_EQ(r.Stock->Findings.size(), 1u);
    EXPECT_EQ(r.Stock->Findings[0].Tool, 1);
    EXPECT_EQ(r.Stock->Findings[0].X, 40);
    EXPECT_EQ(r.Stock->Findings[0].Z, -10);
}

TEST(StockFindings, ARapidRubsOrRunsIntoTheStockByItsDepthOncePerEntry) {
    // Along the D46 just turned: 0.05 deep (line 8), then 0.2 deep (line 12), each left again
    // at rapid (lines 9 and 13); then into the bar again elsewhere (line 15) and out (line 16).
    const std::vector<std::string> p =
        Start({"G01 Z-20. F0.2", "G00 Z2.", "G00 X45.9", "G00 Z-10.", "G00 X60.", "G00 Z2.", "G00 X45.6",
               "G00 Z-10.", "G00 X60.", "G00 Z2.", "G00 X40. Z-10.", "G00 X200. Z100."});
    const check::CheckReport r = Check(p);
    ASSERT_EQ(FindingsOf(r), (Found{{8, "rapid-rub"}, {12, "rapid-into-stock"}, {15, "rapid-into-stock"}}));
    EXPECT_EQ(r.Stock->Findings[0].Level, stock::Severity::Warning);
    EXPECT_NE(r.Stock->Findings[0].Message.find("0.050 mm deep"), std::string::npos)
        << r.Stock->Findings[0].Message;
    EXPECT_NE(r.Stock->Findings[1].Message.find("0.200 mm deep"), std::string::npos)
        << r.Stock->Findings[1].Message;
    // The rub depth is the setup's.
    EXPECT_EQ(FindingsOf(Check(p, Bar50 + "rub_depth = 0.3\n")),
              (Found{{8, "rapid-rub"}, {12, "rapid-rub"}, {15, "rapid-into-stock"}}));
}

TEST(StockFindings, CuttingWithTheSpindleStoppedOnlyWhenMaterialIsCut) {
    EXPECT_EQ(FindingsOf(Check(Start({"G01 Z1. F0.2", "G01 Z-20.", "G00 X200. Z100."}, "M05"))),
              (Found{{6, "cutting-with-spindle-stopped"}}));
    EXPECT_EQ(FindingsOf(Check(Start({"G01 Z-20. F0.2", "G00 X200. Z100."}, "M03"))), Found{});
}

TEST(StockFindings, CentrePipWhenAFaceStopsWithinTheNoseRadius) {
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X54. Z-1.", "G01 X0. F0.1", "G00 X60."}))),
              (Found{{6, "centre-pip"}}));
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X54. Z-1.", "G01 X-1.6 F0.1", "G00 X60."}))), Found{});
    // The insert's 10° underside leaves a needle in front of the pip, 0.02 thick at Z0, that
    // meets the pip only where the nose touches the axis: it flies off, so backing off along Z
    // meets nothing and the part ends at the pip's tip, Z-0.2.
    const check::CheckReport back = Check(Start({"G00 X54. Z-1.", "G01 X0. F0.1", "G00 Z2."}));
    EXPECT_EQ(FindingsOf(back), (Found{{6, "centre-pip"}}));
    EXPECT_NEAR(back.Stock->PartLength, 99.8, 0.002);
    // Judged from the nose: a tool programmed at its nose centre whose nose stops touching the
    // axis leaves the same pip; with its centre on the axis, none.
    const std::string centre = Bar50 + "[[tool]]\nnumber = 1\ninsert = \"CNMG 120408\"\ntip = 0\n";
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X60.", "G00 Z-1.", "G01 X1.6 F0.1", "G00 X60."}), centre)),
              (Found{{7, "centre-pip"}}));
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X60.", "G00 Z-1.", "G01 X0. F0.1", "G00 X60."}), centre)),
              Found{});
}

TEST(StockFindings, WorkholdingCollisionWithTheJaws) {
    const std::string chuck = Bar50 + "[chuck]\nface_z = -60\ngrip_length = 10\njaw_height = 10\n";
    EXPECT_EQ(FindingsOf(Check(Start({"G01 Z-45. F0.2", "G00 X60.", "G00 Z2."}), chuck)), Found{});
    const Found hit = FindingsOf(Check(Start({"G01 Z-55. F0.2", "G00 X60.", "G00 Z2."}), chuck));
    ASSERT_FALSE(hit.empty());
    EXPECT_EQ(hit.front(), (Found::value_type{5, "workholding-collision"}));
    // A tailstock centre in the face: facing to the axis meets its cone, facing to X24 does not.
    const std::string tail = Bar50 + "[tailstock]\nz = 0\n";
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X54. Z-1.", "G01 X24. F0.1", "G00 X60."}), tail)), Found{});
    const Found cone = FindingsOf(Check(Start({"G00 X54. Z-1.", "G01 X-1.6 F0.1", "G00 X60."}), tail));
    ASSERT_FALSE(cone.empty());
    EXPECT_EQ(cone.front(), (Found::value_type{6, "workholding-collision"}));
}

TEST(StockFindings, HolderCollisionAndCutBeyondTheEdge) {
    // A holder reaching 1 mm below the cutting point behind the insert runs into the uncut bar.
    const std::string low = Bar50 + "[[tool]]\nnumber = 1\nholder = [[3, -1], [10, -1], [10, 30], [3, 30]]\n";
    const std::string high =
        Bar50 + "[[tool]]\nnumber = 1\nholder = [[3, 0.5], [10, 0.5], [10, 30], [3, 30]]\n";
    // (The retract leaves what it ran into: no second finding.)
    EXPECT_EQ(FindingsOf(Check(Start({"G01 Z-20. F0.2", "G00 X60."}), low)),
              (Found{{5, "holder-collision"}}));
    EXPECT_EQ(FindingsOf(Check(Start({"G01 Z-20. F0.2", "G00 X60."}), high)), Found{});
    // An edge of 4 mm: a 5 mm depth is too deep, 3 mm is not.
    const std::string small = Bar50 + "[[tool]]\nnumber = 1\nedge_length = 4\nnose_radius = 0.4\n";
    // (Its holder, 1.5 mm above the nose, is in the cut too; the retract leaves it.)
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X40.", "G01 Z-20. F0.2", "G00 X60."}), small)),
              (Found{{6, "holder-collision"}, {6, "cut-beyond-edge"}}));
    EXPECT_EQ(FindingsOf(Check(Start({"G00 X44.", "G01 Z-20. F0.2", "G00 X60."}), small)), Found{});
}

TEST(StockFindings, TheBackOfAnInsertCutsWhenTheProfileFallsSteeperThanItsClearance) {
    // After turning D40 to Z-30, the nose falls from X40 Z-10 to X20 Z-12: 79° to the axis.
    // Holders up and away from the cut, so that only the inserts can meet the part.
    const auto insert = [](const std::string& shape, int approach, const std::string& holder) {
        return Bar50 + "[[tool]]\nnumber = 1\ninsert = \"" + shape +
               "\"\napproach_angle = " + std::to_string(approach) + "\nholder = " + holder + "\n";
    };
    const std::string cnmg = insert("CNMG 120408", 95, "[[2, 14], [8, 14], [8, 60], [2, 60]]");
    const std::string vnmg = insert("VNMG 160408", 60, "[[-8, 16], [-2, 16], [-2, 60], [-8, 60]]");
    const auto fall = [](const std::string& to) {
        return Start({"G00 Z12.", "G00 X40.", "G01 Z-30. F0.2", "G01 X54.", "G00 Z-10.", "G01 X40.", to,
                      "G01 X40. Z-10.", "G00 X60."});
    };
    // A 95° insert's end edge, 5° off the axis, digs into the D40 it has just turned.
    const check::CheckReport steep = Check(fall("G01 X20. Z-12."), cnmg);
    // (It cuts deeper than its edge too.) The falls are cut without nose radius compensation,
    // which is not what these cases are about.
    const auto Seen = [](const check::CheckReport& r) { return FindingsOf(r, "no-nose-compensation"); };
    ASSERT_EQ(Seen(steep), (Found{{11, "holder-collision"}, {11, "cut-beyond-edge"}}));
    EXPECT_NE(steep.Stock->Findings.front().Message.find("back of the insert"), std::string::npos);
    // A 35° diamond whose end edge stands 85° off the axis clears the same fall, and the 95°
    // insert a fall of 3°.
    EXPECT_EQ(Seen(Check(fall("G01 X20. Z-12."), vnmg)), Found{});
    EXPECT_EQ(Seen(Check(fall("G01 X39. Z-20."), cnmg)), Found{});
    // The 95° insert finishing that fall after the diamond roughed it: nothing is left on the
    // waste side, and its end edge still digs into the D40.
    std::vector<std::string> finish = fall("G01 X20. Z-12.");
    finish.insert(finish.end(),
                  {"T0202", "G00 X54. Z-10.", "G01 X40.", "G01 X20. Z-12.", "G01 X40. Z-10.", "G00 X60."});
    const std::string both = vnmg + "[[tool]]\nnumber = 2\ninsert = \"CNMG 120408\"\napproach_angle = 95\n"
                                    "holder = [[2, 14], [8, 14], [8, 60], [2, 60]]\n";
    EXPECT_EQ(Seen(Check(finish, both)), (Found{{17, "holder-collision"}}));
    // The 95° insert turning, facing and chamfering towards the chuck: its back stays clear.
    EXPECT_EQ(Seen(Check(Start({"G00 X40.", "G01 Z-30. F0.2", "G01 X54.", "G00 Z-1.", "G01 X30.",
                                "G01 X40. Z-6.", "G00 X60."}),
                         cnmg)),
              Found{});
}

TEST(StockFindings, AFaceGroovingBladeCutsItsGrooveAcrossTheRadius) {
    // A 3 mm blade plunged 4 deep along Z at X22, its reference corner (tip 3) the inner one: the
    // groove runs from radius 11 to 14, 300π mm³ turned round the axis.
    const std::string blade = Bar50 +
                              "[[tool]]\nnumber = 4\nkind = \"grooving\"\nwidth = 3\ncorner_radius = 0\n"
                              "reach = 10\ntip = 3\n";
    const std::vector<std::string> p = {"G00 X200. Z100.", "T0404",   "G97 S600 M03",   "G95 G00 X22. Z2.",
                                        "G01 Z-4. F0.05",  "G00 Z2.", "G00 X200. Z100."};
    const check::CheckReport face = Check(p, blade + "axis = \"z\"\n");
    ASSERT_TRUE(face.Stock);
    EXPECT_EQ(FindingsOf(face), Found{});
    EXPECT_NEAR(face.Stock->RemovedMm3, 300 * std::numbers::pi, 1e-3);
    const stock::Region& part = face.Stock->Part;
    const auto solid = [&part](double z, double radius) {
        return part.Intersect(stock::Region::Rectangle(z - 0.01, radius - 0.01, z + 0.01, radius + 0.01))
            .Area();
    };
    EXPECT_NEAR(solid(-2, 10.95), 4e-4, 1e-9); // the groove's inner wall stands
    EXPECT_EQ(solid(-2, 11.05), 0);
    EXPECT_EQ(solid(-3.95, 13.95), 0); // its floor and outer wall are cut square
    EXPECT_NEAR(solid(-4.05, 12), 4e-4, 1e-9);
    EXPECT_NEAR(solid(-2, 14.05), 4e-4, 1e-9);
    // The same plunge with a radial blade drives its reach and holder into the face.
    EXPECT_EQ(FindingsOf(Check(p, blade)), (Found{{5, "holder-collision"}, {5, "cut-beyond-edge"}}));
}

TEST(StockFindings, ADrivenCrossDrillCutsNoRingAndRetractsThroughItsHole) {
    // The spindle stands while the live drill feeds across the shaft at Z-20 and backs out at
    // rapid; line 8 then rapids the drill into the bar at Z-30, and line 9 out of it (the
    // same mistake, told once).
    const std::string drill = Bar50 +
                              "[[tool]]\nnumber = 8\nkind = \"drill\"\ndiameter = 4\nflute_length = 30\n"
                              "axis = \"x\"\n";
    const std::vector<std::string> p = {"G00 X200. Z100.", "T0808",          "M05",
                                        "G00 X56. Z-20.",  "G01 X30. F0.06", "G00 X56.",
                                        "G00 Z-30.",       "G00 X40.",       "G00 X200. Z100."};
    const check::CheckReport driven = Check(p, drill + "driven = true\n");
    ASSERT_TRUE(driven.Stock);
    EXPECT_EQ(FindingsOf(driven), (Found{{8, "rapid-into-stock"}}));
    EXPECT_EQ(driven.Stock->RemovedMm3, 0);
    EXPECT_EQ(driven.Stock->LeftMm3, driven.Stock->StockMm3);
    // Not driven, the same drill turns a ring round the part (with the spindle stopped), so the
    // retract is clean; the rapid into the bar still is not.
    const check::CheckReport ring = Check(p, drill);
    EXPECT_EQ(FindingsOf(ring), (Found{{5, "cutting-with-spindle-stopped"}, {8, "rapid-into-stock"}}));
    // The ring: 4 wide from radius 15 + c (c the 118° point's length) to 25, and the point's
    // triangle below it, turned round the axis.
    const double c = 2 / std::tan(59 * std::numbers::pi / 180);
    const double moment = 2 * (25 * 25 - (15 + c) * (15 + c)) + 4 / c * (15 * c * c / 2 + c * c * c / 3);
    EXPECT_NEAR(ring.Stock->RemovedMm3, 2 * std::numbers::pi * moment, 1e-3);
}

TEST(StockFindings, AirCuttingPerTool) {
    // Told at the tool's first feed move, with its position and sequence number as any finding.
    const check::CheckReport air = Check(Start({"G00 X60.", "N7 G01 Z-20. F0.2", "G00 X200. Z100."}));
    EXPECT_EQ(FindingsOf(air), (Found{{6, "air-cutting"}}));
    ASSERT_EQ(air.Stock->Findings.size(), 1u);
    EXPECT_EQ(air.Stock->Findings[0].N, "7");
    EXPECT_EQ(air.Stock->Findings[0].X, 60);
    EXPECT_EQ(air.Stock->Findings[0].Z, -20);
    EXPECT_NE(check::ReportText(air).find("[air-cutting] (N7, tool 1 at X60.000 Z-20.000)"),
              std::string::npos)
        << check::ReportText(air);
    EXPECT_EQ(FindingsOf(Check(Start({"G01 Z-20. F0.2", "G00 X60."}))), Found{});
}

TEST(StockFindings, ThreadPassesMarkTheirZoneInTheSection) {
    // Two passes of a thread tool along D46.8 and D46.2 over Z5 to Z-20: the section takes the
    // whole ring to the root, and says where.
    const std::string thread = Bar50 + "[[tool]]\nnumber = 4\nkind = \"thread\"\n";
    check::CheckOptions o;
    o.Stock = SetupOf(thread);
    const check::CheckReport r = check::CheckProgram(
        Program({"G00 X200. Z100.", "T0404", "G97 S500 M03", "G00 X46.8 Z5.", "G01 Z-20. F1.5", "G00 X52.",
                 "G00 Z5.", "G00 X46.2", "G01 Z-20.", "G00 X52.", "G00 X200. Z100."}),
        o);
    ASSERT_TRUE(r.Stock);
    ASSERT_EQ(r.Stock->ThreadZones.size(), 1u);
    const stock::Box z = r.Stock->ThreadZones[0];
    EXPECT_EQ(std::vector<double>({z.z0, z.x0, z.z1, z.x1}), std::vector<double>({-20, 23.1, 5, 23.4}));
    const std::optional<check::StockSection> section = check::SectionOf(r, o);
    ASSERT_TRUE(section);
    EXPECT_EQ(section->Threads.size(), 1u);
}

// The path is in millimetres whatever the program's unit, as the setup is: an inch program cuts
// what its metric twin cuts, and its findings name positions in inches, as it writes them.
TEST(StockFindings, AnInchProgramCutsAsItsMetricTwin) {
    check::CheckOptions inch, metric;
    inch.Stock = metric.Stock = SetupOf(Bar50);
    inch.Lathe.Unit = 4;
    const auto program = [](double k) {
        const auto at = [k](const char* word, double v) { return std::string(word) + std::to_string(v * k); };
        return Program({"T0101 (CNMG 120408)", "G97 S1000 M03", "G00 " + at("X", 1.5) + " " + at("Z", 0.1),
                        "G01 " + at("Z", -1) + " F0.2", "G00 " + at("X", 3) + " " + at("Z", 0.1),
                        "G00 " + at("X", 1) + " " + at("Z", -0.5)});
    };
    const check::CheckReport inches = check::CheckProgram(program(1), inch);
    const check::CheckReport mm = check::CheckProgram(program(25.4), metric);
    ASSERT_TRUE(inches.Stock && mm.Stock);
    EXPECT_GT(mm.Stock->RemovedMm3, 10000);
    EXPECT_NEAR(inches.Stock->RemovedMm3, mm.Stock->RemovedMm3, 1e-4 * mm.Stock->RemovedMm3);
    EXPECT_EQ(FindingsOf(inches), (Found{{6, "rapid-into-stock"}}));
    EXPECT_EQ(FindingsOf(mm), FindingsOf(inches));
    EXPECT_NEAR(inches.Stock->Findings[0].X, 1, 1e-6);
    EXPECT_NEAR(mm.Stock->Findings[0].X, 25.4, 1e-6);
}

TEST(StockFindings, ReportsCarryTheStockOnlyWhenOneIsGiven) {
    const std::vector<std::string> p = Start({"G01 Z-20. F0.2", "G00 X60. Z2.", "N12 G00 X40. Z-10.", "M30"});
    check::CheckOptions plain;
    const check::CheckReport without = check::CheckProgram(Program(p), plain);
    EXPECT_FALSE(without.Stock);
    EXPECT_EQ(check::ReportJson(without).find("stock"), std::string::npos);

    check::CheckReport with = Check(p);
    with.File = "p.min";
    const std::string json = check::ReportJson(with);
    EXPECT_NE(
        json.find("{\"line\": 7, \"code\": \"rapid-into-stock\", \"severity\": \"error\", \"message\": "),
        std::string::npos)
        << json;
    EXPECT_NE(json.find("\"tool\": 1, \"n\": \"12\", \"position\": {\"x\": 40, \"z\": -10}}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"stock\": {\"removed_mm3\": "), std::string::npos) << json;
    EXPECT_NE(json.find("\"part\": {\"max_diameter\": 50, \"length\": 100}"), std::string::npos) << json;
    EXPECT_TRUE(check::StockFails(with, false));
    const std::string text = check::ReportText(with);
    EXPECT_NE(text.find("  line 7: error: "), std::string::npos) << text;
    EXPECT_NE(text.find("[rapid-into-stock] (N12, tool 1 at X40.000 Z-10.000)"), std::string::npos) << text;
}

// A setup the polygon arithmetic cannot take (here made by hand, past the reader's rule) costs
// the stock, never the program's own check: its alarm and advice stay, the report says why the
// stock was left out. A stop flag gives a stock's check up inside its cuts.
TEST(StockFindings, AStockThatCannotBeCutLeavesTheProgramsCheckWhole) {
    const std::vector<std::string> p = Start({"G01 Z-20. F0.2", "G00 X60. Z2.", "G01 Z-30. F0", "M30"});
    stock::Setup bad;
    bad.Material.Diameter = 50, bad.Material.Length = 100;
    bad.Tools[1].Holder = {{0, 20}, {5, 20}, {5, 1e12}, {0, 60}};
    check::CheckOptions o;
    o.Stock = std::make_shared<const stock::Setup>(bad);
    const check::CheckReport r = check::CheckProgram(Program(p), o);
    EXPECT_FALSE(r.Stock);
    EXPECT_NE(r.StockError.find("the stock could not be cut at line 4 (the polygon arithmetic failed: "),
              std::string::npos)
        << r.StockError;
    ASSERT_FALSE(r.Alarms.empty());
    EXPECT_EQ(r.Alarms.front().Line, 7); // "Feed is 0."

    std::atomic<bool> stop{true};
    o.Stock = SetupOf(Bar50);
    o.StockStop = &stop;
    EXPECT_THROW(check::CheckProgram(Program(p), o), stock::Cancelled);
}

} // namespace
