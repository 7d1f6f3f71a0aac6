// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/Archive.h"

#include "check/Decode.h"
#include "check/HtmlReport.h"
#include "check/Inputs.h"
#include "check/Picture.h"
#include "check/ProgramFiles.h"
#include "check/ReportPicture.h"
#include "check/Shown.h"
#include "check/StockSection.h"
#include "picture/Framing.h"
#include "picture/Section.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <new>
#include <thread>

namespace check {

namespace {

using Clock = std::chrono::steady_clock;

// The pictures of the report: small enough for thousands of rows in one page.
constexpr double ReportPictureWidth = 320, ReportPictureHeight = 200;

// A message names files and values from the command line or a file: shown escaped.
void Complain(const std::string& text) {
    std::fputs(("zarvik-check: " + Shown(text) + "\n").c_str(), stderr);
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

ProgramResult CheckEntry(const ProgramEntry& entry, const ArchiveOptions& options, bool picture) {
    if (entry.Error.empty()) return CheckArchiveProgram(entry.Path, options, picture);
    ProgramResult r;
    r.Path = entry.Path;
    r.Error = entry.Error;
    r.Status = 2;
    return r;
}

// Gathers the results as the jobs hand them in: streams each report, counts it into the summary
// and writes the HTML rows in the order of the list (a row that comes early waits for those
// before it, so only a few are ever held).
class Collector {
  public:
    // `split`: the rows go to pages of HtmlPageRows programs beside the report, which becomes
    // their index (written by Finish).
    Collector(const ArchiveOptions& o, Output& out, Output* report, size_t programs, bool split)
        : O(o), Out(out), Report(report), Programs(programs), Split(split) {
        if (Split) Entries.resize(programs);
    }

    void Done(size_t index, ProgramResult r) {
        const std::lock_guard<std::mutex> lock(Mutex);
        try {
            if (!r.Report && !r.Subprogram) Complain(r.Path + ": " + r.Error);
            if (!r.SetupError.empty()) Complain(r.SetupError);
            Out.Write(O.Json ? ResultJson(r) : ResultText(r));
            Summary.Add(index, r);
            if (!Report) return;
            if (Split) Entries[index] = {index, r.Path, VerdictOf(r)};
            Rows.emplace(index, HtmlRow(r));
            for (auto it = Rows.find(NextRow); it != Rows.end(); it = Rows.find(++NextRow)) {
                RowOut(NextRow).Write(it->second);
                Rows.erase(it);
            }
        } catch (const std::bad_alloc&) {
            Complain(r.Path + ": out of memory");
            Summary.Status = 2;
        }
    }

    // Ends the report (the last page and the index, when split); false when a file could not be
    // written (said on standard error).
    bool Finish() {
        std::string why;
        if (!Split) {
            Report->Write(HtmlTail(Summary));
        } else {
            if (!FinishPage()) return false;
            Report->Write(HtmlIndex(Summary, O.ReportPath, Entries));
        }
        if (!Report->Finish(why)) {
            Complain("cannot write the report " + O.ReportPath + ": " + why);
            return false;
        }
        return true;
    }

    ArchiveSummary Summary;

  private:
    // Where row `index` goes: the report, or its page (started when its first row comes).
    Output& RowOut(size_t index) {
        if (!Split) return *Report;
        if (index % HtmlPageRows == 0) {
            if (!FinishPage()) Summary.Status = 2;
            const size_t page = index / HtmlPageRows;
            std::string why;
            if (!Page.Open(HtmlPagePath(O.ReportPath, page), why)) {
                Complain("cannot write the report's page " + HtmlPagePath(O.ReportPath, page) + ": " + why);
                Summary.Status = 2;
            }
            Page.Write(
                HtmlPageHead(index + 1, std::min(Programs, index + HtmlPageRows), Programs, O.ReportPath));
            PageNumber = page;
        }
        return Page;
    }

    bool FinishPage() {
        if (!Page.IsOpen()) return true;
        std::string why;
        Page.Write(HtmlPageTail(O.ReportPath));
        if (Page.Finish(why)) return true;
        Complain("cannot write the report's page " + HtmlPagePath(O.ReportPath, PageNumber) + ": " + why);
        return false;
    }

    const ArchiveOptions& O;
    Output& Out;
    Output* Report;
    size_t Programs;
    bool Split;
    std::mutex Mutex;
    std::map<size_t, std::string> Rows; // finished rows waiting for those before them
    size_t NextRow = 0;
    Output Page; // the page being written, when split
    size_t PageNumber = 0;
    std::vector<HtmlIndexEntry> Entries; // every program's verdict, for the index
};

unsigned JobsFor(unsigned asked, size_t programs) {
    unsigned jobs = asked ? asked : std::max(1u, std::thread::hardware_concurrency());
    if (programs < jobs) jobs = static_cast<unsigned>(std::max<size_t>(programs, 1));
    return jobs;
}

// Runs `work` on `jobs` threads, this one among them; fewer when no more can be started.
template <class Work> void RunJobs(unsigned jobs, Work work) {
    std::vector<std::thread> threads;
    for (unsigned i = 1; i < jobs; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the threads already started and this one do the work
        }
    }
    work();
    for (std::thread& t : threads)
        t.join();
}

} // namespace

ProgramResult CheckArchiveProgram(const std::string& path, const ArchiveOptions& options, bool picture) {
    ProgramResult r;
    r.Path = path;
    const Clock::time_point start = Clock::now();
    try {
        std::u16string text;
        const bool read = ReadProgram(path, text, r.Error);
        // A subprogram in a file of its own is checked as part of the programs calling it.
        r.Subprogram = read && IsSubprogramFile(path, text);
        if (read && !r.Subprogram) {
            // A setup that cannot be read is this program's alone: it is checked without one.
            CheckOptions check = options.Check;
            check.ProgramPath = path;
            // In an archive a program's own setup names its control and unit; the command
            // line's are the default for the others.
            const bool fromSetup =
                options.Stock.ApplyProgramChoice(path, check.Lathe, false, false, r.SetupError);
            if (r.SetupError.empty()) check.Stock = options.Stock.SetupFor(path, r.SetupError);
            if (r.SetupError.empty())
                check.Machine = options.Stock.Machine.For(options.Stock.SetupPathFor(path), r.SetupError);
            if (r.SetupError.empty()) {
                // --- The part on the drawing ---
                check.Target = options.Stock.TargetFor(path, r.SetupError);
                if (check.Target && !check.Stock) r.SetupError = TargetNeedsStock(path);
                if (!r.SetupError.empty()) check.Target.reset();
            }
            r.Report = picture ? CheckWithPicture(text, path, check, r.Picture, ReportPictureWidth,
                                                  ReportPictureHeight)
                               : CheckProgram(text, check);
            r.Report->File = path;
            r.Report->ControlFromSetup = fromSetup;
            if (r.SetupError.empty() && !r.Report->StockError.empty())
                r.SetupError = path + ": " + r.Report->StockError + "; checked without the stock";
        }
    } catch (const std::bad_alloc&) {
        r.Report.reset();
        std::string().swap(r.Picture);
        r.Error = "out of memory";
    } catch (const std::exception& e) {
        r.Report.reset();
        r.Error = e.what();
    }
    r.Seconds = SecondsSince(start);
    r.Strict = options.Strict;
    r.Status = ProgramStatus(r, options.Strict);
    return r;
}

int RunArchive(const ArchiveOptions& o, const std::vector<std::string>& arguments, Output& out) {
    const Clock::time_point start = Clock::now();
    std::vector<ProgramEntry> programs;
    for (const std::string& a : arguments) {
        std::vector<ProgramEntry> some = ListPrograms({a});
        if (some.empty()) Complain(a + ": no NC program in this folder");
        programs.insert(programs.end(), some.begin(), some.end());
    }
    std::vector<OutputFile> outputs{{"standard output", ""}};
    // An archive too large for one page a browser opens in seconds: an index and pages.
    const bool split = !o.ReportPath.empty() && programs.size() > HtmlSplitAbove;
    if (!o.ReportPath.empty()) outputs.push_back({"--report " + o.ReportPath, o.ReportPath});
    if (split)
        for (size_t page = 0; page * HtmlPageRows < programs.size(); ++page)
            outputs.push_back({"--report " + o.ReportPath, HtmlPagePath(o.ReportPath, page)});
    std::vector<std::string> paths;
    for (const ProgramEntry& p : programs)
        paths.push_back(p.Path);
    if (const std::string clash = OutputClash(outputs, InputsOf(paths, o.Stock)); !clash.empty()) {
        Complain(clash);
        return 2;
    }
    Output report;
    if (!o.ReportPath.empty()) {
        std::string why;
        std::error_code made;
        if (split)
            std::filesystem::create_directories(
                std::filesystem::path(HtmlPagePath(o.ReportPath, 0)).parent_path(), made);
        if (made) {
            Complain("cannot write the report's pages beside " + o.ReportPath + ": " + made.message());
            return 2;
        }
        if (!report.Open(o.ReportPath, why)) {
            Complain("cannot write the report " + o.ReportPath + ": " + why);
            return 2;
        }
        if (!split) report.Write(HtmlHead(programs.size()));
    }
    Collector collector(o, out, report.IsOpen() ? &report : nullptr, programs.size(), split);
    const unsigned jobs = JobsFor(o.Jobs, programs.size());
    std::atomic<size_t> next{0};
    RunJobs(jobs, [&] {
        for (size_t i; (i = next.fetch_add(1)) < programs.size();)
            collector.Done(i, CheckEntry(programs[i], o, report.IsOpen()));
    });
    ArchiveSummary& summary = collector.Summary;
    summary.Jobs = jobs;
    summary.WallSeconds = SecondsSince(start);
    out.Write(o.Json ? summary.Json() : summary.Text());
    int status = summary.Status;
    if (report.IsOpen() && !collector.Finish()) status = 2;
    return status;
}

// Checks the program and draws its path framed with a margin, as --fit does: one run finds where
// the path lies, the second draws it there and gives the report.
CheckReport CheckWithPicture(const std::u16string& text, const std::string& path, const CheckOptions& options,
                             std::string& svg, double widthPx, double heightPx) {
    picture::SheetOptions sheet;
    sheet.WidthPx = widthPx;
    sheet.HeightPx = heightPx;
    sheet.WhiteBackground = options.WhiteBackground;
    sheet.Fit = picture::FitScope::Part;
    const picture::SheetLayout layout = picture::LayOutSheet(sheet);
    const double w = layout.Viewport.W, h = layout.Viewport.H;
    CheckOptions framed = options;
    framed.Frame = FrameFor(text, options, sheet, layout);
    ReportPicture drawing;
    ViewportCanvas viewport(drawing, options.Lathe.Limits.NVLZ, picture::SheetBack(sheet));
    CheckReport report = CheckProgram(text, framed, {}, {&viewport}, w, h);
    report.File = path;
    svg = drawing.Svg();
    // With a stock: its section over the path, as the checker's own pictures draw it.
    if (const std::optional<StockSection> section = SectionOf(report, framed)) {
        const picture::SheetContent content{sheet, layout, report.Visible, report.Mapping, {}};
        const size_t end = svg.rfind("</svg>");
        if (end != std::string::npos)
            svg.insert(end, picture::SvgSection(DrawnSection(*section, content),
                                                picture::SectionLookOf(sheet.WhiteBackground)));
    }
    return report;
}

} // namespace check
