// SPDX-License-Identifier: GPL-3.0-or-later
// Material removal checked against geometry worked out by hand: where a face or a diameter must
// land, the fillet a nose leaves, and volumes by Pappus' theorem.

#include "stock/Machining.h"
#include "stock/ToolShape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace {

using stock::Move;
constexpr double Pi = std::numbers::pi;

stock::Setup Bar(double diameter, double length) {
    stock::Setup s;
    s.Material.Diameter = diameter;
    s.Material.Length = length;
    return s;
}

// A square insert whose edges run along +X and +Z from the nose: its outline below and in front
// of the nose is the nose circle and two straight lines, easy to reason about.
stock::Tool SquareInsert(double nose) {
    stock::Tool t;
    t.Shape = 'S';
    t.ApproachAngle = 90;
    t.NoseRadius = nose;
    return t;
}

Move Feed(double x0, double z0, double x1, double z1, int64_t line = 1) {
    Move m;
    m.Type = Move::Kind::Cut;
    m.Line = line;
    m.Tool = 1;
    m.X0 = x0, m.Z0 = z0, m.X1 = x1, m.Z1 = z1;
    return m;
}

// Whether material lies at the point (a 2 µm square round it is wholly material / wholly empty).
bool MaterialAt(const stock::Region& part, double z, double radius) {
    const double h = 0.001;
    return std::fabs(part.Intersect(stock::Region::Rectangle(z - h, radius - h, z + h, radius + h)).Area() -
                     4 * h * h) < 1e-9;
}
bool EmptyAt(const stock::Region& part, double z, double radius) {
    const double h = 0.001;
    return part.Intersect(stock::Region::Rectangle(z - h, radius - h, z + h, radius + h)).Area() < 1e-12;
}

TEST(Removal, StraightTurnLeavesTheDiameterAndTheNoseItsFillet) {
    stock::Setup s = Bar(50, 100);
    s.Tools[1] = stock::Tool{}; // C 80°, nose radius 0.8, tip 3, 90° approach
    stock::Machining m(s);
    m.Apply(Feed(46, 2, 46, -30));
    m.Apply(Feed(46, -30, 60, -30));
    const stock::Result r = m.Finish();
    // The diameter turned: radius 23 to the thousandth, the bar's 25 beyond the shoulder.
    EXPECT_TRUE(MaterialAt(r.Part, -15, 23 - 0.002));
    EXPECT_TRUE(EmptyAt(r.Part, -15, 23 + 0.002));
    EXPECT_TRUE(MaterialAt(r.Part, -30.002 - 0.001, 24.9));
    EXPECT_TRUE(EmptyAt(r.Part, -30 + 0.002, 24.9));
    // The shoulder's corner is the nose: a 0.8 fillet about (Z-29.2, radius 23.8).
    const double c = std::sqrt(0.5);
    for (double d : {0.8 + 0.003, 1.0})
        EXPECT_TRUE(MaterialAt(r.Part, -29.2 - d * c, 23.8 - d * c)) << d;
    EXPECT_TRUE(EmptyAt(r.Part, -29.2 - 0.797 * c, 23.8 - 0.797 * c));
    EXPECT_NEAR(r.MaxDiameter, 50, 1e-9);
    EXPECT_NEAR(r.PartLength, 100, 1e-9);
}

TEST(Removal, FaceStoppingAtCentreLeavesAPipOfTheNoseRadius) {
    stock::Setup s = Bar(50, 100);
    s.Tools[1] = SquareInsert(0.8);
    stock::Machining m(s);
    m.Apply(Feed(60, -1, 0, -1));
    const stock::Result r = m.Finish();
    // The face lands at Z-1; on the axis the nose leaves material up to Z-1+0.8.
    EXPECT_TRUE(MaterialAt(r.Part, -1.002, 10));
    EXPECT_TRUE(EmptyAt(r.Part, -0.998, 10));
    // The pip is the nose circle's quarter about (Z-0.2, radius 0.8), touching the axis at Z-0.2.
    for (double a : {200.0, 225.0, 250.0}) {
        const double t = a * Pi / 180, z = -0.2 + 0.8 * std::cos(t), x = 0.8 + 0.8 * std::sin(t);
        EXPECT_TRUE(MaterialAt(r.Part, z + 0.003 * std::cos(t), x + 0.003 * std::sin(t))) << a;
        EXPECT_TRUE(EmptyAt(r.Part, z - 0.003 * std::cos(t), x - 0.003 * std::sin(t))) << a;
    }
    EXPECT_TRUE(EmptyAt(r.Part, -0.2 + 0.003, 0.0011));
    ASSERT_EQ(r.Findings.size(), 1u);
    EXPECT_EQ(r.Findings[0].Code, "centre-pip");
}

