// SPDX-License-Identifier: GPL-3.0-or-later
#include "stock/ToolSources.h"
#include "input/SafePath.h"
#include "text/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace stock {

namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool Contains(const std::string& s, const char* word) {
    return s.find(word) != std::string::npos;
}

void Forget(std::vector<std::string>& assumed, const char* what) {
    assumed.erase(std::remove_if(assumed.begin(), assumed.end(),
                                 [what](const std::string& a) { return a.rfind(what, 0) == 0; }),
                  assumed.end());
}

// The kind a comment names; turning when it names none.
void ApplyKind(const std::string& c, Tool& t) {
    if (Contains(c, "GROOV")) {
        t.Type = Tool::Kind::Grooving;
        t.Assumed = {"width 3", "corner radius 0.2", "reach 20"};
    } else if (Contains(c, "PART") || Contains(c, "CUT-OFF") || Contains(c, "CUTOFF") ||
               Contains(c, "CUT OFF")) {
        t.Type = Tool::Kind::Parting;
        t.Assumed = {"width 3", "corner radius 0.2", "reach 20"};
    } else if (Contains(c, "THREAD")) {
        t.Type = Tool::Kind::Thread;
        t.TipDirection = 8;
        t.Assumed = {"included angle 60", "tip radius 0.1", "tip direction 8"};
    } else if (Contains(c, "DRILL")) {
        t.Type = Tool::Kind::Drill;
        t.Assumed = {"diameter 10", "point angle 118", "flute length 50"};
    } else if (Contains(c, "BORING") || Contains(c, "BORE") ||
               std::regex_search(c, std::regex(R"(\bID\b)"))) {
        t.Type = Tool::Kind::Boring;
        t.TipDirection = 2;
        t.Assumed = {"insert C 80°", "edge length 12", "nose radius 0.8", "tip direction 2",
                     "approach angle 90"};
    }
}

} // namespace

bool ApplyInsertDesignation(std::string_view text, Tool& tool) {
    static const std::regex iso(R"(\b([CDESTVWR])[A-Z]{3}\s?(\d{2})[0-9T]\d(\d{2}|M0)\b)");
    std::smatch m;
    const std::string s = Upper(text);
    if (!std::regex_search(s, m, iso)) return false;
    tool.Shape = m[1].str()[0];
    const double size = std::stod(m[2].str());
    const std::string nose = m[3].str();
    if (tool.Shape == 'R') {
        // A round insert: the size is its diameter, and its nose is all of it.
        tool.NoseRadius = size / 2;
    } else {
        tool.NoseRadius = nose == "M0" ? 0 : std::stod(nose) / 10;
    }
    tool.EdgeLength = size;
    for (const char* what : {"insert", "edge length", "nose radius"})
        Forget(tool.Assumed, what);
    return true;
}

Tool ToolFromComment(std::string_view comment) {
    Tool t;
    t.Source = "comment";
    t.Assumed = {"insert C 80°", "edge length 12", "nose radius 0.8", "tip direction 3", "approach angle 90"};
    const std::string c = Upper(comment);
    ApplyKind(c, t);
    if (t.Type == Tool::Kind::Turning || t.Type == Tool::Kind::Boring) ApplyInsertDesignation(c, t);
    std::smatch m;
    static const std::regex radius(R"((?:^|[^A-Z])RE?\s?(\d*\.?\d+))");
    if (std::regex_search(c, m, radius)) {
        const double r = std::stod(m[1].str());
        if (t.Type == Tool::Kind::Thread)
            t.TipRadius = r, Forget(t.Assumed, "tip radius");
        else if (t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting)
            t.CornerRadius = r, Forget(t.Assumed, "corner radius");
        else
            t.NoseRadius = r, Forget(t.Assumed, "nose radius");
    }
    static const std::regex width(R"((?:^|[^A-Z])W\s?(\d*\.?\d+))");
    if ((t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting) && std::regex_search(c, m, width))
        t.Width = std::stod(m[1].str()), Forget(t.Assumed, "width");
    static const std::regex diameter(R"((?:^|[^A-Z])(?:D|DIA|\xC3\x98)\s?(\d*\.?\d+))");
    if (t.Type == Tool::Kind::Drill && std::regex_search(c, m, diameter))
        t.DrillDiameter = std::stod(m[1].str()), Forget(t.Assumed, "diameter");
    if (t.Type == Tool::Kind::Grooving || t.Type == Tool::Kind::Parting)
        t.CornerRadius = std::min(t.CornerRadius, t.Width / 2 * 0.9);
    return t;
}

std::map<int, Tool> ToolsFromComments(std::u16string_view text) {
    std::map<int, Tool> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos) end = text.size();
        const std::u16string_view line = text.substr(start, end - start);
        start = end + 1;
        // The T word outside comments, and the comment text of the line.
        std::string comment;
        double t = -1;
        int depth = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            const char16_t c = line[i];
            if (c == u'(') {
                ++depth;
                continue;
            }
            if (c == u')') {
                depth = std::max(0, depth - 1);
                if (depth == 0) comment += ' ';
                continue;
            }
            if (depth > 0) {
                comment += c < 0x80 ? static_cast<char>(c) : ' ';
                continue;
            }
            if (c == u'T' && t < 0 && i + 1 < line.size() && line[i + 1] >= u'0' && line[i + 1] <= u'9') {
                double v = 0;
                for (size_t k = i + 1; k < line.size() && line[k] >= u'0' && line[k] <= u'9'; ++k)
                    v = v * 10 + (line[k] - u'0');
                t = v;
            }
        }
        if (t < 0 || comment.find_first_not_of(' ') == std::string::npos) continue;
        const int number = static_cast<int>(std::floor(t / 100) - std::floor(t / 10000) * 100);
        if (out.count(number)) continue;
        Tool tool = ToolFromComment(comment);
        if (tool.Assumed.size() < 5 || tool.Type != Tool::Kind::Turning) out[number] = tool;
    }
    return out;
}

Setup WithProgramTools(const Setup& setup, std::u16string_view programText) {
    Setup out = setup;
    for (auto& [number, tool] : ToolsFromComments(programText))
        out.Tools.emplace(number, std::move(tool)); // the setup's own description wins
    return out;
}

bool ReadTextFile(const std::string& path, std::string& bytes, SetupError& error) {
    error = {path, 0, ""};
    // A setup or tool table beside a program in a shared folder may be a link another user
    // planted there: it is not followed, as a save would not follow it.
    const input::ResolvedPath real = input::ResolvePath(path);
    if (real.Refused) {
        error.Message = real.Link + " is a link of another user in a shared folder; it is not followed";
        return false;
    }
    if (real.Error) {
        error.Message = std::strerror(real.Error);
        return false;
    }
    // Opened without waiting on a pipe, and without following a link put in its place since.
    const int fd = ::open(real.Path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error.Message = std::strerror(errno);
        return false;
    }
    struct stat st {};
    const bool plain = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= (16 << 20);
    bool good = plain;
    if (plain) {
        bytes.resize(static_cast<size_t>(st.st_size));
        size_t got = 0;
        while (good && got < bytes.size()) {
            const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
            if (n < 0 && errno == EINTR) continue;
            good = n > 0;
            if (good) got += static_cast<size_t>(n);
        }
    }
    ::close(fd);
    if (!plain) {
        error.Message = "not a plain text file of at most 16 MB";
        return false;
    }
    if (!good) {
        error.Message = "cannot be read";
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
