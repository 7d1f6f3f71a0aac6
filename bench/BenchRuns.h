// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The measured pieces of the benchmark: the floor scanner, the silent re-run of a program onto a
// given canvas, and the checker program run as the operator's shell would run it.

#include "base/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// What the floor found; the sum keeps the compiler from dropping the parsing.
struct FloorResult {
    int64_t Lines = 0;
    double Sum = 0;
};
// Reads the file in one go and parses the number after every X, Z and F of every line with
// std::from_chars: the least any reader of the program has to do.
FloorResult FloorScan(const std::string& path);

// A canvas that draws nothing (interpretation alone).
class NullCanvas final : public motion::Canvas {
  public:
    void Line(double, double, double, double, int32_t) override {}
    void PSet(double, double, int32_t) override {}
    void Circle(double, double, double, int32_t, bool, double, double) override {}
    void Print(const std::string&) override {}
    double TextWidth(const std::string& text) override {
        return 0.6 * FontSize * 20 * text.size() * ScaleWidth / Width;
    }
    double TextHeight(const std::string&) override { return 1.2 * FontSize * 20 * ScaleHeight / Height; }
    void Cls() override {}
};

// Runs the program once from the top as the window's silent re-run does (standard view of the
// default limits, viewport of the given pixel size at 15 twips a pixel), drawing onto `canvas`
// through a host that ignores everything. Returns the blocks read.
int32_t Replay(const std::u16string& text, motion::Canvas& canvas, double viewportWidthPx,
               double viewportHeightPx);

// One run of the checker program: wall time and the child's peak resident memory.
struct ProcessResult {
    int Status = -1; // exit status, -1 when it could not be run or did not exit normally
    double Seconds = 0;
    double PeakRssMb = 0;
};

// Runs programs from a small helper process forked before the benchmark grows: a child's peak
// memory as the kernel reports it starts from its parent's, so spawning from the large benchmark
// would report the benchmark's own size.
class Launcher {
  public:
    Launcher(); // forks the helper; call it first thing in main
    ~Launcher();
    Launcher(const Launcher&) = delete;
    Launcher& operator=(const Launcher&) = delete;
    ProcessResult Run(const std::vector<std::string>& argv);

  private:
    int ToHelper = -1, FromHelper = -1;
    int HelperPid = -1;
};

} // namespace bench
