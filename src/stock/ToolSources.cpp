// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/ToolSources.h"
#include "base/Legacy.h"
#include "input/SafePath.h"
#include "interp/Words.h"
#include "stock/ToolComments.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace stock {

namespace {

void Forget(std::vector<std::string>& assumed, const char* what) {
    assumed.erase(std::remove_if(assumed.begin(), assumed.end(),
                                 [what](const std::string& a) { return a.rfind(what, 0) == 0; }),
                  assumed.end());
}

// A comment's text as the descriptions are read: ASCII as it is, the signs tool comments use
// (° Ø ⌀) in UTF-8, anything else a blank.
std::string CommentText(std::u16string_view c) {
    std::string out;
    out.reserve(c.size());
    for (const char16_t ch : c) {
        if (ch < 0x80)
            out += static_cast<char>(ch);
        else if (ch == 0xB0 || ch == 0xBA)
            out += "\xC2\xB0";
        else if (ch == 0xD8 || ch == 0xF8 || ch == 0x2300)
            out += "\xC3\x98";
        else
            out += ' ';
    }
    return out;
}

// One block as the tool reading needs it.
struct BlockSeen {
    int64_t Line = 0;                       // 1-based line of its first character
    std::vector<std::u16string_view> Notes; // its comments, without the parentheses
    bool Working = false;                   // a word besides comments, N and O: G, M, X, T ...
    std::optional<int> Tool;                // the tool number its (last) T word selects
    bool Program = false;                   // it holds the program number (and its title)
};

// The tool number a T word selects, as the control reads it (motion::ToolNumberOf): TG5 is
// tool 5, T0101 and T010101 tool 1.
std::optional<int> ToolOfWord(std::u16string_view b, const interp::words::Word& w) {
    if (!w.Number || w.NoValue) return std::nullopt;
    const double t = legacy::Val(b.substr(w.Value, w.End - w.Value));
    const bool tg = w.Value > w.Start + 1 && b[w.Start + 1] == u'G';
    const double n = tg ? t : std::floor(t / 100) - std::floor(t / 10000) * 100;
    if (!std::isfinite(n) || std::fabs(n) >= 2e9) return std::nullopt;
    return static_cast<int>(n);
}

// What the comments say of one tool, and the lines they stand on.
struct Described {
    ToolNote Note;
    std::vector<int64_t> Lines;
};

std::string Where(const std::vector<int64_t>& lines) {
    std::vector<int64_t> l = lines;
    std::sort(l.begin(), l.end());
    l.erase(std::unique(l.begin(), l.end()), l.end());
    std::string out = l.size() == 1 ? "comment, line " : "comments, lines ";
    for (size_t i = 0; i < l.size(); ++i)
        out += (i == 0 ? "" : i + 1 == l.size() ? " and " : ", ") + std::to_string(l[i]);
    return out;
}

// Reads the program block by block through the control's own word scanner and collects, by
// tool number, the tool lists' entries and the descriptions beside the T words.
class CommentReader {
  public:
    std::map<int, Described> Listed, Beside;
    bool InchSelected = false; // G20 with other setup codes before the first move: inches

    void Block(std::u16string_view b, int64_t line, bool& inComment) {
        using Word = interp::words::Word;
        BlockSeen seen;
        seen.Line = line;
        std::vector<double> gCodes;
        size_t outside = 0; // the characters before it are in comments or checked
        const auto lowerCase = [&](size_t to) {
            // A word the control passes over (lower case) still makes no comment line of it.
            for (; outside < to; ++outside)
                if (b[outside] >= u'a' && b[outside] <= u'z') seen.Working = true;
        };
        inComment = interp::words::ScanWords(b, inComment, false, [&](const Word& w) {
            switch (w.What) {
            case Word::Kind::Comment: {
                lowerCase(w.Start);
                outside = w.End;
                size_t end = w.End;
                if (end > w.Value && b[end - 1] == u')') --end;
                seen.Notes.push_back(b.substr(w.Value, end - w.Value));
                return;
            }
            case Word::Kind::Program:
                seen.Program = true;
                return;
            case Word::Kind::Digits:
            case Word::Kind::BlockDelete:
                return;
            case Word::Kind::G:
                gCodes.push_back(legacy::Val(b.substr(w.Value, w.End - w.Value)));
                break;
            case Word::Kind::Address:
                if (w.Letter == u'T') {
                    if (const std::optional<int> t = ToolOfWord(b, w)) seen.Tool = t;
                }
                if (w.Letter == u'X' || w.Letter == u'Z' || w.Letter == u'U' || w.Letter == u'W')
                    Moved = true;
                break;
            default:
                break;
            }
            seen.Working = true;
        });
        lowerCase(b.size());
        if (!Moved && gCodes.size() > 1 && std::count(gCodes.begin(), gCodes.end(), 20.0) > 0)
            InchSelected = true;
        if (!seen.Working)
            for (std::u16string_view note : seen.Notes)
                ReadListEntry(note, line);
        if (seen.Tool && !Beside.count(*seen.Tool)) ReadBeside(seen);
        if (!seen.Notes.empty() || seen.Working || seen.Program) Recent.push_back(std::move(seen));
        if (Recent.size() > 16) Recent.erase(Recent.begin());
    }

