#include "motion/SvgCanvas.h"

#include <cmath>
#include <cstdio>

namespace motion {

namespace {

constexpr double TwoPi = 6.283185307179586;
// Anything this far outside the picture is not written: it cannot be seen and bloats the file.
constexpr double Far = 1e6;

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

bool Near(double x, double y) {
    return std::isfinite(x) && std::isfinite(y) && std::fabs(x) < Far && std::fabs(y) < Far;
}

std::string Escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::string SvgColor(int32_t color) {
    uint32_t c = static_cast<uint32_t>(color);
    if (c & 0x80000000u) c = 0x808080; // system colours: button shadow grey
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

void SvgCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    CurrentX = x2, CurrentY = y2;
    const double a = PixelX(x1), b = PixelY(y1), c = PixelX(x2), d = PixelY(y2);
    if (!Near(a, b) || !Near(c, d)) return;
    Body += "<line x1=\"" + Num(a) + "\" y1=\"" + Num(b) + "\" x2=\"" + Num(c) + "\" y2=\"" + Num(d) +
            "\" stroke=\"" + SvgColor(color) + "\"" +
            (Style == DrawStyle::Dot ? " stroke-dasharray=\"1 2\"" : "") + "/>\n";
}

void SvgCanvas::PSet(double x, double y, int32_t color) {
    CurrentX = x, CurrentY = y;
    const double a = PixelX(x), b = PixelY(y);
    if (!Near(a, b)) return;
    Body += "<rect x=\"" + Num(std::floor(a)) + "\" y=\"" + Num(std::floor(b)) +
            "\" width=\"1\" height=\"1\" fill=\"" + SvgColor(color) + "\"/>\n";
}

void SvgCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) {
    const double x = PixelX(cx), y = PixelY(cy);
    const double rx = std::fabs(r * Width / ScaleWidth / TwipsPerPixel);
    const double ry = std::fabs(r * Height / ScaleHeight / TwipsPerPixel);
    if (!Near(x, y) || !Near(rx, ry)) return;
    const std::string stroke = "fill=\"none\" stroke=\"" + SvgColor(color) + "\"";
    if (full) {
        Body += "<ellipse cx=\"" + Num(x) + "\" cy=\"" + Num(y) + "\" rx=\"" + Num(rx) + "\" ry=\"" +
                Num(ry) + "\" " + stroke + "/>\n";
        return;
    }
    // Counter-clockwise on screen from start to end: with y growing downwards that is sweep 0.
    double span = std::fmod(end - start, TwoPi);
    if (span < 0) span += TwoPi;
    const double x0 = x + rx * std::cos(start), y0 = y - ry * std::sin(start);
    const double x1 = x + rx * std::cos(start + span), y1 = y - ry * std::sin(start + span);
    Body += "<path d=\"M" + Num(x0) + " " + Num(y0) + " A" + Num(rx) + " " + Num(ry) + " 0 " +
            (span > TwoPi / 2 ? "1" : "0") + " 0 " + Num(x1) + " " + Num(y1) + "\" " + stroke + "/>\n";
}

void SvgCanvas::Print(const std::string& text) {
    const double x = PixelX(CurrentX), y = PixelY(CurrentY);
    if (!Near(x, y)) return;
    const double px = FontSize * 96.0 / 72.0;
    Body += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) +
            "\" dominant-baseline=\"hanging\" font-family=\"sans-serif\" "
            "font-size=\"" +
            Num(px) + "\" fill=\"" + SvgColor(ForeColor) + "\">" + Escape(text) + "</text>\n";
}

double SvgCanvas::TextWidth(const std::string& text) {
    const double twips = 0.6 * FontSize * 20 * static_cast<double>(text.size());
    return twips * std::fabs(ScaleWidth) / Width;
}

double SvgCanvas::TextHeight(const std::string&) {
    return 1.2 * FontSize * 20 * std::fabs(ScaleHeight) / Height;
}

void SvgCanvas::Cls() {
    Body.clear();
    CurrentX = 0, CurrentY = 0;
}

std::string SvgCanvas::Document() const {
    const std::string w = Num(Width / TwipsPerPixel), h = Num(Height / TwipsPerPixel);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
           "\">\n<rect width=\"100%\" height=\"100%\" fill=\"" + SvgColor(BackColor) + "\"/>\n" + Body +
           "</svg>\n";
}

} // namespace motion
