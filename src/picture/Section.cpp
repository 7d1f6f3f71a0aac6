// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/Section.h"

#include "motion/SvgCanvas.h"

#include <tuple>

namespace picture {

namespace {

constexpr int32_t Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

std::string PathData(const std::vector<PixelPolygon>& polygons, bool closed = true) {
    std::string d;
    for (const PixelPolygon& p : polygons) {
        if (p.size() < 2) continue;
        for (size_t i = 0; i < p.size(); ++i)
            d += (i ? "L" : "M") + motion::SvgNumber(p[i].X) + " " + motion::SvgNumber(p[i].Y);
        if (closed) d += "Z";
    }
    return d;
}

std::string Stroke(const SectionPen& pen) {
    return "stroke=\"" + motion::SvgColor(pen.Color) + "\" stroke-width=\"" + motion::SvgNumber(pen.Width) +
           "\"" + (pen.Dashed ? " stroke-dasharray=\"4 2\"" : "");
}

} // namespace

SectionLook SectionLookOf(bool white) {
    SectionLook l;
    l.Raw = {white ? Rgb(120, 120, 120) : Rgb(140, 140, 140), 1, true};
    l.Part = {white ? Rgb(60, 75, 100) : Rgb(190, 205, 225), 1.2, false};
    l.Holding = {white ? Rgb(150, 100, 0) : Rgb(235, 190, 70), 1.5, false};
    l.Thread = {white ? Rgb(150, 40, 150) : Rgb(230, 130, 230), 1, true};
    l.NosePath = {white ? Rgb(0, 140, 70) : Rgb(90, 235, 150), 1.2, false};
    l.Excess = {white ? Rgb(230, 140, 0) : Rgb(255, 180, 40), 3, false};
    l.Gouge = {white ? Rgb(210, 0, 0) : Rgb(255, 70, 70), 3, false};
    l.PartFill = white ? Rgb(120, 135, 160) : Rgb(150, 165, 190);
    l.PartFillAlpha = white ? 90 : 80;
    l.Insert = {white ? Rgb(170, 30, 30) : Rgb(255, 110, 90), 1.2, false};
    l.Holder = {white ? Rgb(90, 90, 90) : Rgb(170, 170, 170), 1, false};
    l.InsertFill = white ? Rgb(220, 60, 40) : Rgb(255, 120, 90);
    l.InsertFillAlpha = 150;
    return l;
}

std::string SvgSection(const SectionDrawing& s, const SectionLook& look) {
    std::string out = "<g class=\"stock-section\">\n";
    if (const std::string d = PathData(s.Raw); !d.empty())
        out += "<path class=\"raw\" fill=\"none\" " + Stroke(look.Raw) + " d=\"" + d + "\"/>\n";
    if (const std::string d = PathData(s.Part); !d.empty())
        out += "<path class=\"part\" fill=\"" + motion::SvgColor(look.PartFill) + "\" fill-opacity=\"" +
               motion::SvgNumber(look.PartFillAlpha / 255.0) + "\" fill-rule=\"evenodd\" " +
               Stroke(look.Part) + " d=\"" + d + "\"/>\n";
    if (const std::string d = PathData(s.Holding); !d.empty())
        out += "<path class=\"holding\" fill=\"none\" " + Stroke(look.Holding) + " d=\"" + d + "\"/>\n";
    if (const std::string d = PathData(s.Threads); !d.empty())
        out += "<path class=\"thread\" fill=\"none\" " + Stroke(look.Thread) + " d=\"" + d + "\"/>\n";
    if (const std::string d = PathData(s.NosePath, false); !d.empty())
        out += "<path class=\"nose-path\" fill=\"none\" " + Stroke(look.NosePath) + " d=\"" + d + "\"/>\n";
    for (const auto& [name, polygons, pen] :
         {std::tuple{"excess", &s.Excess, &look.Excess}, std::tuple{"gouge", &s.Gouge, &look.Gouge}})
        if (const std::string d = PathData(*polygons); !d.empty())
            out += std::string("<path class=\"") + name + "\" fill=\"" + motion::SvgColor(pen->Color) +
                   "\" fill-rule=\"evenodd\" stroke-linejoin=\"round\" " + Stroke(*pen) + " d=\"" + d +
                   "\"/>\n";
    return out + "</g>\n";
}

} // namespace picture
