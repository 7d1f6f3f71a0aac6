// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/CheckerCli.h"

#include "check/Archive.h"
#include "check/Checker.h"
#include "check/CheckerArgs.h"
#include "check/Decode.h"
#include "check/Inputs.h"
#include "check/Output.h"
#include "check/ProgramDiff.h"
#include "check/ProgramFiles.h"
#include "check/Shown.h"
#include "check/StockOptions.h"
#include "check/StockProfile.h"
#include "check/StockSection.h"
#include "stock/SetupFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace check {

namespace {

// One move the stock took, as a line of --nose-path: written as the trace writes a piece.
void AppendNoseJson(std::string& out, const stock::Move& m) {
    using Kind = motion::PathSegment::Kind;
    motion::PathSegment s;
    s.kind = m.Type == stock::Move::Kind::Rapid   ? Kind::Rapid
             : m.Type == stock::Move::Kind::Cut   ? Kind::Cut
             : m.Type == stock::Move::Kind::ArcCW ? Kind::ArcCW
                                                  : Kind::ArcCCW;
    s.x0 = m.X0, s.z0 = m.Z0, s.x1 = m.X1, s.z1 = m.Z1, s.cx = m.CX, s.cz = m.CZ, s.r = m.R;
    AppendSegmentJson(out, {m.Line, s});
    out += '\n';
}

// A message names files and values from the command line or a file: shown escaped.
void Complain(const std::string& text) {
    std::fputs(("zarvik-check: " + Shown(text) + "\n").c_str(), stderr);
}

// Standard streams that were closed at start are opened on /dev/null, so that no file the checker
// opens takes their place. Returns whether standard output was closed.
bool GuardStandardStreams() {
    bool outputClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        if (fd == STDOUT_FILENO) outputClosed = true;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
    return outputClosed;
}

// Outputs that are an input (a program, its setup, the tool table it names) or one another.
// Returns the usage error, empty when every output is a file of its own.
std::string SameFileProblem(const CliOptions& o) {
    std::vector<OutputFile> outputs{{"standard output", ""}};
    // A trace to "-" is standard output itself.
    if (!o.TracePath.empty() && o.TracePath != "-")
        outputs.push_back({"--trace " + o.TracePath, o.TracePath});
    for (const auto& [option, path] : {std::pair{"--svg ", &o.SvgPath},
                                       {"--png ", &o.PngPath},
                                       {"--pdf ", &o.PdfPath},
                                       {"--profile ", &o.Stock.ProfilePath},
                                       {"--nose-path ", &o.NosePath}})
        if (!path->empty()) outputs.push_back({option + *path, *path});
    if (o.Diff && !o.Archive.ReportPath.empty()) // --diff's own page
        outputs.push_back({"--report " + o.Archive.ReportPath, o.Archive.ReportPath});
    return OutputClash(outputs, InputsOf(o.Files, o.Stock));
}

// One picture output: the file, and the picture of the program last run.
struct PictureOutput {
    std::string Path;
    PictureMaker Make = nullptr;
    Output File;
    std::unique_ptr<Picture> Current;
    std::optional<ViewportCanvas> Viewport;
    std::optional<std::string> Bytes; // of the last program that ran
};

class Pipeline {
  public:
    Pipeline(const CliOptions& o, const PictureFormats& formats, Output& out) : O(o), Out(out) {
        Pictures[0].Path = o.SvgPath;
        Pictures[0].Make = formats.Svg;
        Pictures[1].Path = o.PngPath;
        Pictures[1].Make = formats.Png;
        Pictures[2].Path = o.PdfPath;
        Pictures[2].Make = formats.Pdf;
    }

