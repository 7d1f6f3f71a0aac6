#pragma once
// Canned cycles of the dispatch table. Each takes the machine as its only parameter.

namespace interp {
struct Machine;
}

namespace cycles {
using interp::Machine;

void LongThreadCut(Machine& m);    // G31, G33
void FaceThreadCut(Machine& m);    // G32 (KVZ)
void LongThreadCycle(Machine& m);  // G71
void FaceThreadCycle(Machine& m);  // G72
void LongGrooveCycle(Machine& m);  // G73
void FaceGrooveCycle(Machine& m);  // G74
void LongTurnCycle(Machine& m);    // G92 (G90 FANUC)
void FaceTurnCycle(Machine& m);    // G94 (FANUC)
void DrillCycle(Machine& m);       // G178, G179, G181, G183, G184
void DrillCycleCancel(Machine& m); // G180

} // namespace cycles
