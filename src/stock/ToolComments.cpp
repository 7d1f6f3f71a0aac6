// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/ToolComments.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <regex>

namespace stock {

namespace {

// Upper case ASCII; the few non-ASCII signs tool comments use as words, the rest as blanks.
std::string Normalise(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
            continue;
        }
        // One UTF-8 sequence: its code point.
        const int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        char32_t cp = c & (0x3F >> more);
        for (int k = 0; k < more && i + 1 < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[++i]) & 0x3F);
        if (cp == 0xB0 || cp == 0xBA) // degree sign, and the ordinal sign written for it
            out += " DEG ";
        else if (cp == 0xD8 || cp == 0xF8 || cp == 0x2300) // Ø, ø, the diameter sign
            out += " DIA ";
        else
            out += ' ';
    }
    return out;
}

// A number as comments write it: "0.8", ".0157", "3.", "12".
constexpr const char* Num = R"((\d+\.\d*|\.\d+|\d+))";

// The number a match's group holds (the patterns let only numbers through; 0 otherwise).
double Value(const std::ssub_match& m) {
    const std::string s = m.str();
    return s.empty() ? 0 : std::strtod(s.c_str(), nullptr);
}

std::regex Pattern(const std::string& text) {
    return std::regex(text, std::regex::ECMAScript | std::regex::optimize);
}

bool Has(const std::string& c, const std::regex& r) {
    return std::regex_search(c, r);
}

// The length a match's first group gives, with the unit written after it when there is one.
NoteLength LengthAt(const std::string& c, const std::smatch& m, int group = 1) {
    NoteLength l{Value(m[group]), false};
    size_t after = static_cast<size_t>(m.position(group) + m.length(group));
    while (after < c.size() && c[after] == ' ')
        ++after;
    if (c.compare(after, 2, "MM") == 0) {
        l.Millimetres = true;
    } else if (c.compare(after, 1, "\"") == 0 ||
               (c.compare(after, 2, "IN") == 0 &&
                (after + 2 == c.size() || !std::isalpha(static_cast<unsigned char>(c[after + 2]))))) {
        l = {l.Value * 25.4, true};
    }
    return l;
}

std::optional<NoteLength> FirstLength(const std::string& c,
                                      std::initializer_list<const std::regex*> patterns) {
    std::smatch m;
    for (const std::regex* r : patterns)
        if (std::regex_search(c, m, *r)) return LengthAt(c, m);
    return std::nullopt;
}

std::optional<Tool::Kind> KindOf(const std::string& c) {
    // The order matters: "BORING TURNING", "ID GROOVE", "SPOT DRILL", "THREAD TURNING" and
    // "THREAD RELIEF" (a groove) name the special tool first.
    static const std::regex groove = Pattern(R"(GROOV|CANAL|RANUR|EINSTECH|RELIEF|UNDERCUT|RECESS)");
    static const std::regex parting =
        Pattern(R"(\bPART(ING|[- ]?OFF)\b|\bCUT[- ]?OFF\b|ABSTECH|TRONZ|BEDAME|\bCORTE\b)");
    static const std::regex thread = Pattern(R"(THREAD|\bTHRD\b|ROSCA|GEWINDE|FILETAGE)");
    static const std::regex drill = Pattern(R"(DRILL|BROCA|BOHRER\b|\bFORET|\bSPOT\b)");
    static const std::regex boring = Pattern(R"(\bBOR(E|ING)\b|\bID\b|\bI\.D\.|INTERN|AUSDREH|BOHRSTANGE)");
    static const std::regex turning =
        Pattern(R"(\bTURN|ROUGH|\bRGH\b|FINISH|\bFIN\b|\bFAC(E|ING)|PROFIL|CONTOUR|\bOD\b|\bO\.D\.|EXTERN|)"
                R"(DESBAST|ACABA|SCHRUPP|SCHLICHT)");
    if (Has(c, groove)) return Tool::Kind::Grooving;
    if (Has(c, parting)) return Tool::Kind::Parting;
    if (Has(c, thread)) return Tool::Kind::Thread;
    if (Has(c, drill)) return Tool::Kind::Drill;
    if (Has(c, boring)) return Tool::Kind::Boring;
    static const std::regex hole = Pattern(R"(\bHOLES?\b)"); // "CENTRE HOLE", not "BORE ... HOLE"
    if (Has(c, hole)) return Tool::Kind::Drill;
    if (Has(c, turning)) return Tool::Kind::Turning;
    return std::nullopt;
}

