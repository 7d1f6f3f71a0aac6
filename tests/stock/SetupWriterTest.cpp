// SPDX-License-Identifier: GPL-3.0-or-later
// The setup file as the setup dialog writes it: read back, it is the setup that was written; a
// file the operator wrote is edited only where its values changed; and the one rule that judges
// a setup names the value at fault by its key.

#include "stock/SetupWriter.h"
#include "stock/SetupEdit.h"
#include "stock/SetupFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

stock::Setup ReadBack(const stock::Setup& s) {
    stock::SetupError error;
    const std::string text = stock::WriteSetup(s, "PART.min");
    std::optional<stock::Setup> read = stock::ParseSetup(text, s.File, error);
    EXPECT_TRUE(read) << error.Text() << "\n" << text;
    return read ? *read : stock::Setup{};
}

stock::Tool FromFile(stock::Tool::Kind kind) {
    stock::Tool t;
    t.Type = kind;
    t.Source = "setup file";
    return t;
}

stock::Stock Round(stock::Stock::Kind kind, double diameter, double bore, double length) {
    stock::Stock s;
    s.Shape = kind, s.Diameter = diameter, s.Bore = bore, s.Length = length;
    return s;
}

TEST(SetupWriter, ReadsBackToTheSameSetup) {
    using K = stock::Tool::Kind;
    stock::Setup s;
    s.File = "PART.setup.toml";
    s.Material = Round(stock::Stock::Kind::Tube, 62.5, 1.0 / 3, 120);
    s.Material.FrontZ = -0.1, s.Material.FaceAllowance = 1.5, s.Material.RubDepth = 0.25;
    stock::WorkHolding h;
    h.ChuckFaceZ = -90, h.ChuckDiameter = 250, h.GripLength = 25.25, h.JawHeight = 18;
    h.StepLength = 5, h.StepHeight = 3, h.GripDiameter = 61, h.TailstockZ = 2.5;
    s.Holding = h;
    stock::Tool turn = FromFile(K::Turning);
    turn.Shape = 'V', turn.EdgeLength = 16.6, turn.NoseRadius = 0.4, turn.ApproachAngle = 93;
    turn.Holder = {{0, 2}, {30, 2}, {30, 27.5}, {0.125, 27.5}};
    stock::Tool bore = FromFile(K::Boring); // its own default tip, 2
    bore.ApproachAngle = 95;
    stock::Tool groove = FromFile(K::Grooving);
    groove.Width = 2.2, groove.CornerRadius = 0.1, groove.Reach = 1e5;
    groove.NoseRadius = 0.2; // not a blade's value, but kept
    groove.FeedAxis = stock::Tool::Axis::Z;
    stock::Tool part = FromFile(K::Parting);
    part.TipDirection = 4, part.FeedAxis = stock::Tool::Axis::X;
    stock::Tool thread = FromFile(K::Thread);
    thread.TipDirection = 7, thread.IncludedAngle = 55, thread.TipRadius = 0;
    stock::Tool drill = FromFile(K::Drill);
    drill.DrillDiameter = 8.5, drill.PointAngle = 140, drill.FluteLength = 0.001, drill.TipDirection = 0;
    drill.Driven = true;
    s.Tools = {
        {1, turn}, {2, bore}, {3, groove}, {4, part}, {5, thread}, {99, drill}, {0, FromFile(K::Turning)}};
    EXPECT_EQ(ReadBack(s), s);

    // A profile with arcs both ways, held by the tailstock alone; a bar with nothing else.
    stock::Setup p;
    p.File = "P.setup.toml";
    p.Material.Shape = stock::Stock::Kind::Profile;
    p.Material.Profile = {{0, 0, 0},     {10, 0, 0},  {15, -5, 5}, {15, -40, 0},
                          {12, -43, -3}, {0, -43, 0}, {0, 0, 0}};
    stock::WorkHolding tail;
    tail.Chuck = false, tail.TailstockZ = 0;
    p.Holding = tail;
    p.Program = stock::ProgramChoice{"iso", ""}; // the control the program is written for
    EXPECT_EQ(ReadBack(p), p);
    stock::Setup bar;
    bar.File = "B.setup.toml";
    bar.Material = Round(stock::Stock::Kind::Bar, 40, 0, 80);
    bar.Material.FrontZ = 2, bar.Material.FaceAllowance = 2;
    EXPECT_EQ(ReadBack(bar), bar);
}

