// SPDX-License-Identifier: GPL-3.0-or-later
#include "target/TargetFile.h"

#include "input/SafePath.h"

#include <toml++/toml.h>

#include <algorithm>
#include <cmath>

namespace target {

namespace {

// The largest setup file read: as the stock's own reader allows.
constexpr size_t LargestSetup = 16u << 20;

struct Fault {
    const toml::node* At = nullptr;
    std::string Message;
};

std::string Where(const std::string& file, const toml::node* at) {
    return at && at->source().begin.line ? file + ":" + std::to_string(at->source().begin.line) + ": "
                                         : file + ": ";
}

bool Text(const toml::table& t, const char* key, std::string& out, Fault& f) {
    const toml::node* n = t.get(key);
    if (!n) return true;
    const std::optional<std::string> v = n->value<std::string>();
    if (!v) {
        f = {n, std::string("target.") + key + " must be a text in double quotes"};
        return false;
    }
    out = *v;
    return true;
}

bool Number(const toml::table& t, const char* key, double& out, Fault& f, double low, double high,
            const char* table = "target.") {
    const toml::node* n = t.get(key);
    if (!n) return true;
    const std::optional<double> v = n->value<double>();
    if (!v || !std::isfinite(*v) || *v < low || *v > high) {
        f = {n, std::string(table) + key + " must be a number from " + std::to_string(static_cast<int>(low)) +
                    " to " + std::to_string(static_cast<int>(high))};
        return false;
    }
    out = *v;
    return true;
}

// One [[target.feature]] entry: what picks the feature, and its band.
bool ReadFeature(const toml::node& n, FeatureTolerance& e, Fault& f) {
    const toml::table* t = n.as_table();
    if (!t) {
        f = {&n, "target.feature must be [[target.feature]] tables"};
        return false;
    }
    for (auto&& [key, node] : *t) {
        static const char* const known[] = {"diameter", "z", "radius", "angle", "plus", "minus"};
        if (std::none_of(std::begin(known), std::end(known), [&](const char* k) { return key.str() == k; })) {
            f = {&node, "unknown key target.feature." + std::string(key.str())};
            return false;
        }
    }
    const auto pick = [&](const char* key, std::optional<double>& out, double low, double high) {
        if (!t->get(key)) return true;
        double v = 0;
        if (!Number(*t, key, v, f, low, high, "target.feature.")) return false;
        out = v;
        return true;
    };
    if (!pick("diameter", e.Diameter, 0, 1e5) || !pick("z", e.Z, -1e5, 1e5) ||
        !pick("radius", e.Radius, 0, 1e5) || !pick("angle", e.Angle, 0, 90))
        return false;
    if (!e.Diameter && !e.Z && !e.Radius && !e.Angle) {
        f = {&n, "target.feature must pick its feature by diameter, z, radius or angle"};
        return false;
    }
    if (!t->get("plus") || !t->get("minus")) {
        f = {&n, "target.feature needs plus and minus (the band as the drawing writes it: plus = 0.02, "
                 "minus = 0.01)"};
        return false;
    }
    if (!Number(*t, "plus", e.Plus, f, -100, 100, "target.feature.") ||
        !Number(*t, "minus", e.Minus, f, -100, 100, "target.feature."))
        return false;
    if (e.Plus < -e.Minus) {
        f = {t->get("minus"), "target.feature's band is empty: plus must lie above minus's lower limit"};
        return false;
    }
    e.Line = static_cast<int>(n.source().begin.line);
    return true;
}

bool Read(const toml::table& t, const std::string& file, TargetOptions& o, Fault& f) {
    for (auto&& [key, node] : t) {
        static const char* const known[] = {"file", "layer", "half", "units",   "allowance", "tolerance",
                                            "axis", "zero",  "box",  "general", "feature"};
        if (std::none_of(std::begin(known), std::end(known), [&](const char* k) { return key.str() == k; })) {
            f = {&node, "unknown key target." + std::string(key.str())};
            return false;
        }
    }
    std::string name, half = "upper", units = "file";
    if (!Text(t, "file", name, f) || !Text(t, "layer", o.Layer, f) || !Text(t, "half", half, f) ||
        !Text(t, "units", units, f))
        return false;
    if (name.empty()) {
        f = {t.get("file") ? t.get("file") : &t,
             "target.file must name the drawing (a DXF file beside the setup)"};
        return false;
    }
    o.File = input::FileBeside(file, name);
    if (o.File.empty()) {
        f = {t.get("file"), "target.file must name a file beside the setup file (no \"/\" and no \"..\")"};
        return false;
    }
    if (half != "upper" && half != "lower") {
        f = {t.get("half"), "target.half must be \"upper\" or \"lower\", not \"" + half + "\""};
        return false;
    }
    o.Side = half == "upper" ? Half::Upper : Half::Lower;
    if (units != "file" && units != "mm" && units != "inch") {
        f = {t.get("units"), "target.units must be \"file\", \"mm\" or \"inch\", not \"" + units + "\""};
        return false;
    }
    o.Unit = units == "mm" ? Units::Mm : units == "inch" ? Units::Inch : Units::File;
    if (!Number(t, "allowance", o.Allowance, f, -10, 100) ||
        !Number(t, "tolerance", o.Tolerance, f, 0, 100) || !Number(t, "axis", o.AxisY, f, -1e5, 1e5) ||
        !Number(t, "zero", o.ZeroX, f, -1e5, 1e5))
        return false;
    if (o.Tolerance < 0.0001) {
        f = {t.get("tolerance"), "target.tolerance must be at least 0.0001 mm"};
        return false;
    }
    if (const toml::node* b = t.get("box")) {
        const toml::array* a = b->as_array();
        double v[4];
        bool ok = a && a->size() == 4;
        for (size_t i = 0; ok && i < 4; ++i) {
            const std::optional<double> x = a->get(i)->value<double>();
            ok = x && std::isfinite(*x);
            if (ok) v[i] = *x;
        }
        if (!ok) {
            f = {b, "target.box must be four numbers [x0, y0, x1, y1] in the drawing's units"};
            return false;
        }
        o.BoxFrom = DrawingPoint{v[0], v[1]};
        o.BoxTo = DrawingPoint{v[2], v[3]};
    }
    std::string general = "m";
    if (!Text(t, "general", general, f)) return false;
    if (general != "f" && general != "m" && general != "c" && general != "v") {
        f = {t.get("general"), "target.general must be \"f\", \"m\", \"c\" or \"v\" (the general tolerance "
                               "class), not \"" +
                                   general + "\""};
        return false;
    }
    o.General = general[0];
    if (const toml::node* features = t.get("feature")) {
        const toml::array* a = features->as_array();
        if (!a) {
            f = {features, "target.feature must be [[target.feature]] tables"};
            return false;
        }
        for (const toml::node& n : *a) {
            FeatureTolerance e;
            if (!ReadFeature(n, e, f)) return false;
            o.Features.push_back(e);
        }
    }
    return true;
}

} // namespace

std::optional<TargetOptions> ParseTargetOf(std::string_view text, const std::string& file, bool& found,
                                           std::string& why) {
    found = false;
    toml::table doc;
    try {
        doc = toml::parse(text, file);
    } catch (const toml::parse_error& e) {
        found = true; // a setup that cannot be read gives no target either
        why = file + ":" + std::to_string(e.source().begin.line) + ": " + std::string(e.description());
        return std::nullopt;
    }
    const toml::node* n = doc.get("target");
    if (!n) return std::nullopt;
    found = true;
    const toml::table* t = n->as_table();
    if (!t) {
        why = Where(file, n) + "target must be a [target] table";
        return std::nullopt;
    }
    TargetOptions o;
    Fault f;
    if (!Read(*t, file, o, f)) {
        why = Where(file, f.At) + f.Message;
        return std::nullopt;
    }
    return o;
}

std::optional<TargetOptions> TargetOfSetup(const std::string& path, bool& found, std::string& why) {
    found = false;
    std::string bytes;
    if (!input::ReadSmallFile(path, LargestSetup, bytes, why)) {
        found = true;
        why = path + ": " + why;
        return std::nullopt;
    }
    return ParseTargetOf(bytes, path, found, why);
}

std::string TargetFileNamedBy(const std::string& path) {
    std::string bytes, why;
    if (!input::ReadSmallFile(path, LargestSetup, bytes, why)) return {};
    try {
        const toml::table doc = toml::parse(bytes, path);
        const std::optional<std::string> name = doc["target"]["file"].value<std::string>();
        return name ? input::FileBeside(path, *name) : std::string();
    } catch (const toml::parse_error&) {
        return {};
    }
}

} // namespace target
