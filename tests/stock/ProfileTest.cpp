// SPDX-License-Identifier: GPL-3.0-or-later
// The finished half-section as lines and arcs: the arcs a nose and a programmed radius leave are
// found again with the radius the geometry gives (worked out by hand), and the DXF a CAD program
// reads carries them as LINE and ARC entities.

#include "check/Checker.h"
#include "check/StockProfile.h"
#include "stock/Machining.h"
#include "stock/SetupFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>

namespace {

using stock::Move;
using stock::ProfilePiece;

Move Piece(Move::Kind kind, double x0, double z0, double x1, double z1, double cx = 0, double cz = 0) {
    Move m;
    m.Type = kind;
    m.Line = 1;
    m.Tool = 1;
    m.X0 = x0, m.Z0 = z0, m.X1 = x1, m.Z1 = z1, m.CX = cx, m.CZ = cz;
    m.R = std::hypot((x0 - cx) / 2, z0 - cz);
    return m;
}

// A bar D40 x 50 (front face Z0) turned to D30 up to a shoulder at Z-20 by the default insert
// (C 80°, nose radius 0.8, tip 3), its front corner first rounded by a programmed R5 arc when
// `rounded`.
std::vector<stock::ProfileContour> TurnedBar(bool rounded) {
    stock::Setup s;
    s.Material.Diameter = 40;
    s.Material.Length = 50;
    s.Tools[1] = stock::Tool{};
    stock::Machining m(s);
    if (rounded) {
        m.Apply(Piece(Move::Kind::Cut, 20, 2, 20, 0));
        m.Apply(Piece(Move::Kind::ArcCCW, 20, 0, 30, -5, 20, -5));
        m.Apply(Piece(Move::Kind::Cut, 30, -5, 30, -20));
    } else {
        m.Apply(Piece(Move::Kind::Cut, 30, 2, 30, -20));
    }
    m.Apply(Piece(Move::Kind::Cut, 30, -20, 42, -20));
    return stock::ProfileOf(m.Finish().Part);
}

bool Near(stock::Point a, double z, double x) {
    return std::fabs(a.z - z) < 0.002 && std::fabs(a.x - x) < 0.002;
}

const ProfilePiece* FindArc(const stock::ProfileContour& c, double radius) {
    for (const ProfilePiece& p : c)
        if (p.Arc && std::fabs(p.Radius - radius) < 0.002) return &p;
    return nullptr;
}

TEST(Profile, TurnedShoulderIsLinesAndTheNoseFillet) {
    const std::vector<stock::ProfileContour> profile = TurnedBar(false);
    ASSERT_EQ(profile.size(), 1u);
    const stock::ProfileContour& c = profile[0];
    // Closed, each piece beginning where the one before it ends.
    for (size_t i = 0; i < c.size(); ++i)
        EXPECT_TRUE(Near(c[(i + 1) % c.size()].From, c[i].To.z, c[i].To.x)) << i;
    // Front face, D30 up to the fillet, the fillet, the shoulder, D40, back face, axis: the 0.8
    // nose about (Z-19.2, radius 15.8) is the one arc, a quarter turn.
    EXPECT_EQ(c.size(), 7u);
    int arcs = 0;
    for (const ProfilePiece& p : c)
        arcs += p.Arc;
    EXPECT_EQ(arcs, 1);
    const ProfilePiece* fillet = FindArc(c, 0.8);
    ASSERT_NE(fillet, nullptr);
    EXPECT_TRUE(Near(fillet->Centre, -19.2, 15.8));
    EXPECT_TRUE((Near(fillet->From, -19.2, 15) && Near(fillet->To, -20, 15.8)) ||
                (Near(fillet->To, -19.2, 15) && Near(fillet->From, -20, 15.8)));
    bool diameter = false;
    for (const ProfilePiece& p : c)
        diameter |= !p.Arc && ((Near(p.From, 0, 15) && Near(p.To, -19.2, 15)) ||
                               (Near(p.To, 0, 15) && Near(p.From, -19.2, 15)));
    EXPECT_TRUE(diameter);
}

TEST(Profile, ProgrammedRadiusWithoutCompensationLeavesTheRadiusLessTheNose) {
    // The nose centre runs the R5 arc 0.8 up and 0.8 to +Z of the programmed one, about
    // (Z-4.2, radius 10.8); the part keeps the inside of the nose's path: R4.2 there.
    const std::vector<stock::ProfileContour> profile = TurnedBar(true);
    ASSERT_EQ(profile.size(), 1u);
    EXPECT_EQ(FindArc(profile[0], 5), nullptr);
    const ProfilePiece* corner = FindArc(profile[0], 4.2);
    ASSERT_NE(corner, nullptr);
    EXPECT_TRUE(Near(corner->Centre, -4.2, 10.8));
    EXPECT_TRUE(Near(corner->From, 0, 10.8) || Near(corner->To, 0, 10.8));
    // Where the arc runs into the diameter tangentially, its chords put the end within a few
    // thousandths along Z.
    const stock::Point& end = Near(corner->From, 0, 10.8) ? corner->To : corner->From;
    EXPECT_NEAR(end.x, 15, 0.001);
    EXPECT_NEAR(end.z, -4.2, 0.01);
}

TEST(Profile, DxfHoldsTheLinesAndArcsInGroupCodes) {
    const std::string dxf = check::ProfileDxf(TurnedBar(false));
    // Pairs of lines: a group code, then its value.
    std::istringstream in(dxf);
    std::string code, value;
    std::vector<std::map<int, std::string>> entities;
    std::vector<std::string> kinds, sections;
    while (std::getline(in, code) && std::getline(in, value)) {
        const int g = std::stoi(code);
        if (g == 0) {
            kinds.push_back(value);
            entities.emplace_back();
        } else if (!entities.empty()) {
            entities.back()[g] = value;
        }
        if (g == 2) sections.push_back(value);
    }
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.back(), "EOF");
    EXPECT_EQ(sections, (std::vector<std::string>{"HEADER", "ENTITIES"}));
    int lines = 0, arcs = 0;
    for (size_t i = 0; i < kinds.size(); ++i) {
        std::map<int, std::string>& e = entities[i];
        if (kinds[i] == "LINE") {
            ++lines;
            EXPECT_EQ(e[8], "PROFILE");
        } else if (kinds[i] == "ARC") {
            ++arcs;
            // The fillet: centre, radius, and counter-clockwise from 180° to 270°.
            EXPECT_NEAR(std::stod(e[10]), -19.2, 0.002);
            EXPECT_NEAR(std::stod(e[20]), 15.8, 0.002);
            EXPECT_NEAR(std::stod(e[40]), 0.8, 0.002);
            EXPECT_NEAR(std::stod(e[50]), 180, 0.1);
            EXPECT_NEAR(std::stod(e[51]), 270, 0.1);
        }
    }
    EXPECT_EQ(lines, 6);
    EXPECT_EQ(arcs, 1);
}

