// SPDX-License-Identifier: GPL-3.0-or-later
// The setup file, the quick --stock, and the tools read from comments and tool tables: what is
// read, and that bad input names its file, line and value and gives no setup at all.

#include "stock/SetupFile.h"
#include "stock/ToolSources.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

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
        {bar + "[[tool]]\nnumber = 4\nkind = \"grooving\"\naxis = \"y\"\n", 8, "tool.axis must be"},
        {bar + "[[tool]]\nnumber = 8\ndriven = 1\n", 7, "true or false, not 1"},
        // A key older files have that changes nothing; a rub depth below zero.
        {bar + "[[tool]]\nnumber = 1\npost = \"back\"\n", 7, "tool.post is no longer read"},
        {bar + "rub_depth = -0.1\n", 5, "stock.rub_depth cannot be negative"},
    };
    for (const Case& c : cases) {
        stock::SetupError error;
        EXPECT_FALSE(stock::ParseSetup(c.Toml, "p.setup.toml", error)) << c.Toml;
        EXPECT_EQ(error.File, "p.setup.toml");
        EXPECT_EQ(error.Line, c.Line) << error.Text();
        EXPECT_NE(error.Message.find(c.Says), std::string::npos) << error.Text();
    }
    // A file that is no text is refused before it is parsed.
    const std::string path = (std::filesystem::temp_directory_path() / "zarvik-binary.setup.toml").string();
    {
        std::ofstream out(path, std::ios::binary);
        out << std::string("[stock]\0\x01", 9);
    }
    stock::SetupError error;
    EXPECT_FALSE(stock::ReadSetupFile(path, error));
    EXPECT_EQ(error.Text(), path + ": is not a text file (UTF-8 expected)");
    std::remove(path.c_str());
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
    for (const char* bad : {"bar,62", "bar,62,-1", "tube,20,62,100", "rod,10,10", "bar,6x,10"})
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
