// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ISO control: blocks read as Fanuc-style lathe controls (G-code system A) read them. The
// interpreter hands every block to ExecuteIsoBlock when the control is selected (IsoMode); the
// run loop, the drawing, the cutting time, the soft limits and the stock model are the machine's
// own, so the trace and the stock follow every pass of a cycle.

#include <string>

namespace interp {
struct Machine;
}

namespace iso {

// Interprets BlockText: words, modal groups, the move or cycle, M98/M99 and G70 jumps (by
// setting NextBlockPos), display and pacing. Reads and writes the machine state and its Iso
// part; reports alarms through the status bars and RunState 4, and what it does not read as
// notes (Iso.Notes). Called by interp::ExecuteBlock.
void ExecuteIsoBlock(interp::Machine& m);

// This control ends a block at LF (EOB), with or without the CR before it, at a lone CR, and at
// the end of the file; the run reads blocks ended by CR LF. The text with CR LF at every line
// end and after the last line, or empty when it has them already. Lines stay lines.
std::u16string WithBlockEnds(const std::u16string& text);

} // namespace iso
