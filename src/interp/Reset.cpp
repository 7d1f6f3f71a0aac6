// SPDX-License-Identifier: GPL-3.0-or-later
// Power-on state of the simulated control.

#include "base/Machine.h"
#include "interp/Interpreter.h"
#include "motion/Motion.h"

namespace interp {

void ResetMachine(Machine& m) {
    MachineState& s = m.S;
    // 1. The message panel is cleared.
    m.Ui.SetMessage("", "");
    // 2. Reset values; HWord, YWord, SBWord, TGFlag, PrevGMode and the settings keep theirs.
    s.GMode = 0;
    s.GAbsInc = 90;
    s.GFeedMode = 95;
    s.GSpeedMode = 97;
    s.GNoseR = 40;
    s.G75Mode = 0;
    s.MWord = -1;
    s.MSpindle = 5;
    s.MCoolant = 9;
    s.MOther = -1;
    s.RunState = RunRunning;
    s.CurX = s.LastX = s.PVLX;
    s.CurZ = s.LastZ = s.PVLZ;
    s.TaperAngle = s.UWord = s.WWord = s.IWord = s.KWord = 0;
    s.RWord = s.DWord = s.LWord = s.PWord = 0;
    s.CWord = s.Feed = s.SWord = s.TWord = s.PrevTWord = 0;
    s.UGiven = s.WGiven = false;
    s.Turret = "A";
    s.XSign = s.Xmirror ? -1.0f : 1.0f;
    s.CuttingTime = 0;
    s.ProgramNumber.clear();
    s.SequenceNumber.clear();
    s.BlockCount = 0;
    s.InComment = false;
    s.ToolLabelCount = 1;
    // The ISO control starts afresh, in the unit the operator set (G20/G21 then change it).
    s.Iso = {};
    s.Iso.Inch = s.UnitCode == 4;
    // NOTE: a text without any CR LF has no block to read; the Start loop then executes this
    // empty block once before it finds the end of the program.
    s.BlockText.clear();
    s.BlockEndPos = 0;
    // 3. The labels show the reset values and the canvas is drawn again.
    motion::ShowDisplay(m);
    motion::RedrawCanvas(m);
    // 4. The block at NextBlockPos is read and highlighted.
    if (!m.Ui.ProgramText().empty()) {
        m.Ui.FocusProgram();
        ReadNextBlock(m, true);
    }
}

} // namespace interp
