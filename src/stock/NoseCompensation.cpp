// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/NoseCompensation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace stock {

namespace {

Point Add(Point a, Point b) {
    return {a.z + b.z, a.x + b.x};
}
Point Sub(Point a, Point b) {
    return {a.z - b.z, a.x - b.x};
}
Point Mul(Point a, double k) {
    return {a.z * k, a.x * k};
}
double Dot(Point a, Point b) {
    return a.z * b.z + a.x * b.x;
}
double Cross(Point a, Point b) {
    return a.z * b.x - a.x * b.z;
}
double Len(Point a) {
    return std::hypot(a.z, a.x);
}
Point Unit(Point a) {
    const double l = Len(a);
    return l > 0 ? Mul(a, 1 / l) : Point{};
}
// A quarter turn counter-clockwise (Z to the right, the radius up): the left of a direction.
Point Left(Point t) {
    return {-t.x, t.z};
}

std::string Fixed(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    return buf;
}

bool IsArc(const Move& m) {
    return m.Type == Move::Kind::ArcCW || m.Type == Move::Kind::ArcCCW;
}

// A move in the half-section: a line from A to B, or an arc about O.
struct Element {
    bool Arc = false, CW = false;
    Point A, B, O;
    double R = 0;
};

Element ElementOf(const Move& m) {
    Element e;
    e.A = {m.Z0, m.X0 / 2};
    e.B = {m.Z1, m.X1 / 2};
    e.Arc = IsArc(m);
    e.CW = m.Type == Move::Kind::ArcCW;
    e.O = {m.CZ, m.CX / 2};
    e.R = Len(Sub(e.A, e.O));
    return e;
}

// The unit direction of travel at the start or the end.
Point Tangent(const Element& e, bool atEnd) {
    if (!e.Arc) return Unit(Sub(e.B, e.A));
    const Point u = Unit(Sub(atEnd ? e.B : e.A, e.O));
    return e.CW ? Point{u.x, -u.z} : Left(u);
}

// The nose centre's path: the element moved a nose radius to the side `side` (+1 left, -1 right).
struct OffsetElement {
    bool Arc = false;
    Point A, D; // a line: a point and its direction
    Point O;
    double R = 0; // an arc: its circle
};

OffsetElement OffsetOf(const Element& e, double r, double side) {
    OffsetElement o;
    o.Arc = e.Arc;
    if (e.Arc) {
        o.O = e.O;
        o.R = e.R + r * side * (e.CW ? 1 : -1);
    } else {
        const Point t = Tangent(e, false);
        o.A = Add(e.A, Mul(Left(t), r * side));
        o.D = t;
    }
    return o;
}

// The points where two offset elements meet, as whole lines and circles.
std::vector<Point> Meet(const OffsetElement& a, const OffsetElement& b) {
    std::vector<Point> out;
    if (!a.Arc && !b.Arc) {
        const double d = Cross(a.D, b.D);
        if (std::fabs(d) > 1e-12) out.push_back(Add(a.A, Mul(a.D, Cross(Sub(b.A, a.A), b.D) / d)));
    } else if (a.Arc != b.Arc) {
        const OffsetElement &l = a.Arc ? b : a, &c = a.Arc ? a : b;
        const Point f = Sub(l.A, c.O);
        const double half = Dot(f, l.D), q = half * half - (Dot(f, f) - c.R * c.R);
        if (q >= 0)
            for (const double sign : {-1.0, 1.0})
                out.push_back(Add(l.A, Mul(l.D, -half + sign * std::sqrt(q))));
    } else {
        const Point between = Sub(b.O, a.O);
        const double d = Len(between);
        if (d > 0 && d <= a.R + b.R && d >= std::fabs(a.R - b.R)) {
            const double along = (a.R * a.R - b.R * b.R + d * d) / (2 * d);
            const double h = std::sqrt(std::max(0.0, a.R * a.R - along * along));
            const Point u = Mul(between, 1 / d), base = Add(a.O, Mul(u, along));
            for (const double sign : {-1.0, 1.0})
                out.push_back(Add(base, Mul(Left(u), sign * h)));
        }
    }
    return out;
}

// The sweep of an arc from `from` to `to` about `o` in its direction (radians, 0 to 2 pi).
double Sweep(Point from, Point to, Point o, bool cw) {
    double a = std::atan2(to.x - o.x, to.z - o.z) - std::atan2(from.x - o.x, from.z - o.z);
    if (cw) a = -a;
    while (a < 0)
        a += 2 * std::numbers::pi;
    while (a >= 2 * std::numbers::pi)
        a -= 2 * std::numbers::pi;
    return a;
}

void SetEnds(Move& m, Point from, Point to) {
    m.Z0 = from.z, m.X0 = 2 * from.x, m.Z1 = to.z, m.X1 = 2 * to.x;
}

bool ZeroLine(const Move& m) {
    return !IsArc(m) && m.X0 == m.X1 && m.Z0 == m.Z1;
}

// Whether the move is compensated: G41 or G42 with a tool that has a nose radius.
bool Active(const Move& m, const NoseCompensation::ToolLookup& tools, NoseTool& tool) {
    if (m.Compensation != 41 && m.Compensation != 42) return false;
    tool = tools ? tools(m.Tool) : NoseTool{};
    return tool.Radius > 0 && std::isfinite(tool.Radius);
}

} // namespace