TEST(Removal, EveryInsertLandsItsFaceAndDiameterWhereTheProgramPutsThem) {
    // A face at Z-1 past the centre, then D40 over the whole length: the part is that cylinder,
    // to the grid's step, in one piece (no skin left where a chord skipped the nose's extreme).
    for (const char shape : {'C', 'D', 'E', 'V', 'S', 'T', 'W', 'R'}) {
        stock::Setup s = Bar(50, 30);
        stock::Tool t;
        t.Shape = shape;
        t.ApproachAngle = shape == 'S' ? 90 : 95; // a square's ends stand at 90° to each other
        t.NoseRadius = shape == 'R' ? 3 : 0.8;
        s.Tools[1] = t;
        stock::Machining m(s);
        m.Apply(Feed(60, -1, -8, -1));
        m.Apply(Feed(40, 2, 40, -35));
        const stock::Result r = m.Finish();
        const stock::Box b = r.Part.Bounds();
        EXPECT_NEAR(b.x1, 20, 2e-5) << shape;
        EXPECT_NEAR(b.z1, -1, 2e-5) << shape;
        EXPECT_EQ(r.Part.Pieces().size(), 1u) << shape;
        EXPECT_NEAR(r.LeftMm3 / (Pi * 20 * 20 * 29), 1, 1e-5) << shape;
    }
}

TEST(Removal, VolumesAgreeWithPappus) {
    // A face past the centre takes a disc of the bar's radius and the depth.
    {
        stock::Setup s = Bar(50, 100);
        s.Tools[1] = SquareInsert(0.8);
        stock::Machining m(s);
        m.Apply(Feed(60, -1, -2, -1));
        const stock::Result r = m.Finish();
        const double disc = Pi * 25 * 25 * 1;
        EXPECT_NEAR(r.RemovedMm3 / disc, 1, 1e-6);
        EXPECT_NEAR(r.StockMm3 / (Pi * 25 * 25 * 100), 1, 1e-6);
        EXPECT_NEAR((r.StockMm3 - r.LeftMm3) / r.RemovedMm3, 1, 1e-6);
        EXPECT_TRUE(r.Findings.empty());
    }
    // A turn over the whole length of a tube takes an annulus.
    {
        stock::Setup s = Bar(50, 20);
        s.Material.Shape = stock::Stock::Kind::Tube;
        s.Material.Bore = 30;
        s.Tools[1] = stock::Tool{};
        stock::Machining m(s);
        m.Apply(Feed(40, 5, 40, -25));
        const stock::Result r = m.Finish();
        EXPECT_NEAR(r.RemovedMm3 / (Pi * (25 * 25 - 20 * 20) * 20), 1, 1e-6);
        EXPECT_NEAR(r.LeftMm3 / (Pi * (20 * 20 - 15 * 15) * 20), 1, 1e-6);
        ASSERT_EQ(r.Tools.size(), 1u);
        EXPECT_NEAR(r.Tools[0].RemovedMm3, r.RemovedMm3, 1e-9);
    }
}

TEST(Removal, ArcsCutTheirRadiusAndRapidsRemoveNothing) {
    stock::Setup s = Bar(50, 100);
    s.Tools[1] = SquareInsert(0.5);
    stock::Machining m(s);
    Move rapid = Feed(80, 50, 80, -50);
    rapid.Type = Move::Kind::Rapid;
    m.Apply(rapid);
    // A convex quarter round: from (Z0, X30) to (Z-10, X50) about (Z-10, X30), with the nose
    // centre 0.5 off the programmed point in X and Z, so the nose centre runs on a circle of
    // radius 10 about (Z-9.5, radius 15.5) and the part's corner is a round of 9.5.
    Move arc = Feed(30, 0, 50, -10);
    arc.Type = Move::Kind::ArcCCW;
    arc.CX = 30, arc.CZ = -10, arc.R = 10;
    m.Apply(Feed(30, 2, 30, 0));
    m.Apply(arc);
    const stock::Result r = m.Finish();
    for (double a : {10.0, 45.0, 80.0}) {
        const double t = a * Pi / 180, z = -9.5 + 9.5 * std::cos(t), x = 15.5 + 9.5 * std::sin(t);
        const double nz = std::cos(t), nx = std::sin(t);
        EXPECT_TRUE(MaterialAt(r.Part, z - 0.003 * nz, x - 0.003 * nx)) << a;
        EXPECT_TRUE(EmptyAt(r.Part, z + 0.003 * nz, x + 0.003 * nx)) << a;
    }
    ASSERT_EQ(r.Tools.size(), 1u);
    EXPECT_GT(r.Tools[0].RemovedMm3, 0);
}

} // namespace

