// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/SectionPainter.h"

#include <QPainter>
#include <QPainterPath>

namespace render {

namespace {

QColor ColorOf(int32_t bgr, int alpha = 255) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, alpha);
}

QPainterPath PathOf(const std::vector<picture::PixelPolygon>& polygons) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const picture::PixelPolygon& o : polygons) {
        if (o.size() < 2) continue;
        path.moveTo(o[0].X, o[0].Y);
        for (size_t i = 1; i < o.size(); ++i)
            path.lineTo(o[i].X, o[i].Y);
        path.closeSubpath();
    }
    return path;
}

QPen PenOf(const picture::SectionPen& pen) {
    return QPen(ColorOf(pen.Color), pen.Width, pen.Dashed ? Qt::DashLine : Qt::SolidLine);
}

} // namespace

void PaintSection(QPainter& p, const picture::SectionDrawing& s, const picture::SectionLook& look) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(PenOf(look.Raw));
    p.drawPath(PathOf(s.Raw));
    p.setPen(PenOf(look.Part));
    p.setBrush(ColorOf(look.PartFill, look.PartFillAlpha));
    p.drawPath(PathOf(s.Part));
    p.setBrush(Qt::NoBrush);
    p.setPen(PenOf(look.Holding));
    p.drawPath(PathOf(s.Holding));
    p.setPen(PenOf(look.Thread));
    p.drawPath(PathOf(s.Threads));
    p.setPen(PenOf(look.NosePath));
    for (const picture::PixelPolygon& o : s.NosePath)
        for (size_t i = 1; i < o.size(); ++i)
            p.drawLine(QPointF(o[i - 1].X, o[i - 1].Y), QPointF(o[i].X, o[i].Y));
    for (const auto& [polygons, pen] :
         {std::pair{&s.Excess, &look.Excess}, std::pair{&s.Gouge, &look.Gouge}}) {
        if (polygons->empty()) continue;
        QPen broad = PenOf(*pen);
        broad.setJoinStyle(Qt::RoundJoin);
        p.setPen(broad);
        p.setBrush(ColorOf(pen->Color));
        p.drawPath(PathOf(*polygons));
    }
    p.restore();
}

} // namespace render
