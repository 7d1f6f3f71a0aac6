// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the ISO control (Fanuc-style lathe controls, G-code system A) keeps beside the machine
// state: its own modal values, the first-block parameters of its multi-pass cycles, the running
// G70 finishing pass and subprogram calls, and the constructs it does not read (named once per
// program). Plain data: the ISO executor (src/iso) writes it, the advice reads the notes. Empty
// at every reset; the two other dialects never touch it.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace iso {

// A construct this control does not read, or reads in a way the operator should know.
struct Note {
    int64_t BlockEndPos; // the block's end, as the run reports lines
    std::string Code;    // "iso-unsupported", "iso-integer-value", ...
    std::string Text;
};

// One M98 call in progress. A position is in the text of its file (-1: the program itself).
struct Call {
    int64_t Return; // NextBlockPos of the block after the M98
    int64_t Start;  // NextBlockPos of the subprogram's O block
    int32_t Left;   // repeats still to run after this one
    int32_t ReturnFile = -1, StartFile = -1;
};

// Where a block with a sequence (N) or program (O) number begins in the text.
struct Label {
    double Number;
    int64_t Pos; // NextBlockPos that reads the block
};

// A subprogram file beside the program, read when an M98 first called it.
struct SubprogramSource {
    double Number = 0;    // the O number it was read for
    std::string Name;     // the file's name, for messages
    std::u16string Text;  // as the program's text: CR LF ends a block
    bool Indexed = false; // its numbers, found once when first needed
    std::vector<Label> Sequences, Programs;
    std::vector<int64_t> LineStarts; // NextBlockPos of each line, for the line a message names
};

struct IsoState {
    bool Inch = false;     // G20 (true) / G21; lengths are converted to mm as they are read
    double Motion = 0;     // modal motion: 0, 1, 2, 3, 32, or the box cycles 90, 92, 94
    double MaxSpindle = 0; // G50 S: the spindle-speed clamp under G96, rpm; 0 = none
    double BoxX = 0;       // the box cycles' last X (mm diameter) and Z, taken up by the
    double BoxZ = 0;       // next block of the same cycle that gives only one of them
    // A chamfer or corner round ends the move short of its programmed end point, the corner;
    // the next block's U and W count from the corner, and its own corner from there.
    bool Cornered = false;
    double CornerX = 0, CornerZ = 0;
    int32_t CornerBlock = 0; // BlockCount of the block that made the corner
    double BoxR = 0;         // and their taper (mm)
    // First-block parameters of the multi-pass cycles (mm).
    double RoughDepth = 0, RoughRetract = 0;        // G71 U R, G72 W R
    double PatternX = 0, PatternZ = 0;              // G73 U W (relief, X as radius)
    int32_t PatternCount = 1;                       // G73 R: number of passes
    double PeckRetract = 0;                         // G74 / G75 R
    int32_t ThreadFinishes = 1;                     // G76 P: finishing passes (mm of "mmrraa")
    double ThreadAngle = 60;                        // G76 P: tool angle (aa)
    double ThreadMinDepth = 0, ThreadAllowance = 0; // G76 Q, R
    // G70 in progress: the blocks FinishStart to FinishEnd run as the finishing pass, then the
    // tool goes back to (FinishX, FinishZ) and the run goes on at FinishReturn. A jump out of
    // them (GOTO, or M99 out of the G70's own level FinishCalls) ends the pass there.
    bool Finishing = false;
    int64_t FinishStart = 0, FinishEnd = 0, FinishReturn = 0;
    size_t FinishCalls = 0;
    double FinishX = 0, FinishZ = 0;
    // G112 polar or G07.1 cylindrical interpolation in force: the blocks up to its cancel give
    // their words other meanings (C an axis), so they are skipped with it. The code, or 0.
    double UnreadMode = 0;
    int32_t FinishFile = -1; // the file the G70 pass runs in
    std::vector<Call> Calls; // M98 nesting
    // Subprogram files beside the program. While a block of one runs, the run reads the M98
    // block of the program that called into them (Anchor) again and again: every line the run
    // reports, draws or highlights is that M98's, and Where names the file's own line.
    std::vector<SubprogramSource> Files;
    int32_t File = -1;    // the file whose blocks run: -1 the program itself
    int64_t FilePos = 0;  // NextBlockPos of its next block
    int64_t Anchor = 0;   // NextBlockPos of that M98 block in the program
    int64_t BlockEnd = 0; // BlockEndPos of the block running, in the text it comes from
    std::string Where;    // "O1234.nc, line 5" while a file's block runs (messages add it)
    int64_t Jumps = 0;    // M98, M99 and G70 jumps of this run (a bound against endless loops)
    // The numbers of the text, found once a run when a cycle or call first needs them.
    bool Indexed = false;
    std::vector<Label> Sequences, Programs;
    std::vector<Note> Notes;
    std::vector<std::string> Noted; // keys of the notes given, so each is given once
    // User-macro variables #0 to #999 (#1-#33 local, #100-#199 common, #500-#999 kept), made on
    // the first block that uses one; every one is vacant (Set 0) until the program sets it, so
    // each run starts with all of them vacant.
    std::vector<double> Vars;
    std::vector<uint8_t> VarSet;
    // WHILE ... DO m in progress: the NextBlockPos of its block, per subprogram level and m (1 to
    // 3); 0 where none runs.
    std::vector<std::array<int64_t, 3>> Loops;
    int64_t MacroJumps = 0; // GOTO and END jumps of this run (a bound against endless loops)
    int64_t Alarms = 0;     // blocks of this run that raised an alarm
    // G65 calls in progress: the caller's local variables #1-#33, given back at the macro's M99.
    struct Frame {
        size_t Depth; // Calls.size() of the caller
        std::array<double, 33> Vars;
        std::array<uint8_t, 33> Set;
    };
    std::vector<Frame> Frames;
};

} // namespace iso
