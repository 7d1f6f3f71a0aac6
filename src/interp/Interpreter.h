// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and interpreting blocks: the block reader, the word readers, the block executor and the
// machine reset. All take the machine as their only parameter.

#include "base/Alarms.h" // RaiseAlarm and WaitSeconds, used throughout the interpreter

#include <cstdint>
#include <string>

namespace interp {
struct Machine;

// Reads the block that begins at NextBlockPos. Writes BlockEndPos (0 when no CR LF follows),
// BlockText, BlockCount, NextBlockPos; highlights the block unless `highlight` is false.
// Returns false when the text has no further block. Called by the run loops and ResetMachine.
bool ReadNextBlock(Machine& m, bool highlight = true);

// Word readers: entered with ScanPos on the address letter, leave ScanPos on the last character
// consumed and the result in WordText (ReadValue also sets HasPoint). Called by the scan loop.
void ReadDigits(Machine& m);  // O, N, V
void ReadGNumber(Machine& m); // G
void ReadValue(Machine& m);   // every other address letter

// Unit conversion by UnitCode; any unknown code converts to 0.
double ScaleLength(const Machine& m, double value);
double ScaleAngle(const Machine& m, double value);
// "Unit 1mm" ...; empty for an unknown code.
std::string UnitName(int16_t unitCode);
// Writes the unit name into panel 5 (unchanged for an unknown code). Called at start-up and
// after the unit dialog.
void ShowUnit(Machine& m);

// Interprets BlockText: scan, modal groups, incremental and taper end point, minus limits,
// dispatch, display, pacing. Reports alarms through the status bars and RunState 4.
void ExecuteBlock(Machine& m);

// Puts the state back to its power-on values, redraws the canvas and reads the block at
// NextBlockPos (which the caller sets first). Called by Reset, Restart, Start and file open.
void ResetMachine(Machine& m);

} // namespace interp