// An ISO insert code, metric ("CNMG 120408", "CNMG 12 04 08", "DCMT11T304") or inch ("CNMG 432":
// the inscribed circle in eighths of an inch, the nose radius in 64ths).
void ReadInsertCode(const std::string& c, ToolNote& n) {
    static const std::string letters = R"(\b([CDESTVWR])[ABCDEFGNP][ACEFGHJKLMNU][ABCFGHJMNQRTUWX] ?-? ?)";
    static const std::regex metric = Pattern(letters + R"((\d\d) ?([0-9T]\d) ?(\d\d|M0)\b)");
    static const std::regex inch = Pattern(letters + R"((\d)(\d)(\d)\b)");
    std::smatch m;
    if (std::regex_search(c, m, metric)) {
        n.Shape = m[1].str()[0];
        const double size = Value(m[2]);
        n.Edge = size;
        // A round insert: the size is its diameter, and its nose is all of it.
        n.CodeRadius = NoteLength{*n.Shape == 'R' ? size / 2 : m[4] == "M0" ? 0 : Value(m[4]) / 10, true};
    } else if (std::regex_search(c, m, inch)) {
        const char shape = m[1].str()[0];
        const double circle = Value(m[2]) * 25.4 / 8;
        double edge = circle; // round and square inserts
        if (shape == 'T')
            edge = circle * std::sqrt(3.0);
        else if (shape == 'W')
            edge = circle * 0.68; // the trigon's edge, as its metric sizes give it
        else if (shape != 'R' && shape != 'S')
            edge = circle / std::sin(*ShapeAngle(shape) * M_PI / 180);
        n.Shape = shape;
        n.Edge = shape == 'R' ? circle : std::floor(edge);
        n.CodeRadius = NoteLength{shape == 'R' ? circle / 2 : Value(m[4]) * 0.4, true};
    }
}

void ReadLengths(const std::string& c, ToolNote& n) {
    using R = std::regex;
    static const R noseRadius = Pattern(std::string(R"(NOSE ?RAD(?:IUS)?\.? *[:=]? *)") + Num);
    static const R radiusBefore =
        Pattern(std::string(R"((?:^|[^A-Z])(?:T?NR|RE|CR|R|RAD|RADIUS) *[:=]? *)") + Num);
    static const R radiusAfter = Pattern(R"((?:^|[^\d.])(\d*\.\d+) ?(?:R|TNR|RAD)\b)");
    n.Radius = FirstLength(c, {&noseRadius, &radiusBefore, &radiusAfter});

    static const R width = Pattern(std::string(R"((?:^|[^A-Z])(?:W|WIDTH|WD) *[:=]? *)") + Num);
    static const R wide = Pattern(std::string(Num) + R"( *(?:MM)? *WIDE\b)");
    n.Width = FirstLength(c, {&width, &wide});
    if (!n.Width && (n.Kind == Tool::Kind::Grooving || n.Kind == Tool::Kind::Parting)) {
        // A blade's comment with a lone size: "GROOVE 3MM", "NARROW INSERT - .125".
        static const R millimetres = Pattern(std::string(R"((?:^|[^\w.])(\d+\.?\d*|\.\d+) ?MM\b)"));
        static const R lone = Pattern(R"((?:^|[ -])(\d*\.\d+)(?=[ ,)]|$))");
        n.Width = FirstLength(c, {&millimetres, &lone});
        if (n.Width && n.Radius && n.Width->Value == n.Radius->Value) n.Width.reset();
    }

    static const R fraction = Pattern(R"((?:^|[^\d.])(\d+)/(\d+) *"? *(?:DIA|DRILL|IN))");
    static const R diameter = Pattern(std::string(R"((?:^|[^A-Z])(?:D|DIA|DIAM|DIAMETER) *[:=]? *)") + Num);
    static const R beforeWord =
        Pattern(std::string(R"((?:^|[^\d.])(\d+\.\d*|\.\d+|\d+) *(?:MM)? *(?:DIA|DRILL)\b)"));
    static const R afterDrill = Pattern(std::string(R"(DRILL *)") + Num);
    std::smatch m;
    if (std::regex_search(c, m, fraction) && Value(m[2]) > 0)
        n.Diameter = NoteLength{Value(m[1]) / Value(m[2]) * 25.4, true};
    else
        n.Diameter = FirstLength(c, {&diameter, &beforeWord, &afterDrill});
}

