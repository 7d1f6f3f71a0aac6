#pragma once
// The headless checker: runs a program once from the top the way a silent re-run does and
// collects every alarm with its line, the cutting time per tool, the final position and, when
// asked, every drawn piece of path.

#include "base/Host.h"
#include "base/Canvas.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace check {

struct CheckOptions {
    bool Fanuc = false;
    int16_t Unit = 1;
    double PVLX = 500, PVLZ = 200, NVLX = -200, NVLZ = -200;
    bool BlockDelete = false;
    bool G2Mirror = false;
};

struct Alarm {
    int64_t Line;
    std::string Message;
};

struct TracedSegment {
    int64_t Line;
    motion::PathSegment Segment;
};

struct CheckReport {
    std::string File;
    bool Fanuc = false;
    int16_t Unit = 1;
    int32_t Blocks = 0;
    bool ProgramEnd = false; // stopped at M02/M30; otherwise at the end of the text
    double CuttingTime = 0;  // seconds (the control's single-precision total)
    double FinalX = 0, FinalZ = 0;
    std::vector<Alarm> Alarms;
    std::map<double, double> ToolTimes; // tool number -> seconds, tools with time only
};

// Runs `text` (the decoded program) once. `picture`, when given, receives every drawing primitive
// in the standard view of the limits (for SVG and PNG pictures); `onSegment` every path piece.
CheckReport CheckProgram(const std::u16string& text, const CheckOptions& options,
                         const std::function<void(const TracedSegment&)>& onSegment = {},
                         motion::Canvas* picture = nullptr, double pictureWidthPx = 1600,
                         double pictureHeightPx = 1000);

// Report texts.
std::string ReportJson(const CheckReport& report);
std::string ReportText(const CheckReport& report);
std::string SegmentJson(const TracedSegment& segment);
// SegmentJson appended to `out`: the trace of a long program is built in one reused buffer.
void AppendSegmentJson(std::string& out, const TracedSegment& segment);
// Shortest text that reads back as the same double.
std::string NumberJson(double v);

} // namespace check