// Random straight cuts with a round insert against a slow reference: a raster of the section in
// which a cell is cut when its centre lies within the nose radius of the nose centre's path. The
// two must agree wherever a point is clearly inside or outside that reach, and in area and volume
// to within the raster's resolution.
TEST(Removal, RandomCutsAgreeWithARaster) {
    constexpr double R = 25, L = 60, Nose = 2, H = 0.05; // bar radius and length, raster cell
    stock::Setup s = Bar(2 * R, L);
    stock::Tool round;
    round.Shape = 'R';
    round.NoseRadius = Nose;
    s.Tools[1] = round;
    const stock::Point c = stock::ShapeOf(round).NoseCentre;
    struct Segment {
        double Z0, X0, Z1, X1; // the nose centre's path, X a radius
    };
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> zs(-55, 5), xs(6, 30); // diameters 12 to 60: some air
    std::vector<Segment> path;
    stock::Machining m(s);
    double x = 60, z = 5;
    for (int i = 0; i < 30; ++i) {
        const double x1 = 2 * xs(random), z1 = zs(random);
        m.Apply(Feed(x, z, x1, z1, i + 1));
        path.push_back({z + c.z, x / 2 + c.x, z1 + c.z, x1 / 2 + c.x});
        x = x1, z = z1;
    }
    const stock::Result r = m.Finish();
    // How far a point lies beyond the nose's reach (negative: within it).
    auto beyond = [&](double pz, double px) {
        double d = 1e300;
        for (const Segment& g : path) {
            const double dz = g.Z1 - g.Z0, dx = g.X1 - g.X0, len2 = dz * dz + dx * dx;
            const double t =
                len2 > 0 ? std::clamp(((pz - g.Z0) * dz + (px - g.X0) * dx) / len2, 0.0, 1.0) : 0;
            d = std::min(d, std::hypot(pz - g.Z0 - t * dz, px - g.X0 - t * dx));
        }
        return d - Nose;
    };
    double area = 0, volume = 0;
    for (double pz = -L + H / 2; pz < 0; pz += H)
        for (double px = H / 2; px < R; px += H)
            if (beyond(pz, px) > 0) area += H * H, volume += 2 * Pi * px * H * H;
    // The boundary's cells are the raster's error: the bar's outline and both sides of each cut.
    double boundary = 2 * (R + L);
    for (const Segment& g : path)
        boundary += 2 * std::hypot(g.Z1 - g.Z0, g.X1 - g.X0) + 2 * Pi * Nose;
    EXPECT_GT(r.RemovedMm3, 0.2 * r.StockMm3);
    EXPECT_NEAR(r.Part.Area(), area, boundary * H / 2);
    EXPECT_NEAR(r.LeftMm3, volume, 2 * Pi * R * boundary * H / 2);
    // Point by point, away from the edge (the arcs' chords lie within 0.001 of it).
    std::uniform_real_distribution<double> pzs(-L + 0.01, -0.01), pxs(0.01, R - 0.01);
    int checked = 0;
    for (int i = 0; i < 3000; ++i) {
        const double pz = pzs(random), px = pxs(random), d = beyond(pz, px);
        if (std::fabs(d) < 0.005) continue;
        ++checked;
        if (d > 0)
            EXPECT_TRUE(MaterialAt(r.Part, pz, px)) << "Z" << pz << " radius " << px;
        else
            EXPECT_TRUE(EmptyAt(r.Part, pz, px)) << "Z" << pz << " radius " << px;
    }
    EXPECT_GT(checked, 2900);
}
