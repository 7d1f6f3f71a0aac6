// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/Machining.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <optional>
#include <stdexcept>

namespace stock {

namespace {

std::string Fixed(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

// Tiles along Z: a move touches only the few its tool reaches, so a long stock costs no more
// per move than a short one.
double TileLength(const Box& b) {
    return std::clamp((b.z1 - b.z0) / 40, 1.0, 10.0);
}

} // namespace

Tool DefaultTool() {
    Tool t;
    t.Source = "default";
    t.Assumed = {"kind turning",    "insert C 80°",    "edge length 12",
                 "nose radius 0.8", "tip direction 3", "approach angle 90"};
    return t;
}

Machining::Machining(const Setup& setup, Tolerances tolerances, const std::atomic<bool>* stop)
    : Given(setup), Tol(tolerances), Stop(stop) {
    try {
        const Region stock = StockRegion(setup.Material);
        StockVolume = stock.Volume();
        const Box b = stock.Bounds();
        if (!b.Empty()) {
            const double step = TileLength(b);
            for (double z = b.z0; z < b.z1; z += step) {
                Poll();
                const double z1 = std::min(b.z1, z + step);
                Tile t{z, z1, stock.Intersect(Region::Rectangle(z, b.x0 - 1, z1, b.x1 + 1)), {}};
                t.Bounds = t.Material.Bounds();
                t.Moment = t.Material.AxisMoment();
                if (!t.Material.Empty()) Tiles.push_back(std::move(t));
            }
        }
        if (setup.Holding) {
            WorkHolding h = *setup.Holding;
            if (h.GripDiameter <= 0) h.GripDiameter = b.Empty() ? 0 : 2 * b.x1;
            Holding = HoldingRegion(h);
            HoldingBounds = Holding.Bounds();
        }
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        Fail(nullptr, e.what());
    }
}

void Machining::Fail(const Move* m, const char* what) {
    if (!Failed.empty()) return;
    Failed = "the stock could not be cut";
    if (m) Failed += " at line " + std::to_string(m->Line);
    Failed += std::string(" (the polygon arithmetic failed: ") + what + ")";
    Tiles.clear();
    Holding = {};
    HoldingBounds = {};
}

Machining::ToolState& Machining::ToolOf(int number) {
    auto it = Tools.find(number);
    if (it != Tools.end()) return it->second;
    const auto given = Given.Tools.find(number);
    const Tool tool = given != Given.Tools.end() ? given->second : DefaultTool();
    ToolState& state = Tools[number];
    if (!tool.Assumed.empty()) {
        state.Assumed = "tool " + std::to_string(number) + " assumed: ";
        for (size_t i = 0; i < tool.Assumed.size(); ++i)
            state.Assumed += (i ? ", " : "") + tool.Assumed[i];
    }
    state.Shape = ShapeOf(tool);
    state.CuttingBounds = state.Shape.Cutting.Bounds();
    state.HolderBounds = state.Shape.Holder.Bounds();
    state.Totals.Tool = number;
    state.Driven = tool.Driven;
    state.Thread = tool.Type == Tool::Kind::Thread;
    state.Insert = (tool.Type == Tool::Kind::Turning || tool.Type == Tool::Kind::Boring) && !tool.Driven;
    if (state.Insert)
        for (const Outline& o : state.Shape.Cutting.Outlines())
            state.CuttingCorners.insert(state.CuttingCorners.end(), o.begin(), o.end());
    return state;
}

std::vector<Point> Machining::PathOf(const Move& m) const {
    const Point from{m.Z0, m.X0 / 2}, to{m.Z1, m.X1 / 2};
    if (m.Type == Move::Kind::ArcCW || m.Type == Move::Kind::ArcCCW)
        return ArcPoints(from, to, {m.CZ, m.CX / 2}, m.Type == Move::Kind::ArcCW);
    return {from, to};
}

double Machining::Cut(const Region& swept, std::vector<Removed>* removed) {
    const Box s = swept.Bounds();
    double before = 0, after = 0;
    // Kept from tile to tile: a tile's material that a cut replaced lends its room to the next.
    Region left, cut;
    const std::vector<size_t> alongZ = swept.EdgesAlongZ();
    for (Tile& t : Tiles) {
        if (t.Z1 < s.z0 || t.Z0 > s.z1 || !t.Bounds.Overlaps(s)) continue;
        Poll();
        // A pass along Z across a tile whose material is still a rectangle: the answer is a
        // rectangle too, and most tiles of a roughing program are such.
        const bool plain = t.Material.RectangleMinus(swept, left, cut, &alongZ);
        if (!plain && swept.Apart(t.Material)) continue; // nothing to take
        if (!plain) left = t.Material.Minus(swept.Near(t.Material));
        const double was = t.Moment, is = left.AxisMoment();
        if (was - is <= 0) continue;
        before += was, after += is;
        if (removed) {
            // The piece is made only when the depth of cut cannot be told without it: within
            // both boxes (and the grid's rounding where edges cross).
            Removed& r = removed->emplace_back();
            r.Made = plain;
            if (plain)
                r.Piece = std::move(cut);
            else {
                r.Within = Box{std::max(t.Bounds.z0, s.z0), std::max(t.Bounds.x0, s.x0),
                               std::min(t.Bounds.z1, s.z1), std::min(t.Bounds.x1, s.x1)}
                               .Grown(2 / GridPerMm);
                r.Before = std::move(t.Material);
            }
        }
        std::swap(t.Material, left);
        t.Bounds = t.Material.Bounds();
        t.Moment = is;
    }
    return 2 * 3.14159265358979323846 * (before - after);
}

bool Machining::MayCut(const Box& s) const {
    return std::any_of(Tiles.begin(), Tiles.end(), [&s](const Tile& t) {
        return !(t.Z1 < s.z0 || t.Z0 > s.z1 || !t.Bounds.Overlaps(s));
    });
}

bool Machining::MayEnter(const Box& s) const {
    const double d = Tol.Depth;
    const Box inner{s.z0 + d, s.x0 + d, s.z1 - d, s.x1 - d};
    return std::any_of(Tiles.begin(), Tiles.end(), [&](const Tile& t) {
        return t.Z1 >= s.z0 && t.Z0 <= s.z1 && t.Bounds.Overlaps(inner);
    });
}

bool Machining::Enters(const Region& region, const Region* open) const {
    return !Entered(region, open).Empty();
}

Region Machining::Entered(const Region& region, const Region* open) const {
    const Box s = region.Bounds();
    // Boxes that overlap by no more than the tolerance cannot hold an entry that deep: a tool
    // running along a diameter it has just cut overlaps the material's box by nothing.
    const double d = Tol.Depth;
    const Box inner{s.z0 + d, s.x0 + d, s.z1 - d, s.x1 - d};
    Region hit;
    for (const Tile& t : Tiles)
        if (t.Z1 >= s.z0 && t.Z0 <= s.z1 && t.Bounds.Overlaps(inner)) {
            Poll();
            hit = hit.Union(t.Material.Intersect(region.Near(t.Material)));
        }
    if (open && !hit.Empty()) hit = hit.Minus(*open);
    // A graze along a wall just cut is no entry: shrunk by half the tolerance, only what is
    // hit deeper than the tolerance is left.
    if (hit.Empty() || hit.Offset(-Tol.Depth / 2).Empty()) return {};
    return hit;
}

void Machining::ReportEntry(const Move& m, const ToolState& tool, bool sameTool, const Region& hit) {
    // A tool that sat in material when the move began leaves it: that entry was reported by the
    // move that made it, so the pieces of material it touched there are not entered now.
    Region entered;
    if (!sameTool) {
        entered = hit;
    } else {
        const Point at{m.Z0, m.X0 / 2};
        const Region was = tool.Shape.Cutting.Moved(at.z, at.x).Union(tool.Shape.Holder.Moved(at.z, at.x));
        for (const Region& piece : hit.Pieces())
            if (piece.Intersect(was).Offset(-Tol.Depth / 2).Empty()) entered = entered.Union(piece);
    }
    if (entered.Empty() || entered.Offset(-Tol.Depth / 2).Empty()) return;
    // How deep: the thickness of what the tool passes through where it is thickest.
    const double rub = Given.Material.RubDepth;
    if (entered.Offset(-rub / 2).Empty())
        Report(m, "rapid-rub", Severity::Warning,
               "a rapid move rubs material " + Fixed(entered.Thickness(rub)) + " mm deep (rub depth " +
                   Fixed(rub) + "); give the retract more clearance");
    else
        Report(m, "rapid-into-stock", Severity::Error,
               "a rapid move runs " + Fixed(entered.Thickness(LargestSize)) +
                   " mm deep into material; feed into the cut, or retract first");
}

double Machining::DropLoose(const Box& s) {
    // 1. The tiles the cut reached; a thick part joined to the rest by a neck thinner than the
    //    tolerance falls apart from it when the tile's material is shrunk by half the tolerance.
    const double h = Tol.Depth / 2, grid = 2 / GridPerMm;
    std::vector<size_t> near;
    bool split = false;
    for (size_t i = 0; i < Tiles.size(); ++i) {
        const Tile& t = Tiles[i];
        if (t.Z1 < s.z0 || t.Z0 > s.z1 || !t.Bounds.Overlaps(s)) continue;
        near.push_back(i);
        split =
            split || (!t.Material.IsConvex() && t.Material.Offset(-h).PieceCount() > t.Material.PieceCount());
    }
    if (!split) return 0;
    // 2. The material of those tiles together and its thick parts (shrunk and grown again). Of
    //    the thick parts of one piece, the part keeps those that run on into the next tiles
    //    (towards the chuck or the front), or the largest; the others fly off, with what hangs on
    //    them alone.
    std::vector<const Region*> parts;
    for (size_t i : near)
        parts.push_back(&Tiles[i].Material);
    const Region all = Region::UnionOf(parts);
    const double za = Tiles[near.front()].Z0, zb = Tiles[near.back()].Z1;
    const bool back = near.front() > 0, front = near.back() + 1 < Tiles.size();
    const std::vector<Region> thick = all.Offset(-h).Offset(h).Pieces();
    Region loose;
    for (const Region& piece : all.Pieces()) {
        const Box pb = piece.Bounds();
        std::vector<const Region*> in;
        for (const Region& t : thick)
            if (t.Bounds().Overlaps(pb) && !piece.Intersect(t).Empty()) in.push_back(&t);
        if (in.size() < 2) continue;
        std::vector<const Region*> held;
        for (const Region* t : in) {
            const Box b = t->Bounds();
            if ((back && b.z0 <= za + grid) || (front && b.z1 >= zb - grid)) held.push_back(t);
        }
        if (held.empty())
            held.push_back(*std::max_element(in.begin(), in.end(), [](const Region* a, const Region* b) {
                return a->Area() < b->Area();
            }));
        // Grown back past the shrinking's rounding, but never into the part's own margin.
        Region away, kept;
        for (const Region* t : in) {
            Region& side = std::find(held.begin(), held.end(), t) == held.end() ? away : kept;
            side = side.Union(t->Offset(h + grid));
        }
        away = away.Minus(kept);
        // What is thinner than the tolerance beyond both margins goes with what it hangs on: the
        // thin end of a needle with the needle, the part's own thin edges with the part. Shrunk
        // by a hair first, so that two ends meeting at a point come apart there, and grown back
        // by a little more, so that no hair of it is left.
        const Region toAway = away.Offset(4 * grid), toKept = kept.Offset(4 * grid);
        for (const Region& thin : piece.Minus(kept).Minus(away).Offset(-grid).Pieces())
            if (!thin.Intersect(toAway).Empty() && thin.Intersect(toKept).Empty())
                away = away.Union(thin.Offset(3 * grid));
        for (const Region& rest : piece.Minus(away).Pieces())
            if (std::none_of(held.begin(), held.end(),
                             [&rest](const Region* t) { return !rest.Intersect(*t).Empty(); }))
                away = away.Union(rest);
        loose = loose.Union(piece.Intersect(away));
    }
    if (loose.Empty()) return 0;
    // 3. Taken from the tiles.
    double before = 0, after = 0;
    for (size_t i : near) {
        Tile& t = Tiles[i];
        if (!t.Bounds.Overlaps(loose.Bounds())) continue;
        Region left = t.Material.Minus(loose);
        before += t.Moment;
        t.Material = std::move(left);
        t.Bounds = t.Material.Bounds();
        t.Moment = t.Material.AxisMoment();
        after += t.Moment;
    }
    return 2 * 3.14159265358979323846 * (before - after);
}

bool Machining::BackCuts(const ToolState& tool, const std::vector<Point>& path) const {
    // The nose makes the finished surface on one side of its path; which side the program means
    // is no matter of the move alone (a face falling towards the chuck and a back-profile falling
    // towards the axis run the same way). A usable insert lies on the other side, so only the
    // nose reaches past its path on the finished one: a piece whose insert stays on one side is
    // never judged, at the cost of a few dot products. When the path runs steeper than one of
    // its edges' clearance, the insert reaches past the nose on both sides, and material it
    // removes past the nose on either side is taken from behind a surface the nose leaves. (Only
    // on the side the program does not finish may that be waste, and then the finished side has
    // nothing behind its surface: too rare to let a back-profile's finishing pass go unsaid.)
    const ToolShape& shape = tool.Shape;
    const double reach = shape.NoseRadius + Tol.Depth / 2;
    for (size_t i = 1; i < path.size(); ++i) {
        const Point a = path[i - 1], b = path[i];
        const double dz = b.z - a.z, dx = b.x - a.x, len = std::hypot(dz, dx);
        if (len <= 0) continue;
        const Point n{-dx / len, dz / len}; // the unit normal on the left of the piece
        double lo = 0, hi = 0;              // the insert's extent along n from the nose centre
        for (const Point& p : tool.CuttingCorners) {
            const double s = (p.z - shape.NoseCentre.z) * n.z + (p.x - shape.NoseCentre.x) * n.x;
            lo = std::min(lo, s), hi = std::max(hi, s);
        }
        if (hi <= reach || lo >= -reach) continue;
        Poll();
        const Region swept = Region::Swept(shape.Cutting, {a, b});
        const Point c0{a.z + shape.NoseCentre.z, a.x + shape.NoseCentre.x},
            c1{b.z + shape.NoseCentre.z, b.x + shape.NoseCentre.x};
        // The side from `from` to `to` along n (negative: the right side), within the piece's
        // length: beyond its ends lie the insert's places before and after the move.
        const auto beyond = [&](double from, double to) {
            const Region side = Region::FromOutline({{c0.z + from * n.z, c0.x + from * n.x},
                                                     {c1.z + from * n.z, c1.x + from * n.x},
                                                     {c1.z + to * n.z, c1.x + to * n.x},
                                                     {c0.z + to * n.z, c0.x + to * n.x}});
            return Enters(swept.Intersect(side));
        };
        if (beyond(reach, hi + 1) || beyond(-reach, lo - 1)) return true;
    }
    return false;
}

void Machining::Report(const Move& m, const char* code, Severity level, std::string message) {
    if (m.Line != LastReportLine) {
        LastReportLine = m.Line;
        ReportedOnLine.clear();
    }
    if (std::find(ReportedOnLine.begin(), ReportedOnLine.end(), code) != ReportedOnLine.end()) return;
    ReportedOnLine.emplace_back(code);
    Findings.push_back({m.Line, code, level, std::move(message), m.Tool, m.X1, m.Z1, m.N});
}

void Machining::Apply(const Move& m) {
    Poll();
    if (!Failed.empty()) return;
    try {
        if (m.Compensation == 40 && !Nose.Held().Pending) {
            if (Applied) Applied(m);
            ApplyMove(m);
        } else
            ApplyCompensated(&m);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        Fail(&m, e.what());
    }
}

void Machining::ApplyCompensated(const Move* m) {
    std::vector<Move> out;
    std::vector<NoseTrouble> troubles;
    const auto lookup = [this](int number) {
        // Inserts and blades: a drill or a thread insert is not compensated.
        const ToolState& t = ToolOf(number);
        if (t.Shape.Drill || t.Thread || t.Driven) return NoseTool{};
        return NoseTool{t.Shape.NoseRadius, t.Shape.NoseCentre};
    };
    if (m)
        Nose.Push(*m, lookup, out, troubles);
    else
        Nose.Flush(lookup, out, troubles);
    for (const NoseTrouble& t : troubles)
        Report(t.At, "nose-interference", Severity::Error, t.Message);
    for (const Move& o : out) {
        if (Applied) Applied(o);
        if (o.Compensated) {
            // A run of the compensated path goes on where the last move ended.
            const std::vector<Point> path = PathOf(o);
            const Point start = path.front();
            if (NosePath.empty() || NosePath.back().back().z != start.z ||
                NosePath.back().back().x != start.x)
                NosePath.push_back({start});
            NosePath.back().insert(NosePath.back().end(), path.begin() + 1, path.end());
        }
        ApplyMove(o);
    }
}

void Machining::NoteUncompensated(const Move& m, ToolState& tool) {
    const NoseError error = UncompensatedError(m, {tool.Shape.NoseRadius, tool.Shape.NoseCentre});
    if (!(std::fabs(error.Error) > Tol.NoseError)) return;
    const bool arc = m.Type == Move::Kind::ArcCW || m.Type == Move::Kind::ArcCCW;
    Finding f{m.Line, "no-nose-compensation", Severity::Warning, "", m.Tool, m.X1, m.Z1, m.N};
    f.Message = "without nose radius compensation the nose (radius " + Fixed(tool.Shape.NoseRadius) +
                ") cuts this " + (arc ? "arc " : "taper ") + Fixed(std::fabs(error.Error)) +
                " mm off the programmed contour (" +
                (error.Error > 0 ? "into the part" : "material left on it") +
                "), the largest error of tool " + std::to_string(m.Tool) + "; program G41 or G42";
    tool.NoseErrors.emplace_back(error, std::move(f));
}

void Machining::ReportUncompensated(ToolState& tool, const Region& part) {
    // NOTE: a roughing pass strays off its own path as much as a finishing one, and a later pass
    // (a finishing pass, compensated) may take its error away; so the error counts where the part
    // still shows it: the material it left is still there, or the part's surface lies where its
    // overcut put it. The largest ones first, a few hundred at most.
    auto& errors = tool.NoseErrors;
    std::stable_sort(errors.begin(), errors.end(), [](const auto& a, const auto& b) {
        return std::fabs(a.first.Error) > std::fabs(b.first.Error);
    });
    const auto filled = [&part](Point p, double h) {
        return part.Intersect(Region::Rectangle(p.z - h, p.x - h, p.z + h, p.x + h)).Area() > 2 * h * h;
    };
    const auto at = [](const NoseError& e, double d) {
        return Point{e.At.z + d * e.In.z, e.At.x + d * e.In.x};
    };
    for (size_t i = 0; i < std::min<size_t>(errors.size(), 300); ++i) {
        const NoseError& e = errors[i].first;
        const double size = std::fabs(e.Error), h = size / 8;
        const bool shows = e.Error < 0 ? filled(at(e, -size / 2), h)
                                       : !filled(at(e, size / 2), h) && filled(at(e, 1.25 * size + 4 * h), h);
        if (shows) {
            Findings.push_back(std::move(errors[i].second));
            break;
        }
    }
    errors.clear();
}

void Machining::ApplyMove(const Move& m) {
    if (m.SpindleRunning) StopWarned = false;
    // A piece beyond any machine's reach (or not a number at all) is the control's arithmetic
    // gone astray, already an alarm of its own: it cuts nothing here.
    for (double v : {m.X0, m.Z0, m.X1, m.Z1, m.CX, m.CZ, m.R})
        if (!(std::fabs(v) <= 1e6)) return;
    if (m.X0 == m.X1 && m.Z0 == m.Z1 && m.Type != Move::Kind::ArcCW && m.Type != Move::Kind::ArcCCW) return;
    ToolState& tool = ToolOf(m.Tool);
    const bool sameTool = LastTool == m.Tool;
    LastTool = m.Tool;
    const ToolShape& shape = tool.Shape;
    const std::vector<Point> path = PathOf(m);
    // The swept areas are made only where their bounds reach material or the work holding:
    // most moves of a long program run clear of both, and a sweep is the dearest step.
    const Box cuttingBounds = Region::SweptBounds(tool.CuttingBounds, path);
    const Box holderBounds = Region::SweptBounds(tool.HolderBounds, path);
    std::optional<Region> cuttingSwept, holderSwept;
    auto cutting = [&]() -> const Region& {
        if (!cuttingSwept) cuttingSwept = Region::Swept(shape.Cutting, path, [this] { Poll(); });
        return *cuttingSwept;
    };
    auto holder = [&]() -> const Region& {
        if (!holderSwept) holderSwept = Region::Swept(shape.Holder, path, [this] { Poll(); });
        return *holderSwept;
    };
    if (!Holding.Empty() && cuttingBounds.Joined(holderBounds).Overlaps(HoldingBounds)) {
        Poll();
        const Region both = cutting().Union(holder());
        if (both.Bounds().Overlaps(HoldingBounds) && !both.Intersect(Holding).Offset(-Tol.Depth / 2).Empty())
            Report(m, "workholding-collision", Severity::Error,
                   "the tool enters the chuck, its jaws or the tailstock");
    }
    if (m.Type == Move::Kind::Rapid) {
        // A rapid removes nothing: it must not reach into material at all (a driven tool's
        // cutting part may run back through the holes it made).
        const Region* open = tool.Opened.Empty() ? nullptr : &tool.Opened;
        Region hit;
        if (MayEnter(cuttingBounds)) hit = Entered(cutting(), open);
        if (MayEnter(holderBounds)) hit = hit.Union(Entered(holder()));
        if (!hit.Empty()) ReportEntry(m, tool, sameTool, hit);
        return;
    }
    double length = 0;
    for (size_t i = 1; i < path.size(); ++i)
        length += std::hypot(path[i].z - path[i - 1].z, path[i].x - path[i - 1].x);
    if (tool.Totals.FeedLength == 0) {
        tool.FirstLine = m.Line;
        tool.FirstN = m.N;
        tool.FirstX = m.X1, tool.FirstZ = m.Z1;
    }
    tool.Totals.FeedLength += length;
    if (tool.Thread) {
        Box zone{std::min(m.Z0, m.Z1), std::min(m.X0, m.X1) / 2, std::max(m.Z0, m.Z1),
                 std::max(m.X0, m.X1) / 2};
        // One zone for the passes of one thread: one tool's, a millimetre apart at most (along
        // the radius for a thread on a diameter, along Z for one in a face).
        for (auto it = ThreadZones.begin(); it != ThreadZones.end();)
            if (it->first == m.Tool && it->second.Grown(1).Overlaps(zone)) {
                zone = zone.Joined(it->second);
                it = ThreadZones.erase(it);
            } else {
                ++it;
            }
        ThreadZones.emplace_back(m.Tool, zone);
    }
    std::vector<Removed> removed;
    double volume = 0;
    bool touched = false; // a driven tool's cut through material
    bool back = false;    // the insert's back cut into the part (judged on the material before)
    if (tool.Driven) {
        // NOTE: a driven tool's cut is no ring round the axis; the section keeps its material
        // for every other tool, and the spindle standing still is how such a tool works.
        touched = MayEnter(cuttingBounds) && Enters(cutting(), &tool.Opened);
        if (touched) tool.Opened = tool.Opened.Union(cutting());
    } else if (MayCut(cuttingBounds)) {
        back = tool.Insert && BackCuts(tool, path);
        volume = Cut(cutting(), shape.Drill ? nullptr : &removed);
        if (volume > 0) volume += DropLoose(cuttingBounds);
    }
    tool.Totals.RemovedMm3 += volume;
    if (volume <= 1e-9 && !touched) tool.Totals.AirLength += length;
    if (volume > 1e-6 && !m.SpindleRunning && !StopWarned) {
        StopWarned = true;
        Report(m, "cutting-with-spindle-stopped", Severity::Error,
               "the tool cuts material while the spindle is stopped; start it (M03/M04) before the cut");
    }
    if (MayEnter(holderBounds) && Enters(holder()))
        Report(m, "holder-collision", Severity::Error,
               "the tool holder runs into material the insert did not remove");
    if (back)
        Report(m, "holder-collision", Severity::Error,
               "the back of the insert cuts behind the nose: the path runs steeper than the "
               "insert's clearance allows");
    if (volume > 1e-6 && !removed.empty()) CheckEngagement(m, shape, cutting(), removed);
    if (volume > 1e-6 && tool.Insert && m.Compensation == 40 && !m.Compensated) NoteUncompensated(m, tool);
    if (!tool.Driven) CheckPip(m, shape);
}

void Machining::CheckPip(const Move& m, const ToolShape& shape) {
    // A face or cut-off towards the centre whose nose stops within a nose radius of it, with
    // the nose's centre still off the axis, leaves a pip on the axis. Judged from the nose's
    // point nearest the axis, wherever the programmed point lies on it (the tip direction).
    const double dx = (m.X1 - m.X0) / 2, dz = m.Z1 - m.Z0;
    if (!(dx < 0 && -dx > std::fabs(dz)) || shape.Drill) return;
    const double r = std::max(shape.NoseRadius, Tol.Depth);
    const double centre = m.X1 / 2 + shape.NoseCentre.x, zc = m.Z1 + shape.NoseCentre.z;
    if (!(centre - shape.NoseRadius < r) || centre <= 0) return;
    const Region axis = Region::Rectangle(zc - r - Tol.Depth, 0, zc + r + Tol.Depth, std::min(centre, r));
    const Box b = axis.Bounds();
    double area = 0;
    for (const Tile& t : Tiles)
        if (t.Bounds.Overlaps(b)) area += t.Material.Intersect(axis).Area();
    if (area > 1e-6)
        Report(m, "centre-pip", Severity::Warning,
               "the cut ends at X" + Fixed(m.X1) +
                   " with the nose off the centre: a pip is left on the axis; go to X" +
                   Fixed(-2 * shape.NoseCentre.x) + " or beyond");
}

void Machining::CheckEngagement(const Move& m, const ToolShape& shape, const Region& swept,
                                std::vector<Removed>& removed) {
    // The depth of cut: how far the material removed reaches across the direction of feed.
    const double dz = m.Z1 - m.Z0, dx = (m.X1 - m.X0) / 2, len = std::hypot(dz, dx);
    if (len <= 0 || shape.EdgeLength <= 0) return;
    const double nz = -dx / len, nx = dz / len;
    const double limit = shape.EdgeLength + Tol.Depth;
    double lo = 1e300, hi = -1e300;
    // The points in millimetres as Outlines gives them, without making the outlines.
    auto reach = [&](const Removed& r) {
        for (const Region::GridPath& o : r.Piece.Grid())
            for (const Region::GridPoint& g : o) {
                const double z = static_cast<double>(g.z) / GridPerMm,
                             x = static_cast<double>(g.x) / GridPerMm;
                const double d = z * nz + x * nx;
                lo = std::min(lo, d), hi = std::max(hi, d);
            }
    };
    // The reach of a piece not made yet, at most: the corners of its box.
    auto bound = [&](const Removed& r, double& blo, double& bhi) {
        const Box& b = r.Within;
        blo = 1e300, bhi = -1e300;
        for (const Point& c : {Point{b.z0, b.x0}, Point{b.z0, b.x1}, Point{b.z1, b.x0}, Point{b.z1, b.x1}}) {
            const double d = c.z * nz + c.x * nx;
            blo = std::min(blo, d), bhi = std::max(bhi, d);
        }
    };
    for (const Removed& r : removed)
        if (r.Made) reach(r);
    // The pieces are made one at a time, the one reaching furthest beyond the others first,
    // until what is left unmade cannot make the depth exceed the edge: a pass that takes a
    // thin layer off a tile beside a shoulder needs the shoulder's piece alone.
    for (;;) {
        double top = hi, bottom = lo, worst = -1e300;
        Removed* next = nullptr;
        for (Removed& r : removed) {
            if (r.Made) continue;
            double blo, bhi;
            bound(r, blo, bhi);
            top = std::max(top, bhi), bottom = std::min(bottom, blo);
            const double beyond = std::max(bhi - hi, lo - blo);
            if (!next || beyond > worst) next = &r, worst = beyond;
        }
        if (!next || top - bottom <= limit - 1e-9) break;
        next->Piece = next->Before.Intersect(swept.Near(next->Before));
        next->Made = true;
        reach(*next);
    }
    if (std::any_of(removed.begin(), removed.end(), [](const Removed& r) { return !r.Made; })) return;
    const double depth = hi - lo;
    if (depth > limit)
        Report(m, "cut-beyond-edge", Severity::Warning,
               "the depth of cut " + Fixed(depth) + " engages more than the cutting edge's " +
                   Fixed(shape.EdgeLength));
}

void Machining::SetTileMaterial(size_t i, Region material) {
    Tile& t = Tiles.at(i);
    t.Material = std::move(material);
    t.Bounds = t.Material.Bounds();
    t.Moment = t.Material.AxisMoment();
}

Result Machining::Finish() {
    Result r;
    r.StockMm3 = StockVolume;
    try {
        if (Failed.empty() && Nose.Held().Pending) ApplyCompensated(nullptr);
        for (const Tile& t : Tiles)
            r.Part = r.Part.Union(t.Material);
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        Fail(nullptr, e.what());
    }
    if (!Failed.empty()) {
        Result failed;
        failed.Failure = Failed;
        return failed;
    }
    r.LeftMm3 = r.Part.Volume();
    const Box b = r.Part.Bounds();
    r.PartLeft = !r.Part.Empty();
    if (r.PartLeft) {
        r.MaxDiameter = 2 * b.x1;
        r.PartLength = b.z1 - b.z0;
    }
    for (auto& [number, state] : Tools) {
        // What was assumed of a tool matters where it cut or was found at fault.
        const int tool = number;
        const bool found = std::any_of(Findings.begin(), Findings.end(),
                                       [tool](const Finding& f) { return f.Tool == tool; });
        if (!state.Assumed.empty() && (state.Totals.FeedLength > 0 || found))
            Assumed.push_back(state.Assumed);
        if (!state.NoseErrors.empty()) {
            try {
                ReportUncompensated(state, r.Part);
            } catch (const std::exception&) {
                // The part could not be looked at there: the finding is left out, the rest stands.
            }
        }
        if (state.Totals.FeedLength <= 0) continue;
        r.Tools.push_back(state.Totals);
        r.RemovedMm3 += state.Totals.RemovedMm3;
        const double share = state.Totals.AirLength / state.Totals.FeedLength;
        if (share >= Tol.AirShare) {
            Finding f{state.FirstLine, "air-cutting", Severity::Info, "",
                      number,          state.FirstX,  state.FirstZ,   state.FirstN};
            f.Message = "tool " + std::to_string(number) + " spends " +
                        std::to_string(static_cast<int>(share * 100 + 0.5)) +
                        " % of its feed path cutting air";
            Findings.push_back(std::move(f));
        }
    }
    r.Findings = std::move(Findings);
    std::stable_sort(r.Findings.begin(), r.Findings.end(),
                     [](const Finding& a, const Finding& b) { return a.Line < b.Line; });
    r.Assumed = std::move(Assumed);
    r.NosePath = std::move(NosePath);
    for (const auto& [number, zone] : ThreadZones)
        r.ThreadZones.push_back(zone);
    std::sort(r.ThreadZones.begin(), r.ThreadZones.end(),
              [](const Box& a, const Box& b) { return a.z0 < b.z0; });
    return r;
}

} // namespace stock
