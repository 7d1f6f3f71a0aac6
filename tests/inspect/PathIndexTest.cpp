// SPDX-License-Identifier: GPL-3.0-or-later
// The compact piece store behind the workbench: every piece reads back exactly as it was given,
// across the blocks it is kept in, with the arcs' centres in their own table and the tools as
// runs; hit-testing and snapping answer as a plain search over all pieces does.

#include "inspect/PathIndex.h"
#include "inspect/Measure.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <random>
#include <stdexcept>

using namespace inspect;
using Kind = motion::PathSegment::Kind;

namespace {

constexpr size_t Block = size_t(1) << 16; // pieces a block of the store holds

bool Same(const motion::PathSegment& a, const motion::PathSegment& b) {
    auto bits = [](double v) { return std::bit_cast<uint64_t>(v); };
    return a.kind == b.kind && bits(a.x0) == bits(b.x0) && bits(a.z0) == bits(b.z0) &&
           bits(a.x1) == bits(b.x1) && bits(a.z1) == bits(b.z1) && bits(a.cx) == bits(b.cx) &&
           bits(a.cz) == bits(b.cz) && bits(a.r) == bits(b.r);
}

// A piece in a box of 200 x 100 mm: a rapid, a cut or a G02/G03 through two points of a circle.
motion::PathSegment RandomPiece(std::mt19937_64& rng) {
    std::uniform_real_distribution<double> x(-20, 180), z(-100, 10), ang(0, 2 * 3.14159265358979);
    std::uniform_real_distribution<double> rad(0.1, 30);
    motion::PathSegment s;
    s.kind = static_cast<Kind>(rng() % 4);
    if (s.kind == Kind::Rapid || s.kind == Kind::Cut) {
        s.x0 = x(rng), s.z0 = z(rng), s.x1 = x(rng), s.z1 = z(rng);
        return s;
    }
    s.cx = x(rng), s.cz = z(rng), s.r = rad(rng);
    const double a0 = ang(rng), a1 = ang(rng);
    s.x0 = s.cx + 2 * s.r * std::sin(a0), s.z0 = s.cz + s.r * std::cos(a0);
    s.x1 = s.cx + 2 * s.r * std::sin(a1), s.z1 = s.cz + s.r * std::cos(a1);
    return s;
}

// A view of `ppu` pixels a millimetre over 800 x 500 px, in one of the four layouts.
ViewMap View(double ppu, double left, double top, bool vertical, double xSign) {
    ViewMap v;
    v.Vertical = vertical, v.XSign = xSign;
    v.ScaleLeft = left, v.ScaleTop = top, v.ScaleWidth = 800 / ppu, v.ScaleHeight = 500 / ppu;
    v.CanvasWidth = 800 * TwipsPerPixel, v.CanvasHeight = 500 * TwipsPerPixel;
    return v;
}

// The nearest piece by a search over all of them, the last drawn on equal distance.
std::optional<Hit> PlainHit(const std::vector<motion::PathSegment>& pieces, const std::vector<int64_t>& lines,
                            const ViewMap& view, Point px, double tolerancePx) {
    std::optional<Hit> best;
    std::vector<MachinePoint> line;
    for (size_t i = 0; i < pieces.size(); ++i) {
        PathIndex::Polyline(pieces[i], line);
        double d = std::numeric_limits<double>::infinity();
        for (size_t k = 1; k < line.size(); ++k)
            d = std::min(d, DistanceToSegment(px, view.ToPixel(line[k - 1]), view.ToPixel(line[k])));
        if (d <= tolerancePx && (!best || d <= best->DistancePx)) best = Hit{i, lines[i], d};
    }
    return best;
}

// The snap by a plain search over all pieces: the nearest end or centre within reach, the later
// on equal distance.
SnapPoint PlainSnap(const std::vector<motion::PathSegment>& pieces, const ViewMap& v, Point px, double tol) {
    SnapPoint plain{v.ToMachine(px), SnapPoint::Kind::Free};
    double bestD = tol;
    auto consider = [&](MachinePoint p, SnapPoint::Kind kind) {
        const Point q = v.ToPixel(p);
        const double d = std::hypot(q.X - px.X, q.Y - px.Y);
        if (d <= bestD) bestD = d, plain = {p, kind};
    };
    for (const motion::PathSegment& s : pieces) {
        consider({s.x0, s.z0}, SnapPoint::Kind::EndPoint);
        consider({s.x1, s.z1}, SnapPoint::Kind::EndPoint);
        if (s.kind == Kind::ArcCW || s.kind == Kind::ArcCCW)
            consider({s.cx, s.cz}, SnapPoint::Kind::ArcCentre);
    }
    return plain;
}

} // namespace