  private:
    bool Moved = false;
    std::vector<BlockSeen> Recent; // the last blocks with something in them, oldest first

    // A comment of a tool list: "(T02 = 35* Finish Turning Tool ...)".
    void ReadListEntry(std::u16string_view note, int64_t line) {
        const std::string text = CommentText(note);
        size_t rest = 0;
        const std::optional<int> number = ListedToolNumber(text, &rest);
        if (!number || Listed.count(*number)) return;
        const ToolNote n = ReadToolNote(std::string_view(text).substr(rest));
        if (n.Any()) Listed[*number] = {n, {line}};
    }

    // The description of the tool a T word selects: the comments in its block and in the
    // comment lines just before it ("(TOOL - 1 OFFSET - 1)" "(OD ROUGH ... CNMG 12 04 08)"
    // "T0101"); where these say nothing, the comment lines before at most two blocks without
    // comments ("NAT01 (... .032R)" "G0 X20 Z20" "T010101"). Nearer comments win; tool-list
    // entries and the program number's line (its title) don't count.
    void ReadBeside(const BlockSeen& t) {
        Described d = Before(t, 0);
        if (!d.Note.Any()) d = Before(t, 2);
        if (d.Note.Any()) Beside[*t.Tool] = std::move(d);
    }

    Described Before(const BlockSeen& t, int mayPass) const {
        std::vector<const BlockSeen*> before;
        int passed = 0;
        for (auto it = Recent.rbegin(); it != Recent.rend(); ++it) {
            if (it->Tool || it->Program) break;
            if (it->Working) {
                if (!before.empty() || !it->Notes.empty() || ++passed > mayPass) break;
                continue;
            }
            before.push_back(&*it);
        }
        Described d;
        const auto add = [&d](const BlockSeen& b) {
            for (std::u16string_view note : b.Notes) {
                const std::string text = CommentText(note);
                if (ListedToolNumber(text)) continue;
                const ToolNote n = ReadToolNote(text);
                if (!n.Any()) continue;
                d.Note = MergeNotes(d.Note, n);
                d.Lines.push_back(b.Line);
            }
        };
        for (auto it = before.rbegin(); it != before.rend(); ++it)
            add(**it);
        if (mayPass == 0) add(t);
        return d;
    }
};

} // namespace

bool ApplyInsertDesignation(std::string_view text, Tool& tool) {
    const ToolNote n = ReadToolNote(text);
    if (!n.Shape) return false;
    tool.Shape = *n.Shape;
    tool.EdgeLength = *n.Edge;
    tool.NoseRadius = n.CodeRadius->Value;
    for (const char* what : {"insert", "edge length", "nose radius"})
        Forget(tool.Assumed, what);
    return true;
}

Tool ToolFromComment(std::string_view comment) {
    const ToolNote n = ReadToolNote(comment);
    return ToolFromNote(n, false, "comment");
}

std::map<int, Tool> ToolsFromComments(std::u16string_view text, bool inchUnit) {
    CommentReader reader;
    bool inComment = false;
    int64_t line = 1;
    // Blocks as the control cuts them: up to each CR LF; the rest after the last is never read.
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find(u"\r\n", start);
        if (end == std::u16string_view::npos) break;
        reader.Block(text.substr(start, end - start), line, inComment);
        line += 1 + std::count(text.begin() + static_cast<std::ptrdiff_t>(start),
                               text.begin() + static_cast<std::ptrdiff_t>(end), u'\n');
        start = end + 2;
    }
    // NOTE: one unit for all of a program's comments. Inches when the unit says so, when the
    // program selects them (G20 among its setup codes, as the controls it was written for read
    // it), or when a comment's radius or blade width is too small to be millimetres.
    bool inch = inchUnit || reader.InchSelected;
    for (const auto* found : {&reader.Listed, &reader.Beside})
        for (const auto& [number, d] : *found)
            inch = inch || d.Note.LooksInch();
    std::map<int, Tool> out;
    std::map<int, Described> all = reader.Listed;
    for (const auto& [number, d] : reader.Beside) {
        // NOTE: the comment beside the T word wins over the tool list value by value: it is the
        // one the operator sees at the tool change, and the list is often copied from an older
        // program.
        Described& into = all[number];
        into.Note = MergeNotes(into.Note, d.Note);
        into.Lines.insert(into.Lines.end(), d.Lines.begin(), d.Lines.end());
    }
    for (const auto& [number, d] : all)
        out[number] = ToolFromNote(d.Note, inch, Where(d.Lines));
    return out;
}

Setup WithProgramTools(const Setup& setup, std::u16string_view programText, bool inchUnit) {
    Setup out = setup;
    for (auto& [number, tool] : ToolsFromComments(programText, inchUnit))
        out.Tools.emplace(number, std::move(tool)); // the setup's own description wins
    return out;
}

