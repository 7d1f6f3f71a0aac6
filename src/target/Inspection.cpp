// SPDX-License-Identifier: GPL-3.0-or-later
#include "target/Inspection.h"

#include "stock/MmText.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <numbers>
#include <optional>

namespace target {

namespace {

using stock::Point;
using stock::Region;

constexpr double Degrees = 180 / std::numbers::pi;
// Pieces whose ends lie this close join, and a line this little off the axis's direction runs
// along it (drawings keep coordinates to a few decimals).
constexpr double Close = 1e-3;
// How far from the drawn surface the section's is looked for (mm, beyond the allowance): a
// diameter left unturned on a bar is still found, the bar behind a part not cut off is not.
constexpr double Reach = 5;

double Distance(Point a, Point b) {
    return std::hypot(a.z - b.z, a.x - b.x);
}

// A size in a feature's or size's name: to a thousandth, as drawings give them (an inch
// drawing's millimetres carry the rounding of its six decimals).
std::string NameText(double mm) {
    return stock::MmText(std::round(mm * 1000) / 1000);
}

std::string AngleText(double degrees) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", degrees);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s + "°";
}

// The edges of a section's outlines but those along the axis, which close it and are no surface.
class Edges {
  public:
    explicit Edges(const Region& r) { Add(r); }
    // The surfaces of `r` too: a probe finds the nearest of either.
    void Add(const Region& r) {
        for (const stock::Outline& o : r.Outlines())
            for (size_t i = 0; i < o.size(); ++i) {
                const Point a = o[i], b = o[(i + 1) % o.size()];
                if (std::fabs(a.x) < 1e-4 && std::fabs(b.x) < 1e-4) continue;
                All.emplace_back(a, b);
            }
        Cells.clear();
    }
    // Whether `p` lies inside the section (even-odd, along Z).
    bool Inside(Point p) const {
        bool in = false;
        for (const auto& [a, b] : All)
            if ((a.x > p.x) != (b.x > p.x) && p.z < a.z + (p.x - a.x) / (b.x - a.x) * (b.z - a.z)) in = !in;
        return in;
    }
    // The nearest crossing of the section's surface on the line through `p` along the unit
    // direction `d`: its distance (negative behind `p`), when within `reach`.
    std::optional<double> Probe(Point p, Point d, double reach) {
        if (Cells.empty()) Index();
        std::optional<double> best;
        const Point a{p.z - reach * d.z, p.x - reach * d.x}, b{p.z + reach * d.z, p.x + reach * d.x};
        const long z0 = Column(std::min(a.z, b.z)), z1 = Column(std::max(a.z, b.z));
        const long x0 = Row(std::min(a.x, b.x)), x1 = Row(std::max(a.x, b.x));
        for (long i = z0; i <= z1; ++i)
            for (long j = x0; j <= x1; ++j)
                for (const size_t k : Cells[static_cast<size_t>(i * Rows + j)]) {
                    const auto& [ea, eb] = All[k];
                    const double ez = eb.z - ea.z, ex = eb.x - ea.x;
                    const double den = d.z * ex - d.x * ez;
                    if (std::fabs(den) < 1e-12) continue;
                    const double wz = ea.z - p.z, wx = ea.x - p.x;
                    const double t = (wz * ex - wx * ez) / den;   // along d
                    const double u = (wz * d.x - wx * d.z) / den; // along the edge
                    if (u < 0 || u > 1 || std::fabs(t) > reach) continue;
                    if (!best || std::fabs(t) < std::fabs(*best)) best = t;
                }
        return best;
    }

