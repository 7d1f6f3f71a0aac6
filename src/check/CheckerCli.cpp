#include "check/CheckerCli.h"

#include "check/Checker.h"
#include "check/Decode.h"
#include "check/LargeBuffer.h"
#include "check/Output.h"
#include "input/InputGuard.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace check {

namespace {

const char* const Usage =
    "usage: zarvik-check [--fanuc] [--unit N] [--limits PVLX,PVLZ,NVLX,NVLZ] [--block-delete]\n"
    "                    [--g2-mirror] [--json] [--trace FILE] [--svg FILE] [--png FILE] [--pdf FILE]\n"
    "                    [--fit[=all]] [--size WxH] [--white|--black] [--rulers] [--legend]\n"
    "                    [--strict] [--no-advice] FILE...\n"
    "       zarvik-check --help | --version\n"
    "  --trace writes every drawn path piece as JSON Lines (- for standard output)\n"
    "  --svg/--png/--pdf write the path of the (last) program in the standard view as a picture\n"
    "  --fit frames the part instead (its cuts, and rapids only near them), --fit=all the whole\n"
    "  drawn path; --size sets the picture (default 1600x1000 pixels);\n"
    "  --white/--black the background; --rulers adds X and Z scales; --legend the tools' colours\n"
    "  and cutting times, the program, its total time and its alarms\n"
    "  --strict exits 1 on any advice finding, not only on alarms and errors; --no-advice looks\n"
    "  for alarms only\n";

struct CliOptions {
    CheckOptions Check;
    bool Json = false;
    bool Help = false;
    bool Strict = false; // any advice finding fails the check
    std::string TracePath;
    std::string SvgPath, PngPath, PdfPath;
    picture::SheetOptions Sheet;
    bool Fit = false;
    picture::FitScope FitWhat = picture::FitScope::Part;
    std::vector<std::string> Files;
};

void Complain(const std::string& text) {
    std::fputs(("zarvik-check: " + text + "\n").c_str(), stderr);
}

// A plain decimal number: an optional sign, digits with an optional point, an optional exponent.
// Nothing else (no blanks, no hexadecimal, no "inf").
bool ParseNumber(const std::string& text, double& out) {
    size_t i = 0;
    const auto digits = [&] {
        const size_t from = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
        return i - from;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t start = i;
    size_t n = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        n += digits();
    }
    if (n == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (digits() == 0) return false;
    }
    if (i != text.size()) return false;
    const auto r = std::from_chars(text.data() + start, text.data() + text.size(), out);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(out)) return false;
    if (text[0] == '-') out = -out;
    return true;
}

// "WIDTHxHEIGHT": whole pixels, each within the sheet's limits.
bool ParseSize(const std::string& text, picture::SheetOptions& o) {
    const size_t x = text.find('x');
    double w, h;
    if (x == std::string::npos || !ParseNumber(text.substr(0, x), w) || !ParseNumber(text.substr(x + 1), h))
        return false;
    for (double v : {w, h})
        if (v != std::floor(v) || v < picture::SmallestSheet || v > picture::LargestSheet) return false;
    o.WidthPx = w;
    o.HeightPx = h;
    return true;
}

bool ParseLimits(const std::string& text, CheckOptions& o) {
    double v[4];
    std::stringstream in(text);
    std::string part;
    int n = 0;
    while (std::getline(in, part, ',')) {
        if (n == 4 || !ParseNumber(part, v[n])) return false;
        ++n;
    }
    if (n != 4) return false;
    o.PVLX = v[0];
    o.PVLZ = v[1];
    o.NVLX = v[2];
    o.NVLZ = v[3];
    return true;
}

