// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/SetupEdit.h"

#include "stock/SetupFile.h"
#include "stock/SetupWriter.h"

#include <toml++/toml.h>

#include <algorithm>
#include <optional>
#include <set>
#include <vector>

namespace stock {

namespace {

// One change of the text: the bytes [Begin, End) give way to Text.
struct Change {
    size_t Begin = 0, End = 0;
    std::string Text;
};

// The text with its lines, and the changes of one pass over it.
class Editor {
  public:
    Editor(const std::string& text, const toml::table& doc) : Src(text), Doc(doc) {
        Starts.push_back(0);
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == '\n') Starts.push_back(i + 1);
        Eol = text.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        CollectHeaders(doc);
    }

    bool Failed() const { return !Why.empty(); }
    const std::string& Reason() const { return Why; }
    bool Changed() const { return !Changes.empty(); }

    // The value of `key` in `table` becomes `value` (a TOML value's text); a missing key is added
    // after the table's last key, in the indentation of that key's line.
    void Set(const toml::table& table, const std::string& key, const std::string& value) {
        if (const toml::node* n = table.get(key)) {
            const toml::source_region r = n->source();
            Changes.push_back({Offset(r.begin), Offset(r.end), value});
            return;
        }
        const size_t last = LastOwnLine(table);
        std::string indent;
        if (last != HeaderLine(table))
            for (size_t i = LineStart(last); i < Src.size() && (Src[i] == ' ' || Src[i] == '\t'); ++i)
                indent += Src[i];
        const size_t at = LineEnd(last);
        const std::string before = at > 0 && Src[at - 1] != '\n' ? Eol : std::string();
        Changes.push_back({at, at, before + indent + key + " = " + value + Eol});
    }

    // The line of `key` in `table` goes, when it holds that key alone (a comment may follow).
    void Remove(const toml::table& table, const std::string& key) {
        for (auto&& [k, node] : table) {
            if (k.str() != key) continue;
            const size_t line = k.source().begin.line, end = node.source().end.line;
            const size_t from = LineStart(line), after = Offset(node.source().end);
            const bool alone = Src.find_first_not_of(" \t", from) == Offset(k.source().begin) &&
                               RestIsComment(after, LineStart(end + 1));
            if (!alone) return Fail("the key " + key + " shares its line with another");
            Changes.push_back({from, LineStart(end + 1), {}});
            return;
        }
    }

    // The table and its keys go, from its header to its last key; a blank line after it goes too
    // when one stands before it, so that no two blank lines are left.
    void RemoveTable(const toml::table& table) {
        const size_t header = HeaderLine(table);
        if (header == 0) return Fail("a table without a header of its own cannot be taken out");
        const size_t last = LastLine(table);
        for (const size_t h : Headers)
            if (h > header && h <= last && !Within(table, h))
                return Fail("another table's header lies inside the table to be taken out");
        size_t end = last + 1;
        const bool blankBefore = header == 1 || Blank(header - 1);
        if (blankBefore && end < Starts.size() && Blank(end)) ++end;
        Changes.push_back({LineStart(header), LineStart(end), {}});
    }

    // A table written whole (starting with a blank line) at the end of the text.
    void Append(std::string table) {
        std::string text;
        if (!Src.empty() && Src.back() != '\n') text += Eol;
        for (const char c : table)
            text += c == '\n' ? Eol : std::string(1, c);
        Changes.push_back({Src.size(), Src.size(), text});
    }

    void Fail(const std::string& why) {
        if (Why.empty()) Why = why;
    }

    // The text with the changes made; false when two of them would overlap.
    bool Apply(std::string& out) {
        std::stable_sort(Changes.begin(), Changes.end(),
                         [](const Change& a, const Change& b) { return a.Begin < b.Begin; });
        out.clear();
        size_t at = 0;
        for (const Change& c : Changes) {
            if (c.Begin < at) {
                Fail("two changes of the file meet");
                return false;
            }
            out.append(Src, at, c.Begin - at);
            out += c.Text;
            at = c.End;
        }
        out.append(Src, at, std::string::npos);
        return true;
    }