  private:
    // The edges by the cells of a grid they cross (their boxes'), so that a probe looks at the
    // few near it: a long program's section has tens of thousands.
    void Index() {
        Bounds = {};
        for (const auto& [a, b] : All)
            Bounds = Bounds.Joined(
                {std::min(a.z, b.z), std::min(a.x, b.x), std::max(a.z, b.z), std::max(a.x, b.x)});
        if (Bounds.Empty()) Bounds = {0, 0, 1, 1};
        Size = std::max({0.25, (Bounds.z1 - Bounds.z0) / 512, (Bounds.x1 - Bounds.x0) / 512});
        Columns = static_cast<long>((Bounds.z1 - Bounds.z0) / Size) + 1;
        Rows = static_cast<long>((Bounds.x1 - Bounds.x0) / Size) + 1;
        Cells.assign(static_cast<size_t>(Columns * Rows), {});
        for (size_t k = 0; k < All.size(); ++k) {
            const auto& [a, b] = All[k];
            for (long i = Column(std::min(a.z, b.z)); i <= Column(std::max(a.z, b.z)); ++i)
                for (long j = Row(std::min(a.x, b.x)); j <= Row(std::max(a.x, b.x)); ++j)
                    Cells[static_cast<size_t>(i * Rows + j)].push_back(k);
        }
    }
    long Column(double z) const {
        return std::clamp(static_cast<long>(std::floor((z - Bounds.z0) / Size)), 0L, Columns - 1);
    }
    long Row(double x) const {
        return std::clamp(static_cast<long>(std::floor((x - Bounds.x0) / Size)), 0L, Rows - 1);
    }
    std::vector<std::pair<Point, Point>> All;
    stock::Box Bounds;
    double Size = 1;
    long Columns = 1, Rows = 1;
    std::vector<std::vector<size_t>> Cells;
};

// --- The drawn pieces made features ---

bool Joined(Point a, Point b) {
    return Distance(a, b) <= Close;
}

// Two lines meeting end to end along one direction become one; so do two arcs of one circle
// turning the same way.
bool Merge(DrawnPiece& a, const DrawnPiece& b) {
    if (a.Arc != b.Arc) return false;
    if (a.Arc && (a.Clockwise != b.Clockwise || !Joined(a.Centre, b.Centre) ||
                  std::fabs(Distance(a.From, a.Centre) - Distance(b.From, b.Centre)) > Close))
        return false;
    const auto along = [](Point from, Point to, Point p) { // p's distance off the line from-to
        const double len = Distance(from, to);
        return len > 0 ? std::fabs((to.z - from.z) * (p.x - from.x) - (to.x - from.x) * (p.z - from.z)) / len
                       : 0;
    };
    const auto lineThrough = [&](Point far0, Point shared, Point far1) {
        const double dot =
            (far0.z - shared.z) * (far1.z - shared.z) + (far0.x - shared.x) * (far1.x - shared.x);
        return dot < 0 && along(far0, shared, far1) <= 1e-4;
    };
    if (a.Arc) { // an arc goes on where the other ends
        if (Joined(a.To, b.From)) return a.To = b.To, true;
        if (Joined(b.To, a.From)) return a.From = b.From, true;
        return false;
    }
    const std::array<std::pair<Point, Point>, 4> ends = {
        {{a.From, b.From}, {a.From, b.To}, {a.To, b.From}, {a.To, b.To}}};
    for (size_t k = 0; k < ends.size(); ++k) {
        if (!Joined(ends[k].first, ends[k].second)) continue;
        const Point farA = k < 2 ? a.To : a.From, farB = k % 2 == 0 ? b.To : b.From;
        if (!lineThrough(farA, ends[k].first, farB)) return false;
        a.From = farA, a.To = farB;
        return true;
    }
    return false;
}

std::vector<DrawnPiece> Merged(std::vector<DrawnPiece> pieces) {
    // The pieces by where their ends lie, each grown along its neighbours until none joins it:
    // a drawing of thousands of short lines is merged in one pass.
    using Cell = std::pair<long long, long long>;
    const auto cell = [](Point p) {
        return Cell{static_cast<long long>(std::floor(p.z / Close)),
                    static_cast<long long>(std::floor(p.x / Close))};
    };
    std::map<Cell, std::vector<size_t>> at;
    const auto add = [&](size_t i) {
        for (const Point p : {pieces[i].From, pieces[i].To})
            at[cell(p)].push_back(i);
    };
    for (size_t i = 0; i < pieces.size(); ++i)
        add(i);
    std::vector<bool> gone(pieces.size(), false);
    const auto joinOne = [&](size_t i) {
        for (const Point end : {pieces[i].From, pieces[i].To}) {
            const Cell c = cell(end);
            for (long long dz = -1; dz <= 1; ++dz)
                for (long long dx = -1; dx <= 1; ++dx) {
                    const auto it = at.find({c.first + dz, c.second + dx});
                    if (it == at.end()) continue;
                    for (const size_t j : it->second)
                        if (j != i && !gone[j] && Merge(pieces[i], pieces[j])) {
                            gone[j] = true;
                            add(i);
                            return true;
                        }
                }
        }
        return false;
    };
    std::vector<DrawnPiece> out;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (gone[i]) continue;
        while (joinOne(i)) {
        }
        gone[i] = true; // done: joined to nothing further
        out.push_back(pieces[i]);
    }
    return out;
}

