// SPDX-License-Identifier: GPL-3.0-or-later
// The single-pass box cycles (G90, G92, G94), the peck cycles (G74, G75) and the multi-pass
// thread cycle (G76) of the ISO control. Each starts and ends at the tool's position when the
// block begins (the cycle's start point).

#include "base/Alarms.h"
#include "base/Machine.h"
#include "iso/IsoInternal.h"

#include <cmath>

namespace iso {

namespace {

double Sign(double v) {
    return v < 0 ? -1 : 1;
}

} // namespace

void BoxCycle(Machine& m, const Words& w, double code) {
    interp::MachineState& s = m.S;
    IsoState& iso = s.Iso;
    const double x0 = s.LastX, z0 = s.LastZ;
    // A block of the same cycle that names one axis keeps the other from the block before.
    const Target to = TargetOf(m, w);
    const bool xGiven = w.HasWord('X') || w.HasWord('U'), zGiven = w.HasWord('Z') || w.HasWord('W');
    const double x = xGiven ? to.X : iso.BoxX, z = zGiven ? to.Z : iso.BoxZ;
    const double r = w.HasWord('R') ? Length(m, w.Value('R')) : (xGiven && zGiven ? 0 : iso.BoxR);
    iso.BoxX = x, iso.BoxZ = z, iso.BoxR = r;
    if (code == 94) { // facing: in along Z, across at the feed, back along Z, out at rapid
        if (RapidTo(m, x0, z + r) && FeedTo(m, x, z) && FeedTo(m, x, z0)) RapidTo(m, x0, z0);
        return;
    }
    // G90 turning and G92 threading: R is the radius at the start of the cut less that at its end.
    if (!RapidTo(m, x + 2 * r, z0)) return;
    if (code == 92) {
        if (ThreadTo(m, x, z, s.Feed) && RapidTo(m, x0, z)) RapidTo(m, x0, z0);
    } else if (FeedTo(m, x, z) && FeedTo(m, x0, z)) {
        RapidTo(m, x0, z0);
    }
}

void PeckCycle(Machine& m, const Words& w, bool grooving) {
    interp::MachineState& s = m.S;
    const double x0 = s.LastX, z0 = s.LastZ;
    const Target to = TargetOf(m, w);
    // G74 pecks along Z and steps across in X; G75 pecks along X and steps along Z. In the
    // plane of (peck axis, step axis), X counted as a radius.
    const double e = s.Iso.PeckRetract;
    const double peckDepth = Increment(m, w.Value(grooving ? 'P' : 'Q'));
    const double stepWidth = Increment(m, w.Value(grooving ? 'Q' : 'P'));
    const double p0 = grooving ? x0 / 2 : z0, p1 = grooving ? to.X / 2 : to.Z;
    const double q0 = grooving ? z0 : x0 / 2, q1 = grooving ? to.Z : to.X / 2;
    const auto point = [grooving](double p, double q, double& x, double& z) {
        x = grooving ? 2 * p : 2 * q;
        z = grooving ? q : p;
    };
    const auto rapid = [&](double p, double q) {
        double x, z;
        point(p, q, x, z);
        return RapidTo(m, x, z);
    };
    const auto feed = [&](double p, double q) {
        double x, z;
        point(p, q, x, z);
        return FeedTo(m, x, z);
    };
    const double dp = Sign(p1 - p0), dq = Sign(q1 - q0);
    double q = q0;
    int64_t pecks = 0; // a bound on the cycle's moves, so that a tiny P or Q cannot hold up the check
    for (int step = 0; step < 100000; ++step) {
        if (step > 0 && !rapid(p0, q)) return;
        // Pecks down to the bottom, backing off by e after each but the last.
        double p = p0;
        while ((p1 - p) * dp > 1e-9) {
            if (++pecks > 1000000) return interp::RaiseAlarm(m, "PS0062 G74/G75: more than a million pecks");
            const double next =
                peckDepth > 0 && (p1 - (p + dp * peckDepth)) * dp > 0 ? p + dp * peckDepth : p1;
            if (!feed(next, q)) return;
            p = next;
            if ((p1 - p) * dp > 1e-9 && e > 0 && !rapid(p - dp * e, q)) return;
        }
        if (!rapid(p0, q)) return;
        if (stepWidth <= 0 || std::fabs(q1 - q) <= 1e-9) break;
        q = (q1 - (q + dq * stepWidth)) * dq > 0 ? q + dq * stepWidth : q1;
    }
    if (s.LastX != x0 || s.LastZ != z0) RapidTo(m, x0, z0);
}

void ThreadCycle(Machine& m, const Words& w) {
    interp::MachineState& s = m.S;
    const IsoState& iso = s.Iso;
    const double x0 = s.LastX, z0 = s.LastZ;
    const Target to = TargetOf(m, w);
    double height, first;
    int32_t finishes = iso.ThreadFinishes > 0 ? iso.ThreadFinishes : 1;
    double minDepth = iso.ThreadMinDepth, allowance = iso.ThreadAllowance;
    if (w.HasWord('K')) { // the one-block form X Z I K D F A P: K thread height, D first depth
        height = Length(m, w.Value('K'));
        first = Length(m, w.Value('D'));
        finishes = 1;
        minDepth = allowance = 0;
    } else { // P thread height and Q first depth in the least increment
        height = Increment(m, w.Value('P'));
        first = Increment(m, w.Value('Q'));
    }
    if (w.HasWord('F')) s.Feed = Length(m, w.Value('F'));
    const double lead = s.Feed;
    if (height <= 0 || first <= 0)
        return interp::RaiseAlarm(m, "PS0062 G76: thread height or first depth missing");
    // The radius at the start less that at the end: R, or I in the one-block form.
    const double taper = Length(m, w.Value(w.HasWord('K') && w.HasWord('I') ? 'I' : 'R'));
    // The root diameter is X; the crest lies a thread height back towards the start point.
    const double out = Sign(x0 - to.X);
    const auto pass = [&](double depth) {
        const double x = to.X + out * 2 * (height - depth);
        return RapidTo(m, x + 2 * taper, z0) && ThreadTo(m, x, to.Z, lead) && RapidTo(m, x0, to.Z) &&
               RapidTo(m, x0, z0);
    };
    // Depths first * sqrt(n), each step at least the minimum, up to the height less the
    // finishing allowance; then the finishing passes at the full height.
    const double rough = height - allowance;
    double depth = 0;
    for (int n = 1; n < 10000 && depth < rough - 1e-9; ++n) {
        double next = first * std::sqrt(static_cast<double>(n));
        if (next - depth < minDepth) next = depth + minDepth;
        if (next > rough) next = rough;
        if (!pass(next)) return;
        depth = next;
    }
    for (int32_t k = 0; k < finishes; ++k)
        if (!pass(height)) return;
}

} // namespace iso
