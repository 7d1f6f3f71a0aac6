#pragma once
// Which block drew which piece of the tool path: every piece a run reports, with the line of its
// block, kept in machine coordinates so that one index serves every view. Hit-testing maps the
// pieces to the viewport through a ViewMap and finds the nearest within a few pixels; a box per
// piece passes over the far ones quickly, also in a program of a million blocks.

#include "base/Canvas.h"
#include "inspect/ViewMap.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace inspect {

struct Piece {
    int64_t Line = 0; // counted as the checker counts lines
    double Tool = 0;  // the tool in force when the block ended
    motion::PathSegment Segment;
};

struct Hit {
    size_t Piece = 0;
    int64_t Line = 0;
    double DistancePx = 0;
};

// The extent of pieces in machine terms: Z and X as a radius.
struct MachineBox {
    double MinZ = 0, MaxZ = 0, MinR = 0, MaxR = 0;
};

class PathIndex {
  public:
    void Add(int64_t line, const motion::PathSegment& segment);
    void Reserve(size_t pieces) { Pieces.reserve(pieces); }
    void Clear();
    // The pieces from `first` on were drawn with `tool` in force.
    void SetTool(size_t first, double tool);
    // The pieces a tool drew, in drawing order.
    std::vector<size_t> PiecesOfTool(double tool) const;
    // Builds the boxes and the line order; queries build them when needed. Call it where the
    // index is filled (off the window's thread) so that the first click is quick.
    void Finish() const;

    size_t Size() const { return Pieces.size(); }
    const Piece& At(size_t i) const { return Pieces[i]; }
    const std::vector<Piece>& All() const { return Pieces; }

    // The pieces a block drew, in drawing order.
    std::vector<size_t> PiecesOfLine(int64_t line) const;
    // The nearest piece within `tolerancePx` of the pixel `px` of the viewport; on equal
    // distance the one drawn last (it lies on top).
    std::optional<Hit> HitTest(const ViewMap& view, Point px, double tolerancePx) const;
    // Every piece drawn, none when empty.
    std::optional<MachineBox> Extent() const;

    // The piece as a line of machine points: its two ends, or an arc in steps of at most 3
    // degrees, turning the way the tool went.
    static void Polyline(const motion::PathSegment& s, std::vector<MachinePoint>& out);

  private:
    void Build() const;
    std::vector<Piece> Pieces;
    // Lazily built: the extent, each piece's box (in Z and radius) and the pieces in line order.
    struct Box4 {
        float MinZ, MaxZ, MinR, MaxR;
    };
    mutable bool Built = false;
    mutable MachineBox Box;
    mutable std::vector<Box4> Boxes;
    mutable std::vector<uint32_t> ByLine;
};

// The distance in pixels from `p` to the segment a-b.
double DistanceToSegment(Point p, Point a, Point b);

} // namespace inspect