  private:
    // Byte offset of a position (1-based line, 1-based column counted in characters).
    size_t Offset(const toml::source_position& p) const {
        size_t at = LineStart(p.line);
        for (size_t column = 1; column < p.column && at < Src.size(); ++column) {
            ++at;
            while (at < Src.size() && (static_cast<unsigned char>(Src[at]) & 0xC0) == 0x80)
                ++at;
        }
        return at;
    }
    size_t LineStart(size_t line) const {
        return line >= 1 && line <= Starts.size() ? Starts[line - 1] : Src.size();
    }
    // The offset after the line's end of line.
    size_t LineEnd(size_t line) const { return LineStart(line + 1); }
    bool Blank(size_t line) const {
        const size_t from = LineStart(line), to = LineStart(line + 1);
        const size_t first = Src.find_first_not_of(" \t\r\n", from);
        return first == std::string::npos || first >= to;
    }
    bool RestIsComment(size_t from, size_t to) const {
        const size_t first = Src.find_first_not_of(" \t\r\n", from);
        return first == std::string::npos || first >= to || Src[first] == '#';
    }

    // A table with a header of its own ([chuck], [[tool]]): not inline, and its source is a line
    // that holds a header.
    static bool HasHeader(const toml::table& t) { return !t.is_inline() && t.source().begin.line > 0; }

  public:
    // The line(s) of the key `key` and its value, as they stand.
    std::string KeyText(const toml::key& key, const toml::node& value) const {
        const size_t from = LineStart(key.source().begin.line), to = LineStart(value.source().end.line + 1);
        std::string line = Src.substr(from, to - from);
        if (!line.empty() && line.back() != '\n') line += Eol;
        return line;
    }
    // The text of the tables of `entries` (top-level tables or arrays of tables), in the file's
    // order: each from its header to the next header of the file, its comments and blank lines
    // with it. A table without a header of its own (dotted keys) has no text of its own here.
    std::string TablesText(const std::vector<const toml::node*>& entries) const {
        std::vector<size_t> all = Headers, own;
        for (const toml::node* n : entries)
            HeadersIn(*n, own);
        std::sort(all.begin(), all.end());
        std::sort(own.begin(), own.end());
        own.erase(std::unique(own.begin(), own.end()), own.end());
        std::string out;
        for (size_t k = 0; k < own.size(); ++k) {
            const size_t h = own[k];
            const auto next = std::upper_bound(all.begin(), all.end(), h);
            const size_t end = next == all.end() ? Starts.size() + 1 : *next;
            // A table followed by one of these is taken whole; else without the blank lines
            // after it, one blank line parting it from the next.
            const bool followed = k + 1 < own.size() && own[k + 1] == end;
            size_t last = end - 1;
            while (!followed && last > h &&
                   Src.find_first_not_of(" \t\r\n", LineStart(last)) >= LineStart(last + 1))
                --last;
            out += Src.substr(LineStart(h), LineStart(last + 1) - LineStart(h));
            if (out.back() != '\n') out += Eol;
            if (!followed && k + 1 < own.size()) out += Eol;
        }
        return out;
    }

  private:
    size_t HeaderLine(const toml::table& t) const {
        const size_t line = t.source().begin.line;
        return HasHeader(t) && std::count(Headers.begin(), Headers.end(), line) ? line : 0;
    }
    void CollectHeaders(const toml::node& n) {
        if (const toml::table* t = n.as_table()) {
            if (!t->is_inline() && t != &Doc) {
                const size_t line = t->source().begin.line;
                const size_t start = Src.find_first_not_of(" \t", LineStart(line));
                if (start < Src.size() && Src[start] == '[') Headers.push_back(line);
            }
            for (auto&& [k, v] : *t)
                CollectHeaders(v);
        } else if (const toml::array* a = n.as_array()) {
            if (a->is_array_of_tables())
                for (const toml::node& e : *a)
                    CollectHeaders(e);
        }
    }
    void HeadersIn(const toml::node& n, std::vector<size_t>& lines) const {
        if (const toml::table* t = n.as_table()) {
            if (const size_t h = HeaderLine(*t)) lines.push_back(h);
            for (auto&& [k, v] : *t)
                HeadersIn(v, lines);
        } else if (const toml::array* a = n.as_array()) {
            if (a->is_array_of_tables())
                for (const toml::node& e : *a)
                    HeadersIn(e, lines);
        }
    }
    // The last line of the table's own keys (a sub-table with a header of its own excluded), or
    // its header's line when it has none.
    size_t LastOwnLine(const toml::table& t) const {
        size_t last = HeaderLine(t);
        for (auto&& [k, v] : t) {
            const toml::table* sub = v.as_table();
            if (sub && HeaderLine(*sub)) continue;
            last = std::max<size_t>(last, sub && !sub->is_inline() ? LastOwnLine(*sub) : v.source().end.line);
        }
        return last;
    }
    // The last line of the table with everything in it.
    size_t LastLine(const toml::table& t) const {
        size_t last = HeaderLine(t);
        for (auto&& [k, v] : t) {
            const toml::table* sub = v.as_table();
            last = std::max<size_t>(last, sub && !sub->is_inline() ? LastLine(*sub) : v.source().end.line);
        }
        return last;
    }
    // Whether the header at `line` is of a table inside `t`.
    bool Within(const toml::table& t, size_t line) const {
        for (auto&& [k, v] : t)
            if (const toml::table* sub = v.as_table())
                if (HeaderLine(*sub) == line || Within(*sub, line)) return true;
        return false;
    }

