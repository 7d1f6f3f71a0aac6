// SPDX-License-Identifier: GPL-3.0-or-later
#include "StockFollowBench.h"

#include "check/Decode.h"
#include "inspect/Inspection.h"
#include "stock/SetupFile.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

long PeakMb() {
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return use.ru_maxrss / 1024;
}

} // namespace

int StockFollowTable(const std::string& program, const std::string& shape) {
    std::ifstream in(program, std::ios::binary);
    std::ostringstream buf;
    buf << in.rdbuf();
    const std::u16string text = check::DecodeProgram(std::move(buf).str());
    std::string error;
    const std::optional<stock::Stock> bar = stock::ParseStockOption(shape, error);
    if (!bar) {
        std::fprintf(stderr, "stock %s: %s\n", shape.c_str(), error.c_str());
        return 2;
    }
    auto setup = std::make_shared<stock::Setup>();
    setup->Material = *bar;
    check::CheckOptions options;
    options.Stock = setup;
    // The check as the window's background check runs it, without and with the stock.
    auto t0 = Clock::now();
    { const inspect::InspectionResult plain = inspect::RunInspection(text, {}); }
    const double plainS = Since(t0);
    const long plainMb = PeakMb();
    t0 = Clock::now();
    auto r = std::make_shared<const inspect::InspectionResult>(inspect::RunInspection(text, options));
    const double withS = Since(t0);
    const long withMb = PeakMb();
    const inspect::StockSteps& steps = r->Steps;
    std::printf("background check of %s (%zu blocks, %zu pieces), stock %s:\n", program.c_str(),
                steps.Blocks(), r->Paths.Size(), shape.c_str());
    std::printf("  without the stock %.2f s (peak %ld MB), with it %.2f s (peak %ld MB)\n", plainS, plainMb,
                withS, withMb);
    std::printf("  states kept: %zu, one every %zu pieces, %.1f MB; block table %.1f MB\n", steps.States(),
                steps.Interval(), steps.Bytes() / 1e6, steps.Blocks() * 8 / 1e6);
    // The window's side: a jump into the middle (a run to the caret), then single blocks from
    // there, then the same block again (a silent re-run's redraw).
    inspect::StockFollower follow(r);
    auto point = [&](size_t block) {
        inspect::RunPoint p;
        p.Blocks = static_cast<int32_t>(block + 1);
        // The block's CR: the end of its line.
        p.BlockEndPos = static_cast<int64_t>(r->Starts.EndOf(steps.LineOf(block))) + 1;
        return p;
    };
    const size_t middle = steps.Blocks() / 2;
    t0 = Clock::now();
    follow.SectionAt(point(middle));
    const double jumpMs = Since(t0) * 1e3;
    const size_t cutAfterJump = follow.PiecesCut();
    const size_t stepsTaken = std::min<size_t>(2000, steps.Blocks() - middle - 1);
    double worstMs = 0;
    t0 = Clock::now();
    for (size_t k = 1; k <= stepsTaken; ++k) {
        const auto s0 = Clock::now();
        follow.SectionAt(point(middle + k));
        worstMs = std::max(worstMs, Since(s0) * 1e3);
    }
    const double stepMs = stepsTaken ? Since(t0) * 1e3 / double(stepsTaken) : 0;
    const size_t cut = follow.PiecesCut();
    t0 = Clock::now();
    follow.SectionAt(point(middle + stepsTaken));
    const double againMs = Since(t0) * 1e3;
    std::printf("  window: jump to block %zu %.1f ms (%zu pieces cut), %zu single blocks %.2f ms each "
                "(worst %.1f ms), the same block again %.3f ms (%zu pieces cut)\n",
                middle, jumpMs, cutAfterJump, stepsTaken, stepMs, worstMs, againMs, follow.PiecesCut() - cut);
    return 0;
}

} // namespace bench