// A band of the general tolerance: the nominal's row in the class's column.
double FromTable(const double* upTo, const double (*rows)[4], size_t n, char general, double value) {
    const int column = general == 'f' ? 0 : general == 'c' ? 2 : general == 'v' ? 3 : 1;
    size_t row = 0;
    while (row + 1 < n && value > upTo[row])
        ++row;
    // The classes give no value for some rows (fine above 2000 mm, very coarse under 3 mm): the
    // nearest row that has one.
    for (size_t r = row; r < n; ++r)
        if (rows[r][column] > 0) return rows[r][column];
    for (size_t r = row; r-- > 0;)
        if (rows[r][column] > 0) return rows[r][column];
    return 0;
}

struct Probed {
    std::vector<Point> At; // the section's surface points found
    size_t Tried = 0;
};

// The middle of a span: a tenth off each end, clear of the corners and radii it meets.
constexpr double Margin = 0.1;

int Samples(double length) {
    return std::clamp(static_cast<int>(length / 0.05), 5, 400);
}

// The section's surface along the drawn line `from`–`to` (the middle of it), probed along the
// normal `n`.
Probed AlongLine(Edges& e, Point from, Point to, Point n, double reach) {
    Probed out;
    const int k = Samples(Distance(from, to));
    for (int i = 0; i <= k; ++i) {
        const double t = Margin + (1 - 2 * Margin) * i / k;
        const Point p{from.z + t * (to.z - from.z), from.x + t * (to.x - from.x)};
        ++out.Tried;
        if (const std::optional<double> d = e.Probe(p, n, reach))
            out.At.push_back({p.z + *d * n.z, p.x + *d * n.x});
    }
    return out;
}

// The angle an arc turns through from its start (negative clockwise).
double SweepOf(const DrawnPiece& arc) {
    const double a0 = std::atan2(arc.From.x - arc.Centre.x, arc.From.z - arc.Centre.z);
    const double a1 = std::atan2(arc.To.x - arc.Centre.x, arc.To.z - arc.Centre.z);
    double sweep = a1 - a0;
    const double turn = 2 * std::numbers::pi;
    if (arc.Clockwise) {
        while (sweep > 0)
            sweep -= turn;
    } else {
        while (sweep < 0)
            sweep += turn;
    }
    return sweep;
}

// The section's surface along the drawn arc (the middle of its sweep), probed from its centre.
Probed AlongArc(Edges& e, const DrawnPiece& arc, double radius, double reach) {
    Probed out;
    const double a0 = std::atan2(arc.From.x - arc.Centre.x, arc.From.z - arc.Centre.z);
    const double sweep = SweepOf(arc);
    const int k = Samples(std::fabs(sweep) * radius);
    for (int i = 0; i <= k; ++i) {
        const double a = a0 + sweep * (Margin + (1 - 2 * Margin) * i / k);
        const Point n{std::cos(a), std::sin(a)};
        const Point p{arc.Centre.z + radius * n.z, arc.Centre.x + radius * n.x};
        ++out.Tried;
        if (p.x < 0) continue;
        if (const std::optional<double> d = e.Probe(p, n, reach))
            out.At.push_back({p.z + *d * n.z, p.x + *d * n.x});
    }
    return out;
}

// The points' mean (Z, X).
std::pair<double, double> Mean(const std::vector<Point>& pts) {
    double mz = 0, mx = 0;
    for (const Point p : pts)
        mz += p.z, mx += p.x;
    return {mz / static_cast<double>(pts.size()), mx / static_cast<double>(pts.size())};
}

