// SPDX-License-Identifier: GPL-3.0-or-later
// The setup file, the quick --stock, and the tools read from comments and tool tables: what is
// read, and that bad input names its file, line and value and gives no setup at all.

#include "stock/SetupFile.h"
#include "stock/ToolSources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

namespace {

TEST(SetupFile, ReadsStockHoldingAndTools) {
    const std::string toml = R"(# a shaft in a three-jaw chuck
[stock]
kind = "tube"
diameter = 62
bore = 20
length = 120
face_allowance = 1.5

[chuck]
face_z = -90
grip_length = 25
step = { length = 5, height = 3 }

[tailstock]
z = 2

[[tool]]
number = 1
insert = "DNMG 150604"
approach_angle = 93

[[tool]]
number = 3
kind = "grooving"
width = 3.0
tip = 4
holder = [[0, 20], [5, 20], [5, 60], [0, 60]]
)";
    stock::SetupError error;
    const std::optional<stock::Setup> s = stock::ParseSetup(toml, "shaft.setup.toml", error);
    ASSERT_TRUE(s) << error.Text();
    EXPECT_EQ(s->Material.Shape, stock::Stock::Kind::Tube);
    EXPECT_EQ(s->Material.Bore, 20);
    EXPECT_EQ(s->Material.FrontZ, 1.5); // the finished face at Z0
    ASSERT_TRUE(s->Holding);
    EXPECT_EQ(s->Holding->ChuckFaceZ, -90);
    EXPECT_EQ(s->Holding->StepHeight, 3);
    EXPECT_EQ(s->Holding->TailstockZ, 2);
    const stock::Tool& t1 = s->Tools.at(1);
    EXPECT_EQ(t1.Shape, 'D');
    EXPECT_EQ(t1.EdgeLength, 15);
    EXPECT_DOUBLE_EQ(t1.NoseRadius, 0.4);
    EXPECT_EQ(t1.ApproachAngle, 93);
    const stock::Tool& t3 = s->Tools.at(3);
    EXPECT_EQ(t3.Type, stock::Tool::Kind::Grooving);
    EXPECT_EQ(t3.TipDirection, 4);
    EXPECT_EQ(t3.Holder.size(), 4u);
    // A tube's stock is the ring between bore and diameter.
    EXPECT_NEAR(stock::StockRegion(s->Material).Area(), (31 - 10) * 120.0, 1e-6);
}