    const std::string& Src;
    const toml::table& Doc;
    std::vector<size_t> Starts;  // offset of each line's first byte
    std::vector<size_t> Headers; // lines of table headers
    std::string Eol;
    std::vector<Change> Changes;
    std::string Why;
};

std::string Quoted(const std::string& s) {
    return "\"" + s + "\"";
}

const char* KindKey(Tool::Kind k) {
    static const char* const names[] = {"turning", "boring", "grooving", "parting", "thread", "drill"};
    return names[static_cast<int>(k)];
}

bool SameHolder(const Outline& a, const Outline& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const Point& p, const Point& q) { return p.z == q.z && p.x == q.x; });
}

// The [[tool]] tables of the file by their numbers.
std::map<int, const toml::table*> ToolTables(const toml::table& doc) {
    std::map<int, const toml::table*> tables;
    if (const toml::array* list = doc.get_as<toml::array>("tool"))
        for (const toml::node& n : *list)
            if (const toml::table* t = n.as_table())
                if (const std::optional<double> number =
                        t->get("number") ? t->get("number")->value<double>() : std::nullopt)
                    tables[static_cast<int>(*number)] = t;
    return tables;
}

// 1. The structure: renumbered tools get their new numbers, the tables of what the operator took
// out go.
void Restructure(Editor& e, const toml::table& doc, const Setup& edited, const std::map<int, int>& origin) {
    std::map<int, int> keptAs; // file number -> number in the edited setup
    for (const auto& [n, tool] : edited.Tools) {
        const auto it = origin.find(n);
        const int from = it == origin.end() ? n : it->second;
        if (from >= 0) keptAs[from] = n;
    }
    for (const auto& [number, table] : ToolTables(doc)) {
        const auto kept = keptAs.find(number);
        if (kept == keptAs.end())
            e.RemoveTable(*table);
        else if (kept->second != number)
            e.Set(*table, "number", std::to_string(kept->second));
    }
    const bool chuck = edited.Holding && edited.Holding->Chuck;
    const bool tail = edited.Holding && edited.Holding->TailstockZ;
    if (const toml::table* t = doc.get_as<toml::table>("chuck"); t && !chuck) e.RemoveTable(*t);
    if (const toml::table* t = doc.get_as<toml::table>("tailstock"); t && !tail) e.RemoveTable(*t);
}

void EditNumber(Editor& e, const toml::table& t, const char* key, double now, double wanted) {
    if (now != wanted) e.Set(t, key, SetupNumberText(wanted));
}

void EditStock(Editor& e, const toml::table& t, const Stock& now, const Stock& s) {
    if (s.Shape == Stock::Kind::Profile) {
        if (now.Shape != Stock::Kind::Profile) e.Fail("the profile cannot be written back");
        return;
    }
    if (now.Shape != s.Shape) e.Set(t, "kind", Quoted(s.Shape == Stock::Kind::Tube ? "tube" : "bar"));
    EditNumber(e, t, "diameter", now.Diameter, s.Diameter);
    if (s.Shape == Stock::Kind::Tube) EditNumber(e, t, "bore", now.Shape == s.Shape ? now.Bore : 0, s.Bore);
    EditNumber(e, t, "length", now.Length, s.Length);
    EditNumber(e, t, "face_allowance", now.FaceAllowance, s.FaceAllowance);
    EditNumber(e, t, "front_z", now.FrontZ, s.FrontZ);
    EditNumber(e, t, "rub_depth", now.RubDepth, s.RubDepth);
}