// A circle through the points by least squares (the algebraic fit): its centre and radius.
std::optional<std::pair<Point, double>> FitCircle(const std::vector<Point>& pts) {
    if (pts.size() < 3) return std::nullopt;
    const auto [mz, mx] = Mean(pts);
    double suu = 0, svv = 0, suv = 0, suuu = 0, svvv = 0, suvv = 0, svuu = 0;
    for (const Point p : pts) {
        const double u = p.z - mz, v = p.x - mx;
        suu += u * u, svv += v * v, suv += u * v;
        suuu += u * u * u, svvv += v * v * v, suvv += u * v * v, svuu += v * u * u;
    }
    const double det = suu * svv - suv * suv;
    if (std::fabs(det) < 1e-18) return std::nullopt;
    const double b0 = (suuu + suvv) / 2, b1 = (svvv + svuu) / 2;
    const double uc = (b0 * svv - b1 * suv) / det, vc = (b1 * suu - b0 * suv) / det;
    const double r = std::sqrt(uc * uc + vc * vc + (suu + svv) / static_cast<double>(pts.size()));
    return std::make_pair(Point{uc + mz, vc + mx}, r);
}

// A line through the points by least squares (the principal direction): a point and a unit
// direction.
std::optional<std::pair<Point, Point>> FitLine(const std::vector<Point>& pts) {
    if (pts.size() < 2) return std::nullopt;
    const auto [mz, mx] = Mean(pts);
    double szz = 0, sxx = 0, szx = 0;
    for (const Point p : pts)
        szz += (p.z - mz) * (p.z - mz), sxx += (p.x - mx) * (p.x - mx), szx += (p.z - mz) * (p.x - mx);
    const double a = 0.5 * std::atan2(2 * szx, szz - sxx);
    return std::make_pair(Point{mz, mx}, Point{std::cos(a), std::sin(a)});
}

SheetSize Size(SheetSize::Kind kind, std::string name, double nominal, double band) {
    SheetSize s;
    s.Type = kind;
    s.Name = std::move(name);
    s.Nominal = nominal;
    s.Plus = s.Minus = band;
    return s;
}

// The size measured: the extreme farthest from the nominal decides.
void Measure(SheetSize& s, double low, double high) {
    s.Measured = true;
    s.Min = low, s.Max = high;
    s.Simulated = std::fabs(high - s.Nominal) > std::fabs(low - s.Nominal) ? high : low;
    s.Deviation = s.Simulated - s.Nominal;
}

void MeasureAll(SheetSize& s, const std::vector<double>& values) {
    if (values.empty()) return;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    Measure(s, *low, *high);
}

// A drawn feature before it is measured: its piece and which way its material lies.
struct Drawn {
    SheetFeature Feature;
    DrawnPiece Piece;      // as drawn, the allowance not applied
    Point Out;             // a line's unit normal out of the material
    double DrawnSize = 0;  // the drawing's own number: a diameter, Z, radius or angle
    double Length = 0;     // of the piece
    bool BackFace = false; // the face at the back of the drawn part, where the bar goes on
};