TEST(SetupFile, BadInputNamesFileLineAndValueAndGivesNoSetup) {
    const std::string bar = "[stock]\nkind = \"bar\"\ndiameter = 50\nlength = 100\n";
    struct Case {
        std::string Toml;
        int64_t Line;
        std::string Says;
    };
    const Case cases[] = {
        {"[stock]\nkind = \"bar\"\nlength = 100\n", 1, "stock.diameter is missing"},
        {"[stock]\nkind = \"bar\"\ndiameter = \"fifty\"\nlength = 100\n", 3, "\"fifty\""},
        {bar + "[[tool]]\nnumber = 1\nshape = \"Q\"\n", 7, "tool.shape \"Q\""},
        {bar + "[[tool]]\nnumber = 1\nnose_radius = -0.4\n", 7, "-0.4"},
        {bar + "[[tool]]\nnumber = 1\nnose_raduis = 0.4\n", 7, "unknown key tool.nose_raduis"},
        {"[stock]\nkind = \"profile\"\nprofile = [\n  {radius = 0, z = 0},\n  {radius = -5, z = 0},\n]\n", 5,
         "negative: -5"},
        {"[stock]\nkind = \"profile\"\nprofile = [{radius = 0, z = 0}, {radius = 20, z = 0}, {radius = 20, z "
         "= -30}, "
         "{radius = 0, z = -31}]\n",
         1, "not closed"},
        {"[stock]\nkind = \"bar\"\ndiameter = 50\nlength = = 100\n", 4, ""},
        {"[stock]\nkind = \"tube\"\ndiameter = 50\nbore = 60\nlength = 100\n", 1, "the bore 60"},
        {bar + "[[tool]]\nnumber = 2\nkind = \"grooving\"\nwidth = 2\ncorner_radius = 1.5\n", 5,
         "corner radius 1.5"},
        {bar + "[chuck]\nface_z = -1e9\n", 6, "out of range"},
        {"[stock]\ndiameter = 9007199254740993\n", 2, "diameter is out of range: 9007199254740993"},
        {bar + "[[tool]]\nnumber = 4\nkind = \"grooving\"\naxis = \"y\"\n", 8, "tool.axis must be"},
        {bar + "[[tool]]\nnumber = 8\ndriven = 1\n", 7, "true or false, not 1"},
        // A key older files have that changes nothing; a rub depth below zero.
        {bar + "[[tool]]\nnumber = 1\npost = \"back\"\n", 7, "tool.post is no longer read"},
        {bar + "rub_depth = -0.1\n", 5, "stock.rub_depth cannot be negative"},
        // The [program] table: a control or unit the checker does not know, a misspelt key.
        {"[program]\ncontrol = \"haas\"\n" + bar, 2,
         "program.control must be \"kvz\", \"fanuc\" or \"iso\", not \"haas\""},
        {bar + "[program]\nunit = \"cm\"\n", 6, "program.unit must be \"mm\" or \"inch\", not \"cm\""},
        {bar + "[program]\ncontrol = 3\n", 6, "program.control must be a text in double quotes, not 3"},
        {bar + "[program]\ndialect = \"iso\"\n", 6, "unknown key program.dialect"},
        {"program = \"iso\"\n" + bar, 1, "program must be a table [program]"},
    };
    for (const Case& c : cases) {
        stock::SetupError error;
        EXPECT_FALSE(stock::ParseSetup(c.Toml, "p.setup.toml", error)) << c.Toml;
        EXPECT_EQ(error.File, "p.setup.toml");
        EXPECT_EQ(error.Line, c.Line) << error.Text();
        EXPECT_NE(error.Message.find(c.Says), std::string::npos) << error.Text();
        EXPECT_FALSE(error.NoStock) << c.Toml;
    }
    // The [program] table is read with the setup, and alone: a file that only names the control
    // (and the machine) is no setup of the stock, and no fault; one with a chuck but no stock is.
    stock::SetupError error;
    const std::optional<stock::Setup> named =
        stock::ParseSetup("[program]\ncontrol = \"iso\"\nunit = \"inch\"\n" + bar, "p.setup.toml", error);
    ASSERT_TRUE(named) << error.Text();
    EXPECT_EQ(named->Program, (stock::ProgramChoice{"iso", "inch"}));
    EXPECT_FALSE(stock::ParseSetup("[program]\ncontrol = \"fanuc\"\n", "p.setup.toml", error));
    EXPECT_TRUE(error.NoStock);
    EXPECT_FALSE(
        stock::ParseSetup("[program]\ncontrol = \"fanuc\"\n[chuck]\nface_z = -50\n", "p.setup.toml", error));
    EXPECT_FALSE(error.NoStock);
    const std::string only = (std::filesystem::temp_directory_path() / "zarvik-only.setup.toml").string();
    const std::tuple<std::string, std::string, bool> files[] = {
        {"[program]\ncontrol = \"fanuc\"\n", "fanuc", true},
        {bar, "", true},
        {"[program]\nunit = \"mm\"\ncontrol = \"iso \"\n", "", false}};
    for (const auto& [text, control, good] : files) {
        std::ofstream(only, std::ios::binary) << text;
        std::optional<stock::ProgramChoice> choice;
        EXPECT_EQ(stock::ReadProgramChoice(only, choice, error), good) << text;
        EXPECT_EQ(choice ? choice->Control : "", control);
        if (!good) {
            EXPECT_EQ(error.Text(),
                      only + ":3: program.control must be \"kvz\", \"fanuc\" or \"iso\", not \"iso \"");
        }
    }
    std::remove(only.c_str());
    // A file that is no text is refused before it is parsed.
    const std::string path = (std::filesystem::temp_directory_path() / "zarvik-binary.setup.toml").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string("[stock]\0\x01", 9);
    }
    EXPECT_FALSE(stock::ReadSetupFile(path, error));
    EXPECT_EQ(error.Text(), path + ": is not a text file (UTF-8 expected)");
    std::remove(path.c_str());
}

