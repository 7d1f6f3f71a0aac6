// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/SetupFile.h"

#include "input/SafePath.h"
#include "stock/SetupValueText.h"
#include "stock/ToolSources.h"

#include <toml++/toml.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>

namespace stock {

namespace {

// Reads the tables of a setup file, stopping at the first problem.
class Reader {
  public:
    Reader(const std::string& file, SetupError& error) : File(file), Error(error) {}

    bool Fail(const toml::node* at, const std::string& message) {
        if (!Failed) {
            Failed = true;
            Error.File = File;
            Error.Line = at ? static_cast<int64_t>(at->source().begin.line) : 0;
            Error.Message = message;
        }
        return false;
    }
    bool Failed = false;

    // Every key of `t` must be one of `known`: a misspelt key would silently be a default.
    bool OnlyKeys(const toml::table& t, const std::string& where, std::initializer_list<const char*> known) {
        for (auto&& [key, node] : t) {
            bool ok = false;
            for (const char* k : known)
                ok = ok || key.str() == k;
            if (!ok) return Fail(&node, "unknown key " + where + std::string(key.str()));
        }
        return true;
    }

    // A number (integer or float); absent leaves `out` as it is.
    bool Number(const toml::table& t, const std::string& where, const char* key, double& out) {
        const toml::node* n = t.get(key);
        if (!n) return true;
        return Value(*n, where + key, out);
    }
    // The one rule every number of a setup passes, wherever it stands (a key's value, a point of
    // a list): a number, within LargestSize.
    bool Value(const toml::node& n, const std::string& name, double& out) {
        const std::optional<double> v = n.value<double>();
        // An integer too large for a double to hold exactly is a number, and far out of range.
        if (!v && n.is_integer()) return Fail(&n, name + " is out of range: " + Show(n));
        if (!v || !std::isfinite(*v)) return Fail(&n, name + " must be a number, not " + Show(n));
        if (std::fabs(*v) > LargestSize) return Fail(&n, name + " is out of range: " + Show(n));
        out = *v;
        return true;
    }
    bool Required(const toml::table& t, const std::string& where, const char* key, double& out) {
        if (!t.get(key)) return Fail(&t, where + key + " is missing");
        return Number(t, where, key, out);
    }
    bool Text(const toml::table& t, const std::string& where, const char* key, std::string& out) {
        const toml::node* n = t.get(key);
        if (!n) return true;
        const std::optional<std::string> v = n->value<std::string>();
        if (!v) return Fail(n, where + key + " must be a text in double quotes, not " + Show(*n));
        out = *v;
        return true;
    }
    bool Flag(const toml::table& t, const std::string& where, const char* key, bool& out) {
        const toml::node* n = t.get(key);
        if (!n) return true;
        const std::optional<bool> v = n->value_exact<bool>();
        if (!v) return Fail(n, where + key + " must be true or false, not " + Show(*n));
        out = *v;
        return true;
    }
    // A value's own text, for messages.
    static std::string Show(const toml::node& n) { return ValueText(n); }

