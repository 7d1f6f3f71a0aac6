#include "check/CheckerCli.h"

#include "check/Checker.h"
#include "check/Decode.h"
#include "check/LargeBuffer.h"
#include "check/Picture.h"
#include "base/Legacy.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace check {

namespace {

const char* const Usage =
    "usage: zarvik-check [--fanuc] [--unit N] [--limits PVLX,PVLZ,NVLX,NVLZ] [--block-delete]\n"
    "                    [--g2-mirror] [--json] [--trace FILE] [--svg FILE] [--png FILE] FILE...\n"
    "  --svg/--png write the path of the (last) program in the standard view as a picture\n";

struct CliOptions {
    CheckOptions Check;
    bool Json = false;
    std::string TracePath;
    std::string SvgPath, PngPath;
    std::vector<std::string> Files;
};

bool ParseNumber(const std::string& text, double& out) {
    try {
        size_t used = 0;
        out = std::stod(text, &used);
        return used == text.size() && std::isfinite(out);
    } catch (...) {
        return false;
    }
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
        if (a == "--fanuc") o.Check.Fanuc = true;
        else if (a == "--block-delete") o.Check.BlockDelete = true;
        else if (a == "--g2-mirror") o.Check.G2Mirror = true;
        else if (a == "--json") o.Json = true;
        else if (a == "--unit") {
            double u;
            if (!value(v) || !ParseNumber(v, u) || u < 1 || u > 4 || u != static_cast<int>(u))
                return "--unit needs 1, 2, 3 or 4";
            o.Check.Unit = static_cast<int16_t>(u);
        } else if (a == "--limits") {
            if (!value(v) || !ParseLimits(v, o.Check)) return "--limits needs four numbers PVLX,PVLZ,NVLX,NVLZ";
        } else if (a == "--trace") {
            if (!value(o.TracePath)) return "--trace needs a file name (- for standard output)";
        } else if (a == "--svg") {
            if (!value(o.SvgPath)) return "--svg needs a file name";
        } else if (a == "--png") {
            if (!value(o.PngPath)) return "--png needs a file name";
        } else if (a == "--help" || a == "-h") {
            return "help";
        } else if (a.size() > 1 && a[0] == '-' && a != "-") {
            return "unknown option " + a;
        } else {
            o.Files.push_back(a);
        }
    }
    if (o.Files.empty()) return "no program file given";
    return {};
}

bool ReadFile(const std::string& path, std::string& bytes, std::string& error) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        error = "is a directory";
        return false;
    }
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) {
        error = std::filesystem::exists(path, ec) ? "cannot be read" : "not found";
        return false;
    }
    // The whole file in one read when its size is known; anything beyond that size (a pipe, a
    // file still growing) is read on in blocks.
    const auto size = std::filesystem::file_size(path, ec);
    bytes.clear();
    bytes.reserve(ec ? 0 : static_cast<size_t>(size));
    AdviseLargeBuffer(bytes.data(), bytes.capacity());
    bytes.resize(ec ? 0 : static_cast<size_t>(size));
    bytes.resize(std::fread(bytes.data(), 1, bytes.size(), in));
    char block[65536];
    for (size_t n; (n = std::fread(block, 1, sizeof block, in)) > 0;)
        bytes.append(block, n);
    const bool failed = std::ferror(in) != 0;
    std::fclose(in);
    if (failed) {
        error = "cannot be read";
        return false;
    }
    return true;
}

} // namespace

int RunCheckerCli(int argc, char** argv) {
    CliOptions o;
    const std::string error = Parse(argc, argv, o);
    if (error == "help") {
        std::cout << Usage;
        return 0;
    }
    if (!error.empty()) {
        std::cerr << "zarvik-check: " << error << "\n" << Usage;
        return 2;
    }
    std::ofstream traceFile;
    std::ostream* trace = nullptr;
    if (o.TracePath == "-") trace = &std::cout;
    else if (!o.TracePath.empty()) {
        traceFile.open(o.TracePath, std::ios::binary | std::ios::trunc);
        if (!traceFile) {
            std::cerr << "zarvik-check: cannot write the trace file " << o.TracePath << "\n";
            return 2;
        }
        trace = &traceFile;
    }
    // The trace goes out in large blocks: a long program has millions of lines of it.
    std::string traceBuffer;
    auto flushTrace = [&] {
        if (!trace || traceBuffer.empty()) return;
        trace->write(traceBuffer.data(), static_cast<std::streamsize>(traceBuffer.size()));
        traceBuffer.clear();
    };
    std::function<void(const TracedSegment&)> onSegment;
    if (trace)
        onSegment = [&](const TracedSegment& t) {
            AppendSegmentJson(traceBuffer, t);
            traceBuffer += '\n';
            if (traceBuffer.size() >= 1 << 16) flushTrace();
        };

    int status = 0;
    for (const std::string& path : o.Files) {
        std::string bytes, why;
        if (!ReadFile(path, bytes, why)) {
            std::cerr << "zarvik-check: " << path << ": " << why << "\n";
            status = 2;
            continue;
        }
        const std::u16string text = DecodeProgram(bytes);
        std::string().swap(bytes); // the bytes are done with: the run needs only the text
        // The first picture's run is also the check: the picture, the trace and the report come
        // from one run of the program. A picture does not change the report: text sizes only
        // move what is drawn.
        std::optional<CheckReport> checked;
        std::vector<std::string> problems;
        for (const auto& [picture, write] : {std::pair{&o.SvgPath, &WriteSvgPicture}, {&o.PngPath, &WritePngPicture}}) {
            if (picture->empty()) continue;
            PictureCheck check;
            if (!checked) check = {&checked, onSegment};
            problems.push_back(write(text, o.Check, *picture, check));
        }
        CheckReport report = checked ? std::move(*checked) : CheckProgram(text, o.Check, onSegment);
        report.File = path;
        flushTrace(); // the trace of a file comes before its report
        std::cout << (o.Json ? ReportJson(report) + "\n" : ReportText(report));
        for (const std::string& problem : problems) {
            if (problem.empty()) continue;
            std::cerr << "zarvik-check: " << problem << "\n";
            status = 2;
        }
        if (!report.Alarms.empty() && status == 0) status = 1;
    }
    std::cout.flush();
    return status;
}

} // namespace check