// Numbers and outlines the polygon arithmetic could not take (no number, beyond any machine,
// thousands of points, a profile that crosses itself or encloses nothing, a size of 1e-300) are
// refused by the reader with the line at fault, as any bad value is.
TEST(SetupFile, OutlinesAndSizesTheArithmeticCannotTakeAreRefused) {
    const std::string bar = "[stock]\nkind = \"bar\"\ndiameter = 50\nlength = 100\n";
    const std::string tool = bar + "[[tool]]\nnumber = 1\nholder = [\n";
    std::string manyHolder = tool, manyProfile = "[stock]\nkind = \"profile\"\nprofile = [\n";
    for (int i = 0; i < 10000; ++i)
        manyHolder += "[" + std::to_string(i % 7) + ", " + std::to_string(i) + "],";
    for (int i = 0; i < 3000; ++i)
        manyProfile += "{radius = " + std::to_string(10 + i % 2) + ", z = -" + std::to_string(i) + "},";
    const std::string profile = "[stock]\nkind = \"profile\"\nprofile = [\n";
    struct Case {
        std::string Toml;
        int64_t Line;
        std::string Says;
    } const cases[] = {
        {tool + "[0, 20], [5, nan],\n[5, 60]]\n", 8, "tool.holder's radius must be a number, not nan"},
        {tool + "[0, 20], [5, 20],\n[1e300, 60]]\n", 9, "tool.holder's z is out of range: 1e+300"},
        {manyHolder + "]\n", 7, "tool.holder has 10000 points; at most 100"},
        {manyProfile + "]\n", 3, "stock.profile has 3000 points; at most 2000"},
        // A bow tie: the third piece crosses the first.
        {profile + "{radius = 0, z = 0},\n{radius = 10, z = -10},\n{radius = 10, z = 0},\n"
                   "{radius = 0, z = -10},\n{radius = 0, z = 0}]\n",
         7, "point 4: the profile crosses itself at radius 5 Z-5"},
        // A half circle that swings through the axis the profile runs back along.
        {profile + "{radius = 0, z = 0},\n{radius = 12, z = 0},\n{radius = 12, z = -30, arc = -15},\n"
                   "{radius = 0, z = -30},\n{radius = 0, z = 0}]\n",
         8, "point 5: the profile crosses itself at radius 0 Z-"},
        {profile + "{radius = 0, z = 0},\n{radius = 5, z = -5},\n{radius = 10, z = -10},\n"
                   "{radius = 0, z = 0}]\n",
         1, "the profile encloses no area"},
        {"[stock]\nkind = \"bar\"\ndiameter = 1e-300\nlength = 100\n", 1, "below 0.001 mm"},
        {bar + "[[tool]]\nnumber = 3\nkind = \"drill\"\ndiameter = 0.0001\n", 5, "below 0.001 mm"},
        {"tool_table = \"../../../etc/passwd\"\n" + bar, 1, "beside the setup file (no \"/\" and no \"..\")"},
        {"tool_table = \"/etc/passwd\"\n" + bar, 1, "beside the setup file"},
    };
    for (const Case& c : cases) {
        stock::SetupError error;
        EXPECT_FALSE(stock::ParseSetup(c.Toml, "p.setup.toml", error)) << c.Toml.substr(0, 200);
        EXPECT_EQ(error.Line, c.Line) << error.Text().substr(0, 200);
        EXPECT_NE(error.Message.find(c.Says), std::string::npos) << error.Text().substr(0, 200);
    }
    // A setup made otherwise (the setup dialog) is judged by the same rule.
    stock::Setup s;
    s.Material.Diameter = 50, s.Material.Length = 100;
    s.Tools[1].Holder = {{0, 20}, {5, 20}, {5, std::nan("")}};
    EXPECT_EQ(stock::FindProblem(s).Field, "tool.1.holder");
    // A profile whose last piece runs back along the first, and a proper one with a full arc
    // quadrant that touches nothing.
    s = {};
    s.Material.Shape = stock::Stock::Kind::Profile;
    s.Material.Profile = {{0, 0}, {20, 0}, {20, -30}, {10, -30}, {10, -20, -10}, {0, -10}, {0, 0}};
    EXPECT_EQ(stock::Validate(s), "") << stock::Validate(s);
    s.Material.Profile = {{0, 0}, {20, 0}, {20, -30}, {0, -30}, {0, 5}, {0, 0}};
    EXPECT_NE(stock::Validate(s).find("crosses itself"), std::string::npos) << stock::Validate(s);
    // Arcs of a hundred metres' radius would make millions of chords.
    s.Material.Profile = {{0, 0}};
    for (int i = 0; i < 6; ++i)
        s.Material.Profile.push_back({0, i % 2 ? 0.0 : -99999, 50000});
    EXPECT_NE(stock::Validate(s).find("arcs come to more than 50000 points"), std::string::npos)
        << stock::Validate(s);
}

