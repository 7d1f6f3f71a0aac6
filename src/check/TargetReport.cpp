// SPDX-License-Identifier: GPL-3.0-or-later
// The comparison with the target drawing in the reports: the regions between the finished
// section and the drawn one, in millimetres (the drawing's unit is converted), X a diameter.

#include "check/Checker.h"
#include "check/Shown.h"
#include "stock/MmText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

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

// Four decimals always, so that the sheet's columns line up.
std::string Fixed(double v, bool sign = false) {
    char buf[48];
    std::snprintf(buf, sizeof buf, sign ? "%+.4f" : "%.4f", std::fabs(v) < 5e-5 ? 0.0 : v);
    return buf;
}

const char* KindName(const target::SheetFeature& f) {
    switch (f.Type) {
    case target::SheetFeature::Kind::Diameter:
        return "diameter";
    case target::SheetFeature::Kind::Face:
        return "face";
    case target::SheetFeature::Kind::Cone:
        return "cone";
    case target::SheetFeature::Kind::Radius:
        return "radius";
    case target::SheetFeature::Kind::Thread:
        return "thread";
    }
    return "";
}

std::string Band(const target::SheetSize& s) {
    if (s.Plus == s.Minus) return "\u00B1" + Fine(s.Plus);
    return (s.Plus < 0 ? "-" : "+") + Fine(std::fabs(s.Plus)) + " " + (s.Minus <= 0 ? "+" : "-") +
           Fine(std::fabs(s.Minus));
}

// Width in characters: the UTF-8 continuation bytes (of ± and °) take no column.
size_t Columns(const std::string& text) {
    size_t shown = 0;
    for (const unsigned char c : text)
        shown += (c & 0xC0) != 0x80;
    return shown;
}

std::string Padded(const std::string& text, size_t width, bool right = false) {
    const size_t shown = Columns(text);
    const std::string pad(shown < width ? width - shown : 0, ' ');
    return right ? pad + text : text + pad;
}

} // namespace

std::string SheetSummary(const target::Sheet& sheet) {
    size_t measured = 0;
    for (const target::SheetFeature& f : sheet.Features)
        measured += f.Measured();
    const size_t n = sheet.Features.size(), bad = sheet.NotOk();
    std::string out = std::to_string(n) + (n == 1 ? " feature, " : " features, ") +
                      (bad == 0 ? std::string("all measured OK") : std::to_string(bad) + " not OK");
    if (measured < n) out += ", " + std::to_string(n - measured) + " not measured";
    for (const int line : sheet.Unmatched)
        out += ", the setup's feature tolerance at line " + std::to_string(line) + " picks no feature";
    out += " (general tolerance class " + std::string(1, sheet.General);
    if (sheet.Allowance != 0) out += ", allowance " + Fine(sheet.Allowance) + " mm";
    return out + ")";
}

