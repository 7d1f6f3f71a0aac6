#include "workbench/StockOverlay.h"

#include <QPainter>
#include <QPainterPath>

namespace workbench {

namespace {

// The outlines in pixels, once for each half of the section; `side` +1 draws the radius toward
// +X, -1 toward -X (the view's mirror decides where that lands).
QPainterPath Halves(const std::vector<stock::Outline>& outlines, const inspect::ViewMap& view,
                    double mmPerUnit) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const double side : {1.0, -1.0})
        for (const stock::Outline& o : outlines) {
            if (o.size() < 2) continue;
            for (size_t i = 0; i < o.size(); ++i) {
                const inspect::Point q = view.ToPixel({side * 2 * o[i].x / mmPerUnit, o[i].z / mmPerUnit});
                if (i == 0)
                    path.moveTo(q.X, q.Y);
                else
                    path.lineTo(q.X, q.Y);
            }
            path.closeSubpath();
        }
    return path;
}

} // namespace

void PaintStockSection(QPainter& p, const inspect::StockSection& section, const inspect::ViewMap& view,
                       bool whiteBackground) {
    const double k = section.MmPerUnit > 0 ? section.MmPerUnit : 1;
    // NOTE: the section lies over the trace, translucent, so that the path shows through it:
    // the canvas is the run's own picture and is never painted into.
    const QColor fill = whiteBackground ? QColor(120, 135, 160, 90) : QColor(150, 165, 190, 80);
    const QColor edge = whiteBackground ? QColor(60, 75, 100) : QColor(190, 205, 225);
    const QColor raw = whiteBackground ? QColor(120, 120, 120) : QColor(140, 140, 140);
    const QColor holding = whiteBackground ? QColor(150, 100, 0) : QColor(235, 190, 70);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(raw, 1, Qt::DashLine));
    p.drawPath(Halves(section.Raw, view, k));
    p.setPen(QPen(edge, 1.2));
    p.setBrush(fill);
    p.drawPath(Halves(section.Part, view, k));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(holding, 1.5));
    p.drawPath(Halves(section.Holding, view, k));
    p.restore();
}

} // namespace workbench
