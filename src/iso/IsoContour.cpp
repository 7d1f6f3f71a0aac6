// SPDX-License-Identifier: GPL-3.0-or-later
// The P-Q contour and the cycles built on it: G71 (stock removal in turning), G72 (in facing),
// G73 (pattern repeating) and G70 (finishing). The roughing passes are worked in a plane of
// (depth, along): for G71 the radius and Z, for G72 Z and the radius.

#include "base/Alarms.h"
#include "base/Legacy.h"
#include "base/Machine.h"
#include "iso/IsoInternal.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace iso {

namespace {

constexpr double Tiny = 1e-9;
// A contour longer than this many blocks has lost its Q block.
constexpr int MaxContourBlocks = 100000;

double Sign(double v) {
    return v < 0 ? -1 : 1;
}

// The contour moved by the finishing allowances (U on the diameter, W along Z).
Element Shifted(Element e, double u, double w) {
    e.X0 += u, e.X1 += u, e.CX += u;
    e.Z0 += w, e.Z1 += w, e.CZ += w;
    return e;
}

// A point in the roughing plane.
struct Pt {
    double D, A;
};

class Plane {
  public:
    explicit Plane(bool facing) : Facing(facing) {}
    Pt Of(double x, double z) const { return Facing ? Pt{z, x / 2} : Pt{x / 2, z}; }
    void Back(Pt p, double& x, double& z) const {
        x = 2 * (Facing ? p.A : p.D);
        z = Facing ? p.D : p.A;
    }

  private:
    bool Facing;
};

// Every point where the element meets the level D = level (as along coordinates), in the order
// the element runs through them. A point at the element's start belongs to the element before.
void Crossings(const Plane& plane, const Element& e, double level, std::vector<double>& out) {
    const Pt p0 = plane.Of(e.X0, e.Z0), p1 = plane.Of(e.X1, e.Z1);
    if (!e.Arc) {
        if (p0.D == p1.D || p0.D == level || (p0.D - level) * (p1.D - level) > 0) return;
        out.push_back(p0.A + (p1.A - p0.A) * (level - p0.D) / (p1.D - p0.D));
        return;
    }
    // An arc: the points of its circle at the level that lie on its sweep.
    const Pt c = plane.Of(e.CX, e.CZ);
    const double r = std::hypot(p0.D - c.D, p0.A - c.A);
    const double h2 = r * r - (level - c.D) * (level - c.D);
    if (h2 < 0) return;
    // Angles measured in the (radius, Z) orientation so that clockwise keeps its meaning.
    const auto angle = [&](Pt p) {
        double x, z, cx, cz;
        plane.Back(p, x, z);
        plane.Back(c, cx, cz);
        return std::atan2((x - cx) / 2, z - cz);
    };
    const double a0 = angle(p0);
    const auto travel = [&](double a) { // sweep from the start to the angle a, in the arc's direction
        double t = e.Clockwise ? a0 - a : a - a0;
        while (t < 0)
            t += 2 * interp::Pi;
        return t;
    };
    const double total = travel(angle(p1)) == 0 ? 2 * interp::Pi : travel(angle(p1));
    std::vector<std::pair<double, double>> found; // (travel, along)
    for (double sgn : {-1.0, 1.0}) {
        const Pt q{level, c.A + sgn * std::sqrt(h2)};
        const double t = travel(angle(q));
        if (t > 1e-12 && t <= total + 1e-12 && (found.empty() || std::fabs(found[0].second - q.A) > Tiny))
            found.push_back({t, q.A});
    }
    std::sort(found.begin(), found.end());
    for (const auto& f : found)
        out.push_back(f.second);
}

// The stretches of the level where material lies beyond the contour, [from, to] along. Type I
// cuts only the first, from the start point to where it first meets the contour; type II every
// one, into the pockets.
std::vector<std::pair<double, double>> Spans(const Plane& plane, const std::vector<Element>& shifted,
                                             Pt start, Pt a1, Pt end, double level, double dirDepth,
                                             bool typeII) {
    std::vector<double> at;
    if (!typeII) {
        for (size_t i = 1; i < shifted.size(); ++i)
            Crossings(plane, shifted[i], level, at);
        return {{start.A, at.empty() ? end.A : at.front()}};
    }
    // A stretch of contour lying on the level leaves nothing to cut there: the crossings are
    // taken a hair beyond the level, so that such a stretch counts as the part's.
    const double beyond = level + dirDepth * 1e-7;
    for (size_t i = 1; i < shifted.size(); ++i)
        Crossings(plane, shifted[i], beyond, at);
    std::vector<std::pair<double, double>> spans;
    bool inside = (a1.D - beyond) * dirDepth > 0; // the contour's first point lies beyond the level
    double from = start.A;
    for (double a : at) {
        if (inside) spans.push_back({from, a});
        from = a;
        inside = !inside;
    }
    if (inside) spans.push_back({from, end.A});
    return spans;
}

// Runs the contour's elements at the feed (the first one as its P block moves).
bool FollowContour(Machine& m, const std::vector<Element>& elements, bool firstRapid) {
    // The nose radius compensation written in the contour's blocks holds along it, and ends
    // with it: the move after is the cancel.
    int16_t& nose = m.S.GNoseR;
    struct Restore {
        int16_t& Nose;
        int16_t Was;
        ~Restore() { Nose = Was; }
    } restore{nose, nose};
    for (size_t i = 0; i < elements.size(); ++i) {
        const Element& e = elements[i];
        nose = e.Nose;
        // G00 written in the contour (a retract closing it) moves at rapid; the first move as
        // the cycle leads into the contour.
        const bool rapid = i == 0 ? firstRapid : e.Rapid;
        const bool ok = e.Arc   ? ArcTo(m, e.X1, e.Z1, e.CX, e.CZ, e.Clockwise)
                        : rapid ? RapidTo(m, e.X1, e.Z1)
                                : FeedTo(m, e.X1, e.Z1);
        if (!ok) return false;
    }
    return true;
}

bool Missing(Machine& m, const char* what, double n) {
    interp::RaiseAlarm(m, std::string("PS0063 block ") + what + legacy::Str15(n) + " not found");
    return false;
}

} // namespace

