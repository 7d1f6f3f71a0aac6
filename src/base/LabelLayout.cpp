// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/LabelLayout.h"

#include "base/View.h"

#include <cmath>
#include <limits>

namespace motion {

int LabelStride(double tickSpacing, double labelExtent) {
    if (!(tickSpacing > 0) || !std::isfinite(tickSpacing) || !(labelExtent > 0)) return 1;
    static constexpr int Steps[3] = {1, 2, 5};
    for (long decade = 1; decade <= 100000000; decade *= 10)
        for (int s : Steps) {
            const long k = s * decade;
            if (k * tickSpacing >= labelExtent) return static_cast<int>(k);
        }
    return 1000000000;
}

std::vector<Tick> RulerTicks(double step, double low, double high, int maxPerSide) {
    std::vector<Tick> ticks;
    if (!std::isfinite(step) || !std::isfinite(low) || !std::isfinite(high) || !(step > 0)) return ticks;
    long n = 0;
    for (double t = 0; t <= high && n < maxPerSide; t += step, ++n)
        ticks.push_back({t, n});
    n = 0;
    for (double t = -step; t >= low && n < maxPerSide; t -= step, ++n)
        ticks.push_back({t, -(n + 1)});
    return ticks;
}

namespace {

// Cell numbers are kept well inside 32 bits each way so that two of them make one key; a label
// beyond falls into the outermost cell, which costs comparisons, never a wrong answer.
constexpr double CellLimit = 1 << 30;
// A box over more cells than this is not filed cell by cell.
constexpr int64_t MostCells = 64;

int64_t CellNumber(double v, double size) {
    const double c = std::floor(v / size);
    if (!(c > -CellLimit)) return int64_t(-CellLimit);
    if (!(c < CellLimit)) return int64_t(CellLimit);
    return int64_t(c);
}

} // namespace

void PlacedLabels::Clear() {
    CellWidth = CellHeight = 0;
    Fruitless.clear();
    Boxes.clear();
    Cells.clear();
    Wide.clear();
}

uint64_t PlacedLabels::Key(int64_t cx, int64_t cy) {
    return (uint64_t(uint32_t(int32_t(cx))) << 32) | uint32_t(int32_t(cy));
}

PlacedLabels::CellRange PlacedLabels::CellsOf(const TextBox& box) const {
    return {CellNumber(box.Left, CellWidth), CellNumber(box.Top, CellHeight),
            CellNumber(box.Right, CellWidth), CellNumber(box.Bottom, CellHeight)};
}

void PlacedLabels::Add(const TextBox& box) {
    if (Boxes.empty() || !(CellWidth > 0) || !(CellHeight > 0)) {
        // Twice the first label: a label of its size touches at most four cells.
        CellWidth = 2 * (box.Right - box.Left);
        CellHeight = 2 * (box.Bottom - box.Top);
    }
    const auto index = uint32_t(Boxes.size());
    Boxes.push_back(box);
    const bool fileable =
        CellWidth > 0 && CellHeight > 0 && std::isfinite(CellWidth) && std::isfinite(CellHeight);
    const CellRange r = fileable ? CellsOf(box) : CellRange{0, 0, MostCells, MostCells};
    if ((r.X1 - r.X0 + 1) * (r.Y1 - r.Y0 + 1) > MostCells) {
        Wide.push_back(index);
        return;
    }
    for (int64_t cx = r.X0; cx <= r.X1; ++cx)
        for (int64_t cy = r.Y0; cy <= r.Y1; ++cy)
            Cells[Key(cx, cy)].push_back(index);
}

const TextBox* PlacedLabels::Blocker(const TextBox& box) const {
    for (uint32_t i : Wide)
        if (box.Overlaps(Boxes[i])) return &Boxes[i];
    if (Cells.empty()) return nullptr;
    const CellRange r = CellsOf(box);
    if ((r.X1 - r.X0 + 1) * (r.Y1 - r.Y0 + 1) > MostCells) {
        for (const TextBox& b : Boxes)
            if (box.Overlaps(b)) return &b;
        return nullptr;
    }
    for (int64_t cx = r.X0; cx <= r.X1; ++cx)
        for (int64_t cy = r.Y0; cy <= r.Y1; ++cy) {
            const auto cell = Cells.find(Key(cx, cy));
            if (cell == Cells.end()) continue;
            // The latest labels first: where labels pile up, they are the likeliest to be hit.
            for (auto it = cell->second.rbegin(); it != cell->second.rend(); ++it)
                if (box.Overlaps(Boxes[*it])) return &Boxes[*it];
        }
    return nullptr;
}

std::size_t PlacedLabels::SearchHash::operator()(const Search& s) const {
    std::size_t h = 0;
    for (double v : s)
        h = h * 1000003u ^ std::hash<double>()(v);
    return h;
}

bool PlacedLabels::FoundNoPlace(const Search& search) const {
    return Fruitless.count(search) != 0;
}

void PlacedLabels::RememberNoPlace(const Search& search) {
    Fruitless.insert(search);
}

namespace {

// The step past which a box moving by (dx, dy) a step no longer covers `b`, from the steps on
// which [left, right] x [top, bottom] (at step 0) covers it: below it on every axis that moves.
double StepsCovering(const TextBox& at0, double dx, double dy, const TextBox& b) {
    double until = std::numeric_limits<double>::infinity();
    if (dx > 0) until = std::min(until, (b.Right - at0.Left) / dx);
    if (dx < 0) until = std::min(until, (b.Left - at0.Right) / dx);
    if (dy > 0) until = std::min(until, (b.Bottom - at0.Top) / dy);
    if (dy < 0) until = std::min(until, (b.Top - at0.Bottom) / dy);
    return until;
}

} // namespace

LabelPlace FreeLabelPlace(PlacedLabels& placed, double x, double y, double w, double h, double dx, double dy,
                          double step, int maxSteps) {
    auto boxAt = [&](double px, double py) {
        return TextBox{std::min(px, px + w), std::min(py, py + h), std::max(px, px + w),
                       std::max(py, py + h)};
    };
    const TextBox at0 = boxAt(x, y);
    if (placed.Free(at0)) return {x, y};
    double len = std::hypot(dx, dy);
    // A move without length has no line to follow: the label moves up and down instead.
    if (!(len > 0) || !std::isfinite(len)) dx = 0, dy = 1, len = 1;
    const double ux = dx / len * step, uy = dy / len * step;
    if (!(std::fabs(ux) + std::fabs(uy) > 0)) return {x, y};
    const PlacedLabels::Search search{x, y, w, h, ux, uy, double(maxSteps)};
    if (placed.FoundNoPlace(search)) return {x, y};
    // The places are tried nearest first, the forward one before the backward one at equal
    // distance: the first free step of each side, the nearer wins. A label in the way is passed
    // at once, less a step for rounding, instead of step by step.
    auto firstFree = [&](int sign) {
        for (int k = 1; k <= maxSteps;) {
            const TextBox* b = placed.Blocker(boxAt(x + sign * k * ux, y + sign * k * uy));
            if (!b) return k;
            const double until = StepsCovering(at0, sign * ux, sign * uy, *b);
            const double next = std::ceil(until) - 1;
            k = next > k + 1 ? (next > maxSteps ? maxSteps + 1 : int(next)) : k + 1;
        }
        return maxSteps + 1;
    };
    const int forward = firstFree(1), backward = firstFree(-1);
    if (forward <= maxSteps && forward <= backward) return {x + forward * ux, y + forward * uy};
    if (backward <= maxSteps) return {x + -1 * backward * ux, y + -1 * backward * uy};
    placed.RememberNoPlace(search);
    return {x, y};
}

void FitZoomHistory(View& v, double viewportWidth, double viewportHeight) {
    if (!(viewportWidth > 0) || !(viewportHeight > 0)) return;
    ZoomHistory& z = v.Zoom;
    for (int i = 1; i <= z.ZoomLevel && i <= 5; ++i) {
        const double h = z.ZoomHistWidth[i] * viewportHeight / viewportWidth;
        // The vertical centre is half the stored corner sum; a new height keeps it.
        z.ZoomHistHeight[i] = h;
    }
}

} // namespace motion
