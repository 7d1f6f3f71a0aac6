#pragma once
// Small services shared by the move routines and the cycles: the arithmetic-fault alarm and the
// guarded addition to the cutting time.

#include <cmath>
#include <initializer_list>

namespace interp {
struct Machine;
}

namespace motion {

// The alarm of a move whose arithmetic failed (division by zero, overflow, a root or arccos out
// of its domain): "Calcu Error" in both status bars, RunState 4.
void CalcuError(interp::Machine& m);

// True when every value is a finite number.
inline bool AllFinite(std::initializer_list<double> values) {
    for (double v : values)
        if (!std::isfinite(v)) return false;
    return true;
}

// CuttingTime += seconds, kept in single precision as the control does. A sum that is not a
// finite single (or a non-finite addend) adds nothing and raises "Calcu Error"; returns false then.
bool AddCuttingTime(interp::Machine& m, double seconds);

// Time of a rapid move: 20000 mm/min on each axis independently, X counted as radius.
double RapidSeconds(double x0, double z0, double x1, double z1);

} // namespace motion