bool ReadContour(Machine& m, double p, double q, Contour& out, bool finishing) {
    interp::MachineState& s = m.S;
    int64_t pos = FindSequence(m, p);
    if (pos == 0) return Missing(m, "N", p);
    double x = s.LastX, z = s.LastZ, motion = 1;
    int16_t nose = s.GNoseR;
    bool first = true;
    for (int k = 0; k < MaxContourBlocks && pos != 0; ++k) {
        int64_t next = 0;
        const std::u16string_view text = BlockAt(m, pos, next);
        if (next == 0) break;
        Words w = ReadWords(text, s.BlockDelete);
        if (w.Macro && !(w.Deleted && s.BlockDelete)) {
            // The contour's values are the variables' as the cycle starts; a statement in it
            // is run only by G70, which runs the blocks.
            const MacroRead read = MacroWords(m, text, w, false);
            if (read == MacroRead::Fault && s.RunState == interp::RunAlarm) return false;
            if (read != MacroRead::Words) {
                if (read == MacroRead::Statement && !finishing)
                    NoteOnce(
                        m, "macro-contour", "iso-unsupported",
                        "a macro statement between P and Q is passed over by G71, G72 and G73 (G70 runs it)");
                w = Words{};
            }
        }
        if (!(w.Deleted && s.BlockDelete)) {
            for (int i = 0; i < w.NG; ++i)
                if (w.G[i] == 0 || w.G[i] == 1 || w.G[i] == 2 || w.G[i] == 3)
                    motion = w.G[i];
                else if (w.G[i] == 40 || w.G[i] == 41 || w.G[i] == 42)
                    nose = static_cast<int16_t>(w.G[i]);
            if (first) {
                out.FirstRapid = motion == 0;
                out.BothAxes = (w.HasWord('X') || w.HasWord('U')) && (w.HasWord('Z') || w.HasWord('W'));
            }
            Target t{x, z, false};
            if (w.HasWord('X'))
                t.X = Length(m, w.Value('X'));
            else if (w.HasWord('U'))
                t.X = x + Length(m, w.Value('U'));
            if (w.HasWord('Z'))
                t.Z = Length(m, w.Value('Z'));
            else if (w.HasWord('W'))
                t.Z = z + Length(m, w.Value('W'));
            if (first) out.FirstMoves = t.X != x || t.Z != z;
            if (t.X != x || t.Z != z) {
                Element e{};
                e.X0 = x, e.Z0 = z, e.X1 = t.X, e.Z1 = t.Z;
                e.Nose = nose;
                e.Rapid = motion == 0;
                if (motion == 2 || motion == 3) {
                    e.Arc = true;
                    e.Clockwise = (motion == 2) != s.G2mirror;
                    if (!ArcCentre(m, x, z, t, w, e.Clockwise, e.CX, e.CZ)) {
                        interp::RaiseAlarm(m, "PS0020 radius out of range");
                        return false;
                    }
                }
                out.Elements.push_back(e);
                x = t.X, z = t.Z;
            }
            first = false;
            if (w.HasWord('N') && w.Value('N') == q) {
                out.After = next;
                out.QEnd = next - 1;
                return true;
            }
        }
        pos = next;
    }
    return Missing(m, "N", q);
}