std::vector<Drawn> Recognised(const Target& drawn) {
    std::vector<Drawn> out;
    if (drawn.Pieces.empty()) return out;
    const Edges material(drawn.Section);
    const char general = drawn.Options.General;
    const double allowance = drawn.Options.Allowance;
    const double back = drawn.Section.Bounds().z0;
    for (const DrawnPiece& p : Merged(drawn.Pieces)) {
        Drawn d;
        d.Piece = p;
        SheetFeature& f = d.Feature;
        if (p.Arc) {
            const double r = Distance(p.From, p.Centre);
            if (r < Close) continue;
            const double sweep = SweepOf(p);
            const double mid = std::atan2(p.From.x - p.Centre.x, p.From.z - p.Centre.z) + sweep / 2;
            const Point n{std::cos(mid), std::sin(mid)};
            const Point onArc{p.Centre.z + r * n.z, p.Centre.x + r * n.x};
            // A round has its material towards its centre, a fillet away from it.
            const double step = std::min(0.01, r / 10);
            f.Fillet = !material.Inside({onArc.z - step * n.z, onArc.x - step * n.x});
            f.Type = SheetFeature::Kind::Radius;
            f.Centre = p.Centre;
            f.Inside = n.x < 0 ? !f.Fillet : f.Fillet; // facing the axis
            const double nominal = std::max(0.0, f.Fillet ? r - allowance : r + allowance);
            // Where it starts: a part has many radii of one size.
            f.Name = "R" + NameText(r) + (f.Fillet ? " fillet" : " round") + " at Z" +
                     NameText(std::max(p.From.z, p.To.z));
            f.Sizes.push_back(Size(SheetSize::Kind::Radius, "R", nominal, GeneralRadius(general, nominal)));
            d.DrawnSize = r;
            d.Length = r * std::fabs(sweep);
        } else {
            const double dz = p.To.z - p.From.z, dx = p.To.x - p.From.x, len = std::hypot(dz, dx);
            if (len < Close) continue; // no surface to measure
            d.Length = len;
            Point n{-dx / len, dz / len}; // to the left
            const Point mid{(p.From.z + p.To.z) / 2, (p.From.x + p.To.x) / 2};
            const double step = std::min(0.01, len / 10);
            if (material.Inside({mid.z + step * n.z, mid.x + step * n.x})) n = {-n.z, -n.x};
            d.Out = n;
            const Point shift{allowance * n.z, allowance * n.x};
            // Within a hundredth of a degree of the axis or square to it: a diameter or a face
            // (a drawing's rounding, or a profile's fitted lines, tilt them that little).
            constexpr double square = 1.75e-4;
            if (std::fabs(dx) <= 1e-4 + square * len) {
                if (mid.x < Close) continue; // along the axis
                f.Type = SheetFeature::Kind::Diameter;
                f.Inside = n.x < 0;
                const double nominal = 2 * (mid.x + shift.x);
                d.DrawnSize = 2 * mid.x;
                f.Name = (f.Inside ? "bore D" : "D") + NameText(2 * mid.x);
                f.Sizes.push_back(
                    Size(SheetSize::Kind::Diameter, "D", nominal, GeneralLinear(general, nominal)));
            } else if (std::fabs(dz) <= 1e-4 + square * len) {
                f.Type = SheetFeature::Kind::Face;
                const double nominal = mid.z + shift.z;
                d.DrawnSize = mid.z;
                d.BackFace = n.z < 0 && std::fabs(mid.z - back) < Close;
                f.Name = "face Z" + NameText(mid.z);
                f.Sizes.push_back(
                    Size(SheetSize::Kind::Z, "Z", nominal, GeneralLinear(general, std::fabs(nominal))));
            } else {
                f.Type = SheetFeature::Kind::Cone;
                f.Inside = n.x < 0;
                const double angle = std::atan2(std::fabs(dx), std::fabs(dz)) * Degrees;
                d.DrawnSize = angle;
                f.Name = std::string(f.Inside ? "inside cone " : "cone ") + AngleText(angle);
                f.Sizes.push_back(Size(SheetSize::Kind::Angle, "angle", angle, GeneralAngle(general, len)));
                // Its ends: the diameter at each end's Z on a cone flatter than 45°, the Z at each
                // end's diameter on a steeper one. A chamfer (no leg over 6 mm) is held to the
                // table for chamfer heights.
                const bool chamfer = std::max(std::fabs(dz), std::fabs(dx)) <= 6;
                for (const Point end : {p.From, p.To}) {
                    const Point e{end.z + shift.z, end.x + shift.x};
                    if (std::fabs(dx) <= std::fabs(dz)) {
                        const double band =
                            chamfer ? GeneralRadius(general, std::fabs(dx)) : GeneralLinear(general, 2 * e.x);
                        f.Sizes.push_back(
                            Size(SheetSize::Kind::Diameter, "D at Z" + NameText(e.z), 2 * e.x, band));
                    } else {
                        const double band = chamfer ? GeneralRadius(general, std::fabs(dz))
                                                    : GeneralLinear(general, std::fabs(e.z));
                        f.Sizes.push_back(Size(SheetSize::Kind::Z, "Z at D" + NameText(2 * e.x), e.z, band));
                    }
                }
            }
        }
        // Front end first.
        f.From = p.From, f.To = p.To;
        if (f.To.z > f.From.z || (f.To.z == f.From.z && f.To.x > f.From.x)) std::swap(f.From, f.To);
        out.push_back(std::move(d));
    }
    std::stable_sort(out.begin(), out.end(), [](const Drawn& a, const Drawn& b) {
        const double za = (a.Feature.From.z + a.Feature.To.z) / 2,
                     zb = (b.Feature.From.z + b.Feature.To.z) / 2;
        if (std::fabs(za - zb) > 1e-9) return za > zb;
        return a.Feature.From.x > b.Feature.From.x;
    });
    return out;
}

