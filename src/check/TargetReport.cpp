// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison with the target drawing in the reports: the regions between the finished
// section and the drawn one, in millimetres (the drawing's unit is converted), X a diameter.

#include "check/Checker.h"
#include "check/Shown.h"

#include <cmath>

namespace check {

namespace {

// To a ten-thousandth: a deviation is sized to half a micrometre.
std::string Fine(double v) {
    return NumberJson(std::round(v * 1e4) / 1e4 + 0.0);
}

const char* KindName(const target::Deviation& d) {
    return d.Type == target::Deviation::Kind::Gouge ? "gouge" : "excess";
}

std::string LinesText(const std::vector<int64_t>& lines) {
    std::string out;
    for (size_t i = 0; i < lines.size() && i < 8; ++i)
        out += (i ? ", " : "") + std::to_string(lines[i]);
    if (lines.size() > 8) out += " and " + std::to_string(lines.size() - 8) + " more";
    return out;
}

} // namespace

void AppendTargetJson(std::string& out, const CheckReport& r) {
    if (!r.Target) return;
    const target::Comparison& c = *r.Target;
    out += ", \"target\": {\"file\": " + JsonString(c.File) + ", \"tolerance\": " + Fine(c.Tolerance) +
           ", \"allowance\": " + Fine(c.Allowance) + ", \"regions\": [";
    for (size_t i = 0; i < c.Deviations.size(); ++i) {
        const target::Deviation& d = c.Deviations[i];
        out += (i ? ", " : "") + std::string("{\"kind\": \"") + KindName(d) +
               "\", \"depth\": " + Fine(d.Depth) + ", \"area_mm2\": " + Fine(d.AreaMm2) +
               ", \"volume_mm3\": " + Fine(d.VolumeMm3) + ", \"z\": [" + Fine(d.Z0) + ", " + Fine(d.Z1) +
               "], \"deepest\": {\"x\": " + Fine(2 * d.Deepest.x) + ", \"z\": " + Fine(d.Deepest.z) +
               "}, \"lines\": [";
        for (size_t k = 0; k < d.Lines.size(); ++k)
            out += (k ? ", " : "") + std::to_string(d.Lines[k]);
        out += "]}";
    }
    out += "]}";
}

void AppendTargetText(std::string& out, const CheckReport& r) {
    if (!r.Target) return;
    const target::Comparison& c = *r.Target;
    out += "  target " + Shown(c.File) + ": ";
    out += c.Deviations.empty()
               ? "no differences"
               : std::to_string(c.Deviations.size()) + (c.Deviations.size() == 1 ? " region" : " regions");
    out += " beyond " + Fine(c.Tolerance) + " mm";
    if (c.Allowance != 0) out += " (allowance " + Fine(c.Allowance) + " mm)";
    out += "\n";
    for (const target::Deviation& d : c.Deviations) {
        out += "    " + std::string(KindName(d)) + " " + Fine(d.Depth) + " mm deep at X" +
               Fine(2 * d.Deepest.x) + " Z" + Fine(d.Deepest.z) + ", Z" + Fine(d.Z1) + " to Z" + Fine(d.Z0) +
               ", " + Fine(d.AreaMm2) + " mm2, " + Fine(d.VolumeMm3) + " mm3";
        if (!d.Lines.empty()) out += (d.Lines.size() == 1 ? ", line " : ", lines ") + LinesText(d.Lines);
        out += "\n";
    }
}

} // namespace check