void RoughCycle(Machine& m, const Words& w, bool facing) {
    interp::MachineState& s = m.S;
    IsoState& iso = s.Iso;
    if (w.HasWord('F')) s.Feed = Length(m, w.Value('F'));
    // A depth in the second block (D) is the one-block form of some controls.
    const double depth = w.HasWord('D') ? Length(m, w.Value('D')) : iso.RoughDepth;
    const double e = iso.RoughRetract;
    Contour c;
    if (!ReadContour(m, w.Value('P'), w.Value('Q'), c)) return;
    if (depth <= 0) return interp::RaiseAlarm(m, "PS0062 G71/G72: depth of cut missing");
    const double x0 = s.LastX, z0 = s.LastZ;
    const double u = Length(m, w.Value('U')), wz = Length(m, w.Value('W'));
    std::vector<Element> shifted;
    for (const Element& el : c.Elements)
        shifted.push_back(Shifted(el, u, wz));
    if (shifted.empty()) {
        s.NextBlockPos = c.After;
        return;
    }
    // The approach (start to A') leads to the contour's first point; the rest is the profile.
    shifted.front().X0 = x0, shifted.front().Z0 = z0;
    const Plane plane(facing);
    const Pt start = plane.Of(x0, z0);
    const Pt a1 = plane.Of(shifted.front().X1, shifted.front().Z1);
    const Pt end = plane.Of(shifted.back().X1, shifted.back().Z1);
    // The passes run to the contour's far end along: a contour may close with a move back
    // towards the start (a retract in the Q block), which is no part of the profile to rough.
    Pt far = end;
    for (const Element& el : shifted) {
        const Pt p = plane.Of(el.X1, el.Z1);
        if (std::fabs(p.A - a1.A) > std::fabs(far.A - a1.A) + Tiny) far = p;
    }
    const double dirDepth = Sign(a1.D - start.D), dirAlong = Sign(far.A - a1.A);
    // Type I runs to the contour's first point; type II (the P block names both axes) to its
    // deepest point, into the pockets. A pocket under type I is named: the last pass cuts it.
    const bool typeII = c.BothAxes;
    double deepest = a1.D, reached = a1.D;
    for (size_t i = 1; i < shifted.size(); ++i) {
        const double d = plane.Of(shifted[i].X1, shifted[i].Z1).D;
        if (typeII) {
            if ((d - deepest) * dirDepth > 0) deepest = d;
            continue;
        }
        if ((d - reached) * dirDepth > 1e-6)
            NoteOnce(m, "pocket", "iso-approximation",
                     std::string(facing ? "G72" : "G71") +
                         ": type I does not cut into the contour's pocket; the last pass along the contour "
                         "does (write X and Z in the P block for type II)");
        if ((reached - d) * dirDepth > 0) reached = d;
    }
    const auto go = [&](Pt p, bool rapid) {
        double x, z;
        plane.Back(p, x, z);
        if (x == s.LastX && z == s.LastZ) return true; // no move: nothing drawn
        return rapid ? RapidTo(m, x, z) : FeedTo(m, x, z);
    };
    // The passes: levels one depth of cut apart from the start point; on each, the stretch from
    // the start point is cut from there, each pocket from above through the start point's depth
    // (clear of the part); every cut backs off by e at 45 degrees.
    Pt at = start;
    for (int k = 1; k < 100000; ++k) {
        const double level = start.D + dirDepth * depth * k;
        if ((deepest - level) * dirDepth <= Tiny) break;
        const double above = level - dirDepth * depth; // the level before, cut already
        bool pocket = false;                           // a pocket was cut on this level
        for (const auto& [from, to] : Spans(plane, shifted, start, a1, far, level, dirDepth, typeII)) {
            if ((to - from) * dirAlong <= Tiny) continue;
            if (std::fabs(from - start.A) <= Tiny) {
                if (!go({level, at.A}, c.FirstRapid)) return;
            } else {
                const double here = plane.Of(s.LastX, s.LastZ).A;
                if (!go({start.D, here}, true) || !go({start.D, from}, true) || !go({above, from}, true) ||
                    !go({level, from}, false))
                    return;
                pocket = true;
            }
            if (!go({level, to}, false)) return;
            double back = to - dirAlong * e;
            if ((back - from) * dirAlong < 0) back = from;
            if (!go({level - dirDepth * e, back}, true)) return;
            at = {level - dirDepth * e, back};
        }
        // Back to the start point: along the level just cut, or over the part after a pocket.
        const double travel = pocket ? start.D : at.D;
        if (!go({travel, plane.Of(s.LastX, s.LastZ).A}, true) || !go({travel, start.A}, true)) return;
        at = {travel, start.A};
    }
    // The last pass along the contour, leaving the allowances; then back to the start point.
    if (!FollowContour(m, shifted, c.FirstRapid)) return;
    // Out first, to the start point's depth or the contour's end when that lies further out.
    const double out = (end.D - start.D) * dirDepth < 0 ? end.D : start.D;
    if (go({out, end.A}, true) && go({out, start.A}, true) && go(start, true)) s.NextBlockPos = c.After;
}

