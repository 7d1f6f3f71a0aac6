// SPDX-License-Identifier: GPL-3.0-or-later
// zarvik-bench: times the interpreter and the checker on the benchmark corpus against a floor
// measured in the same run, and prints one table.
//
//   zarvik-bench CORPUSDIR CHECKER [--quick]
//
// CORPUSDIR holds bench_10k.min, bench_100k.min and bench_1m.min (zarvik-corpus writes them), and
// for the archive figure archive/ and archive_joined.min (zarvik-corpus --archive);
// CHECKER is the zarvik-check program to run end to end. Every figure is the best of a few
// repetitions: the machine may be shared, and the best run is the one least disturbed.

#include "ArchiveBench.h"
#include "BackgroundCheck.h"
#include "BenchRuns.h"
#include "StockFollowBench.h"
#ifdef ZARVIK_BENCH_IMAGE
#include "PaneEditBench.h"
#endif

#include "check/Decode.h"
#include "motion/RecordingCanvas.h"

#ifdef ZARVIK_BENCH_IMAGE
#include "render/ImageCanvas.h"
#include <QGuiApplication>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Corpus {
    std::string Name, Path;
    int64_t Blocks = 0;
    double Bytes = 0;
    std::u16string Text;
    double Floor = 0; // seconds
};

// Best of `repeat` runs of `run`, in seconds.
double Best(int repeat, const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < repeat; ++i) {
        const auto t0 = Clock::now();
        run();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

// Repetitions by size: small files are measured more often, the 1M file a few times.
int Repeats(int64_t blocks, bool quick) {
    const int n = blocks <= 10000 ? 20 : blocks <= 100000 ? 5 : 3;
    return quick ? std::max(1, n / 3) : n;
}

void Row(const std::string& what, int64_t blocks, double seconds, double floor,
         const std::string& note = {}) {
    std::printf("%-34s %9lld %10.1f %12.0f %8.1fx  %s\n", what.c_str(), static_cast<long long>(blocks),
                seconds * 1000, static_cast<double>(blocks) / seconds, seconds / floor, note.c_str());
}

// Waits until the canvas has drawn everything it was given (the image canvas gathers).
void Finish(motion::Canvas& canvas) {
#ifdef ZARVIK_BENCH_IMAGE
    if (auto* image = dynamic_cast<render::ImageCanvas*>(&canvas)) image->Image();
#else
    (void)canvas;
#endif
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    return std::move(buf).str();
}

} // namespace

