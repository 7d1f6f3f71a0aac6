// SPDX-License-Identifier: GPL-3.0-or-later
#include "print/ViewPicture.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace print {

namespace {

// Paints the part of `source` (in `image` pixels) that lies inside the image onto the matching
// part of `target`; the scale from source to target is kept for the clipped part.
void PaintPart(QPainter& painter, const QImage& image, const QRectF& source, const QRectF& target) {
    if (image.isNull() || source.isEmpty()) return;
    const QRectF inside = source.intersected(QRectF(image.rect()));
    if (inside.isEmpty()) return;
    const double sx = target.width() / source.width();
    const double sy = target.height() / source.height();
    const QRectF to(target.left() + (inside.left() - source.left()) * sx,
                    target.top() + (inside.top() - source.top()) * sy, inside.width() * sx,
                    inside.height() * sy);
    painter.drawImage(to, image, inside);
}

} // namespace

QImage ComposeViewPicture(const QImage& canvas, const QImage& xscale, const QImage& zscale,
                          const ViewPositions& positions) {
    const int vw = std::max(1, positions.ViewportWidth);
    const int vh = std::max(1, positions.ViewportHeight);
    QImage picture(vw, vh, QImage::Format_RGB32);
    picture.fill(Qt::black);

    // A quarter of the canvas in each direction is what the viewport shows.
    const double quarterW = canvas.width() / 4.0;
    const double quarterH = canvas.height() / 4.0;
    const double left = -positions.CanvasLeft;
    const double top = -positions.CanvasTop;
    const QRectF whole(0, 0, vw, vh);

    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source); // plain copy of the pixels
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    PaintPart(painter, canvas, QRectF(left, top, quarterW, quarterH), whole);
    PaintPart(painter, xscale, QRectF(0, top, quarterW, quarterH), whole);
    const double zTop = vh - zscale.height() * (vh / quarterH);
    PaintPart(painter, zscale, QRectF(left, 0, quarterW, quarterH), QRectF(0, zTop, vw, vh));
    painter.end();
    return picture;
}

QColor ColorFromBgr(int32_t bgr) {
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QImage ScreenCopyPicture(const QImage& composed, const QString& fileName, int32_t toolColor) {
    QImage picture = composed.convertToFormat(QImage::Format_RGB32);
    const int w = picture.width();
    const int h = picture.height();
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // The border's right and bottom sides sit a thousandth of the size inside the edges.
    const int right = std::min(w - 1, int(std::floor(w - 0.001 * w)));
    const int bottom = std::min(h - 1, int(std::floor(h - 0.001 * h)));
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(0, 0), QPoint(right - 1, bottom - 1))); // outline covers 0..right

    // The name's offset from the top is taken from the width, as the operators know it.
    QFont font = painter.font();
    font.setPointSize(12);
    painter.setFont(font);
    painter.setPen(ColorFromBgr(toolColor));
    const QFontMetricsF metrics(font, &picture);
    painter.drawText(QPointF(0.05 * w, 0.005 * w + metrics.ascent()), fileName);
    painter.end();
    return picture;
}

} // namespace print
