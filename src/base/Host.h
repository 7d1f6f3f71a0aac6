// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The port through which the core reaches everything outside it: the program pane, the two
// status bars, the state labels, press feedback and waiting. The window implements it with
// widgets and the event loop; tests and the checker implement it with plain members.

#include <cstdint>
#include <string>

namespace motion {
struct DisplayTexts;
}

namespace interp {

// Commands that show press feedback (a toolbar button and a function-key panel).
enum class Command {
    Start,
    Stop,
    Reset,
    Restart,
    SingleBlock,
    BlockDelete,
    OptionalStop,
    ToolClear,
    Clear,
    Standard
};

class Host {
  public:
    virtual ~Host() = default;

    // --- Program pane ---
    // The exact program text (line ends as in the file, CR LF = two code units). The reference
    // stays valid until the next call; hosts keep one snapshot and rebuild it only after an edit.
    virtual const std::u16string& ProgramText() = 0;
    // 0-based offset into ProgramText() of the selection's start (a highlighted block puts the
    // caret at its beginning).
    virtual int64_t CaretOffset() = 0;
    // Selects the block: start is a 0-based offset, length in code units.
    virtual void HighlightBlock(int64_t start, int64_t length) = 0;
    virtual void FocusProgram() = 0;
    // The text of the subprogram O`number` from a file beside the program, for the ISO control's
    // M98 when the program itself holds no such O number (the core reads no file itself).
    // 1: read, with the file's `name`; 0: none there (`why` names the files looked for, empty
    // when the program has no file to look beside); -1: found but not read (`why` says why).
    virtual int SubprogramFile(double /*number*/, std::string& /*name*/, std::u16string& /*text*/,
                               std::string& /*why*/) {
        return 0;
    }
    // Called by the run loops after each ExecuteBlock (the checker records alarms here).
    virtual void BlockExecuted() {}
    // Called for every alarm as it is raised; a later stop code of the same block may still
    // replace the run state.
    virtual void AlarmRaised() {}

    // --- Status bars ---
    // Panel 1 of the main status bar and of the function-key bar (the texts differ once).
    virtual void SetMessage(const std::string& mainBar, const std::string& fkeyBar) = 0;
    // Panel 1 of the main status bar only.
    virtual void SetMainMessage(const std::string& text) = 0;
    virtual void SetDialectPanel(const std::string& text) = 0; // panel 4
    virtual void SetUnitPanel(const std::string& text) = 0;    // panel 5

    // --- State labels ---
    // False when nobody looks at the labels (silent checks): the texts are then not formatted.
    virtual bool WantsDisplay() const { return true; }
    virtual void ShowDisplay(const motion::DisplayTexts& texts) = 0;
    virtual void ShowBlockCount(int32_t count) = 0;                                   // label Block
    virtual void ShowCyclePosition(const std::string* xa, const std::string* za) = 0; // XA / ZA, null = keep

    // --- Feedback and switches ---
    virtual void ShowPressed(Command command, bool pressed) = 0; // button pressed, panel inset
    virtual void SwitchesChanged() {}      // a switch of the machine state flipped; refresh its indicators
    virtual void RunSpeedChanged(float) {} // the run-speed slider follows RunSpeed

    // --- Time ---
    // Waits while the user interface keeps processing events; hosts without one return at once.
    virtual void WaitSeconds(double seconds) = 0;
    virtual void DoEvents() = 0;
};

} // namespace interp
