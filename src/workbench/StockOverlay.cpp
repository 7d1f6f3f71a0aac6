#include "workbench/StockOverlay.h"

#include "render/SectionPainter.h"

#include <QPainter>

namespace workbench {

void PaintStockSection(QPainter& p, const inspect::StockSection& section, const inspect::ViewMap& view,
                       bool whiteBackground) {
    // NOTE: the section lies over the trace, translucent, so that the path shows through it:
    // the canvas is the run's own picture and is never painted into.
    const picture::SectionDrawing drawing = check::DrawnSection(section, [&view](double x, double z) {
        const inspect::Point q = view.ToPixel({x, z});
        return picture::PixelPoint{q.X, q.Y};
    });
    render::PaintSection(p, drawing, picture::SectionLookOf(whiteBackground));
}

} // namespace workbench
