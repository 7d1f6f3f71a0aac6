// SPDX-License-Identifier: GPL-3.0-or-later
#include "motion/SvgCanvas.h"

#include "motion/ClipLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace motion {

namespace {

constexpr double TwoPi = 6.283185307179586;
// Anything this far outside the picture is not written: it cannot be seen and bloats the file.
constexpr double Far = 1e6;

bool Near(double x, double y) {
    return std::isfinite(x) && std::isfinite(y) && std::fabs(x) < Far && std::fabs(y) < Far;
}

// Hundredths of a pixel as a number: "12.34", "12.3", "12", "-0.05".
void AppendHundredths(std::string& out, int64_t v) {
    if (v < 0) {
        out += '-';
        v = -v;
    }
    out += std::to_string(v / 100);
    const int frac = static_cast<int>(v % 100);
    if (frac == 0) return;
    out += '.';
    out += static_cast<char>('0' + frac / 10);
    if (frac % 10) out += static_cast<char>('0' + frac % 10);
}

int64_t Hundredths(double v) {
    return std::llround(v * 100);
}

// Two numbers of path data; a minus sign separates them by itself.
void AppendPair(std::string& out, int64_t a, int64_t b) {
    AppendHundredths(out, a);
    if (b >= 0) out += ' ';
    AppendHundredths(out, b);
}

} // namespace

std::string SvgColor(int32_t color) {
    uint32_t c = static_cast<uint32_t>(color);
    if (c & 0x80000000u) c = 0x808080; // system colours: button shadow grey
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return buf;
}

std::string SvgNumber(double v) {
    std::string out;
    AppendHundredths(out, Hundredths(v));
    return out;
}