void NoseCompensation::Push(const Move& m, const ToolLookup& tools, std::vector<Move>& out,
                            std::vector<NoseTrouble>& troubles) {
    NoseTool nextTool;
    const bool active = Active(m, tools, nextTool);
    if (!Wait.Pending) {
        if (!active || ZeroLine(m)) {
            out.push_back(m);
            return;
        }
        Wait = {m, true, {m.Z0, m.X0 / 2}};
        return;
    }
    // A move that goes nowhere gives the nose no direction to follow.
    if (active && ZeroLine(m)) return;
    Settle(&m, active, tools, out, troubles);
}

void NoseCompensation::Flush(const ToolLookup& tools, std::vector<Move>& out,
                             std::vector<NoseTrouble>& troubles) {
    if (Wait.Pending) Settle(nullptr, false, tools, out, troubles);
}

// NOTE: an outside corner is rounded with an arc of the nose radius about the programmed corner,
// not joined by extended lines: the nose then touches the corner all the way round and cuts the
// same finished section, and the arc is one move where the lines would be two or three.
void NoseCompensation::Settle(const Move* next, bool nextActive, const ToolLookup& tools,
                              std::vector<Move>& out, std::vector<NoseTrouble>& troubles) {
    const Move p = *Wait.Pending;
    NoseTool tool;
    Active(p, tools, tool);
    const double r = tool.Radius, side = p.Compensation == 41 ? 1 : -1;
    const Point c = tool.Centre;
    const Element e = ElementOf(p);
    const bool chain = next && nextActive && next->Tool == p.Tool && next->Compensation == p.Compensation;
    // 1. Where the nose centre ends this move, and starts the next.
    const Point ownEnd = Add(e.B, Mul(Left(Tangent(e, true)), r * side));
    Point end = ownEnd, nextFrom;
    std::optional<Move> joint; // round an outside corner, or across where the elements miss
    if (chain) {
        const Element en = ElementOf(*next);
        const Point nextStart = Add(en.A, Mul(Left(Tangent(en, false)), r * side));
        nextFrom = nextStart;
        const Point t1 = Tangent(e, true), t2 = Tangent(en, false);
        const double turn = Cross(t1, t2);
        if (Wait.StartUp) {
            // The start-up move ends a nose radius off the next move, square to it.
            end = nextStart;
        } else if (std::fabs(turn) < 1e-6 && Dot(t1, t2) > 0) {
            nextFrom = ownEnd; // they run on smoothly
        } else if (side * turn > 0) {
            // An inside corner: the offset elements meet short of both ends.
            const std::vector<Point> meet = Meet(OffsetOf(e, r, side), OffsetOf(en, r, side));
            const auto nearest = std::min_element(meet.begin(), meet.end(), [&](Point a, Point b) {
                return Len(Sub(a, e.B)) < Len(Sub(b, e.B));
            });
            if (nearest != meet.end() && Len(Sub(*nearest, e.B)) < 1e3 * r) {
                end = nextFrom = *nearest;
            } else {
                joint = p;
                joint->Type = p.Type == Move::Kind::Rapid ? Move::Kind::Rapid : Move::Kind::Cut;
            }
        } else {
            // An outside corner: round it about the programmed corner.
            joint = p;
            const bool rapid = p.Type == Move::Kind::Rapid && next->Type == Move::Kind::Rapid;
            joint->Type = rapid ? Move::Kind::Rapid : side > 0 ? Move::Kind::ArcCW : Move::Kind::ArcCCW;
            joint->CZ = e.B.z - c.z, joint->CX = 2 * (e.B.x - c.x), joint->R = r;
        }
        if (joint) {
            joint->Compensated = true;
            SetEnds(*joint, Sub(ownEnd, c), Sub(nextStart, c));
        }
    }
    // 2. The move itself, as the programmed point runs it.
    Move o = p;
    o.Compensated = true;
    const Point from = Wait.StartUp ? Wait.From : Sub(Wait.From, c);
    SetEnds(o, from, Sub(end, c));
    if (Wait.StartUp) {
        // NOTE: the control starts the compensation on a straight move; an arc there is taken
        // as the straight move to where the compensation has brought the nose.
        if (IsArc(o)) o.Type = Move::Kind::Cut;
    } else if (e.Arc) {
        const double radius = e.R + r * side * (e.CW ? 1 : -1);
        o.CZ = e.O.z - c.z, o.CX = 2 * (e.O.x - c.x), o.R = radius;
        const double programmed = Sweep(e.A, e.B, e.O, e.CW), now = Sweep(Wait.From, end, e.O, e.CW);
        if (radius <= 1e-6) {
            troubles.push_back({p, "the concave arc of radius " + Fixed(e.R) +
                                       " is tighter than the nose radius " + Fixed(r) +
                                       ": the nose cannot follow it"});
            o.Type = Move::Kind::Cut;
        } else if (now > programmed + std::numbers::pi) {
            troubles.push_back({p, "the nose (radius " + Fixed(r) +
                                       ") does not fit between the elements beside this arc: they lie "
                                       "closer than the nose is wide"});
            o.Type = Move::Kind::Cut;
        }
    } else if (Dot(Sub(end, Wait.From), Tangent(e, false)) < -1e-6) {
        troubles.push_back({p, "the nose (radius " + Fixed(r) +
                                   ") does not fit: a groove or step narrower than the nose, its "
                                   "path runs backwards here"});
    }
    out.push_back(o);
    if (joint) out.push_back(*joint);
    // 3. What comes next: the next compensated move, a new start-up, or the cancel move.
    if (chain) {
        Wait = {*next, false, nextFrom};
    } else if (next && nextActive) {
        Wait = {*next, true, Sub(end, c)};
    } else {
        Wait = {};
        if (next) {
            // The cancel move: from where the compensation left the programmed point back to
            // where the program puts it (an arc there taken straight, as at the start-up).
            Move cancel = *next;
            cancel.Compensated = true;
            SetEnds(cancel, Sub(end, c), {next->Z1, next->X1 / 2});
            if (IsArc(cancel)) cancel.Type = Move::Kind::Cut;
            out.push_back(cancel);
        }
    }
}