TEST(Profile, ExampleArcsHaveTheirTrueRadiusAndEveryContourCloses) {
    // TURNING.min: a face to X0 leaving the 0.8 nose's pip, roughing corners of 0.8 showing
    // through the finishing tool's fillets (R2 concave with a 0.4 nose: 2.4; convex: 1.6), the
    // groove's 0.2 corners.
    const std::string dir = std::string(ZARVIK_SOURCE_DIR) + "/examples/";
    stock::SetupError error;
    const std::optional<stock::Setup> setup = stock::ReadSetupFile(dir + "TURNING.setup.toml", error);
    ASSERT_TRUE(setup) << error.Text();
    std::ifstream in(dir + "TURNING.min", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    check::CheckOptions o;
    o.Stock = std::make_shared<const stock::Setup>(*setup);
    const check::CheckReport r = check::CheckProgram(std::u16string(bytes.begin(), bytes.end()), o);
    ASSERT_TRUE(r.Stock);
    // The face at Z0, the finished face under the 2.5 allowance: the part reaches from Z-117.5
    // to the pip's tip, a nose radius in front of it.
    EXPECT_NEAR(r.Stock->PartLength, 117.5 + 0.8, 0.002);
    const std::vector<stock::ProfileContour> profile = stock::ProfileOf(r.Stock->Part);
    ASSERT_EQ(profile.size(), 1u);
    const stock::ProfileContour& c = profile[0];
    int arcs = 0;
    bool pip = false;
    for (size_t i = 0; i < c.size(); ++i) {
        const ProfilePiece& p = c[i];
        EXPECT_EQ(p.To.z, c[(i + 1) % c.size()].From.z) << i;
        EXPECT_EQ(p.To.x, c[(i + 1) % c.size()].From.x) << i;
        if (!p.Arc) continue;
        ++arcs;
        double nearest = 1e9;
        for (double radius : {0.2, 0.4, 0.8, 1.6, 2.4})
            if (std::fabs(p.Radius - radius) < std::fabs(p.Radius - nearest)) nearest = radius;
        EXPECT_NEAR(p.Radius, nearest, 0.001) << i;
        // The ends on the circle, so that a CAD program drawing it by centre and angles closes.
        for (const stock::Point& e : {p.From, p.To})
            EXPECT_NEAR(std::hypot(e.z - p.Centre.z, e.x - p.Centre.x), p.Radius, 1e-6) << i;
        pip |= Near(p.Centre, 0.8, 0.8) && std::fabs(p.Radius - 0.8) < 1e-3;
    }
    EXPECT_GE(arcs, 8);
    EXPECT_TRUE(pip);
}

TEST(Profile, FormatFollowsTheFileEnding) {
    EXPECT_EQ(check::ProfileFormatOf("part.DXF"), check::ProfileFormat::Dxf);
    EXPECT_EQ(check::ProfileFormatOf("a/part.svg"), check::ProfileFormat::Svg);
    EXPECT_FALSE(check::ProfileFormatOf("part.dwg"));
    EXPECT_FALSE(check::ProfileFormatOf(".svg"));
}

} // namespace
