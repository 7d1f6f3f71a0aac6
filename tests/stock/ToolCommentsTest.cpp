// SPDX-License-Identifier: GPL-3.0-or-later
// Tools from the comments real lathe programs carry: one case per comment style that
// programmers and CAM post-processors write (tool lists in the header, descriptions beside or
// just before the T word), each read through the whole program reading, with what it gives and
// what is left assumed.

#include "stock/ToolSources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Kind = stock::Tool::Kind;
using Strings = std::vector<std::string>;

struct Style {
    const char* Name;
    const char16_t* Program; // the comment in its place, blocks ending in CR LF
    bool InchUnit;           // the unit setting says inches
    int Number;              // the tool the control selects
    Kind Type;
    char Shape;
    double Radius; // nose radius, blade corner or thread tip radius, mm
    int Tip;
    Strings Assumed;
};

double RadiusOf(const stock::Tool& t) {
    switch (t.Type) {
    case Kind::Grooving:
    case Kind::Parting:
        return t.CornerRadius;
    case Kind::Thread:
        return t.TipRadius;
    default:
        return t.NoseRadius;
    }
}

const Strings Turning = {"approach angle 90"};

TEST(ToolComments, CommentStylesOfRealPrograms) {
    const Style styles[] = {
        {"shop header list, angle, inch nose radius, tip",
         u"(TO1 = 80* Rough Turning Tool, Insert: 02-0083, Tool Holder: 01-0263, Tool Nose Radius: "
         u".0315, Tool Tip: 3)\r\n",
         false,
         1,
         Kind::Turning,
         'C',
         0.8001,
         3,
         {"edge length 12", "approach angle 90"}},
        {"shop header list, 35* finishing insert",
         u"(T02 = 35* Finish Turning Tool, Insert: 02-0108, Tool Holder: 01-0271, Tool Nose Radius: "
         u".0157, Tool Tip: 3)\r\n",
         false,
         2,
         Kind::Turning,
         'V',
         0.39878,
         3,
         {"edge length 16", "approach angle 90"}},
        {"shop header list, threading tool by its included angle",
         u"(T03 = 60* Threading Tool, Insert: 02-0475, Tool Holder: 01-0118)\r\n",
         false,
         3,
         Kind::Thread,
         'C',
         0.1,
         8,
         {"tip radius 0.1", "tip direction 8"}},
        {"shop header list, cutoff tool",
         u"(T12 = Cutoff Tool, Insert: 02-0494, Tool Holder: 01-0151 01-0155)\r\n",
         false,
         12,
         Kind::Parting,
         'C',
         0.2,
         3,
         {"width 3", "corner radius 0.2", "reach 20"}},
        {"CAM tool list, NR= and the kind at the end",
         u"(T010101 NR=0.0156 - ZMIN=0.01 - GENERAL TURNING)\r\n",
         false,
         1,
         Kind::Turning,
         'C',
         0.39624,
         3,
         {"insert C 80°", "edge length 12", "tip direction 3", "approach angle 90"}},
        {"CAM tool list, drill with D= and TAPER=",
         u"(T050505 D=0.57 CR=0. TAPER=130DEG - ZMIN=-1.7779 - DRILL)\r\n",
         true,
         5,
         Kind::Drill,
         'C',
         0.8,
         3,
         {"flute length 50"}},
        {"CAM tool list, boring bar",
         u"(T070707 NR=0.0312 - ZMIN=-1.4513 - BORING TURNING)\r\n",
         false,
         7,
         Kind::Boring,
         'C',
         0.79248,
         2,
         {"insert C 80°", "edge length 12", "tip direction 2", "approach angle 90"}},
        {"CAM tool list, kind alone",
         u"(T111111 - GROOVE TURNING)\r\n",
         false,
         11,
         Kind::Grooving,
         'C',
         0.2,
         3,
         {"width 3", "corner radius 0.2", "reach 20"}},
        {"tool and offset line, then the operation with angle and spaced insert code",
         u"G50 S800\r\n(TOOL - 1 OFFSET - 1)\r\n(OD ROUGH RIGHT - 80 DEG.  INSERT - CNMG 12 04 08)\r\nG0 "
         u"T0101\r\n",
         false,
         1,
         Kind::Turning,
         'C',
         0.8,
         3,
         {"tip direction 3", "approach angle 90"}},
        {"tool number line, operation with R., a sequence name and a move before the T word",
         u"(TOOL NO. - 2 OFFSET - 2)\r\n(OD FINISH RIGHT - 35 DEG. INSERT - R.015)\r\nNAT02\r\nG0 X20. "
         u"Z20.\r\n"
         u"T020202 G97 S1000 M3\r\n",
         false,
         2,
         Kind::Turning,
         'V',
         0.381,
         3,
         {"edge length 16", "tip direction 3", "approach angle 90"}},
        {"groove operation with a lone inch width",
         u"(OD GROOVE RIGHT - NARROW INSERT - .125)\r\nT1111\r\n",
         false,
         11,
         Kind::Grooving,
         'C',
         0.2,
         3,
         {"corner radius 0.2", "reach 20"}},
        {"sequence name with the radius written after its number",
         u"M1\r\nNAT01  (OD AND FACE RGH. TURN .032R)\r\nG0 X20 Z20\r\nT010101\r\n",
         false,
         1,
         Kind::Turning,
         'C',
         0.8128,
         3,
         {"insert C 80°", "edge length 12", "tip direction 3", "approach angle 90"}},
        {"TOOL n - insert code - operation",
         u"(TOOL 4 - VNMG 160404 - FINISH)\r\n",
         false,
         4,
         Kind::Turning,
         'V',
         0.4,
         3,
         {"tip direction 3", "approach angle 90"}},
        {"T word form in a list, groove width W",
         u"(T0303 GROOVE W3.0)\r\n",
         false,
         3,
         Kind::Grooving,
         'C',
         0.2,
         3,
         {"corner radius 0.2", "reach 20"}},
        {"beside the T word, operation and R",
         u"G00 X200. Z100.\r\nT0101 (OD ROUGHING R0.8)\r\n",
         false,
         1,
         Kind::Turning,
         'C',
         0.8,
         3,
         {"insert C 80°", "edge length 12", "tip direction 3", "approach angle 90"}},
        {"TG word with a drill and D",
         u"TG5 (DRILL D8)\r\n",
         false,
         5,
         Kind::Drill,
         'C',
         0.8,
         3,
         {"point angle 118", "flute length 50"}},
        {"inch insert code",
         u"T0202 (CNMG 432 OD ROUGH)\r\n",
         false,
         2,
         Kind::Turning,
         'C',
         0.8,
         3,
         {"tip direction 3", "approach angle 90"}},
        {"angle written DEG, tip written TIP",
         u"(T04 55 DEG PROFILE R0.4 TIP 2)\r\n",
         false,
         4,
         Kind::Turning,
         'D',
         0.4,
         2,
         {"edge length 15", "approach angle 90"}},
        {"program's own language, degree sign",
         u"(T0404 - ROSCA EXTERNA 60\u00b0 G76)\r\n",
         false,
         4,
         Kind::Thread,
         'C',
         0.1,
         8,
         {"tip radius 0.1", "tip direction 8"}},
        {"operation name on the line before the T word",
         u"N12 G0 Z400.\r\n\r\n(FACE2)\r\nN13 T0101\r\n",
         false,
         1,
         Kind::Turning,
         'C',
         0.8,
         3,
         {"insert C 80°", "edge length 12", "nose radius 0.8", "tip direction 3", "approach angle 90"}},
        {"drill by the diameter sign",
         u"T0606 (BROCA \u00d812)\r\n",
         false,
         6,
         Kind::Drill,
         'C',
         0.8,
         3,
         {"point angle 118", "flute length 50"}},
        {"operation words: a thread relief is grooved",
         u"N2 (THREAD RELIEF - G73)\r\nT0303\r\n",
         false,
         3,
         Kind::Grooving,
         'C',
         0.2,
         3,
         {"width 3", "corner radius 0.2", "reach 20"}},
        {"operation words: a centre hole is drilled, RETURN is no turning",
         u"N7 (CENTRE HOLE - G181 WITH RETURN)\r\nT0707\r\n",
         false,
         7,
         Kind::Drill,
         'C',
         0.8,
         3,
         {"diameter 10", "point angle 118", "flute length 50"}},
        {"inch program by G20 among the setup codes",
         u"G00 G18 G20 G40 G80 G99\r\nT0303 (GROOVE .118 WIDE R.008)\r\n",
         false,
         3,
         Kind::Grooving,
         'C',
         0.2032,
         3,
         {"reach 20"}},
    };
    for (const Style& s : styles) {
        const std::map<int, stock::Tool> tools = stock::ToolsFromComments(s.Program, s.InchUnit);
        ASSERT_EQ(tools.size(), 1u) << s.Name;
        ASSERT_TRUE(tools.count(s.Number)) << s.Name;
        const stock::Tool& t = tools.at(s.Number);
        EXPECT_EQ(t.Type, s.Type) << s.Name;
        EXPECT_EQ(t.Shape, s.Shape) << s.Name;
        EXPECT_NEAR(RadiusOf(t), s.Radius, 1e-6) << s.Name;
        EXPECT_EQ(t.TipDirection, s.Tip) << s.Name;
        EXPECT_EQ(t.Assumed, s.Assumed) << s.Name;
        EXPECT_EQ(t.Source.rfind("comment", 0), 0u) << s.Name << ": " << t.Source;
    }
}

