// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The finding functions behind the registration table, one per finding; each is tested on its
// own.

#include "advice/Advice.h"

namespace advice {

// Text findings: the whole program text.
void NoCrLf(const ProgramText& text, Sink& sink);
void UnterminatedLastLine(const ProgramText& text, Sink& sink);
void LowerCaseAddress(const ProgramText& text, Sink& sink);
void UnclosedComment(const ProgramText& text, Sink& sink);
void MacroVariable(const ProgramText& text, Sink& sink);

// 30 or 2 when the text after the last CR LF holds an M30 or M02 word outside comments (the
// control never reads it: its line is not ended), else 0.
int UnreadProgramEnd(std::u16string_view text);

// Run findings: each executed block.
void AddressWithoutValue(const BlockSeen& block, RunMemory& memory, Sink& sink);
void ForeignCycle(const BlockSeen& block, RunMemory& memory, Sink& sink);
void OtherControl(const BlockSeen& block, RunMemory& memory, Sink& sink);
void LongDwell(const BlockSeen& block, RunMemory& memory, Sink& sink);
void FeedWhileStopped(const BlockSeen& block, RunMemory& memory, Sink& sink);
void LargeFeedPerRev(const BlockSeen& block, RunMemory& memory, Sink& sink);
void UnitMismatch(const BlockSeen& block, RunMemory& memory, Sink& sink);
void UnscaledArcRadius(const BlockSeen& block, RunMemory& memory, Sink& sink);
// At the end of the run.
void NoProgramEnd(const RunMemory& memory, const LineOfBlock& lineOf, Sink& sink);

} // namespace advice