TEST(SetupWriter, ShippedSetupsReadBackUnchanged) {
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(ZARVIK_SOURCE_DIR "/examples")) {
        const std::string path = e.path().string();
        if (!path.ends_with(".setup.toml")) continue;
        stock::SetupError error;
        const std::optional<stock::Setup> s = stock::ReadSetupFile(path, error);
        ASSERT_TRUE(s) << error.Text();
        EXPECT_EQ(ReadBack(*s), *s) << path;
        ++files;
    }
    EXPECT_GE(files, 4);
}

TEST(SetupProblems, NameTheValueAtFault) {
    stock::Setup s;
    s.Material = Round(stock::Stock::Kind::Tube, 40, 40, 80);
    EXPECT_EQ(stock::FindProblem(s).Field, "stock.bore");
    s.Material.Bore = 20;
    EXPECT_EQ(stock::FindProblem(s).Field, "");
    s.Material.FaceAllowance = 80;
    EXPECT_EQ(stock::FindProblem(s).Field, "stock.face_allowance");
    s.Material.FaceAllowance = 0, s.Material.FrontZ = -2e5;
    EXPECT_EQ(stock::FindProblem(s).Field, "stock.front_z");
    s.Material.FrontZ = 0;
    s.Holding = stock::WorkHolding{};
    s.Holding->StepHeight = -1;
    EXPECT_EQ(stock::FindProblem(s).Field, "chuck.step.height");
    s.Holding->StepHeight = 0, s.Holding->TailstockZ = 1e6;
    EXPECT_EQ(stock::FindProblem(s).Field, "tailstock.z");
    s.Holding->TailstockZ.reset();
    stock::Tool t;
    t.NoseRadius = -0.4;
    s.Tools[3] = t;
    const stock::SetupProblem p = stock::FindProblem(s);
    EXPECT_EQ(p.Field, "tool.3.nose_radius");
    // The reader says what the dialog says.
    EXPECT_EQ(stock::Validate(s), p.Message);
    s.Tools[3].NoseRadius = 0.4, s.Tools[3].Width = 2, s.Tools[3].CornerRadius = 1;
    EXPECT_EQ(stock::FindProblem(s).Field, "tool.3.corner_radius");
    s.Tools[3].CornerRadius = 0.2, s.Tools[3].TipDirection = 10;
    EXPECT_EQ(stock::FindProblem(s).Field, "tool.3.tip");
}

