// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stock as a run in the window leaves it, block by block, without the window's thread doing
// the removal of a whole program. The silent check records beside its removal which piece of
// path every block ended at, and keeps the material every so many pieces (StockSteps); the
// window takes the kept state at or before the run's block and cuts the few pieces since with
// the check's own removal (StockFollower). Following a run costs the window the pieces of each
// block; a jump (a reset, a run to the caret) at most one interval of pieces.
//
// NOTE: the kept states share the tiles that did not change since the state before, and their
// bytes are held under a budget: past it the interval doubles and every other state goes, so a
// program of any length keeps at most the budget (and 8 bytes a block for the block table).

#include "inspect/StockSection.h"
#include "stock/Machining.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace inspect {

struct InspectionResult;

class StockSteps {
  public:
    static constexpr size_t DefaultBudget = size_t(64) << 20;
    static constexpr size_t FirstInterval = 256;
    explicit StockSteps(size_t budgetBytes = DefaultBudget) : Budget(budgetBytes) {}

    // After every block executed: its line and the pieces of path drawn so far.
    void BlockDone(int64_t line, size_t pieces);
    // After every piece has cut the stock: the pieces drawn so far, this one included.
    void PieceCut(size_t pieces, const stock::Machining& machining);

    size_t Blocks() const { return Lines.size(); }
    int64_t LineOf(size_t block) const { return Lines[block]; } // 0-based, in execution order
    size_t PiecesAfter(size_t block) const { return Pieces[block]; }

    struct State {
        size_t Pieces = 0; // the material after this many pieces
        std::vector<std::shared_ptr<const stock::Region>> Tiles;
        stock::NoseCompensation::Waiting Nose; // the compensated move not cut yet
    };
    // The latest state kept at or before `pieces`; null when there is none (the raw stock).
    const State* AtOrBefore(size_t pieces) const;
    size_t Interval() const { return Every; }
    size_t States() const { return Kept.size(); }
    size_t Bytes() const { return Held; } // of the kept states' tiles

  private:
    void Thin();
    std::vector<uint32_t> Lines, Pieces; // per block
    std::vector<State> Kept;             // in piece order
    size_t Every = FirstInterval;
    size_t Budget;
    size_t Held = 0;
};

// Where the window's run stands: the block it executed last, as the lathe stood after it.
struct RunPoint {
    int32_t Blocks = 0;      // blocks counted by then (MachineState::BlockCount); 0: none since the reset
    int64_t BlockEndPos = 0; // that block's MachineState::BlockEndPos
    bool ProgramEnd = false; // it ended the program (M02/M30)
    int Tool = 0;            // in force, as the stock reads the T word
    double X = 0, Z = 0;     // the programmed point after it (X a diameter; millimetres, as the path)
};

class StockFollower {
  public:
    // On a result checked with a setup (Section and Steps filled).
    explicit StockFollower(std::shared_ptr<const InspectionResult> result);

    // The section as the run leaves it at `at`: the raw stock before the first block, the part
    // cut up to the block after it, the finished section at the program's end and where the
    // run's block is not among the check's (another text, another start). Null without a setup.
    const StockSection* SectionAt(const RunPoint& at);
    // The material the cutter has left (mm³), as SectionAt cut it last.
    double LeftMm3() const;

    // Inspection (tests): pieces cut and kept states taken up since made.
    size_t PiecesCut() const { return Cut; }
    size_t StatesTaken() const { return Taken; }

  private:
    // The check's block (0-based) of the run's block, or none.
    std::optional<size_t> CheckBlockOf(const RunPoint& at);
    void CutTo(size_t pieces);
    stock::Move MoveOf(size_t piece) const;

    std::shared_ptr<const InspectionResult> R;
    std::optional<stock::Machining> Cutter;
    size_t At = 0;      // pieces Cutter has cut
    StockSection Shown; // Part as cut to ShownAt
    size_t ShownAt = SIZE_MAX;
    size_t Offset = 0; // the check's block of the run's first: a run started at the caret
    int32_t MissedBlocks = -1;
    int64_t MissedEnd = -1; // the last run point not found, not looked for again
    size_t Cut = 0, Taken = 0;
};

// The outlines (mm, about the programmed point, radius up) of the tool's insert and holder as
// the check cut with it; empty when the check had no setup or the tool did not work.
struct ToolOutlines {
    std::vector<stock::Outline> Cutting, Holder;
};
ToolOutlines ToolOutlinesOf(const InspectionResult& result, int tool);

} // namespace inspect