TEST(ToolComments, SizesAndWhereTheyCameFrom) {
    // The sizes the styles above give besides the radius.
    const auto one = [](const char16_t* program, int number, bool inch = false) {
        return stock::ToolsFromComments(program, inch).at(number);
    };
    EXPECT_NEAR(one(u"(T050505 D=0.57 CR=0. TAPER=130DEG - ZMIN=-1.7779 - DRILL)\r\n", 5, true).DrillDiameter,
                14.478, 1e-9);
    EXPECT_EQ(one(u"(T050505 D=0.57 CR=0. TAPER=130DEG - ZMIN=-1.7779 - DRILL)\r\n", 5, true).PointAngle,
              130);
    EXPECT_NEAR(one(u"(OD GROOVE RIGHT - NARROW INSERT - .125)\r\nT1111\r\n", 11).Width, 3.175, 1e-9);
    EXPECT_EQ(one(u"(T0303 GROOVE W3.0)\r\n", 3).Width, 3);
    EXPECT_EQ(one(u"(T0303 - GROOVE 2.5MM)\r\n", 3).Width, 2.5);
    EXPECT_EQ(one(u"TG5 (DRILL D8)\r\n", 5).DrillDiameter, 8);
    EXPECT_NEAR(one(u"T0707 (1/2 DRILL)\r\n", 7).DrillDiameter, 12.7, 1e-9);
    EXPECT_EQ(one(u"(T03 = 60* Threading Tool)\r\n", 3).IncludedAngle, 60);
    EXPECT_EQ(one(u"T0202 (CNMG 432 OD ROUGH)\r\n", 2).EdgeLength, 12);
    EXPECT_EQ(one(u"(TOOL 4 - VNMG 160404 - FINISH)\r\n", 4).EdgeLength, 16);
    EXPECT_EQ(one(u"T0909 (RCMT 1204M0)\r\n", 9).NoseRadius, 6);

    // Source names the lines and what they gave; a list entry and the comment beside the T word
    // are merged, the one beside the T word winning where both give a value.
    const std::map<int, stock::Tool> merged =
        stock::ToolsFromComments(u"O0001 (THREADED SHAFT)\r\n(T2 = 35 DEG FINISH R0.4 TIP 3)\r\nG50 S2000\r\n"
                                 u"T0202 (DNMG 150608)\r\nG0 X10 Z2\r\n");
    const stock::Tool& t = merged.at(2);
    EXPECT_EQ(t.Shape, 'D');
    EXPECT_EQ(t.EdgeLength, 15);
    EXPECT_EQ(t.NoseRadius, 0.8);
    EXPECT_EQ(t.TipDirection, 3);
    EXPECT_EQ(
        t.Source,
        "comments, lines 2 and 4: turning, insert D 55°, edge length 15, nose radius 0.8, tip direction 3");
    EXPECT_EQ(t.Assumed, Strings{"approach angle 90"});
}