std::string ReadExample(const char* name) {
    std::ifstream in(std::string(ZARVIK_SOURCE_DIR "/examples/") + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// `text` with its first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

stock::Setup Parsed(const std::string& text) {
    stock::SetupError error;
    std::optional<stock::Setup> s = stock::ParseSetup(text, "T.setup.toml", error);
    EXPECT_TRUE(s) << error.Text() << "\n" << text;
    return s ? *s : stock::Setup{};
}

std::string Edited(const std::string& text, const stock::Setup& s, const std::map<int, int>& origin = {}) {
    std::string out, why;
    EXPECT_TRUE(stock::EditSetupText(text, "T.setup.toml", s, origin, out, why)) << why;
    EXPECT_EQ(Parsed(out), s) << out;
    return out;
}

TEST(SetupEdit, AnUnchangedSetupLeavesTheFileByteForByteAndAnEditOnlyItsValue) {
    for (const auto& e : std::filesystem::directory_iterator(ZARVIK_SOURCE_DIR "/examples")) {
        if (!e.path().string().ends_with(".setup.toml")) continue;
        const std::string text = ReadExample(e.path().filename().c_str());
        EXPECT_EQ(Edited(text, Parsed(text)), text) << e.path();
    }
    // The control the setup names stays where it is when the dialog saves another value.
    const std::string named =
        "[program]\ncontrol = \"iso\"  # a lathe of the shop\n\n" + ReadExample("TURNING.setup.toml");
    stock::Setup iso = Parsed(named);
    iso.Material.Diameter = 62;
    EXPECT_EQ(Edited(named, iso), Replaced(named, "diameter = 60\n", "diameter = 62\n"));
    // In the file's own line ends: a value in place, a key the insert designation implied after
    // its table's last key.
    for (const std::string eol : {"\n", "\r\n"}) {
        std::string crlf = ReadExample("TURNING.setup.toml");
        if (eol == "\r\n") {
            crlf.clear();
            for (const char c : ReadExample("TURNING.setup.toml"))
                crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        }
        stock::Setup s = Parsed(crlf);
        s.Material.Diameter = 62;
        EXPECT_EQ(Edited(crlf, s), Replaced(crlf, "diameter = 60" + eol, "diameter = 62" + eol));
        stock::Setup rub = s; // a key the dialog has no field for is kept, and written when set
        rub.Material.RubDepth = 0.3;
        EXPECT_EQ(Parsed(Edited(crlf, rub)).Material.RubDepth, 0.3);
        s.Tools.at(1).NoseRadius = 0.4;
        EXPECT_EQ(Edited(crlf, s), Replaced(Replaced(crlf, "diameter = 60" + eol, "diameter = 62" + eol),
                                            "approach_angle = 95" + eol,
                                            "approach_angle = 95" + eol + "nose_radius = 0.4" + eol));
    }
}

TEST(SetupEdit, TablesComeAndGoAsTheOperatorSaysAndTheRestStays) {
    const std::string text = ReadExample("TURNING.setup.toml");
    stock::Setup s = Parsed(text);
    // Tool 3 out, tool 4 now 7 with its tip changed, tool 2 a boring bar, a new drill; a stepped
    // jaw and a tailstock; a tube.
    s.Tools.erase(3);
    s.Tools[7] = s.Tools.at(4), s.Tools.erase(4);
    s.Tools.at(7).TipDirection = 6;
    s.Tools.at(2).Type = stock::Tool::Kind::Boring;
    stock::Tool drill;
    drill.Type = stock::Tool::Kind::Drill, drill.Source = "setup file", drill.DrillDiameter = 8.5;
    s.Tools[9] = drill;
    s.Holding->StepLength = 4, s.Holding->StepHeight = 2, s.Holding->TailstockZ = 5;
    s.Material.Shape = stock::Stock::Kind::Tube, s.Material.Bore = 20;
    const std::string out = Edited(text, s, {{7, 4}, {9, -1}});
    // Every comment of the file stays but tool 3's; the shorthand too.
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (const size_t hash = line.find('#');
            hash != std::string::npos && line.find("GROOVE") == std::string::npos) {
            EXPECT_NE(out.find(line.substr(hash)), std::string::npos) << line;
        }
    }
    EXPECT_EQ(out.find("GROOVE"), std::string::npos);
    EXPECT_NE(out.find("number = 7              # T0404 (THREAD M40 P1.5)"), std::string::npos) << out;
    EXPECT_NE(out.find("kind = \"tube\"            # \"bar\""), std::string::npos) << out;
    EXPECT_NE(out.find("step = {length = 4, height = 2}\n"), std::string::npos) << out;
    // The chuck goes when the operator takes it out, and only its lines.
    stock::Setup loose = Parsed(text);
    loose.Holding.reset();
    const std::string without = Edited(text, loose);
    const size_t from = text.find("[chuck]"), to = text.find("[[tool]]");
    EXPECT_EQ(without, text.substr(0, from) + text.substr(to));

    // A file that cannot be read is not edited.
    std::string result = "untouched", why;
    EXPECT_FALSE(stock::EditSetupText(Replaced(text, "length = 120", "length = 12O"), "T.setup.toml", s, {},
                                      result, why));
    EXPECT_EQ(result, "untouched");
    const std::string line =
        std::to_string(1 + std::count(text.begin(), text.begin() + text.find("length = 120"), '\n'));
    EXPECT_NE(why.find("T.setup.toml:" + line), std::string::npos) << why;
}

// Written whole in a file's place, a setup keeps what the dialog does not edit, as it stood: the
// machine file named before the first table, the tables in the file's order after the setup's;
// a table the reader refuses (what kept the file from being read) stays only in the copy.
TEST(SetupEdit, AFileReplacedWholeKeepsWhatTheDialogDoesNotEdit) {
    const std::string target = "[target]   # the drawing\nfile = \"part.dxf\"\n[target.datum]\nz = 0\n";
    const std::string old =
        "machine = \"lathe.machine.toml\"  # ours\n\n[stock]\ndiameter = -5\n\n[stok]\nx = 1\n\n" + target +
        "\n[[tool]]\nnumber = 1\n";
    stock::Setup s;
    s.Material = Round(stock::Stock::Kind::Bar, 40, 0, 60);
    const std::string written = stock::WriteSetup(s, "PART.min");
    const std::string out = stock::KeepUnwritten(written, old);
    const size_t machine = out.find("machine = \"lathe.machine.toml\"  # ours\n");
    ASSERT_NE(machine, std::string::npos) << out;
    EXPECT_LT(machine, out.find("[stock]"));
    EXPECT_EQ(out.substr(out.size() - target.size() - 1), "\n" + target) << out;
    EXPECT_EQ(out.find("[stok]"), std::string::npos) << out;
    EXPECT_EQ(ReadBack(s).Material.Diameter, Parsed(out).Material.Diameter);
    EXPECT_EQ(stock::KeepUnwritten(written, "not = toml = at all"), written);
}

} // namespace