void PatternCycle(Machine& m, const Words& w) {
    interp::MachineState& s = m.S;
    const IsoState& iso = s.Iso;
    if (w.HasWord('F')) s.Feed = Length(m, w.Value('F'));
    Contour c;
    if (!ReadContour(m, w.Value('P'), w.Value('Q'), c)) return;
    const double x0 = s.LastX, z0 = s.LastZ;
    const double u = Length(m, w.Value('U')), wz = Length(m, w.Value('W'));
    // NOTE: more passes than any program means are taken as a thousand, so that a misread
    // count cannot hold up the check.
    const int32_t n = iso.PatternCount > 0 ? std::min(iso.PatternCount, 1000) : 1;
    // A P block at the start point still leads each pass to that point moved by the relief.
    if (!c.FirstMoves) {
        Element lead{};
        lead.X0 = lead.X1 = x0, lead.Z0 = lead.Z1 = z0;
        lead.Nose = s.GNoseR;
        c.Elements.insert(c.Elements.begin(), lead);
    }
    // Pass j of n is moved out by the relief's (n - j) / (n - 1) beyond the allowances.
    for (int32_t j = 1; j <= n; ++j) {
        const double share = n > 1 ? static_cast<double>(n - j) / (n - 1) : 0;
        std::vector<Element> pass;
        for (const Element& el : c.Elements)
            pass.push_back(Shifted(el, u + 2 * iso.PatternX * share, wz + iso.PatternZ * share));
        bool firstRapid = c.FirstRapid;
        if (!c.FirstMoves && pass.front().X1 == x0 && pass.front().Z1 == z0) { // the lead moves nowhere
            pass.erase(pass.begin());
            firstRapid = false;
        }
        if (!FollowContour(m, pass, firstRapid) || !RapidTo(m, x0, z0)) return;
    }
    s.NextBlockPos = c.After;
}

void FinishCycle(Machine& m, const Words& w) {
    interp::MachineState& s = m.S;
    IsoState& iso = s.Iso;
    // A G70 among the blocks it runs would start them again without end.
    if (iso.Finishing) return interp::RaiseAlarm(m, "PS0065 G70 inside the blocks of a G70");
    if (!MayJump(m)) return;
    const int64_t from = FindSequence(m, w.Value('P'));
    Contour c;
    if (!ReadContour(m, w.Value('P'), w.Value('Q'), c, true)) return;
    // The blocks P to Q run as they are written; the last one brings the tool back here.
    iso.Finishing = true;
    iso.FinishStart = from;
    iso.FinishEnd = c.QEnd;
    iso.FinishCalls = iso.Calls.size();
    iso.FinishFile = iso.File;
    iso.FinishReturn = s.NextBlockPos;
    iso.FinishX = s.LastX;
    iso.FinishZ = s.LastZ;
    s.NextBlockPos = from;
}

} // namespace iso