    // Opens every output before anything is written. False (with a message) when one cannot be.
    bool OpenOutputs() {
        std::string why;
        if (O.TracePath == "-")
            Trace = &Out;
        else if (!O.TracePath.empty()) {
            if (!TraceFile.Open(O.TracePath, why)) {
                Complain("cannot write the trace file " + O.TracePath + ": " + why);
                return false;
            }
            Trace = &TraceFile;
        }
        for (PictureOutput& p : Pictures) {
            if (p.Path.empty()) continue;
            if (!p.File.Open(p.Path, why)) {
                Complain("cannot write the picture " + p.Path + ": " + why);
                return false;
            }
        }
        if (!O.NosePath.empty() && !NoseFile.Open(O.NosePath, why)) {
            Complain("cannot write the nose path " + O.NosePath + ": " + why);
            return false;
        }
        if (!O.Stock.ProfilePath.empty() && !ProfileFile.Open(O.Stock.ProfilePath, why)) {
            Complain("cannot write the profile " + O.Stock.ProfilePath + ": " + why);
            return false;
        }
        return true;
    }

    // Checks one program file: its report goes out, its trace and pictures are kept for the end.
    void CheckFile(const std::string& path) {
        std::u16string text;
        if (std::string why; !ReadProgram(path, text, why)) {
            Complain(path + ": " + why);
            Status = 2;
            return;
        }
        std::vector<motion::Canvas*> canvases;
        const picture::SheetLayout layout = picture::LayOutSheet(O.Sheet);
        for (PictureOutput& p : Pictures) {
            p.Viewport.reset();
            p.Current.reset();
            if (!p.File.IsOpen()) continue;
            p.Current = p.Make(layout);
            p.Viewport.emplace(p.Current->Canvas(), O.Check.Lathe.Limits.NVLZ, picture::SheetBack(O.Sheet));
            canvases.push_back(&*p.Viewport);
        }
        const double viewportWidth = layout.Viewport.W, viewportHeight = layout.Viewport.H;
        // One run gives the report, the trace and every picture; a framed picture needs one more
        // before it, to find where the path lies.
        CheckOptions options = O.Check;
        bool controlFromSetup = false;
        {
            // --- The control and unit the program's setup names ([program]) ---
            std::string complaint;
            controlFromSetup =
                O.Stock.ApplyProgramChoice(path, options.Lathe, O.ControlGiven, O.UnitGiven, complaint);
            if (!complaint.empty()) { // the setup as a whole is not read then
                Complain(complaint);
                Status = 2;
            } else {
                // --- Stock and tools ---
                options.Stock = O.Stock.SetupFor(path, complaint);
                if (!complaint.empty()) {
                    Complain(complaint);
                    Status = 2;
                }
                // --- The machine behind the control ---
                options.Machine = O.Stock.Machine.For(O.Stock.SetupPathFor(path), complaint);
                if (!complaint.empty()) {
                    Complain(complaint);
                    Status = 2;
                }
            }
            // --- The part on the drawing ---
            options.Target = O.DiffAgainst ? O.DiffAgainst : O.Stock.TargetFor(path, complaint);
            if (!complaint.empty() || (options.Target && !options.Stock)) {
                Complain(!complaint.empty() ? complaint : TargetNeedsStock(path));
                options.Target.reset();
                Status = 2;
            }
        }
        options.ProgramPath = path;
        if (!canvases.empty()) options.Frame = FrameFor(text, options, O.Sheet, layout);
        options.SecondCore = true; // one program at a time: the second core is free
        std::string nose;
        if (NoseFile.IsOpen() && options.Stock)
            options.OnNoseMove = [&nose](const stock::Move& m) { AppendNoseJson(nose, m); };
        CheckReport report =
            CheckProgram(text, options, OnSegment(), canvases, viewportWidth, viewportHeight);
        report.File = path;
        report.ControlFromSetup = controlFromSetup;
        if (!report.StockError.empty()) { // a setup error as well: checked without the stock
            Complain(path + ": " + report.StockError + "; checked without the stock");
            Status = 2;
        }
        const picture::SheetContent sheet{O.Sheet, layout, report.Visible, report.Mapping, LegendOf(report)};
        // --- Stock and tools: the section over the path ---
        std::optional<StockSection> section = SectionOf(report, options);
        if (section && !O.NosePicture) section->NosePath.clear();
        for (PictureOutput& p : Pictures) {
            if (!p.Current) continue;
            if (section)
                p.Current->SetSection(DrawnSection(*section, sheet),
                                      picture::SectionLookOf(O.Sheet.WhiteBackground));
            std::string bytes, why;
            if (p.Current->Encode(sheet, bytes, why))
                p.Bytes = std::move(bytes);
            else {
                Complain("cannot write the picture " + p.Path + ": " + why);
                Status = 2;
            }
            p.Viewport.reset();
            p.Current.reset();
        }
        if (ProfileFile.IsOpen()) KeepProfile(path, report);
        if (NoseFile.IsOpen()) {
            if (report.Stock)
                NoseBytes = std::move(nose);
            else {
                Complain(path + ": --nose-path needs a stock: give --setup FILE or --stock, or put " +
                         stock::DefaultSetupPath(path) + " beside the program");
                Status = 2;
            }
        }
        if (options.Target && !report.Target) { // the stock could not be cut
            Complain(path + ": not compared with the target drawing: the stock could not be cut");
            Status = 2;
        }
        FlushTrace(); // the trace of a file comes before its report
        Out.Write(O.Json ? ReportJson(report) + "\n" : ReportText(report));
        if (report.Fails(O.Strict) && Status == 0) Status = 1;
    }

