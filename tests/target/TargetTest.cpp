// SPDX-License-Identifier: GPL-3.0-or-later
// The part on the drawing: drawings written by a writer of their own (make_drawings.py, plain
// DXF text) and by an independent one (make_ezdxf_drawings.py) read into the same half-section
// however they are drawn, the messages for an outline that cannot be taken, and the comparison
// of a program's finished section with it.

#include "target/Target.h"
#include "check/Checker.h"
#include "check/ProgramDiff.h"
#include "check/StockProfile.h"
#include "check/StockSection.h"
#include "stock/Profile.h"
#include "stock/SetupFile.h"
#include "support/ProgramText.h"
#include "target/Compare.h"
#include "target/Dxf.h"
#include "target/Inspection.h"
#include "target/TargetFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The half-section of the drawn shaft, worked out by make_drawings.py from its corners and arcs.
constexpr double ShaftArea = 378.143806;

std::string Drawing(const std::string& name) {
    std::ifstream in(std::string(ZARVIK_SOURCE_DIR) + "/tests/target/drawings/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<target::Target> Read(const std::string& name, const target::TargetOptions& o,
                                   std::string& why) {
    target::DxfDrawing d;
    if (!target::ReadDxf(Drawing(name), d, why)) return std::nullopt;
    return target::TargetOf(d, o, why);
}

TEST(TargetDrawing, EveryWayOfDrawingTheShaftGivesOneSection) {
    target::TargetOptions upperR12;
    upperR12.Layer = "contour"; // layers are told apart without regard to case
    target::TargetOptions lowerLines;
    lowerLines.Layer = "OUTLINE";
    lowerLines.Side = target::Half::Lower;
    // The whole outline in inches, the axis at y 2 and Z0 at x 5; the title block on its layer
    // lies outside the box.
    target::TargetOptions fullInch;
    fullInch.Layer = "0";
    fullInch.AxisY = 2;
    fullInch.ZeroX = 5;
    fullInch.BoxFrom = target::DrawingPoint{3.5, 1};
    fullInch.BoxTo = target::DrawingPoint{5.1, 3};
    target::TargetOptions fullInchLower = fullInch;
    fullInchLower.Side = target::Half::Lower;
    // The same whole outline as LINEs and ARCs on CONTOUR, among dimensions and a title block.
    target::TargetOptions contourInch = fullInch, contourInchLower = fullInchLower;
    contourInch.Layer = contourInchLower.Layer = "CONTOUR";
    std::string why;
    const std::optional<target::Target> reference = Read("shaft_upper_r12.dxf", upperR12, why);
    ASSERT_TRUE(reference) << why;
    const struct {
        const char* File;
        target::TargetOptions Options;
        const char* Unit;
    } cases[] = {{"shaft_upper_r12.dxf", upperR12, "mm"},
                 {"shaft_lower_lines_arcs.dxf", lowerLines, "mm"},
                 {"shaft_full_inch_r2000.dxf", fullInch, "inch"},
                 {"shaft_full_inch_r2000.dxf", fullInchLower, "inch"},
                 // Written by an independent writer (make_ezdxf_drawings.py).
                 {"shaft_upper_ezdxf_r2018.dxf", upperR12, "mm"},
                 {"shaft_lower_ezdxf_r12.dxf", lowerLines, "mm"},
                 {"shaft_full_inch_ezdxf_r2010.dxf", contourInch, "inch"},
                 {"shaft_full_inch_ezdxf_r2010.dxf", contourInchLower, "inch"}};
    for (const auto& c : cases) {
        const std::optional<target::Target> t = Read(c.File, c.Options, why);
        ASSERT_TRUE(t) << c.File << ": " << why;
        EXPECT_EQ(t->UnitName, c.Unit) << c.File;
        EXPECT_NEAR(t->Section.Area(), ShaftArea, 0.002) << c.File;
        const stock::Box b = t->Section.Bounds();
        EXPECT_NEAR(b.z0, -30, 1e-4) << c.File;
        EXPECT_NEAR(b.z1, 0, 1e-4) << c.File;
        EXPECT_NEAR(b.x0, 0, 1e-4) << c.File;
        EXPECT_NEAR(b.x1, 15, 1e-4) << c.File;
        // The same part, not only the same area: nothing of one lies outside the other.
        EXPECT_LT(t->Section.Minus(reference->Section).Area() + reference->Section.Minus(t->Section).Area(),
                  0.002)
            << c.File;
        // And the same features on its sheet: each half's arcs turning their way, the whole
        // outline's front face cut at the axis.
        std::vector<std::string> features;
        for (const target::SheetFeature& f : target::FeaturesOf(*t))
            features.push_back(f.Name);
        EXPECT_EQ(features, (std::vector<std::string>{"face Z0", "cone 45°", "D18", "R2 fillet at Z-10",
                                                      "face Z-12", "R1 round at Z-12", "D30", "face Z-30"}))
            << c.File;
    }
}

TEST(TargetDrawing, AnOutlineThatCannotBeTakenIsNamed) {
    const struct {
        const char* File;
        std::string Layer;
        target::Half Side;
        double Axis;
        const char* Says;
    } cases[] = {
        {"shaft_gap.dxf", "", target::Half::Upper, 0, "the outline is open: a gap of 0.03 mm at Z-12.5 X18"},
        {"shaft_upper_r12.dxf", "CONTOUR", target::Half::Lower, 0, "lies above the axis"},
        {"shaft_lower_lines_arcs.dxf", "OUTLINE", target::Half::Upper, 0, "lies below the axis"},
        {"shaft_upper_r12.dxf", "CONTOUR", target::Half::Upper, -3, "is not on the axis"},
        {"shaft_upper_r12.dxf", "HATCH", target::Half::Upper, 0, "on the layer \"HATCH\""},
        // Every layer at once: the dimension lines and the title block are no outline.
        {"shaft_upper_r12.dxf", "", target::Half::Upper, 0, "the outline"},
    };
    for (const auto& c : cases) {
        target::TargetOptions o;
        o.Layer = c.Layer;
        o.Side = c.Side;
        o.AxisY = c.Axis;
        std::string why;
        EXPECT_FALSE(Read(c.File, o, why)) << c.File;
        EXPECT_NE(why.find(c.Says), std::string::npos) << c.File << ": " << why;
    }
    std::string why;
    target::DxfDrawing d;
    EXPECT_FALSE(target::ReadDxf("G00 X10. Z2.\r\n", d, why));
    EXPECT_NE(why.find("not a DXF"), std::string::npos) << why;
}

TEST(TargetDrawing, TheSetupTableSaysHowToReadIt) {
    bool found = false;
    std::string why;
    const std::optional<target::TargetOptions> o = target::ParseTargetOf(
        "[stock]\nkind = \"bar\"\n[target]\nfile = \"SHAFT.dxf\"\nlayer = \"CONTOUR\"\nhalf = \"lower\"\n"
        "units = \"inch\"\nallowance = 0.2\ntolerance = 0.01\naxis = 2\nzero = 5\nbox = [0, -1, 10, 4]\n"
        "general = \"f\"\n[[target.feature]]\ndiameter = 20\nz = -30\nplus = 0\nminus = 0.021\n"
        "[[target.feature]]\nangle = 30\nplus = 0.1\nminus = -0.05\n",
        "parts/P1.setup.toml", found, why);
    ASSERT_TRUE(o) << why;
    EXPECT_EQ(o->File, "parts/SHAFT.dxf");
    EXPECT_EQ(o->Side, target::Half::Lower);
    EXPECT_EQ(o->Unit, target::Units::Inch);
    EXPECT_DOUBLE_EQ(o->Allowance, 0.2);
    EXPECT_DOUBLE_EQ(o->Tolerance, 0.01);
    EXPECT_DOUBLE_EQ(o->AxisY, 2);
    ASSERT_TRUE(o->BoxTo);
    EXPECT_DOUBLE_EQ(o->BoxTo->y, 4);
    EXPECT_EQ(o->General, 'f');
    ASSERT_EQ(o->Features.size(), 2u);
    EXPECT_EQ(o->Features[0].Diameter, 20);
    EXPECT_EQ(o->Features[0].Z, -30);
    EXPECT_FALSE(o->Features[0].Radius);
    EXPECT_DOUBLE_EQ(o->Features[0].Minus, 0.021);
    EXPECT_EQ(o->Features[0].Line, 14);
    EXPECT_EQ(o->Features[1].Angle, 30);
    EXPECT_DOUBLE_EQ(o->Features[1].Minus, -0.05);
    // A bad value is named at its line.
    EXPECT_FALSE(
        target::ParseTargetOf("[target]\nfile = \"S.dxf\"\ngeneral = \"h7\"\n", "P1.setup.toml", found, why));
    EXPECT_NE(why.find("P1.setup.toml:3: target.general must be"), std::string::npos) << why;
    for (const char* bad :
         {"[target]\nfile = \"../SHAFT.dxf\"\n", "[target]\nfile = \"S.dxf\"\nhalf = \"top\"\n",
          "[target]\nfile = \"S.dxf\"\nlayers = \"A\"\n", "[target]\nlayer = \"A\"\n",
          "[target]\nfile = \"S.dxf\"\nbox = [1, 2, 3]\n",
          "[target]\nfile = \"S.dxf\"\n[[target.feature]]\ndiameter = 20\nplus = 0.1\n",
          "[target]\nfile = \"S.dxf\"\n[[target.feature]]\nplus = 0.1\nminus = 0.1\n",
          "[target]\nfile = \"S.dxf\"\n[[target.feature]]\nz = 1\nplus = -0.3\nminus = 0.2\n",
          "[target]\nfile = \"S.dxf\"\n[[target.feature]]\nd = 20\nplus = 0.1\nminus = 0.1\n"}) {
        EXPECT_FALSE(target::ParseTargetOf(bad, "P1.setup.toml", found, why)) << bad;
        EXPECT_TRUE(found);
        EXPECT_NE(why.find("P1.setup.toml:"), std::string::npos) << why;
    }
    EXPECT_FALSE(target::ParseTargetOf("[stock]\n", "P1.setup.toml", found, why));
    EXPECT_FALSE(found);
}

// --- A program's finished section against the drawing ---

std::shared_ptr<const stock::Setup> Bar50() {
    stock::SetupError error;
    std::optional<stock::Setup> s = stock::ParseSetup(
        "[stock]\nkind = \"bar\"\ndiameter = 50\nlength = 100\nface_allowance = 1\n", "t.setup.toml", error);
    EXPECT_TRUE(s) << error.Text();
    return std::make_shared<const stock::Setup>(*s);
}

// A shaft: faced, roughed to D40.4 and D30.4, finished to D40 and D30 with a chamfer, an R2
// fillet (G02) and a R1 round (G03); lines 10 to 17 are the finishing pass.
std::vector<std::string> Shaft() {
    return {"G00 X200. Z100.",
            "T0101 (CNMG 120408)",
            "G97 S1000 M03",
            "G95 G00 X52. Z0.",
            "G01 X-2. F0.1",
            "G00 X40.4 Z2.",
            "G01 Z-40. F0.2",
            "G00 X41. Z2.",
            "X30.4",
            "G01 Z-20.",
            "G00 X31. Z2.",
            "X24. Z1.",
            "G01 X30. Z-2. F0.1",
            "Z-18.",
            "G02 X34. Z-20. R2.",
            "G01 X38.",
            "G03 X40. Z-21. R1.",
            "G01 Z-40.",
            "X52.",
            "G00 X200. Z100.",
            "M30"};
}

check::CheckReport CheckWith(const std::vector<std::string>& blocks,
                             std::shared_ptr<const target::Target> drawn = nullptr) {
    check::CheckOptions o;
    o.Stock = Bar50();
    o.Target = std::move(drawn);
    return check::CheckProgram(Program(blocks), o);
}

// The drawing of a program's own finished section, as --profile writes it.
std::shared_ptr<const target::Target> OwnDrawing(const check::CheckReport& r, double tolerance) {
    target::DxfDrawing d;
    std::string why;
    EXPECT_TRUE(target::ReadDxf(check::ProfileDxf(stock::ProfileOf(r.Stock->Part)), d, why)) << why;
    target::TargetOptions o;
    o.Tolerance = tolerance;
    o.File = "own.dxf";
    std::optional<target::Target> t = target::TargetOf(d, o, why);
    EXPECT_TRUE(t) << why;
    return t ? std::make_shared<const target::Target>(std::move(*t)) : nullptr;
}

TEST(TargetCompare, DeviationsAreFoundSizedAndLaidAtTheirBlock) {
    const check::CheckReport base = CheckWith(Shaft());
    ASSERT_TRUE(base.Stock);
    const std::shared_ptr<const target::Target> drawn = OwnDrawing(base, 0.0015);
    ASSERT_TRUE(drawn);
    // Its own drawing: no difference.
    const check::CheckReport same = CheckWith(Shaft(), drawn);
    ASSERT_TRUE(same.Target);
    EXPECT_TRUE(same.Target->Deviations.empty()) << check::ReportText(same);

    // The shoulder face moved back (line 16 ends at X38 on Z-20 minus the step; the round follows
    // it, the fillet's end too, which bends the fillet a little): material cut from the face, as
    // deep as the step, by the fillet's block first; nothing deeper anywhere.
    for (const double step : {0.002, 0.005, 0.01, 0.1}) {
        const std::string face = std::to_string(20 + step), round = std::to_string(21 + step);
        std::vector<std::string> moved = Shaft();
        moved[14] = "G02 X34. Z-" + face + " R2.";
        moved[16] = "G03 X40. Z-" + round + " R1.";
        const check::CheckReport gouged = CheckWith(moved, drawn);
        ASSERT_TRUE(gouged.Target);
        ASSERT_FALSE(gouged.Target->Deviations.empty()) << step;
        const target::Deviation& d = *std::max_element(
            gouged.Target->Deviations.begin(), gouged.Target->Deviations.end(),
            [](const target::Deviation& a, const target::Deviation& b) { return a.Depth < b.Depth; });
        EXPECT_EQ(d.Type, target::Deviation::Kind::Gouge) << step;
        EXPECT_LT(d.Z0, -20) << step;
        EXPECT_GT(d.Z1, -20.001) << step;
        EXPECT_NEAR(d.Depth, step, 0.0005) << step << check::ReportText(gouged);
        EXPECT_EQ(d.Line, 15) << step << check::ReportText(gouged);
        EXPECT_TRUE(gouged.Fails(false)); // a gouge is an error
        // Drawn over the section, on both halves.
        check::CheckOptions o;
        o.Stock = Bar50();
        const std::optional<check::StockSection> section = check::SectionOf(gouged, o);
        ASSERT_TRUE(section);
        EXPECT_TRUE(section->Excess.empty());
        const picture::SectionDrawing drawing = check::DrawnSection(*section, [](double x, double z) {
            return picture::PixelPoint{z, x};
        });
        EXPECT_EQ(drawing.Gouge.size(), 2 * section->Gouge.size());
        EXPECT_NE(picture::SvgSection(drawing, picture::SectionLookOf(true)).find("class=\"gouge\""),
                  std::string::npos);
    }
    // The last diameter opening to 0.002 mm more in radius at its end: material left along it,
    // deepest there, by the pass along it.
    std::vector<std::string> wider = Shaft();
    wider[17] = "G01 X40.004 Z-40.";
    const check::CheckReport left = CheckWith(wider, drawn);
    ASSERT_TRUE(left.Target);
    ASSERT_FALSE(left.Target->Deviations.empty());
    for (const target::Deviation& d : left.Target->Deviations) {
        EXPECT_EQ(d.Type, target::Deviation::Kind::Excess);
        EXPECT_LT(d.Depth, 0.0025) << check::ReportText(left);
        EXPECT_EQ(d.Line, 18) << check::ReportText(left);
    }
    EXPECT_NEAR(left.Target->Deviations[0].Depth, 0.002, 0.0005) << check::ReportText(left);
    EXPECT_NE(check::ReportJson(left).find("\"code\": \"excess\""), std::string::npos);
}

// A plain D40 shaft, faced at `face`, roughed to D40.4 and (unless `finish` is false) finished.
std::vector<std::string> Plain(bool finish, const std::string& face = "0.") {
    std::vector<std::string> p = {
        "G00 X200. Z100.", "T0101 (CNMG 120408)", "G97 S1000 M03",  "G95 G00 X52. Z" + face,
        "G01 X-2. F0.1",   "G00 X40.4 Z2.",       "G01 Z-40. F0.2", "X52."};
    if (finish) p.insert(p.end(), {"G00 X40. Z2.", "G01 Z-40. F0.1", "X52."});
    p.insert(p.end(), {"G00 X200. Z100.", "M30"});
    return p;
}

TEST(TargetCompare, ADroppedFinishingPassIsExcessAndAnAllowanceExpectsIt) {
    const check::CheckReport finished = CheckWith(Plain(true));
    ASSERT_TRUE(finished.Stock);
    const std::shared_ptr<const target::Target> drawn = OwnDrawing(finished, 0.0015);
    ASSERT_TRUE(drawn);
    // The finishing pass dropped: 0.2 mm left on the diameter, an excess warning that the
    // last pass along it left.
    const check::CheckReport left = CheckWith(Plain(false), drawn);
    ASSERT_TRUE(left.Target);
    ASSERT_EQ(left.Target->Deviations.size(), 1u) << check::ReportText(left);
    const target::Deviation& d = left.Target->Deviations[0];
    EXPECT_EQ(d.Type, target::Deviation::Kind::Excess);
    EXPECT_NEAR(d.Depth, 0.2, 0.0005);
    EXPECT_NEAR(d.Z1, 0, 0.001);
    EXPECT_NEAR(d.Z0, -40, 0.001);
    EXPECT_EQ(d.Line, 7) << check::ReportText(left); // the roughing pass along it
    EXPECT_NEAR(d.Deepest.z, -20, 0.5);              // in the middle of the diameter left whole
    EXPECT_FALSE(left.Fails(false));
    EXPECT_TRUE(left.Fails(true)); // a warning
    EXPECT_NE(check::ReportText(left).find("[excess]"), std::string::npos);
    EXPECT_NE(check::ReportText(left).find("its deepest point (X40.4 Z-"), std::string::npos)
        << check::ReportText(left);

    // Compared with the part (up to Z-39) grown by an allowance of 0.2 mm, the roughing faced 0.2
    // in front is what it should be along the diameter and the face; only the front corner
    // (round on the grown outline, square on the roughing) differs, by less than 0.1.
    target::Target part = *drawn;
    part.Section = drawn->Section.Intersect(stock::Region::Rectangle(-39, 0, 5, 30));
    part.Outlines = part.Section.Outlines();
    part.Options.Allowance = 0.2;
    const check::CheckReport rough =
        CheckWith(Plain(false, "0.2"), std::make_shared<const target::Target>(part));
    ASSERT_TRUE(rough.Target);
    for (const target::Deviation& c : rough.Target->Deviations) {
        EXPECT_LT(c.Depth, 0.1) << check::ReportText(rough);
        EXPECT_GT(c.Z0, -1) << check::ReportText(rough);
    }
}

// The inspection sheet of tests/target/drawings: SHEET.min cuts the part of sheet_part.dxf (one
// of each feature, D40 drawn in two pieces) with D28 0.01 over, the shoulder face 0.05 back and
// an M20 thread; its setup holds D28 to 0.005.
TEST(TargetSheet, EveryFeatureIsMeasuredOnTheSection) {
    const std::string dir = std::string(ZARVIK_SOURCE_DIR) + "/tests/target/drawings/";
    const std::string setupText = Drawing("SHEET.setup.toml"), programText = Drawing("SHEET.min");
    stock::SetupError error;
    const std::optional<stock::Setup> setup = stock::ParseSetup(setupText, dir + "SHEET.setup.toml", error);
    ASSERT_TRUE(setup) << error.Text();
    bool found = false;
    std::string why;
    const std::optional<target::TargetOptions> o =
        target::ParseTargetOf(setupText, dir + "SHEET.setup.toml", found, why);
    ASSERT_TRUE(o) << why;
    std::optional<target::Target> drawn = target::ReadTarget(*o, why);
    ASSERT_TRUE(drawn) << why;
    // A band for a diameter the drawing lacks: said, not dropped in silence.
    drawn->Options.Features.push_back({82.0, std::nullopt, std::nullopt, std::nullopt, 0.1, 0.1, 40});
    check::CheckOptions options;
    options.Stock = std::make_shared<const stock::Setup>(*setup);
    options.Target = std::make_shared<const target::Target>(*drawn);
    const check::CheckReport r =
        check::CheckProgram(std::u16string(programText.begin(), programText.end()), options);
    ASSERT_TRUE(r.Target);
    const target::Sheet& sheet = r.Target->Inspection;
    const std::string text = check::ReportText(r);
    const auto line = [&](const std::string& name) -> const target::SheetFeature& {
        const auto it = std::find_if(sheet.Features.begin(), sheet.Features.end(),
                                     [&](const target::SheetFeature& f) { return f.Name == name; });
        EXPECT_NE(it, sheet.Features.end()) << name << "\n" << text;
        static const target::SheetFeature none;
        return it == sheet.Features.end() ? none : *it;
    };
    // Every piece a feature, the collinear pieces of D40 one; from the front face back.
    std::vector<std::string> names;
    for (const target::SheetFeature& f : sheet.Features)
        names.push_back(f.Name);
    EXPECT_EQ(names, (std::vector<std::string>{"face Z0", "cone 45°", "thread D20", "face Z-16",
                                               "cone 11.31°", "D28", "R2 fillet at Z-30", "face Z-32",
                                               "R1 round at Z-32", "D40", "face Z-45"}))
        << text;
    const auto size = [](const target::SheetFeature& f, size_t i) {
        return i < f.Sizes.size() ? f.Sizes[i] : target::SheetSize{};
    };
    // D28 0.01 over: out of the setup's band (its line named), though within the general one.
    const target::SheetFeature& d28 = line("D28");
    EXPECT_NEAR(size(d28, 0).Simulated, 28.01, 0.0005);
    EXPECT_NEAR(size(d28, 0).Deviation, 0.01, 0.0005);
    EXPECT_DOUBLE_EQ(size(d28, 0).Plus, 0.005);
    EXPECT_EQ(d28.SetupLine, 32);
    EXPECT_FALSE(d28.Ok);
    // The shoulder face 0.05 back: within the general band of class m (0.2 for 16 mm).
    const target::SheetFeature& face = line("face Z-16");
    EXPECT_NEAR(size(face, 0).Simulated, -16.05, 0.0005);
    EXPECT_DOUBLE_EQ(size(face, 0).Plus, 0.2);
    EXPECT_TRUE(face.Ok);
    // The cone starts 0.05 further back: its angle fitted to the section.
    const target::SheetFeature& cone = line("cone 11.31°");
    EXPECT_NEAR(size(cone, 0).Simulated, std::atan2(2.005, 9.95) * 180 / 3.14159265358979, 0.002);
    EXPECT_NEAR(size(cone, 2).Simulated, 28.01, 0.001); // the diameter at its back end
    // The radii fitted to the section over their arcs; which is a fillet, which a round.
    EXPECT_NEAR(size(line("R2 fillet at Z-30"), 0).Simulated, 2, 0.002);
    EXPECT_TRUE(line("R2 fillet at Z-30").Fillet);
    EXPECT_NEAR(size(line("R1 round at Z-32"), 0).Simulated, 1, 0.002);
    EXPECT_FALSE(line("R1 round at Z-32").Fillet);
    // The thread: its crest as turned, its root as deep as the last pass against the drawing's
    // thin root line (D18.2); one line, no gouge anywhere along it (the only gouge is the
    // shoulder face's).
    const target::SheetFeature& thread = line("thread D20");
    EXPECT_NEAR(size(thread, 0).Simulated, 20, 0.0005);
    EXPECT_NEAR(size(thread, 1).Nominal, 18.2, 0.0005);
    EXPECT_NEAR(size(thread, 1).Simulated, 18.16, 0.001);
    EXPECT_TRUE(thread.Ok);
    for (const target::Deviation& d : r.Target->Deviations)
        if (d.Type == target::Deviation::Kind::Gouge) {
            EXPECT_LT(d.Z1, -15.99) << text;
        }
    // The bar goes on behind the back face: not measured, neither OK nor counted against the part.
    EXPECT_FALSE(line("face Z-45").Measured());
    EXPECT_EQ(sheet.NotOk(), 1u);
    EXPECT_NE(text.find("inspection: 11 features, 1 not OK, 1 not measured, the setup's feature tolerance at "
                        "line 40 picks no feature"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("NOT OK  (tolerance from the setup, line 32)"), std::string::npos) << text;
    // Without the root line, the root is held to the depth the passes go to.
    target::Target withoutRoot = *drawn;
    withoutRoot.Thin.clear();
    options.Target = std::make_shared<const target::Target>(withoutRoot);
    const check::CheckReport plain =
        check::CheckProgram(std::u16string(programText.begin(), programText.end()), options);
    ASSERT_TRUE(plain.Target);
    ASSERT_EQ(plain.Target->Inspection.Features.size(), sheet.Features.size());
    EXPECT_NEAR(size(plain.Target->Inspection.Features[2], 1).Nominal, 18.16, 0.0005);
    const std::string json = check::ReportJson(r);
    EXPECT_NE(json.find("\"inspection\": [{\"feature\": \"face Z0\", \"kind\": \"face\""), std::string::npos)
        << json;

    // The general tolerance's tables, at the edges of their rows.
    EXPECT_DOUBLE_EQ(target::GeneralLinear('m', 30), 0.2);
    EXPECT_DOUBLE_EQ(target::GeneralLinear('m', 30.01), 0.3);
    EXPECT_DOUBLE_EQ(target::GeneralLinear('v', 1), 0.5); // very coarse gives none under 3 mm
    EXPECT_DOUBLE_EQ(target::GeneralRadius('c', 6.5), 2);
    EXPECT_DOUBLE_EQ(target::GeneralAngle('f', 50), 0.5);
    EXPECT_DOUBLE_EQ(target::GeneralAngle('v', 400.5), 20.0 / 60);
}

// --diff: two versions of the shaft compared by the part they cut.
TEST(TargetCompare, TwoVersionsDifferOnlyWhereTheyCutDifferently) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("zarvik-diff-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto write = [&](const std::string& name, const std::vector<std::string>& blocks) {
        const std::u16string text = Program(blocks);
        std::ofstream(dir / name, std::ios::binary) << std::string(text.begin(), text.end());
        return (dir / name).string();
    };
    check::StockOptions stock;
    std::string error;
    stock.QuickStock = stock::ParseStockOption("bar,50,100", error);
    const std::string old = write("old.min", Shaft());
    // Renumbered, commented, other feeds and speeds, a rapid that cuts nothing: the same part.
    std::vector<std::string> edited = Shaft();
    edited[1] = "N10 T0101 (ROUGHING AND FINISHING)";
    edited[2] = "G97 S1200 M03";
    edited[6] = "G01 Z-40. F0.25";
    edited.insert(edited.begin() + 19, "G00 X120. Z50.");
    std::string out, why;
    EXPECT_EQ(check::DiffPrograms(old, write("same.min", edited), {}, stock, false, out, why), 0)
        << why << out;
    EXPECT_NE(out.find(": same part\n"), std::string::npos) << out;
    // The shoulder face 0.01 further back: material removed there (and a little on the fillet
    // it bends), by the fillet's block in the new file.
    std::vector<std::string> moved = Shaft();
    moved[14] = "G02 X34. Z-20.01 R2.";
    moved[16] = "G03 X40. Z-21.01 R1.";
    out.clear();
    EXPECT_EQ(check::DiffPrograms(old, write("moved.min", moved), {}, stock, true, out, why), 1) << why;
    EXPECT_NE(out.find("\"verdict\": \"changed: "), std::string::npos) << out;
    EXPECT_EQ(out.find("\"added\""), std::string::npos) << out;
    EXPECT_NE(out.find("\"kind\": \"removed\", \"depth\": 0.01,"), std::string::npos) << out;
    EXPECT_NE(out.find("\"new_lines\": [15"), std::string::npos) << out;
    // --baseline: the folder of new versions against the old ones at the same places.
    std::filesystem::create_directories(dir / "was/sub");
    std::filesystem::create_directories(dir / "is/sub");
    for (const char* name : {"was/sub/a.min", "was/b.min", "is/sub/a.min"})
        std::filesystem::copy_file(old, dir / name);
    std::filesystem::copy_file(dir / "moved.min", dir / "is/b.min");
    std::filesystem::copy_file(old, dir / "is/c.min");
    out.clear();
    std::string complaints;
    EXPECT_EQ(check::DiffWithBaseline((dir / "was").string(), {(dir / "is").string() + "/"}, {}, stock, false,
                                      out, complaints),
              1)
        << complaints;
    EXPECT_NE(out.find("is/b.min: changed: "), std::string::npos) << out;
    EXPECT_NE(out.find("is/sub/a.min: same part\n"), std::string::npos) << out;
    EXPECT_NE(out.find("is/c.min: new, no "), std::string::npos) << out;
    EXPECT_NE(
        out.find(": 3 programs, 1 the same part (within the tolerance), 1 changed, 1 new, 0 not compared\n"),
        std::string::npos)
        << out;
    // With a machine: its time per tool beside the control's, in the text and in JSON.
    check::StockOptions machined = stock;
    machined.Machine.Asked = true;
    out.clear();
    EXPECT_EQ(check::DiffPrograms(old, dir / "moved.min", {}, machined, false, out, why), 1) << why;
    EXPECT_NE(out.find(", machine time "), std::string::npos) << out;
    EXPECT_NE(out.find("\n  tool 1: "), std::string::npos) << out;
    EXPECT_NE(out.find(" s, machine "), std::string::npos) << out;
    out.clear();
    EXPECT_EQ(check::DiffPrograms(old, dir / "moved.min", {}, machined, true, out, why), 1) << why;
    EXPECT_NE(out.find("{\"tool\": 1, \"cutting_time_s\": ["), std::string::npos) << out;
    EXPECT_NE(out.find("], \"machine_time_s\": ["), std::string::npos) << out;
    // Renumbered without its P and Q: the ISO control (the setups name it) raises an alarm at the
    // G71, and the contour's blocks cut the part by themselves. The verdict does not hide it.
    const std::vector<std::string> g71 = {"G00 X200. Z100.",  "T0101",           "G97 S1000 M03",
                                          "G99 G00 X52. Z2.", "G71 U1. R0.5",    "G71 P10 Q20 F0.2",
                                          "N10 G00 X30.",     "G01 Z-20.",       "X40.",
                                          "N20 Z-40.",        "G00 X200. Z100.", "M30"};
    std::vector<std::string> renumbered = g71;
    renumbered[6] = "N100 G00 X30.", renumbered[9] = "N200 Z-40.";
    for (const char* name : {"g71.setup.toml", "renumbered.setup.toml"})
        std::ofstream(dir / name) << "[program]\ncontrol = \"iso\"\n";
    const std::string before = write("g71.min", g71), after = write("renumbered.min", renumbered);
    out.clear();
    EXPECT_EQ(check::DiffPrograms(before, after, {}, stock, false, out, why), 1) << why << out;
    EXPECT_NE(
        out.find(": same part, but NEW raises 1 alarm OLD does not: line 6: PS0063 block N10 not found\n"),
        std::string::npos)
        << out;
    out.clear();
    EXPECT_EQ(check::DiffPrograms(after, before, {}, stock, true, out, why), 1) << why;
    EXPECT_NE(out.find("\"alarms_only_old\": [{\"line\": 6, \"message\": \"PS0063 block N10 not found\"}], "
                       "\"alarms_only_new\": []"),
              std::string::npos)
        << out;
    out.clear();
    EXPECT_EQ(check::DiffPrograms(after, after, {}, stock, false, out, why), 0) << why; // the same alarm
    EXPECT_NE(out.find(": same part\n"), std::string::npos) << out;
    std::filesystem::remove_all(dir);
}

} // namespace
