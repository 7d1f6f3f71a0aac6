// SPDX-License-Identifier: GPL-3.0-or-later
// Display switches: background, tool colours, arrows, labels, position display, turret side,
// layout, mirrors and snap.

#include "nav/DisplayOptions.h"

#include "base/Legacy.h"
#include "base/Machine.h"
#include "motion/Motion.h"

namespace nav {

using namespace motion; // nav is built on motion's canvas, view and drawing steps

void ApplyBackground(Machine& m) {
    auto& s = m.S;
    const BackgroundColors& colors = s.WhiteBackground ? WhiteBackgroundColors : BlackBackgroundColors;
    for (Canvas* c : {&m.Trace, m.Screen.Xscale, m.Screen.Zscale})
        if (c) c->BackColor = colors.Back;
    m.Trace.Mode = DrawMode::Copy;
    s.RapidColor = colors.Rapid;
    s.CutColor = colors.Cut;
    s.ToolColor = colors.Tool;
    s.LabelColor = colors.Label;
}

Rerun ToggleBackColor(Machine& m) {
    m.S.WhiteBackground = !m.S.WhiteBackground;
    ApplyBackground(m);
    RedrawCanvas(m);
    return Rerun::RedrawReplay;
}

Rerun ToggleColorPerTool(Machine& m) {
    m.S.ColorPerTool = !m.S.ColorPerTool;
    NextToolColors(m);
    m.S.ColorIndex = 1;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleRapidArrow(interp::MachineState& s) {
    s.RapidArrow = !s.RapidArrow;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleToolNumber(interp::MachineState& s) {
    s.ShowToolNumber = !s.ShowToolNumber;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleXmirror(interp::MachineState& s) {
    s.Xmirror = !s.Xmirror;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleG2mirror(interp::MachineState& s) {
    s.G2mirror = !s.G2mirror;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleBTurretUpper(interp::MachineState& s) {
    s.BTurretUpper = !s.BTurretUpper;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleVertical(interp::MachineState& s) {
    s.Vertical = !s.Vertical;
    return Rerun::ReplayIfAutoStart;
}

Rerun ToggleXSnap(interp::MachineState& s) {
    s.XSnap = !s.XSnap;
    return Rerun::ForcedReplay;
}

Rerun ToggleZSnap(interp::MachineState& s) {
    s.ZSnap = !s.ZSnap;
    return Rerun::ForcedReplay;
}

namespace {

// Item names after the first position-display command: "All tools", "Non", "T01".."T12".
std::string PositionItemName(int index) {
    if (index == PositionAllTools) return "All tools";
    if (index == PositionNone) return "Non";
    return "T" + legacy::Format0Hash(index - 1);
}

} // namespace

PositionDisplayMenu StartupPositionDisplayMenu() {
    PositionDisplayMenu menu;
    menu.DropDown[0] = "   All Tools";
    menu.DropDown[1] = "+non";
    for (int i = 2; i < PositionItemCount; ++i)
        menu.DropDown[i] = "   " + PositionItemName(i);
    menu.Checked = PositionNone;
    return menu;
}

Rerun SelectPositionDisplay(interp::MachineState& s, PositionDisplayMenu& menu, int index) {
    if (index < 0 || index >= PositionItemCount) return Rerun::None;
    // 1. and 2. One check mark; every drop-down text back to its plain form.
    for (int i = 0; i < PositionItemCount; ++i)
        menu.DropDown[i] = "   " + PositionItemName(i);
    menu.Checked = index;
    // 3. to 5. The chosen item is marked with "+" in place of the blanks.
    menu.DropDown[index] = "+" + PositionItemName(index);
    s.ShowPosition = index != PositionNone;
    if (index == PositionAllTools) s.PositionTool = 0;
    if (index >= 2) s.PositionTool = static_cast<int16_t>(index - 1);
    return Rerun::ReplayIfAutoStart;
}

int PosDisplayButtonIndex(bool buttonPressed) {
    return buttonPressed ? PositionNone : PositionAllTools;
}

SwitchIndicators Indicators(const interp::MachineState& s, const View& v) {
    SwitchIndicators i{};
    i.ColorChange = s.ColorPerTool;
    i.Yajirusi = s.RapidArrow;
    i.TDisplay = s.ShowToolNumber;
    i.TclearEnabled = s.ShowToolNumber;
    i.PosDisplay = s.ShowPosition;
    i.BturretUper = !s.BTurretUpper;
    i.Vertical = s.Vertical;
    i.Xmirror = s.Xmirror;
    i.G2mirror = s.G2mirror;
    i.Xsnap = s.XSnap;
    i.Zsnap = s.ZSnap;
    i.Zoom = v.Pointer.ZoomMode;
    return i;
}

} // namespace nav
