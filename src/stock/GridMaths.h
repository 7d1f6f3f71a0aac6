// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The grid arithmetic the region code shares between its files (Geometry.cpp: the clips and
// tests; Sweep.cpp: the sweeps): the way into a region's grid paths, and the points' order.
// Only those files include it.

#include "stock/Geometry.h"

#include <polyclipping/clipper.hpp>

#include <cmath>
#include <stdexcept>
#include <string>

namespace stock {

namespace cl = ClipperLib;

struct RegionAccess {
    static cl::Paths ToClipper(const Region& r) {
        cl::Paths out;
        out.reserve(r.Paths.size());
        for (const Region::GridPath& p : r.Paths) {
            cl::Path& q = out.emplace_back();
            q.reserve(p.size());
            for (const Region::GridPoint& g : p)
                q.emplace_back(g.z, g.x);
        }
        return out;
    }
    // The same into `out`, keeping the room its paths had.
    static void ToClipper(const Region& r, cl::Paths& out) {
        out.resize(r.Paths.size());
        for (size_t i = 0; i < r.Paths.size(); ++i) {
            cl::Path& q = out[i];
            q.clear();
            q.reserve(r.Paths[i].size());
            for (const Region::GridPoint& g : r.Paths[i])
                q.emplace_back(g.z, g.x);
        }
    }
    static Region FromClipper(const cl::Paths& paths) {
        Region r;
        r.Paths.reserve(paths.size());
        for (const cl::Path& p : paths) {
            if (p.size() < 3) continue;
            Region::GridPath& q = r.Paths.emplace_back();
            q.reserve(p.size());
            for (const cl::IntPoint& g : p)
                q.push_back({g.X, g.Y});
        }
        return r;
    }
    static void SetConvex(Region& r, bool convex) { r.Convex = convex; }
    // The rectangle as the polygon arithmetic gives it back: counter-clockwise from the corner
    // at the largest Z and radius; written over what `r` held, in the room it had (a tile's
    // material is cut pass after pass).
    static void SetRectangle(Region& r, int64_t z0, int64_t x0, int64_t z1, int64_t x1) {
        r.Paths.resize(1);
        Region::GridPath& p = r.Paths.front();
        p.resize(4);
        p[0] = {z1, x1}, p[1] = {z0, x1}, p[2] = {z0, x0}, p[3] = {z1, x0};
        r.Convex = true;
    }
    static bool IsConvex(const Region& r) { return r.Convex; }
};

// Coordinates far beyond any machine (or no number at all) would overflow the grid; they are
// refused here, so that the polygon library is never handed one.
inline constexpr double FarthestMm = 1e8;

inline int64_t ToGrid(double mm) {
    if (!(std::fabs(mm) <= FarthestMm))
        throw std::range_error("a coordinate of " + std::to_string(mm) + " mm is beyond reach");
    return static_cast<int64_t>(std::llround(mm * GridPerMm));
}

inline double Cross(const Region::GridPoint& o, const Region::GridPoint& a, const Region::GridPoint& b) {
    return static_cast<double>(a.z - o.z) * static_cast<double>(b.x - o.x) -
           static_cast<double>(a.x - o.x) * static_cast<double>(b.z - o.z);
}

inline bool Before(const Region::GridPoint& a, const Region::GridPoint& b) {
    return a.z < b.z || (a.z == b.z && a.x < b.x);
}

// The region of the polygon library's result, its convexity noted.
Region Finish(const cl::Paths& paths);

} // namespace stock