    // --- Stock and tools: the finished half-section of the program, for --profile ---
    void KeepProfile(const std::string& path, const CheckReport& report) {
        ProfileBytes.reset();
        if (!report.Stock) {
            Complain(path + ": --profile needs a stock: give --setup FILE or --stock, or put " +
                     stock::DefaultSetupPath(path) + " beside the program");
            Status = 2;
            return;
        }
        const std::vector<stock::ProfileContour> profile = stock::ProfileOf(report.Stock->Part);
        ProfileBytes = ProfileFormatOf(O.Stock.ProfilePath) == ProfileFormat::Dxf ? ProfileDxf(profile)
                                                                                  : ProfileSvg(profile);
    }

    // A run that ran out of memory: what it left is dropped, the next file gets a fresh start.
    void OutOfMemory(const std::string& path) {
        std::string().swap(TraceBuffer);
        for (PictureOutput& p : Pictures) {
            p.Viewport.reset();
            p.Current.reset();
        }
        Complain(path + ": out of memory");
        Status = 2;
    }

    // Puts the outputs in place; an output that fails is a failure of the whole check.
    int Finish() {
        FlushTrace();
        std::string why;
        if (Trace == &TraceFile && !TraceFile.Finish(why)) {
            Complain("cannot write the trace file " + O.TracePath + ": " + why);
            Status = 2;
        }
        for (PictureOutput& p : Pictures) {
            if (!p.File.IsOpen()) continue;
            if (!p.Bytes) { // no program ran: no picture
                p.File.Abandon();
                continue;
            }
            p.File.Write(*p.Bytes);
            if (!p.File.Finish(why)) {
                Complain("cannot write the picture " + p.Path + ": " + why);
                Status = 2;
            }
        }
        if (NoseFile.IsOpen()) {
            if (!NoseBytes) {
                NoseFile.Abandon();
            } else {
                NoseFile.Write(*NoseBytes);
                if (!NoseFile.Finish(why)) {
                    Complain("cannot write the nose path " + O.NosePath + ": " + why);
                    Status = 2;
                }
            }
        }
        if (ProfileFile.IsOpen()) {
            if (!ProfileBytes) {
                ProfileFile.Abandon(); // no program with a stock ran: no profile
            } else {
                ProfileFile.Write(*ProfileBytes);
                if (!ProfileFile.Finish(why)) {
                    Complain("cannot write the profile " + O.Stock.ProfilePath + ": " + why);
                    Status = 2;
                }
            }
        }
        return Status;
    }

