// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/ViewMap.h"

#include <algorithm>
#include <cmath>

namespace inspect {

ViewMap ViewMap::Of(const motion::Canvas& c, const motion::View& v, bool vertical, double xSign) {
    ViewMap m;
    m.Vertical = vertical;
    m.XSign = xSign < 0 ? -1 : 1;
    m.ScaleLeft = c.ScaleLeft, m.ScaleTop = c.ScaleTop, m.ScaleWidth = c.ScaleWidth,
    m.ScaleHeight = c.ScaleHeight;
    m.CanvasWidth = c.Width, m.CanvasHeight = c.Height;
    m.CanvasLeft = v.CanvasLeft, m.CanvasTop = v.CanvasTop;
    return m;
}

Point ViewMap::ToCanvas(MachinePoint p) const {
    const double r = -(p.X / 2) * XSign;
    if (Vertical) return {r, -p.Z};
    return {p.Z, r};
}

MachinePoint ViewMap::FromCanvas(Point c) const {
    if (Vertical) return {-2 * c.X * XSign, -c.Y};
    return {-2 * c.Y * XSign, c.X};
}

Point ViewMap::CanvasToPixel(Point c) const {
    const double xt = (c.X - ScaleLeft) * CanvasWidth / ScaleWidth + CanvasLeft;
    const double yt = (c.Y - ScaleTop) * CanvasHeight / ScaleHeight + CanvasTop;
    return {xt / Twips, yt / Twips};
}

Point ViewMap::PixelToCanvas(Point px) const {
    const double xt = px.X * Twips, yt = px.Y * Twips;
    return {ScaleLeft + (xt - CanvasLeft) * ScaleWidth / CanvasWidth,
            ScaleTop + (yt - CanvasTop) * ScaleHeight / CanvasHeight};
}

double ViewMap::PixelsPerUnit() const {
    const double across = std::fabs(CanvasWidth / ScaleWidth) / Twips;
    const double down = std::fabs(CanvasHeight / ScaleHeight) / Twips;
    return std::min(across, down);
}

bool ViewMap::Usable() const {
    const double across = CanvasWidth / ScaleWidth, down = CanvasHeight / ScaleHeight;
    return std::isfinite(across) && std::isfinite(down) && across != 0 && down != 0 && Twips > 0 &&
           std::isfinite(ScaleLeft) && std::isfinite(ScaleTop) && std::isfinite(CanvasLeft) &&
           std::isfinite(CanvasTop);
}

} // namespace inspect
