// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's share of a check alone, inside one process: each program is checked in turn
// without and with the machine (a typical small lathe), REPS times (default 15), on one thread,
// and the least processor time of each is kept. bench/machine-bench times the checker program,
// which also pays for starting, reading the file and the kernel zeroing fresh memory; those
// vary more from run to run than the machine's whole share, and they are left out here. Two
// builds of the same code can differ by a few hundredths in this ratio (where the code lands in
// memory): instructions (bench/machine-bench under valgrind) compare two versions better.
// With --second-core the check runs as the checker program runs it, the advice's pass over the
// text and the machine's planning on a second thread: the least wall time is kept, and the
// run's own thread's processor time beside it (what the run pays for handing the moves over).
// With --window the checks are the window's (its picture's paths, its rows of tools).
// With --planner the run is recorded once and only its planning is timed, again and again (the
// least processor time): what the planner itself costs, apart from following the run.
// usage: zarvik-machine-cost [--reps N] [--second-core] [--window | --planner] PROGRAM...

#include "check/Checker.h"
#include "check/Decode.h"
#include "inspect/Inspection.h"
#include "machine/Planner.h"
#include "machine/Profile.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

namespace {

double Seconds(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

struct Times {
    double Cpu = 1e300, Wall = 1e300, Run = 1e300; // the process's, the clock's, the run's thread's
};

// One check, its times kept where less; the report's blocks keep the compiler from dropping it.
void Once(const std::u16string& text, const check::CheckOptions& options, bool window, int64_t& blocks,
          Times& least) {
    const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID), wall = Seconds(CLOCK_MONOTONIC),
                 run = Seconds(CLOCK_THREAD_CPUTIME_ID);
    const check::CheckReport report = window ? inspect::RunInspection(text, options, nullptr, nullptr).Report
                                             : check::CheckProgram(text, options);
    least.Cpu = std::min(least.Cpu, Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu);
    least.Wall = std::min(least.Wall, Seconds(CLOCK_MONOTONIC) - wall);
    least.Run = std::min(least.Run, Seconds(CLOCK_THREAD_CPUTIME_ID) - run);
    blocks += report.Blocks + (report.Machine ? 1 : 0);
}

} // namespace

int main(int argc, char** argv) {
    int reps = 15, first = 1;
    bool secondCore = false, plannerOnly = false, window = false;
    for (; first < argc && argv[first][0] == '-'; ++first)
        if (std::strcmp(argv[first], "--reps") == 0 && first + 1 < argc)
            reps = std::max(1, std::atoi(argv[++first]));
        else if (std::strcmp(argv[first], "--second-core") == 0)
            secondCore = true;
        else if (std::strcmp(argv[first], "--planner") == 0)
            plannerOnly = true;
        else if (std::strcmp(argv[first], "--window") == 0)
            window = true;
        else
            break;
    if (first >= argc || argv[first][0] == '-') {
        std::fprintf(
            stderr,
            "usage: zarvik-machine-cost [--reps N] [--second-core] [--window | --planner] PROGRAM...\n");
        return 2;
    }
    check::CheckOptions plain;
    // By default one thread: the advice pass on a second thread adds the wait and the hand-over
    // between the two, which vary from run to run more than the machine's share.
    plain.SecondCore = secondCore;
    check::CheckOptions withMachine = plain;
    withMachine.Machine = std::make_shared<const machine::Profile>(machine::DefaultProfile());
    const char* what = plannerOnly ? "the planner alone" : window ? "the window's check" : "a check";
    if (plannerOnly)
        std::printf("%s, in one process (least processor time of %d):\n", what, reps);
    else if (secondCore)
        std::printf("machine time on top of %s, in one process (a second core, least of %d: wall time; the "
                    "run's thread's processor time):\n",
                    what, reps);
    else
        std::printf("machine time on top of %s, in one process (one thread, least processor time of %d):\n",
                    what, reps);
    int64_t blocks = 0;
    for (int i = first; i < argc; ++i) {
        std::u16string text;
        std::string why;
        if (!check::ReadProgram(argv[i], text, why)) {
            std::fprintf(stderr, "%s: %s\n", argv[i], why.c_str());
            return 2;
        }
        const char* slash = std::strrchr(argv[i], '/');
        const char* name = slash ? slash + 1 : argv[i];
        if (plannerOnly) {
            check::CheckOptions recorded = withMachine;
            machine::Recording run;
            recorded.MachineRecording = &run;
            const check::CheckReport report = check::CheckProgram(text, recorded);
            double least = 1e300, seconds = 0;
            for (int k = 0; k < reps; ++k) {
                const double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID);
                seconds += machine::Replay(run, *withMachine.Machine).Total.Total();
                least = std::min(least, Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpu);
            }
            std::printf("  %s: the planning alone %.2f ms, %.1f ns a block (%.1f s machine time)\n", name,
                        least * 1000, least * 1e9 / static_cast<double>(std::max<int64_t>(1, report.Blocks)),
                        seconds / reps);
            blocks += report.Blocks;
            continue;
        }
        Times p, m;
        for (int k = 0; k < reps; ++k) {
            Once(text, plain, window, blocks, p);
            Once(text, withMachine, window, blocks, m);
        }
        if (secondCore)
            std::printf("  %s: %.1f ms, with the machine %.1f ms: %.3f times; the run's thread %.1f ms, "
                        "%.1f ms: %.3f times\n",
                        name, p.Wall * 1000, m.Wall * 1000, m.Wall / p.Wall, p.Run * 1000, m.Run * 1000,
                        m.Run / p.Run);
        else
            std::printf("  %s: %.1f ms, with the machine %.1f ms: %.3f times\n", name, p.Cpu * 1000,
                        m.Cpu * 1000, m.Cpu / p.Cpu);
    }
    return blocks > 0 ? 0 : 1;
}