// The setup's own tolerance for the feature, when one of its entries picks it.
void ApplySetup(Drawn& d, const std::vector<FeatureTolerance>& entries, std::vector<bool>* used = nullptr) {
    constexpr double pick = 0.01;
    SheetFeature& f = d.Feature;
    const bool diameter = f.Type == SheetFeature::Kind::Diameter || f.Type == SheetFeature::Kind::Thread;
    for (size_t k = 0; k < entries.size(); ++k) {
        const FeatureTolerance& e = entries[k];
        if (e.Diameter && !(diameter && std::fabs(*e.Diameter - d.DrawnSize) <= pick)) continue;
        if (e.Radius && !(f.Type == SheetFeature::Kind::Radius && std::fabs(*e.Radius - d.DrawnSize) <= pick))
            continue;
        if (e.Angle && !(f.Type == SheetFeature::Kind::Cone && std::fabs(*e.Angle - d.DrawnSize) <= pick))
            continue;
        if (e.Z) {
            const double z0 = std::min(d.Piece.From.z, d.Piece.To.z),
                         z1 = std::max(d.Piece.From.z, d.Piece.To.z);
            if (*e.Z < z0 - pick || *e.Z > z1 + pick) continue;
        }
        f.Sizes.front().Plus = e.Plus;
        f.Sizes.front().Minus = e.Minus;
        f.SetupLine = e.Line;
        if (used) (*used)[k] = true;
        return;
    }
}

void Judge(SheetFeature& f) {
    f.Ok = !f.Sizes.empty();
    for (SheetSize& s : f.Sizes) {
        // Half a ten-thousandth to spare: the sizes are reported to four decimals.
        s.Ok = s.Measured && s.Deviation <= s.Plus + 5e-5 && s.Deviation >= -s.Minus - 5e-5;
        f.Ok = f.Ok && s.Ok;
    }
}

std::vector<double> Coordinates(const std::vector<Point>& pts, bool radius) {
    std::vector<double> v;
    v.reserve(pts.size());
    for (const Point p : pts)
        v.push_back(radius ? 2 * p.x : p.z);
    return v;
}

const char* const NoSurface = "no surface of the section within 5 mm";

// The thread zone a drawn diameter lies on, when threads were cut there.
const stock::Box* ThreadOn(const Drawn& d, const std::vector<stock::Box>& zones) {
    if (d.Feature.Type != SheetFeature::Kind::Diameter) return nullptr;
    const double r = d.Piece.From.x;
    const double z0 = std::min(d.Piece.From.z, d.Piece.To.z), z1 = std::max(d.Piece.From.z, d.Piece.To.z);
    for (const stock::Box& zone : zones) {
        const double overlap = std::min(z1, zone.z1) - std::max(z0, zone.z0);
        if (overlap <= std::min(0.5, (z1 - z0) / 2)) continue;
        // An outside thread's passes run below the crest, an inside one's above it.
        if (!d.Feature.Inside && zone.x0 < r - Close && zone.x0 > r - Reach) return &zone;
        if (d.Feature.Inside && zone.x1 > r + Close && zone.x1 < r + Reach) return &zone;
    }
    return nullptr;
}

// The radius of a thin line drawn along the thread from `z0` to `z1` (most of it) between its
// crest radius and a thread's depth below it (above it inside), the nearest the crest.
std::optional<double> RootLine(const std::vector<DrawnPiece>& thin, double crest, double z0, double z1,
                               bool inside) {
    // The deepest thread a lathe cuts: 4 mm on the radius (a 6 mm pitch), no more than a fifth
    // of the radius (a centre line is no root).
    const double depth = std::min(4.0, crest / 5);
    std::optional<double> best;
    for (const DrawnPiece& p : thin) {
        const double r = p.From.x;
        const double below = inside ? r - crest : crest - r;
        if (below <= Close || below > depth) continue;
        const double overlap =
            std::min(z1, std::max(p.From.z, p.To.z)) - std::max(z0, std::min(p.From.z, p.To.z));
        if (overlap < (z1 - z0) / 2) continue;
        if (!best || std::fabs(r - crest) < std::fabs(*best - crest)) best = r;
    }
    return best;
}

} // namespace

bool SheetFeature::Measured() const {
    return !Sizes.empty() &&
           std::all_of(Sizes.begin(), Sizes.end(), [](const SheetSize& s) { return s.Measured; });
}

size_t Sheet::NotOk() const {
    return static_cast<size_t>(std::count_if(Features.begin(), Features.end(),
                                             [](const SheetFeature& f) { return f.Measured() && !f.Ok; }));
}

