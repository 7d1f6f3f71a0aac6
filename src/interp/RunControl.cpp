// SPDX-License-Identifier: GPL-3.0-or-later
// The operator panel of the simulated control: the block loop and its stops, the switches and
// the silent re-runs.

#include "interp/RunControl.h"

#include "base/Machine.h"
#include "interp/Interpreter.h"
#include "motion/Display.h"
#include "motion/Motion.h"

namespace interp {

namespace {

// Counts the run loops in progress for the lifetime of one loop.
struct LoopGuard {
    int& depth;
    explicit LoopGuard(int& d) : depth(d) { ++depth; }
    ~LoopGuard() { --depth; }
};

void Message(Machine& m, const std::string& text) {
    m.Ui.SetMessage(text, text);
}

} // namespace

void RunControl::PressFeedback(Command command) {
    M.Ui.ShowPressed(command, true);
    WaitSeconds(M, 0.1);
    M.Ui.ShowPressed(command, false);
}

void RunControl::Start() {
    // NOTE: a Start while a loop runs would nest a second loop inside the first; refused.
    if (Depth > 0) return;
    {
        LoopGuard guard(Depth);
        StartLoop();
    }
    RunPendingReplay();
}

void RunControl::StartLoop() {
    MachineState& s = M.S;
    // 1-2. The Start button shows pressed (not in a silent re-run); the message is cleared.
    if (!s.Replay) PressFeedback(Command::Start);
    Message(M, "");
    s.RestartSearch = false;
    // 3. From the caret right after a reset, from the top after the end, else the pending block.
    const int64_t caret = M.Ui.CaretOffset();
    if (s.BlockCount <= 1 && caret > 0) {
        s.NextBlockPos = caret;
        ResetMachine(M);
    } else if (s.BlockEndPos == 0) {
        s.NextBlockPos = 1;
        ResetMachine(M);
    }
    // 4. The run begins.
    s.RunState = RunRunning;
    // 5. Block after block until a stop, an alarm, a reset or the end.
    for (;;) {
        ExecuteBlock(M);
        ShownBlockCount = s.BlockCount;
        ShownRunState = s.RunState;
        M.Ui.BlockExecuted();
        if (s.RunState == RunReset) break;
        if (!s.Replay) M.Ui.FocusProgram();
        if (!ReadNextBlock(M, !s.Replay)) break;
        if (!s.Replay) {
            if (s.OptionalStop && s.RunState == RunOptionalStop) {
                Message(M, "Optional Stop");
                s.RunState = RunRunning;
                break;
            }
            if (s.RunState == RunProgramStop) {
                Message(M, "Program Stop");
                break;
            }
            if (s.RunState == RunAlarm) break; // the alarm's own message stays
        }
        if (s.RunState == RunEndM02 || s.RunState == RunEndM30) {
            Message(M, "Program End");
            break;
        }
        if (s.RunState == RunHold) {
            Message(M, "Hold Stop");
            break;
        }
        if (s.SingleBlock && !s.Replay) break;
    }
}

void RunControl::HoldStop() {
    M.S.RunState = RunHold;
    PressFeedback(Command::Stop);
}

void RunControl::Reset() {
    if (!M.S.Replay) PressFeedback(Command::Reset);
    M.S.NextBlockPos = 1;
    M.S.ColorIndex = 1;
    ResetMachine(M);
    // The reset's own display showed the power-on state: no block counted, no stop code.
    ShownBlockCount = 0;
    ShownRunState = RunRunning;
    M.S.RunState = RunReset;
}

void RunControl::Restart() {
    if (Depth > 0) return; // never nested inside a running loop
    {
        LoopGuard guard(Depth);
        RestartLoop();
    }
    RunPendingReplay();
}

void RunControl::RestartLoop() {
    MachineState& s = M.S;
    PressFeedback(Command::Restart);
    s.RestartSearch = true;
    // NOTE: the target is a wide position, so a caret anywhere in a long program works.
    const int64_t target = M.Ui.CaretOffset();
    s.NextBlockPos = 1;
    ResetMachine(M);
    s.RunState = RunRunning;
    // No stop is honoured during the search, only Reset; at least the first block runs.
    do {
        ExecuteBlock(M);
        M.Ui.BlockExecuted();
        if (s.RunState == RunReset) return;
        M.Ui.FocusProgram();
        if (!ReadNextBlock(M, true)) return;
    } while (s.NextBlockPos < target);
}

void RunControl::ToggleSingleBlock() {
    M.S.SingleBlock = !M.S.SingleBlock;
    M.Ui.SwitchesChanged();
}

void RunControl::ToggleBlockDelete() {
    M.S.BlockDelete = !M.S.BlockDelete;
    M.Ui.SwitchesChanged();
}

void RunControl::ToggleOptionalStop() {
    M.S.OptionalStop = !M.S.OptionalStop;
    M.Ui.SwitchesChanged();
}

void RunControl::ToggleToolClear() {
    MachineState& s = M.S;
    s.ToolClear = !s.ToolClear;
    s.RunSpeed = s.ToolClear ? 80.0f : 100.0f;
    M.Ui.RunSpeedChanged(s.RunSpeed);
    M.Ui.SwitchesChanged();
}

void RunControl::Clear() {
    PressFeedback(Command::Clear);
    motion::RedrawCanvas(M);
}

void RunControl::ToggleAutoStart() {
    M.S.AutoStart = !M.S.AutoStart;
    M.Ui.SwitchesChanged();
}

void RunControl::TogglePointCheck() {
    M.S.FanucMode = !M.S.FanucMode;
    M.Ui.SwitchesChanged();
    ShowMode();
}

void RunControl::ToggleIsoControl() {
    M.S.IsoMode = !M.S.IsoMode;
    M.Ui.SwitchesChanged();
    ShowMode();
}

void RunControl::ToggleFkeyBar() {
    M.S.FkeyBar = !M.S.FkeyBar;
    M.Ui.SwitchesChanged();
}

void RunControl::ShowMode() {
    const MachineState& s = M.S;
    M.Ui.SetDialectPanel(s.IsoMode ? "ISO" : s.FanucMode ? "FANUC" : "KVZ");
    std::string text = s.IsoMode ? "ISO control " : s.FanucMode ? "Point check " : "No point check";
    text += s.Vertical ? " , Vertical Lathe" : " , Horizontal Lathe";
    M.Ui.SetMainMessage(text);
}

void RunControl::Replay(bool recentre) {
    // NOTE: asked for while a run is in progress (a view change during the run), the re-run
    // waits until that loop has ended instead of nesting inside it.
    if (Depth > 0) {
        PendingReplay = true;
        PendingRecentre = PendingRecentre || recentre;
        M.S.RunState = RunReset;
        return;
    }
    M.S.Replay = true;
    Reset();
    if (recentre) {
        // The reset drew axes and rulers under the old numbers; the canvas and rulers have moved
        // since, so they are drawn again before the path.
        motion::RecentreCanvas(M);
        motion::RedrawCanvas(M);
    }
    Start();
    M.S.Replay = false;
    ShowReplayEnd();
}

void RunControl::ShowReplayEnd() {
    // Hosts skip the labels during the silent run; show them as a watched run would have left
    // them: the executed blocks counted, and no stop code after a reset alone.
    if (!M.Ui.WantsDisplay()) return;
    MachineState shown = M.S;
    shown.BlockCount = ShownBlockCount;
    shown.RunState = ShownRunState;
    M.Ui.ShowDisplay(motion::ComputeDisplay(shown));
}

void RunControl::RedrawReplay() {
    if (M.S.AutoStart) {
        Replay(false);
        return;
    }
    M.S.Replay = true;
    Reset();
    M.S.Replay = false;
    ShowReplayEnd();
}

void RunControl::ReplayIfAutoStart() {
    if (M.S.AutoStart) Replay(false);
}

void RunControl::ForcedReplay() {
    Replay(false);
}

void RunControl::PopupStart() {
    Replay(true);
}

void RunControl::RunPendingReplay() {
    if (Depth > 0 || !PendingReplay) return;
    const bool recentre = PendingRecentre;
    PendingReplay = PendingRecentre = false;
    Replay(recentre);
}

} // namespace interp
