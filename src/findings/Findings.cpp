// SPDX-License-Identifier: GPL-3.0-or-later
#include "findings/Findings.h"

#include <algorithm>
#include <unordered_map>

namespace findings {

const char* SeverityName(Severity level) {
    switch (level) {
    case Severity::Info:
        return "info";
    case Severity::Warning:
        return "warning";
    case Severity::Error:
        return "error";
    }
    return "error";
}

const char* SourceName(Source from) {
    switch (from) {
    case Source::Alarm:
        return "control alarm";
    case Source::Advice:
        return "advice";
    case Source::Stock:
        return "stock";
    case Source::Machine:
        return "machine";
    }
    return "advice";
}

const std::vector<CodeInfo>& Registry() {
    using enum Severity;
    constexpr Source A = Source::Alarm, V = Source::Advice, S = Source::Stock, M = Source::Machine;
    static const std::vector<CodeInfo> codes = {
        // The control's alarms: each stops the program on the machine.
        {"feed-zero", Error, A, "a cutting move, arc or cycle without a feed", "alarm: no feed",
         "alarms: no feed"},
        {"speed-zero", Error, A, "feed per revolution without a spindle speed", "alarm: no spindle speed",
         "alarms: no spindle speed"},
        {"calcu-error", Error, A, "an arc or cycle that cannot be worked out",
         "alarm: arc or cycle cannot be worked out", "alarms: arc or cycle cannot be worked out"},
        {"limit-plus-x", Error, A, "a point on or beyond the plus soft limit of X",
         "alarm: beyond the X+ limit", "alarms: beyond the X+ limit"},
        {"limit-plus-z", Error, A, "a point on or beyond the plus soft limit of Z",
         "alarm: beyond the Z+ limit", "alarms: beyond the Z+ limit"},
        {"limit-minus-x", Error, A, "a point on or beyond the minus soft limit of X",
         "alarm: beyond the X- limit", "alarms: beyond the X- limit"},
        {"limit-minus-z", Error, A, "a point on or beyond the minus soft limit of Z",
         "alarm: beyond the Z- limit", "alarms: beyond the Z- limit"},
        {"d-or-h-zero", Error, A, "a thread-cutting cycle without its depth per pass or thread height",
         "alarm: thread depth or height 0", "alarms: thread depth or height 0"},
        {"no-point", Error, A, "a value without a decimal point, refused in the FANUC dialect",
         "alarm: value without a point", "alarms: value without a point"},
        {"alarm", Error, A, "an alarm of the control", "alarm", "alarms"},
        // Advice: what the control accepts without a word but the programmer did not mean.
        {"no-crlf", Error, V, "no CR LF line ends: the control reads no block", "program without CR LF",
         "programs without CR LF"},
        {"unterminated-last-line", Warning, V, "the last line has no line end and never runs",
         "unterminated last line", "unterminated last lines"},
        {"lower-case-address", Warning, V, "a lower-case address letter, which the control ignores",
         "lower-case address", "lower-case addresses"},
        {"unclosed-comment", Warning, V, "a comment not closed on its line runs on into the next",
         "unclosed comment", "unclosed comments"},
        {"macro-variable", Warning, V, "macro variables or expressions, which the control does not read",
         "macro variable", "macro variables"},
        {"address-without-value", Warning, V, "an address letter without a number", "address without a value",
         "addresses without a value"},
        {"foreign-cycle", Warning, V, "a cycle written for another control", "cycle of another control",
         "cycles of another control"},
        {"other-control", Warning, V, "a program written for another control (named in the message)",
         "program for another control", "programs for another control"},
        {"long-dwell", Warning, V, "a dwell of more than a minute (the value is seconds here)", "long dwell",
         "long dwells"},
        {"feed-while-stopped", Warning, V, "a cutting move while the spindle is stopped",
         "feed with the spindle stopped", "feeds with the spindle stopped"},
        {"large-feed-per-rev", Warning, V, "a feed per revolution above 2 mm", "large feed per revolution",
         "large feeds per revolution"},
        {"unit-mismatch", Warning, V, "a program written for the other unit", "program for the other unit",
         "programs for the other unit"},
        {"unscaled-arc-radius", Warning, V, "an arc radius R, which the unit setting does not convert",
         "arc radius not converted", "arc radii not converted"},
        {"no-program-end", Warning, V, "the program ends without M02 or M30", "missing program end",
         "missing program ends"},
        // The stock: what the tools hit.
        {"rapid-into-stock", Error, S, "a rapid that runs into the material", "rapid into the stock",
         "rapids into the stock"},
        {"rapid-rub", Warning, S, "a rapid that grazes the material", "rapid grazing the stock",
         "rapids grazing the stock"},
        {"holder-collision", Error, S, "the holder or the back of the insert runs into the material",
         "holder collision", "holder collisions"},
        {"workholding-collision", Error, S, "the tool runs into the chuck, its jaws or the tailstock",
         "collision with the work holding", "collisions with the work holding"},
        {"cut-beyond-edge", Warning, S, "a depth of cut larger than the insert's edge",
         "cut deeper than the edge", "cuts deeper than the edge"},
        {"centre-pip", Warning, S, "a face or cut-off that leaves a pip on the axis", "pip left on the axis",
         "pips left on the axis"},
        {"no-nose-compensation", Warning, S,
         "a taper or arc cut off its contour without nose radius compensation",
         "taper or arc cut without nose compensation", "tapers or arcs cut without nose compensation"},
        {"nose-interference", Error, S, "a contour the nose cannot follow, even compensated",
         "contour too tight for the nose", "contours too tight for the nose"},
        {"cutting-with-spindle-stopped", Error, S, "a cut while the spindle is stopped",
         "cut with the spindle stopped", "cuts with the spindle stopped"},
        {"air-cutting", Info, S, "a tool that spends half its feed path in the air", "tool cutting air",
         "tools cutting air"},
        // The finished section against the target drawing.
        {"gouge", Error, S, "material cut away inside the drawn part, deeper than its tolerance",
         "gouge into the drawn part", "gouges into the drawn part"},
        {"excess", Warning, S, "material left outside the drawn part, beyond its tolerance",
         "material left on the drawn part", "places with material left on the drawn part"},
        // The machine's limits, from its profile.
        {"thread-too-fast", Error, M, "the thread's pitch times the spindle speed is beyond the Z axis' feed",
         "thread too fast for the Z axis", "threads too fast for the Z axis"},
        {"thread-run-in-short", Warning, M, "a thread starts closer than the Z axis needs to reach its feed",
         "short thread run-in", "short thread run-ins"},
        {"css-unclamped", Warning, M, "constant surface speed without a maximum spindle speed",
         "unclamped surface speed", "unclamped surface speeds"},
        {"spindle-over-limit", Error, M, "a spindle speed above the machine's or the chuck's maximum",
         "spindle over its limit", "spindle speeds over their limit"},
        {"feed-over-limit", Warning, M, "a programmed feed above the axis' maximum cutting feed",
         "feed over the axis' limit", "feeds over the axis' limit"},
        {"block-too-short", Warning, M, "blocks shorter than the control can process at their feed",
         "block too short for its feed", "blocks too short for their feed"},
    };
    return codes;
}

const CodeInfo* Lookup(std::string_view code) {
    static const std::unordered_map<std::string_view, const CodeInfo*> byCode = [] {
        std::unordered_map<std::string_view, const CodeInfo*> m;
        for (const CodeInfo& c : Registry())
            m.emplace(c.Code, &c);
        return m;
    }();
    const auto it = byCode.find(code);
    return it == byCode.end() ? nullptr : it->second;
}

bool Fails(const Finding& f, bool strict) {
    return f.Level == Severity::Error || (strict && f.Level == Severity::Warning);
}

bool AnyFails(const std::vector<Finding>& all, bool strict) {
    return std::any_of(all.begin(), all.end(), [strict](const Finding& f) { return Fails(f, strict); });
}

Verdict VerdictOf(const std::vector<Finding>& all, bool strict, bool failure) {
    if (failure || AnyFails(all, strict)) return Verdict::Fails;
    const bool warned =
        std::any_of(all.begin(), all.end(), [](const Finding& f) { return f.Level == Severity::Warning; });
    return warned ? Verdict::Warnings : Verdict::Pass;
}

const char* VerdictName(Verdict v) {
    switch (v) {
    case Verdict::Pass:
        return "pass";
    case Verdict::Warnings:
        return "warnings";
    case Verdict::Fails:
        return "fails";
    }
    return "fails";
}

std::string ReasonOf(const std::vector<Finding>& all, bool strict) {
    const bool failing = AnyFails(all, strict);
    struct Group {
        std::string_view Code;
        size_t Count = 0;
        int64_t First = 0, Last = 0;
    };
    std::vector<Group> groups;
    for (const Finding& f : all) {
        if (failing ? !Fails(f, strict) : f.Level != Severity::Warning) continue;
        auto g = std::find_if(groups.begin(), groups.end(), [&](const Group& x) { return x.Code == f.Code; });
        if (g == groups.end()) {
            groups.push_back({f.Code, 0, f.Line, f.Line});
            g = groups.end() - 1;
        }
        ++g->Count;
        g->First = std::min(g->First, f.Line);
        g->Last = std::max(g->Last, f.Line);
    }
    std::stable_sort(groups.begin(), groups.end(),
                     [](const Group& a, const Group& b) { return a.Count > b.Count; });
    std::string out;
    for (size_t i = 0; i < groups.size() && i < 2; ++i) {
        const Group& g = groups[i];
        const CodeInfo* known = Lookup(g.Code);
        const std::string noun =
            known ? std::string(g.Count == 1 ? known->One : known->Many) : std::string(g.Code);
        if (i) out += "; ";
        out += std::to_string(g.Count) + " " + noun + ", ";
        out += g.First == g.Last
                   ? "line " + std::to_string(g.First)
                   : "lines " + std::to_string(g.First) + "\xE2\x80\x93" + std::to_string(g.Last);
    }
    if (groups.size() > 2)
        out += "; " + std::to_string(groups.size() - 2) + (groups.size() == 3 ? " more kind" : " more kinds");
    return out;
}

Counts CountsOf(const std::vector<Finding>& all) {
    Counts c;
    for (const Finding& f : all)
        ++(f.From == Source::Alarm        ? c.Alarms
           : f.Level == Severity::Error   ? c.Errors
           : f.Level == Severity::Warning ? c.Warnings
                                          : c.Info);
    return c;
}

std::string CountsText(const Counts& c) {
    std::string out;
    auto add = [&out](size_t n, const char* one, const char* many) {
        if (n == 0) return;
        if (!out.empty()) out += ", ";
        out += std::to_string(n) + " " + (n == 1 ? one : many);
    };
    add(c.Alarms, "alarm", "alarms");
    add(c.Errors, "error", "errors");
    add(c.Warnings, "warning", "warnings");
    add(c.Info, "info", "info");
    return out.empty() ? "no problems" : out;
}

Finding Make(std::string_view code, Severity fallback, int64_t line, std::string message) {
    Finding f;
    f.Code = std::string(code);
    f.Line = line;
    f.Message = std::move(message);
    if (const CodeInfo* known = Lookup(code)) {
        f.Level = known->Level;
        f.From = known->From;
        f.Explanation = std::string(known->Explanation);
    } else
        f.Level = fallback;
    return f;
}

std::vector<Finding> MergeByLine(std::vector<Finding> alarms, std::vector<Finding> advice,
                                 std::vector<Finding> stock, std::vector<Finding> machine) {
    std::vector<Finding> out;
    out.reserve(alarms.size() + advice.size() + stock.size() + machine.size());
    std::vector<Finding>* lists[] = {&alarms, &advice, &stock, &machine};
    size_t next[4] = {0, 0, 0, 0};
    for (;;) {
        int pick = -1;
        for (int k = 0; k < 4; ++k)
            if (next[k] < lists[k]->size() &&
                (pick < 0 || (*lists[k])[next[k]].Line < (*lists[pick])[next[pick]].Line))
                pick = k;
        if (pick < 0) return out;
        out.push_back(std::move((*lists[pick])[next[pick]++]));
    }
}

} // namespace findings
