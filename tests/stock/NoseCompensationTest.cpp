// SPDX-License-Identifier: GPL-3.0-or-later
// The nose radius compensation against geometry worked out by hand: compensated (G42), the
// finished section lies on the programmed contour (a 45° taper, an outside and an inside corner,
// a concave and a convex arc); without it, 0.331 mm of material stays on each of them for a
// nose of 0.8 (r(√2 − 1) at 45°); and what no compensation can follow is an error.

#include "stock/NoseCompensation.h"
#include "stock/Machining.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using stock::Move;
using stock::Point;

Move Piece(Move::Kind kind, double x0, double z0, double x1, double z1, int comp, int64_t line, double cx = 0,
           double cz = 0) {
    Move m;
    m.Type = kind;
    m.Line = line;
    m.Tool = 1;
    m.X0 = x0, m.Z0 = z0, m.X1 = x1, m.Z1 = z1;
    m.CX = cx, m.CZ = cz, m.R = std::hypot((x0 - cx) / 2, z0 - cz);
    m.Compensation = comp;
    return m;
}

// An outside profile turned towards the chuck (diameters, Z): start-up to X12 Z1, a 45° taper
// from X12 Z0 to X20 Z-4 (an inside corner before it, an outside one after), a concave R4 from
// X20 Z-10 to X28 Z-14, a face to X32, a convex R2 to X36 Z-16, the diameter to Z-25, the cancel.
std::vector<Move> Profile(int comp) {
    using K = Move::Kind;
    return {Piece(K::Rapid, 50, 5, 12, 1, comp, 1),
            Piece(K::Cut, 12, 1, 12, 0, comp, 2),
            Piece(K::Cut, 12, 0, 20, -4, comp, 3),
            Piece(K::Cut, 20, -4, 20, -10, comp, 4),
            Piece(K::ArcCW, 20, -10, 28, -14, comp, 5, 28, -10),
            Piece(K::Cut, 28, -14, 32, -14, comp, 6),
            Piece(K::ArcCCW, 32, -14, 36, -16, comp, 7, 32, -16),
            Piece(K::Cut, 36, -16, 36, -25, comp, 8),
            Piece(K::Rapid, 36, -25, 50, -25, 40, 9)};
}

// The contour from the taper on, as points (Z, radius) with the normal towards the material.
struct Sample {
    Point At, In;
};
std::vector<Sample> ContourSamples() {
    std::vector<Sample> out;
    const auto line = [&](Point a, Point b) {
        const double len = std::hypot(b.z - a.z, b.x - a.x);
        const Point in{-(b.x - a.x) / len, (b.z - a.z) / len}; // the left of the travel
        for (int i = 1; i < 20; ++i)
            out.push_back({{a.z + (b.z - a.z) * i / 20, a.x + (b.x - a.x) * i / 20}, in});
    };
    const auto arc = [&](Point c, double r, double a0, double a1, bool concave) {
        for (int i = 1; i < 20; ++i) {
            const double a = a0 + (a1 - a0) * i / 20;
            const Point u{std::cos(a), std::sin(a)};
            out.push_back({{c.z + r * u.z, c.x + r * u.x}, concave ? u : Point{-u.z, -u.x}});
        }
    };
    const double q = std::numbers::pi / 2;
    line({0, 6}, {-4, 10});
    line({-4, 10}, {-10, 10});
    arc({-10, 14}, 4, -q, -2 * q, true);
    line({-14, 14}, {-14, 16});
    arc({-16, 16}, 2, 0, q, false);
    line({-16, 18}, {-25, 18});
    return out;
}

// Whether a 0.4 µm square about the point is wholly material, or wholly empty.
bool MaterialAt(const stock::Region& part, Point p) {
    const double h = 0.0002;
    return std::fabs(part.Intersect(stock::Region::Rectangle(p.z - h, p.x - h, p.z + h, p.x + h)).Area() -
                     4 * h * h) < 1e-9;
}
bool EmptyAt(const stock::Region& part, Point p) {
    const double h = 0.0002;
    return part.Intersect(stock::Region::Rectangle(p.z - h, p.x - h, p.z + h, p.x + h)).Area() < 1e-12;
}