double GeneralLinear(char general, double nominal) {
    static constexpr double upTo[] = {3, 6, 30, 120, 400, 1000, 2000, 4000};
    static constexpr double rows[][4] = {{0.05, 0.1, 0.2, 0},   {0.05, 0.1, 0.3, 0.5}, {0.1, 0.2, 0.5, 1},
                                         {0.15, 0.3, 0.8, 1.5}, {0.2, 0.5, 1.2, 2.5},  {0.3, 0.8, 2, 4},
                                         {0.5, 1.2, 3, 6},      {0, 2, 4, 8}};
    return FromTable(upTo, rows, std::size(upTo), general, nominal);
}

double GeneralRadius(char general, double nominal) {
    static constexpr double upTo[] = {3, 6, 1e9};
    static constexpr double rows[][4] = {{0.2, 0.2, 0.4, 0.4}, {0.5, 0.5, 1, 1}, {1, 1, 2, 2}};
    return FromTable(upTo, rows, std::size(upTo), general, nominal);
}

double GeneralAngle(char general, double side) {
    static constexpr double upTo[] = {10, 50, 120, 400, 1e9};
    constexpr double m = 1.0 / 60; // a minute of arc
    static constexpr double rows[][4] = {{1, 1, 1.5, 3},
                                         {30 * m, 30 * m, 1, 2},
                                         {20 * m, 20 * m, 30 * m, 1},
                                         {10 * m, 10 * m, 15 * m, 30 * m},
                                         {5 * m, 5 * m, 10 * m, 20 * m}};
    return FromTable(upTo, rows, std::size(upTo), general, side);
}

std::vector<SheetFeature> FeaturesOf(const Target& drawn) {
    std::vector<SheetFeature> out;
    for (Drawn& d : Recognised(drawn)) {
        ApplySetup(d, drawn.Options.Features);
        out.push_back(std::move(d.Feature));
    }
    return out;
}

