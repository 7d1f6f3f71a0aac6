// SPDX-License-Identifier: GPL-3.0-or-later
#include "inspect/Inspection.h"

#include "stock/ToolShape.h"
#include "stock/ToolSources.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <unordered_map>

namespace inspect {

Kind KindOf(const findings::Finding& f) {
    if (f.From == findings::Source::Alarm) return Kind::Alarm;
    switch (f.Level) {
    case findings::Severity::Error:
        return Kind::Error;
    case findings::Severity::Warning:
        return Kind::Warning;
    case findings::Severity::Info:
        return Kind::Info;
    }
    return Kind::Error;
}

const char* KindName(Kind k) {
    switch (k) {
    case Kind::Alarm:
        return "alarm";
    case Kind::Error:
        return findings::SeverityName(findings::Severity::Error);
    case Kind::Warning:
        return findings::SeverityName(findings::Severity::Warning);
    case Kind::Info:
        return findings::SeverityName(findings::Severity::Info);
    }
    return "alarm";
}

LineStarts::LineStarts(std::u16string_view text) : Size(text.size()) {
    Starts.push_back(0);
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'\r' && text[i + 1] == u'\n') Starts.push_back(i + 2);
}

size_t LineStarts::StartOf(int64_t line) const {
    const int64_t i = std::clamp<int64_t>(line, 1, Lines()) - 1;
    return Starts[static_cast<size_t>(i)];
}

size_t LineStarts::EndOf(int64_t line) const {
    if (line < 1) return StartOf(1);
    if (line >= Lines()) return Size;
    return Starts[static_cast<size_t>(line)] - 2;
}

int64_t LineStarts::LineAt(size_t offset) const {
    return std::upper_bound(Starts.begin(), Starts.end(), offset) - Starts.begin();
}

std::string SequenceOf(std::u16string_view block) {
    bool comment = false;
    for (size_t i = 0; i < block.size(); ++i) {
        const char16_t c = block[i];
        if (c == u'(')
            comment = true;
        else if (c == u')')
            comment = false;
        else if (!comment && c == u'N' && i + 1 < block.size() && block[i + 1] >= u'0' &&
                 block[i + 1] <= u'9') {
            std::string n = "N";
            for (size_t k = i + 1; k < block.size() && block[k] >= u'0' && block[k] <= u'9'; ++k)
                n += static_cast<char>(block[k]);
            return n;
        }
    }
    return {};
}

InspectionResult RunInspection(const std::u16string& text, check::CheckOptions options,
                               const std::atomic<bool>* stop, std::atomic<int>* progress) {
    InspectionResult r;
    r.Options = options;
    r.Options.OnBlock = nullptr; // the caller's hooks may not outlive the call
    r.Options.OnStockCut = nullptr;
    // Blocks per tool, in the order the tools first worked.
    std::vector<ToolRow> tools;
    std::map<double, size_t> row;
    uint32_t sinceLook = 0;
    size_t untooled = 0; // the first piece of the blocks not yet told
    // The caller's own hook is told as well.
    options.OnBlock = [&, outer = std::move(options.OnBlock)](int64_t line, double tool) {
        if (outer) outer(line, tool);
        if ((stop || progress) && ++sinceLook == 4096) {
            sinceLook = 0;
            if (progress)
                progress->store(static_cast<int>(100 * line / std::max<int64_t>(1, r.Starts.Lines())),
                                std::memory_order_relaxed);
            if (stop && stop->load(std::memory_order_relaxed)) throw Stopped{};
        }
        auto [at, added] = row.try_emplace(tool, tools.size());
        if (added) {
            ToolRow first;
            first.Tool = tool, first.FirstLine = line;
            tools.push_back(std::move(first));
        }
        ++tools[at->second].Blocks;
        r.Paths.SetTool(untooled, tool);
        untooled = r.Paths.Size();
        if (options.Stock) r.Steps.BlockDone(line, untooled);
    };
    if (options.Stock) {
        r.CutSetup = std::make_shared<const stock::Setup>(
            stock::WithProgramTools(*options.Stock, text, options.Lathe.Unit == 4));
        options.OnStockCut = [&r](const stock::Machining& m) { r.Steps.PieceCut(r.Paths.Size(), m); };
        options.StockStop = stop; // a costly move is given up inside it, not only between blocks
    }
    r.Starts = LineStarts(text);
    r.Report = check::CheckProgram(text, options, [&r](const check::TracedSegment& s) {
        r.Paths.Add(s.Line, s.Segment, s.Compensation);
    });
    r.Paths.Finish();
    r.Section = SectionOf(r.Report, r.Options);
    for (ToolRow& t : tools) {
        if (auto it = r.Report.ToolTimes.find(t.Tool); it != r.Report.ToolTimes.end()) t.Seconds = it->second;
        if (auto it = r.Report.ToolColors.find(t.Tool); it != r.Report.ToolColors.end())
            t.Colors = it->second;
    }
    if (r.Options.Stock) {
        // The tools as the check cut with them: the setup's, else the program's comments, else
        // the default insert.
        const stock::Setup& setup = *r.CutSetup;
        for (ToolRow& t : tools) {
            const auto it = setup.Tools.find(static_cast<int>(t.Tool));
            const stock::Tool tool = it != setup.Tools.end() ? it->second : stock::DefaultTool();
            t.Insert = ToolText(tool);
            const stock::ToolShape shape = stock::ShapeOf(tool);
            t.Shape = shape.Cutting.Outlines();
            t.Holder = shape.Holder.Outlines();
        }
    }
    r.Tools = std::move(tools);

    const std::u16string_view view(text);
    auto sequence = [&](int64_t line) {
        const size_t a = r.Starts.StartOf(line), b = r.Starts.EndOf(line);
        return SequenceOf(view.substr(a, b > a ? b - a : 0));
    };
    r.Problems.reserve(r.Report.Findings.size());
    for (const findings::Finding& f : r.Report.Findings) {
        Problem p;
        static_cast<findings::Finding&>(p) = f;
        p.Sequence = sequence(f.Line);
        r.Problems.push_back(std::move(p));
    }
    std::stable_sort(r.Problems.begin(), r.Problems.end(), [](const Problem& a, const Problem& b) {
        return a.Line != b.Line ? a.Line < b.Line : KindOf(a) < KindOf(b);
    });
    r.Counts = findings::CountsOf(r.Report.Findings);
    r.Groups = GroupProblems(r.Problems);
    return r;
}

