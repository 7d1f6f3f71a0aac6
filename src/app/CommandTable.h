// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator panel's commands in one table: one row per command gives its action, caption,
// key, toolbar button, function-key panel, icon, press feedback, indicator and handler. The
// toolbars, the function-key bar, the check marks and the sunken panels are all built from it.

#include "app/Icons.h"
#include "base/Host.h"

#include <optional>
#include <span>

namespace interp {
struct MachineState;
}
namespace nav {
struct SwitchIndicators;
}

namespace app {

struct Parts;

// The rows name their fields; a field a row leaves out is null (no bar, no press feedback).
struct PanelCommand {
    // Key of the toolbar button, the function-key panel and any status-bar panel that shows the
    // switch sunken ("Start", "T_Clear", "Xsnap"); null when the command has none of them.
    const char* Key = nullptr;
    const char* Action = nullptr;     // the QAction's object name, as the menus know it
    const char* Caption = nullptr;    // menu caption
    const char* Shortcut = nullptr;   // "F1", "Ctrl+Z"; empty for none
    int Bar = 0;                      // 1 or 2: the toolbar that shows the button; 0 for none
    const char* GroupStart = nullptr; // a separator (of this name) before the button; null for none
    const char* ToolTip = nullptr;    // the button's tool tip
    IconPainter Icon = nullptr;
    const char* Fkey = nullptr;                // the function-key panel's text; null for no panel
    std::optional<interp::Command> Press = {}; // the run control's press feedback on button and panel
    // The switch's state, shown by check mark, pressed button and sunken panel; null for a
    // command that is no switch.
    bool (*On)(const interp::MachineState& s, const nav::SwitchIndicators& d) = nullptr;
    void (*Run)(const Parts& parts) = nullptr;
};

// Every row, in toolbar order.
std::span<const PanelCommand> PanelCommands();

} // namespace app
