// SPDX-License-Identifier: GPL-3.0-or-later
#include "machine/Calibrate.h"

#include <algorithm>
#include <cmath>

namespace machine {

namespace {

using Columns = std::vector<std::vector<double>>;

// Least squares by Householder reflections; a column that adds nothing (rank lost) gets 0.
std::vector<double> LeastSquares(Columns a, std::vector<double> b) {
    const size_t m = b.size(), n = a.size();
    double largest = 0;
    for (const auto& c : a)
        for (double v : c)
            largest = std::max(largest, std::fabs(v));
    const size_t steps = std::min(n, m);
    for (size_t k = 0; k < steps; ++k) {
        double norm = 0;
        for (size_t i = k; i < m; ++i)
            norm += a[k][i] * a[k][i];
        norm = std::sqrt(norm);
        if (norm == 0) continue;
        const double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<double> v(a[k].begin() + static_cast<std::ptrdiff_t>(k), a[k].end());
        v[0] -= alpha;
        double vv = 0;
        for (double x : v)
            vv += x * x;
        if (vv == 0) continue;
        const auto reflect = [&](std::vector<double>& c) {
            double d = 0;
            for (size_t i = 0; i < v.size(); ++i)
                d += v[i] * c[k + i];
            d = 2 * d / vv;
            for (size_t i = 0; i < v.size(); ++i)
                c[k + i] -= d * v[i];
        };
        for (size_t j = k; j < n; ++j)
            reflect(a[j]);
        reflect(b);
    }
    std::vector<double> x(n, 0.0);
    for (size_t k = steps; k-- > 0;) {
        double s = b[k];
        for (size_t j = k + 1; j < steps; ++j)
            s -= a[j][k] * x[j];
        x[k] = std::fabs(a[k][k]) > 1e-12 * largest ? s / a[k][k] : 0;
    }
    return x;
}

struct Bounds {
    double Lo, Hi, Typical;
};
// The lowest and highest value of each parameter (as the [machine] keys allow them) and its size
// on a typical lathe. The accelerations are held as their reciprocals.
constexpr Bounds Limits[ParameterCount] = {{0.1, 10, 1}, {1e-5, 0.1, 1 / 2500.0}, {1e-5, 0.1, 1 / 3000.0},
                                           {0, 120, 1},  {1e-5, 1, 1e-3},         {0, 600, 0.3}};

double Theta(const Profile& p, int k) {
    switch (static_cast<Parameter>(k)) {
    case Parameter::TimeFactor:
        return p.TimeFactor;
    case Parameter::XAccel:
        return 1 / p.X.AccelMmS2;
    case Parameter::ZAccel:
        return 1 / p.Z.AccelMmS2;
    case Parameter::ToolChange:
        return p.ToolChangeS;
    case Parameter::SpindleAccel:
        return 1 / p.SpindleAccelRpmS;
    case Parameter::MCode:
        return p.MCodeS;
    }
    return 0;
}

void SetTheta(Profile& p, int k, double v) {
    switch (static_cast<Parameter>(k)) {
    case Parameter::TimeFactor:
        p.TimeFactor = v;
        break;
    case Parameter::XAccel:
        p.X.AccelMmS2 = 1 / v;
        break;
    case Parameter::ZAccel:
        p.Z.AccelMmS2 = 1 / v;
        break;
    case Parameter::ToolChange:
        p.ToolChangeS = v;
        break;
    case Parameter::SpindleAccel:
        p.SpindleAccelRpmS = 1 / v;
        break;
    case Parameter::MCode:
        p.MCodeS = v;
        break;
    }
}

double Planned(const Measured& m, const Profile& p) {
    return Replay(m.Run, p).Total.Total();
}

// Residuals relative to the measured times: a short program counts as much as a long one.
double SquaredError(const std::vector<const Measured*>& set, const Profile& p) {
    double sum = 0;
    for (const Measured* m : set) {
        const double r = (Planned(*m, p) - m->Seconds) / m->Seconds;
        sum += r * r;
    }
    return sum;
}

// How each program's time changes with each parameter, relative to its measured time.
Columns Slopes(const std::vector<const Measured*>& set, const Profile& p, const std::vector<double>& base,
               const bool* fixed) {
    Columns j(ParameterCount, std::vector<double>(set.size(), 0.0));
    for (int k = 0; k < ParameterCount; ++k) {
        if (fixed[k]) continue;
        const double t = Theta(p, k), h = 1e-4 * std::max(t, 0.1 * Limits[k].Typical);
        Profile q = p;
        SetTheta(q, k, t + h);
        for (size_t i = 0; i < set.size(); ++i)
            j[k][i] = (Planned(*set[i], q) - base[i]) / h / set[i]->Seconds;
    }
    return j;
}

// Gauss-Newton over non-negative least squares steps; gives the iterations taken.
int Fit(const std::vector<const Measured*>& set, Profile& p, const bool* fixed) {
    double error = SquaredError(set, p);
    int iteration = 0;
    for (; iteration < 50; ++iteration) {
        std::vector<double> base(set.size());
        for (size_t i = 0; i < set.size(); ++i)
            base[i] = Planned(*set[i], p);
        const Columns j = Slopes(set, p, base, fixed);
        // Linearised: measured = base + J (theta - theta now); solved for phi = theta - lowest >= 0.
        std::vector<double> b(set.size());
        for (size_t i = 0; i < set.size(); ++i) {
            b[i] = (set[i]->Seconds - base[i]) / set[i]->Seconds;
            for (int k = 0; k < ParameterCount; ++k)
                if (!fixed[k]) b[i] += j[k][i] * (Theta(p, k) - Limits[k].Lo);
        }
        Columns columns;
        std::vector<int> which;
        std::vector<double> norms;
        for (int k = 0; k < ParameterCount; ++k) {
            if (fixed[k]) continue;
            double n = 0;
            for (double v : j[k])
                n += v * v;
            n = std::sqrt(n);
            if (n == 0) continue;
            std::vector<double> c = j[k];
            for (double& v : c)
                v /= n;
            columns.push_back(std::move(c));
            which.push_back(k);
            norms.push_back(n);
        }
        const std::vector<double> phi = NonNegativeLeastSquares(columns, b);
        std::vector<double> target(ParameterCount);
        for (int k = 0; k < ParameterCount; ++k)
            target[k] = Theta(p, k);
        for (size_t c = 0; c < which.size(); ++c)
            target[which[c]] = std::min(Limits[which[c]].Lo + phi[c] / norms[c], Limits[which[c]].Hi);
        // The whole step when it lowers the error, else shorter ones.
        bool better = false;
        double change = 0;
        for (double step = 1; step > 1e-3 && !better; step /= 2) {
            Profile q = p;
            double largest = 0;
            for (int k : which) {
                const double now = Theta(p, k), next = now + step * (target[k] - now);
                SetTheta(q, k, next);
                largest = std::max(largest, std::fabs(next - now) / Limits[k].Typical);
            }
            const double e = SquaredError(set, q);
            if (e <= error) {
                better = true;
                p = q;
                error = e;
                change = largest;
            }
        }
        if (!better || change < 1e-9) break;
    }
    return iteration + 1;
}

} // namespace

const char* ParameterKey(Parameter p) {
    static const char* const keys[ParameterCount] = {"time_factor",      "x_accel",       "z_accel",
                                                     "tool_change_time", "spindle_accel", "m_code_time"};
    return keys[static_cast<int>(p)];
}

double ParameterValue(const Profile& p, Parameter k) {
    const double t = Theta(p, static_cast<int>(k));
    return k == Parameter::XAccel || k == Parameter::ZAccel || k == Parameter::SpindleAccel ? 1 / t : t;
}

std::vector<double> NonNegativeLeastSquares(const Columns& columns, const std::vector<double>& b) {
    const size_t n = columns.size(), m = b.size();
    std::vector<double> x(n, 0.0);
    std::vector<bool> passive(n, false);
    double scale = 0;
    for (double v : b)
        scale = std::max(scale, std::fabs(v));
    for (const auto& c : columns)
        for (double v : c)
            scale = std::max(scale, std::fabs(v));
    const double tolerance = 1e-12 * std::max(scale, 1e-300) * static_cast<double>(m + n);
    const auto gradient = [&] {
        std::vector<double> r = b;
        for (size_t j = 0; j < n; ++j)
            for (size_t i = 0; i < m; ++i)
                r[i] -= columns[j][i] * x[j];
        std::vector<double> w(n, 0.0);
        for (size_t j = 0; j < n; ++j)
            for (size_t i = 0; i < m; ++i)
                w[j] += columns[j][i] * r[i];
        return w;
    };
    for (size_t outer = 0; outer < 3 * n + 3; ++outer) {
        const std::vector<double> w = gradient();
        size_t t = n;
        for (size_t j = 0; j < n; ++j)
            if (!passive[j] && w[j] > tolerance && (t == n || w[j] > w[t])) t = j;
        if (t == n) break; // every free direction would raise the error
        passive[t] = true;
        for (size_t inner = 0; inner < 3 * n + 3; ++inner) {
            std::vector<size_t> idx;
            Columns sub;
            for (size_t j = 0; j < n; ++j)
                if (passive[j]) idx.push_back(j), sub.push_back(columns[j]);
            const std::vector<double> s = LeastSquares(sub, b);
            bool allPositive = true;
            for (double v : s)
                allPositive = allPositive && v > 0;
            if (allPositive) {
                for (size_t c = 0; c < idx.size(); ++c)
                    x[idx[c]] = s[c];
                break;
            }
            // Back along the way to the unconstrained solution until a variable reaches 0.
            double alpha = 1;
            for (size_t c = 0; c < idx.size(); ++c)
                if (s[c] <= 0) alpha = std::min(alpha, x[idx[c]] / (x[idx[c]] - s[c]));
            for (size_t c = 0; c < idx.size(); ++c) {
                x[idx[c]] += alpha * (s[c] - x[idx[c]]);
                if (x[idx[c]] <= 1e-15 * std::max(1.0, std::fabs(s[c])))
                    x[idx[c]] = 0, passive[idx[c]] = false;
            }
        }
    }
    return x;
}

Calibration Calibrate(const std::vector<Measured>& programs, const Profile& start) {
    Calibration c;
    c.Fitted = start;
    std::vector<const Measured*> set;
    for (const Measured& m : programs) {
        if (!(m.Seconds > 0) || !std::isfinite(m.Seconds)) {
            c.Error = m.Name + ": a measured time must be a positive number of seconds";
            return c;
        }
        set.push_back(&m);
    }
    // A parameter no program's time depends on (no M code in any of them, say) keeps its value.
    // Tried far off, as a spindle that is at speed before the first cut still matters at half
    // its acceleration.
    std::vector<double> base(set.size());
    for (size_t i = 0; i < set.size(); ++i)
        base[i] = Planned(*set[i], start);
    int free = 0;
    for (int k = 0; k < ParameterCount; ++k) {
        bool matters = false;
        for (const double scale : {0.5, 2.0, 5.0}) {
            Profile q = start;
            SetTheta(
                q, k,
                std::clamp(std::max(Theta(start, k), Limits[k].Typical) * scale, Limits[k].Lo, Limits[k].Hi));
            for (size_t i = 0; i < set.size() && !matters; ++i)
                matters = std::fabs(Planned(*set[i], q) - base[i]) > 1e-6 * set[i]->Seconds;
        }
        c.Fixed[k] = !matters;
        free += matters ? 1 : 0;
    }
    if (static_cast<int>(set.size()) <= free) {
        c.Error = std::to_string(free) + " parameters cannot be fitted to " + std::to_string(set.size()) +
                  " measured times: give at least " + std::to_string(free + 1) + " programs";
        return c;
    }
    c.Iterations = Fit(set, c.Fitted, c.Fixed);
    for (const Measured* m : set)
        c.Predicted.push_back(Planned(*m, c.Fitted));
    c.LeaveOneOut.assign(set.size(), 0.0);
    if (static_cast<int>(set.size()) - 1 > free)
        for (size_t i = 0; i < set.size(); ++i) {
            std::vector<const Measured*> others = set;
            others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
            Profile p = c.Fitted;
            Fit(others, p, c.Fixed);
            c.LeaveOneOut[i] = Planned(*set[i], p);
        }
    c.Ok = true;
    return c;
}

} // namespace machine
