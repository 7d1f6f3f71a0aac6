// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The finished section against the drawn one: material left outside the tolerance (excess) and
// material cut inside it (gouges), each region measured and laid at the door of the blocks whose
// cuts made it. A gouge is the first block whose cut reached past the tolerance into it (not one
// that only grazes the slivers round it). An excess is the block whose cut runs nearest its
// deepest point: where a pass stopped short, that pass; where the pass that should have cut it
// is missing (a finishing pass dropped), the nearest pass left, which the finding says.

#include "stock/Machining.h"
#include "target/Inspection.h"
#include "target/Target.h"

#include <cstdint>
#include <string>
#include <vector>

namespace target {

struct Deviation {
    enum class Kind { Excess, Gouge };
    Kind Type = Kind::Excess;
    stock::Region Area;    // between the two outlines, where it passes the tolerance
    double AreaMm2 = 0;    // in the section
    double VolumeMm3 = 0;  // turned round the axis
    double Z0 = 0, Z1 = 0; // its span along the axis
    double Depth = 0;      // the largest distance from the drawn outline (mm)
    stock::Point Deepest;  // where that is (z, radius): the middle of a stretch that deep
    // The blocks: a gouge's, whose cuts took its material past the tolerance (the first did it
    // first); an excess's, whose cuts run along it. Empty when none is known.
    std::vector<int64_t> Lines;
    // The block the finding names: for a gouge the first cut into it; for an excess the cut that
    // runs nearest its deepest point (of cuts as near, the one along the most of it): the pass
    // that should have gone deeper there, or, when a finishing pass was dropped, the nearest
    // pass left, the roughing along it. Its tool, sequence number and where it ends (X a
    // diameter).
    int64_t Line = 0;
    int Tool = 0;
    std::string N;
    double X = 0, Z = 0;
};

struct Comparison {
    std::string File;
    double Tolerance = 0, Allowance = 0;
    std::vector<Deviation> Deviations; // by the front of their span, the front (largest Z) first
    // The inspection sheet (InspectionOf), filled by the checker; no features when the target
    // has no drawn pieces (a program's own section in --diff).
    Sheet Inspection;
};

// Compares `part` (the finished section) with `drawn`. Material behind the drawn part's back
// face (towards the chuck) is the bar it is cut from, not compared. `moves` and `setup`, when
// given, are the program's path and the tools that cut the section: the blocks are found by
// sweeping the tools again along the moves near each region.
Comparison Compare(const stock::Region& part, const Target& drawn, const TargetOptions& options,
                   const std::vector<stock::Move>* moves = nullptr, const stock::Setup* setup = nullptr);

} // namespace target
