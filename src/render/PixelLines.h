// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The path's lines drawn straight into the picture's scanlines: one pixel wide, one opaque colour,
// solid or dotted, exactly the pixels the raster painter sets for the same lines with a cosmetic
// pen of width 0, no antialiasing and no transform. A program of a million blocks draws about as
// many lines, most a few pixels long, and the painter's work per line (clipping, mapping, setting
// up its stroker, blending spans) cost more than the interpreting itself.

#include <QLineF>
#include <cstddef>
#include <cstdint>

class QImage;

namespace render {

// The picture's memory as the lines see it: 32-bit pixels, Stride pixels from one scanline to the
// next.
struct PixelRows {
    uint32_t* Bits = nullptr;
    std::ptrdiff_t Stride = 0;
    int Width = 0, Height = 0;
};

// The rows of an image these lines may be drawn into: one of 32-bit pixels whose device pixel
// ratio is 1; Bits is null for any other.
PixelRows RowsOf(QImage& image);

// Draws the lines in order in `argb` (opaque, as the image stores it), as one drawLines call of
// the painter draws them: along its longer axis a line sets one pixel in each column (or row)
// from that of its start to that of its end, both included, its ends taken at 1/64 pixel; each
// line's dots are counted from its own start (one pixel in three, the first one on). Ends the
// painter takes as one point set that point's pixel. The coordinates must lie within a few
// hundred thousand pixels of the picture (the canvas clips its lines to that).
void DrawPixelLines(const PixelRows& rows, const QLineF* lines, std::size_t count, uint32_t argb,
                    bool dotted);

} // namespace render
