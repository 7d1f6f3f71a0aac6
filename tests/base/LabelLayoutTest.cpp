// SPDX-License-Identifier: GPL-3.0-or-later
// The arithmetic that keeps ruler and tool labels readable: label thinning, the ticks of a ruler,
// measuring the widest label, a free place for a tool label, and zoom views after a resize.

#include "base/LabelLayout.h"
#include "base/View.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

using motion::TextBox;

TEST(LabelLayout, StrideIsTheSmallestRoundStepThatKeepsLabelsApart) {
    EXPECT_EQ(motion::LabelStride(100, 60), 1);
    EXPECT_EQ(motion::LabelStride(100, 100), 1); // exactly touching is apart
    EXPECT_EQ(motion::LabelStride(100, 101), 2);
    EXPECT_EQ(motion::LabelStride(30, 100), 5);
    EXPECT_EQ(motion::LabelStride(1, 700), 1000);
    EXPECT_EQ(motion::LabelStride(0.01, 700), 100000);
    // Nothing sensible to go by: every tick keeps its label.
    EXPECT_EQ(motion::LabelStride(0, 50), 1);
    EXPECT_EQ(motion::LabelStride(-3, 50), 1);
}

TEST(LabelLayout, TicksRunUpFromZeroThenDownWithTheirCounts) {
    const auto ticks = motion::RulerTicks(50, -120, 110, 100);
    std::vector<double> values;
    std::vector<long> counts;
    for (const auto& t : ticks)
        values.push_back(t.Value), counts.push_back(t.Index);
    EXPECT_EQ(values, (std::vector<double>{0, 50, 100, -50, -100}));
    EXPECT_EQ(counts, (std::vector<long>{0, 1, 2, -1, -2}));
    EXPECT_EQ(motion::RulerTicks(1, -1e9, 1e9, 10).size(), 20u);
    EXPECT_TRUE(motion::RulerTicks(0, -10, 10, 10).empty());
    EXPECT_TRUE(motion::RulerTicks(1, -10, std::nan(""), 10).empty());
}

TEST(LabelLayout, WidestTextMeasuresEachShapeOnce) {
    int measured = 0;
    auto measure = [&measured](const std::string& s) {
        ++measured;
        return double(s.size()) * (s.find('-') != std::string::npos ? 9 : 10);
    };
    const std::vector<std::string> texts = {"Z0", "Z50", "Z100", "Z150", "Z200", "Z-50", "Z-100", "Z-150"};
    EXPECT_EQ(motion::WidestText(texts, measure), 45); // "Z-100", narrower per letter, is longest
    EXPECT_EQ(measured, 5);                            // Z0, Z00, Z000, Z-00, Z-000
    EXPECT_EQ(motion::WidestText({}, measure), 0);
}

motion::PlacedLabels Placed(const std::vector<TextBox>& boxes) {
    motion::PlacedLabels placed;
    for (const TextBox& b : boxes)
        placed.Add(b);
    return placed;
}

TEST(LabelLayout, AFreeLabelPlaceIsTheWantedOne) {
    auto placed = Placed({{0, 0, 10, 5}});
    const auto p = motion::FreeLabelPlace(placed, 20, 0, 10, 5, 1, 0, 1, 50);
    EXPECT_EQ(p.X, 20);
    EXPECT_EQ(p.Y, 0);
}

TEST(LabelLayout, ACoveredLabelMovesAlongItsMoveToTheNearestFreePlace) {
    auto placed = Placed({{0, 0, 10, 5}});
    // Along a move in +y: the first free place below is at y 5, above at y -5; below is tried first.
    auto p = motion::FreeLabelPlace(placed, 2, 1, 10, 5, 0, 3, 1, 50);
    EXPECT_EQ(p.X, 2);
    EXPECT_EQ(p.Y, 5);
    // Along a diagonal move the label slides diagonally; the result covers nothing.
    p = motion::FreeLabelPlace(placed, 0, 0, 10, 5, -1, -1, 0.5, 100);
    const TextBox moved{p.X, p.Y, p.X + 10, p.Y + 5};
    EXPECT_FALSE(moved.Overlaps({0, 0, 10, 5}));
    EXPECT_NEAR(p.X - 0, p.Y - 0, 1e-12);
    // The nearer side wins: the placed label reaches 2 units down and 8 up past the wanted place.
    auto tall = Placed({{0, -8, 10, 2}});
    p = motion::FreeLabelPlace(tall, 0, -3, 10, 5, 0, 1, 1, 50);
    EXPECT_EQ(p.Y, 2);
    // A move without length: the label moves up or down.
    p = motion::FreeLabelPlace(placed, 0, 0, 10, 5, 0, 0, 1, 50);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(std::fabs(p.Y), 5);
}

TEST(LabelLayout, WithNoFreePlaceInReachTheLabelStaysWhereItWas) {
    auto placed = Placed({{-100, -100, 100, 100}});
    const auto p = motion::FreeLabelPlace(placed, 0, 0, 10, 5, 1, 0, 1, 10);
    EXPECT_EQ(p.X, 0);
    EXPECT_EQ(p.Y, 0);
}

