// SPDX-License-Identifier: GPL-3.0-or-later
#include "workbench/StockOverlay.h"

#include "check/VersionDiff.h"
#include "render/SectionPainter.h"

#include <QPainter>
#include <QPainterPath>

namespace workbench {

void PaintStockSection(QPainter& p, const inspect::StockSection& section, const inspect::ViewMap& view,
                       bool whiteBackground, bool nosePath) {
    // NOTE: the section lies over the trace, translucent, so that the path shows through it:
    // the canvas is the run's own picture and is never painted into.
    picture::SectionDrawing drawing = check::DrawnSection(section, [&view](double x, double z) {
        const inspect::Point q = view.ToPixel({x, z});
        return picture::PixelPoint{q.X, q.Y};
    });
    if (!nosePath) drawing.NosePath.clear();
    render::PaintSection(p, drawing, picture::SectionLookOf(whiteBackground));
}

void PaintVersionRegions(QPainter& p, const check::VersionDiff& diff, const inspect::ViewMap& view,
                         bool whiteBackground) {
    inspect::StockSection regions;
    for (const check::ChangedRegion& r : diff.Regions)
        for (stock::Outline& o : r.Change.Area.Outlines())
            (r.Removed ? regions.Gouge : regions.Excess).push_back(std::move(o));
    const picture::SectionDrawing drawing = check::DrawnSection(regions, [&view](double x, double z) {
        const inspect::Point q = view.ToPixel({x, z});
        return picture::PixelPoint{q.X, q.Y};
    });
    render::PaintSection(p, drawing, picture::SectionLookOf(whiteBackground));
}

namespace {

QColor ColorOf(int32_t bgr, int alpha = 255) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, alpha);
}

} // namespace

void PaintToolShape(QPainter& p, const inspect::ToolOutlines& tool, double x, double z,
                    const inspect::ViewMap& view, bool whiteBackground) {
    // As the stock is cut: the shape about the point (radius X / 2, Z) in millimetres.
    auto path = [&](const std::vector<stock::Outline>& outlines) {
        QPainterPath out;
        out.setFillRule(Qt::OddEvenFill);
        for (const stock::Outline& o : outlines) {
            if (o.size() < 2) continue;
            for (size_t i = 0; i < o.size(); ++i) {
                const inspect::Point q = view.ToPixel({2 * (x / 2 + o[i].x), z + o[i].z});
                i ? out.lineTo(q.X, q.Y) : out.moveTo(q.X, q.Y);
            }
            out.closeSubpath();
        }
        return out;
    };
    const picture::SectionLook look = picture::SectionLookOf(whiteBackground);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ColorOf(look.Holder.Color), look.Holder.Width));
    p.drawPath(path(tool.Holder));
    p.setBrush(ColorOf(look.InsertFill, look.InsertFillAlpha));
    p.setPen(QPen(ColorOf(look.Insert.Color), look.Insert.Width));
    p.drawPath(path(tool.Cutting));
    p.restore();
}

} // namespace workbench
