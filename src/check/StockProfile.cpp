// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/StockProfile.h"
#include "stock/MmText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace check {

namespace {

double Degrees(stock::Point from, stock::Point centre) {
    double a = std::atan2(from.x - centre.x, from.z - centre.z) * 180 / std::numbers::pi;
    return a < 0 ? a + 360 : a;
}

void Group(std::string& out, int code, const std::string& value) {
    out += std::to_string(code) + "\n" + value + "\n";
}

} // namespace

std::optional<ProfileFormat> ProfileFormatOf(const std::string& path) {
    if (path.size() < 5) return std::nullopt;
    std::string end = path.substr(path.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(), [](unsigned char c) { return std::tolower(c); });
    if (end == ".svg") return ProfileFormat::Svg;
    if (end == ".dxf") return ProfileFormat::Dxf;
    return std::nullopt;
}

std::string ProfileDxf(const std::vector<stock::ProfileContour>& profile) {
    std::string out;
    Group(out, 0, "SECTION");
    Group(out, 2, "HEADER");
    Group(out, 9, "$ACADVER");
    Group(out, 1, "AC1009");
    Group(out, 0, "ENDSEC");
    Group(out, 0, "SECTION");
    Group(out, 2, "ENTITIES");
    for (const stock::ProfileContour& c : profile)
        for (const stock::ProfilePiece& p : c) {
            if (p.Arc) {
                // An ARC runs counter-clockwise from its start angle to its end angle.
                const stock::Point& a = p.Clockwise ? p.To : p.From;
                const stock::Point& b = p.Clockwise ? p.From : p.To;
                Group(out, 0, "ARC");
                Group(out, 8, "PROFILE");
                Group(out, 10, stock::MmText(p.Centre.z));
                Group(out, 20, stock::MmText(p.Centre.x));
                Group(out, 30, "0");
                Group(out, 40, stock::MmText(p.Radius));
                Group(out, 50, stock::MmText(Degrees(a, p.Centre)));
                Group(out, 51, stock::MmText(Degrees(b, p.Centre)));
            } else {
                Group(out, 0, "LINE");
                Group(out, 8, "PROFILE");
                Group(out, 10, stock::MmText(p.From.z));
                Group(out, 20, stock::MmText(p.From.x));
                Group(out, 30, "0");
                Group(out, 11, stock::MmText(p.To.z));
                Group(out, 21, stock::MmText(p.To.x));
                Group(out, 31, "0");
            }
        }
    Group(out, 0, "ENDSEC");
    Group(out, 0, "EOF");
    return out;
}

std::string ProfileSvg(const std::vector<stock::ProfileContour>& profile) {
    double z0 = 0, z1 = 0, x1 = 0;
    bool any = false;
    std::string d;
    for (const stock::ProfileContour& c : profile) {
        for (size_t i = 0; i < c.size(); ++i) {
            const stock::ProfilePiece& p = c[i];
            for (const stock::Point& q : {p.From, p.To}) {
                z0 = any ? std::min(z0, q.z) : q.z, z1 = any ? std::max(z1, q.z) : q.z;
                x1 = any ? std::max(x1, q.x) : q.x;
                any = true;
            }
            // The radius grows upwards: y is its negative.
            if (i == 0) d += "M" + stock::MmText(p.From.z) + " " + stock::MmText(-p.From.x);
            if (p.Arc) {
                const double sweep = std::remainder(Degrees(p.To, p.Centre) - Degrees(p.From, p.Centre), 360);
                const bool large = p.Clockwise ? sweep > 0 : sweep < 0;
                // Mirrored by the y axis, a counter-clockwise arc runs with decreasing angle.
                d += "A" + stock::MmText(p.Radius) + " " + stock::MmText(p.Radius) + " 0 " +
                     (large ? "1" : "0") + " " + (p.Clockwise ? "1" : "0") + " " + stock::MmText(p.To.z) +
                     " " + stock::MmText(-p.To.x);
            } else {
                d += "L" + stock::MmText(p.To.z) + " " + stock::MmText(-p.To.x);
            }
        }
        if (!c.empty()) d += "Z";
    }
    const double margin = 2;
    const double left = z0 - margin, top = -x1 - margin, w = z1 - z0 + 2 * margin, h = x1 + 2 * margin;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                      "width=\"" +
                      stock::MmText(w) + "mm\" height=\"" + stock::MmText(h) + "mm\" viewBox=\"" +
                      stock::MmText(left) + " " + stock::MmText(top) + " " + stock::MmText(w) + " " +
                      stock::MmText(h) + "\">\n";
    out += "<line x1=\"" + stock::MmText(left) + "\" y1=\"0\" x2=\"" + stock::MmText(left + w) +
           "\" y2=\"0\" stroke=\"#808080\" stroke-width=\"0.1\" stroke-dasharray=\"2 0.5 0.5 0.5\"/>\n";
    out += "<path fill=\"#c8d0dc\" fill-rule=\"evenodd\" stroke=\"#000000\" stroke-width=\"0.1\" d=\"" + d +
           "\"/>\n</svg>\n";
    return out;
}

} // namespace check
