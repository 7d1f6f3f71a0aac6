// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/ReportPicture.h"

#include "check/HtmlReport.h"
#include "motion/ClipLine.h"
#include "motion/SvgCanvas.h"

#include <algorithm>
#include <cmath>

namespace check {

namespace {

constexpr double TwipsPerPixel = motion::SvgCanvas::TwipsPerPixel;
constexpr double TwoPi = 6.283185307179586;
// Steps along an arc at most: an arc far larger than the picture is sampled where it could show.
constexpr int64_t MostArcSteps = 1 << 16;

} // namespace

void ReportPicture::Resize(double widthTwips, double heightTwips) {
    Canvas::Resize(widthTwips, heightTwips);
    Columns = std::clamp(static_cast<int>(std::lround(widthTwips / TwipsPerPixel)), 1, 8000);
    Rows = std::clamp(static_cast<int>(std::lround(heightTwips / TwipsPerPixel)), 1, 8000);
    Pixels.assign(static_cast<size_t>(Columns) * static_cast<size_t>(Rows), 0);
}

uint16_t ReportPicture::Ink(int32_t color) {
    const auto it = std::find(Palette.begin(), Palette.end(), color);
    if (it != Palette.end()) return static_cast<uint16_t>(it - Palette.begin() + 1);
    if (Palette.size() >= 0xFFFF) return static_cast<uint16_t>(Palette.size()); // never with a lathe's tools
    Palette.push_back(color);
    return static_cast<uint16_t>(Palette.size());
}

double ReportPicture::PixelX(double x) const {
    return (x - ScaleLeft) * Width / ScaleWidth / TwipsPerPixel;
}
double ReportPicture::PixelY(double y) const {
    return (y - ScaleTop) * Height / ScaleHeight / TwipsPerPixel;
}

void ReportPicture::Paint(double x, double y, int32_t color, int64_t step) {
    if (Style == motion::DrawStyle::Dot && step % 3 != 0) return;
    const double fx = std::floor(x), fy = std::floor(y);
    if (!(fx >= 0 && fy >= 0 && fx < Columns && fy < Rows)) return; // also NaN
    Pixels[static_cast<size_t>(fy) * static_cast<size_t>(Columns) + static_cast<size_t>(fx)] = Ink(color);
}

void ReportPicture::Line(double x1, double y1, double x2, double y2, int32_t color) {
    CurrentX = x2, CurrentY = y2;
    double a = PixelX(x1), b = PixelY(y1), c = PixelX(x2), d = PixelY(y2);
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(d)) return;
    if (!motion::ClipLine(a, b, c, d, -1, Columns + 1, -1, Rows + 1)) return;
    // A step of less than a pixel along the longer axis, the samples between pixel edges: on an
    // edge, rounding would miss a pixel now and then.
    const int64_t steps = static_cast<int64_t>(std::ceil(std::max(std::fabs(c - a), std::fabs(d - b)))) + 1;
    for (int64_t i = 0; i < steps; ++i) {
        const double t = (static_cast<double>(i) + 0.5) / static_cast<double>(steps);
        Paint(a + (c - a) * t, b + (d - b) * t, color, i);
    }
}

void ReportPicture::PSet(double x, double y, int32_t color) {
    CurrentX = x, CurrentY = y;
    Paint(PixelX(x), PixelY(y), color, 0);
}

void ReportPicture::Circle(double cx, double cy, double r, int32_t color, bool full, double start,
                           double end) {
    const double x = PixelX(cx), y = PixelY(cy);
    const double rx = std::fabs(r * Width / ScaleWidth / TwipsPerPixel);
    const double ry = std::fabs(r * Height / ScaleHeight / TwipsPerPixel);
    if (!std::isfinite(x + y + rx + ry)) return;
    if (x + rx < -1 || x - rx > Columns + 1 || y + ry < -1 || y - ry > Rows + 1) return;
    double span = full ? TwoPi : std::fmod(end - start, TwoPi);
    if (span < 0) span += TwoPi;
    // Counter-clockwise on screen: y grows downwards.
    const int64_t steps =
        std::clamp(static_cast<int64_t>(std::ceil(span * std::max(rx, ry))), int64_t{1}, MostArcSteps);
    for (int64_t i = 0; i <= steps; ++i) {
        const double angle = start + span * static_cast<double>(i) / static_cast<double>(steps);
        Paint(x + rx * std::cos(angle), y - ry * std::sin(angle), color, i);
    }
}

void ReportPicture::Print(const std::string& text) {
    const double x = PixelX(CurrentX), y = PixelY(CurrentY), size = FontSize * 96.0 / 72.0;
    if (!std::isfinite(x + y) || x < -Columns || x > 2.0 * Columns || y < -Rows || y > 2.0 * Rows) return;
    Texts += "<text x=\"" + motion::SvgNumber(x) + "\" y=\"" +
             motion::SvgNumber(y + motion::SvgAscent * size) + "\" font-size=\"" + motion::SvgNumber(size) +
             "\" fill=\"" + motion::SvgColor(ForeColor) + "\">" + motion::SvgEscape(text) + "</text>\n";
}

// Text sizes as the SVG pictures estimate them (the viewer picks the face).
double ReportPicture::TextWidth(const std::string& text) {
    return 0.6 * FontSize * 20 * static_cast<double>(text.size()) * std::fabs(ScaleWidth) / Width;
}
double ReportPicture::TextHeight(const std::string&) {
    return 1.2 * FontSize * 20 * std::fabs(ScaleHeight) / Height;
}

void ReportPicture::Cls() {
    std::fill(Pixels.begin(), Pixels.end(), 0);
    Texts.clear();
    CurrentX = 0, CurrentY = 0;
}

std::string ReportPicture::Svg() const {
    const std::string w = std::to_string(Columns), h = std::to_string(Rows);
    std::string out = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + w + "\" height=\"" + h +
                      "\" viewBox=\"0 0 " + w + " " + h +
                      "\" shape-rendering=\"crispEdges\">\n<rect width=\"" + w + "\" height=\"" + h +
                      "\" fill=\"" + motion::SvgColor(BackColor) + "\"/>\n";
    // Each colour's runs of pixels as one path: a run is a stroke one pixel wide along its row.
    for (size_t k = 0; k < Palette.size(); ++k) {
        const auto ink = static_cast<uint16_t>(k + 1);
        std::string d;
        for (int row = 0; row < Rows; ++row) {
            const uint16_t* line = &Pixels[static_cast<size_t>(row) * static_cast<size_t>(Columns)];
            for (int col = 0; col < Columns;) {
                if (line[col] != ink) {
                    ++col;
                    continue;
                }
                int end = col;
                while (end < Columns && line[end] == ink)
                    ++end;
                d +=
                    "M" + std::to_string(col) + " " + std::to_string(row) + ".5h" + std::to_string(end - col);
                col = end;
            }
        }
        if (!d.empty()) out += "<path stroke=\"" + motion::SvgColor(Palette[k]) + "\" d=\"" + d + "\"/>\n";
    }
    if (!Texts.empty()) out += "<g font-family=\"sans-serif\">\n" + Texts + "</g>\n";
    return out + "</svg>";
}

} // namespace check