// A tool table is read beside its setup only, under the rule that protects shared folders, and
// a file that is plainly no tool table is not quoted back.
TEST(SetupFile, ToolTablesAndSetupsAreReadSafely) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "zarvik-setup-safety";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const auto write = [](const std::filesystem::path& p, const std::string& text) {
        std::ofstream(p, std::ios::binary) << text;
    };
    const std::string bar = "[stock]\nkind = \"bar\"\ndiameter = 50\nlength = 100\n";
    write(dir / "secret", "root:x:0:0:root:/root:/bin/bash\n");
    write(dir / "p.setup.toml", "tool_table = \"secret\"\n" + bar);
    stock::SetupError error;
    EXPECT_FALSE(stock::ReadSetupFile((dir / "p.setup.toml").string(), error));
    EXPECT_EQ(error.File, (dir / "secret").string());
    EXPECT_EQ(error.Message.find("root"), std::string::npos) << error.Text();
    EXPECT_NE(error.Message.find("is not a tool table"), std::string::npos) << error.Text();
    // A real table's own typo is still shown.
    write(dir / "lathe.tbl", "T1 D0.8\nT2 D0.4 K7\n");
    write(dir / "p.setup.toml", "tool_table = \"lathe.tbl\"\n" + bar);
    EXPECT_FALSE(stock::ReadSetupFile((dir / "p.setup.toml").string(), error));
    EXPECT_NE(error.Message.find("\"K7\""), std::string::npos) << error.Text();

    if (::geteuid() == 0) {
        // Another user's links in a shared folder lead nowhere: neither to a setup nor a table.
        const std::filesystem::path shared = dir / "shared";
        std::filesystem::create_directory(shared);
        ::chmod(shared.c_str(), 01777);
        write(dir / "lathe.tbl", "T1 D0.8\n");
        write(shared / "p.setup.toml", "tool_table = \"lathe.tbl\"\n" + bar);
        std::filesystem::create_symlink(dir / "lathe.tbl", shared / "lathe.tbl");
        std::filesystem::create_symlink(dir / "p.setup.toml", shared / "q.setup.toml");
        for (const char* link : {"lathe.tbl", "q.setup.toml"})
            ASSERT_EQ(::lchown((shared / link).c_str(), 65534, 65534), 0);
        for (const char* setup : {"p.setup.toml", "q.setup.toml"}) {
            EXPECT_FALSE(stock::ReadSetupFile((shared / setup).string(), error));
            EXPECT_NE(error.Message.find("is a link of another user in a shared folder; it is not followed"),
                      std::string::npos)
                << error.Text();
        }
        // The folder's owner's link is followed.
        ASSERT_EQ(::lchown((shared / "lathe.tbl").c_str(), 0, 0), 0);
        EXPECT_TRUE(stock::ReadSetupFile((shared / "p.setup.toml").string(), error)) << error.Text();
    }
    std::filesystem::remove_all(dir);
}