  private:
    const std::string& File;
    SetupError& Error;
};

// [program]: control = "kvz" | "fanuc" | "iso", unit = "mm" | "inch".
bool ReadProgramTable(Reader& r, const toml::node& n, ProgramChoice& p) {
    const toml::table* t = n.as_table();
    if (!t) return r.Fail(&n, "program must be a table [program]");
    const std::string w = "program.";
    if (!r.OnlyKeys(*t, w, {"control", "unit"}) || !r.Text(*t, w, "control", p.Control) ||
        !r.Text(*t, w, "unit", p.Unit))
        return false;
    if (t->get("control") && p.Control != "kvz" && p.Control != "fanuc" && p.Control != "iso")
        return r.Fail(t->get("control"), "program.control must be \"kvz\", \"fanuc\" or \"iso\", not " +
                                             Reader::Show(*t->get("control")));
    if (t->get("unit") && p.Unit != "mm" && p.Unit != "inch")
        return r.Fail(t->get("unit"),
                      "program.unit must be \"mm\" or \"inch\", not " + Reader::Show(*t->get("unit")));
    return true;
}

std::optional<toml::table> ParseToml(std::string_view text, const std::string& file, SetupError& error) {
    try {
        return toml::parse(text, file);
    } catch (const toml::parse_error& e) {
        error = {file, static_cast<int64_t>(e.source().begin.line), std::string(e.description())};
        return std::nullopt;
    }
}

bool ReadStock(Reader& r, const toml::table& t, Stock& s) {
    const std::string w = "stock.";
    if (!r.OnlyKeys(
            t, w,
            {"kind", "diameter", "bore", "length", "front_z", "face_allowance", "profile", "rub_depth"}))
        return false;
    std::string kind = "bar";
    if (!r.Text(t, w, "kind", kind) || !r.Number(t, w, "rub_depth", s.RubDepth)) return false;
    if (s.RubDepth < 0)
        return r.Fail(t.get("rub_depth"),
                      "stock.rub_depth cannot be negative: " + Reader::Show(*t.get("rub_depth")));
    if (kind == "bar" || kind == "tube") {
        s.Shape = kind == "bar" ? Stock::Kind::Bar : Stock::Kind::Tube;
        if (!r.Required(t, w, "diameter", s.Diameter) || !r.Required(t, w, "length", s.Length)) return false;
        if (s.Shape == Stock::Kind::Tube && !r.Required(t, w, "bore", s.Bore)) return false;
        if (!r.Number(t, w, "face_allowance", s.FaceAllowance)) return false;
        s.FrontZ = s.FaceAllowance; // the finished face at Z0 unless said otherwise
        if (!r.Number(t, w, "front_z", s.FrontZ)) return false;
        return true;
    }
    if (kind != "profile")
        return r.Fail(t.get("kind"),
                      "stock.kind must be \"bar\", \"tube\" or \"profile\", not \"" + kind + "\"");
    s.Shape = Stock::Kind::Profile;
    const toml::array* points = t.get_as<toml::array>("profile");
    if (!points)
        return r.Fail(t.get("profile") ? t.get("profile") : &t, "stock.profile must be a list of points");
    if (points->size() > MostProfilePoints)
        return r.Fail(points, "stock.profile has " + std::to_string(points->size()) + " points; at most " +
                                  std::to_string(MostProfilePoints) + " are taken");
    for (const toml::node& n : *points) {
        const toml::table* p = n.as_table();
        if (!p)
            return r.Fail(&n,
                          "stock.profile: each point is a table {radius = R, z = Z} (arc = A for an arc)");
        ProfilePoint q;
        if (!r.OnlyKeys(*p, "stock.profile.", {"radius", "z", "arc"}) ||
            !r.Required(*p, "stock.profile.", "radius", q.Radius) ||
            !r.Required(*p, "stock.profile.", "z", q.Z) || !r.Number(*p, "stock.profile.", "arc", q.Arc))
            return false;
        if (q.Radius < 0)
            return r.Fail(&n, "stock.profile.radius cannot be negative: " + Reader::Show(*p->get("radius")));
        s.Profile.push_back(q);
    }
    return true;
}

bool ReadHolding(Reader& r, const toml::table* chuck, const toml::table* tail, WorkHolding& h) {
    if (chuck) {
        const std::string w = "chuck.";
        if (!r.OnlyKeys(*chuck, w,
                        {"face_z", "diameter", "grip_diameter", "grip_length", "jaw_height", "step"}) ||
            !r.Required(*chuck, w, "face_z", h.ChuckFaceZ) ||
            !r.Number(*chuck, w, "diameter", h.ChuckDiameter) ||
            !r.Number(*chuck, w, "grip_diameter", h.GripDiameter) ||
            !r.Number(*chuck, w, "grip_length", h.GripLength) ||
            !r.Number(*chuck, w, "jaw_height", h.JawHeight))
            return false;
        if (const toml::node* step = chuck->get("step")) {
            const toml::table* st = step->as_table();
            if (!st) return r.Fail(step, "chuck.step must be a table {length = L, height = H}");
            if (!r.OnlyKeys(*st, "chuck.step.", {"length", "height"}) ||
                !r.Required(*st, "chuck.step.", "length", h.StepLength) ||
                !r.Required(*st, "chuck.step.", "height", h.StepHeight))
                return false;
        }
    } else {
        h.Chuck = false; // a tailstock alone
    }
    if (tail) {
        double z = 0;
        if (!r.OnlyKeys(*tail, "tailstock.", {"z"}) || !r.Required(*tail, "tailstock.", "z", z)) return false;
        h.TailstockZ = z;
    }
    return true;
}

bool ReadKind(Reader& r, const toml::table& t, Tool& tool) {
    std::string kind = "turning";
    if (!r.Text(t, "tool.", "kind", kind)) return false;
    static const std::pair<const char*, Tool::Kind> kinds[] = {
        {"turning", Tool::Kind::Turning}, {"boring", Tool::Kind::Boring}, {"grooving", Tool::Kind::Grooving},
        {"parting", Tool::Kind::Parting}, {"thread", Tool::Kind::Thread}, {"drill", Tool::Kind::Drill}};
    for (const auto& [name, k] : kinds)
        if (kind == name) {
            tool.Type = k;
            if (k == Tool::Kind::Boring) tool.TipDirection = 2;
            if (k == Tool::Kind::Thread) tool.TipDirection = 8;
            return true;
        }
    return r.Fail(t.get("kind"),
                  "tool.kind \"" + kind + "\" is not turning, boring, grooving, parting, thread or drill");
}

bool ReadTool(Reader& r, const toml::table& t, int& number, Tool& tool) {
    const std::string w = "tool.";
    if (!r.OnlyKeys(t, w, {"number",      "kind",          "insert",      "shape",
                           "edge_length", "nose_radius",   "tip",         "approach_angle",
                           "width",       "corner_radius", "reach",       "included_angle",
                           "tip_radius",  "diameter",      "point_angle", "flute_length",
                           "axis",        "driven",        "holder",      "post"}))
        return false;
    double n = 0, tip = 0;
    if (!r.Required(t, w, "number", n)) return false;
    if (n != std::floor(n) || n < 0 || n > 99)
        return r.Fail(t.get("number"),
                      "tool.number must be a whole number 0 to 99, not " + Reader::Show(*t.get("number")));
    number = static_cast<int>(n);
    tool.Source = "setup file";
    if (!ReadKind(r, t, tool)) return false;
    std::string insert, shape, axis;
    if (!r.Text(t, w, "insert", insert) || !r.Text(t, w, "shape", shape) || !r.Text(t, w, "axis", axis) ||
        !r.Flag(t, w, "driven", tool.Driven))
        return false;
    if (axis == "x" || axis == "X")
        tool.FeedAxis = Tool::Axis::X;
    else if (axis == "z" || axis == "Z")
        tool.FeedAxis = Tool::Axis::Z;
    else if (!axis.empty())
        return r.Fail(t.get("axis"), "tool.axis must be \"x\" or \"z\", not \"" + axis + "\"");
    if (!insert.empty() && !ApplyInsertDesignation(insert, tool))
        return r.Fail(t.get("insert"),
                      "tool.insert \"" + insert + "\" is no ISO insert designation (like \"CNMG 120408\")");
    if (!shape.empty()) {
        if (shape.size() != 1 || !ShapeAngle(shape[0]))
            return r.Fail(t.get("shape"),
                          "tool.shape \"" + shape + "\" is not one of C, D, E, V, S, T, W, R");
        tool.Shape = shape[0];
    }
    // NOTE: the section is turned round the axis, so the side of it a tool and its holder work
    // on changes no cut and no collision; a key that changed nothing is refused rather than kept.
    if (t.get("post"))
        return r.Fail(t.get("post"),
                      "tool.post is no longer read: the stock is cut as a section turned round "
                      "the axis, so the side a tool works on changes nothing; delete the line");
    tip = tool.TipDirection;
    if (!r.Number(t, w, "edge_length", tool.EdgeLength) || !r.Number(t, w, "nose_radius", tool.NoseRadius) ||
        !r.Number(t, w, "tip", tip) || !r.Number(t, w, "approach_angle", tool.ApproachAngle) ||
        !r.Number(t, w, "width", tool.Width) || !r.Number(t, w, "corner_radius", tool.CornerRadius) ||
        !r.Number(t, w, "reach", tool.Reach) || !r.Number(t, w, "included_angle", tool.IncludedAngle) ||
        !r.Number(t, w, "tip_radius", tool.TipRadius) || !r.Number(t, w, "diameter", tool.DrillDiameter) ||
        !r.Number(t, w, "point_angle", tool.PointAngle) || !r.Number(t, w, "flute_length", tool.FluteLength))
        return false;
    if (tip != std::floor(tip) || tip < 0 || tip > 9)
        return r.Fail(t.get("tip"),
                      "tool.tip must be a tip direction 0 to 9, not " + Reader::Show(*t.get("tip")));
    tool.TipDirection = static_cast<int>(tip);
    if (tool.NoseRadius < 0)
        return r.Fail(t.get("nose_radius"),
                      "tool.nose_radius cannot be negative: " + Reader::Show(*t.get("nose_radius")));
    if (const toml::node* holder = t.get("holder")) {
        const toml::array* pts = holder->as_array();
        if (!pts || pts->size() < 3)
            return r.Fail(holder, "tool.holder must be a list of at least three [z, radius] points");
        if (pts->size() > MostHolderPoints)
            return r.Fail(holder, "tool.holder has " + std::to_string(pts->size()) + " points; at most " +
                                      std::to_string(MostHolderPoints) + " are taken");
        for (const toml::node& p : *pts) {
            const toml::array* xy = p.as_array();
            if (!xy || xy->size() != 2)
                return r.Fail(&p, "tool.holder: each point is [z, radius], not " + Reader::Show(p));
            Point q;
            if (!r.Value((*xy)[0], "tool.holder's z", q.z) || !r.Value((*xy)[1], "tool.holder's radius", q.x))
                return false;
            tool.Holder.push_back(q);
        }
    }
    return true;
}

} // namespace

std::string SetupError::Text() const {
    if (Line > 0) return File + ":" + std::to_string(Line) + ": " + Message;
    return File + ": " + Message;
}

std::optional<Setup> ParseSetup(std::string_view text, const std::string& file, SetupError& error) {
    std::optional<toml::table> parsed = ParseToml(text, file, error);
    if (!parsed) return std::nullopt;
    const toml::table& doc = *parsed;
    Reader r(file, error);
    Setup setup;
    setup.File = file;
    if (!r.OnlyKeys(doc, "",
                    {"program", "stock", "chuck", "tailstock", "tool", "tool_table", "machine", "target"}))
        return std::nullopt;
    if (const toml::node* program = doc.get("program")) {
        setup.Program.emplace();
        if (!ReadProgramTable(r, *program, *setup.Program)) return std::nullopt;
    }
    const toml::table* stockTable = doc.get_as<toml::table>("stock");
    if (!stockTable) {
        r.Fail(doc.get("stock"), "the setup has no [stock] table");
        // A file that only says how the program is read is no setup of the stock, and no fault.
        error.NoStock = !doc.get("stock") && !doc.get("chuck") && !doc.get("tailstock") && !doc.get("tool") &&
                        !doc.get("tool_table");
        return std::nullopt;
    }
    if (!ReadStock(r, *stockTable, setup.Material)) return std::nullopt;
    // Each part is checked as soon as it is read, so that a problem names its table's line.
    const auto sound = [&](const toml::node& at, const Setup& part) {
        const std::string why = Validate(part);
        return why.empty() || r.Fail(&at, why);
    };
    if (const SetupProblem p = FindProblem(setup); !p.Field.empty()) {
        // A point of the profile at fault is named by its own line.
        const toml::array* points = stockTable->get_as<toml::array>("profile");
        const toml::node* at =
            points && p.Point > 0 && p.Point <= points->size() ? points->get(p.Point - 1) : stockTable;
        r.Fail(at, p.Message);
        return std::nullopt;
    }
    const toml::table* chuck = doc.get_as<toml::table>("chuck");
    const toml::table* tail = doc.get_as<toml::table>("tailstock");
    for (const char* key : {"chuck", "tailstock"})
        if (doc.get(key) && !doc.get(key)->is_table()) {
            r.Fail(doc.get(key), std::string(key) + " must be a table [" + key + "]");
            return std::nullopt;
        }
    if (chuck || tail) {
        WorkHolding h;
        if (!ReadHolding(r, chuck, tail, h)) return std::nullopt;
        setup.Holding = h;
        if (!sound(chuck ? static_cast<const toml::node&>(*chuck) : *tail, setup)) return std::nullopt;
    }
    std::string table;
    if (!r.Text(doc, "", "tool_table", table)) return std::nullopt;
    if (!table.empty()) {
        // Only a file beside the setup: a setup put beside a program by someone else must not
        // make the check read (and quote) any file the operator may read.
        const std::string path = input::FileBeside(file, table);
        if (path.empty()) {
            r.Fail(doc.get("tool_table"),
                   "tool_table must name a file beside the setup file (no \"/\" and no \"..\")");
            return std::nullopt;
        }
        if (!ReadToolTableFile(path, setup.Tools, error)) return std::nullopt;
    }
    if (const toml::node* tools = doc.get("tool")) {
        const toml::array* list = tools->as_array();
        if (!list) {
            r.Fail(tools, "tools are given as [[tool]] tables");
            return std::nullopt;
        }
        std::set<int> seen;
        for (const toml::node& n : *list) {
            const toml::table* t = n.as_table();
            int number = 0;
            Tool tool;
            if (!t) {
                r.Fail(&n, "tools are given as [[tool]] tables");
                return std::nullopt;
            }
            if (!ReadTool(r, *t, number, tool)) return std::nullopt;
            Setup part;
            part.Material = setup.Material;
            part.Tools[number] = tool;
            if (!sound(*t, part)) return std::nullopt;
            if (!seen.insert(number).second) {
                r.Fail(t->get("number"), "tool " + std::to_string(number) + " is described twice");
                return std::nullopt;
            }
            setup.Tools[number] = tool;
        }
    }
    if (const std::string why = Validate(setup); !why.empty()) {
        error = {file, 0, why};
        return std::nullopt;
    }
    return setup;
}

std::optional<Setup> ReadSetupFile(const std::string& path, SetupError& error) {
    std::string bytes;
    if (!ReadTextFile(path, bytes, error)) return std::nullopt;
    return ParseSetup(bytes, path, error);
}

bool ReadProgramChoice(const std::string& path, std::optional<ProgramChoice>& choice, SetupError& error) {
    choice.reset();
    std::string bytes;
    if (!ReadTextFile(path, bytes, error)) return false;
    std::optional<toml::table> doc = ParseToml(bytes, path, error);
    if (!doc) return false;
    const toml::node* program = doc->get("program");
    if (!program) return true;
    Reader r(path, error);
    ProgramChoice p;
    if (!ReadProgramTable(r, *program, p)) return false;
    choice = p;
    return true;
}

std::string DefaultSetupPath(const std::string& programPath) {
    std::filesystem::path p(programPath);
    p.replace_extension(".setup.toml");
    return p.string();
}

std::optional<Stock> ParseStockOption(const std::string& shape, std::string& error) {
    std::vector<std::string> parts;
    std::stringstream in(shape);
    for (std::string part; std::getline(in, part, ',');)
        parts.push_back(part);
    std::vector<double> v;
    for (size_t i = 1; i < parts.size(); ++i) {
        char* end = nullptr;
        const double d = std::strtod(parts[i].c_str(), &end);
        if (parts[i].empty() || *end != '\0' || !std::isfinite(d) || d < SmallestSize || d > LargestSize) {
            error = "--stock: \"" + parts[i] + "\" is not a size from 0.001 to 100000 mm";
            return std::nullopt;
        }
        v.push_back(d);
    }
    Stock s;
    if (!parts.empty() && parts[0] == "bar" && v.size() == 2) {
        s.Shape = Stock::Kind::Bar, s.Diameter = v[0], s.Length = v[1];
    } else if (!parts.empty() && parts[0] == "tube" && v.size() == 3) {
        s.Shape = Stock::Kind::Tube, s.Diameter = v[0], s.Bore = v[1], s.Length = v[2];
        if (s.Bore >= s.Diameter) {
            error = "--stock: the bore must be smaller than the diameter";
            return std::nullopt;
        }
    } else {
        error = "--stock needs bar,DIAMETER,LENGTH or tube,DIAMETER,BORE,LENGTH";
        return std::nullopt;
    }
    error.clear();
    return s;
}

} // namespace stock
