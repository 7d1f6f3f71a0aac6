// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pieces of the ISO control shared by its files: the moves with the control's spindle speed,
// the P-Q contour, the numbers of the text and the notes. Lengths are millimetres, X a diameter.

#include "iso/IsoWords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace interp {
struct Machine;
}

namespace iso {
using interp::Machine;

// --- Moves (IsoMoves.cpp). Each starts at the machine's position (LastX, LastZ), draws and
// times the move, and leaves the position at its end. False when an alarm ended it. ---
bool RapidTo(Machine& m, double x, double z);
bool FeedTo(Machine& m, double x, double z);
// An arc to (x, z) around the centre (cx, cz) (X as diameter).
bool ArcTo(Machine& m, double x, double z, double cx, double cz, bool clockwise);
// A thread pass: a cut whose feed is the lead `lead` (mm per revolution), whatever G98/G99.
bool ThreadTo(Machine& m, double x, double z, double lead);

// The length of a word: a length in the program's unit to mm.
double Length(const Machine& m, double value);
// A length written in the least input increment (0.001 mm, 0.0001 inch): G74/G75/G76 P and Q.
double Increment(const Machine& m, double value);

// --- Jumps ---
// Counts a jump of the run (M98, M99, G70); false (with an alarm that ends the run) once a run
// has made more than any program means, so that an endless loop cannot hold up the check.
bool MayJump(Machine& m);
// More alarms than this in a run that jumps back is a loop raising them on every pass.
inline constexpr int64_t AlarmBound = 10000;
// True (with an alarm that ends the run) once a run that loops has raised more than AlarmBound.
bool LoopsWithAlarms(Machine& m);

// --- Notes ---
// Names a construct once per program (by `key`) at the current block.
void NoteOnce(Machine& m, const std::string& key, const std::string& code, const std::string& text);

// --- User-macro variables and statements (IsoMacro.cpp) ---
// A block the word reader marked Macro: runs its statement (raising its alarms), or reads its
// words with the variables' values into `w`. True when `w` is then a block of words to run.
bool MacroBlock(Machine& m, Words& w);
enum class MacroRead { Words, Statement, Fault };
// The words of a block read ahead (a contour, the block after a corner) with the variables'
// values as they stand; a statement is not run. A fault raises its alarm or names what is not
// read, unless `quiet`.
MacroRead MacroWords(Machine& m, std::u16string_view text, Words& w, bool quiet);
// G65 P (L): the macro O P with the block's words as its local variables (A #1, B #2, ...).
void MacroCall(Machine& m, const Words& w);
// After M99 has left a call: the caller's local variables back when it was a G65 call.
void MacroReturn(Machine& m);

// --- The numbers of the text (IsoProgram.cpp): of the text the blocks are read from now, the
// program's own or a subprogram file's (IsoState::File) ---
std::u16string_view CurrentText(Machine& m);
// The subprogram O n for M98: in the text running, the program, a file read before, else a file
// beside the program, read now. False (with an alarm naming the files looked for) when none.
bool FindSubprogram(Machine& m, double n, int32_t& file, int64_t& pos);
// "O1234.nc, line 5" for a position in the subprogram file running; empty in the program.
std::string PlaceInFile(const Machine& m, int64_t pos);
// NextBlockPos of the block with sequence number n (first after the current block, else from the
// top), or 0.
int64_t FindSequence(Machine& m, double n);
// NextBlockPos of the block with program number O n, or 0.
int64_t FindProgram(Machine& m, double n);
// The block text read at `pos` (a NextBlockPos), and the NextBlockPos after it (0 at the end).
std::u16string_view BlockAt(Machine& m, int64_t pos, int64_t& next);

// --- The P-Q contour and the multi-pass cycles (IsoContour.cpp) ---
struct Element {
    bool Arc = false, Clockwise = false, Rapid = false;
    double X0, Z0, X1, Z1; // diameter, Z
    double CX = 0, CZ = 0; // arc centre
    int16_t Nose = 40;     // G40/G41/G42 in force in its block: the passes along the contour follow it
};
struct Contour {
    std::vector<Element> Elements;
    bool FirstRapid = true; // the P block's move is G00 (else G01)
    bool BothAxes = false;  // the P block names X and Z: type II
    bool FirstMoves = true; // the P block moves (it may name the start point itself)
    int64_t After = 0;      // NextBlockPos after the Q block
    int64_t QEnd = 0;       // BlockEndPos of the Q block
};
// Reads the blocks from N p to N q as a contour starting at the machine's position. False (with
// an alarm raised) when either number is missing. `finishing` for G70, which runs the blocks'
// macro statements as well (the roughing cycles pass them over, and say so).
bool ReadContour(Machine& m, double p, double q, Contour& out, bool finishing = false);
void RoughCycle(Machine& m, const Words& w, bool facing); // G71, G72 second block
void PatternCycle(Machine& m, const Words& w);            // G73 second block
void FinishCycle(Machine& m, const Words& w);             // G70

// --- Single-pass and threading cycles (IsoCycles.cpp) ---
void BoxCycle(Machine& m, const Words& w, double code);    // G90, G92, G94
void PeckCycle(Machine& m, const Words& w, bool grooving); // G74, G75 second block
void ThreadCycle(Machine& m, const Words& w);              // G76 second block

// The end point of a block: X/Z absolute, U/W incremental from the position.
struct Target {
    double X, Z;
    bool Moves; // an axis word was given
};
Target TargetOf(const Machine& m, const Words& w);

} // namespace iso

namespace iso {
// The centre (cx diameter, cz) of an arc from the machine's position to `to`: from R (the
// shorter arc when positive) or from I and K (I as a radius). False when the radius is too short
// for the chord.
bool ArcCentre(const Machine& m, double x0, double z0, const Target& to, const Words& w, bool clockwise,
               double& cx, double& cz);
} // namespace iso