std::string Number(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", v);
    std::string s = buffer;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s;
}

// The usual edge length of a shape's commonest size, for an insert named by its angle alone.
double UsualEdge(char shape) {
    switch (shape) {
    case 'D':
        return 15;
    case 'E':
        return 13;
    case 'T':
    case 'V':
        return 16;
    case 'W':
        return 8;
    default:
        return 12;
    }
}

} // namespace

bool ToolNote::Any() const {
    return Kind || Shape || Angle || Radius || CodeRadius || Tip || Width || Diameter;
}

bool ToolNote::LooksInch() const {
    return (Radius && !Radius->Millimetres && Radius->Value > 0 && Radius->Value < 0.1) ||
           (Width && !Width->Millimetres && Width->Value > 0 && Width->Value < 0.3);
}

ToolNote ReadToolNote(std::string_view comment) {
    const std::string c = Normalise(comment);
    ToolNote n;
    n.Kind = KindOf(c);
    ReadInsertCode(c, n);
    static const std::regex angle = Pattern(R"((?:^|[^\d.])(\d+(?:\.\d+)?) ?(?:\*|DEG))");
    std::smatch m;
    if (std::regex_search(c, m, angle)) n.Angle = Value(m[1]);
    static const std::regex tip =
        Pattern(R"(\b(?:TIP|QUADRANT)(?: ?(?:DIR(?:ECTION)?|NO)\.?)? *[:=#]? *(\d)\b)");
    if (std::regex_search(c, m, tip)) n.Tip = static_cast<int>(Value(m[1]));
    ReadLengths(c, n);
    return n;
}

std::optional<int> ListedToolNumber(std::string_view comment, size_t* rest) {
    const std::string c = Normalise(comment);
    size_t i = c.find_first_not_of(' ');
    if (i == std::string::npos || c[i] != 'T') return std::nullopt;
    const auto skip = [&](const char* chars) {
        while (i < c.size() && std::strchr(chars, c[i]) && c[i] != '\0')
            ++i;
    };
    const auto isDigit = [&](size_t k) { return k < c.size() && c[k] >= '0' && c[k] <= '9'; };
    bool toolWord = false;
    if (c.compare(i, 4, "TOOL") == 0) {
        // "TOOL 4 - ...", "TOOL - 1 OFFSET - 1", "TOOL NO. - 2", "TOOL #3"
        i += 4, toolWord = true;
        skip(" ");
        if (c.compare(i, 2, "NO") == 0) i += 2;
        skip(" .#-:=");
    } else {
        ++i;
        if (i < c.size() && c[i] == 'O' && isDigit(i + 1)) ++i; // "TO1": a letter O for the zero
    }
    const size_t from = i;
    while (isDigit(i))
        ++i;
    const size_t digits = i - from;
    if (digits == 0 || digits > 8 ||
        (i < c.size() && (std::isalnum(static_cast<unsigned char>(c[i])) || c[i] == '.')))
        return std::nullopt;
    const double v = std::strtod(c.substr(from, digits).c_str(), nullptr);
    // A list names the tool ("T02", "TOOL 4"); a T word's form ("T0303", "T010101") is read as
    // the control reads the T word.
    const int number = toolWord || digits <= 2
                           ? static_cast<int>(v)
                           : static_cast<int>(std::floor(v / 100) - std::floor(v / 10000) * 100);
    skip(" =-:");
    // The description starts at the same character in the comment as in its normalised copy as
    // long as the comment is ASCII up to here, which its "T.." beginning is.
    if (rest) *rest = std::min(i, comment.size());
    return number;
}