  private:
    // The trace goes out in large blocks: a long program has millions of lines of it.
    const std::function<void(const TracedSegment&)>& OnSegment() {
        if (Trace && !Segment)
            Segment = [this](const TracedSegment& t) {
                AppendSegmentJson(TraceBuffer, t);
                TraceBuffer += '\n';
                if (TraceBuffer.size() >= 1 << 16) FlushTrace();
            };
        return Segment;
    }
    void FlushTrace() {
        if (!Trace || TraceBuffer.empty()) return;
        Trace->Write(TraceBuffer);
        TraceBuffer.clear();
    }

    const CliOptions& O;
    Output& Out;
    Output TraceFile;
    Output* Trace = nullptr;
    std::string TraceBuffer;
    std::function<void(const TracedSegment&)> Segment;
    PictureOutput Pictures[3]; // SVG first: with more, its text sizes place the labels
    Output ProfileFile;
    std::optional<std::string> ProfileBytes; // of the last program that ran with a stock
    Output NoseFile;
    std::optional<std::string> NoseBytes; // of the last program that ran with a stock
    int Status = 0;
};

// The check of an archive (a folder among the files, --jobs or --report). The pictures and the
// trace of a single program have no place there: the HTML report shows every program's path.
int RunArchiveCli(const CliOptions& o, Output& out) {
    if (!o.TracePath.empty() || !o.SvgPath.empty() || !o.PngPath.empty() || !o.PdfPath.empty()) {
        std::fputs("zarvik-check: --trace, --svg, --png and --pdf take single programs, not an archive "
                   "(--report shows every program's path)\n",
                   stderr);
        return 2;
    }
    // One finished section per run: --profile names one file, which many programs cannot share.
    if (!o.Stock.ProfilePath.empty() || !o.NosePath.empty()) {
        std::fputs("zarvik-check: --profile and --nose-path take a single program, not an archive\n", stderr);
        return 2;
    }
    ArchiveOptions archive;
    archive.Check = o.Check;
    archive.Stock = o.Stock;
    archive.Json = o.Json;
    archive.Strict = o.Strict;
    archive.Jobs = o.Archive.Jobs;
    archive.ReportPath = o.Archive.ReportPath;
    try {
        return RunArchive(archive, o.Files, out);
    } catch (const std::bad_alloc&) {
        Complain("out of memory");
        return 2;
    }
}

} // namespace

