// SPDX-License-Identifier: GPL-3.0-or-later
#include "PixelLines.h"

#include <QImage>
#include <QtGlobal>
#include <cstdlib>
#include <utility>

// The rules below are those of the raster painter's cosmetic stroker, found by drawing both ways
// and comparing (tests/render/PixelLinesTest.cpp): the line is clipped in floating point to one
// pixel around the picture, its ends are truncated to 1/64 pixel, it is walked along its longer
// axis with 16.16 fixed-point steps along the other, half a pixel added at each end (the square
// cap of the default pen).

namespace render {

namespace {

constexpr int Sub = 64; // 1/64 pixel: the fixed point of the ends

int Fixed(double v) {
    return static_cast<int>(v * 64.);
}

// a / b in 16.16 fixed point, truncated towards zero.
int Slope(int a, int b) {
    if (std::abs(a) > 0x7fff) return static_cast<int>((static_cast<int64_t>(a) * 65536) / b);
    return (a * 65536) / b;
}

// Clips the line to the picture grown by one pixel on each side; false when nothing is left.
// NOTE: the order of the floating-point operations is the painter's own, so that a clipped end
// lands on the same 1/64 pixel.
bool Clip(double& x1, double& y1, double& x2, double& y2, const PixelRows& rows) {
    const double xmin = -1, xmax = rows.Width + 1, ymin = -1, ymax = rows.Height + 1;
    if (x1 < xmin) {
        if (x2 <= xmin) return false;
        y1 += (y2 - y1) / (x2 - x1) * (xmin - x1);
        x1 = xmin;
    } else if (x1 > xmax) {
        if (x2 >= xmax) return false;
        y1 += (y2 - y1) / (x2 - x1) * (xmax - x1);
        x1 = xmax;
    }
    if (x2 < xmin) {
        y2 += (y2 - y1) / (x2 - x1) * (xmin - x2);
        x2 = xmin;
    } else if (x2 > xmax) {
        y2 += (y2 - y1) / (x2 - x1) * (xmax - x2);
        x2 = xmax;
    }
    if (y1 < ymin) {
        if (y2 <= ymin) return false;
        x1 += (x2 - x1) / (y2 - y1) * (ymin - y1);
        y1 = ymin;
    } else if (y1 > ymax) {
        if (y2 >= ymax) return false;
        x1 += (x2 - x1) / (y2 - y1) * (ymax - y1);
        y1 = ymax;
    }
    if (y2 < ymin) {
        x2 += (x2 - x1) / (y2 - y1) * (ymin - y2);
        y2 = ymin;
    } else if (y2 > ymax) {
        x2 += (x2 - x1) / (y2 - y1) * (ymax - y2);
        y2 = ymax;
    }
    return true;
}

void Plot(const PixelRows& rows, int x, int y, uint32_t argb) {
    if (static_cast<unsigned>(x) < static_cast<unsigned>(rows.Width) &&
        static_cast<unsigned>(y) < static_cast<unsigned>(rows.Height))
        rows.Bits[y * rows.Stride + x] = argb;
}

// Walks the line from (a1, b1) to (a2, b2), in 1/64 pixel, along its major axis a; Steep when a
// is y. Each end is pushed out by half a pixel (the square cap of the default pen) and every
// pixel whose centre lies between them is set once.
template <bool Steep, bool Dotted>
void Walk(const PixelRows& rows, int a1, int b1, int a2, int b2, uint32_t argb) {
    bool reversed = false;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
        reversed = true;
    }
    const int step = Slope(b2 - b1, a2 - a1);
    int b = b1 * 1024; // 16.16
    // Half a pixel beyond each end.
    a1 -= Sub / 2;
    a2 += Sub / 2;
    b -= step >> 1;
    int a = (a1 + Sub / 2) >> 6;
    const int end = (a2 + Sub / 2) >> 6;
    if (a == end) return;
    b += ((a * Sub + (step > 0 ? Sub / 2 : 0) - a1) * step) >> 6;
    // The dots: one pixel on, two off, from the line's own start; walked backwards the last
    // pixel visited is that start.
    int phase = reversed ? (end - a - 1) % 3 : 0;
    do {
        if (!Dotted || phase == 0) {
            if (Steep)
                Plot(rows, b >> 16, a, argb);
            else
                Plot(rows, a, b >> 16, argb);
        }
        if (Dotted) phase = phase == 0 ? 2 : phase - 1;
        b += step;
    } while (++a < end);
}

template <bool Dotted> void DrawLine(const PixelRows& rows, const QLineF& line, uint32_t argb) {
    // A line whose ends the painter takes as one point is that point's pixel, dotted or not.
    if (line.p1() == line.p2()) {
        Plot(rows, qRound(line.x1()), qRound(line.y1()), argb);
        return;
    }
    double rx1 = line.x1(), ry1 = line.y1(), rx2 = line.x2(), ry2 = line.y2();
    if (!Clip(rx1, ry1, rx2, ry2, rows)) return;
    const int x1 = Fixed(rx1), y1 = Fixed(ry1), x2 = Fixed(rx2), y2 = Fixed(ry2);
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    // Ends apart but on the same 1/64 pixel set nothing.
    if (dx < dy)
        Walk<true, Dotted>(rows, y1, x1, y2, x2, argb);
    else if (dx != 0)
        Walk<false, Dotted>(rows, x1, y1, x2, y2, argb);
}

} // namespace

PixelRows RowsOf(QImage& image) {
    const QImage::Format f = image.format();
    const bool rgb32 =
        f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 || f == QImage::Format_ARGB32_Premultiplied;
    if (!rgb32 || image.devicePixelRatio() != 1 || image.isNull()) return {};
    PixelRows rows;
    rows.Bits = reinterpret_cast<uint32_t*>(image.bits());
    rows.Stride = image.bytesPerLine() / 4;
    rows.Width = image.width();
    rows.Height = image.height();
    return rows;
}

void DrawPixelLines(const PixelRows& rows, const QLineF* lines, std::size_t count, uint32_t argb,
                    bool dotted) {
    if (!rows.Bits) return;
    for (std::size_t i = 0; i < count; ++i) {
        if (dotted)
            DrawLine<true>(rows, lines[i], argb);
        else
            DrawLine<false>(rows, lines[i], argb);
    }
}

} // namespace render
