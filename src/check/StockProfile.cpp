// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/StockProfile.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace check {

namespace {

// Four decimals: a tenth of the 0.001 mm a face lands to; "-0" is written as 0.
std::string Mm(double v) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.4f", std::fabs(v) < 5e-5 ? 0.0 : v);
    std::string s = buf;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') s.pop_back();
    return s;
}

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
                Group(out, 10, Mm(p.Centre.z));
                Group(out, 20, Mm(p.Centre.x));
                Group(out, 30, "0");
                Group(out, 40, Mm(p.Radius));
                Group(out, 50, Mm(Degrees(a, p.Centre)));
                Group(out, 51, Mm(Degrees(b, p.Centre)));
            } else {
                Group(out, 0, "LINE");
                Group(out, 8, "PROFILE");
                Group(out, 10, Mm(p.From.z));
                Group(out, 20, Mm(p.From.x));
                Group(out, 30, "0");
                Group(out, 11, Mm(p.To.z));
                Group(out, 21, Mm(p.To.x));
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
            if (i == 0) d += "M" + Mm(p.From.z) + " " + Mm(-p.From.x);
            if (p.Arc) {
                const double sweep = std::remainder(Degrees(p.To, p.Centre) - Degrees(p.From, p.Centre), 360);
                const bool large = p.Clockwise ? sweep > 0 : sweep < 0;
                // Mirrored by the y axis, a counter-clockwise arc runs with decreasing angle.
                d += "A" + Mm(p.Radius) + " " + Mm(p.Radius) + " 0 " + (large ? "1" : "0") + " " +
                     (p.Clockwise ? "1" : "0") + " " + Mm(p.To.z) + " " + Mm(-p.To.x);
            } else {
                d += "L" + Mm(p.To.z) + " " + Mm(-p.To.x);
            }
        }
        if (!c.empty()) d += "Z";
    }
    const double margin = 2;
    const double left = z0 - margin, top = -x1 - margin, w = z1 - z0 + 2 * margin, h = x1 + 2 * margin;
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" "
                      "width=\"" +
                      Mm(w) + "mm\" height=\"" + Mm(h) + "mm\" viewBox=\"" + Mm(left) + " " + Mm(top) + " " +
                      Mm(w) + " " + Mm(h) + "\">\n";
    out += "<line x1=\"" + Mm(left) + "\" y1=\"0\" x2=\"" + Mm(left + w) +
           "\" y2=\"0\" stroke=\"#808080\" stroke-width=\"0.1\" stroke-dasharray=\"2 0.5 0.5 0.5\"/>\n";
    out += "<path fill=\"#c8d0dc\" fill-rule=\"evenodd\" stroke=\"#000000\" stroke-width=\"0.1\" d=\"" + d +
           "\"/>\n</svg>\n";
    return out;
}

} // namespace check