void EditHolding(Editor& e, const toml::table& doc, const Setup& now, const Setup& edited) {
    const WorkHolding none;
    const WorkHolding& h = edited.Holding ? *edited.Holding : none;
    const WorkHolding& was = now.Holding ? *now.Holding : none;
    const bool chuck = edited.Holding && h.Chuck;
    const toml::table* c = doc.get_as<toml::table>("chuck");
    if (chuck && !c) {
        WorkHolding only = h;
        only.TailstockZ.reset();
        e.Append(HoldingTablesText(only));
    } else if (chuck) {
        EditNumber(e, *c, "face_z", was.ChuckFaceZ, h.ChuckFaceZ);
        EditNumber(e, *c, "diameter", was.ChuckDiameter, h.ChuckDiameter);
        EditNumber(e, *c, "grip_diameter", was.GripDiameter, h.GripDiameter);
        EditNumber(e, *c, "grip_length", was.GripLength, h.GripLength);
        EditNumber(e, *c, "jaw_height", was.JawHeight, h.JawHeight);
        if (was.StepLength != h.StepLength || was.StepHeight != h.StepHeight) {
            if (const toml::table* step = c->get_as<toml::table>("step")) {
                EditNumber(e, *step, "length", was.StepLength, h.StepLength);
                EditNumber(e, *step, "height", was.StepHeight, h.StepHeight);
            } else {
                e.Set(*c, "step",
                      "{length = " + SetupNumberText(h.StepLength) +
                          ", height = " + SetupNumberText(h.StepHeight) + "}");
            }
        }
    }
    const toml::table* t = doc.get_as<toml::table>("tailstock");
    if (!edited.Holding || !h.TailstockZ) return;
    if (!t)
        e.Append("\n[tailstock]\nz = " + SetupNumberText(*h.TailstockZ) + "\n");
    else if (was.TailstockZ != h.TailstockZ)
        e.Set(*t, "z", SetupNumberText(*h.TailstockZ));
}

void EditTool(Editor& e, const toml::table& t, const Tool& now, const Tool& w) {
    if (now.Type != w.Type) e.Set(t, "kind", Quoted(KindKey(w.Type)));
    if (now.Shape != w.Shape) e.Set(t, "shape", Quoted(std::string(1, w.Shape)));
    const std::pair<const char*, std::pair<double, double>> numbers[] = {
        {"edge_length", {now.EdgeLength, w.EdgeLength}},
        {"nose_radius", {now.NoseRadius, w.NoseRadius}},
        {"approach_angle", {now.ApproachAngle, w.ApproachAngle}},
        {"width", {now.Width, w.Width}},
        {"corner_radius", {now.CornerRadius, w.CornerRadius}},
        {"reach", {now.Reach, w.Reach}},
        {"included_angle", {now.IncludedAngle, w.IncludedAngle}},
        {"tip_radius", {now.TipRadius, w.TipRadius}},
        {"diameter", {now.DrillDiameter, w.DrillDiameter}},
        {"point_angle", {now.PointAngle, w.PointAngle}},
        {"flute_length", {now.FluteLength, w.FluteLength}}};
    for (const auto& [key, v] : numbers)
        EditNumber(e, t, key, v.first, v.second);
    if (now.TipDirection != w.TipDirection) e.Set(t, "tip", std::to_string(w.TipDirection));
    if (now.FeedAxis != w.FeedAxis) {
        if (w.FeedAxis == Tool::Axis::Usual)
            e.Remove(t, "axis");
        else
            e.Set(t, "axis", Quoted(w.FeedAxis == Tool::Axis::Z ? "z" : "x"));
    }
    if (now.Driven != w.Driven) e.Set(t, "driven", w.Driven ? "true" : "false");
    if (!SameHolder(now.Holder, w.Holder)) {
        if (w.Holder.empty())
            e.Remove(t, "holder");
        else
            e.Set(t, "holder", HolderText(w.Holder));
    }
}