std::string SvgEscape(const std::string& text) {
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

SvgCanvas::PathData& SvgCanvas::PathOf(int32_t color, bool dotted) {
    if (Gathering && GatherColor != color) EndPaths();
    EndTexts();
    Gathering = true;
    GatherColor = color;
    return Paths[dotted ? 1 : 0];
}

void SvgCanvas::MoveTo(PathData& p, Point to) {
    if (p.PenKnown && p.Pen == to) return;
    p.D += 'M';
    AppendPair(p.D, to.X, to.Y);
    p.Pen = to;
    p.PenKnown = true;
}

void SvgCanvas::EndPaths() {
    if (!Gathering) return;
    Gathering = false;
    const std::string stroke = SvgColor(GatherColor);
    for (int k = 0; k < 2; ++k) {
        PathData& p = Paths[k];
        if (p.D.empty()) continue;
        Body += "<path stroke=\"" + stroke + (k ? "\" stroke-dasharray=\"1 2" : "") + "\" d=\"";
        Body += p.D;
        Body += "\"/>\n";
        p = PathData{};
    }
}

void SvgCanvas::EndTexts() {
    if (!TextGroupOpen) return;
    TextGroupOpen = false;
    Body += "</g>\n";
}

void SvgCanvas::Line(double x1, double y1, double x2, double y2, int32_t color) {
    CurrentX = x2, CurrentY = y2;
    double a = PixelX(x1), b = PixelY(y1), c = PixelX(x2), d = PixelY(y2);
    if (!std::isfinite(a) || !std::isfinite(b) || !std::isfinite(c) || !std::isfinite(d)) return;
    // Only the part near the picture is written; a piece wholly outside it is left out.
    const double w = Width / TwipsPerPixel, h = Height / TwipsPerPixel;
    if (!ClipLine(a, b, c, d, -2 - w, 2 * w + 2, -2 - h, 2 * h + 2)) return;
    if (std::max(a, c) < -2 || std::min(a, c) > w + 2 || std::max(b, d) < -2 || std::min(b, d) > h + 2)
        return;
    const Point from{Hundredths(a), Hundredths(b)}, to{Hundredths(c), Hundredths(d)};
    if (from == to) return; // nothing to see with square-less line ends
    const bool dotted = Style == DrawStyle::Dot;
    PathData& p = PathOf(color, dotted);
    // Each dotted line starts its dots anew (a subpath restarts the dash pattern), as the image
    // draws them: a rapid there and back stays dotted.
    if (dotted) p.PenKnown = false;
    MoveTo(p, from);
    const int64_t dx = to.X - from.X, dy = to.Y - from.Y;
    if (dy == 0) {
        p.D += 'h';
        AppendHundredths(p.D, dx);
    } else if (dx == 0) {
        p.D += 'v';
        AppendHundredths(p.D, dy);
    } else {
        p.D += 'l';
        AppendPair(p.D, dx, dy);
    }
    p.Pen = to;
}

void SvgCanvas::PSet(double x, double y, int32_t color) {
    CurrentX = x, CurrentY = y;
    const double a = PixelX(x), b = PixelY(y);
    if (!Near(a, b)) return;
    const double fx = std::floor(a), fy = std::floor(b);
    if (fx < 0 || fy < 0 || fx >= Width / TwipsPerPixel || fy >= Height / TwipsPerPixel) return;
    // The pixel as a solid stroke one pixel long through its middle.
    PathData& p = PathOf(color, false);
    MoveTo(p, Point{Hundredths(fx), Hundredths(fy + 0.5)});
    p.D += "h1";
    p.Pen.X += 100;
}

void SvgCanvas::Circle(double cx, double cy, double r, int32_t color, bool full, double start, double end) {
    const double x = PixelX(cx), y = PixelY(cy);
    const double rx = std::fabs(r * Width / ScaleWidth / TwipsPerPixel);
    const double ry = std::fabs(r * Height / ScaleHeight / TwipsPerPixel);
    if (!Near(x, y) || !Near(rx, ry)) return;
    const double w = Width / TwipsPerPixel, h = Height / TwipsPerPixel;
    if (x + rx < -2 || x - rx > w + 2 || y + ry < -2 || y - ry > h + 2) return;
    PathData& p = PathOf(color, Style == DrawStyle::Dot);
    const int64_t hrx = Hundredths(rx), hry = Hundredths(ry);
    auto arc = [&](bool large, Point to) {
        p.D += 'A';
        AppendPair(p.D, hrx, hry);
        p.D += large ? " 0 1 0 " : " 0 0 0 ";
        AppendPair(p.D, to.X, to.Y);
        p.Pen = to;
    };
    if (full) {
        // Two halves, counter-clockwise on screen from the left-most point.
        const Point left{Hundredths(x - rx), Hundredths(y)}, right{Hundredths(x + rx), Hundredths(y)};
        MoveTo(p, left);
        arc(true, right);
        arc(true, left);
        return;
    }
    // Counter-clockwise on screen from start to end: with y growing downwards that is sweep 0.
    double span = std::fmod(end - start, TwoPi);
    if (span < 0) span += TwoPi;
    MoveTo(p, Point{Hundredths(x + rx * std::cos(start)), Hundredths(y - ry * std::sin(start))});
    arc(span > TwoPi / 2,
        Point{Hundredths(x + rx * std::cos(start + span)), Hundredths(y - ry * std::sin(start + span))});
}

void SvgCanvas::Print(const std::string& text) {
    const double x = PixelX(CurrentX), y = PixelY(CurrentY);
    if (!Near(x, y)) return;
    EndPaths(); // text lies over what was drawn before it
    const std::string key = SvgNumber(FontSize * 96.0 / 72.0) + "\" fill=\"" + SvgColor(ForeColor);
    if (TextGroupOpen && key != TextGroupKey) EndTexts();
    if (!TextGroupOpen) {
        Body += "<g font-family=\"sans-serif\" font-size=\"" + key + "\">\n";
        TextGroupOpen = true;
        TextGroupKey = key;
    }
    Body += "<text x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(y + SvgAscent * FontSize * 96.0 / 72.0) +
            "\">" + SvgEscape(text) + "</text>\n";
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
    Gathering = false;
    Paths[0] = PathData{};
    Paths[1] = PathData{};
    TextGroupOpen = false;
    CurrentX = 0, CurrentY = 0;
}

std::string SvgCanvas::Closed() const {
    SvgCanvas copy;
    copy.Gathering = Gathering;
    copy.GatherColor = GatherColor;
    copy.Paths[0] = Paths[0];
    copy.Paths[1] = Paths[1];
    copy.TextGroupOpen = TextGroupOpen;
    copy.EndPaths();
    copy.EndTexts();
    return copy.Body;
}

std::string SvgCanvas::Content() const {
    return "<g fill=\"none\">\n" + Body + Closed() + "</g>\n";
}

std::string SvgCanvas::Document() const {
    const std::string w = SvgNumber(Width / TwipsPerPixel), h = SvgNumber(Height / TwipsPerPixel);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
           "\">\n<rect width=\"100%\" height=\"100%\" fill=\"" + SvgColor(BackColor) + "\"/>\n" + Content() +
           "</svg>\n";
}

} // namespace motion