NoseError UncompensatedError(const Move& m, const NoseTool& tool) {
    const Point c = tool.Centre;
    const double r = tool.Radius;
    if (m.Type == Move::Kind::Rapid || !(r > 0) || (c.z == 0 && c.x == 0)) return {};
    const Element e = ElementOf(m);
    // The nose cuts a nose radius from its centre, on the side away from the insert (the side
    // the nose centre lies from the programmed point): measured across the contour, the cut lies
    // n·c + r from it, n the contour's normal towards the material.
    const auto towards = [&](Point n0) { return Dot(n0, c) > 0 ? Mul(n0, -1) : n0; };
    if (!e.Arc) {
        const Point d = Sub(e.B, e.A);
        const double len = Len(d);
        if (!(len > 0) || std::fabs(d.z) <= 1e-9 * len || std::fabs(d.x) <= 1e-9 * len) return {};
        const Point n = towards(Left(Mul(d, 1 / len)));
        return {Dot(n, c) + r, Mul(Add(e.A, e.B), 0.5), n};
    }
    if (!(e.R > 0)) return {};
    const double sweep = Sweep(e.A, e.B, e.O, e.CW), a0 = std::atan2(e.A.x - e.O.x, e.A.z - e.O.z);
    if (!std::isfinite(sweep) || !std::isfinite(a0)) return {};
    const double dir = e.CW ? -1 : 1;
    const double mid = a0 + dir * sweep / 2;
    // Convex (the insert outside the circle) or concave, once for the whole arc.
    const bool convex = Dot({std::cos(mid), std::sin(mid)}, c) > 0;
    const int steps = std::max(8, static_cast<int>(std::ceil(sweep / (std::numbers::pi / 90))));
    NoseError worst;
    for (int i = 0; i <= steps; ++i) {
        const double a = a0 + dir * sweep * i / steps;
        const Point u{std::cos(a), std::sin(a)};
        const Point n = convex ? Mul(u, -1) : u;
        const double err = Dot(n, c) + r;
        if (std::fabs(err) > std::fabs(worst.Error)) worst = {err, Add(e.O, Mul(u, e.R)), n};
    }
    return worst;
}

} // namespace stock