// Returns an error text, empty when the arguments are good.
std::string Parse(int argc, char** argv, CliOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--fanuc")
            o.Check.Fanuc = true;
        else if (a == "--block-delete")
            o.Check.BlockDelete = true;
        else if (a == "--g2-mirror")
            o.Check.G2Mirror = true;
        else if (a == "--json")
            o.Json = true;
        else if (a == "--strict")
            o.Strict = true;
        else if (a == "--no-advice")
            o.Check.Advice = false;
        else if (a == "--unit") {
            double u;
            if (!value(v) || !ParseNumber(v, u) || u < 1 || u > 4 || u != static_cast<int>(u))
                return "--unit needs 1, 2, 3 or 4";
            o.Check.Unit = static_cast<int16_t>(u);
        } else if (a == "--limits") {
            if (!value(v) || !ParseLimits(v, o.Check))
                return "--limits needs four numbers PVLX,PVLZ,NVLX,NVLZ";
        } else if (a == "--trace") {
            if (!value(o.TracePath) || o.TracePath.empty())
                return "--trace needs a file name (- for standard output)";
        } else if (a == "--svg") {
            if (!value(o.SvgPath) || o.SvgPath.empty()) return "--svg needs a file name";
        } else if (a == "--png") {
            if (!value(o.PngPath) || o.PngPath.empty()) return "--png needs a file name";
        } else if (a == "--pdf") {
            if (!value(o.PdfPath) || o.PdfPath.empty()) return "--pdf needs a file name";
        } else if (a == "--size") {
            if (!value(v) || !ParseSize(v, o.Sheet))
                return "--size needs WIDTHxHEIGHT, whole pixels from 200 to 8000";
        } else if (a == "--fit" || a == "--fit=all") {
            o.Fit = true;
            o.FitWhat = a == "--fit" ? picture::FitScope::Part : picture::FitScope::All;
        } else if (a == "--rulers" || a == "--legend") {
            (a == "--rulers" ? o.Sheet.Rulers : o.Sheet.Legend) = true;
        } else if (a == "--white" || a == "--black") {
            o.Sheet.WhiteBackground = o.Check.WhiteBackground = a == "--white";
        } else if (a == "--help" || a == "-h") {
            o.Help = true;
            return {};
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return "unknown option " + a;
        } else {
            o.Files.push_back(a);
        }
    }
    if (o.Files.empty()) return "no program file given";
    return {};
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

struct FileId {
    dev_t Dev;
    ino_t Ino;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// Outputs that are a program given as input (by any path: links included), or one another.
// Returns the usage error, empty when every output is a file of its own.
std::string SameFileProblem(const CliOptions& o) {
    struct Named {
        std::string What, Path;
        std::optional<FileId> Id;
    };
    std::vector<Named> outputs;
    struct stat st {};
    if (::fstat(STDOUT_FILENO, &st) == 0 && S_ISREG(st.st_mode))
        outputs.push_back({"standard output", "", FileId{st.st_dev, st.st_ino}});
    // A trace to "-" is standard output itself.
    if (!o.TracePath.empty() && o.TracePath != "-")
        outputs.push_back({"--trace " + o.TracePath, o.TracePath, IdOf(o.TracePath)});
    if (!o.SvgPath.empty()) outputs.push_back({"--svg " + o.SvgPath, o.SvgPath, IdOf(o.SvgPath)});
    if (!o.PngPath.empty()) outputs.push_back({"--png " + o.PngPath, o.PngPath, IdOf(o.PngPath)});
    if (!o.PdfPath.empty()) outputs.push_back({"--pdf " + o.PdfPath, o.PdfPath, IdOf(o.PdfPath)});
    for (const std::string& input : o.Files) {
        const std::optional<FileId> id = IdOf(input);
        if (!id) continue;
        for (const Named& out : outputs)
            if (out.Id == id) return out.What + " is the program file " + input + "; it is not overwritten";
    }
    for (size_t i = 0; i < outputs.size(); ++i)
        for (size_t k = i + 1; k < outputs.size(); ++k) {
            std::error_code e1, e2;
            const bool samePath = !outputs[i].Path.empty() && !outputs[k].Path.empty() &&
                                  std::filesystem::weakly_canonical(outputs[i].Path, e1) ==
                                      std::filesystem::weakly_canonical(outputs[k].Path, e2);
            if ((outputs[i].Id && outputs[i].Id == outputs[k].Id) || (samePath && !e1 && !e2))
                return outputs[i].What + " and " + outputs[k].What + " are the same file";
        }
    return {};
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

// The legend of a checked program: its file's name, times and alarms, and the tools with time.
picture::LegendContent LegendOf(const CheckReport& r) {
    picture::LegendContent legend;
    legend.Program = std::filesystem::path(r.File).filename().string();
    legend.CuttingSeconds = r.CuttingTime;
    legend.Alarms = r.Alarms.size();
    for (const auto& [tool, seconds] : r.ToolTimes) {
        if (seconds == 0) continue;
        const auto colors = r.ToolColors.find(tool);
        legend.Tools.push_back(
            {tool, colors == r.ToolColors.end() ? std::vector<int32_t>{} : colors->second, seconds});
    }
    return legend;
}

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
        return true;
    }

