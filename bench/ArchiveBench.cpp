// SPDX-License-Identifier: GPL-3.0-or-later
#include "ArchiveBench.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

namespace bench {

namespace {

namespace fs = std::filesystem;

struct Archive {
    size_t Programs = 0;
    double Bytes = 0;
};

Archive Measure(const fs::path& folder) {
    Archive a;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder))
        if (e.is_regular_file() && e.path().extension() == ".min") {
            ++a.Programs;
            a.Bytes += static_cast<double>(e.file_size());
        }
    return a;
}

// Best of `repeat` runs; a run that fails is reported as such.
ProcessResult Best(Launcher& launcher, int repeat, const std::vector<std::string>& args) {
    ProcessResult best;
    best.Seconds = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const ProcessResult r = launcher.Run(args);
        if (r.Status != 0) return r;
        if (r.Seconds < best.Seconds) best = r;
    }
    return best;
}

void Print(const char* what, const ProcessResult& r, double reference) {
    if (r.Status != 0) {
        std::printf("  %-44s exit status %d\n", what, r.Status);
        return;
    }
    std::printf("  %-44s %9.3f s %6.2fx  peak RSS %.1f MB\n", what, r.Seconds, r.Seconds / reference,
                r.PeakRssMb);
}

} // namespace

void ArchiveRows(Launcher& launcher, const std::string& corpusDir, const std::string& checker, bool quick) {
    const fs::path folder = fs::path(corpusDir) / "archive",
                   joined = fs::path(corpusDir) / "archive_joined.min";
    if (!fs::is_directory(folder) || !fs::exists(joined)) return;
    const Archive archive = Measure(folder);
    const int repeat = quick ? 1 : 3;
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf("\narchive: %zu programs, %.1f MB, against their blocks' count as one program (%.1f MB); "
                "best of %d:\n",
                archive.Programs, archive.Bytes / 1e6, static_cast<double>(fs::file_size(joined)) / 1e6,
                repeat);
    const ProcessResult one = Best(launcher, repeat, {checker, "--json", joined.string()});
    if (one.Status != 0) {
        std::printf("  one program: exit status %d\n", one.Status);
        return;
    }
    Print("zarvik-check --json, one program", one, one.Seconds);
    const ProcessResult serial = Best(launcher, repeat, {checker, "--json", "--jobs", "1", folder.string()});
    Print("zarvik-check --json --jobs 1 archive/", serial, one.Seconds);
    const ProcessResult parallel = Best(launcher, repeat, {checker, "--json", folder.string()});
    char what[64];
    std::snprintf(what, sizeof what, "zarvik-check --json archive/ (%u jobs)", cores);
    Print(what, parallel, one.Seconds);
    const std::string html = (fs::path(corpusDir) / "archive_report.html").string();
    const ProcessResult report = Best(launcher, 1, {checker, "--json", "--report", html, folder.string()});
    std::snprintf(what, sizeof what, "... --report (%u jobs, pictures)", cores);
    Print(what, report, one.Seconds);
    if (report.Status == 0) {
        std::printf("  report: %.1f MB, %.0f bytes a program\n",
                    static_cast<double>(fs::file_size(html)) / 1e6,
                    static_cast<double>(fs::file_size(html)) / static_cast<double>(archive.Programs));
        fs::remove(html);
    }
    std::printf("target: archive < 2x one program: --jobs 1 %.2fx, %u jobs %.2fx\n",
                serial.Seconds / one.Seconds, cores, parallel.Seconds / one.Seconds);
}

} // namespace bench
