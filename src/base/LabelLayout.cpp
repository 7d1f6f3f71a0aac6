#include "base/LabelLayout.h"

#include "base/View.h"

#include <cmath>

namespace motion {

int LabelStride(double tickSpacing, double labelExtent) {
    if (!(tickSpacing > 0) || !std::isfinite(tickSpacing) || !(labelExtent > 0)) return 1;
    static constexpr int Steps[3] = {1, 2, 5};
    for (long decade = 1; decade <= 100000000; decade *= 10)
        for (int s : Steps) {
            const long k = s * decade;
            if (k * tickSpacing >= labelExtent) return static_cast<int>(k);
        }
    return 1000000000;
}

std::vector<Tick> RulerTicks(double step, double low, double high, int maxPerSide) {
    std::vector<Tick> ticks;
    if (!std::isfinite(step) || !std::isfinite(low) || !std::isfinite(high) || !(step > 0)) return ticks;
    long n = 0;
    for (double t = 0; t <= high && n < maxPerSide; t += step, ++n)
        ticks.push_back({t, n});
    n = 0;
    for (double t = -step; t >= low && n < maxPerSide; t -= step, ++n)
        ticks.push_back({t, -(n + 1)});
    return ticks;
}

LabelPlace FreeLabelPlace(const std::vector<TextBox>& placed, double x, double y, double w, double h,
                          double dx, double dy, double step, int maxSteps) {
    auto freeAt = [&](double px, double py) {
        const TextBox box{std::min(px, px + w), std::min(py, py + h), std::max(px, px + w),
                          std::max(py, py + h)};
        for (const TextBox& b : placed)
            if (box.Overlaps(b)) return false;
        return true;
    };
    if (freeAt(x, y)) return {x, y};
    double len = std::hypot(dx, dy);
    // A move without length has no line to follow: the label moves up and down instead.
    if (!(len > 0) || !std::isfinite(len)) dx = 0, dy = 1, len = 1;
    const double ux = dx / len * step, uy = dy / len * step;
    if (!(std::fabs(ux) + std::fabs(uy) > 0)) return {x, y};
    for (int k = 1; k <= maxSteps; ++k)
        for (int sign : {1, -1}) {
            const double px = x + sign * k * ux, py = y + sign * k * uy;
            if (freeAt(px, py)) return {px, py};
        }
    return {x, y};
}

void FitZoomHistory(View& v, double viewportWidth, double viewportHeight) {
    if (!(viewportWidth > 0) || !(viewportHeight > 0)) return;
    ZoomHistory& z = v.Zoom;
    for (int i = 1; i <= z.ZoomLevel && i <= 5; ++i) {
        const double h = z.ZoomHistWidth[i] * viewportHeight / viewportWidth;
        // The vertical centre is half the stored corner sum; a new height keeps it.
        z.ZoomHistHeight[i] = h;
    }
}

} // namespace motion