int main(int argc, char** argv) {
    // The floor as a program of its own, for the comparison with the checker's runs.
    if (argc == 3 && std::string(argv[1]) == "--floor") {
        const bench::FloorResult f = bench::FloorScan(argv[2]);
        std::printf("%lld lines, sum %g\n", static_cast<long long>(f.Lines), f.Sum);
        return f.Lines > 0 ? 0 : 1;
    }
#ifdef ZARVIK_BENCH_IMAGE
    // The pane's program text alone.
    if (argc == 3 && std::string(argv[1]) == "--pane-edit") {
        bench::PaneEditRows(argv[2], false);
        return 0;
    }
#endif
    // The background check's table alone.
    if (argc >= 4 && std::string(argv[1]) == "--background") {
        bench::BackgroundCheckTable(argv[2], argv[3], argc > 4 ? std::atof(argv[4]) : 120);
        return 0;
    }
    // The stock section following a run: what the check keeps, what the window pays.
    if (argc >= 3 && std::string(argv[1]) == "--stock-follow")
        return bench::StockFollowTable(argv[2], argc > 3 ? argv[3] : "bar,112,200");
    if (argc < 3) {
        std::cerr << "usage: zarvik-bench CORPUSDIR CHECKER [--quick]\n"
                     "       zarvik-bench --background PROGRAM100K PROGRAM1M [LIMIT-SECONDS]\n"
                     "       zarvik-bench --stock-follow PROGRAM [STOCK]\n";
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::string checker = std::filesystem::absolute(argv[2]).string();
    const bool quick = argc > 3 && std::string(argv[3]) == "--quick";
    bench::Launcher launcher; // before anything large is allocated
#ifdef ZARVIK_BENCH_IMAGE
    // Tool labels are text, and text on an image needs a running application.
    if (!std::getenv("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    char qname[] = "zarvik-bench";
    char* qargv[] = {qname, nullptr};
    QGuiApplication app(qargc, qargv);
#endif

    std::vector<Corpus> corpus;
    for (const auto& [name, blocks] : {std::pair{"10k", 10000}, {"100k", 100000}, {"1M", 1000000}}) {
        Corpus c;
        c.Name = name;
        c.Path = (dir / ("bench_" + std::string(name == std::string("1M") ? "1m" : name) + ".min")).string();
        if (!std::filesystem::exists(c.Path)) {
            std::cerr << "zarvik-bench: " << c.Path << " is missing (run zarvik-corpus first)\n";
            return 2;
        }
        c.Blocks = blocks;
        c.Bytes = static_cast<double>(std::filesystem::file_size(c.Path));
        c.Text = check::DecodeProgram(ReadBytes(c.Path));
        corpus.push_back(std::move(c));
    }

    std::printf("%-34s %9s %10s %12s %9s\n", "benchmark", "blocks", "ms", "blocks/s", "vs floor");
    // The floor first, for every size, so that the ratios below refer to this very run.
    for (Corpus& c : corpus) {
        bench::FloorResult f;
        c.Floor = Best(Repeats(c.Blocks, quick), [&] { f = bench::FloorScan(c.Path); });
        Row("floor scan " + c.Name, c.Blocks, c.Floor, c.Floor,
            f.Lines == c.Blocks ? "" : "line count differs");
    }

    // Per-block time of each drawing, to show how it grows with the program's length.
    std::vector<std::pair<std::string, std::vector<double>>> perBlock;
    auto measure = [&](const std::string& what, auto makeCanvas, double w, double h) {
        std::vector<double> times;
        for (const Corpus& c : corpus) {
            int32_t read = 0;
            const double t = Best(Repeats(c.Blocks, quick), [&] {
                auto canvas = makeCanvas();
                read = bench::Replay(c.Text, *canvas, w, h);
                Finish(*canvas);
            });
            Row(what + " " + c.Name, c.Blocks, t, c.Floor, read == c.Blocks ? "" : "blocks differ");
            times.push_back(t);
        }
        perBlock.emplace_back(what, times);
    };
    measure(
        "interpret", [] { return std::make_unique<bench::NullCanvas>(); }, 1000, 800);
    measure(
        "interpret+recording", [] { return std::make_unique<motion::RecordingCanvas>(); }, 1000, 800);
#ifdef ZARVIK_BENCH_IMAGE
    // The window's trace canvas: four viewports of 1000x800 pixels, 4000x3200; and the same with
    // the drawing on a second thread, as the checker's pictures draw.
    measure(
        "interpret+image 4000x3200", [] { return std::make_unique<render::ImageCanvas>(); }, 1000, 800);
    measure(
        "interpret+image, drawing thread",
        [] {
            auto canvas = std::make_unique<render::ImageCanvas>();
            canvas->DrawInBackground(true);
            return canvas;
        },
        1000, 800);
#endif

    // The checker program end to end on the 1M file.
    // The checker program end to end on the 1M file, next to the floor run as a program too: both
    // then pay for starting a process and for their first touch of memory.
    const Corpus& big = corpus.back();
    const std::string png = (dir / "bench_1m.png").string();
    const std::string pdf = (dir / "bench_1m.pdf").string();
    double processFloor = 0;
    auto runProcess = [&](const std::string& what, std::vector<std::string> args) {
        bench::ProcessResult best;
        best.Seconds = 1e300;
        for (int i = 0; i < Repeats(big.Blocks, quick); ++i) {
            const bench::ProcessResult r = launcher.Run(args);
            if (r.Status != 0) {
                Row(what, big.Blocks, r.Seconds, big.Floor, "exit status " + std::to_string(r.Status));
                return best;
            }
            if (r.Seconds < best.Seconds) best = r;
            best.PeakRssMb = std::max(best.PeakRssMb, r.PeakRssMb);
        }
        char note[96];
        if (processFloor > 0)
            std::snprintf(note, sizeof note, "%.1fx floor program, peak RSS %.1f MB",
                          best.Seconds / processFloor, best.PeakRssMb);
        else
            std::snprintf(note, sizeof note, "peak RSS %.1f MB", best.PeakRssMb);
        Row(what, big.Blocks, best.Seconds, big.Floor, note);
        return best;
    };
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    processFloor = runProcess("floor scan 1M, own program", {self, "--floor", big.Path}).Seconds;
    const bench::ProcessResult json = runProcess("zarvik-check --json 1M", {checker, "--json", big.Path});
    // What the advice costs: the same run looking for alarms only.
    const bench::ProcessResult alarmsOnly =
        runProcess("zarvik-check --json --no-advice 1M", {checker, "--json", "--no-advice", big.Path});
    const bench::ProcessResult withPng =
        runProcess("zarvik-check --json --png 1M", {checker, "--json", "--png", png, big.Path});
    std::filesystem::remove(png);
    const std::string svg = (dir / "bench_1m.svg").string();
    const bench::ProcessResult withSvg =
        runProcess("zarvik-check --json --svg 1M", {checker, "--json", "--svg", svg, big.Path});
    std::error_code svgSize;
    const double svgMb = static_cast<double>(std::filesystem::file_size(svg, svgSize)) / (1024.0 * 1024.0);
    std::filesystem::remove(svg);
    // The page in vectors: the whole path of the program written and compressed.
    const bench::ProcessResult withPdf =
        runProcess("zarvik-check --json --pdf 1M", {checker, "--json", "--pdf", pdf, big.Path});
    std::error_code pdfSize;
    const double pdfMb = static_cast<double>(std::filesystem::file_size(pdf, pdfSize)) / (1024.0 * 1024.0);
    std::filesystem::remove(pdf);

    // How each drawing grows. A run has a fixed part (the canvas, its first pages of memory), so
    // the cost of the added blocks is compared: per block from 10k to 100k and from 100k to 1M.
    std::printf("\ngrowth, time per added block (us) 10k->100k, 100k->1M, ratio (1.0 = linear):\n");
    for (const auto& [what, t] : perBlock) {
        const double first = (t[1] - t[0]) / 90000, second = (t[2] - t[1]) / 900000;
        std::printf("  %-28s %7.3f %7.3f %5.2f\n", what.c_str(), first * 1e6, second * 1e6, second / first);
    }
    const double fileMb = big.Bytes / (1024.0 * 1024.0);
    std::printf("peak RSS of zarvik-check --json on the 1M file: %.1f MB = file %.1f MB + %.1f MB\n",
                json.PeakRssMb, fileMb, json.PeakRssMb - fileMb);
    std::printf(
        "targets: --json %.3f s (<= 0.5 s), %.1fx floor / %.1fx floor program (<= 3x); advice %.2fx "
        "the run without it (<= 1.10x); --png %.3f s (<= 1.0 s); --svg %.3f s, %.1f MB; --pdf %.3f s, "
        "%.1f MB (<= 1.0 s); RSS +%.1f MB (<= 64)\n",
        json.Seconds, json.Seconds / big.Floor, json.Seconds / processFloor,
        json.Seconds / alarmsOnly.Seconds, withPng.Seconds, withSvg.Seconds, svgSize ? 0.0 : svgMb,
        withPdf.Seconds, pdfSize ? 0.0 : pdfMb, json.PeakRssMb - fileMb);
    bench::ArchiveRows(launcher, dir.string(), checker, quick);
    bench::BackgroundCheckTable(corpus[1].Path, corpus[2].Path, quick ? 30 : 120);
#ifdef ZARVIK_BENCH_IMAGE
    bench::PaneEditRows(corpus[2].Path, quick);
#endif
    return 0;
}
