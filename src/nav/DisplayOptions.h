// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The display switches of the View, Parameter and Snap menus: each command flips its switch in
// the machine state, does its own extra step, and says which silent re-run redraws the path.
// The window shows every indicator from SwitchIndicators, so check marks, pressed toolbar buttons
// and sunken panels of one switch can never disagree.

#include "nav/ViewNavigation.h"

#include <array>
#include <cstdint>
#include <string>

namespace interp {
struct MachineState;
}

namespace nav {

// Colours set by the background command (&HBBGGRR).
struct BackgroundColors {
    int32_t Back, Rapid, Cut, Tool, Label;
};
inline constexpr BackgroundColors BlackBackgroundColors{0x000000, 0xFF00FF, 0x00FFFF, 0x00FF00, 0xFFFFFF};
inline constexpr BackgroundColors WhiteBackgroundColors{0xFFFFFF, 0, 0, 0, 0};

// Background of the canvas and the rulers and the path colours for WhiteBackground as it stands;
// the canvas draws in copy mode. Used at start-up and by the background command.
void ApplyBackground(Machine& m);
// Back color change: flips WhiteBackground, applies it, redraws the empty canvas. RedrawReplay,
// so the old path disappears even without Auto start.
Rerun ToggleBackColor(Machine& m);

// Per-tool colours: flips ColorPerTool, takes the colours anew, ColorIndex = 1.
Rerun ToggleColorPerTool(Machine& m);
// G00 arrows, tool labels, X mirror, G02/G03 swap, B-turret upper display: flip only.
Rerun ToggleRapidArrow(interp::MachineState& s);
Rerun ToggleToolNumber(interp::MachineState& s);
Rerun ToggleXmirror(interp::MachineState& s);
Rerun ToggleG2mirror(interp::MachineState& s);
Rerun ToggleBTurretUpper(interp::MachineState& s);
// Vertical lathe: flip; after the re-run the window shows the dialect and lathe type (ShowMode).
Rerun ToggleVertical(interp::MachineState& s);
// Snap: flip; the program is always re-run, which redraws the canvas with or without the grid.
Rerun ToggleXSnap(interp::MachineState& s);
Rerun ToggleZSnap(interp::MachineState& s);

// --- Position display (menu items PostionDisplayT(0..13), toolbar button 22 and its drop-down) ---

inline constexpr int PositionItemCount = 14;
// Item 0 "All tool Display", 1 "Non Display", 2..13 "T01".."T12".
inline constexpr int PositionAllTools = 0, PositionNone = 1;

struct PositionDisplayMenu {
    std::array<std::string, PositionItemCount> DropDown; // texts of the drop-down of button 22
    int Checked = PositionNone;                          // the menu item with the check mark
};
// The menu as the window opens: the design texts, item 2 reading "+non", "Non Display" checked.
PositionDisplayMenu StartupPositionDisplayMenu();
// PostionDisplayT(index): sets ShowPosition and PositionTool, checks the item and marks its
// drop-down text with "+". ReplayIfAutoStart; None for an index outside 0..13.
Rerun SelectPositionDisplay(interp::MachineState& s, PositionDisplayMenu& menu, int index);
// A plain click on button 22: position display off when it shows pressed, else all tools.
int PosDisplayButtonIndex(bool buttonPressed);

// --- Indicators ---

// On/off of every indicator of the display and view switches.
struct SwitchIndicators {
    bool ColorChange;                 // mnuColorChange, button 23
    bool Yajirusi;                    // mnuYajirusi, button 20
    bool TDisplay;                    // ToolNumberDisplay, button 21
    bool TclearEnabled;               // mnuTclear can be used only while tool labels are on
    bool PosDisplay;                  // button 22 pressed
    bool BturretUper;                 // mnuBturretUper, button 18: checked while BTurretUpper is off
    bool Vertical, Xmirror, G2mirror; // menu checks
    bool Xsnap, Zsnap;                // menu checks, panels 2 and 3 of the main status bar sunken
    bool Zoom;                        // mnuZoom, button 14
};
SwitchIndicators Indicators(const interp::MachineState& s, const View& v);

} // namespace nav