stock::Result Cut(const std::vector<Move>& moves) {
    stock::Setup s;
    s.Material.Diameter = 40;
    s.Material.Length = 60;
    s.Tools[1] = stock::Tool{}; // C 80°, nose radius 0.8, tip 3
    stock::Machining m(s);
    for (const Move& move : moves)
        m.Apply(move);
    return m.Finish();
}

std::vector<std::string> Codes(const stock::Result& r) {
    std::vector<std::string> out;
    for (const stock::Finding& f : r.Findings)
        out.push_back(f.Code + "@" + std::to_string(f.Line));
    return out;
}

Point Off(const Sample& s, double d) {
    return {s.At.z + d * s.In.z, s.At.x + d * s.In.x};
}

TEST(NoseCompensation, CompensatedProfileLandsOnTheContour) {
    const stock::Result r = Cut(Profile(42));
    ASSERT_TRUE(r.Failure.empty()) << r.Failure;
    // Within 0.001 mm of the contour everywhere but in the inside corner, which keeps the
    // nose's fillet (0.8 tan 22.5° = 0.33 mm along the taper: its first sample).
    const std::vector<Sample> samples = ContourSamples();
    for (size_t i = 1; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        EXPECT_TRUE(MaterialAt(r.Part, Off(s, 0.0012))) << "gouged at Z" << s.At.z << " R" << s.At.x;
        EXPECT_TRUE(EmptyAt(r.Part, Off(s, -0.0012))) << "left at Z" << s.At.z << " R" << s.At.x;
    }
    const std::vector<std::string> codes = Codes(r);
    EXPECT_TRUE(std::none_of(codes.begin(), codes.end(), [](const std::string& c) {
        return c.starts_with("no-nose") || c.starts_with("nose-") || c.starts_with("rapid");
    })) << ::testing::PrintToString(codes);
}

TEST(NoseCompensation, UncompensatedNoseLeavesMaterialOnTaperAndArcs) {
    const stock::Result r = Cut(Profile(40));
    // r (√2 − 1) = 0.3314 across the contour at the taper's middle and the arcs' 45° points.
    const double error = 0.8 * (std::sqrt(2.0) - 1);
    const std::vector<Sample> samples = ContourSamples();
    for (const size_t i : {9, 19 + 19 + 9, 19 * 4 + 9}) { // the middles of the taper and of both arcs
        EXPECT_TRUE(MaterialAt(r.Part, Off(samples[i], -(error - 0.003)))) << i;
        EXPECT_TRUE(EmptyAt(r.Part, Off(samples[i], -(error + 0.003)))) << i;
    }
    const auto f = std::find_if(r.Findings.begin(), r.Findings.end(),
                                [](const stock::Finding& f) { return f.Code == "no-nose-compensation"; });
    ASSERT_NE(f, r.Findings.end());
    EXPECT_EQ(f->Line, 3);
    EXPECT_NE(f->Message.find("0.331 mm"), std::string::npos) << f->Message;
    EXPECT_EQ(std::count_if(r.Findings.begin(), r.Findings.end(),
                            [](const stock::Finding& f) { return f.Code == "no-nose-compensation"; }),
              1);
    // A compensated finishing pass after it takes the error away: nothing to say.
    std::vector<Move> twice = Profile(40);
    for (const Move& m : Profile(42))
        twice.push_back(m);
    const stock::Result finished = Cut(twice);
    EXPECT_TRUE(std::none_of(finished.Findings.begin(), finished.Findings.end(),
                             [](const stock::Finding& f) { return f.Code == "no-nose-compensation"; }));
}