TEST(PathIndexStore, PiecesReadBackExactlyAcrossBlocksWithArcsAmongThem) {
    // Two and a half blocks of pieces, arcs and straight pieces mixed at random, the lines in
    // order with several pieces to some; one line's pieces straddle the first block's end.
    std::mt19937_64 rng(7);
    PathIndex idx;
    std::vector<motion::PathSegment> given;
    std::vector<int64_t> lines;
    int64_t line = 1;
    const size_t n = 2 * Block + Block / 2;
    for (size_t i = 0; i < n; ++i) {
        if (i == Block - 3 || i == Block + 3)
            ++line;
        else if (i < Block - 3 || i > Block + 3)
            line += static_cast<int64_t>(rng() % 2);
        given.push_back(RandomPiece(rng));
        lines.push_back(line);
        idx.Add(line, given.back());
    }
    ASSERT_EQ(idx.Size(), n);
    size_t arcs = 0;
    idx.ForEachSegment([&](size_t i, const motion::PathSegment& s) {
        EXPECT_TRUE(Same(s, given[i])) << i;
        arcs += s.kind == Kind::ArcCW || s.kind == Kind::ArcCCW;
    });
    EXPECT_GT(arcs, n / 3);
    for (size_t i : {size_t(0), Block - 1, Block, Block + 1, 2 * Block - 1, 2 * Block, n - 1}) {
        const Piece p = idx.At(i);
        EXPECT_TRUE(Same(p.Segment, given[i])) << i;
        EXPECT_EQ(p.Line, lines[i]) << i;
    }
    // The line around the first block's end: its six pieces, in drawing order.
    std::vector<size_t> straddling;
    for (size_t i = Block - 3; i <= Block + 2; ++i)
        straddling.push_back(i);
    EXPECT_EQ(idx.PiecesOfLine(lines[Block]), straddling);
    for (size_t probe = 0; probe < 200; ++probe) {
        const int64_t l = lines[rng() % n];
        std::vector<size_t> expected;
        for (size_t i = 0; i < n; ++i)
            if (lines[i] == l) expected.push_back(i);
        EXPECT_EQ(idx.PiecesOfLine(l), expected) << l;
    }
    EXPECT_TRUE(idx.PiecesOfLine(line + 1).empty());
    // The extent takes in the steps of the arcs, not only their ends.
    std::vector<MachinePoint> steps;
    MachineBox box{INFINITY, -INFINITY, INFINITY, -INFINITY};
    for (const motion::PathSegment& s : given) {
        PathIndex::Polyline(s, steps);
        for (const MachinePoint& m : steps)
            box = {std::min(box.MinZ, m.Z), std::max(box.MaxZ, m.Z), std::min(box.MinR, m.X / 2),
                   std::max(box.MaxR, m.X / 2)};
    }
    const std::optional<MachineBox> extent = idx.Extent();
    ASSERT_TRUE(extent);
    EXPECT_EQ(extent->MinZ, box.MinZ);
    EXPECT_EQ(extent->MaxZ, box.MaxZ);
    EXPECT_EQ(extent->MinR, box.MinR);
    EXPECT_EQ(extent->MaxR, box.MaxR);
    idx.Clear();
    EXPECT_EQ(idx.Size(), 0u);
    EXPECT_FALSE(idx.Extent());
    EXPECT_TRUE(idx.PiecesOfLine(lines[0]).empty());
}

