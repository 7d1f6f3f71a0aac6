// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which block drew which piece of the tool path: every piece a run reports, with the line of its
// block, kept in machine coordinates so that one index serves every view. Hit-testing maps the
// pieces to the viewport through a ViewMap and finds the nearest within a few pixels; the extent
// of runs of pieces and of each piece passes over the far ones quickly, also in a program of a
// million blocks.
//
// NOTE: a million-block program gives a million pieces, so they are kept compactly: the ends as
// exact doubles, the line in 32 bits, the kind in a byte, in blocks of a fixed size (no array
// held twice while it grows); an arc's centre and radius in a table of the arcs, the tools as
// runs of pieces. 40 bytes a piece and 40 more an arc, instead of 100, with the same answers.

#include "base/Canvas.h"
#include "inspect/ViewMap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
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

// Items in blocks of 2^Shift: growing never moves (nor holds twice) what is there.
template <class T, unsigned Shift> class BlockArray {
  public:
    static constexpr size_t BlockSize = size_t(1) << Shift;
    size_t Size() const { return Count; }
    T& operator[](size_t i) { return Blocks[i >> Shift][i & (BlockSize - 1)]; }
    const T& operator[](size_t i) const { return Blocks[i >> Shift][i & (BlockSize - 1)]; }
    // A new item at the end, left uninitialised for the caller to fill.
    T& Grow() {
        if ((Count & (BlockSize - 1)) == 0) Blocks.emplace_back(new T[BlockSize]);
        return (*this)[Count++];
    }
    void Clear() { Blocks.clear(), Count = 0; }

  private:
    std::vector<std::unique_ptr<T[]>> Blocks;
    size_t Count = 0;
};

class PathIndex {
  public:
    // Lines outside 0 .. 2^32 - 1 (no program file has that many) throw std::out_of_range and
    // leave the index as it was.
    void Add(int64_t line, const motion::PathSegment& segment, int compensation = 40);
    void Clear();
    // The pieces from `first` on were drawn with `tool` in force (0 until told).
    void SetTool(size_t first, double tool);
    // The pieces a tool drew, in drawing order.
    std::vector<size_t> PiecesOfTool(double tool) const;
    // Builds the line order where the pieces are not in line order already; queries build it
    // when needed. Call it where the index is filled (off the window's thread) so that the
    // first click is quick.
    void Finish() const;

    size_t Size() const { return Ends.Size(); }
    Piece At(size_t i) const { return {LineOf(i), ToolOf(i), Segment(i)}; }
    int64_t LineOf(size_t i) const { return Ends[i].Line; }
    double ToolOf(size_t i) const;
    // The nose radius compensation in force when the piece was drawn: 40, 41 or 42.
    int CompensationOf(size_t i) const;
    motion::PathSegment Segment(size_t i) const;
    // Calls f(index, segment) for every piece in drawing order (quicker than Segment(i) each).
    template <class F> void ForEachSegment(F&& f) const {
        motion::PathSegment s;
        size_t arc = 0;
        for (size_t i = 0; i < Ends.Size(); ++i) {
            Fill(i, s, arc);
            f(i, static_cast<const motion::PathSegment&>(s));
        }
    }
    // The same, in drawing order, for the pieces of every run of pieces with an end or an arc's
    // centre that may lie in `area` (Z and radius, edges included); the other runs are passed
    // over whole. What snapping to those points needs: an arc's centre may lie far from the arc.
    template <class F> void ForEachSegmentNearPoints(const MachineBox& area, F&& f) const {
        motion::PathSegment s;
        for (size_t g = 0; g < Groups.size(); ++g) {
            const Box4& b = Groups[g].Points;
            if (!(b.MaxZ >= area.MinZ && b.MinZ <= area.MaxZ && b.MaxR >= area.MinR && b.MinR <= area.MaxR))
                continue;
            size_t arc = Groups[g].FirstArc;
            for (size_t i = g * GroupSize, end = std::min(i + GroupSize, Ends.Size()); i < end; ++i) {
                Fill(i, s, arc);
                f(i, static_cast<const motion::PathSegment&>(s));
            }
        }
    }

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
    static constexpr uint8_t HasCentre = 0x80; // in Kind: the piece has a row in Arcs
    struct End {
        double X0, Z0, X1, Z1;
        uint32_t Line;
        uint8_t Kind; // motion::PathSegment::Kind, with HasCentre
    };
    // The box of a piece in Z and radius, single precision rounded to nearest (the query widens
    // its own bounds by a step instead, which gives the same answers as boxes rounded outwards).
    struct Box4 {
        float MinZ, MaxZ, MinR, MaxR;
    };
    static Box4 NearestFloats(const MachineBox& b);
    struct Arc {
        double CX, CZ, R;
        Box4 Box; // the extent of the steps it is drawn in
    };
    // The box of a run of GroupSize pieces in drawing order (the pieces lie near each other, so
    // a click passes over most runs whole), the box of the points a pointer snaps to (the ends,
    // and the centres of the arcs, which may lie far from the arc), and the row in Arcs of its
    // first piece with a centre.
    static constexpr size_t GroupSize = 64;
    struct Group {
        Box4 Box;
        Box4 Points; // rounded outwards: every end and centre lies inside (those that are numbers)
        size_t FirstArc;
    };
    struct ToolRun {
        size_t First, End; // pieces First .. End - 1
        double Tool;
    };
    // The piece's segment into `s`; `arc` is the row in Arcs of the next piece with a centre
    // at or after `i` (walked forwards by sequential readers).
    void Fill(size_t i, motion::PathSegment& s, size_t& arc) const;
    size_t ArcOf(size_t piece) const; // the row in Arcs of the piece, or of the next with one

    BlockArray<End, 16> Ends;
    BlockArray<Arc, 12> Arcs; // pieces with a centre, in drawing order
    std::vector<Group> Groups;
    std::vector<ToolRun> Tools;
    // Where the compensation changed: from the piece First on, Code is in force (40 before the first).
    struct NoseRun {
        size_t First;
        int Code;
    };
    std::vector<NoseRun> NoseRuns;
    MachineBox Box;      // of every piece, kept up as they come
    bool Ordered = true; // the lines never go back (no loop or subprogram)
    // Built lazily, only when the pieces are not in line order: the pieces in line order.
    mutable bool Built = false;
    mutable std::vector<uint32_t> ByLine;
};

// The distance in pixels from `p` to the segment a-b.
double DistanceToSegment(Point p, Point a, Point b);

} // namespace inspect