TEST(NoseCompensation, StartUpEndsSquareToTheNextMoveAndCancelReturnsToTheProgram) {
    stock::NoseCompensation nose;
    const auto tools = [](int) { return stock::NoseTool{0.8, {0.8, 0.8}}; }; // tip 3
    std::vector<Move> out;
    std::vector<stock::NoseTrouble> troubles;
    for (const Move& m : Profile(42))
        nose.Push(m, tools, out, troubles);
    nose.Flush(tools, out, troubles);
    EXPECT_TRUE(troubles.empty());
    ASSERT_GE(out.size(), 3u);
    // The start-up: from where the program stood to the nose centre 0.8 above the next move's
    // start (Z1, radius 6.8), the programmed point 0.8 before it and below it: X12 Z0.2.
    EXPECT_DOUBLE_EQ(out[0].X0, 50);
    EXPECT_DOUBLE_EQ(out[0].Z0, 5);
    EXPECT_NEAR(out[0].X1, 12, 1e-12);
    EXPECT_NEAR(out[0].Z1, 0.2, 1e-12);
    // The inside corner at X12 Z0: the nose centre where the offset diameter (radius 6.8) meets
    // the offset taper (r + z = 6 + 0.8√2), the programmed point 0.8 before and below it.
    EXPECT_NEAR(out[1].Z1, 0.8 * std::sqrt(2.0) - 1.6, 1e-9);
    EXPECT_NEAR(out[1].X1, 12, 1e-9);
    // The cancel: from the nose 0.8 above the last diameter's end (programmed point X36 Z-25.8)
    // to where the program puts it.
    const Move& cancel = out.back();
    EXPECT_EQ(cancel.Line, 9);
    EXPECT_NEAR(cancel.X0, 36, 1e-9);
    EXPECT_NEAR(cancel.Z0, -25.8, 1e-9);
    EXPECT_DOUBLE_EQ(cancel.X1, 50);
    EXPECT_DOUBLE_EQ(cancel.Z1, -25);
    // The outside corner at the taper's top is rounded about it with the nose radius.
    const auto corner = std::find_if(
        out.begin(), out.end(), [](const Move& m) { return m.Line == 3 && m.Type == Move::Kind::ArcCCW; });
    ASSERT_NE(corner, out.end());
    EXPECT_NEAR(corner->R, 0.8, 1e-12);
    EXPECT_NEAR(corner->CZ, -4 - 0.8, 1e-12);
    EXPECT_NEAR(corner->CX, 2 * (10 - 0.8), 1e-12);

    // Tip 0 or 9: the programmed point is the nose centre itself, 0.8 above the contour.
    stock::NoseCompensation centre;
    std::vector<Move> atCentre;
    const auto tip9 = [](int) { return stock::NoseTool{0.8, {0, 0}}; };
    for (const Move& m : Profile(42))
        centre.Push(m, tip9, atCentre, troubles);
    ASSERT_GE(atCentre.size(), 2u);
    EXPECT_NEAR(atCentre[0].X1, 13.6, 1e-12);
    EXPECT_NEAR(atCentre[0].Z1, 1, 1e-12);
    EXPECT_NEAR(atCentre[1].X1, 13.6, 1e-9);
    EXPECT_NEAR(atCentre[1].Z1, 0.8 * std::sqrt(2.0) - 0.8, 1e-9);
}

TEST(NoseCompensation, ContoursTighterThanTheNoseAreInterference) {
    using K = Move::Kind;
    // A groove 1 mm wide under a nose of 1.6 mm: the offset bottom runs backwards.
    const std::vector<Move> groove = {
        Piece(K::Rapid, 44, -5, 42, -5, 42, 1), Piece(K::Cut, 42, -5, 38, -5, 42, 2),
        Piece(K::Cut, 38, -5, 38, -6, 42, 3), Piece(K::Cut, 38, -6, 42, -6, 42, 4),
        Piece(K::Rapid, 42, -6, 44, -6, 40, 5)};
    std::vector<std::string> codes = Codes(Cut(groove));
    EXPECT_NE(std::find(codes.begin(), codes.end(), "nose-interference@3"), codes.end())
        << ::testing::PrintToString(codes);
    // A concave R0.5 under the same nose.
    const std::vector<Move> fillet = {
        Piece(K::Rapid, 44, 1, 30, 1, 42, 1), Piece(K::Cut, 30, 1, 30, -10, 42, 2),
        Piece(K::ArcCW, 30, -10, 31, -10.5, 42, 3, 31, -10), Piece(K::Cut, 31, -10.5, 40, -10.5, 42, 4),
        Piece(K::Rapid, 40, -10.5, 44, -10.5, 40, 5)};
    codes = Codes(Cut(fillet));
    EXPECT_NE(std::find(codes.begin(), codes.end(), "nose-interference@3"), codes.end())
        << ::testing::PrintToString(codes);
}

} // namespace
