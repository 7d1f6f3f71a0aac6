// SPDX-License-Identifier: GPL-3.0-or-later
// The state labels: position, feed, tool, modal G and M codes, program and block numbers,
// cutting time, spindle and cutting speed.

#include "motion/Display.h"

#include "base/Legacy.h"
#include "base/Machine.h"
#include "motion/Motion.h"
#include "text/ProgramEncoding.h"

#include <string>

namespace motion {
using legacy::Format000;
using legacy::Format0Hash;
using legacy::Str15;

namespace {

// 8. The cutting time as hours, minutes and seconds; the seconds are made whole after the
// minutes are taken off, so 119.6 s reads 00:01:60.
void SplitTime(float t, DisplayTexts& d) {
    float minutes = static_cast<float>(legacy::Int(t / 60.0f));
    const float seconds = static_cast<float>(legacy::CInt(t - 60.0f * minutes));
    const float hours = static_cast<float>(legacy::Int(minutes / 60.0f));
    minutes = minutes - 60.0f * hours;
    d.Hour = Format0Hash(hours);
    d.Min = Format0Hash(minutes);
    d.Sec = Format0Hash(seconds);
}

// 9. Spindle speed and cutting speed; at constant surface speed the spindle speed on or below
// the centre line reads 9999.
void Speeds(const interp::MachineState& s, DisplayTexts& d) {
    if (s.GSpeedMode == 97) {
        d.SpindleSpeed = Str15(s.SWord);
        d.Vspeed = Str15(legacy::Int(s.CurX * interp::Pi * s.SWord / 1000));
    } else {
        d.SpindleSpeed = s.CurX > 0 ? Str15(legacy::Int(1000 * s.SWord / (interp::Pi * s.CurX))) : "9999";
        d.Vspeed = Str15(s.SWord);
    }
}

} // namespace

DisplayTexts ComputeDisplay(const interp::MachineState& s) {
    DisplayTexts d;
    // 1. Position, C axis, feed, tool.
    d.XA = Format000(s.CurX);
    d.ZA = Format000(s.CurZ);
    d.CAlabel = Format000(s.CWord);
    d.FEED = Format000(s.Feed);
    d.ToolNumber = Str15(s.TWord);
    // 2., 4., 5. G codes; the FANUC dialect names the feed modes 98 and 99.
    d.Gcode[0] = Format0Hash(s.GMode);
    d.Gcode[1] = std::to_string(s.GAbsInc);
    if (s.FanucMode)
        d.Gcode[2] = s.GFeedMode == 95 ? "99" : "98";
    else
        d.Gcode[2] = std::to_string(s.GFeedMode);
    d.Gcode[3] = std::to_string(s.GSpeedMode);
    d.Gcode[4] = std::to_string(s.GNoseR);
    // 6. M codes; 10. the other M code and the stop code only while they mean something.
    d.Mcode[0] = Format0Hash(s.MSpindle);
    d.Mcode[1] = Format0Hash(s.MCoolant);
    d.Mcode[2] = std::to_string(s.MOther);
    d.Mcode[3] = Format0Hash(s.RunState);
    d.MOtherVisible = s.MOther >= 1;
    d.StopCodeVisible = s.RunState > 0;
    // 7. Program, sequence and block numbers.
    d.ONumber = text::Utf8(s.ProgramNumber);
    d.BlockNumber = text::Utf8(s.SequenceNumber);
    d.Block = std::to_string(s.BlockCount);
    SplitTime(s.CuttingTime, d);
    Speeds(s, d);
    return d;
}

void ShowDisplay(Machine& m) {
    // The dwell is shown for its own block only: the texts are taken first, then the motion code
    // in force before the dwell comes back, also when nobody looks at the labels.
    // Silent checks come here every block: without a viewer no text is built at all.
    if (!m.Ui.WantsDisplay()) {
        if (m.S.GMode == 4) m.S.GMode = m.S.PrevGMode;
        return;
    }
    const DisplayTexts texts = ComputeDisplay(m.S);
    if (m.S.GMode == 4) m.S.GMode = m.S.PrevGMode;
    m.Ui.ShowDisplay(texts);
}

} // namespace motion