ToolNote MergeNotes(ToolNote base, const ToolNote& over) {
    const auto take = [](auto& into, const auto& from) {
        if (from) into = from;
    };
    // A value said one way replaces the same value said another way: an insert code's nose
    // radius a written one, a corner angle an insert code's shape.
    if (over.CodeRadius && !over.Radius) base.Radius.reset();
    if (over.Angle && !over.Shape) base.Shape.reset(), base.Edge.reset();
    take(base.Kind, over.Kind);
    take(base.Shape, over.Shape);
    take(base.Edge, over.Edge);
    take(base.Angle, over.Angle);
    take(base.Radius, over.Radius);
    take(base.CodeRadius, over.CodeRadius);
    take(base.Tip, over.Tip);
    take(base.Width, over.Width);
    take(base.Diameter, over.Diameter);
    return base;
}

Tool ToolFromNote(const ToolNote& n, bool inch, const std::string& where) {
    Tool t;
    std::vector<std::string> said, assumed;
    const auto mm = [inch](const NoteLength& l) { return l.Millimetres || !inch ? l.Value : l.Value * 25.4; };
    t.Type = n.Kind.value_or(Tool::Kind::Turning);
    if (n.Kind)
        said.push_back(KindName(t.Type));
    else
        assumed.push_back("kind turning");
    const auto tip = [&](int usual) {
        t.TipDirection = n.Tip.value_or(usual);
        (n.Tip ? said : assumed).push_back("tip direction " + std::to_string(t.TipDirection));
    };
    switch (t.Type) {
    case Tool::Kind::Turning:
    case Tool::Kind::Boring: {
        std::optional<char> shape = n.Shape;
        if (!shape && n.Angle)
            for (char s : std::string("CDESTV"))
                if (std::fabs(*ShapeAngle(s) - *n.Angle) < 0.5) shape = s;
        t.Shape = shape.value_or('C');
        const std::string insert =
            t.Shape == 'R' ? "insert R"
                           : "insert " + std::string(1, t.Shape) + " " + Number(*ShapeAngle(t.Shape)) + "°";
        (shape ? said : assumed).push_back(insert);
        t.EdgeLength = n.Edge.value_or(UsualEdge(t.Shape));
        (n.Edge ? said : assumed).push_back("edge length " + Number(t.EdgeLength));
        const std::optional<NoteLength> radius = n.Radius ? n.Radius : n.CodeRadius;
        t.NoseRadius = radius ? mm(*radius) : 0.8;
        (radius ? said : assumed).push_back("nose radius " + Number(t.NoseRadius));
        tip(t.Type == Tool::Kind::Boring ? 2 : 3);
        assumed.push_back("approach angle 90");
        break;
    }
    case Tool::Kind::Grooving:
    case Tool::Kind::Parting:
        if (n.Width) t.Width = mm(*n.Width);
        (n.Width ? said : assumed).push_back("width " + Number(t.Width));
        if (n.Radius) t.CornerRadius = mm(*n.Radius);
        t.CornerRadius = std::min(t.CornerRadius, t.Width / 2 * 0.9);
        (n.Radius ? said : assumed).push_back("corner radius " + Number(t.CornerRadius));
        assumed.push_back("reach 20");
        if (n.Tip) tip(3);
        break;
    case Tool::Kind::Thread:
        if (n.Angle) t.IncludedAngle = *n.Angle;
        (n.Angle ? said : assumed).push_back("included angle " + Number(t.IncludedAngle));
        if (n.Radius) t.TipRadius = mm(*n.Radius);
        (n.Radius ? said : assumed).push_back("tip radius " + Number(t.TipRadius));
        tip(8);
        break;
    case Tool::Kind::Drill:
        if (n.Diameter) t.DrillDiameter = mm(*n.Diameter);
        (n.Diameter ? said : assumed).push_back("diameter " + Number(t.DrillDiameter));
        if (n.Angle) t.PointAngle = *n.Angle;
        (n.Angle ? said : assumed).push_back("point angle " + Number(t.PointAngle));
        assumed.push_back("flute length 50");
        break;
    }
    const bool lengths = n.Radius || n.Width || n.Diameter;
    if (inch && lengths) said.push_back("inch values");
    t.Source = where;
    for (size_t i = 0; i < said.size(); ++i)
        t.Source += (i ? ", " : ": ") + said[i];
    t.Assumed = std::move(assumed);
    return t;
}

} // namespace stock
