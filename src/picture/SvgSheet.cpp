// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/SvgSheet.h"

#include "motion/SvgCanvas.h"

namespace picture {

namespace {

using motion::SvgColor;
using motion::SvgEscape;
using motion::SvgNumber;

} // namespace

void SvgOverlay::EndPath() {
    if (Path.empty()) return;
    Body += "<path fill=\"none\" stroke=\"" + PathKey + "\" d=\"" + Path + "\"/>\n";
    Path.clear();
}

void SvgOverlay::EndGroup() {
    if (GroupKey.empty()) return;
    Body += "</g>\n";
    GroupKey.clear();
}

void SvgOverlay::Fill(const Rect& r, int32_t color) {
    if (!(r.W > 0) || !(r.H > 0)) return;
    EndPath();
    EndGroup();
    Body += "<rect x=\"" + SvgNumber(r.X) + "\" y=\"" + SvgNumber(r.Y) + "\" width=\"" + SvgNumber(r.W) +
            "\" height=\"" + SvgNumber(r.H) + "\" fill=\"" + SvgColor(color) + "\"/>\n";
}

void SvgOverlay::Line(double x1, double y1, double x2, double y2, int32_t color) {
    EndGroup();
    const std::string key = SvgColor(color);
    if (key != PathKey) EndPath();
    PathKey = key;
    Path += "M" + SvgNumber(x1) + " " + SvgNumber(y1) + "L" + SvgNumber(x2) + " " + SvgNumber(y2);
}

void SvgOverlay::Text(double x, double y, const std::string& text, double pointSize, int32_t color,
                      Anchor anchor, bool bold) {
    EndPath();
    const char* anchors[] = {"start", "middle", "end"};
    const std::string key = "font-size=\"" + SvgNumber(pointSize * 96.0 / 72.0) + "\" fill=\"" +
                            SvgColor(color) + "\" text-anchor=\"" + anchors[static_cast<int>(anchor)] + "\"" +
                            (bold ? " font-weight=\"bold\"" : "");
    if (key != GroupKey) {
        EndGroup();
        Body += "<g font-family=\"sans-serif\" " + key + ">\n";
        GroupKey = key;
    }
    const double baseline = y + motion::SvgAscent * pointSize * 96.0 / 72.0;
    Body +=
        "<text x=\"" + SvgNumber(x) + "\" y=\"" + SvgNumber(baseline) + "\">" + SvgEscape(text) + "</text>\n";
}

double SvgOverlay::TextWidth(const std::string& text, double pointSize, bool bold) {
    size_t characters = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    return (bold ? 0.65 : 0.6) * pointSize * 96.0 / 72.0 * static_cast<double>(characters);
}

std::string SvgOverlay::Elements() {
    EndPath();
    EndGroup();
    return Body;
}

std::string SvgSheetDocument(const SheetLayout& l, int32_t back, const std::string& viewportContent,
                             const std::string& overlay) {
    const std::string w = SvgNumber(l.Page.W), h = SvgNumber(l.Page.H);
    const std::string vw = SvgNumber(l.Viewport.W), vh = SvgNumber(l.Viewport.H);
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w + " " + h +
           "\">\n<rect width=\"100%\" height=\"100%\" fill=\"" + SvgColor(back) + "\"/>\n<svg x=\"" +
           SvgNumber(l.Viewport.X) + "\" y=\"" + SvgNumber(l.Viewport.Y) + "\" width=\"" + vw +
           "\" height=\"" + vh + "\" viewBox=\"0 0 " + vw + " " + vh + "\" overflow=\"hidden\">\n" +
           viewportContent + "</svg>\n" + overlay + "</svg>\n";
}

} // namespace picture