Sheet InspectionOf(const Region& part, const Target& drawn, const ThreadCuts& threads) {
    Sheet sheet;
    sheet.General = drawn.Options.General;
    sheet.Allowance = drawn.Options.Allowance;
    std::vector<Drawn> features = Recognised(drawn);
    if (features.empty()) return sheet;
    std::vector<bool> used(drawn.Options.Features.size(), false);
    // Where a thread ran, everything but its root is measured on the surface nearest the drawn
    // one of the section before and after the passes: a chamfer or face drawn through a thread is
    // the one turned before it, one drawn at the thread's root (a program's own profile) the root.
    Edges surface(part);
    if (!threads.Zones.empty()) surface.Add(WithThreadCrests(part, threads));
    std::optional<Edges> grooves;
    std::optional<Edges> crests;
    const double reach = Reach + std::fabs(drawn.Options.Allowance);
    const double allowance = drawn.Options.Allowance;
    for (Drawn& d : features) {
        SheetFeature& f = d.Feature;
        const Point grown{d.Piece.From.z + allowance * d.Out.z, d.Piece.From.x + allowance * d.Out.x};
        const Point grownTo{d.Piece.To.z + allowance * d.Out.z, d.Piece.To.x + allowance * d.Out.x};
        if (const stock::Box* zone = ThreadOn(d, threads.Zones)) {
            // A thread: its crest on the section before the passes, its root where they went.
            f.Type = SheetFeature::Kind::Thread;
            f.Name = (f.Inside ? "inside thread D" : "thread D") + NameText(d.DrawnSize);
            f.Sizes.front().Name = "crest D";
            const double root = f.Inside ? zone->x1 : zone->x0;
            const double z0 = std::max(std::min(grown.z, grownTo.z), zone->z0);
            const double z1 = std::min(std::max(grown.z, grownTo.z), zone->z1);
            // The root against the drawing's thin root line, when it has one over the thread;
            // otherwise against the depth the passes go to.
            const std::optional<double> drawnRoot = RootLine(drawn.Thin, d.Piece.From.x, z0, z1, f.Inside);
            const double nominalRoot = drawnRoot ? *drawnRoot + (f.Inside ? allowance : -allowance) : root;
            f.Sizes.push_back(Size(SheetSize::Kind::MinorDiameter, "root D", 2 * nominalRoot,
                                   GeneralLinear(drawn.Options.General, 2 * nominalRoot)));
            if (!threads.Before.Empty()) {
                if (!crests) crests.emplace(threads.Before);
                MeasureAll(
                    f.Sizes[0],
                    Coordinates(AlongLine(*crests, {z1, grown.x}, {z0, grown.x}, d.Out, reach).At, true));
            } else {
                f.Note = "the crest is not known: the section before the thread was not kept";
            }
            if (!grooves) grooves.emplace(part);
            const Probed root_ = AlongLine(*grooves, {z1, root}, {z0, root}, d.Out, reach);
            MeasureAll(f.Sizes[1], Coordinates(root_.At, true));
            if (f.Note.empty())
                f.Note = drawnRoot ? "root against the drawing's root line"
                                   : "root against the depth the passes go to";
        } else if (f.Type == SheetFeature::Kind::Diameter || f.Type == SheetFeature::Kind::Face) {
            const bool diameter = f.Type == SheetFeature::Kind::Diameter;
            const Probed p = AlongLine(surface, grown, grownTo, d.Out, reach);
            MeasureAll(f.Sizes.front(), Coordinates(p.At, diameter));
            // Half the span or more without a surface: not measured (a back face where the bar
            // goes on into the chuck).
            if (p.At.size() * 2 < p.Tried) f.Sizes.front().Measured = false;
            if (!f.Sizes.front().Measured)
                f.Note = d.BackFace ? "the part is not cut off at its back face" : NoSurface;
        } else if (f.Type == SheetFeature::Kind::Cone) {
            const Probed p = AlongLine(surface, grown, grownTo, d.Out, reach);
            const std::optional<std::pair<Point, Point>> line = FitLine(p.At);
            if (line && p.At.size() * 2 >= p.Tried) {
                const auto [at, dir] = *line;
                const double angle = std::atan2(std::fabs(dir.x), std::fabs(dir.z)) * Degrees;
                Measure(f.Sizes[0], angle, angle);
                for (size_t k = 1; k < f.Sizes.size(); ++k) {
                    SheetSize& s = f.Sizes[k];
                    double v = 0;
                    if (s.Type == SheetSize::Kind::Diameter) { // the fitted line's radius at the end's Z
                        const Point end = k == 1 ? grown : grownTo;
                        v = 2 * (at.x + (end.z - at.z) * dir.x / dir.z);
                    } else { // its Z at the end's radius
                        const Point end = k == 1 ? grown : grownTo;
                        v = at.z + (end.x - at.x) * dir.z / dir.x;
                    }
                    Measure(s, v, v);
                }
            } else {
                f.Note = NoSurface;
            }
        } else { // a radius: a circle fitted to the section's surface over the middle of the arc
            const double r = f.Sizes.front().Nominal;
            const Probed p = AlongArc(surface, d.Piece, r, reach);
            const std::optional<std::pair<Point, double>> fit = FitCircle(p.At);
            if (fit && p.At.size() * 2 >= p.Tried)
                Measure(f.Sizes.front(), fit->second, fit->second);
            else
                f.Note = NoSurface;
        }
        ApplySetup(d, drawn.Options.Features, &used);
        Judge(f);
        sheet.Features.push_back(std::move(f));
    }
    for (size_t k = 0; k < used.size(); ++k)
        if (!used[k]) sheet.Unmatched.push_back(drawn.Options.Features[k].Line);
    return sheet;
}

Region WithThreadCrests(const Region& part, const ThreadCuts& threads, const Region* within) {
    if (threads.Zones.empty() || threads.Before.Empty()) return part;
    const stock::Box b = threads.Before.Bounds();
    Region out = part;
    for (const stock::Box& zone : threads.Zones) {
        // The flanks of the tool reach past the passes' ends along Z by up to the thread's depth.
        const Region column = threads.Before.Intersect(Region::Rectangle(zone.z0, 0, zone.z1, b.x1 + 1));
        const double depth = column.Empty() ? 0 : std::max(0.0, column.Bounds().x1 - zone.x0);
        Region crests =
            threads.Before.Intersect(Region::Rectangle(zone.z0 - depth, zone.x0, zone.z1 + depth, b.x1 + 1));
        if (within) crests = crests.Intersect(*within);
        out = out.Union(crests);
    }
    return out;
}

} // namespace target
