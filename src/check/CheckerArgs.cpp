// SPDX-License-Identifier: GPL-3.0-or-later
#include "check/CheckerArgs.h"

#include <charconv>
#include <cmath>
#include <functional>

namespace check {

const char* const CheckerUsage =
    "usage: zarvik-check [--control kvz|fanuc|iso] [--fanuc] [--unit N] [--limits PVLX,PVLZ,NVLX,NVLZ]\n"
    "                    [--block-delete]\n"
    "                    [--g2-mirror] [--json] [--trace FILE] [--svg FILE] [--png FILE] [--pdf FILE]\n"
    "                    [--fit[=all]] [--size WxH] [--white|--black] [--rulers] [--legend]\n"
    "                    [--strict] [--no-advice]\n"
    "                    [--setup FILE] [--stock bar,D,L|tube,D,BORE,L] [--no-setup]\n"
    "                    [--profile FILE.svg|FILE.dxf] [--target FILE.dxf] [--nose-path FILE] [--nose]\n"
    "                    [--machine[=FILE]] FILE...\n"
    "       zarvik-check [options] [--machine=FILE] --calibrate MEASURED.csv\n"
    "       zarvik-check [options] [--jobs N] [--report FILE.html] FILE|FOLDER...\n"
    "       zarvik-check [options] --diff OLD NEW [--report FILE.html]\n"
    "       zarvik-check [options] --baseline OLD_FOLDER FILE|FOLDER...\n"
    "       zarvik-check --help | --version\n"
    "  --control selects how programs are read: kvz (the default) and fanuc are the control's two\n"
    "  dialects (--fanuc is --control fanuc), iso reads them as Fanuc-style lathe controls do; a\n"
    "  setup's [program] table (control, unit) names them per program: --control and --unit win\n"
    "  over it for programs checked one by one, and are only its default in an archive\n"
    "  --trace writes every drawn path piece as JSON Lines (- for standard output)\n"
    "  --svg/--png/--pdf write the path of the (last) program in the standard view as a picture\n"
    "  --fit frames the part instead (its cuts, and rapids only near them), --fit=all the whole\n"
    "  drawn path; --size sets the picture (default 1600x1000 pixels);\n"
    "  --white/--black the background; --rulers adds X and Z scales; --legend the tools' colours\n"
    "  and cutting times, the program, its total time and its alarms\n"
    "  --strict exits 1 on any advice finding, not only on alarms and errors; --no-advice looks\n"
    "  for alarms only\n"
    "  --setup reads the stock, work holding and tools from FILE (default: PROGRAM.setup.toml\n"
    "  beside the program, unless --no-setup); --stock gives a bar or tube with its front face at\n"
    "  Z0, tools from the program's comments; both cut the stock along the path and report what\n"
    "  the tools hit, and the pictures show the stock's section; --profile writes the finished\n"
    "  half-section of the (last) program as SVG or DXF (lines and arcs, in millimetres);\n"
    "  --nose-path writes the path the stock was cut along, the nose radius compensation\n"
    "  (G41/G42) applied, as JSON Lines like --trace (millimetres); --nose draws the compensated\n"
    "  nose path in the pictures beside the drawn path\n"
    "  --target compares the finished half-section with the part drawn in FILE.dxf (read as the\n"
    "  setup's [target] table says) and reports material left on it (excess) and cut into it (gouge)\n"
    "  --machine adds the machine's own time and limits (the setup's [machine] or a typical small\n"
    "  lathe; on by itself when the setup has one), --machine=FILE with the machine file FILE\n"
    "  --calibrate fits the machine's time factor, accelerations, tool change time, spindle\n"
    "  acceleration and M-code time to the cycle times measured for the programs MEASURED.csv\n"
    "  lists (program,seconds a line) and prints each program's residual and leave-one-out error\n"
    "  --diff compares two versions of a program by the part they cut (each with its setup): the\n"
    "  regions of material added and removed, with the blocks of both, and their times and findings;\n"
    "  with --report, one HTML page of it with the overlay of NEW on OLD's part\n"
    "  --baseline compares every program so with its old version at the same place in OLD_FOLDER\n"
    "  a FOLDER, --jobs or --report checks an archive: the NC programs (*.min, *.nc, *.NC, *.tap)\n"
    "  in the folders and their sub-folders, N at a time (default: one per core), each report\n"
    "  as its program is done, then a summary; --report writes one HTML page of them all\n";

namespace {

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

// Four numbers, each between two commas: an empty one (a comma too many) is no number.
bool ParseLimits(const std::string& text, CheckOptions& o) {
    double v[4];
    size_t from = 0;
    for (int n = 0; n < 4; ++n) {
        const size_t comma = n < 3 ? text.find(',', from) : text.size();
        if (comma == std::string::npos || !ParseNumber(text.substr(from, comma - from), v[n])) return false;
        from = comma + 1;
    }
    // NVLZ is single precision, as the control keeps it.
    o.Lathe.Limits = {v[0], v[1], v[2], static_cast<float>(v[3])};
    return true;
}

// Whether `a` is an option of the archive check; a bad value sets `error`. `value` takes the
// option's value from the next argument.
bool ParseArchiveOption(const std::string& a, const std::function<bool(std::string&)>& value, ArchiveCli& o,
                        std::string& error) {
    std::string v;
    if (a == "--jobs") {
        double n;
        if (!value(v) || !ParseNumber(v, n) || n < 1 || n > 256 || n != std::floor(n))
            error = "--jobs needs a whole number from 1 to 256";
        else
            o.Jobs = static_cast<unsigned>(n);
    } else if (a == "--report") {
        if (!value(o.ReportPath) || o.ReportPath.empty()) error = "--report needs a file name";
    } else
        return false;
    o.Given = true;
    return true;
}

} // namespace

std::string ParseCheckerArgs(int argc, char** argv, CliOptions& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--fanuc") {
            o.ControlGiven = o.Stock.ControlGiven = true;
            o.Check.Lathe.Fanuc = true;
            o.Check.Lathe.Iso = false;
        } else if (a == "--control") {
            if (!value(v) || (v != "kvz" && v != "fanuc" && v != "iso"))
                return "--control needs kvz, fanuc or iso";
            o.ControlGiven = o.Stock.ControlGiven = true;
            o.Check.Lathe.Fanuc = v == "fanuc";
            o.Check.Lathe.Iso = v == "iso";
        } else if (a == "--block-delete")
            o.Check.BlockDelete = true;
        else if (a == "--g2-mirror")
            o.Check.Lathe.G2mirror = true;
        else if (a == "--json")
            o.Json = true;
        else if (a == "--strict")
            o.Strict = true;
        else if (a == "--diff")
            o.Diff = true;
        else if (a == "--no-advice")
            o.Check.Advice = false;
        else if (a == "--unit") {
            double u;
            if (!value(v) || !ParseNumber(v, u) || u < 1 || u > 4 || u != static_cast<int>(u))
                return "--unit needs 1, 2, 3 or 4";
            o.UnitGiven = o.Stock.UnitGiven = true;
            o.Check.Lathe.Unit = static_cast<int16_t>(u);
        } else if (a == "--limits") {
            if (!value(v) || !ParseLimits(v, o.Check))
                return "--limits needs four numbers PVLX,PVLZ,NVLX,NVLZ";
        } else if (a == "--trace") {
            if (!value(o.TracePath) || o.TracePath.empty())
                return "--trace needs a file name (- for standard output)";
        } else if (a == "--baseline") {
            if (!value(o.Baseline) || o.Baseline.empty())
                return "--baseline needs the folder of the old versions";
        } else if (a == "--nose") {
            o.NosePicture = true;
        } else if (a == "--nose-path") {
            if (!value(o.NosePath) || o.NosePath.empty()) return "--nose-path needs a file name";
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
            o.Sheet.Fit = a == "--fit" ? picture::FitScope::Part : picture::FitScope::All;
        } else if (a == "--rulers" || a == "--legend") {
            (a == "--rulers" ? o.Sheet.Rulers : o.Sheet.Legend) = true;
        } else if (a == "--white" || a == "--black") {
            o.Sheet.WhiteBackground = o.Check.WhiteBackground = a == "--white";
        } else if (std::string stockError; o.Stock.Take(a, value, stockError)) {
            // --- Stock and tools ---
            if (!stockError.empty()) return stockError;
        } else if (std::string machineError; o.Stock.Machine.Take(a, value, machineError)) {
            // --- The machine behind the control ---
            if (!machineError.empty()) return machineError;
        } else if (a == "--help" || a == "-h") {
            o.Help = true;
            return {};
        } else if (std::string error; ParseArchiveOption(a, value, o.Archive, error)) {
            if (!error.empty()) return error;
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return "unknown option " + a;
        } else {
            o.Files.push_back(a);
        }
    }
    if (!o.Stock.Machine.Measurements.empty()) // the programs are those it lists
        return o.Files.empty() ? ""
                               : "--calibrate takes its programs from its file, not from the command line";
    if (o.Files.empty()) return "no program file given";
    // --diff writes its own page with --report; an archive's jobs are not its.
    if (o.Diff &&
        (o.Files.size() != 2 || (o.Archive.Given && (o.Archive.Jobs || o.Archive.ReportPath.empty())) ||
         !o.TracePath.empty() || !o.Stock.ProfilePath.empty()))
        return "--diff takes two programs, OLD and NEW, and no --jobs, trace or profile";
    if (!o.Baseline.empty() && (o.Diff || o.Archive.Given || !o.TracePath.empty() || !o.SvgPath.empty() ||
                                !o.PngPath.empty() || !o.PdfPath.empty() || !o.Stock.ProfilePath.empty()))
        return "--baseline takes programs and folders to compare, and no --diff, report, picture, trace or "
               "profile";
    return {};
}

} // namespace check
