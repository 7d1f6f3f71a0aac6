// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/StockFollow.h"

#include "inspect/Inspection.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>

namespace inspect {

namespace {

uint32_t Narrow(int64_t v) {
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, std::numeric_limits<uint32_t>::max()));
}

size_t BytesOf(const stock::Region& r) {
    size_t bytes = sizeof(stock::Region) + 48; // with the shared pointer's control block
    for (const stock::Region::GridPath& p : r.Grid())
        bytes += sizeof(p) + p.capacity() * sizeof(stock::Region::GridPoint);
    return bytes;
}

bool SameGrid(const stock::Region& a, const stock::Region& b) {
    const std::vector<stock::Region::GridPath>&pa = a.Grid(), &pb = b.Grid();
    if (pa.size() != pb.size()) return false;
    for (size_t i = 0; i < pa.size(); ++i)
        if (pa[i].size() != pb[i].size() ||
            std::memcmp(pa[i].data(), pb[i].data(), pa[i].size() * sizeof(stock::Region::GridPoint)) != 0)
            return false;
    return true;
}

} // namespace

void StockSteps::BlockDone(int64_t line, size_t pieces) {
    Lines.push_back(Narrow(line));
    Pieces.push_back(Narrow(static_cast<int64_t>(pieces)));
}

void StockSteps::PieceCut(size_t pieces, const stock::Machining& m) {
    if (pieces % Every != 0) return;
    State s;
    s.Pieces = pieces;
    const State* before = Kept.empty() ? nullptr : &Kept.back();
    s.Tiles.reserve(m.TileCount());
    for (size_t i = 0; i < m.TileCount(); ++i) {
        const stock::Region& tile = m.TileMaterial(i);
        // Most tiles lie out of reach of the pieces since the state before: shared, not copied.
        if (before && i < before->Tiles.size() && SameGrid(*before->Tiles[i], tile)) {
            s.Tiles.push_back(before->Tiles[i]);
            continue;
        }
        s.Tiles.push_back(std::make_shared<const stock::Region>(tile));
        Held += BytesOf(tile);
    }
    s.Nose = m.NoseWaiting();
    Kept.push_back(std::move(s));
    if (Held > Budget) Thin();
}

void StockSteps::Thin() {
    while (Held > Budget && Kept.size() > 1) {
        Every *= 2;
        std::erase_if(Kept, [this](const State& s) { return s.Pieces % Every != 0; });
        std::unordered_set<const stock::Region*> counted;
        Held = 0;
        for (const State& s : Kept)
            for (const auto& t : s.Tiles)
                if (counted.insert(t.get()).second) Held += BytesOf(*t);
    }
}

const StockSteps::State* StockSteps::AtOrBefore(size_t pieces) const {
    const auto after = std::upper_bound(Kept.begin(), Kept.end(), pieces,
                                        [](size_t p, const State& s) { return p < s.Pieces; });
    return after == Kept.begin() ? nullptr : &*(after - 1);
}

StockFollower::StockFollower(std::shared_ptr<const InspectionResult> result) : R(std::move(result)) {
    if (R && R->Section) Shown = *R->Section;
}

const StockSection* StockFollower::SectionAt(const RunPoint& at) {
    if (!R || !R->Section || !R->CutSetup) return nullptr;
    const StockSection& finished = *R->Section;
    if (at.ProgramEnd) return &finished;
    size_t pieces = 0;
    if (at.Blocks > 0) {
        const std::optional<size_t> block = CheckBlockOf(at);
        if (!block) return &finished;
        pieces = R->Steps.PiecesAfter(*block);
    }
    CutTo(pieces);
    if (ShownAt != pieces) {
        // The tiles as one region, so that no seam is drawn between them.
        std::vector<const stock::Region*> tiles;
        for (size_t i = 0; i < Cutter->TileCount(); ++i)
            tiles.push_back(&Cutter->TileMaterial(i));
        Shown.Part = stock::Region::UnionOf(tiles).Outlines();
        ShownAt = pieces;
    }
    return &Shown;
}

double StockFollower::LeftMm3() const {
    double left = 0;
    if (Cutter)
        for (size_t i = 0; i < Cutter->TileCount(); ++i)
            left += Cutter->TileMaterial(i).Volume();
    return left;
}

std::optional<size_t> StockFollower::CheckBlockOf(const RunPoint& at) {
    const StockSteps& steps = R->Steps;
    const size_t n = steps.Blocks();
    const size_t b = static_cast<size_t>(at.Blocks - 1);
    // The line as the check counted it: the CR LF pairs before the block's CR.
    const int64_t line = R->Starts.LineAt(static_cast<size_t>(std::max<int64_t>(0, at.BlockEndPos - 1)));
    auto is = [&](size_t k) { return k < n && steps.LineOf(k) == line; };
    if (is(b + Offset)) return b + Offset;
    if (is(b)) {
        Offset = 0;
        return b;
    }
    if (at.Blocks == MissedBlocks && at.BlockEndPos == MissedEnd) return std::nullopt;
    // A run started at the caret: its first block is the check's first on that line from
    // there on, and the blocks after it follow the check's one for one.
    for (size_t k = b; k < n; ++k)
        if (is(k)) {
            Offset = k - b;
            return k;
        }
    MissedBlocks = at.Blocks;
    MissedEnd = at.BlockEndPos;
    return std::nullopt;
}

void StockFollower::CutTo(size_t pieces) {
    const StockSteps::State* kept = R->Steps.AtOrBefore(pieces);
    const size_t from = kept ? kept->Pieces : 0;
    // Behind the run's block, or a kept state nearer to it than the cutter: start from the state.
    if (!Cutter || At > pieces || from > At) {
        Cutter.emplace(*R->CutSetup);
        if (kept) {
            for (size_t i = 0; i < std::min(kept->Tiles.size(), Cutter->TileCount()); ++i)
                Cutter->SetTileMaterial(i, *kept->Tiles[i]);
            Cutter->SetNoseWaiting(kept->Nose);
        }
        At = from;
        ++Taken;
    }
    for (; At < pieces; ++At, ++Cut)
        Cutter->Apply(MoveOf(At));
}

stock::Move StockFollower::MoveOf(size_t piece) const {
    // As the check hands the piece to the stock: in millimetres, with the tool in force.
    using Kind = motion::PathSegment::Kind;
    const motion::PathSegment p = R->Paths.Segment(piece);
    stock::Move m;
    m.Type = p.kind == Kind::Rapid   ? stock::Move::Kind::Rapid
             : p.kind == Kind::Cut   ? stock::Move::Kind::Cut
             : p.kind == Kind::ArcCW ? stock::Move::Kind::ArcCW
                                     : stock::Move::Kind::ArcCCW;
    m.Line = R->Paths.LineOf(piece);
    m.Tool = static_cast<int>(R->Paths.ToolOf(piece));
    m.Compensation = R->Paths.CompensationOf(piece);
    m.X0 = p.x0, m.Z0 = p.z0, m.X1 = p.x1, m.Z1 = p.z1;
    m.CX = p.cx, m.CZ = p.cz, m.R = p.r;
    return m;
}

ToolOutlines ToolOutlinesOf(const InspectionResult& result, int tool) {
    for (const ToolRow& row : result.Tools)
        if (static_cast<int>(row.Tool) == tool) return {row.Shape, row.Holder};
    return {};
}

} // namespace inspect
