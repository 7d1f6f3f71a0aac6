// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Arithmetic that keeps the numbers on the trace readable: which ruler ticks carry a label, how
// wide the X ruler must be, where a tool label goes when its place is taken, and how the view
// follows a viewport of a new size. Plain numbers only, so that the window and the tests share it.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace motion {

struct View;

// A text's rectangle in one picture's units; Right > Left and Bottom > Top.
struct TextBox {
    double Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Overlaps(const TextBox& o) const {
        return Left < o.Right && o.Left < Right && Top < o.Bottom && o.Top < Bottom;
    }
    bool Inside(double left, double top, double right, double bottom) const {
        return Left >= left && Right <= right && Top >= top && Bottom <= bottom;
    }
};

// Every k-th tick is labelled, k the smallest of 1, 2, 5, 10, 20, 50 ... that puts labelled ticks
// at least `labelExtent` apart, so that the labels of neighbouring ticks never touch and still sit
// on round values. A spacing that is not a positive number labels every tick.
int LabelStride(double tickSpacing, double labelExtent);

// The ticks of a ruler in drawing order: 0, step, 2 step ... up to `high`, then -step, -2 step ...
// down to `low`, accumulated as a counting loop does; at most `maxPerSide` each way. `index` is
// the tick's count from 0 (negative below it), for LabelStride.
struct Tick {
    double Value;
    long Index;
};
std::vector<Tick> RulerTicks(double step, double low, double high, int maxPerSide);

// The widest of `texts` as `measure` gives it. Labels that differ only in their digits are
// measured once (the digits of a ruler face have one width), so a long ruler costs a few
// measurements.
template <typename Measure> double WidestText(const std::vector<std::string>& texts, Measure measure);

// The labels printed so far, filed by the cells of a grid sized by the first of them, so that
// asking whether a place is free looks only at the labels around it: a big program prints
// thousands of labels, and each may try hundreds of places.
class PlacedLabels {
  public:
    void Clear();
    void Add(const TextBox& box);
    // True when `box` covers none of the labels added.
    bool Free(const TextBox& box) const { return Blocker(box) == nullptr; }
    // A label `box` covers, or null.
    const TextBox* Blocker(const TextBox& box) const;
    std::size_t Size() const { return Boxes.size(); }
    // A search for a free place that found none finds none again, as labels are only added:
    // where labels pile up at one place, the search is made once.
    // (x, y, w, h, step along x, step along y, steps)
    using Search = std::array<double, 7>;
    bool FoundNoPlace(const Search& search) const;
    void RememberNoPlace(const Search& search);

  private:
    struct CellRange {
        int64_t X0, Y0, X1, Y1;
    };
    CellRange CellsOf(const TextBox& box) const;
    static uint64_t Key(int64_t cx, int64_t cy);
    double CellWidth = 0, CellHeight = 0;
    std::vector<TextBox> Boxes;
    std::unordered_map<uint64_t, std::vector<uint32_t>> Cells;
    // Boxes spanning too many cells to file: always looked at.
    std::vector<uint32_t> Wide;
    struct SearchHash {
        std::size_t operator()(const Search& s) const;
    };
    std::unordered_set<Search, SearchHash> Fruitless;
};

// Where a tool label of size w x h (canvas units) is printed when it would cover a label printed
// before: the nearest place along its move (direction dx, dy; any length) where it covers none,
// tried in steps of `step` either way, at most `maxSteps` each way. Returns the top-left corner;
// the wanted corner (x, y) when it is free or no free place is found.
struct LabelPlace {
    double X, Y;
};
LabelPlace FreeLabelPlace(PlacedLabels& placed, double x, double y, double w, double h, double dx, double dy,
                          double step, int maxSteps);

// The zoom history after the viewport's proportions changed: each remembered view keeps its
// width, left edge and vertical centre, and takes the height of the new proportions, so that
// undoing a zoom still shows equal millimetres on both axes.
void FitZoomHistory(View& v, double viewportWidth, double viewportHeight);

// ---------------------------------------------------------------------------------------------

template <typename Measure> double WidestText(const std::vector<std::string>& texts, Measure measure) {
    std::vector<std::string> shapes;
    double widest = 0;
    for (const std::string& t : texts) {
        std::string shape = t;
        for (char& ch : shape)
            if (ch >= '1' && ch <= '9') ch = '0';
        bool seen = false;
        for (const std::string& s : shapes)
            if (s == shape) {
                seen = true;
                break;
            }
        if (seen) continue;
        shapes.push_back(shape);
        const double w = measure(t);
        if (w > widest) widest = w;
    }
    return widest;
}

} // namespace motion
