// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture of what the viewport shows: the visible quarter of the trace canvas with the two
// ruler strips at their on-screen places. Print and Screen copy both start from it.

#include <QColor>
#include <QImage>
#include <QString>

#include <cstdint>

namespace print {

// Where the canvas sits in the viewport, in pixels. The canvas is four times the viewport in
// each direction; its left and top are zero or negative. The vertical ruler moves vertically
// with the canvas (its top is the canvas top), the horizontal ruler horizontally (its left is
// the canvas left) and sits on the viewport's bottom edge.
struct ViewPositions {
    int ViewportWidth = 0;
    int ViewportHeight = 0;
    int CanvasLeft = 0;
    int CanvasTop = 0;
};

// Composes the viewport's picture (viewport-sized, pixels copied unchanged): the canvas from
// (-CanvasLeft, -CanvasTop) at a quarter of its size; the vertical ruler `xscale` on the left
// edge aligned with the canvas vertically; the horizontal ruler `zscale` on the bottom edge
// aligned with it horizontally. Parts of the rulers' source areas beyond their images are
// left as the canvas shows them.
QImage ComposeViewPicture(const QImage& canvas, const QImage& xscale, const QImage& zscale,
                          const ViewPositions& positions);

// A colour stored the control's way (&HBBGGRR) as a QColor.
QColor ColorFromBgr(int32_t bgr);

// Screen copy's picture: the composed view with a black border just inside its edges and the
// file name near the top-left corner, 12 points, in the tool colour (&HBBGGRR).
QImage ScreenCopyPicture(const QImage& composed, const QString& fileName, int32_t toolColor);

} // namespace print