// 2. The values: every one that reads otherwise than the edited setup wants is changed.
void EditValues(Editor& e, const toml::table& doc, const Setup& now, const Setup& edited) {
    if (const toml::table* s = doc.get_as<toml::table>("stock"))
        EditStock(e, *s, now.Material, edited.Material);
    EditHolding(e, doc, now, edited);
    const std::map<int, const toml::table*> tables = ToolTables(doc);
    for (const auto& [n, tool] : edited.Tools) {
        const auto t = tables.find(n);
        const auto was = now.Tools.find(n);
        if (t == tables.end())
            e.Append(ToolTableText(n, tool));
        else if (was != now.Tools.end())
            EditTool(e, *t->second, was->second, tool);
    }
    for (const auto& [n, tool] : now.Tools)
        if (!edited.Tools.count(n))
            e.Fail("tool " + std::to_string(n) + " comes from the tool table, not from this file");
}

} // namespace

bool EditSetupText(const std::string& text, const std::string& file, const Setup& edited,
                   const std::map<int, int>& origin, std::string& result, std::string& why) {
    std::string current = text;
    // Pass 0 changes the structure; each further pass the values that still read otherwise. A
    // value can depend on another (the front face on the face allowance, the tip on the kind),
    // so a few passes may be needed.
    for (int pass = 0; pass < 5; ++pass) {
        SetupError error;
        const std::optional<Setup> now = ParseSetup(current, file, error);
        if (!now) {
            why = pass == 0 ? error.Text() : "the edited file would not read back: " + error.Text();
            return false;
        }
        toml::table doc;
        try {
            doc = toml::parse(current, file);
        } catch (const toml::parse_error& e) {
            why = std::string(e.description());
            return false;
        }
        Editor e(current, doc);
        if (pass == 0)
            Restructure(e, doc, edited, origin);
        else
            EditValues(e, doc, *now, edited);
        if (e.Failed()) {
            why = e.Reason();
            return false;
        }
        if (!e.Changed() && pass > 0) {
            result = current;
            return true;
        }
        std::string next;
        if (!e.Apply(next)) {
            why = e.Reason();
            return false;
        }
        current = std::move(next);
    }
    why = "the file's values depend on each other in a way the edit cannot follow";
    return false;
}

namespace {

// `written` with `keys` (lines of top-level keys) before its first table and `tables` at its end.
std::string WithParts(const std::string& written, const std::string& keys, const std::string& tables) {
    std::string out = written;
    if (!keys.empty()) {
        size_t first = 0;
        while (first < out.size() && out[first] != '[') {
            const size_t eol = out.find('\n', first);
            first = eol == std::string::npos ? out.size() : eol + 1;
        }
        out.insert(first, keys + "\n");
    }
    if (!tables.empty()) out += "\n" + tables;
    return out;
}

bool ReadsAsSetup(const std::string& text) {
    SetupError error;
    return ParseSetup(text, "setup", error).has_value();
}

} // namespace

std::string KeepUnwritten(const std::string& written, const std::string& text) {
    toml::table doc;
    try {
        doc = toml::parse(text);
    } catch (const toml::parse_error&) {
        return written;
    }
    // What WriteSetup writes from the setup (a tool table's tools become [[tool]] tables).
    static const std::set<std::string> known = {"program",   "stock", "chuck",
                                                "tailstock", "tool",  "tool_table"};
    const Editor e(text, doc);
    const bool reads = ReadsAsSetup(written);
    std::string keys;
    std::vector<const toml::node*> tables;
    for (auto&& [key, node] : doc) {
        if (known.count(std::string(key.str()))) continue;
        const toml::table* t = node.as_table();
        const toml::array* a = node.as_array();
        const bool table = (t && !t->is_inline()) || (a && a->is_array_of_tables());
        const std::string part = table ? e.TablesText({&node}) : e.KeyText(key, node);
        // A part the setup reader refuses (a misspelt table) is what kept the file from being
        // read: it stays in the copy, not in the file written in its place.
        if (reads && !ReadsAsSetup(table ? WithParts(written, {}, part) : WithParts(written, part, {})))
            continue;
        if (table)
            tables.push_back(&node);
        else
            keys += part;
    }
    return WithParts(written, keys, e.TablesText(tables)); // the tables in the file's order
}

} // namespace stock