    // Checks one program file: its report goes out, its trace and pictures are kept for the end.
    void CheckFile(const std::string& path) {
        std::u16string text;
        {
            files::InputFile in(path);
            std::string bytes;
            if (in.Ok()) {
                bytes.reserve(static_cast<size_t>(in.Size()));
                AdviseLargeBuffer(bytes.data(), bytes.capacity());
            }
            if (!in.ReadAll(bytes)) {
                Complain(path + ": " + in.Why());
                Status = 2;
                return;
            }
            text = DecodeProgram(bytes);
        } // the bytes are done with: the run needs only the text
        std::vector<motion::Canvas*> canvases;
        const picture::SheetLayout layout = picture::LayOutSheet(O.Sheet);
        for (PictureOutput& p : Pictures) {
            p.Viewport.reset();
            p.Current.reset();
            if (!p.File.IsOpen()) continue;
            p.Current = p.Make(layout);
            p.Viewport.emplace(p.Current->Canvas(), static_cast<float>(O.Check.NVLZ),
                               picture::SheetBack(O.Sheet));
            canvases.push_back(&*p.Viewport);
        }
        const double viewportWidth = layout.Viewport.W, viewportHeight = layout.Viewport.H;
        // One run gives the report, the trace and every picture; a framed picture needs one more
        // before it, to find where the path lies.
        CheckOptions options = O.Check;
        if (O.Fit && !canvases.empty()) {
            picture::BoundsCanvas bounds;
            CheckProgram(text, options, {}, {&bounds}, viewportWidth, viewportHeight);
            if (const std::optional<picture::Area> framed = bounds.Framed(O.FitWhat))
                options.Frame = picture::FitArea(*framed, viewportWidth, viewportHeight);
        }
        CheckReport report =
            CheckProgram(text, options, OnSegment(), canvases, viewportWidth, viewportHeight);
        report.File = path;
        const picture::SheetContent sheet{O.Sheet, layout, report.Visible, report.Mapping, LegendOf(report)};
        for (PictureOutput& p : Pictures) {
            if (!p.Current) continue;
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
        FlushTrace(); // the trace of a file comes before its report
        Out.Write(O.Json ? ReportJson(report) + "\n" : ReportText(report));
        const bool adviceFails =
            std::any_of(report.Advice.begin(), report.Advice.end(), [this](const advice::Finding& f) {
                return O.Strict || f.Level == advice::Severity::Error;
            });
        if ((report.Failed() || adviceFails) && Status == 0) Status = 1;
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
    int Status = 0;
};

} // namespace

int RunCheckerCli(int argc, char** argv, const PictureFormats& formats) {
    Output out;
    out.OpenStandardOutput(GuardStandardStreams());
    auto finish = [&out](int status) {
        if (!out.Failed()) return status;
        Complain("cannot write to standard output: " + out.Why());
        return 2;
    };
    CliOptions o;
    const std::string error = Parse(argc, argv, o);
    if (o.Help) {
        out.Write(Usage);
        return finish(0);
    }
    if (!error.empty()) {
        std::fputs(("zarvik-check: " + error + "\n" + Usage).c_str(), stderr);
        return 2;
    }
    for (const auto& [path, make, option] : {std::tuple{&o.SvgPath, formats.Svg, "--svg"},
                                             {&o.PngPath, formats.Png, "--png"},
                                             {&o.PdfPath, formats.Pdf, "--pdf"}})
        if (!path->empty() && !make) {
            Complain(std::string(option) + ": this checker was built without that picture format");
            return 2;
        }
    if (const std::string same = SameFileProblem(o); !same.empty()) {
        Complain(same);
        return 2;
    }
    try {
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
