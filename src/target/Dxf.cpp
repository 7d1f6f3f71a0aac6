// SPDX-License-Identifier: GPL-3.0-or-later
#include "target/Dxf.h"

#include <dl_creationadapter.h>
#include <dl_dxf.h>

#include <cmath>
#include <exception>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>

namespace target {

namespace {

constexpr double Degree = std::numbers::pi / 180;

DrawingPoint OnCircle(double cx, double cy, double r, double a) {
    return {cx + r * std::cos(a), cy + r * std::sin(a)};
}

// The arc of a polyline segment from `a` to `b` whose bulge is `bulge` (the tangent of a quarter
// of its angle, positive counter-clockwise); a straight piece for no bulge.
Piece Straight(DrawingPoint a, DrawingPoint b) {
    Piece p;
    p.From = a, p.To = b;
    return p;
}

Piece Round(DrawingPoint a, DrawingPoint b, DrawingPoint centre, bool clockwise) {
    Piece p = Straight(a, b);
    p.Arc = true;
    p.Centre = centre;
    p.Clockwise = clockwise;
    return p;
}

Piece BulgedPiece(DrawingPoint a, DrawingPoint b, double bulge) {
    Piece p = Straight(a, b);
    const double dx = b.x - a.x, dy = b.y - a.y, chord = std::hypot(dx, dy);
    if (std::fabs(bulge) < 1e-12 || chord == 0) return p;
    // The centre lies on the chord's perpendicular through its middle, (1 - b²) / 2b half
    // chords to the left of it.
    const double d = (1 - bulge * bulge) / (2 * bulge) / 2;
    p.Arc = true;
    p.Clockwise = bulge < 0;
    p.Centre = {(a.x + b.x) / 2 - dy * d, (a.y + b.y) / 2 + dx * d};
    return p;
}

// Collects the curves, leaving out what block definitions hold (a title block, a symbol).
class Collector : public DL_CreationAdapter {
  public:
    explicit Collector(DxfDrawing& out) : Out(out) {}

    void addBlock(const DL_BlockData&) override {
        EndPolyline();
        InBlock = true;
    }
    void endBlock() override {
        EndPolyline();
        InBlock = false;
    }
    // NOTE: a polyline ends with the next entity, block or the end of the file: the library
    // calls endSection and endSequence between the groups of its vertices too.

    void addLine(const DL_LineData& d) override {
        EndPolyline();
        if (InBlock) return;
        Add({Straight({d.x1, d.y1}, {d.x2, d.y2})});
    }
    void addArc(const DL_ArcData& d) override {
        EndPolyline();
        if (InBlock) return;
        const double s = Mirrored() ? -1 : 1;
        const double cx = s * d.cx, a1 = Angle(d.angle1 * Degree), a2 = Angle(d.angle2 * Degree);
        // Seen from behind (a negative extrusion) the arc runs the other way.
        Add({Round(OnCircle(cx, d.cy, d.radius, a1), OnCircle(cx, d.cy, d.radius, a2), {cx, d.cy},
                   Mirrored())});
    }
    void addCircle(const DL_CircleData& d) override {
        EndPolyline();
        if (InBlock) return;
        const double cx = Mirrored() ? -d.cx : d.cx;
        const DrawingPoint start{cx + d.radius, d.cy};
        Piece p = Round(start, start, {cx, d.cy}, false);
        p.FullCircle = true;
        Add({p});
    }
    void addPolyline(const DL_PolylineData& d) override {
        EndPolyline();
        Poly.emplace();
        Poly->Closed = (d.flags & 1) != 0;
        Poly->Layer = attributes.getLayer();
        Poly->Mirrored = Mirrored();
    }
    void addVertex(const DL_VertexData& d) override {
        if (!Poly) return;
        const double s = Poly->Mirrored ? -1 : 1;
        Poly->Points.push_back({s * d.x, d.y});
        Poly->Bulges.push_back(s * d.bulge);
    }
    void setVariableInt(const std::string& key, int value, int) override {
        if (key == "$INSUNITS") Out.InsUnits = value;
    }

    // Whatever else the drawing holds is clutter to the outline.
    void addText(const DL_TextData&) override { Skip(); }
    void addMText(const DL_MTextData&) override { Skip(); }
    void addDimAlign(const DL_DimensionData&, const DL_DimAlignedData&) override { Skip(); }
    void addDimLinear(const DL_DimensionData&, const DL_DimLinearData&) override { Skip(); }
    void addDimRadial(const DL_DimensionData&, const DL_DimRadialData&) override { Skip(); }
    void addDimDiametric(const DL_DimensionData&, const DL_DimDiametricData&) override { Skip(); }
    void addDimAngular(const DL_DimensionData&, const DL_DimAngular2LData&) override { Skip(); }
    void addHatch(const DL_HatchData&) override { Skip(); }
    void addInsert(const DL_InsertData&) override { Skip(); }
    void addSpline(const DL_SplineData&) override { Skip(); }
    void addEllipse(const DL_EllipseData&) override { Skip(); }

    void EndPolyline() {
        if (!Poly) return;
        std::unique_ptr<Polyline> p = std::make_unique<Polyline>(std::move(*Poly));
        Poly.reset();
        if (InBlock || p->Points.size() < 2) return;
        Curve c{p->Layer, {}};
        const size_t n = p->Points.size();
        for (size_t i = 0; i + 1 < n + (p->Closed ? 1 : 0); ++i)
            c.Pieces.push_back(BulgedPiece(p->Points[i], p->Points[(i + 1) % n], p->Bulges[i]));
        Out.Curves.push_back(std::move(c));
    }

  private:
    struct Polyline {
        std::string Layer;
        std::vector<DrawingPoint> Points;
        std::vector<double> Bulges;
        bool Closed = false, Mirrored = false;
    };
    // An entity drawn in a plane seen from below (extrusion 0,0,-1): its x runs the other way.
    bool Mirrored() {
        const DL_Extrusion* e = getExtrusion();
        return e && e->getDirection() && e->getDirection()[2] < 0;
    }
    double Angle(double a) { return Mirrored() ? std::numbers::pi - a : a; }
    void Add(std::vector<Piece> pieces) { Out.Curves.push_back({attributes.getLayer(), std::move(pieces)}); }
    void Skip() {
        EndPolyline();
        if (!InBlock) ++Out.Skipped;
    }
    DxfDrawing& Out;
    bool InBlock = false;
    std::optional<Polyline> Poly;
};

} // namespace

bool ReadDxf(const std::string& bytes, DxfDrawing& out, std::string& why) {
    out = {};
    if (bytes.find("SECTION") == std::string::npos) {
        why = "not a DXF drawing (no SECTION)";
        return false;
    }
    if (bytes.compare(0, 22, "AutoCAD Binary DXF\r\n\x1a") == 0) {
        why = "a binary DXF file; save the drawing as ASCII DXF";
        return false;
    }
    try {
        std::istringstream stream(bytes);
        Collector collector(out);
        DL_Dxf dxf;
        if (!dxf.in(stream, &collector)) {
            why = "the DXF drawing cannot be read";
            return false;
        }
        collector.EndPolyline();
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        why = std::string("the DXF drawing cannot be read: ") + e.what();
        return false;
    }
    return true;
}

} // namespace target