std::vector<SheetRow> SheetRows(const target::Sheet& sheet) {
    std::vector<SheetRow> rows;
    for (const target::SheetFeature& f : sheet.Features) {
        for (size_t i = 0; i < f.Sizes.size(); ++i) {
            const target::SheetSize& s = f.Sizes[i];
            const bool angle = s.Type == target::SheetSize::Kind::Angle;
            const std::string unit = angle ? "\u00B0" : "";
            SheetRow r;
            if (i == 0) {
                r.Feature = f.Name;
                r.Verdict = f.Ok ? "OK" : f.Measured() ? "NOT OK" : "not measured";
                r.Note = f.Note;
                if (f.SetupLine)
                    r.Note += (r.Note.empty() ? "" : "; ") + std::string("tolerance from the setup, line ") +
                              std::to_string(f.SetupLine);
            } else if (!s.Ok && s.Measured) {
                r.Verdict = "NOT OK";
            }
            r.Ok = s.Ok;
            r.Measured = s.Measured;
            r.Size = s.Name;
            r.Nominal = Fixed(s.Nominal) + unit;
            r.Simulated = s.Measured ? Fixed(s.Simulated) + unit : "-";
            r.Deviation = s.Measured ? Fixed(s.Deviation, true) + unit : "-";
            r.Tolerance = Band(s) + unit;
            rows.push_back(std::move(r));
        }
    }
    return rows;
}

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
    out += "]";
    if (!c.Inspection.Features.empty()) {
        out += ", \"general\": \"" + std::string(1, c.Inspection.General) + "\", \"unmatched_lines\": [";
        for (size_t i = 0; i < c.Inspection.Unmatched.size(); ++i)
            out += (i ? ", " : "") + std::to_string(c.Inspection.Unmatched[i]);
        out += "], \"inspection\": [";
        for (size_t i = 0; i < c.Inspection.Features.size(); ++i) {
            const target::SheetFeature& f = c.Inspection.Features[i];
            out += (i ? ", " : "") + std::string("{\"feature\": ") + JsonString(f.Name) + ", \"kind\": \"" +
                   KindName(f) + "\", \"from\": {\"x\": " + Fine(2 * f.From.x) +
                   ", \"z\": " + Fine(f.From.z) + "}, \"to\": {\"x\": " + Fine(2 * f.To.x) +
                   ", \"z\": " + Fine(f.To.z) + "}";
            if (f.Type == target::SheetFeature::Kind::Radius)
                out += ", \"centre\": {\"x\": " + Fine(2 * f.Centre.x) + ", \"z\": " + Fine(f.Centre.z) +
                       "}, \"fillet\": " + (f.Fillet ? "true" : "false");
            out += std::string(", \"inside\": ") + (f.Inside ? "true" : "false") +
                   ", \"measured\": " + (f.Measured() ? "true" : "false") +
                   ", \"ok\": " + (f.Ok ? "true" : "false") +
                   ", \"tolerance_line\": " + std::to_string(f.SetupLine) +
                   ", \"note\": " + JsonString(f.Note) + ", \"sizes\": [";
            for (size_t k = 0; k < f.Sizes.size(); ++k) {
                const target::SheetSize& z = f.Sizes[k];
                out += (k ? ", " : "") + std::string("{\"name\": ") + JsonString(z.Name) +
                       ", \"nominal\": " + Fine(z.Nominal);
                if (z.Measured)
                    out += ", \"simulated\": " + Fine(z.Simulated) + ", \"min\": " + Fine(z.Min) +
                           ", \"max\": " + Fine(z.Max) + ", \"deviation\": " + Fine(z.Deviation);
                else
                    out += ", \"simulated\": null, \"min\": null, \"max\": null, \"deviation\": null";
                out += ", \"plus\": " + Fine(z.Plus) + ", \"minus\": " + Fine(z.Minus) +
                       ", \"ok\": " + (z.Ok ? "true" : "false") + "}";
            }
            out += "]}";
        }
        out += "]";
    }
    out += "}";
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
        out += "    " + std::string(KindName(d)) + " " + stock::MmText(d.Depth) + " mm deep at X" +
               stock::MmText(2 * d.Deepest.x) + " Z" + stock::MmText(d.Deepest.z) + ", Z" +
               stock::MmText(d.Z1) + " to Z" + stock::MmText(d.Z0) + ", " + stock::MmText(d.AreaMm2) +
               " mm2, " + stock::MmText(d.VolumeMm3) + " mm3";
        if (!d.Lines.empty()) out += (d.Lines.size() == 1 ? ", line " : ", lines ") + LinesText(d.Lines);
        out += "\n";
    }
    if (c.Inspection.Features.empty()) return;
    // The sheet as a table a shop lead scans down its last column.
    out += "  inspection: " + SheetSummary(c.Inspection) + "\n";
    const std::vector<SheetRow> rows = SheetRows(c.Inspection);
    SheetRow head{"feature", "size", "nominal", "simulated", "deviation", "tolerance", "", "", true, true};
    size_t w[6] = {};
    const auto widen = [&w](const SheetRow& r) {
        const std::string* cells[] = {&r.Feature,   &r.Size,      &r.Nominal,
                                      &r.Simulated, &r.Deviation, &r.Tolerance};
        for (size_t i = 0; i < 6; ++i)
            w[i] = std::max(w[i], Columns(*cells[i]));
    };
    widen(head);
    for (const SheetRow& r : rows)
        widen(r);
    const auto line = [&](const SheetRow& r) {
        std::string l = "    " + Padded(r.Feature, w[0]) + "  " + Padded(r.Size, w[1]) + "  " +
                        Padded(r.Nominal, w[2], true) + "  " + Padded(r.Simulated, w[3], true) + "  " +
                        Padded(r.Deviation, w[4], true) + "  " + Padded(r.Tolerance, w[5]) + "  " + r.Verdict;
        if (!r.Note.empty()) l += "  (" + r.Note + ")";
        while (!l.empty() && l.back() == ' ')
            l.pop_back();
        out += l + "\n";
    };
    line(head);
    for (const SheetRow& r : rows)
        line(r);
}

} // namespace check