// The grid only narrows down which labels are compared: its answer is the one of comparing with
// every label, for labels of mixed sizes on both sides of zero, huge ones and far-away ones.
TEST(LabelLayout, PlacedLabelsAnswerAsComparingWithEveryLabelWould) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> at(-60, 60), size(0, 12);
    std::vector<TextBox> all;
    motion::PlacedLabels placed;
    auto add = [&](const TextBox& b) {
        all.push_back(b);
        placed.Add(b);
    };
    add({3, 4, 9, 7}); // sets the grid: cells 12 x 6
    add({-1e6, -2, 1e6, -1});
    add({1e300, 1e300, 2e300, 2e300});
    add({-5, -5, -5, -5}); // no area: covers nothing
    for (int i = 0; i < 300; ++i) {
        const double x = at(random), y = at(random);
        add({x, y, x + size(random), y + size(random)});
    }
    int free = 0;
    for (int i = 0; i < 5000; ++i) {
        const double x = at(random) * 1.2, y = at(random) * 1.2;
        const TextBox q{x, y, x + size(random) / 2, y + size(random) / 2};
        bool expected = true;
        for (const TextBox& b : all)
            if (q.Overlaps(b)) expected = false;
        ASSERT_EQ(placed.Free(q), expected) << x << " " << y;
        free += expected;
    }
    EXPECT_GT(free, 100); // both answers were asked for
    EXPECT_LT(free, 4900);
    EXPECT_FALSE(placed.Free({1.5e300, 1.5e300, 1.6e300, 1.6e300}));
    EXPECT_FALSE(placed.Free({500, -1.5, 501, -1.2}));
    placed.Clear();
    EXPECT_TRUE(placed.Free({3, 4, 9, 7}));
    EXPECT_EQ(placed.Size(), 0u);
}

// Passing a label in the way at once finds the place trying every step would: same place, to
// the last bit, among crowds of labels, for moves in every direction and any reach.
TEST(LabelLayout, AFreePlaceIsTheOneOfTryingEveryStep) {
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0, 1);
    motion::PlacedLabels placed;
    for (int i = 0; i < 400; ++i) {
        // Crowds around a few places, as labels gather where tools change.
        const double cx = (i % 4) * 40, cy = (i % 3) * 25;
        const double x = cx + (unit(random) - 0.5) * 30, y = cy + (unit(random) - 0.5) * 20;
        placed.Add({x, y, x + 4 + unit(random) * 8, y + 2 + unit(random) * 2});
    }
    auto trying = [&](double x, double y, double w, double h, double ux, double uy, int maxSteps) {
        auto freeAt = [&](double px, double py) {
            return placed.Free(
                {std::min(px, px + w), std::min(py, py + h), std::max(px, px + w), std::max(py, py + h)});
        };
        if (freeAt(x, y)) return motion::LabelPlace{x, y};
        for (int k = 1; k <= maxSteps; ++k)
            for (int sign : {1, -1}) {
                const double px = x + sign * k * ux, py = y + sign * k * uy;
                if (freeAt(px, py)) return motion::LabelPlace{px, py};
            }
        return motion::LabelPlace{x, y};
    };
    int moved = 0, stayed = 0;
    for (int i = 0; i < 3000; ++i) {
        const double x = unit(random) * 140 - 10, y = unit(random) * 70 - 10;
        const double w = (unit(random) < 0.2 ? -1 : 1) * (3 + unit(random) * 9), h = 2 + unit(random) * 2;
        double dx = unit(random) - 0.5, dy = unit(random) - 0.5;
        if (i % 7 == 0) dx = 0; // straight up and down
        if (i % 11 == 0) dy = 0;
        const double step = h / 4;
        const int maxSteps = 1 + int(unit(random) * 200);
        const double len = std::hypot(dx, dy);
        const double ux = len > 0 ? dx / len * step : 0, uy = len > 0 ? dy / len * step : step;
        const auto want = trying(x, y, w, h, ux, uy, maxSteps);
        const auto got = motion::FreeLabelPlace(placed, x, y, w, h, dx, dy, step, maxSteps);
        ASSERT_EQ(got.X, want.X) << i;
        ASSERT_EQ(got.Y, want.Y) << i;
        (got.X == x && got.Y == y ? stayed : moved) += 1;
    }
    EXPECT_GT(moved, 300); // both outcomes were asked for
    EXPECT_GT(stayed, 300);
}

TEST(LabelLayout, ZoomViewsTakeTheNewProportions) {
    motion::View v;
    v.Zoom.ZoomLevel = 2;
    v.Zoom.ZoomHistWidth[1] = 100, v.Zoom.ZoomHistHeight[1] = 80;
    v.Zoom.ZoomHistWidth[2] = 10, v.Zoom.ZoomHistHeight[2] = 8;
    v.Zoom.ZoomHistWidth[3] = 7, v.Zoom.ZoomHistHeight[3] = 7; // not in use
    motion::FitZoomHistory(v, 16000, 6000);
    EXPECT_DOUBLE_EQ(v.Zoom.ZoomHistHeight[1], 37.5);
    EXPECT_DOUBLE_EQ(v.Zoom.ZoomHistHeight[2], 3.75);
    EXPECT_EQ(v.Zoom.ZoomHistHeight[3], 7);
    EXPECT_EQ(v.Zoom.ZoomHistWidth[1], 100);
    motion::FitZoomHistory(v, 0, 6000); // a viewport without size changes nothing
    EXPECT_DOUBLE_EQ(v.Zoom.ZoomHistHeight[1], 37.5);
}

} // namespace
