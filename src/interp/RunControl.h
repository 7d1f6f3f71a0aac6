// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated operator panel: Start, Hold stop, Reset, Restart, the switches, and the silent
// re-runs that redraw the path after a change of view. The window binds its commands here;
// nothing else runs the block loop.

#include "base/Host.h"

#include <cstdint>

namespace interp {
struct Machine;

class RunControl {
  public:
    explicit RunControl(Machine& machine) : M(machine) {}

    void Start();    // F1
    void HoldStop(); // F2
    void Reset();    // F3
    void Restart();  // F4: silent run from the top up to the caret's block

    // Switches: flip the field, then ask the host to refresh the three indicators.
    void ToggleSingleBlock();  // F5
    void ToggleBlockDelete();  // F6
    void ToggleOptionalStop(); // F7
    void ToggleToolClear();    // F8 (also sets the run speed to 80 / 100)
    void Clear();              // F9: press feedback, then the canvas is redrawn empty
    void ToggleAutoStart();
    void TogglePointCheck(); // FANUC dialect; refreshes the dialect panels
    void ToggleIsoControl(); // the ISO control instead of either dialect; refreshes the panels
    void ToggleFkeyBar();

    // Silent re-runs after a change of view or display.
    void RedrawReplay();      // Reset; Start when Auto start is on
    void ReplayIfAutoStart(); // only when Auto start is on
    void ForcedReplay();      // always
    void PopupStart();        // re-centre the canvas first

    // Dialect and lathe-type panels (4 and 1 of the main status bar).
    void ShowMode();

    bool Running() const { return Depth > 0; }

  private:
    void PressFeedback(Command command);
    void StartLoop();
    void RestartLoop();
    // A re-run asked for during a run is carried out once that run has ended.
    void RunPendingReplay();
    void Replay(bool recentre);
    // The labels as the last display of the silent run would have written them.
    void ShowReplayEnd();
    Machine& M;
    int Depth = 0; // run loops in progress; a second Start or Restart is refused
    bool PendingReplay = false, PendingRecentre = false;
    // Block counter and stop code as the last display showed them: the run goes on to read one
    // block more, and a reset asks for RunReset after its display.
    int32_t ShownBlockCount = 0;
    int16_t ShownRunState = -1; // running: no stop code
};

} // namespace interp
