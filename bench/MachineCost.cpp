// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's share of a check alone, inside one process: each program is checked in turn
// without and with the machine (a typical small lathe), REPS times (default 15), on one thread,
// and the least processor time of each is kept. bench/machine-bench times the checker program,
// which also pays for starting, reading the file and the kernel zeroing fresh memory; those
// vary more from run to run than the machine's whole share, and they are left out here. Two
// builds of the same code can differ by a few hundredths in this ratio (where the code lands in
// memory): instructions (bench/machine-bench under valgrind) compare two versions better.
// usage: zarvik-machine-cost [--reps N] PROGRAM...

#include "check/Checker.h"
#include "check/Decode.h"
#include "machine/Profile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Processor seconds of one check; the report's blocks keep the compiler from dropping it.
double Once(const std::u16string& text, const check::CheckOptions& options, int64_t& blocks) {
    const double start = CpuSeconds();
    const check::CheckReport report = check::CheckProgram(text, options);
    const double seconds = CpuSeconds() - start;
    blocks += report.Blocks + (report.Machine ? 1 : 0);
    return seconds;
}

} // namespace

int main(int argc, char** argv) {
    int reps = 15, first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--reps") == 0) reps = std::max(1, std::atoi(argv[2])), first = 3;
    if (first >= argc) {
        std::fprintf(stderr, "usage: zarvik-machine-cost [--reps N] PROGRAM...\n");
        return 2;
    }
    check::CheckOptions plain;
    // One thread: the advice pass on a second thread adds the wait and the hand-over between
    // the two, which vary from run to run more than the machine's share.
    check::CheckOptions withMachine = plain;
    withMachine.Machine = std::make_shared<const machine::Profile>(machine::DefaultProfile());
    std::printf("machine time on top of a check, in one process (one thread, least processor time of %d):\n",
                reps);
    int64_t blocks = 0;
    for (int i = first; i < argc; ++i) {
        std::u16string text;
        std::string why;
        if (!check::ReadProgram(argv[i], text, why)) {
            std::fprintf(stderr, "%s: %s\n", argv[i], why.c_str());
            return 2;
        }
        double bestPlain = 1e300, bestMachine = 1e300;
        for (int k = 0; k < reps; ++k) {
            bestPlain = std::min(bestPlain, Once(text, plain, blocks));
            bestMachine = std::min(bestMachine, Once(text, withMachine, blocks));
        }
        const char* slash = std::strrchr(argv[i], '/');
        std::printf("  %s: %.1f ms, with the machine %.1f ms: %.3f times\n", slash ? slash + 1 : argv[i],
                    bestPlain * 1000, bestMachine * 1000, bestMachine / bestPlain);
    }
    return blocks > 0 ? 0 : 1;
}