std::vector<ProblemGroup> GroupProblems(const std::vector<Problem>& problems) {
    std::vector<ProblemGroup> groups;
    std::unordered_map<std::string, size_t> byKey;
    std::string key;
    for (size_t i = 0; i < problems.size(); ++i) {
        const Problem& p = problems[i];
        key.assign(1, static_cast<char>('0' + static_cast<int>(KindOf(p))));
        key += p.Code;
        key += '\n';
        key += p.Message;
        const auto [at, added] = byKey.try_emplace(key, groups.size());
        if (added) groups.push_back({{}, p.Line, p.Line});
        ProblemGroup& g = groups[at->second];
        g.Members.push_back(i);
        g.LastLine = std::max(g.LastLine, p.Line);
    }
    return groups;
}

std::u16string_view InspectionResult::LineText(std::u16string_view text, int64_t line) const {
    const size_t a = Starts.StartOf(line), b = Starts.EndOf(line);
    return text.substr(std::min(a, text.size()), b > a ? b - a : 0);
}

std::string ProblemCounts(const findings::Counts& counts) {
    return findings::CountsText(counts);
}

namespace {

// The part as the checker's framing finds it, from the pieces mapped onto the canvas.
std::optional<picture::Area> PartOnCanvas(const PathIndex& paths, const ViewMap& view) {
    picture::PartExtent part;
    std::vector<MachinePoint> line;
    paths.ForEachSegment([&](size_t, const motion::PathSegment& s) {
        if (s.kind == motion::PathSegment::Kind::Rapid) {
            const Point a = view.ToCanvas({s.x0, s.z0}), b = view.ToCanvas({s.x1, s.z1});
            part.AddRapid(a.X, a.Y, b.X, b.Y);
            return;
        }
        PathIndex::Polyline(s, line);
        for (const MachinePoint& p : line) {
            const Point c = view.ToCanvas(p);
            part.AddCut(c.X, c.Y, c.X, c.Y);
        }
    });
    return part.Part();
}

} // namespace

std::optional<picture::Area> FitFrame(const PathIndex& paths, const ViewMap& view, double widthPx,
                                      double heightPx, picture::FitScope scope) {
    if (!(widthPx > 0) || !(heightPx > 0)) return std::nullopt;
    if (scope == picture::FitScope::Part) {
        const std::optional<picture::Area> part = PartOnCanvas(paths, view);
        if (!part) return std::nullopt;
        return picture::FitArea(*part, widthPx, heightPx, 0.05);
    }
    const std::optional<MachineBox> box = paths.Extent();
    if (!box) return std::nullopt;
    // The box's corners on the canvas; the layout may turn or mirror it.
    const Point a = view.ToCanvas({2 * box->MinR, box->MinZ}), b = view.ToCanvas({2 * box->MaxR, box->MaxZ});
    const picture::Area drawn{std::min(a.X, b.X), std::min(a.Y, b.Y), std::fabs(b.X - a.X),
                              std::fabs(b.Y - a.Y)};
    return picture::FitArea(drawn, widthPx, heightPx, 0.05);
}

} // namespace inspect