bool ReadTextFile(const std::string& path, std::string& bytes, SetupError& error) {
    error = {path, 0, ""};
    // A setup or tool table beside a program in a shared folder may be a link another user
    // planted there: it is not followed, as a save would not follow it.
    if (!input::ReadSmallFile(path, 16 << 20, bytes, error.Message)) {
        if (error.Message.rfind("not a plain file", 0) == 0)
            error.Message = "not a plain text file of at most 16 MB";
        return false;
    }
    if (bytes.find('\0') != std::string::npos || !text::LooksLikeUtf8(bytes)) {
        error.Message = "is not a text file (UTF-8 expected)";
        return false;
    }
    return true;
}

namespace {

// One line of a tool table, its comment cut off: false with the error when a word is bad.
// `number` stays -1 on a line without a T word.
bool ParseTableWords(const std::string& line, const std::string& file, int64_t lineNo, int& number,
                     Tool& tool, SetupError& error) {
    double front = NAN, back = NAN;
    const auto bad = [&](const std::string& word, const std::string& why) {
        error = {file, lineNo, "\"" + word + "\" " + why};
        return false;
    };
    std::istringstream words(line);
    for (std::string word; words >> word;) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
        char* stop = nullptr;
        const double v = std::strtod(word.c_str() + 1, &stop);
        if (word.size() < 2 || *stop != '\0' || !(std::fabs(v) <= 1e5) || !std::strchr("TPDIJQXZUW", letter))
            return bad(word, "is no word of a tool table line (T P D I J Q X Z U W)");
        if (letter == 'T') {
            if (v != std::floor(v) || v < 0 || v > 99) return bad(word, "is no tool number 0 to 99");
            number = static_cast<int>(v);
        } else if (letter == 'D') {
            if (v < 0) return bad(word, "is a negative nose diameter");
            tool.NoseRadius = v / 2;
            Forget(tool.Assumed, "nose radius");
        } else if (letter == 'Q') {
            if (v != std::floor(v) || v < 0 || v > 9) return bad(word, "is no tip direction 0 to 9");
            tool.TipDirection = static_cast<int>(v);
            Forget(tool.Assumed, "tip direction");
        } else if (letter == 'I' || letter == 'J') {
            (letter == 'I' ? front : back) = v;
        }
    }
    if (!std::isnan(front) && !std::isnan(back)) {
        // The edges' angles give the insert's corner and the approach angle.
        const double corner = std::fabs(back - front);
        char best = 'C';
        for (char s : std::string("CDESTV"))
            if (std::fabs(*ShapeAngle(s) - corner) < std::fabs(*ShapeAngle(best) - corner)) best = s;
        tool.Shape = best;
        tool.ApproachAngle = std::clamp(180 - std::max(front, back), 1.0, 179.0);
        Forget(tool.Assumed, "insert");
        Forget(tool.Assumed, "approach angle");
    }
    return true;
}

} // namespace

bool ParseToolTable(std::string_view text, const std::string& file, std::map<int, Tool>& tools,
                    SetupError& error) {
    int64_t lineNo = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        start = end + 1;
        ++lineNo;
        std::string comment;
        if (const size_t semi = line.find(';'); semi != std::string::npos) {
            comment = line.substr(semi + 1);
            line.resize(semi);
        }
        Tool tool = ToolFromComment(comment); // what the comment says, the rest assumed
        tool.Source = "tool table";
        int number = -1;
        if (!ParseTableWords(line, file, lineNo, number, tool, error)) return false;
        if (number < 0) {
            if (line.find_first_not_of(" \t\r") == std::string::npos) continue; // blank or comment line
            error = {file, lineNo, "a tool table line needs a T word"};
            return false;
        }
        tools[number] = tool;
    }
    return true;
}

bool ReadToolTableFile(const std::string& path, std::map<int, Tool>& tools, SetupError& error) {
    std::string bytes;
    if (!ReadTextFile(path, bytes, error)) return false;
    if (ParseToolTable(bytes, path, tools, error)) return true;
    // A line that does not even start with a tool number says the file is no tool table at all
    // (a setup naming the wrong file, or another user's file it was pointed at): its words are
    // not quoted, lest the message show what the file holds.
    size_t start = 0;
    for (int64_t line = 1; line < error.Line && start < bytes.size(); ++line) {
        const size_t end = bytes.find('\n', start);
        start = end == std::string::npos ? bytes.size() : end + 1;
    }
    const std::string_view rest = std::string_view(bytes).substr(start);
    const std::string_view line = rest.substr(0, rest.find('\n'));
    const size_t first = line.find_first_not_of(" \t");
    const bool toolWord = first != std::string_view::npos && first + 1 < line.size() &&
                          (line[first] == 'T' || line[first] == 't') &&
                          std::isdigit(static_cast<unsigned char>(line[first + 1]));
    if (!toolWord)
        error.Message = "is not a tool table: the line does not start with a tool number (like \"T1 P1 D1.6 "
                        "I0 J80 Q3 ;CNMG 120408\")";
    return false;
}

} // namespace stock