int RunCheckerCli(int argc, char** argv, const PictureFormats& given) {
    Output out;
    out.OpenStandardOutput(GuardStandardStreams());
    auto finish = [&out](int status) {
        if (!out.Failed()) return status;
        Complain("cannot write to standard output: " + out.Why());
        return 2;
    };
    CliOptions o;
    const std::string error = ParseCheckerArgs(argc, argv, o);
    if (o.Help) {
        out.Write(CheckerUsage);
        return finish(0);
    }
    if (!error.empty()) {
        std::fputs(("zarvik-check: " + Shown(error) + "\n" + CheckerUsage).c_str(), stderr);
        return 2;
    }
    PictureFormats formats = given;
    if ((!o.PngPath.empty() || !o.PdfPath.empty()) && formats.Load) {
        std::string why;
        if (!formats.Load(formats, why)) {
            Complain(std::string(o.PngPath.empty() ? "--pdf" : "--png") + ": " + why);
            return 2;
        }
    }
    if (!o.Stock.Machine.Measurements.empty()) {
        // --- The machine behind the control: calibrated to measured times ---
        try {
            std::string report, complaint;
            const int status = CalibrateMachine(o.Check, o.Stock, o.Json, report, complaint);
            if (status != 0) Complain(complaint);
            out.Write(report);
            return finish(status);
        } catch (const std::bad_alloc&) {
            Complain("out of memory");
            return 2;
        }
    }
    if (!o.Baseline.empty()) {
        // --- Every program against its last version, kept in a folder of their own ---
        try {
            if (!std::filesystem::is_directory(o.Baseline)) {
                Complain("--baseline " + o.Baseline + ": no such folder");
                return finish(2);
            }
            std::string report, complaints;
            const int status =
                DiffWithBaseline(o.Baseline, o.Files, o.Check, o.Stock, o.Json, report, complaints);
            if (!complaints.empty()) Complain(complaints.substr(0, complaints.size() - 1));
            out.Write(report);
            return finish(status);
        } catch (const std::bad_alloc&) {
            Complain("out of memory");
            return 2;
        }
    }
    if (o.Diff) {
        // --- Two versions of a program, compared by the part they cut ---
        try {
            std::string report, complaint;
            if (const std::string same = SameFileProblem(o); !same.empty()) {
                Complain(same);
                return 2;
            }
            // The page is written whole once the comparison is in: an error leaves no file.
            Output page;
            std::string html, why;
            const bool paged = !o.Archive.ReportPath.empty();
            if (paged && !page.Open(o.Archive.ReportPath, why)) {
                Complain("cannot write the report " + o.Archive.ReportPath + ": " + why);
                return 2;
            }
            const int status = DiffPrograms(o.Files[0], o.Files[1], o.Check, o.Stock, o.Json, report,
                                            complaint, paged ? &html : nullptr);
            if (status == 2) Complain(complaint);
            out.Write(report);
            if (paged && status != 2) {
                page.Write(html);
                if (!page.Finish(why)) {
                    Complain("cannot write the report " + o.Archive.ReportPath + ": " + why);
                    return finish(2);
                }
            }
            if (status == 2 || (o.SvgPath.empty() && o.PngPath.empty() && o.PdfPath.empty()))
                return finish(status);
            // The pictures: NEW drawn against OLD's finished section, the regions in two colours.
            CliOptions pictures = o;
            pictures.DiffAgainst = FinishedSectionOf(o.Files[0], o.Check, o.Stock, complaint);
            pictures.Files = {o.Files[1]};
            pictures.Json = false;
            Output discard; // NEW's own report is in the comparison above
            if (!pictures.DiffAgainst || !discard.Open("/dev/null", why)) {
                Complain(!pictures.DiffAgainst ? complaint : "/dev/null: " + why);
                return finish(2);
            }
            Pipeline pipeline(pictures, formats, discard);
            if (!pipeline.OpenOutputs()) return finish(2);
            pipeline.CheckFile(o.Files[1]);
            const int drawn = pipeline.Finish();
            return finish(drawn == 2 ? 2 : status);
        } catch (const std::bad_alloc&) {
            Complain("out of memory");
            return 2;
        }
    }
    if (o.Archive.Given || AnyFolder(o.Files)) return finish(RunArchiveCli(o, out));
    for (const auto& [path, make, option] : {std::tuple{&o.SvgPath, formats.Svg, "--svg"},
                                             {&o.PngPath, formats.Png, "--png"},
                                             {&o.PdfPath, formats.Pdf, "--pdf"}})
        if (!path->empty() && !make) {
            Complain(std::string(option) + ": this checker was built without that picture format");
            return 2;
        }
    try {
        if (const std::string same = SameFileProblem(o); !same.empty()) {
            Complain(same);
            return 2;
        }
        Pipeline pipeline(o, formats, out);
        if (!pipeline.OpenOutputs()) return 2;
        for (const std::string& path : o.Files) {
            try {
                pipeline.CheckFile(path);
            } catch (const std::bad_alloc&) {
                pipeline.OutOfMemory(path);
            }
        }
        return finish(pipeline.Finish());
    } catch (const std::bad_alloc&) {
        Complain("out of memory");
        return 2;
    }
}

} // namespace check