TEST(PathIndexStore, LinesThatGoBackAreFoundInDrawingOrder) {
    // A subprogram called three times: its lines come again after later ones.
    PathIndex idx;
    const std::vector<int64_t> lines{1, 2, 10, 11, 3, 10, 11, 4, 10, 11, 11, 5};
    for (int64_t l : lines)
        idx.Add(l, {});
    EXPECT_EQ(idx.PiecesOfLine(11), (std::vector<size_t>{3, 6, 9, 10}));
    EXPECT_EQ(idx.PiecesOfLine(10), (std::vector<size_t>{2, 5, 8}));
    EXPECT_EQ(idx.PiecesOfLine(5), std::vector<size_t>{11});
    EXPECT_TRUE(idx.PiecesOfLine(6).empty());
    idx.Add(12, {}); // added after the line order was built
    EXPECT_EQ(idx.PiecesOfLine(12), std::vector<size_t>{12});
}

TEST(PathIndexStore, ToolsOfManyBlocksAndManyDistinctTools) {
    // More distinct tools than 16 bits can number, told block by block as the check does, with
    // the pieces of a block not yet told on tool 0; then a tool told again from further back.
    std::mt19937_64 rng(3);
    PathIndex idx;
    std::vector<double> expected;
    size_t untold = 0;
    for (int block = 0; block < 90000; ++block) {
        const size_t pieces = rng() % 3; // a block may draw nothing
        for (size_t k = 0; k < pieces; ++k)
            idx.Add(block + 1, {}), expected.push_back(0);
        const double tool = block < 70000 ? block + 0.5 : 7;
        idx.SetTool(untold, tool);
        for (size_t i = untold; i < expected.size(); ++i)
            expected[i] = tool;
        untold = idx.Size();
    }
    idx.Add(90001, {}), expected.push_back(0);
    const size_t back = expected.size() / 2;
    idx.SetTool(back, -0.0); // the same value as tool 0 but kept as given
    for (size_t i = back; i < expected.size(); ++i)
        expected[i] = -0.0;
    idx.SetTool(expected.size(), 99); // no piece from there on: nothing changes
    idx.SetTool(back + 5, -0.0);      // the same tool again: nothing changes
    ASSERT_EQ(idx.Size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(std::bit_cast<uint64_t>(idx.ToolOf(i)), std::bit_cast<uint64_t>(expected[i])) << i;
    for (double tool : {0.5, 12345.5, 69999.5, 7.0, 0.0, 99.0}) {
        std::vector<size_t> pieces;
        for (size_t i = 0; i < expected.size(); ++i)
            if (expected[i] == tool) pieces.push_back(i);
        EXPECT_EQ(idx.PiecesOfTool(tool), pieces) << tool;
    }
}

TEST(PathIndexStore, LinesBeyondThirtyTwoBitsAreRefusedNotWrapped) {
    PathIndex idx;
    const int64_t big = (int64_t(1) << 31) + 5; // past a signed 32-bit line, still kept
    idx.Add(big, {});
    EXPECT_EQ(idx.At(0).Line, big);
    EXPECT_EQ(idx.PiecesOfLine(big), std::vector<size_t>{0});
    const int64_t last = std::numeric_limits<uint32_t>::max();
    idx.Add(last, {});
    EXPECT_EQ(idx.LineOf(1), last);
    // One more would wrap to line 0; it is refused and the index stays as it was.
    EXPECT_THROW(idx.Add(last + 1, {}), std::out_of_range);
    EXPECT_THROW(idx.Add(-1, {}), std::out_of_range);
    EXPECT_EQ(idx.Size(), 2u);
    EXPECT_TRUE(idx.PiecesOfLine(0).empty());
    EXPECT_TRUE(idx.PiecesOfLine(last + 1).empty());
}

TEST(PathIndexStore, HitsAndSnapsAnswerAsASearchOverAllPieces) {
    // Random pieces in every layout and several scales; pixels near the pieces' ends and
    // anywhere. The hit is the same piece at the same distance, the snap the same point.
    std::mt19937_64 rng(11);
    PathIndex idx;
    std::vector<motion::PathSegment> pieces;
    std::vector<int64_t> lines;
    // Mostly small pieces one after another, as a program cuts, with jumps; some long ones.
    std::uniform_real_distribution<double> step(-2, 2), x(0, 160), z(-90, 0);
    double bx = 50, bz = -50;
    for (size_t i = 0; i < 1000; ++i) {
        motion::PathSegment s = RandomPiece(rng);
        if (i % 150 == 0) bx = x(rng), bz = z(rng);
        bx += step(rng), bz += step(rng);
        if (i % 5 != 0) { // shrunk around the walk: an arc stays an arc
            constexpr double k = 0.02;
            const bool arc = s.r != 0;
            for (double* v : {&s.x0, &s.x1, &s.cx})
                *v = v == &s.cx && !arc ? 0 : bx + k * (*v - 80);
            for (double* v : {&s.z0, &s.z1, &s.cz})
                *v = v == &s.cz && !arc ? 0 : bz + k * (*v + 45);
            s.r *= k;
        }
        pieces.push_back(s);
        lines.push_back(static_cast<int64_t>(rng() % 700) + 1); // out of line order
        idx.Add(lines.back(), pieces.back());
    }
    pieces.push_back(pieces[17]), lines.push_back(4000); // the same piece again: the later one wins
    idx.Add(4000, pieces.back());
    idx.Finish();
    std::uniform_real_distribution<double> u(0, 1);
    int hits = 0, snaps = 0;
    for (int probe = 0; probe < 800; ++probe) {
        const double ppu = std::array{0.5, 3.0, 10.0, 40.0}[rng() % 4];
        const ViewMap v = View(ppu, -110 + 40 * u(rng), -100 + 40 * u(rng), rng() % 2, rng() % 2 ? 1 : -1);
        Point px{800 * u(rng), 500 * u(rng)};
        if (probe % 2) {
            const motion::PathSegment& s = pieces[rng() % pieces.size()];
            const Point end = v.ToPixel({s.x1, s.z1});
            px = {end.X + 6 * u(rng) - 3, end.Y + 6 * u(rng) - 3};
        }
        const double tol = std::array{2.0, 5.0, 12.0}[rng() % 3];
        const std::optional<Hit> got = idx.HitTest(v, px, tol), want = PlainHit(pieces, lines, v, px, tol);
        ASSERT_EQ(got.has_value(), want.has_value()) << probe;
        if (got) {
            ++hits;
            EXPECT_EQ(got->Piece, want->Piece) << probe;
            EXPECT_EQ(got->Line, want->Line) << probe;
            EXPECT_EQ(got->DistancePx, want->DistancePx) << probe;
        }
        const SnapPoint plain = PlainSnap(pieces, v, px, tol);
        const SnapPoint snap = SnapAt(idx, v, px, tol, false, false);
        EXPECT_EQ(snap.Snapped, plain.Snapped) << probe;
        EXPECT_EQ(snap.At.X, plain.At.X) << probe;
        EXPECT_EQ(snap.At.Z, plain.At.Z) << probe;
        snaps += snap.Snapped != SnapPoint::Kind::Free;
    }
    // Both kinds of answer were tried often.
    EXPECT_GT(hits, 200);
    EXPECT_GT(snaps, 200);
    EXPECT_LT(hits, 750);
}

TEST(PathIndexStore, SnapsPassOverFarRunsYetPickTheSamePointAsAPlainSearch) {
    // Runs of pieces in places of their own; arcs of a large radius and a small sweep whose
    // centres lie far from their run, in another run's place; the same point again as an end
    // and as a centre in later runs (the later wins a tie); pieces either side of a run's end
    // sharing a point. Pointers at those points, with the tolerance just reaching a point and a
    // step short of it, in every layout.
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> u(0, 1);
    std::vector<motion::PathSegment> pieces;
    auto cut = [](double x0, double z0, double x1, double z1) {
        motion::PathSegment s;
        s.kind = Kind::Cut, s.x0 = x0, s.z0 = z0, s.x1 = x1, s.z1 = z1;
        return s;
    };
    std::vector<MachinePoint> spots; // points the pointer is put at
    for (int run = 0; run < 12; ++run) {
        const double bx = 20 + 12 * run, bz = -8 * run;
        for (int k = 0; k < 64; ++k) {
            const size_t i = pieces.size();
            if (k % 16 == 5) {
                // An arc of radius 60 turning 2 degrees: its centre 60 mm away from the run.
                const double r = 60, a0 = 2 * 3.14159265358979 * u(rng), a1 = a0 + 0.035;
                motion::PathSegment s;
                s.kind = k % 32 == 5 ? Kind::ArcCCW : Kind::ArcCW;
                s.cx = bx - 2 * r * std::sin(a0), s.cz = bz - r * std::cos(a0), s.r = r;
                s.x0 = s.cx + 2 * r * std::sin(a0), s.z0 = s.cz + r * std::cos(a0);
                s.x1 = s.cx + 2 * r * std::sin(a1), s.z1 = s.cz + r * std::cos(a1);
                if (s.kind == Kind::ArcCW) std::swap(s.x0, s.x1), std::swap(s.z0, s.z1);
                pieces.push_back(s);
                spots.push_back({s.cx, s.cz});
            } else if (i % 64 == 63 && run < 11) {
                // Across the run's end: the next run's first piece starts where this one ends.
                pieces.push_back(cut(bx + 1, bz - 1, 20 + 12 * (run + 1), -8 * (run + 1)));
                spots.push_back({pieces.back().x1, pieces.back().z1});
            } else {
                pieces.push_back(cut(bx + 4 * u(rng), bz - 4 * u(rng), bx + 4 * u(rng), bz - 4 * u(rng)));
            }
        }
    }
    // A point drawn early comes again later as an end and then as an arc's centre, in runs far
    // from it: the centre drawn last wins.
    const MachinePoint twice{pieces[70].x1, pieces[70].z1};
    pieces[64 * 7 + 9] = cut(twice.X, twice.Z, 150, -56);
    motion::PathSegment far;
    far.kind = Kind::ArcCCW, far.cx = twice.X, far.cz = twice.Z, far.r = 50;
    far.x0 = twice.X + 100, far.z0 = twice.Z, far.x1 = twice.X, far.z1 = twice.Z + 50;
    pieces[64 * 10 + 20] = far;
    spots.push_back(twice);
    PathIndex idx;
    for (size_t i = 0; i < pieces.size(); ++i)
        idx.Add(static_cast<int64_t>(i) + 1, pieces[i]);
    bool edgeSnapped = false, edgeMissed = false;
    for (int layout = 0; layout < 4; ++layout) {
        const ViewMap v =
            View(4, layout & 1 ? -150 : -100, layout & 1 ? -100 : -150, layout & 1, layout & 2 ? -1 : 1);
        for (int probe = 0; probe < 300; ++probe) {
            const MachinePoint at = spots[rng() % spots.size()];
            const Point p = v.ToPixel(at);
            // Off the point along an axis of the viewport (the edge of a square reach), or anyhow.
            const double off = 10 * u(rng) - 5;
            const Point px = probe % 3 == 0   ? Point{p.X + off, p.Y}
                             : probe % 3 == 1 ? Point{p.X, p.Y + off}
                                              : Point{p.X + off, p.Y + 10 * u(rng) - 5};
            const Point q = v.ToPixel(at);
            const double d = std::hypot(q.X - px.X, q.Y - px.Y);
            // Just reaching the point, a step short of it, and a few pixels.
            for (double tol : {d, std::nextafter(d, 0.0), 3.0}) {
                const SnapPoint want = PlainSnap(pieces, v, px, tol),
                                got = SnapAt(idx, v, px, tol, false, false);
                ASSERT_EQ(got.Snapped, want.Snapped) << layout << " " << probe << " " << tol;
                ASSERT_EQ(got.At.X, want.At.X) << layout << " " << probe;
                ASSERT_EQ(got.At.Z, want.At.Z) << layout << " " << probe;
                edgeSnapped |= tol == d && got.Snapped != SnapPoint::Kind::Free;
                edgeMissed |= tol < d && got.Snapped == SnapPoint::Kind::Free;
            }
        }
        // Exactly at the point drawn three times: the arc's centre, drawn last.
        const SnapPoint tie = SnapAt(idx, v, v.ToPixel(twice), 4, true, true);
        EXPECT_EQ(tie.Snapped, SnapPoint::Kind::ArcCentre) << layout;
        // Far from everything the grid still applies.
        EXPECT_EQ(SnapAt(idx, v, {-5000, -5000}, 8, true, false).Snapped, SnapPoint::Kind::Grid);
    }
    EXPECT_TRUE(edgeSnapped);
    EXPECT_TRUE(edgeMissed);
}
