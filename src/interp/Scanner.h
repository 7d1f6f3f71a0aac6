// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Internal pieces of the block scanner shared by the scan loop, the word table and the block
// executor.

#include <string>

namespace interp {
namespace words {
struct Word;
}
struct Machine;
struct MachineState;

// Set while a block is scanned: an X (Z) word with a value was read.
struct BlockFlags {
    bool XGiven = false;
    bool ZGiven = false;
};

// The scan loop over BlockText (step 3 of ExecuteBlock).
void ScanBlock(Machine& m, BlockFlags& flags);
// Reads the value of the address word `w` (its letter and any SB, TG, TL before the value) and
// stores it as the word table says, with the point check of the FANUC dialect; sets w.End.
void ReadAddressWord(Machine& m, words::Word& w, BlockFlags& flags);
// G and M words take effect as soon as they are read.
void ApplyGWord(Machine& m);
void ApplyMWord(Machine& m);
// ReadValue that also returns the value of WordText (0 when it is empty), sparing the caller
// the conversion of the text.
double ReadWordValue(Machine& m);

} // namespace interp
