// SPDX-License-Identifier: GPL-3.0-or-later
// The stock following a run: at any block, reached in any order or from a run started at the
// caret, the follower leaves what the removal leaves when it is run from the top to that block,
// and the states the check keeps stay within their budget.

#include "inspect/Inspection.h"
#include "stock/ToolSources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

using namespace inspect;

namespace {

std::u16string U(const std::string& s) {
    return {s.begin(), s.end()};
}

// Passes of 0.25 mm down a 40 mm bar with a radius at each shoulder, more pieces than one
// interval of kept states, then a face to the centre.
std::u16string Passes() {
    std::string p = "G00 X42. Z2. S800 M03\r\nT0101\r\n";
    char line[96];
    for (int i = 1; i <= 140; ++i) {
        const double x = 40 - 0.25 * i, z = -30 + 0.2 * i;
        std::snprintf(line, sizeof line,
                      "G00 X%.3f Z2.\r\nG01 Z%.3f F0.2\r\nG02 X%.3f Z%.3f R1.\r\nG00 X42.\r\n", x, z + 1,
                      x + 2, z);
        p += line;
    }
    return U(p + "G00 X42. Z0.\r\nG01 X0.\r\nG00 X60. Z20.\r\nM30\r\n");
}

std::shared_ptr<const stock::Setup> Bar() {
    auto s = std::make_shared<stock::Setup>();
    s->Material.Shape = stock::Stock::Kind::Bar;
    s->Material.Diameter = 40;
    s->Material.Length = 60;
    return s;
}

// The reference: the headless removal run from the top, its material (the union's volume, as the
// checker reports it) after every block.
std::vector<double> LeftAfterEachBlock(const std::u16string& text) {
    check::CheckOptions o;
    stock::Machining cut(stock::WithProgramTools(*Bar(), text));
    std::vector<double> left;
    int tool = 0;
    o.OnBlock = [&](int64_t, double t) {
        tool = static_cast<int>(t);
        stock::Machining copy = cut;
        left.push_back(copy.Finish().LeftMm3);
    };
    check::CheckProgram(text, o, [&](const check::TracedSegment& s) {
        using K = motion::PathSegment::Kind;
        const motion::PathSegment& p = s.Segment;
        stock::Move m;
        m.Type = p.kind == K::Rapid   ? stock::Move::Kind::Rapid
                 : p.kind == K::Cut   ? stock::Move::Kind::Cut
                 : p.kind == K::ArcCW ? stock::Move::Kind::ArcCW
                                      : stock::Move::Kind::ArcCCW;
        m.Tool = tool == 0 ? 1 : tool; // T0101 comes before the first move
        m.X0 = p.x0, m.Z0 = p.z0, m.X1 = p.x1, m.Z1 = p.z1, m.CX = p.cx, m.CZ = p.cz, m.R = p.r;
        cut.Apply(m);
    });
    return left;
}

RunPoint At(const InspectionResult& r, size_t block, int32_t countedFrom = 0) {
    RunPoint p;
    p.Blocks = static_cast<int32_t>(block + 1) - countedFrom;
    p.BlockEndPos = static_cast<int64_t>(r.Starts.EndOf(r.Steps.LineOf(block))) + 1; // its CR
    return p;
}

} // namespace

TEST(StockFollow, EveryBlockInAnyOrderLeavesWhatTheRemovalFromTheTopLeaves) {
    const std::u16string text = Passes();
    check::CheckOptions o;
    o.Stock = Bar();
    const auto r = std::make_shared<const InspectionResult>(RunInspection(text, o));
    const std::vector<double> left = LeftAfterEachBlock(text);
    ASSERT_EQ(r->Steps.Blocks(), left.size());
    ASSERT_GT(r->Paths.Size(), 2 * StockSteps::FirstInterval); // states were kept and are used
    ASSERT_GE(r->Steps.States(), 2u);
    const double raw = stock::StockRegion(o.Stock->Material).Volume();

    StockFollower follow(r);
    ASSERT_TRUE(follow.SectionAt(RunPoint{}));
    EXPECT_NEAR(follow.LeftMm3(), raw, 1e-6 * raw); // after a reset: the raw bar
    // Single blocks forwards, then jumps back and forth.
    std::vector<size_t> order;
    for (size_t b = 0; b < 40; ++b)
        order.push_back(b);
    for (size_t b : {300, 120, 121, 5, 250, 251, 252, 310})
        order.push_back(b);
    for (size_t b : order) {
        ASSERT_LT(b, left.size());
        ASSERT_TRUE(follow.SectionAt(At(*r, b)));
        EXPECT_NEAR(follow.LeftMm3(), left[b], 1e-6 * raw) << "block " << b;
    }
    // The same block again cuts nothing and takes up no state.
    const size_t cut = follow.PiecesCut(), taken = follow.StatesTaken();
    EXPECT_GT(taken, 2u); // the jumps back went through kept states
    follow.SectionAt(At(*r, order.back()));
    EXPECT_EQ(follow.PiecesCut(), cut);
    EXPECT_EQ(follow.StatesTaken(), taken);

    // A run started at the caret counts its blocks from there; it is found all the same.
    StockFollower fromCaret(r);
    for (size_t b : {200, 201, 230}) {
        ASSERT_TRUE(fromCaret.SectionAt(At(*r, b, 199)));
        EXPECT_NEAR(fromCaret.LeftMm3(), left[b], 1e-6 * raw) << "block " << b;
    }
    // At the program's end, and for a block the check never ran, the finished section.
    RunPoint end = At(*r, left.size() - 1);
    end.ProgramEnd = true;
    EXPECT_EQ(fromCaret.SectionAt(end), &*r->Section);
    RunPoint stranger = At(*r, 10);
    stranger.BlockEndPos = static_cast<int64_t>(text.size()) + 100;
    EXPECT_EQ(fromCaret.SectionAt(stranger), &*r->Section);
    // The last block's state is the finished part the checker reports.
    ASSERT_TRUE(follow.SectionAt(At(*r, left.size() - 1)));
    EXPECT_NEAR(follow.LeftMm3(), r->Report.Stock->LeftMm3, 1e-6 * raw);
}

TEST(StockFollow, KeptStatesStayWithinTheirBudget) {
    const std::u16string text = Passes();
    check::CheckOptions o;
    o.Stock = Bar();
    const size_t budget = 2000;
    StockSteps steps(budget);
    size_t pieces = 0;
    o.OnStockCut = [&](const stock::Machining& m) { steps.PieceCut(++pieces, m); };
    check::CheckProgram(text, o);
    ASSERT_GT(pieces, 2 * StockSteps::FirstInterval);
    EXPECT_GT(steps.Interval(), StockSteps::FirstInterval); // the budget made it thin out
    EXPECT_TRUE(steps.Bytes() <= budget || steps.States() == 1) << steps.Bytes();
    ASSERT_GE(steps.States(), 1u);
    EXPECT_EQ(steps.AtOrBefore(steps.Interval() - 1), nullptr);
    const StockSteps::State* s = steps.AtOrBefore(pieces);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Pieces % steps.Interval(), 0u);
    EXPECT_LE(s->Pieces, pieces);
    EXPECT_GT(s->Pieces + steps.Interval(), pieces);
}