TEST(SetupFile, QuickStockAndTheDefaultName) {
    std::string error;
    const std::optional<stock::Stock> bar = stock::ParseStockOption("bar,62,120", error);
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->Diameter, 62);
    EXPECT_EQ(bar->FrontZ, 0);
    const std::optional<stock::Stock> tube = stock::ParseStockOption("tube,62,20,120", error);
    ASSERT_TRUE(tube);
    EXPECT_EQ(tube->Bore, 20);
    for (const char* bad :
         {"bar,62", "bar,62,-1", "bar,1e-300,10", "tube,20,62,100", "rod,10,10", "bar,6x,10"})
        EXPECT_FALSE(stock::ParseStockOption(bad, error)) << bad;
    EXPECT_EQ(stock::DefaultSetupPath("examples/TURNING.min"), "examples/TURNING.setup.toml");
}

TEST(ToolSources, InsertDesignationsAndCommentsGiveShapeSizeAndRadius) {
    struct Case {
        const char* Comment;
        stock::Tool::Kind Kind;
        char Shape;
        double Edge, Radius;
    };
    const Case cases[] = {
        {"OD ROUGH CNMG 120408", stock::Tool::Kind::Turning, 'C', 12, 0.8},
        {"VNMG160404 FINISH", stock::Tool::Kind::Turning, 'V', 16, 0.4},
        {"dcmt11t304", stock::Tool::Kind::Turning, 'D', 11, 0.4},
        {"TNMG 160408 RE1.2", stock::Tool::Kind::Turning, 'T', 16, 1.2},
        {"OD FINISHING R0.4", stock::Tool::Kind::Turning, 'C', 12, 0.4},
        {"BORING BAR DNMG 110404", stock::Tool::Kind::Boring, 'D', 11, 0.4},
    };
    for (const Case& c : cases) {
        const stock::Tool t = stock::ToolFromComment(c.Comment);
        EXPECT_EQ(t.Type, c.Kind) << c.Comment;
        EXPECT_EQ(t.Shape, c.Shape) << c.Comment;
        EXPECT_EQ(t.EdgeLength, c.Edge) << c.Comment;
        EXPECT_DOUBLE_EQ(t.NoseRadius, c.Radius) << c.Comment;
    }
    // What the comment does not say is assumed, and said to be.
    const stock::Tool r = stock::ToolFromComment("OD FINISHING R0.4");
    EXPECT_EQ(r.Assumed, (std::vector<std::string>{"insert C 80°", "edge length 12", "tip direction 3",
                                                   "approach angle 90"}));

    const std::map<int, stock::Tool> tools =
        stock::ToolsFromComments(u"T0101 (OD ROUGHING R0.8)\r\nG00 X10. (T0505 IN A COMMENT)\r\nT0303 "
                                 u"(GROOVE W4)\r\nT0404 (THREAD M40)\r\nT0606\r\n");
    ASSERT_EQ(tools.size(), 3u);
    EXPECT_DOUBLE_EQ(tools.at(1).NoseRadius, 0.8);
    EXPECT_EQ(tools.at(3).Type, stock::Tool::Kind::Grooving);
    EXPECT_EQ(tools.at(3).Width, 4);
    EXPECT_EQ(tools.at(4).Type, stock::Tool::Kind::Thread);
}

TEST(ToolSources, ToolTableLines) {
    std::map<int, stock::Tool> tools;
    stock::SetupError error;
    ASSERT_TRUE(
        stock::ParseToolTable("T1 P1 D1.6 I0 J80 Q3 ;CNMG\nT2 P2 X0 Z0 D0.8 I-37.5 J-92.5 Q2\n\n; spare\n",
                              "lathe.tbl", tools, error))
        << error.Text();
    EXPECT_DOUBLE_EQ(tools.at(1).NoseRadius, 0.8);
    EXPECT_EQ(tools.at(1).Shape, 'C');
    EXPECT_EQ(tools.at(1).ApproachAngle, 100);
    EXPECT_EQ(tools.at(2).TipDirection, 2);
    EXPECT_EQ(tools.at(2).Shape, 'D');
    EXPECT_FALSE(stock::ParseToolTable("T1 D0.8\nT2 D0.4 K7\n", "lathe.tbl", tools, error));
    EXPECT_EQ(error.Text(), "lathe.tbl:2: \"K7\" is no word of a tool table line (T P D I J Q X Z U W)");
    EXPECT_FALSE(stock::ParseToolTable("T3 D-0.4\n", "lathe.tbl", tools, error));
    EXPECT_EQ(error.Line, 1);
}

} // namespace