TEST(ToolComments, WhatIsNoToolDescription) {
    // The program's title, a comment on a working line that starts like a list entry, a T word
    // in lower case or in a comment, words without a tool in them, and a block after the last
    // CR LF (the control never reads it): no tool.
    const std::map<int, stock::Tool> none = stock::ToolsFromComments(
        u"O2004 (1-8 THREAD PLUG)\r\nG50 S2000\r\nT0101\r\n(G54 X0.0 IS AT THE CENTER OF ROTATION)\r\n"
        u"G00 X10. (T0505 IN A COMMENT)\r\nt0606 (DRILL D8)\r\nT0707 (SELECT TOOL 07 AND OFFSET 07)\r\n"
        u"(TOOL HOLDER: 01-0263, GRADE 4325)\r\nT0808\r\nT0909 (BORING BAR)");
    EXPECT_TRUE(none.empty()) << none.begin()->first << ": " << none.begin()->second.Source;
    // The first description of a tool counts; a tool change without one keeps it.
    const std::map<int, stock::Tool> first =
        stock::ToolsFromComments(u"T0101 (OD ROUGH R0.8)\r\nG0 X50\r\nT0101 (DRILL D8)\r\n");
    EXPECT_EQ(first.at(1).Type, Kind::Turning);
    // A radius too small for millimetres makes the program's comments inches, all of them.
    const std::map<int, stock::Tool> inch =
        stock::ToolsFromComments(u"(T01 NR=0.0156 TURNING)\r\n(T05 D=0.5 DRILL)\r\n");
    EXPECT_NEAR(inch.at(5).DrillDiameter, 12.7, 1e-9);
    EXPECT_NE(inch.at(5).Source.find("inch values"), std::string::npos);
}

} // namespace
